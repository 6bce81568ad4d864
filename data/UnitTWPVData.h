#pragma once
// One instrument data file: header texts, instrument variables, notes and the steps of its
// data rows; the loader and the cross-step analysis.
#include "UnitTWPVDataSet.h"
#include "UnitWPVChartRecord.h"
#include "UnitWPVTextFile.h"

#include <QLoggingCategory>
#include <QString>

#include <memory>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcWPVData) // "WPV Data"

// One line of the VARIABLES block.
struct TVariable
{
    float Value = 0;       // the first field when it converts as a number; 0 otherwise
    QString ValueS;        // the first field as read when it does not convert; empty when it does
    QString UnitSI;        // second field, trimmed
    QString UnitNameShort; // third field, trimmed
    QString UnitName;      // fourth field, trimmed

    bool operator==(const TVariable&) const = default;
};

// The header texts and the 27 instrument variables of one file.
struct TVariables
{
    int32_t FileNumber = 0;
    QString FileName;
    QString ExperimentName;
    QString SampleName;
    QString Saved;
    QString Notes; // every non-blank notes line, trimmed, each followed by CR LF
    TVariable BS, M, BOx, MZero, D, mUZero, VS, nuZero, nuOxZero, muOxZero, muM, SensorID,
        SensorAx, SensorBx, Vhpws, Vhp, Vgp, Tl, PsO2, FGpO2, Alpha, PIDP, PIDI, PIDD,
        RCDuration, RCThreshold, CTO;

    bool operator==(const TVariables&) const = default;

    // The variable filled from line V + aOffset of the VARIABLES block (V the marker line);
    // nullptr for offsets that are not read.
    TVariable* ByLineOffset(int aOffset);
};

// The block markers; a line matches only when it equals the marker exactly (TABs removed).
inline constexpr char WPVVariablesMarker[] = "** VARIABLES ********************************************";
inline constexpr char WPVNotesMarker[] = "** NOTES ********************************************";
inline constexpr char WPVDataMarker[] = "** DATA *************************************************";

using TWPVDataSetList = std::vector<std::unique_ptr<TWPVDataSet>>;

// A file that is not an instrument data file at all: none of its lines is one of the three
// markers. Refused before anything of it is kept.
class EWPVNotDataFile : public EWPVDataError
{
public:
    using EWPVDataError::EWPVDataError;
};

// How the loader shares the data block out among threads. The loaded data never depend on it.
struct TWPVLoadOptions
{
    int Threads = 0;                                   // 0: one per core
    std::size_t ParallelFrom = std::size_t(1) << 20;   // smaller data blocks are read on one thread
    std::size_t RoundBytes = std::size_t(8) << 20;     // bytes per thread read before the parts are joined
    std::vector<qsizetype> Seams; // when given: parts begin at these data rows (0 = the first), in one round
};

class TWPVDataFromFile
{
public:
    TWPVDataFromFile();
    ~TWPVDataFromFile();
    TWPVDataFromFile(const TWPVDataFromFile&) = delete;
    TWPVDataFromFile& operator=(const TWPVDataFromFile&) = delete;

    // Loads the file named aFile, read once. Throws EWPVDataError when the file cannot be read or
    // a data row is malformed, EWPVNotDataFile when it has none of the three markers; after a
    // failure the object holds no steps and empty variables.
    void OccupyFromFile(const QString& aFile);
    // The same on a text already read (shared with the "Source file" view).
    void OccupyFromText(const QString& aFile, std::shared_ptr<const TWPVText> aText);

    const TWPVLoadOptions& LoadOptions() const { return fLoadOptions; }
    void SetLoadOptions(const TWPVLoadOptions& aOptions) { fLoadOptions = aOptions; }

    // The four parts of loading, on the file's lines, in this order.
    void LoadHeader(TWPVLines& aSL);
    void LoadVariables(TWPVLines& aSL);
    void LoadNotes(TWPVLines& aSL);
    void LoadData(TWPVLines& aSL);

    // The cross-step analysis: per-step statistics in file order, the leakage model between
    // neighbours and the oxygen balance of continuing steps.
    void InterSetActions();

    int DataSetCount() const { return static_cast<int>(fDataSets.size()); }
    TWPVDataSet* DataSet(int i) const { return fDataSets[i].get(); }

    const TVariables& VActiv() const { return fVActiv; }
    void SetVActiv(const TVariables& v) { fVActiv = v; }
    const TVariables& VOrig() const { return fVOrig; }
    void SetVOrig(const TVariables& v) { fVOrig = v; }
    const TVariables& VOver() const { return fVOver; }
    void SetVOver(const TVariables& v) { fVOver = v; }
    const TWPVDataSetList& DataSets() const { return fDataSets; }
    TWPVDataSetList& DataSets() { return fDataSets; }

    // Chart objects of the file: four vectors and three step-comparison series, made when first
    // asked for (the window asks when it adds the file; see ChartOf) and freed after the step list.
    TWPVChartRecord* ChartRecord() const { return fChart.get(); }
    void SetChartRecord(std::unique_ptr<TWPVChartRecord> Record) const { fChart = std::move(Record); }

private:
    mutable std::unique_ptr<TWPVChartRecord> fChart;

private:
    void Occupy(const QString& aFile, TWPVLines& aLines);

    TWPVLoadOptions fLoadOptions;
    bool fDiscardRows = false; // LoadData may give the pages of the rows back (the text is ours alone)
    TVariables fVActiv;
    TVariables fVOrig;
    TVariables fVOver;
    TWPVDataSetList fDataSets;
};

// Throws EWPVNotDataFile, naming aFile, when none of the lines of aLines is one of the three
// markers.
void WPVCheckMarkers(TWPVLines& aLines, const QString& aFile);

// The file summary shown on the "File" page: always the empty text.
QString WPVFileSummary(const TWPVDataFromFile* aFile, bool aFlag);
