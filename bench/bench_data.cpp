// Data layer speed on a 1,000,000-row file (40 steps of 25,000 rows) from the synthesizer: the
// whole program's --details beside pandas.read_csv of the same table, loading (MB/s), the analysis that reruns on every override keystroke, the details export,
// a bare read-and-convert loop for comparison, and the peak memory of a load in a separate
// process.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kFile = TARNWELL_BUILD_DIR "/bench/million.txt";

std::string BigFile()
{
    if (!QFileInfo::exists(QString::fromStdString(kFile))) {
        const std::string cmd = TARNWELL_BUILD_DIR "/tarnwell-synth -o " + kFile
            + " --program pid --steps 40 --rows 25000 --dt 1 --seed 7";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "cannot run %s\n", cmd.c_str());
            std::exit(1);
        }
    }
    return kFile;
}

double FileBytes()
{
    return static_cast<double>(QFileInfo(QString::fromStdString(BigFile())).size());
}

void BM_OccupyFromFile(benchmark::State& state)
{
    const QString name = QString::fromStdString(BigFile());
    int steps = 0;
    for (auto _ : state) {
        TWPVDataFromFile f;
        f.OccupyFromFile(name);
        steps = f.DataSetCount();
        benchmark::DoNotOptimize(steps);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes()));
    state.counters["steps"] = steps;
}
BENCHMARK(BM_OccupyFromFile)->Unit(benchmark::kMillisecond)->MinTime(3);

// A plain loop: read the whole file, split each row at ';' and convert its numeric fields with
// std::from_chars. What a minimal reader costs, for comparison with the loader.
void BM_BareReadAndConvert(benchmark::State& state)
{
    const std::string name = BigFile();
    for (auto _ : state) {
        std::string text(static_cast<std::size_t>(FileBytes()), '\0');
        FILE* in = std::fopen(name.c_str(), "rb");
        text.resize(std::fread(text.data(), 1, text.size(), in));
        std::fclose(in);
        double sum = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (!eol)
                eol = end;
            int field = 0;
            const char* start = p;
            for (const char* q = p; q <= eol; ++q) {
                if (q == eol || *q == ';') {
                    if (field == 0 || (field >= 3 && field <= 6) || field == 15) {
                        float v = 0;
                        std::from_chars(start, q, v);
                        sum += v;
                    }
                    ++field;
                    start = q + 1;
                }
            }
            p = eol + 1;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes()));
}
BENCHMARK(BM_BareReadAndConvert)->Unit(benchmark::kMillisecond)->MinTime(3);

TWPVDataFromFile& LoadedFile()
{
    static TWPVDataFromFile* file = [] {
        auto* f = new TWPVDataFromFile;
        f->OccupyFromFile(QString::fromStdString(BigFile()));
        TVariables v = f->VOrig();
        v.FileNumber = 1;
        f->SetVActiv(v);
        f->SetVOrig(v);
        f->SetVOver(v);
        return f;
    }();
    return *file;
}

void BM_UpdateVariablesInterSetActions(benchmark::State& state)
{
    TWPVDataFromFile& f = LoadedFile();
    TOverrideValues o = OverrideValuesFromFile(f.VOrig());
    UpdateVariables(f, true, o);
    f.InterSetActions(); // the first run builds the per-step sums kept from run to run
    int i = 0;
    for (auto _ : state) {
        o.Vgp = 0.0062 + 1e-4 * (++i % 7); // as a keystroke in an override edit would
        UpdateVariables(f, true, o);
        f.InterSetActions();
    }
    state.counters["points"] = 1e6;
}
BENCHMARK(BM_UpdateVariablesInterSetActions)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_DetailsExport(benchmark::State& state)
{
    TWPVDataFromFile& f = LoadedFile();
    UpdateVariables(f, false, {});
    f.InterSetActions();
    TColArr columns = DetailColumns();
    for (TColData& c : columns)
        c.Visible = true;
    for (auto _ : state) {
        const QString text = ShowSetData(f, columns, 0).Text();
        benchmark::DoNotOptimize(text.size());
    }
}
BENCHMARK(BM_DetailsExport)->Unit(benchmark::kMicrosecond)->MinTime(2);

long VmHWMkB()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// Loads and analyses the file in a child process and reports its peak resident memory.
void PeakMemory()
{
    const std::string name = BigFile();
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        long before = VmHWMkB();
        {
            TWPVDataFromFile f;
            f.OccupyFromFile(QString::fromStdString(name));
            UpdateVariables(f, false, {});
            f.InterSetActions();
        }
        long after = VmHWMkB();
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%ld %ld", before, after);
        if (write(fds[1], buf, n) != n)
            _exit(1);
        _exit(0);
    }
    close(fds[1]);
    char buf[64] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    long before = 0, after = 0;
    if (n > 0 && std::sscanf(buf, "%ld %ld", &before, &after) == 2) {
        const double mb = FileBytes() / 1e6;
        std::printf("Peak memory of load + analysis: %.1f MB (process before loading %.1f MB); file %.1f MB, "
                    "1,000,000 rows; peak / file size = %.2f\n",
                    after / 1024.0 * 1.048576, before / 1024.0 * 1.048576, mb, after * 1024.0 / FileBytes());
    }
}

// Wall time of a shell command, in seconds; its standard output in aOut.
double RunTimed(const std::string& aCommand, std::string& aOut)
{
    const auto t0 = std::chrono::steady_clock::now();
    aOut.clear();
    FILE* p = popen(aCommand.c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        aOut.append(buf, n);
    const int status = pclose(p);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return status == 0 ? s : -1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The whole program's --details of the file against pandas.read_csv of the same table (the data
// rows, ';'-separated, no header), run alternately. For pandas the time of the read_csv call
// alone is taken (without starting Python and importing pandas), which favours pandas.
void WholeProcessAgainstPandas()
{
    const std::string name = BigFile();
    TWPVLines lines = TWPVLines::FromFile(QString::fromStdString(name));
    const qsizetype firstRow = lines.Find(WPVDataMarker) + 4;
    const std::string reader = std::string(TARNWELL_BUILD_DIR "/tarnwell-reader --details ") + name + " > /dev/null";
    // Debian's Python, where python3-pandas is installed (a python3 earlier on PATH may lack it).
    const std::string python = QFileInfo::exists(QStringLiteral("/usr/bin/python3")) ? "/usr/bin/python3" : "python3";
    const std::string pandas = python + " -c \"import sys, time, pandas; t = time.perf_counter(); "
                               "d = pandas.read_csv(sys.argv[1], sep=';', header=None, skiprows=int(sys.argv[2])); "
                               "print(time.perf_counter() - t, time.process_time(), len(d))\" "
        + name + " " + std::to_string(firstRow) + " 2>/dev/null";
    std::string out;
    if (RunTimed(python + " -c 'import pandas' 2>/dev/null", out) < 0) {
        std::printf("pandas is not installed (python3-pandas): no comparison\n");
        return;
    }
    // Processor time too (all threads; for pandas the whole Python process up to the end of
    // read_csv): on a busy machine the wall times mostly measure the wait for a core.
    const auto childCpu = [] {
        rusage u = {};
        getrusage(RUSAGE_CHILDREN, &u);
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    };
    std::vector<double> ours, theirs, oursCpu, theirsCpu;
    for (int round = 0; round < 5; ++round) {
        const double c0 = childCpu();
        const double a = RunTimed(reader, out);
        oursCpu.push_back(childCpu() - c0);
        const double b = RunTimed(pandas, out);
        double b0 = 0, bCpu = 0;
        if (a < 0 || b < 0 || std::sscanf(out.c_str(), "%lf %lf", &b0, &bCpu) != 2 || b0 <= 0) {
            std::printf("a comparison run failed\n");
            return;
        }
        ours.push_back(a);
        theirs.push_back(b0);
        theirsCpu.push_back(bCpu);
    }
    const double a = Median(ours);
    const double b = Median(theirs);
    std::printf("Whole process --details of %.0f MB, 1,000,000 rows: %.3f s; pandas.read_csv of the same table: "
                "%.3f s; ratio %.2f (median of 5, alternating)\n",
                FileBytes() / 1e6, a, b, a / b);
    std::printf("Processor time: --details %.3f s (both threads); Python with pandas up to the end of read_csv "
                "%.3f s; ratio %.2f\n",
                Median(oursCpu), Median(theirsCpu), Median(oursCpu) / Median(theirsCpu));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BigFile();
    WholeProcessAgainstPandas();
    PeakMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
