#include "UnitWPVReader.h"

#include "QvAxis.h"
#include "QvColors.h"
#include "QvDashStylesList.h"
#include "QvFloatEdit.h"
#include "QvGraph2D.h"
#include "QvGraphSettingsTool.h"
#include "QvHover.h"
#include "QvIntegerEdit.h"
#include "QvPointStylesPick.h"
#include "QvFont.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "UnitDataDisplayDefinitions.h"
#include "UnitWPVApplication.h"
#include "UnitWPVChartSeries.h"
#include "UnitWPVFileNames.h"
#include "UnitWPVSession.h"
#include "UnitWPVSourceView.h"
#include "UnitWPVTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHash>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <future>
#include <memory>

Q_LOGGING_CATEGORY(lcForm, "Form")

// The window's resources live in a static library: register them explicitly.
static void InitWPVResources()
{
    Q_INIT_RESOURCE(wpvreader);
}

namespace {

// Colours of the graphs, as opaque ARGB.
constexpr TQvColor ClBlack = 0xFF000000;
constexpr TQvColor ClRed = 0xFFFF0000;
constexpr TQvColor ClGreen = 0xFF00FF00;
constexpr TQvColor ClBlue = 0xFF0000FF;
constexpr TQvColor ClDarkRed = 0xFF8B0000;
constexpr TQvColor ClDarkBlue = 0xFF00008B;
constexpr TQvColor ClLimeGreen = 0xFF32CD32;
constexpr TQvColor ClWhite = 0xFFFFFFFF;

// Everything the window has on a step's or a file's list item.
constexpr int ItemObjectRole = Qt::UserRole + 1;

QFont MemoFont()
{
    QFont f(QStringLiteral("Courier New"), 8);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

QPlainTextEdit* NewMemo(QWidget* aParent, bool aCourier)
{
    auto* memo = new QPlainTextEdit(aParent);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    if (aCourier)
        memo->setFont(MemoFont());
    return memo;
}

// Sets the settings that every axis of the window shares, then its own.
void SetupAxis(TQvAxis* a, TQvAxisPosition aPosition, const QString& aCaption, TQvColor aCaptionColor)
{
    a->SetPosition(aPosition);
    a->SetCaption(aCaption);
    a->SetCaptionColor(aCaptionColor);
    a->SetCaptionVisible(true);
    a->CaptionFont()->SetName(QStringLiteral("Times New Roman"));
    a->CaptionFont()->SetSize(14);
    a->CaptionFont()->SetStyle(int(QvFontStyle::Bold));
    a->Font()->SetName(QStringLiteral("Arial"));
    a->Font()->SetSize(12);
    a->Font()->SetStyle(int(QvFontStyle::Bold));
    a->SetNumbersColor(ClDarkBlue);
    a->SetForeColor(ClBlack);
    a->SetMajorTickColor(ClBlack);
    a->SetTickColor(ClBlack);
    a->SetTickLength(6);
    a->SetMajorTickLength(10);
    a->SetAxisThicknes(1);
    a->SetMajorTickThicknes(1);
    a->SetTickThicknes(1);
    a->SetStartEnd(TQvAxisEnd::AutoRange);
    a->SetStopEnd(TQvAxisEnd::AutoRange);
    a->SetEndRounding(TQvAxisEndRounding::RndToMajorZoomToMinor);
    a->SetScaling(TQvAxisScaling::Normal);
    a->SetMinForExtraExponent(0.001);
    a->SetMaxForExtraExponent(1000);
    a->SetIsSlaveAxis(false);
}

TQvAxis* NewAxis(TQvGraph2D* aGraph, const char* aName, TQvAxisPosition aPosition, const QString& aCaption,
                 TQvColor aCaptionColor)
{
    auto* a = new TQvAxis(aGraph);
    a->setObjectName(QString::fromLatin1(aName));
    SetupAxis(a, aPosition, aCaption, aCaptionColor);
    return a;
}

// The settings all five graphs share (the undo stack is attached once they are set up, so that
// building the window records nothing).
void SetupGraph(TQvGraph2D* g, const char* aName)
{
    g->setObjectName(QString::fromLatin1(aName));
    g->SetBackColor(ClWhite);
    g->SetDataAreaColor(ClWhite);
    g->SetSmoothingMode(TQvSmoothingMode::HighQuality);
    g->SetCaptionVisible(false);
    g->DataAreaFrame()->SetVisible(false);
    g->MajorGridHorizontal()->SetVisible(false);
    g->MinorGridHorizontal()->SetVisible(false);
    g->MajorGridVertical()->SetVisible(false);
    g->MinorGridVertical()->SetVisible(false);
    g->SetZeroOrigin(false);
}

void StyleSeries(TQvPointSeries* s, TQvColor aLine, double aWidth, bool aSymbols)
{
    s->Line()->SetColor(aLine);
    s->Line()->SetWidth(aWidth);
    s->PointSymbol()->SetVisible(aSymbols);
}

// The picture on the "Help" page, drawn from the embedded SVG at the screen's pixel ratio.
QPixmap HelpPicture(const QSize& aSize, qreal aRatio)
{
    QPixmap pm(aSize * aRatio);
    pm.setDevicePixelRatio(aRatio);
    pm.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/images/help.svg"));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p, QRectF(QPointF(0, 0), QSizeF(aSize)));
    return pm;
}

// The file's variables are single precision. An edit shows the shortest decimal that reads back
// as the same single value (0.0105, not 0.0104999999), so the overrides, stored as singles again,
// give back exactly the file's values when the user changes nothing.
double ShortestSingle(double aValue)
{
    char text[64];
    const auto written = std::to_chars(text, text + sizeof text, float(aValue));
    double shown = aValue;
    if (written.ec == std::errc() && std::from_chars(text, written.ptr, shown).ec != std::errc())
        shown = aValue;
    return shown;
}

// The "Help" page: what the graphs do with the mouse and the keys.
const char* const HelpText =
    "Zoom graphs\n"
    "\n"
    "Click and drag area to zoom into. To unzoom click outside the graph.\n"
    "\n"
    "Everything the graphs take:\n"
    "\n"
    "Drag with the left mouse button: zooms into the rectangle drawn (at least 5 pixels wide and high).\n"
    "\n"
    "Click beside the data area (on an axis or the margin): back to the previous zoom.\n"
    "\n"
    "Double click beside the data area: back to the whole data; the zoom history is forgotten.\n"
    "\n"
    "Shift + drag with the left mouse button, while zoomed in: moves the view with the mouse, "
    "no further than the data reach.\n"
    "\n"
    "Mouse wheel over the data area: zooms in (wheel forward) or out (wheel back) around the mouse "
    "pointer; each notch is one zoom step, and zooming out stops at the whole data.\n"
    "\n"
    "Ctrl+Z and Ctrl+Shift+Z, after a click on the graph: back to the previous zoom, and forward "
    "again.\n"
    "\n"
    "Scroll bars (shown while zoomed in): move the view along the data.\n"
    "\n"
    "Right click on the graph of \"Visualize step\" or \"Compare steps\": opens the graph settings "
    "(graph, axes, series), with undo and redo of every change.\n"
    "\n"
    "Legend, where a graph shows one: a click on an entry hides or shows its series; dragging a "
    "free-floating legend moves it.";

// A scroll area for one row of controls: it scrolls the row sideways when it is narrower than
// the row and is exactly as high as the row (plus the scroll bar while that is shown).
class TSidewaysScrollArea : public QScrollArea
{
public:
    explicit TSidewaysScrollArea(QWidget* aParent) : QScrollArea(aParent)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    void FitHeight() { setFixedHeight(HeightAt(width())); }
    QSize minimumSizeHint() const override { return QSize(0, HeightAt(width())); }

protected:
    void resizeEvent(QResizeEvent* e) override
    {
        QScrollArea::resizeEvent(e);
        if (HeightAt(e->size().width()) != height())
            FitHeight();
    }

private:
    int HeightAt(int aWidth) const
    {
        if (!widget())
            return 0;
        const QSize row = widget()->minimumSizeHint();
        const bool bar = aWidth < row.width();
        return row.height() + (bar ? horizontalScrollBar()->sizeHint().height() : 0);
    }
};

// Restores the normal cursor when the operation ends, also by an error.
class TWaitCursor
{
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Suspends a widget's repainting for a scope.
class TNoUpdates
{
public:
    explicit TNoUpdates(QWidget* w) : fWidget(w), fWas(w->updatesEnabled()) { w->setUpdatesEnabled(false); }
    ~TNoUpdates() { fWidget->setUpdatesEnabled(fWas); }
    TNoUpdates(const TNoUpdates&) = delete;
    TNoUpdates& operator=(const TNoUpdates&) = delete;

private:
    QWidget* fWidget;
    bool fWas;
};

// Makes everything recorded while it lives one undo step with the comment (a pick in a style
// list restyles several series: the user undoes it at once). Records nothing when nothing
// changed.
class TWPVUndoStep
{
public:
    TWPVUndoStep(TQvUndoStack* aStack, const QString& aComment) : fStack(aStack)
    {
        if (fStack)
            fStack->StartGroup(aComment);
    }
    ~TWPVUndoStep()
    {
        try {
            if (fStack)
                fStack->StopGroup(false);
        } catch (const std::exception&) {
            // The stack was cleared meanwhile (a failed undo): there is no group left to close.
        }
    }
    TWPVUndoStep(const TWPVUndoStep&) = delete;
    TWPVUndoStep& operator=(const TWPVUndoStep&) = delete;

private:
    QPointer<TQvUndoStack> fStack;
};

} // namespace

// ------------------------------------------------------------------------------------------
// TWPVListBox

TWPVListBox::TWPVListBox(QWidget* aParent) : QListWidget(aParent) {}

void TWPVListBox::mouseReleaseEvent(QMouseEvent* e)
{
    const Qt::MouseButton button = e->button();
    QListWidget::mouseReleaseEvent(e);
    if (button == Qt::LeftButton)
        emit Click();
    emit MouseUp(button);
}

void TWPVListBox::keyReleaseEvent(QKeyEvent* e)
{
    QListWidget::keyReleaseEvent(e);
    if (!e->isAutoRepeat())
        emit KeyUp();
}

// ------------------------------------------------------------------------------------------
// Building the window

TFormWPVData::TFormWPVData(QWidget* aParent) : QWidget(aParent)
{
    InitWPVResources();
    setObjectName(QStringLiteral("FormWPVData"));
    setWindowTitle(QStringLiteral("Tarnwell reader"));
    setWindowIcon(WPVWindowIcon());
    QFont font(QStringLiteral("Tahoma"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    resize(1117, 738);
    setAcceptDrops(true);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);
    // The readout in two labels: the nearest point keeps its whole text at the right; the axes'
    // part gives way when the window is narrow (its whole text is its tooltip).
    LabelHoverAxes = new QLabel(StatusBar1);
    LabelHoverAxes->setObjectName(QStringLiteral("LabelHoverAxes"));
    LabelHoverAxes->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelHoverAxes->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(LabelHoverAxes, 1);
    LabelHoverPoint = new QLabel(StatusBar1);
    LabelHoverPoint->setObjectName(QStringLiteral("LabelHoverPoint"));
    LabelHoverPoint->setTextFormat(Qt::PlainText);
    StatusBar1->addPermanentWidget(LabelHoverPoint);

    QvUndoStack1 = new TQvUndoStack(this);
    QvUndoStack1->setObjectName(QStringLiteral("QvUndoStack1"));
    QvUndoStack1->SetEnabled(true);
    QvUndoStack1->SetLimit(20);
    QvUndoStack1->SetToMemoryStream(true);

    BuildFilePage();
    BuildVisualizePage();
    BuildComparePage();
    BuildDetailsPage();
    BuildHelpPage();
    BuildSourcePages();
    BuildCharts();

    QvGraphSettingsTool1 = new TQvGraphSettingsTool(this);
    QvGraphSettingsTool1->setObjectName(QStringLiteral("QvGraphSettingsTool1"));
    QvGraphSettingsTool1->SetGraph(QvGraph2D2);
    // The dialog lists series without a caption (the pump pO2 of a step, the step comparison of
    // a file) by the file and step they draw. The names are gathered once per number of files.
    auto names = std::make_shared<std::pair<std::size_t, QHash<const TQvSeries*, QString>>>(
        std::size_t(-1), QHash<const TQvSeries*, QString>());
    QvGraphSettingsTool1->SetSeriesNamer([this, names](const TQvSeries* aSeries) {
        if (names->first != fFiles.size()) {
            names->first = fFiles.size();
            names->second.clear();
            static const char* const stepKinds[] = {" Current", " Leakage", " Charge", " Log(pO2)", " Pump pO2"};
            static const char* const fileKinds[] = {" charge by step", " leakage by step", " voltage by step"};
            for (const auto& file : fFiles) {
                const int number = file->VOrig().FileNumber;
                const std::vector<TQvPointSeries*> fileSeries = ChartOf(*file).Series();
                for (std::size_t i = 0; i < fileSeries.size() && i < 3; ++i)
                    names->second.insert(fileSeries[i], QStringLiteral("FN:%1").arg(number) + QLatin1String(fileKinds[i]));
                for (int k = 0; k < file->DataSetCount(); ++k) {
                    const TWPVDataSet& step = *file->DataSet(k);
                    const QString base = SeriesCaptionBase(number, step);
                    const std::vector<TQvPointSeries*> stepSeries = ChartOf(step).Series();
                    for (std::size_t i = 0; i < stepSeries.size() && i < 5; ++i)
                        names->second.insert(stepSeries[i], base + QLatin1String(stepKinds[i]));
                }
            }
        }
        return names->second.value(aSeries);
    });

    // Ctrl+O presses "Add from file".
    auto* open = new QShortcut(QKeySequence::Open, this);
    connect(open, &QShortcut::activated, ButtonOpenFile, &QPushButton::click);

    FormCreate();
}

TFormWPVData::~TFormWPVData()
{
    FormDestroy();
    // The detail series go before the vectors they show.
    delete QvPointSeriesDetailsA;
    delete QvPointSeriesDetailsB;
    delete QvPointSeriesDetailsC;
    QvPointSeriesDetailsA = QvPointSeriesDetailsB = QvPointSeriesDetailsC = nullptr;
}

void TFormWPVData::BuildFilePage()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("File"));

    ButtonOpenFile = new QPushButton(QStringLiteral("Add from file"), TabSheet1);
    ButtonOpenFile->setObjectName(QStringLiteral("ButtonOpenFile"));
    ButtonOpenFile->setFixedSize(105, 25);
    ButtonOpenFile->setToolTip(QStringLiteral("Add a Tarnwell data file (Ctrl+O)"));
    ListBoxFiles = new TWPVListBox(TabSheet1);
    ListBoxFiles->setObjectName(QStringLiteral("ListBoxFiles"));
    ListBoxFiles->setFixedWidth(105);
    ListBoxFiles->setSelectionMode(QAbstractItemView::SingleSelection);
    Memo1 = NewMemo(TabSheet1, true);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    LabelRecent = new QLabel(QStringLiteral("Recent files (click to add again)"), TabSheet1);
    LabelRecent->setObjectName(QStringLiteral("LabelRecent"));
    ListBoxRecent = new TWPVListBox(TabSheet1);
    ListBoxRecent->setObjectName(QStringLiteral("ListBoxRecent"));
    ListBoxRecent->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxRecent->setFixedWidth(220);
    ListBoxRecent->setToolTip(QStringLiteral("Click a file to add it again (Enter adds the focused one)"));
    LabelRecent->setBuddy(ListBoxRecent);
    ListBoxRecent->installEventFilter(this);

    auto* left = new QVBoxLayout;
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(ButtonOpenFile);
    left->addWidget(ListBoxFiles, 1);
    auto* recent = new QVBoxLayout;
    recent->setContentsMargins(0, 0, 0, 0);
    recent->setSpacing(2);
    recent->addWidget(LabelRecent);
    recent->addWidget(ListBoxRecent, 1);
    auto* page = new QHBoxLayout(TabSheet1);
    page->setContentsMargins(2, 2, 2, 2);
    page->addLayout(left);
    page->addLayout(recent);
    page->addWidget(Memo1, 1);
    connect(ListBoxRecent, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* aItem) { WPVGuarded([this, aItem] { ListBoxRecentClick(aItem); }); });

    connect(ButtonOpenFile, &QPushButton::clicked, this, [this] { WPVGuarded([this] { ButtonOpenFileClick(); }); });
    connect(ListBoxFiles, &TWPVListBox::Click, this, [this] { WPVGuarded([this] { ListBoxFilesClick(); }); });
}

void TFormWPVData::BuildVisualizePage()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Visualize step"));

    Splitter2 = new QSplitter(Qt::Horizontal, TabSheet2);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setChildrenCollapsible(false);
    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setMinimumWidth(240);
    Label1 = new QLabel(QStringLiteral("Select step (Shift-, Ctrl- or drag click)"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    ListBox1 = new TWPVListBox(Panel1);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Label3 = new QLabel(Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setWordWrap(true);
    QvDashStylesList1 = new TQvDashStylesList(Panel1);
    QvDashStylesList1->setObjectName(QStringLiteral("QvDashStylesList1"));
    QvDashStylesList1->setFixedSize(220, 97);
    QvDashStylesList1->SetLineColor(ClRed);
    QvDashStylesList1->SetLineWidth(1.0f);

    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->addWidget(Label1);
    panel->addWidget(ListBox1, 1);
    panel->addWidget(Label3);
    panel->addWidget(QvDashStylesList1);

    QvGraph2D1 = new TQvGraph2D;
    // The splitter widens the step list for long step texts; the graph takes what is left.
    Splitter2->addWidget(Panel1);
    Splitter2->addWidget(QvGraph2D1);
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({240, 877});
    auto* page = new QHBoxLayout(TabSheet2);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(Splitter2);

    connect(ListBox1, &TWPVListBox::Click, this, [this] { WPVGuarded([this] { ListBox1Click(); }); });
    connect(ListBox1, &TWPVListBox::KeyUp, this, [this] { WPVGuarded([this] { ListBox1KeyUp(); }); });
    connect(QvDashStylesList1, &QListWidget::clicked, this,
            [this] { WPVGuarded([this] { QvDashStylesList1Click(); }); });
    connect(QvDashStylesList1, &TQvDashStylesList::OnValueChanged, this,
            [this] { WPVGuarded([this] { QvDashStylesList1Click(); }); });
}

void TFormWPVData::BuildComparePage()
{
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Compare steps"));

    Splitter3 = new QSplitter(Qt::Horizontal, TabSheet3);
    Splitter3->setObjectName(QStringLiteral("Splitter3"));
    Splitter3->setChildrenCollapsible(false);
    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setMinimumWidth(240);
    Label2 = new QLabel(QStringLiteral("Select steps (Shift-, Ctrl- or drag click)"), Panel2);
    Label2->setObjectName(QStringLiteral("Label2"));
    ListBox2 = new TWPVListBox(Panel2);
    ListBox2->setObjectName(QStringLiteral("ListBox2"));
    ListBox2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Label4 = new QLabel(Panel2);
    Label4->setObjectName(QStringLiteral("Label4"));
    QvPointSymbolsList1 = new TQvPointSymbolsList(Panel2);
    QvPointSymbolsList1->setObjectName(QStringLiteral("QvPointSymbolsList1"));
    QvPointSymbolsList1->SetColumns(5);
    QvPointSymbolsList1->SetItemHeight(20);
    QvPointSymbolsList1->SetSymbol(TQvPointSymbol::Dot);
    QvPointSymbolsList1->SetSymbolBorderColor(ClRed);
    QvPointSymbolsList1->SetSymbolFillColor(0xFFDCDCDC);
    QvPointSymbolsList1->SetSymbolBorderLineWidth(1.0f);
    QvPointSymbolsList1->setFixedSize(226, 44);

    auto* panel = new QVBoxLayout(Panel2);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->addWidget(Label2);
    panel->addWidget(ListBox2, 1);
    panel->addWidget(Label4);
    panel->addWidget(QvPointSymbolsList1);

    QvGraph2D2 = new TQvGraph2D;
    Splitter3->addWidget(Panel2);
    Splitter3->addWidget(QvGraph2D2);
    Splitter3->setStretchFactor(0, 0);
    Splitter3->setStretchFactor(1, 1);
    Splitter3->setSizes({240, 877});
    auto* page = new QHBoxLayout(TabSheet3);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(Splitter3);

    connect(ListBox2, &TWPVListBox::Click, this, [this] { WPVGuarded([this] { ListBox2Click(); }); });
    connect(ListBox2, &TWPVListBox::KeyUp, this, [this] { WPVGuarded([this] { ListBox2KeyUp(); }); });
    connect(QvPointSymbolsList1, &QListWidget::clicked, this,
            [this] { WPVGuarded([this] { QvPointSymbolsList1Click(); }); });
    connect(QvPointSymbolsList1, &TQvPointSymbolsList::OnValueChanged, this,
            [this] { WPVGuarded([this] { QvPointSymbolsList1Click(); }); });
}

void TFormWPVData::BuildDetailsPage()
{
    TabSheet5 = new QWidget;
    TabSheet5->setObjectName(QStringLiteral("TabSheet5"));
    PageControl1->addTab(TabSheet5, QStringLiteral("Details"));

    Splitter1 = new QSplitter(Qt::Vertical, TabSheet5);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(10);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setStyleSheet(QStringLiteral("QSplitter::handle { background: palette(dark); }"));
    auto* pageLayout = new QVBoxLayout(TabSheet5);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(Splitter1);

    Panel4 = new QWidget;
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel3 = new QWidget;
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setMinimumHeight(Panel3MinHeight);
    Splitter1->addWidget(Panel4);
    Splitter1->addWidget(Panel3);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);

    // File choice.
    Label5 = new QLabel(QStringLiteral("Select file to calculate steps"), Panel4);
    Label5->setObjectName(QStringLiteral("Label5"));
    ListBox3 = new TWPVListBox(Panel4);
    ListBox3->setObjectName(QStringLiteral("ListBox3"));
    ListBox3->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox3->setFixedSize(133, 136);
    auto* fileBox = new QVBoxLayout;
    fileBox->setSpacing(2);
    fileBox->addWidget(Label5);
    fileBox->addWidget(ListBox3);
    fileBox->addStretch(1);

    // Overrides.
    dou = new QGroupBox(QStringLiteral("Custom overrides used"), Panel4);
    dou->setObjectName(QStringLiteral("dou"));
    dou->setFixedSize(475, 155);
    CheckBoxOverrides = new QCheckBox(dou);
    CheckBoxOverrides->setObjectName(QStringLiteral("CheckBoxOverrides"));
    CheckBoxOverrides->setToolTip(QStringLiteral("Use the custom values below instead of the file's own"));
    auto* grid = new QGridLayout(dou);
    grid->setContentsMargins(8, 20, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    struct TEditDef
    {
        TQvDoubleEdit** Edit;
        const char* Name;
        const char* Caption;
        int Row;
        int Column;
    };
    const TEditDef defs[] = {
        {&QvDoubleEditVhpws, "QvDoubleEditVhpws", "Vhpws, L", 0, 0},
        {&QvDoubleEditVgp, "QvDoubleEditVgp", "Vgp, L", 1, 0},
        {&QvDoubleEditTl, "QvDoubleEditTl", "Tl, C\u00BA", 2, 0},
        {&QvDoubleEditCustomLLS, "QvDoubleEditCustomLLS", "Relative change, s", 3, 0},
        {&QvDoubleEditOverridebs, "QvDoubleEditOverridebs", "bs, mol/mol", 0, 1},
        {&QvDoubleEditOverrideb0, "QvDoubleEditOverrideb0", "b0, mol/mol", 1, 1},
        {&QvDoubleEditOverridem0, "QvDoubleEditOverridem0", "m0, g", 2, 1},
        {&QvDoubleEditOverridepO2ref, "QvDoubleEditOverridepO2ref", "pO2 ref, atm", 3, 1},
        {&QvDoubleEditOverrideAlpha, "QvDoubleEditOverrideAlpha", "Alpha", 4, 1},
    };
    for (const TEditDef& d : defs) {
        auto* edit = new TQvDoubleEdit(dou);
        edit->setObjectName(QString::fromLatin1(d.Name));
        // The variables are single precision: larger numbers are refused as they are typed.
        edit->SetSinglePrecision(true);
        edit->setFixedWidth(95);
        auto* label = new QLabel(QString::fromUtf8(d.Caption), dou);
        label->setBuddy(edit);
        grid->addWidget(label, d.Row, d.Column * 2);
        grid->addWidget(edit, d.Row, d.Column * 2 + 1);
        *d.Edit = edit;
        if (edit == QvDoubleEditOverrideAlpha) {
            label->hide();
            edit->hide();
        }
        connect(edit, &TQvDoubleEdit::OnValueChanged, this,
                [this] { WPVGuarded([this] { QvDoubleEditVhpwsValueChanged(); }); });
    }
    QvIntegerEditStartSet = new TQvIntegerEdit(dou);
    QvIntegerEditStartSet->setObjectName(QStringLiteral("QvIntegerEditStartSet"));
    QvIntegerEditStartSet->setFixedWidth(95);
    auto* startLabel = new QLabel(QStringLiteral("Start set"), dou);
    startLabel->setBuddy(QvIntegerEditStartSet);
    grid->addWidget(startLabel, 4, 0);
    grid->addWidget(QvIntegerEditStartSet, 4, 1);
    grid->setColumnStretch(4, 1);
    connect(QvIntegerEditStartSet, &TQvIntegerEdit::OnValueChanged, this,
            [this] { WPVGuarded([this] { QvDoubleEditVhpwsValueChanged(); }); });
    // The check box sits on the group box's caption line, right after the caption, centred on it.
    const QFontMetrics titleMetrics(dou->font());
    CheckBoxOverrides->resize(CheckBoxOverrides->sizeHint());
    CheckBoxOverrides->move(titleMetrics.horizontalAdvance(dou->title()) + 16,
                            std::min(0, (titleMetrics.height() - CheckBoxOverrides->height()) / 2));
    connect(CheckBoxOverrides, &QCheckBox::toggled, this, [this] { WPVGuarded([this] { CheckBoxOverridesClick(); }); });
    CheckBoxOverrides->installEventFilter(this);

    // Column choice.
    Label17 = new QLabel(QStringLiteral("Columns shown"), Panel4);
    Label17->setObjectName(QStringLiteral("Label17"));
    ListBox4 = new TWPVListBox(Panel4);
    ListBox4->setObjectName(QStringLiteral("ListBox4"));
    ListBox4->setSelectionMode(QAbstractItemView::MultiSelection);
    ListBox4->setFixedSize(338, 136);
    ListBox4->setFlow(QListView::TopToBottom);
    ListBox4->setWrapping(true);
    ListBox4->setResizeMode(QListView::Adjust);
    ListBox4->setUniformItemSizes(true);
    // Four columns of nine items fill the box: no scroll bars.
    ListBox4->setGridSize(QSize((338 - 6) / 4, 14));
    ListBox4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox4->setToolTip(QStringLiteral("Click a column to show or hide it; right click hides every column"));
    auto* columnBox = new QVBoxLayout;
    columnBox->setSpacing(2);
    columnBox->addWidget(Label17);
    columnBox->addWidget(ListBox4);
    columnBox->addStretch(1);

    Button1 = new QPushButton(Panel4);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(99, 104);
    {
        // A push button does not wrap its caption: a word-wrapped label inside it does.
        auto* caption = new QLabel(QStringLiteral("Remove spaces and copy to clipboard"), Button1);
        caption->setWordWrap(true);
        caption->setAlignment(Qt::AlignCenter);
        caption->setAttribute(Qt::WA_TransparentForMouseEvents);
        auto* l = new QVBoxLayout(Button1);
        l->addWidget(caption);
        Button1->setAccessibleName(caption->text());
    }

    ButtonSaveTable = new QPushButton(QStringLiteral("Save table..."), Panel4);
    ButtonSaveTable->setObjectName(QStringLiteral("ButtonSaveTable"));
    ButtonSaveTable->setFixedSize(99, 28);
    ButtonSaveTable->setToolTip(QStringLiteral("Save the table as the copy button copies it (UTF-8 text)"));

    ScrollBoxTop = new TSidewaysScrollArea(Panel4);
    ScrollBoxTop->setObjectName(QStringLiteral("ScrollBoxTop"));
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("PanelTopRow"));
    auto* top = new QHBoxLayout(row);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(8);
    top->addLayout(fileBox);
    top->addWidget(dou, 0, Qt::AlignTop);
    top->addLayout(columnBox);
    top->addStretch(1);
    // The copy button and "Save table..." share one column, as tall as the column list, so that
    // the row fits the usual window width.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(4);
    buttons->addWidget(Button1);
    buttons->addWidget(ButtonSaveTable);
    buttons->addStretch(1);
    top->addLayout(buttons);

    Label6 = new QLabel(QStringLiteral("Details"), Panel4);
    Label6->setObjectName(QStringLiteral("Label6"));
    Memo3 = NewMemo(Panel4, true);
    Memo3->setObjectName(QStringLiteral("Memo3"));

    auto* panel = new QVBoxLayout(Panel4);
    panel->setContentsMargins(4, 4, 4, 4);
    panel->setSpacing(2);
    ScrollBoxTop->setWidget(row);
    static_cast<TSidewaysScrollArea*>(ScrollBoxTop)->FitHeight();
    panel->addWidget(ScrollBoxTop);
    panel->addWidget(Label6);
    panel->addWidget(Memo3, 1);

    QvGraph2D3 = new TQvGraph2D(Panel3);
    QvGraph2D4 = new TQvGraph2D(Panel3);
    QvGraph2D5 = new TQvGraph2D(Panel3);
    Panel3->installEventFilter(this);

    connect(ListBox3, &TWPVListBox::Click, this, [this] { WPVGuarded([this] { ListBox3Click(); }); });
    connect(ListBox3, &TWPVListBox::KeyUp, this, [this] { WPVGuarded([this] { ListBox3Click(); }); });
    connect(ListBox4, &TWPVListBox::MouseUp, this,
            [this](Qt::MouseButton b) { WPVGuarded([this, b] { ListBox4MouseUp(b); }); });
    connect(ListBox4, &TWPVListBox::KeyUp, this, [this] { WPVGuarded([this] { ListBox4KeyUp(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { WPVGuarded([this] { Button1Click(); }); });
    connect(ButtonSaveTable, &QPushButton::clicked, this, [this] { WPVGuarded([this] { ButtonSaveTableClick(); }); });
}

void TFormWPVData::BuildHelpPage()
{
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    PageControl1->addTab(TabSheet4, QStringLiteral("Help"));
    Image1 = new QLabel(TabSheet4);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(105, 134);
    const qreal ratio = screen() ? screen()->devicePixelRatio() : qApp->devicePixelRatio();
    Image1->setPixmap(HelpPicture(QSize(105, 134), std::max<qreal>(1.0, ratio)));
    Memo2 = NewMemo(TabSheet4, false);
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    auto* page = new QHBoxLayout(TabSheet4);
    page->setContentsMargins(11, 19, 4, 4);
    page->setSpacing(11);
    page->addWidget(Image1, 0, Qt::AlignTop);
    page->addWidget(Memo2, 1);
}

void TFormWPVData::BuildSourcePages()
{
    TabSheet6 = new QWidget;
    TabSheet6->setObjectName(QStringLiteral("TabSheet6"));
    PageControl1->addTab(TabSheet6, QStringLiteral("Source data"));
    StringGridData = new QTableWidget(TabSheet6);
    StringGridData->setObjectName(QStringLiteral("StringGridData"));
    StringGridData->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGridData->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The grid only shows: nothing opens an editor on its cells.
    StringGridData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGridData->verticalHeader()->hide();
    StringGridData->verticalHeader()->setDefaultSectionSize(20);
    StringGridData->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGridData->horizontalHeader()->setFixedHeight(20);
    StringGridData->setRowCount(1);
    auto* l6 = new QVBoxLayout(TabSheet6);
    l6->setContentsMargins(0, 0, 0, 0);
    l6->addWidget(StringGridData);

    TabSheet7 = new QWidget;
    TabSheet7->setObjectName(QStringLiteral("TabSheet7"));
    PageControl1->addTab(TabSheet7, QStringLiteral("Source file"));
    Memo4 = new TWPVSourceView(TabSheet7);
    Memo4->setObjectName(QStringLiteral("Memo4"));
    Memo4->setFont(MemoFont());
    auto* l7 = new QVBoxLayout(TabSheet7);
    l7->setContentsMargins(0, 0, 0, 0);
    l7->addWidget(Memo4);
}

void TFormWPVData::BuildCharts()
{
    SetupGraph(QvGraph2D1, "QvGraph2D1");
    SetupGraph(QvGraph2D2, "QvGraph2D2");
    SetupGraph(QvGraph2D3, "QvGraph2D3");
    SetupGraph(QvGraph2D4, "QvGraph2D4");
    SetupGraph(QvGraph2D5, "QvGraph2D5");
    // Titles stay hidden; the captions name the graphs where the user meets them by name (the
    // settings dialog).
    QvGraph2D1->SetCaption(QStringLiteral("Visualize step"));
    QvGraph2D2->SetCaption(QStringLiteral("Compare steps"));
    QvGraph2D3->SetCaption(QStringLiteral("Details: log |y|"));
    QvGraph2D4->SetCaption(QStringLiteral("Details: y"));
    QvGraph2D5->SetCaption(QStringLiteral("Details: b"));

    // "Visualize step".
    XAxis1 = NewAxis(QvGraph2D1, "XAxis1", TQvAxisPosition::Bottom, QStringLiteral("Time, s"), ClDarkRed);
    YAxis1 = NewAxis(QvGraph2D1, "YAxis1", TQvAxisPosition::Right,
                     QStringLiteral("Current, A. Pump=Blaqck, Alpha2=Red, Pump-Alpha2=Green"), ClBlack);
    YAxis_VIS_Charge = NewAxis(QvGraph2D1, "YAxis_VIS_Charge", TQvAxisPosition::Right,
                               QStringLiteral("Charge minus leakage, C"), ClLimeGreen);
    YAxis_VIS_Charge->SetVisible(false);
    QvAxispO2 = NewAxis(QvGraph2D1, "QvAxispO2", TQvAxisPosition::Right,
                        QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"), ClBlue);
    QvAxispO2->SetScaling(TQvAxisScaling::LogEE);
    QvAxispO2->SetStart(1.0);
    QvGraph2D1->SetPrimaryXAxis(XAxis1);
    QvGraph2D1->SetPrimaryYAxis(YAxis1);

    // "Compare steps".
    XAxisLogpO2 = NewAxis(QvGraph2D2, "XAxisLogpO2", TQvAxisPosition::Bottom,
                          QStringLiteral("log(pO\\-2\\-/atm)"), ClDarkRed);
    XAxisLogpO2->SetTwisted(true);
    YAxisLeakage = NewAxis(QvGraph2D2, "YAxisLeakage", TQvAxisPosition::Left, QStringLiteral("Leakage, A"), ClDarkRed);
    QvAxisCharges = NewAxis(QvGraph2D2, "QvAxisCharges", TQvAxisPosition::Right, QStringLiteral("Charge, C"), ClBlue);
    QvAxisVoltage = NewAxis(QvGraph2D2, "QvAxisVoltage", TQvAxisPosition::Right, QStringLiteral("Voltage"), ClGreen);
    QvGraph2D2->SetPrimaryXAxis(XAxisLogpO2);
    QvGraph2D2->SetPrimaryYAxis(YAxisLeakage);

    // The details page.
    const QString xCaption = QStringLiteral("log pO\\-2\\-");
    XAxisDetailsA = NewAxis(QvGraph2D3, "XAxisDetailsA", TQvAxisPosition::Bottom, xCaption, ClDarkRed);
    YAxisDetailsA = NewAxis(QvGraph2D3, "YAxisDetailsA", TQvAxisPosition::Left, QStringLiteral("log |y|"), ClDarkRed);
    XAxisDetailsB = NewAxis(QvGraph2D4, "XAxisDetailsB", TQvAxisPosition::Bottom, xCaption, ClDarkRed);
    YAxisDetailsB = NewAxis(QvGraph2D4, "YAxisDetailsB", TQvAxisPosition::Left, QStringLiteral("y"), ClDarkRed);
    XAxisDetailsC = NewAxis(QvGraph2D5, "XAxisDetailsC", TQvAxisPosition::Bottom, xCaption, ClDarkRed);
    YAxisDetailsC = NewAxis(QvGraph2D5, "YAxisDetailsC", TQvAxisPosition::Left, QStringLiteral("b"), ClDarkRed);
    QvGraph2D3->SetPrimaryXAxis(XAxisDetailsA);
    QvGraph2D3->SetPrimaryYAxis(YAxisDetailsA);
    QvGraph2D4->SetPrimaryXAxis(XAxisDetailsB);
    QvGraph2D4->SetPrimaryYAxis(YAxisDetailsB);
    QvGraph2D5->SetPrimaryXAxis(XAxisDetailsC);
    QvGraph2D5->SetPrimaryYAxis(YAxisDetailsC);

    auto newVector = [this](const char* aName) {
        auto* v = new TQvDoubleVector(this);
        v->setObjectName(QString::fromLatin1(aName));
        v->SetPersistentValues(false);
        v->SetIncrement(128);
        v->SetCapacity(128);
        return v;
    };
    QvDoubleVectorDetailsAlogpO2 = newVector("QvDoubleVectorDetailsAlogpO2");
    QvDoubleVectorDetailsAlogpO2y = newVector("QvDoubleVectorDetailsAlogpO2y");
    QvDoubleVectorDetailsAlogy = newVector("QvDoubleVectorDetailsAlogy");
    QvDoubleVectorDetailsB = newVector("QvDoubleVectorDetailsB");
    QvDoubleVectorDetailsC = newVector("QvDoubleVectorDetailsC");

    auto newDetailSeries = [this](const char* aName, TQvAxis* aX, TQvAxis* aY, TQvDoubleVector* aXData,
                                  TQvDoubleVector* aYData) {
        auto* s = new TQvPointSeries(this);
        s->setObjectName(QString::fromLatin1(aName));
        s->SetVisible(true);
        s->SetIncludeInLegend(true);
        s->SetAutoUpdate(true);
        s->Line()->SetColor(ClRed);
        s->Line()->SetWidth(1.0);
        s->Line()->SetVisible(true);
        s->Area()->SetVisible(false);
        s->PointSymbol()->SetVisible(true);
        s->PointSymbol()->SetPointSymbol(TQvPointSymbol::Circle);
        s->PointSymbol()->SetSize(11);
        s->PointSymbol()->SetBorderColor(ClBlue);
        s->PointSymbol()->SetFillColor(ClBlue);
        s->PointSymbol()->SetBorderLineWidth(1.0);
        s->SetXData(aXData);
        s->SetYData(aYData);
        s->SetXAxis(aX);
        s->SetYAxis(aY);
        return s;
    };
    // "log |y|" and "y" have a point only where the step has a log|y| cell (not the start set):
    // their X vector holds the log pO2 of exactly those steps, so that each point stands at its
    // own step. "b" has a point for every plotted step.
    QvPointSeriesDetailsA = newDetailSeries("QvPointSeriesDetailsA", XAxisDetailsA, YAxisDetailsA,
                                            QvDoubleVectorDetailsAlogpO2y, QvDoubleVectorDetailsAlogy);
    QvPointSeriesDetailsB = newDetailSeries("QvPointSeriesDetailsB", XAxisDetailsB, YAxisDetailsB,
                                            QvDoubleVectorDetailsAlogpO2y, QvDoubleVectorDetailsB);
    QvPointSeriesDetailsC = newDetailSeries("QvPointSeriesDetailsC", XAxisDetailsC, YAxisDetailsC,
                                            QvDoubleVectorDetailsAlogpO2, QvDoubleVectorDetailsC);

    // From here on every change of a chart property is recorded on the one shared stack.
    for (TQvGraph2D* g : {QvGraph2D1, QvGraph2D2, QvGraph2D3, QvGraph2D4, QvGraph2D5})
        g->SetUndoStack(QvUndoStack1);

    // Every graph reads its values out in the status bar while the mouse is over it.
    for (TQvGraph2D* g : {QvGraph2D1, QvGraph2D2, QvGraph2D3, QvGraph2D4, QvGraph2D5}) {
        g->SetHoverReadout(true);
        connect(g, &TQvGraph2D::OnHover, this, [this](const TQvHoverInfo& aInfo) {
            // The nearest point first: the room left for the axes follows from its width.
            LabelHoverPoint->setText(QvHoverPointText(aInfo));
            StatusBar1->layout()->activate();
            const QString axes = QvHoverAxesText(aInfo);
            LabelHoverAxes->setText(FitHoverAxes(aInfo, axes));
            LabelHoverAxes->setToolTip(axes);
        });
        connect(g, &TQvGraph2D::OnHoverLeave, this, [this] {
            LabelHoverAxes->clear();
            LabelHoverAxes->setToolTip(QString());
            LabelHoverPoint->clear();
        });
    }

    connect(QvGraph2D1, &TQvGraph2D::OnMouseDown, this,
            [this](QMouseEvent* e) { WPVGuarded([this, e] { QvGraph2D1MouseDown(e); }); });
    connect(QvGraph2D2, &TQvGraph2D::OnMouseDown, this,
            [this](QMouseEvent* e) { WPVGuarded([this, e] { QvGraph2D2MouseDown(e); }); });
}

// ------------------------------------------------------------------------------------------
// Creation and destruction

void TFormWPVData::FormCreate()
{
    qCInfo(lcForm) << "Initialization";
    PageControl1->setCurrentIndex(0);
    fFiles.clear();
    Memo2->setPlainText(QString::fromUtf8(HelpText));
    FormatGrid();
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    const int screenHeight = s ? s->geometry().height() : 768;
    const int upper = int(std::lround(screenHeight * 0.7));
    Panel4->resize(Panel4->width(), upper);
    Splitter1->setSizes({upper, std::max(Panel3MinHeight, height() - upper)});
    InitColStructure(false);
}

void TFormWPVData::FormDestroy()
{
    // The files free their steps, vectors and series; the graphs only displayed them.
    fFiles.clear();
}

void TFormWPVData::FormatGrid()
{
    StringGridData->setColumnCount(16);
    for (const RColInfo& c : ColInfos) {
        const int column = c.ColID;
        if (column < 0 || column >= 16 || c.Caption.isEmpty())
            continue;
        StringGridData->setHorizontalHeaderItem(column, new QTableWidgetItem(c.Caption));
        StringGridData->setColumnWidth(column, c.ColWidth);
    }
}

QString TFormWPVData::DefaultDataFolder()
{
    // A folder that does not exist would make the dialog start elsewhere with the folder's name
    // typed in as the file name.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
}

// ------------------------------------------------------------------------------------------
// Adding files

void TFormWPVData::ButtonOpenFileClick()
{
    const QString folder =
        !fLastFolder.isEmpty() && QFileInfo(fLastFolder).isDir() ? fLastFolder : DefaultDataFolder();
    QString name;
    if (ChooseFile)
        name = ChooseFile(folder);
    else
        name = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder, QString());
    if (name.isEmpty())
        return;
    fLastFolder = QFileInfo(name).absolutePath();
    AddFileByName(name);
}

void TFormWPVData::AddFiles(const QStringList& aFileNames)
{
    for (const QString& name : aFileNames)
        WPVGuarded([&] { AddFileByName(name); });
}

void TFormWPVData::AddFileByName(const QString& aFileName)
{
    TWaitCursor wait;
    const int n = ++fFileCounter;
    // The file is read once: the loader and the "Source file" text share its bytes, so they
    // always agree, and pipes and FIFOs work as well as files.
    auto owned = std::make_unique<TWPVDataFromFile>();
    std::unique_ptr<TWPVSourceText> sourceText;
    try {
        if (KeepSourceText) {
            std::shared_ptr<const TWPVText> text = TWPVText::Read(aFileName);
            owned->OccupyFromText(aFileName, text);
            sourceText = std::make_unique<TWPVSourceText>(std::move(text));
        } else {
            owned->OccupyFromFile(aFileName);
        }
    } catch (const EWPVNotDataFile&) {
        // Not an instrument file at all: refused without using up a file number.
        --fFileCounter;
        throw;
    }
    TVariables v = owned->VOrig();
    v.FileNumber = n;
    owned->SetVActiv(v);
    owned->SetVOrig(v);
    owned->SetVOver(v);
    UpdateVariables(*owned);
    owned->InterSetActions();

    fFiles.push_back(std::move(owned));
    TWPVDataFromFile& file = *fFiles.back();
    AttachFileSeries(file);

    {
        TNoUpdates noUpdates1(ListBox1);
        TNoUpdates noUpdates2(ListBox2);
        for (int i = 0; i < file.DataSetCount(); ++i) {
            TWPVDataSet& step = *file.DataSet(i);
            step.aFile = &file;
            AttachStepSeries(step, n);
            const QString text = StepListText(n, step);
            for (QListWidget* list : {static_cast<QListWidget*>(ListBox1), static_cast<QListWidget*>(ListBox2)}) {
                auto* item = new QListWidgetItem(text, list);
                item->setData(ItemObjectRole, QVariant::fromValue<quintptr>(quintptr(&step)));
                // The list may be too narrow for the whole text.
                item->setToolTip(text);
            }
            Memo1->setPlainText(WPVFileSummary(&file, false));
        }
    }
    ListBoxFileOccupy();
    if (sourceText) {
        // AddFileToMemo with the text the loader read.
        TNoUpdates noUpdates(Memo4);
        Memo4->AppendText(std::move(sourceText));
    }
    if (file.DataSetCount() > 0) {
        CheckBoxOverrides->setChecked(false);
        LoadOverrideEdits(file.VOrig());
    }
    SetRecent(WPVRecentAfterAdding(fRecent, aFileName));
}

void TFormWPVData::AttachFileSeries(TWPVDataFromFile& aFile)
{
    TWPVFileChart& c = ChartOf(aFile);
    // Styled before they are attached: the styling of a new file is not an undoable edit.
    const struct
    {
        TQvPointSeries* Series;
        TQvAxis* YAxis;
        TQvColor Color;
    } rows[] = {
        {c.SE_Steps_Charge.get(), QvAxisCharges, ClBlue},
        {c.SE_Steps_Leakage.get(), YAxisLeakage, ClRed},
        {c.SE_Steps_Voltage.get(), QvAxisVoltage, ClGreen},
    };
    for (const auto& r : rows) {
        r.Series->Line()->SetColor(r.Color);
        r.Series->PointSymbol()->SetFillColor(r.Color);
        r.Series->SetXAxis(XAxisLogpO2);
        r.Series->SetYAxis(r.YAxis);
    }
}

void TFormWPVData::AttachStepSeries(TWPVDataSet& aStep, int aFileNumber)
{
    TWPVStepChart& c = ChartOf(aStep);
    const double width = aFileNumber + 1;
    StyleSeries(c.SE_Vis_Current.get(), ClBlack, width, false);
    StyleSeries(c.SE_Vis_Leakage.get(), ClRed, width, false);
    StyleSeries(c.SE_Vis_Charge.get(), ClGreen, width, false);
    StyleSeries(c.SE_Vis_LogpO2.get(), ClBlue, width, false);
    StyleSeries(c.SE_Vis_PumppO.get(), ClBlue, width, true);
    NameSeries(aStep);
    for (TQvPointSeries* s : c.Series())
        s->SetXAxis(XAxis1);
    c.SE_Vis_Current->SetYAxis(YAxis1);
    c.SE_Vis_Leakage->SetYAxis(YAxis1);
    c.SE_Vis_Charge->SetYAxis(YAxis1);
    c.SE_Vis_LogpO2->SetYAxis(QvAxispO2);
    c.SE_Vis_PumppO->SetYAxis(QvAxispO2);
}

void TFormWPVData::LoadOverrideEdits(const TVariables& aVariables)
{
    const TOverrideValues v = OverrideValuesFromFile(aVariables);
    QvDoubleEditVhpws->SetValue(ShortestSingle(v.Vhpws));
    QvDoubleEditVgp->SetValue(ShortestSingle(v.Vgp));
    QvDoubleEditTl->SetValue(ShortestSingle(v.Tl));
    QvDoubleEditCustomLLS->SetValue(ShortestSingle(v.RCDuration));
    QvDoubleEditOverridebs->SetValue(ShortestSingle(v.BS));
    QvDoubleEditOverrideb0->SetValue(ShortestSingle(v.BOx));
    QvDoubleEditOverridem0->SetValue(ShortestSingle(v.MZero));
    QvDoubleEditOverrideAlpha->SetValue(ShortestSingle(v.Alpha));
    QvDoubleEditOverridepO2ref->SetValue(ShortestSingle(v.FGpO2));
}

TOverrideValues TFormWPVData::OverrideValues() const
{
    TOverrideValues v;
    v.Vhpws = QvDoubleEditVhpws->Value();
    v.Vgp = QvDoubleEditVgp->Value();
    v.Tl = QvDoubleEditTl->Value();
    v.RCDuration = QvDoubleEditCustomLLS->Value();
    v.BS = QvDoubleEditOverridebs->Value();
    v.BOx = QvDoubleEditOverrideb0->Value();
    v.MZero = QvDoubleEditOverridem0->Value();
    v.Alpha = QvDoubleEditOverrideAlpha->Value();
    v.FGpO2 = QvDoubleEditOverridepO2ref->Value();
    return v;
}

void TFormWPVData::UpdateVariables(TWPVDataFromFile& aFile)
{
    ::UpdateVariables(aFile, CheckBoxOverrides->isChecked(), OverrideValues());
}

void TFormWPVData::ListBoxFileOccupy()
{
    if (fFiles.empty())
        return;
    TWPVDataFromFile& file = *fFiles.back();
    const QString text = FileListText(file);
    // The lists are narrow: the tooltip has the whole text and the file it came from.
    const QString tip = text + u'\n' + WPVDisplayFileName(file.VOrig().FileName);
    for (QListWidget* list : {static_cast<QListWidget*>(ListBoxFiles), static_cast<QListWidget*>(ListBox3)}) {
        auto* item = new QListWidgetItem(text, list);
        item->setData(ItemObjectRole, QVariant::fromValue<quintptr>(quintptr(&file)));
        item->setToolTip(tip);
    }
}

void TFormWPVData::AddFileToMemo(const QString& aFile)
{
    TWaitCursor wait;
    TNoUpdates noUpdates(Memo4);
    Memo4->AppendFile(aFile);
}

void TFormWPVData::ListBoxFilesClick()
{
    QListWidgetItem* item = ListBoxFiles->currentItem();
    if (!item || !item->isSelected())
        return;
    Memo1->setPlainText(WPVFileSummary(FileOfItem(item), false));
}

TWPVDataSet* TFormWPVData::StepOfItem(QListWidgetItem* aItem) const
{
    return aItem ? reinterpret_cast<TWPVDataSet*>(aItem->data(ItemObjectRole).value<quintptr>()) : nullptr;
}

TWPVDataFromFile* TFormWPVData::FileOfItem(QListWidgetItem* aItem) const
{
    return aItem ? reinterpret_cast<TWPVDataFromFile*>(aItem->data(ItemObjectRole).value<quintptr>()) : nullptr;
}

// ------------------------------------------------------------------------------------------
// The step pages

void TFormWPVData::ListBox1Click()
{
    QvGraph2D1->BeginUpdate();
    struct TEnd
    {
        TQvGraph2D* g;
        ~TEnd() { g->EndUpdate(); }
    } end{QvGraph2D1};

    for (auto& file : fFiles)
        for (int i = 0; i < file->DataSetCount(); ++i)
            ClearStepView(*file->DataSet(i));
    int item = 0;
    for (auto& file : fFiles) {
        UpdateVariables(*file);
        file->InterSetActions();
        bool reserved = false;
        for (int i = 0; i < file->DataSetCount(); ++i, ++item) {
            QListWidgetItem* it = ListBox1->item(item);
            if (it && it->isSelected()) {
                // Room for every step at once: a long step would otherwise grow its six
                // vectors by copying them over and over the first time it is shown.
                if (!reserved)
                    ReserveStepViews(*file);
                reserved = true;
                FillStepView(*file->DataSet(i));
            }
        }
    }
    if (QListWidgetItem* focused = ListBox1->currentItem()) {
        Label3->setText(focused->text());
        if (TWPVDataSet* step = StepOfItem(focused))
            QvDashStylesList1->SetDashStyle(ChartOf(*step).SE_Vis_Current->Line()->DashStyle());
    }
}

void TFormWPVData::QvDashStylesList1Click()
{
    TWPVDataSet* step = StepOfItem(ListBox1->currentItem());
    if (!step)
        return;
    const auto style = TDashStyle(QvDashStylesList1->GetDashStyle());
    TWPVStepChart& c = ChartOf(*step);
    const int fileNumber = step->aFile ? step->aFile->VOrig().FileNumber : 0;
    TWPVUndoStep undo(QvUndoStack1, QStringLiteral("Line dash style: ") + SeriesCaptionBase(fileNumber, *step));
    for (TQvPointSeries* s : {c.SE_Vis_Current.get(), c.SE_Vis_Leakage.get(), c.SE_Vis_Charge.get(), c.SE_Vis_LogpO2.get()})
        s->Line()->SetDashStyle(style);
}

void TFormWPVData::ListBox2Click()
{
    for (auto& file : fFiles)
        ClearStepComparison(*file);
    int item = 0;
    for (auto& file : fFiles)
        for (int i = 0; i < file->DataSetCount(); ++i, ++item) {
            QListWidgetItem* it = ListBox2->item(item);
            if (it && it->isSelected()) {
                TWPVDataSet& step = *file->DataSet(i);
                step.SumsPre();
                AddStepComparison(*file, step);
            }
        }
    if (QListWidgetItem* focused = ListBox2->currentItem())
        if (TWPVDataSet* step = StepOfItem(focused)) {
            Label4->setText(QStringLiteral("All of FN:") + QString::number(step->aFile->VActiv().FileNumber));
            QvPointSymbolsList1->SetSymbol(ChartOf(*step).SE_Vis_Current->PointSymbol()->PointSymbol());
        }
}

void TFormWPVData::QvPointSymbolsList1Click()
{
    TWPVDataSet* step = StepOfItem(ListBox2->currentItem());
    if (!step || !step->aFile)
        return;
    const TQvPointSymbol symbol = QvPointSymbolsList1->Symbol();
    TWPVUndoStep undo(QvUndoStack1, QStringLiteral("Point symbol: FN:") + QString::number(step->aFile->VOrig().FileNumber));
    for (TQvPointSeries* s : ChartOf(*step->aFile).Series())
        s->PointSymbol()->SetPointSymbol(symbol);
}

void TFormWPVData::QvGraph2D1MouseDown(QMouseEvent* e)
{
    if (e && e->button() == Qt::RightButton) {
        QvGraphSettingsTool1->SetGraph(QvGraph2D1);
        QvGraphSettingsTool1->Show();
    }
}

void TFormWPVData::QvGraph2D2MouseDown(QMouseEvent* e)
{
    if (e && e->button() == Qt::RightButton) {
        QvGraphSettingsTool1->SetGraph(QvGraph2D2);
        QvGraphSettingsTool1->Show();
    }
}

// ------------------------------------------------------------------------------------------
// The details page

void TFormWPVData::ListBox3Click()
{
    QListWidgetItem* item = ListBox3->currentItem();
    if (!item || !item->isSelected())
        return;
    TWPVDataFromFile* file = FileOfItem(item);
    if (!file)
        return;
    UpdateVariables(*file);
    file->InterSetActions();
    ShowSetData(*file);
}

void TFormWPVData::InitColStructure(bool aClearAll)
{
    if (fColumns.empty())
        ::InitColStructure(fColumns, false, -1);
    TNoUpdates noUpdates(ListBox4);
    const QSignalBlocker block(ListBox4);
    if (ListBox4->count() == 0) {
        for (const TColData& c : fColumns)
            new QListWidgetItem(c.Name, ListBox4);
    } else {
        QListWidgetItem* focused = ListBox4->currentItem();
        ::InitColStructure(fColumns, aClearAll, focused ? ListBox4->row(focused) : -1);
    }
    for (int i = 0; i < ListBox4->count() && i < int(fColumns.size()); ++i)
        ListBox4->item(i)->setSelected(fColumns[i].Visible);
}

void TFormWPVData::ListBox4MouseUp(Qt::MouseButton aButton)
{
    InitColStructure(aButton == Qt::RightButton);
    ListBox3Click();
}

void TFormWPVData::ListBox4KeyUp()
{
    bool changed = false;
    for (int i = 0; i < ListBox4->count() && i < int(fColumns.size()); ++i) {
        const bool shown = ListBox4->item(i)->isSelected();
        changed = changed || fColumns[i].Visible != shown;
        fColumns[i].Visible = shown;
    }
    // Moving the focus through the list changes no column and leaves the page alone.
    if (changed)
        ListBox3Click();
}

void TFormWPVData::ShowSetData(TWPVDataFromFile& aFile)
{
    const TDetailsPage page = ::ShowSetData(aFile, fColumns, QvIntegerEditStartSet->Value());
    QString text = page.Text();
    if (text.endsWith(u'\n'))
        text.chop(1);
    Memo3->setPlainText(text);
    QvDoubleVectorDetailsAlogpO2->Clear();
    QvDoubleVectorDetailsAlogpO2y->Clear();
    QvDoubleVectorDetailsAlogy->Clear();
    QvDoubleVectorDetailsB->Clear();
    QvDoubleVectorDetailsC->Clear();
    QvDoubleVectorDetailsAlogpO2->AddRange(page.AlogpO2);
    QvDoubleVectorDetailsAlogpO2y->AddRange(page.AlogpO2y);
    QvDoubleVectorDetailsAlogy->AddRange(page.Alogy);
    QvDoubleVectorDetailsB->AddRange(page.B);
    QvDoubleVectorDetailsC->AddRange(page.C);
}

void TFormWPVData::Button1Click()
{
    const QString text = RemoveBlanks(Memo3->toPlainText());
    Memo3->setPlainText(text);
    QApplication::clipboard()->setText(text);
}

void TFormWPVData::ButtonSaveTableClick()
{
    const QString text = RemoveBlanks(Memo3->toPlainText());
    if (text.isEmpty())
        throw std::runtime_error("There is no table to save: choose a file in the list on the Details page first.");
    QString suggested = QStringLiteral("details.txt");
    if (TWPVDataFromFile* file = FileOfItem(ListBox3->currentItem()))
        suggested = QFileInfo(file->VOrig().FileName).completeBaseName() + QStringLiteral(" details.txt");
    const QString folder =
        !fLastFolder.isEmpty() && QFileInfo(fLastFolder).isDir() ? fLastFolder : DefaultDataFolder();
    suggested = QDir(folder).filePath(suggested);
    const QString name = ChooseSaveFile
        ? ChooseSaveFile(suggested)
        : QFileDialog::getSaveFileName(this, QStringLiteral("Save table"), suggested,
                                       QStringLiteral("Text files (*.txt);;All files (*)"));
    if (name.isEmpty())
        return;
    WPVSaveTextFile(name, text);
    StatusBar1->showMessage(QStringLiteral("Table saved to %1").arg(QDir::toNativeSeparators(name)), 5000);
}

// ------------------------------------------------------------------------------------------
// The session

namespace {

// Keys of the session settings.
const QString KeyGeometry = QStringLiteral("Window/Geometry");
const QString KeyMaximized = QStringLiteral("Window/Maximized");
const QString KeySplitter = QStringLiteral("Window/DetailsSplitter");
const QString KeyPage = QStringLiteral("Window/Page");
const QString KeyFolder = QStringLiteral("Files/LastFolder");
const QString KeyRecent = QStringLiteral("Files/Recent");
const QString KeyColumns = QStringLiteral("Details/Columns");

// A stored value as a list of texts, or nothing when it is not one.
bool ReadStringList(const QVariant& aValue, QStringList& aList)
{
    if (aValue.typeId() == QMetaType::QStringList) {
        aList = aValue.toStringList();
        return true;
    }
    if (aValue.typeId() == QMetaType::QString) {
        // An ini file gives back a list of one as a plain text, and an empty list as "".
        const QString text = aValue.toString();
        aList = text.isEmpty() ? QStringList() : QStringList{text};
        return true;
    }
    return false;
}

} // namespace

void TFormWPVData::LoadSession()
{
    fSessionLoaded = true;
    const std::unique_ptr<QSettings> settings = WPVOpenSettings();
    if (!settings || settings->status() != QSettings::NoError)
        return;
    // Each value is checked on its own: one that cannot be read keeps its default.
    const QVariant geometry = settings->value(KeyGeometry);
    if (geometry.typeId() == QMetaType::QByteArray)
        restoreGeometry(geometry.toByteArray());
    const QVariant maximized = settings->value(KeyMaximized);
    if (maximized.typeId() == QMetaType::Bool)
        fStartMaximized = maximized.toBool();
    else if (maximized.typeId() == QMetaType::QString
             && (maximized.toString() == QLatin1String("true") || maximized.toString() == QLatin1String("false")))
        fStartMaximized = maximized.toString() == QLatin1String("true");
    const QVariant splitter = settings->value(KeySplitter);
    if (splitter.typeId() == QMetaType::QByteArray)
        Splitter1->restoreState(splitter.toByteArray());
    bool ok = false;
    const int page = settings->value(KeyPage).toString().toInt(&ok);
    if (ok && page >= 0 && page < PageControl1->count())
        PageControl1->setCurrentIndex(page);
    const QVariant folder = settings->value(KeyFolder);
    if (folder.typeId() == QMetaType::QString && QFileInfo(folder.toString()).isDir())
        fLastFolder = folder.toString();
    QStringList recent;
    if (ReadStringList(settings->value(KeyRecent), recent)) {
        recent.removeAll(QString());
        fRecent = recent.mid(0, WPVRecentCount);
        ShowRecent();
    }
    QStringList columns;
    if (settings->contains(KeyColumns) && ReadStringList(settings->value(KeyColumns), columns)) {
        for (TColData& c : fColumns)
            c.Visible = columns.contains(c.Name);
        const QSignalBlocker block(ListBox4);
        for (int i = 0; i < ListBox4->count() && i < int(fColumns.size()); ++i)
            ListBox4->item(i)->setSelected(fColumns[i].Visible);
    }
}

void TFormWPVData::SaveSession()
{
    if (!fSessionLoaded)
        return;
    const std::unique_ptr<QSettings> settings = WPVOpenSettings();
    if (!settings)
        return;
    settings->setValue(KeyGeometry, saveGeometry());
    settings->setValue(KeyMaximized, isMaximized());
    settings->setValue(KeySplitter, Splitter1->saveState());
    settings->setValue(KeyPage, PageControl1->currentIndex());
    settings->setValue(KeyFolder, fLastFolder);
    settings->setValue(KeyRecent, fRecent);
    QStringList columns;
    for (const TColData& c : fColumns)
        if (c.Visible)
            columns << c.Name;
    settings->setValue(KeyColumns, columns);
}

void TFormWPVData::SetRecent(const QStringList& aRecent)
{
    fRecent = aRecent;
    ShowRecent();
    // The list is written at once: a run that ends without closing the window keeps it too.
    if (!fSessionLoaded)
        return;
    if (const std::unique_ptr<QSettings> settings = WPVOpenSettings())
        settings->setValue(KeyRecent, fRecent);
}

void TFormWPVData::ShowRecent()
{
    const QSignalBlocker block(ListBoxRecent);
    ListBoxRecent->clear();
    for (const QString& name : fRecent) {
        auto* item = new QListWidgetItem(QFileInfo(name).fileName(), ListBoxRecent);
        item->setToolTip(QDir::toNativeSeparators(name));
        item->setData(Qt::UserRole, name);
    }
}

void TFormWPVData::ListBoxRecentClick(QListWidgetItem* aItem)
{
    if (!aItem)
        return;
    const QString name = aItem->data(Qt::UserRole).toString();
    if (!QFileInfo(name).isFile()) {
        QStringList recent = fRecent;
        recent.removeAll(name);
        SetRecent(recent);
        throw std::runtime_error(QStringLiteral("The file \"%1\" no longer exists; it has been taken off the recent files.")
                                     .arg(QDir::toNativeSeparators(name))
                                     .toStdString());
    }
    AddFileByName(name);
}

void TFormWPVData::closeEvent(QCloseEvent* e)
{
    SaveSession();
    QWidget::closeEvent(e);
}

void TFormWPVData::Panel3Resize()
{
    Panel3Resize(Panel3->width(), Panel3->height());
}

void TFormWPVData::Panel3Resize(int aWidth, int aHeight)
{
    const int third = int(std::lround(aWidth / 3.0));
    QvGraph2D3->setGeometry(0, 0, third, aHeight);
    QvGraph2D4->setGeometry(int(std::lround(aWidth / 3.0)), 0, third, aHeight);
    QvGraph2D5->setGeometry(int(std::lround(aWidth / 3.0 * 2)), 0, third, aHeight);
}

// ------------------------------------------------------------------------------------------
// Window events

bool TFormWPVData::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    if (aWatched == Panel3 && aEvent->type() == QEvent::Resize)
        Panel3Resize();
    else if (aWatched == ListBoxRecent && aEvent->type() == QEvent::KeyPress
             && (static_cast<QKeyEvent*>(aEvent)->key() == Qt::Key_Return
                 || static_cast<QKeyEvent*>(aEvent)->key() == Qt::Key_Enter)) {
        WPVGuarded([this] { ListBoxRecentClick(ListBoxRecent->currentItem()); });
        return true;
    } else if (aWatched == CheckBoxOverrides && aEvent->type() == QEvent::KeyRelease
             && !static_cast<QKeyEvent*>(aEvent)->isAutoRepeat())
        WPVGuarded([this] { CheckBoxOverridesKeyUp(); });
    return QWidget::eventFilter(aWatched, aEvent);
}

void TFormWPVData::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasUrls())
        for (const QUrl& url : e->mimeData()->urls())
            if (url.isLocalFile()) {
                e->acceptProposedAction();
                return;
            }
}

void TFormWPVData::dropEvent(QDropEvent* e)
{
    QStringList names;
    // The names keep the bytes of the URL: a name that is not UTF-8 still opens.
    for (const QUrl& url : e->mimeData()->urls())
        if (url.isLocalFile())
            names << WPVLocalFileOfUrl(url);
    if (names.isEmpty())
        return;
    e->acceptProposedAction();
    AddFiles(names);
}

QString TFormWPVData::FitHoverAxes(const TQvHoverInfo& aInfo, const QString& aText) const
{
    // Too long for the room left of the nearest point: the axes' captions are shortened alike,
    // the values stay whole.
    const QFontMetrics metrics(LabelHoverAxes->font());
    const int room = LabelHoverAxes->contentsRect().width();
    if (aInfo.Axes.empty() || room <= 0 || metrics.horizontalAdvance(aText) <= room)
        return aText;
    const QString gap = QStringLiteral("   ");
    QStringList values;
    int fixed = metrics.horizontalAdvance(gap) * int(aInfo.Axes.size() - 1);
    for (const TQvHoverAxisValue& v : aInfo.Axes) {
        values << QStringLiteral(" = ") + QvHoverAxisText(v);
        fixed += metrics.horizontalAdvance(values.back());
    }
    const int each = std::max(metrics.averageCharWidth() * 6, (room - fixed) / int(aInfo.Axes.size()));
    QStringList parts;
    for (qsizetype i = 0; i < values.size(); ++i)
        parts << metrics.elidedText(aInfo.Axes[std::size_t(i)].Caption, Qt::ElideRight, each) + values[i];
    return parts.join(gap);
}

QString TFormWPVData::HoverReadout() const
{
    QString text = LabelHoverAxes->toolTip();
    if (!LabelHoverPoint->text().isEmpty())
        text += QStringLiteral("   |   ") + LabelHoverPoint->text();
    return text;
}
