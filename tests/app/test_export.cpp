// The command-line export of the bundled samples, against outputs re-computed independently
// (tests/data/expected/verify.py).
#include "UnitWPVExport.h"

#include "QvFormat.h"
#include "TestPaths.h"

#include "UnitWPVTexts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

const char* const kSamples[] = {"run1_pidstep", "run2_mixed_quirks", "run3_pps_short"};

QString Expected(const QString& name)
{
    QFile f(SourcePath(QStringLiteral("tests/data/expected/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return QString::fromUtf8(f.readAll());
}

class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // "File: " shows the path as given: run from the source tree with relative paths.
        previous = QDir::currentPath();
        QDir::setCurrent(SourcePath(QString()));
        QvSetFormatSeparators(u'.', u',');
    }
    void TearDown() override
    {
        QDir::setCurrent(previous);
        QvSetFormatSeparators(QChar(), QChar());
    }
    static QString Sample(const char* name) { return QStringLiteral("samples/%1.txt").arg(QLatin1String(name)); }
    QString previous;
};

struct Variant
{
    const char* suffix;
    TDetailsExportOptions options;
};

TEST_F(ExportTest, DetailsOfEverySample)
{
    TDetailsExportOptions all2;
    all2.Columns = QStringList{"all"};
    all2.StartSet = 2;
    TDetailsExportOptions over;
    over.Columns = QStringList{"all"};
    over.Overrides = {{"Vgp", 0.02}, {"BOx", 2.95}, {"RCDuration", 30}};
    const Variant variants[] = {{"details", {}}, {"details-all-start2", all2}, {"details-override", over}};
    for (const char* sample : kSamples)
        for (const Variant& v : variants) {
            const QString expected = Expected(QStringLiteral("%1.%2.txt").arg(QLatin1String(sample), QLatin1String(v.suffix)));
            EXPECT_EQ(ExportDetails(Sample(sample), v.options).toStdString(), expected.toStdString())
                << sample << " " << v.suffix;
        }
}

TEST_F(ExportTest, StripRemovesEveryBlank)
{
    TDetailsExportOptions strip;
    strip.Strip = true;
    const QString text = ExportDetails(Sample(kSamples[2]), strip);
    QString expected = Expected(QStringLiteral("run3_pps_short.details.txt"));
    expected.remove(u' ');
    EXPECT_EQ(text.toStdString(), expected.toStdString());
    // A blank cell becomes nothing between two ';' (the first step has no dOch and no r).
    EXPECT_TRUE(text.contains(QStringLiteral(";;;")));
}

TEST_F(ExportTest, StepListOfTheFilesInOrder)
{
    QStringList files;
    for (const char* s : kSamples)
        files << Sample(s);
    QString out;
    QTextStream stream(&out);
    QStringList errors;
    ExportSteps(files, stream, errors);
    stream.flush();
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(out.toStdString(), Expected(QStringLiteral("steps.txt")).toStdString());
}

TEST_F(ExportTest, FailingFileUsesUpItsNumber)
{
    QString out;
    QTextStream stream(&out);
    QStringList errors;
    ExportSteps({Sample(kSamples[2]), QStringLiteral("samples/missing.txt"), Sample(kSamples[2])}, stream, errors);
    stream.flush();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("samples/missing.txt")));
    EXPECT_TRUE(out.startsWith(QStringLiteral("FN:1 ")));
    EXPECT_TRUE(out.contains(QStringLiteral("\nFN:3 Mode:PIDStep Step:0 ")));
    EXPECT_FALSE(out.contains(QStringLiteral("FN:2")));
}

TEST_F(ExportTest, SourceTextOfEverySample)
{
    for (const char* sample : kSamples) {
        QString out;
        QTextStream stream(&out);
        QStringList errors;
        ExportSource({Sample(sample)}, stream, errors);
        stream.flush();
        EXPECT_TRUE(errors.isEmpty());
        const QStringList lines = out.split(u'\n');
        const QStringList head = Expected(QStringLiteral("%1.source-head.txt").arg(QLatin1String(sample))).split(u'\n');
        const QStringList tail = Expected(QStringLiteral("%1.source-tail.txt").arg(QLatin1String(sample))).split(u'\n');
        ASSERT_GT(lines.size(), 80);
        EXPECT_EQ(lines.mid(0, 80), head.mid(0, 80)) << sample;
        EXPECT_EQ(lines.size() - 1, tail[0].toInt()) << sample; // after the final line feed
        EXPECT_EQ(lines[lines.size() - 2], tail[1]) << sample;
    }
}

TEST_F(ExportTest, BadColumnOrOverrideNames)
{
    EXPECT_THROW(ColumnsForExport(QStringList{"dQ", "nope"}), EWPVUsageError);
    const TColArr none = ColumnsForExport(QStringList{"none"});
    for (const TColData& c : none)
        EXPECT_FALSE(c.Visible);
    const TColArr two = ColumnsForExport(QStringList{"log|y|", "pO2 s-1"});
    int shown = 0;
    for (const TColData& c : two)
        shown += c.Visible;
    EXPECT_EQ(shown, 2);
    TDetailsExportOptions o;
    o.Overrides = {{"Vgpp", 1}};
    EXPECT_THROW(ExportDetails(Sample(kSamples[2]), o), EWPVUsageError);
}

} // namespace

namespace {

// Writes aBytes into a FIFO or pipe from a thread of its own, as `cat f |` does.
class TFeeder
{
public:
    TFeeder(const QString& aPath, QByteArray aBytes)
        : fThread([aPath, aBytes] {
            QFile f(aPath);
            if (f.open(QIODevice::WriteOnly))
                f.write(aBytes);
        })
    {
    }
    // Into the write end of a pipe, closed when done.
    TFeeder(int aFd, QByteArray aBytes)
        : fThread([aFd, aBytes] {
            for (qsizetype done = 0; done < aBytes.size();) {
                const ssize_t n = ::write(aFd, aBytes.constData() + done, std::size_t(aBytes.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
            ::close(aFd);
        })
    {
    }
    ~TFeeder() { fThread.join(); }

private:
    std::thread fThread;
};

QString SourceOf(const QString& aPath, QStringList& aErrors)
{
    QString out;
    QTextStream stream(&out);
    ExportSource({aPath}, stream, aErrors);
    stream.flush();
    return out;
}

} // namespace

// A file is read once: named FIFOs and pipes (`--source <(cat f)`, `cat f | --source
// /dev/stdin`) give the same source text as the file, and the loader saw the same bytes.
TEST_F(ExportTest, SourceTextOfFifosAndPipes)
{
    const QString sample = Sample(kSamples[0]);
    QFile f(sample);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QStringList errors;
    const QString expected = SourceOf(sample, errors);
    ASSERT_TRUE(errors.isEmpty());
    ASSERT_GT(expected.size(), 1000);

    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    {
        TFeeder feeder(fifo, bytes);
        EXPECT_EQ(SourceOf(fifo, errors), expected);
    }
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        TFeeder feeder(fds[1], bytes);
        EXPECT_EQ(SourceOf(QStringLiteral("/dev/fd/%1").arg(fds[0]), errors), expected);
    }
    ::close(fds[0]);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

// Devices are refused with a message that names them; /dev/zero would never end.
TEST_F(ExportTest, DevicesAreRefused)
{
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        QStringList errors;
        EXPECT_TRUE(SourceOf(QString::fromLatin1(device), errors).isEmpty());
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(QStringLiteral("\"%1\": it is a device").arg(QLatin1String(device))))
            << errors[0].toStdString();
    }
}

// A line of several megabytes of ';' leaves the export in pieces of a few thousand characters:
// its re-formatted form (16 characters a field) is never made whole.
TEST_F(ExportTest, LongLinesAreWrittenInPieces)
{
    const QByteArray line(3'000'000, ';');
    qsizetype total = 0;
    qsizetype largest = 0;
    WriteSourceLine(line, TWPVTextCodec::Utf8, [&](QStringView piece) {
        total += piece.size();
        largest = std::max(largest, piece.size());
    });
    EXPECT_EQ(total, qsizetype(3'000'001) * 16);
    EXPECT_LE(largest, 8192);
    EXPECT_EQ(SourceLineWidth(line), total);
    // A window of it, as the view paints it, is the same characters.
    QString window;
    WriteSourceLine("ab;c d;;e", TWPVTextCodec::Utf8, [&](QStringView piece) { window += piece; }, 14, 6);
    EXPECT_EQ(window, SourceLineText(u"ab;c d;;e").mid(14, 6));
}
