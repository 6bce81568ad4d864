#pragma once
// Series: draw the values of one x vector against one y vector inside a graph, through one x axis
// and one y axis of that graph.
//
// A series references its vectors (never owns them) and registers with them as a TQvVectorUser,
// so a change of the data reaches it. It computes the data range that its axes take into their
// ranges (from the vectors' cached statistics, so an appended point costs no rescan), converts
// the data to screen points, thins them (at most about one point per pixel run), and draws area
// and line in the graph's first series pass and symbols in its second pass, so that symbols lie
// over every line. It also draws its own legend entry and answers nearest-point queries.
//
// A series attaches itself to a graph when both axes and at least one data vector are set and
// the Y axis sits on a TQvGraph2D (TestAllAssigned); a missing x or y vector is replaced by an
// indexer, so a series with only y data is drawn against the point index.

#include "QvColors.h"
#include "QvComponent.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QLine>
#include <QPen>
#include <QVariant>
#include <QBrush>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class TQvAxis;
class TQvGraph2D;
class TQvUndoStack;
class TQvLineSettings;
class TQvAreaSettings;
class TQvPointSymbolSettings;
class TQvSeries;
class TQvLineSeries;

// Border of an axis end asked about by ExtraSpaceAt (same order as TQvAxisPosition).
enum class TQvBorder { Bottom, Left, Top, Right };

// Legend entry styles.
enum class TQvListItemStyle { Filled, HalfHorizontal, AscendingDiagonal, DescendingDiagonal };

// Per-value transformation: receives the series, the raw value and its data index, returns the
// value to use.
using TQvValueTransformation = std::function<double(TQvSeries* Sender, double Value, int Index)>;

// Arguments of the per-segment pen and brush events: the segment's first data index (-1 for a
// function series), its x and y value. The handler may replace Pen / Brush or clear Draw.
struct TQvSegmentArgs
{
    int Index = -1;
    double X = 0;
    double Y = 0;
    bool Draw = true;
};

// Arguments of the per-point symbol event: data index, transformed x and y; the handler may
// change symbol, size, visibility, pen and brush for this point only.
struct TQvPointSymbolArgs
{
    int Index = -1;
    double X = 0;
    double Y = 0;
    int Symbol = 0;          // TQvPointSymbol value
    double Size = 0;
    bool Visible = true;
    QPen Pen;
    QBrush Brush;
};

struct TQvNearestPointResult
{
    bool Found = false;
    float Distance = 0;
    int Index = -1;
    double X = 0;
    double Y = 0;
    QPointF ThePoint;
};

class TQvSeries : public TQvComponent, public TQvVectorUser
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool IncludeInLegend READ IncludeInLegend WRITE SetIncludeInLegend)
    Q_PROPERTY(QObject* MergeLegendItemWith READ MergeLegendItemWithObject WRITE SetMergeLegendItemWithObject)
    Q_PROPERTY(int Layer READ Layer WRITE SetLayer)
    Q_PROPERTY(bool AutoUpdate READ AutoUpdate WRITE SetAutoUpdate)
    Q_PROPERTY(bool OutliersVisible READ OutliersVisible WRITE SetOutliersVisible)
    Q_PROPERTY(QObject* XAxis READ XAxisObject WRITE SetXAxisObject)
    Q_PROPERTY(QObject* YAxis READ YAxisObject WRITE SetYAxisObject)
    Q_PROPERTY(QObject* XData READ XDataObject WRITE SetXDataObject)
    Q_PROPERTY(QObject* YData READ YDataObject WRITE SetYDataObject)
public:
    explicit TQvSeries(QObject* AOwner = nullptr);
    ~TQvSeries() override;

    // The largest finite double: the start of an empty range (its stop is the negative).
    static constexpr double EmptyStart = 1.7976931348623157e308;

    TQvUndoStack* GetUndoStack() const override;
    TQvUndoStack* UndoStack() const { return FUndoStack; }
    virtual void SetUndoStack(TQvUndoStack* AStack);

    // --- properties
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    bool IncludeInLegend() const { return FIncludeInLegend; }
    void SetIncludeInLegend(bool Value);
    TQvSeries* MergeLegendItemWith() const { return FMergeLegendItemWith.data(); }
    void SetMergeLegendItemWith(TQvSeries* Value);
    int Layer() const { return FLayer; }
    void SetLayer(int Value);
    bool AutoUpdate() const { return FAutoUpdate; }
    void SetAutoUpdate(bool Value) { FAutoUpdate = Value; }
    bool OutliersVisible() const { return FOutliersVisible; }
    void SetOutliersVisible(bool Value);
    TQvAxis* XAxis() const;
    virtual void SetXAxis(TQvAxis* Value);
    TQvAxis* YAxis() const;
    virtual void SetYAxis(TQvAxis* Value);
    // The data vectors (the indexer when the series stands in for a missing one).
    TQvCustomDoubleVector* XData() const { return FXData; }
    void SetXData(TQvCustomDoubleVector* Value);
    TQvCustomDoubleVector* YData() const { return FYData; }
    void SetYData(TQvCustomDoubleVector* Value);
    TQvLineSeries* DrawBandTo() const;
    void SetDrawBandTo(TQvLineSeries* Value);

    TQvLineSettings* Line() const { return FLineSettings; }
    TQvAreaSettings* Area() const { return FAreaSettings; }
    // Assigning copies the settings into the series' own records (one undo step each).
    void SetLine(const TQvLineSettings* Value);
    void SetArea(const TQvAreaSettings* Value);
    TQvPointSymbolSettings* PointSymbol() const { return FPointSymbolSettings; }

    // Pens and brushes built from the style records. Assigning one makes it foreign: the style
    // records no longer rebuild it.
    QPen LinePen() const { return FPen; }
    void SetLinePen(const QPen& Pen);
    QBrush AreaBrush() const { return FBrush; }
    void SetAreaBrush(const QBrush& Brush);
    QPen SymbolBorderPen() const { return FSymbolPen; }
    void SetSymbolBorderPen(const QPen& Pen);
    QBrush SymbolFillBrush() const { return FSymbolBrush; }
    void SetSymbolFillBrush(const QBrush& Brush);

    void SetXValueTransformation(TQvValueTransformation F);
    void SetYValueTransformation(TQvValueTransformation F);
    bool HasXValueTransformation() const { return bool(mXValueTransformation); }
    bool HasYValueTransformation() const { return bool(mYValueTransformation); }

    // --- state
    TQvGraph2D* Graph() const;
    bool RecalculatePoints() const { return FRecalculatePoints; }
    void SetRecalculatePoints(bool Value) { FRecalculatePoints = Value; }
    int LastCount() const { return FLastCount; }
    void SetLastCount(int n);
    double XStart() const { return FXStart; }
    double XStop() const { return FXStop; }
    double YStart() const { return FYStart; }
    double YStop() const { return FYStop; }
    int Count() const { return FCount; }
    const TQvPointVector& Points() const { return FPoints; }
    const TQvIntegerVector& PointIndex() const { return FPointIndex; }
    int PointCount() const { return FPointCount; }
    int AreaPointCount() const { return FAreaPointCount; }
    int MinCount() const { return FMinCount; }

    // --- operations
    virtual int UsableCount();
    virtual bool HasValuesAt(int Idx) const;
    virtual bool SeriesVisible() const;
    bool SymbolsShown() const;
    bool LineShown() const;
    bool AreaShown() const;
    double TransformX(double Value, int Idx) { return mXValueTransformation ? mXValueTransformation(this, Value, Idx) : Value; }
    double TransformY(double Value, int Idx) { return mYValueTransformation ? mYValueTransformation(this, Value, Idx) : Value; }
    void RangesModified();
    void PointsModified();
    void Invalidate();
    virtual void TestAllAssigned();
    // Range update (the graph's update cycle).
    virtual void Calculate();
    virtual void CheckDBVectors() {}
    virtual void CalculatePoints();
    // Area and line (first pass); symbols (second pass).
    virtual void PaintGr(QPainter& Gr);
    virtual void DrawSymbols(QPainter& Gr);
    // True when the line goes through the plain aliased integer path.
    virtual bool CanDoCanvasDraw() const;
    virtual double GetY(double AtX);
    TQvNearestPointResult NearestPoint(const QPointF& FromPosition) const;
    TQvNearestPointResult NearestX(double FromX) const;
    TQvNearestPointResult NearestY(double FromY) const;
    virtual int FindPoint(double X, double Y, double Delta) const;
    virtual int FindPoint(double X, double Y) const;
    virtual double ExtraSpaceAt(TQvBorder Border) const;
    virtual int GetItemHeight() const;
    virtual void DrawListItem(QPainter& Gr, const QRectF& R, TQvListItemStyle Style);
    virtual void DrawListItem(QPainter& Gr, const QRectF& R);
    void DrawMergedItems(QPainter& Gr, const QRectF& R);
    QString ToString() const;
    // Called by the style records when they change.
    virtual void TestVisbleChanged();
    void SetDefaultAxis() {}

    // Markers snapped to this series (no marker kind exists yet: these only keep the interface).
    void ClearLinkedMarkers() {}
    void DeleteLinkedMarkers(int Idx) {}
    void ValueInsertedLinkedMarkers(int Idx) {}

    // --- persistence: keys "Type", "Name", "Caption", "Visible", ... (see the .cpp)
    virtual QVariantMap WriteProperties() const;
    virtual void ReadProperties(const QVariantMap& Props);
    // Raises EQvPersistenceError when a stored series record holds a value of the wrong kind or a
    // style that does not exist; ReadProperties runs it before it changes anything.
    static void CheckProperties(const QVariantMap& Props);
    void WriteTo(QIODevice& Stream) const;
    void ReadFrom(QIODevice& Stream);
    void WriteTo(QSettings& Ini, const QString& Section) const;
    void ReadFrom(QSettings& Ini, const QString& Section);
    void WriteTo(QXmlStreamWriter& Xml) const;
    void ReadFrom(QXmlStreamReader& Xml);

    // --- TQvVectorUser
    void VectorRangeReset(TQvCustomDoubleVector* Vector) override;
    void VectorPointsChanged(TQvCustomDoubleVector* Vector, int FromIndex) override;
    void VectorCleared(TQvCustomDoubleVector* Vector, bool WithLinkedMarkers) override;
    void VectorValueInserted(TQvCustomDoubleVector* Vector, int Idx) override;
    void VectorValueDeleted(TQvCustomDoubleVector* Vector, int Idx) override;
    void VectorDestroyed(TQvCustomDoubleVector* Vector) override;

    // Called by the graph when it goes away.
    void GraphDestroyed();
    // Called by an axis when it goes away.
    void AxisDestroyed(TQvAxis* Axis);

signals:
    // The caption changed (objectNameChanged tells of the name): what lists the series by name
    // (a settings dialog) reads it again.
    void OnChanged();
    // Per-segment styles: the handler may change Pen / Brush or clear Args.Draw.
    void OnGetPen(TQvSeries* Sender, TQvSegmentArgs& Args, QPen& Pen);
    void OnGetBrush(TQvSeries* Sender, TQvSegmentArgs& Args, QBrush& Brush);
    // Per-point symbols.
    void OnGetPointSymbol(TQvSeries* Sender, TQvPointSymbolArgs& Args);

protected:
    template <class F>
    TQvNearestPointResult Nearest(F&& Distance) const;
    void SetData(TQvCustomDoubleVector*& Data, TQvCustomDoubleVector*& Other, TQvCustomDoubleVector* Value,
                 const char* Comment, const char* Name);
    bool HasPenHandler() const;
    bool HasBrushHandler() const;
    bool HasSymbolHandler() const;
    void PaintLine(QPainter& Gr);
    void PaintArea(QPainter& Gr);
    // What a series kind draws after area and line, under its symbols and still clipped like
    // the line (error bars, for example).
    virtual void PaintUnderSymbols(QPainter& Gr) {}
    void DrawOneSymbol(QPainter& Gr, const QPointF& P, int Symbol, double Size, const QPen& Pen, const QBrush& Brush) const;
    bool StampSymbols(QPainter& Gr, int Symbol, double Size);
    // The clip of Gr with every point's symbol shape cut out (lines do not show through
    // translucent symbols).
    void CutSymbolsFromClip(QPainter& Gr);
    void RebuildPens();
    void LeaveGraph();
    void JoinAxes();
    void LeaveAxes();

    QObject* MergeLegendItemWithObject() const;
    void SetMergeLegendItemWithObject(QObject* Value);
    QObject* XAxisObject() const;
    void SetXAxisObject(QObject* Value);
    QObject* YAxisObject() const;
    void SetYAxisObject(QObject* Value);
    QObject* XDataObject() const;
    void SetXDataObject(QObject* Value);
    QObject* YDataObject() const;
    void SetYDataObject(QObject* Value);

    bool FOutliersVisible = false;
    bool FVisible = true;
    bool FAutoUpdate = true;
    bool FLastVisible = true;
    bool FOwnsPen = true;
    bool FCaptionSet = false;
    TQvAreaSettings* FAreaSettings = nullptr;
    QPointer<TQvAxis> FXAxis;
    QPointer<TQvAxis> FYAxis;
    TQvCustomDoubleVector* FXData = nullptr;
    TQvCustomDoubleVector* FYData = nullptr;
    TQvValueTransformation mXValueTransformation;
    TQvValueTransformation mYValueTransformation;
    QPen FPen;
    QBrush FBrush;
    QString FCaption;
    QPointer<TQvSeries> FMergeLegendItemWith;
    QPointer<TQvLineSeries> FDrawBandTo;
    bool FOwnsSymbolPen = true;
    bool FOwnsSymbolBrush = true;
    TQvPointSymbolSettings* FPointSymbolSettings = nullptr;
    QPen FSymbolPen;
    QBrush FSymbolBrush;
    float FLastSymbolSize = 0;
    QPointer<TQvUndoStack> FUndoStack;
    bool FOwnsBrush = true;
    double FXStart = EmptyStart, FXStop = -EmptyStart, FYStart = EmptyStart, FYStop = -EmptyStart;
    int FMinCount = 1;
    int FCount = 0;
    int FLastCount = 0;
    int FLastPointsCount = 0;
    int FLayer = 0;
    int FPointCount = 0;
    int FAreaPointCount = 0;
    QPointer<TQvGraph2D> FGraph;
    bool FIncludeInLegend = true;
    bool FRecalculatePoints = true;
    bool FDoPointSettingsStorage = false;
    TQvPointVector FPoints;
    TQvIntegerVector FPointIndex;
    std::unique_ptr<TQvIndexer> FIndexer;
    TQvLineSettings* FLineSettings = nullptr;
    // The line as drawn (column-merged segments) for the current points, kept between paints.
    std::vector<QLine> FLineScratch;
    bool FLinesValid = false;
};

// Publishes the line properties (in this library every series has them; the class keeps the
// type distinct for DrawBandTo and for persistence).
class TQvLineSeries : public TQvSeries
{
    Q_OBJECT
public:
    explicit TQvLineSeries(QObject* AOwner = nullptr);
};

// A line series that shows point symbols by default.
class TQvPointSeries : public TQvLineSeries
{
    Q_OBJECT
public:
    explicit TQvPointSeries(QObject* AOwner = nullptr);
};
