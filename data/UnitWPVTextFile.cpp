#include "UnitWPVTextFile.h"

#include "UnitWPVFileNames.h"
#include "UnitWPVMemory.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include <cerrno>
#include <system_error>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif


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

char16_t WPVWindows1252(unsigned char c)
{
    return c >= 0x80 && c < 0xA0 ? kWindows1252[c - 0x80] : char16_t(c);
}

bool WPVIsValidUtf8(const char* p, std::size_t n)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    std::size_t i = 0;
    while (i < n) {
        // ASCII runs 32 bytes at a time, then eight.
        while (i + 32 <= n) {
            std::uint64_t w[4];
            std::memcpy(w, s + i, 32);
            if ((w[0] | w[1] | w[2] | w[3]) & 0x8080808080808080ull)
                break;
            i += 32;
        }
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
    // One pass for either terminator: a text whose lines end in CR alone must not send a search
    // for LF to the end of the text from every line.
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    while (aEnd - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        if (m)
            return p + __builtin_ctz(static_cast<unsigned>(m));
        p += 16;
    }
#endif
    while (p < aEnd && *p != '\n' && *p != '\r')
        ++p;
    return p;
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

// ------------------------------------------------------------------------------------------
// TWPVText

namespace {

// First read of a pipe or FIFO, whose size is not known; the buffer doubles from there.
constexpr std::size_t kFirstStreamRead = std::size_t(64) << 10;

[[noreturn]] void CannotRead(const QString& aFileName, const QString& aWhy)
{
    throw EWPVDataError(QStringLiteral("Cannot read file \"%1\": %2").arg(WPVDisplayFileName(aFileName), aWhy));
}

// A regular file from this size on is read in two halves at once, one per core: most of the
// time of reading a file already cached is the kernel filling fresh pages, which two threads
// do in half the time.
constexpr std::size_t kReadInHalvesFrom = std::size_t(16) << 20;

// Reads bytes [aFrom, aTo) of aFd into aBytes + aFrom; returns the count read (less at the end
// of the file) and sets aError to errno on failure.
std::size_t ReadRange(int aFd, char* aBytes, std::size_t aFrom, std::size_t aTo, int& aError)
{
    std::size_t pos = aFrom;
    while (pos < aTo) {
        const ssize_t r = ::pread(aFd, aBytes + pos, aTo - pos, off_t(pos));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            aError = errno;
            break;
        }
        if (r == 0)
            break;
        pos += std::size_t(r);
    }
    return pos - aFrom;
}

} // namespace

TWPVText::~TWPVText()
{
    Free();
}

void TWPVText::Free() noexcept
{
    if (fBuffer)
        WPVFreeLarge(fBuffer, fCapacity);
    fBuffer = fBytes = nullptr;
    fCapacity = fSize = 0;
}

void TWPVText::Allocate(std::size_t aCapacity)
{
    Free();
    aCapacity = std::max<std::size_t>(aCapacity, 1);
    fBuffer = fBytes = static_cast<char*>(WPVAllocateLarge(aCapacity));
    fCapacity = aCapacity;
}

void TWPVText::Grow(std::size_t aCapacity)
{
    char* bytes = static_cast<char*>(WPVAllocateLarge(aCapacity));
    if (fSize > 0)
        std::memcpy(bytes, fBytes, fSize);
    const std::size_t size = fSize;
    Free();
    fBuffer = fBytes = bytes;
    fCapacity = aCapacity;
    fSize = size;
}

void TWPVText::ReadAll(QFile& aFile, const QString& aFileName, bool aRegular)
{
    // A regular file is read into one buffer of its size (plus one byte, which tells whether it
    // grew meanwhile); anything else into a buffer that doubles.
    const qint64 size = aRegular ? std::max<qint64>(0, aFile.size()) : 0;
    Allocate(aRegular ? std::size_t(size) + 1 : kFirstStreamRead);
    if (aRegular && std::size_t(size) >= kReadInHalvesFrom && aFile.pos() == 0) {
        const std::size_t n = std::size_t(size);
        const std::size_t half = n / 2;
        const int fd = aFile.handle();
        int errors[2] = {0, 0};
        std::size_t second = 0;
        bool parallel = true;
        std::thread reader;
        try {
            reader = std::thread([&] { second = ReadRange(fd, fBytes, half, n, errors[1]); });
        } catch (const std::system_error&) {
            parallel = false; // no thread to be had: read in one go below
        }
        if (parallel) {
            const std::size_t first = ReadRange(fd, fBytes, 0, half, errors[0]);
            reader.join();
            for (const int e : errors)
                if (e != 0)
                    CannotRead(aFileName, QString::fromLocal8Bit(std::strerror(e)));
            // A file that shrank meanwhile leaves a gap between the halves: read it again in
            // one go. A file that grew is read on below.
            if (first == half && second == n - half && aFile.seek(qint64(n)))
                fSize = n;
            else if (!aFile.seek(0))
                CannotRead(aFileName, aFile.errorString());
        }
    }
    for (;;) {
        if (fSize == fCapacity)
            Grow(fCapacity * 2);
        const qint64 r = aFile.read(fBytes + fSize, qint64(fCapacity - fSize));
        if (r < 0)
            CannotRead(aFileName, aFile.errorString());
        if (r == 0)
            return;
        fSize += std::size_t(r);
    }
}

std::shared_ptr<TWPVText> TWPVText::Read(const QString& aFileName)
{
    QFile file;
    const QString failure = WPVOpenFile(file, aFileName, QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (!failure.isEmpty())
        throw EWPVDataError(QStringLiteral("Cannot open file \"%1\": %2").arg(WPVDisplayFileName(aFileName), failure));
    // What kind of file is open: a device (a terminal, /dev/zero) never ends or is not a file of
    // the instrument at all, and a folder has no text.
    struct stat st = {};
    if (fstat(file.handle(), &st) != 0)
        CannotRead(aFileName, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        CannotRead(aFileName, QStringLiteral("it is a device, not a data file"));
    if (S_ISDIR(st.st_mode))
        CannotRead(aFileName, QStringLiteral("it is a folder, not a data file"));
    std::shared_ptr<TWPVText> text(new TWPVText);
    try {
        text->ReadAll(file, aFileName, S_ISREG(st.st_mode));
    } catch (const std::bad_alloc&) {
        const double mb = double(text->fSize) / 1e6;
        CannotRead(aFileName, QStringLiteral("it does not fit in memory (%1 MB read)").arg(mb, 0, 'f', 0));
    }
    text->Classify();
    return text;
}

std::shared_ptr<TWPVText> TWPVText::FromBytes(QByteArrayView aBytes)
{
    std::shared_ptr<TWPVText> text(new TWPVText);
    text->Allocate(std::size_t(aBytes.size()));
    if (!aBytes.isEmpty())
        std::memcpy(text->fBytes, aBytes.data(), std::size_t(aBytes.size()));
    text->fSize = std::size_t(aBytes.size());
    text->Classify();
    return text;
}

std::shared_ptr<TWPVText> TWPVText::FromString(const QString& aText)
{
    const QByteArray utf8 = aText.toUtf8();
    std::shared_ptr<TWPVText> text(new TWPVText);
    text->Allocate(std::size_t(utf8.size()));
    std::memcpy(text->fBytes, utf8.constData(), std::size_t(utf8.size()));
    text->fSize = std::size_t(utf8.size());
    text->fCodec = TWPVTextCodec::Utf8;
    return text;
}

void TWPVText::Classify()
{
    const unsigned char* u = reinterpret_cast<const unsigned char*>(fBytes);
    if (fSize >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        fBytes += 3;
        fSize -= 3;
        fCodec = TWPVTextCodec::Utf8;
        return;
    }
    if (fSize >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        QStringDecoder decoder(u[0] == 0xFF ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QByteArray utf8 = QString(decoder(QByteArrayView(fBytes + 2, qsizetype(fSize - 2)))).toUtf8();
        Allocate(std::size_t(utf8.size()));
        std::memcpy(fBytes, utf8.constData(), std::size_t(utf8.size()));
        fSize = std::size_t(utf8.size());
        fCodec = TWPVTextCodec::Utf8;
        return;
    }
    fCodec = WPVIsValidUtf8(fBytes, fSize) ? TWPVTextCodec::Utf8 : TWPVTextCodec::Windows1252;
}

QString TWPVText::Decode(QByteArrayView aBytes, bool aRemoveTabs) const
{
    if (fCodec == TWPVTextCodec::Windows1252)
        return DecodeWindows1252(aBytes.data(), static_cast<std::size_t>(aBytes.size()), aRemoveTabs);
    return DecodeUtf8(aBytes.data(), static_cast<std::size_t>(aBytes.size()), aRemoveTabs);
}

void TWPVText::Discard(std::size_t aFrom, std::size_t aTo) const
{
    aFrom = std::min(aFrom, fSize);
    aTo = std::min(aTo, fSize);
    if (aTo > aFrom)
        WPVDiscardPages(fBytes + aFrom, aTo - aFrom);
}

// ------------------------------------------------------------------------------------------
// TWPVLines

TWPVLines::TWPVLines()
    : fText(TWPVText::FromBytes(QByteArrayView()))
{
}

TWPVLines::TWPVLines(std::shared_ptr<const TWPVText> aText)
    : fText(std::move(aText))
{
}

TWPVLines::~TWPVLines() = default;
TWPVLines::TWPVLines(TWPVLines&&) noexcept = default;
TWPVLines& TWPVLines::operator=(TWPVLines&&) noexcept = default;

TWPVLines TWPVLines::FromFile(const QString& aFileName)
{
    return TWPVLines(TWPVText::Read(aFileName));
}

TWPVLines TWPVLines::FromBytes(QByteArrayView aBytes)
{
    return TWPVLines(TWPVText::FromBytes(aBytes));
}

TWPVLines TWPVLines::FromText(const QString& aText)
{
    return TWPVLines(TWPVText::FromString(aText));
}

void TWPVLines::IndexUpTo(qsizetype i)
{
    const char* data = fText->Data();
    const char* e = data + fText->Size();
    while (static_cast<qsizetype>(fStarts.size()) <= i && fScan < fText->Size()) {
        fStarts.push_back(fScan);
        fScan = std::size_t(WPVNextLine(WPVLineEnd(data + fScan, e), e) - data);
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

std::size_t TWPVLines::LineStart(qsizetype i)
{
    return HasLine(i) ? fStarts[std::size_t(i)] : fText->Size();
}

QByteArrayView TWPVLines::RawLine(qsizetype i)
{
    if (!HasLine(i))
        return QByteArrayView();
    const char* begin = fText->Data() + fStarts[static_cast<std::size_t>(i)];
    const char* end = WPVLineEnd(begin, fText->Data() + fText->Size());
    return QByteArrayView(begin, end - begin);
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

QStringList ReadTextLines(const QString& aFileName)
{
    TWPVLines lines = TWPVLines::FromFile(aFileName);
    const qsizetype n = lines.Count();
    QStringList out;
    out.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        out << lines.Line(i, false);
    return out;
}
