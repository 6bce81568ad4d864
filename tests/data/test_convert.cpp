// Strict number conversion of data-file fields, and the text decoding of files.
#include "UnitWPVConvert.h"
#include "UnitWPVTextFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <random>
#include <string>

namespace {

struct ConvertCase
{
    const char* text;
    bool ok;
    double value; // compared as float
};

class StrictConvert : public ::testing::TestWithParam<ConvertCase>
{
};

TEST_P(StrictConvert, AcceptsOnlyTheGrammar)
{
    const ConvertCase& c = GetParam();
    double v = -999;
    const bool ok = WPVStrToFloat(QByteArrayView(c.text), v);
    EXPECT_EQ(ok, c.ok) << "\"" << c.text << "\"";
    if (ok && c.ok) {
        EXPECT_EQ(v, static_cast<double>(static_cast<float>(c.value))) << c.text;
    }
    if (!ok) {
        EXPECT_EQ(v, -999) << "a failed conversion must not store";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, StrictConvert,
    ::testing::Values(ConvertCase{"1.5", true, 1.5}, ConvertCase{"  -2.25e-3", true, -2.25e-3},
                      ConvertCase{"+7", true, 7}, ConvertCase{".5", true, 0.5}, ConvertCase{"5.", true, 5},
                      ConvertCase{"1E5", true, 1e5}, ConvertCase{"1e+05", true, 1e5},
                      ConvertCase{"0.1", true, 0.1}, ConvertCase{"1e-50", true, 0},
                      // Failures: trailing blank, other leading blanks, comma, empty, lone
                      // point, exponent without digits, words and hex.
                      ConvertCase{"1.5 ", false, 0}, ConvertCase{"\t1.5", false, 0},
                      ConvertCase{"1,5", false, 0}, ConvertCase{"", false, 0}, ConvertCase{"   ", false, 0},
                      ConvertCase{".", false, 0}, ConvertCase{"-", false, 0}, ConvertCase{"1e", false, 0},
                      ConvertCase{"1e+", false, 0}, ConvertCase{"inf", false, 0}, ConvertCase{"nan", false, 0},
                      ConvertCase{"0x10", false, 0}, ConvertCase{"1.2.3", false, 0},
                      ConvertCase{"--1", false, 0}, ConvertCase{"12:5", false, 0},
                      // Beyond the float range.
                      ConvertCase{"1e39", false, 0}, ConvertCase{"-1e400", false, 0}));

TEST(StrictConvert, ColonAsDecimalMark)
{
    double v = 0;
    EXPECT_TRUE(WPVStrToFloatColon("12:5", v));
    EXPECT_EQ(v, 12.5);
    EXPECT_TRUE(WPVStrToFloatColon("12.5", v));
    EXPECT_FALSE(WPVStrToFloatColon("1:2:3", v));
    EXPECT_FALSE(WPVStrToFloatColon("1:2.5", v));
    // A colon number of any length converts as the same number with a point does (a long one
    // used to fail).
    const std::string digits(200, '7');
    const std::string zeros(200, '0');
    for (const std::string& text : {"1:5" + digits, zeros + "7:25", ":1e-3" + digits}) {
        std::string point = text;
        point[point.find(':')] = '.';
        double withPoint = -1;
        double withColon = -2;
        ASSERT_TRUE(WPVStrToFloat(QByteArrayView(point.data(), qsizetype(point.size())), withPoint)) << point;
        EXPECT_TRUE(WPVStrToFloatColon(QByteArrayView(text.data(), qsizetype(text.size())), withColon)) << text;
        EXPECT_EQ(withColon, withPoint) << text;
    }
}

TEST(StrictConvert, RoundsToIntegersHalfToEven)
{
    int i = 0;
    EXPECT_TRUE(WPVRoundToInt(2.5, i));
    EXPECT_EQ(i, 2);
    EXPECT_TRUE(WPVRoundToInt(3.5, i));
    EXPECT_EQ(i, 4);
    EXPECT_TRUE(WPVRoundToInt(-15.5, i));
    EXPECT_EQ(i, -16);
    EXPECT_FALSE(WPVRoundToInt(3e9, i));
    EXPECT_FALSE(WPVRoundToInt(std::nan(""), i));
}

// Numbers as the files write them and beyond (many digits, leading zeros, exponents, colons),
// against the C library's correctly rounded conversion to float.
TEST(StrictConvert, AgreesWithTheCorrectlyRoundedFloat)
{
    locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    ASSERT_NE(c, locale_t(0));
    std::mt19937_64 random(20261209);
    const auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += char('0' + random() % 10);
        return s;
    };
    int compared = 0;
    for (int i = 0; i < 300000; ++i) {
        std::string text;
        if (random() % 4 == 0)
            text += random() % 2 ? '-' : '+';
        const int whole = int(random() % 11);
        const int fraction = int(random() % 11);
        text += std::string(random() % 3 == 0 ? random() % 4 : 0, '0') + digits(whole);
        if (fraction > 0 || whole == 0)
            text += '.' + digits(std::max(fraction, 1));
        if (random() % 2) {
            text += random() % 2 ? 'E' : 'e';
            const int exponent = int(random() % 61) - 30;
            text += exponent < 0 ? "-" : (random() % 2 ? "+" : "");
            text += std::string(random() % 2, '0') + std::to_string(std::abs(exponent));
        }
        errno = 0;
        const float expected = strtof_l(text.c_str(), nullptr, c);
        if (errno == ERANGE || (expected != 0 && std::fabs(expected) < FLT_MIN))
            continue; // the edges of the range have cases of their own
        double v = 0;
        ASSERT_TRUE(WPVStrToFloat(QByteArrayView(text.data(), qsizetype(text.size())), v)) << text;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(v), std::bit_cast<std::uint64_t>(double(expected))) << text;
        // The same number with ':' as its decimal mark, where it has a point.
        std::string colon = text;
        const std::size_t point = colon.find('.');
        if (point != std::string::npos) {
            colon[point] = ':';
            double w = 0;
            ASSERT_TRUE(WPVStrToFloatColon(QByteArrayView(colon.data(), qsizetype(colon.size())), w)) << colon;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(w), std::bit_cast<std::uint64_t>(double(expected))) << colon;
        }
        ++compared;
    }
    freelocale(c);
    EXPECT_GT(compared, 250000);
}

struct DecodeCase
{
    QByteArray bytes;
    TWPVTextCodec codec;
    QStringList lines;
};

TEST(TextDecoding, ByteOrderMarkThenUtf8ThenWindows1252)
{
    const QString degree = QStringLiteral("T, \u00baC");
    const std::vector<DecodeCase> cases = {
        {QByteArray("\xEF\xBB\xBF") + degree.toUtf8() + "\r\nb", TWPVTextCodec::Utf8, {degree, "b"}},
        {degree.toUtf8() + "\nb\n", TWPVTextCodec::Utf8, {degree, "b"}},
        {QByteArray("T, \xBA" "C\rb\r\n"), TWPVTextCodec::Windows1252, {degree, "b"}},
        {QByteArray("\x80 \x9F", 3), TWPVTextCodec::Windows1252, {QStringLiteral("\u20ac \u0178")}},
        // UTF-16 in both byte orders.
        {QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(degree.utf16()), degree.size() * 2)
             + QByteArray("\n\0b\0", 4),
         TWPVTextCodec::Utf8, {degree, "b"}},
        {QByteArray("\xFE\xFF\0a\0\n\0\n\0b", 11), TWPVTextCodec::Utf8, {"a", "", "b"}},
        // Line ends: CR LF, LF and CR; a final terminator starts no line; empty text none.
        {QByteArray("a\r\n\r\nb\rc"), TWPVTextCodec::Utf8, {"a", "", "b", "c"}},
        {QByteArray(""), TWPVTextCodec::Utf8, {}},
        {QByteArray("\n"), TWPVTextCodec::Utf8, {""}},
        // Overlong and surrogate encodings are not UTF-8.
        {QByteArray("\xC0\xAF"), TWPVTextCodec::Windows1252, {QStringLiteral("\u00c0\u00af")}},
        {QByteArray("\xED\xA0\x80"), TWPVTextCodec::Windows1252, {QStringLiteral("\u00ed\u00a0\u20ac")}},
    };
    for (const DecodeCase& c : cases) {
        TWPVLines lines = TWPVLines::FromBytes(c.bytes);
        EXPECT_EQ(lines.Codec(), c.codec) << c.bytes.toHex().constData();
        QStringList got;
        for (qsizetype i = 0; lines.HasLine(i); ++i)
            got << lines.Line(i);
        EXPECT_EQ(got, c.lines) << c.bytes.toHex().constData();
        EXPECT_EQ(lines.Count(), c.lines.size());
    }
}

TEST(TextDecoding, MarkersMatchWithTabsRemovedOnly)
{
    TWPVLines lines = TWPVLines::FromBytes("x\n** D\tATA\n ** DATA\n** DATA\n");
    EXPECT_EQ(lines.Find("** DATA"), 1);
    EXPECT_EQ(lines.Find("** DATA", 2), 3);
    EXPECT_EQ(lines.Find("** NOTES"), -1);
}

TEST(TextDecoding, MissingFileIsAnError)
{
    EXPECT_THROW(TWPVLines::FromFile(QStringLiteral("/nonexistent/file.txt")), EWPVDataError);
}

} // namespace
