#include "UnitWPVConvert.h"

#include <QVarLengthArray>

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

// Powers of ten that a float holds exactly (5^10 < 2^24).
constexpr float kPow10f[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Checks the grammar of [p, e) after the sign and converts it. aColon: ':' counts as '.'.
//
// Most numbers in the files have few digits: a mantissa of at most 2^24 times a power of ten of
// at most 10 in magnitude is one exactly rounded float operation on exact operands, and so the
// correctly rounded float that the full conversion gives. Everything else goes through
// std::from_chars.
bool ConvertUnsigned(const char* p, const char* e, bool aNegative, bool aColon, double& aValue)
{
    const char* s = p;
    bool digits = false;
    bool colon = false;
    std::uint32_t mantissa = 0;
    int significant = 0; // digits in mantissa (leading zeros not counted)
    int exponent = 0;
    bool exact = true;   // mantissa and exponent hold the number
    while (p < e && *p >= '0' && *p <= '9') {
        const unsigned d = unsigned(*p - '0');
        if (mantissa != 0 || d != 0) {
            if (++significant <= 9)
                mantissa = mantissa * 10 + d;
            else
                exact = false;
        }
        ++p;
        digits = true;
    }
    if (p < e && (*p == '.' || (aColon && *p == ':'))) {
        colon = *p == ':';
        ++p;
        while (p < e && *p >= '0' && *p <= '9') {
            const unsigned d = unsigned(*p - '0');
            if (mantissa != 0 || d != 0) {
                if (++significant <= 9)
                    mantissa = mantissa * 10 + d;
                else
                    exact = false;
            }
            --exponent;
            ++p;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < e && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        const char* expDigits = p;
        int value = 0;
        while (p < e && *p >= '0' && *p <= '9') {
            if (value < 100000)
                value = value * 10 + (*p - '0');
            ++p;
        }
        if (p == expDigits)
            return false;
        exponent += negativeExponent ? -value : value;
    }
    if (p != e)
        return false;

    if (exact && mantissa <= (1u << 24) && (mantissa == 0 || (exponent >= -10 && exponent <= 10))) {
        float f = static_cast<float>(mantissa);
        if (mantissa != 0)
            f = exponent < 0 ? f / kPow10f[-exponent] : f * kPow10f[exponent];
        aValue = aNegative ? -static_cast<double>(f) : static_cast<double>(f);
        return true;
    }

    std::string local;
    if (colon) {
        // Only the one decimal mark can be a colon; copy with it replaced (any length).
        local.assign(s, e);
        local[local.find(':')] = '.';
        s = local.data();
        e = s + local.size();
    }
    float f = 0;
    const auto res = std::from_chars(s, e, f, std::chars_format::general);
    if (res.ptr != e)
        return false;
    if (res.ec == std::errc::result_out_of_range) {
        // Beyond the float range fails; below it the value underflows to 0 or a denormal.
        double d = 0;
        const auto r2 = std::from_chars(s, e, d, std::chars_format::general);
        if (r2.ec == std::errc::result_out_of_range) {
            // Even out of the double range: decide by the sign of the exponent.
            const char* x = s;
            while (x < e && *x != 'e' && *x != 'E')
                ++x;
            if (x < e && x + 1 < e && x[1] == '-')
                d = 0;
            else
                return false;
        }
        if (std::fabs(d) > FLT_MAX)
            return false;
        f = static_cast<float>(d);
    } else if (res.ec != std::errc()) {
        return false;
    }
    aValue = aNegative ? -static_cast<double>(f) : static_cast<double>(f);
    return true;
}

bool Convert(QByteArrayView aText, bool aColon, double& aValue)
{
    const char* p = aText.data();
    const char* e = p + aText.size();
    while (p < e && *p == ' ')
        ++p;
    bool negative = false;
    if (p < e && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    return ConvertUnsigned(p, e, negative, aColon, aValue);
}

} // namespace

bool WPVStrToFloat(QByteArrayView aText, double& aValue)
{
    return Convert(aText, false, aValue);
}

bool WPVStrToFloat(const QString& aText, double& aValue)
{
    return WPVStrToFloat(QStringView(aText), aValue);
}

bool WPVStrToFloat(QStringView aText, double& aValue)
{
    // Any character outside ASCII makes the text fail; the rest is narrowed into a buffer on
    // the stack (a number field is short; a longer text gets a heap buffer).
    QVarLengthArray<char, 64> bytes(aText.size());
    for (qsizetype i = 0; i < aText.size(); ++i) {
        const char16_t c = aText[i].unicode();
        if (c > 127)
            return false;
        bytes[i] = char(c);
    }
    return Convert(QByteArrayView(bytes.constData(), bytes.size()), false, aValue);
}

bool WPVStrToFloatColon(QByteArrayView aText, double& aValue)
{
    return Convert(aText, true, aValue);
}

bool WPVRoundToInt(double aValue, int& aResult)
{
    const double r = std::nearbyint(aValue);
    if (!(r >= -2147483648.0 && r <= 2147483647.0))
        return false;
    aResult = static_cast<int>(r);
    return true;
}
