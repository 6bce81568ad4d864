#include "UnitWPVFileNames.h"

#include <QFile>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr char16_t RawByteBase = 0xDC00;

bool IsRawByte(char16_t c)
{
    return c >= RawByteBase + 0x80 && c <= RawByteBase + 0xFF;
}

// Length of the valid UTF-8 sequence at p (at most n bytes available), 0 when it is not valid.
int ValidSequence(const unsigned char* p, qsizetype n, char32_t& aCode)
{
    const unsigned char b = p[0];
    int len = 0;
    char32_t code = 0, min = 0;
    if (b < 0x80) {
        aCode = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        code = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        code = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        code = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < len)
        return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    aCode = code;
    return len;
}

} // namespace

QString WPVFileNameFromBytes(QByteArrayView aBytes)
{
    QString name;
    name.reserve(aBytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(aBytes.data());
    const qsizetype n = aBytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t code = 0;
        const int len = ValidSequence(p + i, n - i, code);
        if (len == 0) {
            name.append(QChar(char16_t(RawByteBase + p[i])));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            const char32_t pair[1] = {code};
            name.append(QString::fromUcs4(pair, 1));
        } else {
            name.append(QChar(char16_t(code)));
        }
        i += len;
    }
    return name;
}

QByteArray WPVFileNameToBytes(const QString& aName)
{
    if (!WPVFileNameHasRawBytes(aName))
        return aName.toUtf8();
    QByteArray bytes;
    bytes.reserve(aName.size());
    qsizetype from = 0;
    for (qsizetype i = 0; i <= aName.size(); ++i) {
        if (i < aName.size() && !IsRawByte(aName[i].unicode()))
            continue;
        // The text before the raw byte as UTF-8, then the byte itself.
        bytes.append(QStringView(aName).mid(from, i - from).toUtf8());
        if (i < aName.size())
            bytes.append(char(aName[i].unicode() - RawByteBase));
        from = i + 1;
    }
    return bytes;
}

bool WPVFileNameHasRawBytes(const QString& aName)
{
    for (qsizetype i = 0; i < aName.size(); ++i) {
        const char16_t c = aName[i].unicode();
        // A raw byte is a low surrogate that does not follow a high one.
        if (IsRawByte(c) && !(i > 0 && QChar::isHighSurrogate(aName[i - 1].unicode())))
            return true;
    }
    return false;
}

QString WPVDisplayFileName(const QString& aName)
{
    if (!WPVFileNameHasRawBytes(aName))
        return aName;
    QString shown = aName;
    for (QChar& c : shown)
        if (IsRawByte(c.unicode()))
            c = QChar::ReplacementCharacter;
    return shown;
}

QString WPVLocalFileOfUrl(const QUrl& aUrl)
{
    if (!aUrl.isLocalFile())
        return QString();
    const QByteArray encoded = aUrl.path(QUrl::FullyEncoded).toLatin1();
    const QString name = WPVFileNameFromBytes(QByteArray::fromPercentEncoding(encoded));
    // A UNC host (file://host/share) stays Qt's business.
    if (!aUrl.host().isEmpty())
        return aUrl.toLocalFile();
    return name;
}

QString WPVOpenFile(QFile& aFile, const QString& aName, QIODevice::OpenMode aMode)
{
#ifdef Q_OS_UNIX
    if (WPVFileNameHasRawBytes(aName)) {
        const QByteArray bytes = WPVFileNameToBytes(aName);
        const int fd = ::open(bytes.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            return QString::fromLocal8Bit(std::strerror(EISDIR));
        }
        if (!aFile.open(fd, aMode, QFileDevice::AutoCloseHandle))
            return aFile.errorString();
        return QString();
    }
#endif
    aFile.setFileName(aName);
    if (!aFile.open(aMode))
        return aFile.errorString();
    return QString();
}
