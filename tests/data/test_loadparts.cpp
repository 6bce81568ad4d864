// The data block read in parts on several threads gives the same file, bit for bit, as reading
// its rows one after the other: for the samples and for generated files full of the rows that
// carry state across a seam, with seams at every line, inside steps and at step boundaries.
#include "LoaderFixture.h"

#include "TestPaths.h"
#include "UnitWPVDetails.h"
#include "UnitWPVParameters.h"

#include <QDir>

#include <gtest/gtest.h>

#include <bit>
#include <random>

namespace {

// Everything the loader makes, as text: the variables and, per step, its fields and every
// point's fields as bit patterns.
std::string Fingerprint(const TWPVDataFromFile& f)
{
    std::string out;
    const auto bits = [&out](double v) { out += std::to_string(std::bit_cast<quint64>(v)) + ' '; };
    const TVariables& v = f.VOrig();
    out += (v.ExperimentName + '|' + v.SampleName + '|' + v.Saved + '|' + v.Notes).toStdString() + '\n';
    for (const auto& s : f.DataSets()) {
        out += "step " + std::to_string(s->Mode) + ' ' + std::to_string(s->Step) + ' ';
        bits(s->Setpoint);
        bits(s->SetDuration);
        bits(s->FinalpO2());
        out += s->aFile == &f ? "own\n" : "other\n";
        for (const TDataPoint& p : s->Data()) {
            for (const double d : {p.ElapsedSinceBeginning, p.DataPointDuration, p.TempC, p.PumpV, p.PumpI, p.PumppO2,
                                   p.pO2, p.SP, p.Leakage, p.Alpha, p.AlphaLeakage, p.LeakageAlpha2Point})
                bits(d);
            out += std::to_string(p.pO2RCOK) + std::to_string(p.pO2RangeOK) + std::to_string(p.IRCOK) + '\n';
        }
    }
    return out;
}

// The details page for start sets from first to last, with the file's own values and with
// overrides.
std::string Details(TWPVDataFromFile& f)
{
    TVariables v = f.VOrig();
    v.FileNumber = 1;
    f.SetVActiv(v);
    f.SetVOrig(v);
    f.SetVOver(v);
    TColArr columns = DetailColumns();
    for (TColData& c : columns)
        c.Visible = true;
    std::string out;
    TOverrideValues overrides = OverrideValuesFromFile(v);
    overrides.Vgp = 0.02;
    overrides.RCDuration = 3;
    overrides.FGpO2 = 0.21;
    for (const bool overridden : {false, true}) {
        UpdateVariables(f, overridden, overrides);
        f.InterSetActions();
        const int k = f.DataSetCount();
        for (const int start : {0, 1, 2, k / 2, k - 1, k})
            out += ShowSetData(f, columns, std::max(start, 0)).Text().toStdString();
    }
    return out;
}

// What a load ends in: the file, or the error.
struct TLoaded
{
    std::string Data;
    std::string Error;
    std::string DetailsText;
};

TLoaded LoadWith(const QString& aPath, const TWPVLoadOptions& aOptions, bool aDetails = false)
{
    TLoaded r;
    TWPVDataFromFile f;
    f.SetLoadOptions(aOptions);
    try {
        f.OccupyFromFile(aPath);
    } catch (const EWPVDataError& e) {
        r.Error = e.what();
        EXPECT_EQ(f.DataSetCount(), 0);
        return r;
    }
    r.Data = Fingerprint(f);
    if (aDetails)
        r.DetailsText = Details(f);
    return r;
}

TWPVLoadOptions Serial()
{
    TWPVLoadOptions o;
    o.Threads = 1;
    return o;
}

TWPVLoadOptions WithSeams(std::vector<qsizetype> aSeams)
{
    TWPVLoadOptions o;
    o.Seams = std::move(aSeams);
    return o;
}

// Rows that carry state across a seam: fields that do not convert (their value comes from an
// earlier row), elapsed times with a trailing blank (they test for a new step but do not fill
// the point), step starts whose mode or step number does not convert, start-reference steps,
// steps of one or two rows (the setpoint of the first three rows), blank and skipped lines,
// TABs and colon times.
QStringList QuirkyRows(unsigned aSeed, int aRows)
{
    std::mt19937 random(aSeed);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    QStringList rows;
    double t = 0;
    int step = 1;
    int mode = 15;
    for (int i = 0; i < aRows; ++i) {
        const int kind = pick(40);
        if (kind == 0) {
            rows << QString();
            continue;
        }
        if (kind == 1) {
            rows << QStringLiteral("   ");
            continue;
        }
        bool restart = pick(6) == 0;
        if (restart) {
            t = 0;
            ++step;
            if (pick(3) == 0) {
                step = 1;
                mode = pick(3) == 0 ? 12 : pick(2) ? 15 : 16; // only 15 and 16 get a start reference
            }
        }
        t += pick(4) == 0 ? 0 : 1 + pick(3);
        TRowSpec r;
        r.time = QString::number(t);
        r.mode = QString::number(mode);
        r.step = QString::number(step);
        r.temp = QString::number(650 + pick(20));
        r.pumpV = QString::number(0.01 * pick(50));
        r.pumpI = QStringLiteral("%1E-03").arg(1 + pick(9));
        r.pO2 = QStringLiteral("%1E-0%2").arg(1 + pick(9)).arg(1 + pick(6));
        r.sp = QString::number(-pick(8));
        r.pumppO2 = QStringLiteral("%1E-04").arg(1 + pick(9));
        r.stablepO2 = pick(2) ? QStringLiteral("True") : QStringLiteral("False");
        switch (pick(14)) {
        case 0: r.pumpI = QStringLiteral("n/a"); break;
        case 1: r.pO2 = QStringLiteral("-"); r.temp = QStringLiteral("651 "); break;
        case 2: r.time += u' '; break;       // tests for a step, fills nothing
        case 3: r.mode = QStringLiteral("?"); break;
        case 4: r.step = QStringLiteral(" x"); r.sp = QStringLiteral("SP?"); break;
        case 5: r.time.replace(u'.', u':'); r.pumpV = QStringLiteral("1e99"); break;
        case 6: r.pumppO2 = QString(); r.pumpV = QString(); break;
        case 7: r.time = QStringLiteral("t?"); break; // fills nothing, starts no step
        case 8: r.pO2 = QStringLiteral(" 2.5 E-03 "); break;
        case 9: r.temp = QStringLiteral(" "); break; // passed over
        default: break;
        }
        if (restart && pick(4) == 0) {
            // A step start whose mode or step number does not convert: the ones from the last
            // step start decide on a start-reference step.
            if (pick(2))
                r.mode = QStringLiteral("?");
            else
                r.step = QStringLiteral("-");
        }
        QString text = r.Text();
        if (pick(25) == 0)
            text.insert(pick(int(text.size())), u'\t');
        rows << text;
    }
    return rows;
}

class LoadPartsTest : public LoaderTest
{
protected:
    // Every single seam, then every line a seam, against the serial load.
    void CompareAllSeams(const QString& aPath, qsizetype aLines, const char* aName)
    {
        const TLoaded serial = LoadWith(aPath, Serial(), true);
        for (qsizetype seam = 1; seam < aLines; ++seam) {
            const TLoaded parts = LoadWith(aPath, WithSeams({seam}));
            ASSERT_EQ(parts.Error, serial.Error) << aName << ", seam at data line " << seam;
            ASSERT_EQ(parts.Data, serial.Data) << aName << ", seam at data line " << seam;
        }
        std::vector<qsizetype> all;
        for (qsizetype seam = 1; seam < aLines; ++seam)
            all.push_back(seam);
        const TLoaded parts = LoadWith(aPath, WithSeams(all), true);
        ASSERT_EQ(parts.Error, serial.Error) << aName << ", every line a part";
        ASSERT_EQ(parts.Data, serial.Data) << aName << ", every line a part";
        ASSERT_EQ(parts.DetailsText, serial.DetailsText) << aName << ", every line a part";
    }
};

TEST_F(LoadPartsTest, GeneratedFilesWithSeamsAtEveryLine)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        const QStringList rows = QuirkyRows(seed, 48);
        const QString path = Write(StandardFile(rows));
        CompareAllSeams(path, rows.size(), qPrintable(QStringLiteral("seed %1").arg(seed)));
    }
}

TEST_F(LoadPartsTest, SamplesWithSeamsInsideStepsAndAtTheirStarts)
{
    const QDir samples(SourcePath(QStringLiteral("samples")));
    const QStringList names = samples.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty());
    std::mt19937 random(7);
    for (const QString& name : names) {
        const QString path = samples.filePath(name);
        const TLoaded serial = LoadWith(path, Serial(), true);
        ASSERT_TRUE(serial.Error.empty()) << serial.Error;
        TWPVLines lines = TWPVLines::FromFile(path);
        const qsizetype first = lines.Find(WPVDataMarker) + 4;
        const qsizetype rows = lines.Count() - first;
        // Seams on the rows where a step starts (the elapsed time falls back), next to them,
        // and anywhere.
        std::vector<qsizetype> starts;
        double previous = 1e300;
        for (qsizetype i = 0; i < rows; ++i) {
            const double t = lines.Line(first + i).section(u';', 0, 0).replace(u':', u'.').trimmed().toDouble();
            if (t < previous)
                starts.push_back(i);
            previous = t;
        }
        ASSERT_GT(starts.size(), 2u) << name.toStdString();
        for (const qsizetype s : starts)
            for (const qsizetype seam : {s - 1, s, s + 1, s + 2, s + 3}) {
                if (seam <= 0 || seam >= rows)
                    continue;
                const TLoaded parts = LoadWith(path, WithSeams({seam}));
                ASSERT_EQ(parts.Data, serial.Data) << name.toStdString() << ", seam at data line " << seam;
            }
        for (int round = 0; round < 6; ++round) {
            std::vector<qsizetype> seams;
            for (int k = 0; k < 5; ++k)
                seams.push_back(1 + qsizetype(random() % unsigned(rows - 1)));
            std::sort(seams.begin(), seams.end());
            const TLoaded parts = LoadWith(path, WithSeams(seams), true);
            ASSERT_EQ(parts.Data, serial.Data) << name.toStdString() << ", seams from " << seams.front();
            ASSERT_EQ(parts.DetailsText, serial.DetailsText) << name.toStdString();
        }
    }
}

// The loader's own division: rounds of a few hundred bytes per thread over a larger block,
// with two and three threads.
TEST_F(LoadPartsTest, RoundsOfSmallPartsOnSeveralThreads)
{
    for (unsigned seed = 20; seed < 26; ++seed) {
        const QString path = Write(StandardFile(QuirkyRows(seed, 1500)));
        const TLoaded serial = LoadWith(path, Serial(), true);
        for (const int threads : {2, 3}) {
            TWPVLoadOptions o;
            o.Threads = threads;
            o.ParallelFrom = 0;
            o.RoundBytes = 600 + seed * 37;
            const TLoaded parts = LoadWith(path, o, true);
            ASSERT_EQ(parts.Error, serial.Error) << "seed " << seed;
            ASSERT_EQ(parts.Data, serial.Data) << "seed " << seed << ", " << threads << " threads";
            ASSERT_EQ(parts.DetailsText, serial.DetailsText) << "seed " << seed;
        }
    }
}

// A malformed row is reported as the rows are read in order, wherever the seams fall: the
// first one in the file, with its line.
TEST_F(LoadPartsTest, TheFirstMalformedRowIsReportedWhereverTheSeamsAre)
{
    QStringList rows = QuirkyRows(99, 40);
    rows[25] = QStringLiteral("7;15;2;700");
    rows[33] = QStringLiteral("8;15");
    const QString path = Write(StandardFile(rows));
    const TLoaded serial = LoadWith(path, Serial());
    ASSERT_NE(serial.Error.find("has 4 fields"), std::string::npos) << serial.Error;
    for (qsizetype seam = 1; seam < rows.size(); ++seam) {
        const TLoaded parts = LoadWith(path, WithSeams({seam, seam + 3}));
        EXPECT_EQ(parts.Error, serial.Error) << "seam at data line " << seam;
    }
}

} // namespace
