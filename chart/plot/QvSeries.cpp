#include "QvSeries.h"

#include "QvPersistence.h"

#include "QvAxis.h"
#include "QvGDI.h"
#include "QvGraph2D.h"
#include "QvLineRaster.h"
#include "QvRichCaption.h"
#include "QvStyles.h"
#include "QvThinning.h"
#include "QvUndoStack.h"

#include <QDataStream>
#include <QIODevice>
#include <QImage>
#include <QMetaMethod>
#include <QPainter>
#include <QSettings>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

// The y position of the area baseline on Axis: the pixel of Value, half a pixel up.
float BasePixel(TQvAxis* Axis, double Value)
{
    return Axis->NumberToWorld(Value) - 0.5f;
}

// The value -> pixel map of an axis for the point build (see TQvAxisMap).
TQvAxisMap MapOf(TQvAxis* Axis)
{
    double v0 = Axis->Start();
    double v1 = Axis->Stop();
    const bool log = Axis->HasLogScaling();
    if (log) {
        if (!(v0 > 0))
            v0 = 1e-300;
        if (!(v1 > v0))
            v1 = v0 * 10;
    } else if (!(v1 != v0)) {
        v1 = v0 + 1;
    }
    return TQvAxisMap::FromTwoPoints(v0, Axis->NumberToWorld(v0), v1, Axis->NumberToWorld(v1), log,
                                     log ? Axis->NumberToWorld(0) : 0.0f);
}

// Data of a vector as a plain array: the storage of a double vector, null for an indexer (the
// value is the index), else a copy in Scratch.
const double* RawData(TQvCustomDoubleVector* V, int Count, std::vector<double>& Scratch)
{
    if (auto* d = qobject_cast<TQvDoubleVector*>(V))
        return d->InternalArray();
    if (qobject_cast<TQvIndexer*>(V))
        return nullptr;
    Scratch.resize(size_t(Count));
    for (int i = 0; i < Count; ++i)
        Scratch[size_t(i)] = V->GetValue(i);
    return Scratch.data();
}

// The class name without its leading "T" followed by the first number from 1 on that gives a
// name no component of the owner has (without owner: 1).
QString DefaultCaption(const QObject* Self, const QString& Base)
{
    int n = 1;
    if (const QObject* owner = Self->parent()) {
        for (;; ++n) {
            const QString candidate = Base + QString::number(n);
            bool used = false;
            for (const QObject* c : owner->children())
                if (c != Self && c->objectName() == candidate)
                    used = true;
            if (!used)
                break;
        }
    }
    return Base + QString::number(n);
}

} // namespace

// -------------------------------------------------------------------------------------------------
// Creation and destruction

TQvSeries::TQvSeries(QObject* AOwner) : TQvComponent(AOwner), FIndexer(std::make_unique<TQvIndexer>())
{
    auto changed = [this] { TestVisbleChanged(); };
    FLineSettings = new TQvLineSettings(this, changed, QStringLiteral("Line"));
    FAreaSettings = new TQvAreaSettings(this, changed, QStringLiteral("Area"));
    FPointSymbolSettings = new TQvPointSymbolSettings(this, {}, QStringLiteral("PointSymbol"));
    FPointSymbolSettings->SetVisible(false);
    FPointSymbolSettings->SetModifiedCallback(changed);
    FSymbolPen = QPen(QvToQColor(QvColors::Blue), 1.0);
    FSymbolBrush = QBrush(QvToQColor(QvColors::Blue));
    FPen = FLineSettings->GetPen(QRectF(0, 0, 100, 100));
    FMinCount = 1;
    FCaption = DefaultCaption(this, QStringLiteral("QvSeries"));
    QvRegisterCaptionVariable(this, QStringLiteral("Name"), QStringLiteral("Internal name of the series"),
                              [this] { return objectName(); });
    QvRegisterCaptionVariable(this, QStringLiteral("Caption"),
                              QStringLiteral("Caption of the series e.g. used in legends"),
                              [this] { return FCaption; });
}

TQvSeries::~TQvSeries()
{
    QvUnregisterCaptionVariables(this);
    LeaveAxes();
    if (FGraph)
        FGraph->DetachSeries(this);
    if (FXData && FXData != FIndexer.get())
        FXData->UnregisterUser(this);
    if (FYData && FYData != FIndexer.get() && FYData != FXData)
        FYData->UnregisterUser(this);
}

TQvLineSeries::TQvLineSeries(QObject* AOwner) : TQvSeries(AOwner)
{
    FCaption = DefaultCaption(this, QStringLiteral("QvLineSeries"));
}

TQvPointSeries::TQvPointSeries(QObject* AOwner) : TQvLineSeries(AOwner)
{
    FCaption = DefaultCaption(this, QStringLiteral("QvPointSeries"));
    FPointSymbolSettings->SetVisible(true);
    FDoPointSettingsStorage = true;
}

// -------------------------------------------------------------------------------------------------
// Undo stack

TQvUndoStack* TQvSeries::GetUndoStack() const
{
    if (FUndoStack)
        return FUndoStack;
    if (FGraph)
        return FGraph->UndoStack();
    return TQvComponent::GetUndoStack();
}

void TQvSeries::SetUndoStack(TQvUndoStack* AStack)
{
    FUndoStack = AStack;
    FLineSettings->SetUndoStack(AStack);
    FAreaSettings->SetUndoStack(AStack);
    FPointSymbolSettings->SetUndoStack(AStack);
}

// -------------------------------------------------------------------------------------------------
// Properties

TQvAxis* TQvSeries::XAxis() const { return FXAxis.data(); }
TQvAxis* TQvSeries::YAxis() const { return FYAxis.data(); }
TQvGraph2D* TQvSeries::Graph() const { return FGraph.data(); }
TQvLineSeries* TQvSeries::DrawBandTo() const { return FDrawBandTo.data(); }

void TQvSeries::SetVisible(bool Value)
{
    if (!SetProp(FVisible, Value, "Series visibility", "Visible"))
        return;
    TestVisbleChanged();
    if (FGraph) {
        FGraph->Invalidate();
        FGraph->LegendsModified();
    }
}

void TQvSeries::SetCaption(const QString& Value)
{
    QString v = Value;
    while (!v.isEmpty() && v.back().isSpace())
        v.chop(1);
    if (!SetProp(FCaption, v, "Series caption", "Caption"))
        return;
    FCaptionSet = true;
    // Settings dialogs list the series by caption.
    emit OnChanged();
    if (FGraph)
        FGraph->LegendsModified();
}

void TQvSeries::SetIncludeInLegend(bool Value)
{
    if (!SetProp(FIncludeInLegend, Value, "Series visibility in legends", "IncludeInLegend"))
        return;
    if (FGraph) {
        FGraph->Invalidate();
        FGraph->LegendsModified();
    }
}

void TQvSeries::SetMergeLegendItemWith(TQvSeries* Value)
{
    if (Value == this)
        Value = nullptr;
    if (FMergeLegendItemWith.data() == Value)
        return;
    FMergeLegendItemWith = Value;
    if (FGraph)
        FGraph->LegendsModified();
}

void TQvSeries::SetDrawBandTo(TQvLineSeries* Value)
{
    if (Value == this)
        Value = nullptr;
    if (FDrawBandTo.data() == Value)
        return;
    FDrawBandTo = Value;
    PointsModified();
}

void TQvSeries::SetLayer(int Value)
{
    if (!SetProp(FLayer, Value, "Series drawing order", "Layer"))
        return;
    if (FGraph)
        FGraph->Modified();
}

void TQvSeries::SetOutliersVisible(bool Value)
{
    if (!SetProp(FOutliersVisible, Value, "Series visibility of outliers", "OutliersVisible"))
        return;
    RangesModified();
}

void TQvSeries::SetXAxis(TQvAxis* Value)
{
    if (FXAxis.data() == Value)
        return;
    PushUndoProperty("Series X-axis reference", "XAxis");
    if (FXAxis)
        FXAxis->RemoveSeries(this);
    FXAxis = Value;
    TestAllAssigned();
}

void TQvSeries::SetYAxis(TQvAxis* Value)
{
    if (FYAxis.data() == Value)
        return;
    PushUndoProperty("Series Y-axis reference", "YAxis");
    if (FYAxis)
        FYAxis->RemoveSeries(this);
    FYAxis = Value;
    TestAllAssigned();
}

// Binds Data (the X or Y vector; Other is the other one) to Value. The indexer stands in for a
// missing vector, so clearing a vector that the indexer replaces, or clearing the vector beside
// the indexer, leaves the series without data.
void TQvSeries::SetData(TQvCustomDoubleVector*& Data, TQvCustomDoubleVector*& Other, TQvCustomDoubleVector* Value,
                        const char* Comment, const char* Name)
{
    if (Data == Value || (!Value && Data == FIndexer.get()))
        return;
    PushUndoProperty(Comment, Name);
    if (Data && Data != FIndexer.get() && Data != Other)
        Data->UnregisterUser(this);
    Data = Value;
    if (Value && Value != FIndexer.get())
        Value->RegisterUser(this);
    if (!Value && Other == FIndexer.get())
        Other = nullptr;
    TestAllAssigned();
}

void TQvSeries::SetXData(TQvCustomDoubleVector* Value)
{
    SetData(FXData, FYData, Value, "Series X-data reference", "XData");
}

void TQvSeries::SetYData(TQvCustomDoubleVector* Value)
{
    SetData(FYData, FXData, Value, "Series Y-data reference", "YData");
}

void TQvSeries::SetLine(const TQvLineSettings* Value)
{
    if (!Value || Value == FLineSettings)
        return;
    if (!IsLoading())
        if (TQvUndoStack* Stack = GetUndoStack())
            Stack->PushComponent(FLineSettings, QStringLiteral("Series line"));
    FLineSettings->Assign(*Value);
    TestVisbleChanged();
}

void TQvSeries::SetArea(const TQvAreaSettings* Value)
{
    if (!Value || Value == FAreaSettings)
        return;
    if (!IsLoading())
        if (TQvUndoStack* Stack = GetUndoStack())
            Stack->PushComponent(FAreaSettings, QStringLiteral("Series area"));
    FAreaSettings->Assign(*Value);
    TestVisbleChanged();
}

void TQvSeries::SetLinePen(const QPen& Pen)
{
    FPen = Pen;
    FOwnsPen = false;
    Invalidate();
}

void TQvSeries::SetAreaBrush(const QBrush& Brush)
{
    FBrush = Brush;
    FOwnsBrush = false;
    Invalidate();
}

void TQvSeries::SetSymbolBorderPen(const QPen& Pen)
{
    FSymbolPen = Pen;
    FOwnsSymbolPen = false;
    Invalidate();
}

void TQvSeries::SetSymbolFillBrush(const QBrush& Brush)
{
    FSymbolBrush = Brush;
    FOwnsSymbolBrush = false;
    Invalidate();
}

void TQvSeries::SetXValueTransformation(TQvValueTransformation F)
{
    mXValueTransformation = std::move(F);
    RangesModified();
}

void TQvSeries::SetYValueTransformation(TQvValueTransformation F)
{
    mYValueTransformation = std::move(F);
    RangesModified();
}

QObject* TQvSeries::MergeLegendItemWithObject() const { return FMergeLegendItemWith.data(); }
void TQvSeries::SetMergeLegendItemWithObject(QObject* Value) { SetMergeLegendItemWith(qobject_cast<TQvSeries*>(Value)); }
QObject* TQvSeries::XAxisObject() const { return FXAxis.data(); }
void TQvSeries::SetXAxisObject(QObject* Value) { SetXAxis(qobject_cast<TQvAxis*>(Value)); }
QObject* TQvSeries::YAxisObject() const { return FYAxis.data(); }
void TQvSeries::SetYAxisObject(QObject* Value) { SetYAxis(qobject_cast<TQvAxis*>(Value)); }
QObject* TQvSeries::XDataObject() const { return FXData; }
void TQvSeries::SetXDataObject(QObject* Value) { SetXData(qobject_cast<TQvCustomDoubleVector*>(Value)); }
QObject* TQvSeries::YDataObject() const { return FYData; }
void TQvSeries::SetYDataObject(QObject* Value) { SetYData(qobject_cast<TQvCustomDoubleVector*>(Value)); }

// -------------------------------------------------------------------------------------------------
// Attach and detach

void TQvSeries::JoinAxes()
{
    if (FXAxis)
        FXAxis->AddSeries(this);
    if (FYAxis)
        FYAxis->AddSeries(this);
}

void TQvSeries::LeaveAxes()
{
    if (FXAxis)
        FXAxis->RemoveSeries(this);
    if (FYAxis)
        FYAxis->RemoveSeries(this);
}

void TQvSeries::LeaveGraph()
{
    if (FGraph)
        FGraph->DetachSeries(this);
    FGraph = nullptr;
}

void TQvSeries::TestAllAssigned()
{
    if (FXAxis && FYAxis && (FXData || FYData)) {
        auto* g = qobject_cast<TQvGraph2D*>(FYAxis->parent());
        if (FGraph && FGraph.data() != g)
            LeaveGraph();
        if (g) {
            FGraph = g;
            if (!g->HasSeries(this))
                g->AttachSeries(this);
        }
        if (!FGraph)
            return;
        // The indexer stands in for a missing vector and counts the one beside it, also when
        // that one was just replaced.
        if (!FXData)
            FXData = FIndexer.get();
        else if (!FYData)
            FYData = FIndexer.get();
        if (FXData == FIndexer.get())
            FIndexer->SetRefVector(FYData);
        else if (FYData == FIndexer.get())
            FIndexer->SetRefVector(FXData);
        JoinAxes();
        RangesModified();
        FGraph->LegendsModified();
        FGraph->Modified();
    } else {
        LeaveAxes();
        if (FGraph) {
            TQvGraph2D* g = FGraph;
            g->DetachSeries(this);
            if (TQvAxis* y = g->PrimaryYAxis())
                y->RangeModified();
            g->SeriesModified();
            g->LegendsModified();
        }
        FGraph = nullptr;
        FLastCount = FCount = 0;
        FPointCount = FAreaPointCount = 0;
        FRecalculatePoints = true;
    }
}

void TQvSeries::GraphDestroyed()
{
    // One axis may belong to another graph (a coupled graph's shared X axis): leave both, or
    // that axis would keep this series after it is freed.
    LeaveAxes();
    FGraph = nullptr;
    FXAxis = nullptr;
    FYAxis = nullptr;
}

void TQvSeries::AxisDestroyed(TQvAxis* Axis)
{
    if (FXAxis.data() == Axis)
        FXAxis = nullptr;
    if (FYAxis.data() == Axis)
        FYAxis = nullptr;
    TestAllAssigned();
}

// -------------------------------------------------------------------------------------------------
// Vector notifications

void TQvSeries::VectorRangeReset(TQvCustomDoubleVector*)
{
    SetLastCount(0);
    PointsModified();
}

void TQvSeries::VectorPointsChanged(TQvCustomDoubleVector*, int)
{
    PointsModified();
}

void TQvSeries::VectorCleared(TQvCustomDoubleVector* Vector, bool WithLinkedMarkers)
{
    if (WithLinkedMarkers && Vector == FYData)
        ClearLinkedMarkers();
    RangesModified();
}

void TQvSeries::VectorValueInserted(TQvCustomDoubleVector* Vector, int Idx)
{
    if (Vector == FYData)
        ValueInsertedLinkedMarkers(Idx);
}

void TQvSeries::VectorValueDeleted(TQvCustomDoubleVector* Vector, int Idx)
{
    if (Vector == FYData)
        DeleteLinkedMarkers(Idx);
}

void TQvSeries::VectorDestroyed(TQvCustomDoubleVector* Vector)
{
    bool changed = false;
    if (FXData == Vector) {
        FXData = nullptr;
        if (FYData == FIndexer.get())
            FYData = nullptr;
        changed = true;
    }
    if (FYData == Vector) {
        FYData = nullptr;
        if (FXData == FIndexer.get())
            FXData = nullptr;
        changed = true;
    }
    if (FIndexer->RefVector() == Vector)
        FIndexer->SetRefVector(nullptr);
    if (changed)
        TestAllAssigned();
}

// -------------------------------------------------------------------------------------------------
// Range

int TQvSeries::UsableCount()
{
    FMinCount = SymbolsShown() ? 1 : 2;
    if (!FXData || !FYData)
        return 0;
    return std::min(FXData->Count(), FYData->Count());
}

bool TQvSeries::HasValuesAt(int Idx) const
{
    if (FOutliersVisible)
        return true;
    if (FXData && FXData->AnyOutliers() && FXData->IsOutlier(Idx))
        return false;
    if (FYData && FYData->AnyOutliers() && FYData->IsOutlier(Idx))
        return false;
    return true;
}

bool TQvSeries::SymbolsShown() const { return FPointSymbolSettings->Visible(); }
bool TQvSeries::LineShown() const { return FLineSettings->Visible(); }
bool TQvSeries::AreaShown() const { return FAreaSettings->Visible(); }

bool TQvSeries::SeriesVisible() const
{
    return FVisible && (LineShown() || AreaShown() || SymbolsShown());
}

void TQvSeries::RangesModified()
{
    if (!FXAxis || !FYAxis)
        return;
    FXStart = FYStart = EmptyStart;
    FXStop = FYStop = -EmptyStart;
    FLastCount = 0;
    FCount = 0;
    PointsModified();
    FXAxis->RangeModified();
    FYAxis->RangeModified();
}

void TQvSeries::PointsModified()
{
    FLastPointsCount = 0;
    FRecalculatePoints = true;
    Invalidate();
}

void TQvSeries::SetLastCount(int n)
{
    if (n < FLastCount)
        FLastCount = n;
    if (FLastCount < FLastPointsCount)
        FLastPointsCount = FLastCount;
}

void TQvSeries::Invalidate()
{
    if (FGraph)
        FGraph->Invalidate();
}

void TQvSeries::Calculate()
{
    if (!FXData || !FYData)
        return;
    if (FLastCount >= FXData->Count() && FLastCount >= FYData->Count())
        return;
    FCount = UsableCount();
    if (FLastCount >= FCount || FCount < FMinCount)
        return;

    // One axis' range from a vector: cached statistics when the vector is not longer than its
    // partner, else a scan of the usable indices.
    auto range = [this](TQvCustomDoubleVector* V, TQvCustomDoubleVector* Other, bool IsX, TQvAxis* Axis,
                        double& Lo, double& Hi) {
        const bool transformed = IsX ? bool(mXValueTransformation) : bool(mYValueTransformation);
        auto tf = [&](double v, int i) { return IsX ? TransformX(v, i) : TransformY(v, i); };
        Lo = EmptyStart;
        Hi = -EmptyStart;
        if (Other->Count() < V->Count()) {
            for (int i = 0; i < FCount; ++i) {
                if (!HasValuesAt(i))
                    continue;
                const double v = tf(V->GetValue(i), i);
                Lo = std::min(Lo, v);
                Hi = std::max(Hi, v);
            }
        } else {
            int loIdx, hiIdx;
            if (FOutliersVisible) {
                Lo = V->MinimumIncludingOutliers();
                Hi = V->MaximumIncludingOutliers();
                loIdx = V->MinimumIdxIncludingOutliers();
                hiIdx = V->MaximumIdxIncludingOutliers();
            } else {
                Lo = V->Minimum();
                Hi = V->Maximum();
                loIdx = V->MinimumIdx();
                hiIdx = V->MaximumIdx();
            }
            if (transformed) {
                Lo = tf(Lo, loIdx);
                Hi = tf(Hi, hiIdx);
                if (Lo > Hi)
                    std::swap(Lo, Hi);
            }
        }
        // A logarithmic axis cannot show values <= 0: start at the smallest positive value.
        if ((Axis->Scaling() == TQvAxisScaling::Log || Axis->Scaling() == TQvAxisScaling::LogEE) && Lo <= 0) {
            double best = EmptyStart;
            const int n = V->Count();
            for (int i = 0; i < n; ++i) {
                if (!HasValuesAt(i))
                    continue;
                const double v = tf(V->GetValue(i), i);
                if (v > 0 && v < best)
                    best = v;
            }
            if (best < EmptyStart)
                Lo = best;
        }
    };

    double lo, hi;
    range(FXData, FYData, true, FXAxis, lo, hi);
    if (lo != FXStart || hi != FXStop) {
        FXStart = lo;
        FXStop = hi;
        FXAxis->RangeModified();
    }
    range(FYData, FXData, false, FYAxis, lo, hi);
    if (lo != FYStart || hi != FYStop) {
        FYStart = lo;
        FYStop = hi;
        FYAxis->RangeModified();
    }
    FRecalculatePoints = true;
    Invalidate();
    FLastCount = FCount;
}

// -------------------------------------------------------------------------------------------------
// Screen points

void TQvSeries::CalculatePoints()
{
    FLinesValid = false;
    FPointCount = 0;
    FAreaPointCount = 0;
    FLastPointsCount = 0;
    FRecalculatePoints = false;
    if (!FXAxis || !FYAxis || !FXData || !FYData)
        return;
    FCount = UsableCount();
    if (FCount <= 0)
        return;

    std::vector<double> xs, ys;
    const double* x = RawData(FXData, FCount, xs);
    const double* y = RawData(FYData, FCount, ys);
    // Transformed values once per build (one allocation per build, none per point).
    if (mXValueTransformation) {
        xs.resize(size_t(FCount));
        for (int i = 0; i < FCount; ++i)
            xs[size_t(i)] = TransformX(x ? x[i] : double(i), i);
        x = xs.data();
    }
    if (mYValueTransformation) {
        ys.resize(size_t(FCount));
        for (int i = 0; i < FCount; ++i)
            ys[size_t(i)] = TransformY(y ? y[i] : double(i), i);
        y = ys.data();
    }

    TQvThinInput in;
    in.X = x;
    in.Y = y;
    in.First = 0;
    in.Last = FCount - 1;
    // Only the visible window is converted when x ascends: one point beyond each end stays so
    // that the line leaves the drawing area at the right slope.
    if (FXData->OnlyAscending() && in.Last - in.First > 20) {
        const double start = FXAxis->Start(), stop = FXAxis->Stop();
        if (x) {
            in.First = std::max(in.First, QvFirstVisibleIndex(x, FCount, start));
            in.Last = std::min(in.Last, QvLastVisibleIndex(x, FCount, stop));
        } else {
            in.First = std::clamp(int(std::ceil(start)) - 1, 0, in.Last);
            in.Last = std::clamp(int(std::floor(stop)) + 1, 0, in.Last);
        }
        if (in.Last < in.First)
            in.First = in.Last;
    }
    std::vector<bool> skip;
    if (!FOutliersVisible && (FXData->AnyOutliers() || FYData->AnyOutliers())) {
        skip.assign(size_t(FCount), false);
        for (int i = 0; i < FCount; ++i)
            skip[size_t(i)] = !HasValuesAt(i);
        in.Skip = &skip;
    }
    in.XMap = MapOf(FXAxis);
    in.YMap = MapOf(FYAxis);
    FPoints.Clear();
    FPointIndex.Clear();
    FPointCount = QvThinPoints(in, SymbolsShown(), FPoints, FPointIndex, 0);
    FLastPointsCount = FCount;

    // Area-closing points.
    int extra = 2;
    TQvSeries* band = FDrawBandTo.data();
    if (band && band->XData() && band->YData() && band->Count() + band->UsableCount() > 0) {
        if (!FAreaSettings->Visible()) {
            // Part of building the points (that is, of a paint), not a user's change: no undo
            // record, or undoing it would be redone by the next paint.
            const bool loading = FAreaSettings->IsLoading();
            FAreaSettings->SetLoading(true);
            FAreaSettings->SetVisible(true);
            FAreaSettings->SetLoading(loading);
        }
        if (band->RecalculatePoints())
            band->CalculatePoints();
        extra = band->PointCount();
        FPoints.EnsureCount(FPointCount + extra);
        TQvFloatPoint* p = FPoints.Data();
        const TQvFloatPoint* q = band->Points().Data();
        for (int i = 0; i < extra; ++i)
            p[FPointCount + i] = q[extra - 1 - i];
    } else if (FPointCount > 0) {
        const float base = BasePixel(FYAxis, std::max(FYAxis->Start(), 0.0));
        FPoints.EnsureCount(FPointCount + 2);
        TQvFloatPoint* p = FPoints.Data();
        p[FPointCount] = TQvFloatPoint{p[FPointCount - 1].X, base};
        p[FPointCount + 1] = TQvFloatPoint{p[0].X, base};
    } else {
        extra = 0;
    }
    FAreaPointCount = FPointCount + extra;
    FPoints.Clear();
    FPoints.EnsureCount(FAreaPointCount);
    FPointIndex.Clear();
    FPointIndex.EnsureCount(FPointCount);
}

// -------------------------------------------------------------------------------------------------
// Painting

bool TQvSeries::HasPenHandler() const
{
    static const QMetaMethod m = QMetaMethod::fromSignal(&TQvSeries::OnGetPen);
    return isSignalConnected(m);
}

bool TQvSeries::HasBrushHandler() const
{
    static const QMetaMethod m = QMetaMethod::fromSignal(&TQvSeries::OnGetBrush);
    return isSignalConnected(m);
}

bool TQvSeries::HasSymbolHandler() const
{
    static const QMetaMethod m = QMetaMethod::fromSignal(&TQvSeries::OnGetPointSymbol);
    return isSignalConnected(m);
}

void TQvSeries::RebuildPens()
{
    const QRectF view = FGraph ? FGraph->DrawingArea() : QRectF(0, 0, 100, 100);
    if (FOwnsPen)
        FPen = FLineSettings->GetPen(view);
    if (FOwnsBrush)
        FBrush = FAreaSettings->GetBrush(view);
    if (FOwnsSymbolPen)
        FSymbolPen = FPointSymbolSettings->GetPen();
    if (FOwnsSymbolBrush)
        FSymbolBrush = FPointSymbolSettings->GetBrush();
}

bool TQvSeries::CanDoCanvasDraw() const
{
    if (!FGraph || FGraph->DoingImage() || FGraph->SmoothingMode() != TQvSmoothingMode::None)
        return false;
    if (FCount < 101 || !LineShown())
        return false;
    if (!QvIsOpaque(FLineSettings->Color()))
        return false;
    return FLineSettings->Width() <= 1.0f || FLineSettings->DashStyle() == TDashStyle::DashStyleSolid;
}

void TQvSeries::CutSymbolsFromClip(QPainter& Gr)
{
    QVector<QPointF> centers;
    centers.reserve(FPointCount);
    const TQvFloatPoint* p = FPoints.Data();
    for (int i = 0; i < FPointCount; ++i)
        centers.append(QPointF(p[i].X, p[i].Y));
    const auto symbol = FPointSymbolSettings->PointSymbol();
    if (!QvSymbolCutsClip(symbol))
        return;
    QRegion cut = QvSymbolsClipRegion(symbol, FPointSymbolSettings->Size(), centers);
    QRegion base = Gr.hasClipping() ? Gr.clipRegion()
                                    : QRegion(Gr.device() ? QRect(0, 0, Gr.device()->width(), Gr.device()->height())
                                                          : QRect(-100000, -100000, 200000, 200000));
    Gr.setClipRegion(base.subtracted(cut));
}

void TQvSeries::PaintGr(QPainter& Gr)
{
    if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible())
        return;
    if (FRecalculatePoints)
        CalculatePoints();
    if (FPointCount == 0)
        return;
    RebuildPens();
    if (FPointCount < 2) {
        PaintUnderSymbols(Gr);
        return;
    }
    const bool cut = SymbolsShown() && QvAlpha(FPointSymbolSettings->FillColor()) != 255;
    const bool hadClip = Gr.hasClipping();
    const QRegion oldClip = hadClip ? Gr.clipRegion() : QRegion();
    if (cut)
        CutSymbolsFromClip(Gr);
    if (AreaShown())
        PaintArea(Gr);
    if (LineShown())
        PaintLine(Gr);
    // Still inside the cut-out: nothing of it shows through translucent symbols.
    PaintUnderSymbols(Gr);
    if (cut) {
        if (hadClip)
            Gr.setClipRegion(oldClip);
        else
            Gr.setClipping(false);
    }
}

void TQvSeries::PaintArea(QPainter& Gr)
{
    const TQvFloatPoint* p = FPoints.Data();
    Gr.save();
    Gr.setPen(Qt::NoPen);
    if (HasBrushHandler()) {
        const double start = FYAxis->Start();
        const float base = BasePixel(FYAxis, start <= 0 ? 0.0 : start);
        const int* idx = FPointIndex.Data();
        for (int i = 0; i + 1 < FPointCount; ++i) {
            TQvSegmentArgs args;
            args.Index = idx[i];
            args.X = TransformX(FXData->GetValue(idx[i]), idx[i]);
            args.Y = TransformY(FYData->GetValue(idx[i]), idx[i]);
            QBrush brush = FBrush;
            emit OnGetBrush(this, args, brush);
            if (!args.Draw)
                continue;
            const QPointF quad[4] = {QPointF(p[i].X, p[i].Y), QPointF(p[i + 1].X + 0.5, p[i + 1].Y),
                                     QPointF(p[i + 1].X + 0.5, base), QPointF(p[i].X, base)};
            Gr.setBrush(brush);
            Gr.drawPolygon(quad, 4);
        }
    } else {
        QPolygonF poly;
        poly.reserve(FAreaPointCount);
        for (int i = 0; i < FAreaPointCount; ++i)
            poly.append(QPointF(p[i].X, p[i].Y));
        Gr.setBrush(FBrush);
        Gr.drawPolygon(poly);
    }
    Gr.restore();
}

void TQvSeries::PaintLine(QPainter& Gr)
{
    const TQvFloatPoint* p = FPoints.Data();
    if (HasPenHandler()) {
        const int* idx = FPointIndex.Data();
        for (int i = 0; i + 1 < FPointCount; ++i) {
            TQvSegmentArgs args;
            args.Index = idx[i];
            args.X = TransformX(FXData->GetValue(idx[i]), idx[i]);
            args.Y = TransformY(FYData->GetValue(idx[i]), idx[i]);
            QPen pen = FPen;
            emit OnGetPen(this, args, pen);
            if (!args.Draw)
                continue;
            Gr.setPen(pen);
            Gr.drawLine(QPointF(p[i].X, p[i].Y), QPointF(p[i + 1].X, p[i + 1].Y));
        }
        return;
    }
    if (CanDoCanvasDraw()) {
        // Plain path: aliased, whole pixels, clipped to the drawing area.
        Gr.save();
        Gr.setRenderHint(QPainter::Antialiasing, false);
        QPen pen = FPen;
        pen.setWidth(std::max(1, int(std::lround(FLineSettings->Width()))));
        pen.setBrush(QvToQColor(FLineSettings->Color()));
        pen.setMiterLimit(0);
        if (pen.width() <= 1)
            pen.setCosmetic(true);
        Gr.setPen(pen);
        const QRectF a = FGraph->DrawingArea();
        Gr.setClipRect(a, Gr.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        if (FLineSettings->DashStyle() == TDashStyle::DashStyleSolid) {
            if (!FLinesValid)
                QvColumnLines(p, FPointCount, FLineScratch);
            FLinesValid = true;
            // Wider lines are set straight into a raster image, the same pixels as Qt's.
            QvDrawAliasedLines(Gr, pen, FLineScratch.data(), int(FLineScratch.size()));
        } else {
            QPolygon poly(FPointCount);
            for (int i = 0; i < FPointCount; ++i)
                poly[i] = QPoint(QvRoundPixel(p[i].X), QvRoundPixel(p[i].Y));
            Gr.drawPolyline(poly);
        }
        Gr.restore();
        return;
    }
    Gr.setBrush(Qt::NoBrush);
    const bool solid = FPen.style() == Qt::SolidLine && FPen.brush().style() == Qt::SolidPattern;
    if (solid && FPointCount >= 101) {
        // Long solid lines: separate segments look the same as the polyline but avoid the
        // stroker's cost on many sharp joins; runs in one pixel column are merged. Square caps
        // close the joins between segments and keep the raster engine on its direct line
        // rasterizer (round caps would send every segment through the general stroker).
        QPen pen = FPen;
        pen.setCapStyle(Qt::SquareCap);
        Gr.setPen(pen);
        // The lines are made again at each paint in one buffer shared by all series: that
        // takes a fraction of drawing them, and hundreds of series do not each keep megabytes
        // of lines (fresh memory is slow to touch on some machines).
        static thread_local std::vector<QLineF> Lines;
        QvColumnLinesF(p, FPointCount, Lines);
        QvDrawSegments(Gr, pen, Lines.data(), int(Lines.size()));
        return;
    }
    Gr.setPen(FPen);
    QPolygonF poly;
    poly.reserve(FPointCount);
    for (int i = 0; i < FPointCount; ++i)
        poly.append(QPointF(p[i].X, p[i].Y));
    Gr.drawPolyline(poly);
}

void TQvSeries::DrawOneSymbol(QPainter& Gr, const QPointF& P, int Symbol, double Size, const QPen& Pen,
                              const QBrush& Brush) const
{
    QvDrawPointSymbol(Gr, TQvPointSymbol(Symbol), float(Size), P, Pen, Brush);
}

// Many equal symbols on a raster device: each is drawn once per quarter-pixel offset into a
// small image at the device's pixel ratio, and the images are stamped. Drawing a path per point
// costs microseconds (half a million symbols took 1.5 s); a stamp is a blit. Positions keep a
// precision of 1/8 pixel, far below what the eye or antialiasing resolves. Vector devices,
// scaled or rotated painters, fractional pixel ratios and non-solid brushes take the path per
// point, and so do aliased painters (which set whole pixels by the exact position).
bool TQvSeries::StampSymbols(QPainter& Gr, int Symbol, double Size)
{
    QPaintDevice* Dev = Gr.device();
    if (!Dev || (FGraph && FGraph->DoingMetafile()) || !Gr.testRenderHint(QPainter::Antialiasing))
        return false;
    const int Type = Dev->devType();
    if (Type != QInternal::Image && Type != QInternal::Widget && Type != QInternal::Pixmap)
        return false;
    const QTransform T = Gr.worldTransform();
    const double Ratio = Dev->devicePixelRatioF();
    if (T.type() > QTransform::TxTranslate || Ratio != std::round(Ratio) || Ratio < 1
        || T.dx() != std::round(T.dx()) || T.dy() != std::round(T.dy()))
        return false;
    const Qt::BrushStyle BS = FSymbolBrush.style();
    if (BS != Qt::SolidPattern && BS != Qt::NoBrush)
        return false;
    if (FSymbolPen.brush().style() != Qt::SolidPattern && FSymbolPen.style() != Qt::NoPen)
        return false;

    constexpr int Phases = 4;
    const double Reach = Size / 2 + FSymbolPen.widthF() + 2;
    const int Half = int(std::ceil(Reach));
    const int Side = 2 * Half + 1;
    // The stamps of the last few symbol styles are kept: the window paints hundreds of series
    // in a handful of styles.
    struct TStampSet
    {
        int Symbol;
        double Size, Ratio;
        QPen Pen;
        QBrush Brush;
        QPainter::RenderHints Hints;
        std::array<QImage, Phases * Phases> Images;
    };
    static std::vector<TStampSet> Cache;
    auto Same = [&](const TStampSet& C) {
        return C.Symbol == Symbol && C.Size == Size && C.Ratio == Ratio && C.Pen == FSymbolPen && C.Brush == FSymbolBrush
               && C.Hints == Gr.renderHints();
    };
    auto Found = std::find_if(Cache.begin(), Cache.end(), Same);
    if (Found == Cache.end()) {
        if (Cache.size() >= 8)
            Cache.erase(Cache.begin());
        TStampSet Set{Symbol, Size, Ratio, FSymbolPen, FSymbolBrush, Gr.renderHints(), {}};
        for (int py = 0; py < Phases; ++py) {
            for (int px = 0; px < Phases; ++px) {
                QImage& I = Set.Images[size_t(py * Phases + px)];
                I = QImage(int(Side * Ratio), int(Side * Ratio), QImage::Format_ARGB32_Premultiplied);
                I.setDevicePixelRatio(Ratio);
                I.fill(Qt::transparent);
                QPainter P(&I);
                P.setRenderHints(Gr.renderHints());
                DrawOneSymbol(P, QPointF(Half + double(px) / Phases, Half + double(py) / Phases), Symbol, Size,
                              FSymbolPen, FSymbolBrush);
            }
        }
        Cache.push_back(std::move(Set));
        Found = Cache.end() - 1;
    }
    const std::array<QImage, Phases * Phases>& Stamps = Found->Images;
    const TQvFloatPoint* p = FPoints.Data();
    for (int i = 0; i < FPointCount; ++i) {
        const double X = std::floor(p[i].X * Phases + 0.5) / Phases;
        const double Y = std::floor(p[i].Y * Phases + 0.5) / Phases;
        const double IX = std::floor(X), IY = std::floor(Y);
        const int px = int((X - IX) * Phases), py = int((Y - IY) * Phases);
        Gr.drawImage(QPointF(IX - Half, IY - Half), Stamps[size_t(py * Phases + px)]);
    }
    return true;
}

void TQvSeries::DrawSymbols(QPainter& Gr)
{
    if (!FXAxis || !FYAxis || !FGraph || !FVisible)
        return;
    const bool handler = HasSymbolHandler();
    if (!handler && !SymbolsShown())
        return;
    if (FRecalculatePoints)
        CalculatePoints();
    RebuildPens();
    const TQvFloatPoint* p = FPoints.Data();
    const int symbol = int(FPointSymbolSettings->PointSymbol());
    const double size = FPointSymbolSettings->Size();
    FLastSymbolSize = float(size);
    if (!handler) {
        // From a few dozen symbols on, stamping is cheaper than drawing (the stamps of a style
        // are kept; a graph of a hundred series of some two hundred symbols each took 50 ms
        // drawn one by one).
        if (FPointCount >= 64 && StampSymbols(Gr, symbol, size))
            return;
        for (int i = 0; i < FPointCount; ++i)
            DrawOneSymbol(Gr, QPointF(p[i].X, p[i].Y), symbol, size, FSymbolPen, FSymbolBrush);
        return;
    }
    const int* idx = FPointIndex.Data();
    for (int i = 0; i < FPointCount; ++i) {
        TQvPointSymbolArgs a;
        a.Index = idx[i];
        a.X = TransformX(FXData->GetValue(idx[i]), idx[i]);
        a.Y = TransformY(FYData->GetValue(idx[i]), idx[i]);
        a.Symbol = symbol;
        a.Size = size;
        a.Visible = SymbolsShown();
        a.Pen = FSymbolPen;
        a.Brush = FSymbolBrush;
        emit OnGetPointSymbol(this, a);
        if (a.Visible)
            DrawOneSymbol(Gr, QPointF(p[i].X, p[i].Y), a.Symbol, a.Size, a.Pen, a.Brush);
    }
}

// -------------------------------------------------------------------------------------------------
// Queries

double TQvSeries::GetY(double AtX)
{
    const int n = UsableCount();
    if (n <= 0)
        return 0;
    auto X = [&](int i) { return TransformX(FXData->GetValue(i), i); };
    auto Y = [&](int i) { return TransformY(FYData->GetValue(i), i); };
    if (n == 1)
        return Y(0);
    int i1, i2;
    if (FXData->OnlyAscending()) {
        if (X(1) > AtX) {
            i1 = 0;
            i2 = 1;
        } else {
            i1 = n - 2;
            i2 = n - 1;
            // Inside the data: the bracketing pair by binary search.
            if (AtX <= X(n - 1)) {
                int lo = 1, hi = n - 1;   // X(lo) <= AtX <= X(hi)
                while (hi - lo > 1) {
                    const int mid = (lo + hi) / 2;
                    if (X(mid) <= AtX)
                        lo = mid;
                    else
                        hi = mid;
                }
                i1 = lo;
                i2 = hi;
                if (X(lo) == AtX)
                    i2 = lo;
            }
        }
    } else {
        // The first index with x >= AtX and the last with x <= AtX, passing indices without values.
        i2 = -1;
        for (int i = 0; i < n; ++i)
            if (HasValuesAt(i) && X(i) >= AtX) {
                i2 = i;
                break;
            }
        i1 = -1;
        for (int i = n - 1; i >= 0; --i)
            if (HasValuesAt(i) && X(i) <= AtX) {
                i1 = i;
                break;
            }
        if (i1 < 0 && i2 < 0)
            return 0;
        if (i1 < 0)
            return Y(i2);
        if (i2 < 0)
            return Y(i1);
    }
    if (i1 == i2)
        return Y(i1);
    const double x1 = X(i1), x2 = X(i2), y1 = Y(i1), y2 = Y(i2);
    if (x2 == x1)
        return y1;
    return y1 + (AtX - x1) * (y2 - y1) / (x2 - x1);
}

// The drawn point inside the drawing area with the smallest Distance(point); its values come
// from the vectors, or, for points without a data index (calculated function series), from the
// axes at the point's pixel.
template <class F>
TQvNearestPointResult TQvSeries::Nearest(F&& Distance) const
{
    TQvNearestPointResult r;
    if (FRecalculatePoints || !FGraph)
        return r;
    const QRectF a = FGraph->DrawingArea();
    const TQvFloatPoint* p = FPoints.Data();
    double best = 1e300;
    int bi = -1;
    for (int i = 0; i < FPointCount; ++i) {
        if (p[i].X < a.left() || p[i].X > a.right() || p[i].Y < a.top() || p[i].Y > a.bottom())
            continue;
        const double d = Distance(p[i]);
        if (d < best) {
            best = d;
            bi = i;
        }
    }
    if (bi < 0)
        return r;
    auto* self = const_cast<TQvSeries*>(this);
    const int idx = bi < FPointIndex.Count() ? FPointIndex.Data()[bi] : -1;
    r.Found = true;
    r.Distance = float(best);
    r.Index = idx;
    if (idx >= 0 && FXData && FYData && idx < FXData->Count() && idx < FYData->Count()) {
        r.X = self->TransformX(FXData->GetValue(idx), idx);
        r.Y = self->TransformY(FYData->GetValue(idx), idx);
    } else {
        r.X = FXAxis ? FXAxis->WorldToNumber(p[bi].X) : 0;
        r.Y = FYAxis ? FYAxis->WorldToNumber(p[bi].Y) : 0;
    }
    r.ThePoint = QPointF(p[bi].X, p[bi].Y);
    return r;
}

TQvNearestPointResult TQvSeries::NearestPoint(const QPointF& FromPosition) const
{
    TQvNearestPointResult r = Nearest([&](const TQvFloatPoint& P) {
        const double dx = P.X - FromPosition.x(), dy = P.Y - FromPosition.y();
        return dx * dx + dy * dy;
    });
    r.Distance = std::sqrt(r.Distance);
    return r;
}

TQvNearestPointResult TQvSeries::NearestX(double FromX) const
{
    return Nearest([&](const TQvFloatPoint& P) { return std::fabs(P.X - FromX); });
}

TQvNearestPointResult TQvSeries::NearestY(double FromY) const
{
    return Nearest([&](const TQvFloatPoint& P) { return std::fabs(P.Y - FromY); });
}

int TQvSeries::FindPoint(double X, double Y, double Delta) const
{
    if (FRecalculatePoints)
        return -1;
    const TQvFloatPoint* p = FPoints.Data();
    for (int i = 0; i < FPointCount; ++i)
        if (std::fabs(p[i].X - X) <= Delta && std::fabs(p[i].Y - Y) <= Delta)
            return FPointIndex.Data()[i];
    return -1;
}

int TQvSeries::FindPoint(double X, double Y) const
{
    return FindPoint(X, Y, SymbolsShown() ? double(FPointSymbolSettings->Size()) : 1.0);
}

double TQvSeries::ExtraSpaceAt(TQvBorder) const
{
    if (!FVisible || !SymbolsShown() || !FXData || FXData->Count() <= 1)
        return 0;
    return (FPointSymbolSettings->Size() + FPointSymbolSettings->BorderLineWidth()) / 2 + 1;
}

int TQvSeries::GetItemHeight() const
{
    int h = 0;
    if (LineShown())
        h = int(std::lround(FLineSettings->Width()));
    if (AreaShown())
        h += 6;
    if (SymbolsShown())
        h = std::max(h, int(std::ceil(FPointSymbolSettings->Size())) + 2);
    return h;
}

QString TQvSeries::ToString() const
{
    return FCaption.isEmpty() ? objectName() : FCaption;
}

// -------------------------------------------------------------------------------------------------
// Legend entry

void TQvSeries::DrawListItem(QPainter& Gr, const QRectF& R, TQvListItemStyle Style)
{
    RebuildPens();
    Gr.save();
    const QPointF c = R.center();
    if (SymbolsShown() && QvAlpha(FPointSymbolSettings->FillColor()) != 255) {
        if (QvSymbolCutsClip(FPointSymbolSettings->PointSymbol())) {
            // The same cut-out as in the plot (CutSymbolsFromClip).
            const QRegion cut = QvSymbolsClipRegion(FPointSymbolSettings->PointSymbol(), FPointSymbolSettings->Size(), {c});
            const QRegion all(R.adjusted(-50, -50, 50, 50).toAlignedRect());
            Gr.setClipRegion(all.subtracted(cut), Gr.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        }
        if (Style == TQvListItemStyle::Filled)
            Style = TQvListItemStyle::HalfHorizontal;
    }
    if (AreaShown()) {
        QPolygonF poly;
        switch (Style) {
        case TQvListItemStyle::Filled:
            poly << R.topLeft() << R.topRight() << R.bottomRight() << R.bottomLeft();
            break;
        case TQvListItemStyle::HalfHorizontal:
            poly << QPointF(R.left(), c.y()) << QPointF(R.right(), c.y()) << R.bottomRight() << R.bottomLeft();
            break;
        case TQvListItemStyle::AscendingDiagonal:
            poly << R.bottomLeft() << R.topRight() << R.bottomRight();
            break;
        case TQvListItemStyle::DescendingDiagonal:
            poly << R.topLeft() << R.bottomRight() << R.bottomLeft();
            break;
        }
        Gr.setPen(Qt::NoPen);
        Gr.setBrush(FBrush);
        Gr.drawPolygon(poly);
    }
    if (LineShown()) {
        Gr.setPen(FPen);
        switch (Style) {
        case TQvListItemStyle::Filled:
        case TQvListItemStyle::HalfHorizontal:
            Gr.drawLine(QPointF(R.left(), c.y()), QPointF(R.right(), c.y()));
            break;
        case TQvListItemStyle::AscendingDiagonal:
            Gr.drawLine(R.bottomLeft(), R.topRight());
            break;
        case TQvListItemStyle::DescendingDiagonal:
            Gr.drawLine(R.topLeft(), R.bottomRight());
            break;
        }
    }
    Gr.restore();
    if (SymbolsShown())
        DrawOneSymbol(Gr, c, int(FPointSymbolSettings->PointSymbol()), FPointSymbolSettings->Size(), FSymbolPen,
                      FSymbolBrush);
}

void TQvSeries::DrawListItem(QPainter& Gr, const QRectF& R)
{
    DrawListItem(Gr, R, (LineShown() || SymbolsShown()) ? TQvListItemStyle::Filled : TQvListItemStyle::HalfHorizontal);
}

void TQvSeries::DrawMergedItems(QPainter& Gr, const QRectF& R)
{
    DrawListItem(Gr, R);
    if (!FGraph)
        return;
    for (TQvSeries* s : FGraph->RelatedSeries())
        if (s != this && s->MergeLegendItemWith() == this && s->SymbolsShown())
            s->DrawOneSymbol(Gr, R.center(), int(s->PointSymbol()->PointSymbol()), s->PointSymbol()->Size(),
                             s->SymbolBorderPen(), s->SymbolFillBrush());
}

// -------------------------------------------------------------------------------------------------
// Style changes

void TQvSeries::TestVisbleChanged()
{
    const int minCount = SymbolsShown() ? 1 : 2;
    RebuildPens();
    if (FGraph && SymbolsShown() && FLastSymbolSize != FPointSymbolSettings->Size()) {
        FLastSymbolSize = FPointSymbolSettings->Size();
        FGraph->LegendsModified();
    }
    Invalidate();
    const bool vis = SeriesVisible();
    if (vis != FLastVisible) {
        FLastVisible = vis;
        if (FXAxis)
            FXAxis->RangeModified();
        if (FYAxis)
            FYAxis->RangeModified();
    }
    if (minCount != FMinCount) {
        FMinCount = minCount;
        RangesModified();
    } else {
        PointsModified();
    }
}

// -------------------------------------------------------------------------------------------------
// Persistence

QVariantMap TQvSeries::WriteProperties() const
{
    QVariantMap m;
    m[QStringLiteral("Type")] = QString::fromLatin1(metaObject()->className());
    m[QStringLiteral("Name")] = objectName();
    m[QStringLiteral("Caption")] = FCaption;
    m[QStringLiteral("Visible")] = FVisible;
    m[QStringLiteral("OutliersVisible")] = FOutliersVisible;
    m[QStringLiteral("AutoUpdate")] = FAutoUpdate;
    m[QStringLiteral("IncludeInLegend")] = FIncludeInLegend;
    m[QStringLiteral("Layer")] = FLayer;
    QVariantMap line;
    line[QStringLiteral("Visible")] = FLineSettings->Visible();
    line[QStringLiteral("Color")] = uint(FLineSettings->Color());
    line[QStringLiteral("Width")] = double(FLineSettings->Width());
    line[QStringLiteral("DashStyle")] = int(FLineSettings->DashStyle());
    m[QStringLiteral("Line")] = line;
    m[QStringLiteral("Links")] = QString();
    auto name = [](const QObject* o) { return (o && !qobject_cast<const TQvIndexer*>(o)) ? QvFullName(o) : QString(); };
    m[QStringLiteral("XData")] = name(FXData);
    m[QStringLiteral("YData")] = name(FYData);
    m[QStringLiteral("XAxis")] = name(FXAxis.data());
    m[QStringLiteral("YAxis")] = name(FYAxis.data());
    m[QStringLiteral("MergeLegendItemWith")] = name(FMergeLegendItemWith.data());
    m[QStringLiteral("DrawBandTo")] = name(FDrawBandTo.data());
    if (FDoPointSettingsStorage) {
        QVariantMap ps;
        ps[QStringLiteral("Size")] = double(FPointSymbolSettings->Size());
        ps[QStringLiteral("BorderLineWidth")] = double(FPointSymbolSettings->BorderLineWidth());
        ps[QStringLiteral("BorderColor")] = uint(FPointSymbolSettings->BorderColor());
        ps[QStringLiteral("FillColor")] = uint(FPointSymbolSettings->FillColor());
        ps[QStringLiteral("Symbol")] = int(FPointSymbolSettings->PointSymbol());
        ps[QStringLiteral("Visible")] = FPointSymbolSettings->Visible();
        m[QStringLiteral("PointSymbol")] = ps;
    }
    return m;
}

namespace {

// A stored series record is checked whole before any property changes: booleans, whole numbers
// and numbers where they belong, styles that exist, sub-records that are maps.
void CheckSeriesRecord(const QVariantMap& m)
{
    auto fail = [](const QString& Key, const QVariant& V) {
        throw EQvPersistenceError("Damaged series record: " + Key.toStdString() + " \""
                                  + V.toString().left(40).toStdString() + "\"");
    };
    auto isBool = [](const QVariant& V) {
        if (V.typeId() == QMetaType::Bool)
            return true;
        const QString t = V.toString();
        return t == QLatin1String("true") || t == QLatin1String("false");
    };
    auto isInt = [](const QVariant& V, int Lo, int Hi) {
        bool ok = false;
        const qlonglong n = V.toLongLong(&ok);
        return ok && n >= Lo && n <= Hi;
    };
    auto isNumber = [](const QVariant& V) {
        bool ok = false;
        const double d = V.toDouble(&ok);
        return ok && std::isfinite(d);
    };
    for (const char* k : {"Visible", "OutliersVisible", "AutoUpdate", "IncludeInLegend"})
        if (const auto it = m.constFind(QString::fromLatin1(k)); it != m.cend() && !isBool(*it))
            fail(it.key(), *it);
    if (const auto it = m.constFind(QStringLiteral("Layer")); it != m.cend() && !isInt(*it, INT_MIN, INT_MAX))
        fail(it.key(), *it);
    for (const char* sub : {"Line", "PointSymbol"}) {
        const auto it = m.constFind(QString::fromLatin1(sub));
        if (it == m.cend())
            continue;
        if (it->typeId() != QMetaType::QVariantMap)
            fail(it.key(), *it);
        const QVariantMap r = it->toMap();
        for (auto jt = r.cbegin(); jt != r.cend(); ++jt) {
            const QString& k = jt.key();
            bool ok = true;
            if (k == QLatin1String("Visible"))
                ok = isBool(*jt);
            else if (k == QLatin1String("Color") || k == QLatin1String("BorderColor") || k == QLatin1String("FillColor"))
                jt->toUInt(&ok);
            else if (k == QLatin1String("Width") || k == QLatin1String("Size") || k == QLatin1String("BorderLineWidth"))
                ok = isNumber(*jt);
            else if (k == QLatin1String("DashStyle"))
                ok = isInt(*jt, int(TDashStyle::DashStyleSolid), int(TDashStyle::DashStyleCustom));
            else if (k == QLatin1String("Symbol"))
                ok = isInt(*jt, 0, QvPointSymbolCount - 1);
            if (!ok)
                fail(it.key() + QLatin1Char('.') + k, *jt);
        }
    }
}

} // namespace

void TQvSeries::CheckProperties(const QVariantMap& Props)
{
    CheckSeriesRecord(Props);
}

void TQvSeries::ReadProperties(const QVariantMap& m)
{
    CheckSeriesRecord(m);
    auto has = [&](const char* k) { return m.contains(QString::fromLatin1(k)); };
    auto get = [&](const char* k) { return m.value(QString::fromLatin1(k)); };
    if (has("Caption"))
        SetCaption(get("Caption").toString());
    if (has("Visible"))
        SetVisible(get("Visible").toBool());
    if (has("OutliersVisible"))
        SetOutliersVisible(get("OutliersVisible").toBool());
    if (has("AutoUpdate"))
        SetAutoUpdate(get("AutoUpdate").toBool());
    if (has("IncludeInLegend"))
        SetIncludeInLegend(get("IncludeInLegend").toBool());
    if (has("Layer"))
        SetLayer(get("Layer").toInt());
    if (has("Line")) {
        const QVariantMap line = get("Line").toMap();
        FLineSettings->SetVisible(line.value(QStringLiteral("Visible"), true).toBool());
        FLineSettings->SetColor(line.value(QStringLiteral("Color")).toUInt());
        FLineSettings->SetWidth(line.value(QStringLiteral("Width"), 1.0).toDouble());
        FLineSettings->SetDashStyle(TDashStyle(line.value(QStringLiteral("DashStyle")).toInt()));
    }
    auto resolve = [&](const char* k) -> QObject* {
        const QString n = get(k).toString();
        return n.isEmpty() ? nullptr : QvFindComponent(n);
    };
    if (has("XAxis"))
        SetXAxis(qobject_cast<TQvAxis*>(resolve("XAxis")));
    if (has("YAxis"))
        SetYAxis(qobject_cast<TQvAxis*>(resolve("YAxis")));
    if (has("XData"))
        SetXData(qobject_cast<TQvCustomDoubleVector*>(resolve("XData")));
    if (has("YData"))
        SetYData(qobject_cast<TQvCustomDoubleVector*>(resolve("YData")));
    if (has("MergeLegendItemWith"))
        SetMergeLegendItemWith(qobject_cast<TQvSeries*>(resolve("MergeLegendItemWith")));
    if (has("DrawBandTo"))
        SetDrawBandTo(qobject_cast<TQvLineSeries*>(resolve("DrawBandTo")));
    if (has("PointSymbol")) {
        const QVariantMap ps = get("PointSymbol").toMap();
        FPointSymbolSettings->SetSize(ps.value(QStringLiteral("Size"), 11.0).toDouble());
        FPointSymbolSettings->SetBorderLineWidth(ps.value(QStringLiteral("BorderLineWidth"), 1.0).toDouble());
        FPointSymbolSettings->SetBorderColor(ps.value(QStringLiteral("BorderColor")).toUInt());
        FPointSymbolSettings->SetFillColor(ps.value(QStringLiteral("FillColor")).toUInt());
        FPointSymbolSettings->SetPointSymbol(TQvPointSymbol(ps.value(QStringLiteral("Symbol")).toInt()));
        if (ps.contains(QStringLiteral("Visible")))
            FPointSymbolSettings->SetVisible(ps.value(QStringLiteral("Visible")).toBool());
    }
}

void TQvSeries::WriteTo(QIODevice& Stream) const
{
    QDataStream s(&Stream);
    s << WriteProperties();
}

void TQvSeries::ReadFrom(QIODevice& Stream)
{
    QDataStream s(&Stream);
    // Taken apart whole first: a damaged record raises before any property changes.
    ReadProperties(QvReadVariantMap(s, QStringLiteral("series")));
}

void TQvSeries::WriteTo(QSettings& Ini, const QString& Section) const
{
    Ini.beginGroup(Section);
    const QVariantMap m = WriteProperties();
    for (auto it = m.begin(); it != m.end(); ++it)
        Ini.setValue(it.key(), it.value());
    Ini.endGroup();
}

void TQvSeries::ReadFrom(QSettings& Ini, const QString& Section)
{
    QvCheckIniSection(Ini, Section);
    Ini.beginGroup(Section);
    QVariantMap m;
    for (const QString& k : Ini.childKeys())
        m[k] = Ini.value(k);
    Ini.endGroup();
    ReadProperties(m);
}

void TQvSeries::WriteTo(QXmlStreamWriter& Xml) const
{
    const QVariantMap m = WriteProperties();
    Xml.writeStartElement(QStringLiteral("Properties"));
    for (auto it = m.begin(); it != m.end(); ++it) {
        if (it.value().typeId() == QMetaType::QVariantMap) {
            Xml.writeStartElement(it.key());
            const QVariantMap sub = it.value().toMap();
            for (auto jt = sub.begin(); jt != sub.end(); ++jt)
                Xml.writeTextElement(jt.key(), jt.value().toString());
            Xml.writeEndElement();
        } else {
            Xml.writeTextElement(it.key(), it.value().toString());
        }
    }
    Xml.writeEndElement();
}

void TQvSeries::ReadFrom(QXmlStreamReader& Xml)
{
    QVariantMap m;
    if (Xml.tokenType() != QXmlStreamReader::StartElement || Xml.name() != QLatin1String("Properties"))
        if (!Xml.readNextStartElement())
            return;
    while (Xml.readNextStartElement()) {
        const QString key = Xml.name().toString();
        if (key == QLatin1String("Line") || key == QLatin1String("PointSymbol")
            || key == QLatin1String("ErrorIndicator")) {
            QVariantMap sub;
            while (Xml.readNextStartElement())
                sub[Xml.name().toString()] = Xml.readElementText();
            m[key] = sub;
        } else {
            m[key] = Xml.readElementText();
        }
    }
    if (Xml.hasError())
        throw EQvPersistenceError("Damaged series XML: " + Xml.errorString().toStdString());
    // Text values: booleans and numbers are converted by QVariant when read.
    for (const char* b : {"Visible", "OutliersVisible", "AutoUpdate", "IncludeInLegend"})
        if (m.contains(QString::fromLatin1(b)))
            m[QString::fromLatin1(b)] = m[QString::fromLatin1(b)].toString() == QLatin1String("true");
    ReadProperties(m);
}
