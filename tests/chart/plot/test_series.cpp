// Series: data binding, ranges, screen points, queries, undo.
#include "QvAxis.h"
#include "QvComponent.h"
#include "QvRichCaption.h"
#include "QvDrawing.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "TestGraph.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The test graph with named axes.
struct Fixture : TestGraph
{
    Fixture()
    {
        x->setObjectName(QStringLiteral("X"));
        x->SetPosition(TQvAxisPosition::Bottom);
        y->setObjectName(QStringLiteral("Y"));
    }
};

} // namespace

TEST(Series, OnlyYDataIsDrawnAgainstTheIndex)
{
    Fixture f;
    Fill(f.ys, {5, 7, 6, 9});
    TQvPointSeries s;
    s.SetXAxis(f.x);
    s.SetYAxis(f.y);
    s.SetYData(&f.ys);
    ASSERT_TRUE(f.graph.HasSeries(&s));
    ASSERT_NE(s.XData(), nullptr);
    EXPECT_EQ(s.XData()->Count(), 4);
    f.Render();
    EXPECT_DOUBLE_EQ(s.XStart(), 0);
    EXPECT_DOUBLE_EQ(s.XStop(), 3);
    EXPECT_DOUBLE_EQ(s.YStart(), 5);
    EXPECT_DOUBLE_EQ(s.YStop(), 9);
    EXPECT_EQ(s.PointCount(), 4);

    // Removing the y data while x is the indexer leaves no data and detaches the series.
    s.SetYData(nullptr);
    EXPECT_EQ(s.XData(), nullptr);
    EXPECT_EQ(s.YData(), nullptr);
    EXPECT_FALSE(f.graph.HasSeries(&s));
}

// Replacing the vector beside the indexer re-points the indexer: the series takes the new length
// and follows the new vector's changes, not the old one's.
TEST(Series, IndexerFollowsTheReplacedVector)
{
    for (bool ReplaceY : {true, false}) {
        SCOPED_TRACE(ReplaceY ? "y data replaced" : "x data replaced");
        Fixture f;
        TQvDoubleVector Old, New;
        Fill(Old, {5, 7, 6, 9, 8});
        Fill(New, {1, 2, 3});
        TQvPointSeries s;
        s.SetXAxis(f.x);
        s.SetYAxis(f.y);
        ReplaceY ? s.SetYData(&Old) : s.SetXData(&Old);
        f.Render();
        ASSERT_EQ(s.Count(), 5);
        ReplaceY ? s.SetYData(&New) : s.SetXData(&New);
        TQvCustomDoubleVector* Index = ReplaceY ? s.XData() : s.YData();
        ASSERT_NE(Index, nullptr);
        EXPECT_EQ(Index->Count(), 3);
        f.Render();
        EXPECT_EQ(s.Count(), 3);
        EXPECT_EQ(s.PointCount(), 3);
        const double IndexStop = ReplaceY ? s.XStop() : s.YStop();
        EXPECT_DOUBLE_EQ(IndexStop, 2);

        Old.Add(4);
        f.Render();
        EXPECT_EQ(s.Count(), 3);
        New.Add(4);
        f.Render();
        EXPECT_EQ(s.Count(), 4);
        EXPECT_DOUBLE_EQ(ReplaceY ? s.XStop() : s.YStop(), 3);
        s.SetYAxis(nullptr);
    }
}

// A series registers "Name" and "Caption" as caption variables under its full name, follows
// renames and caption changes, and withdraws them when it goes.
TEST(Series, NameAndCaptionAreCaptionVariables)
{
    QObject Form;
    Form.setObjectName(QStringLiteral("Form1"));
    auto* s = new TQvPointSeries(&Form);
    s->setObjectName(QStringLiteral("Series1"));
    s->SetCaption(QStringLiteral("pO\\-2\\- of step 3"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Caption%>")),
              QStringLiteral("pO\\-2\\- of step 3"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("[<%form1.series1.name%>]")), QStringLiteral("[Series1]"));
    // Briefly, from the series' own captions.
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Name%>"), s), QStringLiteral("Series1"));
    bool Found = false;
    for (const TQvCaptionVariableInfo& V : QvCaptionVariables())
        if (V.Key == QStringLiteral("Form1.Series1.Caption"))
            Found = V.Description == QStringLiteral("Caption of the series e.g. used in legends");
    EXPECT_TRUE(Found);
    s->setObjectName(QStringLiteral("Series2"));
    s->SetCaption(QStringLiteral("renamed"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series2.Caption%>")), QStringLiteral("renamed"));
    delete s;
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series2.Caption%>")), QvPlaceholderFailureText());
}

// Line and Area are assigned as a whole: the values are copied (the series keeps its own records),
// the series redraws with them, and the change is one undo step.
TEST(Series, LineAndAreaAreAssignedAsAWhole)
{
    Fixture f;
    TQvUndoStack Undo;
    Fill(f.xs, {0, 1, 2});
    Fill(f.ys, {0, 1, 0});
    TQvLineSeries s;
    f.Attach(s);
    s.SetUndoStack(&Undo);
    TQvLineSettings Line;
    Line.SetColor(0xFF00C000);
    Line.SetWidth(3);
    TQvAreaSettings Area;
    Area.SetVisible(true);
    Area.SetForeColor(0xFFC00000);
    TQvLineSettings* Own = s.Line();
    const int Before = Undo.UndoCount();
    s.SetLine(&Line);
    s.SetArea(&Area);
    EXPECT_EQ(s.Line(), Own);
    EXPECT_EQ(s.Line()->Color(), 0xFF00C000u);
    EXPECT_FLOAT_EQ(s.Line()->Width(), 3);
    EXPECT_TRUE(s.Area()->Visible());
    EXPECT_EQ(s.Area()->ForeColor(), 0xFFC00000u);
    EXPECT_EQ(s.LinePen().color(), QColor(0, 0xC0, 0));
    EXPECT_EQ(Undo.UndoCount(), Before + 2);
    Undo.Undo();
    EXPECT_FALSE(s.Area()->Visible());
    Undo.Undo();
    EXPECT_NE(s.Line()->Color(), 0xFF00C000u);
    s.SetLine(nullptr);
    EXPECT_EQ(s.Line(), Own);
}

TEST(Series, OnePointHasARangeOnlyWithSymbols)
{
    for (bool symbols : {true, false}) {
        Fixture f;
        Fill(f.xs, {3});
        Fill(f.ys, {4});
        TQvPointSeries s;
        s.PointSymbol()->SetVisible(symbols);
        s.SetXAxis(f.x);
        s.SetYAxis(f.y);
        s.SetXData(&f.xs);
        s.SetYData(&f.ys);
        f.Render();
        if (symbols) {
            EXPECT_DOUBLE_EQ(s.XStart(), 3);
            EXPECT_DOUBLE_EQ(s.YStop(), 4);
            EXPECT_EQ(s.PointCount(), 1);
        } else {
            EXPECT_GT(s.XStart(), s.XStop()) << "one point without symbols has no range";
        }
    }
}

TEST(Series, LogAxisStartsAtTheSmallestPositiveValue)
{
    Fixture f;
    f.x->SetScaling(TQvAxisScaling::Log);
    Fill(f.xs, {-1, 0, 10, 100});
    Fill(f.ys, {1, 2, 3, 4});
    TQvPointSeries s;
    f.Attach(s);
    f.Render();
    EXPECT_DOUBLE_EQ(s.XStart(), 10);
    EXPECT_DOUBLE_EQ(s.XStop(), 100);
}

TEST(Series, AppendedPointsExtendTheRange)
{
    Fixture f;
    Fill(f.xs, {0, 1, 2});
    Fill(f.ys, {0, 10, 20});
    TQvPointSeries s;
    f.Attach(s);
    f.Render();
    EXPECT_DOUBLE_EQ(s.YStop(), 20);
    f.xs.Add(3);
    f.ys.Add(-5);
    f.Render();
    EXPECT_DOUBLE_EQ(s.XStop(), 3);
    EXPECT_DOUBLE_EQ(s.YStart(), -5);
    EXPECT_EQ(s.LastCount(), 4);

    // Clearing drops range and points.
    f.ys.Clear();
    EXPECT_GT(s.YStart(), s.YStop());
    EXPECT_TRUE(s.RecalculatePoints());
}

struct GetYCase
{
    std::vector<double> X, Y;
    double At, Expected;
};

class SeriesGetY : public ::testing::TestWithParam<GetYCase> {};

TEST_P(SeriesGetY, InterpolatesAndExtrapolates)
{
    const GetYCase& c = GetParam();
    Fixture f;
    f.xs.Clear();
    f.ys.Clear();
    for (double v : c.X)
        f.xs.Add(v);
    for (double v : c.Y)
        f.ys.Add(v);
    TQvPointSeries s;
    f.Attach(s);
    EXPECT_DOUBLE_EQ(s.GetY(c.At), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SeriesGetY,
    ::testing::Values(GetYCase{{0, 1, 2}, {0, 10, 20}, 1.5, 15},   // inside
                      GetYCase{{0, 1, 2}, {0, 10, 20}, 3, 30},     // beyond the end: end segment
                      GetYCase{{0, 1, 2}, {0, 10, 20}, -1, -10},   // before the start
                      GetYCase{{0, 1, 2, 3, 4}, {0, 10, 20, 40, 80}, 3.5, 60},
                      GetYCase{{0, 1, 2}, {0, 10, 20}, 1, 10},     // on a point
                      GetYCase{{2, 0, 1}, {20, 0, 10}, 0.5, 5},    // not ascending
                      GetYCase{{7}, {3}, 100, 3}));                 // one point

TEST(Series, GetYWithoutPointsIsZero)
{
    Fixture f;
    TQvPointSeries s;
    s.SetXAxis(f.x);
    s.SetYAxis(f.y);
    s.SetYData(&f.ys);
    EXPECT_DOUBLE_EQ(s.GetY(1), 0);
}

TEST(Series, FindPointAndNearestPoint)
{
    Fixture f;
    Fill(f.xs, {0, 5, 10});
    Fill(f.ys, {0, 5, 10});
    TQvPointSeries s;
    f.Attach(s);
    // Stale points: nothing is found.
    EXPECT_EQ(s.FindPoint(0, 0, 1e9), -1);
    EXPECT_FALSE(s.NearestPoint(QPointF(0, 0)).Found);
    f.Render();
    const float px = f.x->NumberToWorld(5), py = f.y->NumberToWorld(5);
    EXPECT_EQ(s.FindPoint(px + 2, py - 2), 1);
    EXPECT_EQ(s.FindPoint(px + 40, py), -1);
    const TQvNearestPointResult r = s.NearestPoint(QPointF(px + 3, py + 4));
    ASSERT_TRUE(r.Found);
    EXPECT_EQ(r.Index, 1);
    EXPECT_NEAR(r.Distance, 5, 0.01);
    EXPECT_DOUBLE_EQ(r.X, 5);

    const TQvFindSeriesPointResult g = f.graph.FindSeriesPoint(int(px), int(py));
    EXPECT_TRUE(g.Found);
    EXPECT_EQ(g.InSeries, &s);
    EXPECT_EQ(g.Index, 1);
}

TEST(Series, ExtraSpaceAndItemHeight)
{
    Fixture f;
    Fill(f.xs, {0, 1});
    Fill(f.ys, {0, 1});
    TQvPointSeries s;
    s.SetXData(&f.xs);
    s.PointSymbol()->SetSize(11);
    s.PointSymbol()->SetBorderLineWidth(1);
    EXPECT_DOUBLE_EQ(s.ExtraSpaceAt(TQvBorder::Left), 7);
    EXPECT_EQ(s.GetItemHeight(), 13);
    s.PointSymbol()->SetVisible(false);
    EXPECT_DOUBLE_EQ(s.ExtraSpaceAt(TQvBorder::Left), 0);
    s.Line()->SetWidth(3);
    EXPECT_EQ(s.GetItemHeight(), 3);
}

TEST(Series, CaptionTrimmedAndUndoOnlyOnChange)
{
    TQvUndoStack stack;
    stack.SetEnabled(true);
    TQvPointSeries s;
    s.SetUndoStack(&stack);
    EXPECT_EQ(s.Caption(), QStringLiteral("QvPointSeries1"));
    s.SetCaption(QStringLiteral("Current  "));
    EXPECT_EQ(s.Caption(), QStringLiteral("Current"));
    const int n = stack.UndoCount();
    EXPECT_EQ(n, 1);
    s.SetCaption(QStringLiteral("Current"));
    EXPECT_EQ(stack.UndoCount(), n);
    EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Series caption"));
}

TEST(Series, PersistenceRoundTrip)
{
    Fixture f;
    TQvPointSeries a;
    a.SetCaption(QStringLiteral("Leak"));
    a.SetLayer(4);
    a.SetVisible(false);
    a.PointSymbol()->SetSize(7);
    const QVariantMap m = a.WriteProperties();
    EXPECT_EQ(m.value(QStringLiteral("Caption")).toString(), QStringLiteral("Leak"));
    EXPECT_TRUE(m.contains(QStringLiteral("PointSymbol")));
    TQvPointSeries b;
    b.ReadProperties(m);
    EXPECT_EQ(b.Caption(), QStringLiteral("Leak"));
    EXPECT_EQ(b.Layer(), 4);
    EXPECT_FALSE(b.Visible());
    EXPECT_FLOAT_EQ(b.PointSymbol()->Size(), 7);
}

TEST(Series, DestroyedVectorIsDropped)
{
    Fixture f;
    auto ys = std::make_unique<TQvDoubleVector>();
    ys->Add(1);
    ys->Add(2);
    TQvPointSeries s;
    s.SetXAxis(f.x);
    s.SetYAxis(f.y);
    s.SetYData(ys.get());
    ys.reset();
    EXPECT_EQ(s.YData(), nullptr);
    EXPECT_EQ(s.XData(), nullptr);
    f.Render();   // must not touch the freed vector
}

// A translucent symbol shows what lies behind it, but not its own series' line: the line is
// clipped out of every symbol, so the symbol's centre has the symbol colour over the background.
TEST(Series, TranslucentSymbolsHideTheirOwnLine)
{
    Fixture f;
    Fill(f.xs, {0, 5, 10});
    Fill(f.ys, {0, 5, 10});
    TQvPointSeries s;
    f.Attach(s);
    s.Line()->SetColor(0xFFFF0000);
    s.Line()->SetWidth(5);
    s.PointSymbol()->SetPointSymbol(TQvPointSymbol::Square);
    s.PointSymbol()->SetSize(24);
    s.PointSymbol()->SetBorderColor(0x800000FF);
    s.PointSymbol()->SetFillColor(0x800000FF);
    s.PointSymbol()->SetVisible(true);
    f.Render();
    const QImage img = f.Render();
    const QPoint centre(qRound(f.x->NumberToWorld(5)), qRound(f.y->NumberToWorld(5)));
    const QColor inside = img.pixelColor(centre);
    // Half-transparent blue over white, with no red of the line under it.
    EXPECT_LT(inside.red(), 140) << inside.name().toStdString();
    EXPECT_GT(inside.green(), 110) << inside.name().toStdString();
    EXPECT_GT(inside.blue(), 240) << inside.name().toStdString();
    // Between the symbols the line is drawn.
    const QPoint between(qRound(f.x->NumberToWorld(2.5)), qRound(f.y->NumberToWorld(2.5)));
    EXPECT_EQ(img.pixelColor(between), QColor(255, 0, 0));
}

// Many symbols on an image are stamped from pre-drawn copies; the result must look like drawing
// every symbol (a QPicture records the symbols themselves, replayed here as the reference).
TEST(Series, StampedSymbolsLookLikeDrawnOnes)
{
    for (TQvPointSymbol Shape : {TQvPointSymbol::Circle, TQvPointSymbol::Cross, TQvPointSymbol::Delta}) {
        for (bool Smooth : {false, true}) {
            Fixture f;
            f.graph.SetBackColor(0xFFFFFFFF);
            f.graph.SetSmoothingMode(static_cast<TQvSmoothingMode>(Smooth ? 3 : 0));
            f.xs.Clear();
            f.ys.Clear();
            for (int i = 0; i < 3000; ++i) {
                f.xs.Add(i * 0.173);
                f.ys.Add(std::sin(i * 0.0123) * 40 + (i % 7) * 0.61);
            }
            TQvPointSeries s;
            f.Attach(s);
            s.Line()->SetVisible(false);
            s.PointSymbol()->SetPointSymbol(Shape);
            s.PointSymbol()->SetSize(9);
            s.PointSymbol()->SetFillColor(0xC00080FF);
            s.PointSymbol()->SetVisible(true);
            f.Render();
            const QImage stamped = f.Render();
            QPicture pic;
            f.graph.PrintTo(&pic, QRectF(0, 0, 600, 400));
            QImage drawn(600, 400, QImage::Format_ARGB32_Premultiplied);
            drawn.fill(Qt::white);
            {
                QPainter p(&drawn);
                p.drawPicture(0, 0, pic);
            }
            // Antialiased edges may differ a little at the quarter-pixel grid; shapes do not.
            int far = 0;
            for (int y = 0; y < 400; ++y)
                for (int x = 0; x < 600; ++x) {
                    const QColor a = stamped.pixelColor(x, y), b = drawn.pixelColor(x, y);
                    if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 150)
                        ++far;
                }
            EXPECT_LT(far, 600 * 400 / 200) << int(Shape) << " smooth " << Smooth;
        }
    }
}

// A band between two series switches the area on while its points are built: that is part of
// painting, not a user's change, so no paint may push an undo record (undoing it was redone by
// the next paint).
TEST(Series, PaintingABandPushesNoUndoRecord)
{
    Fixture f;
    Fill(f.xs, {1, 2, 3, 4});
    Fill(f.ys, {1, 3, 2, 4});
    TQvDoubleVector low;
    Fill(low, {0, 1, 0, 1});
    TQvUndoStack stack;
    f.graph.SetUndoStack(&stack);
    TQvLineSeries upper, lower;
    f.Attach(upper);
    lower.SetXAxis(f.x);
    lower.SetYAxis(f.y);
    lower.SetXData(&f.xs);
    lower.SetYData(&low);
    upper.SetDrawBandTo(&lower);
    f.graph.SetCaption(QStringLiteral("last user change"));
    ASSERT_FALSE(upper.Area()->Visible());
    const int count = stack.UndoCount();
    for (int k = 0; k < 3; ++k) {
        f.Render();
        EXPECT_TRUE(upper.Area()->Visible());
        EXPECT_EQ(stack.UndoCount(), count);
        EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Caption used in title of graph"));
    }
}
