#include "QvFormat.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

QChar gDecimalOverride;
QChar gThousandOverride;

// A non-negative decimal number: 0.d[0]d[1]... x 10^point; no trailing zeros; empty d is zero.
struct Decimal
{
    std::string d;
    int point = 0;
    bool IsZero() const { return d.empty(); }
};

void StripTrailingZeros(Decimal& x)
{
    while (!x.d.empty() && x.d.back() == '0')
        x.d.pop_back();
    if (x.d.empty())
        x.point = 0;
}

// The magnitude of a finite value with Sig significant digits (correctly rounded from binary).
Decimal ToDecimal(double Abs, int Sig)
{
    Decimal x;
    if (Abs == 0)
        return x;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, Abs, std::chars_format::scientific, Sig - 1);
    const char* p = buf;
    for (; p < res.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            x.d.push_back(*p);
    int exp = 0;
    if (p < res.ptr) {
        ++p;
        std::from_chars(*p == '+' ? p + 1 : p, res.ptr, exp);
    }
    x.point = exp + 1;
    StripTrailingZeros(x);
    return x;
}

// Keeps the first Keep digits, rounding half away from zero on the decimal text.
void RoundToDigits(Decimal& x, int Keep)
{
    if (x.IsZero() || Keep >= static_cast<int>(x.d.size()))
        return;
    if (Keep < 0) {
        x.d.clear();
        x.point = 0;
        return;
    }
    const bool up = x.d[Keep] >= '5';
    x.d.resize(Keep);
    if (up) {
        int i = Keep - 1;
        while (i >= 0 && x.d[i] == '9') {
            x.d[i] = '0';
            --i;
        }
        if (i < 0) {
            x.d.insert(x.d.begin(), '1');
            ++x.point;
        } else {
            ++x.d[i];
        }
    }
    StripTrailingZeros(x);
}

char DigitAt(const Decimal& x, int i)
{
    return (i >= 0 && i < static_cast<int>(x.d.size())) ? x.d[i] : '0';
}

struct Pattern
{
    QString prefix;
    QString suffix;
    bool anyDigit = false;  // at least one placeholder
    int intZeros = 0;       // '0' placeholders before the decimal point
    int minFrac = 0;        // fractional digits always shown (up to the last '0')
    int maxFrac = 0;        // fractional placeholders
    bool group = false;
    bool sci = false;
    QChar eChar = u'E';
    bool expPlus = false;
    int expDigits = 0;
};

Pattern ParsePattern(const QString& Section)
{
    Pattern p;
    bool inPoint = false;
    bool inExponent = false;
    bool afterNumber = false; // a literal after the first placeholder goes to the suffix
    const int n = Section.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = Section[i];
        if (c == u'"' || c == u'\'') {
            int j = i + 1;
            while (j < n && Section[j] != c)
                ++j;
            (afterNumber ? p.suffix : p.prefix) += Section.mid(i + 1, j - i - 1);
            i = j;
            continue;
        }
        if (inExponent) {
            if (c == u'0' && p.suffix.isEmpty()) {
                ++p.expDigits;
                continue;
            }
            p.suffix += c;
            continue;
        }
        if (c == u'0' || c == u'#') {
            p.anyDigit = true;
            afterNumber = true;
            if (inPoint) {
                ++p.maxFrac;
                if (c == u'0')
                    p.minFrac = p.maxFrac;
            } else if (c == u'0') {
                ++p.intZeros;
            }
            continue;
        }
        if (c == u'.') {
            if (!inPoint && p.suffix.isEmpty()) {
                inPoint = true;
                afterNumber = true;
            }
            continue;
        }
        if (c == u',') {
            p.group = true;
            continue;
        }
        if ((c == u'E' || c == u'e') && i + 1 < n && (Section[i + 1] == u'+' || Section[i + 1] == u'-') && p.anyDigit) {
            p.sci = true;
            p.eChar = c;
            p.expPlus = Section[i + 1] == u'+';
            inExponent = true;
            ++i;
            continue;
        }
        (afterNumber ? p.suffix : p.prefix) += c;
    }
    return p;
}

// The number of fractional digits shown: the digits from From on, up to MaxFrac of them, less
// the trailing zeros beyond MinFrac.
int FractionLength(const Decimal& x, int From, int MinFrac, int MaxFrac)
{
    int n = MaxFrac;
    while (n > MinFrac && DigitAt(x, From + n - 1) == '0')
        --n;
    return n;
}

// Appends a decimal separator and the fractional digits [From, From + Length) of x, if any.
void AppendFraction(QString& aOut, const Decimal& x, int From, int Length)
{
    if (Length <= 0)
        return;
    aOut += QvDecimalSeparator();
    for (int j = 0; j < Length; ++j)
        aOut += QLatin1Char(DigitAt(x, From + j));
}

// The strings are built in one buffer of the right size: the details table formats every cell of
// every step, so temporaries per digit group add up.
QString FormatFixed(const Pattern& p, double Abs, bool Negative, bool* IsZero)
{
    Decimal x = ToDecimal(Abs, 15);
    RoundToDigits(x, x.point + p.maxFrac);
    *IsZero = x.IsZero();

    // The integer part: the digits before the point, padded with zeros to intZeros, grouped in
    // threes from the right when the pattern asks (and there are more than three).
    const int digits = std::max(x.point, 0);
    const int intLength = std::max(digits, p.intZeros);
    const int pad = intLength - digits;
    const bool group = p.group && intLength > 3;
    const QChar sep = group ? QvThousandSeparator() : QChar();
    const int first = intLength % 3;
    const int fracLength = FractionLength(x, x.point, p.minFrac, p.maxFrac);

    QString out;
    out.reserve(1 + p.prefix.size() + intLength + (group ? intLength / 3 : 0) + 1 + fracLength + p.suffix.size());
    if (Negative)
        out += u'-';
    out += p.prefix;
    for (int i = 0; i < intLength; ++i) {
        if (group && i > 0 && (i - first) % 3 == 0)
            out += sep;
        out += i < pad ? QLatin1Char('0') : QLatin1Char(DigitAt(x, i - pad));
    }
    AppendFraction(out, x, x.point, fracLength);
    out += p.suffix;
    return out;
}

QString FormatScientific(const Pattern& p, double Abs, bool Negative, bool* IsZero)
{
    const int intDigits = std::max(1, p.intZeros);
    Decimal x = ToDecimal(Abs, 15);
    RoundToDigits(x, intDigits + p.maxFrac);
    *IsZero = x.IsZero();
    const int exponent = x.IsZero() ? 0 : x.point - intDigits;

    // A zero shows intZeros zeros before the point, any other value intDigits digits.
    const int intLength = x.IsZero() ? p.intZeros : intDigits;
    const int fracLength = FractionLength(x, intDigits, p.minFrac, p.maxFrac);
    char exp[16];
    const auto expEnd = std::to_chars(exp, exp + sizeof exp, std::abs(exponent)).ptr;
    const int expLength = int(expEnd - exp);

    QString out;
    out.reserve(1 + p.prefix.size() + intLength + 1 + fracLength + 2 + std::max(expLength, p.expDigits)
                + p.suffix.size());
    if (Negative)
        out += u'-';
    out += p.prefix;
    for (int i = 0; i < intLength; ++i)
        out += QLatin1Char(x.IsZero() ? '0' : DigitAt(x, i));
    AppendFraction(out, x, intDigits, fracLength);
    out += p.eChar;
    if (exponent < 0)
        out += u'-';
    else if (p.expPlus)
        out += u'+';
    for (int i = expLength; i < p.expDigits; ++i)
        out += u'0';
    out += QLatin1String(exp, expLength);
    out += p.suffix;
    return out;
}

QString FormatSection(const QString& Section, double Abs, bool Negative, bool* IsZero)
{
    const Pattern p = ParsePattern(Section);
    if (!p.anyDigit) {
        *IsZero = Abs == 0;
        return (Negative ? QStringLiteral("-") : QString()) + p.prefix + p.suffix;
    }
    if (p.sci)
        return FormatScientific(p, Abs, Negative, IsZero);
    // Beyond 18 integer digits the pattern makes no sense any more: general format instead.
    if (Abs >= 1e18) {
        *IsZero = false;
        return QvFormatGeneral(Negative ? -Abs : Abs);
    }
    return FormatFixed(p, Abs, Negative, IsZero);
}

QStringList SplitSections(const QString& Format)
{
    QStringList sections;
    QString cur;
    QChar quote;
    for (const QChar c : Format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            cur += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            cur += c;
        } else if (c == u';') {
            sections << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    sections << cur;
    return sections;
}

} // namespace

QChar QvDecimalSeparator()
{
    if (!gDecimalOverride.isNull())
        return gDecimalOverride;
    const QString s = QLocale().decimalPoint();
    return s.isEmpty() ? QChar(u'.') : s[0];
}

QChar QvThousandSeparator()
{
    if (!gThousandOverride.isNull())
        return gThousandOverride;
    const QString s = QLocale().groupSeparator();
    return s.isEmpty() ? QChar(u',') : s[0];
}

void QvSetFormatSeparators(QChar Decimal, QChar Thousand)
{
    gDecimalOverride = Decimal;
    gThousandOverride = Thousand;
}

QString QvFormatGeneral(double Value, int Precision)
{
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    if (std::isinf(Value))
        return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    Precision = std::clamp(Precision, 1, 18);
    const Decimal x = ToDecimal(std::fabs(Value), Precision);
    if (x.IsZero())
        return QStringLiteral("0");
    QString out;
    if (Value < 0)
        out += u'-';
    const int len = static_cast<int>(x.d.size());
    const int exponent = x.point - 1;
    if (exponent < Precision && exponent >= -5) {
        if (x.point > 0) {
            for (int i = 0; i < x.point; ++i)
                out += QLatin1Char(DigitAt(x, i));
        } else {
            out += u'0';
        }
        if (x.point < len) {
            out += QvDecimalSeparator();
            for (int i = x.point; i < len; ++i)
                out += QLatin1Char(DigitAt(x, i));
        }
        return out;
    }
    out += QLatin1Char(x.d[0]);
    if (len > 1) {
        out += QvDecimalSeparator();
        out += QLatin1String(x.d.data() + 1, len - 1);
    }
    out += u'E';
    if (exponent < 0)
        out += u'-';
    out += QString::number(std::abs(exponent));
    return out;
}

QString QvFormatFixed(double Value, int Decimals)
{
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    if (std::isinf(Value))
        return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    Pattern p;
    p.anyDigit = true;
    p.intZeros = 1;
    p.minFrac = p.maxFrac = std::clamp(Decimals, 0, 18);
    bool zero = false;
    if (std::fabs(Value) >= 1e18)
        return QvFormatGeneral(Value);
    return FormatFixed(p, std::fabs(Value), Value < 0, &zero);
}

QString QvFormatFloat(const QString& Format, double Value)
{
    if (std::isnan(Value))
        return QStringLiteral("NAN");
    if (std::isinf(Value))
        return Value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (Format.isEmpty())
        return QvFormatGeneral(Value);

    const double abs = std::fabs(Value);
    const bool negative = Value < 0;
    bool zero = false;
    // One section (no ';' anywhere, so none in quotes either): the format is the section.
    if (!Format.contains(u';'))
        return FormatSection(Format, abs, negative, &zero);

    const QStringList sections = SplitSections(Format);
    QString out;
    if (negative && sections.size() >= 2 && !sections[1].isEmpty())
        out = FormatSection(sections[1], abs, false, &zero);
    else
        out = FormatSection(sections[0], abs, negative, &zero);
    if (zero && sections.size() >= 3 && !sections[2].isEmpty())
        out = FormatSection(sections[2], 0, false, &zero);
    return out;
}
