#include "QvGraph2D.h"

#include "QvAxis.h"
#include "QvAxisLayout.h"
#include "QvDrawing.h"
#include "QvGDI.h"
#include "QvLegend.h"
#include "QvPersistence.h"
#include "QvFont.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "QvZoom.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMetaMethod>
#include <QPaintDevice>
#include <QPaintEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

// -------------------------------------------------------------------------------------------------
// Legend base

TQvGraphLegendBase::TQvGraphLegendBase(QObject* AOwner) : TQvComponent(AOwner)
{
    if (auto* g = qobject_cast<TQvGraph2D*>(AOwner))
        SetGraph(g);
}

TQvGraphLegendBase::~TQvGraphLegendBase()
{
    if (FGraphLink)
        FGraphLink->RemoveLegend(this);
}

void TQvGraphLegendBase::SetGraph(TQvGraph2D* AGraph)
{
    if (FGraphLink.data() == AGraph)
        return;
    if (FGraphLink)
        FGraphLink->RemoveLegend(this);
    FGraphLink = AGraph;
    if (AGraph)
        AGraph->AddLegend(this);
}

void TQvGraphLegendBase::SetVisibleLegend(bool Value)
{
    if (FVisibleLegend == Value)
        return;
    FVisibleLegend = Value;
    if (FGraphLink)
        FGraphLink->Modified();
}

// -------------------------------------------------------------------------------------------------
// TQvCustomGraph

namespace {

QList<QObject*> TopLevelWidgets()
{
    QList<QObject*> result;
    for (QWidget* w : QApplication::topLevelWidgets())
        result.append(w);
    return result;
}

} // namespace

TQvCustomGraph::TQvCustomGraph(QWidget* AParent) : QWidget(AParent)
{
    // Full names of undo records and stored references may start at any top-level window.
    QvSetTopLevelProvider(&TopLevelWidgets);
    resize(600, 400);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(false);
    FBackgroundGradient = new TQvGradientSettings(this, [this] { Invalidate(); }, QStringLiteral("BackgroundGradient"));
    FBackgroundGradient->SetLinearAngle(90);
    FCaptionFont = new TQvFont(this, QStringLiteral("CaptionFont"));
    FCaptionFont->SetNeedsInvalidate([this] { Invalidate(); });
    FCaptionFont->SetNeedsResize([this] { Modified(); });
    FCaptionFont->SetUndoComment(QStringLiteral("Font of graph title"));
    FCaptionFont->SetUndoStackSource([this] { return GetUndoStack(); });
    FPollingTimer.setInterval(50);
    QvRegisterCaptionVariable(this, QStringLiteral("Name"), QStringLiteral("Internal name of the graph control"),
                              [this] { return objectName(); });
    QvRegisterCaptionVariable(this, QStringLiteral("Caption"), QStringLiteral("Caption used in title of graph"),
                              [this] { return FCaption; });
}

TQvCustomGraph::~TQvCustomGraph()
{
    FPollingTimer.stop();
    QvUnregisterCaptionVariables(this);
}

void TQvCustomGraph::PushUndo(const char* Description, const char* PropName)
{
    if (FUndoStack && FUndoStack->Enabled())
        FUndoStack->PushProperty(this, QString::fromLatin1(Description), QString::fromLatin1(PropName));
}

void TQvCustomGraph::SetUndoStack(TQvUndoStack* AStack)
{
    FUndoStack = AStack;
    FBackgroundGradient->SetUndoStack(AStack);
}

void TQvCustomGraph::Invalidate()
{
    NotifyChanged();
    FContentChanged = true;
    if (!FPainting)
        update();
}

void TQvCustomGraph::NotifyChanged()
{
    // Only listeners (a settings dialog) pay for the queued call.
    if (FChangeQueued || !isSignalConnected(QMetaMethod::fromSignal(&TQvCustomGraph::OnChanged)))
        return;
    FChangeQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FChangeQueued = false;
            emit OnChanged();
        },
        Qt::QueuedConnection);
}

void TQvCustomGraph::RequestRepaint()
{
    NotifyChanged();
    FContentChanged = true;
    update();
}

void TQvCustomGraph::SetBackColor(quint32 Value)
{
    if (SetProp(FBackColor, Value, "Graph background color", "BackColor"))
        Invalidate();
}

void TQvCustomGraph::SetSmoothingMode(TQvSmoothingMode Value)
{
    if (FSmoothingMode == Value)
        return;
    FSmoothingMode = Value;
    Invalidate();
}

void TQvCustomGraph::SetCaption(const QString& Value)
{
    QString v = Value;
    while (!v.isEmpty() && v.back().isSpace())
        v.chop(1);
    if (SetProp(FCaption, v, "Caption used in title of graph", "Caption"))
        ParseCaption();
}

void TQvCustomGraph::SetCaptionAlignment(TQvCaptionAlignment Value)
{
    if (SetProp(FCaptionAlignment, Value, "Graph title alignment", "CaptionAlignment"))
        Modified();
}

quint32 TQvCustomGraph::CaptionColor() const
{
    return FCaptionFont->FillColor();
}

void TQvCustomGraph::SetCaptionColor(quint32 Value)
{
    if (CaptionColor() == Value)
        return;
    PushUndo("Color of graph title", "CaptionColor");
    // The font records nothing of its own here: the colour property was pushed.
    const bool loading = FCaptionFont->IsLoading();
    FCaptionFont->SetLoading(true);
    FCaptionFont->SetFillColor(Value);
    FCaptionFont->SetLoading(loading);
}

void TQvCustomGraph::SetCaptionDistanceAfter(double Value)
{
    if (SetProp(FCaptionDistanceAfter, Value, "Distance below graph title", "CaptionDistanceAfter"))
        Modified();
}

void TQvCustomGraph::SetCaptionDistanceBefore(double Value)
{
    if (SetProp(FCaptionDistanceBefore, Value, "Distance above graph title", "CaptionDistanceBefore"))
        Modified();
}

void TQvCustomGraph::SetCaptionVisible(bool Value)
{
    if (SetProp(FCaptionVisible, Value, "Visibility of graph title", "CaptionVisible"))
        Modified();
}

void TQvCustomGraph::SetCaptionFont(const TQvFont* Value)
{
    if (!Value)
        return;
    if (FUndoStack && FUndoStack->Enabled())
        FCaptionFont->PushToUndoStack(FUndoStack, QStringLiteral("Font of graph title"));
    const bool loading = FCaptionFont->IsLoading();
    FCaptionFont->SetLoading(true);
    FCaptionFont->Assign(*Value);
    FCaptionFont->SetLoading(loading);
    ParseCaption();
}

QString TQvCustomGraph::CaptionAsString() const
{
    return FCaption.isEmpty() ? objectName() : FCaption;
}

void TQvCustomGraph::ParseCaption()
{
    FTitleSize = TitleShown() ? QvMeasureRichCaption(FCaption, FCaptionFont, this, this) : QSizeF();
    Modified();
}

void TQvCustomGraph::Modified()
{
    FRecalculate = true;
    Invalidate();
}

void TQvCustomGraph::BeginUpdate()
{
    ++FUpdateCount;
}

void TQvCustomGraph::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0 && FRecalculate)
        Invalidate();
}

void TQvCustomGraph::SetHighQuality(QPainter& Gr, bool High) const
{
    // HighSpeed draws aliased, as None does.
    QvSetSmoothingMode(Gr, High ? FSmoothingMode : TQvSmoothingMode::None);
}

bool TQvCustomGraph::Contains(const QObject* Control) const
{
    return Control && Control != this && Control->parent() == this;
}

void TQvCustomGraph::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintGr(p);
}

void TQvCustomGraph::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    SizeChanged();
}

void TQvCustomGraph::RenderTo(QPaintDevice* Device, bool)
{
    const QScopedValueRollback<bool> Image(FDoingImage, true);
    QPainter p(Device);
    PaintGr(p);
}

QImage TQvCustomGraph::AsImage(double DevicePixelRatio, bool RemoveTransparency, quint32 TransparentExchangeColor)
{
    if (DevicePixelRatio <= 0) {
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        DevicePixelRatio = screen ? screen->devicePixelRatio() : 1.0;
    }
    const QSize px(int(std::ceil(width() * DevicePixelRatio)), int(std::ceil(height() * DevicePixelRatio)));
    QImage img(px, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(DevicePixelRatio);
    img.fill(RemoveTransparency ? QColor::fromRgba(TransparentExchangeColor) : QColor(Qt::transparent));
    RenderTo(&img, true);
    return img;
}

QImage TQvCustomGraph::AsTBitmap(quint32 TransparentExchangeColor)
{
    return AsImage(0, true, TransparentExchangeColor);
}

bool TQvCustomGraph::SaveSvg(QIODevice* Stream)
{
    QSvgGenerator gen;
    gen.setOutputDevice(Stream);
    gen.setSize(size());
    gen.setViewBox(QRect(QPoint(0, 0), size()));
    gen.setTitle(CaptionAsString());
    const QScopedValueRollback<bool> Metafile(FDoingMetafile, true);
    RenderTo(&gen, false);
    return true;
}

QByteArray TQvCustomGraph::AsTMetafile()
{
    QByteArray Svg;
    QBuffer B(&Svg);
    B.open(QIODevice::WriteOnly);
    SaveSvg(&B);
    return Svg;
}

bool TQvCustomGraph::SavePdf(QIODevice* Stream)
{
    QPdfWriter pdf(Stream);
    pdf.setTitle(CaptionAsString());
    pdf.setPageSize(QPageSize(QSizeF(width(), height()), QPageSize::Point));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(72);
    const QScopedValueRollback<bool> Metafile(FDoingMetafile, true);
    RenderTo(&pdf, false);
    return true;
}

bool TQvCustomGraph::SaveImage(QIODevice* Stream, TQvImageFormat Format, bool RemoveTransparency,
                               quint32 TransparentExchangeColor)
{
    if (!Stream)
        return false;
    if (!Stream->isOpen() && !Stream->open(QIODevice::WriteOnly))
        return false;
    switch (Format) {
    case TQvImageFormat::EMF:
    case TQvImageFormat::SVG:
        return SaveSvg(Stream);
    case TQvImageFormat::PDF:
        return SavePdf(Stream);
    default:
        break;
    }
    const char* fmt = "PNG";
    bool opaque = RemoveTransparency;
    switch (Format) {
    case TQvImageFormat::BMP: fmt = "BMP"; opaque = true; break;
    case TQvImageFormat::JPEG: fmt = "JPEG"; opaque = true; break;
    case TQvImageFormat::TIFF: fmt = "TIFF"; break;
    case TQvImageFormat::GIF: fmt = "GIF"; opaque = true; break;
    case TQvImageFormat::Icon: fmt = "ICO"; break;
    default: fmt = "PNG"; break;
    }
    if (!QImageWriter::supportedImageFormats().contains(QByteArray(fmt).toLower()))
        fmt = "PNG";
    QImage img = AsImage(1.0, opaque, TransparentExchangeColor);
    if (opaque)
        img = img.convertToFormat(QImage::Format_RGB32);
    QImageWriter w(Stream, fmt);
    return w.write(img);
}

bool TQvCustomGraph::SaveImage(const QString& FileName, TQvImageFormat Format, bool RemoveTransparency,
                               quint32 TransparentExchangeColor)
{
    QFile f(FileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return SaveImage(&f, Format, RemoveTransparency, TransparentExchangeColor);
}

void TQvCustomGraph::CopyToClipboard()
{
    if (QClipboard* cb = QGuiApplication::clipboard())
        cb->setImage(AsImage(0, true));
}

// -------------------------------------------------------------------------------------------------
// TQvGraph2D: construction

TQvGraph2D::TQvGraph2D(QWidget* AParent) : TQvCustomGraph(AParent)
{
    auto repaint = [this] { Invalidate(); };
    FDataAreaFrame = new TQvLineSettings(this, repaint, QStringLiteral("DataAreaFrame"));
    FDataAreaFrame->SetColor(QvColors::Black);
    FDataAreaFrame->SetVisible(false);
    FDataAreaGradient = new TQvGradientSettings(this, repaint, QStringLiteral("DataAreaGradient"));
    FDataAreaGradient->SetLinearAngle(90);
    auto grid = [&](const char* name, TQvColor color, TDashStyle dash) {
        auto* g = new TQvLineSettings(this, repaint, QString::fromLatin1(name));
        g->SetColor(color);
        g->SetDashStyle(dash);
        g->SetVisible(false);
        return g;
    };
    FMajorGridHorizontal = grid("MajorGridHorizontal", QvColors::Green, TDashStyle::DashStyleDash);
    FMinorGridHorizontal = grid("MinorGridHorizontal", QvColors::Gray, TDashStyle::DashStyleDot);
    FMajorGridVertical = grid("MajorGridVertical", QvColors::Green, TDashStyle::DashStyleDash);
    FMinorGridVertical = grid("MinorGridVertical", QvColors::Gray, TDashStyle::DashStyleDot);

    FHScrollBar = new QScrollBar(Qt::Horizontal, this);
    FVScrollBar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* sb : {FHScrollBar, FVScrollBar}) {
        sb->setRange(0, 10000);
        sb->hide();
    }
    connect(&FPollingTimer, &QTimer::timeout, this, [this] {
        if (!Updating() && !FRecalculate && !FRelatedSeries.isEmpty())
            PollUpdates();
    });
    FZoom = new TQvZoomSettings(this);
}

TQvGraph2D::~TQvGraph2D()
{
    FPollingTimer.stop();
    const QList<TQvSeries*> series = FRelatedSeries.List();
    FRelatedSeries.clear();
    for (TQvSeries* s : series)
        s->GraphDestroyed();
    // Detaching a legend removes it from FRelatedLegends: walk a copy taken off the graph first,
    // so that every legend lets go (a skipped one would call back into a half-destroyed graph).
    const QList<QPointer<TQvGraphLegendBase>> legends = std::exchange(FRelatedLegends, {});
    for (const auto& l : legends)
        if (l)
            l->SetGraph(nullptr);
    delete FZoom;
    FZoom = nullptr;
    // The axes go now, while this is still a whole graph: an axis tells the series that use it,
    // and those may reach their graph. Axes of other graphs keep working without these.
    for (TQvAxis* a : AxisChildren())
        delete a;
}

TQvAxis* TQvGraph2D::PrimaryXAxis() const { return FPrimaryXAxis.data(); }
TQvAxis* TQvGraph2D::PrimaryYAxis() const { return FPrimaryYAxis.data(); }
QObject* TQvGraph2D::PrimaryXAxisObject() const { return FPrimaryXAxis.data(); }
void TQvGraph2D::SetPrimaryXAxisObject(QObject* Value) { SetPrimaryXAxis(qobject_cast<TQvAxis*>(Value)); }
QObject* TQvGraph2D::PrimaryYAxisObject() const { return FPrimaryYAxis.data(); }
void TQvGraph2D::SetPrimaryYAxisObject(QObject* Value) { SetPrimaryYAxis(qobject_cast<TQvAxis*>(Value)); }

// -------------------------------------------------------------------------------------------------
// Properties

void TQvGraph2D::SetDataAreaColor(quint32 Value)
{
    if (SetProp(FDataAreaColor, Value, "Color of graph data area", "DataAreaColor"))
        Invalidate();
}

void TQvGraph2D::SetDistanceBorderAxisTop(double Value)
{
    if (SetProp(FDistanceBorderAxisTop, Value, "Graph border distance at top", "DistanceBorderAxisTop"))
        Modified();
}

void TQvGraph2D::SetDistanceBorderAxisBottom(double Value)
{
    if (SetProp(FDistanceBorderAxisBottom, Value, "Graph border distance at bottom", "DistanceBorderAxisBottom"))
        Modified();
}

void TQvGraph2D::SetDistanceBorderAxisLeft(double Value)
{
    if (SetProp(FDistanceBorderAxisLeft, Value, "Graph border distance left", "DistanceBorderAxisLeft"))
        Modified();
}

void TQvGraph2D::SetDistanceBorderAxisRight(double Value)
{
    if (SetProp(FDistanceBorderAxisRight, Value, "Graph border distance right", "DistanceBorderAxisRight"))
        Modified();
}

void TQvGraph2D::SetPrimaryXAxis(TQvAxis* Value)
{
    if (FPrimaryXAxis.data() == Value)
        return;
    PushUndo("Graph primary X-axis", "PrimaryXAxis");
    FPrimaryXAxis = Value;
    Modified();
}

void TQvGraph2D::SetPrimaryYAxis(TQvAxis* Value)
{
    if (FPrimaryYAxis.data() == Value)
        return;
    PushUndo("Graph primary Y-axis", "PrimaryYAxis");
    FPrimaryYAxis = Value;
    Modified();
}

void TQvGraph2D::SetZeroOrigin(bool Value)
{
    if (SetProp(FZeroOrigin, Value, "Graph axes cross at (0,0)", "ZeroOrigin"))
        Modified();
}

QObject* TQvGraph2D::ZoomObject() const
{
    return FZoom;
}

void TQvGraph2D::SetUndoStack(TQvUndoStack* AStack)
{
    TQvCustomGraph::SetUndoStack(AStack);
    for (TQvSeries* s : FRelatedSeries)
        s->SetUndoStack(AStack);
    for (const auto& l : FRelatedLegends)
        if (l)
            l->SetUndoStack(AStack);
    for (TQvLineSettings* r : {FMajorGridHorizontal, FMinorGridHorizontal, FMajorGridVertical, FMinorGridVertical,
                               FDataAreaFrame})
        r->SetUndoStack(AStack);
    FDataAreaGradient->SetUndoStack(AStack);
}

// -------------------------------------------------------------------------------------------------
// Axes, series, legends

QList<TQvAxis*> TQvGraph2D::AxisChildren() const
{
    QList<TQvAxis*> list;
    for (QObject* c : children())
        if (auto* a = qobject_cast<TQvAxis*>(c))
            list.append(a);
    return list;
}

QList<TQvAxis*> TQvGraph2D::Axes() const
{
    QList<TQvAxis*> list = AxisChildren();
    if (FPrimaryXAxis && !list.contains(FPrimaryXAxis.data()))
        list.append(FPrimaryXAxis.data());
    return list;
}

QList<TQvSeries*> TQvGraph2D::SeriesOnAxis(const TQvAxis* Axis) const
{
    QList<TQvSeries*> list;
    for (TQvSeries* s : FRelatedSeries)
        if (s->XAxis() == Axis || s->YAxis() == Axis)
            list.append(s);
    return list;
}

int TQvGraph2D::HScrollBarHeight() const
{
    return FHScrollBar->sizeHint().height();
}

int TQvGraph2D::VScrollBarWidth() const
{
    return FVScrollBar->sizeHint().width();
}

QList<TQvGraphLegendBase*> TQvGraph2D::RelatedLegends() const
{
    QList<TQvGraphLegendBase*> list;
    for (const auto& l : FRelatedLegends)
        if (l)
            list.append(l.data());
    return list;
}

void TQvGraph2D::AddLegend(TQvGraphLegendBase* Legend)
{
    for (const auto& l : FRelatedLegends)
        if (l.data() == Legend)
            return;
    FRelatedLegends.append(Legend);
    Legend->SetUndoStack(FUndoStack);
    Modified();
}

void TQvGraph2D::RemoveLegend(TQvGraphLegendBase* Legend)
{
    FRelatedLegends.removeIf([Legend](const QPointer<TQvGraphLegendBase>& l) { return !l || l.data() == Legend; });
    Modified();
}

QList<TQvGraph2D*> TQvGraph2D::ChildGraphs() const
{
    QList<TQvGraph2D*> list;
    for (const auto& g : FChildGraphs)
        if (g)
            list.append(g.data());
    return list;
}

// A series detaches itself when it lets its axes go or is destroyed (~TQvSeries), so the graph
// needs no connection per series: attaching and detaching are constant time.
void TQvGraph2D::AttachSeries(TQvSeries* Series)
{
    FRelatedSeries.append(Series);
}

void TQvGraph2D::DetachSeries(TQvSeries* Series)
{
    if (FRelatedSeries.removeAll(Series) > 0) {
        SeriesModified();
        LegendsModified();
    }
}

void TQvGraph2D::childEvent(QChildEvent* e)
{
    TQvCustomGraph::childEvent(e);
    if (e->removed()) {
        QObject* c = e->child();
        if (FPrimaryXAxis.data() == c)
            FPrimaryXAxis = nullptr;
        if (FPrimaryYAxis.data() == c)
            FPrimaryYAxis = nullptr;
        if (c && !FDoingPrimary)
            Modified();
    }
}

// -------------------------------------------------------------------------------------------------
// Update cycle

void TQvGraph2D::Modified()
{
    FRecalculate = true;
    const QList<TQvAxis*> axes = AxisChildren();
    if (!axes.isEmpty())
        axes.first()->Modified();
    Invalidate();
}

void TQvGraph2D::SeriesModified()
{
    Modified();
}

void TQvGraph2D::LegendsModified()
{
    for (const auto& l : FRelatedLegends)
        if (l)
            l->SeriesChanged();
    if (!FRelatedLegends.isEmpty())
        Modified();
    else
        Invalidate();
}

void TQvGraph2D::AllPointsModified()
{
    for (TQvSeries* s : FRelatedSeries)
        s->PointsModified();
}

void TQvGraph2D::SortLayers()
{
    // Stable: series with equal layers keep their attachment order (a selection sort that swaps
    // would move an equal-layer series behind its partner whenever a lower layer is swapped in).
    FRelatedSeries.StableSort([](const TQvSeries* a, const TQvSeries* b) { return a->Layer() < b->Layer(); });
    const int n = int(FRelatedSeries.size());
    for (int i = 0; i < n; ++i) {
        TQvSeries* s = FRelatedSeries[i];
        const bool loading = s->IsLoading();
        s->SetLoading(true);   // renumbering is not a user change: no undo record
        s->SetLayer(i);
        s->SetLoading(loading);
    }
}

QString TQvGraph2D::FreeName(const QString& Base) const
{
    const QObject* owner = parent() ? parent() : this;
    for (int n = 1;; ++n) {
        const QString candidate = Base + QString::number(n);
        if (!owner->findChild<QObject*>(candidate) && owner->objectName() != candidate)
            return candidate;
    }
}

void TQvGraph2D::TestPrimaryAxis()
{
    const QScopedValueRollback<bool> Primary(FDoingPrimary, true);
    if (!FPrimaryXAxis) {
        auto* x = new TQvAxis(this);
        x->setObjectName(FreeName(QStringLiteral("XAxis")));
        x->SetPosition(TQvAxisPosition::Bottom);
        x->SetCaption(QStringLiteral("X-Axis"));
        FPrimaryXAxis = x;
    }
    if (!FPrimaryYAxis) {
        auto* y = new TQvAxis(this);
        y->setObjectName(FreeName(QStringLiteral("YAxis")));
        y->SetPosition(TQvAxisPosition::Left);
        y->SetCaption(QStringLiteral("Y-Axis"));
        FPrimaryYAxis = y;
    }
    if (FPrimaryYAxis->Horizontal())
        FPrimaryYAxis->SetPosition(TQvAxisPosition::Left);
    if (!FPrimaryXAxis->Horizontal())
        FPrimaryXAxis->SetPosition(TQvAxisPosition::Bottom);
    FRecalculate = true;
    if (!FPollingTimer.isActive())
        FPollingTimer.start();
}

void TQvGraph2D::PollUpdates()
{
    for (TQvSeries* s : QList<TQvSeries*>(FRelatedSeries))
        if (s->AutoUpdate() && s->XAxis() && s->YAxis() && (s->XData() || s->YData()) && s->SeriesVisible()) {
            s->CheckDBVectors();
            s->Calculate();
        }
    for (TQvAxis* a : AxisChildren())
        a->GetNewRanges();
}

void TQvGraph2D::CheckCoupled()
{
    FIsCoupledGraph = false;
    FChildGraphs.clear();
    if (!FPrimaryXAxis)
        return;
    if (!AxisChildren().contains(FPrimaryXAxis.data())) {
        FIsCoupledGraph = true;
        return;
    }
    if (QObject* owner = parent()) {
        for (QObject* c : owner->children()) {
            auto* g = qobject_cast<TQvGraph2D*>(c);
            if (g && g != this && g->PrimaryXAxis() == FPrimaryXAxis.data())
                FChildGraphs.append(g);
        }
    }
}

void TQvGraph2D::ApplyCommonHorizontalExtent()
{
    const QList<TQvGraph2D*> children = ChildGraphs();
    if (children.isEmpty())
        return;
    // Right: the last column of each drawing area.
    double left = FDrawingArea.left(), right = FDrawingArea.left() + FDrawingArea.width() - 1;
    for (TQvGraph2D* g : children) {
        left = std::max(left, g->DrawingArea().left());
        right = std::min(right, g->DrawingArea().left() + g->DrawingArea().width() - 1);
    }
    QList<TQvGraph2D*> all = children;
    all.prepend(this);
    for (TQvGraph2D* g : all) {
        QvApplyHorizontalExtent(*g, left, right);
        g->AllPointsModified();
        g->Invalidate();
    }
}

void TQvGraph2D::Calculate()
{
    if (Updating() || !FPrimaryXAxis || !FPrimaryYAxis)
        return;
    CheckCoupled();
    SortLayers();
    FTitleSize = TitleShown() ? QvMeasureRichCaption(FCaption, FCaptionFont, this, this) : QSizeF();
    FPrimaryXAxis->Calculate();
    for (TQvSeries* s : QList<TQvSeries*>(FRelatedSeries))
        s->Calculate();
    AllPointsModified();
    FRecalculate = false;
    Invalidate();
}

void TQvGraph2D::SizeChanged()
{
    if (FPrimaryYAxis)
        FPrimaryYAxis->CheckResize();
    if (FPrimaryXAxis)
        FPrimaryXAxis->CheckResize();
    Modified();
}

// -------------------------------------------------------------------------------------------------
// Queries

TQvFindSeriesPointResult TQvGraph2D::FindSeriesPoint(int MouseX, int MouseY) const
{
    TQvFindSeriesPointResult r;
    for (int i = int(FRelatedSeries.size()) - 1; i >= 0; --i) {
        TQvSeries* s = FRelatedSeries[i];
        const int idx = s->FindPoint(MouseX, MouseY);
        if (idx < 0)
            continue;
        r.Found = true;
        r.InSeries = s;
        r.Index = idx;
        r.X = s->TransformX(s->XData()->GetValue(idx), idx);
        r.Y = s->TransformY(s->YData()->GetValue(idx), idx);
        break;
    }
    return r;
}

void TQvGraph2D::UndoPushSeriesVectors()
{
    if (!FUndoStack || !FUndoStack->Enabled())
        return;
    QList<TQvCustomDoubleVector*> vectors;
    for (TQvSeries* s : FRelatedSeries)
        for (TQvCustomDoubleVector* v : {s->XData(), s->YData()})
            if (qobject_cast<TQvDoubleVector*>(v) && !vectors.contains(v))
                vectors.append(v);
    if (vectors.isEmpty())
        return;
    TQvUndoGroup Group(FUndoStack, QStringLiteral("Graph series data"));
    for (TQvCustomDoubleVector* v : vectors)
        FUndoStack->PushVectorState(v, QStringLiteral("Graph series data"));
}

// -------------------------------------------------------------------------------------------------
// Painting

void TQvGraph2D::ClipSeries(QPainter& Gr)
{
    double l = 0, t = 0, r = width(), b = height();
    bool any = false;
    const QRectF a = FDrawingArea;
    for (TQvAxis* ax : Axes()) {
        if (!ax->IsClipped())
            continue;
        any = true;
        const bool startCut = ax->Start() > ax->ValuesStart();
        const bool stopCut = ax->Stop() < ax->ValuesStop();
        if (ax->Horizontal()) {
            const bool tw = ax->Twisted();
            if (startCut)
                (tw ? r : l) = tw ? a.left() + a.width() : a.left();
            if (stopCut)
                (tw ? l : r) = tw ? a.left() : a.left() + a.width();
        } else {
            const bool tw = ax->Twisted();
            if (startCut)
                (tw ? t : b) = tw ? a.top() : a.top() + a.height();
            if (stopCut)
                (tw ? b : t) = tw ? a.top() + a.height() : a.top();
        }
    }
    if (any)
        Gr.setClipRect(QRectF(l, t, r - l, b - t), Qt::ReplaceClip);
    else
        Gr.setClipping(false);
}

void TQvGraph2D::PaintGrid(QPainter& Gr, TQvAxis* Axis, bool Vertical)
{
    if (!Axis)
        return;
    TQvLineSettings* major = Vertical ? FMajorGridVertical : FMajorGridHorizontal;
    TQvLineSettings* minor = Vertical ? FMinorGridVertical : FMinorGridHorizontal;
    if (!major->Visible() && !minor->Visible())
        return;
    const QRectF a = FDrawingArea;
    const QVector<float>& ticks = Axis->Ticks();
    const QVector<bool>& gridFlags = Axis->MajoGridrTick();
    auto line = [&](float pos) {
        const double p = FDoingMetafile ? pos : std::round(pos);
        if (Vertical)
            Gr.drawLine(QPointF(p, a.top()), QPointF(p, a.top() + a.height() - 1));
        else
            Gr.drawLine(QPointF(a.left(), p), QPointF(a.left() + a.width() - 1, p));
    };
    for (int pass = 0; pass < 2; ++pass) {
        TQvLineSettings* s = pass == 0 ? major : minor;
        if (!s->Visible())
            continue;
        Gr.setPen(s->GetPen(a));
        for (int i = 0; i < ticks.size(); ++i) {
            const bool isMajor = i < gridFlags.size() && gridFlags[i];
            if (isMajor == (pass == 0))
                line(ticks[i]);
        }
    }
}

void TQvGraph2D::PaintGr(QPainter& Gr)
{
    // Repaint requests are dropped while painting; an exception from a series, an axis or a
    // legend must not leave them dropped for good.
    const QScopedValueRollback<bool> Painting(FPainting, true);
    // 1. First paint: create missing primary axes.
    if (FOnce) {
        TestPrimaryAxis();
        FOnce = false;
    }
    // 2. Nothing at all without both primary axes.
    if (!FPrimaryXAxis || !FPrimaryYAxis)
        return;
    // 3. Pick up data changes, then lay out when needed.
    PollUpdates();
    if (FRecalculate)
        Calculate();
    const QRectF client(0, 0, width(), height());
    const QRectF area = FDrawingArea;
    const QRectF areaFill(area.left(), area.top(), area.width() - 1, area.height() - 1);
    Gr.setRenderHint(QPainter::Antialiasing, false);
    // 4. Background.
    if (QvAlpha(FBackColor) != 0)
        Gr.fillRect(client, QvToQColor(FBackColor));
    if (FBackgroundGradient->Visible())
        Gr.fillRect(client, FBackgroundGradient->GetBrush(client));
    // 5. Data area.
    if (FDataAreaGradient->Visible())
        Gr.fillRect(areaFill, FDataAreaGradient->GetBrush(areaFill));
    else if (FDataAreaColor != FBackColor && QvAlpha(FDataAreaColor) != 0)
        Gr.fillRect(areaFill, QvToQColor(FDataAreaColor));
    // 6. Title.
    if (FCaptionVisible && !FCaption.isEmpty()) {
        SetHighQuality(Gr, true);
        TQvContentAlignment align = TQvContentAlignment::TopCenter;
        if (FCaptionAlignment == TQvCaptionAlignment::Left)
            align = TQvContentAlignment::TopLeft;
        else if (FCaptionAlignment == TQvCaptionAlignment::Right)
            align = TQvContentAlignment::TopRight;
        QvDrawRichCaption(Gr, FCaption, FCaptionFont, FTitleAnchor, align, 0, CaptionColor(), this);
    }
    // 7, 8. Grid lines.
    SetHighQuality(Gr, false);
    PaintGrid(Gr, FPrimaryXAxis, true);
    PaintGrid(Gr, FPrimaryYAxis, false);
    // 9. Series: areas and lines.
    ClipSeries(Gr);
    SetHighQuality(Gr, true);
    for (TQvSeries* s : QList<TQvSeries*>(FRelatedSeries))
        s->PaintGr(Gr);
    Gr.setClipping(false);
    // 10. Frame of the data area.
    if (FDataAreaFrame->Visible()) {
        const double w = FDataAreaFrame->Width();
        Gr.setPen(FDataAreaFrame->GetPen(areaFill.adjusted(-w, -w, w, w)));
        Gr.setBrush(Qt::NoBrush);
        Gr.drawRect(areaFill);
    }
    // 11. Axes.
    for (TQvAxis* a : AxisChildren()) {
        if (!a->Visible())
            continue;
        Gr.save();
        Gr.translate(a->Left(), a->Top());
        a->PaintGr(Gr);
        Gr.restore();
    }
    // 12. Symbols over every line.
    SetHighQuality(Gr, true);
    ClipSeries(Gr);
    for (TQvSeries* s : QList<TQvSeries*>(FRelatedSeries))
        s->DrawSymbols(Gr);
    Gr.setClipping(false);
    // 13. Legends.
    for (TQvGraphLegendBase* l : RelatedLegends()) {
        if (l->parent() != this || !l->IsVisible())
            continue;
        Gr.save();
        Gr.translate(l->Bounds().topLeft());
        l->PaintGr(Gr);
        Gr.restore();
    }
    // 14. Smoothing off; scroll bars as the layout wished.
    SetHighQuality(Gr, false);
    if (!FDoingImage) {
        FHScrollBar->setVisible(FDoHScrollBar);
        FVScrollBar->setVisible(FDoVScrollBar);
    }
}

void TQvGraph2D::paintEvent(QPaintEvent* e)
{
    if (FHoverReadout) {
        PaintThroughImage();
        return;
    }
    // A partial repaint that reaches further left or down than the last one needs a complete
    // repaint when a series draws on whole pixels (its clipped line would break at the seam).
    const QRect clip = e->rect();
    if (!FLastClip.isNull() && clip != rect()) {
        bool canvas = false, pattern = false;
        for (TQvSeries* s : FRelatedSeries) {
            if (!s->SeriesVisible())
                continue;
            canvas = canvas || s->CanDoCanvasDraw();
            pattern = pattern || (s->AreaShown() && s->AreaBrush().style() != Qt::SolidPattern);
        }
        if (((clip.left() < FLastClip.left() || clip.bottom() > FLastClip.bottom()) && canvas) ||
            ((clip.left() != FLastClip.left() || clip.right() != FLastClip.right()) && pattern))
            FDoRepaint = true;
    }
    FLastClip = clip;
    {
        QPainter p(this);
        PaintGr(p);
        if (FMouseHandler)
            FMouseHandler->PaintOverlay(p);
    }
    if (FDoRepaint) {
        FDoRepaint = false;
        QMetaObject::invokeMethod(this, [this] { update(); }, Qt::QueuedConnection);
    }
}

void TQvGraph2D::PaintThroughImage()
{
    const qreal Ratio = devicePixelRatioF();
    const QSize Pixels = (QSizeF(size()) * Ratio).toSize();
    // An opaque background covers every pixel: the image needs no alpha channel then, and text
    // is drawn as it would be straight onto the window.
    const QImage::Format Format =
        QvAlpha(FBackColor) == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    if (FContentChanged || FRecalculate || FPaintImage.size() != Pixels || FPaintImage.format() != Format
        || FPaintImage.devicePixelRatio() != Ratio) {
        if (FPaintImage.size() != Pixels || FPaintImage.format() != Format)
            FPaintImage = QImage(Pixels, Format);
        FPaintImage.setDevicePixelRatio(Ratio);
        if (Format != QImage::Format_RGB32)
            FPaintImage.fill(Qt::transparent);
        {
            QPainter P(&FPaintImage);
            PaintGr(P);
        }
        // What the paint itself marked changed (layout echoes) is in the image already.
        FContentChanged = false;
    }
    QPainter P(this);
    P.drawImage(QPointF(0, 0), FPaintImage);
    if (FHighlighted && !FRelatedSeries.contains(FHighlighted.data()))
        FHighlighted = nullptr;
    if (FHighlighted) {
        // Everything drawn in the data area fades behind a veil of its background colour; the
        // highlighted series is drawn over it in full.
        QColor Veil = QvToQColor(QvAlpha(FDataAreaColor) != 0 ? FDataAreaColor
                                 : QvAlpha(FBackColor) != 0  ? FBackColor
                                                             : 0xFFFFFFFF);
        Veil.setAlpha(170);
        P.fillRect(FDrawingArea, Veil);
        ClipSeries(P);
        P.setClipRect(FDrawingArea, P.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        QvPaintHighlight(P, *FHighlighted);
        P.setClipping(false);
    }
    if (FMouseHandler)
        FMouseHandler->PaintOverlay(P);
}

// -------------------------------------------------------------------------------------------------
// Hover readout

void TQvGraph2D::SetHoverReadout(bool Value)
{
    if (FHoverReadout == Value)
        return;
    FHoverReadout = Value;
    setMouseTracking(Value);
    if (!Value) {
        FHighlighted = nullptr;
        FPaintImage = QImage();
    }
    FContentChanged = true;
    update();
}

TQvSeries* TQvGraph2D::HighlightedSeries() const
{
    return FHighlighted.data();
}

void TQvGraph2D::SetHighlightedSeries(TQvSeries* Series)
{
    if (FHighlighted.data() == Series)
        return;
    FHighlighted = Series;
    // The content is unchanged: the next paint copies the image and draws the new highlight.
    update();
}

TQvHoverInfo TQvGraph2D::HoverAt(const QPointF& Position, bool Highlight)
{
    TQvHoverInfo Info = QvHoverInfoAt(*this, Position);
    SetHighlightedSeries(Highlight ? Info.Series.data() : nullptr);
    emit OnHover(Info);
    return Info;
}

void TQvGraph2D::HoverLeave()
{
    SetHighlightedSeries(nullptr);
    emit OnHoverLeave();
}

void TQvGraph2D::leaveEvent(QEvent* e)
{
    TQvCustomGraph::leaveEvent(e);
    if (FHoverReadout)
        HoverLeave();
}

void TQvGraph2D::hideEvent(QHideEvent* e)
{
    TQvCustomGraph::hideEvent(e);
    // A hidden graph keeps no image of itself (five graphs would hold megabytes each).
    FPaintImage = QImage();
    FContentChanged = true;
}

// -------------------------------------------------------------------------------------------------
// Mouse

void TQvGraph2D::MouseDown(QMouseEvent* e)
{
    if (FMouseHandler)
        FMouseHandler->MouseDown(e);
    emit OnMouseDown(e);
}

void TQvGraph2D::MouseMove(QMouseEvent* e)
{
    if (FMouseHandler)
        FMouseHandler->MouseMove(e);
    // While a button is held (zooming, panning) the readout goes on but nothing is highlighted.
    if (FHoverReadout)
        HoverAt(e->position(), e->buttons() == Qt::NoButton && !Zooming() && !Panning());
    emit OnMouseMove(e);
}

void TQvGraph2D::MouseUp(QMouseEvent* e)
{
    if (FMouseHandler)
        FMouseHandler->MouseUp(e);
    emit OnMouseUp(e);
    // A release that moved less than 4 pixels from the press in each direction is a click.
    const QPoint Moved = e->position().toPoint() - FPressPos;
    if (std::abs(Moved.x()) < 4 && std::abs(Moved.y()) < 4) {
        if (FMouseHandler)
            FMouseHandler->Click(e);
        emit OnClick();
    }
}

void TQvGraph2D::DblClick(QMouseEvent* e)
{
    if (FMouseHandler)
        FMouseHandler->DblClick(e);
    emit OnDblClick();
}

void TQvGraph2D::Wheel(QWheelEvent* e)
{
    if (!(FMouseHandler && FMouseHandler->Wheel(e)))
        e->ignore();
}

void TQvGraph2D::mousePressEvent(QMouseEvent* e)
{
    FPressPos = e->position().toPoint();
    MouseDown(e);
}

void TQvGraph2D::mouseMoveEvent(QMouseEvent* e) { MouseMove(e); }
void TQvGraph2D::mouseReleaseEvent(QMouseEvent* e) { MouseUp(e); }
void TQvGraph2D::mouseDoubleClickEvent(QMouseEvent* e) { DblClick(e); }
void TQvGraph2D::wheelEvent(QWheelEvent* e) { Wheel(e); }

// -------------------------------------------------------------------------------------------------
// Zoom operations over all axes of the coupled group (the mouse handling is TQvGraphZoomer's)

int TQvGraph2D::ZoomStage() const
{
    return FPrimaryYAxis ? FPrimaryYAxis->ZoomStage() : 0;
}

int TQvGraph2D::ZoomBufferSize() const
{
    return FPrimaryYAxis ? FPrimaryYAxis->ZoomBufferSize() : 0;
}

bool TQvGraph2D::CanZoomBack() const
{
    const TQvZoomSettings* Z = Zoom();
    if (Z && Z->BufferType() == TQvZoomBufferType::AsCircularBuffer)
        return (FPrimaryXAxis && FPrimaryXAxis->CanZoomBack()) || (FPrimaryYAxis && FPrimaryYAxis->CanZoomBack());
    return ZoomStage() > 0;
}

bool TQvGraph2D::CanRedoZoom() const
{
    const TQvZoomSettings* Z = Zoom();
    if (Z && Z->BufferType() == TQvZoomBufferType::AsCircularBuffer)
        return CanZoomBack();
    return ZoomStage() < ZoomBufferSize() - 1;
}

void TQvGraph2D::ZoomBack()
{
    // In stack mode the unzoomed stage is the bottom: the axes would wrap round from there.
    if (!CanZoomBack())
        return;
    QvForgetScrolling(this);
    for (TQvGraph2D* M : QvCoupledMembers(this)) {
        for (TQvAxis* A : M->AxisChildren())
            A->ZoomBack();
        M->AllPointsModified();
        M->Invalidate();
    }
}

void TQvGraph2D::RedoZoom()
{
    if (!CanRedoZoom())
        return;
    QvForgetScrolling(this);
    for (TQvGraph2D* M : QvCoupledMembers(this)) {
        for (TQvAxis* A : M->AxisChildren())
            A->RedoZoom();
        M->AllPointsModified();
        M->Invalidate();
    }
}

void TQvGraph2D::ZoomToStage(int Stage)
{
    // Any recorded stage may be chosen, also forward from the unzoomed stage 0.
    if (Stage < 0 || Stage >= ZoomBufferSize())
        return;
    QvForgetScrolling(this);
    for (TQvGraph2D* M : QvCoupledMembers(this)) {
        for (TQvAxis* A : M->AxisChildren())
            A->ZoomToStage(Stage);
        M->AllPointsModified();
        M->Invalidate();
    }
}

void TQvGraph2D::ZoomReset()
{
    QvForgetScrolling(this);
    for (TQvGraph2D* M : QvCoupledMembers(this)) {
        for (TQvAxis* A : M->Axes()) {
            A->RangeModified();
            // An axis without series keeps its history through RangeModified: give it back its
            // unzoomed range and forget the stages, so that the whole graph is reset.
            if (A->CanZoomBack()) {
                A->ZoomToStage(0);
                A->ZoomClearBuffer();
                A->Modified();
            }
        }
        M->AllPointsModified();
        M->Invalidate();
    }
}

void TQvGraph2D::ZoomTo(const QPoint& Corner1, const QPoint& Corner2)
{
    const QRectF Area = FDrawingArea;
    const double Left = std::max<double>(std::min(Corner1.x(), Corner2.x()), std::floor(Area.x()));
    const double Right = std::min<double>(std::max(Corner1.x(), Corner2.x()), std::ceil(Area.x() + Area.width()));
    const double Top = std::max<double>(std::min(Corner1.y(), Corner2.y()), std::floor(Area.y()));
    const double Bottom = std::min<double>(std::max(Corner1.y(), Corner2.y()), std::ceil(Area.y() + Area.height()));

    QvForgetScrolling(this);
    TQvUpdateLock Lock(this);
    const QList<TQvAxis*> AxesList = Axes();
    const int N = int(AxesList.size());
    QVector<double> NewStart(N), NewStop(N);
    const TQvZoomSettings* Z = Zoom();
    if (!Z || !Z->OptimizeSeries()) {
        for (int i = 0; i < N; ++i) {
            TQvAxis* A = AxesList[i];
            if (A->Horizontal()) {
                NewStart[i] = A->WorldToNumber(Left);
                NewStop[i] = A->WorldToNumber(Right);
            } else {
                NewStart[i] = A->WorldToNumber(Bottom);
                NewStop[i] = A->WorldToNumber(Top);
            }
            if (NewStop[i] < NewStart[i])
                std::swap(NewStart[i], NewStop[i]);
        }
    } else {
        constexpr double Big = std::numeric_limits<double>::max();
        NewStart.fill(Big);
        NewStop.fill(-Big);
        for (TQvSeries* S : FRelatedSeries) {
            if (!S->SeriesVisible() || !S->XAxis() || !S->YAxis() || !S->XData() || !S->YData())
                continue;
            int Xi = int(AxesList.indexOf(S->XAxis()));
            int Yi = int(AxesList.indexOf(S->YAxis()));
            if (Xi < 0)
                Xi = 0;
            if (Yi < 0)
                Yi = 1;
            if (Xi >= N || Yi >= N)
                continue;
            double X1 = S->XAxis()->WorldToNumber(Left), X2 = S->XAxis()->WorldToNumber(Right);
            double Y1 = S->YAxis()->WorldToNumber(Bottom), Y2 = S->YAxis()->WorldToNumber(Top);
            if (X2 < X1)
                std::swap(X1, X2);
            if (Y2 < Y1)
                std::swap(Y1, Y2);
            const TQvCustomDoubleVector* XD = S->XData();
            const TQvCustomDoubleVector* YD = S->YData();
            const int Count = std::min(XD->Count(), YD->Count());
            for (int i = 0; i < Count; ++i) {
                if (!S->HasValuesAt(i))
                    continue;
                const double X = S->TransformX(XD->GetValue(i), i);
                const double Y = S->TransformY(YD->GetValue(i), i);
                if (!(X >= X1 && X <= X2 && Y >= Y1 && Y <= Y2))
                    continue;
                NewStart[Xi] = std::min(NewStart[Xi], X);
                NewStop[Xi] = std::max(NewStop[Xi], X);
                NewStart[Yi] = std::min(NewStart[Yi], Y);
                NewStop[Yi] = std::max(NewStop[Yi], Y);
            }
        }
    }
    for (int i = 0; i < N; ++i) {
        if (NewStop[i] >= NewStart[i])
            AxesList[i]->ZoomIn(NewStart[i], NewStop[i]);
        else
            Invalidate();
    }
    QvBringCoupledInStep(this);
    Lock.Release();
    AllPointsModified();
    Invalidate();
}

// -------------------------------------------------------------------------------------------------
// Persistence of the settings

namespace {

const QString Kind = QStringLiteral("TQvGraph2D");

// The axis or legend of a graph that a record names (the last of that name), or null.
TQvAxis* AxisNamed(const QList<TQvAxis*>& Axes, const QString& Name)
{
    TQvAxis* Found = nullptr;
    for (TQvAxis* A : Axes)
        if (A->objectName() == Name)
            Found = A;
    return Found;
}

TQvCustomLegend* LegendNamed(const QList<TQvGraphLegendBase*>& Legends, const QString& Name)
{
    TQvCustomLegend* Found = nullptr;
    for (TQvGraphLegendBase* B : Legends)
        if (auto* C = qobject_cast<TQvCustomLegend*>(B); C && C->objectName() == Name)
            Found = C;
    return Found;
}

} // namespace

// The four forms.

void TQvCustomGraph::WriteTo(const QString& FileName, bool IncludeValues) const
{
    QvWriteMapFile(FileName, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(const QString& FileName, bool IncludeValues)
{
    ReadSettings(QvReadMapFile(FileName, Kind), IncludeValues);
}

void TQvCustomGraph::WriteTo(QIODevice& Stream, bool IncludeValues) const
{
    QvWriteMap(Stream, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QIODevice& Stream, bool IncludeValues)
{
    ReadSettings(QvReadMap(Stream, Kind), IncludeValues);
}

void TQvCustomGraph::WriteTo(QXmlStreamWriter& Xml, bool IncludeValues) const
{
    QvWriteMap(Xml, Kind, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QXmlStreamReader& Xml, bool IncludeValues)
{
    ReadSettings(QvReadMap(Xml), IncludeValues);
}

void TQvCustomGraph::WriteTo(QSettings& Ini, const QString& Section, bool IncludeValues) const
{
    QvWriteMap(Ini, Section, WriteSettings(IncludeValues));
}

void TQvCustomGraph::ReadFrom(QSettings& Ini, const QString& Section, bool IncludeValues)
{
    ReadSettings(QvReadMap(Ini, Section), IncludeValues);
}

QVariantMap TQvCustomGraph::WriteSettings(bool) const
{
    QVariantMap M;
    M.insert(QStringLiteral("Graph"), QvWritePublished(this, &QWidget::staticMetaObject));
    return M;
}

void TQvCustomGraph::ReadSettings(const QVariantMap& M, bool)
{
    {
        const QScopedValueRollback<bool> Loading(FLoading, true);
        QvAsOneUndoStep(FUndoStack, QStringLiteral("Graph settings read"), [&] {
            QvReadPublished(this, M.value(QStringLiteral("Graph")).toMap(), {}, &QWidget::staticMetaObject);
        });
    }
    Modified();
}

// TQvGraph2D adds its axes, its series and the values they show.

QVariantMap TQvGraph2D::WriteSettings(bool IncludeValues) const
{
    QVariantMap M = TQvCustomGraph::WriteSettings(IncludeValues);
    QVariantMap Axes;
    for (const TQvAxis* A : AxisChildren())
        if (!A->objectName().isEmpty())
            Axes.insert(A->objectName(), QvWritePublished(A));
    M.insert(QStringLiteral("Axes"), Axes);
    // Values: every shown vector's with IncludeValues; else those of vectors that keep their
    // values with their settings (PersistentValues), under a key of their own that every read
    // applies.
    QVariantMap Series, Values;
    for (const TQvSeries* S : RelatedSeries()) {
        if (S->objectName().isEmpty())
            continue;
        Series.insert(S->objectName(), S->WriteProperties());
        for (const TQvCustomDoubleVector* V : {S->XData(), S->YData()}) {
            const auto* D = qobject_cast<const TQvDoubleVector*>(V);
            if (!D || D->objectName().isEmpty() || !(IncludeValues || D->ValuesStored()))
                continue;
            QStringList L;
            L.reserve(D->Count());
            for (int i = 0; i < D->Count(); ++i)
                L << QString::number(D->GetValue(i), 'g', 17);
            Values.insert(QvFullName(D), L);
        }
    }
    M.insert(QStringLiteral("Series"), Series);
    QVariantMap Legends;
    for (const TQvGraphLegendBase* L : RelatedLegends())
        if (const auto* C = qobject_cast<const TQvCustomLegend*>(L); C && !C->objectName().isEmpty())
            Legends.insert(C->objectName(), C->WriteSettings());
    if (!Legends.isEmpty())
        M.insert(QStringLiteral("Legends"), Legends);
    if (IncludeValues)
        M.insert(QStringLiteral("Values"), Values);
    else if (!Values.isEmpty())
        M.insert(QStringLiteral("PersistentValues"), Values);
    return M;
}

void TQvGraph2D::ReadSettings(const QVariantMap& M, bool IncludeValues)
{
    // Values first (the series' ranges then follow them), checked whole before any is stored.
    std::vector<std::pair<TQvDoubleVector*, std::vector<double>>> NewValues;
    for (const QString& Key : {QStringLiteral("Values"), QStringLiteral("PersistentValues")}) {
        if (Key == QLatin1String("Values") && !IncludeValues)
            continue;
        const QVariantMap Values = M.value(Key).toMap();
        for (auto It = Values.constBegin(); It != Values.constEnd(); ++It) {
            auto* D = qobject_cast<TQvDoubleVector*>(QvFindComponent(It.key()));
            if (!D)
                continue;   // not in this program: nothing to fill
            std::vector<double> V;
            const QStringList L = It->toStringList();
            V.reserve(size_t(L.size()));
            for (const QString& T : L) {
                bool Ok = false;
                V.push_back(T.toDouble(&Ok));
                if (!Ok)
                    throw EQvPersistenceError("Invalid value \"" + T.toStdString() + "\" for " + It.key().toStdString());
            }
            NewValues.emplace_back(D, std::move(V));
        }
    }
    // Every part is checked before anything changes (axes not yet here against a new one).
    QvCheckPublished(this, M.value(QStringLiteral("Graph")).toMap(), &QWidget::staticMetaObject);
    // The graph's own settings without the keys that start zooming and panning (read together).
    QVariantMap GraphMap = M.value(QStringLiteral("Graph")).toMap();
    struct
    {
        bool Given = false;
        TQvShiftState Zoom, Panning;
    } StartKeys;
    if (FZoom && GraphMap.value(QStringLiteral("Zoom")).metaType().id() == QMetaType::QVariantMap) {
        QVariantMap Z = GraphMap.value(QStringLiteral("Zoom")).toMap();
        StartKeys.Zoom = FZoom->StartZoom();
        StartKeys.Panning = FZoom->StartPanning();
        for (auto [Key, Field] : {std::pair{QStringLiteral("StartZoom"), &StartKeys.Zoom},
                                  std::pair{QStringLiteral("StartPanning"), &StartKeys.Panning}}) {
            const auto It = Z.constFind(Key);
            if (It == Z.cend())
                continue;
            bool Ok = false;
            const int V = It->toInt(&Ok);
            if (Ok) {
                *Field = TQvShiftState::fromInt(V);
                StartKeys.Given = true;
            }
            Z.remove(Key);
        }
        GraphMap.insert(QStringLiteral("Zoom"), Z);
    }
    {
        const QVariantMap Axes = M.value(QStringLiteral("Axes")).toMap();
        std::unique_ptr<TQvAxis> Probe;
        for (auto It = Axes.constBegin(); It != Axes.constEnd(); ++It) {
            if (It->metaType().id() != QMetaType::QVariantMap)
                throw EQvPersistenceError("Graph settings: axis " + It.key().left(80).toStdString() + " is not a record");
            TQvAxis* A = AxisNamed(AxisChildren(), It.key());
            if (!A) {
                if (!Probe)
                    Probe = std::make_unique<TQvAxis>();
                A = Probe.get();
            }
            const QVariantMap AM = It->toMap();
            QvCheckPublished(A, AM);
            for (const char* K : {"Start", "Stop"}) {
                bool Ok = true;
                const auto R = AM.constFind(QString::fromLatin1(K));
                if (R != AM.cend() && (R->toDouble(&Ok), !Ok || !std::isfinite(R->toDouble())))
                    throw EQvPersistenceError("Graph settings: " + std::string(K) + " of axis "
                                              + It.key().left(80).toStdString() + " is not a finite number");
            }
        }
        const QVariantMap Series = M.value(QStringLiteral("Series")).toMap();
        for (auto It = Series.constBegin(); It != Series.constEnd(); ++It)
            TQvSeries::CheckProperties(It->toMap());
        // Legends, those this graph lacks against a new one.
        const QVariantMap Legends = M.value(QStringLiteral("Legends")).toMap();
        std::unique_ptr<TQvLegend> LegendProbe;
        for (auto It = Legends.constBegin(); It != Legends.constEnd(); ++It) {
            const TQvCustomLegend* L = LegendNamed(RelatedLegends(), It.key());
            if (!L) {
                if (!LegendProbe)
                    LegendProbe = std::make_unique<TQvLegend>(nullptr);
                L = LegendProbe.get();
            }
            L->CheckSettings(It->toMap());
        }
        // The keys that start zooming and panning must differ as the whole record leaves them;
        // they are set together below, so that a record that swaps them is read.
        if (FZoom && StartKeys.Given && StartKeys.Zoom == StartKeys.Panning)
            throw EQvPersistenceError("Graph settings: zooming and panning would start with the same keys");
    }
    {
        const QScopedValueRollback<bool> Loading(FLoading, true);
        const TQvUpdateLock Lock(this);
        QvAsOneUndoStep(FUndoStack, QStringLiteral("Graph settings read"), [&] {
            // The axes exist before the graph's primary axes and the series refer to them.
            const QVariantMap Axes = M.value(QStringLiteral("Axes")).toMap();
            for (auto It = Axes.constBegin(); It != Axes.constEnd(); ++It) {
                TQvAxis* A = AxisNamed(AxisChildren(), It.key());
                if (!A) {
                    A = new TQvAxis(this);
                    A->setObjectName(It.key());
                }
                A->ReadSettings(It->toMap(), true);
            }
            QvReadPublished(this, GraphMap, {}, &QWidget::staticMetaObject);
            if (StartKeys.Given)
                FZoom->SetStartKeys(StartKeys.Zoom, StartKeys.Panning);
            for (auto& [D, V] : NewValues) {
                D->Clear();
                D->AddRange(V);
            }
            const QVariantMap Series = M.value(QStringLiteral("Series")).toMap();
            for (TQvSeries* S : RelatedSeries()) {
                const auto It = Series.constFind(S->objectName());
                if (It != Series.constEnd())
                    S->ReadProperties(It->toMap());
            }
            // Legends after the series they list; a legend this graph lacks is made.
            const QVariantMap Legends = M.value(QStringLiteral("Legends")).toMap();
            for (auto It = Legends.constBegin(); It != Legends.constEnd(); ++It) {
                TQvCustomLegend* L = LegendNamed(RelatedLegends(), It.key());
                if (!L) {
                    L = new TQvLegend(this);
                    L->setObjectName(It.key());
                }
                L->ReadSettings(It->toMap());
            }
        });
    }
    Modified();
}

// -------------------------------------------------------------------------------------------------
// Printing

void TQvCustomGraph::PrintTo(QPaintDevice* Device, const QRectF& Rect)
{
    if (!Device || Rect.isEmpty() || width() <= 0 || height() <= 0)
        return;
    const double Scale = std::min(Rect.width() / width(), Rect.height() / height());
    const QPointF Origin(Rect.x() + (Rect.width() - width() * Scale) / 2,
                         Rect.y() + (Rect.height() - height() * Scale) / 2);
    const QScopedValueRollback<bool> Image(FDoingImage, true);
    QPainter P(Device);
    P.translate(Origin);
    P.scale(Scale, Scale);
    P.setClipRect(QRectF(0, 0, width(), height()));
    PaintGr(P);
}
