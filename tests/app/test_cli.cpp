// The program's command line, run as a user runs it: exit status, messages and the files it
// writes (or leaves alone).
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TRun
{
    int Exit = -1;
    bool Finished = false;
    QByteArray Out, Err;
};

// Runs aProgram with aArguments; a run that has not ended after aSeconds is killed.
TRun RunProgram(const QString& aProgram, const QStringList& aArguments, int aSeconds)
{
    QProcess p;
    p.start(aProgram, aArguments);
    TRun r;
    r.Finished = p.waitForFinished(aSeconds * 1000);
    if (!r.Finished) {
        p.kill();
        p.waitForFinished();
    }
    r.Exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

// Runs the reader with aArguments.
TRun Reader(const QStringList& aArguments, int aSeconds = 60)
{
    return RunProgram(QStringLiteral(TARNWELL_READER), aArguments, aSeconds);
}

// Runs a shell command line: for name bytes and limits that QProcess cannot pass.
TRun Shell(const QString& aScript, int aSeconds = 60)
{
    return RunProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), aScript}, aSeconds);
}

QByteArray ReadAll(const QString& aName)
{
    QFile f(aName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& aName, const QByteArray& aBytes)
{
    QFile f(aName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(aBytes);
}

QString Sample()
{
    return SourcePath(QStringLiteral("samples/run1_pidstep.txt"));
}

class CommandLineTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString Path(const QString& aName) const { return dir.filePath(aName); }
    QStringList Names() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
};

} // namespace

// No file loads: nothing is written and a figure already there stays as it was.
// In the sanitizer build a report in the reader the tests start must not pass for its exit
// status 1 ("could not be read or written"), which several tests expect: the report is a crash.
TEST(SanitizerReports, StopAProgramTheTestsStartWithACrash)
{
#ifdef TARNWELL_SANITIZER_PROBE
    for (const char* fault : {"heap", "overflow"}) {
        const TRun r = RunProgram(QStringLiteral(TARNWELL_SANITIZER_PROBE), {QString::fromLatin1(fault)}, 60);
        EXPECT_TRUE(r.Finished) << fault;
        EXPECT_EQ(r.Exit, -1) << fault << ": " << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(std::strcmp(fault, "heap") == 0 ? "AddressSanitizer" : "runtime error"))
            << fault << ": " << r.Err.toStdString();
    }
#else
    GTEST_SKIP() << "built without the sanitizers";
#endif
}

TEST_F(CommandLineTest, PlotWritesNothingWhenNoFileLoads)
{
    const QString old = Path("old.png");
    WriteAll(old, "the figure of yesterday");
    for (const QString& out : {old, Path("new.png")}) {
        const TRun r = Reader({"--plot", "visualize", "--out", out, Path("missing1.txt"), Path("missing2.txt")});
        EXPECT_EQ(r.Exit, 1) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("missing1.txt")) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains("missing2.txt")) << r.Err.toStdString();
    }
    EXPECT_EQ(ReadAll(old), QByteArray("the figure of yesterday"));
    EXPECT_FALSE(QFileInfo::exists(Path("new.png")));
    EXPECT_EQ(Names(), QStringList{"old.png"});
}

// Some files load: their figure is written, the others are reported and the status is 1.
TEST_F(CommandLineTest, PlotOfSomeFilesWritesTheirFigureAndFails)
{
    const QString out = Path("figure.png");
    const TRun r = Reader({"--plot", "compare", "--out", out, Path("missing.txt"), Sample()});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_TRUE(r.Err.contains("missing.txt")) << r.Err.toStdString();
    const QImage image(out);
    EXPECT_EQ(image.size(), QSize(1117, 738));
}

// A bad option stops the run before any file is read: the file here is a pipe that nobody
// writes to, on which reading would wait for ever.
TEST_F(CommandLineTest, BadOptionsStopBeforeAnyFileIsRead)
{
    const QString pipe = Path("pipe.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString out = Path("figure.png");
    const QStringList cases[] = {
        {"--plot", "visualize", "--out", Path("figure.gif")},
        {"--plot", "visualize", "--out", Path("figure")},
        {"--plot", "details", "--select", "1,,2"},
        {"--plot", "compare", "--size", "0x10"},
        {"--plot", "details", "--out", out, "--override", "BS=1"},
        {"--plot", "details", "--out", out, "--start-set", "2"},
        {"--details", "--override", "Bs=1"},
        {"--details", "--override", "BS=1e39"},
        {"--details", "--override", "BS"},
        {"--details", "--columns", "dQ,nope"},
        {"--details", "--start-set", "two"},
    };
    for (const QStringList& c : cases) {
        const TRun r = Reader(c + QStringList{pipe}, 20);
        EXPECT_TRUE(r.Finished) << c.join(' ').toStdString() << ": still reading";
        EXPECT_EQ(r.Exit, 2) << c.join(' ').toStdString() << "\n" << r.Err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

// A write that fails (a full disk) is an error with a message, in every format; the old
// figure stays and no temporary file is left behind.
TEST_F(CommandLineTest, FailedWriteIsReportedAndLeavesTheOldFigure)
{
    for (const char* suffix : {"png", "svg", "pdf"}) {
        const QString full = Path(QStringLiteral("full.%1").arg(suffix));
        ASSERT_TRUE(QFile::link("/dev/full", full));
        const TRun r = Reader({"--plot", "visualize", "--out", full, Sample()});
        EXPECT_EQ(r.Exit, 1) << suffix;
        EXPECT_TRUE(r.Err.contains("Cannot write")) << suffix << ": " << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(QByteArray(std::strerror(ENOSPC)))) << suffix << ": " << r.Err.toStdString();
        EXPECT_TRUE(QFileInfo(full).isSymLink()) << suffix;

        // A file-size limit of 1 KB: the figure does not fit, the old one stays whole.
        const QString old = Path(QStringLiteral("old.%1").arg(suffix));
        WriteAll(old, "the figure of yesterday");
        const TRun limited = Shell(QStringLiteral("ulimit -f 1; exec '%1' --plot visualize --out '%2' '%3'")
                                       .arg(QStringLiteral(TARNWELL_READER), old, Sample()));
        EXPECT_EQ(limited.Exit, 1) << suffix << ": " << limited.Err.toStdString();
        EXPECT_TRUE(limited.Err.contains("Cannot write")) << suffix << ": " << limited.Err.toStdString();
        EXPECT_EQ(ReadAll(old), QByteArray("the figure of yesterday")) << suffix;
    }
    QStringList left = Names();
    left.removeIf([](const QString& n) { return n.startsWith("full.") || n.startsWith("old."); });
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();

    // A figure replaces an existing file whole and keeps its permissions.
    const QString kept = Path("kept.svg");
    WriteAll(kept, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(kept).constData(), 0640), 0);
    EXPECT_EQ(Reader({"--plot", "visualize", "--out", kept, Sample()}).Exit, 0);
    EXPECT_TRUE(ReadAll(kept).contains("<svg"));
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(kept).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// A file whose name is not valid UTF-8 (byte 0xFF) opens by the bytes the system gave, for
// every export and for a figure written to such a name.
TEST_F(CommandLineTest, FileNameThatIsNotUtf8Opens)
{
    const QByteArray name = QFile::encodeName(dir.path()) + "/run\xFF.txt";
    {
        const QByteArray text = ReadAll(Sample());
        FILE* f = std::fopen(name.constData(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(text.constData(), 1, std::size_t(text.size()), f);
        std::fclose(f);
    }
    // The byte goes through the shell as printf's octal escape.
    const QString file = QStringLiteral("\"$(printf '%1/run\\377.txt')\"").arg(dir.path());
    const QString program = QStringLiteral("'%1'").arg(QStringLiteral(TARNWELL_READER));
    const TRun steps = Shell(program + " --steps " + file);
    EXPECT_EQ(steps.Exit, 0) << steps.Err.toStdString();
    EXPECT_TRUE(steps.Out.startsWith("FN:1 Mode:")) << steps.Out.left(200).toStdString();
    const TRun details = Shell(program + " --details " + file);
    EXPECT_EQ(details.Exit, 0) << details.Err.toStdString();
    EXPECT_TRUE(details.Out.contains("Sets: ")) << details.Out.left(200).toStdString();
    const TRun source = Shell(program + " --source " + file);
    EXPECT_EQ(source.Exit, 0) << source.Err.toStdString();
    EXPECT_TRUE(source.Out.contains("Tarnwell")) << source.Out.left(200).toStdString();

    const QString out = QStringLiteral("\"$(printf '%1/figure\\377.png')\"").arg(dir.path());
    const TRun plot = Shell(program + " --plot details --out " + out + " " + file);
    EXPECT_EQ(plot.Exit, 0) << plot.Err.toStdString();
    struct stat st;
    EXPECT_EQ(::stat((QFile::encodeName(dir.path()) + "/figure\xFF.png").constData(), &st), 0);

    // A missing file of such a name is reported by its name (the byte shown as U+FFFD).
    const TRun missing = Shell(program + " --steps \"$(printf '" + dir.path() + "/none\\377.txt')\"");
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_TRUE(missing.Err.contains("none\xEF\xBF\xBD.txt")) << missing.Err.toStdString();

    // QTemporaryDir cannot remove what it cannot name.
    ::unlink(name.constData());
    ::unlink((QFile::encodeName(dir.path()) + "/figure\xFF.png").constData());
}

// A file given as a pipe is read once, through the real program: `cat f | --source /dev/stdin`
// and `--steps <(cat f)` give what the file itself gives.
TEST_F(CommandLineTest, PipesGiveWhatTheFileGives)
{
    const QString program = QStringLiteral("'%1'").arg(QStringLiteral(TARNWELL_READER));
    const QString sample = QStringLiteral("'%1'").arg(Sample());
    for (const char* mode : {"--source", "--steps", "--details"}) {
        const TRun direct = Reader({QString::fromLatin1(mode), Sample()});
        ASSERT_EQ(direct.Exit, 0) << mode << ": " << direct.Err.toStdString();
        ASSERT_FALSE(direct.Out.isEmpty()) << mode;
        const TRun piped = Shell(QStringLiteral("cat %1 | %2 %3 /dev/stdin").arg(sample, program, QLatin1String(mode)));
        EXPECT_EQ(piped.Exit, 0) << mode << ": " << piped.Err.toStdString();
        const TRun substituted =
            Shell(QStringLiteral("exec bash -c \"%1 %2 <(cat %3)\"").arg(program, QLatin1String(mode), sample));
        EXPECT_EQ(substituted.Exit, 0) << mode << ": " << substituted.Err.toStdString();
        if (std::strcmp(mode, "--details") == 0) {
            // The details name the file: compare from the line after it.
            const auto tail = [](const QByteArray& a) { return a.mid(a.indexOf('\n')); };
            EXPECT_EQ(tail(piped.Out), tail(direct.Out));
            EXPECT_EQ(tail(substituted.Out), tail(direct.Out));
        } else {
            EXPECT_EQ(piped.Out, direct.Out) << mode;
            EXPECT_EQ(substituted.Out, direct.Out) << mode;
        }
    }
}
