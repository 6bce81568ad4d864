// tarnwell-synth: writes physically plausible Tarnwell data files for tests, samples and
// benchmarks. Deterministic for a given --seed.
//
// The cell: a closed chamber whose oxygen pump moves oxygen between the chamber and the outside
// (reference gas pO2ref). In PIDStep mode the controller drives the cell pO2 to a setpoint
// (log pO2/atm) per step; in PPS mode the pump holds a voltage. The pump current is the
// charge that the sample's oxygen exchange needs, decaying exponentially, on top of the leakage
// current alpha * (pO2ref^0.25 - pO2^0.25).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Options
{
    unsigned long long seed = 1;
    std::string out;
    std::string program = "pid"; // pid, pps, mixed
    int steps = 8;
    int rows = 300;
    double dt = 2.0;
    bool crlf = false;
    bool ansi = false;       // Windows-1252 instead of UTF-8
    bool tabs = false;       // TAB characters here and there
    bool colonTimes = false; // "12:5" for 12.5 in some rows
    bool oddCase = false;    // "true" / "TRUE" flags in some rows
    bool blankNotes = false; // blank lines in the notes block
    int shortStep = -1;      // this step (1-based) gets only a few rows
};

void Usage()
{
    std::fprintf(stderr,
                 "usage: tarnwell-synth -o FILE [--seed N] [--program pid|pps|mixed] [--steps N] [--rows N]\n"
                 "                      [--dt SECONDS] [--crlf] [--ansi] [--tabs] [--colon-times] [--odd-case]\n"
                 "                      [--blank-notes] [--short-step K]\n");
}

const double kF = 96485.0;
const double kR = 8.314;
const double kPO2Ref = 0.2095;

class Writer
{
public:
    Writer(FILE* f, const Options& o) : f_(f), o_(o) {}
    void Line(const std::string& s)
    {
        std::string t = s;
        if (o_.ansi) {
            // The only non-ASCII character we write is the degree sign "º" (U+00BA).
            std::string a;
            for (size_t i = 0; i < t.size(); ++i) {
                if ((unsigned char)t[i] == 0xC2 && i + 1 < t.size() && (unsigned char)t[i + 1] == 0xBA) {
                    a += (char)0xBA;
                    ++i;
                } else {
                    a += t[i];
                }
            }
            t = a;
        }
        std::fwrite(t.data(), 1, t.size(), f_);
        std::fputs(o_.crlf ? "\r\n" : "\n", f_);
    }

private:
    FILE* f_;
    const Options& o_;
};

std::string Fmt(const char* format, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string WallTime(double seconds)
{
    // From 2026-03-14 09:00:00.
    long long t = (long long)seconds + 9 * 3600;
    int day = 14 + (int)(t / 86400);
    t %= 86400;
    char buf[32];
    std::snprintf(buf, sizeof buf, "2026-03-%02d_%02lld:%02lld:%02lld", day, t / 3600, (t / 60) % 60, t % 60);
    return buf;
}

struct StepPlan
{
    int mode;       // 15 PIDStep, 16 PPS, 12 ZeroCurrent
    int step;       // step number within the program
    double sp;      // setpoint: log pO2 (PIDStep) or voltage (PPS)
    double target;  // pO2 the step drives to
    int rows;
};

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                Usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "-o") o.out = next();
        else if (a == "--seed") o.seed = std::strtoull(next(), nullptr, 10);
        else if (a == "--program") o.program = next();
        else if (a == "--steps") o.steps = std::atoi(next());
        else if (a == "--rows") o.rows = std::atoi(next());
        else if (a == "--dt") o.dt = std::atof(next());
        else if (a == "--crlf") o.crlf = true;
        else if (a == "--ansi") o.ansi = true;
        else if (a == "--tabs") o.tabs = true;
        else if (a == "--colon-times") o.colonTimes = true;
        else if (a == "--odd-case") o.oddCase = true;
        else if (a == "--blank-notes") o.blankNotes = true;
        else if (a == "--short-step") o.shortStep = std::atoi(next());
        else if (a == "-h" || a == "--help") { Usage(); return 0; }
        else { Usage(); return 2; }
    }
    if (o.out.empty() || o.steps < 1 || o.rows < 1 || o.dt <= 0 ||
        (o.program != "pid" && o.program != "pps" && o.program != "mixed")) {
        Usage();
        return 2;
    }
    FILE* f = std::fopen(o.out.c_str(), "wb");
    if (!f) {
        std::perror(o.out.c_str());
        return 1;
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    std::mt19937_64 rng(o.seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);

    // Cell and sample.
    const double tempC = 650.0 + 10.0 * std::floor(uniform(rng) * 10); // furnace set point
    const double vhpws = 0.0105, vgp = 0.0062, tl = 24.0;
    const double alpha = 1.8e-4 * (0.8 + 0.4 * uniform(rng));       // A per atm^0.25
    const double nu0 = 0.0042;                                        // mol of sample
    const double dbPerDecade = 0.004 + 0.004 * uniform(rng);          // mol O / mol per decade

    // The program.
    std::vector<StepPlan> plan;
    auto rowsFor = [&](int k) { return (k == o.shortStep) ? 3 : o.rows; };
    int k = 0;
    if (o.program == "mixed")
        plan.push_back({12, 0, 0, kPO2Ref, rowsFor(++k)});
    if (o.program == "pid" || o.program == "mixed") {
        const int n = o.program == "mixed" ? (o.steps + 1) / 2 : o.steps;
        for (int s = 1; s <= n; ++s) {
            // Down by half decades, then back up after the halfway point for long programs.
            const int level = (n > 12 && s > n / 2) ? n - s + 1 : s;
            const double sp = -0.5 - 0.5 * level;
            plan.push_back({15, s, sp, std::pow(10.0, sp), rowsFor(++k)});
        }
    }
    if (o.program == "pps" || o.program == "mixed") {
        const int n = o.program == "mixed" ? o.steps / 2 : o.steps;
        for (int s = 1; s <= n; ++s) {
            const double volts = 0.05 + 0.05 * s;
            const double target = kPO2Ref * std::exp(-4 * kF * volts / (kR * (tempC + 273.15)));
            plan.push_back({16, s, volts, target, rowsFor(++k)});
        }
    }

    Writer w(f, o);
    w.Line("Tarnwell data file");
    w.Line("Format 3.2");
    w.Line(o.program == "pps" ? "PPS titration run" : o.program == "mixed" ? "Mixed program run" : "PIDStep titration run");
    w.Line("Sample LSF-" + std::to_string(100 + (int)(o.seed % 900)) + " pellet");
    w.Line("Saved 2026-03-14 09:00");
    w.Line("");
    w.Line("** VARIABLES ********************************************");
    w.Line("Value;Unit SI;Unit;Name");
    w.Line("----;----;----;----");
    struct Var { std::string value, si, shortName, name; };
    auto num = [](double v) { return Fmt("%.6g", v); };
    const std::vector<Var> vars = {
        {num(3.0), "mol/mol", "bs", "Oxygen content at stoichiometry"},    // 3 BS
        {num(156.2), "g/mol", "M", "Molar mass"},                           // 4 M
        {num(2.97), "mol/mol", "b0", "Initial oxygen content"},             // 5 BOx
        {num(156.2), "g/mol", "M0", "Molar mass of the reference"},         // 6 MZero
        {num(6.1), "g/cm3", "D", "Density"},                                // 7 D
        {num(nu0 * 156.2), "g", "m0", "Sample mass"},                       // 8 mUZero
        {num(0.107), "cm3", "VS", "Sample volume"},                         // 9 VS
        {num(nu0), "mol", "nu0", "Amount of sample"},                       // 10 nuZero
        {num(nu0 * 2.97), "mol", "nuOx0", "Oxygen in the sample"},          // 11 nuOxZero
        {num(0.0), "mol", "muOx0", "Oxygen exchanged before"},              // 12 muOxZero
        {num(1.0), "", "muM", "Metal per formula unit"},                    // 13 muM
        {"S-0" + std::to_string(40 + (int)(o.seed % 50)), "", "ID", "Sensor"}, // 14 SensorID
        {num(0.0496), "V", "Ax", "Sensor offset"},                          // 15 SensorAx
        {num(1.0013), "", "Bx", "Sensor slope"},                            // 16 SensorBx
        {num(vhpws), "L", "Vhpws", "Hot part volume with sample"},          // 17 Vhpws
        {num(0.0112), "L", "Vhp", "Hot part volume"},                       // 18 Vhp
        {num(vgp), "L", "Vgp", "Gradient part volume"},                     // 19 Vgp
        {num(tl), "ºC", "Tl", "Cold end temperature"},                      // 20 Tl
        {num(kPO2Ref), "atm", "PsO2", "Sensor reference pO2"},              // 21 PsO2
        {num(1.0), "", "Reg", "Regulator"},                                 // 22 (not read)
        {num(0.8), "", "P", "PID proportional"},                            // 23 PIDP
        {num(0.05), "", "I", "PID integral"},                               // 24 PIDI
        {num(0.0), "", "D", "PID derivative"},                              // 25 PIDD
        {num(60), "s", "RCd", "Relative change duration"},                  // 26 RCDuration
        {num(0.5), "%", "RCp", "Relative change threshold"},                // 27 RCThreshold
        {num(0), "", "x", "Reserved"},                                      // 28
        {num(0), "", "x", "Reserved"},                                      // 29
        {num(0), "", "x", "Reserved"},                                      // 30
        {num(kPO2Ref), "atm", "pO2ref", "Flush gas pO2"},                   // 31 FGpO2
        {num(alpha), "A/atm^0.25", "alpha", "Leakage coefficient"},         // 32 Alpha
        {num(3600), "s", "CTO", "Control time-out"},                        // 33 CTO
    };
    for (const Var& v : vars) {
        std::string value = v.value;
        if (o.tabs && &v == &vars[2])
            value = "\t" + value;
        w.Line(value + ";" + v.si + ";" + v.shortName + ";" + v.name);
    }
    w.Line("");
    w.Line("** NOTES ********************************************");
    w.Line("Furnace at " + Fmt("%.0f", tempC) + " ºC, flush gas air.");
    if (o.blankNotes) {
        w.Line("");
        w.Line("   ");
    }
    w.Line("  Sample pre-annealed 12 h in air.  ");
    if (o.blankNotes)
        w.Line("");
    w.Line("** DATA *************************************************");
    w.Line("Time;Mode;Step;Cell T;Pump V;Pump I;Cell pO2;Flush pO2;RC pO2;Stable pO2;Range pO2;RC I;Stable I;SP;Time;Cell pO2P");
    w.Line("s;;;ºC;V;A;atm;atm;%;;;%;;;;atm");
    w.Line("----");

    double clock = 0;
    double pO2 = kPO2Ref;
    long row = 0;
    for (const StepPlan& s : plan) {
        const double start = pO2;
        const double duration = s.rows * o.dt;
        const double tauP = duration / 10;  // pO2 approach
        const double tauI = duration / 8;   // sample relaxation
        const double decades = std::log10(s.target) - std::log10(start);
        // Charge of the sample's oxygen exchange (C); negative decades: oxygen leaves.
        const double q = -decades * dbPerDecade * nu0 * 192970.0;
        const double tK = tempC + 273.15;
        double lastI = 0, lastP = pO2;
        for (int r = 0; r < s.rows; ++r, ++row) {
            const double t = (r + 1) * o.dt + (r > 0 ? 0.01 * gauss(rng) : 0);
            const double x = std::exp(-t / tauP);
            pO2 = s.target * std::pow(start / s.target, x) * (1 + 0.002 * gauss(rng));
            const double cellT = tempC + 0.05 * gauss(rng);
            const double leak = alpha * (std::pow(kPO2Ref, 0.25) - std::pow(pO2, 0.25));
            double current = leak + (s.mode == 12 ? 0 : q / tauI * std::exp(-t / tauI)) + 2e-7 * gauss(rng);
            const double pumppO2 = pO2 * (1 - 0.02 * std::tanh(current * 100));
            const double volts = s.mode == 16 ? s.sp + 1e-5 * gauss(rng)
                                              : kR * tK / (4 * kF) * std::log(kPO2Ref / pumppO2) + current * 1.5;
            const double rcp = lastP > 0 ? 100 * std::fabs(pO2 - lastP) / lastP : 0;
            const double rci = std::fabs(lastI) > 0 ? 100 * std::fabs(current - lastI) / std::fabs(lastI) : 0;
            lastI = current;
            lastP = pO2;
            const bool stableP = t > 4 * tauP;
            const bool rangeP = std::fabs(std::log10(pO2) - std::log10(s.target)) < 0.02;
            const bool stableI = t > 5 * tauI || s.mode == 12;
            auto flag = [&](bool b) -> std::string {
                if (o.oddCase && row % 7 == 3)
                    return b ? "true" : "FALSE";
                if (o.oddCase && row % 11 == 5)
                    return b ? "TRUE" : "false";
                return b ? "True" : "False";
            };
            std::string time = Fmt("%.2f", t);
            if (o.colonTimes && row % 5 == 2) {
                for (char& c : time)
                    if (c == '.')
                        c = ':';
            }
            std::string line = time;
            line += ";" + std::to_string(s.mode);
            line += ";" + std::to_string(s.step);
            line += ";" + Fmt("%.2f", cellT);
            line += ";" + Fmt("%.6f", volts);
            line += ";" + Fmt("%.6E", current);
            line += ";" + Fmt("%.6E", pO2);
            line += ";" + Fmt("%.6E", kPO2Ref);
            line += ";" + Fmt("%.3f", rcp);
            line += ";" + flag(stableP);
            line += ";" + flag(rangeP);
            line += ";" + Fmt("%.3f", rci);
            line += ";" + flag(stableI);
            line += ";" + (s.mode == 16 ? Fmt("%.2f", s.sp) : Fmt("%g", s.sp));
            line += ";" + WallTime(clock + t);
            line += ";" + Fmt("%.6E", pumppO2);
            if (o.tabs && row % 13 == 6)
                line.insert(line.find(';') + 1, "\t");
            w.Line(line);
        }
        clock += duration;
    }
    if (std::fclose(f) != 0) {
        std::perror(o.out.c_str());
        return 1;
    }
    return 0;
}
