#include "UnitWPVTextFile.h"

#include "UnitWPVFileNames.h"

#include <QFile>
#include <QStringDecoder>

#include <cstring>


EWPVDataError::EWPVDataError(const QString& aMessage)
    : std::runtime_error(aMessage.toUtf8().toStdString())
{
}

namespace {

const char16_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString DecodeWindows1252(const char* p, std::size_t n, bool aRemoveTabs)
{
    QString s;
    s.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c == '\t' && aRemoveTabs)
            continue;
        if (c >= 0x80 && c < 0xA0)
            s += QChar(kWindows1252[c - 0x80]);
        else
            s += QChar(c);
    }
    return s;
}

QString DecodeUtf8(const char* p, std::size_t n, bool aRemoveTabs)
{
    if (aRemoveTabs && std::memchr(p, '\t', n)) {
        QByteArray copy;
        copy.reserve(static_cast<qsizetype>(n));
        for (std::size_t i = 0; i < n; ++i)
            if (p[i] != '\t')
                copy += p[i];
        return QString::fromUtf8(copy);
    }
    return QString::fromUtf8(p, static_cast<qsizetype>(n));
}

} // namespace

bool WPVIsValidUtf8(const char* p, std::size_t n)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    std::size_t i = 0;
    while (i < n) {
        // ASCII runs eight bytes at a time.
        while (i + 8 <= n) {
            std::uint64_t w;
            std::memcpy(&w, s + i, 8);
            if (w & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (int k = 1; k < len; ++k) {
            const unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

const char* WPVLineEnd(const char* p, const char* aEnd)
{
    // The terminators are rare among the bytes: look for LF with memchr, then for a CR before it.
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(aEnd - p)));
    const char* limit = lf ? lf : aEnd;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(limit - p)));
    return cr ? cr : limit;
}

const char* WPVNextLine(const char* aLineEnd, const char* aEnd)
{
    if (aLineEnd >= aEnd)
        return aEnd;
    if (*aLineEnd == '\r' && aLineEnd + 1 < aEnd && aLineEnd[1] == '\n')
        return aLineEnd + 2;
    return aLineEnd + 1;
}

QString WPVTrim(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

QByteArrayView WPVTrim(QByteArrayView s)
{
    const char* b = s.data();
    const char* e = b + s.size();
    while (b < e && static_cast<unsigned char>(*b) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(e[-1]) <= 32)
        --e;
    return QByteArrayView(b, e - b);
}

// The open file.
struct TWPVLines::TSource
{
    QFile file;
    QString name;
};

namespace {

constexpr std::size_t kRetainedChunk = std::size_t(256) << 10; // read ahead for indexed lines
constexpr std::size_t kStreamChunk = std::size_t(1) << 20;     // read buffer of a stream

// True when the line that ends at aLineEnd (within [.., aEnd)) may go on in bytes not read yet.
bool MayContinue(const char* aLineEnd, const char* aEnd, bool aEof)
{
    if (aEof)
        return false;
    return aLineEnd == aEnd || (*aLineEnd == '\r' && aLineEnd + 1 == aEnd);
}

} // namespace

TWPVLines::TWPVLines() = default;
TWPVLines::~TWPVLines() = default;
TWPVLines::TWPVLines(TWPVLines&&) noexcept = default;
TWPVLines& TWPVLines::operator=(TWPVLines&&) noexcept = default;

TWPVLines TWPVLines::FromFile(const QString& aFileName)
{
    TWPVLines lines;
    lines.fSource = std::make_unique<TSource>();
    lines.fSource->name = aFileName;
    const QString failure = WPVOpenFile(lines.fSource->file, aFileName, QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!failure.isEmpty())
        throw EWPVDataError(QStringLiteral("Cannot open file \"%1\": %2").arg(WPVDisplayFileName(aFileName), failure));
    lines.fEof = false;
    lines.ReadMore();
    lines.Classify();
    return lines;
}

TWPVLines TWPVLines::FromBytes(QByteArray aBytes)
{
    TWPVLines lines;
    lines.fData.assign(aBytes.constData(), aBytes.constData() + aBytes.size());
    lines.fEof = true;
    lines.Classify();
    // In memory the whole text decides at once.
    if (lines.fCheckUtf8 && !WPVIsValidUtf8(lines.fData.data(), lines.fData.size()))
        lines.fCodec = TWPVTextCodec::Windows1252;
    lines.fCheckUtf8 = false;
    return lines;
}

TWPVLines TWPVLines::FromText(const QString& aText)
{
    TWPVLines lines;
    const QByteArray utf8 = aText.toUtf8();
    lines.fData.assign(utf8.constData(), utf8.constData() + utf8.size());
    lines.fEof = true;
    lines.fCheckUtf8 = false;
    return lines;
}

std::size_t TWPVLines::ReadChunk(char* aTo, std::size_t aMax)
{
    if (!fSource)
        return 0;
    const qint64 r = fSource->file.read(aTo, static_cast<qint64>(aMax));
    if (r < 0)
        throw EWPVDataError(
            QStringLiteral("Cannot read file \"%1\": %2").arg(fSource->name, fSource->file.errorString()));
    if (r == 0) {
        fEof = true;
        fSource.reset();
    }
    return static_cast<std::size_t>(r);
}

bool TWPVLines::ReadMore()
{
    if (fEof || fDetached)
        return false;
    const std::size_t old = fData.size();
    fData.resize(old + kRetainedChunk);
    const std::size_t got = ReadChunk(fData.data() + old, kRetainedChunk);
    fData.resize(old + got);
    return got > 0;
}

void TWPVLines::Classify()
{
    const unsigned char* u = reinterpret_cast<const unsigned char*>(fData.data());
    const std::size_t n = fData.size();
    if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        fData.erase(fData.begin(), fData.begin() + 3);
        fCodec = TWPVTextCodec::Utf8;
        fCheckUtf8 = false;
        return;
    }
    if (n >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        // UTF-16: the one case that is read and converted as a whole (to UTF-8).
        const bool little = u[0] == 0xFF;
        while (ReadMore()) {
        }
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decoder(QByteArrayView(fData.data() + 2, static_cast<qsizetype>(fData.size() - 2)));
        const QByteArray utf8 = text.toUtf8();
        fData.assign(utf8.constData(), utf8.constData() + utf8.size());
        fCodec = TWPVTextCodec::Utf8;
        fCheckUtf8 = false;
        return;
    }
    fCodec = TWPVTextCodec::Utf8;
    fCheckUtf8 = true;
}

void TWPVLines::Validate(const char* b, const char* e)
{
    // Lines end in ASCII terminators, so a line never splits a UTF-8 sequence.
    if (fCheckUtf8 && !WPVIsValidUtf8(b, static_cast<std::size_t>(e - b))) {
        fCodec = TWPVTextCodec::Windows1252;
        fCheckUtf8 = false;
    }
}

void TWPVLines::IndexUpTo(qsizetype i)
{
    while (static_cast<qsizetype>(fStarts.size()) <= i) {
        if (fScan >= fData.size()) {
            if (!ReadMore())
                break;
            continue;
        }
        const char* b = fData.data() + fScan;
        const char* e = fData.data() + fData.size();
        const char* lineEnd = WPVLineEnd(b, e);
        if (MayContinue(lineEnd, e, fEof) && !fDetached) {
            // Read on and look again: reading may move the text (b and e go stale), and a read
            // that finds the end marks it, so the line is complete the next time round.
            ReadMore();
            continue;
        }
        Validate(b, lineEnd);
        fStarts.push_back(fScan);
        fScan = static_cast<std::size_t>(WPVNextLine(lineEnd, e) - fData.data());
    }
}

bool TWPVLines::HasLine(qsizetype i)
{
    if (i < 0)
        return false;
    IndexUpTo(i);
    return i < static_cast<qsizetype>(fStarts.size());
}

qsizetype TWPVLines::Count()
{
    IndexUpTo(std::numeric_limits<qsizetype>::max() - 1);
    return static_cast<qsizetype>(fStarts.size());
}

QByteArrayView TWPVLines::RawLine(qsizetype i)
{
    if (!HasLine(i))
        return QByteArrayView();
    const char* begin = fData.data() + fStarts[static_cast<std::size_t>(i)];
    const char* end = WPVLineEnd(begin, fData.data() + fData.size());
    return QByteArrayView(begin, end - begin);
}

QString TWPVLines::Decode(QByteArrayView aBytes, bool aRemoveTabs) const
{
    if (fCodec == TWPVTextCodec::Windows1252)
        return DecodeWindows1252(aBytes.data(), static_cast<std::size_t>(aBytes.size()), aRemoveTabs);
    return DecodeUtf8(aBytes.data(), static_cast<std::size_t>(aBytes.size()), aRemoveTabs);
}

QString TWPVLines::Line(qsizetype i, bool aRemoveTabs)
{
    return Decode(RawLine(i), aRemoveTabs);
}

bool TWPVLines::LineEquals(qsizetype i, QByteArrayView aText)
{
    if (!HasLine(i))
        return false;
    const QByteArrayView line = RawLine(i);
    qsizetype k = 0;
    for (const char c : line) {
        if (c == '\t')
            continue;
        if (k >= aText.size() || aText[k] != c)
            return false;
        ++k;
    }
    return k == aText.size();
}

qsizetype TWPVLines::Find(QByteArrayView aText, qsizetype aFrom)
{
    for (qsizetype i = std::max<qsizetype>(aFrom, 0); HasLine(i); ++i)
        if (LineEquals(i, aText))
            return i;
    return -1;
}

TWPVLineStream::TWPVLineStream(TWPVLines& aLines, qsizetype aFirst)
    : fLines(aLines)
    , fIndex(aFirst)
{
    if (aLines.HasLine(aFirst)) {
        fPos = aLines.fStarts[static_cast<std::size_t>(aFirst)];
    } else {
        fInRetained = false;
        fChunkEof = true;
    }
}

bool TWPVLineStream::Next(QByteArrayView& aLine, qsizetype& aIndex)
{
    if (fInRetained) {
        // First the lines the text object has read already (checked when indexed or below).
        const std::vector<char>& data = fLines.fData;
        const char* end = data.data() + data.size();
        if (fPos < data.size()) {
            const char* b = data.data() + fPos;
            const char* lineEnd = WPVLineEnd(b, end);
            if (!MayContinue(lineEnd, end, fLines.fEof)) {
                if (fIndex >= static_cast<qsizetype>(fLines.fStarts.size()))
                    fLines.Validate(b, lineEnd);
                aLine = QByteArrayView(b, lineEnd - b);
                aIndex = fIndex++;
                fPos = static_cast<std::size_t>(WPVNextLine(lineEnd, end) - data.data());
                return true;
            }
        }
        if (fLines.fEof && fPos >= data.size())
            return false;
        // The rest of the file goes through a buffer of our own, starting with the part of a
        // line that the text object holds.
        fChunk.resize(kStreamChunk);
        fChunkLen = data.size() - std::min(fPos, data.size());
        if (fChunkLen > fChunk.size())
            fChunk.resize(fChunkLen * 2);
        std::copy(data.data() + data.size() - fChunkLen, data.data() + data.size(), fChunk.data());
        fPos = 0;
        fInRetained = false;
        fChunkEof = fLines.fEof;
        fLines.fDetached = true;
    }
    for (;;) {
        const char* b = fChunk.data() + fPos;
        const char* end = fChunk.data() + fChunkLen;
        if (fPos < fChunkLen) {
            const char* lineEnd = WPVLineEnd(b, end);
            if (!MayContinue(lineEnd, end, fChunkEof)) {
                fLines.Validate(b, lineEnd);
                aLine = QByteArrayView(b, lineEnd - b);
                aIndex = fIndex++;
                fPos = static_cast<std::size_t>(WPVNextLine(lineEnd, end) - fChunk.data());
                return true;
            }
        } else if (fChunkEof) {
            return false;
        }
        // Keep the unfinished line, make room (a line longer than the buffer doubles it) and
        // read on.
        const std::size_t rest = fChunkLen - fPos;
        std::memmove(fChunk.data(), fChunk.data() + fPos, rest);
        fChunkLen = rest;
        fPos = 0;
        if (fChunk.size() - fChunkLen < kStreamChunk / 2)
            fChunk.resize(fChunk.size() * 2);
        const std::size_t got = fLines.ReadChunk(fChunk.data() + fChunkLen, fChunk.size() - fChunkLen);
        fChunkLen += got;
        if (got == 0)
            fChunkEof = true;
    }
}

QStringList ReadTextLines(const QString& aFileName)
{
    TWPVLines lines = TWPVLines::FromFile(aFileName);
    // The whole text decides the encoding before any line is decoded.
    const qsizetype n = lines.Count();
    QStringList out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out << lines.Line(i, false);
    return out;
}
