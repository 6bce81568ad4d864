// Appending to a TQvDoubleVector with statistics read every 1,000 appends, against the plain
// floor: std::vector<double>::push_back of the same values plus std::minmax_element over only
// the values appended since the last read. The target is a ratio of at most 1.5.
//
// Besides the Google Benchmark figures, the program times both side by side (alternating runs,
// best of each) and prints the ratio.
//
// Second: n users (series) registering with one vector and unregistering again, at n = 1,000 and
// 10,000. Each attach and each detach must cost the same at both sizes (no search of the list).

#include "QvVectors.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr int N = 10'000'000;
constexpr int Every = 1'000;

const std::vector<double>& Values()
{
    static const std::vector<double> values = [] {
        std::vector<double> v(N);
        std::mt19937_64 rng(42);
        std::normal_distribution<double> noise(0, 1e-3);
        double t = 0;
        for (int i = 0; i < N; ++i) {
            t += 1e-3 + noise(rng) * 0.1;
            v[size_t(i)] = i % 3 == 0 ? t : std::sin(t) + noise(rng);
        }
        return v;
    }();
    return values;
}

double RunPlain()
{
    const std::vector<double>& src = Values();
    std::vector<double> v;
    double lo = 1.7976931348623157e308, hi = -lo;
    size_t last = 0;
    for (int i = 0; i < N; ++i) {
        v.push_back(src[size_t(i)]);
        if ((i + 1) % Every == 0) {
            auto [mn, mx] = std::minmax_element(v.begin() + long(last), v.end());
            lo = std::min(lo, *mn);
            hi = std::max(hi, *mx);
            last = v.size();
        }
    }
    benchmark::DoNotOptimize(v.data());
    return lo + hi;
}

double RunVector()
{
    const std::vector<double>& src = Values();
    TQvDoubleVector v;  // created without owner, as the data layer does
    v.Clear();
    double acc = 0;
    bool asc = true;
    for (int i = 0; i < N; ++i) {
        v.Add(src[size_t(i)]);
        if ((i + 1) % Every == 0) {
            acc += v.Minimum() + v.Maximum();
            asc = asc && v.OnlyAscending();
        }
    }
    benchmark::DoNotOptimize(asc);
    return acc;
}

void BM_PushBackMinMax(benchmark::State& state)
{
    Values();
    for (auto _ : state)
        benchmark::DoNotOptimize(RunPlain());
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(BM_PushBackMinMax)->Unit(benchmark::kMillisecond);

void BM_DoubleVectorAddWithStatistics(benchmark::State& state)
{
    Values();
    for (auto _ : state)
        benchmark::DoNotOptimize(RunVector());
    state.SetItemsProcessed(state.iterations() * N);
}
BENCHMARK(BM_DoubleVectorAddWithStatistics)->Unit(benchmark::kMillisecond);

// A user that is never told anything here: only its registration is timed.
struct SilentUser : TQvVectorUser
{
    void VectorRangeReset(TQvCustomDoubleVector*) override {}
    void VectorPointsChanged(TQvCustomDoubleVector*, int) override {}
    void VectorCleared(TQvCustomDoubleVector*, bool) override {}
    void VectorValueInserted(TQvCustomDoubleVector*, int) override {}
    void VectorValueDeleted(TQvCustomDoubleVector*, int) override {}
    void VectorDestroyed(TQvCustomDoubleVector*) override {}
};

// Seconds for n users to register with one vector, then to unregister in registration order.
std::pair<double, double> AttachDetach(int n)
{
    std::vector<SilentUser> users(static_cast<std::size_t>(n));
    TQvDoubleVector v;
    const auto t0 = std::chrono::steady_clock::now();
    for (SilentUser& u : users)
        v.RegisterUser(&u);
    const auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(v.RelatedSeries().size());
    const auto t2 = std::chrono::steady_clock::now();
    for (SilentUser& u : users)
        v.UnregisterUser(&u);
    const auto t3 = std::chrono::steady_clock::now();
    return {std::chrono::duration<double>(t1 - t0).count(), std::chrono::duration<double>(t3 - t2).count()};
}

void BM_VectorUsersAttachDetach(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(AttachDetach(n));
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_VectorUsersAttachDetach)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMicrosecond);

struct Timing
{
    double Wall, Cpu;
};

// Wall time and process CPU time (the machine is shared: CPU time is the steadier figure).
template <class F>
Timing Measure(F f)
{
    const std::clock_t c0 = std::clock();
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(f());
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return {wall, double(std::clock() - c0) / CLOCKS_PER_SEC};
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    Values();
    Timing plain{1e9, 1e9}, vec{1e9, 1e9};
    for (int rep = 0; rep < 7; ++rep) {
        const Timing p = Measure(RunPlain);
        const Timing v = Measure(RunVector);
        plain = {std::min(plain.Wall, p.Wall), std::min(plain.Cpu, p.Cpu)};
        vec = {std::min(vec.Wall, v.Wall), std::min(vec.Cpu, v.Cpu)};
    }
    std::printf("side by side, best of 7 alternating runs of 10,000,000 appends:\n"
                "  push_back + minmax_element: wall %.1f ms, cpu %.1f ms\n"
                "  TQvDoubleVector Add + Minimum/Maximum/OnlyAscending: wall %.1f ms, cpu %.1f ms\n"
                "  ratio: wall %.2f, cpu %.2f (limit 1.50)\n",
                plain.Wall * 1e3, plain.Cpu * 1e3, vec.Wall * 1e3, vec.Cpu * 1e3, vec.Wall / plain.Wall,
                vec.Cpu / plain.Cpu);

    // Users of one vector: best of 7 alternating runs at each size, per user.
    double attach[2] = {1e9, 1e9}, detach[2] = {1e9, 1e9};
    const int sizes[2] = {1'000, 10'000};
    for (int rep = 0; rep < 7; ++rep)
        for (int k = 0; k < 2; ++k) {
            const auto [a, d] = AttachDetach(sizes[k]);
            attach[k] = std::min(attach[k], a / sizes[k]);
            detach[k] = std::min(detach[k], d / sizes[k]);
        }
    std::printf("users of one vector, best of 7 alternating runs:\n"
                "  1,000 users: %.3f us per attach, %.3f us per detach\n"
                "  10,000 users: %.3f us per attach, %.3f us per detach\n"
                "  ratio 10k/1k: attach %.2f, detach %.2f (1 when the cost does not grow with n)\n",
                attach[0] * 1e6, detach[0] * 1e6, attach[1] * 1e6, detach[1] * 1e6, attach[1] / attach[0],
                detach[1] / detach[0]);
    return 0;
}
