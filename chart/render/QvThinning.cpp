#include "QvThinning.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define QV_CLEAR_UPPER_STATE 1
#endif

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

#if QV_CLEAR_UPPER_STATE
__attribute__((target("avx"))) void ZeroUpperAvx()
{
    _mm256_zeroupper();
}
#endif


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

// The line rule without skipped indices and with both value arrays present: the common case of
// dense measured data. It keeps exactly the points TThinner::Line keeps.
//
// State: the anchor P (the last kept point); in a "monotonic" run also the candidate Q (the
// run's current end, not yet kept) and the run's direction. A new point R
//   - extends the run when it stays in P's pixel column and does not turn back;
//   - otherwise ends the run (Q is kept and becomes the anchor) and is then judged against the
//     anchor: dropped when within the anchor's 1-pixel box (never the last point), starting a
//     run when in the anchor's column (not for the last two points), else kept as the new
//     anchor.
struct TLineState
{
    float Px, Py, Qx, Qy;
    int Qi;
    bool Mono, Up;
};

// One point of the rule in plain code: for points whose x spread covers more than one pixel
// and for the last two points, where the index tests matter.
inline void LineStep(TLineState& s, float rx, float ry, int j, int last, TQvFloatPoint* out, int32_t* idx,
                     int& n)
{
    if (s.Mono && std::fabs(rx - s.Px) < 1.0f && (s.Up ? ry <= s.Qy : ry >= s.Qy)) {
        s.Qx = rx;
        s.Qy = ry;
        s.Qi = j;
        return;
    }
    if (s.Mono) {
        out[n] = TQvFloatPoint{s.Qx, s.Qy};
        idx[n++] = s.Qi;
        s.Px = s.Qx;
        s.Py = s.Qy;
        s.Mono = false;
    }
    const bool col = std::fabs(rx - s.Px) < 1.0f;
    if (col && std::fabs(ry - s.Py) < 1.0f && j < last)
        return;
    if (col && j < last - 1) {
        s.Mono = true;
        s.Up = ry <= s.Py;
        s.Qx = rx;
        s.Qy = ry;
        s.Qi = j;
        return;
    }
    out[n] = TQvFloatPoint{rx, ry};
    idx[n++] = j;
    s.Px = rx;
    s.Py = ry;
}

#if defined(__SSE2__)
// Points b .. b+m-1 (none of the last two of the data) that, together with P and Q, lie within
// one pixel in x, so that every column test of the rule holds. The rule then depends on y alone,
// through the reference r (Q's y in a run, else the anchor's y) and d = y - r:
//   d <= lo: a run upwards continues or starts (r = y);
//   d >= hi: a run downwards continues or starts (r = y);
//   otherwise the point lies in the anchor's box and is dropped (r stays);
// with (lo, hi) = (0, 1) in an upward run, (-1, 0) in a downward run, (-1, 1) outside a run. A
// run's end Q is kept when the run does not continue. Noisy data makes each of these decisions
// a coin toss, so they are lane masks and masked blends rather than branches; the loop runs on
// the latency of one subtraction, one comparison and one blend per point.
inline void LineBlockColumn(TLineState& st, const float* bx, const float* by, int b, int m, TQvFloatPoint* out,
                            int32_t* idx, int& Count)
{
    int n = Count;   // a local count: the stores through idx could otherwise alias it
    auto sel = [](__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); };
    const __m128 allOnes = _mm_castsi128_ps(_mm_set1_epi32(-1));
    const __m128 zero = _mm_setzero_ps(), one = _mm_set_ss(1.0f), minusOne = _mm_set_ss(-1.0f);
    __m128 r = _mm_set_ss(st.Mono ? st.Qy : st.Py);
    __m128 qx = _mm_set_ss(st.Qx);
    __m128 mono = st.Mono ? allOnes : zero;
    __m128 up = st.Up ? allOnes : zero;
    int qi = st.Qi;
    for (int k = 0; k < m; ++k) {
        const __m128 y = _mm_load_ss(by + k), x = _mm_load_ss(bx + k);
        const __m128 runUp = _mm_and_ps(mono, up);
        const __m128 lo = sel(runUp, zero, minusOne);
        const __m128 hi = sel(_mm_andnot_ps(up, mono), zero, one);
        const __m128 d = _mm_sub_ss(y, r);
        const __m128 toUp = _mm_cmple_ss(d, lo);
        const __m128 toDown = _mm_cmple_ss(hi, d);
        const __m128 moved = _mm_or_ps(toUp, toDown);
        const __m128 same = sel(up, toUp, toDown);
        const __m128 commit = _mm_andnot_ps(same, mono);
        _mm_storel_pi(reinterpret_cast<__m64*>(out + n), _mm_unpacklo_ps(qx, r));
        idx[n] = qi;
        n += _mm_movemask_ps(commit) & 1;
        r = sel(moved, y, r);
        qx = sel(moved, x, qx);
        qi = (_mm_movemask_ps(moved) & 1) ? b + k : qi;
        up = sel(moved, toUp, up);
        mono = _mm_and_ps(moved, allOnes);
    }
    st.Mono = _mm_movemask_ps(mono) & 1;
    st.Up = _mm_movemask_ps(up) & 1;
    // The anchor is always the last kept point.
    st.Px = out[n - 1].X;
    st.Py = out[n - 1].Y;
    if (st.Mono) {
        st.Qx = _mm_cvtss_f32(qx);
        st.Qy = _mm_cvtss_f32(r);
        st.Qi = qi;
    }
    Count = n;
}

// The same rule for points within one pixel column, faster on noisy data. In a run, Q is the
// point judged last, so d is the difference to the previous point. When that difference is at
// least one pixel either way, the run goes on in the direction of d: its previous end is kept
// exactly when the direction turns (a local extremum), and no earlier state enters. Stretches of
// such points therefore need no chain of decisions; any other point (a difference below one
// pixel, or none in a run) takes LineBlockColumn.
inline void LineColumn(TLineState& st, const float* bx, const float* by, int b, int m, TQvFloatPoint* out,
                       int32_t* idx, int& Count)
{
    int k = 0;
    while (k < m) {
        int n = Count;
        if (st.Mono) {
            float qx = st.Qx, qy = st.Qy;
            int qi = st.Qi;
            bool up = st.Up;
            const int from = k;
            for (; k < m; ++k) {
                const float d = by[k] - qy;
                if (!(std::fabs(d) >= 1.0f))
                    break;
                const bool toUp = d < 0;
                out[n] = TQvFloatPoint{qx, qy};
                idx[n] = qi;
                n += toUp != up;
                up = toUp;
                qx = bx[k];
                qy = by[k];
                qi = b + k;
            }
            if (k > from) {
                st.Qx = qx;
                st.Qy = qy;
                st.Qi = qi;
                st.Up = up;
                st.Px = out[n - 1].X;
                st.Py = out[n - 1].Y;
                Count = n;
            }
            if (k == m)
                return;
            // A short stretch through the exact rule, longer when the fast one made no headway.
            const int len = std::min(m - k, k > from ? 4 : 16);
            LineBlockColumn(st, bx + k, by + k, b + k, len, out, idx, Count);
            k += len;
        } else {
            const int len = std::min(m - k, 4);
            LineBlockColumn(st, bx + k, by + k, b + k, len, out, idx, Count);
            k += len;
        }
    }
}

// True when every pair of the points, P and (in a run) Q is less than one pixel apart in x, in
// the float arithmetic of the rule: the difference of the extremes bounds every other.
inline bool OneColumn(const TLineState& st, const float* bx, int m)
{
    float lo = st.Px, hi = st.Px;
    if (st.Mono) {
        lo = std::min(lo, st.Qx);
        hi = std::max(hi, st.Qx);
    }
    // Four lanes at a time (mapped values are never NaN, so the order does not matter).
    int k = 0;
    if (m >= 4) {
        __m128 lo4 = _mm_set1_ps(lo), hi4 = _mm_set1_ps(hi);
        for (; k + 4 <= m; k += 4) {
            const __m128 v = _mm_loadu_ps(bx + k);
            lo4 = _mm_min_ps(lo4, v);
            hi4 = _mm_max_ps(hi4, v);
        }
        alignas(16) float l[4], h[4];
        _mm_store_ps(l, lo4);
        _mm_store_ps(h, hi4);
        lo = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
        hi = std::max(std::max(h[0], h[1]), std::max(h[2], h[3]));
    }
    for (; k < m; ++k) {
        lo = std::min(lo, bx[k]);
        hi = std::max(hi, bx[k]);
    }
    return hi - lo < 1.0f;
}
#endif

// Maps X[b .. b+m) and Y[b .. b+m) to pixels. The linear map is A + B * v clamped to [Lo, Hi],
// two values at a time where SSE2 is there, with the same operations in the same order as
// TQvAxisMap::MapLinear, so the pixels are identical.
template <bool Log>
inline void MapBlock(const TQvAxisMap& map, const double* v, int m, float* out)
{
#if defined(__SSE2__)
    if constexpr (!Log) {
        const __m128d a = _mm_set1_pd(map.A), b = _mm_set1_pd(map.B);
        const __m128d lo = _mm_set1_pd(map.Lo), hi = _mm_set1_pd(map.Hi);
        int k = 0;
        for (; k + 2 <= m; k += 2) {
            // max(v, Lo) keeps Lo for NaN, like std::max(Lo, v); min likewise.
            const __m128d p = _mm_min_pd(_mm_max_pd(_mm_add_pd(a, _mm_mul_pd(b, _mm_loadu_pd(v + k))), lo), hi);
            _mm_storel_pi(reinterpret_cast<__m64*>(out + k), _mm_cvtpd_ps(p));
        }
        for (; k < m; ++k)
            out[k] = map.MapLinear(v[k]);
        return;
    }
#endif
    for (int k = 0; k < m; ++k)
        out[k] = Log ? map.MapLog(v[k]) : map.MapLinear(v[k]);
}

// The line rule over In.First .. In.Last, resumable: Begin keeps the first point, Run converts
// and judges the points up to an index, Finish keeps a pending run end. Writes into Points /
// Index from slot Start on; they grow with what is kept, a block at a time (each point of a
// block may be kept, plus the run's end): dense data keeps a few points per pixel column, and
// room for every input point would be zero-filled memory many times the size of the result.
template <bool XLog, bool YLog>
struct TDenseLine
{
    static constexpr int Block = 256;
    static constexpr int Chunk = 32;

    const TQvThinInput& In;
    TQvPointVector& Points;
    TQvIntegerVector& Index;
    TLineState St{};
    int N = 0;      // points kept so far (slots written)
    int Next = 0;   // next index to judge
    TQvFloatPoint* Out = nullptr;
    int32_t* Idx = nullptr;

    TDenseLine(const TQvThinInput& In_, TQvPointVector& Points_, TQvIntegerVector& Index_)
        : In(In_), Points(Points_), Index(Index_)
    {
    }

    void Room(int Needed)
    {
        if (Needed > Points.Count() || Needed > Index.Count()) {
            Points.EnsureCount(Needed);
            Index.EnsureCount(Needed);
        }
        Out = Points.Data();
        Idx = Index.Data();
    }

    void Begin(int Start)
    {
        St.Px = XLog ? In.XMap.MapLog(In.X[In.First]) : In.XMap.MapLinear(In.X[In.First]);
        St.Py = YLog ? In.YMap.MapLog(In.Y[In.First]) : In.YMap.MapLinear(In.Y[In.First]);
        N = Start;
        Room(N + 2);
        Out[N] = TQvFloatPoint{St.Px, St.Py};
        Idx[N++] = In.First;
        Next = In.First + 1;
    }

    // Judges the points Next .. Until (at most In.Last).
    void Run(int Until)
    {
        alignas(64) float bx[Block];
        alignas(64) float by[Block];
        const int last = In.Last;
        Until = std::min(Until, last);
        TQvFloatPoint* out;
        int32_t* idx;
        int n = N;
        for (int b = Next; b <= Until; b += Block) {
            const int m = std::min(Block, Until - b + 1);
            Room(n + m + 2);
            out = Out;
            idx = Idx;
            MapBlock<XLog>(In.XMap, In.X + b, m, bx);
            MapBlock<YLog>(In.YMap, In.Y + b, m, by);
            // The last two points of the data take the plain step (their index tests differ).
            const int body = m - std::clamp(b + m - (last - 1), 0, m);
            int k = 0;
#if defined(__SSE2__)
            // Dense data: whole blocks, or chunks of them, within one pixel column.
            if (body > 0 && OneColumn(St, bx, body)) {
                LineColumn(St, bx, by, b, body, out, idx, n);
                k = body;
            }
            while (k < body) {
                const int len = std::min(Chunk, body - k);
                if (OneColumn(St, bx + k, len)) {
                    LineColumn(St, bx + k, by + k, b + k, len, out, idx, n);
                    k += len;
                } else {
                    for (const int e = k + len; k < e; ++k)
                        LineStep(St, bx[k], by[k], b + k, last, out, idx, n);
                }
            }
#endif
            for (; k < m; ++k)
                LineStep(St, bx[k], by[k], b + k, last, out, idx, n);
        }
        N = n;
        Next = std::max(Next, Until + 1);
    }

    int Finish()
    {
        if (St.Mono) {
            Room(N + 1);
            Out[N] = TQvFloatPoint{St.Qx, St.Qy};
            Idx[N++] = St.Qi;
            St.Mono = false;
        }
        return N;
    }
};

template <bool XLog, bool YLog>
int LineDense(const TQvThinInput& In, TQvPointVector& Points, TQvIntegerVector& Index, int Start)
{
    TDenseLine<XLog, YLog> line(In, Points, Index);
    line.Begin(Start);
    line.Run(In.Last);
    return line.Finish();
}

// One background thread that runs one task at a time. A caller that finds it busy (another
// thread splitting its own work) does the work itself.
class TSideThread
{
public:
    struct TTask
    {
        std::function<void()> Work;
        bool Taken = false;   // under the side thread's lock
        bool Done = false;    // under Lock
        std::mutex Lock;
        std::condition_variable Finished;
    };

    static TSideThread& Instance()
    {
        static TSideThread side;
        return side;
    }

    // Hands Task to the side thread; false when it is busy (or the machine has one core).
    bool Post(TTask* Task)
    {
        if (!FUseful)
            return false;
        std::lock_guard<std::mutex> lock(FLock);
        if (FTask || FStop)
            return false;
        if (!FThread.joinable())
            FThread = std::thread([this] { Loop(); });
        FTask = Task;
        FWake.notify_one();
        return true;
    }

    // The poster calls this once its own part is done. True when the side thread ran the task
    // (waiting for its end); false when it had not taken it yet: it then never will, and the
    // poster does without it.
    bool Join(TTask* Task)
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            if (FTask == Task && !Task->Taken) {
                FTask = nullptr;
                return false;
            }
        }
        std::unique_lock<std::mutex> lock(Task->Lock);
        Task->Finished.wait(lock, [&] { return Task->Done; });
        return true;
    }

    ~TSideThread()
    {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FStop = true;
            FWake.notify_one();
        }
        if (FThread.joinable())
            FThread.join();
    }

private:
    TSideThread() : FUseful(std::thread::hardware_concurrency() > 1) {}

    void Loop()
    {
        std::unique_lock<std::mutex> lock(FLock);
        for (;;) {
            FWake.wait(lock, [&] { return (FTask && !FTask->Taken) || FStop; });
            if (FStop)
                return;
            TTask* task = FTask;
            task->Taken = true;
            lock.unlock();
            ClearUpperVectorState();
            task->Work();
            {
                // Notified under the lock: once the poster sees Done it may free the task, so
                // nothing here touches it after the lock is released.
                std::lock_guard<std::mutex> done(task->Lock);
                task->Done = true;
                task->Finished.notify_all();
            }
            lock.lock();
            FTask = nullptr;
        }
    }

    const bool FUseful;
    std::mutex FLock;
    std::condition_variable FWake;
    TTask* FTask = nullptr;
    bool FStop = false;
    std::thread FThread;
};

// Below this many points a series is thinned on one thread: handing half of it over costs some
// tens of microseconds.
constexpr int SplitAt = 40000;
// After the seam the main part goes on this many points at a time until it meets the other part.
constexpr int SeamStep = 1024;

// The line rule on two threads. The rule's state after keeping a point depends on that point
// alone: the anchor is the point kept, no run is pending (a run's end is kept only when the
// next point does not continue the run, which is then judged against it as the new anchor).
// So the side thread thins the second half as if its first point Mid had been kept, while this
// thread thins the first half and then goes on past Mid until it keeps a point that the second
// half kept too: from that point on both keep the same points, and the second half's rest is
// appended. Data on which the two never meet is thinned to the end here, as on one thread. The
// points kept are those of one pass, bit for bit.
template <bool XLog, bool YLog>
int LineDenseSplit(const TQvThinInput& In, TQvPointVector& Points, TQvIntegerVector& Index, int Start)
{
    const int count = In.Last - In.First + 1;
    if (count < SplitAt)
        return LineDense<XLog, YLog>(In, Points, Index, Start);
    const int mid = In.First + count / 2;

    // The second half's points go to scratch room of this thread, kept between builds.
    static thread_local TQvPointVector SidePointsRoom;
    static thread_local TQvIntegerVector SideIndexRoom;
    TQvPointVector& SidePoints = SidePointsRoom;
    TQvIntegerVector& SideIndex = SideIndexRoom;
    TQvThinInput second = In;
    second.First = mid;
    int sideCount = 0;
    TSideThread::TTask task;
    task.Work = [&] { sideCount = LineDense<XLog, YLog>(second, SidePoints, SideIndex, 0); };
    TSideThread& sideThread = TSideThread::Instance();
    const bool posted = sideThread.Post(&task);

    TDenseLine<XLog, YLog> line(In, Points, Index);
    line.Begin(Start);
    line.Run(mid - 1);
    if (!posted || !sideThread.Join(&task)) {
        line.Run(In.Last);
        return line.Finish();
    }
    // Merge the indices kept by both, in ascending order, from the seam on.
    const int32_t* side = SideIndex.Data();
    int s = 0;
    int k = line.N;
    for (;;) {
        for (; k < line.N; ++k) {
            const int32_t i = line.Idx[k];
            if (i < mid)
                continue;
            while (s < sideCount && side[s] < i)
                ++s;
            if (s < sideCount && side[s] == i) {
                // Met: keep this thread's points up to i, then the side thread's after it.
                const int tail = sideCount - s - 1;
                line.Room(k + 1 + tail);
                std::copy(SidePoints.Data() + s + 1, SidePoints.Data() + sideCount, line.Out + k + 1);
                std::copy(side + s + 1, side + sideCount, line.Idx + k + 1);
                return k + 1 + tail;
            }
        }
        if (line.Next > In.Last)
            return line.Finish();
        line.Run(line.Next + SeamStep - 1);
    }
}

} // namespace

void ClearUpperVectorState()
{
#if QV_CLEAR_UPPER_STATE
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        ZeroUpperAvx();
#endif
}

int QvThinPoints(const TQvThinInput& In, bool WithSymbols, TQvPointVector& Points,
                 TQvIntegerVector& Index, int Start)
{
    if (In.Last < In.First)
        return Start;
    ClearUpperVectorState();
    if (!WithSymbols && !In.Skip && In.X && In.Y) {
        switch ((In.XMap.Log ? 2 : 0) + (In.YMap.Log ? 1 : 0)) {
        case 0: return LineDenseSplit<false, false>(In, Points, Index, Start);
        case 1: return LineDenseSplit<false, true>(In, Points, Index, Start);
        case 2: return LineDenseSplit<true, false>(In, Points, Index, Start);
        default: return LineDenseSplit<true, true>(In, Points, Index, Start);
        }
    }
    // The rules write up to one point per input point: into scratch room shared by all series
    // of the thread, then only what is kept is copied to the outputs. Room for every input
    // point in each series' own buffers would be memory many times the size of the result,
    // touched (and on some machines faulted in page by page) at every first paint.
    const int bound = In.Last - In.First + 1;
    static thread_local TQvPointVector ScratchPoints;
    static thread_local TQvIntegerVector ScratchIndex;
    ScratchPoints.EnsureCount(bound);
    ScratchIndex.EnsureCount(bound);
    TQvFloatPoint* out = ScratchPoints.Data();
    int32_t* idx = ScratchIndex.Data();
    auto run = [&](auto t) { return WithSymbols ? t.Symbols(out, idx, 0) : t.Line(out, idx, 0); };
    int kept = 0;
    switch ((In.Skip ? 4 : 0) + (In.XMap.Log ? 2 : 0) + (In.YMap.Log ? 1 : 0)) {
    case 0: kept = run(TThinner<false, false, false>{In}); break;
    case 1: kept = run(TThinner<false, false, true>{In}); break;
    case 2: kept = run(TThinner<false, true, false>{In}); break;
    case 3: kept = run(TThinner<false, true, true>{In}); break;
    case 4: kept = run(TThinner<true, false, false>{In}); break;
    case 5: kept = run(TThinner<true, false, true>{In}); break;
    case 6: kept = run(TThinner<true, true, false>{In}); break;
    default: kept = run(TThinner<true, true, true>{In}); break;
    }
    if (Points.Count() < Start + kept || Index.Count() < Start + kept) {
        Points.EnsureCount(Start + kept);
        Index.EnsureCount(Start + kept);
    }
    std::copy(out, out + kept, Points.Data() + Start);
    std::copy(idx, idx + kept, Index.Data() + Start);
    // A very long series does not keep its scratch room for good.
    if (bound > (1 << 20)) {
        ScratchPoints = TQvPointVector();
        ScratchIndex = TQvIntegerVector();
    }
    return Start + kept;
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
    ClearUpperVectorState();
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
#if defined(__SSE2__)
            // Dense data: four points at a time while all four stay in the column. Each
            // coordinate is rounded as QvRoundPixel rounds it (the double v + 1048576.5,
            // truncated); truncation keeps the order, so the y extent is taken before it.
            if (i + 4 < N) {
                const __m128d offset = _mm_set1_pd(1048576.5);
                const __m128i column = _mm_set1_epi32(px + 1048576);
                __m128d ylo = _mm_set1_pd(1e300), yhi = _mm_set1_pd(-1e300);
                const int from = i;
                while (i + 4 < N) {
                    const float* f = &Points[i + 1].X;
                    const __m128 a = _mm_loadu_ps(f), b = _mm_loadu_ps(f + 4);
                    const __m128 xs = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
                    const __m128i x01 = _mm_cvttpd_epi32(_mm_add_pd(_mm_cvtps_pd(xs), offset));
                    const __m128i x23 = _mm_cvttpd_epi32(_mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(xs, xs)), offset));
                    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_unpacklo_epi64(x01, x23), column)) != 0xffff)
                        break;
                    const __m128 ys = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
                    const __m128d y01 = _mm_cvtps_pd(ys), y23 = _mm_cvtps_pd(_mm_movehl_ps(ys, ys));
                    ylo = _mm_min_pd(ylo, _mm_min_pd(y01, y23));
                    yhi = _mm_max_pd(yhi, _mm_max_pd(y01, y23));
                    i += 4;
                }
                if (i > from) {
                    const double l = std::min(_mm_cvtsd_f64(ylo), _mm_cvtsd_f64(_mm_unpackhi_pd(ylo, ylo)));
                    const double h = std::max(_mm_cvtsd_f64(yhi), _mm_cvtsd_f64(_mm_unpackhi_pd(yhi, yhi)));
                    lo = std::min(lo, QvRoundPixel(float(l)));
                    hi = std::max(hi, QvRoundPixel(float(h)));
                    cy = ry(i);
                }
            }
#endif
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
    // Each line takes at least one point: N - 1 lines at most (one for a single point).
    Out.reserve(size_t(std::max(N, 1)));
    if (N <= 0)
        return;
    ClearUpperVectorState();
    if (N == 1) {
        Out.emplace_back(Points[0].X, Points[0].Y, Points[0].X, Points[0].Y);
        return;
    }
    QPointF prev(Points[0].X, Points[0].Y);
    int i = 1;
    while (i < N) {
        const int col = QvPixelColumn(Points[i - 1].X);
        QPointF cur(Points[i].X, Points[i].Y);
        if (QvPixelColumn(Points[i].X) == col && i + 1 < N && QvPixelColumn(Points[i + 1].X) == col) {
            // Three or more points in one column: one vertical line over their y extent.
            double lo = std::min(prev.y(), cur.y()), hi = std::max(prev.y(), cur.y());
            while (i + 1 < N && QvPixelColumn(Points[i + 1].X) == col) {
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
