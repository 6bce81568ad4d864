// Screenshots of every page with the samples loaded, for people to look at (not run by CTest's
// default filter). Run with:
//   WPV_SHOTS=DIR build/tests/app_test_window_screens --gtest_also_run_disabled_tests
// under a real display (xvfb-run) or the offscreen platform.
#include "test_window_fixture.h"

#include "QvGraph2D.h"
#include "TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

TEST_F(WindowTest, DISABLED_Screenshots)
{
    const QString out = qEnvironmentVariable("WPV_SHOTS", QStringLiteral("/tmp"));
    QDir().mkpath(out);
    const QSize size = qEnvironmentVariableIsSet("WPV_SHOT_SIZE")
        ? QSize(qEnvironmentVariable("WPV_SHOT_SIZE").section(u'x', 0, 0).toInt(),
                qEnvironmentVariable("WPV_SHOT_SIZE").section(u'x', 1, 1).toInt())
        : QSize(1366, 740);
    form->resize(size);
    form->show();
    QApplication::processEvents();
    QStringList files = QDir(SourcePath("samples")).entryList({"*.txt"}, QDir::Files, QDir::Name);
    for (const QString& f : files)
        Add(SourcePath("samples/") + f);
    for (const QString& e : errors)
        std::printf("error: %s\n", qPrintable(e));

    // A few steps on each step page, the first file on the details page.
    form->ListBox1->clearSelection();
    for (int r : {2, 3, 4})
        if (r < form->ListBox1->count())
            form->ListBox1->setCurrentRow(r, QItemSelectionModel::Select);
    form->ListBox1Click();
    form->ListBox2->selectAll();
    form->ListBox2->setCurrentRow(1, QItemSelectionModel::Select);
    form->ListBox2Click();
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();

    for (int page = 0; page < form->PageControl1->count(); ++page) {
        form->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        QTest::qWait(100);
        const QPixmap shot = form->grab();
        shot.save(QStringLiteral("%1/page%2.png").arg(out).arg(page + 1));
    }
}
