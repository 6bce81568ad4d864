// The window's hover readout in the status bar, the session kept between runs (settings round
// trip, damaged settings, the recent files) and "Save table...".
#include "QvAxis.h"
#include "QvFormat.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "UnitWPVChartSeries.h"
#include "UnitWPVSession.h"
#include "test_window_fixture.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLayout>
#include <QStatusBar>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& aName)
{
    QFile f(aName);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The screen position of a drawn point of aSeries well inside the drawing area.
QPoint DrawnPoint(const TQvSeries& aSeries, const QRectF& aArea)
{
    const int n = aSeries.PointCount();
    for (int i = n / 8; i < n; ++i) {
        const TQvFloatPoint p = aSeries.Points().Data()[i];
        if (aArea.adjusted(3, 3, -3, -3).contains(QPointF(p.X, p.Y)))
            return QPoint(qRound(p.X), qRound(p.Y));
    }
    return QPoint(-1, -1);
}

class SessionTest : public WindowTest
{
protected:
    QString settingsFile;

    void SetUp() override
    {
        WindowTest::SetUp();
        settingsFile = dir.filePath(QStringLiteral("session.ini"));
        WPVSetSettingsFile(settingsFile);
    }
    void TearDown() override
    {
        WPVSetSettingsFile(QString());
        WindowTest::TearDown();
    }
    // A second window, as the next run of the program makes it.
    std::unique_ptr<TFormWPVData> NextRun()
    {
        auto next = std::make_unique<TFormWPVData>();
        next->ChooseFile = form->ChooseFile;
        next->LoadSession();
        return next;
    }
};

} // namespace

TEST_F(WindowTest, StatusBarReadsOutGraphOneAndLeavingClearsIt)
{
    QvSetFormatSeparators(u'.', u',');
    Add(Write(WindowFileLines(3, 200)));
    form->ListBox1->selectAll();
    form->ListBox1Click();
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    form->resize(1117, 738);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    TQvGraph2D* g = form->QvGraph2D1;
    g->grab();
    const int undo = form->QvUndoStack1->UndoCount();

    TWPVDataSet& step = *form->Files()[0]->DataSet(1);
    TQvSeries* current = ChartOf(step).SE_Vis_Current.get();
    const QPoint p = DrawnPoint(*current, g->DrawingArea());
    const QVariantMap properties = current->WriteProperties();
    ASSERT_GE(p.x(), 0) << current->PointCount() << " points; area " << g->DrawingArea().width() << "x"
                        << g->DrawingArea().height() << " first " << current->Points().Data()[0].X << ","
                        << current->Points().Data()[0].Y;
    QTest::mouseMove(g, p);
    const QString text = form->HoverReadout();
    // The X axis, the visible Y axes (the log one as a value), then the nearest point.
    EXPECT_TRUE(text.startsWith(QStringLiteral("Time, s = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Current, A. Pump=Blaqck, Alpha2=Red, Pump-Alpha2=Green = ")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Charge minus leakage"))) << "a hidden axis is not read out";
    const QRegularExpression logValue(QStringLiteral("Cell pO2, log\\(pO2/atm\\) = \\d\\.\\d\\dE[-+]\\d\\d"));
    EXPECT_TRUE(logValue.match(text).hasMatch()) << text.toStdString();
    // Several series may pass within 8 pixels: whichever is nearest is named with its point.
    TQvSeries* nearest = g->HighlightedSeries();
    ASSERT_NE(nearest, nullptr);
    EXPECT_TRUE(text.contains(QStringLiteral("   |   ") + nearest->Caption() + QStringLiteral(", point ")))
        << text.toStdString();
    EXPECT_TRUE(nearest->Caption().startsWith(QStringLiteral("FN:1 Mode:"))) << nearest->Caption().toStdString();
    // At the window's first size the nearest point is read whole; the axes' long captions give way.
    form->StatusBar1->layout()->activate();
    EXPECT_TRUE(form->LabelHoverPoint->isVisible());
    EXPECT_GE(form->LabelHoverPoint->width(), form->LabelHoverPoint->sizeHint().width())
        << form->LabelHoverPoint->text().toStdString();
    EXPECT_LE(form->LabelHoverPoint->geometry().right(), form->StatusBar1->contentsRect().right());
    // Left of it the axes' part fits, its captions shortened but every value whole.
    const QString shown = form->LabelHoverAxes->text();
    EXPECT_LE(QFontMetrics(form->LabelHoverAxes->font()).horizontalAdvance(shown),
              form->LabelHoverAxes->contentsRect().width())
        << shown.toStdString();
    EXPECT_EQ(shown.count(QStringLiteral(" = ")), 3) << shown.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(" = \\d\\.\\d\\dE[-+]\\d\\d$")).match(shown).hasMatch())
        << shown.toStdString();

    // Over the page's list: the graph was left, the status bar is empty, nothing is highlighted.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(g, &leave);
    EXPECT_TRUE(form->HoverReadout().isEmpty());
    EXPECT_EQ(g->HighlightedSeries(), nullptr);
    EXPECT_EQ(form->QvUndoStack1->UndoCount(), undo);
    EXPECT_EQ(current->WriteProperties(), properties);

    // Every other graph of the window reads out too: the compare graph (symbols).
    form->ListBox2->selectAll();
    form->ListBox2Click();
    form->PageControl1->setCurrentWidget(form->TabSheet3);
    form->QvGraph2D2->grab();
    TQvSeries* charge = ChartOf(*form->Files()[0]).SE_Steps_Charge.get();
    const QRectF area2 = form->QvGraph2D2->DrawingArea();
    QPoint q(-1, -1);
    for (int i = 0; i < charge->PointCount(); ++i) {
        const TQvFloatPoint pt = charge->Points().Data()[i];
        if (area2.contains(QPointF(pt.X, pt.Y)))
            q = QPoint(qRound(pt.X), qRound(pt.Y));
    }
    ASSERT_GE(q.x(), 0);
    QTest::mouseMove(form->QvGraph2D2, q);
    EXPECT_TRUE(form->HoverReadout().startsWith(QStringLiteral("log(pO2/atm) = ")))
        << form->HoverReadout().toStdString();
    EXPECT_NE(form->QvGraph2D2->HighlightedSeries(), nullptr);
    QvSetFormatSeparators(QChar(), QChar());
}

TEST_F(SessionTest, TheSessionComesBackInTheNextRun)
{
    form->LoadSession();
    const QString data = Write(WindowFileLines(2));
    Add(data);
    form->PageControl1->setCurrentIndex(3);
    form->Splitter1->setSizes({300, 200});
    const QList<int> sizes = form->Splitter1->sizes();
    form->ListBox4->setCurrentRow(4, QItemSelectionModel::NoUpdate);
    form->ListBox4MouseUp(Qt::LeftButton);
    ASSERT_TRUE(form->Columns()[4].Visible);
    form->setGeometry(20, 30, 640, 480);
    form->close();

    auto next = NextRun();
    EXPECT_EQ(next->PageControl1->currentIndex(), 3);
    EXPECT_FALSE(next->StartMaximized());
    EXPECT_EQ(next->size(), QSize(640, 480));
    EXPECT_EQ(next->LastFolder(), QFileInfo(data).absolutePath());
    EXPECT_EQ(next->RecentFiles(), QStringList{QFileInfo(data).absoluteFilePath()});
    ASSERT_EQ(next->ListBoxRecent->count(), 1);
    EXPECT_EQ(next->ListBoxRecent->item(0)->text(), QFileInfo(data).fileName());
    for (int i = 0; i < int(form->Columns().size()); ++i) {
        EXPECT_EQ(next->Columns()[i].Visible, form->Columns()[i].Visible) << i;
        EXPECT_EQ(next->ListBox4->item(i)->isSelected(), form->Columns()[i].Visible) << i;
    }
    EXPECT_EQ(next->Splitter1->saveState(), form->Splitter1->saveState());
    EXPECT_EQ(sizes.size(), 2);
    // The dialog opens in the folder of the last file chosen.
    QString asked;
    next->ChooseFile = [&](const QString& aFolder) {
        asked = aFolder;
        return QString();
    };
    next->ButtonOpenFileClick();
    EXPECT_EQ(asked, QFileInfo(data).absolutePath());
}

TEST_F(SessionTest, DamagedSettingsAreIgnored)
{
    {
        QFile f(settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Window]\nGeometry=banana\nMaximized=perhaps\nPage=99\nDetailsSplitter=@ByteArray(xx)\n"
                "[Files]\nLastFolder=/no/such/folder\nRecent=\n[Details]\nColumns=@Variant(\\0\\0\\0\\x7f\\0\\0)\n"
                "\x01\x02\xff\xfe garbage [[[ ===\n");
    }
    auto defaults = std::make_unique<TFormWPVData>();
    auto next = NextRun();
    EXPECT_EQ(next->PageControl1->currentIndex(), 0);
    EXPECT_TRUE(next->StartMaximized());
    EXPECT_EQ(next->size(), defaults->size());
    EXPECT_TRUE(next->RecentFiles().isEmpty());
    EXPECT_EQ(next->ListBoxRecent->count(), 0);
    for (int i = 0; i < int(defaults->Columns().size()); ++i)
        EXPECT_EQ(next->Columns()[i].Visible, defaults->Columns()[i].Visible) << i;
    EXPECT_TRUE(errors.isEmpty());

    // A file that is not even text.
    {
        QFile f(settingsFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray junk(4096, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 131 + 7) & 0xff);
        f.write(junk);
    }
    auto third = NextRun();
    EXPECT_EQ(third->PageControl1->currentIndex(), 0);
    EXPECT_TRUE(third->RecentFiles().isEmpty());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(SessionTest, NoSettingsMeansDefaultsAndNothingWritten)
{
    WPVSetSettingsFile(QString());
    // The tests run with the variable set, as the program does with --no-settings.
    EXPECT_TRUE(WPVSettingsDisabled());
    EXPECT_EQ(WPVOpenSettings(), nullptr);
    // A window that never loaded its session writes nothing, even with a settings file.
    WPVSetSettingsFile(settingsFile);
    Add(Write(WindowFileLines(2)));
    form->PageControl1->setCurrentIndex(2);
    form->close();
    EXPECT_FALSE(QFileInfo::exists(settingsFile));
}

TEST_F(SessionTest, RecentFilesAddAgainAndAMissingOneIsTakenOff)
{
    form->LoadSession();
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << Write(WindowFileLines(1));
    for (const QString& n : names)
        Add(n);
    // The last ten, newest first; written at once.
    ASSERT_EQ(form->ListBoxRecent->count(), 10);
    EXPECT_EQ(form->RecentFiles().first(), QFileInfo(names.last()).absoluteFilePath());
    EXPECT_EQ(form->RecentFiles().last(), QFileInfo(names[2]).absoluteFilePath());
    EXPECT_EQ(QSettings(settingsFile, QSettings::IniFormat).value("Files/Recent").toStringList(), form->RecentFiles());

    // A click adds the file again and moves it to the top.
    const int files = int(form->Files().size());
    QListWidgetItem* third = form->ListBoxRecent->item(3);
    const QString again = third->data(Qt::UserRole).toString();
    const QRect r = form->ListBoxRecent->visualItemRect(third);
    form->show();
    QTest::mouseClick(form->ListBoxRecent->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(int(form->Files().size()), files + 1);
    EXPECT_EQ(form->RecentFiles().first(), again);
    EXPECT_EQ(form->RecentFiles().size(), 10);

    // A file that is gone: a message names it, the list and the settings lose it.
    const QString gone = form->RecentFiles()[5];
    ASSERT_TRUE(QFile::remove(gone));
    const QRect r5 = form->ListBoxRecent->visualItemRect(form->ListBoxRecent->item(5));
    QTest::mouseClick(form->ListBoxRecent->viewport(), Qt::LeftButton, {}, r5.center());
    EXPECT_EQ(int(form->Files().size()), files + 1);
    EXPECT_FALSE(form->RecentFiles().contains(gone));
    EXPECT_EQ(form->ListBoxRecent->count(), 9);
    EXPECT_FALSE(QSettings(settingsFile, QSettings::IniFormat).value("Files/Recent").toStringList().contains(gone));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QDir::toNativeSeparators(gone))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("no longer exists"))) << errors[0].toStdString();
}

TEST(Recent, AddingKeepsTenNewestFirstWithoutDuplicates)
{
    QStringList recent;
    for (int i = 0; i < 12; ++i)
        recent = WPVRecentAfterAdding(recent, QStringLiteral("/data/f%1.txt").arg(i));
    ASSERT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), QStringLiteral("/data/f11.txt"));
    EXPECT_EQ(recent.last(), QStringLiteral("/data/f2.txt"));
    // The same file again (even spelled differently) moves to the top, once.
    recent = WPVRecentAfterAdding(recent, QStringLiteral("/data/sub/../f5.txt"));
    EXPECT_EQ(recent.first(), QStringLiteral("/data/f5.txt"));
    EXPECT_EQ(recent.count(QStringLiteral("/data/f5.txt")), 1);
    EXPECT_EQ(recent.size(), 10);
}

TEST_F(WindowTest, SaveTableWritesWhatTheCopyButtonCopies)
{
    Add(Write(WindowFileLines(3)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const QString target = dir.filePath(QStringLiteral("table.txt"));
    QString suggested;
    form->ChooseSaveFile = [&](const QString& aSuggested) {
        suggested = aSuggested;
        return target;
    };
    {
        // An older file of that name is replaced whole.
        QFile old(target);
        old.open(QIODevice::WriteOnly);
        old.write(QByteArray(100000, 'x'));
    }
    QTest::mouseClick(form->ButtonSaveTable, Qt::LeftButton);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
    EXPECT_TRUE(suggested.endsWith(QStringLiteral(" details.txt"))) << suggested.toStdString();
    form->Button1Click();
    const QString copied = QApplication::clipboard()->text();
    ASSERT_FALSE(copied.isEmpty());
    EXPECT_EQ(ReadAll(target), copied.toUtf8());
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("table.txt*")}, QDir::Files), QStringList{"table.txt"});
}

TEST_F(WindowTest, SaveTableReportsWhatWentWrong)
{
    // Nothing to save yet.
    form->ChooseSaveFile = [](const QString&) { return QStringLiteral("/never/asked.txt"); };
    WPVGuarded([&] { form->ButtonSaveTableClick(); });
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("no table"))) << errors[0].toStdString();

    Add(Write(WindowFileLines(2)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const QString bad = dir.filePath(QStringLiteral("no-such-folder/table.txt"));
    form->ChooseSaveFile = [&](const QString&) { return bad; };
    WPVGuarded([&] { form->ButtonSaveTableClick(); });
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[1].contains(QDir::toNativeSeparators(bad))) << errors[1].toStdString();
    EXPECT_FALSE(QFileInfo::exists(bad));
    // Cancelled: nothing happens.
    form->ChooseSaveFile = [](const QString&) { return QString(); };
    WPVGuarded([&] { form->ButtonSaveTableClick(); });
    EXPECT_EQ(errors.size(), 2);
}
