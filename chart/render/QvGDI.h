#pragma once
// Pens, brushes and point symbols of the chart library.
//
// TQvPen is a QPen that knows its dash style as a TDashStyle, its width as a float, its colour as
// ARGB and optional arrow caps at its ends. Hatch brushes are 8 x 8 pattern textures in the fore
// and back colours. The point symbols are drawn from the exact shapes below, with r = (S - w) / 2
// the half extent to the middle of the border line (S the symbol size, w the pen width, 1 when
// not positive).

#include "QvColors.h"
#include "QvStyles.h"

#include <QBrush>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QPolygonF>
#include <QRegion>
#include <QVector>
#include <optional>

class QPainter;

// An arrow tip used as a line cap: the closed polygon (PointHeight, -PointLength), (0, 0),
// (-PointHeight, -PointLength), (0, -InnerLength) in cap coordinates (y along the line towards
// its end, x across it, both in units of the pen width, the end point at the origin). The line
// itself stops BaseInset (= InnerLength) before the end so that it does not show through the tip.
struct TQvArrowCap
{
    float PointLength = 5.0f;
    float InnerLength = 3.0f;
    float PointHeight = 2.0f;

    float BaseInset() const { return InnerLength; }
    // The tip polygon in device units for a line ending at End coming from Start, drawn with a
    // pen of width PenWidth (the cap scales with the pen width, at least 1).
    QPolygonF Polygon(const QPointF& Start, const QPointF& End, float PenWidth) const;
    bool operator==(const TQvArrowCap&) const = default;
};

class TQvPen : public QPen
{
public:
    // A solid opaque black pen of width 1 with flat caps and mitred joins.
    TQvPen();
    TQvPen(TQvColor Color, float Width = 1.0f, TDashStyle DashStyle = TDashStyle::DashStyleSolid);
    // A pen filled with a brush (gradient pens).
    TQvPen(const QBrush& Brush, float Width = 1.0f);

    TDashStyle DashStyle() const { return FDashStyle; }
    void SetDashStyle(TDashStyle Value);
    float Width() const { return float(widthF()); }
    void SetWidth(float Value);
    // ARGB of the pen's solid colour (for a gradient pen: the colour of its first stop).
    TQvColor Color() const;
    void SetColor(TQvColor Value);
    // Ratio of the miter length to the line width beyond which joins are cut; values below 1
    // count as 1.
    float MiterLimit() const { return FMiterLimit; }
    void SetMiterLimit(float Value);

    const std::optional<TQvArrowCap>& StartArrow() const { return FStartArrow; }
    const std::optional<TQvArrowCap>& EndArrow() const { return FEndArrow; }
    void SetStartArrow(const std::optional<TQvArrowCap>& Value) { FStartArrow = Value; }
    void SetEndArrow(const std::optional<TQvArrowCap>& Value) { FEndArrow = Value; }

private:
    void ApplyDashPattern();

    TDashStyle FDashStyle = TDashStyle::DashStyleSolid;
    float FMiterLimit = 10.0f;
    std::optional<TQvArrowCap> FStartArrow;
    std::optional<TQvArrowCap> FEndArrow;
};

// The Qt dash pattern (units of the pen width) of a dash style; empty for solid and custom.
QVector<qreal> QvDashPattern(TDashStyle Style);

// Brushes.
QBrush QvSolidBrush(TQvColor Color);
// The 8 x 8 pattern of a hatch style, one byte per row, most significant bit leftmost.
const unsigned char* QvHatchPattern(TQvAreaStyle Style);
// A texture brush of the hatch style in ForeColor on BackColor; a solid ForeColor for Total.
QBrush QvHatchBrush(TQvAreaStyle Style, TQvColor ForeColor, TQvColor BackColor);

// Point symbols.
//
// The points of a symbol's shape exactly as they are given for it (Dot: the four corners of the
// square of side w; Cross, Ex, Star: the line end points in pairs, centre first; FiveStar,
// Diamond, Delta, Nabla: the outline with the first two points repeated at its end; Circle and
// Square: the top-left and bottom-right corners of the bounding square).
QVector<QPointF> QvSymbolPoints(TQvPointSymbol Symbol, float Size, const QPointF& Center,
                                float PenWidth);
// Half extent r = (Size - w) / 2 of a symbol drawn with a pen of width PenWidth.
float QvSymbolHalfExtent(float Size, float PenWidth);
// Draws a symbol: filled with Brush and outlined with Pen, line symbols with the pen only, Dot as
// a square of side w in the pen's colour.
void QvDrawPointSymbol(QPainter& Painter, TQvPointSymbol Symbol, float Size, const QPointF& Center,
                       const QPen& Pen, const QBrush& Brush);
// The area a symbol covers, for cutting it out of the clip before lines are drawn under a
// translucent symbol: the shape with r = (Size - 1) / 2 for Circle, Square, Diamond, Delta and
// Nabla; empty for the others.
QPainterPath QvSymbolClipPath(TQvPointSymbol Symbol, float Size, const QPointF& Center);
// True when a symbol has an area to cut out of the clip.
bool QvSymbolCutsClip(TQvPointSymbol Symbol);
// The union of the clip areas of symbols at Centers, as a region (device pixels of the painter's
// logical coordinates).
QRegion QvSymbolsClipRegion(TQvPointSymbol Symbol, float Size, const QVector<QPointF>& Centers);
