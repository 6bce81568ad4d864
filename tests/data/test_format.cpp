// Number formatting: runtime-style patterns, the general format and the window's FormatFloat.
#include "QvFormat.h"
#include "UnitWPVTexts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatCase
{
    const char* format;
    double value;
    const char* expected;
};

class PatternFormat : public ::testing::TestWithParam<FormatCase>
{
protected:
    void SetUp() override { QvSetFormatSeparators(u'.', u','); }
    void TearDown() override { QvSetFormatSeparators(QChar(), QChar()); }
};

TEST_P(PatternFormat, GivesRuntimeText)
{
    const FormatCase& c = GetParam();
    EXPECT_EQ(QvFormatFloat(QString::fromLatin1(c.format), c.value), QString::fromLatin1(c.expected))
        << c.format << " " << c.value;
}

const double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Patterns, PatternFormat,
    ::testing::Values(
        // 15-digit pre-rounding: the binary value of 0.0012345 lies just below the tie.
        FormatCase{"0.000E+00", 0.0012345, "1.235E-03"},
        FormatCase{"#0", 7, "7"},
        FormatCase{"#0", 0, "0"},
        // Ties away from zero on the decimal text.
        FormatCase{"0.0", 0.25, "0.3"}, FormatCase{"0.00", 2.675, "2.68"}, FormatCase{"0.0", -0.25, "-0.3"},
        FormatCase{"0", 0.5, "1"}, FormatCase{"0", 2.5, "3"}, FormatCase{"0", -1.5, "-2"},
        // A negative value that rounds to zero keeps its sign.
        FormatCase{"0.000000", -1e-9, "-0.000000"}, FormatCase{"#0", -0.4, "-0"},
        FormatCase{"0.000000", -0.0, "0.000000"},
        // Carry through every digit, also into the exponent.
        FormatCase{"0.00", 9.999, "10.00"}, FormatCase{"0.00E+0", 9.9999, "1.00E+1"},
        FormatCase{"0.000E+00", 0, "0.000E+00"}, FormatCase{"0.000E+00", -123456, "-1.235E+05"},
        FormatCase{"0.00000E+0", 1.5, "1.50000E+0"}, FormatCase{"0.000000E+00", 1e-120, "1.000000E-120"},
        FormatCase{"0.00E-00", 1234, "1.23E03"}, FormatCase{"0.00E-00", 0.001234, "1.23E-03"},
        FormatCase{"0.000E+00", 2.2250738585072014e-308, "2.225E-308"},
        // Optional digits, grouping, literals and sections.
        FormatCase{"0.##", 1, "1"}, FormatCase{"0.##", 1.5, "1.5"}, FormatCase{"#.00", 0.5, ".50"},
        FormatCase{"#,##0.00", 1234567.891, "1,234,567.89"}, FormatCase{"0.0 'K'", 273.15, "273.2 K"},
        FormatCase{"0.0;(0.0)", -2, "(2.0)"}, FormatCase{"0.0;(0.0);'zero'", 0.01, "zero"},
        FormatCase{"0.00000000", 1.0 / 3, "0.33333333"},
        // Zero padding of the integer part, grouped with it; groups only beyond three digits.
        FormatCase{"000,000", 12, "000,012"}, FormatCase{"0,000.0", -7, "-0,007.0"},
        FormatCase{"#,##0", 999, "999"}, FormatCase{"#,##0", 1000, "1,000"},
        // Integer zeros of a zero, and exponent digits padded, in scientific patterns.
        FormatCase{"00.0E+00", 0, "00.0E+00"}, FormatCase{"0.0E+000", 5, "5.0E+000"},
        FormatCase{"0.0E+000", -2.5e-12, "-2.5E-012"}, FormatCase{"0.0;(0.0)", 3, "3.0"},
        // Values read through float show their float digits.
        FormatCase{"0.000000", static_cast<float>(0.1), "0.100000"},
        FormatCase{"0.0", kInf, "INF"}, FormatCase{"0.0", -kInf, "-INF"},
        FormatCase{"0.000E+00", std::nan(""), "NAN"}));

struct GeneralCase
{
    double value;
    const char* expected;
};

class GeneralFormat : public ::testing::TestWithParam<GeneralCase>
{
protected:
    void SetUp() override { QvSetFormatSeparators(u'.', u','); }
    void TearDown() override { QvSetFormatSeparators(QChar(), QChar()); }
};

TEST_P(GeneralFormat, ShortestWithFifteenDigits)
{
    EXPECT_EQ(QvFormatGeneral(GetParam().value), QString::fromLatin1(GetParam().expected)) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    General, GeneralFormat,
    ::testing::Values(GeneralCase{0, "0"}, GeneralCase{1e-6, "1E-6"}, GeneralCase{1e-5, "0.00001"},
                      GeneralCase{123.456, "123.456"}, GeneralCase{-2.5e-7, "-2.5E-7"},
                      GeneralCase{static_cast<float>(0.1), "0.100000001490116"},
                      GeneralCase{1e14, "100000000000000"}, GeneralCase{999999999999999, "999999999999999"},
                      GeneralCase{1e15, "1E15"}, GeneralCase{1.5e20, "1.5E20"}, GeneralCase{60, "60"},
                      GeneralCase{0.1 + 0.2, "0.3"}, GeneralCase{kInf, "INF"}));

TEST(FormatSeparators, UserDecimalSeparatorIsUsed)
{
    QvSetFormatSeparators(u',', u'.');
    EXPECT_EQ(QvFormatFloat(QStringLiteral("0.000E+00"), 0.0012345), QStringLiteral("1,235E-03"));
    EXPECT_EQ(QvFormatFloat(QStringLiteral("#,##0.0"), 12345.67), QStringLiteral("12.345,7"));
    EXPECT_EQ(QvFormatGeneral(0.5), QStringLiteral("0,5"));
    EXPECT_EQ(QvFormatFixed(2.675, 2), QStringLiteral("2,68"));
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(FormatFloat, LeadingBlankForValuesOfZeroOrMore)
{
    QvSetFormatSeparators(u'.', u',');
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), 0.30103), QStringLiteral(" 0.3"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), -3), QStringLiteral("-3.0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), 0), QStringLiteral(" 0.0"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.000000"), -1e-9), QStringLiteral("-0.000000"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), kInf), QStringLiteral(" INF"));
    EXPECT_EQ(FormatFloat(QStringLiteral("0.0"), std::nan("")), QStringLiteral("NAN"));
    QvSetFormatSeparators(QChar(), QChar());
}

} // namespace
