// Hover readout of a graph: the cursor's values on linear and log axes, the nearest drawn point
// within the radius, the highlighted series and what the mouse leaves behind.
#include "QvAxis.h"
#include "QvFormat.h"
#include "QvGraph2D.h"
#include "QvHover.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "TestGraph.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A shown graph with hover readout: X linear 0..100 "Time, s", Y log 1e-6..1e-2 "pO\-2\-, atm",
// and one series through (10, 1e-5) ... (90, 1e-3).
struct HoverGraph : TestGraph
{
    TQvPointSeries series;
    TQvUndoStack undo;

    HoverGraph()
    {
        series.setObjectName(QStringLiteral("Series1"));
        x->SetCaption(QStringLiteral("Time, s"));
        y->SetCaption(QStringLiteral("pO\\-2\\-, atm"));
        y->SetScaling(TQvAxisScaling::Log);
        for (TQvAxis* a : {x, y}) {
            a->SetStartEnd(TQvAxisEnd::Fixed);
            a->SetStopEnd(TQvAxisEnd::Fixed);
        }
        x->SetStartStop(0, 100);
        y->SetStartStop(1e-6, 1e-2);
        Fill(xs, {10, 30, 50, 70, 90});
        Fill(ys, {1e-5, 3e-5, 1e-4, 3e-4, 1e-3});
        // Every value read from a file has passed through single precision.
        for (int i = 0; i < ys.Count(); ++i)
            ys.SetValue(i, double(float(ys.GetValue(i))));
        series.SetCaption(QStringLiteral("FN:1 Step:2 Cell pO\\-2\\-"));
        series.Line()->SetColor(0xFFFF0000);
        series.Line()->SetWidth(1);
        series.PointSymbol()->SetVisible(false);
        Attach(series);
        graph.SetBackColor(0xFFFFFFFF);
        undo.SetEnabled(true);
        graph.SetUndoStack(&undo);
        graph.SetHoverReadout(true);
        graph.show();
        Shot();
    }

    QImage Shot() { return graph.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QPointF At(double vx, double vy) const { return QPointF(x->NumberToWorld(vx), y->NumberToWorld(vy)); }
    void MoveTo(const QPointF& p) { QTest::mouseMove(&graph, p.toPoint()); }
    void Leave()
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(&graph, &e);
    }
};

int CountNear(const QImage& img, QRgb c)
{
    int n = 0;
    for (int yy = 0; yy < img.height(); ++yy)
        for (int xx = 0; xx < img.width(); ++xx) {
            const QRgb p = img.pixel(xx, yy);
            n += qAbs(qRed(p) - qRed(c)) < 40 && qAbs(qGreen(p) - qGreen(c)) < 40 && qAbs(qBlue(p) - qBlue(c)) < 40;
        }
    return n;
}

} // namespace

TEST(HoverText, AxisValuesShowWhatOnePixelResolves)
{
    QvSetFormatSeparators(u'.', u',');
    struct Case
    {
        double Value, Resolution;
        bool Log;
        const char* Text;
    } cases[] = {
        {12.3456, 0.1, false, "12.3"},
        {12.3456, 0.01, false, "12.35"},
        {1234.56, 2.0, false, "1235"},
        {1234.56, 100.0, false, "1235"},
        {0.00123456, 1e-5, false, "0.00123"},
        {-4.5678, 0.1, false, "-4.6"},
        {0.0, 0.1, false, "0"},
        {3.16227766e-5, 0.01, true, "3.16E-05"},
        {1.0, 0.01, true, "1.00E+00"},
    };
    for (const Case& c : cases) {
        TQvHoverAxisValue v;
        v.Value = c.Value;
        v.Resolution = c.Resolution;
        v.Log = c.Log;
        EXPECT_EQ(QvHoverAxisText(v), QString::fromLatin1(c.Text)) << c.Value;
    }
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(HoverText, DataValuesAsTheVectorsHoldThem)
{
    QvSetFormatSeparators(u'.', u',');
    // Single-precision values show their short decimal, not the binary tail of the double.
    EXPECT_EQ(QvHoverDataText(double(0.1f)), QStringLiteral("0.1"));
    EXPECT_EQ(QvHoverDataText(double(617.5f)), QStringLiteral("617.5"));
    EXPECT_EQ(QvHoverDataText(double(3e-4f)), QStringLiteral("0.0003"));
    EXPECT_EQ(QvHoverDataText(double(1.234e-7f)), QStringLiteral("1.234E-7"));
    // Computed doubles keep their digits.
    EXPECT_EQ(QvHoverDataText(0.1), QStringLiteral("0.1"));
    EXPECT_EQ(QvHoverDataText(1.0 / 3.0), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(QvHoverDataText(50.0), QStringLiteral("50"));
    EXPECT_EQ(QvHoverDataText(-123456.0), QStringLiteral("-123456"));
    EXPECT_EQ(QvHoverDataText(0.0), QStringLiteral("0"));
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(Hover, ReadoutOfLinearAndLogAxesAndTheNearestPoint)
{
    QvSetFormatSeparators(u'.', u',');
    HoverGraph h;
    QSignalSpy spy(&h.graph, &TQvGraph2D::OnHover);
    // 5 px right of and 2 px above the point (50, 1e-4), on the pixel of x = 50 + 5 px.
    const QPointF p = h.At(50, 1e-4);
    h.MoveTo(p + QPointF(5, -2));
    ASSERT_EQ(spy.count(), 1);
    const TQvHoverInfo info = spy.at(0).at(0).value<TQvHoverInfo>();
    ASSERT_TRUE(info.InDrawingArea);
    ASSERT_EQ(info.Axes.size(), 2);
    EXPECT_TRUE(info.Axes[0].Horizontal);
    EXPECT_EQ(info.Axes[0].Caption, QStringLiteral("Time, s"));
    EXPECT_NEAR(info.Axes[0].Value, 50 + 5 * 100.0 / h.x->AxLength(), 100.0 / h.x->AxLength());
    EXPECT_TRUE(info.Axes[1].Log);
    EXPECT_EQ(info.Axes[1].Caption, QStringLiteral("pO2, atm"));
    EXPECT_NEAR(std::log10(info.Axes[1].Value), -4 + 2 * 4.0 / h.y->AxLength(), 4.0 / h.y->AxLength());
    EXPECT_EQ(info.Series.data(), &h.series);
    EXPECT_EQ(info.Index, 2);
    EXPECT_EQ(info.X, 50);
    EXPECT_EQ(info.Y, double(float(1e-4)));
    EXPECT_NEAR(info.Distance, std::hypot(5, 2), 1.0);

    const QString text = QvHoverText(info);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Time, s = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("pO2, atm = 1."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("E-04"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("FN:1 Step:2 Cell pO2, point 2: x = 50, y = 0.0001"))) << text.toStdString();

    // The cursor exactly on the pixel of a log value reads that value back.
    h.MoveTo(QPointF(h.At(30, 3.16227766e-5).x(), std::round(h.y->NumberToWorld(3.16227766e-5))));
    const TQvHoverInfo onLog = spy.last().at(0).value<TQvHoverInfo>();
    EXPECT_NEAR(std::log10(onLog.Axes[1].Value), std::log10(3.16227766e-5), 4.0 / h.y->AxLength());
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(Hover, NoPointBeyondEightPixelsNoReadoutOutsideTheDrawingArea)
{
    HoverGraph h;
    QSignalSpy spy(&h.graph, &TQvGraph2D::OnHover);
    const QPointF p = h.At(10, 1e-5);
    struct Case
    {
        QPointF Offset;
        bool Found;
    } cases[] = {{{0, 0}, true}, {{7.9, 0}, true}, {{0, -7.9}, true}, {{6, 6}, false}, {{9, 0}, false}};
    for (const Case& c : cases) {
        const TQvHoverInfo info = h.graph.HoverAt(p + c.Offset);
        EXPECT_EQ(bool(info.Series), c.Found) << c.Offset.x() << "," << c.Offset.y();
    }
    // Over an axis, outside the drawing area: no readout at all.
    const QRectF a = h.graph.DrawingArea();
    const TQvHoverInfo outside = h.graph.HoverAt(QPointF(a.left() - 10, a.center().y()));
    EXPECT_FALSE(outside.InDrawingArea);
    EXPECT_TRUE(QvHoverText(outside).isEmpty());
    EXPECT_EQ(h.graph.HighlightedSeries(), nullptr);
    // A hidden series is not pointed at.
    h.series.SetVisible(false);
    h.Shot();
    EXPECT_FALSE(h.graph.HoverAt(p).Series);
}

TEST(Hover, TheNearerOfTwoSeriesWins)
{
    HoverGraph h;
    TQvDoubleVector ys2;
    Fill(ys2, {2e-5, 6e-5, 2e-4, 6e-4, 2e-3});
    TQvPointSeries other;
    other.SetCaption(QStringLiteral("FN:1 Step:3 Cell pO\\-2\\-"));
    other.SetXAxis(h.x);
    other.SetYAxis(h.y);
    other.SetXData(&h.xs);
    other.SetYData(&ys2);
    h.Shot();
    const QPointF a = h.At(50, 1e-4), b = h.At(50, 2e-4);
    const QPointF nearB = a + (b - a) * 0.8;
    const TQvHoverInfo info = h.graph.HoverAt(nearB);
    ASSERT_TRUE(info.Series);
    EXPECT_EQ(info.Series.data(), &other);
    EXPECT_EQ(info.SeriesCaption, QStringLiteral("FN:1 Step:3 Cell pO2"));
    EXPECT_EQ(info.Y, 2e-4);
}

TEST(Hover, HighlightWhileRestingNothingChangedAfterLeaving)
{
    HoverGraph h;
    const QImage before = h.Shot();
    const QVariantMap propsBefore = h.series.WriteProperties();
    const int undoBefore = h.undo.UndoCount();
    const int redBefore = CountNear(before, qRgb(255, 0, 0));
    QSignalSpy left(&h.graph, &TQvGraph2D::OnHoverLeave);

    h.MoveTo(h.At(30, 3e-5) + QPointF(0, 3));
    EXPECT_EQ(h.graph.HighlightedSeries(), &h.series);
    const QImage lit = h.Shot();
    // The highlighted line is wider: clearly more red pixels.
    EXPECT_GT(CountNear(lit, qRgb(255, 0, 0)), redBefore * 3 / 2);
    EXPECT_EQ(h.series.Line()->Width(), 1.0f);
    EXPECT_EQ(h.series.WriteProperties(), propsBefore);
    EXPECT_EQ(h.undo.UndoCount(), undoBefore);

    h.Leave();
    EXPECT_EQ(left.count(), 1);
    EXPECT_EQ(h.graph.HighlightedSeries(), nullptr);
    EXPECT_EQ(h.Shot(), before);
    EXPECT_EQ(h.series.WriteProperties(), propsBefore);
    EXPECT_EQ(h.undo.UndoCount(), undoBefore);
    EXPECT_FALSE(h.undo.CanUndo());
}

TEST(Hover, ThePaintImageFollowsEveryChange)
{
    // With the readout on, paints go through an image of the last paint: a change made through a
    // property, the data or an axis must show at the next paint all the same.
    HoverGraph h;
    const QImage first = h.Shot();
    h.series.Line()->SetColor(0xFF0000FF);
    const QImage blue = h.Shot();
    EXPECT_GT(CountNear(blue, qRgb(0, 0, 255)), 20);
    EXPECT_GT(CountNear(first, qRgb(255, 0, 0)), 20);
    EXPECT_EQ(CountNear(blue, qRgb(255, 0, 0)), 0);

    h.ys.SetValue(4, 1e-6 * 2);
    EXPECT_NE(h.Shot(), blue);

    // An axis colour only repaints (no layout).
    const QImage beforeAxis = h.Shot();
    h.x->SetNumbersColor(0xFF00FF00);
    const QImage green = h.Shot();
    EXPECT_GT(CountNear(green, qRgb(0, 255, 0)), CountNear(beforeAxis, qRgb(0, 255, 0)) + 10);

    // And it shows the same as a graph painted without the readout.
    h.graph.SetHoverReadout(false);
    EXPECT_EQ(h.Shot(), green);
}
