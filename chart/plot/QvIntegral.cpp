#include "QvIntegral.h"

#include "QvAxis.h"
#include "QvDrawing.h"
#include "QvGraph2D.h"
#include "QvRichCaption.h"
#include "QvStyles.h"

#include <QMetaMethod>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numeric>

namespace {

constexpr double MaxDouble = std::numeric_limits<double>::max();

// Real roots of a + b t + c t^2.
int QuadraticRoots(double a, double b, double c, double& r1, double& r2)
{
    const double scale = std::max({std::fabs(a), std::fabs(b), std::fabs(c)});
    if (scale == 0)
        return 0;
    if (std::fabs(c) <= 1e-14 * scale) {
        if (b == 0)
            return 0;
        r1 = -a / b;
        return 1;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0)
        return 0;
    // The numerically stable pair of formulas.
    const double q = -0.5 * (b + std::copysign(std::sqrt(disc), b));
    r1 = q / c;
    r2 = q != 0 ? a / q : r1;
    if (r1 > r2)
        std::swap(r1, r2);
    return disc == 0 ? 1 : 2;
}

} // namespace

// -------------------------------------------------------------------------------------------------
// TQvCalculation

double TQvCalculation::Xi(int Idx) const
{
    const double v = XData->GetValue(Idx);
    return mXValueTransformation ? mXValueTransformation(Sender, v, Idx) : v;
}

double TQvCalculation::Yi(int Idx) const
{
    const double v = YData->GetValue(Idx);
    return mYValueTransformation ? mYValueTransformation(Sender, v, Idx) : v;
}

double TQvCalculation::Wi(int Idx) const
{
    if (!Weight)
        return 1.0;
    const double v = Weight->GetValue(Idx);
    return std::fabs(mWeightValueTransformation ? mWeightValueTransformation(Sender, v, Idx) : v);
}

bool TQvCalculation::IsValid(int Idx) const
{
    // The calculation range holds whether or not outliers are shown.
    if (XData) {
        const double x = Xi(Idx);
        if (x < Start || x > Stop)
            return false;
    }
    if (OutliersVisible)
        return true;
    if (XData && XData->AnyOutliers() && XData->IsOutlier(Idx))
        return false;
    if (YData && YData->AnyOutliers() && YData->IsOutlier(Idx))
        return false;
    if (Weight && Weight->AnyOutliers() && Weight->IsOutlier(Idx))
        return false;
    return true;
}

// -------------------------------------------------------------------------------------------------
// TQvInterpolationCalculation

void TQvInterpolationCalculation::Calculate()
{
    if (!XData)
        throw EQvCalculationError("No X vector defined for calculation");
    if (!YData)
        throw EQvCalculationError("No Y vector defined for calculation");
    CollectKnots();
    if (DoSmoothing && Method != TQvInterpolationMethod::ApproximativeSpline)
        Smooth();
    const int n = FIntCount;
    FA.assign(size_t(std::max(n - 1, 0)), 0.0);
    FB = FC = FD = FA;
    FSl.assign(size_t(n), 0.0);
    FLastIntK = 0;
    FLastIntKX = n > 0 ? FX[0] : 0;
    FLastIntSum = 0;
    FMinima.clear();
    FMaxima.clear();
    FDiffMinima.clear();
    FDiffMaxima.clear();
    FIntMinima.clear();
    FIntMaxima.clear();
    if (n < 2)
        return;
    switch (Method) {
    case TQvInterpolationMethod::Akima: CalcAkima(); break;
    case TQvInterpolationMethod::CubicSpline: CalcSpline(false); break;
    case TQvInterpolationMethod::ApproximativeSpline: CalcSpline(true); break;
    }
    FindExtrema();
}

void TQvInterpolationCalculation::CollectKnots()
{
    int n = std::min(XData->Count(), YData->Count());
    if (Weight)
        n = std::min(n, Weight->Count());
    struct K
    {
        double x, y, w;
    };
    std::vector<K> k;
    k.reserve(size_t(std::max(n, 0)));
    const bool approx = Method == TQvInterpolationMethod::ApproximativeSpline;
    for (int i = 0; i < n; ++i) {
        if (!IsValid(i))
            continue;
        const double w = Wi(i);
        if (!(w > 0))
            continue;
        const double x = Xi(i), y = Yi(i);
        // A knot that is not a number would poison every coefficient.
        if (!std::isfinite(x) || !std::isfinite(y))
            continue;
        k.push_back({x, y, approx ? w * ElasticityFactor : w});
    }
    // Knots must ascend: descending data are reversed, any other order is sorted (stable, so
    // equal x keep their order for the merge below).
    bool ascending = true, descending = true;
    for (size_t i = 1; i < k.size(); ++i) {
        ascending = ascending && k[i].x >= k[i - 1].x;
        descending = descending && k[i].x <= k[i - 1].x;
    }
    if (!ascending) {
        if (descending)
            std::reverse(k.begin(), k.end());
        else
            std::stable_sort(k.begin(), k.end(), [](const K& a, const K& b) { return a.x < b.x; });
    }
    // Consecutive knots with equal x become one, pairwise along a run.
    FX.clear();
    FY.clear();
    FW.clear();
    for (const K& p : k) {
        if (!FX.empty() && FX.back() == p.x) {
            FY.back() = (FY.back() + p.y) / 2;
            FW.back() = (FW.back() + p.w) / 2;
            continue;
        }
        FX.push_back(p.x);
        FY.push_back(p.y);
        FW.push_back(p.w);
    }
    FIntCount = int(FX.size());
}

void TQvInterpolationCalculation::Smooth()
{
    const int n = FIntCount;
    const int m = std::max(SmoothM, 0);
    if (m == 0 || n < 3)
        return;
    std::vector<double> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(0, i - m), hi = std::min(n - 1, i + m);
        double sum = 0;
        for (int j = lo; j <= hi; ++j)
            sum += FY[size_t(j)];
        s[size_t(i)] = sum / (hi - lo + 1);
    }
    FY.swap(s);
}

void TQvInterpolationCalculation::CalcAkima()
{
    const int n = FIntCount;
    std::vector<double> h(static_cast<size_t>(n - 1));
    // Secants with two extrapolated at each end: m[i + 2] is the secant of interval i.
    std::vector<double> m(size_t(n + 3));
    for (int i = 0; i < n - 1; ++i) {
        h[size_t(i)] = FX[size_t(i + 1)] - FX[size_t(i)];
        m[size_t(i + 2)] = (FY[size_t(i + 1)] - FY[size_t(i)]) / h[size_t(i)];
    }
    if (n == 2) {
        std::fill(m.begin(), m.end(), m[2]);
    } else {
        m[1] = 2 * m[2] - m[3];
        m[0] = 2 * m[1] - m[2];
        m[size_t(n + 1)] = 2 * m[size_t(n)] - m[size_t(n - 1)];
        m[size_t(n + 2)] = 2 * m[size_t(n + 1)] - m[size_t(n)];
    }
    for (int i = 0; i < n; ++i) {
        const double mm2 = m[size_t(i)], mm1 = m[size_t(i + 1)], m0 = m[size_t(i + 2)], m1 = m[size_t(i + 3)];
        const double w1 = std::fabs(m1 - m0), w2 = std::fabs(mm1 - mm2);
        const double scale = std::fabs(mm1) + std::fabs(m0) + 1e-300;
        if (w1 + w2 <= 1e-13 * scale)
            FSl[size_t(i)] = (mm1 + m0) / 2;
        else
            FSl[size_t(i)] = (w1 * mm1 + w2 * m0) / (w1 + w2);
    }
    for (int i = 0; i < n - 1; ++i) {
        const double hi = h[size_t(i)], mi = m[size_t(i + 2)];
        const double t0 = FSl[size_t(i)], t1 = FSl[size_t(i + 1)];
        FA[size_t(i)] = FY[size_t(i)];
        FB[size_t(i)] = t0;
        FC[size_t(i)] = (3 * mi - 2 * t0 - t1) / hi;
        FD[size_t(i)] = (t0 + t1 - 2 * mi) / (hi * hi);
    }
}

void TQvInterpolationCalculation::CalcSpline(bool Approximate)
{
    const int n = FIntCount;
    std::vector<double> h(static_cast<size_t>(n - 1));
    for (int i = 0; i < n - 1; ++i)
        h[size_t(i)] = FX[size_t(i + 1)] - FX[size_t(i)];
    std::vector<double> g = FY;            // curve values at the knots
    std::vector<double> gamma(static_cast<size_t>(n));  // second derivatives at the knots (0 at the ends)
    const int m = n - 2;
    if (m > 0) {
        // Q (n x m) maps knot values to the jumps that the second derivatives must balance:
        // column j belongs to the inner knot j + 1.
        auto q = [&](int i, int j) -> double {
            const int k = j + 1;
            if (i == k - 1)
                return 1 / h[size_t(k - 1)];
            if (i == k)
                return -1 / h[size_t(k - 1)] - 1 / h[size_t(k)];
            if (i == k + 1)
                return 1 / h[size_t(k)];
            return 0;
        };
        // Symmetric band matrix R + Q^T S Q (half band width 2), stored as rows of 5.
        std::vector<double> M(size_t(m) * 5, 0.0);
        auto at = [&](int r, int c) -> double& { return M[size_t(r) * 5 + size_t(c - r + 2)]; };
        for (int j = 0; j < m; ++j) {
            const int k = j + 1;
            at(j, j) += (h[size_t(k - 1)] + h[size_t(k)]) / 3;
            if (j + 1 < m) {
                at(j, j + 1) += h[size_t(k)] / 6;
                at(j + 1, j) += h[size_t(k)] / 6;
            }
        }
        std::vector<double> s2(size_t(n), 0.0);
        if (Approximate)
            for (int i = 0; i < n; ++i)
                s2[size_t(i)] = FW[size_t(i)] * FW[size_t(i)];
        if (Approximate) {
            for (int i = 0; i < n; ++i) {
                if (s2[size_t(i)] == 0)
                    continue;
                for (int a = std::max(0, i - 2); a <= std::min(m - 1, i); ++a)
                    for (int b = std::max(0, i - 2); b <= std::min(m - 1, i); ++b)
                        at(a, b) += s2[size_t(i)] * q(i, a) * q(i, b);
            }
        }
        std::vector<double> rhs(static_cast<size_t>(m));
        for (int j = 0; j < m; ++j)
            rhs[size_t(j)] = q(j, j) * FY[size_t(j)] + q(j + 1, j) * FY[size_t(j + 1)] + q(j + 2, j) * FY[size_t(j + 2)];
        // Gaussian elimination inside the band (the matrix is positive definite: no pivoting).
        for (int r = 0; r < m; ++r) {
            const double piv = at(r, r);
            for (int rr = r + 1; rr <= std::min(m - 1, r + 2); ++rr) {
                const double f = at(rr, r) / piv;
                if (f == 0)
                    continue;
                for (int c = r; c <= std::min(m - 1, r + 2); ++c)
                    at(rr, c) -= f * at(r, c);
                rhs[size_t(rr)] -= f * rhs[size_t(r)];
            }
        }
        for (int r = m - 1; r >= 0; --r) {
            double v = rhs[size_t(r)];
            for (int c = r + 1; c <= std::min(m - 1, r + 2); ++c)
                v -= at(r, c) * gamma[size_t(c + 1)];
            gamma[size_t(r + 1)] = v / at(r, r);
        }
        if (Approximate)
            for (int i = 0; i < n; ++i) {
                double qg = 0;
                for (int j = std::max(0, i - 2); j <= std::min(m - 1, i); ++j)
                    qg += q(i, j) * gamma[size_t(j + 1)];
                g[size_t(i)] = FY[size_t(i)] - s2[size_t(i)] * qg;
            }
    }
    for (int i = 0; i < n - 1; ++i) {
        const double hi = h[size_t(i)];
        const double c0 = gamma[size_t(i)], c1 = gamma[size_t(i + 1)];
        FA[size_t(i)] = g[size_t(i)];
        FB[size_t(i)] = (g[size_t(i + 1)] - g[size_t(i)]) / hi - hi * (2 * c0 + c1) / 6;
        FC[size_t(i)] = c0 / 2;
        FD[size_t(i)] = (c1 - c0) / (6 * hi);
        FSl[size_t(i)] = FB[size_t(i)];
    }
    const double hl = h[size_t(n - 2)];
    FSl[size_t(n - 1)] = FB[size_t(n - 2)] + 2 * FC[size_t(n - 2)] * hl + 3 * FD[size_t(n - 2)] * hl * hl;
}

int TQvInterpolationCalculation::Interval(double x) const
{
    const int n = FIntCount;
    if (x <= FX[0])
        return 0;
    if (x >= FX[size_t(n - 1)])
        return n - 2;
    const auto it = std::upper_bound(FX.begin(), FX.begin() + n, x);
    return std::clamp(int(it - FX.begin()) - 1, 0, n - 2);
}

double TQvInterpolationCalculation::Value(double x) const
{
    if (FIntCount < 2)
        return FIntCount == 1 ? FY[0] : 0;
    const int k = Interval(x);
    const double t = x - FX[size_t(k)];
    const double v = FA[size_t(k)] + t * (FB[size_t(k)] + t * (FC[size_t(k)] + t * FD[size_t(k)]));
    return std::isfinite(v) ? v : 0;
}

double TQvInterpolationCalculation::Slope(double x) const
{
    if (FIntCount < 2)
        return 0;
    const int k = Interval(x);
    const double t = x - FX[size_t(k)];
    const double v = FB[size_t(k)] + t * (2 * FC[size_t(k)] + t * 3 * FD[size_t(k)]);
    return std::isfinite(v) ? v : 0;
}

double TQvInterpolationCalculation::Curvature(double x) const
{
    if (FIntCount < 2)
        return 0;
    const int k = Interval(x);
    const double t = x - FX[size_t(k)];
    return 2 * FC[size_t(k)] + 6 * FD[size_t(k)] * t;
}

double TQvInterpolationCalculation::WholeInterval(int k) const
{
    const double h = FX[size_t(k + 1)] - FX[size_t(k)];
    return h * (FA[size_t(k)] + h * (FB[size_t(k)] / 2 + h * (FC[size_t(k)] / 3 + h * FD[size_t(k)] / 4)));
}

double TQvInterpolationCalculation::Integral(double x)
{
    const int n = FIntCount;
    if (n < 2)
        return 0;
    // Continue from the cached interval when x lies at or beyond its start, else start over:
    // sampling in increasing x costs constant time per sample.
    int k = 0;
    double sum = 0;
    if (x >= FLastIntKX && FLastIntK >= 0 && FLastIntK <= n - 2) {
        k = FLastIntK;
        sum = FLastIntSum;
    }
    while (k < n - 2 && x >= FX[size_t(k + 1)]) {
        sum += WholeInterval(k);
        ++k;
    }
    FLastIntK = k;
    FLastIntKX = FX[size_t(k)];
    FLastIntSum = sum;
    const double t = x - FX[size_t(k)];
    const double v = sum + t * (FA[size_t(k)] + t * (FB[size_t(k)] / 2 + t * (FC[size_t(k)] / 3 + t * FD[size_t(k)] / 4)));
    return std::isfinite(v) ? v : 0;
}

void TQvInterpolationCalculation::FindExtrema()
{
    const int n = FIntCount;
    if (n < 2 || !(SearchExtrema || SearchDiffExtrema || SearchIntExtrema))
        return;
    for (int k = 0; k < n - 1; ++k) {
        const double h = FX[size_t(k + 1)] - FX[size_t(k)];
        const double A = FA[size_t(k)], B = FB[size_t(k)], C = FC[size_t(k)], D = FD[size_t(k)];
        const double x0 = FX[size_t(k)];
        // A root at the interval's end belongs to the next interval, except in the last one.
        auto inside = [&](double t) { return t >= 0 && (t < h || (k == n - 2 && t <= h)); };
        if (SearchExtrema) {
            double r[2];
            const int nr = QuadraticRoots(B, 2 * C, 3 * D, r[0], r[1]);
            for (int i = 0; i < nr; ++i) {
                if (!inside(r[i]))
                    continue;
                const double curv = 2 * C + 6 * D * r[i];
                const QPointF p(x0 + r[i], Value(x0 + r[i]));
                if (curv > 0)
                    FMinima.append(p);
                else if (curv < 0)
                    FMaxima.append(p);
            }
        }
        if (SearchDiffExtrema) {
            bool found = false;
            if (D != 0) {
                const double t = -C / (3 * D);
                if (inside(t)) {
                    const QPointF p(x0 + t, Slope(x0 + t));
                    (D > 0 ? FDiffMinima : FDiffMaxima).append(p);
                    found = true;
                }
            }
            // Curves that are only once differentiable (Akima) can turn the slope at a knot.
            if (!found && k > 0) {
                const double hp = FX[size_t(k)] - FX[size_t(k - 1)];
                const double before = 2 * FC[size_t(k - 1)] + 6 * FD[size_t(k - 1)] * hp;
                const double after = 2 * C;
                if (before < 0 && after > 0)
                    FDiffMinima.append(QPointF(x0, Slope(x0)));
                else if (before > 0 && after < 0)
                    FDiffMaxima.append(QPointF(x0, Slope(x0)));
            }
        }
        if (SearchIntExtrema) {
            // Sign changes of the curve (the integrand), refined by bisection.
            auto f = [&](double t) { return A + t * (B + t * (C + t * D)); };
            constexpr int Steps = 16;
            double t0 = 0, f0 = f(0);
            for (int s = 1; s <= Steps; ++s) {
                const double t1 = h * s / Steps, f1 = f(t1);
                if ((f0 < 0 && f1 >= 0) || (f0 > 0 && f1 <= 0)) {
                    double lo = t0, hi = t1;
                    for (int it = 0; it < 60; ++it) {
                        const double mid = (lo + hi) / 2;
                        if ((f(mid) < 0) == (f0 < 0))
                            lo = mid;
                        else
                            hi = mid;
                    }
                    const double t = (lo + hi) / 2;
                    if (inside(t)) {
                        const QPointF p(x0 + t, Integral(x0 + t));
                        (f0 < 0 ? FIntMinima : FIntMaxima).append(p);
                    }
                }
                t0 = t1;
                f0 = f1;
            }
        }
    }
}

// -------------------------------------------------------------------------------------------------
// TQvFunctionSeries

TQvFunctionSeries::TQvFunctionSeries(QObject* AOwner) : TQvLineSeries(AOwner)
{
    FCalculation = new TQvCalculation;
    FMinCount = 2;
}

TQvFunctionSeries::~TQvFunctionSeries()
{
    if (FWeight && FWeight != FXData && FWeight != FYData)
        FWeight->UnregisterUser(this);
    delete FCalculation;
}

void TQvFunctionSeries::SetCalculation(TQvCalculation* C)
{
    delete FCalculation;
    FCalculation = C;
}

void TQvFunctionSeries::ChangedCalc()
{
    Recalculate();
}

void TQvFunctionSeries::Recalculate()
{
    FCalcStale = true;
    RangesModified();
    Invalidate();
}

void TQvFunctionSeries::SetAutoStart(bool Value)
{
    if (SetProp(FAutoStart, Value, "Function series calculation start auto", "AutoStart"))
        ChangedCalc();
}

void TQvFunctionSeries::SetAutoStop(bool Value)
{
    if (SetProp(FAutoStop, Value, "Function series calculation stop auto", "AutoStop"))
        ChangedCalc();
}

void TQvFunctionSeries::SetDisplayAutoStart(bool Value)
{
    if (SetProp(FDisplayAutoStart, Value, "Function series display start auto", "DisplayAutoStart"))
        ChangedCalc();
}

void TQvFunctionSeries::SetDisplayAutoStop(bool Value)
{
    if (SetProp(FDisplayAutoStop, Value, "Function series display stop auto", "DisplayAutoStop"))
        ChangedCalc();
}

void TQvFunctionSeries::SetCoupleCalculationAndDisplay(bool Value)
{
    if (SetProp(FCoupleCalculationAndDisplay, Value, "Function series couple calculation and display",
                "CoupleCalculationAndDisplay"))
        ChangedCalc();
}

void TQvFunctionSeries::SetClipYValues(bool Value)
{
    if (SetProp(FClipYValues, Value, "Function series clip Y-values", "ClipYValues"))
        ChangedCalc();
}

void TQvFunctionSeries::SetCalculationStart(double Value)
{
    if (SetProp(FCalcStart, Value, "Function series calculation start", "CalculationStart"))
        ChangedCalc();
}

void TQvFunctionSeries::SetCalculationStop(double Value)
{
    if (SetProp(FCalcStop, Value, "Function series calculation stop", "CalculationStop"))
        ChangedCalc();
}

void TQvFunctionSeries::SetDisplayStart(double Value)
{
    if (SetProp(FDisplayStart, Value, "Function series display start", "DisplayStart"))
        ChangedCalc();
}

void TQvFunctionSeries::SetDisplayStop(double Value)
{
    if (SetProp(FDisplayStop, Value, "Function series display stop", "DisplayStop"))
        ChangedCalc();
}

void TQvFunctionSeries::SetWeight(TQvCustomDoubleVector* Value)
{
    if (FWeight == Value)
        return;
    PushUndoProperty("Function series weight", "Weight");
    if (FWeight && FWeight != FXData && FWeight != FYData)
        FWeight->UnregisterUser(this);
    FWeight = Value;
    if (Value)
        Value->RegisterUser(this);
    ChangedCalc();
}

void TQvFunctionSeries::SetWeightValueTransformation(TQvValueTransformation F)
{
    mWeightValueTransformation = std::move(F);
    ChangedCalc();
}

int TQvFunctionSeries::UsableCount()
{
    FMinCount = MinimumPoints();
    if (!FXData || !FYData)
        return 0;
    int n = std::min(FXData->Count(), FYData->Count());
    if (FWeight)
        n = std::min(n, FWeight->Count());
    return n;
}

bool TQvFunctionSeries::HasValuesAt(int Idx) const
{
    if (!TQvLineSeries::HasValuesAt(Idx))
        return false;
    return FOutliersVisible || !FWeight || !FWeight->AnyOutliers() || !FWeight->IsOutlier(Idx);
}

double TQvFunctionSeries::GetY(double AtX)
{
    return TQvLineSeries::GetY(AtX);
}

void TQvFunctionSeries::RunCalculation()
{
    TQvCalculation* c = FCalculation;
    c->Sender = this;
    c->OutliersVisible = FOutliersVisible;
    c->XData = FXData;
    c->YData = FYData;
    c->Weight = FWeight;
    c->Start = FCalcStart;
    c->Stop = FCalcStop;
    c->mXValueTransformation = mXValueTransformation;
    c->mYValueTransformation = mYValueTransformation;
    c->mWeightValueTransformation = mWeightValueTransformation;
    c->Calculate();
    FHasFunction = true;
}

bool TQvFunctionSeries::YAxisHasOtherPlainSeries() const
{
    if (!FYAxis)
        return false;
    for (TQvSeries* s : FYAxis->RelatedSeries())
        if (s && s != this && s->YAxis() == FYAxis.data() && s->SeriesVisible() && !qobject_cast<TQvFunctionSeries*>(s))
            return true;
    return false;
}

void TQvFunctionSeries::Calculate()
{
    if (!FXAxis || !FYAxis)
        return;
    const int axisWidth = std::max(1, int(std::lround(FXAxis->AxLength())));
    if (!FCalcStale && FLastCount > 0 && axisWidth == FLastAxisWidth)
        return;
    FLastAxisWidth = axisWidth;
    FCalcStale = false;
    FHasFunction = false;
    std::exception_ptr error;
    QString message;
    double ylo = MaxDouble, yhi = -MaxDouble;
    try {
        if (!FXData)
            throw EQvCalculationError("No X vector defined for calculation");
        if (!FYData)
            throw EQvCalculationError("No Y vector defined for calculation");
        // 1. The x range of the data, widened by fixed display limits when not coupled.
        FCount = UsableCount();
        double lo = MaxDouble, hi = -MaxDouble;
        if (FCount >= FMinCount) {
            const bool log = FXAxis->HasLogScaling();
            for (int i = 0; i < FCount; ++i) {
                if (!HasValuesAt(i))
                    continue;
                const double v = TransformX(FXData->GetValue(i), i);
                if (!std::isfinite(v) || (log && v <= 0))
                    continue;
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
        }
        if (lo <= hi && !FCoupleCalculationAndDisplay) {
            if (!FDisplayAutoStart && FDisplayStart < lo)
                lo = FDisplayStart;
            if (!FDisplayAutoStop && FDisplayStop > hi)
                hi = FDisplayStop;
        }
        // 2. Calculation and display limits.
        if (FAutoStart)
            FCalcStart = lo;
        if (FAutoStop)
            FCalcStop = hi;
        if (FCoupleCalculationAndDisplay) {
            FDisplayStart = FCalcStart;
            FDisplayStop = FCalcStop;
        } else {
            if (FDisplayAutoStart)
                FDisplayStart = lo;
            if (FDisplayAutoStop)
                FDisplayStop = hi;
        }
        // 3. The calculation. Points can be too few once outliers, the calculation range and
        // merged equal x are taken out: without a function there is no x range to report.
        if (FCount >= FMinCount && lo <= hi)
            RunCalculation();
        if (!FHasFunction) {
            lo = MaxDouble;
            hi = -MaxDouble;
        }
        if (lo != FXStart || hi != FXStop) {
            FXStart = lo;
            FXStop = hi;
            FXAxis->RangeModified();
        }
        // 4. Samples once per pixel column give the y range.
        if (FHasFunction && std::isfinite(FDisplayStart) && std::isfinite(FDisplayStop)
            && std::fabs(FDisplayStart) < MaxDouble && std::fabs(FDisplayStop) < MaxDouble) {
            const double step = (FDisplayStop - FDisplayStart) / axisWidth;
            for (int i = 0; i <= axisWidth; ++i) {
                const double x = i == axisWidth ? FDisplayStop : FDisplayStart + i * step;
                const double y = GetY(x);
                if (!std::isfinite(y))
                    continue;
                ylo = std::min(ylo, y);
                yhi = std::max(yhi, y);
            }
            if (FClipYValues && YAxisHasOtherPlainSeries()) {
                ylo = MaxDouble;
                yhi = -MaxDouble;
            }
        }
        FLastCount = std::max(FCount, 1);
        emit OnCalculated(this);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
        error = std::current_exception();
    }
    if (error) {
        // 5. No function to draw; the error goes to the handler or up. The next attempt waits
        // for a change, so a missing vector is not reported at every repaint.
        FHasFunction = false;
        FPointCount = FAreaPointCount = 0;
        ylo = MaxDouble;
        yhi = -MaxDouble;
        FLastCount = 1;
        if (FXStart != MaxDouble || FXStop != -MaxDouble) {
            FXStart = MaxDouble;
            FXStop = -MaxDouble;
            FXAxis->RangeModified();
        }
    }
    // 6. The y axis learns a changed range; the points are stale.
    if (ylo != FYStart || yhi != FYStop) {
        FYStart = ylo;
        FYStop = yhi;
        FYAxis->RangeModified();
    }
    PointsModified();
    if (error) {
        static const QMetaMethod sig = QMetaMethod::fromSignal(&TQvFunctionSeries::OnCalculationError);
        if (isSignalConnected(sig))
            emit OnCalculationError(this, message);
        else
            std::rethrow_exception(error);
    }
}

void TQvFunctionSeries::CalculatePoints()
{
    FLinesValid = false;
    FPointCount = 0;
    FAreaPointCount = 0;
    FLastPointsCount = 0;
    FRecalculatePoints = false;
    FPoints.Clear();
    FPointIndex.Clear();
    if (!FXAxis || !FYAxis || !FHasFunction)
        return;
    const double lo = std::max(FDisplayStart, FXAxis->Start());
    const double hi = std::min(FDisplayStop, FXAxis->Stop());
    if (!(lo <= hi))
        return;
    double p0 = FXAxis->NumberToWorld(lo), p1 = FXAxis->NumberToWorld(hi);
    double v0 = lo, v1 = hi;
    if (p0 > p1) {
        std::swap(p0, p1);
        std::swap(v0, v1);
    }
    auto add = [&](double px, double x) {
        const double y = GetY(x);
        if (!std::isfinite(y))
            return;
        const double py = FYAxis->NumberToWorld(y);
        if (!std::isfinite(py))
            return;
        // Far outside values are held at a distance the painter can still handle.
        FPoints.Add(TQvFloatPoint{float(px), float(std::clamp(py, -1e6, 1e6))});
        FPointIndex.Add(-1);
        ++FPointCount;
    };
    add(p0, v0);
    for (int c = int(std::floor(p0)) + 1; c < p1; ++c)
        add(c, FXAxis->WorldToNumber(c));
    if (p1 > p0)
        add(p1, v1);
    FLastPointsCount = FCount;
    if (FPointCount > 0) {
        const float base = FYAxis->NumberToWorld(std::max(FYAxis->Start(), 0.0)) - 0.5f;
        const TQvFloatPoint first = FPoints.GetValue(0), last = FPoints.GetValue(FPointCount - 1);
        FPoints.Add(TQvFloatPoint{last.X, base});
        FPoints.Add(TQvFloatPoint{first.X, base});
        FAreaPointCount = FPointCount + 2;
    }
}

void TQvFunctionSeries::PaintGr(QPainter& Gr)
{
    if (!FXAxis || !FYAxis || !FGraph || !SeriesVisible())
        return;
    if (FRecalculatePoints)
        CalculatePoints();
    if (FPointCount < 2)
        return;
    RebuildPens();
    TQvClipSaver clip(Gr);
    if (FClipYValues)
        QvSetClipRect(Gr, FGraph->DrawingArea());
    const TQvFloatPoint* p = FPoints.Data();
    // The segment events get index -1 and the function's x and y at the segment start.
    auto args = [&](int i) {
        TQvSegmentArgs a;
        a.Index = -1;
        a.X = FXAxis->WorldToNumber(p[i].X);
        a.Y = GetY(a.X);
        return a;
    };
    if (AreaShown()) {
        if (HasBrushHandler()) {
            const double start = FYAxis->Start();
            const float base = FYAxis->NumberToWorld(start <= 0 ? 0.0 : start) - 0.5f;
            Gr.save();
            Gr.setPen(Qt::NoPen);
            for (int i = 0; i + 1 < FPointCount; ++i) {
                TQvSegmentArgs a = args(i);
                QBrush brush = FBrush;
                emit OnGetBrush(this, a, brush);
                if (!a.Draw)
                    continue;
                const QPointF quad[4] = {QPointF(p[i].X, p[i].Y), QPointF(p[i + 1].X + 0.5, p[i + 1].Y),
                                         QPointF(p[i + 1].X + 0.5, base), QPointF(p[i].X, base)};
                Gr.setBrush(brush);
                Gr.drawPolygon(quad, 4);
            }
            Gr.restore();
        } else {
            PaintArea(Gr);
        }
    }
    if (LineShown()) {
        if (HasPenHandler()) {
            for (int i = 0; i + 1 < FPointCount; ++i) {
                TQvSegmentArgs a = args(i);
                QPen pen = FPen;
                emit OnGetPen(this, a, pen);
                if (!a.Draw)
                    continue;
                Gr.setPen(pen);
                Gr.drawLine(QPointF(p[i].X, p[i].Y), QPointF(p[i + 1].X, p[i + 1].Y));
            }
        } else {
            PaintLine(Gr);
        }
    }
}

void TQvFunctionSeries::DrawSymbols(QPainter& Gr)
{
    // The samples are no data points: the per-point symbol event has no index to report.
    if (HasSymbolHandler())
        return;
    TQvLineSeries::DrawSymbols(Gr);
}

void TQvFunctionSeries::TestAllAssigned()
{
    FCalcStale = true;
    TQvLineSeries::TestAllAssigned();
}

void TQvFunctionSeries::VectorPointsChanged(TQvCustomDoubleVector*, int)
{
    FCalcStale = true;
    SetLastCount(0);
    PointsModified();
}

void TQvFunctionSeries::VectorRangeReset(TQvCustomDoubleVector*)
{
    FCalcStale = true;
    SetLastCount(0);
    PointsModified();
}

void TQvFunctionSeries::VectorCleared(TQvCustomDoubleVector* Vector, bool WithLinkedMarkers)
{
    FCalcStale = true;
    TQvLineSeries::VectorCleared(Vector, WithLinkedMarkers);
}

void TQvFunctionSeries::VectorDestroyed(TQvCustomDoubleVector* Vector)
{
    FCalcStale = true;
    if (FWeight == Vector) {
        FWeight = nullptr;
        FCalculation->Weight = nullptr;
    }
    if (FCalculation->XData == Vector)
        FCalculation->XData = nullptr;
    if (FCalculation->YData == Vector)
        FCalculation->YData = nullptr;
    TQvLineSeries::VectorDestroyed(Vector);
}

// -------------------------------------------------------------------------------------------------
// TQvInterpolation, TQvDifferential, TQvIntegral

TQvInterpolation::TQvInterpolation(QObject* AOwner) : TQvFunctionSeries(AOwner)
{
    FInterpolation = new TQvInterpolationCalculation;
    SetCalculation(FInterpolation);
    FMinCount = MinimumPoints();
    QvRegisterCaptionVariable(this, QStringLiteral("SmoothingRange"), QStringLiteral("Smoothing range of the interpolation"),
                              [this] { return QString::number(FSmoothM); });
    QvRegisterCaptionVariable(this, QStringLiteral("ElasticityFactor"),
                              QStringLiteral("Elasticity of the approximative spline"),
                              [this] { return QString::number(FElasticityFactor); });
    auto extremum = [this](bool Max, bool X) {
        return [this, Max, X]() -> QString {
            const TQvDoublePoints& list = Max ? Maxima() : Minima();
            if (list.isEmpty())
                return QString();
            return QString::number(X ? list.front().x() : list.front().y());
        };
    };
    QvRegisterCaptionVariable(this, QStringLiteral("Maxima.X"), QStringLiteral("X of the first local maximum"), extremum(true, true));
    QvRegisterCaptionVariable(this, QStringLiteral("Maxima.Y"), QStringLiteral("Y of the first local maximum"), extremum(true, false));
    QvRegisterCaptionVariable(this, QStringLiteral("Minima.X"), QStringLiteral("X of the first local minimum"), extremum(false, true));
    QvRegisterCaptionVariable(this, QStringLiteral("Minima.Y"), QStringLiteral("Y of the first local minimum"), extremum(false, false));
}

TQvInterpolation::~TQvInterpolation()
{
    QvUnregisterCaptionVariables(this);
}

int TQvInterpolation::MinimumPoints() const
{
    return FInterpolationMethod == TQvInterpolationMethod::ApproximativeSpline ? 3 : 6;
}

void TQvInterpolation::SetInterpolationMethod(TQvInterpolationMethod Value)
{
    if (!SetProp(FInterpolationMethod, Value, "Algorithm used for interpolation", "InterpolationMethod"))
        return;
    FMinCount = MinimumPoints();
    Recalculate();
}

void TQvInterpolation::SetSmoothPoints(bool Value)
{
    if (!SetProp(FDoSmoothing, Value, "Smoothing ON/OFF", "SmoothPoints"))
        return;
    if (FInterpolationMethod != TQvInterpolationMethod::ApproximativeSpline)
        Recalculate();
}

void TQvInterpolation::SetSmoothingRange(int Value)
{
    if (!SetProp(FSmoothM, Value, "Smoothing range", "SmoothingRange"))
        return;
    if (FDoSmoothing && FInterpolationMethod != TQvInterpolationMethod::ApproximativeSpline)
        Recalculate();
}

void TQvInterpolation::SetElasticityFactor(double Value)
{
    if (!SetProp(FElasticityFactor, Value, "Elasticity of approximative spline", "ElasticityFactor"))
        return;
    if (FInterpolationMethod == TQvInterpolationMethod::ApproximativeSpline)
        Recalculate();
}

void TQvInterpolation::SetSearchExtrema(bool Value)
{
    if (FSearchExtrema != Value) {
        FSearchExtrema = Value;
        Recalculate();
    }
}

void TQvInterpolation::SetSearchDiffExtrema(bool Value)
{
    if (FSearchDiffExtrema != Value) {
        FSearchDiffExtrema = Value;
        Recalculate();
    }
}

void TQvInterpolation::SetSearchIntExtrema(bool Value)
{
    if (FSearchIntExtrema != Value) {
        FSearchIntExtrema = Value;
        Recalculate();
    }
}

QString TQvInterpolation::MethodName(TQvInterpolationMethod M)
{
    switch (M) {
    case TQvInterpolationMethod::Akima: return QStringLiteral("Akima");
    case TQvInterpolationMethod::CubicSpline: return QStringLiteral("cubic spline");
    case TQvInterpolationMethod::ApproximativeSpline: return QStringLiteral("approximative spline");
    }
    return QString();
}

QString TQvInterpolation::FormulaCaption() const
{
    return QStringLiteral("Interpolation (%1)").arg(MethodName(FInterpolationMethod));
}

void TQvInterpolation::RunCalculation()
{
    TQvInterpolationCalculation* c = FInterpolation;
    c->Method = FInterpolationMethod;
    c->DoSmoothing = FDoSmoothing;
    c->SmoothM = FSmoothM;
    c->ElasticityFactor = FElasticityFactor;
    c->SearchExtrema = FSearchExtrema;
    c->SearchDiffExtrema = FSearchDiffExtrema;
    c->SearchIntExtrema = FSearchIntExtrema;
    TQvFunctionSeries::RunCalculation();
    FHasFunction = c->IntCount() >= MinimumPoints();
}

double TQvInterpolation::GetY(double AtX)
{
    return FInterpolation->Value(AtX);
}

TQvDifferential::TQvDifferential(QObject* AOwner) : TQvInterpolation(AOwner) {}

QString TQvDifferential::FormulaCaption() const
{
    return QStringLiteral("Differential (%1)").arg(MethodName(FInterpolationMethod));
}

double TQvDifferential::GetY(double AtX)
{
    return FInterpolation->Slope(AtX);
}

TQvIntegral::TQvIntegral(QObject* AOwner) : TQvDifferential(AOwner) {}

QString TQvIntegral::FormulaCaption() const
{
    return QStringLiteral("Integral (%1)").arg(MethodName(FInterpolationMethod));
}

double TQvIntegral::GetY(double AtX)
{
    return FInterpolation->Integral(AtX);
}
