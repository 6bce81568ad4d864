// The "Source file" view reads each file once into memory and splits and decodes its lines by
// the loader's rules; the loader's own text reader is the reference.
#include "UnitWPVSourceView.h"
#include "UnitWPVTextFile.h"
#include "UnitWPVTexts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

struct TSourceCase
{
    const char* Name;
    QByteArray Bytes;
    QStringList Lines; // as the file holds them (TABs kept), before the view formats them
};

QByteArray Utf16Le(const QString& aText)
{
    QByteArray b("\xFF\xFE", 2);
    for (const QChar c : aText) {
        b += char(c.unicode() & 0xFF);
        b += char(c.unicode() >> 8);
    }
    return b;
}

QByteArray Utf16Be(const QString& aText)
{
    QByteArray b("\xFE\xFF", 2);
    for (const QChar c : aText) {
        b += char(c.unicode() >> 8);
        b += char(c.unicode() & 0xFF);
    }
    return b;
}

std::vector<TSourceCase> SourceCases()
{
    const QString degree = QString(QChar(0xBA));
    return {
        {"empty", QByteArray(), {}},
        {"one line without terminator", "1;2;3", {"1;2;3"}},
        {"final LF starts no line", "a;b\nc;d\n", {"a;b", "c;d"}},
        {"CR LF, CR and LF", "a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"empty lines kept", "\n\nx\r\n\r\n", {"", "", "x", ""}},
        {"TABs kept", "a\t;b\n", {"a\t;b"}},
        {"UTF-8 with byte-order mark", "\xEF\xBB\xBF" "24;\xC2\xBA" "C\n", {"24;" + degree + "C"}},
        {"UTF-8 without byte-order mark", "24;\xC2\xBA" "C\n", {"24;" + degree + "C"}},
        // A byte that is not UTF-8 makes every line Windows-1252, also the valid UTF-8 one before.
        {"Windows-1252", "\xC2\xBA;x\n24;\xBA\x80\n", {QString::fromUtf8("\xC3\x82\xC2\xBA;x"),
                                                       "24;" + degree + QChar(0x20AC)}},
        {"UTF-16 LE", Utf16Le("a;" + degree + "\r\nb\n"), {"a;" + degree, "b"}},
        {"UTF-16 BE", Utf16Be("a;b\nc"), {"a;b", "c"}},
    };
}

class SourceViewTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString Write(const QString& aName, const QByteArray& aBytes)
    {
        const QString path = dir.filePath(aName);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(aBytes);
        return path;
    }
};

} // namespace

TEST_F(SourceViewTest, SplitsAndDecodesLinesAsTheLoaderDoes)
{
    for (const TSourceCase& c : SourceCases()) {
        TWPVSourceView view;
        view.AppendFile(Write(QStringLiteral("f.txt"), c.Bytes));
        ASSERT_EQ(view.LineCount(), c.Lines.size()) << c.Name;
        TWPVLines reference = TWPVLines::FromBytes(c.Bytes);
        ASSERT_EQ(reference.Count(), c.Lines.size()) << c.Name;
        for (qsizetype i = 0; i < c.Lines.size(); ++i) {
            EXPECT_EQ(reference.Line(i, false), c.Lines[i]) << c.Name << ", line " << i;
            EXPECT_EQ(view.LineText(i), SourceLineText(c.Lines[i])) << c.Name << ", line " << i;
        }
        EXPECT_EQ(view.LineText(c.Lines.size()), QString()) << c.Name;
        EXPECT_EQ(view.LineText(-1), QString()) << c.Name;
    }
}

TEST_F(SourceViewTest, FilesFollowOneAnotherAndAFailedFileAddsNothing)
{
    TWPVSourceView view;
    view.AppendFile(Write(QStringLiteral("a.txt"), "a1\na2\n"));
    EXPECT_THROW(view.AppendFile(dir.filePath(QStringLiteral("missing.txt"))), EWPVDataError);
    view.AppendFile(Write(QStringLiteral("b.txt"), QByteArray()));
    view.AppendFile(Write(QStringLiteral("c.txt"), "\xBA"));
    ASSERT_EQ(view.LineCount(), 3);
    EXPECT_EQ(view.LineText(1), SourceLineText(QStringLiteral("a2")));
    // Each file has its own encoding.
    EXPECT_EQ(view.LineText(2), SourceLineText(QString(QChar(0xBA))));
    EXPECT_EQ(view.Text(), QStringList({SourceLineText(QStringLiteral("a1")), SourceLineText(QStringLiteral("a2")),
                                        SourceLineText(QString(QChar(0xBA)))})
                               .join(u'\n'));
}

// A line of several megabytes (well beyond any read-ahead) and a large file come back whole.
TEST_F(SourceViewTest, LongLinesAndLargeFilesAreReadWhole)
{
    QByteArray longLine = QByteArray("ab;").repeated(1'000'000);
    longLine.chop(1);
    QByteArray bytes = "head\n" + longLine + "\n";
    for (int i = 0; i < 100000; ++i)
        bytes += QByteArray::number(i) + ";1.5\r\n";
    TWPVSourceView view;
    view.AppendFile(Write(QStringLiteral("big.txt"), bytes));
    ASSERT_EQ(view.LineCount(), 2 + 100000);
    EXPECT_EQ(view.LineText(1), SourceLineText(QString::fromLatin1(longLine)));
    EXPECT_EQ(view.LineText(2 + 99999), SourceLineText(QStringLiteral("99999;1.5")));
}
