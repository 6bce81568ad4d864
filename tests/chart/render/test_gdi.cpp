// Pens, hatch brushes, point symbol geometry and drawing, clip exclusion and the drawing helpers,
// checked on the shapes' points and on rendered pixels.
#include "QvDrawing.h"
#include "QvGDI.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QImage Canvas(int w = 40, int h = 40, QRgb fill = 0xFFFFFFFF)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(fill);
    return img;
}

void ExpectPoints(const QVector<QPointF>& actual, const QVector<QPointF>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].x(), expected[i].x(), 1e-4) << "point " << i;
        EXPECT_NEAR(actual[i].y(), expected[i].y(), 1e-4) << "point " << i;
    }
}

} // namespace

TEST(Symbols, HalfExtentFollowsSizeAndBorder)
{
    EXPECT_FLOAT_EQ(QvSymbolHalfExtent(11, 1), 5);
    EXPECT_FLOAT_EQ(QvSymbolHalfExtent(11, 3), 4);
    EXPECT_FLOAT_EQ(QvSymbolHalfExtent(11, 0), 5);  // no width counts as 1
    EXPECT_FLOAT_EQ(QvSymbolHalfExtent(11, -2), 5);
}

TEST(Symbols, ShapePointsForSize11Border1)
{
    const QPointF c(100, 50);
    const double r = 5;
    using S = TQvPointSymbol;
    ExpectPoints(QvSymbolPoints(S::Square, 11, c, 1), {{95, 45}, {105, 55}});
    ExpectPoints(QvSymbolPoints(S::Circle, 11, c, 1), {{95, 45}, {105, 55}});
    ExpectPoints(QvSymbolPoints(S::Dot, 11, c, 1), {{99.5, 49.5}, {100.5, 49.5}, {100.5, 50.5}, {99.5, 50.5}});
    ExpectPoints(QvSymbolPoints(S::Diamond, 11, c, 1),
                 {{100, 45}, {105, 50}, {100, 55}, {95, 50}, {100, 45}, {105, 50}});
    ExpectPoints(QvSymbolPoints(S::Delta, 11, c, 1),
                 {{100, 50 - 1.0076133 * r}, {105, 50 + 0.58124 * r}, {95, 50 + 0.58124 * r},
                  {100, 50 - 1.0076133 * r}, {105, 50 + 0.58124 * r}});
    ExpectPoints(QvSymbolPoints(S::Nabla, 11, c, 1),
                 {{95, 50 - 0.58124 * r}, {105, 50 - 0.58124 * r}, {100, 50 + 1.0076133 * r},
                  {95, 50 - 0.58124 * r}, {105, 50 - 0.58124 * r}});
    const auto star = QvSymbolPoints(S::FiveStar, 11, c, 1);
    ASSERT_EQ(star.size(), 12);
    ExpectPoints({star[0], star[2], star[4], star[8], star[10], star[11]},
                 {{100, 50 - 1.08 * r}, {105, 48.5}, {100 + 0.64 * r, 50 + 0.82 * r}, {95, 48.5},
                  star[0], star[1]});
    ExpectPoints(QvSymbolPoints(S::Cross, 11, c, 1),
                 {c, {95, 50}, c, {105, 50}, c, {100, 45}, c, {100, 55}});
    const auto ex = QvSymbolPoints(S::Ex, 11, c, 1);
    ASSERT_EQ(ex.size(), 8);
    EXPECT_EQ(ex[1], QPointF(95, 45));
    const auto st = QvSymbolPoints(S::Star, 11, c, 1);
    ASSERT_EQ(st.size(), 16);
    EXPECT_NEAR(st[9].x(), 100 - 5 * 0.7071067, 1e-4);
    EXPECT_NEAR(st[9].y(), 50 - 5 * 0.7071067, 1e-4);

    // A wider border pulls the shape in: the outer edge stays at the symbol size.
    ExpectPoints(QvSymbolPoints(S::Square, 11, c, 3), {{96, 46}, {104, 54}});
}

TEST(Symbols, SquareIsFilledAndOutlinedAtItsExtent)
{
    QImage img = Canvas();
    {
        QPainter p(&img);
        QvDrawPointSymbol(p, TQvPointSymbol::Square, 11, QPointF(20, 20), TQvPen(QvColors::Black, 1),
                          QvSolidBrush(QvColors::Blue));
    }
    // Outline on x = 15 and x = 25 (pixels 14.5..15.5 and 24.5..25.5 hit pixel 15 resp. 25 when
    // drawn aliased), the fill inside, nothing outside.
    EXPECT_EQ(img.pixel(20, 20), QvColors::Blue);
    EXPECT_EQ(img.pixel(16, 20), QvColors::Blue);
    EXPECT_EQ(img.pixel(13, 20), 0xFFFFFFFFu);
    EXPECT_EQ(img.pixel(27, 20), 0xFFFFFFFFu);
    EXPECT_EQ(img.pixel(20, 13), 0xFFFFFFFFu);
    int blackInRow = 0;
    for (int x = 0; x < 40; ++x)
        blackInRow += img.pixel(x, 20) == QvColors::Black;
    EXPECT_EQ(blackInRow, 2);
}

struct SymbolDrawCase
{
    TQvPointSymbol symbol;
    bool filled; // the centre takes the fill colour
};

class SymbolDrawing : public ::testing::TestWithParam<SymbolDrawCase> {};

TEST_P(SymbolDrawing, DrawsWithinItsSizeAndFillsOnlyClosedShapes)
{
    QImage img = Canvas();
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        QvDrawPointSymbol(p, GetParam().symbol, 11, QPointF(20, 20), TQvPen(QvColors::Black, 1),
                          QvSolidBrush(0xFF00FF00));
    }
    int touched = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (img.pixel(x, y) != 0xFFFFFFFFu) {
                ++touched;
                // Everything within the symbol's size (FiveStar reaches 1.08 r upwards).
                EXPECT_LE(std::abs(x - 20), 6) << x << "," << y;
                EXPECT_LE(std::abs(y - 20), 7) << x << "," << y;
            }
    EXPECT_GT(touched, 0);
    const QRgb centre = img.pixel(20, 20);
    if (GetParam().filled)
        EXPECT_EQ(centre, 0xFF00FF00u);
    else
        EXPECT_NE(centre, 0xFF00FF00u);
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, SymbolDrawing,
    ::testing::Values(SymbolDrawCase{TQvPointSymbol::Dot, false}, SymbolDrawCase{TQvPointSymbol::Cross, false},
                      SymbolDrawCase{TQvPointSymbol::Ex, false}, SymbolDrawCase{TQvPointSymbol::Star, false},
                      SymbolDrawCase{TQvPointSymbol::FiveStar, true}, SymbolDrawCase{TQvPointSymbol::Circle, true},
                      SymbolDrawCase{TQvPointSymbol::Square, true}, SymbolDrawCase{TQvPointSymbol::Diamond, true},
                      SymbolDrawCase{TQvPointSymbol::Delta, true}, SymbolDrawCase{TQvPointSymbol::Nabla, true}));

TEST(Symbols, DotIsASquareOfThePenWidthInThePenColour)
{
    QImage img = Canvas();
    {
        QPainter p(&img);
        QvDrawPointSymbol(p, TQvPointSymbol::Dot, 11, QPointF(20, 20), TQvPen(QvColors::Red, 4),
                          QvSolidBrush(QvColors::Blue));
    }
    int red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            red += img.pixel(x, y) == QvColors::Red;
    EXPECT_EQ(red, 16);
}

TEST(Symbols, ClipExclusionKeepsLinesOutOfTranslucentSymbols)
{
    using S = TQvPointSymbol;
    for (S s : {S::Dot, S::Cross, S::Ex, S::Star, S::FiveStar})
        EXPECT_TRUE(QvSymbolClipPath(s, 11, QPointF(0, 0)).isEmpty()) << int(s);
    // The clip shape uses r = (size - 1) / 2 whatever the border width.
    EXPECT_EQ(QvSymbolClipPath(S::Square, 11, QPointF(20, 20)).boundingRect(), QRectF(15, 15, 10, 10));
    EXPECT_EQ(QvSymbolClipPath(S::Circle, 11, QPointF(20, 20)).boundingRect(), QRectF(15, 15, 10, 10));

    QImage img = Canvas(60, 40);
    {
        QPainter p(&img);
        const TQvClipState saved = QvSaveClip(p);
        QvExcludeClip(p, QvSymbolsClipRegion(S::Diamond, 11, {QPointF(20, 20), QPointF(40, 20)}));
        p.fillRect(img.rect(), QColor(Qt::black));
        QvRestoreClip(p, saved);
        EXPECT_FALSE(p.hasClipping());
        p.fillRect(QRect(0, 35, 60, 5), QColor(Qt::red)); // unclipped again
    }
    EXPECT_EQ(img.pixel(20, 20), 0xFFFFFFFFu);
    EXPECT_EQ(img.pixel(40, 20), 0xFFFFFFFFu);
    EXPECT_EQ(img.pixel(30, 20), 0xFF000000u);
    EXPECT_EQ(img.pixel(20, 14), 0xFF000000u);
    EXPECT_EQ(img.pixel(30, 37), 0xFFFF0000u);
}

TEST(Drawing, ClipSaveRestoreKeepsAnExistingClip)
{
    QImage img = Canvas();
    QPainter p(&img);
    QvSetClipRect(p, QRectF(5, 5, 20, 20));
    QvSetClipRect(p, QRectF(10, 10, 30, 30)); // intersects
    {
        TQvClipSaver saver(p);
        QvExcludeClip(p, QRectF(12, 12, 4, 4));
        EXPECT_FALSE(p.clipRegion().contains(QPoint(13, 13)));
    }
    EXPECT_EQ(p.clipBoundingRect(), QRectF(10, 10, 15, 15));
    EXPECT_TRUE(p.clipRegion().contains(QPoint(13, 13)));
    QvResetClip(p);
    EXPECT_FALSE(p.hasClipping());
}

struct DashCase
{
    TDashStyle style;
    int onPixelsOf12;
};

class DashStyles : public ::testing::TestWithParam<DashCase> {};

TEST_P(DashStyles, PatternInUnitsOfWidthWithFlatCaps)
{
    QImage img = Canvas(12, 3);
    {
        QPainter p(&img);
        p.setPen(TQvPen(QvColors::Black, 1, GetParam().style));
        p.drawLine(QPointF(0, 1.5), QPointF(12, 1.5));
    }
    int on = 0;
    for (int x = 0; x < 12; ++x)
        on += img.pixel(x, 1) == 0xFF000000u;
    EXPECT_EQ(on, GetParam().onPixelsOf12);
}

INSTANTIATE_TEST_SUITE_P(Drawing, DashStyles,
                         ::testing::Values(DashCase{TDashStyle::DashStyleSolid, 12}, DashCase{TDashStyle::DashStyleDash, 9},
                                           DashCase{TDashStyle::DashStyleDot, 6}, DashCase{TDashStyle::DashStyleDashDot, 8},
                                           DashCase{TDashStyle::DashStyleDashDotDot, 8},
                                           DashCase{TDashStyle::DashStyleCustom, 12}));

TEST(Drawing, PenPropertiesRoundTrip)
{
    TQvPen pen(0x80102030, 2.5f, TDashStyle::DashStyleDot);
    EXPECT_EQ(pen.Color(), 0x80102030u);
    EXPECT_FLOAT_EQ(pen.Width(), 2.5f);
    EXPECT_EQ(pen.DashStyle(), TDashStyle::DashStyleDot);
    pen.SetWidth(4); // the pattern stays in units of the width
    EXPECT_EQ(pen.dashPattern(), QVector<qreal>({1, 1}));
    pen.SetDashStyle(TDashStyle::DashStyleSolid);
    EXPECT_EQ(pen.style(), Qt::SolidLine);
    EXPECT_EQ(pen.capStyle(), Qt::FlatCap);
}

TEST(Drawing, HatchPatterns)
{
    // All 53 patterns are different and none is empty or full.
    QSet<QByteArray> seen;
    for (int i = 0; i < QvHatchStyleCount; ++i) {
        const auto* rows = QvHatchPattern(static_cast<TQvAreaStyle>(i));
        const QByteArray bytes(reinterpret_cast<const char*>(rows), 8);
        EXPECT_FALSE(seen.contains(bytes)) << qPrintable(QvAreaStyleName(static_cast<TQvAreaStyle>(i)));
        seen.insert(bytes);
        int bits = 0;
        for (int y = 0; y < 8; ++y)
            bits += __builtin_popcount(rows[y]);
        EXPECT_GT(bits, 0);
        EXPECT_LT(bits, 64);
    }
    // The percentage patterns cover their share of the cell.
    auto coverage = [](TQvAreaStyle s) {
        int bits = 0;
        for (int y = 0; y < 8; ++y)
            bits += __builtin_popcount(QvHatchPattern(s)[y]);
        return bits;
    };
    EXPECT_EQ(coverage(TQvAreaStyle::Percent50), 32);
    EXPECT_EQ(coverage(TQvAreaStyle::Percent25), 16);
    EXPECT_LT(coverage(TQvAreaStyle::Percent05), coverage(TQvAreaStyle::Percent10));
    EXPECT_LT(coverage(TQvAreaStyle::Percent80), coverage(TQvAreaStyle::Percent90));

    // Filling with a hatch brush repeats the 8 x 8 cell in the two colours.
    QImage img = Canvas(16, 16);
    {
        QPainter p(&img);
        p.fillRect(img.rect(), QvHatchBrush(TQvAreaStyle::Vertical, QvColors::Red, 0x80000000));
    }
    EXPECT_EQ(img.pixel(0, 5), QvColors::Red);
    EXPECT_EQ(img.pixel(8, 13), QvColors::Red);
    EXPECT_EQ(img.pixel(3, 5), 0xFF7F7F7Fu); // half-transparent black over white
    EXPECT_EQ(QvHatchBrush(TQvAreaStyle::Total, QvColors::Red, 0).style(), Qt::SolidPattern);
}

TEST(Drawing, ArrowCapPolygonAndLineInset)
{
    const TQvArrowCap cap{5, 3, 2};
    const QPolygonF poly = cap.Polygon(QPointF(0, 0), QPointF(10, 0), 1);
    ASSERT_EQ(poly.size(), 4);
    EXPECT_EQ(poly[0], QPointF(5, 2));
    EXPECT_EQ(poly[1], QPointF(10, 0));
    EXPECT_EQ(poly[2], QPointF(5, -2));
    EXPECT_EQ(poly[3], QPointF(7, 0));
    // The cap scales with the pen width and turns with the line.
    const QPolygonF down = cap.Polygon(QPointF(0, 0), QPointF(0, 20), 2);
    EXPECT_EQ(down[1], QPointF(0, 20));
    EXPECT_EQ(down[3], QPointF(0, 14));
    EXPECT_EQ(down[0], QPointF(-4, 10));

    // The line stops at the inset and the tip is filled: pixels beyond the tip stay empty.
    QImage img = Canvas(40, 20);
    {
        QPainter p(&img);
        TQvPen pen(QvColors::Black, 1);
        pen.SetEndArrow(cap);
        QvDrawLine(p, pen, QPointF(2, 10.5), QPointF(30, 10.5));
    }
    EXPECT_EQ(img.pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(img.pixel(27, 9), 0xFF000000u);  // the tip is wider than the line
    EXPECT_EQ(img.pixel(33, 10), 0xFFFFFFFFu);
}

TEST(Drawing, GradientBrushesInterpolateTheThreeColours)
{
    TQvGradientSettings g;
    g.SetFirstColor(QvColors::Red);
    g.SetMiddleColor(0xFF00FF00);
    g.SetLastColor(QvColors::Blue);
    QImage img = Canvas(101, 21);
    {
        QPainter p(&img);
        p.fillRect(img.rect(), g.GetBrush(QRectF(0, 0, 101, 21)));
    }
    EXPECT_GT(qRed(img.pixel(0, 10)), 240);
    EXPECT_GT(qGreen(img.pixel(50, 10)), 240);
    EXPECT_GT(qBlue(img.pixel(100, 10)), 240);

    // -90 is stored as 270: bottom to top, so the first colour is at the bottom.
    g.SetLinearAngle(-90);
    QImage v = Canvas(21, 101);
    {
        QPainter p(&v);
        p.fillRect(v.rect(), g.GetBrush(QRectF(0, 0, 21, 101)));
    }
    EXPECT_GT(qRed(v.pixel(10, 100)), 240);
    EXPECT_GT(qBlue(v.pixel(10, 0)), 240);

    // Radial: the first colour at the (moved) centre point, the last towards the corners.
    g.SetStyle(TQvGradientStyle::Radial);
    g.SetRadialCenterX(0.25);
    QImage r = Canvas(100, 100);
    {
        QPainter p(&r);
        p.fillRect(r.rect(), g.GetBrush(QRectF(0, 0, 100, 100)));
    }
    EXPECT_GT(qRed(r.pixel(25, 50)), 240);
    EXPECT_GT(qBlue(r.pixel(99, 0)), qRed(r.pixel(99, 0)));
}

TEST(Drawing, SmoothingModesMapToRenderHints)
{
    QImage img = Canvas();
    QPainter p(&img);
    for (auto m : {TQvSmoothingMode::None, TQvSmoothingMode::AntiAlias, TQvSmoothingMode::HighQuality}) {
        QvSetSmoothingMode(p, m);
        EXPECT_EQ(QvSmoothingMode(p), m);
    }
    QvSetSmoothingMode(p, TQvSmoothingMode::HighSpeed);
    EXPECT_FALSE(p.testRenderHint(QPainter::Antialiasing));
    QvSetTextRenderingHint(p, TQvTextRenderingHint::SingleBitPerPixelGridFit);
    EXPECT_FALSE(p.testRenderHint(QPainter::TextAntialiasing));
    QvSetTextRenderingHint(p, TQvTextRenderingHint::AntiAlias);
    EXPECT_TRUE(p.testRenderHint(QPainter::TextAntialiasing));
    EXPECT_EQ(QvFontForHint(QFont(), TQvTextRenderingHint::SingleBitPerPixel).styleStrategy() & QFont::NoAntialias,
              QFont::NoAntialias);
}

TEST(Drawing, WidenAndOutlinePaths)
{
    QPainterPath line;
    line.moveTo(10, 20);
    line.lineTo(50, 20);
    const QRectF wide = QvWidenPath(line, TQvPen(QvColors::Black, 4)).boundingRect();
    EXPECT_NEAR(wide.top(), 18, 1e-6);
    EXPECT_NEAR(wide.bottom(), 22, 1e-6);
    EXPECT_NEAR(wide.left(), 10, 1e-6); // flat caps: no extension beyond the ends
    EXPECT_NEAR(wide.right(), 50, 1e-6);

    // The outline of a circle keeps its extent and fills the same pixels.
    QPainterPath circle;
    circle.addEllipse(QPointF(0, 0), 10, 10);
    const QPainterPath outline = QvOutlinePath(circle, 0.5);
    EXPECT_NEAR(outline.boundingRect().width(), 20, 0.5);
    EXPECT_TRUE(outline.contains(QPointF(0, 0)));
    EXPECT_FALSE(outline.contains(QPointF(9, 9)));
}

TEST(Drawing, RotateAtKeepsTheCentreAndTransformSaverRestores)
{
    QImage img = Canvas();
    QPainter p(&img);
    p.translate(5, 0);
    const QTransform before = p.worldTransform();
    {
        TQvTransformSaver saver(p);
        QvRotateAt(p, QPointF(20, 20), 90);
        const QPointF c = p.worldTransform().map(QPointF(20, 20));
        EXPECT_NEAR(c.x(), 25, 1e-9);
        EXPECT_NEAR(c.y(), 20, 1e-9);
        const QPointF right = p.worldTransform().map(QPointF(30, 20)); // clockwise on screen
        EXPECT_NEAR(right.x(), 25, 1e-9);
        EXPECT_NEAR(right.y(), 30, 1e-9);
    }
    EXPECT_EQ(p.worldTransform(), before);
}
