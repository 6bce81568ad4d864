// File names that are not valid UTF-8 survive the trip from the system's bytes to a QString and
// back, and such a file can be opened.
#include "UnitWPVFileNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TNameCase
{
    const char* What;
    QByteArray Bytes;
    bool Raw; // holds bytes that are not UTF-8
};

} // namespace

TEST(FileNames, EveryByteSurvivesTheRoundTrip)
{
    const TNameCase cases[] = {
        {"ascii", "/tmp/run1.txt", false},
        {"utf-8", "/tmp/M\xC3\xBC" "ller \xE2\x82\xAC.txt", false},
        {"four-byte utf-8", "/tmp/\xF0\x9F\x98\x80.txt", false},
        {"latin-1 byte", "/tmp/a\xFF" "b.txt", true},
        {"latin-1 umlaut", "/tmp/M\xFC" "ller.txt", true},
        {"lone continuation byte", "/tmp/\x80", true},
        {"overlong slash", "/tmp/\xC0\xAF", true},
        {"encoded surrogate", "/tmp/\xED\xA0\x80", true},
        {"cut sequence at the end", "/tmp/\xE2\x82", true},
        {"beyond U+10FFFF", "/tmp/\xF5\x80\x80\x80", true},
        {"raw byte before utf-8", "\xFE\xC3\xA9", true},
    };
    for (const TNameCase& c : cases) {
        const QString name = WPVFileNameFromBytes(c.Bytes);
        EXPECT_EQ(WPVFileNameToBytes(name), c.Bytes) << c.What;
        EXPECT_EQ(WPVFileNameHasRawBytes(name), c.Raw) << c.What;
        if (!c.Raw) {
            EXPECT_EQ(name, QString::fromUtf8(c.Bytes)) << c.What;
            EXPECT_EQ(WPVDisplayFileName(name), name) << c.What;
        } else {
            EXPECT_TRUE(WPVDisplayFileName(name).contains(QChar::ReplacementCharacter)) << c.What;
        }
    }
    // A name from the user (a dialog) with a proper surrogate pair is not taken for raw bytes.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    EXPECT_FALSE(WPVFileNameHasRawBytes(emoji));
    EXPECT_EQ(WPVFileNameToBytes(emoji), QByteArray("\xF0\x9F\x98\x80"));
}

TEST(FileNames, FileWithARawByteInItsNameOpensAndReads)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + "/data\xFF.txt";
    FILE* f = std::fopen(path.constData(), "wb");
    ASSERT_TRUE(f);
    std::fputs("Tarnwell data file\n", f);
    std::fclose(f);

    const QString name = WPVFileNameFromBytes(path);
    QFile file;
    EXPECT_EQ(WPVOpenFile(file, name, QIODevice::ReadOnly), QString());
    EXPECT_EQ(file.readAll(), QByteArray("Tarnwell data file\n"));
    file.close();

    // Qt's own decoding of the same bytes cannot find the file.
    EXPECT_FALSE(QFile::exists(QString::fromLocal8Bit(path)));

    // A dropped file URL keeps the byte too.
    const QUrl url(QStringLiteral("file://") + dir.path() + QStringLiteral("/data%FF.txt"));
    ASSERT_TRUE(url.isLocalFile());
    EXPECT_EQ(WPVFileNameToBytes(WPVLocalFileOfUrl(url)), path);

    // Failures name their reason.
    QFile missing;
    EXPECT_FALSE(WPVOpenFile(missing, WPVFileNameFromBytes(path + ".not"), QIODevice::ReadOnly).isEmpty());
    const QByteArray folder = QFile::encodeName(dir.path()) + "/folder\xFF";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    QFile directory;
    EXPECT_FALSE(WPVOpenFile(directory, WPVFileNameFromBytes(folder), QIODevice::ReadOnly).isEmpty());
    EXPECT_FALSE(directory.isOpen());
    // Ordinary names go through QFile as they always did.
    QFile plain;
    EXPECT_FALSE(WPVOpenFile(plain, dir.filePath("none.txt"), QIODevice::ReadOnly).isEmpty());

    // QTemporaryDir cannot remove what it cannot name.
    ::unlink(path.constData());
    ::rmdir(folder.constData());
}
