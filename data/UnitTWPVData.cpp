#include "UnitTWPVData.h"

#include "UnitDataDisplayDefinitions.h"
#include "UnitWPVConvert.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <string>

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
    try {
        TWPVLines lines = TWPVLines::FromFile(aFile);
        LoadHeader(lines);
        LoadVariables(lines);
        LoadNotes(lines);
        const TWPVTextCodec codec = lines.Codec();
        LoadData(lines);
        if (lines.Codec() != codec) {
            // A byte further on showed that the file is not UTF-8: decode its texts again.
            TVariables texts;
            texts.FileName = aFile;
            fVOrig = texts;
            LoadHeader(lines);
            LoadVariables(lines);
            LoadNotes(lines);
        }
    } catch (...) {
        // A failed load leaves nothing behind.
        fDataSets.clear();
        fVOrig = TVariables();
        throw;
    }
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
        const QStringList fields = aSL.Line(v + offset).split(u';');
        if (fields.size() != 4)
            continue;
        double value = 0;
        if (WPVStrToFloat(fields[0], value))
            variable->Value = static_cast<float>(value);
        else
            variable->ValueS = fields[0];
        variable->UnitSI = WPVTrim(fields[1]);
        variable->UnitNameShort = WPVTrim(fields[2]);
        variable->UnitName = WPVTrim(fields[3]);
    }
}

void TWPVDataFromFile::LoadNotes(TWPVLines& aSL)
{
    const qsizetype n = aSL.Find(WPVNotesMarker);
    if (n < 0)
        return;
    for (qsizetype i = n + 1; aSL.HasLine(i) && !aSL.LineEquals(i, WPVDataMarker); ++i) {
        const QString text = WPVTrim(aSL.Line(i));
        if (!text.isEmpty())
            fVOrig.Notes += text + QStringLiteral("\r\n");
    }
}

namespace {

struct TField
{
    const char* b = nullptr;
    const char* e = nullptr;
    QByteArrayView View() const { return QByteArrayView(b, e - b); }
    QByteArrayView Trimmed() const { return WPVTrim(View()); }
};

// Splits [b, e) at every ';' into at most 16 stored fields; returns the number of fields, or
// -1 when the line holds a TAB (the caller removes the TABs and splits again).
int SplitRow(const char* b, const char* e, TField* f)
{
    int n = 0;
    const char* start = b;
    for (const char* p = b; p < e; ++p) {
        const char c = *p;
        if (c > ';')
            continue;
        if (c == ';') {
            if (n < ColInfoCount)
                f[n] = {start, p};
            ++n;
            start = p + 1;
        } else if (c == '\t') {
            return -1;
        }
    }
    if (n < ColInfoCount)
        f[n] = {start, e};
    return n + 1;
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

} // namespace

void TWPVDataFromFile::LoadData(TWPVLines& aSL)
{
    const qsizetype d = aSL.Find(WPVDataMarker);
    if (d < 0 || !aSL.HasLine(d + 4))
        return;

    // Field indexes of the columns, through the column table.
    const int cDuration = ColInfos[ciDuration].ColID;
    const int cMode = ColInfos[ciMode].ColID;
    const int cStep = ColInfos[ciStep].ColID;
    const int cTemp = ColInfos[ciCellT].ColID;
    const int cPumpV = ColInfos[ciPumpV].ColID;
    const int cPumpI = ColInfos[ciPumpI].ColID;
    const int cpO2 = ColInfos[ciCellpO2].ColID;
    const int cStablepO2 = ColInfos[ciStablepO2].ColID;
    const int cRangepO2 = ColInfos[ciRangepO2].ColID;
    const int cStableI = ColInfos[ciStableI].ColID;
    const int cSP = ColInfos[ciSP].ColID;
    const int cpO2P = ColInfos[ciCellpO2P].ColID;

    TWPVDataSet* current = nullptr;
    double previousTime = DBL_MAX;
    double startTime = 0;
    TDataPoint record;
    int testMode = 0;
    int testStep = 0;
    TField f[ColInfoCount];
    std::string noTabs;
    std::string scratch;

    TWPVLineStream stream(aSL, d + 4);
    QByteArrayView raw;
    qsizetype lineIndex = 0;
    while (stream.Next(raw, lineIndex)) {
        const char* lb = raw.data();
        const char* le = lb + raw.size();
        int n = SplitRow(lb, le, f);
        if (n < 0) {
            noTabs.assign(lb, le);
            noTabs.erase(std::remove(noTabs.begin(), noTabs.end(), '\t'), noTabs.end());
            lb = noTabs.data();
            le = lb + noTabs.size();
        }
        // The line is trimmed before it is split.
        const QByteArrayView line = WPVTrim(QByteArrayView(lb, le - lb));
        if (n < 0 || line.data() != lb || line.size() != le - lb)
            n = SplitRow(line.data(), line.data() + line.size(), f);

        // Blank lines, and rows without elapsed time or temperature, are passed over.
        if (f[0].Trimmed().isEmpty())
            continue;
        if (n > cTemp && f[cTemp].Trimmed().isEmpty())
            continue;
        if (n < ColInfoCount)
            throw EWPVDataError(QStringLiteral("Line %1 of \"%2\" has %3 fields; a data row has %4.")
                                    .arg(QString::number(lineIndex + 1), fVOrig.FileName, QString::number(n),
                                         QString::number(ColInfoCount)));

        // A new step starts wherever the elapsed time falls back.
        double t = 0;
        if (WPVStrToFloatColon(f[cDuration].Trimmed(), t) && t < previousTime) {
            double v = 0;
            int i = 0;
            if (WPVStrToFloat(f[cMode].Trimmed(), v) && WPVRoundToInt(v, i))
                testMode = i;
            if (WPVStrToFloat(f[cStep].Trimmed(), v) && WPVRoundToInt(v, i))
                testStep = i;
            int previousCount = 0;
            if (current) {
                previousCount = current->PointCount();
                current->Squeeze();
            }
            if ((testMode == 15 || testMode == 16) && testStep == 1) {
                // The start-reference step: the cell at the start of the run.
                auto reference = std::make_unique<TWPVDataSet>();
                reference->aFile = this;
                reference->Mode = 15;
                reference->Step = 0;
                reference->SetDuration = 1;
                TDataPoint point = record;
                point.ElapsedSinceBeginning = 0;
                point.DataPointDuration = 1;
                if (WPVStrToFloat(f[cTemp].Trimmed(), v))
                    point.TempC = v;
                if (WPVStrToFloat(WithoutBlanks(f[cpO2].View(), scratch), v)) {
                    point.pO2 = v;
                    reference->SetFinalpO2(v);
                }
                reference->AddData(point);
                fDataSets.push_back(std::move(reference));
            }
            auto step = std::make_unique<TWPVDataSet>();
            step->aFile = this;
            step->Reserve(previousCount); // steps of one program tend to be alike
            current = step.get();
            fDataSets.push_back(std::move(step));
            startTime = 0;
        }
        if (!current)
            throw EWPVDataError(QStringLiteral("Line %1 of \"%2\": the elapsed time \"%3\" is not a number.")
                                    .arg(QString::number(lineIndex + 1), fVOrig.FileName,
                                         aSL.Decode(f[cDuration].View())));

        // Fill the point record; a field that does not convert keeps its last value.
        double v = 0;
        int i = 0;
        if (WPVStrToFloatColon(f[cDuration].View(), v)) {
            record.ElapsedSinceBeginning = v;
            record.DataPointDuration = v - startTime;
            previousTime = v;
            startTime = v;
        }
        if (WPVStrToFloat(f[cMode].View(), v) && WPVRoundToInt(v, i))
            current->Mode = i;
        if (WPVStrToFloat(f[cStep].View(), v) && WPVRoundToInt(v, i))
            current->Step = i;
        if (WPVStrToFloat(f[cTemp].View(), v))
            record.TempC = v;
        if (WPVStrToFloat(f[cPumpV].View(), v))
            record.PumpV = v;
        if (WPVStrToFloat(f[cPumpI].View(), v))
            record.PumpI = v;
        if (WPVStrToFloat(WithoutBlanks(f[cpO2].View(), scratch), v))
            record.pO2 = v;
        record.pO2RCOK = IsTrue(f[cStablepO2].View());
        record.pO2RangeOK = IsTrue(f[cRangepO2].View());
        record.IRCOK = IsTrue(f[cStableI].View());
        if (current->PointCount() < 3)
            current->Setpoint = WPVStrToFloat(f[cSP].View(), v) ? v : 0;
        if (WPVStrToFloat(f[cpO2P].View(), v))
            record.PumppO2 = v;
        current->AddData(record);
    }
    if (current)
        current->Squeeze();
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
