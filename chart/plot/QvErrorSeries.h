#pragma once
// A point series with error bars: up to four vectors give, per point, the extent of the bar to
// the right (x plus), to the left (x minus), upwards (y plus) and downwards (y minus). The
// series' data range includes the bars. Bars are drawn after area and line and before the
// symbols, so the symbols cover the bar centres.
//
// The extent of point i in one direction is |value| (or |transformation(value, i)|), 0 when the
// direction's vector is missing or shorter than i + 1.

#include "QvSeries.h"
#include "QvGDI.h"

class TQvLineSettings;

class TQvPointWithErrorSeries : public TQvPointSeries
{
    Q_OBJECT
    Q_PROPERTY(QObject* DeltaXPlus READ DeltaXPlusObject WRITE SetDeltaXPlusObject)
    Q_PROPERTY(QObject* DeltaXMinus READ DeltaXMinusObject WRITE SetDeltaXMinusObject)
    Q_PROPERTY(QObject* DeltaYPlus READ DeltaYPlusObject WRITE SetDeltaYPlusObject)
    Q_PROPERTY(QObject* DeltaYMinus READ DeltaYMinusObject WRITE SetDeltaYMinusObject)
public:
    // Bar directions, also the index of BarEnds.
    enum TDirection { XPlus = 0, XMinus = 1, YPlus = 2, YMinus = 3 };

    explicit TQvPointWithErrorSeries(QObject* AOwner = nullptr);
    ~TQvPointWithErrorSeries() override;

    // Style of the bars ("Gray", width 1, solid, visible).
    TQvLineSettings* ErrorIndicator() const { return FErrorIndicator; }
    TQvPen ErrorIndicatorsPen() const { return FErrorIndicatorsPen; }

    TQvCustomDoubleVector* DeltaXPlus() const { return FDelta[XPlus]; }
    void SetDeltaXPlus(TQvCustomDoubleVector* Value) { SetDelta(XPlus, Value); }
    TQvCustomDoubleVector* DeltaXMinus() const { return FDelta[XMinus]; }
    void SetDeltaXMinus(TQvCustomDoubleVector* Value) { SetDelta(XMinus, Value); }
    TQvCustomDoubleVector* DeltaYPlus() const { return FDelta[YPlus]; }
    void SetDeltaYPlus(TQvCustomDoubleVector* Value) { SetDelta(YPlus, Value); }
    TQvCustomDoubleVector* DeltaYMinus() const { return FDelta[YMinus]; }
    void SetDeltaYMinus(TQvCustomDoubleVector* Value) { SetDelta(YMinus, Value); }
    TQvCustomDoubleVector* Delta(TDirection D) const { return FDelta[D]; }
    void SetDelta(TDirection D, TQvCustomDoubleVector* Value);

    // Per-value transformations of the extents; assigning one restarts the range.
    void SetDeltaTransformation(TDirection D, TQvValueTransformation F);
    void SetDxPlusTransformation(TQvValueTransformation F) { SetDeltaTransformation(XPlus, std::move(F)); }
    void SetDxMinusTransformation(TQvValueTransformation F) { SetDeltaTransformation(XMinus, std::move(F)); }
    void SetDyPlusTransformation(TQvValueTransformation F) { SetDeltaTransformation(YPlus, std::move(F)); }
    void SetDyMinusTransformation(TQvValueTransformation F) { SetDeltaTransformation(YMinus, std::move(F)); }

    // The extent of point Idx in direction D (>= 0).
    double Extent(TDirection D, int Idx);
    // True when bars are visible and at least one extent vector is set.
    bool BarsShown() const;
    bool HasXExtents() const { return FDelta[XPlus] || FDelta[XMinus]; }
    bool HasYExtents() const { return FDelta[YPlus] || FDelta[YMinus]; }
    // Screen coordinate of each bar end, one per screen point (NaN where the direction's vector
    // does not cover the point): x pixels for the x directions, y pixels for the y directions.
    const TQvSingleVector& BarEnds(TDirection D) const { return FWd[D]; }

    bool HasValuesAt(int Idx) const override;
    bool SeriesVisible() const override;
    int GetItemHeight() const override;
    void TestVisbleChanged() override;
    void SetUndoStack(TQvUndoStack* AStack) override;
    void Calculate() override;
    void CalculatePoints() override;
    // Keys of the base series plus "DeltaXPlus", "DeltaXMinus", "DeltaYPlus", "DeltaYMinus"
    // (full names) and "ErrorIndicator" (Visible, Color, Width, DashStyle).
    QVariantMap WriteProperties() const override;
    void ReadProperties(const QVariantMap& Props) override;
    void DrawListItem(QPainter& Gr, const QRectF& R, TQvListItemStyle Style) override;
    void DrawListItem(QPainter& Gr, const QRectF& R) override;
    void VectorDestroyed(TQvCustomDoubleVector* Vector) override;

signals:
    // Asked before the bars of each point are drawn, with its data index and transformed x and
    // y; may replace the pen or clear Draw to hide that point's bars.
    void OnGetIndicatorsPen(TQvSeries* Sender, int Index, double X, double Y, QPen& Pen, bool& Draw);

protected:
    // The bars, clipped like the line: they do not show through translucent symbols.
    void PaintUnderSymbols(QPainter& Gr) override;

private:
    void PaintBars(QPainter& Gr);
    QObject* DeltaXPlusObject() const { return FDelta[XPlus]; }
    void SetDeltaXPlusObject(QObject* V) { SetDelta(XPlus, qobject_cast<TQvCustomDoubleVector*>(V)); }
    QObject* DeltaXMinusObject() const { return FDelta[XMinus]; }
    void SetDeltaXMinusObject(QObject* V) { SetDelta(XMinus, qobject_cast<TQvCustomDoubleVector*>(V)); }
    QObject* DeltaYPlusObject() const { return FDelta[YPlus]; }
    void SetDeltaYPlusObject(QObject* V) { SetDelta(YPlus, qobject_cast<TQvCustomDoubleVector*>(V)); }
    QObject* DeltaYMinusObject() const { return FDelta[YMinus]; }
    void SetDeltaYMinusObject(QObject* V) { SetDelta(YMinus, qobject_cast<TQvCustomDoubleVector*>(V)); }

    TQvLineSettings* FErrorIndicator = nullptr;
    bool FLastIndicatorsVisible = true;
    TQvPen FErrorIndicatorsPen;
    TQvCustomDoubleVector* FDelta[4] = {nullptr, nullptr, nullptr, nullptr};
    TQvSingleVector FWd[4];
    TQvValueTransformation mGetDeltaTransformation[4];
};
