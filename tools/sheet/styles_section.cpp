// The styles section of the chart sheet: point symbols, dash styles, hatch styles, gradients,
// clip exclusion under translucent symbols, arrow caps and the two pick lists.

#include "SheetSections.h"

#include "QvDashStylesList.h"
#include "QvDrawing.h"
#include "QvGDI.h"
#include "QvPointStylesPick.h"
#include "QvStyles.h"

#include <QFont>
#include <QFontMetricsF>

namespace {

const QColor TextColor(0x20, 0x20, 0x20);

void Heading(QPainter& p, const QPointF& at, const QString& text)
{
    QFont f = p.font();
    f.setPointSizeF(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(TextColor);
    p.drawText(at, text);
}

void Label(QPainter& p, const QRectF& r, const QString& text, Qt::Alignment align = Qt::AlignCenter)
{
    QFont f = p.font();
    f.setPointSizeF(7.5);
    f.setBold(false);
    p.setFont(f);
    p.setPen(TextColor);
    p.drawText(r, align | Qt::TextWordWrap, text);
}

// Ten symbols in a row at two sizes and two fills, with their names.
double DrawSymbols(QPainter& p, double x0, double y0, double width)
{
    Heading(p, QPointF(x0, y0 + 14), QStringLiteral("Point symbols (size 11 and 21, border 1 and 2; opaque and translucent fill)"));
    const double cell = width / QvPointSymbolCount;
    const double rows[] = {y0 + 40, y0 + 75, y0 + 110};
    for (int i = 0; i < QvPointSymbolCount; ++i) {
        const auto s = static_cast<TQvPointSymbol>(i);
        const double cx = x0 + cell * i + cell / 2;
        p.setRenderHint(QPainter::Antialiasing, true);
        QvDrawPointSymbol(p, s, 11, QPointF(cx, rows[0]), TQvPen(QvColors::Blue, 1), QvSolidBrush(QvColors::Blue));
        QvDrawPointSymbol(p, s, 21, QPointF(cx, rows[1]), TQvPen(QvColors::Red, 2), QvSolidBrush(QvColors::Gainsboro));
        QvDrawPointSymbol(p, s, 21, QPointF(cx, rows[2]), TQvPen(0xFF006400, 1), QvSolidBrush(0x6000C000));
        Label(p, QRectF(x0 + cell * i, rows[2] + 14, cell, 16), QvPointSymbolName(s));
    }
    return rows[2] + 34;
}

double DrawDashStyles(QPainter& p, double x0, double y0, double width)
{
    Heading(p, QPointF(x0, y0 + 14), QStringLiteral("Dash styles (width 1, 2 and 4)"));
    double y = y0 + 30;
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int i = 0; i < QvDashStyleCount; ++i) {
        const auto d = static_cast<TDashStyle>(i);
        Label(p, QRectF(x0, y - 8, 130, 16), QvDashStyleName(d), Qt::AlignLeft | Qt::AlignVCenter);
        const double segment = (width - 140) / 3;
        const float widths[] = {1, 2, 4};
        for (int k = 0; k < 3; ++k) {
            p.setPen(TQvPen(QvColors::Black, widths[k], d));
            const double xs = x0 + 140 + k * segment;
            p.drawLine(QPointF(xs, y), QPointF(xs + segment - 20, y));
        }
        y += 20;
    }
    return y;
}

double DrawHatches(QPainter& p, double x0, double y0, double width)
{
    Heading(p, QPointF(x0, y0 + 14), QStringLiteral("Area styles: the 53 hatch styles and Total (fore colour navy on light yellow)"));
    const int columns = 9;
    const double cellW = width / columns;
    const double swatchH = 34;
    const double cellH = swatchH + 26;
    for (int i = 0; i <= QvHatchStyleCount; ++i) {
        const auto s = static_cast<TQvAreaStyle>(i);
        const double x = x0 + (i % columns) * cellW;
        const double y = y0 + 24 + (i / columns) * cellH;
        const QRectF swatch(x + 4, y, cellW - 8, swatchH);
        p.fillRect(swatch, QvHatchBrush(s, 0xFF000080, 0xFFFFFFE0));
        p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.drawRect(swatch);
        Label(p, QRectF(x, y + swatchH + 1, cellW, 22), QvAreaStyleName(s), Qt::AlignHCenter | Qt::AlignTop);
    }
    return y0 + 24 + ((QvHatchStyleCount + columns) / columns) * cellH;
}

double DrawGradients(QPainter& p, double x0, double y0, double width)
{
    Heading(p, QPointF(x0, y0 + 14), QStringLiteral("Gradients (first red, middle white, last blue)"));
    struct G
    {
        TQvGradientStyle style;
        double angle;
        double center;
        QPointF radial;
        const char* text;
    };
    const G gradients[] = {
        {TQvGradientStyle::Linear, 0, 0.5, {0.5, 0.5}, "Linear 0°"},
        {TQvGradientStyle::Linear, 45, 0.5, {0.5, 0.5}, "Linear 45°"},
        {TQvGradientStyle::Linear, -90, 0.5, {0.5, 0.5}, "Linear -90° (270°)"},
        {TQvGradientStyle::Linear, 0, 0.2, {0.5, 0.5}, "Linear, centre 0.2"},
        {TQvGradientStyle::Radial, 0, 0.5, {0.5, 0.5}, "Radial"},
        {TQvGradientStyle::Radial, 0, 0.5, {0.25, 0.25}, "Radial, centre (0.25, 0.25)"},
        {TQvGradientStyle::Elliptical, 0, 0.5, {0.5, 0.5}, "Elliptical"},
    };
    const int n = int(std::size(gradients));
    const double cellW = width / n;
    for (int i = 0; i < n; ++i) {
        TQvGradientSettings g;
        g.SetVisible(true);
        g.SetStyle(gradients[i].style);
        g.SetLinearAngle(gradients[i].angle);
        g.SetLinearCenter(gradients[i].center);
        g.SetRadialCenterX(gradients[i].radial.x());
        g.SetRadialCenterY(gradients[i].radial.y());
        g.SetFirstColor(QvColors::Red);
        g.SetMiddleColor(QvColors::White);
        g.SetLastColor(QvColors::Blue);
        const QRectF r(x0 + i * cellW + 6, y0 + 24, cellW - 12, 60);
        p.fillRect(r, g.GetBrush(r));
        Label(p, QRectF(r.left() - 6, r.bottom() + 2, cellW, 16), QString::fromUtf8(gradients[i].text));
    }
    return y0 + 24 + 60 + 20;
}

// A line through translucent symbols, drawn without and with the symbols cut out of the clip;
// an axis-like line with an arrow cap; a gradient line pen.
double DrawClipAndCaps(QPainter& p, double x0, double y0, double width)
{
    Heading(p, QPointF(x0, y0 + 14),
            QStringLiteral("Translucent symbols: line drawn through them / with the symbols cut out of the clip; arrow cap; gradient pen"));
    p.setRenderHint(QPainter::Antialiasing, true);
    const double half = width / 4;
    for (int k = 0; k < 2; ++k) {
        const double xs = x0 + k * (half + 10);
        QVector<QPointF> pts;
        for (int i = 0; i < 6; ++i)
            pts << QPointF(xs + 20 + i * (half - 40) / 5, y0 + 60 + ((i % 2) ? -18 : 18));
        {
            TQvClipSaver clip(p);
            if (k == 1)
                QvExcludeClip(p, QvSymbolsClipRegion(TQvPointSymbol::Circle, 21, pts));
            p.setPen(TQvPen(QvColors::Black, 2));
            p.drawPolyline(pts.constData(), int(pts.size()));
        }
        for (const QPointF& c : pts)
            QvDrawPointSymbol(p, TQvPointSymbol::Circle, 21, c, TQvPen(QvColors::Blue, 1), QvSolidBrush(0x400000FF));
    }

    const double xa = x0 + 2 * half + 30;
    TQvArrowSettings arrow;
    arrow.SetColor(QvColors::Black);
    arrow.SetWidth(1.5);
    arrow.SetPointLength(7);
    arrow.SetInnerLength(5);
    arrow.SetPointHeight(3);
    const QRectF view(xa, y0 + 30, half - 40, 60);
    QvDrawLine(p, arrow.GetPen(view), QPointF(xa, y0 + 85), QPointF(xa + half - 60, y0 + 85));
    QvDrawLine(p, arrow.GetPen(view), QPointF(xa, y0 + 85), QPointF(xa, y0 + 28));

    TQvLineSettings line;
    line.SetWidth(6);
    line.Gradient()->SetVisible(true);
    line.Gradient()->SetFirstColor(QvColors::Red);
    line.Gradient()->SetMiddleColor(0xFFFFD700);
    line.Gradient()->SetLastColor(QvColors::Blue);
    const double xg = x0 + 3 * half + 20;
    const QRectF gview(xg, y0 + 30, half - 40, 60);
    TQvPen gpen = line.GetPen(gview);
    gpen.setCapStyle(Qt::RoundCap);
    gpen.setJoinStyle(Qt::RoundJoin);
    p.setPen(gpen);
    const QPointF wave[] = {{xg, y0 + 80}, {xg + 60, y0 + 35}, {xg + 120, y0 + 80}, {xg + half - 50, y0 + 35}};
    p.drawPolyline(wave, 4);
    return y0 + 105;
}

double DrawPickLists(QPainter& p, double x0, double y0)
{
    Heading(p, QPointF(x0, y0 + 14), QStringLiteral("Pick lists (dash styles, point symbols)"));
    TQvDashStylesList dashes;
    dashes.resize(160, 5 * dashes.ItemHeight() + 4);
    dashes.SetDashStyle(TDashStyle::DashStyleDashDot);
    TQvPointSymbolsList symbols;
    symbols.resize(226, 44);
    symbols.SetSymbol(TQvPointSymbol::Dot);
    TQvPointSymbolsList small;
    small.SetSymbolBorderColor(QvColors::Blue);
    small.SetSymbolFillColor(0xFFADD8E6);
    for (QWidget* w : {static_cast<QWidget*>(&dashes), static_cast<QWidget*>(&symbols), static_cast<QWidget*>(&small)}) {
        w->setAttribute(Qt::WA_DontShowOnScreen);
        w->show();
    }
    dashes.render(&p, QPoint(int(x0), int(y0 + 24)));
    symbols.render(&p, QPoint(int(x0) + 180, int(y0 + 24)));
    small.render(&p, QPoint(int(x0) + 430, int(y0 + 24)));
    Label(p, QRectF(x0 + 180, y0 + 24 + 46, 226, 16), QStringLiteral("226 x 44, Dot selected"));
    Label(p, QRectF(x0 + 430, y0 + 24 + 46, 140, 16), QStringLiteral("default: 104 x 44, Circle"));
    return y0 + 24 + 5 * dashes.ItemHeight() + 10;
}

} // namespace

void DrawStylesSection(QPainter& p, const QRectF& area)
{
    p.save();
    p.setClipRect(area);
    const double x0 = area.left() + 20;
    const double width = area.width() - 40;
    double y = area.top() + 10;
    y = DrawSymbols(p, x0, y, width) + 8;
    y = DrawDashStyles(p, x0, y, width) + 8;
    y = DrawHatches(p, x0, y, width) + 4;
    y = DrawGradients(p, x0, y, width) + 8;
    y = DrawClipAndCaps(p, x0, y, width) + 8;
    DrawPickLists(p, x0, y);
    p.restore();
}
