#include "QvGraphSettingsDialog.h"

#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvRichCaption.h"
#include "QvPropertyEditor.h"
#include "QvSeries.h"
#include "QvUndoStack.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TQvGraphSettingsDialog::TSaveFileNameAsker& SaveFileNameAsker()
{
    static TQvGraphSettingsDialog::TSaveFileNameAsker Asker;
    return Asker;
}

QString AskSaveFileName(QWidget* Parent)
{
    if (SaveFileNameAsker())
        return SaveFileNameAsker()(Parent);
    const QString png = QStringLiteral("PNG image (*.png)");
    const QString svg = QStringLiteral("SVG image (*.svg)");
    const QString pdf = QStringLiteral("PDF document (*.pdf)");
    QString filter = png;
    QString name = QFileDialog::getSaveFileName(Parent, QStringLiteral("Save image"), QString(),
                                                QStringList{png, svg, pdf}.join(QStringLiteral(";;")),
                                                &filter);
    if (name.isEmpty())
        return name;
    // A name without one of the three suffixes gets the one of the chosen file type.
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg") && suffix != QLatin1String("pdf"))
        name += filter == svg ? QStringLiteral(".svg") : filter == pdf ? QStringLiteral(".pdf") : QStringLiteral(".png");
    return name;
}

QScrollArea* Scrolled(QWidget* w)
{
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(w);
    return area;
}

// A caption as the graph shows it: markup and placeholders rendered to plain text.
QString PlainCaption(const QString& Caption, const QObject* Owner)
{
    const QString c = Caption.trimmed();
    if (c.isEmpty())
        return c;
    return QvRichCaptionPlainText(QvExpandCaptionPlaceholders(c, Owner)).simplified();
}

QString PositionText(TQvAxisPosition p)
{
    switch (p) {
    case TQvAxisPosition::Bottom:
        return QStringLiteral("bottom");
    case TQvAxisPosition::Left:
        return QStringLiteral("left");
    case TQvAxisPosition::Top:
        return QStringLiteral("top");
    case TQvAxisPosition::Right:
        return QStringLiteral("right");
    }
    return {};
}

// A page that edits one object of a kind chosen in a drop-down above its sheet.
struct TChooserPage
{
    QWidget* Page = nullptr;
    QComboBox* Choice = nullptr;
    QLabel* None = nullptr;
    TQvPropertyEditor* Editor = nullptr;
};

TChooserPage ChooserPage(const QString& Label, const QString& NoneText)
{
    TChooserPage p;
    p.Page = new QWidget;
    auto* lay = new QVBoxLayout(p.Page);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(Label);
    p.Choice = new QComboBox;
    p.Choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    p.Choice->setMinimumContentsLength(20);
    p.Choice->setFocusPolicy(Qt::StrongFocus);
    label->setBuddy(p.Choice);
    row->addWidget(label);
    row->addWidget(p.Choice, 1);
    lay->addLayout(row);
    if (!NoneText.isEmpty()) {
        p.None = new QLabel(NoneText);
        lay->addWidget(p.None);
    }
    p.Editor = new TQvPropertyEditor;
    lay->addWidget(Scrolled(p.Editor), 1);
    return p;
}

QString StepText(const QString& Comment)
{
    return Comment.isEmpty() ? QStringLiteral("(no description)") : Comment;
}

} // namespace

TQvGraphSettingsDialog::TQvGraphSettingsDialog(QWidget* Parent) : QDialog(Parent)
{
    setModal(false);
    setSizeGripEnabled(true);
    setWindowTitle(QStringLiteral("Graph settings"));

    auto provider = [this](QObject* Obj, const QByteArray& Name) {
        TQvPropertyEditor::TReferenceChoice choice;
        auto* g = qobject_cast<TQvGraph2D*>(FGraph.data());
        if (!g)
            return choice;
        const bool axisRef = Name == "PrimaryXAxis" || Name == "PrimaryYAxis" || Name == "XAxis" ||
                             Name == "YAxis" || Name == "MasterAxis";
        if (!axisRef)
            return choice;
        for (TQvAxis* a : g->Axes())
            if (a != Obj)
                choice.Candidates.append(a);
        choice.AllowNone = Name == "MasterAxis";
        return choice;
    };

    FPages = new QTabWidget;

    FGraphEditor = new TQvPropertyEditor;
    FGraphEditor->SetReferenceProvider(provider);
    FPages->addTab(Scrolled(FGraphEditor), QStringLiteral("&Graph"));

    const TChooserPage axes = ChooserPage(QStringLiteral("A&xis:"), QString());
    FAxisChoice = axes.Choice;
    FAxisEditor = axes.Editor;
    FAxisEditor->SetReferenceProvider(provider);
    FPages->addTab(axes.Page, QStringLiteral("&Axes"));

    const TChooserPage series = ChooserPage(QStringLiteral("S&eries:"), QStringLiteral("The graph shows no series."));
    FSeriesChoice = series.Choice;
    FSeriesEditor = series.Editor;
    FNoSeries = series.None;
    FSeriesEditor->SetReferenceProvider(provider);
    FPages->addTab(series.Page, QStringLiteral("&Series"));

    const TChooserPage legends = ChooserPage(QStringLiteral("Lege&nd:"), QStringLiteral("The graph has no legend."));
    FLegendChoice = legends.Choice;
    FLegendEditor = legends.Editor;
    FNoLegend = legends.None;
    FPages->addTab(legends.Page, QStringLiteral("&Legends"));

    // Undo entries name the object an edit changed.
    FGraphEditor->SetObjectNamer([this](QObject*) {
        if (!FGraph)
            return QString();
        const QString c = PlainCaption(FGraph->Caption(), FGraph);
        return c.isEmpty() ? FGraph->objectName() : c;
    });
    FAxisEditor->SetObjectNamer([this](QObject* o) {
        auto* a = qobject_cast<TQvAxis*>(o);
        return a ? QStringLiteral("Axis %1").arg(AxisText(a)) : QString();
    });
    FSeriesEditor->SetObjectNamer([this](QObject* o) {
        auto* se = qobject_cast<TQvSeries*>(o);
        return se ? SeriesText(se) : QString();
    });
    FLegendEditor->SetObjectNamer([this](QObject* o) {
        auto* l = qobject_cast<TQvGraphLegendBase*>(o);
        return l ? LegendText(l) : QString();
    });

    // Undo and redo lists beside the pages.
    auto* history = new QWidget;
    auto* histLay = new QVBoxLayout(history);
    histLay->setContentsMargins(0, 0, 0, 0);
    auto* undoLabel = new QLabel(QStringLiteral("&Undo list"));
    FUndoList = new QListWidget;
    undoLabel->setBuddy(FUndoList);
    FUndoButton = new QPushButton(QStringLiteral("Undo"));
    FUndoButton->setToolTip(QStringLiteral("Undoes the chosen step and every newer one (Ctrl+Z: the newest step)"));
    auto* redoLabel = new QLabel(QStringLiteral("&Redo list"));
    FRedoList = new QListWidget;
    redoLabel->setBuddy(FRedoList);
    FRedoButton = new QPushButton(QStringLiteral("Redo"));
    FRedoButton->setToolTip(QStringLiteral("Redoes the chosen step and every newer one (Ctrl+Y: the newest step)"));
    histLay->addWidget(undoLabel);
    histLay->addWidget(FUndoList, 1);
    histLay->addWidget(FUndoButton);
    histLay->addSpacing(8);
    histLay->addWidget(redoLabel);
    histLay->addWidget(FRedoList, 1);
    histLay->addWidget(FRedoButton);

    auto* split = new QSplitter(Qt::Horizontal);
    split->addWidget(FPages);
    split->addWidget(history);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);

    FSaveImageButton = new QPushButton(QStringLiteral("Save image..."));
    auto* close = new QPushButton(QStringLiteral("Close"));
    // Enter in an edit takes its value over; it must not press a button of the dialog.
    for (QPushButton* b : {FUndoButton, FRedoButton, FSaveImageButton, close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(FSaveImageButton);
    bottom->addStretch();
    bottom->addWidget(close);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(split, 1);
    lay->addLayout(bottom);

    connect(FAxisChoice, &QComboBox::activated, this, &TQvGraphSettingsDialog::ChooseAxis);
    connect(FSeriesChoice, &QComboBox::activated, this, &TQvGraphSettingsDialog::ChooseSeries);
    connect(FLegendChoice, &QComboBox::activated, this, &TQvGraphSettingsDialog::ChooseLegend);
    for (TQvPropertyEditor* e : {FGraphEditor, FAxisEditor, FSeriesEditor, FLegendEditor})
        connect(e, &TQvPropertyEditor::PropertyEdited, this, &TQvGraphSettingsDialog::AfterEdit);
    connect(FUndoButton, &QPushButton::clicked, this, &TQvGraphSettingsDialog::UndoClick);
    connect(FRedoButton, &QPushButton::clicked, this, &TQvGraphSettingsDialog::RedoClick);
    connect(FUndoList, &QListWidget::itemActivated, this, &TQvGraphSettingsDialog::UndoClick);
    connect(FRedoList, &QListWidget::itemActivated, this, &TQvGraphSettingsDialog::RedoClick);
    connect(FSaveImageButton, &QPushButton::clicked, this, &TQvGraphSettingsDialog::SaveImageClick);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);

    auto* undoKey = new QShortcut(QKeySequence::Undo, this);
    undoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoKey, &QShortcut::activated, this, [this] {
        if (FStack)
            FStack->Undo(0);
        AfterEdit();
    });
    auto* redoKey = new QShortcut(QKeySequence::Redo, this);
    redoKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(redoKey, &QShortcut::activated, this, [this] {
        if (FStack)
            FStack->Redo(0);
        AfterEdit();
    });

    ApplyHiddenNames();
    // A size that shows a page of properties and the lists, within the screen.
    QSize want(800, 620);
    if (QScreen* s = Parent ? Parent->screen() : QGuiApplication::primaryScreen())
        want = want.boundedTo(s->availableGeometry().size() * 0.9);
    resize(want);
    RefreshAll();
}

TQvGraphSettingsDialog::~TQvGraphSettingsDialog()
{
    disconnect(FGraphDestroyed);
    disconnect(FGraphChanged);
    for (const auto& c : FStackConnections)
        disconnect(c);
    for (const auto& c : FSeriesConnections)
        disconnect(c);
}

void TQvGraphSettingsDialog::SetSeriesNamer(TSeriesNamer Namer)
{
    FSeriesNamer = std::move(Namer);
    RefreshChoices();
}

QString TQvGraphSettingsDialog::AxisText(const TQvAxis* a) const
{
    if (!a)
        return {};
    QString c = PlainCaption(a->Caption(), a);
    if (c.isEmpty())
        c = a->objectName();
    if (c.isEmpty())
        c = QStringLiteral("(unnamed axis)");
    return QStringLiteral("%1 (%2)").arg(c, PositionText(a->Position()));
}

QString TQvGraphSettingsDialog::SeriesText(const TQvSeries* s) const
{
    if (!s)
        return {};
    QString c = PlainCaption(s->Caption(), s);
    if (c.isEmpty() && FSeriesNamer)
        c = FSeriesNamer(s);
    if (c.isEmpty())
        c = s->objectName();
    if (c.isEmpty()) {
        const int at = FSeries.indexOf(const_cast<TQvSeries*>(s));
        c = at >= 0 ? QStringLiteral("Series %1").arg(at + 1) : QStringLiteral("(unnamed series)");
    }
    return c;
}

QString TQvGraphSettingsDialog::LegendText(const TQvGraphLegendBase* l) const
{
    if (!l)
        return {};
    QString c;
    const QVariant caption = l->property("Caption");
    if (caption.isValid())
        c = PlainCaption(caption.toString(), l);
    if (c.isEmpty())
        c = l->objectName();
    if (c.isEmpty()) {
        const int at = FLegends.indexOf(const_cast<TQvGraphLegendBase*>(l));
        c = QStringLiteral("Legend %1").arg(at >= 0 ? at + 1 : 1);
    }
    return c;
}

void TQvGraphSettingsDialog::SetSaveFileNameAsker(TSaveFileNameAsker Asker)
{
    SaveFileNameAsker() = std::move(Asker);
}

void TQvGraphSettingsDialog::SetOptions(const TQvGraphSettingsOptions& Value)
{
    if (FOptions == Value)
        return;
    FOptions = Value;
    ApplyHiddenNames();
    // Rebuild the sheets with the new choice of properties.
    FGraphEditor->SetTarget(FGraphEditor->Target());
    FAxisEditor->SetTarget(FAxisEditor->Target());
    FSeriesEditor->SetTarget(FSeriesEditor->Target());
    FLegendEditor->SetTarget(FLegendEditor->Target());
}

void TQvGraphSettingsDialog::ApplyHiddenNames()
{
    QSet<QByteArray> hidden;
    if (!FOptions.ZoomOptions)
        hidden.insert("Zoom");
    if (!FOptions.OutlierSupport)
        hidden.insert("OutliersVisible");
    if (!FOptions.ExtendedAxisOptions) {
        for (const char* n : {"IsSlaveAxis", "MasterAxis", "SlaveSlope", "SlaveOffset", "MovingSlitWidth",
                              "MovingSlitIncrement", "Rubrics", "RubricsField", "RubricsAngle",
                              "LogToNormalScalingLevel", "LabelDistanceFactor", "DistanceAxisExtraExponent"})
            hidden.insert(n);
    }
    for (TQvPropertyEditor* e : {FGraphEditor, FAxisEditor, FSeriesEditor, FLegendEditor})
        e->SetHiddenNames(hidden);
}

void TQvGraphSettingsDialog::SetGraph(TQvCustomGraph* AGraph)
{
    if (AGraph == FGraph.data() && (AGraph || !FGraphEditor->Target())) {
        RefreshAll();
        return;
    }
    disconnect(FGraphDestroyed);
    disconnect(FGraphChanged);
    FGraph = AGraph;
    if (AGraph) {
        FGraphDestroyed = connect(AGraph, &QObject::destroyed, this, &TQvGraphSettingsDialog::GraphDestroyed);
        FGraphChanged = connect(AGraph, &TQvCustomGraph::OnChanged, this, &TQvGraphSettingsDialog::GraphChanged);
    }
    FAxes.clear();
    FSeries.clear();
    FLegends.clear();
    FAxisChoice->clear();
    FSeriesChoice->clear();
    FLegendChoice->clear();
    FAxisEditor->SetTarget(nullptr);
    FSeriesEditor->SetTarget(nullptr);
    FLegendEditor->SetTarget(nullptr);
    FGraphEditor->SetTarget(AGraph);
    BindUndoStack(AGraph ? AGraph->GetUndoStack() : nullptr);
    RefreshAll();
}

void TQvGraphSettingsDialog::GraphDestroyed()
{
    FGraph = nullptr;
    FAxes.clear();
    FSeries.clear();
    FLegends.clear();
    FAxisChoice->clear();
    FSeriesChoice->clear();
    FLegendChoice->clear();
    FGraphEditor->SetTarget(nullptr);
    FAxisEditor->SetTarget(nullptr);
    FSeriesEditor->SetTarget(nullptr);
    FLegendEditor->SetTarget(nullptr);
    RefreshAll();
}

void TQvGraphSettingsDialog::BindUndoStack(TQvUndoStack* Stack)
{
    if (Stack == FStack.data())
        return;
    for (const auto& c : FStackConnections)
        disconnect(c);
    FStackConnections.clear();
    FStack = Stack;
    if (Stack) {
        FStackConnections.append(connect(Stack, &TQvUndoStack::OnUndo, this, &TQvGraphSettingsDialog::AfterEdit));
        FStackConnections.append(connect(Stack, &TQvUndoStack::OnRedo, this, &TQvGraphSettingsDialog::AfterEdit));
    }
}

void TQvGraphSettingsDialog::UpdateTitle()
{
    QString name;
    if (FGraph) {
        name = PlainCaption(FGraph->Caption(), FGraph);
        if (name.isEmpty())
            name = FGraph->objectName();
    }
    setWindowTitle(name.isEmpty() ? QStringLiteral("Graph settings")
                                  : QStringLiteral("Graph settings - %1").arg(name));
}

void TQvGraphSettingsDialog::RefreshAll()
{
    // The graph may have been given another stack since it was bound.
    BindUndoStack(FGraph ? FGraph->GetUndoStack() : FStack.data());
    RefreshChoices();
    RefreshEditors();
    RefreshLists();
    UpdateTitle();
    FSaveImageButton->setEnabled(FGraph);
}

void TQvGraphSettingsDialog::AfterEdit()
{
    RefreshChoices();
    RefreshEditors();
    RefreshLists();
    UpdateTitle();
}

void TQvGraphSettingsDialog::GraphChanged()
{
    RefreshChoices();
    for (TQvPropertyEditor* e : {FGraphEditor, FAxisEditor, FSeriesEditor, FLegendEditor})
        e->Refresh(true);
    RefreshLists();
    UpdateTitle();
}

void TQvGraphSettingsDialog::RefreshEditors()
{
    FGraphEditor->Refresh();
    FAxisEditor->Refresh();
    FSeriesEditor->Refresh();
    FLegendEditor->Refresh();
}

void TQvGraphSettingsDialog::RefreshChoices()
{
    auto* g = qobject_cast<TQvGraph2D*>(FGraph.data());
    QList<TQvAxis*> axes;
    QList<TQvSeries*> series;
    if (g) {
        axes = g->Axes();
        series = g->RelatedSeries();
    }

    // Axes: keep the chosen one when it is still there.
    QList<QPointer<TQvAxis>> newAxes(axes.begin(), axes.end());
    if (newAxes != FAxes) {
        QObject* chosen = FAxisEditor->Target();
        FAxes = newAxes;
        QSignalBlocker block(FAxisChoice);
        FAxisChoice->clear();
        int at = FAxes.isEmpty() ? -1 : 0;
        for (int i = 0; i < FAxes.size(); ++i) {
            FAxisChoice->addItem(AxisText(FAxes[i]));
            if (FAxes[i] == chosen)
                at = i;
        }
        FAxisChoice->setCurrentIndex(at);
        TQvAxis* target = at >= 0 ? FAxes[at].data() : nullptr;
        if (target != chosen)
            FAxisEditor->SetTarget(target);
    } else {
        for (int i = 0; i < FAxes.size(); ++i)
            if (FAxes[i])
                FAxisChoice->setItemText(i, AxisText(FAxes[i]));
    }

    QList<QPointer<TQvSeries>> newSeries(series.begin(), series.end());
    if (newSeries != FSeries) {
        QObject* chosen = FSeriesEditor->Target();
        FSeries = newSeries;
        // A renamed series is listed under its new name at once.
        for (const auto& c : FSeriesConnections)
            disconnect(c);
        FSeriesConnections.clear();
        for (const QPointer<TQvSeries>& se : FSeries) {
            FSeriesConnections.append(connect(se.data(), &TQvSeries::OnChanged, this, &TQvGraphSettingsDialog::RefreshChoices));
            FSeriesConnections.append(connect(se.data(), &QObject::objectNameChanged, this, &TQvGraphSettingsDialog::RefreshChoices));
        }
        QSignalBlocker block(FSeriesChoice);
        FSeriesChoice->clear();
        int at = FSeries.isEmpty() ? -1 : 0;
        for (int i = 0; i < FSeries.size(); ++i) {
            FSeriesChoice->addItem(SeriesText(FSeries[i]));
            if (FSeries[i] == chosen)
                at = i;
        }
        FSeriesChoice->setCurrentIndex(at);
        TQvSeries* target = at >= 0 ? FSeries[at].data() : nullptr;
        if (target != chosen)
            FSeriesEditor->SetTarget(target);
    } else {
        for (int i = 0; i < FSeries.size(); ++i)
            if (FSeries[i])
                FSeriesChoice->setItemText(i, SeriesText(FSeries[i]));
    }
    FNoSeries->setVisible(FSeries.isEmpty());
    FSeriesChoice->setEnabled(!FSeries.isEmpty());
    FAxisChoice->setEnabled(!FAxes.isEmpty());

    QList<QPointer<TQvGraphLegendBase>> newLegends;
    if (g)
        for (TQvGraphLegendBase* l : g->RelatedLegends())
            newLegends.append(l);
    if (newLegends != FLegends) {
        QObject* chosen = FLegendEditor->Target();
        FLegends = newLegends;
        QSignalBlocker block(FLegendChoice);
        FLegendChoice->clear();
        int at = FLegends.isEmpty() ? -1 : 0;
        for (int i = 0; i < FLegends.size(); ++i) {
            FLegendChoice->addItem(LegendText(FLegends[i]));
            if (FLegends[i] == chosen)
                at = i;
        }
        FLegendChoice->setCurrentIndex(at);
        TQvGraphLegendBase* target = at >= 0 ? FLegends[at].data() : nullptr;
        if (target != chosen)
            FLegendEditor->SetTarget(target);
    } else {
        for (int i = 0; i < FLegends.size(); ++i)
            if (FLegends[i])
                FLegendChoice->setItemText(i, LegendText(FLegends[i]));
    }
    FNoLegend->setVisible(FLegends.isEmpty());
    FLegendChoice->setEnabled(!FLegends.isEmpty());
}

void TQvGraphSettingsDialog::ChooseAxis(int Index)
{
    if (Index < 0 || Index >= FAxes.size())
        return;
    if (FAxisChoice->currentIndex() != Index)
        FAxisChoice->setCurrentIndex(Index);
    if (FAxisEditor->Target() != FAxes[Index].data())
        FAxisEditor->SetTarget(FAxes[Index].data());
}

void TQvGraphSettingsDialog::ChooseSeries(int Index)
{
    if (Index < 0 || Index >= FSeries.size())
        return;
    if (FSeriesChoice->currentIndex() != Index)
        FSeriesChoice->setCurrentIndex(Index);
    if (FSeriesEditor->Target() != FSeries[Index].data())
        FSeriesEditor->SetTarget(FSeries[Index].data());
}

void TQvGraphSettingsDialog::ChooseLegend(int Index)
{
    if (Index < 0 || Index >= FLegends.size())
        return;
    if (FLegendChoice->currentIndex() != Index)
        FLegendChoice->setCurrentIndex(Index);
    if (FLegendEditor->Target() != FLegends[Index].data())
        FLegendEditor->SetTarget(FLegends[Index].data());
}

void TQvGraphSettingsDialog::RefreshLists()
{
    auto fill = [](QListWidget* List, const QStringList& Items) {
        QSignalBlocker block(List);
        List->clear();
        for (const QString& s : Items)
            List->addItem(StepText(s));
        if (!Items.isEmpty())
            List->setCurrentRow(0);
    };
    fill(FUndoList, FStack ? FStack->UndoList().ToStringList() : QStringList());
    fill(FRedoList, FStack ? FStack->RedoList().ToStringList() : QStringList());
    FUndoButton->setEnabled(FStack && FStack->CanUndo());
    FRedoButton->setEnabled(FStack && FStack->CanRedo());
}

void TQvGraphSettingsDialog::UndoClick()
{
    if (!FStack || !FStack->CanUndo())
        return;
    FStack->Undo(qMax(0, FUndoList->currentRow()));
    AfterEdit();
}

void TQvGraphSettingsDialog::RedoClick()
{
    if (!FStack || !FStack->CanRedo())
        return;
    FStack->Redo(qMax(0, FRedoList->currentRow()));
    AfterEdit();
}

bool TQvGraphSettingsDialog::SaveImageTo(const QString& FileName)
{
    if (!FGraph || FileName.isEmpty())
        return false;
    const QString suffix = QFileInfo(FileName).suffix().toLower();
    TQvImageFormat format = TQvImageFormat::PNG;
    if (suffix == QLatin1String("svg"))
        format = TQvImageFormat::SVG;
    else if (suffix == QLatin1String("pdf"))
        format = TQvImageFormat::PDF;
    return FGraph->SaveImage(FileName, format);
}

void TQvGraphSettingsDialog::SaveImageClick()
{
    if (!FGraph)
        return;
    const QString name = AskSaveFileName(this);
    if (name.isEmpty())
        return;
    if (!SaveImageTo(name))
        QMessageBox::warning(this, QStringLiteral("Save image"),
                             QStringLiteral("The image could not be written to \"%1\".").arg(name));
}

bool TQvGraphSettingsDialog::event(QEvent* e)
{
    // Coming back to the dialog: the window may have changed the graph meanwhile (files added,
    // series restyled, zoomed).
    if (e->type() == QEvent::WindowActivate)
        RefreshAll();
    return QDialog::event(e);
}
