// libFuzzer target: the numeric conversion of data-file fields against a reference written
// here from the rule alone: leading blanks (code 32), an optional sign, digits with at most one
// decimal point (':' too in elapsed times) and at least one digit, an optional exponent ("E" or
// "e", optional sign, at least one digit), nothing after; the value is the correctly rounded
// float, and a magnitude beyond the float range fails. The reference checks the grammar by hand
// and converts with the C library's correctly rounded strtof in the "C" locale.
#include "UnitWPVConvert.h"

#include <QByteArrayView>

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

namespace {

// The grammar; on success aNumber is the text from the sign on, with ':' made '.'.
bool ReferenceGrammar(const std::string& s, bool aColon, std::string& aNumber)
{
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    aNumber.clear();
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        aNumber += s[i++];
    int digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            aNumber += c;
        } else if (!point && (c == '.' || (aColon && c == ':'))) {
            point = true;
            aNumber += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        aNumber += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            aNumber += s[i++];
        int expDigits = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++expDigits)
            aNumber += s[i];
        if (expDigits == 0)
            return false;
    }
    return i == s.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    if (size > 200)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const bool colon : {false, true}) {
        double got = 12345;
        const QByteArrayView view(text.data(), qsizetype(text.size()));
        const bool ok = colon ? WPVStrToFloatColon(view, got) : WPVStrToFloat(view, got);
        std::string number;
        bool expectOk = ReferenceGrammar(text, colon, number);
        float expected = 0;
        if (expectOk) {
            errno = 0;
            expected = strtof_l(number.c_str(), nullptr, c);
            const bool overflow = errno == ERANGE && std::isinf(expected);
            if (overflow || std::isinf(expected))
                expectOk = false;
        }
        if (ok != expectOk)
            std::abort();
        if (!ok) {
            if (got != 12345)
                std::abort(); // a failed conversion stores nothing
            continue;
        }
        // Denormals and underflow: the conversion may round through double there; the sign and
        // the magnitude class must still agree.
        if (std::fabs(expected) < FLT_MIN) {
            if (std::fabs(got) >= double(FLT_MIN) || std::signbit(got) != std::signbit(expected))
                std::abort();
            continue;
        }
        const double e = double(expected);
        if (std::memcmp(&got, &e, sizeof got) != 0)
            std::abort();
    }
    return 0;
}
