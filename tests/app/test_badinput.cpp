// Bad files through the real add-a-file path: a clear message (or, for a file without steps,
// a listed file with no steps), no crash, the file counter used up (except for a file that is
// no instrument file at all), and the files added before still listed and working.
#include "test_window_fixture.h"

#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "UnitWPVChartSeries.h"

#include "UnitWPVSourceView.h"

#include <QDir>
#include <QPushButton>
#include <QListWidget>
#include <QPlainTextEdit>

namespace {

enum class TOutcome { Message, Refused, ListedWithoutSteps, Loads, LoadsSplit };

struct TBadCase
{
    const char* Name;
    TOutcome Outcome;
};

void PrintTo(const TBadCase& c, std::ostream* os)
{
    *os << c.Name;
}

class BadInputTest : public WindowTest, public ::testing::WithParamInterface<TBadCase>
{
protected:
    QString Make(const QString& aKind)
    {
        if (aKind == "missing")
            return dir.filePath("no-such-file.txt");
        if (aKind == "directory") {
            QDir(dir.path()).mkdir("adir");
            return dir.filePath("adir");
        }
        if (aKind == "device")
            return QStringLiteral("/dev/zero");
        if (aKind == "empty")
            return Write(QByteArray());
        if (aKind == "binary") {
            QByteArray b;
            for (int i = 0; i < 65536; ++i)
                b.append(char((i * 7919 + 13) & 0xFF));
            return Write(b, ".bin");
        }
        if (aKind == "no markers")
            return Write(QStringList{"Just some text", "1;2;3", "more;text"});
        if (aKind == "markers without rows") {
            QStringList l = WindowFileLines(2, 5);
            const qsizetype d = l.indexOf(QString::fromLatin1(WPVDataMarker));
            return Write(l.mid(0, d + 4));
        }
        if (aKind == "short row") {
            QStringList l = WindowFileLines(2, 5);
            l.insert(l.size() - 2, "4.0;15;2;700.0;0.12");
            return Write(l);
        }
        if (aKind == "utf-16") {
            const QString text = WindowFileLines(2, 5).join("\r\n") + "\r\n";
            QByteArray b("\xFF\xFE", 2);
            b.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
            return Write(b);
        }
        if (aKind == "10 MB line") {
            QStringList l = WindowFileLines(2, 5);
            l.insert(2, QString(10 * 1024 * 1024, u'x'));
            return Write(l);
        }
        if (aKind == "10 MB data row") {
            QStringList l = WindowFileLines(2, 5);
            l.insert(l.size() - 2, WindowRow(3.0, 15, 2, 1e-3, 1e-2, -2) + QString(10 * 1024 * 1024, u'7'));
            return Write(l);
        }
        ADD_FAILURE() << "unknown case";
        return QString();
    }
};

} // namespace

TEST_P(BadInputTest, IsReportedAndLeavesEarlierFilesWorking)
{
    const TBadCase& c = GetParam();
    Add(Write(WindowFileLines(3)));
    ASSERT_TRUE(errors.isEmpty());
    ASSERT_EQ(form->Files().size(), 1u);
    const int stepsBefore = form->ListBox1->count();
    const qsizetype sourceBefore = form->Memo4->LineCount();

    const QString bad = Make(QString::fromLatin1(c.Name));
    Add(bad);

    // The file number is used up in every case but a refused file.
    const int numbers = c.Outcome == TOutcome::Refused ? 1 : 2;
    EXPECT_EQ(form->FileCounter(), numbers);
    const bool failed = !errors.isEmpty();
    if (failed) {
        EXPECT_FALSE(errors[0].trimmed().isEmpty());
        EXPECT_EQ(form->Files().size(), 1u);
        EXPECT_EQ(form->ListBoxFiles->count(), 1);
        EXPECT_EQ(form->ListBox3->count(), 1);
        EXPECT_EQ(form->ListBox1->count(), stepsBefore);
        EXPECT_EQ(form->Memo4->LineCount(), sourceBefore);
    }
    switch (c.Outcome) {
    case TOutcome::Message:
        ASSERT_TRUE(failed);
        EXPECT_TRUE(errors[0].contains(bad)) << errors[0].toStdString();
        break;
    case TOutcome::Refused:
        // Not an instrument file: the message names it and says what it lacks.
        ASSERT_TRUE(failed);
        EXPECT_TRUE(errors[0].contains(QStringLiteral("\"%1\" is not a Tarnwell data file").arg(bad)))
            << errors[0].toStdString();
        EXPECT_TRUE(errors[0].contains(QStringLiteral("** DATA"))) << errors[0].toStdString();
        break;
    case TOutcome::ListedWithoutSteps:
        EXPECT_FALSE(failed) << errors.join("\n").toStdString();
        ASSERT_EQ(form->Files().size(), 2u);
        EXPECT_EQ(form->Files()[1]->DataSetCount(), 0);
        EXPECT_EQ(form->ListBoxFiles->count(), 2);
        EXPECT_EQ(form->ListBox1->count(), stepsBefore);
        break;
    case TOutcome::Loads:
        EXPECT_FALSE(failed) << errors.join("\n").toStdString();
        ASSERT_EQ(form->Files().size(), 2u);
        EXPECT_EQ(form->Files()[1]->DataSetCount(), 2);
        EXPECT_EQ(form->ListBox1->count(), stepsBefore + 2);
        break;
    case TOutcome::LoadsSplit:
        // The long row goes back in time, so it starts a step of its own: every step is listed.
        EXPECT_FALSE(failed) << errors.join("\n").toStdString();
        ASSERT_EQ(form->Files().size(), 2u);
        EXPECT_EQ(form->Files()[1]->DataSetCount(), 3);
        EXPECT_EQ(form->ListBox1->count(), stepsBefore + 3);
        break;
    }

    // The first file still works on every page.
    errors.clear();
    form->ListBox1->clearSelection();
    form->ListBox1->setCurrentRow(0, QItemSelectionModel::Select);
    form->ListBox1Click();
    EXPECT_EQ(ChartOf(*form->Files()[0]->DataSet(0)).DV_VisX_Time->Count(), 20);
    form->ListBox2->setCurrentRow(1, QItemSelectionModel::Select);
    form->ListBox2Click();
    EXPECT_EQ(ChartOf(*form->Files()[0]).DV_StepsX->Count(), 1);
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    EXPECT_TRUE(form->Memo3->toPlainText().contains("Sets: 3"));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();

    // Another good file gets the next number.
    Add(Write(WindowFileLines(2)));
    EXPECT_EQ(form->FileCounter(), numbers + 1);
    EXPECT_EQ(form->Files().back()->VActiv().FileNumber, numbers + 1);
}

INSTANTIATE_TEST_SUITE_P(Window, BadInputTest,
                         ::testing::Values(TBadCase{"missing", TOutcome::Message},
                                           TBadCase{"directory", TOutcome::Message},
                                           TBadCase{"device", TOutcome::Message},
                                           TBadCase{"empty", TOutcome::Refused},
                                           TBadCase{"binary", TOutcome::Refused},
                                           TBadCase{"no markers", TOutcome::Refused},
                                           TBadCase{"markers without rows", TOutcome::ListedWithoutSteps},
                                           TBadCase{"short row", TOutcome::Message},
                                           TBadCase{"utf-16", TOutcome::Loads},
                                           TBadCase{"10 MB line", TOutcome::Loads},
                                           TBadCase{"10 MB data row", TOutcome::LoadsSplit}),
                         [](const ::testing::TestParamInfo<TBadCase>& i) {
                             std::string n = i.param.Name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return n;
                         });

TEST_F(WindowTest, ErrorOfAButtonHandlerIsShownAndTheWindowGoesOn)
{
    chosen.push_back(dir.filePath("gone.txt"));
    form->ButtonOpenFile->click();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("gone.txt")) << errors[0].toStdString();
    EXPECT_EQ(form->FileCounter(), 1);
    chosen.push_back(Write(WindowFileLines(2)));
    form->ButtonOpenFile->click();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(form->Files().size(), 1u);
    EXPECT_EQ(form->Files()[0]->VActiv().FileNumber, 2);
}
