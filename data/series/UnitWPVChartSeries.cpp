#include "UnitWPVChartSeries.h"

#include "QvFormat.h"
#include "UnitDataDisplayDefinitions.h"
#include "UnitTWPVData.h"
#include "UnitTWPVDataSet.h"
#include "UnitWPVMemory.h"

#include <algorithm>
#include <cmath>

namespace {

std::unique_ptr<TQvPointSeries> NewSeries(TQvDoubleVector* aX, TQvDoubleVector* aY)
{
    auto series = std::make_unique<TQvPointSeries>();
    series->SetXData(aX);
    series->SetYData(aY);
    return series;
}

} // namespace

TWPVFileChart::TWPVFileChart()
    : DV_StepsX(std::make_unique<TQvDoubleVector>()),
      DV_StepsY_Charge(std::make_unique<TQvDoubleVector>()),
      DV_StepsY_Leakage(std::make_unique<TQvDoubleVector>()),
      DV_StepsY_Voltage(std::make_unique<TQvDoubleVector>())
{
    SE_Steps_Charge = NewSeries(DV_StepsX.get(), DV_StepsY_Charge.get());
    SE_Steps_Leakage = NewSeries(DV_StepsX.get(), DV_StepsY_Leakage.get());
    SE_Steps_Voltage = NewSeries(DV_StepsX.get(), DV_StepsY_Voltage.get());
}

TWPVFileChart::~TWPVFileChart()
{
    // Series first: they unregister from the vectors they use.
    SE_Steps_Charge.reset();
    SE_Steps_Leakage.reset();
    SE_Steps_Voltage.reset();
}

std::vector<TQvDoubleVector*> TWPVFileChart::Vectors() const
{
    return {DV_StepsX.get(), DV_StepsY_Charge.get(), DV_StepsY_Leakage.get(), DV_StepsY_Voltage.get()};
}

std::vector<TQvPointSeries*> TWPVFileChart::Series() const
{
    return {SE_Steps_Charge.get(), SE_Steps_Leakage.get(), SE_Steps_Voltage.get()};
}

TWPVStepChart::TWPVStepChart()
    : DV_VisX_Time(std::make_unique<TQvDoubleVector>()),
      DV_VisY_Current(std::make_unique<TQvDoubleVector>()),
      DV_VisY_Leakage(std::make_unique<TQvDoubleVector>()),
      DV_VisY_Charge(std::make_unique<TQvDoubleVector>()),
      DV_VisY_LogpO2(std::make_unique<TQvDoubleVector>()),
      DV_VisY_PumppO(std::make_unique<TQvDoubleVector>())
{
    SE_Vis_Current = NewSeries(DV_VisX_Time.get(), DV_VisY_Current.get());
    SE_Vis_Leakage = NewSeries(DV_VisX_Time.get(), DV_VisY_Leakage.get());
    SE_Vis_Charge = NewSeries(DV_VisX_Time.get(), DV_VisY_Charge.get());
    SE_Vis_LogpO2 = NewSeries(DV_VisX_Time.get(), DV_VisY_LogpO2.get());
    SE_Vis_PumppO = NewSeries(DV_VisX_Time.get(), DV_VisY_PumppO.get());
}

TWPVStepChart::~TWPVStepChart()
{
    SE_Vis_Current.reset();
    SE_Vis_Leakage.reset();
    SE_Vis_Charge.reset();
    SE_Vis_LogpO2.reset();
    SE_Vis_PumppO.reset();
}

std::vector<TQvDoubleVector*> TWPVStepChart::Vectors() const
{
    return {DV_VisX_Time.get(),    DV_VisY_Current.get(), DV_VisY_Leakage.get(),
            DV_VisY_Charge.get(),  DV_VisY_LogpO2.get(),  DV_VisY_PumppO.get()};
}

std::vector<TQvPointSeries*> TWPVStepChart::Series() const
{
    return {SE_Vis_Current.get(), SE_Vis_Leakage.get(), SE_Vis_Charge.get(), SE_Vis_LogpO2.get(),
            SE_Vis_PumppO.get()};
}

TWPVFileChart& ChartOf(const TWPVDataFromFile& aFile)
{
    if (!aFile.ChartRecord())
        aFile.SetChartRecord(std::make_unique<TWPVFileChart>());
    return static_cast<TWPVFileChart&>(*aFile.ChartRecord());
}

TWPVStepChart& ChartOf(const TWPVDataSet& aStep)
{
    if (!aStep.ChartRecord())
        aStep.SetChartRecord(std::make_unique<TWPVStepChart>());
    return static_cast<TWPVStepChart&>(*aStep.ChartRecord());
}

QString SeriesCaptionBase(int aFileNumber, const TWPVDataSet& aStep)
{
    return QStringLiteral("FN:") + QString::number(aFileNumber) + QStringLiteral(" Mode:") + ModeName(aStep.Mode)
        + QStringLiteral(" Step:") + QString::number(aStep.Step) + QStringLiteral(" SP:")
        + QvFormatGeneral(aStep.Setpoint);
}

void NameSeries(TWPVDataSet& aStep)
{
    const int fileNumber = aStep.aFile ? aStep.aFile->VOrig().FileNumber : 0;
    const QString base = SeriesCaptionBase(fileNumber, aStep);
    TWPVStepChart& c = ChartOf(aStep);
    c.SE_Vis_Current->SetCaption(base + QStringLiteral(" Current"));
    c.SE_Vis_Leakage->SetCaption(base + QStringLiteral(" Leakage"));
    c.SE_Vis_Charge->SetCaption(base + QStringLiteral(" Charge"));
    c.SE_Vis_LogpO2->SetCaption(base + QStringLiteral(" Log(pO2)"));
}

void ClearStepView(TWPVDataSet& aStep)
{
    for (TQvDoubleVector* v : ChartOf(aStep).Vectors())
        v->Clear();
}

void ReserveStepViews(TWPVDataFromFile& aFile)
{
    TWPVFileChart& fileChart = ChartOf(aFile);
    if (fileChart.StepViewStorage)
        return;
    std::size_t values = 0;
    for (int i = 0; i < aFile.DataSetCount(); ++i)
        values += ChartOf(*aFile.DataSet(i)).Vectors().size() * aFile.DataSet(i)->Data().size();
    if (values == 0)
        return;
    const std::size_t bytes = values * sizeof(double);
    double* block = static_cast<double*>(WPVAllocateLarge(bytes));
    fileChart.StepViewStorage = std::shared_ptr<void>(block, [bytes](void* p) { WPVFreeLarge(p, bytes); });
    for (int i = 0; i < aFile.DataSetCount(); ++i) {
        const TWPVDataSet& step = *aFile.DataSet(i);
        const int points = static_cast<int>(step.Data().size());
        for (TQvDoubleVector* v : ChartOf(step).Vectors()) {
            v->UseStorage(block, points, fileChart.StepViewStorage);
            block += points;
        }
    }
}

void FillStepView(TWPVDataSet& aStep)
{
    const TDataSet& data = aStep.Data();
    const int n = static_cast<int>(data.size());
    TWPVStepChart& c = ChartOf(aStep);
    // Appended in blocks: few change notifications, and little scratch memory for long steps.
    constexpr int Block = 4096;
    double time[Block], current[Block], logpO2[Block], leakage[Block], charge[Block], pump[Block];
    for (int start = 0; start < n; start += Block) {
        const int m = std::min(Block, n - start);
        for (int j = 0; j < m; ++j) {
            const TDataPoint& p = data[start + j];
            time[j] = p.ElapsedSinceBeginning;
            current[j] = p.PumpI;
            logpO2[j] = p.pO2;
            leakage[j] = p.LeakageAlpha2Point;
            charge[j] = p.PumpI - p.LeakageAlpha2Point;
            pump[j] = p.PumppO2;
        }
        c.DV_VisX_Time->AddRange(time, m);
        c.DV_VisY_Current->AddRange(current, m);
        c.DV_VisY_LogpO2->AddRange(logpO2, m);
        c.DV_VisY_Leakage->AddRange(leakage, m);
        c.DV_VisY_Charge->AddRange(charge, m);
        c.DV_VisY_PumppO->AddRange(pump, m);
    }
}

void ClearStepComparison(TWPVDataFromFile& aFile)
{
    for (TQvDoubleVector* v : ChartOf(aFile).Vectors())
        v->Clear();
}

void AddStepComparison(TWPVDataFromFile& aFile, const TWPVDataSet& aStep)
{
    if (!(aStep.FinalpO2() > 0))
        return;
    TWPVFileChart& c = ChartOf(aFile);
    c.DV_StepsX->Add(std::log10(aStep.FinalpO2()));
    c.DV_StepsY_Charge->Add(aStep.ChargeTotal() - aStep.LeakageAlpha());
    c.DV_StepsY_Leakage->Add(aStep.CurrentFinal());
    c.DV_StepsY_Voltage->Add(aStep.Potential());
}
