// Attaching and freeing many series, and plotting a file of many one-row steps.
//
// 1. n point series are attached to one graph (X and Y axis, two vectors each) and then freed, in
//    creation order and, separately, in reverse order. Printed: the time per series of each phase
//    and the memory each attached series holds. Attaching and freeing n series must cost O(n)
//    overall: the time per series stays flat as n grows tenfold.
// 2. The whole program, `tarnwell-reader --plot visualize`, on a synthesized file of S one-row
//    steps (each step attaches five series): wall time and peak memory, and memory per step.
//
// Usage: bench_series [max series, default 500000] [steps, default 100000; 0 skips part 2]
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point From)
{
    return std::chrono::duration<double>(Clock::now() - From).count();
}

long RssKB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

struct Result
{
    double Attach, FreeForward, FreeBackward; // microseconds per series
    double BytesPerSeries;
};

Result AttachAndFree(int N)
{
    Result r{};
    for (bool backward : {false, true}) {
        auto graph = std::make_unique<TQvGraph2D>();
        auto* x = new TQvAxis(graph.get());
        auto* y = new TQvAxis(graph.get());
        y->SetPosition(TQvAxisPosition::Left);
        graph->SetPrimaryXAxis(x);
        graph->SetPrimaryYAxis(y);
        // Each series shows vectors of its own, as the steps of a file do.
        std::vector<std::unique_ptr<TQvDoubleVector>> vectors;
        vectors.reserve(size_t(2 * N));
        for (int i = 0; i < 2 * N; ++i) {
            vectors.push_back(std::make_unique<TQvDoubleVector>());
            vectors.back()->Add(i);
        }
        std::vector<std::unique_ptr<TQvPointSeries>> series;
        series.reserve(size_t(N));
        const long rss0 = RssKB();
        auto t = Clock::now();
        for (int i = 0; i < N; ++i) {
            auto s = std::make_unique<TQvPointSeries>();
            s->SetXAxis(x);
            s->SetYAxis(y);
            s->SetXData(vectors[size_t(2 * i)].get());
            s->SetYData(vectors[size_t(2 * i + 1)].get());
            series.push_back(std::move(s));
        }
        const double attach = Seconds(t);
        const long rss1 = RssKB();
        if (int(graph->RelatedSeries().size()) != N)
            std::abort();
        t = Clock::now();
        if (backward)
            while (!series.empty())
                series.pop_back();
        else
            series.clear();
        const double free = Seconds(t);
        if (!graph->RelatedSeries().isEmpty())
            std::abort();
        if (!backward) {
            r.Attach = attach * 1e6 / N;
            r.FreeForward = free * 1e6 / N;
            r.BytesPerSeries = double(rss1 - rss0) * 1024.0 / N;
        } else {
            r.FreeBackward = free * 1e6 / N;
        }
    }
    return r;
}

void PlotFile(int Steps)
{
    const QString build = QStringLiteral(TARNWELL_BUILD_DIR);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("steps.txt"));
    const QString png = dir.filePath(QStringLiteral("plot.png"));
    if (QProcess::execute(build + QStringLiteral("/tarnwell-synth"),
                          {QStringLiteral("-o"), file, QStringLiteral("--steps"), QString::number(Steps),
                           QStringLiteral("--rows"), QStringLiteral("1")})
        != 0) {
        std::printf("cannot run tarnwell-synth in %s\n", qPrintable(build));
        return;
    }
    const std::string reader = (build + QStringLiteral("/tarnwell-reader")).toStdString();
    const std::string in = file.toStdString(), out = png.toStdString();
    const auto t = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(reader.c_str(), reader.c_str(), "--plot", "visualize", "--out", out.c_str(), in.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double wall = Seconds(t);
    const double peakMB = usage.ru_maxrss / 1024.0;
    std::printf("--plot visualize, %d one-row steps (%.1f MB file): exit %d, %.2f s, peak %.0f MB, %.1f KB per step\n",
                Steps, QFile(file).size() / 1e6, WIFEXITED(status) ? WEXITSTATUS(status) : -1, wall, peakMB,
                peakMB * 1024.0 / Steps);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int maxSeries = argc > 1 ? std::atoi(argv[1]) : 500'000;
    const int steps = argc > 2 ? std::atoi(argv[2]) : 100'000;
    std::printf("%10s %14s %18s %19s %14s\n", "series", "attach us/ser", "free fwd us/ser", "free back us/ser",
                "bytes/series");
    double first = 0, last = 0;
    for (int n = 5'000; n <= maxSeries; n *= 10) {
        const Result r = AttachAndFree(n);
        std::printf("%10d %14.2f %18.2f %19.2f %14.0f\n", n, r.Attach, r.FreeForward, r.FreeBackward, r.BytesPerSeries);
        const double total = r.Attach + r.FreeForward;
        if (first == 0)
            first = total;
        last = total;
    }
    if (first > 0)
        std::printf("attach + free per series, largest n against smallest: %.2fx (1.0 = linear overall)\n",
                    last / first);
    if (steps > 0)
        PlotFile(steps);
    return 0;
}
