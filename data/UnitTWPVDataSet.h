#pragma once
// One step of an instrument data file: its points, the parameters in force and its statistics.
#include "UnitWPVMemory.h"

#include "UnitWPVChartRecord.h"

#include <QLoggingCategory>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcWPVDataSet) // "WPV Data Set"

class TWPVDataFromFile;

// One data row.
struct TDataPoint
{
    double ElapsedSinceBeginning = 0; // time since the start of the step, s
    double DataPointDuration = 0;     // time since the previous row of the step, s
    double TempC = 0;                 // cell temperature, °C
    double PumpV = 0;                 // pump voltage, V
    double PumpI = 0;                 // pump current, A
    double PumppO2 = 0;               // pump pO2, atm
    double pO2 = 0;                   // cell pO2, atm
    bool pO2RCOK = false;             // stable-pO2 flag
    bool pO2RangeOK = false;          // pO2-in-range flag
    bool IRCOK = false;               // stable-current flag
    double SP = 0;                    // not filled
    double Leakage = 0;               // not filled
    double Alpha = 0;                 // not filled
    double AlphaLeakage = 0;          // leakage charge by the flush-gas model, C (SumsPre)
    double LeakageAlpha2Point = 0;    // leakage current by the step-to-step model, A (SumsPost)
};

using TDataSet = TWPVLargeVector<TDataPoint>;

// The point quantity that AverageLast averages.
enum class TFinals { pO2, Current, Voltage };

// x^0.25 for the leakage models; 0 for x <= 0 (a pO2 of 0 or below has no oxygen to leak).
double FourthRoot(double x);

class TWPVDataSet
{
public:
    TWPVDataSet();
    ~TWPVDataSet();
    TWPVDataSet(const TWPVDataSet&) = delete;
    TWPVDataSet& operator=(const TWPVDataSet&) = delete;

    // Appends a copy of aData.
    void AddData(const TDataPoint& aData);
    // The step's own statistics.
    void SumsPre();
    // The leakage model between the previous step and this one (needs fCurrentPre and
    // fFinalpO2Pre set first).
    void SumsPost();
    // Duration-weighted mean of one point quantity over the last aLLSDuration seconds.
    double AverageLast(double aLLSDuration, TFinals aParameter) const;

    // The points, with their AlphaLeakage and LeakageAlpha2Point as of the last SumsPre and
    // SumsPost (filled in on demand: the statistics themselves work from per-step sums).
    const TDataSet& Data() const;
    int PointCount() const { return static_cast<int>(fData.size()); }
    // Room for aCount points (the loader's guess from the step before).
    void Reserve(int aCount);
    // Gives back the spare capacity of the point array (the loader calls it when a step ends).
    void Squeeze();
    // Builds what the statistics keep of the points from run to run (sums in row order, each
    // point's duration and pO2 fourth root). Done on first use otherwise; the loader does it
    // for all steps at once, several steps at a time on different threads.
    void PrepareSums() const { Sums(); }

    // Properties over the private fields.
    double LeakageTotal() const { return fLeakageTotal; }
    void SetLeakageTotal(double v) { fLeakageTotal = v; }
    double CellFactor() const { return fCellFactor; }
    void SetCellFactor(double v) { fCellFactor = v; }
    bool Stable() const { return fStable; }
    double Potential() const { return fPotential; }
    double LeakageAlpha() const { return fAlphaLeakage; }
    void SetLeakageAlpha(double v) { fAlphaLeakage = v; }
    double Alpha() const { return fAlpha; }
    void SetAlpha(double v) { fAlpha = v; }
    double FGpO2() const { return fFGpO2; }
    void SetFGpO2(double v) { fFGpO2 = v; }
    double AlphaZ() const { return fAlphaZ; }
    void SetAlphaZ(double v) { fAlphaZ = v; }
    double CurrentLastPoint() const { return fLeakageLast; }
    void SetCurrentLastPoint(double v) { fLeakageLast = v; }
    double RCd() const { return fRCd; }
    void SetRCd(double v) { fRCd = v; }
    double RCp() const { return fRCp; }
    void SetRCp(double v) { fRCp = v; }
    double ChargeTotal() const { return fChargeTotal; }
    void SetChargeTotal(double v) { fChargeTotal = v; }
    double Alpha2() const { return fAlpha2; }
    void SetAlpha2(double v) { fAlpha2 = v; }
    double CurrentPre() const { return fCurrentPre; }
    void SetCurrentPre(double v) { fCurrentPre = v; }
    double CurrentFinal() const { return fCurrentFinal; }
    void SetCurrentFinal(double v) { fCurrentFinal = v; }
    double FinalpO2Pre() const { return fFinalpO2Pre; }
    void SetFinalpO2Pre(double v) { fFinalpO2Pre = v; }
    double FinalpO2() const { return fFinalpO2; }
    void SetFinalpO2(double v) { fFinalpO2 = v; }
    double LeakageChargeAlpha2() const { return fLeakageChargeAlpha2; }
    void SetLeakageChargeAlpha2(double v) { fLeakageChargeAlpha2 = v; }
    double DeltaOs() const { return ΔOs; }

private:
    double fLeakageTotal = 0;       // CurrentFinal times the step's duration, C
    double fCellFactor = 0;         // fFinalpO2 / O_ch (cross-step analysis)
    bool fStable = false;           // the step ended stable
    double fPotential = 0;          // pump voltage at the end of the step, V
    double fAlphaLeakage = 0;       // sum of the points' AlphaLeakage, C
    mutable TDataSet fData;         // the points
    double fAlpha = 0;              // the file's Alpha variable
    double fFGpO2 = 0;              // reference pO2 (flush gas), atm
    double fAlphaZ = 0;             // coefficient of the flush-gas leakage model
    double fLeakage = 0;            // never set
    double fLeakageLast = 0;        // PumpI of the last point, A
    double fRCd = 0;                // end-of-step averaging window, s
    double fRCp = 0;                // relative-change threshold, %
    double fChargeTotal = 0;        // pump current integrated over the step, C
    double fAlpha2 = 0;             // step-to-step leakage coefficient, A per atm^0.25
    double fCurrentPre = 0;         // end-of-step current of the previous step, A
    double fCurrentFinal = 0;       // end-of-step current, A
    double fFinalpO2Pre = 0;        // end-of-step pO2 of the previous step, atm
    double fFinalpO2 = 0;           // end-of-step pO2, atm
    double fLeakageChargeAlpha2 = 0; // sum of LeakageAlpha2Point * DataPointDuration, C

public:
    double SetDuration = 0;         // duration of the step, s
    double Setpoint = 0;            // log pO2/atm, or a voltage in mode PPS
    int32_t Mode = 0;               // TProgramState value + 10
    int32_t Step = 0;               // step number within the instrument's program
    double TempC = 0;               // never set
    double TempAverageK = 0;        // time-weighted mean cell temperature, K
    TWPVDataFromFile* aFile = nullptr; // the owning file, not owned
    double dOtot = 0;               // never set
    double dOl_O_Leakage = 0;       // never set
    double O2_ch_hp = 0;            // O2 in the hot part of the chamber, mol
    double O2_ch_gp = 0;            // O2 in the temperature-gradient part, mol
    double O_ch = 0;                // oxygen atoms in the chamber atmosphere, mol O
    double O_ch_prev = 0;           // O_ch of the previous step (continuing steps)
    double dO_ch = 0;               // O_ch - O_ch_prev
    double dOs = 0;                 // oxygen moved in this step, mol O
    double ΔOs = 0;                 // dOs cumulated over the file, mol O
    double Vhpws = 0;               // hot-part volume, L
    double Vgp = 0;                 // gradient-part volume, L
    double Tl = 0;                  // temperature of the cold end, °C
    double BS = 0;
    double BOx = 0;
    double MZero = 0;

    // Chart objects of the step: six vectors and five step-view series, made when first asked
    // for (the window asks when it adds the file; see ChartOf) and freed with the step.
    TWPVChartRecord* ChartRecord() const { return fChart.get(); }
    void SetChartRecord(std::unique_ptr<TWPVChartRecord> Record) const { fChart = std::move(Record); }

private:
    mutable std::unique_ptr<TWPVChartRecord> fChart;

    // The loader fills the points of the steps it builds on several threads, and completes
    // them afterwards.
    friend struct TWPVLoaderAccess;

private:
    // What the statistics need of the points and does not change between analyses, kept from
    // run to run and rebuilt after AddData: sums in row order, and each point's duration and
    // pO2 fourth root side by side (the loops over them touch 16 bytes per point, not a whole
    // TDataPoint).
    struct TPointSums
    {
        bool valid = false;
        double duration = 0;     // sum of DataPointDuration
        double charge = 0;       // sum of PumpI * DataPointDuration, in row order
        double temperature = 0;  // sum of TempC * DataPointDuration, in row order
        TWPVLargeVector<double> dt;   // DataPointDuration of each point
        TWPVLargeVector<double> root; // pO2^0.25 of each point
    };
    const TPointSums& Sums() const;

    // The per-point model values are written into the points only when Data() is read.
    void FillPointModels() const;

    mutable TPointSums fSums;
    mutable bool fAlphaLeakageStale = false;
    mutable bool fLeakageAlpha2Stale = false;
    // The models as the last SumsPre and SumsPost computed them (SumsPre may run again alone).
    double fModelFGRoot = 0;
    double fModelAlphaZ = 0;
    double fModelPreRoot = 0;
    double fModelAlpha2 = 0;
    double fModelCurrentPre = 0;
    // The model parameters the points were last written with, and how many points there were.
    struct TWrittenModel
    {
        double a = 0, b = 0, c = 0;
        std::size_t points = std::size_t(-1);
        // Bitwise equal parameters give the points bitwise equal values (-0 and 0 differ).
        bool Holds(double aA, double aB, double aC, std::size_t aPoints) const
        {
            return points == aPoints && std::bit_cast<quint64>(a) == std::bit_cast<quint64>(aA)
                && std::bit_cast<quint64>(b) == std::bit_cast<quint64>(aB)
                && std::bit_cast<quint64>(c) == std::bit_cast<quint64>(aC);
        }
    };
    mutable TWrittenModel fAlphaLeakageWritten;
    mutable TWrittenModel fLeakageAlpha2Written;
};
