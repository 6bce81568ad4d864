#include "UnitWPVTextFile.h"

#include <QFile>
#include <QStringDecoder>

#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/mman.h>
#include <unistd.h>
#define WPV_HAVE_MMAP 1
#endif

EWPVDataError::EWPVDataError(const QString& aMessage)
    : std::runtime_error(aMessage.toUtf8().toStdString())
{
}

// The bytes of the text. Large files are read into anonymous pages, so that a loader streaming
// through them can give back what it has passed (a file of 100 MB need not stay in memory next
// to the points made from it).
struct TWPVLines::TBuffer
{
    QByteArray owned;
    char* mapped = nullptr;
    std::size_t mappedSize = 0;
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t released = 0; // bytes from the start of the mapping already given back

    ~TBuffer()
    {
#ifdef WPV_HAVE_MMAP
        if (mapped)
            munmap(mapped, mappedSize);
#endif
    }

    void SetOwned(QByteArray bytes, std::size_t skip)
    {
        owned = std::move(bytes);
        data = owned.constData() + skip;
        size = static_cast<std::size_t>(owned.size()) - skip;
    }
};

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

TWPVLines::TWPVLines()
    : fBuffer(std::make_unique<TBuffer>())
{
}

TWPVLines::~TWPVLines() = default;
TWPVLines::TWPVLines(TWPVLines&&) noexcept = default;
TWPVLines& TWPVLines::operator=(TWPVLines&&) noexcept = default;

namespace {

constexpr std::size_t kMapThreshold = 1 << 20; // files from 1 MB on are read into own pages

} // namespace

TWPVLines TWPVLines::FromFile(const QString& aFileName)
{
    QFile file(aFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EWPVDataError(QStringLiteral("Cannot open file \"%1\": %2").arg(aFileName, file.errorString()));
    TWPVLines lines;
    TBuffer& b = *lines.fBuffer;
    const qint64 size = file.size();
#ifdef WPV_HAVE_MMAP
    if (!file.isSequential() && size >= static_cast<qint64>(kMapThreshold)) {
        const std::size_t n = static_cast<std::size_t>(size);
        void* m = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m != MAP_FAILED) {
            b.mapped = static_cast<char*>(m);
            b.mappedSize = n;
            std::size_t got = 0;
            while (got < n) {
                const qint64 r = file.read(b.mapped + got, static_cast<qint64>(n - got));
                if (r < 0)
                    throw EWPVDataError(QStringLiteral("Cannot read file \"%1\": %2").arg(aFileName, file.errorString()));
                if (r == 0)
                    break; // the file became shorter while we read it
                got += static_cast<std::size_t>(r);
            }
            b.data = b.mapped;
            b.size = got;
        }
    }
#endif
    if (!b.data) {
        QByteArray all = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw EWPVDataError(QStringLiteral("Cannot read file \"%1\": %2").arg(aFileName, file.errorString()));
        b.SetOwned(std::move(all), 0);
    }
    lines.Classify();
    return lines;
}

TWPVLines TWPVLines::FromBytes(QByteArray aBytes)
{
    TWPVLines lines;
    lines.fBuffer->SetOwned(std::move(aBytes), 0);
    lines.Classify();
    return lines;
}

TWPVLines TWPVLines::FromText(const QString& aText)
{
    TWPVLines lines;
    lines.fBuffer->SetOwned(aText.toUtf8(), 0);
    lines.fCodec = TWPVTextCodec::Utf8;
    return lines;
}

void TWPVLines::Classify()
{
    TBuffer& b = *fBuffer;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(b.data);
    if (b.size >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        b.data += 3;
        b.size -= 3;
        fCodec = TWPVTextCodec::Utf8;
        return;
    }
    if (b.size >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        // UTF-16: the one case that is converted as a whole (to UTF-8).
        QStringDecoder decoder(u[0] == 0xFF ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        const QString text = decoder(QByteArrayView(b.data + 2, static_cast<qsizetype>(b.size - 2)));
        QByteArray utf8 = text.toUtf8();
        TBuffer fresh;
        std::swap(b.owned, fresh.owned);
        std::swap(b.mapped, fresh.mapped);
        std::swap(b.mappedSize, fresh.mappedSize);
        b.SetOwned(std::move(utf8), 0);
        fCodec = TWPVTextCodec::Utf8;
        return;
    }
    fCodec = WPVIsValidUtf8(b.data, b.size) ? TWPVTextCodec::Utf8 : TWPVTextCodec::Windows1252;
}

void TWPVLines::IndexUpTo(qsizetype i)
{
    const TBuffer& b = *fBuffer;
    while (static_cast<qsizetype>(fStarts.size()) <= i && !fScanDone) {
        if (fScan >= b.size) {
            fScanDone = true;
            break;
        }
        fStarts.push_back(fScan);
        const char* end = b.data + b.size;
        const char* lineEnd = WPVLineEnd(b.data + fScan, end);
        fScan = static_cast<std::size_t>(WPVNextLine(lineEnd, end) - b.data);
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
    const TBuffer& b = *fBuffer;
    const char* begin = b.data + fStarts[static_cast<std::size_t>(i)];
    const char* end = WPVLineEnd(begin, b.data + b.size);
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

const char* TWPVLines::Begin()
{
    return fBuffer->data;
}

const char* TWPVLines::End()
{
    return fBuffer->data + fBuffer->size;
}

const char* TWPVLines::LineBegin(qsizetype i)
{
    if (!HasLine(i))
        return End();
    return fBuffer->data + fStarts[static_cast<std::size_t>(i)];
}

void TWPVLines::SetStreaming(bool aOn)
{
    fStreaming = aOn;
}

void TWPVLines::Release(const char* aUpTo)
{
#ifdef WPV_HAVE_MMAP
    TBuffer& b = *fBuffer;
    if (!fStreaming || !b.mapped || aUpTo < b.mapped || aUpTo > b.mapped + b.mappedSize)
        return;
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t upTo = static_cast<std::size_t>(aUpTo - b.mapped) / page * page;
    if (upTo > b.released) {
        madvise(b.mapped + b.released, upTo - b.released, MADV_DONTNEED);
        b.released = upTo;
    }
#else
    Q_UNUSED(aUpTo);
#endif
}

QStringList ReadTextLines(const QString& aFileName)
{
    TWPVLines lines = TWPVLines::FromFile(aFileName);
    QStringList out;
    for (qsizetype i = 0; lines.HasLine(i); ++i)
        out << lines.Line(i, false);
    return out;
}
