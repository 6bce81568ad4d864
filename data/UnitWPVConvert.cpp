#include "UnitWPVConvert.h"

#include <charconv>
#include <cfloat>
#include <cmath>

namespace {

// Checks the grammar of [p, e) after the sign and converts it. aColon: ':' counts as '.'.
bool ConvertUnsigned(const char* p, const char* e, bool aNegative, bool aColon, double& aValue)
{
    const char* s = p;
    bool digits = false;
    bool colon = false;
    while (p < e && *p >= '0' && *p <= '9') {
        ++p;
        digits = true;
    }
    if (p < e && (*p == '.' || (aColon && *p == ':'))) {
        colon = *p == ':';
        ++p;
        while (p < e && *p >= '0' && *p <= '9') {
            ++p;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (p < e && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p < e && (*p == '+' || *p == '-'))
            ++p;
        const char* expDigits = p;
        while (p < e && *p >= '0' && *p <= '9')
            ++p;
        if (p == expDigits)
            return false;
    }
    if (p != e)
        return false;

    char local[128];
    if (colon) {
        // Only the one decimal mark can be a colon; copy with it replaced.
        const std::size_t n = static_cast<std::size_t>(e - s);
        if (n > sizeof local)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            local[i] = s[i] == ':' ? '.' : s[i];
        s = local;
        e = local + n;
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
    // Any character outside ASCII makes the text fail; Latin-1 keeps those out of the grammar.
    for (const QChar c : aText)
        if (c.unicode() > 127)
            return false;
    const QByteArray bytes = aText.toLatin1();
    return Convert(bytes, false, aValue);
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
