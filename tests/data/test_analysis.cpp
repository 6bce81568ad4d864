// Per-step statistics and the cross-step analysis of a file.
#include "UnitTWPVData.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TDataPoint Point(double elapsed, double duration, double current, double pO2 = 0.01, double temp = 700,
                 double voltage = 0.1)
{
    TDataPoint p;
    p.ElapsedSinceBeginning = elapsed;
    p.DataPointDuration = duration;
    p.PumpI = current;
    p.pO2 = pO2;
    p.TempC = temp;
    p.PumpV = voltage;
    p.pO2RCOK = p.pO2RangeOK = p.IRCOK = true;
    return p;
}

// Four points of 4 s each (16 s), currents 1, 2, 3, 4.
void FillFour(TWPVDataSet& s)
{
    for (int i = 0; i < 4; ++i)
        s.AddData(Point(4.0 * (i + 1), 4, i + 1, 0.001 * (i + 1), 700 + i, 0.5 * (i + 1)));
    s.SetDuration = 16;
}

TEST(AverageLast, CoversAtLeastTheWindow)
{
    TWPVDataSet s;
    FillFour(s);
    struct Case { double window; TFinals what; double expected; };
    const Case cases[] = {
        {10, TFinals::Current, (4 * 4 + 4 * 3 + 4 * 2) / 12.0}, // the last three points
        {4, TFinals::Current, 4},                                // exactly one point
        {4.5, TFinals::Voltage, (2.0 + 1.5) / 2},
        {16, TFinals::pO2, 0.0025},                              // every point
        {16.001, TFinals::Current, 0},                           // longer than the step
        {0, TFinals::Current, 0},
        {-1, TFinals::Current, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(s.AverageLast(c.window, c.what), c.expected) << c.window;
    TWPVDataSet empty;
    EXPECT_EQ(empty.AverageLast(10, TFinals::Current), 0);
}

TEST(SumsPre, StepStatistics)
{
    TWPVDataSet s;
    FillFour(s);
    s.Step = 2;
    s.Mode = 15;
    s.SetRCd(8);
    s.SetFGpO2(0.21);
    s.Vhpws = 0.01;
    s.Vgp = 0.005;
    s.Tl = 25;
    s.SumsPre();
    EXPECT_EQ(s.SetDuration, 16);
    EXPECT_DOUBLE_EQ(s.TempAverageK, (700 + 701 + 702 + 703) * 4 / 16.0 + 273.15);
    EXPECT_DOUBLE_EQ(s.FinalpO2(), 0.0035);
    EXPECT_DOUBLE_EQ(s.CurrentFinal(), 3.5);
    EXPECT_DOUBLE_EQ(s.Potential(), 1.75);
    EXPECT_EQ(s.CurrentLastPoint(), 4);
    EXPECT_EQ(s.CurrentPre(), 0);
    EXPECT_EQ(s.AlphaZ(), 0);
    EXPECT_DOUBLE_EQ(s.ChargeTotal(), 4 * (1 + 2 + 3 + 4));
    EXPECT_DOUBLE_EQ(s.LeakageTotal(), 3.5 * 16);
    const double tK = s.TempAverageK;
    const double tlK = 298.15;
    EXPECT_DOUBLE_EQ(s.O2_ch_hp, 0.0035 * 0.01 / (0.08206 * tK));
    EXPECT_DOUBLE_EQ(s.O2_ch_gp, (0.0035 * 0.005 / 0.08206) * (std::log(tK) - std::log(tlK)) / (tK - tlK));
    EXPECT_DOUBLE_EQ(s.O_ch, 2 * (s.O2_ch_hp + s.O2_ch_gp));
    EXPECT_TRUE(s.Stable());
    for (const TDataPoint& p : s.Data())
        EXPECT_EQ(p.AlphaLeakage, 0);

    // Running it again gives the same results.
    const double charge = s.ChargeTotal(), leak = s.LeakageTotal(), och = s.O_ch;
    s.SetCurrentPre(5);
    s.SumsPre();
    EXPECT_EQ(s.ChargeTotal(), charge);
    EXPECT_EQ(s.LeakageTotal(), leak);
    EXPECT_EQ(s.O_ch, och);
    EXPECT_EQ(s.CurrentPre(), 0);
}

TEST(SumsPre, StartReferenceStepAndEdgeCases)
{
    TWPVDataSet ref;
    ref.Step = 0;
    ref.Mode = 15;
    ref.SetRCd(60);
    ref.AddData(Point(0, 1, 0, 0.2, 650));
    ref.SumsPre();
    EXPECT_EQ(ref.SetDuration, 0);
    EXPECT_DOUBLE_EQ(ref.TempAverageK, 650 * 1 + 273.15);
    EXPECT_EQ(ref.FinalpO2(), 0.2);
    EXPECT_EQ(ref.CurrentFinal(), 0); // shorter than the window

    // Empty step: nothing changes.
    TWPVDataSet empty;
    empty.SetFinalpO2(0.5);
    empty.SumsPre();
    EXPECT_EQ(empty.FinalpO2(), 0.5);
    EXPECT_EQ(empty.TempAverageK, 0);
    empty.SumsPost();
    EXPECT_EQ(empty.LeakageChargeAlpha2(), 0);
}

TEST(SumsPre, StabilityDependsOnTheMode)
{
    for (int mode : {15, 16}) {
        TWPVDataSet s;
        s.Mode = mode;
        TDataPoint p = Point(1, 1, 1);
        p.pO2RangeOK = false;
        s.AddData(p);
        s.SumsPre();
        EXPECT_EQ(s.Stable(), mode == 16) << mode;
    }
}

TEST(SumsPre, ChamberOxygenAtTheColdEndLimits)
{
    struct Case { double tl; bool gpZero; };
    for (const Case c : {Case{-273.15, true}, Case{-300, true}, Case{700, false}}) {
        TWPVDataSet s;
        s.Step = 0;
        s.Vhpws = 0.01;
        s.Vgp = 0.005;
        s.Tl = c.tl;
        s.AddData(Point(0, 1, 0, 0.1, 700));
        s.SumsPre();
        if (c.gpZero) {
            EXPECT_EQ(s.O2_ch_gp, 0) << c.tl;
            EXPECT_EQ(s.O_ch, 2 * s.O2_ch_hp);
        } else {
            // Same temperature at both ends: the limit of the formula, no division by zero.
            EXPECT_DOUBLE_EQ(s.O2_ch_gp, 0.1 * 0.005 / (0.08206 * 973.15));
        }
    }
}

TEST(SumsPost, LeakageModelBetweenSteps)
{
    TWPVDataSet s;
    FillFour(s);
    s.Step = 2;
    s.SetRCd(8);
    s.SumsPre();
    s.SetFinalpO2Pre(0.01);
    s.SetCurrentPre(0.5);
    s.SumsPost();
    const double preRoot = std::pow(0.01, 0.25);
    const double alpha2 = (3.5 - 0.5) / (preRoot - std::pow(0.0035, 0.25));
    EXPECT_DOUBLE_EQ(s.Alpha2(), alpha2);
    double sum = 0;
    for (const TDataPoint& p : s.Data()) {
        const double expected = (preRoot - std::pow(p.pO2, 0.25)) * alpha2 + 0.5;
        EXPECT_NEAR(p.LeakageAlpha2Point, expected, 1e-12);
        sum += expected * p.DataPointDuration;
    }
    EXPECT_NEAR(s.LeakageChargeAlpha2(), sum, 1e-9 * std::fabs(sum));

    // Running SumsPre alone again leaves the model's point values as SumsPost made them.
    const double first = s.Data()[0].LeakageAlpha2Point;
    s.SumsPre();
    EXPECT_EQ(s.Data()[0].LeakageAlpha2Point, first);

    // Equal fourth roots: the coefficient keeps its value.
    s.SetFinalpO2Pre(s.FinalpO2());
    s.SumsPost();
    EXPECT_DOUBLE_EQ(s.Alpha2(), alpha2);
}

// The point values of the leakage model follow every change of the model, also when the
// analysis runs again and again with the same parameters in between and points are added.
TEST(SumsPost, PointModelsFollowEveryChange)
{
    TWPVDataSet s;
    FillFour(s);
    s.Step = 2;
    s.SetRCd(8);
    auto run = [&](double pre, double currentPre) {
        s.SumsPre();
        s.SetFinalpO2Pre(pre);
        s.SetCurrentPre(currentPre);
        s.SumsPost();
    };
    auto check = [&](double pre, double currentPre, const char* when) {
        const double preRoot = std::pow(pre, 0.25);
        const double alpha2 = (s.CurrentFinal() - currentPre) / (preRoot - std::pow(s.FinalpO2(), 0.25));
        for (const TDataPoint& p : s.Data())
            EXPECT_DOUBLE_EQ(p.LeakageAlpha2Point, (preRoot - std::pow(p.pO2, 0.25)) * alpha2 + currentPre) << when;
    };
    run(0.01, 0.5);
    check(0.01, 0.5, "first");
    run(0.01, 0.5);
    run(0.01, 0.5);
    check(0.01, 0.5, "same again");
    run(0.02, 0.25);
    check(0.02, 0.25, "changed");
    run(0.03, 0.25); // never read
    run(0.01, 0.5);
    check(0.01, 0.5, "back to the first");
    s.AddData(Point(20, 4, 5, 0.004));
    s.SetDuration = 20;
    run(0.01, 0.5);
    ASSERT_EQ(s.Data().size(), 5u);
    check(0.01, 0.5, "a point added");
}

// A file whose steps are built directly.
struct TStepSpec { int mode; int step; double pO2; double current; };

std::unique_ptr<TWPVDataFromFile> MakeFile(const std::vector<TStepSpec>& specs)
{
    auto f = std::make_unique<TWPVDataFromFile>();
    for (const TStepSpec& sp : specs) {
        auto s = std::make_unique<TWPVDataSet>();
        s->Mode = sp.mode;
        s->Step = sp.step;
        s->aFile = f.get();
        s->SetRCd(5);
        s->Vhpws = 0.01;
        s->Vgp = 0.005;
        s->Tl = 25;
        for (int i = 1; i <= 10; ++i)
            s->AddData(Point(i, 1, sp.current * i, sp.pO2));
        f->DataSets().push_back(std::move(s));
    }
    return f;
}

TEST(InterSetActions, ChainsContinuingSteps)
{
    auto f = MakeFile({{15, 0, 0.2, 0}, {15, 1, 0.1, 1e-3}, {15, 2, 0.01, 2e-3}});
    f->InterSetActions();
    const TWPVDataSet& s0 = *f->DataSet(0);
    const TWPVDataSet& s1 = *f->DataSet(1);
    const TWPVDataSet& s2 = *f->DataSet(2);
    EXPECT_EQ(s0.CurrentPre(), 0);
    EXPECT_EQ(s1.FinalpO2Pre(), s0.FinalpO2());
    EXPECT_EQ(s2.CurrentPre(), s1.CurrentFinal());
    EXPECT_EQ(s1.O_ch_prev, s0.O_ch);
    EXPECT_DOUBLE_EQ(s1.dO_ch, s1.O_ch - s0.O_ch);
    EXPECT_DOUBLE_EQ(s1.dOs, s1.ChargeTotal() / -192970 + s1.LeakageTotal() / 192970 + s1.dO_ch);
    EXPECT_DOUBLE_EQ(s2.ΔOs, s1.dOs + s2.dOs);
    EXPECT_DOUBLE_EQ(s2.CellFactor(), s2.FinalpO2() / s2.O_ch);
    EXPECT_EQ(s0.dOs, 0);
}

TEST(InterSetActions, BreaksKeepEarlierValuesAndTheRunningSum)
{
    auto f = MakeFile({{15, 1, 0.1, 1e-3}, {15, 2, 0.05, 2e-3}, {15, 4, 0.02, 3e-3}, {15, 5, 0.01, 4e-3},
                       {16, 6, 0.005, 5e-3}});
    f->DataSet(2)->dOs = 42; // "earlier value" of a step that does not continue
    f->InterSetActions();
    EXPECT_EQ(f->DataSet(2)->dOs, 42);
    EXPECT_EQ(f->DataSet(2)->ΔOs, 0);
    EXPECT_EQ(f->DataSet(4)->dOs, 0); // other mode
    EXPECT_EQ(f->DataSet(4)->CellFactor(), 0);
    EXPECT_DOUBLE_EQ(f->DataSet(3)->ΔOs, f->DataSet(1)->dOs + f->DataSet(3)->dOs);

    // A second run leaves every value as after the first.
    const double d3 = f->DataSet(3)->ΔOs, a1 = f->DataSet(1)->Alpha2(), q1 = f->DataSet(1)->LeakageChargeAlpha2();
    f->InterSetActions();
    EXPECT_EQ(f->DataSet(3)->ΔOs, d3);
    EXPECT_EQ(f->DataSet(1)->Alpha2(), a1);
    EXPECT_EQ(f->DataSet(1)->LeakageChargeAlpha2(), q1);
}

TEST(InterSetActions, ContinuingStepShorterThanTheWindowHasNoCellFactor)
{
    auto f = MakeFile({{15, 1, 0.1, 1e-3}, {15, 2, 0.05, 2e-3}});
    f->DataSet(1)->SetRCd(100);
    f->InterSetActions();
    EXPECT_EQ(f->DataSet(1)->FinalpO2(), 0);
    EXPECT_EQ(f->DataSet(1)->CellFactor(), 0);
}

TEST(InterSetActions, FileWithoutStepsOrWithEmptySteps)
{
    TWPVDataFromFile none;
    none.InterSetActions();
    auto f = MakeFile({{15, 1, 0.1, 1e-3}});
    f->DataSets().insert(f->DataSets().begin(), std::make_unique<TWPVDataSet>());
    f->InterSetActions();
    EXPECT_EQ(f->DataSet(1)->FinalpO2Pre(), 0);
    EXPECT_EQ(f->DataSet(1)->CurrentPre(), 0);
}

} // namespace
