#include "QvGDI.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// Arrow caps

QPolygonF TQvArrowCap::Polygon(const QPointF& Start, const QPointF& End, float PenWidth) const
{
    const QPointF d = End - Start;
    const double len = std::hypot(d.x(), d.y());
    // A zero-length line has no direction; the tip then points to the right.
    const QPointF u = len > 0 ? d / len : QPointF(1, 0);
    const QPointF n(-u.y(), u.x());
    const double s = std::max(1.0f, PenWidth);
    auto at = [&](double x, double y) { return End + u * (y * s) + n * (x * s); };
    return QPolygonF({at(PointHeight, -PointLength), at(0, 0), at(-PointHeight, -PointLength),
                      at(0, -InnerLength)});
}

// ---------------------------------------------------------------------------------------------
// TQvPen

TQvPen::TQvPen() : TQvPen(QvColors::Black, 1.0f) {}

TQvPen::TQvPen(TQvColor Color, float Width, TDashStyle DashStyle) : QPen(QvToQColor(Color))
{
    setCapStyle(Qt::FlatCap);
    setJoinStyle(Qt::MiterJoin);
    SetMiterLimit(10.0f);
    SetWidth(Width);
    SetDashStyle(DashStyle);
}

TQvPen::TQvPen(const QBrush& Brush, float Width) : QPen(Brush, 1.0)
{
    setCapStyle(Qt::FlatCap);
    setJoinStyle(Qt::MiterJoin);
    SetMiterLimit(10.0f);
    SetWidth(Width);
}

void TQvPen::SetDashStyle(TDashStyle Value)
{
    FDashStyle = Value;
    ApplyDashPattern();
}

void TQvPen::SetWidth(float Value)
{
    setWidthF(std::isfinite(Value) ? std::max(0.0f, Value) : 1.0f);
}

TQvColor TQvPen::Color() const
{
    const QBrush b = brush();
    if (const QGradient* g = b.gradient(); g && !g->stops().isEmpty())
        return QvFromQColor(g->stops().first().second);
    return QvFromQColor(b.color());
}

void TQvPen::SetColor(TQvColor Value) { setBrush(QvSolidBrush(Value)); }

void TQvPen::SetMiterLimit(float Value)
{
    FMiterLimit = Value;
    // The limit is the ratio of the miter length to the line width; Qt measures how far the
    // miter reaches beyond the join point, which is half of that.
    setMiterLimit(std::max(1.0f, std::isfinite(Value) ? Value : 1.0f) / 2.0);
}

void TQvPen::ApplyDashPattern()
{
    const QVector<qreal> pattern = QvDashPattern(FDashStyle);
    if (pattern.isEmpty())
        setStyle(Qt::SolidLine);
    else
        setDashPattern(pattern);
}

QVector<qreal> QvDashPattern(TDashStyle Style)
{
    switch (Style) {
    case TDashStyle::DashStyleDash:
        return {3, 1};
    case TDashStyle::DashStyleDot:
        return {1, 1};
    case TDashStyle::DashStyleDashDot:
        return {3, 1, 1, 1};
    case TDashStyle::DashStyleDashDotDot:
        return {3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------------
// Brushes

QBrush QvSolidBrush(TQvColor Color) { return QBrush(QvToQColor(Color)); }

namespace {

using TPattern = std::array<unsigned char, 8>;

// Rows of a pattern that sets the pixels whose 8 x 8 ordered-dither threshold is below Count, so
// that the PercentNN styles cover their share of the cell evenly.
TPattern DitherPattern(int Count)
{
    static const int bayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    TPattern p{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (bayer[y][x] < Count)
                p[y] |= (0x80 >> x);
    return p;
}

unsigned char Rotr(unsigned char v, int n)
{
    n &= 7;
    return (unsigned char)((v >> n) | (v << (8 - n)));
}

unsigned char Rotl(unsigned char v, int n)
{
    n &= 7;
    return (unsigned char)((v << n) | (v >> (8 - n)));
}

TPattern Rows(unsigned char (*Row)(int))
{
    TPattern p{};
    for (int y = 0; y < 8; ++y)
        p[y] = Row(y);
    return p;
}

std::array<TPattern, QvHatchStyleCount> MakeHatchPatterns()
{
    std::array<TPattern, QvHatchStyleCount> h{};
    using S = TQvAreaStyle;
    auto set = [&h](S s, TPattern p) { h[size_t(s)] = p; };
    set(S::Horizontal, {0xFF, 0, 0, 0, 0, 0, 0, 0});
    set(S::Vertical, {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
    set(S::ForwardDiagonal, Rows([](int y) { return (unsigned char)(0x80 >> y); }));
    set(S::BackwardDiagonal, Rows([](int y) { return (unsigned char)(0x01 << y); }));
    set(S::Cross, {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80});
    set(S::DiagonalCross, Rows([](int y) { return (unsigned char)((0x80 >> y) | (0x01 << y)); }));
    set(S::Percent05, DitherPattern(3));
    set(S::Percent10, DitherPattern(6));
    set(S::Percent20, DitherPattern(13));
    set(S::Percent25, DitherPattern(16));
    set(S::Percent30, DitherPattern(19));
    set(S::Percent40, DitherPattern(26));
    set(S::Percent50, DitherPattern(32));
    set(S::Percent60, DitherPattern(38));
    set(S::Percent70, DitherPattern(45));
    set(S::Percent75, DitherPattern(48));
    set(S::Percent80, DitherPattern(51));
    set(S::Percent90, DitherPattern(58));
    set(S::LightDownwardDiagonal, Rows([](int y) { return Rotr(0x88, y); }));
    set(S::LightUpwardDiagonal, Rows([](int y) { return Rotl(0x11, y); }));
    set(S::DarkDownwardDiagonal, Rows([](int y) { return Rotr(0xCC, y); }));
    set(S::DarkUpwardDiagonal, Rows([](int y) { return Rotl(0x33, y); }));
    set(S::WideDownwardDiagonal, Rows([](int y) { return Rotr(0xE0, y); }));
    set(S::WideUpwardDiagonal, Rows([](int y) { return Rotl(0x07, y); }));
    set(S::LightVertical, {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88});
    set(S::LightHorizontal, {0xFF, 0, 0, 0, 0xFF, 0, 0, 0});
    set(S::NarrowVertical, {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA});
    set(S::NarrowHorizontal, {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0});
    set(S::DarkVertical, {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC});
    set(S::DarkHorizontal, {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0});
    set(S::DashedDownwardDiagonal, {0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0});
    set(S::DashedUpwardDiagonal, {0x11, 0x22, 0x44, 0x88, 0, 0, 0, 0});
    set(S::DashedHorizontal, {0xF0, 0, 0, 0, 0x0F, 0, 0, 0});
    set(S::DashedVertical, {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08});
    set(S::SmallConfetti, {0x80, 0x10, 0x02, 0x40, 0x04, 0x20, 0x01, 0x08});
    set(S::LargeConfetti, {0xB1, 0x30, 0x03, 0x1B, 0xD8, 0xC0, 0x0C, 0x8D});
    set(S::ZigZag, {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18});
    set(S::Wave, {0x00, 0x18, 0xA4, 0x03, 0x00, 0x18, 0xA4, 0x03});
    set(S::DiagonalBrick, {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81});
    set(S::HorizontalBrick, {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08});
    set(S::Weave, {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51});
    set(S::Plaid, {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0});
    set(S::Divot, {0x00, 0x10, 0x08, 0x10, 0x00, 0x01, 0x80, 0x01});
    set(S::DottedGrid, {0xAA, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80, 0x00});
    set(S::DottedDiamond, {0x80, 0x00, 0x22, 0x00, 0x08, 0x00, 0x22, 0x00});
    set(S::Shingle, {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01});
    set(S::Trellis, {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99});
    set(S::Sphere, {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8});
    set(S::SmallGrid, {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88});
    set(S::SmallCheckerBoard, {0x99, 0x66, 0x66, 0x99, 0x99, 0x66, 0x66, 0x99});
    set(S::LargeCheckerBoard, {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F});
    set(S::OutlinedDiamond, {0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82, 0x01});
    set(S::SolidDiamond, {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00});
    return h;
}

} // namespace

const unsigned char* QvHatchPattern(TQvAreaStyle Style)
{
    static const std::array<TPattern, QvHatchStyleCount> patterns = MakeHatchPatterns();
    const int i = std::clamp(int(Style), 0, QvHatchStyleCount - 1);
    return patterns[size_t(i)].data();
}

QBrush QvHatchBrush(TQvAreaStyle Style, TQvColor ForeColor, TQvColor BackColor)
{
    if (int(Style) < 0 || int(Style) >= QvHatchStyleCount)
        return QvSolidBrush(ForeColor);
    const unsigned char* rows = QvHatchPattern(Style);
    QImage img(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < 8; ++x)
            line[x] = (rows[y] & (0x80 >> x)) ? ForeColor : BackColor;
    }
    return QBrush(img);
}

// ---------------------------------------------------------------------------------------------
// Point symbols

namespace {

constexpr double StarDiagonal = 0.7071067;
constexpr double DeltaTip = 1.0076133;
constexpr double DeltaBase = 0.58124;

float PenWidthOf(float Width) { return Width <= 0 ? 1.0f : Width; }

// The outline of a filled polygon symbol with half extent r, first two points repeated at the end.
QVector<QPointF> PolygonPoints(TQvPointSymbol Symbol, double X, double Y, double r)
{
    QVector<QPointF> p;
    switch (Symbol) {
    case TQvPointSymbol::FiveStar:
        p = {{X, Y - 1.08 * r},        {X + 0.27 * r, Y - 0.3 * r}, {X + r, Y - 0.3 * r},
             {X + 0.4 * r, Y + 0.12 * r}, {X + 0.64 * r, Y + 0.82 * r}, {X, Y + 0.4 * r},
             {X - 0.64 * r, Y + 0.82 * r}, {X - 0.4 * r, Y + 0.12 * r}, {X - r, Y - 0.3 * r},
             {X - 0.27 * r, Y - 0.3 * r}};
        break;
    case TQvPointSymbol::Diamond:
        p = {{X, Y - r}, {X + r, Y}, {X, Y + r}, {X - r, Y}};
        break;
    case TQvPointSymbol::Delta:
        p = {{X, Y - DeltaTip * r}, {X + r, Y + DeltaBase * r}, {X - r, Y + DeltaBase * r}};
        break;
    case TQvPointSymbol::Nabla:
        p = {{X - r, Y - DeltaBase * r}, {X + r, Y - DeltaBase * r}, {X, Y + DeltaTip * r}};
        break;
    default:
        return p;
    }
    p.append(p[0]);
    p.append(p[1]);
    return p;
}

void AddCross(QVector<QPointF>& p, const QPointF& c, double r)
{
    p << c << QPointF(c.x() - r, c.y()) << c << QPointF(c.x() + r, c.y()) << c
      << QPointF(c.x(), c.y() - r) << c << QPointF(c.x(), c.y() + r);
}

void AddEx(QVector<QPointF>& p, const QPointF& c, double r)
{
    p << c << QPointF(c.x() - r, c.y() - r) << c << QPointF(c.x() + r, c.y() - r) << c
      << QPointF(c.x() + r, c.y() + r) << c << QPointF(c.x() - r, c.y() + r);
}

} // namespace

float QvSymbolHalfExtent(float Size, float PenWidth) { return (Size - PenWidthOf(PenWidth)) / 2; }

QVector<QPointF> QvSymbolPoints(TQvPointSymbol Symbol, float Size, const QPointF& Center,
                                float PenWidth)
{
    const double w = PenWidthOf(PenWidth);
    const double r = (double(Size) - w) / 2;
    const double h = w / 2;
    const double X = Center.x(), Y = Center.y();
    QVector<QPointF> p;
    switch (Symbol) {
    case TQvPointSymbol::Dot:
        p = {{X - h, Y - h}, {X + h, Y - h}, {X + h, Y + h}, {X - h, Y + h}};
        break;
    case TQvPointSymbol::Cross:
        AddCross(p, Center, r);
        break;
    case TQvPointSymbol::Ex:
        AddEx(p, Center, r);
        break;
    case TQvPointSymbol::Star:
        AddCross(p, Center, r);
        AddEx(p, Center, r * StarDiagonal);
        break;
    case TQvPointSymbol::Circle:
    case TQvPointSymbol::Square:
        p = {{X - r, Y - r}, {X + r, Y + r}};
        break;
    default:
        p = PolygonPoints(Symbol, X, Y, r);
        break;
    }
    return p;
}

void QvDrawPointSymbol(QPainter& Painter, TQvPointSymbol Symbol, float Size, const QPointF& Center,
                       const QPen& Pen, const QBrush& Brush)
{
    const float w = PenWidthOf(float(Pen.widthF()));
    const QVector<QPointF> p = QvSymbolPoints(Symbol, Size, Center, w);
    if (p.isEmpty())
        return;
    const QPen oldPen = Painter.pen();
    const QBrush oldBrush = Painter.brush();
    switch (Symbol) {
    case TQvPointSymbol::Dot:
        Painter.fillRect(QRectF(p[0], p[2]), Pen.brush());
        break;
    case TQvPointSymbol::Cross:
    case TQvPointSymbol::Ex:
    case TQvPointSymbol::Star:
        // Line symbols: the pen only.
        Painter.setPen(Pen);
        Painter.drawLines(p);
        break;
    case TQvPointSymbol::Circle:
        Painter.setPen(Pen);
        Painter.setBrush(Brush);
        Painter.drawEllipse(QRectF(p[0], p[1]));
        break;
    case TQvPointSymbol::Square:
        Painter.setPen(Pen);
        Painter.setBrush(Brush);
        Painter.drawRect(QRectF(p[0], p[1]));
        break;
    default:
        // The repeated first two points close the outline with a proper join in a drawing
        // library that strokes open figures; a closed polygon gives the same outline here.
        Painter.setPen(Pen);
        Painter.setBrush(Brush);
        Painter.drawPolygon(p.constData(), int(p.size()) - 2);
        break;
    }
    Painter.setPen(oldPen);
    Painter.setBrush(oldBrush);
}

bool QvSymbolCutsClip(TQvPointSymbol Symbol)
{
    switch (Symbol) {
    case TQvPointSymbol::Circle:
    case TQvPointSymbol::Square:
    case TQvPointSymbol::Diamond:
    case TQvPointSymbol::Delta:
    case TQvPointSymbol::Nabla:
        return true;
    default:
        return false;
    }
}

QPainterPath QvSymbolClipPath(TQvPointSymbol Symbol, float Size, const QPointF& Center)
{
    QPainterPath path;
    if (!QvSymbolCutsClip(Symbol))
        return path;
    // r = (Size - 1) / 2: the shape as drawn with a border of width 1.
    const QVector<QPointF> p = QvSymbolPoints(Symbol, Size, Center, 1.0f);
    switch (Symbol) {
    case TQvPointSymbol::Circle:
        path.addEllipse(QRectF(p[0], p[1]));
        break;
    case TQvPointSymbol::Square:
        path.addRect(QRectF(p[0], p[1]));
        break;
    default:
        path.addPolygon(QPolygonF(p.mid(0, p.size() - 2)));
        path.closeSubpath();
        break;
    }
    return path;
}

QRegion QvSymbolsClipRegion(TQvPointSymbol Symbol, float Size, const QVector<QPointF>& Centers)
{
    QRegion region;
    if (!QvSymbolCutsClip(Symbol))
        return region;
    // Build the shape once at the origin and move it to each centre.
    const QPainterPath shape = QvSymbolClipPath(Symbol, Size, QPointF(0, 0));
    const QPolygonF poly = shape.toFillPolygon();
    QVector<QRegion> parts;
    parts.reserve(Centers.size());
    for (const QPointF& c : Centers) {
        if (!std::isfinite(c.x()) || !std::isfinite(c.y()))
            continue;
        parts.append(QRegion(poly.translated(c).toPolygon()));
    }
    // Unite in pairs, so that many symbols cost n log n rather than n squared band merges.
    while (parts.size() > 1) {
        QVector<QRegion> next;
        next.reserve(parts.size() / 2 + 1);
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            next.append(parts[i].united(parts[i + 1]));
        if (parts.size() % 2)
            next.append(parts.last());
        parts.swap(next);
    }
    if (!parts.isEmpty())
        region = parts.first();
    return region;
}
