// The numeric heart of the axis: rounding of the ends, step choice, label digits and texts,
// ticks and the value <-> pixel transforms, without any widget.
#include "QvAxisMath.h"
#include "QvFormat.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class AxisMath : public ::testing::Test
{
protected:
    void SetUp() override { QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(',')); }
    void TearDown() override { QvSetFormatSeparators(QChar(), QChar()); }
};

// A horizontal 400-pixel axis at pixel 0, ends rounded, ticks computed.
TQvScale Horizontal400(TQvAxisScaling Scaling = TQvAxisScaling::Normal)
{
    TQvScale S;
    S.Scaling = Scaling;
    S.Position = TQvAxisPosition::Bottom;
    S.Avail = 400;
    S.AxLength = 400;
    return S;
}

void Range(TQvScale& S, double Start, double Stop)
{
    QvRoundEnds(S, Start, Stop);
    S.Start = Start;
    S.Stop = Stop;
}

QStringList LabelTexts(const TQvTickList& T)
{
    QStringList R;
    for (const auto& L : T.Labels)
        R << L.Text;
    return R;
}

} // namespace

TEST_F(AxisMath, DecimalHelpers)
{
    EXPECT_EQ(QvExponent(9.9999999), 1);
    EXPECT_EQ(QvExponent(0.00047), -4);
    EXPECT_EQ(QvExponent(0), 0);
    EXPECT_EQ(QvExponent(std::nan("")), 0);
    EXPECT_EQ(QvExponent(-2500), 3);
    EXPECT_EQ(QvSigDigits(0.5), 1);
    EXPECT_EQ(QvSigDigits(0.25), 2);
    EXPECT_EQ(QvSigDigits(0.2 * 0.001), 1);
    EXPECT_EQ(QvSigDigits(0.1), 1);
    EXPECT_EQ(QvPow10(400), std::numeric_limits<double>::max());
    EXPECT_EQ(QvPower10(1000.0), std::numeric_limits<double>::max());
    EXPECT_EQ(QvPow10(0), 1.0);
    EXPECT_DOUBLE_EQ(QvRoundUp(-4, 0.5, 0.00047), 0.0005);
    EXPECT_DOUBLE_EQ(QvRoundDown(-4, 0.5, 0.00012), 0.0001);
    EXPECT_DOUBLE_EQ(QvRoundUp(0, 1, 3.0), 3.0);   // already on the grid stays
    EXPECT_DOUBLE_EQ(QvRoundDown(0, 1, 3.0), 3.0);
    EXPECT_DOUBLE_EQ(QvRoundUp(2, 0, 123.4), 123.4); // part 0: unchanged
}

TEST_F(AxisMath, CommonExponentOnlyBelowMinForExtraExponent)
{
    TQvScale S = Horizontal400();
    Range(S, 0.00012, 0.00047);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_TRUE(S.AdditionalExponent);
    EXPECT_EQ(S.MaxExponent, -4);
    EXPECT_EQ(T.ExponentText, QStringLiteral("·10\\+-4"));
    EXPECT_DOUBLE_EQ(S.Start, 0.0001);
    EXPECT_DOUBLE_EQ(S.Stop, 0.0005);
    // Half steps: the labels are scaled by 10^4 and carry one decimal.
    EXPECT_EQ(LabelTexts(T),
              (QStringList{"1.0", "1.5", "2.0", "2.5", "3.0", "3.5", "4.0", "4.5", "5.0"}));

    TQvScale S2 = Horizontal400();
    Range(S2, 0.0012, 0.0047);
    TQvTickList T2;
    QvCalculateTicks(S2, T2);
    EXPECT_FALSE(S2.AdditionalExponent);
    EXPECT_TRUE(T2.ExponentText.isEmpty());
    // Five-character labels need more room: every second unit is labelled.
    EXPECT_DOUBLE_EQ(S2.Start, 0.001);
    EXPECT_DOUBLE_EQ(S2.Stop, 0.005);
    EXPECT_EQ(LabelTexts(T2), (QStringList{"0.002", "0.004"}));
}

TEST_F(AxisMath, LargeValuesGetCommonExponentToo)
{
    TQvScale S = Horizontal400();
    Range(S, 0, 47000);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_TRUE(S.AdditionalExponent);
    EXPECT_EQ(T.ExponentText, QStringLiteral("·10\\+4"));
    ASSERT_FALSE(T.Labels.empty());
    EXPECT_EQ(T.Labels.front().Text, QStringLiteral("0"));
    EXPECT_EQ(T.Labels.back().Text, QStringLiteral("5"));
}

TEST_F(AxisMath, ConstantValueWidensByOnePowerOfTen)
{
    TQvScale S = Horizontal400();
    S.EndRounding = TQvAxisEndRounding::RndNothing;
    double A = 5, B = 5;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, 4);
    EXPECT_DOUBLE_EQ(B, 6);

    // A fixed start keeps its value; only the stop moves.
    S.StartEnd = TQvAxisEnd::Fixed;
    A = B = 5;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, 5);
    EXPECT_DOUBLE_EQ(B, 6);

    // 0 ... 0 widens by 1.
    S.StartEnd = TQvAxisEnd::AutoRange;
    A = B = 0;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, -1);
    EXPECT_DOUBLE_EQ(B, 1);
}

TEST_F(AxisMath, DegenerateRangesAreRepaired)
{
    struct Case
    {
        TQvAxisScaling Scaling;
        double A, B;
        double WantA, WantB;
    };
    const Case Cases[] = {
        {TQvAxisScaling::Normal, 7, 3, 0, 100},
        {TQvAxisScaling::Log, 7, 3, 1, 10},
        {TQvAxisScaling::LogEE, 50, -2, 1, 10},
        {TQvAxisScaling::Log, -5, -1, 0.01, 1},
        {TQvAxisScaling::Normal, std::nan(""), 3, 0, 100},
        {TQvAxisScaling::Seconds, -5, -2, 0, 1},
    };
    for (const Case& C : Cases) {
        TQvScale S = Horizontal400(C.Scaling);
        S.EndRounding = TQvAxisEndRounding::RndNothing;
        double A = C.A, B = C.B;
        QvRoundEnds(S, A, B);
        EXPECT_DOUBLE_EQ(A, C.WantA) << int(C.Scaling) << " " << C.A << " " << C.B;
        EXPECT_DOUBLE_EQ(B, C.WantB) << int(C.Scaling) << " " << C.A << " " << C.B;
    }
}

TEST_F(AxisMath, LogStartRepairUsesDataThenWidens)
{
    // Start <= 0 takes the data start when that is positive.
    TQvScale S = Horizontal400(TQvAxisScaling::Log);
    S.EndRounding = TQvAxisEndRounding::RndNothing;
    S.ValuesStart = 10;
    double A = -1, B = 100;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, 10);
    EXPECT_DOUBLE_EQ(B, 100);

    // Otherwise the smallest positive value below the stop among the series' values.
    S.ValuesStart = -1;
    S.SmallestPositiveBelow = [](double) { return 10.0; };
    A = -1, B = 100;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, 10);

    // None below the stop: start = stop would make the scale infinite; it is widened a decade.
    S.SmallestPositiveBelow = [](double Limit) { return Limit; };
    A = -1, B = 100;
    QvRoundEnds(S, A, B);
    EXPECT_DOUBLE_EQ(A, 10);
    EXPECT_DOUBLE_EQ(B, 100);
    EXPECT_TRUE(std::isfinite(S.LogStop - S.LogStart));
    EXPECT_GT(S.LogStop, S.LogStart);
}

TEST_F(AxisMath, LogRoundEnd)
{
    TQvScale S = Horizontal400(TQvAxisScaling::Log);
    S.HasLogScaling = true;
    // A major step above a decade rounds to powers of ten with exponents that are multiples of 3.
    S.MajorTickPart = 3;
    S.TickPart = 1;
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 2000, true, true), 1e6);
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 0.0003, false, true), 1e-6);
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 1000, true, true), 1000);
    // One decade with minor step 0.1: to the 1 … 9 grid of the decade.
    S.MajorTickPart = 1;
    S.TickPart = 0.1;
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 3.5e-5, true, false), 4e-5);
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 3.5e-5, false, false), 3e-5);
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 1e-5, false, false), 1e-5);
    // Major part 1: to the powers of ten.
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 3.5e-5, true, true), 1e-4);
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 3.5e-5, false, true), 1e-5);
    // A mantissa rounded down to 0 gives the power of ten below.
    S.TickPart = 0.5;
    EXPECT_DOUBLE_EQ(QvRoundEnd(S, 2e-3, false, false), 1e-3);
}

TEST_F(AxisMath, LogEEOverManyDecades)
{
    TQvScale S = Horizontal400(TQvAxisScaling::LogEE);
    S.Position = TQvAxisPosition::Left;
    Range(S, 1e-25, 1e-3);
    EXPECT_TRUE(S.HasLogScaling);
    EXPECT_GT(S.MajorTickPart, 1);
    EXPECT_EQ(std::fmod(S.MajorTickPart, 3.0), 0.0);
    EXPECT_DOUBLE_EQ(S.Start, 1e-27);
    EXPECT_DOUBLE_EQ(S.Stop, 1e-3);
    TQvTickList T;
    QvCalculateTicks(S, T);
    ASSERT_GE(T.Labels.size(), 3u);
    for (const auto& L : T.Labels)
        EXPECT_TRUE(L.Text.startsWith(QStringLiteral("10\\+-"))) << L.Text.toStdString();
    EXPECT_EQ(T.Labels.back().Text, QStringLiteral("10\\+-3"));
    // Vertical, not twisted: the stop is at the top (pixel 0), the start at the bottom.
    EXPECT_NEAR(T.Ticks.back().Pixel, 0, 1e-3);
    EXPECT_NEAR(T.Ticks.front().Pixel, 400, 1e-3);
    // Zero and negative values lie 100 pixels beyond the start.
    EXPECT_FLOAT_EQ(QvNumberToWorld(S, 0), 500);
    EXPECT_FLOAT_EQ(QvNumberToWorld(S, -3), 500);
}

TEST_F(AxisMath, LogTicksOfOneDecadeSteps)
{
    TQvScale S = Horizontal400(TQvAxisScaling::Log);
    Range(S, 1, 100);
    EXPECT_DOUBLE_EQ(S.MajorTickPart, 1);
    TQvTickList T;
    QvCalculateTicks(S, T);
    ASSERT_EQ(T.Ticks.size(), 19u); // 1 … 9, 10 … 90, 100
    EXPECT_DOUBLE_EQ(T.Ticks[4].Value, 5);
    EXPECT_DOUBLE_EQ(T.Ticks[10].Value, 20);
    EXPECT_TRUE(T.Ticks[9].Major);
    EXPECT_FALSE(T.Ticks[10].Major);
    EXPECT_EQ(LabelTexts(T), (QStringList{"1", "10", "100"}));
    EXPECT_FLOAT_EQ(T.Ticks[9].Pixel, 200);
    EXPECT_NEAR(T.Ticks[1].Pixel, 200 * std::log10(2.0), 1e-3);
}

TEST_F(AxisMath, LogDrawnLinearBelowScalingLevel)
{
    TQvScale S = Horizontal400(TQvAxisScaling::Log);
    S.LogToNormalScalingLevel = 2;
    Range(S, 2, 9);
    EXPECT_FALSE(S.HasLogScaling);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_FLOAT_EQ(QvNumberToWorld(S, (S.Start + S.Stop) / 2), 200);
}

TEST_F(AxisMath, LinearTicksPixelsAndMajors)
{
    TQvScale S = Horizontal400();
    S.AxLeft = 50;
    Range(S, 0, 10);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_DOUBLE_EQ(S.Start, 0);
    EXPECT_DOUBLE_EQ(S.Stop, 10);
    ASSERT_FALSE(T.Ticks.empty());
    EXPECT_FLOAT_EQ(T.Ticks.front().Pixel, 50);
    EXPECT_FLOAT_EQ(T.Ticks.back().Pixel, 450);
    // Every label sits on a major tick; the labels are evenly spaced.
    for (const auto& L : T.Labels)
        EXPECT_TRUE(T.Ticks[L.Tick].Major);
    ASSERT_GE(T.Labels.size(), 3u);
    const float D = T.Labels[1].Pixel - T.Labels[0].Pixel;
    for (size_t i = 1; i < T.Labels.size(); ++i)
        EXPECT_NEAR(T.Labels[i].Pixel - T.Labels[i - 1].Pixel, D, 1e-3);
    EXPECT_EQ(T.Labels.front().Text, QStringLiteral("0"));
    EXPECT_EQ(T.Labels.back().Text, QStringLiteral("10"));
    // The grid follows the labels by default, the major ticks on request.
    int Grids = 0;
    for (const auto& Tk : T.Ticks)
        Grids += Tk.Grid;
    EXPECT_EQ(Grids, int(T.Labels.size()));
}

TEST_F(AxisMath, NegativeRangeLabelsHaveNoMinusZero)
{
    TQvScale S = Horizontal400();
    Range(S, -0.3, 0.7);
    TQvTickList T;
    QvCalculateTicks(S, T);
    for (const auto& L : T.Labels)
        EXPECT_NE(L.Text, QStringLiteral("-0.0")) << L.Text.toStdString();
    EXPECT_TRUE(LabelTexts(T).contains(QStringLiteral("0.0")));
}

TEST_F(AxisMath, UnroundedEndsStartTicksOnTheGrid)
{
    TQvScale S = Horizontal400();
    S.EndRounding = TQvAxisEndRounding::RndNothing;
    Range(S, 0.33, 9.71);
    EXPECT_DOUBLE_EQ(S.Start, 0.33);
    TQvTickList T;
    QvCalculateTicks(S, T);
    ASSERT_FALSE(T.Ticks.empty());
    EXPECT_GE(T.Ticks.front().Value, 0.33);
    EXPECT_LE(T.Ticks.back().Value, 9.71);
    EXPECT_NEAR(std::remainder(T.Ticks.front().Value, S.TickPart), 0, 1e-9);
}

TEST_F(AxisMath, VerticalAxisStepsAreDenserThanLabelsAreHigh)
{
    TQvScale S = Horizontal400();
    S.Position = TQvAxisPosition::Left;
    Range(S, 0, 1);
    TQvTickList T;
    QvCalculateTicks(S, T);
    ASSERT_GE(T.Labels.size(), 2u);
    // 30 pixels of label height (12 pt) plus gaps: labels stay apart.
    EXPECT_GE(std::fabs(T.Labels[1].Pixel - T.Labels[0].Pixel), 30.0f);
}

TEST_F(AxisMath, TransformsAndTwisted)
{
    struct Case
    {
        TQvAxisPosition Pos;
        bool Twisted;
        double Value;
        float Pixel;
    };
    // Range 0 … 100 on 200 pixels starting at 10.
    const Case Cases[] = {
        {TQvAxisPosition::Bottom, false, 0, 10},   {TQvAxisPosition::Bottom, false, 100, 210},
        {TQvAxisPosition::Bottom, true, 0, 210},   {TQvAxisPosition::Bottom, true, 25, 160},
        {TQvAxisPosition::Left, false, 0, 210},    {TQvAxisPosition::Left, false, 25, 160},
        {TQvAxisPosition::Left, true, 0, 10},      {TQvAxisPosition::Right, true, 25, 60},
        // Clamped far outside: the sign of the offset, inverted for the reversed direction.
        {TQvAxisPosition::Bottom, false, 1e9, 100010}, {TQvAxisPosition::Bottom, false, -1e9, -99990},
        {TQvAxisPosition::Left, false, 1e9, -99990},   {TQvAxisPosition::Bottom, true, 1e9, -99990},
    };
    for (const Case& C : Cases) {
        TQvScale S;
        S.Position = C.Pos;
        S.Twisted = C.Twisted;
        S.Start = 0;
        S.Stop = 100;
        S.AxLeft = 10;
        S.AxTop = 10;
        S.AxLength = 200;
        QvUpdateNormalize(S);
        EXPECT_FLOAT_EQ(QvNumberToWorld(S, C.Value), C.Pixel) << int(C.Pos) << C.Twisted << " " << C.Value;
        if (std::fabs(C.Value) < 1e6) {
            EXPECT_NEAR(QvWorldToNumber(S, C.Pixel), C.Value, 1e-9);
        }
    }
}

TEST_F(AxisMath, LogTransformRoundTrip)
{
    TQvScale S = Horizontal400(TQvAxisScaling::Log);
    S.Twisted = true;
    Range(S, 1, 1000);
    QvUpdateNormalize(S);
    for (double V : {1.0, 3.0, 10.0, 500.0, 1000.0})
        EXPECT_NEAR(QvWorldToNumber(S, QvNumberToWorld(S, V)) / V, 1.0, 1e-5);
    EXPECT_FLOAT_EQ(QvNumberToWorld(S, 1), 400);
    EXPECT_FLOAT_EQ(QvNumberToWorld(S, 1000), 0);
}

TEST_F(AxisMath, ZeroTickStepAndTinyLengthDoNotHang)
{
    TQvScale S = Horizontal400();
    S.AutoTickParts = false;
    S.TickPart = 0;
    S.MajorTickPart = 0;
    S.LabelPart = 0;
    S.AxLength = -5;
    Range(S, 0, 10);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_FLOAT_EQ(S.AxLength, 100);
    EXPECT_GE(T.Ticks.size(), 2u);
    EXPECT_LE(T.Ticks.size(), 20001u);
}

TEST_F(AxisMath, SpecialScalingsDoNotCrash)
{
    for (TQvAxisScaling Sc : {TQvAxisScaling::Seconds, TQvAxisScaling::DateTime, TQvAxisScaling::Rubrics}) {
        TQvScale S = Horizontal400(Sc);
        S.Rubrics = QStringList{"a", "b", "c"};
        for (auto [A, B] : {std::pair{0.0, 2.0}, {45000.0, 45030.0}, {-1e300, 1e300}, {3.0, 3.0}}) {
            Range(S, A, B);
            TQvTickList T;
            QvCalculateTicks(S, T);
            EXPECT_LE(T.Ticks.size(), 20001u);
        }
    }
    TQvScale S = Horizontal400(TQvAxisScaling::Rubrics);
    S.Rubrics = QStringList{"a", "b", "c"};
    Range(S, 0, 2);
    TQvTickList T;
    QvCalculateTicks(S, T);
    EXPECT_TRUE(LabelTexts(T).contains(QStringLiteral("b")));
}

TEST_F(AxisMath, LabelHookRewritesTexts)
{
    TQvScale S = Horizontal400();
    S.LabelHook = [](double V, const QString& Text) { return Text + QStringLiteral(" s"); };
    Range(S, 0, 10);
    TQvTickList T;
    QvCalculateTicks(S, T);
    ASSERT_FALSE(T.Labels.empty());
    EXPECT_EQ(T.Labels.front().Text, QStringLiteral("0 s"));
}

TEST_F(AxisMath, ZoomedRoundsToMinorStep)
{
    TQvScale S = Horizontal400();
    S.Zoomed = true;
    double A = 3.14159, B = 5.2718;
    QvRoundEnds(S, A, B);
    EXPECT_NEAR(std::remainder(A, S.TickPart * QvPow10(S.RangeExponent)), 0, 1e-9);
    EXPECT_LE(A, 3.14159);
    EXPECT_GE(B, 5.2718);
    EXPECT_LT(B - A, 2.3);
}
