#include "QvZoom.h"

#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"

#include <QCursor>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kScrollRange = 10000;
constexpr int kMinDrag = 5;        // a zoom rectangle narrower or lower than this only repaints
constexpr int kClickSlack = 4;     // a click beside the data may have moved less than this
constexpr int kWheelStep = 120;    // angle delta of one wheel notch
constexpr double kWheelFactor = 0.8; // shown span after one wheel step inwards

double Log10(double V)
{
    return V > 0 ? std::log10(V) : -300.0;
}

void RepaintNow(TQvGraph2D* G)
{
    if (G->isVisible())
        G->repaint();
    else
        G->Invalidate();
}

bool OutsideDrawingArea(const TQvGraph2D* G, const QPoint& P)
{
    const QRectF A = G->DrawingArea();
    return P.x() < A.left() || P.x() > A.left() + A.width() || P.y() < A.top() || P.y() > A.top() + A.height();
}

bool InsideDrawingArea(const TQvGraph2D* G, const QPointF& P)
{
    const QRectF A = G->DrawingArea();
    return P.x() >= A.left() && P.x() <= A.left() + A.width() && P.y() >= A.top() && P.y() <= A.top() + A.height();
}

} // namespace

// ---- the coupled group of a graph, shared with the graph's zoom operations

// The graph that owns the shared primary X axis of a group of coupled graphs, and its members.
QList<TQvGraph2D*> QvCoupledMembers(TQvGraph2D* G)
{
    TQvGraph2D* Owner = G;
    if (G->IsCoupledGraph() && G->PrimaryXAxis() && G->PrimaryXAxis()->Graph())
        Owner = G->PrimaryXAxis()->Graph();
    Owner->CheckCoupled();
    QList<TQvGraph2D*> All = Owner->ChildGraphs();
    All.prepend(Owner);
    if (!All.contains(G))
        All.prepend(G);
    return All;
}

QList<TQvGraph2D*> QvCoupledOthers(TQvGraph2D* G)
{
    QList<TQvGraph2D*> All = QvCoupledMembers(G);
    All.removeAll(G);
    return All;
}

// After a zoom or pan on G: every other member of its coupled group records its own axes'
// current range as a stage, so that all members keep the same stage count.
void QvBringCoupledInStep(TQvGraph2D* G)
{
    const QList<TQvAxis*> Done = G->Axes();
    for (TQvGraph2D* M : QvCoupledOthers(G)) {
        for (TQvAxis* A : M->AxisChildren())
            if (!Done.contains(A))
                A->ZoomIn(A->Start(), A->Stop());
        M->AllPointsModified();
        M->Invalidate();
    }
}

// A zoom operation ends any scroll sequence of the group that has not been committed yet.
void QvForgetScrolling(TQvGraph2D* G)
{
    for (TQvGraph2D* M : QvCoupledMembers(G))
        if (TQvZoomSettings* Z = M->Zoom(); Z && Z->Zoomer())
            Z->Zoomer()->ForgetScrollSequence();
}

TQvShiftState QvShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons)
{
    TQvShiftState S;
    if (Modifiers & Qt::ShiftModifier)
        S |= QvZoomTypes::ssShift;
    if (Modifiers & Qt::AltModifier)
        S |= QvZoomTypes::ssAlt;
    if (Modifiers & Qt::ControlModifier)
        S |= QvZoomTypes::ssCtrl;
    if (Buttons & Qt::LeftButton)
        S |= QvZoomTypes::ssLeft;
    if (Buttons & Qt::RightButton)
        S |= QvZoomTypes::ssRight;
    if (Buttons & Qt::MiddleButton)
        S |= QvZoomTypes::ssMiddle;
    return S;
}

// =================================================================================================
// TQvZoomSettings

TQvZoomSettings::TQvZoomSettings(TQvGraph2D* AParentGraph) : TQvComponent(AParentGraph), FParentGraph(AParentGraph)
{
    setObjectName(QStringLiteral("Zoom"));
    if (!AParentGraph)
        return;
    FZoomer = new TQvGraphZoomer(AParentGraph, this);
    connect(AParentGraph, &TQvGraph2D::OnBeginZoom, this, &TQvZoomSettings::OnBeginZoom);
    connect(AParentGraph, &TQvGraph2D::OnEndZoom, this, &TQvZoomSettings::OnEndZoom);
    connect(AParentGraph, &TQvGraph2D::OnBeginPanning, this, &TQvZoomSettings::OnBeginPanning);
    connect(AParentGraph, &TQvGraph2D::OnEndPanning, this, &TQvZoomSettings::OnEndPanning);
}

TQvZoomSettings::~TQvZoomSettings()
{
    delete FZoomer;
    FZoomer = nullptr;
}

TQvUndoStack* TQvZoomSettings::GetUndoStack() const
{
    return FParentGraph ? FParentGraph->UndoStack() : nullptr;
}

void TQvZoomSettings::SetAuto(bool Value)
{
    SetProp(FAuto, Value, "Graph auto zooming", "Auto");
}

void TQvZoomSettings::SetBufferType(TQvZoomBufferType Value)
{
    FBufferType = Value;
}

void TQvZoomSettings::SetOptimizeSeries(bool Value)
{
    SetProp(FOptimizeSeries, Value, "Graph zoom optimize for series data", "OptimizeSeries");
}

void TQvZoomSettings::SetBackOnClickBeside(bool Value)
{
    SetProp(FBackOnClickBeside, Value, "Graph zoom back clicking beside data", "BackOnClickBeside");
}

void TQvZoomSettings::SetBackOnRightBottomLeftTopFrame(bool Value)
{
    SetProp(FBackOnRightBottomLeftTopFrame, Value, "Graph zoom back clicking beside data",
            "BackOnRightBottomLeftTopFrame");
}

void TQvZoomSettings::SetResetOnDoubleClickBeside(bool Value)
{
    SetProp(FResetOnDoubleClickBeside, Value, "Graph zoom reset double clicking beside data",
            "ResetOnDoubleClickBeside");
}

void TQvZoomSettings::SetResetOnRightBottomLeftTopFrame(bool Value)
{
    SetProp(FResetOnRightBottomLeftTopFrame, Value, "Graph zoom reset dragging bottom/right top/left",
            "ResetOnRightBottomLeftTopFrame");
}

void TQvZoomSettings::SetStartZoom(TQvShiftState Value)
{
    if (Value == FStartZoom)
        return;
    if (Value == FStartPanning)
        throw EQvZoomSettingsError("Zooming and panning not allowed to start with same parameters");
    SetProp(FStartZoom, Value, "Graph zoom start keys", "StartZoom");
}

void TQvZoomSettings::SetStartPanning(TQvShiftState Value)
{
    if (Value == FStartPanning)
        return;
    if (Value == FStartZoom)
        throw EQvZoomSettingsError("Zooming and panning not allowed to start with same parameters");
    SetProp(FStartPanning, Value, "Graph panning start keys", "StartPanning");
}

void TQvZoomSettings::SetStartKeys(TQvShiftState Zoom, TQvShiftState Panning)
{
    if (Zoom == Panning)
        throw EQvZoomSettingsError("Zooming and panning not allowed to start with same parameters");
    if (Zoom == FStartPanning && Panning == FStartZoom && Zoom != FStartZoom) {
        // A swap: zooming first moves to keys that are neither.
        int Third = 1;
        while (TQvShiftState::fromInt(Third) == Zoom || TQvShiftState::fromInt(Third) == Panning)
            ++Third;
        SetStartZoom(TQvShiftState::fromInt(Third));
    }
    if (Zoom == FStartPanning) {
        SetStartPanning(Panning);
        SetStartZoom(Zoom);
    } else {
        SetStartZoom(Zoom);
        SetStartPanning(Panning);
    }
}

void TQvZoomSettings::SetHScrollbarVisible(bool Value)
{
    SetProp(FHScrollbarVisible, Value, "Graph zoomed show horizontal scrollbar", "HScrollbarVisible");
}

void TQvZoomSettings::SetVScrollbarVisible(bool Value)
{
    SetProp(FVScrollbarVisible, Value, "Graph zoomed show vertical scrollbar", "VScrollbarVisible");
}

void TQvZoomSettings::SetScrollSmallIncrement(TQvScrollIncrement Value)
{
    SetProp(FScrollSmallIncrement, Value, "Graph scrollbars small increment", "ScrollSmallIncrement");
}

void TQvZoomSettings::SetScrollLargeIncrement(TQvScrollIncrement Value)
{
    SetProp(FScrollLargeIncrement, Value, "Graph scrollbars large increment", "ScrollLargeIncrement");
}

void TQvZoomSettings::ZoomTo(const QPoint& Corner1, const QPoint& Corner2)
{
    if (FParentGraph)
        FParentGraph->ZoomTo(Corner1, Corner2);
}

void TQvZoomSettings::ZoomBack()
{
    if (FParentGraph)
        FParentGraph->ZoomBack();
}

void TQvZoomSettings::RedoZoom()
{
    if (FParentGraph)
        FParentGraph->RedoZoom();
}

void TQvZoomSettings::ZoomToStage(int Stage)
{
    if (FParentGraph)
        FParentGraph->ZoomToStage(Stage);
}

void TQvZoomSettings::ZoomReset()
{
    if (FParentGraph)
        FParentGraph->ZoomReset();
}

bool TQvZoomSettings::CanZoomBack() const
{
    return FParentGraph && FParentGraph->CanZoomBack();
}

bool TQvZoomSettings::CanRedoZoom() const
{
    return FParentGraph && FParentGraph->CanRedoZoom();
}

int TQvZoomSettings::ZoomStage() const
{
    return FParentGraph ? FParentGraph->ZoomStage() : 0;
}

int TQvZoomSettings::ZoomBufferSize() const
{
    return FParentGraph ? FParentGraph->ZoomBufferSize() : 0;
}

// =================================================================================================
// TQvGraphZoomer

class TQvGraphZoomer::TBandOverlay : public QWidget
{
public:
    explicit TBandOverlay(QWidget* Parent) : QWidget(Parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

    QPixmap Snapshot;
    QRect Band;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter P(this);
        P.setClipRect(e->rect());
        P.drawPixmap(0, 0, Snapshot);
        if (Band.isNull())
            return;
        // A focus-style rectangle: black dots over a white line, visible on any background.
        const QRect R = Band.adjusted(0, 0, -1, -1);
        P.setPen(QPen(Qt::white, 1));
        P.drawRect(R);
        P.setPen(QPen(Qt::black, 1, Qt::DotLine));
        P.drawRect(R);
    }
};

TQvGraphZoomer::TQvGraphZoomer(TQvGraph2D* AGraph, TQvZoomSettings* ASettings)
    : QObject(ASettings), FGraph(AGraph), FSettings(ASettings)
{
    FGraph->SetMouseHandler(this);
    FGraph->installEventFilter(this);
    if (FGraph->focusPolicy() == Qt::NoFocus)
        FGraph->setFocusPolicy(Qt::ClickFocus);
    QScrollBar* Bars[2] = {FGraph->HorizontalScrollBar(), FGraph->VerticalScrollbar()};
    for (QScrollBar* Bar : Bars) {
        if (!Bar)
            continue;
        Bar->setRange(0, kScrollRange);
        Bar->setFocusPolicy(Qt::NoFocus);
        Bar->setContextMenuPolicy(Qt::NoContextMenu);
        Bar->installEventFilter(this);
        connect(Bar, &QAbstractSlider::actionTriggered, this, [this, Bar](int Action) { ScrollAction(Bar, Action); });
    }
}

TQvGraphZoomer::~TQvGraphZoomer()
{
    if (FGraph && FGraph->MouseHandler() == this)
        FGraph->SetMouseHandler(nullptr);
    delete FBand;
}

QRect TQvGraphZoomer::RubberBand() const
{
    return (FZoomDragging && FBand && FBand->isVisible()) ? FBand->Band : QRect();
}

bool TQvGraphZoomer::HScrollbarVisible() const
{
    return FSettings->HScrollbarVisible();
}

bool TQvGraphZoomer::VScrollbarVisible() const
{
    return FSettings->VScrollbarVisible();
}

// ---- mouse ---------------------------------------------------------------------------------------

bool TQvGraphZoomer::MouseDown(QMouseEvent* e)
{
    if (!FSettings->Auto() || FZoomDragging || FPanDragging)
        return false;
    FDragStart = FLastDrag = e->position().toPoint();
    const TQvShiftState Shift = QvShiftStateOf(e->modifiers(), e->buttons());
    if (Shift == FSettings->StartZoom()) {
        FZoomDragging = true;
        emit FGraph->OnBeginZoom();
        return true;
    }
    if (FGraph->CanZoomBack() && Shift == FSettings->StartPanning()) {
        FPanDragging = true;
        FHadCursor = FGraph->testAttribute(Qt::WA_SetCursor);
        FOldCursor = FGraph->cursor();
        FGraph->setCursor(FSettings->PanningCursor());
        FPanAxes.clear();
        FInitialStarts.clear();
        FInitialStops.clear();
        for (TQvAxis* A : FGraph->Axes()) {
            FPanAxes.append(A);
            const bool Log = A->HasLogScaling();
            FInitialStarts.append(Log ? Log10(A->Start()) : A->Start());
            FInitialStops.append(Log ? Log10(A->Stop()) : A->Stop());
        }
        emit FGraph->OnBeginPanning();
        return true;
    }
    return false;
}

void TQvGraphZoomer::ShowBand()
{
    if (!FBand)
        FBand = new TBandOverlay(FGraph);
    const QRect Old = FBand->isVisible() ? FBand->Band : QRect();
    FBand->Band = QRect(FDragStart, FLastDrag).normalized().adjusted(0, 0, 1, 1);
    if (!FBand->isVisible()) {
        // The snapshot is taken once per drag; afterwards only the overlay repaints.
        FBand->Snapshot = FGraph->grab();
        FBand->setGeometry(FGraph->rect());
        FBand->raise();
        FBand->show();
        return;
    }
    FBand->update(Old.adjusted(-1, -1, 1, 1));
    FBand->update(FBand->Band.adjusted(-1, -1, 1, 1));
}

bool TQvGraphZoomer::MouseMove(QMouseEvent* e)
{
    const QPoint P = e->position().toPoint();
    if (FZoomDragging) {
        FLastDrag = P;
        ShowBand();
        return true;
    }
    if (!FPanDragging)
        return false;
    const int Dx = FDragStart.x() - P.x();
    const int Dy = P.y() - FDragStart.y();
    if (Dx == 0 || Dy == 0)
        return true;
    // Each axis moves by the mouse offset in its own units, so that everything drawn follows the
    // mouse; a twisted axis runs against the pixel direction.
    for (int i = 0; i < FPanAxes.size(); ++i) {
        TQvAxis* A = FPanAxes[i];
        if (!A)
            continue;
        double Shift = (A->Horizontal() ? Dx : Dy) * A->NormalizeConst();
        if (A->Twisted())
            Shift = -Shift;
        double NewStart = FInitialStarts[i] + Shift;
        double NewStop = FInitialStops[i] + Shift;
        if (A->HasLogScaling()) {
            NewStart = std::pow(10.0, NewStart);
            NewStop = std::pow(10.0, NewStop);
        }
        if (A->ScrollStart() <= NewStart && NewStop <= A->ScrollStop())
            A->SetStartStop(NewStart, NewStop);
    }
    FGraph->AllPointsModified();
    for (TQvGraph2D* M : QvCoupledOthers(FGraph)) {
        M->AllPointsModified();
        RepaintNow(M);
    }
    RepaintNow(FGraph);
    return true;
}

void TQvGraphZoomer::EndPanning()
{
    FPanDragging = false;
    if (FHadCursor)
        FGraph->setCursor(FOldCursor);
    else
        FGraph->unsetCursor();
    // A pan that moved nothing records no stage (the history would only repeat the view).
    bool Moved = false;
    for (int i = 0; i < FPanAxes.size(); ++i) {
        TQvAxis* A = FPanAxes[i];
        if (!A)
            continue;
        const bool Log = A->HasLogScaling();
        if ((Log ? Log10(A->Start()) : A->Start()) != FInitialStarts[i] ||
            (Log ? Log10(A->Stop()) : A->Stop()) != FInitialStops[i])
            Moved = true;
    }
    if (Moved) {
        QvForgetScrolling(FGraph);
        for (TQvAxis* A : FGraph->Axes())
            A->ZoomIn(A->Start(), A->Stop());
        QvBringCoupledInStep(FGraph);
    }
    FGraph->AllPointsModified();
    FGraph->Invalidate();
    emit FGraph->OnEndPanning();
}

bool TQvGraphZoomer::MouseUp(QMouseEvent* e)
{
    if (FZoomDragging) {
        FZoomDragging = false;
        FLastDrag = e->position().toPoint();
        if (FBand) {
            FBand->hide();
            FBand->Snapshot = QPixmap();
        }
        const QRectF Area = FGraph->DrawingArea();
        const bool RightBottomToLeftTop = FDragStart.x() >= FLastDrag.x() && FDragStart.y() >= FLastDrag.y();
        if (FSettings->ResetOnRightBottomLeftTopFrame() && RightBottomToLeftTop && FDragStart.x() > Area.left() &&
            FDragStart.y() > Area.top() && (FLastDrag.x() <= Area.left() || FLastDrag.y() <= Area.top())) {
            FGraph->ZoomReset();
        } else if (std::abs(FLastDrag.x() - FDragStart.x()) < kMinDrag ||
                   std::abs(FLastDrag.y() - FDragStart.y()) < kMinDrag) {
            FGraph->Invalidate();
        } else if (FSettings->BackOnRightBottomLeftTopFrame() && RightBottomToLeftTop) {
            FGraph->ZoomBack();
        } else {
            FGraph->ZoomTo(FDragStart, FLastDrag);
            emit FGraph->OnEndZoom();
        }
        return true;
    }
    if (FPanDragging) {
        EndPanning();
        return true;
    }
    return false;
}

bool TQvGraphZoomer::Click(QMouseEvent* e)
{
    if (FSettings->BackOnClickBeside() && FGraph->CanZoomBack() &&
        std::abs(FLastDrag.x() - FDragStart.x()) < kClickSlack && std::abs(FLastDrag.y() - FDragStart.y()) < kClickSlack &&
        OutsideDrawingArea(FGraph, e->position().toPoint())) {
        FGraph->ZoomBack();
        return true;
    }
    return false;
}

bool TQvGraphZoomer::DblClick(QMouseEvent* e)
{
    if (FSettings->ResetOnDoubleClickBeside() && FGraph->CanZoomBack() &&
        OutsideDrawingArea(FGraph, e->position().toPoint())) {
        FGraph->ZoomReset();
        return true;
    }
    return false;
}

// ---- wheel ---------------------------------------------------------------------------------------

bool TQvGraphZoomer::Wheel(QWheelEvent* e)
{
    if (!FSettings->Auto() || FZoomDragging || FPanDragging || !InsideDrawingArea(FGraph, e->position()))
        return false;
    FWheelRest += e->angleDelta().y();
    const int Steps = FWheelRest / kWheelStep;
    FWheelRest -= Steps * kWheelStep;
    if (Steps != 0)
        WheelZoom(e->position(), Steps);
    return true;
}

void TQvGraphZoomer::WheelZoom(const QPointF& At, int Steps)
{
    const QList<TQvAxis*> AxesList = FGraph->Axes();
    if (AxesList.isEmpty() || Steps == 0)
        return;
    // The value under the cursor stays in place; each step scales every axis' span around it
    // (on the logarithms for log axes) and records one stage.
    QVector<double> Centre;
    for (TQvAxis* A : AxesList) {
        const double V = A->WorldToNumber(A->Horizontal() ? At.x() : At.y());
        Centre.append(A->HasLogScaling() ? Log10(V) : V);
    }
    const double Factor = Steps > 0 ? kWheelFactor : 1.0 / kWheelFactor;
    QvForgetScrolling(FGraph);
    TQvUpdateLock Lock(FGraph);
    for (int Step = 0; Step < std::abs(Steps); ++Step) {
        QVector<double> NewStart, NewStop;
        bool Changed = false;
        for (int i = 0; i < AxesList.size(); ++i) {
            TQvAxis* A = AxesList[i];
            const bool Log = A->HasLogScaling();
            auto F = [Log](double V) { return Log ? Log10(V) : V; };
            const double S = F(A->Start()), E = F(A->Stop());
            double NS = Centre[i] + (S - Centre[i]) * Factor;
            double NE = Centre[i] + (E - Centre[i]) * Factor;
            if (Steps < 0) {
                // Zooming out never goes beyond the full range.
                const double FS = F(A->ScrollStart()), FE = F(A->ScrollStop());
                if (NE - NS >= FE - FS) {
                    NS = FS;
                    NE = FE;
                } else if (NS < FS) {
                    NE += FS - NS;
                    NS = FS;
                } else if (NE > FE) {
                    NS -= NE - FE;
                    NE = FE;
                }
            }
            if (Log) {
                NS = std::pow(10.0, NS);
                NE = std::pow(10.0, NE);
            }
            if (!(NE > NS))
                NE = NS = std::numeric_limits<double>::quiet_NaN();
            Changed = Changed || (NS == NS && (NS != A->Start() || NE != A->Stop()));
            NewStart.append(NS);
            NewStop.append(NE);
        }
        if (!Changed)
            break;
        for (int i = 0; i < AxesList.size(); ++i) {
            TQvAxis* A = AxesList[i];
            if (NewStart[i] == NewStart[i])
                A->ZoomIn(NewStart[i], NewStop[i]);
            else
                A->ZoomIn(A->Start(), A->Stop());
        }
        QvBringCoupledInStep(FGraph);
    }
    Lock.Release();
    FGraph->AllPointsModified();
    FGraph->Invalidate();
}

void TQvGraphZoomer::ForgetScrollSequence()
{
    for (int h = 0; h < 2; ++h) {
        FUncommitted[h] = false;
        FKeptSpans[h].clear();
    }
}

// ---- keys and scroll-bar release -----------------------------------------------------------------

bool TQvGraphZoomer::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FGraph && (Event->type() == QEvent::ShortcutOverride || Event->type() == QEvent::KeyPress)) {
        auto* K = static_cast<QKeyEvent*>(Event);
        const Qt::KeyboardModifiers Mods = K->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const bool Back = K->key() == Qt::Key_Z && Mods == Qt::ControlModifier;
        const bool Redo = K->key() == Qt::Key_Z && Mods == (Qt::ControlModifier | Qt::ShiftModifier);
        // The keys are the graph's only while there is a zoom stage to go to; otherwise they
        // stay with the window (its undo of property changes, for example).
        if ((Back && FGraph->CanZoomBack()) || (Redo && FGraph->CanRedoZoom())) {
            if (Event->type() == QEvent::KeyPress) {
                if (Back)
                    FGraph->ZoomBack();
                else
                    FGraph->RedoZoom();
            }
            Event->accept();
            return true;
        }
        return false;
    }
    if (Event->type() == QEvent::MouseButtonRelease) {
        // The end of a scroll action: commit the view reached as one zoom stage.
        for (int h = 0; h < 2; ++h) {
            QScrollBar* Bar = h == 0 ? FGraph->HorizontalScrollBar() : FGraph->VerticalScrollbar();
            if (Watched == Bar && FScrolled[h]) {
                FScrolled[h] = false;
                Scroll(h == 0, TQvScrollCode::EndScroll);
            }
        }
    }
    return QObject::eventFilter(Watched, Event);
}

// ---- scroll bars ---------------------------------------------------------------------------------

void TQvGraphZoomer::ScrollAction(QScrollBar* Bar, int Action)
{
    const bool Horizontal = Bar == FGraph->HorizontalScrollBar();
    TQvScrollCode Code;
    switch (Action) {
    case QAbstractSlider::SliderSingleStepSub: Code = TQvScrollCode::LineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: Code = TQvScrollCode::LineDown; break;
    case QAbstractSlider::SliderPageStepSub: Code = TQvScrollCode::PageUp; break;
    case QAbstractSlider::SliderPageStepAdd: Code = TQvScrollCode::PageDown; break;
    case QAbstractSlider::SliderMove: Code = TQvScrollCode::Track; break;
    case QAbstractSlider::SliderToMinimum: Code = TQvScrollCode::Top; break;
    case QAbstractSlider::SliderToMaximum: Code = TQvScrollCode::Bottom; break;
    default: return;
    }
    Scroll(Horizontal, Code, Bar->sliderPosition());
    FScrolled[Horizontal ? 0 : 1] = true;
}

void TQvGraphZoomer::ScrollBarValues(const TQvAxis* Primary, bool Horizontal, int& PageSize, int& Position)
{
    const bool Log = Primary->HasLogScaling();
    auto F = [Log](double V) { return Log ? Log10(V) : V; };
    const double SS = F(Primary->ScrollStart()), SE = F(Primary->ScrollStop());
    const double S = F(Primary->Start()), E = F(Primary->Stop());
    const double Shown = E - S;
    double Full = SE - SS;
    if (!(Full > 0))
        Full = Shown;
    auto Clamp = [](double V) { return int(std::clamp<double>(std::round(V), 0, kScrollRange)); };
    if (!(Full > 0)) {
        PageSize = kScrollRange;
        Position = 0;
        return;
    }
    PageSize = Clamp(kScrollRange * Shown / Full);
    auto Value = [&](double V) { return kScrollRange * (V - SS) / Full; };
    double Pos;
    if (Horizontal)
        Pos = Primary->Twisted() ? kScrollRange - Value(E) : Value(S);
    else
        Pos = Primary->Twisted() ? Value(S) : kScrollRange - Value(E);
    Position = Clamp(Pos);
}

void TQvGraphZoomer::FitScrollBars()
{
    if (FFitting || FGraph->DoingImage())
        return;
    const QScopedValueRollback<bool> Fitting(FFitting, true);
    const QRectF Area = FGraph->DrawingArea();
    for (int h = 0; h < 2; ++h) {
        const bool Hor = h == 0;
        QScrollBar* Bar = Hor ? FGraph->HorizontalScrollBar() : FGraph->VerticalScrollbar();
        TQvAxis* P = Hor ? FGraph->PrimaryXAxis() : FGraph->PrimaryYAxis();
        if (!Bar || !P || !(Hor ? FGraph->WantsHScrollBar() : FGraph->WantsVScrollBar()))
            continue;
        int Page = 0, Pos = 0;
        ScrollBarValues(P, Hor, Page, Pos);
        if (Bar->hasFocus())
            Bar->clearFocus();
        {
            const QSignalBlocker Block(Bar);
            Bar->setRange(0, std::max(0, kScrollRange - Page));
            Bar->setPageStep(std::max(1, Page));
            Bar->setSingleStep(std::max(1, Page / 10));
            if (!Bar->isSliderDown())
                Bar->setValue(Pos);
        }
        QRect G;
        if (Hor) {
            const int H = FGraph->HScrollBarHeight();
            G = QRect(int(Area.left()), FGraph->height() - H, int(Area.width()), H);
        } else {
            G = QRect(0, int(Area.top()), FGraph->VScrollBarWidth(), int(Area.height()));
        }
        if (Bar->geometry() != G)
            Bar->setGeometry(G);
    }
}

void TQvGraphZoomer::PaintOverlay(QPainter&)
{
    FitScrollBars();
}

void TQvGraphZoomer::Scroll(bool Horizontal, TQvScrollCode Code, int Position)
{
    TQvAxis* P = Horizontal ? FGraph->PrimaryXAxis() : FGraph->PrimaryYAxis();
    if (!P)
        return;
    const bool Track = Code == TQvScrollCode::Track;
    const bool Line = Code == TQvScrollCode::LineUp || Code == TQvScrollCode::LineDown;
    const bool Commit = !Track && !Line && Code != TQvScrollCode::PageUp && Code != TQvScrollCode::PageDown;
    // Page moves record their stage themselves; a commit code after them has nothing left to do.
    if (Commit && !FUncommitted[Horizontal ? 0 : 1])
        return;

    if ((Track || Line) && !FUncommitted[Horizontal ? 0 : 1])
        FKeptSpans[Horizontal ? 0 : 1].clear();

    const bool PLog = P->HasLogScaling();
    auto PF = [PLog](double V) { return PLog ? Log10(V) : V; };
    const double FullSpan = PF(P->ScrollStop()) - PF(P->ScrollStart());
    if (!(FullSpan > 0))
        return;
    double S = Horizontal ? 1 : -1;
    if (P->Twisted())
        S = -S;
    auto Increment = [&](TQvScrollIncrement Inc) {
        switch (Inc) {
        case TQvScrollIncrement::Page: return PF(P->Stop()) - PF(P->Start());
        case TQvScrollIncrement::MajorTick: return P->MajorIncrement();
        case TQvScrollIncrement::MinorTick: return P->MinorIncrement();
        case TQvScrollIncrement::Pixel: return P->NormalizeConst();
        }
        return 0.0;
    };
    double Shift = 0;
    switch (Code) {
    case TQvScrollCode::LineUp: Shift = -S * Increment(FSettings->ScrollSmallIncrement()); break;
    case TQvScrollCode::LineDown: Shift = S * Increment(FSettings->ScrollSmallIncrement()); break;
    case TQvScrollCode::PageUp: Shift = -S * Increment(FSettings->ScrollLargeIncrement()); break;
    case TQvScrollCode::PageDown: Shift = S * Increment(FSettings->ScrollLargeIncrement()); break;
    case TQvScrollCode::Track:
        if (S > 0)
            Shift = FullSpan * Position / kScrollRange + PF(P->ScrollStart()) - PF(P->Start());
        else
            Shift = FullSpan * (kScrollRange - Position) / kScrollRange + PF(P->ScrollStart()) - PF(P->Stop());
        break;
    default: break;
    }
    double Fraction = Shift / FullSpan;
    if (P->Twisted())
        Fraction = -Fraction;

    const QList<TQvAxis*> AxesList = FGraph->Axes();
    for (TQvAxis* A : AxesList) {
        if (A->Horizontal() != Horizontal)
            continue;
        const bool Log = A->HasLogScaling();
        auto F = [Log](double V) { return Log ? Log10(V) : V; };
        const double SS = A->ScrollStart(), SE = A->ScrollStop();
        double Span = F(SE) - F(SS);
        if (A->Twisted())
            Span = -Span;
        double AShift = Fraction * Span;
        const TQvAxisEndRounding R = A->EndRounding();
        const bool Round = !Track && (R == TQvAxisEndRounding::RndToMajorZoomToMinor || R == TQvAxisEndRounding::RndToMajor ||
                                      R == TQvAxisEndRounding::RndToMinor);
        const bool Major = R == TQvAxisEndRounding::RndToMajor;
        // Nudged so that a step of exactly one tick, rounded up to the tick, lands on the tick.
        if (Round)
            AShift *= AShift > 0 ? 0.9999 : 1.0001;
        double Shown = F(A->Stop()) - F(A->Start());
        if (Line || Track) {
            auto& Kept = FKeptSpans[Horizontal ? 0 : 1];
            auto It = std::find_if(Kept.begin(), Kept.end(), [A](const auto& K) { return K.first == A; });
            if (It != Kept.end())
                Shown = It->second;
            else
                Kept.append({A, Shown});
        }
        double NewStart, NewStop;
        if (!Log) {
            NewStart = A->Start() + AShift;
            if (Round)
                NewStart = A->RoundEnd(NewStart, true, Major);
        } else {
            NewStart = std::pow(10.0, AShift + Log10(A->Start()));
        }
        if (NewStart < SS)
            NewStart = SS;
        NewStop = Log ? std::pow(10.0, Log10(NewStart) + Shown) : NewStart + Shown;
        if (NewStop > SE) {
            NewStop = SE;
            NewStart = Log ? std::pow(10.0, Log10(SE) - Shown) : SE - Shown;
            if (!Log && Round)
                NewStart = A->RoundEnd(NewStart, true, Major);
        }
        if (Line || Track)
            A->SetStartStop(NewStart, NewStop);
        else
            A->ZoomIn(NewStart, NewStop);
        FGraph->AllPointsModified();
    }
    if (Line || Track) {
        FUncommitted[Horizontal ? 0 : 1] = true;
    } else {
        for (TQvAxis* A : AxesList)
            if (A->Horizontal() != Horizontal)
                A->ZoomIn(A->Start(), A->Stop());
        QvBringCoupledInStep(FGraph);
        ForgetScrollSequence();
    }
    for (TQvGraph2D* M : QvCoupledOthers(FGraph))
        RepaintNow(M);
    RepaintNow(FGraph);
}
