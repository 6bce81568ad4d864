#pragma once
// Mouse zoom, panning, zoom history and scroll bars of a graph.
//
// TQvZoomSettings is the graph's published Zoom sub-object: the options that steer mouse zooming,
// panning, the zoom history and the scroll bars, plus forwards of the graph's zoom operations.
// It owns a TQvGraphZoomer, the mouse handler that the graph calls for every mouse and wheel
// event; the zoomer also watches the graph's keys (Ctrl+Z / Ctrl+Shift+Z step through the zoom
// history) and drives the two scroll bars.
//
// Gestures (with the default settings):
//  - left drag: a rubber band; on release the graph zooms into it (all axes record one stage);
//  - click beside the drawing area: one zoom stage back; double click beside it: automatic ranges;
//  - Shift + left drag on a zoomed graph: panning with the hand cursor, inside the full range;
//  - wheel over the drawing area: zoom in or out around the cursor, one stage per wheel step;
//  - the scroll bars (shown while an axis is clipped) move the view along the full range.

#include "QvComponent.h"
#include "QvGraph2D.h"

#include <QCursor>
#include <QFlags>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QVector>
#include <QWidget>

#include <stdexcept>

class QScrollBar;
class TQvAxis;
class TQvGraphZoomer;

namespace QvZoomTypes {
Q_NAMESPACE
// How the zoom history is stepped: as a stack (back stops at the unzoomed stage) or as a ring
// (back from the first stage wraps round to the newest).
enum class TQvZoomBufferType { AsCircularBuffer, AsStack };
Q_ENUM_NS(TQvZoomBufferType)
// The step of a scroll-bar line or page move.
enum class TQvScrollIncrement { Page, MajorTick, MinorTick, Pixel };
Q_ENUM_NS(TQvScrollIncrement)
// Modifier keys and mouse buttons held during a mouse action.
enum TQvShiftStateFlag {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40
};
Q_DECLARE_FLAGS(TQvShiftState, TQvShiftStateFlag)
Q_FLAG_NS(TQvShiftState)
} // namespace QvZoomTypes
Q_DECLARE_OPERATORS_FOR_FLAGS(QvZoomTypes::TQvShiftState)

using QvZoomTypes::TQvScrollIncrement;
using QvZoomTypes::TQvShiftState;
using QvZoomTypes::TQvShiftStateFlag;
using QvZoomTypes::TQvZoomBufferType;

// The members of G's coupled group (the graphs sharing one primary X axis): the owner of the
// shared axis, its child graphs, and G itself.
QList<TQvGraph2D*> QvCoupledMembers(TQvGraph2D* G);
QList<TQvGraph2D*> QvCoupledOthers(TQvGraph2D* G);
// After a zoom or pan on G: every other member of its coupled group records its own axes'
// current range as a stage, so that all members keep the same stage count.
void QvBringCoupledInStep(TQvGraph2D* G);
// A zoom operation ends any scroll sequence of the group that has not been committed yet.
void QvForgetScrolling(TQvGraph2D* G);

// The shift state of a mouse event: its keyboard modifiers and the buttons held (for a press,
// including the pressed one).
TQvShiftState QvShiftStateOf(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons);

// Raised when zooming and panning would start with the same shift state.
class EQvZoomSettingsError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class TQvZoomSettings : public TQvComponent
{
    Q_OBJECT
    Q_PROPERTY(bool Auto READ Auto WRITE SetAuto)
    Q_PROPERTY(QvZoomTypes::TQvZoomBufferType BufferType READ BufferType WRITE SetBufferType)
    Q_PROPERTY(bool OptimizeSeries READ OptimizeSeries WRITE SetOptimizeSeries)
    Q_PROPERTY(bool BackOnClickBeside READ BackOnClickBeside WRITE SetBackOnClickBeside)
    Q_PROPERTY(bool BackOnRightBottomLeftTopFrame READ BackOnRightBottomLeftTopFrame WRITE SetBackOnRightBottomLeftTopFrame)
    Q_PROPERTY(bool ResetOnDoubleClickBeside READ ResetOnDoubleClickBeside WRITE SetResetOnDoubleClickBeside)
    Q_PROPERTY(bool ResetOnRightBottomLeftTopFrame READ ResetOnRightBottomLeftTopFrame WRITE SetResetOnRightBottomLeftTopFrame)
    Q_PROPERTY(QvZoomTypes::TQvShiftState StartZoom READ StartZoom WRITE SetStartZoom)
    Q_PROPERTY(QvZoomTypes::TQvShiftState StartPanning READ StartPanning WRITE SetStartPanning)
    Q_PROPERTY(Qt::CursorShape PanningCursor READ PanningCursor WRITE SetPanningCursor)
    Q_PROPERTY(bool HScrollbarVisible READ HScrollbarVisible WRITE SetHScrollbarVisible)
    Q_PROPERTY(bool VScrollbarVisible READ VScrollbarVisible WRITE SetVScrollbarVisible)
    Q_PROPERTY(QvZoomTypes::TQvScrollIncrement ScrollSmallIncrement READ ScrollSmallIncrement WRITE SetScrollSmallIncrement)
    Q_PROPERTY(QvZoomTypes::TQvScrollIncrement ScrollLargeIncrement READ ScrollLargeIncrement WRITE SetScrollLargeIncrement)
    Q_PROPERTY(bool CanZoomBack READ CanZoomBack STORED false)
    Q_PROPERTY(bool CanRedoZoom READ CanRedoZoom STORED false)
    Q_PROPERTY(int ZoomStage READ ZoomStage STORED false)
    Q_PROPERTY(int ZoomBufferSize READ ZoomBufferSize STORED false)
public:
    // Created by its graph (named "Zoom"); plugs its mouse handler into the graph.
    explicit TQvZoomSettings(TQvGraph2D* AParentGraph);
    ~TQvZoomSettings() override;

    // The graph's undo stack.
    TQvUndoStack* GetUndoStack() const override;
    TQvGraph2D* ParentGraph() const { return FParentGraph.data(); }
    TQvGraphZoomer* Zoomer() const { return FZoomer; }

    bool Auto() const { return FAuto; }                                        // true
    void SetAuto(bool Value);
    TQvZoomBufferType BufferType() const { return FBufferType; }               // AsStack
    void SetBufferType(TQvZoomBufferType Value);
    bool OptimizeSeries() const { return FOptimizeSeries; }                    // false
    void SetOptimizeSeries(bool Value);
    bool BackOnClickBeside() const { return FBackOnClickBeside; }              // true
    void SetBackOnClickBeside(bool Value);
    bool BackOnRightBottomLeftTopFrame() const { return FBackOnRightBottomLeftTopFrame; } // false
    void SetBackOnRightBottomLeftTopFrame(bool Value);
    bool ResetOnDoubleClickBeside() const { return FResetOnDoubleClickBeside; } // true
    void SetResetOnDoubleClickBeside(bool Value);
    bool ResetOnRightBottomLeftTopFrame() const { return FResetOnRightBottomLeftTopFrame; } // false
    void SetResetOnRightBottomLeftTopFrame(bool Value);
    // Equal shift states for zooming and panning are refused (EQvZoomSettingsError).
    TQvShiftState StartZoom() const { return FStartZoom; }                     // left button
    void SetStartZoom(TQvShiftState Value);
    TQvShiftState StartPanning() const { return FStartPanning; }               // Shift + left button
    void SetStartPanning(TQvShiftState Value);
    // Both keys at once, as a stored record gives them (a swap goes through a third value, so that
    // every step and its undo keep the two apart). Raises EQvZoomSettingsError when they are equal.
    void SetStartKeys(TQvShiftState Zoom, TQvShiftState Panning);
    Qt::CursorShape PanningCursor() const { return FPanningCursor; }           // pointing hand
    void SetPanningCursor(Qt::CursorShape Value) { FPanningCursor = Value; }
    bool HScrollbarVisible() const { return FHScrollbarVisible; }              // true
    void SetHScrollbarVisible(bool Value);
    bool VScrollbarVisible() const { return FVScrollbarVisible; }              // true
    void SetVScrollbarVisible(bool Value);
    TQvScrollIncrement ScrollSmallIncrement() const { return FScrollSmallIncrement; } // MinorTick
    void SetScrollSmallIncrement(TQvScrollIncrement Value);
    TQvScrollIncrement ScrollLargeIncrement() const { return FScrollLargeIncrement; } // Page
    void SetScrollLargeIncrement(TQvScrollIncrement Value);

    // Forwards to the graph.
    void ZoomTo(const QPoint& Corner1, const QPoint& Corner2);
    void ZoomBack();
    void RedoZoom();
    void ZoomToStage(int Stage);
    void ZoomReset();
    bool CanZoomBack() const;
    bool CanRedoZoom() const;
    int ZoomStage() const;
    int ZoomBufferSize() const;

signals:
    // The graph's events of the same name (re-emitted here, so either may be connected).
    void OnBeginZoom();
    void OnEndZoom();
    void OnBeginPanning();
    void OnEndPanning();

private:
    QPointer<TQvGraph2D> FParentGraph;
    TQvGraphZoomer* FZoomer = nullptr;
    bool FAuto = true;
    TQvZoomBufferType FBufferType = TQvZoomBufferType::AsStack;
    bool FOptimizeSeries = false;
    bool FBackOnClickBeside = true;
    bool FBackOnRightBottomLeftTopFrame = false;
    bool FResetOnDoubleClickBeside = true;
    bool FResetOnRightBottomLeftTopFrame = false;
    TQvShiftState FStartZoom = QvZoomTypes::ssLeft;
    TQvShiftState FStartPanning = QvZoomTypes::ssShift | QvZoomTypes::ssLeft;
    Qt::CursorShape FPanningCursor = Qt::PointingHandCursor;
    bool FHScrollbarVisible = true;
    bool FVScrollbarVisible = true;
    TQvScrollIncrement FScrollSmallIncrement = TQvScrollIncrement::MinorTick;
    TQvScrollIncrement FScrollLargeIncrement = TQvScrollIncrement::Page;
};

// The scroll actions of the graph's scroll bars.
enum class TQvScrollCode { LineUp, LineDown, PageUp, PageDown, Track, Position, Top, Bottom, EndScroll };

// The mouse, wheel, key and scroll-bar behaviour of one graph. Owned by the graph's zoom
// settings; the graph calls it through TQvGraphMouseHandler.
class TQvGraphZoomer : public QObject, public TQvGraphMouseHandler
{
    Q_OBJECT
public:
    TQvGraphZoomer(TQvGraph2D* AGraph, TQvZoomSettings* ASettings);
    ~TQvGraphZoomer() override;

    // TQvGraphMouseHandler
    bool MouseDown(QMouseEvent* e) override;
    bool MouseMove(QMouseEvent* e) override;
    bool MouseUp(QMouseEvent* e) override;
    bool Click(QMouseEvent* e) override;
    bool DblClick(QMouseEvent* e) override;
    bool Wheel(QWheelEvent* e) override;
    void PaintOverlay(QPainter& Gr) override;
    bool HScrollbarVisible() const override;
    bool VScrollbarVisible() const override;
    bool Zooming() const override { return FZoomDragging; }
    bool Panning() const override { return FPanDragging; }

    QPoint DragStart() const { return FDragStart; }
    QPoint LastDrag() const { return FLastDrag; }
    // The rubber band currently shown (empty when none).
    QRect RubberBand() const;

    // One scroll action of the horizontal (Horizontal true) or vertical bar; Position is the
    // bar's position for Track.
    void Scroll(bool Horizontal, TQvScrollCode Code, int Position = 0);
    // Sets the scroll bars' page size, position and place from the current ranges.
    void FitScrollBars();
    // Page size and position of a bar over its primary axis (0 ... 10000).
    static void ScrollBarValues(const TQvAxis* Primary, bool Horizontal, int& PageSize, int& Position);

    // Zoom in (Steps > 0) or out around the client pixel At by Steps wheel steps.
    void WheelZoom(const QPointF& At, int Steps);
    // Drops a scroll sequence that has not been committed (the view changed another way).
    void ForgetScrollSequence();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void ShowBand();
    void EndPanning();
    void ScrollAction(QScrollBar* Bar, int Action);

    TQvGraph2D* FGraph = nullptr;
    TQvZoomSettings* FSettings = nullptr;
    bool FZoomDragging = false;
    bool FPanDragging = false;
    QPoint FDragStart;
    QPoint FLastDrag;
    QVector<double> FInitialStarts;
    QVector<double> FInitialStops;
    QList<QPointer<TQvAxis>> FPanAxes;
    QCursor FOldCursor;
    bool FHadCursor = false;
    int FWheelRest = 0;
    bool FFitting = false;
    bool FScrolled[2] = {false, false};
    // Line and track moves applied since the last recorded stage, per bar.
    bool FUncommitted[2] = {false, false};
    // The span (of the logarithms on log axes) each axis keeps through a sequence of line and
    // track moves: taken at the sequence's first move, because the layout rounds the shown ends
    // out to ticks at every paint and the rounded span would grow from move to move.
    QList<QPair<QPointer<TQvAxis>, double>> FKeptSpans[2];
    // The rubber band: an opaque overlay that shows a snapshot of the graph with the rectangle,
    // so that moving the rectangle never repaints the graph itself.
    class TBandOverlay;
    TBandOverlay* FBand = nullptr;
};
