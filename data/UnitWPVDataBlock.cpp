#include "UnitWPVDataBlock.h"

#include "UnitDataDisplayDefinitions.h"
#include "UnitWPVConvert.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// What the loader does to steps besides what every caller may: reach their point arrays.
struct TWPVLoaderAccess
{
    static TDataSet& Points(TWPVDataSet& aStep) { return aStep.fData; }
    // Appends the points of aFrom to aTo (the statistics' sums go stale as with AddData).
    static void Append(TWPVDataSet& aTo, TWPVDataSet& aFrom)
    {
        if (aFrom.fData.empty())
            return;
        aTo.FillPointModels();
        aTo.fData.insert(aTo.fData.end(), aFrom.fData.begin(), aFrom.fData.end());
        aTo.fSums.valid = false;
    }
};

namespace {

// Field indexes of the columns, through the column table.
struct TColumns
{
    int Duration = ColInfos[ciDuration].ColID;
    int Mode = ColInfos[ciMode].ColID;
    int Step = ColInfos[ciStep].ColID;
    int Temp = ColInfos[ciCellT].ColID;
    int PumpV = ColInfos[ciPumpV].ColID;
    int PumpI = ColInfos[ciPumpI].ColID;
    int pO2 = ColInfos[ciCellpO2].ColID;
    int StablepO2 = ColInfos[ciStablepO2].ColID;
    int RangepO2 = ColInfos[ciRangepO2].ColID;
    int StableI = ColInfos[ciStableI].ColID;
    int SP = ColInfos[ciSP].ColID;
    int pO2P = ColInfos[ciCellpO2P].ColID;
};

struct TField
{
    const char* b = nullptr;
    const char* e = nullptr;
    QByteArrayView View() const { return QByteArrayView(b, e - b); }
    QByteArrayView Trimmed() const { return WPVTrim(View()); }
};

// One line of the data block as the loader sees it: TABs removed, trimmed, split at every ';'.
struct TSplitLine
{
    TField f[ColInfoCount];
    int n = 0;             // number of fields (only the first ColInfoCount are kept)
    std::string noTabs;    // the line without its TABs, when it had any
    std::string scratch;   // a field without its blanks
};

bool IsSeparator(char c)
{
    return c == ';' || c == '\t' || c == '\n' || c == '\r';
}

// Splits [b, e) (no TABs, no line ends) at every ';'.
void SplitFields(const char* b, const char* e, TSplitLine& aOut)
{
    int n = 0;
    const char* start = b;
    for (const char* p = static_cast<const char*>(std::memchr(b, ';', std::size_t(e - b))); p;
         p = static_cast<const char*>(std::memchr(p + 1, ';', std::size_t(e - p - 1)))) {
        if (n < ColInfoCount)
            aOut.f[n] = {start, p};
        ++n;
        start = p + 1;
    }
    if (n < ColInfoCount)
        aOut.f[n] = {start, e};
    aOut.n = n + 1;
}

// The line is trimmed before it is split; a ';' is no blank, so only the outer ends of the
// first and last fields move.
void TrimEnds(TSplitLine& aOut)
{
    TField& first = aOut.f[0];
    while (first.b < first.e && static_cast<unsigned char>(*first.b) <= 32)
        ++first.b;
    if (aOut.n <= ColInfoCount) {
        TField& last = aOut.f[aOut.n - 1];
        while (last.e > last.b && static_cast<unsigned char>(last.e[-1]) <= 32)
            --last.e;
    }
}

// Splits the line that starts at p (within [p, aEnd)) and returns where the next line starts.
// One pass over the bytes finds the separators and the line end together.
const char* SplitLine(const char* p, const char* aEnd, TSplitLine& aOut)
{
    int n = 0;
    bool tabs = false;
    const char* start = p;
    const char* lineEnd = aEnd;
    const char* q = p;
#if defined(__SSE2__)
    const __m128i semicolon = _mm_set1_epi8(';');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (aEnd - q >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, semicolon), _mm_cmpeq_epi8(v, tab)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        unsigned m = static_cast<unsigned>(_mm_movemask_epi8(hit));
        while (m) {
            const char* s = q + __builtin_ctz(m);
            m &= m - 1;
            if (*s == ';') {
                if (n < ColInfoCount)
                    aOut.f[n] = {start, s};
                ++n;
                start = s + 1;
            } else if (*s == '\t') {
                tabs = true;
            } else {
                lineEnd = s;
                goto found;
            }
        }
        q += 16;
    }
#endif
    for (; q < aEnd; ++q) {
        if (!IsSeparator(*q))
            continue;
        if (*q == ';') {
            if (n < ColInfoCount)
                aOut.f[n] = {start, q};
            ++n;
            start = q + 1;
        } else if (*q == '\t') {
            tabs = true;
        } else {
            lineEnd = q;
            break;
        }
    }
found:
    if (n < ColInfoCount)
        aOut.f[n] = {start, lineEnd};
    aOut.n = n + 1;
    if (tabs) {
        aOut.noTabs.assign(p, lineEnd);
        aOut.noTabs.erase(std::remove(aOut.noTabs.begin(), aOut.noTabs.end(), '\t'), aOut.noTabs.end());
        SplitFields(aOut.noTabs.data(), aOut.noTabs.data() + aOut.noTabs.size(), aOut);
    }
    TrimEnds(aOut);
    return WPVNextLine(lineEnd, aEnd);
}

// The field with every blank removed (copied only when it holds one).
QByteArrayView WithoutBlanks(QByteArrayView s, std::string& scratch)
{
    if (!std::memchr(s.data(), ' ', static_cast<std::size_t>(s.size())))
        return s;
    scratch.clear();
    for (const char c : s)
        if (c != ' ')
            scratch += c;
    return QByteArrayView(scratch.data(), static_cast<qsizetype>(scratch.size()));
}

bool IsTrue(QByteArrayView s)
{
    return s == QByteArrayView("True");
}

// The point fields that carry over from row to row when a field does not convert.
enum : unsigned {
    kElapsed = 1,
    kDuration = 2,
    kTempC = 4,
    kPumpV = 8,
    kPumpI = 16,
    kpO2 = 32,
    kPumppO2 = 64,
    kAllFields = 127
};

void CopyFields(TDataPoint& aTo, const TDataPoint& aFrom, unsigned aMask)
{
    if (aMask & kElapsed)
        aTo.ElapsedSinceBeginning = aFrom.ElapsedSinceBeginning;
    if (aMask & kDuration)
        aTo.DataPointDuration = aFrom.DataPointDuration;
    if (aMask & kTempC)
        aTo.TempC = aFrom.TempC;
    if (aMask & kPumpV)
        aTo.PumpV = aFrom.PumpV;
    if (aMask & kPumpI)
        aTo.PumpI = aFrom.PumpI;
    if (aMask & kpO2)
        aTo.pO2 = aFrom.pO2;
    if (aMask & kPumppO2)
        aTo.PumppO2 = aFrom.PumppO2;
}

// A point whose fields in Mask still wait for the values of the rows before the part.
struct TPending
{
    TWPVDataSet* Step;
    std::size_t Point;
    unsigned Mask;
};

enum class TRowResult { Done, NeedsEarlierRows };

// Reads rows into steps. With the true state of the rows before (Serial) it is the loader
// itself; reading ahead (a part after a seam) it starts after the part's first row whose
// elapsed time converts and keeps track of what it does not know yet.
class TRowReader
{
public:
    // aSets: the file's step list, for the reader with the true state; nullptr for a reader
    // ahead, which keeps its steps until they are joined.
    TRowReader(TWPVDataFromFile& aFile, const TWPVText& aText, TWPVDataSetList* aSets)
        : fFile(aFile)
        , fText(aText)
        , fSets(aSets)
    {
    }

    // Reading ahead: the state after a part's first row with a converting elapsed time aTime.
    void StartAfter(const TSplitLine& aRow, double aTime)
    {
        fAhead = true;
        fContinued = std::make_unique<TWPVDataSet>();
        fContinued->aFile = &fFile;
        fCurrent = fContinued.get();
        fPreviousTime = fStartTime = aTime;
        fRecord = TDataPoint();
        fRecord.ElapsedSinceBeginning = aTime;
        fKnown = kElapsed;
        fTestModeKnown = fTestStepKnown = false;
        FillFields(aRow);
    }

    // One line, split. Throws EWPVDataError (in order) for a malformed row.
    TRowResult Row(const TSplitLine& r, qsizetype aLineIndex)
    {
        // Blank lines, and rows without elapsed time or temperature, are passed over.
        if (r.f[0].Trimmed().isEmpty())
            return TRowResult::Done;
        if (r.n > fCols.Temp && r.f[fCols.Temp].Trimmed().isEmpty())
            return TRowResult::Done;
        if (r.n < ColInfoCount) {
            if (fAhead)
                return TRowResult::NeedsEarlierRows;
            throw EWPVDataError(QStringLiteral("Line %1 of \"%2\" has %3 fields; a data row has %4.")
                                    .arg(QString::number(aLineIndex + 1), fFile.VOrig().FileName, QString::number(r.n),
                                         QString::number(ColInfoCount)));
        }

        // The elapsed time as the row fills the point (untrimmed) and as the step test reads it
        // (trimmed): when the first converts, so does the second, to the same value.
        double elapsed = 0;
        const bool elapsedOk = WPVStrToFloatColon(r.f[fCols.Duration].View(), elapsed);
        double t = elapsed;
        const bool testOk = elapsedOk || WPVStrToFloatColon(r.f[fCols.Duration].Trimmed(), t);
        if (testOk && t < fPreviousTime) {
            if (!NewStep(r))
                return TRowResult::NeedsEarlierRows;
        }
        if (!fCurrent)
            throw EWPVDataError(QStringLiteral("Line %1 of \"%2\": the elapsed time \"%3\" is not a number.")
                                    .arg(QString::number(aLineIndex + 1), fFile.VOrig().FileName,
                                         fText.Decode(r.f[fCols.Duration].View())));

        // Fill the point record; a field that does not convert keeps its last value.
        if (elapsedOk) {
            fRecord.ElapsedSinceBeginning = elapsed;
            fRecord.DataPointDuration = elapsed - fStartTime;
            fPreviousTime = elapsed;
            fStartTime = elapsed;
            fKnown |= kElapsed | kDuration;
        }
        double v = 0;
        int i = 0;
        if (WPVStrToFloat(r.f[fCols.Mode].View(), v) && WPVRoundToInt(v, i)) {
            fCurrent->Mode = i;
            fContinuedMode |= fCurrent == fContinued.get();
        }
        if (WPVStrToFloat(r.f[fCols.Step].View(), v) && WPVRoundToInt(v, i)) {
            fCurrent->Step = i;
            fContinuedStep |= fCurrent == fContinued.get();
        }
        FillFields(r);
        const bool spOk = WPVStrToFloat(r.f[fCols.SP].View(), v);
        if (fCurrent == fContinued.get()) {
            // Whether the step has fewer than 3 points depends on the rows before the part.
            if (fContinuedSetpoints < 3)
                fContinuedSetpoint[fContinuedSetpoints++] = spOk ? v : 0;
        } else if (fCurrent->PointCount() < 3) {
            fCurrent->Setpoint = spOk ? v : 0;
        }
        fCurrent->AddData(fRecord);
        if (fKnown != kAllFields)
            fPending.push_back({fCurrent, std::size_t(fCurrent->PointCount() - 1), kAllFields & ~fKnown});
        return TRowResult::Done;
    }

    // Reads the lines of [p, aEnd) with the true state (Serial only).
    void Lines(const char* p, const char* aEnd, qsizetype& aLineIndex, TSplitLine& aRow)
    {
        while (p < aEnd) {
            p = SplitLine(p, aEnd, aRow);
            Row(aRow, aLineIndex);
            ++aLineIndex;
        }
    }

    // Ends the last step.
    void Finish()
    {
        if (fCurrent)
            fCurrent->Squeeze();
    }

    // Appends what a reader ahead (aAhead) read, after this reader (with the true state) has
    // read the rows of the part up to and including aAhead's first row.
    void Join(TRowReader& aAhead)
    {
        // The values carried from the rows before the part.
        for (const TPending& p : aAhead.fPending)
            CopyFields(TWPVLoaderAccess::Points(*p.Step)[p.Point], fRecord, p.Mask);
        // The step that goes on across the seam.
        TWPVDataSet& continued = *aAhead.fContinued;
        const int count = fCurrent->PointCount();
        for (int j = 0; j < aAhead.fContinuedSetpoints; ++j)
            if (count + j < 3)
                fCurrent->Setpoint = aAhead.fContinuedSetpoint[j];
        if (aAhead.fContinuedMode)
            fCurrent->Mode = continued.Mode;
        if (aAhead.fContinuedStep)
            fCurrent->Step = continued.Step;
        TWPVLoaderAccess::Append(*fCurrent, continued);
        // The steps that begin in the part.
        if (!aAhead.fOwn.empty()) {
            fCurrent->Squeeze();
            for (auto& s : aAhead.fOwn)
                fSets->push_back(std::move(s));
            fCurrent = fSets->back().get();
        }
        fPreviousTime = aAhead.fPreviousTime;
        fStartTime = aAhead.fStartTime;
        TDataPoint record = aAhead.fRecord;
        CopyFields(record, fRecord, kAllFields & ~aAhead.fKnown);
        fRecord = record;
        if (aAhead.fTestModeKnown)
            fTestMode = aAhead.fTestMode;
        if (aAhead.fTestStepKnown)
            fTestStep = aAhead.fTestStep;
    }

private:
    // A new step starts at row r; false when that needs the rows before the part.
    bool NewStep(const TSplitLine& r)
    {
        double v = 0;
        int i = 0;
        if (WPVStrToFloat(r.f[fCols.Mode].Trimmed(), v) && WPVRoundToInt(v, i)) {
            fTestMode = i;
            fTestModeKnown = true;
        }
        if (WPVStrToFloat(r.f[fCols.Step].Trimmed(), v) && WPVRoundToInt(v, i)) {
            fTestStep = i;
            fTestStepKnown = true;
        }
        if (!fTestModeKnown || !fTestStepKnown)
            return false;
        int previousCount = 0;
        if (fCurrent) {
            previousCount = fCurrent->PointCount();
            fCurrent->Squeeze();
        }
        TWPVDataSetList& sets = fSets ? *fSets : fOwn;
        if ((fTestMode == 15 || fTestMode == 16) && fTestStep == 1) {
            // The start-reference step: the cell at the start of the run.
            auto reference = std::make_unique<TWPVDataSet>();
            reference->aFile = &fFile;
            reference->Mode = 15;
            reference->Step = 0;
            reference->SetDuration = 1;
            TDataPoint point = fRecord;
            unsigned known = fKnown | kElapsed | kDuration;
            point.ElapsedSinceBeginning = 0;
            point.DataPointDuration = 1;
            if (WPVStrToFloat(r.f[fCols.Temp].Trimmed(), v)) {
                point.TempC = v;
                known |= kTempC;
            }
            if (WPVStrToFloat(WithoutBlanks(r.f[fCols.pO2].View(), fScratch), v)) {
                point.pO2 = v;
                known |= kpO2;
                reference->SetFinalpO2(v);
            }
            reference->AddData(point);
            if (known != kAllFields)
                fPending.push_back({reference.get(), 0, kAllFields & ~known});
            sets.push_back(std::move(reference));
        }
        auto step = std::make_unique<TWPVDataSet>();
        step->aFile = &fFile;
        step->Reserve(previousCount); // steps of one program tend to be alike
        fCurrent = step.get();
        sets.push_back(std::move(step));
        fStartTime = 0;
        return true;
    }

    // The fields that every row fills, each when it converts.
    void FillFields(const TSplitLine& r)
    {
        double v = 0;
        if (WPVStrToFloat(r.f[fCols.Temp].View(), v)) {
            fRecord.TempC = v;
            fKnown |= kTempC;
        }
        if (WPVStrToFloat(r.f[fCols.PumpV].View(), v)) {
            fRecord.PumpV = v;
            fKnown |= kPumpV;
        }
        if (WPVStrToFloat(r.f[fCols.PumpI].View(), v)) {
            fRecord.PumpI = v;
            fKnown |= kPumpI;
        }
        if (WPVStrToFloat(WithoutBlanks(r.f[fCols.pO2].View(), fScratch), v)) {
            fRecord.pO2 = v;
            fKnown |= kpO2;
        }
        fRecord.pO2RCOK = IsTrue(r.f[fCols.StablepO2].View());
        fRecord.pO2RangeOK = IsTrue(r.f[fCols.RangepO2].View());
        fRecord.IRCOK = IsTrue(r.f[fCols.StableI].View());
        if (WPVStrToFloat(r.f[fCols.pO2P].View(), v)) {
            fRecord.PumppO2 = v;
            fKnown |= kPumppO2;
        }
    }

    const TColumns fCols;
    TWPVDataFromFile& fFile;
    const TWPVText& fText;
    TWPVDataSetList* fSets; // the file's steps (with the true state)
    bool fAhead = false;

    TWPVDataSet* fCurrent = nullptr;
    double fPreviousTime = DBL_MAX;
    double fStartTime = 0;
    TDataPoint fRecord;
    unsigned fKnown = kAllFields;
    int fTestMode = 0;
    int fTestStep = 0;
    bool fTestModeKnown = true;
    bool fTestStepKnown = true;
    std::string fScratch;

    // Reading ahead: the points of the step that goes on from before the part, what they set
    // of that step, the steps that begin in the part, and the points still to complete.
    std::unique_ptr<TWPVDataSet> fContinued;
    bool fContinuedMode = false;
    bool fContinuedStep = false;
    int fContinuedSetpoints = 0;
    double fContinuedSetpoint[3] = {};
    TWPVDataSetList fOwn;
    std::vector<TPending> fPending;
};

// One part of a round: lines [Begin, End).
struct TPart
{
    const char* Begin = nullptr;
    const char* End = nullptr;
    // Filled by the reader ahead.
    const char* Joined = nullptr; // where its own reading starts (after its first timed row)
    qsizetype Lines = 0;          // lines from Joined to End
    bool ReadAhead = false;       // false: read the whole part with the true state
    std::unique_ptr<TRowReader> Reader;
    std::exception_ptr Error;
};

// Reads a part after a seam ahead of the rows before it.
void ReadAhead(TWPVDataFromFile& aFile, const TWPVText& aText, TPart& aPart)
{
    const TColumns cols;
    TSplitLine row;
    const char* p = aPart.Begin;
    // The first row whose elapsed time converts, as the row fills the point.
    while (p < aPart.End) {
        p = SplitLine(p, aPart.End, row);
        if (row.f[0].Trimmed().isEmpty())
            continue;
        if (row.n > cols.Temp && row.f[cols.Temp].Trimmed().isEmpty())
            continue;
        if (row.n < ColInfoCount)
            return; // a malformed row: read in order, where its error is raised
        double t = 0;
        if (!WPVStrToFloatColon(row.f[cols.Duration].View(), t))
            continue;
        aPart.Reader = std::make_unique<TRowReader>(aFile, aText, nullptr);
        aPart.Reader->StartAfter(row, t);
        aPart.Joined = p;
        break;
    }
    if (!aPart.Reader)
        return;
    qsizetype lines = 0;
    while (p < aPart.End) {
        p = SplitLine(p, aPart.End, row);
        if (aPart.Reader->Row(row, lines) == TRowResult::NeedsEarlierRows) {
            aPart.Reader.reset();
            return;
        }
        ++lines;
    }
    aPart.Lines = lines;
    aPart.ReadAhead = true;
}

// The start of the first line that begins at or after p.
const char* NextLineStart(const char* aBlock, const char* p, const char* aEnd)
{
    if (p <= aBlock)
        return aBlock;
    if (p >= aEnd)
        return aEnd;
    // p is a line start when the byte before it ends a line (a CR followed by LF does not).
    if (p[-1] == '\n' || (p[-1] == '\r' && *p != '\n'))
        return p;
    return WPVNextLine(WPVLineEnd(p, aEnd), aEnd);
}

// Joins a thread however the round ends.
struct TJoin
{
    std::vector<std::thread> Threads;
    ~TJoin()
    {
        for (std::thread& t : Threads)
            if (t.joinable())
                t.join();
    }
};

} // namespace

void WPVLoadDataBlock(TWPVDataFromFile& aFile, const TWPVText& aText, std::size_t aBegin, qsizetype aFirstLine,
                      const TWPVLoadOptions& aOptions, bool aDiscard)
{
    const char* const block = aText.Data() + aBegin;
    const char* const end = aText.Data() + aText.Size();
    TRowReader reader(aFile, aText, &aFile.DataSets());
    TSplitLine row;
    qsizetype lineIndex = aFirstLine;

    // The core count is asked once per process (the C library reads it from /sys each time).
    static const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = aOptions.Threads > 0 ? aOptions.Threads : cores;
    const std::size_t perThread = std::max<std::size_t>(aOptions.RoundBytes, 1);

    // The rounds: each a list of parts that begin at line starts.
    std::vector<std::vector<const char*>> rounds;
    if (!aOptions.Seams.empty()) {
        // Seams at given data lines (0 = the first data row), in one round.
        std::vector<const char*> starts{block};
        const char* p = block;
        qsizetype line = 0;
        for (const qsizetype seam : aOptions.Seams) {
            while (line < seam && p < end) {
                p = WPVNextLine(WPVLineEnd(p, end), end);
                ++line;
            }
            if (p > starts.back() && p < end)
                starts.push_back(p);
        }
        rounds.push_back(starts);
    } else if (threads > 1 && std::size_t(end - block) >= aOptions.ParallelFrom) {
        // Rounds of up to RoundBytes per thread, shared out evenly.
        for (const char* p = block; p < end;) {
            const std::size_t round = std::min(perThread * std::size_t(threads), std::size_t(end - p));
            const std::size_t part = std::max<std::size_t>(round / std::size_t(threads), 1);
            const char* roundEnd = p + round;
            std::vector<const char*> starts;
            for (int t = 0; t < threads && p < end; ++t) {
                starts.push_back(p);
                p = NextLineStart(block, t + 1 == threads ? roundEnd : p + part, end);
            }
            rounds.push_back(starts);
        }
    } else {
        rounds.push_back({block});
    }

    for (std::size_t r = 0; r < rounds.size(); ++r) {
        const std::vector<const char*>& starts = rounds[r];
        const char* roundEnd = r + 1 < rounds.size() ? rounds[r + 1].front() : end;
        std::vector<TPart> parts(starts.size());
        for (std::size_t k = 0; k < starts.size(); ++k) {
            parts[k].Begin = starts[k];
            parts[k].End = k + 1 < starts.size() ? starts[k + 1] : roundEnd;
        }
        {
            // Every part but the first is read ahead on a thread of its own, while this thread
            // reads the first with the true state.
            TJoin join;
            for (std::size_t k = 1; k < parts.size(); ++k)
                join.Threads.emplace_back([&aFile, &aText, part = &parts[k]] {
                    try {
                        ReadAhead(aFile, aText, *part);
                    } catch (...) {
                        part->Error = std::current_exception();
                    }
                });
            reader.Lines(parts[0].Begin, parts[0].End, lineIndex, row);
        }
        for (std::size_t k = 1; k < parts.size(); ++k) {
            TPart& part = parts[k];
            if (part.Error)
                std::rethrow_exception(part.Error);
            if (!part.ReadAhead) {
                reader.Lines(part.Begin, part.End, lineIndex, row);
                continue;
            }
            reader.Lines(part.Begin, part.Joined, lineIndex, row);
            reader.Join(*part.Reader);
            lineIndex += part.Lines;
        }
        if (aDiscard)
            aText.Discard(std::size_t(parts.front().Begin - aText.Data()), std::size_t(roundEnd - aText.Data()));
    }
    reader.Finish();
}
