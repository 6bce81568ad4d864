#include "UnitTWPVData.h"

#include "UnitWPVConvert.h"
#include "UnitWPVDataBlock.h"
#include "UnitWPVFileNames.h"

#include <algorithm>
#include <exception>
#include <thread>

Q_LOGGING_CATEGORY(lcWPVData, "WPV Data", QtInfoMsg)

TVariable* TVariables::ByLineOffset(int aOffset)
{
    switch (aOffset) {
    case 3: return &BS;
    case 4: return &M;
    case 5: return &BOx;
    case 6: return &MZero;
    case 7: return &D;
    case 8: return &mUZero;
    case 9: return &VS;
    case 10: return &nuZero;
    case 11: return &nuOxZero;
    case 12: return &muOxZero;
    case 13: return &muM;
    case 14: return &SensorID;
    case 15: return &SensorAx;
    case 16: return &SensorBx;
    case 17: return &Vhpws;
    case 18: return &Vhp;
    case 19: return &Vgp;
    case 20: return &Tl;
    case 21: return &PsO2;
    case 23: return &PIDP;
    case 24: return &PIDI;
    case 25: return &PIDD;
    case 26: return &RCDuration;
    case 27: return &RCThreshold;
    case 31: return &FGpO2;
    case 32: return &Alpha;
    case 33: return &CTO;
    default: return nullptr;
    }
}

TWPVDataFromFile::TWPVDataFromFile()
{
    qCDebug(lcWPVData) << "Initialization";
}

TWPVDataFromFile::~TWPVDataFromFile() = default;

void TWPVDataFromFile::OccupyFromFile(const QString& aFile)
{
    fVOrig.FileName = aFile;
    std::shared_ptr<TWPVText> text;
    try {
        text = TWPVText::Read(aFile);
    } catch (...) {
        fVOrig = TVariables();
        throw;
    }
    // Nobody else sees this text: the rows' pages can go back to the system as they are read.
    TWPVLines lines(std::move(text));
    fDiscardRows = true;
    Occupy(aFile, lines);
}

void TWPVDataFromFile::OccupyFromText(const QString& aFile, std::shared_ptr<const TWPVText> aText)
{
    TWPVLines lines(std::move(aText));
    fDiscardRows = false;
    Occupy(aFile, lines);
}

void TWPVDataFromFile::Occupy(const QString& aFile, TWPVLines& aLines)
{
    fVOrig.FileName = aFile;
    try {
        WPVCheckMarkers(aLines, aFile);
        LoadHeader(aLines);
        LoadVariables(aLines);
        LoadNotes(aLines);
        LoadData(aLines);
    } catch (...) {
        // A failed load leaves nothing behind.
        fDiscardRows = false;
        fDataSets.clear();
        fVOrig = TVariables();
        throw;
    }
    fDiscardRows = false;
}

void WPVCheckMarkers(TWPVLines& aLines, const QString& aFile)
{
    for (qsizetype i = 0; aLines.HasLine(i); ++i)
        if (aLines.LineEquals(i, WPVVariablesMarker) || aLines.LineEquals(i, WPVNotesMarker)
            || aLines.LineEquals(i, WPVDataMarker))
            return;
    throw EWPVNotDataFile(QStringLiteral("\"%1\" is not a Tarnwell data file: none of its lines is a block marker "
                                         "(\"** VARIABLES ***...\", \"** NOTES ***...\" or \"** DATA ***...\").")
                              .arg(WPVDisplayFileName(aFile)));
}

void TWPVDataFromFile::LoadHeader(TWPVLines& aSL)
{
    // The walk ends at the variables marker; lines 2 to 4 are read first whatever they hold.
    if (aSL.LineEquals(0, WPVVariablesMarker) || aSL.LineEquals(1, WPVVariablesMarker))
        return;
    if (aSL.HasLine(2))
        fVOrig.ExperimentName = WPVTrim(aSL.Line(2));
    if (aSL.HasLine(3))
        fVOrig.SampleName = WPVTrim(aSL.Line(3));
    if (aSL.HasLine(4))
        fVOrig.Saved = WPVTrim(aSL.Line(4));
}

void TWPVDataFromFile::LoadVariables(TWPVLines& aSL)
{
    const qsizetype v = aSL.Find(WPVVariablesMarker);
    if (v < 0)
        return;
    for (int offset = 0; offset <= 34 && aSL.HasLine(v + offset); ++offset) {
        TVariable* variable = fVOrig.ByLineOffset(offset);
        if (!variable)
            continue;
        // Exactly four fields; looked at in place, copied only where they are kept.
        const QString line = aSL.Line(v + offset);
        const qsizetype a = line.indexOf(u';');
        const qsizetype b = a < 0 ? -1 : line.indexOf(u';', a + 1);
        const qsizetype c = b < 0 ? -1 : line.indexOf(u';', b + 1);
        if (c < 0 || line.indexOf(u';', c + 1) >= 0)
            continue;
        const QStringView view(line);
        const auto trimmed = [](QStringView s) {
            while (!s.isEmpty() && s.front().unicode() <= 32)
                s = s.sliced(1);
            while (!s.isEmpty() && s.back().unicode() <= 32)
                s.chop(1);
            return s.toString();
        };
        const QStringView first = view.first(a);
        double value = 0;
        if (WPVStrToFloat(first, value))
            variable->Value = static_cast<float>(value);
        else
            variable->ValueS = first.toString();
        variable->UnitSI = trimmed(view.sliced(a + 1, b - a - 1));
        variable->UnitNameShort = trimmed(view.sliced(b + 1, c - b - 1));
        variable->UnitName = trimmed(view.sliced(c + 1));
    }
}

void TWPVDataFromFile::LoadNotes(TWPVLines& aSL)
{
    const qsizetype n = aSL.Find(WPVNotesMarker);
    if (n < 0)
        return;
    for (qsizetype i = n + 1; aSL.HasLine(i) && !aSL.LineEquals(i, WPVDataMarker); ++i) {
        const QString text = WPVTrim(aSL.Line(i));
        if (!text.isEmpty()) {
            fVOrig.Notes += text;
            fVOrig.Notes += QStringLiteral("\r\n");
        }
    }
}

void TWPVDataFromFile::LoadData(TWPVLines& aSL)
{
    const qsizetype d = aSL.Find(WPVDataMarker);
    if (d < 0 || !aSL.HasLine(d + 4))
        return;
    WPVLoadDataBlock(*this, *aSL.Text(), aSL.LineStart(d + 4), d + 4, fLoadOptions, fDiscardRows);

    // What the statistics keep of the points, built for all steps at once: the steps share
    // out among the threads by their points.
    // The core count is asked once per process (the C library reads it from /sys each time).
    static const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = fLoadOptions.Threads > 0 ? fLoadOptions.Threads : cores;
    std::size_t points = 0;
    for (const auto& s : fDataSets)
        points += std::size_t(s->PointCount());
    if (threads < 2 || points < (std::size_t(1) << 16) || fDataSets.size() < 2) {
        for (const auto& s : fDataSets)
            s->PrepareSums();
        return;
    }
    std::size_t half = 0;
    std::size_t split = 0;
    while (split < fDataSets.size() && half < points / 2)
        half += std::size_t(fDataSets[split++]->PointCount());
    std::exception_ptr error;
    std::thread other([this, split, &error] {
        try {
            for (std::size_t i = split; i < fDataSets.size(); ++i)
                fDataSets[i]->PrepareSums();
        } catch (...) {
            error = std::current_exception();
        }
    });
    try {
        for (std::size_t i = 0; i < split; ++i)
            fDataSets[i]->PrepareSums();
    } catch (...) {
        other.join();
        throw;
    }
    other.join();
    if (error)
        std::rethrow_exception(error);
}

void TWPVDataFromFile::InterSetActions()
{
    const std::size_t k = fDataSets.size();
    for (std::size_t i = 0; i < k; ++i) {
        TWPVDataSet& s = *fDataSets[i];
        s.SumsPre();
        if (i >= 1) {
            s.SetFinalpO2Pre(fDataSets[i - 1]->FinalpO2());
            s.SetCurrentPre(fDataSets[i - 1]->CurrentFinal());
        }
    }
    for (std::size_t i = 0; i < k; ++i)
        fDataSets[i]->SumsPost();
    double r = 0;
    for (std::size_t i = 1; i < k; ++i) {
        TWPVDataSet& s = *fDataSets[i];
        const TWPVDataSet& prev = *fDataSets[i - 1];
        if (s.Mode != prev.Mode || static_cast<int64_t>(s.Step) != static_cast<int64_t>(prev.Step) + 1)
            continue;
        s.O_ch_prev = prev.O_ch;
        s.dO_ch = s.O_ch - s.O_ch_prev;
        s.dOs = s.ChargeTotal() / (-192970.0) + s.LeakageTotal() / 192970.0 + s.dO_ch;
        r += s.dOs;
        s.ΔOs = r;
        s.SetCellFactor(s.FinalpO2() > 0 && s.O_ch > 0 ? s.FinalpO2() / s.O_ch : 0);
    }
}

QString WPVFileSummary(const TWPVDataFromFile* aFile, bool aFlag)
{
    Q_UNUSED(aFile);
    Q_UNUSED(aFlag);
    return QString();
}
