#include "UnitWPVTexts.h"

#include "QvFormat.h"
#include "UnitDataDisplayDefinitions.h"
#include "UnitStringSpacer.h"
#include "UnitTWPVData.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

QString FormatFloat(const QString& aFormat, double aValue)
{
    const QString text = QvFormatFloat(aFormat, aValue);
    return aValue >= 0 ? QStringLiteral(" ") + text : text;
}

QString StepListText(int aFileNumber, const TWPVDataSet& aStep)
{
    const double l = aStep.FinalpO2() > 0 ? std::log10(aStep.FinalpO2()) : 0.0;
    return QStringLiteral("FN:") + QString::number(aFileNumber) + QStringLiteral(" Mode:") + ModeName(aStep.Mode)
        + QStringLiteral(" Step:") + QString::number(aStep.Step) + QStringLiteral(" Log(pO2):")
        + FormatFloat(QStringLiteral("0.0"), l);
}

QString FileListText(const TWPVDataFromFile& aFile)
{
    return QStringLiteral("FN:") + QString::number(aFile.VActiv().FileNumber) + u' ' + aFile.VActiv().ExperimentName;
}

namespace {

constexpr int kFieldsOfVariables = 4;
constexpr int kVariablesWidth = 40;
constexpr int kFieldWidth = 15;

// The field width of a line: 40 for exactly four fields, else 15.
int SourceFieldWidth(QByteArrayView aLine)
{
    const char* p = aLine.data();
    const char* e = p + aLine.size();
    int separators = 0;
    while (separators < kFieldsOfVariables && p < e) {
        p = static_cast<const char*>(std::memchr(p, ';', std::size_t(e - p)));
        if (!p)
            break;
        ++separators;
        ++p;
    }
    return separators == kFieldsOfVariables - 1 ? kVariablesWidth : kFieldWidth;
}

// The cell of one field: its characters without blanks, cut or padded to aWidth, then one
// blank. Reads no further into the field than the cell needs.
void FormatCell(const char* p, const char* e, TWPVTextCodec aCodec, int aWidth, char16_t* aOut)
{
    int n = 0;
    const unsigned char* q = reinterpret_cast<const unsigned char*>(p);
    const unsigned char* end = reinterpret_cast<const unsigned char*>(e);
    while (q < end && n < aWidth) {
        const unsigned c = *q;
        if (c == ' ') {
            ++q;
            continue;
        }
        if (c < 0x80 || aCodec == TWPVTextCodec::Windows1252) {
            aOut[n++] = WPVWindows1252(static_cast<unsigned char>(c));
            ++q;
            continue;
        }
        // UTF-8 (the whole text is valid UTF-8 when it is read as such).
        int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (len == 1 || end - q < len) {
            aOut[n++] = u'\uFFFD';
            ++q;
            continue;
        }
        char32_t cp = c & (0x7F >> len);
        for (int k = 1; k < len; ++k)
            cp = (cp << 6) | (q[k] & 0x3F);
        q += len;
        if (cp >= 0x10000) {
            // A character beyond the basic plane takes two places; a cut may split it, as
            // cutting the decoded text would.
            aOut[n++] = char16_t(0xD800 + ((cp - 0x10000) >> 10));
            if (n < aWidth)
                aOut[n++] = char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            aOut[n++] = char16_t(cp);
        }
    }
    while (n < aWidth)
        aOut[n++] = u' ';
    aOut[aWidth] = u' ';
}

} // namespace

void WriteSourceLine(QByteArrayView aLine, TWPVTextCodec aCodec, const std::function<void(QStringView)>& aOut,
                     qsizetype aFrom, qsizetype aCount)
{
    if (aLine.isEmpty() || aCount == 0)
        return;
    const int width = SourceFieldWidth(aLine);
    const qsizetype cell = width + 1;
    aFrom = std::max<qsizetype>(aFrom, 0);
    qsizetype left = aCount < 0 ? std::numeric_limits<qsizetype>::max() : aCount;
    qsizetype skip = aFrom % cell;
    const char* p = aLine.data();
    const char* const e = p + aLine.size();
    for (qsizetype k = aFrom / cell; k > 0; --k) {
        p = static_cast<const char*>(std::memchr(p, ';', std::size_t(e - p)));
        if (!p)
            return;
        ++p;
    }
    constexpr qsizetype kBuffer = 8192;
    char16_t buffer[kBuffer];
    qsizetype used = 0;
    char16_t cellText[kVariablesWidth + 1];
    for (;;) {
        const char* fieldEnd = static_cast<const char*>(std::memchr(p, ';', std::size_t(e - p)));
        if (!fieldEnd)
            fieldEnd = e;
        FormatCell(p, fieldEnd, aCodec, width, cellText);
        const qsizetype take = std::min(cell - skip, left);
        if (used + take > kBuffer) {
            aOut(QStringView(buffer, used));
            used = 0;
        }
        std::copy(cellText + skip, cellText + skip + take, buffer + used);
        used += take;
        left -= take;
        skip = 0;
        if (left == 0 || fieldEnd == e)
            break;
        p = fieldEnd + 1;
    }
    if (used > 0)
        aOut(QStringView(buffer, used));
}

qsizetype SourceLineWidth(QByteArrayView aLine)
{
    if (aLine.isEmpty())
        return 0;
    const qsizetype fields = std::count(aLine.begin(), aLine.end(), ';') + 1;
    return fields * (SourceFieldWidth(aLine) + 1);
}

QString SourceLineText(QStringView aLine)
{
    QString out;
    WriteSourceLine(aLine.toUtf8(), TWPVTextCodec::Utf8, [&out](QStringView s) { out += s; });
    return out;
}
