#pragma once
// The chart objects through which the window draws files and steps: a file's three
// step-comparison series (one point per step against log pO2) and a step's five step-view
// series (its data rows against time), with the vectors that hold their data.
//
// The objects have no owner component: the file or step that holds the record frees them with
// it. Series are declared after the vectors so that they are destroyed first and never point at
// a freed vector; the shared X vector is freed once.
#include "UnitWPVChartRecord.h"

#include "QvSeries.h"
#include "QvVectors.h"

#include <QString>

#include <memory>
#include <vector>

class TWPVDataFromFile;
class TWPVDataSet;

// The four vectors and three series of a file.
struct TWPVFileChart : TWPVChartRecord
{
    TWPVFileChart();
    ~TWPVFileChart() override;
    TWPVFileChart(const TWPVFileChart&) = delete;
    TWPVFileChart& operator=(const TWPVFileChart&) = delete;

    std::unique_ptr<TQvDoubleVector> DV_StepsX;
    std::unique_ptr<TQvDoubleVector> DV_StepsY_Charge;
    std::unique_ptr<TQvDoubleVector> DV_StepsY_Leakage;
    std::unique_ptr<TQvDoubleVector> DV_StepsY_Voltage;
    std::unique_ptr<TQvPointSeries> SE_Steps_Charge;
    std::unique_ptr<TQvPointSeries> SE_Steps_Leakage;
    std::unique_ptr<TQvPointSeries> SE_Steps_Voltage;

    std::vector<TQvDoubleVector*> Vectors() const;
    std::vector<TQvPointSeries*> Series() const;

    // One block of storage for the view vectors of all the file's steps, made the first time a
    // step is shown (see ReserveStepViews); the vectors keep it alive.
    std::shared_ptr<void> StepViewStorage;
};

// The six vectors and five series of a step.
struct TWPVStepChart : TWPVChartRecord
{
    TWPVStepChart();
    ~TWPVStepChart() override;
    TWPVStepChart(const TWPVStepChart&) = delete;
    TWPVStepChart& operator=(const TWPVStepChart&) = delete;

    std::unique_ptr<TQvDoubleVector> DV_VisX_Time;
    std::unique_ptr<TQvDoubleVector> DV_VisY_Current;
    std::unique_ptr<TQvDoubleVector> DV_VisY_Leakage;
    std::unique_ptr<TQvDoubleVector> DV_VisY_Charge;
    std::unique_ptr<TQvDoubleVector> DV_VisY_LogpO2;
    std::unique_ptr<TQvDoubleVector> DV_VisY_PumppO;
    std::unique_ptr<TQvPointSeries> SE_Vis_Current;
    std::unique_ptr<TQvPointSeries> SE_Vis_Leakage;
    std::unique_ptr<TQvPointSeries> SE_Vis_Charge;
    std::unique_ptr<TQvPointSeries> SE_Vis_LogpO2;
    std::unique_ptr<TQvPointSeries> SE_Vis_PumppO;

    std::vector<TQvDoubleVector*> Vectors() const;
    std::vector<TQvPointSeries*> Series() const;
};

// Room in the six view vectors of every step of aFile for all its points. The first call maps
// one block for all steps (huge pages where the system offers them) and lends each vector its
// part: filling the views of a long file then touches fresh memory in 2 MB pages instead of
// 4 KB ones, which is what filling them cost on machines with expensive page faults. A vector
// that holds more values than its step has points keeps its own storage.
void ReserveStepViews(TWPVDataFromFile& aFile);

// The chart record of a file or a step, made when first asked for.
TWPVFileChart& ChartOf(const TWPVDataFromFile& aFile);
TWPVStepChart& ChartOf(const TWPVDataSet& aStep);

// The caption base of a step's series: "FN:2 Mode:PIDStep Step:3 SP:-2.5".
QString SeriesCaptionBase(int aFileNumber, const TWPVDataSet& aStep);

// Names four of the step's view series after the step (the pump-pO2 series keeps no caption).
void NameSeries(TWPVDataSet& aStep);

// Empties the step-view vectors of a step.
void ClearStepView(TWPVDataSet& aStep);
// Appends every data row of the step to its step-view vectors: time; pump current; cell pO2;
// leakage; current minus leakage; pump pO2.
void FillStepView(TWPVDataSet& aStep);

// Empties the step-comparison vectors of a file.
void ClearStepComparison(TWPVDataFromFile& aFile);
// Appends one point for aStep (which must belong to aFile, statistics current) to the file's
// comparison vectors. A step without a positive final pO2 has no log(pO2) and is left out.
void AddStepComparison(TWPVDataFromFile& aFile, const TWPVDataSet& aStep);
