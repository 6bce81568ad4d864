// Screen-point thinning: which points survive, the visible-window search, and that the merged
// column lines paint the same pixels as the full polyline.
#include "QvThinning.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <thread>

namespace {

// Identity maps: data values are already pixels.
TQvThinInput PixelInput(const std::vector<double>& x, const std::vector<double>& y)
{
    TQvThinInput in;
    in.X = x.data();
    in.Y = y.data();
    in.First = 0;
    in.Last = int(x.size()) - 1;
    in.XMap = TQvAxisMap::FromTwoPoints(0, 0, 1, 1, false, 0);
    in.YMap = TQvAxisMap::FromTwoPoints(0, 0, 1, 1, false, 0);
    return in;
}

std::vector<int> Kept(const TQvThinInput& in, bool symbols)
{
    TQvPointVector pts;
    TQvIntegerVector idx;
    const int n = QvThinPoints(in, symbols, pts, idx, 0);
    return std::vector<int>(idx.Data(), idx.Data() + n);
}

} // namespace

struct ThinCase
{
    const char* Name;
    std::vector<double> X, Y;
    bool Symbols;
    std::vector<int> Expected;
};

class ThinningRules : public ::testing::TestWithParam<ThinCase> {};

TEST_P(ThinningRules, KeepsTheRightPoints)
{
    const ThinCase& c = GetParam();
    EXPECT_EQ(Kept(PixelInput(c.X, c.Y), c.Symbols), c.Expected) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThinningRules,
    ::testing::Values(
        // Symbols: 0.5 px apart in x but 3 px in y are two different symbols.
        ThinCase{"symbols half pixel x, 3 px y", {10, 10.5}, {20, 23}, true, {0, 1}},
        // Symbols within one pixel in both directions draw the same symbol: keep the first.
        ThinCase{"symbols within a pixel", {10, 10.5, 11, 30}, {20, 20.8, 21, 20}, true, {0, 3}},
        ThinCase{"symbols single point", {5}, {5}, true, {0}},
        ThinCase{"line single point", {5}, {5}, false, {0}},
        // Line: points in the anchor's 1-pixel box are dropped; the end is kept.
        ThinCase{"line box collapse", {0, 0.2, 0.4, 0.6, 10}, {0, 0.1, 0.2, 0.3, 10}, false, {0, 4}},
        ThinCase{"line box at the end", {0, 10, 10.2, 10.4}, {0, 10, 10.1, 10.2}, false, {0, 1, 3}},
        // Line: a monotone run in one column collapses onto its end.
        ThinCase{"line column run", {0, 0.1, 0.2, 0.3, 0.4, 5, 6}, {0, 5, 10, 15, 20, 20, 20}, false,
                 {0, 4, 5, 6}},
        // Line: a column run stops where y turns back.
        ThinCase{"line column turn", {0, 0.1, 0.2, 0.3, 5, 6}, {0, 5, 10, 2, 20, 20}, false,
                 {0, 2, 3, 4, 5}},
        // Line: sparse data keeps every point.
        ThinCase{"line sparse", {0, 10, 20, 30}, {0, 5, 0, 5}, false, {0, 1, 2, 3}}),
    [](const auto& info) {
        std::string s = info.param.Name;
        for (char& ch : s)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return s;
    });

TEST(Thinning, SkipsIndicesWithoutValues)
{
    std::vector<double> x{0, 10, 20, 30}, y{0, 5, 0, 5};
    TQvThinInput in = PixelInput(x, y);
    std::vector<bool> skip{false, true, false, false};
    in.Skip = &skip;
    EXPECT_EQ(Kept(in, false), (std::vector<int>{0, 2, 3}));
    EXPECT_EQ(Kept(in, true), (std::vector<int>{0, 2, 3}));
}

// Dense data without skipped indices takes a branch-free path; an all-false skip list forces the
// branching one. Both must keep the same points at the same pixels, whatever the data looks like.
TEST(Thinning, BranchFreeLineKeepsWhatTheBranchingRuleKeeps)
{
    struct Shape
    {
        const char* Name;
        std::function<double(int, std::mt19937&)> Y;
        bool LogY;
    };
    std::normal_distribution<double> noise(0, 1);
    const Shape shapes[] = {
        {"noise", [&](int, std::mt19937& r) { return 300 + 40 * noise(r); }, false},
        {"quantised steps", [&](int i, std::mt19937& r) { return std::round(300 + 3 * noise(r)) + (i / 700) % 5; }, false},
        {"monotone ramps", [&](int i, std::mt19937&) { return double((i * 7) % 401); }, false},
        {"flat", [&](int, std::mt19937&) { return 250.0; }, false},
        {"sub-pixel wiggle", [&](int, std::mt19937& r) { return 250 + 0.3 * noise(r); }, false},
        // Steps of about a pixel: runs and their ends mixed with points in the anchor's box.
        {"noise of about a pixel", [&](int, std::mt19937& r) { return 250 + 1.2 * noise(r); }, false},
        {"log, some values <= 0", [&](int, std::mt19937& r) { return 1e-3 * (1 + noise(r)); }, true},
    };
    for (const Shape& shape : shapes) {
        for (int n : {1, 2, 3, 4, 7, 600, 20000}) {
            std::mt19937 rng(7);
            std::vector<double> x(static_cast<size_t>(n)), y(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                x[size_t(i)] = i * 0.013;
                y[size_t(i)] = shape.Y(i, rng);
            }
            TQvThinInput in = PixelInput(x, y);
            if (shape.LogY)
                in.YMap = TQvAxisMap::FromTwoPoints(1e-4, 700, 1e-2, 100, true, 800);
            for (int first : {0, n / 3}) {
                in.First = first;
                TQvPointVector fastPts, refPts;
                TQvIntegerVector fastIdx, refIdx;
                const int fast = QvThinPoints(in, false, fastPts, fastIdx, 0);
                std::vector<bool> none(size_t(n), false);
                TQvThinInput ref = in;
                ref.Skip = &none;
                const int slow = QvThinPoints(ref, false, refPts, refIdx, 0);
                ASSERT_EQ(fast, slow) << shape.Name << " n=" << n << " first=" << first;
                for (int k = 0; k < fast; ++k) {
                    ASSERT_EQ(fastIdx.Data()[k], refIdx.Data()[k]) << shape.Name << " n=" << n << " k=" << k;
                    ASSERT_EQ(fastPts.Data()[k].X, refPts.Data()[k].X);
                    ASSERT_EQ(fastPts.Data()[k].Y, refPts.Data()[k].Y);
                }
            }
        }
    }
}

// Long series are thinned in two halves on two threads and stitched where both keep the same
// point. The result must be the one pass of the branching rule, bit for bit, also on data where
// the halves meet late or never, when the points are appended after others, and when several
// threads thin at once (the second thread then finds the helper busy).
namespace {

struct LongShape
{
    const char* Name;
    double XStep;   // pixels per point
    std::function<double(int, std::mt19937&)> Y;
    bool LogY;
};

void ExpectSameAsBranchingRule(const LongShape& Shape, int N, int First, int Start)
{
    std::mt19937 rng(11);
    std::vector<double> x(static_cast<size_t>(N)), y(static_cast<size_t>(N));
    for (int i = 0; i < N; ++i) {
        x[size_t(i)] = 3 + i * Shape.XStep;
        y[size_t(i)] = Shape.Y(i, rng);
    }
    TQvThinInput in = PixelInput(x, y);
    in.First = First;
    if (Shape.LogY)
        in.YMap = TQvAxisMap::FromTwoPoints(1e-4, 700, 1e-2, 100, true, 800);
    std::vector<bool> none(static_cast<size_t>(N), false);
    TQvThinInput ref = in;
    ref.Skip = &none;
    TQvPointVector fastPts, refPts;
    TQvIntegerVector fastIdx, refIdx;
    // Something already in the outputs before Start stays.
    for (int k = 0; k < Start; ++k) {
        fastPts.SetValue(k, TQvFloatPoint{-1.0f, float(k)});
        fastIdx.SetValue(k, -7);
    }
    const int fast = QvThinPoints(in, false, fastPts, fastIdx, Start);
    const int slow = QvThinPoints(ref, false, refPts, refIdx, 0);
    ASSERT_EQ(fast - Start, slow) << Shape.Name << " n=" << N << " first=" << First;
    for (int k = 0; k < Start; ++k)
        ASSERT_EQ(fastIdx.Data()[k], -7);
    for (int k = 0; k < slow; ++k) {
        ASSERT_EQ(fastIdx.Data()[Start + k], refIdx.Data()[k]) << Shape.Name << " n=" << N << " k=" << k;
        ASSERT_EQ(fastPts.Data()[Start + k].X, refPts.Data()[k].X) << Shape.Name << " k=" << k;
        ASSERT_EQ(fastPts.Data()[Start + k].Y, refPts.Data()[k].Y) << Shape.Name << " k=" << k;
    }
}

std::vector<LongShape> LongShapes()
{
    auto gauss = [](std::mt19937& r, double s) { return std::normal_distribution<double>(0, s)(r); };
    return {
        {"noise over a million-point width", 0.001, [=](int, std::mt19937& r) { return 300 + gauss(r, 14); }, false},
        {"smooth sine", 0.01, [](int i, std::mt19937&) { return 300 + 200 * std::sin(i / 5000.0); }, false},
        {"sub-pixel wiggle", 0.004, [=](int, std::mt19937& r) { return 250 + gauss(r, 0.3); }, false},
        {"noise of about a pixel", 0.003, [=](int, std::mt19937& r) { return 250 + gauss(r, 1.2); }, false},
        // Flat data 0.6 pixel apart: the first half keeps every other point from its start, the
        // second half every other from the seam, so they may keep disjoint sets to the end.
        {"flat, 0.6 px apart", 0.6, [](int, std::mt19937&) { return 250.0; }, false},
        {"every point its own pixel", 1.5, [=](int, std::mt19937& r) { return 300 + gauss(r, 50); }, false},
        {"long monotone ramp", 0.002, [](int i, std::mt19937&) { return 600 - i * 0.004; }, false},
        {"log, some values <= 0", 0.002, [=](int, std::mt19937& r) { return 1e-3 * (1 + gauss(r, 1)); }, true},
    };
}

} // namespace

TEST(Thinning, TwoThreadSplitKeepsWhatTheBranchingRuleKeeps)
{
    for (const LongShape& shape : LongShapes())
        for (int n : {39999, 40000, 40001, 65537, 250000})
            for (int first : {0, 12345})
                ExpectSameAsBranchingRule(shape, n, first, first ? 5 : 0);
}

TEST(Thinning, SeveralThreadsThinningAtOnceKeepTheSamePoints)
{
    const std::vector<LongShape> shapes = LongShapes();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round)
                ExpectSameAsBranchingRule(shapes[size_t(t + round) % shapes.size()], 120000 + t, 0, 0);
        });
    for (std::thread& th : threads)
        th.join();
}

TEST(Thinning, DenseDataCostsAboutTheDrawingWidth)
{
    // 1,000,000 smooth points over 1000 pixels: the line rule keeps a few points per column.
    const int n = 1000000;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i / 1000.0;
        y[i] = 300 + 200 * std::sin(i / 50000.0);
    }
    TQvThinInput in = PixelInput(x, y);
    TQvPointVector pts;
    TQvIntegerVector idx;
    const int kept = QvThinPoints(in, false, pts, idx, 0);
    EXPECT_LT(kept, 5000);
    EXPECT_EQ(idx.Data()[0], 0);
    EXPECT_EQ(idx.Data()[kept - 1], n - 1);
}

TEST(Thinning, VisibleWindowKeepsOneNeighbourOnEachSide)
{
    std::vector<double> x{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(QvFirstVisibleIndex(x.data(), 10, 3.5), 3);
    EXPECT_EQ(QvLastVisibleIndex(x.data(), 10, 6.5), 7);
    EXPECT_EQ(QvFirstVisibleIndex(x.data(), 10, 3.0), 2);
    EXPECT_EQ(QvLastVisibleIndex(x.data(), 10, 6.0), 7);
    EXPECT_EQ(QvFirstVisibleIndex(x.data(), 10, -5), 0);
    EXPECT_EQ(QvLastVisibleIndex(x.data(), 10, 50), 9);
}

TEST(Thinning, AxisMapClampsAndMapsLogValues)
{
    const TQvAxisMap lin = TQvAxisMap::FromTwoPoints(0, 100, 10, 200, false, 0);
    EXPECT_FLOAT_EQ(lin.Map(5), 150);
    EXPECT_FLOAT_EQ(lin.Map(1e12), 100100);
    EXPECT_FLOAT_EQ(lin.Map(-1e12), -99900);
    const TQvAxisMap lg = TQvAxisMap::FromTwoPoints(1, 500, 100, 300, true, 600);
    EXPECT_FLOAT_EQ(lg.Map(10), 400);
    EXPECT_FLOAT_EQ(lg.Map(0), 600);
    EXPECT_FLOAT_EQ(lg.Map(-3), 600);
}

TEST(Thinning, ColumnLinesPaintTheSamePixelsAsThePolyline)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 12);
    const int n = 20000;
    std::vector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 5 + i * 0.02;
        y[i] = 150 + 80 * std::cos(i / 3000.0) + noise(rng);
    }
    TQvThinInput in = PixelInput(x, y);
    TQvPointVector pts;
    TQvIntegerVector idx;
    const int kept = QvThinPoints(in, false, pts, idx, 0);

    auto render = [&](bool merged) {
        QImage img(420, 300, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(Qt::black, 1));
        if (merged) {
            std::vector<QLine> lines;
            QvColumnLines(pts.Data(), kept, lines);
            p.drawLines(lines.data(), int(lines.size()));
        } else {
            std::vector<QLine> lines;
            for (int i = 1; i < kept; ++i)
                lines.emplace_back(int(std::lround(pts.Data()[i - 1].X)), int(std::lround(pts.Data()[i - 1].Y)),
                                   int(std::lround(pts.Data()[i].X)), int(std::lround(pts.Data()[i].Y)));
            p.drawLines(lines.data(), int(lines.size()));
        }
        return img;
    };
    const QImage full = render(false);
    const QImage merged = render(true);
    int differing = 0;
    for (int yy = 0; yy < full.height(); ++yy)
        for (int xx = 0; xx < full.width(); ++xx)
            differing += full.pixel(xx, yy) != merged.pixel(xx, yy);
    EXPECT_EQ(differing, 0);
}

TEST(Thinning, ColumnLinesMatchTheirDefinitionOnDenseRuns)
{
    // The definition, point by point: a run of points that round to one pixel column becomes
    // one vertical line over the rounded y extent (joined to the previous point), anything else
    // a line between rounded neighbours.
    auto reference = [](const std::vector<TQvFloatPoint>& p) {
        auto r = [](float v) { return int(std::floor(double(v) + 0.5)); };
        std::vector<QLine> out;
        const int n = int(p.size());
        if (n == 1)
            out.emplace_back(r(p[0].X), r(p[0].Y), r(p[0].X), r(p[0].Y));
        int px = n ? r(p[0].X) : 0, py = n ? r(p[0].Y) : 0;
        for (int i = 1; i < n; ++i) {
            int cx = r(p[i].X), cy = r(p[i].Y);
            if (cx == px) {
                int lo = std::min(py, cy), hi = std::max(py, cy);
                while (i + 1 < n && r(p[i + 1].X) == px) {
                    cy = r(p[++i].Y);
                    lo = std::min(lo, cy);
                    hi = std::max(hi, cy);
                }
                out.emplace_back(px, lo, px, hi);
            } else {
                out.emplace_back(px, py, cx, cy);
            }
            px = cx;
            py = cy;
        }
        return out;
    };
    std::mt19937 rng(21);
    std::normal_distribution<float> noise(0, 25);
    std::uniform_int_distribution<int> runLength(1, 40);
    for (int trial = 0; trial < 40; ++trial) {
        // Runs of up to 40 points per column, x and y often exactly on half pixels, a few
        // points far out and negative.
        std::vector<TQvFloatPoint> p;
        float x = -50;
        const int n = trial < 3 ? trial : 3000 + trial * 37;
        while (int(p.size()) < n) {
            const int run = runLength(rng);
            for (int k = 0; k < run && int(p.size()) < n; ++k) {
                float y = 300 + noise(rng);
                if (k % 7 == 3)
                    y = std::round(y) + 0.5f;
                if (k % 11 == 5)
                    y = -90000.5f;
                const float dx = (k % 5 == 2) ? 0.5f : float(k % 3) * 0.2f;
                p.push_back(TQvFloatPoint{x + dx, y});
            }
            x += (trial % 4 == 0) ? 1.0f : 0.5f;
        }
        std::vector<QLine> lines;
        QvColumnLines(p.data(), int(p.size()), lines);
        EXPECT_EQ(lines, reference(p)) << "trial " << trial;
    }
}
