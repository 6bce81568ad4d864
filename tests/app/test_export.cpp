// The command-line export of the bundled samples, against outputs re-computed independently
// (tests/data/expected/verify.py).
#include "UnitWPVExport.h"

#include "QvFormat.h"
#include "TestPaths.h"

#include <QDir>
#include <QFile>

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
