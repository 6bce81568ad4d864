#pragma once
// The graph control: a widget that shows one 2D chart. A rectangular drawing area framed by any
// number of axes (TQvAxis children of the graph), an optional title, optional legends and grid
// lines; every series whose Y axis sits on the graph is painted inside the drawing area.
//
// TQvCustomGraph holds what does not depend on 2D geometry (title, background, smoothing,
// update counting, undo-stack link, image export). TQvGraph2D adds axes, series, grids, the
// drawing area and the paint pipeline (PaintGr).
//
// Layout is lazy: property changes call Modified() (layout redone before the next paint) or
// just request a repaint; the next paint runs Calculate(), which hands the layout to the
// primary X axis (it lays out every axis of the graph and writes the drawing area).
//
// Hooks for later pieces:
//  - mouse: every mouse and wheel event goes to the protected virtual MouseDown / MouseMove /
//    MouseUp / DblClick / Wheel methods, whose default forwards to a plugged-in
//    TQvGraphMouseHandler (the zoom and panning code installs one) and then emits the
//    OnMouseDown / OnMouseMove / OnMouseUp / OnClick / OnDblClick signals;
//  - legends: TQvGraphLegendBase children register with the graph, are measured and docked by
//    the layout pass and painted in step 13 of PaintGr;
//  - hover readout (SetHoverReadout): mouse moves without a button report what the cursor
//    points at (OnHover, OnHoverLeave) and the series of the nearest point is drawn highlighted.
//    The graph then paints through an image of its last complete paint, so that moving the
//    highlight costs a copy of that image and one series drawn over it, not a whole paint.

#include "QvChartTypes.h"
#include "QvColors.h"
#include "QvComponent.h"
#include "QvHover.h"
#include "QvStyles.h"
#include "QvSeriesList.h"
#include "QvUndoStack.h"

#include <QImage>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

class QPainter;
class QScrollBar;
class QIODevice;
class TQvUndoStack;
class TQvAxis;
class TQvSeries;
class TQvFont;
class TQvCustomDoubleVector;
class TQvGraph2D;
class TQvZoomSettings;
class QIODevice;
class QPaintDevice;
class QSettings;
class QXmlStreamReader;
class QXmlStreamWriter;

// Base of the legends: a lightweight child of the graph (no window of its own) with its own
// bounds in the graph's client area, painted by the graph. Creating one with a graph as owner
// registers it with that graph.
class TQvGraphLegendBase : public TQvComponent
{
    Q_OBJECT
public:
    explicit TQvGraphLegendBase(QObject* AOwner = nullptr);
    ~TQvGraphLegendBase() override;

    TQvGraph2D* Graph() const { return FGraphLink; }
    // Attaches the legend to a graph (none detaches).
    virtual void SetGraph(TQvGraph2D* AGraph);

    virtual bool IsVisible() const { return FVisibleLegend; }
    void SetVisibleLegend(bool Value);
    virtual TQvLegendPosition DockPosition() const { return TQvLegendPosition::FreeFloating; }

    QRect Bounds() const { return FBounds; }
    virtual void SetBounds(const QRect& R) { FBounds = R; }

    // Measures the legend (sets its size) before the layout places it.
    virtual void PreparePaint() {}
    // Paints the legend; the painter is translated to the legend's top-left corner.
    virtual void PaintGr(QPainter& Gr) {}
    // The graph's series changed (attached, detached, renamed, restyled).
    virtual void SeriesChanged() {}
    virtual void SetUndoStack(TQvUndoStack* AStack) {}

protected:
    QPointer<TQvGraph2D> FGraphLink;
    QRect FBounds;
    bool FVisibleLegend = true;
};

// What a mouse handler plugged into a graph receives. Each method returns true when it consumed
// the event; the graph's signals fire in any case afterwards.
class TQvGraphMouseHandler
{
public:
    virtual ~TQvGraphMouseHandler() = default;
    virtual bool MouseDown(QMouseEvent* e) { return false; }
    virtual bool MouseMove(QMouseEvent* e) { return false; }
    virtual bool MouseUp(QMouseEvent* e) { return false; }
    virtual bool Click(QMouseEvent* e) { return false; }
    virtual bool DblClick(QMouseEvent* e) { return false; }
    virtual bool Wheel(QWheelEvent* e) { return false; }
    // Drawn over the finished graph (a rubber band, for example).
    virtual void PaintOverlay(QPainter& Gr) {}
    // Whether a clipped axis may bring up the scroll bar of its orientation.
    virtual bool HScrollbarVisible() const { return true; }
    virtual bool VScrollbarVisible() const { return true; }
    // State exposed by the graph's read-only properties.
    virtual bool Zooming() const { return false; }
    virtual bool Panning() const { return false; }
};

struct TQvFindSeriesPointResult
{
    bool Found = false;
    TQvSeries* InSeries = nullptr;
    int Index = -1;
    double X = 0;
    double Y = 0;
};

class TQvCustomGraph : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TQvCaptionAlignment CaptionAlignment READ CaptionAlignment WRITE SetCaptionAlignment)
    Q_PROPERTY(quint32 CaptionColor READ CaptionColor WRITE SetCaptionColor)
    Q_PROPERTY(double CaptionDistanceAfter READ CaptionDistanceAfter WRITE SetCaptionDistanceAfter)
    Q_PROPERTY(double CaptionDistanceBefore READ CaptionDistanceBefore WRITE SetCaptionDistanceBefore)
    Q_PROPERTY(bool CaptionVisible READ CaptionVisible WRITE SetCaptionVisible)
public:
    explicit TQvCustomGraph(QWidget* AParent = nullptr);
    ~TQvCustomGraph() override;

    // --- undo stack link
    TQvUndoStack* UndoStack() const { return FUndoStack; }
    virtual void SetUndoStack(TQvUndoStack* AStack);
    // The stack the graph's children record on (same as UndoStack()).
    virtual TQvUndoStack* GetUndoStack() const { return FUndoStack; }

    // --- published properties
    quint32 BackColor() const { return FBackColor; }
    void SetBackColor(quint32 Value);
    TQvGradientSettings* BackgroundGradient() const { return FBackgroundGradient; }
    TQvSmoothingMode SmoothingMode() const { return FSmoothingMode; }
    void SetSmoothingMode(TQvSmoothingMode Value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    TQvCaptionAlignment CaptionAlignment() const { return FCaptionAlignment; }
    void SetCaptionAlignment(TQvCaptionAlignment Value);
    // The title's colour is the fill colour of the caption font.
    quint32 CaptionColor() const;
    void SetCaptionColor(quint32 Value);
    double CaptionDistanceAfter() const { return FCaptionDistanceAfter; }
    void SetCaptionDistanceAfter(double Value);
    double CaptionDistanceBefore() const { return FCaptionDistanceBefore; }
    void SetCaptionDistanceBefore(double Value);
    bool CaptionVisible() const { return FCaptionVisible; }
    void SetCaptionVisible(bool Value);
    // The title font (also the graph's Font); owned by the graph. Setting copies the font.
    TQvFont* CaptionFont() const { return FCaptionFont; }
    void SetCaptionFont(const TQvFont* Value);
    TQvFont* Font() const { return FCaptionFont; }

    // --- title record (measured at layout time; read by the layout pass)
    QString CaptionAsString() const;
    // Re-measures the title, then Modified().
    void ParseCaption();
    bool TitleShown() const { return FCaptionVisible && !FCaption.trimmed().isEmpty(); }
    QSizeF TitleSize() const { return FTitleSize; }
    // Anchor of the title: x is the left edge, right edge or centre by CaptionAlignment, y the top.
    QPointF TitleAnchor() const { return FTitleAnchor; }

    // --- update cycle
    virtual void Modified();
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    virtual void Calculate() {}
    bool NeedsRecalculate() const { return FRecalculate; }
    bool DoingImage() const { return FDoingImage; }
    // True while painting into a vector format (SVG, PDF): positions are not rounded to pixels.
    bool DoingMetafile() const { return FDoingMetafile; }
    // True while PaintGr runs: repaint requests are dropped then (the paint is already on its way).
    bool Painting() const { return FPainting; }
    // Repaint request that is safe to make while painting. Also announces OnChanged.
    void Invalidate();
    // Queues one OnChanged for the next turn of the event loop (several changes in a row give
    // one signal). Every property change of the graph, its axes, series and legends ends in a
    // repaint request, and a layout may move the automatic axis ends: both come through here.
    void NotifyChanged();
    // Repaint request that is honoured while painting, too.
    void RequestRepaint();
    // Sets the painter's render hints for the graph's smoothing mode (High false: no smoothing).
    void SetHighQuality(QPainter& Gr, bool High) const;
    // True when Control is one of the graph's own components (an axis, a legend or another
    // object whose parent is this graph).
    bool Contains(const QObject* Control) const;

    // --- painting
    // Paints the whole graph with Gr (whose device is Width() x Height() logical pixels).
    virtual void PaintGr(QPainter& Gr) = 0;

    // --- image export. Images are rendered at DevicePixelRatio (0: the screen's ratio).
    QImage AsImage(double DevicePixelRatio = 1.0, bool RemoveTransparency = true,
                   quint32 TransparentExchangeColor = 0xFFFFFFFF);
    // The graph as a bitmap; transparent pixels become TransparentExchangeColor.
    QImage AsTBitmap(quint32 TransparentExchangeColor = 0xFFFFFFFF);
    bool SaveImage(const QString& FileName, TQvImageFormat Format, bool RemoveTransparency = true,
                   quint32 TransparentExchangeColor = 0xFFFFFFFF);
    bool SaveImage(QIODevice* Stream, TQvImageFormat Format, bool RemoveTransparency = true,
                   quint32 TransparentExchangeColor = 0xFFFFFFFF);
    bool SaveSvg(QIODevice* Stream);
    // The graph in the platform's vector format (SVG), as a metafile is elsewhere.
    QByteArray AsTMetafile();
    bool SavePdf(QIODevice* Stream);
    // Puts the graph on the clipboard as an image rendered at the screen's pixel ratio.
    void CopyToClipboard();
    // Draws the graph into any paint device, a printer included, scaled to fit Rect (device
    // coordinates) with its proportions kept and centred in it.
    void PrintTo(QPaintDevice* Device, const QRectF& Rect);

    // --- persistence of the settings: the graph's stored properties and, for TQvGraph2D, its
    // axes and series; IncludeValues adds the values of the vectors the series show. A damaged or
    // foreign record raises EQvPersistenceError before anything changes; reading is one undo step.
    void WriteTo(const QString& FileName, bool IncludeValues = false) const;
    void ReadFrom(const QString& FileName, bool IncludeValues = false);
    void WriteTo(QIODevice& Stream, bool IncludeValues = false) const;
    void ReadFrom(QIODevice& Stream, bool IncludeValues = false);
    void WriteTo(QXmlStreamWriter& Xml, bool IncludeValues = false) const;
    void ReadFrom(QXmlStreamReader& Xml, bool IncludeValues = false);
    void WriteTo(QSettings& Ini, const QString& Section, bool IncludeValues = false) const;
    void ReadFrom(QSettings& Ini, const QString& Section, bool IncludeValues = false);
    // True while settings are being read.
    bool Loading() const { return FLoading; }
    virtual QVariantMap WriteSettings(bool IncludeValues) const;
    virtual void ReadSettings(const QVariantMap& M, bool IncludeValues);

signals:
    void OnMouseDown(QMouseEvent* e);
    void OnMouseMove(QMouseEvent* e);
    void OnMouseUp(QMouseEvent* e);
    void OnClick();
    void OnDblClick();
    // The graph or one of its axes, series or legends changed, or the layout moved an axis'
    // automatic ends. Queued: emitted once after a run of changes, from the event loop.
    void OnChanged();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    // Runs a paint into any device; sets FDoingImage meanwhile.
    void RenderTo(QPaintDevice* Device, bool AsImage);
    virtual void SizeChanged() {}

    QPointer<TQvUndoStack> FUndoStack;
    quint32 FBackColor = 0x00FFFFFF;   // named colour "Transparent"
    TQvGradientSettings* FBackgroundGradient = nullptr;
    TQvSmoothingMode FSmoothingMode = TQvSmoothingMode::HighQuality;
    QString FCaption;
    TQvCaptionAlignment FCaptionAlignment = TQvCaptionAlignment::Center;
    double FCaptionDistanceAfter = 0;
    double FCaptionDistanceBefore = 0;
    bool FCaptionVisible = false;
    TQvFont* FCaptionFont = nullptr;
    QSizeF FTitleSize;
    QPointF FTitleAnchor;

    int FUpdateCount = 0;
    bool FRecalculate = true;
    bool FOnce = true;
    bool FDoingImage = false;
    bool FDoingMetafile = false;
    bool FLoading = false;
    bool FPainting = false;
    bool FChangeQueued = false;
    // Something drawn changed since the last complete paint (Invalidate, Modified, RequestRepaint).
    bool FContentChanged = true;
    QTimer FPollingTimer;

    // Pushes PropName of this graph on the undo stack (when one is attached and enabled).
    void PushUndo(const char* Description, const char* PropName);
    template <class T, class U>
    bool SetProp(T& Field, const U& Value, const char* Description, const char* PropName)
    {
        if (Field == static_cast<T>(Value))
            return false;
        PushUndo(Description, PropName);
        Field = static_cast<T>(Value);
        return true;
    }

private:
    // The layout pass places the title.
    friend class TQvAxisLayout;
    void SetTitleAnchor(const QPointF& P) { FTitleAnchor = P; }
};

// Holds a graph's update lock: BeginUpdate when made, EndUpdate at Release or when the scope is
// left, by return or by exception, so that a graph is never left locked (a locked graph neither
// lays out nor recalculates).
class TQvUpdateLock
{
public:
    explicit TQvUpdateLock(TQvCustomGraph* AGraph) : FGraph(AGraph)
    {
        if (FGraph)
            FGraph->BeginUpdate();
    }
    ~TQvUpdateLock() { Release(); }
    void Release()
    {
        if (FGraph)
            FGraph->EndUpdate();
        FGraph = nullptr;
    }
    TQvUpdateLock(const TQvUpdateLock&) = delete;
    TQvUpdateLock& operator=(const TQvUpdateLock&) = delete;

private:
    QPointer<TQvCustomGraph> FGraph;
};

class TQvGraph2D : public TQvCustomGraph
{
    Q_OBJECT
    Q_PROPERTY(quint32 DataAreaColor READ DataAreaColor WRITE SetDataAreaColor)
    Q_PROPERTY(double DistanceBorderAxisTop READ DistanceBorderAxisTop WRITE SetDistanceBorderAxisTop)
    Q_PROPERTY(double DistanceBorderAxisBottom READ DistanceBorderAxisBottom WRITE SetDistanceBorderAxisBottom)
    Q_PROPERTY(double DistanceBorderAxisLeft READ DistanceBorderAxisLeft WRITE SetDistanceBorderAxisLeft)
    Q_PROPERTY(double DistanceBorderAxisRight READ DistanceBorderAxisRight WRITE SetDistanceBorderAxisRight)
    Q_PROPERTY(QObject* PrimaryXAxis READ PrimaryXAxisObject WRITE SetPrimaryXAxisObject)
    Q_PROPERTY(QObject* PrimaryYAxis READ PrimaryYAxisObject WRITE SetPrimaryYAxisObject)
    Q_PROPERTY(bool ZeroOrigin READ ZeroOrigin WRITE SetZeroOrigin)
    Q_PROPERTY(QObject* Zoom READ ZoomObject)
public:
    explicit TQvGraph2D(QWidget* AParent = nullptr);
    ~TQvGraph2D() override;

    void SetUndoStack(TQvUndoStack* AStack) override;

    // --- published properties
    TQvLineSettings* DataAreaFrame() const { return FDataAreaFrame; }
    quint32 DataAreaColor() const { return FDataAreaColor; }
    void SetDataAreaColor(quint32 Value);
    TQvGradientSettings* DataAreaGradient() const { return FDataAreaGradient; }
    double DistanceBorderAxisTop() const { return FDistanceBorderAxisTop; }
    void SetDistanceBorderAxisTop(double Value);
    double DistanceBorderAxisBottom() const { return FDistanceBorderAxisBottom; }
    void SetDistanceBorderAxisBottom(double Value);
    double DistanceBorderAxisLeft() const { return FDistanceBorderAxisLeft; }
    void SetDistanceBorderAxisLeft(double Value);
    double DistanceBorderAxisRight() const { return FDistanceBorderAxisRight; }
    void SetDistanceBorderAxisRight(double Value);
    TQvAxis* PrimaryXAxis() const;
    void SetPrimaryXAxis(TQvAxis* Value);
    TQvAxis* PrimaryYAxis() const;
    void SetPrimaryYAxis(TQvAxis* Value);
    TQvLineSettings* MajorGridHorizontal() const { return FMajorGridHorizontal; }
    TQvLineSettings* MinorGridHorizontal() const { return FMinorGridHorizontal; }
    TQvLineSettings* MajorGridVertical() const { return FMajorGridVertical; }
    TQvLineSettings* MinorGridVertical() const { return FMinorGridVertical; }
    bool ZeroOrigin() const { return FZeroOrigin; }
    void SetZeroOrigin(bool Value);

    // The zoom settings (the published Zoom sub-object), made and owned by the graph.
    TQvZoomSettings* Zoom() const { return FZoom; }
    QObject* ZoomObject() const;
    // The mouse handler (not owned); the zoom code plugs itself in here.
    TQvGraphMouseHandler* MouseHandler() const { return FMouseHandler; }
    void SetMouseHandler(TQvGraphMouseHandler* Handler) { FMouseHandler = Handler; }
    bool Zooming() const { return FMouseHandler && FMouseHandler->Zooming(); }
    bool Panning() const { return FMouseHandler && FMouseHandler->Panning(); }
    // The zoom operations over all axes (of every member of a coupled group).
    void ZoomTo(const QPoint& Corner1, const QPoint& Corner2);
    void ZoomBack();
    void RedoZoom();
    void ZoomToStage(int Stage);
    void ZoomReset();
    bool CanZoomBack() const;
    bool CanRedoZoom() const;
    int ZoomStage() const;
    int ZoomBufferSize() const;

    // --- what the axes and their layout use
    // Settings of the graph, its axes (by name; missing ones are created) and its series (by name).
    QVariantMap WriteSettings(bool IncludeValues) const override;
    void ReadSettings(const QVariantMap& M, bool IncludeValues) override;

    // The axes that belong to the graph: its axis children in creation order, plus the borrowed
    // primary X axis of a coupled graph.
    QList<TQvAxis*> Axes() const;
    // The axis children only (in child order: first child nearest the data on each side).
    QList<TQvAxis*> AxisChildren() const;
    // Series drawn on this graph, sorted by layer (drawing order).
    const QList<TQvSeries*>& RelatedSeries() const { return FRelatedSeries.List(); }
    // Series whose X or Y axis is Axis.
    QList<TQvSeries*> SeriesOnAxis(const TQvAxis* Axis) const;
    QRectF DrawingArea() const { return FDrawingArea; }
    // Scroll-bar wishes of the last layout (shown or hidden at the end of the next paint).
    bool WantsHScrollBar() const { return FDoHScrollBar; }
    bool WantsVScrollBar() const { return FDoVScrollBar; }
    bool ZoomHScrollbarVisible() const { return !FMouseHandler || FMouseHandler->HScrollbarVisible(); }
    bool ZoomVScrollbarVisible() const { return !FMouseHandler || FMouseHandler->VScrollbarVisible(); }
    QScrollBar* HorizontalScrollBar() const { return FHScrollBar; }
    QScrollBar* VerticalScrollbar() const { return FVScrollBar; }
    int HScrollBarHeight() const;
    int VScrollBarWidth() const;
    // Legends attached to this graph.
    QList<TQvGraphLegendBase*> RelatedLegends() const;
    void AddLegend(TQvGraphLegendBase* Legend);
    void RemoveLegend(TQvGraphLegendBase* Legend);

    // --- coupled graphs
    bool IsCoupledGraph() const { return FIsCoupledGraph; }
    bool HasChildGraphs() const { return !FChildGraphs.isEmpty(); }
    QList<TQvGraph2D*> ChildGraphs() const;
    void CheckCoupled();

    // --- series attach and detach (called by TQvSeries::TestAllAssigned)
    void AttachSeries(TQvSeries* Series);
    void DetachSeries(TQvSeries* Series);
    bool HasSeries(const TQvSeries* Series) const { return FRelatedSeries.contains(Series); }

    // --- update cycle
    void Modified() override;
    void SeriesModified();
    void LegendsModified();
    void Calculate() override;
    void SortLayers();
    void TestPrimaryAxis();
    // One polling step: auto-updating series pick up their data changes, axes their ranges.
    void PollUpdates();
    // Tells every related series that its screen points moved.
    void AllPointsModified();

    TQvFindSeriesPointResult FindSeriesPoint(int MouseX, int MouseY) const;
    void UndoPushSeriesVectors();

    // --- hover readout. Neither setting is a stored or undoable property: it is how the window
    // uses the graph, not part of the chart.
    bool HoverReadout() const { return FHoverReadout; }
    void SetHoverReadout(bool Value);
    // The series drawn highlighted over the others (null: none). Changes nothing of the series.
    TQvSeries* HighlightedSeries() const;
    void SetHighlightedSeries(TQvSeries* Series);
    // What the readout shows for the cursor at Position; with Highlight the series of the
    // nearest point becomes the highlighted one. Emits OnHover.
    TQvHoverInfo HoverAt(const QPointF& Position, bool Highlight = true);
    // The cursor left: no highlight, OnHoverLeave.
    void HoverLeave();

    bool DoingPrimary() const { return FDoingPrimary; }
    // True while the layout pass runs for this graph (its axes neither paint nor take resizes
    // meanwhile). Other graphs lay out independently.
    bool LayoutRunning() const { return FLayoutRunning; }
    QRect LastClip() const { return FLastClip; }

    void PaintGr(QPainter& Gr) override;

signals:
    void OnBeginZoom();
    void OnEndZoom();
    void OnBeginPanning();
    void OnEndPanning();
    // The hover readout: what the cursor points at, after each mouse move over the graph.
    void OnHover(const TQvHoverInfo& Info);
    void OnHoverLeave();

protected:
    // Mouse hooks: the default forwards to the mouse handler, then emits the signal.
    virtual void MouseDown(QMouseEvent* e);
    virtual void MouseMove(QMouseEvent* e);
    virtual void MouseUp(QMouseEvent* e);
    virtual void DblClick(QMouseEvent* e);
    virtual void Wheel(QWheelEvent* e);

    void mousePressEvent(QMouseEvent* e) final;
    void mouseMoveEvent(QMouseEvent* e) final;
    void mouseReleaseEvent(QMouseEvent* e) final;
    void mouseDoubleClickEvent(QMouseEvent* e) final;
    void wheelEvent(QWheelEvent* e) final;
    void childEvent(QChildEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void SizeChanged() override;

    // Clips Gr to the sides where an axis is clipped (resets the clip when none is).
    void ClipSeries(QPainter& Gr);
    void PaintGrid(QPainter& Gr, TQvAxis* Axis, bool Vertical);

    QObject* PrimaryXAxisObject() const;
    void SetPrimaryXAxisObject(QObject* Value);
    QObject* PrimaryYAxisObject() const;
    void SetPrimaryYAxisObject(QObject* Value);

private:
    // ---- the layout pass's protocol: only TQvAxisLayout writes the drawing area, the scroll-bar
    // wishes and the title anchor.
    friend class TQvAxisLayout;
    void SetDrawingArea(const QRectF& R) { FDrawingArea = R; }
    void SetScrollBarWishes(bool H, bool V) { FDoHScrollBar = H; FDoVScrollBar = V; }
    // After layout: the owner of child graphs gives all members the same horizontal extent of
    // the drawing area.
    void ApplyCommonHorizontalExtent();

    QString FreeName(const QString& Base) const;
    // The hover readout's paint: the image of the last complete paint (made again when the
    // content changed), the highlighted series over it, the mouse handler's overlay.
    void PaintThroughImage();

    TQvLineSettings* FDataAreaFrame = nullptr;
    quint32 FDataAreaColor = 0x00FFFFFF;
    TQvGradientSettings* FDataAreaGradient = nullptr;
    double FDistanceBorderAxisTop = 0;
    double FDistanceBorderAxisBottom = 0;
    double FDistanceBorderAxisLeft = 0;
    double FDistanceBorderAxisRight = 0;
    QPointer<TQvAxis> FPrimaryXAxis;
    QPointer<TQvAxis> FPrimaryYAxis;
    TQvLineSettings* FMajorGridHorizontal = nullptr;
    TQvLineSettings* FMinorGridHorizontal = nullptr;
    TQvLineSettings* FMajorGridVertical = nullptr;
    TQvLineSettings* FMinorGridVertical = nullptr;
    bool FZeroOrigin = false;
    TQvZoomSettings* FZoom = nullptr;
    TQvGraphMouseHandler* FMouseHandler = nullptr;

    QRectF FDrawingArea;
    TQvSeriesList FRelatedSeries;
    QList<QPointer<TQvGraphLegendBase>> FRelatedLegends;
    QList<QPointer<TQvGraph2D>> FChildGraphs;
    bool FIsCoupledGraph = false;
    QScrollBar* FHScrollBar = nullptr;
    QScrollBar* FVScrollBar = nullptr;
    bool FDoHScrollBar = false;
    bool FDoVScrollBar = false;
    QRect FLastClip;
    bool FHoverReadout = false;
    QPointer<TQvSeries> FHighlighted;
    QImage FPaintImage;
    bool FDoRepaint = false;
    bool FDoingPrimary = false;
    bool FLayoutRunning = false;
    QPoint FPressPos;
};
