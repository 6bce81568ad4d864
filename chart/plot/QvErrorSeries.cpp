#include "QvErrorSeries.h"

#include "QvAxis.h"
#include "QvComponent.h"
#include "QvGraph2D.h"
#include "QvStyles.h"

#include <QMetaMethod>
#include <QPainter>

#include <cmath>
#include <limits>

namespace {

const char* const DeltaUndo[4] = {"Error bars X(+)-delta reference", "Error bars X(-)-delta reference",
                                  "Error bars Y(+)-delta reference", "Error bars Y(-)-delta reference"};
const char* const DeltaProp[4] = {"DeltaXPlus", "DeltaXMinus", "DeltaYPlus", "DeltaYMinus"};

bool IsLog(const TQvAxis* Axis)
{
    return Axis && (Axis->Scaling() == TQvAxisScaling::Log || Axis->Scaling() == TQvAxisScaling::LogEE);
}

} // namespace

TQvPointWithErrorSeries::TQvPointWithErrorSeries(QObject* AOwner) : TQvPointSeries(AOwner)
{
    FErrorIndicator = new TQvLineSettings(this, {}, QStringLiteral("ErrorIndicator"));
    FErrorIndicator->SetColor(QvColors::Gray);
    FErrorIndicator->SetModifiedCallback([this] { TestVisbleChanged(); });
    FErrorIndicatorsPen = TQvPen(QvColors::Gray, 1.0f);
    FLastIndicatorsVisible = FErrorIndicator->Visible();
}

TQvPointWithErrorSeries::~TQvPointWithErrorSeries()
{
    // Unregistering twice is harmless; the base unregisters the data vectors.
    for (TQvCustomDoubleVector* v : FDelta)
        if (v && v != FXData && v != FYData)
            v->UnregisterUser(this);
}

void TQvPointWithErrorSeries::SetUndoStack(TQvUndoStack* AStack)
{
    TQvPointSeries::SetUndoStack(AStack);
    FErrorIndicator->SetUndoStack(AStack);
}

void TQvPointWithErrorSeries::SetDelta(TDirection D, TQvCustomDoubleVector* Value)
{
    if (FDelta[D] == Value)
        return;
    PushUndoProperty(DeltaUndo[D], DeltaProp[D]);
    TQvCustomDoubleVector* old = FDelta[D];
    FDelta[D] = Value;
    // The old vector stays registered while another role still uses it.
    if (old && old != FXData && old != FYData && old != FDelta[0] && old != FDelta[1] && old != FDelta[2]
        && old != FDelta[3])
        old->UnregisterUser(this);
    if (Value)
        Value->RegisterUser(this);
    RangesModified();
    if (FGraph)
        FGraph->SeriesModified();
}

void TQvPointWithErrorSeries::SetDeltaTransformation(TDirection D, TQvValueTransformation F)
{
    mGetDeltaTransformation[D] = std::move(F);
    RangesModified();
}

double TQvPointWithErrorSeries::Extent(TDirection D, int Idx)
{
    TQvCustomDoubleVector* v = FDelta[D];
    if (!v || Idx < 0 || v->Count() < Idx + 1)
        return 0;
    const double raw = v->GetValue(Idx);
    const double e = mGetDeltaTransformation[D] ? mGetDeltaTransformation[D](this, raw, Idx) : raw;
    return std::isfinite(e) ? std::fabs(e) : 0;
}

bool TQvPointWithErrorSeries::BarsShown() const
{
    return FErrorIndicator->Visible() && (HasXExtents() || HasYExtents());
}

bool TQvPointWithErrorSeries::HasValuesAt(int Idx) const
{
    if (FOutliersVisible)
        return true;
    if (!TQvPointSeries::HasValuesAt(Idx))
        return false;
    for (TQvCustomDoubleVector* v : FDelta)
        if (v && v->Count() > Idx && v->AnyOutliers() && v->IsOutlier(Idx))
            return false;
    return true;
}

bool TQvPointWithErrorSeries::SeriesVisible() const
{
    return FVisible && (LineShown() || AreaShown() || SymbolsShown() || BarsShown());
}

int TQvPointWithErrorSeries::GetItemHeight() const
{
    const int h = TQvPointSeries::GetItemHeight();
    return FErrorIndicator->Visible() && HasYExtents() ? h + 8 : h;
}

void TQvPointWithErrorSeries::TestVisbleChanged()
{
    if (!FErrorIndicator)
        return TQvPointSeries::TestVisbleChanged();
    FErrorIndicatorsPen.SetColor(FErrorIndicator->Color());
    FErrorIndicatorsPen.SetWidth(FErrorIndicator->Width());
    FErrorIndicatorsPen.SetDashStyle(FErrorIndicator->DashStyle());
    if (FErrorIndicator->Visible() != FLastIndicatorsVisible) {
        FLastIndicatorsVisible = FErrorIndicator->Visible();
        RangesModified();
    }
    TQvPointSeries::TestVisbleChanged();
}

void TQvPointWithErrorSeries::Calculate()
{
    if (!BarsShown() || !FXData || !FYData)
        return TQvPointSeries::Calculate();
    if (FLastCount >= FXData->Count() && FLastCount >= FYData->Count())
        return;
    FCount = UsableCount();
    if (FLastCount >= FCount || FCount < FMinCount)
        return;
    constexpr double Empty = std::numeric_limits<double>::max();
    double xlo = Empty, xhi = -Empty, ylo = Empty, yhi = -Empty;
    const bool xlog = IsLog(FXAxis), ylog = IsLog(FYAxis);
    // The low end of a bar on a log axis: the bar's end when positive, else the value itself.
    auto low = [](double v, double e, bool log, double& lo) {
        double c = v - e;
        if (log && !(c > 0))
            c = v;
        if (log && !(c > 0))
            return;
        lo = std::min(lo, c);
    };
    for (int i = 0; i < FCount; ++i) {
        if (!HasValuesAt(i))
            continue;
        const double x = TransformX(FXData->GetValue(i), i);
        const double y = TransformY(FYData->GetValue(i), i);
        low(x, Extent(XMinus, i), xlog, xlo);
        xhi = std::max(xhi, x + Extent(XPlus, i));
        low(y, Extent(YMinus, i), ylog, ylo);
        yhi = std::max(yhi, y + Extent(YPlus, i));
    }
    if (xlo > xhi && xlo != Empty)
        std::swap(xlo, xhi);
    if (ylo > yhi && ylo != Empty)
        std::swap(ylo, yhi);
    if (xlo != FXStart || xhi != FXStop) {
        FXStart = xlo;
        FXStop = xhi;
        FXAxis->RangeModified();
    }
    if (ylo != FYStart || yhi != FYStop) {
        FYStart = ylo;
        FYStop = yhi;
        FYAxis->RangeModified();
    }
    FRecalculatePoints = true;
    Invalidate();
    FLastCount = FCount;
}

void TQvPointWithErrorSeries::CalculatePoints()
{
    TQvPointSeries::CalculatePoints();
    for (TQvSingleVector& v : FWd)
        v.Clear();
    if (FPointCount <= 0 || !BarsShown() || !FXAxis || !FYAxis)
        return;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int* idx = FPointIndex.Data();
    for (int i = 0; i < FPointCount; ++i) {
        const int k = idx[i];
        const double x = TransformX(FXData->GetValue(k), k);
        const double y = TransformY(FYData->GetValue(k), k);
        for (int d = 0; d < 4; ++d) {
            TQvCustomDoubleVector* v = FDelta[d];
            if (!v || v->Count() < k + 1) {
                FWd[d].Add(nan);
                continue;
            }
            const double e = Extent(TDirection(d), k);
            switch (d) {
            case XPlus: FWd[d].Add(FXAxis->NumberToWorld(x + e)); break;
            case XMinus: FWd[d].Add(FXAxis->NumberToWorld(x - e)); break;
            case YPlus: FWd[d].Add(FYAxis->NumberToWorld(y + e)); break;
            case YMinus: FWd[d].Add(FYAxis->NumberToWorld(y - e)); break;
            }
        }
    }
}

void TQvPointWithErrorSeries::PaintUnderSymbols(QPainter& Gr)
{
    if (BarsShown())
        PaintBars(Gr);
}

QVariantMap TQvPointWithErrorSeries::WriteProperties() const
{
    QVariantMap m = TQvPointSeries::WriteProperties();
    for (int d = 0; d < 4; ++d)
        m[QString::fromLatin1(DeltaProp[d])] = FDelta[d] ? QvFullName(FDelta[d]) : QString();
    QVariantMap bars;
    bars[QStringLiteral("Visible")] = FErrorIndicator->Visible();
    bars[QStringLiteral("Color")] = uint(FErrorIndicator->Color());
    bars[QStringLiteral("Width")] = double(FErrorIndicator->Width());
    bars[QStringLiteral("DashStyle")] = int(FErrorIndicator->DashStyle());
    m[QStringLiteral("ErrorIndicator")] = bars;
    return m;
}

void TQvPointWithErrorSeries::ReadProperties(const QVariantMap& Props)
{
    TQvPointSeries::ReadProperties(Props);
    for (int d = 0; d < 4; ++d) {
        const QString key = QString::fromLatin1(DeltaProp[d]);
        if (!Props.contains(key))
            continue;
        const QString name = Props.value(key).toString();
        SetDelta(TDirection(d), name.isEmpty() ? nullptr : qobject_cast<TQvCustomDoubleVector*>(QvFindComponent(name)));
    }
    if (Props.contains(QStringLiteral("ErrorIndicator"))) {
        const QVariantMap bars = Props.value(QStringLiteral("ErrorIndicator")).toMap();
        FErrorIndicator->SetVisible(bars.value(QStringLiteral("Visible"), true).toBool());
        FErrorIndicator->SetColor(bars.value(QStringLiteral("Color"), uint(QvColors::Gray)).toUInt());
        FErrorIndicator->SetWidth(bars.value(QStringLiteral("Width"), 1.0).toDouble());
        FErrorIndicator->SetDashStyle(TDashStyle(bars.value(QStringLiteral("DashStyle")).toInt()));
    }
}

void TQvPointWithErrorSeries::PaintBars(QPainter& Gr)
{
    if (FPointCount <= 0 || FWd[0].Count() < FPointCount)
        return;
    static const QMetaMethod sig = QMetaMethod::fromSignal(&TQvPointWithErrorSeries::OnGetIndicatorsPen);
    const bool handler = isSignalConnected(sig);
    const float c = std::max(0.0f, (PointSymbol()->Size() - 1) / 2);
    const TQvFloatPoint* p = FPoints.Data();
    const int* idx = FPointIndex.Data();
    Gr.save();
    Gr.setBrush(Qt::NoBrush);
    QPen pen = FErrorIndicatorsPen;
    pen.setCapStyle(Qt::FlatCap);
    Gr.setPen(pen);
    QVector<QLineF> lines;
    for (int i = 0; i < FPointCount; ++i) {
        if (handler) {
            const int k = idx[i];
            QPen own = pen;
            bool draw = true;
            emit OnGetIndicatorsPen(this, k, TransformX(FXData->GetValue(k), k), TransformY(FYData->GetValue(k), k), own,
                                    draw);
            if (!draw)
                continue;
            Gr.setPen(own);
            lines.clear();
        }
        const QPointF at(p[i].X, p[i].Y);
        for (int d = 0; d < 4; ++d) {
            const float e = FWd[d].GetValue(i);
            if (std::isnan(e))
                continue;
            if (d <= XMinus) {
                lines << QLineF(at, QPointF(e, at.y())) << QLineF(e, at.y() - c, e, at.y() + c);
            } else {
                lines << QLineF(at, QPointF(at.x(), e)) << QLineF(at.x() - c, e, at.x() + c, e);
            }
        }
        if (handler)
            Gr.drawLines(lines);
    }
    if (!handler)
        Gr.drawLines(lines);
    Gr.restore();
}

void TQvPointWithErrorSeries::DrawListItem(QPainter& Gr, const QRectF& R, TQvListItemStyle Style)
{
    if (!BarsShown())
        return TQvPointSeries::DrawListItem(Gr, R, Style);
    if (Style == TQvListItemStyle::Filled && HasXExtents())
        Style = TQvListItemStyle::AscendingDiagonal;
    TQvPointSeries::DrawListItem(Gr, R, Style);
    // Bars from the centre: across most of the item, end caps a third of the item height.
    const QPointF m = R.center();
    const double w = FErrorIndicatorsPen.widthF();
    const double cap = std::max(2.0, R.height() / 3);
    Gr.save();
    QPen pen = FErrorIndicatorsPen;
    pen.setCapStyle(Qt::FlatCap);
    Gr.setPen(pen);
    Gr.setBrush(Qt::NoBrush);
    if (HasXExtents()) {
        const double hx = std::max(2.0, R.width() / 2 - w - 2);
        Gr.drawLine(QPointF(m.x() - hx, m.y()), QPointF(m.x() + hx, m.y()));
        Gr.drawLine(QPointF(m.x() - hx, m.y() - cap / 2), QPointF(m.x() - hx, m.y() + cap / 2));
        Gr.drawLine(QPointF(m.x() + hx, m.y() - cap / 2), QPointF(m.x() + hx, m.y() + cap / 2));
    }
    if (HasYExtents()) {
        const double hy = std::max(2.0, R.height() / 2 - w);
        const double cx = std::min(cap, R.width() / 3);
        Gr.drawLine(QPointF(m.x(), m.y() - hy), QPointF(m.x(), m.y() + hy));
        Gr.drawLine(QPointF(m.x() - cx / 2, m.y() - hy), QPointF(m.x() + cx / 2, m.y() - hy));
        Gr.drawLine(QPointF(m.x() - cx / 2, m.y() + hy), QPointF(m.x() + cx / 2, m.y() + hy));
    }
    Gr.restore();
    // The symbol again over the bars' centre.
    if (SymbolsShown())
        DrawOneSymbol(Gr, m, int(PointSymbol()->PointSymbol()), PointSymbol()->Size(), FSymbolPen, FSymbolBrush);
}

void TQvPointWithErrorSeries::DrawListItem(QPainter& Gr, const QRectF& R)
{
    DrawListItem(Gr, R, (LineShown() || SymbolsShown()) ? TQvListItemStyle::Filled : TQvListItemStyle::HalfHorizontal);
}

void TQvPointWithErrorSeries::VectorDestroyed(TQvCustomDoubleVector* Vector)
{
    bool was = false;
    for (TQvCustomDoubleVector*& v : FDelta)
        if (v == Vector) {
            v = nullptr;
            was = true;
        }
    if (was)
        RangesModified();
    TQvPointSeries::VectorDestroyed(Vector);
}
