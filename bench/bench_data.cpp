// Data layer speed on a 1,000,000-row file (40 steps of 25,000 rows) from the synthesizer:
// loading (MB/s), the analysis that reruns on every override keystroke, the details export,
// a bare read-and-convert loop for comparison, and the peak memory of a load in a separate
// process.
#include "UnitTWPVData.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BigFile();
    PeakMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
