// Calculated series: the three interpolation methods, the running integral and its cache,
// sampling, ranges, errors through the event.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvIntegral.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "TestGraph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace {

using Fixture = TestGraph;

std::vector<double> Range(int n, double step = 1.0)
{
    std::vector<double> r(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        r[size_t(i)] = i * step;
    return r;
}

// A calculation over two vectors, run directly.
struct Calc
{
    TQvDoubleVector xs, ys, ws;
    TQvInterpolationCalculation c;
    Calc(TQvInterpolationMethod M, const std::vector<double>& X, const std::vector<double>& Y)
    {
        Fill(xs, X);
        Fill(ys, Y);
        c.XData = &xs;
        c.YData = &ys;
        c.Method = M;
    }
};

const TQvInterpolationMethod AllMethods[] = {TQvInterpolationMethod::Akima, TQvInterpolationMethod::CubicSpline,
                                             TQvInterpolationMethod::ApproximativeSpline};

} // namespace

class IntegralByMethod : public ::testing::TestWithParam<TQvInterpolationMethod>
{
};

TEST_P(IntegralByMethod, LineIntegratesToTwoAtTwo)
{
    Fixture f;
    Fill(f.xs, Range(10));
    Fill(f.ys, Range(10));
    TQvIntegral s;
    s.SetInterpolationMethod(GetParam());
    f.Attach(s);
    f.Render();
    ASSERT_TRUE(s.HasFunction());
    EXPECT_NEAR(s.GetY(2), 2.0, 1e-9);
    EXPECT_NEAR(s.GetY(9), 40.5, 1e-9);
    EXPECT_NEAR(s.GetY(0), 0.0, 1e-12);
    // The y range is that of the samples: 0 to 81 / 2.
    EXPECT_NEAR(s.YStart(), 0.0, 1e-9);
    EXPECT_NEAR(s.YStop(), 40.5, 1e-9);
    EXPECT_DOUBLE_EQ(s.XStart(), 0);
    EXPECT_DOUBLE_EQ(s.XStop(), 9);
    // The curve itself and its slope.
    TQvInterpolation curve;
    TQvDifferential slope;
    for (TQvInterpolation* c : {&curve, static_cast<TQvInterpolation*>(&slope)}) {
        c->SetInterpolationMethod(GetParam());
        f.Attach(*c);
    }
    f.Render();
    EXPECT_NEAR(curve.GetY(3.25), 3.25, 1e-9);
    EXPECT_NEAR(slope.GetY(3.25), 1.0, 1e-9);
}

TEST_P(IntegralByMethod, SamplingOrderDoesNotChangeTheIntegral)
{
    std::vector<double> X = Range(40, 0.25), Y;
    for (double v : X)
        Y.push_back(std::sin(v) + 0.1 * v);
    Calc k(GetParam(), X, Y);
    k.c.Calculate();
    std::vector<double> at;
    for (int i = -10; i <= 420; ++i)
        at.push_back(i * 0.025);
    std::vector<double> ascending;
    for (double x : at)
        ascending.push_back(k.c.Integral(x));
    std::vector<int> order(at.size());
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int i : order)
        EXPECT_NEAR(k.c.Integral(at[size_t(i)]), ascending[size_t(i)], 1e-12) << "x=" << at[size_t(i)];
    // Descending order too (every call restarts the sum).
    for (int i = int(at.size()) - 1; i >= 0; --i)
        EXPECT_NEAR(k.c.Integral(at[size_t(i)]), ascending[size_t(i)], 1e-12);
    // The integral's slope is the curve: a central difference agrees.
    const double h = 1e-5;
    EXPECT_NEAR((k.c.Integral(3.3 + h) - k.c.Integral(3.3 - h)) / (2 * h), k.c.Value(3.3), 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Methods, IntegralByMethod, ::testing::ValuesIn(AllMethods));

struct TooFewCase
{
    TQvInterpolationMethod Method;
    int Points;
    bool Draws;
};

class IntegralTooFew : public ::testing::TestWithParam<TooFewCase>
{
};

TEST_P(IntegralTooFew, FewerPointsThanTheMinimumDrawNothing)
{
    const TooFewCase c = GetParam();
    Fixture f;
    Fill(f.xs, Range(c.Points));
    Fill(f.ys, Range(c.Points));
    TQvIntegral s;
    s.SetInterpolationMethod(c.Method);
    f.Attach(s);
    f.Render();
    EXPECT_EQ(s.HasFunction(), c.Draws);
    EXPECT_EQ(s.PointCount() > 0, c.Draws);
    EXPECT_EQ(s.XStart() <= s.XStop(), c.Draws);
    EXPECT_EQ(s.YStart() <= s.YStop(), c.Draws);
}

INSTANTIATE_TEST_SUITE_P(Minimum, IntegralTooFew,
                         ::testing::Values(TooFewCase{TQvInterpolationMethod::Akima, 5, false},
                                           TooFewCase{TQvInterpolationMethod::Akima, 6, true},
                                           TooFewCase{TQvInterpolationMethod::CubicSpline, 5, false},
                                           TooFewCase{TQvInterpolationMethod::CubicSpline, 6, true},
                                           TooFewCase{TQvInterpolationMethod::ApproximativeSpline, 2, false},
                                           TooFewCase{TQvInterpolationMethod::ApproximativeSpline, 3, true}));

// Enough points, but merging equal x leaves fewer knots than the method needs: no function, so no
// x range either (the axes must not make room for a curve that is not drawn). One more distinct
// x gives the function and its range back.
TEST_P(IntegralByMethod, MergedKnotsBelowTheMinimumReportNoRange)
{
    const int Need = GetParam() == TQvInterpolationMethod::ApproximativeSpline ? 3 : 6;
    Fixture f;
    std::vector<double> X, Y;
    for (int i = 0; i < Need - 1; ++i) {
        X.insert(X.end(), {double(i), double(i)});
        Y.insert(Y.end(), {double(i), double(i) + 1});
    }
    Fill(f.xs, X);
    Fill(f.ys, Y);
    TQvIntegral s;
    s.SetInterpolationMethod(GetParam());
    f.Attach(s);
    f.Render();
    EXPECT_FALSE(s.HasFunction());
    EXPECT_GT(s.XStart(), s.XStop());
    EXPECT_GT(s.YStart(), s.YStop());
    EXPECT_EQ(s.PointCount(), 0);

    X.push_back(Need - 1);
    Y.push_back(Need - 1);
    Fill(f.xs, X);
    Fill(f.ys, Y);
    f.Render();
    EXPECT_TRUE(s.HasFunction());
    EXPECT_DOUBLE_EQ(s.XStart(), 0);
    EXPECT_DOUBLE_EQ(s.XStop(), Need - 1);
}

TEST(Integral, OutliersAndCalculationRangeCountAgainstTheMinimum)
{
    Fixture f;
    Fill(f.xs, Range(6));
    Fill(f.ys, Range(6));
    f.ys.AddOutlier(3);
    TQvIntegral s;
    f.Attach(s);
    f.Render();
    EXPECT_FALSE(s.HasFunction());
    EXPECT_GT(s.XStart(), s.XStop());
    s.SetOutliersVisible(true);
    f.Render();
    EXPECT_TRUE(s.HasFunction());
    // A fixed calculation range leaves knots out.
    s.SetAutoStop(false);
    s.SetCalculationStop(4.5);
    f.Render();
    EXPECT_FALSE(s.HasFunction());
}

TEST(Integral, MissingVectorsRaiseThroughTheEvent)
{
    // Axes outside a graph: the series keeps its missing vector (no index stands in).
    TQvAxis ax, ay;
    ay.SetPosition(TQvAxisPosition::Left);
    TQvDoubleVector v;
    Fill(v, Range(8));
    TQvIntegral s;
    s.SetXAxis(&ax);
    s.SetYAxis(&ay);
    QStringList messages;
    QObject::connect(&s, &TQvFunctionSeries::OnCalculationError,
                     [&](TQvSeries* Sender, const QString& Msg) {
                         EXPECT_EQ(Sender, &s);
                         messages << Msg;
                     });
    s.Calculate();
    s.SetXData(&v);
    s.Calculate();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], QStringLiteral("No X vector defined for calculation"));
    EXPECT_EQ(messages[1], QStringLiteral("No Y vector defined for calculation"));
    EXPECT_FALSE(s.HasFunction());
    EXPECT_EQ(s.PointCount(), 0);

    // Without a handler the error is raised, once per change (not at every repaint).
    TQvIntegral t;
    t.SetXAxis(&ax);
    t.SetYAxis(&ay);
    t.SetXData(&v);
    try {
        t.Calculate();
        FAIL() << "no error raised";
    } catch (const EQvCalculationError& e) {
        EXPECT_STREQ(e.what(), "No Y vector defined for calculation");
    }
    EXPECT_NO_THROW(t.Calculate());

    // The calculation object itself.
    TQvInterpolationCalculation c;
    EXPECT_THROW(c.Calculate(), EQvCalculationError);
}

TEST(Integral, MainWindowSetupWithoutDataStaysQuiet)
{
    TQvGraph2D g1, g2;
    auto* x = new TQvAxis(&g1);
    auto* y = new TQvAxis(&g2);
    y->SetPosition(TQvAxisPosition::Left);
    TQvIntegral s(&g1);
    s.SetXAxis(x);
    s.SetYAxis(y);
    EXPECT_EQ(s.InterpolationMethod(), TQvInterpolationMethod::Akima);
    EXPECT_FALSE(s.SmoothPoints());
    EXPECT_DOUBLE_EQ(s.ElasticityFactor(), 1.0);
    EXPECT_TRUE(s.AutoStart() && s.AutoStop() && s.DisplayAutoStart() && s.DisplayAutoStop());
    EXPECT_TRUE(s.CoupleCalculationAndDisplay() && s.ClipYValues());
    EXPECT_EQ(s.FormulaCaption(), QStringLiteral("Integral (Akima)"));
    QImage img(600, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    EXPECT_NO_THROW(g1.PaintGr(p));
    EXPECT_NO_THROW(g2.PaintGr(p));
}

// Which methods reproduce which polynomials: every method passes through its knots; Akima is
// exact for quadratics on evenly spaced knots (its slopes are then the true ones); the natural
// cubic spline is exact for lines only, since it forces the curvature to 0 at both ends.
TEST(Interpolation, KnotsExactAndPolynomialsReproducedWhereTheyShouldBe)
{
    auto cubic = [](double x) { return 0.5 * x * x * x - 2 * x * x + x - 3; };
    auto quadratic = [](double x) { return 1.5 * x * x - 4 * x + 2; };
    std::vector<double> X = Range(12, 0.5);
    std::vector<double> Yc, Yq;
    for (double x : X) {
        Yc.push_back(cubic(x));
        Yq.push_back(quadratic(x));
    }
    for (auto m : {TQvInterpolationMethod::Akima, TQvInterpolationMethod::CubicSpline}) {
        Calc k(m, X, Yc);
        k.c.Calculate();
        for (size_t i = 0; i < X.size(); ++i)
            EXPECT_NEAR(k.c.Value(X[i]), Yc[i], 1e-9) << int(m);
    }
    // Akima reproduces the quadratic everywhere between the knots.
    Calc a(TQvInterpolationMethod::Akima, X, Yq);
    a.c.Calculate();
    double worst = 0;
    for (double x = 0; x <= 5.5; x += 0.01)
        worst = std::max(worst, std::fabs(a.c.Value(x) - quadratic(x)));
    EXPECT_LT(worst, 1e-9);
    // The natural spline reproduces the cubic between knots only far from the ends, and not
    // within 1e-9: its end condition differs from the cubic's curvature.
    Calc s(TQvInterpolationMethod::CubicSpline, X, Yc);
    s.c.Calculate();
    EXPECT_GT(std::fabs(s.c.Value(0.25) - cubic(0.25)), 1e-3);
    EXPECT_NEAR(s.c.Curvature(0), 0, 1e-9);
    EXPECT_NEAR(s.c.Curvature(5.5), 0, 1e-9);
    // Slope continuity at inner knots (the spline is twice differentiable).
    EXPECT_NEAR(s.c.Slope(2.5 - 1e-9), s.c.Slope(2.5 + 1e-9), 1e-6);
}

TEST(Interpolation, ApproximativeSplineBetweenInterpolationAndLeastSquaresLine)
{
    std::vector<double> X = Range(15), Y;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 1);
    for (double x : X)
        Y.push_back(2 + 0.5 * x + noise(rng));
    // The least-squares line.
    const double n = double(X.size());
    const double sx = std::accumulate(X.begin(), X.end(), 0.0), sy = std::accumulate(Y.begin(), Y.end(), 0.0);
    double sxx = 0, sxy = 0;
    for (size_t i = 0; i < X.size(); ++i) {
        sxx += X[i] * X[i];
        sxy += X[i] * Y[i];
    }
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx), a0 = (sy - b * sx) / n;

    Calc stiff(TQvInterpolationMethod::ApproximativeSpline, X, Y);
    stiff.c.ElasticityFactor = 1e4;
    stiff.c.Calculate();
    for (double x = 0; x <= 14; x += 0.5)
        EXPECT_NEAR(stiff.c.Value(x), a0 + b * x, 1e-4) << x;

    Calc loose(TQvInterpolationMethod::ApproximativeSpline, X, Y);
    loose.c.ElasticityFactor = 1e-5;
    loose.c.Calculate();
    for (size_t i = 0; i < X.size(); ++i)
        EXPECT_NEAR(loose.c.Value(X[i]), Y[i], 1e-6);

    // The weight scales how far a point lets the curve go: a tiny weight pins the curve there.
    Calc w(TQvInterpolationMethod::ApproximativeSpline, X, Y);
    std::vector<double> W(X.size(), 1.0);
    W[7] = 1e-6;
    Fill(w.ws, W);
    w.c.Weight = &w.ws;
    w.c.ElasticityFactor = 3;
    w.c.Calculate();
    EXPECT_NEAR(w.c.Value(7), Y[7], 1e-6);
    EXPECT_GT(std::fabs(w.c.Value(6) - Y[6]), 1e-3);
}

TEST(Interpolation, KnotsFromUnorderedAndDoubledData)
{
    // Zero weights leave points out; equal x merge to their mean; descending data reverse.
    Calc k(TQvInterpolationMethod::CubicSpline, {5, 4, 3, 3, 2, 1, 0}, {10, 8, 5, 7, 4, 2, 0});
    k.c.Calculate();
    ASSERT_EQ(k.c.IntCount(), 6);
    EXPECT_EQ(k.c.X(), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    EXPECT_NEAR(k.c.Value(3), 6, 1e-12);
    Fill(k.ws, {1, 1, 1, 1, 0, 1, 1});
    k.c.Weight = &k.ws;
    k.c.Calculate();
    EXPECT_EQ(k.c.IntCount(), 5);
    // Any other order is sorted.
    Calc u(TQvInterpolationMethod::Akima, {3, 0, 5, 1, 4, 2}, {3, 0, 5, 1, 4, 2});
    u.c.Calculate();
    EXPECT_EQ(u.c.X(), (std::vector<double>{0, 1, 2, 3, 4, 5}));
    EXPECT_NEAR(u.c.Value(2.5), 2.5, 1e-12);
}

TEST(Interpolation, ExtremaOfCurveSlopeAndIntegral)
{
    std::vector<double> X = Range(64, 0.1), Y;
    for (double x : X)
        Y.push_back(std::sin(x));
    Calc k(TQvInterpolationMethod::CubicSpline, X, Y);
    k.c.SearchExtrema = k.c.SearchDiffExtrema = k.c.SearchIntExtrema = true;
    k.c.Calculate();
    ASSERT_EQ(k.c.Maxima().size(), 1);
    EXPECT_NEAR(k.c.Maxima()[0].x(), M_PI / 2, 1e-3);
    EXPECT_NEAR(k.c.Maxima()[0].y(), 1, 1e-4);
    ASSERT_EQ(k.c.Minima().size(), 1);
    EXPECT_NEAR(k.c.Minima()[0].x(), 3 * M_PI / 2, 1e-3);
    // Slope extrema at the inflection points: minimum at pi.
    ASSERT_FALSE(k.c.DiffMinima().isEmpty());
    EXPECT_NEAR(k.c.DiffMinima()[0].x(), M_PI, 1e-2);
    // The integral (1 - cos x) peaks where the curve crosses zero downwards (pi), value 2.
    ASSERT_FALSE(k.c.IntMaxima().isEmpty());
    EXPECT_NEAR(k.c.IntMaxima()[0].x(), M_PI, 1e-4);
    EXPECT_NEAR(k.c.IntMaxima()[0].y(), 2, 1e-4);
}

TEST(Integral, OnePointPerPixelColumnAndClippedYRange)
{
    Fixture f;
    std::vector<double> X = Range(20), Y;
    for (double x : X)
        Y.push_back(x * x);
    Fill(f.xs, X);
    Fill(f.ys, Y);
    TQvInterpolation s;
    f.Attach(s);
    f.Render();
    const QRectF a = f.graph.DrawingArea();
    // Columns of the drawing area from the first to the last data x, both ends included.
    const double w = f.x->NumberToWorld(19) - f.x->NumberToWorld(0);
    EXPECT_NEAR(s.PointCount(), std::floor(w) + 2, 1.0);
    EXPECT_GT(s.PointCount(), a.width() / 2);
    const auto& p = s.Points();
    for (int i = 1; i < s.PointCount(); ++i)
        EXPECT_LE(p.GetX(i) - p.GetX(i - 1), 1.0001f);
    EXPECT_NEAR(s.YStop(), 361, 1e-6);
    // A plain series on the same y axis: the calculated series leaves the y range to it.
    TQvPointSeries plain;
    f.Attach(plain);
    f.Render();
    EXPECT_GT(s.YStart(), s.YStop());
    s.SetClipYValues(false);
    f.Render();
    EXPECT_NEAR(s.YStop(), 361, 1e-6);
    // Appending data recalculates.
    f.xs.Add(20);
    f.ys.Add(400);
    f.Render();
    EXPECT_NEAR(s.YStop(), 400, 1e-6);
    EXPECT_NEAR(s.GetY(19.5), 380.25, 1e-2);
}

TEST(Integral, PropertiesPushUndoWithTheirDescriptions)
{
    TQvUndoStack stack;
    TQvIntegral s;
    s.SetUndoStack(&stack);
    struct Step
    {
        std::function<void()> Set;
        const char* Description;
    };
    const Step steps[] = {
        {[&] { s.SetAutoStart(false); }, "Function series calculation start auto"},
        {[&] { s.SetClipYValues(false); }, "Function series clip Y-values"},
        {[&] { s.SetDisplayStop(5); }, "Function series display stop"},
        {[&] { s.SetInterpolationMethod(TQvInterpolationMethod::CubicSpline); }, "Algorithm used for interpolation"},
        {[&] { s.SetSmoothPoints(true); }, "Smoothing ON/OFF"},
        {[&] { s.SetSmoothingRange(4); }, "Smoothing range"},
        {[&] { s.SetElasticityFactor(2); }, "Elasticity of approximative spline"},
    };
    for (const Step& st : steps) {
        const int n = stack.UndoCount();
        st.Set();
        EXPECT_EQ(stack.UndoCount(), n + 1) << st.Description;
        EXPECT_EQ(stack.UndoList().Get(0), QString::fromLatin1(st.Description));
        st.Set();   // unchanged: nothing pushed
        EXPECT_EQ(stack.UndoCount(), n + 1) << st.Description;
    }
    EXPECT_EQ(s.FormulaCaption(), QStringLiteral("Integral (cubic spline)"));
    stack.Undo(2);
    EXPECT_EQ(s.InterpolationMethod(), TQvInterpolationMethod::CubicSpline);
    EXPECT_FALSE(s.SmoothPoints());
    TQvDifferential d;
    d.SetInterpolationMethod(TQvInterpolationMethod::ApproximativeSpline);
    EXPECT_EQ(d.FormulaCaption(), QStringLiteral("Differential (approximative spline)"));
}

// The drawn points of a calculated series carry no data index: the nearest one is still found,
// with its values read off the axes, rather than reading the data vectors at index -1.
TEST(Integral, NearestPointOfACalculatedCurve)
{
    Fixture f;
    Fill(f.xs, Range(10));
    Fill(f.ys, Range(10));
    TQvIntegral s;
    f.Attach(s);
    f.Render();
    const float px = f.x->NumberToWorld(4), py = f.y->NumberToWorld(8);
    const TQvNearestPointResult r = s.NearestPoint(QPointF(px, py));
    ASSERT_TRUE(r.Found);
    EXPECT_EQ(r.Index, -1);
    EXPECT_NEAR(r.X, 4, 0.1);
    EXPECT_NEAR(r.Y, 8, 0.3);
    EXPECT_LT(r.Distance, 1.5f);
    EXPECT_TRUE(s.NearestX(px).Found);
    EXPECT_TRUE(s.NearestY(py).Found);
}
