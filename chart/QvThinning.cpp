#include "QvThinning.h"

TQvAxisMap TQvAxisMap::FromTwoPoints(double V0, float P0, double V1, float P1, bool Log,
                                     float NonPositive)
{
    TQvAxisMap m;
    m.Log = Log;
    m.NonPositive = NonPositive;
    const double f0 = Log ? std::log10(V0) : V0;
    const double f1 = Log ? std::log10(V1) : V1;
    if (f1 != f0 && std::isfinite(f0) && std::isfinite(f1)) {
        m.B = (double(P1) - double(P0)) / (f1 - f0);
        m.A = double(P0) - m.B * f0;
    } else {
        m.B = 0;
        m.A = P0;
    }
    m.Lo = double(P0) - 100000.0;
    m.Hi = double(P0) + 100000.0;
    return m;
}

namespace {

// The hot loops, specialised on whether any index must be skipped.
template <bool HasSkip, bool XLog, bool YLog>
struct TThinner
{
    const TQvThinInput& In;

    int Next(int i) const
    {
        if constexpr (HasSkip) {
            const std::vector<bool>& skip = *In.Skip;
            while (i <= In.Last && skip[size_t(i)])
                ++i;
        }
        return i;
    }
    TQvFloatPoint Pt(int i) const
    {
        const double x = In.X ? In.X[i] : double(i);
        const double y = In.Y ? In.Y[i] : double(i);
        return TQvFloatPoint{XLog ? In.XMap.MapLog(x) : In.XMap.MapLinear(x),
                             YLog ? In.YMap.MapLog(y) : In.YMap.MapLinear(y)};
    }

    int Symbols(TQvFloatPoint* out, int32_t* idx, int n) const
    {
        int i = Next(In.First);
        if (i > In.Last)
            return n;
        TQvFloatPoint last = Pt(i);
        out[n] = last;
        idx[n++] = i;
        for (i = Next(i + 1); i <= In.Last; i = Next(i + 1)) {
            const TQvFloatPoint p = Pt(i);
            if (std::fabs(p.X - last.X) <= 1.0f && std::fabs(p.Y - last.Y) <= 1.0f)
                continue;
            out[n] = p;
            idx[n++] = i;
            last = p;
        }
        return n;
    }

    int Line(TQvFloatPoint* out, int32_t* idx, int n) const
    {
        const int last = In.Last;
        int i = Next(In.First);
        if (i > last)
            return n;
        TQvFloatPoint P = Pt(i);
        int pIdx = i;
        i = Next(i + 1);
        while (i <= last) {
            out[n] = P;
            idx[n++] = pIdx;
            TQvFloatPoint Q = Pt(i);
            int qIdx = i;
            // Points in the anchor's 1-pixel box are dropped (the last index always stays).
            while (i < last && std::fabs(Q.X - P.X) < 1.0f && std::fabs(Q.Y - P.Y) < 1.0f) {
                const int j = Next(i + 1);
                if (j > last)
                    break;
                i = j;
                Q = Pt(i);
                qIdx = i;
            }
            // A run in the anchor's pixel column that keeps moving one way collapses onto its
            // end.
            if (i < last - 1 && std::fabs(Q.X - P.X) < 1.0f) {
                const bool up = Q.Y <= P.Y;
                for (int j = Next(i + 1); j <= last; j = Next(j + 1)) {
                    const TQvFloatPoint R = Pt(j);
                    if (std::fabs(R.X - P.X) >= 1.0f)
                        break;
                    if (up ? R.Y > Q.Y : R.Y < Q.Y)
                        break;
                    Q = R;
                    qIdx = j;
                    i = j;
                }
            }
            P = Q;
            pIdx = qIdx;
            i = Next(i + 1);
        }
        out[n] = P;
        idx[n++] = pIdx;
        return n;
    }
};

} // namespace

int QvThinPoints(const TQvThinInput& In, bool WithSymbols, TQvPointVector& Points,
                 TQvIntegerVector& Index, int Start)
{
    if (In.Last < In.First)
        return Start;
    const int bound = Start + (In.Last - In.First + 1);
    Points.EnsureCount(bound);
    Index.EnsureCount(bound);
    TQvFloatPoint* out = Points.Data();
    int32_t* idx = Index.Data();
    auto run = [&](auto t) { return WithSymbols ? t.Symbols(out, idx, Start) : t.Line(out, idx, Start); };
    const int variant = (In.Skip ? 4 : 0) + (In.XMap.Log ? 2 : 0) + (In.YMap.Log ? 1 : 0);
    switch (variant) {
    case 0: return run(TThinner<false, false, false>{In});
    case 1: return run(TThinner<false, false, true>{In});
    case 2: return run(TThinner<false, true, false>{In});
    case 3: return run(TThinner<false, true, true>{In});
    case 4: return run(TThinner<true, false, false>{In});
    case 5: return run(TThinner<true, false, true>{In});
    case 6: return run(TThinner<true, true, false>{In});
    default: return run(TThinner<true, true, true>{In});
    }
}

int QvFirstVisibleIndex(const double* X, int Count, double Value)
{
    const double* lb = std::lower_bound(X, X + Count, Value);
    const int i = int(lb - X) - 1;
    return i < 0 ? 0 : i;
}

int QvLastVisibleIndex(const double* X, int Count, double Value)
{
    const double* ub = std::upper_bound(X, X + Count, Value);
    const int i = int(ub - X);
    return i >= Count ? Count - 1 : i;
}

void QvColumnLines(const TQvFloatPoint* Points, int N, std::vector<QLine>& Out)
{
    Out.clear();
    if (N <= 0)
        return;
    auto rx = [&](int i) { return QvRoundPixel(Points[i].X); };
    auto ry = [&](int i) { return QvRoundPixel(Points[i].Y); };
    int px = rx(0), py = ry(0);
    if (N == 1) {
        Out.emplace_back(px, py, px, py);
        return;
    }
    int i = 1;
    while (i < N) {
        int cx = rx(i), cy = ry(i);
        if (cx == px) {
            int lo = std::min(py, cy), hi = std::max(py, cy);
            while (i + 1 < N && rx(i + 1) == px) {
                ++i;
                cy = ry(i);
                lo = std::min(lo, cy);
                hi = std::max(hi, cy);
            }
            Out.emplace_back(px, lo, px, hi);
        } else {
            Out.emplace_back(px, py, cx, cy);
        }
        px = cx;
        py = cy;
        ++i;
    }
}

void QvColumnLinesF(const TQvFloatPoint* Points, int N, std::vector<QLineF>& Out)
{
    Out.clear();
    if (N <= 0)
        return;
    if (N == 1) {
        Out.emplace_back(Points[0].X, Points[0].Y, Points[0].X, Points[0].Y);
        return;
    }
    QPointF prev(Points[0].X, Points[0].Y);
    int i = 1;
    while (i < N) {
        const float col = std::floor(Points[i - 1].X);
        QPointF cur(Points[i].X, Points[i].Y);
        if (std::floor(Points[i].X) == col && i + 1 < N && std::floor(Points[i + 1].X) == col) {
            // Three or more points in one column: one vertical line over their y extent.
            double lo = std::min(prev.y(), cur.y()), hi = std::max(prev.y(), cur.y());
            while (i + 1 < N && std::floor(Points[i + 1].X) == col) {
                ++i;
                cur = QPointF(Points[i].X, Points[i].Y);
                lo = std::min(lo, cur.y());
                hi = std::max(hi, cur.y());
            }
            Out.emplace_back(prev.x(), lo, prev.x(), hi);
            Out.emplace_back(prev.x(), cur.y(), cur.x(), cur.y());
        } else {
            Out.emplace_back(prev, cur);
        }
        prev = cur;
        ++i;
    }
}
