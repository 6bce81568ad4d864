// The main window driven as a user drives it: adding files, the step pages, the details page.
#include "test_window_fixture.h"

#include "QvAxis.h"
#include "QvDashStylesList.h"
#include "QvFloatEdit.h"
#include "QvGraph2D.h"
#include "QvGraphSettingsTool.h"
#include "QvIntegerEdit.h"
#include "QvPointStylesPick.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "UnitWPVChartSeries.h"
#include "UnitWPVDetails.h"
#include "UnitWPVSourceView.h"
#include "TestPaths.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace {

QStringList MemoLines(const QPlainTextEdit* m)
{
    return m->toPlainText().split(u'\n');
}

// Selects exactly the given rows of a list (the last one becomes the focused item).
void SelectRows(QListWidget* list, std::initializer_list<int> rows)
{
    list->clearSelection();
    for (int r : rows) {
        list->setCurrentRow(r, QItemSelectionModel::Select);
    }
}

} // namespace

// The window shows the program's own icon (from the resources, so it needs no installation):
// drawn, not an empty placeholder.
TEST_F(WindowTest, WindowCarriesTheProgramIcon)
{
    const QIcon icon = form->windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QImage img = icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            opaque += qAlpha(img.pixel(x, y)) == 255;
    EXPECT_GT(opaque, img.width() * img.height() / 2);
}

TEST_F(WindowTest, StartsOnTheFilePageWithEmptyListsAndTheGridHeader)
{
    EXPECT_EQ(form->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form->PageControl1->count(), 7);
    const QStringList pages{"File", "Visualize step", "Compare steps", "Details", "Help", "Source data", "Source file"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(form->PageControl1->tabText(i), pages[i]);
    EXPECT_EQ(form->windowTitle(), "Tarnwell reader");
    EXPECT_EQ(form->ListBoxFiles->count(), 0);
    EXPECT_EQ(form->ListBox1->count(), 0);
    EXPECT_EQ(form->ListBox2->count(), 0);
    EXPECT_EQ(form->ListBox3->count(), 0);
    EXPECT_EQ(form->ListBox4->count(), 33);
    EXPECT_TRUE(form->Label3->text().isEmpty());
    EXPECT_TRUE(form->Label4->text().isEmpty());

    const QStringList captions{"Duration, s", "Mode",       "Step",      "Cell T, \u00BAC", "Pump V, V",
                               "Pump I, A",   "Cell pO2, atm", "Flush pO2, atm", "RC pO2, %", "Stable pO2",
                               "Range pO2",   "RC I, %",    "Stable I",  "SP",            "Time",
                               "Cell pO2P, atm"};
    const int widths[] = {120, 35, 40, 55, 80, 60, 85, 80, 80, 65, 65, 80, 55, 30, 100, 90};
    ASSERT_EQ(form->StringGridData->columnCount(), 16);
    EXPECT_EQ(form->StringGridData->rowCount(), 1);
    for (int c = 0; c < 16; ++c) {
        ASSERT_TRUE(form->StringGridData->horizontalHeaderItem(c)) << c;
        EXPECT_EQ(form->StringGridData->horizontalHeaderItem(c)->text(), captions[c]);
        EXPECT_EQ(form->StringGridData->columnWidth(c), widths[c]) << c;
    }

    // All five graphs start empty.
    EXPECT_TRUE(form->QvGraph2D1->RelatedSeries().isEmpty());
    EXPECT_TRUE(form->QvGraph2D2->RelatedSeries().isEmpty());
    EXPECT_EQ(form->QvDoubleVectorDetailsAlogpO2->Count(), 0);
    EXPECT_EQ(form->QvDoubleVectorDetailsC->Count(), 0);
    EXPECT_EQ(MemoLines(form->Memo2).mid(0, 3),
              QStringList({"Zoom graphs", "", "Click and drag area to zoom into. To unzoom click outside the graph."}));
}

// The "Help" page names every gesture and key the graphs take.
TEST_F(WindowTest, HelpListsEveryGestureAndKeyOfTheGraphs)
{
    const QString help = form->Memo2->toPlainText();
    for (const char* gesture : {"Drag with the left mouse button", "Click beside the data area",
                                "Double click beside the data area", "Shift + drag", "Mouse wheel",
                                "Ctrl+Z", "Ctrl+Shift+Z", "Scroll bars", "Right click", "Legend"})
        EXPECT_TRUE(help.contains(QLatin1String(gesture))) << gesture;
}

TEST_F(WindowTest, AddingTheSameFileTwiceGivesTwoNumberedFiles)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    Add(name);
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_EQ(form->Files().size(), 2u);
    EXPECT_EQ(form->FileCounter(), 2);
    EXPECT_EQ(form->ListBoxFiles->item(0)->text(), "FN:1 Experiment W");
    EXPECT_EQ(form->ListBoxFiles->item(1)->text(), "FN:2 Experiment W");
    EXPECT_EQ(form->ListBox3->count(), 2);
    ASSERT_EQ(form->ListBox1->count(), 6);
    ASSERT_EQ(form->ListBox2->count(), 6);
    for (int i = 0; i < 6; ++i) {
        const QString expected = QStringLiteral("FN:%1 Mode:PIDStep Step:%2 Log(pO2):").arg(i / 3 + 1).arg(i % 3 + 2);
        EXPECT_TRUE(form->ListBox1->item(i)->text().startsWith(expected)) << form->ListBox1->item(i)->text().toStdString();
        EXPECT_EQ(form->ListBox2->item(i)->text(), form->ListBox1->item(i)->text());
    }
    // Step lines are N + 1 wide, attached to graph 1; the file series to graph 2.
    for (int f = 0; f < 2; ++f) {
        const TWPVDataFromFile& file = *form->Files()[f];
        for (int s = 0; s < file.DataSetCount(); ++s) {
            const TWPVStepChart& c = ChartOf(*file.DataSet(s));
            EXPECT_EQ(file.DataSet(s)->aFile, &file);
            for (TQvPointSeries* series : c.Series()) {
                EXPECT_FLOAT_EQ(series->Line()->Width(), f + 2.0f);
                EXPECT_EQ(series->XAxis(), form->XAxis1);
            }
            EXPECT_EQ(c.SE_Vis_LogpO2->YAxis(), form->QvAxispO2);
            EXPECT_EQ(c.SE_Vis_Current->YAxis(), form->YAxis1);
            EXPECT_TRUE(c.SE_Vis_PumppO->PointSymbol()->Visible());
            EXPECT_FALSE(c.SE_Vis_Current->PointSymbol()->Visible());
            EXPECT_TRUE(c.SE_Vis_Current->Caption().startsWith(QStringLiteral("FN:%1 Mode:PIDStep Step:").arg(f + 1)));
        }
        EXPECT_EQ(ChartOf(file).SE_Steps_Voltage->YAxis(), form->QvAxisVoltage);
    }
    EXPECT_EQ(form->QvGraph2D1->RelatedSeries().size(), 30);
    EXPECT_EQ(form->QvGraph2D2->RelatedSeries().size(), 6);
    // The source text of both files follows one another.
    EXPECT_EQ(form->Memo4->LineCount(), 2 * WindowFileLines(3).size());
    // The edits hold the second file's own (single precision) values; the check box is clear.
    EXPECT_FALSE(form->CheckBoxOverrides->isChecked());
    EXPECT_EQ(float(form->QvDoubleEditVgp->Value()), form->Files()[1]->VOrig().Vgp.Value);
}

TEST_F(WindowTest, StepWithoutPositiveFinalPO2IsListedAtZero)
{
    Add(Write(WindowFileLines(2, 10, true)));
    ASSERT_EQ(form->ListBox1->count(), 2);
    EXPECT_TRUE(form->ListBox1->item(1)->text().endsWith(" Log(pO2): 0.0")) << form->ListBox1->item(1)->text().toStdString();
    EXPECT_TRUE(form->ListBox1->item(0)->text().endsWith(" Log(pO2):-2.0")) << form->ListBox1->item(0)->text().toStdString();
}

TEST_F(WindowTest, VisualizeDrawsTheSelectedStepsAndDeselectingEmptiesTheGraph)
{
    const QString name = Write(WindowFileLines(3, 20));
    Add(name);
    Add(name);
    SelectRows(form->ListBox1, {1, 4});
    form->ListBox1Click();
    int curves = 0;
    for (TQvSeries* s : form->QvGraph2D1->RelatedSeries())
        if (s->XData()->Count() > 0) {
            ++curves;
            EXPECT_EQ(s->XData()->Count(), 20);
            EXPECT_EQ(s->YData()->Count(), 20);
        }
    EXPECT_EQ(curves, 10);
    EXPECT_EQ(form->Label3->text(), form->ListBox1->item(4)->text());
    // The second file's lines are one unit wider than the first's.
    const TWPVStepChart& first = ChartOf(*form->Files()[0]->DataSet(1));
    const TWPVStepChart& second = ChartOf(*form->Files()[1]->DataSet(1));
    EXPECT_FLOAT_EQ(second.SE_Vis_Current->Line()->Width(), first.SE_Vis_Current->Line()->Width() + 1);
    // Current minus leakage.
    const TDataPoint& p = form->Files()[0]->DataSet(1)->Data()[5];
    EXPECT_DOUBLE_EQ(first.DV_VisY_Charge->GetValue(5), p.PumpI - p.LeakageAlpha2Point);
    EXPECT_DOUBLE_EQ(first.DV_VisY_PumppO->GetValue(5), p.PumppO2);
    // The views of all steps of a file lie in one block, step after step, six vectors each.
    const TWPVStepChart& next = ChartOf(*form->Files()[0]->DataSet(2));
    EXPECT_EQ(first.DV_VisY_Current->InternalArray(), first.DV_VisX_Time->InternalArray() + 20);
    EXPECT_EQ(next.DV_VisX_Time->InternalArray(), first.DV_VisX_Time->InternalArray() + 6 * 20);
    // Showing the steps again refills the same storage with the same values.
    SelectRows(form->ListBox1, {1, 2, 4});
    form->ListBox1Click();
    EXPECT_EQ(first.DV_VisY_Current->InternalArray(), first.DV_VisX_Time->InternalArray() + 20);
    EXPECT_EQ(first.DV_VisY_Current->Count(), 20);
    EXPECT_DOUBLE_EQ(first.DV_VisY_Charge->GetValue(5), p.PumpI - p.LeakageAlpha2Point);
    EXPECT_DOUBLE_EQ(next.DV_VisY_Current->GetValue(7), form->Files()[0]->DataSet(2)->Data()[7].PumpI);

    form->ListBox1->clearSelection();
    form->ListBox1Click();
    for (TQvSeries* s : form->QvGraph2D1->RelatedSeries())
        EXPECT_EQ(s->XData()->Count(), 0);
    EXPECT_EQ(form->Label3->text(), form->ListBox1->item(4)->text());
}

TEST_F(WindowTest, OverridesReachEveryFileOnVisualizeButNotOnCompare)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    Add(name);
    form->CheckBoxOverrides->setChecked(true);
    form->QvDoubleEditVgp->SetValue(4.25);
    SelectRows(form->ListBox1, {0});
    form->ListBox1Click();
    for (const auto& file : form->Files())
        for (int s = 0; s < file->DataSetCount(); ++s)
            EXPECT_DOUBLE_EQ(file->DataSet(s)->Vgp, 4.25);

    form->QvDoubleEditVgp->SetValue(7.5);
    SelectRows(form->ListBox2, {0, 3});
    form->ListBox2Click();
    for (const auto& file : form->Files())
        for (int s = 0; s < file->DataSetCount(); ++s)
            EXPECT_DOUBLE_EQ(file->DataSet(s)->Vgp, 4.25);
    EXPECT_EQ(form->Label4->text(), "All of FN:2");
    for (const auto& file : form->Files())
        EXPECT_EQ(ChartOf(*file).DV_StepsX->Count(), 1);
}

TEST_F(WindowTest, DashStyleRestylesOnlyTheFocusedStepsFourLines)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    SelectRows(form->ListBox1, {1});
    form->ListBox1Click();
    form->QvDashStylesList1->SetDashStyle(TDashStyle::DashStyleDot);
    form->QvDashStylesList1Click();
    const TWPVStepChart& focused = ChartOf(*form->Files()[0]->DataSet(1));
    for (TQvPointSeries* s : {focused.SE_Vis_Current.get(), focused.SE_Vis_Leakage.get(), focused.SE_Vis_Charge.get(),
                              focused.SE_Vis_LogpO2.get()})
        EXPECT_EQ(s->Line()->DashStyle(), TDashStyle::DashStyleDot);
    EXPECT_EQ(focused.SE_Vis_PumppO->Line()->DashStyle(), TDashStyle::DashStyleSolid);
    for (int other : {0, 2})
        for (TQvPointSeries* s : ChartOf(*form->Files()[0]->DataSet(other)).Series())
            EXPECT_EQ(s->Line()->DashStyle(), TDashStyle::DashStyleSolid);
    // Clicking the step again shows its style in the pick list.
    SelectRows(form->ListBox1, {0});
    form->ListBox1Click();
    EXPECT_EQ(form->QvDashStylesList1->GetDashStyle(), 0);
    SelectRows(form->ListBox1, {1});
    form->ListBox1Click();
    EXPECT_EQ(form->QvDashStylesList1->GetDashStyle(), int(TDashStyle::DashStyleDot));
}

TEST_F(WindowTest, SymbolRestylesTheThreeSeriesOfTheFocusedStepsFile)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    Add(name);
    SelectRows(form->ListBox2, {4});
    form->ListBox2Click();
    form->QvPointSymbolsList1->SetSymbol(TQvPointSymbol::Square);
    form->QvPointSymbolsList1Click();
    for (TQvPointSeries* s : ChartOf(*form->Files()[1]).Series())
        EXPECT_EQ(s->PointSymbol()->PointSymbol(), TQvPointSymbol::Square);
    for (TQvPointSeries* s : ChartOf(*form->Files()[0]).Series())
        EXPECT_NE(s->PointSymbol()->PointSymbol(), TQvPointSymbol::Square);
}

TEST_F(WindowTest, NoFocusedItemLeavesThePickListsAlone)
{
    form->QvDashStylesList1Click();
    form->QvPointSymbolsList1Click();
    form->ListBox1Click();
    form->ListBox2Click();
    EXPECT_TRUE(form->Label3->text().isEmpty());
    EXPECT_TRUE(form->Label4->text().isEmpty());
}

TEST_F(WindowTest, DetailGraphsShareThePanelInThirds)
{
    form->Panel3Resize(1000, 240);
    EXPECT_EQ(form->QvGraph2D3->geometry(), QRect(0, 0, 333, 240));
    EXPECT_EQ(form->QvGraph2D4->geometry(), QRect(333, 0, 333, 240));
    EXPECT_EQ(form->QvGraph2D5->geometry(), QRect(667, 0, 333, 240));
}

TEST_F(WindowTest, DetailsPageShowsTheTableAndTheColumnChoice)
{
    Add(Write(WindowFileLines(3)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const QStringList lines = MemoLines(form->Memo3);
    ASSERT_GT(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith("File: "));
    EXPECT_EQ(lines[1], "Sets: 3");
    const QStringList shown{"FN", "Mode", "Step", "SP", "pO2 s", "St", "dQ", "dQA", "LeakILast", "LeakQa", "LeakQaA",
                            "dQI", "dOp", "dOe", "dO", "Och", "dOch", "r", "bc", "bp", "y", "log|y|"};
    QString header;
    for (const QString& n : shown) {
        const TColData& c = form->Columns()[DetailColumnIndex(form->Columns(), n)];
        header += n.leftJustified(c.Width, u' ', true) + " ; ";
    }
    const int headerLine = int(lines.indexOf(header));
    EXPECT_GT(headerLine, 2) << form->Memo3->toPlainText().toStdString();
    // The detail graphs got one point per plotted step.
    EXPECT_GT(form->QvDoubleVectorDetailsAlogpO2->Count(), 0);
    EXPECT_EQ(form->QvDoubleVectorDetailsC->Count(), form->QvDoubleVectorDetailsAlogpO2->Count());

    // A left click on an item toggles that column only.
    form->ListBox4->setCurrentRow(4, QItemSelectionModel::NoUpdate);
    form->ListBox4MouseUp(Qt::LeftButton);
    EXPECT_TRUE(form->Columns()[4].Visible);
    EXPECT_TRUE(form->ListBox4->item(4)->isSelected());
    EXPECT_TRUE(form->ListBox4->item(0)->isSelected());
    EXPECT_FALSE(form->ListBox4->item(5)->isSelected());

    // A right click hides every column: the file lines remain, graph 5 is empty.
    form->ListBox4MouseUp(Qt::RightButton);
    for (int i = 0; i < form->ListBox4->count(); ++i) {
        EXPECT_FALSE(form->Columns()[i].Visible);
        EXPECT_FALSE(form->ListBox4->item(i)->isSelected());
    }
    const QStringList bare = MemoLines(form->Memo3);
    for (int i = 3; i < bare.size(); ++i)
        EXPECT_TRUE(bare[i].trimmed().isEmpty()) << i << ": " << bare[i].toStdString();
    EXPECT_EQ(form->QvDoubleVectorDetailsC->Count(), 0);
    EXPECT_EQ(form->QvDoubleVectorDetailsAlogy->Count(), 0);
}

// Each point of the detail graphs stands at the log pO2 of the table row it comes from: the
// point of graph "y" (and "log |y|") has that row's y (log|y|), the point of graph "b" its bp.
TEST_F(WindowTest, DetailGraphPointsStandAtTheirOwnStepsLogPO2)
{
    Add(SourcePath("samples/run1_pidstep.txt"));
    ASSERT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const TColArr& cols = form->Columns();
    const int ipO2 = DetailColumnIndex(cols, "pO2 s");
    struct TRow
    {
        double LogpO2, Y, LogY, Bp;
        bool HasLogY;
    };
    std::vector<TRow> rows;
    auto number = [](QString cell) { return cell.trimmed().replace(u',', u'.').toDouble(); };
    for (const QString& line : MemoLines(form->Memo3)) {
        const QStringList cells = line.split(" ; ");
        // Rows of the table: every shown column up to log|y| is in place (the initial choice).
        if (cells.size() < 23 || cells[0].trimmed() != "1")
            continue;
        const int shownpO2 = 4, shownBp = 19, shownY = 20, shownLogY = 21;
        ASSERT_TRUE(cols[ipO2].Visible);
        rows.push_back({std::log10(number(cells[shownpO2])), number(cells[shownY]), number(cells[shownLogY]),
                        number(cells[shownBp]), !cells[shownLogY].trimmed().isEmpty()});
    }
    ASSERT_GT(rows.size(), 3u);
    // The row of a point: its y value (or bp) within the table's six decimals.
    auto rowOf = [&](double aValue, auto member) -> const TRow* {
        for (const TRow& r : rows)
            if (std::fabs(r.*member - aValue) <= 1e-6)
                return &r;
        return nullptr;
    };
    const TQvPointSeries* graphs[] = {form->QvPointSeriesDetailsA, form->QvPointSeriesDetailsB,
                                      form->QvPointSeriesDetailsC};
    double TRow::* const members[] = {&TRow::LogY, &TRow::Y, &TRow::Bp};
    for (int g = 0; g < 3; ++g) {
        const TQvPointSeries* s = graphs[g];
        ASSERT_GT(s->YData()->Count(), 1) << g;
        ASSERT_EQ(s->XData()->Count(), s->YData()->Count()) << g;
        for (int i = 0; i < s->YData()->Count(); ++i) {
            const TRow* row = rowOf(s->YData()->GetValue(i), members[g]);
            ASSERT_TRUE(row) << "graph " << g << " point " << i;
            EXPECT_NEAR(s->XData()->GetValue(i), row->LogpO2, 1e-3) << "graph " << g << " point " << i;
        }
    }
}

// The column list works from the keyboard: Space shows or hides the focused column, Ctrl+A shows
// them all, and the table follows at once; moving the focus changes nothing.
TEST_F(WindowTest, ColumnListFollowsTheKeyboard)
{
    Add(Write(WindowFileLines(3)));
    form->resize(1117, 738);
    form->show();
    form->PageControl1->setCurrentIndex(3);
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const int iTemp = DetailColumnIndex(form->Columns(), "Temp");
    const int iFN = DetailColumnIndex(form->Columns(), "FN");
    ASSERT_FALSE(form->Columns()[iTemp].Visible);
    auto header = [this] {
        for (const QString& l : MemoLines(form->Memo3))
            if (l.contains(" ; "))
                return l;
        return QString();
    };
    ASSERT_FALSE(header().contains("Temp"));

    form->ListBox4->setFocus();
    form->ListBox4->setCurrentRow(iTemp, QItemSelectionModel::NoUpdate);
    const QString before = form->Memo3->toPlainText();
    QTest::keyClick(form->ListBox4, Qt::Key_Down);
    QTest::keyClick(form->ListBox4, Qt::Key_Up);
    EXPECT_EQ(form->Memo3->toPlainText(), before);
    EXPECT_EQ(form->ListBox4->currentRow(), iTemp);

    QTest::keyClick(form->ListBox4, Qt::Key_Space);
    EXPECT_TRUE(form->Columns()[iTemp].Visible);
    EXPECT_TRUE(header().contains("Temp")) << header().toStdString();

    form->ListBox4->setCurrentRow(iFN, QItemSelectionModel::NoUpdate);
    QTest::keyClick(form->ListBox4, Qt::Key_Space);
    EXPECT_FALSE(form->Columns()[iFN].Visible);
    EXPECT_FALSE(header().startsWith("FN ")) << header().toStdString();

    QTest::keyClick(form->ListBox4, Qt::Key_A, Qt::ControlModifier);
    for (int i = 0; i < form->ListBox4->count(); ++i)
        EXPECT_TRUE(form->Columns()[i].Visible) << i;
    EXPECT_TRUE(header().contains("Gamma")) << header().toStdString();
}

// Values beyond the single-precision range of the variables are refused as they are typed: the
// edit keeps its value, says why, and the table never shows INF or NAN.
TEST_F(WindowTest, OverrideEditRefusesValuesBeyondSinglePrecision)
{
    Add(Write(WindowFileLines(3)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    form->CheckBoxOverrides->setChecked(true);
    for (TQvDoubleEdit* e : {form->QvDoubleEditVhpws, form->QvDoubleEditOverrideb0, form->QvDoubleEditOverridem0}) {
        const double before = e->Value();
        e->selectAll();
        QTest::keyClicks(e, "1e39");
        // "1e3" was taken over on the way; "1e39" is not.
        EXPECT_EQ(e->Value(), 1000.0) << e->objectName().toStdString();
        EXPECT_FALSE(e->Refusal().isEmpty()) << e->objectName().toStdString();
        const QString table = form->Memo3->toPlainText();
        for (const char* bad : {"INF", "inf", "NAN", "nan"})
            EXPECT_FALSE(table.contains(QLatin1String(bad))) << e->objectName().toStdString() << " " << bad;
        e->SetValue(before);
    }
}

// The whole texts of the file and step lists show as tooltips; the splitter widens a step list.
TEST_F(WindowTest, ListsShowTheirWholeTextsAndTheStepListWidens)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    for (QListWidget* list : {static_cast<QListWidget*>(form->ListBox1), static_cast<QListWidget*>(form->ListBox2)})
        for (int i = 0; i < list->count(); ++i)
            EXPECT_EQ(list->item(i)->toolTip(), list->item(i)->text());
    for (QListWidget* list : {static_cast<QListWidget*>(form->ListBoxFiles), static_cast<QListWidget*>(form->ListBox3)}) {
        EXPECT_TRUE(list->item(0)->toolTip().startsWith(list->item(0)->text() + "\n"));
        EXPECT_TRUE(list->item(0)->toolTip().endsWith(name));
    }

    form->resize(1117, 738);
    form->show();
    for (int page : {1, 2}) {
        form->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        QListWidget* list = page == 1 ? static_cast<QListWidget*>(form->ListBox1) : form->ListBox2;
        QSplitter* splitter = page == 1 ? form->Splitter2 : form->Splitter3;
        const int narrow = list->width();
        splitter->setSizes({500, 600});
        QApplication::processEvents();
        EXPECT_GT(list->width(), narrow + 200) << page;
    }
}

// The window fits 800 x 600: the row above the details table scrolls sideways instead of
// holding the window wide, and the detail graphs keep room for axis numbers that do not overlap.
TEST_F(WindowTest, ShrinksTo800x600)
{
    Add(SourcePath("samples/run1_pidstep.txt"));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    form->PageControl1->setCurrentIndex(3);
    form->show();
    EXPECT_LE(form->minimumSizeHint().width(), 800);
    EXPECT_LE(form->minimumSizeHint().height(), 600);
    form->resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(form->size(), QSize(800, 600));
    for (int page = 0; page < form->PageControl1->count(); ++page) {
        form->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        EXPECT_LE(form->PageControl1->widget(page)->minimumSizeHint().width(), 800) << page;
    }
    form->PageControl1->setCurrentIndex(3);
    QApplication::processEvents();

    // The row scrolls to its last control, and is shown at its full height.
    QScrollBar* bar = form->ScrollBoxTop->horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    const QRect button(form->Button1->mapTo(form->ScrollBoxTop->viewport(), QPoint(0, 0)), form->Button1->size());
    EXPECT_TRUE(form->ScrollBoxTop->viewport()->rect().contains(button));
    EXPECT_GE(form->ScrollBoxTop->viewport()->height(), form->dou->height());
    EXPECT_GT(form->Memo3->height(), 20);

    // The detail graphs: numbers of one axis apart from each other.
    for (TQvGraph2D* g : {form->QvGraph2D3, form->QvGraph2D4, form->QvGraph2D5}) {
        EXPECT_GE(g->height(), TFormWPVData::Panel3MinHeight);
        g->grab(); // lays the graph out
        for (TQvAxis* a : g->Axes()) {
            const auto& labels = a->Labels();
            EXPECT_GE(labels.size(), 2u) << a->objectName().toStdString();
            for (std::size_t i = 1; i < labels.size(); ++i) {
                const double room = std::fabs(labels[i].TickPixel - labels[i - 1].TickPixel);
                const double need = a->Horizontal() ? (labels[i].Extent.width() + labels[i - 1].Extent.width()) / 2
                                                    : (labels[i].Extent.height() + labels[i - 1].Extent.height()) / 2;
                EXPECT_GE(room, need) << a->objectName().toStdString() << " labels " << i - 1 << ", " << i;
            }
        }
    }

    // At the usual size the row fits and needs no scroll bar.
    form->resize(1117, 738);
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
}

// "Source data" only shows: a double click and typing open no editor.
TEST_F(WindowTest, SourceDataGridIsReadOnly)
{
    form->resize(1117, 738);
    form->show();
    form->PageControl1->setCurrentIndex(5);
    QApplication::processEvents();
    QTableWidget* grid = form->StringGridData;
    const QRect cell = grid->visualRect(grid->model()->index(0, 1));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::keyClicks(grid->viewport(), "42");
    QTest::keyClick(grid, Qt::Key_F2);
    QTest::keyClicks(grid, "7");
    QTest::keyClick(grid, Qt::Key_Return);
    for (const QWidget* editor : grid->viewport()->findChildren<QWidget*>())
        EXPECT_FALSE(editor->isVisible()) << editor->metaObject()->className();
    EXPECT_TRUE(grid->model()->data(grid->model()->index(0, 1)).toString().isEmpty());
}

TEST_F(WindowTest, RemoveSpacesCopiesTheTableWithoutBlanks)
{
    Add(Write(WindowFileLines(3)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const QString before = form->Memo3->toPlainText();
    ASSERT_TRUE(before.contains(u' '));
    form->Button1Click();
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, RemoveBlanks(before));
    EXPECT_FALSE(copied.contains(u' '));
    EXPECT_EQ(form->Memo3->toPlainText(), copied);
}

TEST_F(WindowTest, OverrideEditRecomputesTheShownFile)
{
    Add(Write(WindowFileLines(3)));
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    const QString before = form->Memo3->toPlainText();
    form->CheckBoxOverrides->setChecked(true);
    form->QvDoubleEditOverrideb0->SetValue(123.0);
    EXPECT_NE(form->Memo3->toPlainText(), before);
    EXPECT_TRUE(form->Memo3->toPlainText().contains(" 123.00000 ;"));
    // Clearing the check box brings the file's own values back.
    form->CheckBoxOverrides->setChecked(false);
    EXPECT_EQ(form->Memo3->toPlainText(), before);
}

// The variables are single precision: the edits show them as short decimals (0.53, not
// 0.5299999714), and using the overrides unchanged gives the analysis the file's very values.
TEST_F(WindowTest, OverrideEditsShowTheFileValuesShortAndGiveThemBackUnchanged)
{
    Add(Write(WindowFileLines(3)));
    for (TQvDoubleEdit* e : {form->QvDoubleEditVhpws, form->QvDoubleEditVgp, form->QvDoubleEditTl,
                             form->QvDoubleEditCustomLLS, form->QvDoubleEditOverridebs, form->QvDoubleEditOverrideb0,
                             form->QvDoubleEditOverridem0, form->QvDoubleEditOverridepO2ref}) {
        const double v = e->Value();
        EXPECT_NE(v, 0.0) << e->objectName().toStdString();
        EXPECT_EQ(v, QString::number(v, 'g', 7).toDouble()) << e->objectName().toStdString();
    }
    form->ListBox3->setCurrentRow(0);
    form->CheckBoxOverrides->setChecked(true);
    const TWPVDataFromFile& file = *form->Files()[0];
    const TVariables& used = file.VActiv();
    const TVariables& own = file.VOrig();
    EXPECT_EQ(used.Vhpws.Value, own.Vhpws.Value);
    EXPECT_EQ(used.Vgp.Value, own.Vgp.Value);
    EXPECT_EQ(used.Tl.Value, own.Tl.Value);
    EXPECT_EQ(used.RCDuration.Value, own.RCDuration.Value);
    EXPECT_EQ(used.BS.Value, own.BS.Value);
    EXPECT_EQ(used.BOx.Value, own.BOx.Value);
    EXPECT_EQ(used.FGpO2.Value, own.FGpO2.Value);
}

TEST_F(WindowTest, RightClickBindsTheSettingsToolToTheClickedGraph)
{
    EXPECT_EQ(form->QvGraphSettingsTool1->Graph(), form->QvGraph2D2);
    form->resize(1117, 738);
    form->show();
    form->PageControl1->setCurrentIndex(1);
    QTest::mouseClick(form->QvGraph2D1, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_EQ(form->QvGraphSettingsTool1->Graph(), form->QvGraph2D1);
    form->PageControl1->setCurrentIndex(2);
    QTest::mouseClick(form->QvGraph2D2, Qt::RightButton, {}, QPoint(50, 50));
    EXPECT_EQ(form->QvGraphSettingsTool1->Graph(), form->QvGraph2D2);
}

// The open dialog starts in the documents folder, or in the home folder when there is none
// (a folder that does not exist would be typed in as the file name).
TEST_F(WindowTest, OpenDialogStartsInAFolderThatExists)
{
    const QByteArray home = qgetenv("HOME");
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    QTemporaryDir fakeHome;
    qputenv("HOME", QFile::encodeName(fakeHome.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fakeHome.filePath(".config")));
    QStringList folders;
    form->ChooseFile = [&](const QString& aFolder) {
        folders << aFolder;
        return QString();
    };
    form->ButtonOpenFileClick();
    QDir(fakeHome.path()).mkdir("Documents");
    form->ButtonOpenFileClick();
    qputenv("HOME", home);
    if (config.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", config);
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(QDir(folders[0]).canonicalPath(), QDir(fakeHome.path()).canonicalPath());
    EXPECT_EQ(QDir(folders[1]).canonicalPath(), QDir(fakeHome.filePath("Documents")).canonicalPath());
}

TEST_F(WindowTest, CancelledDialogChangesNothing)
{
    form->ButtonOpenFileClick();
    EXPECT_EQ(form->FileCounter(), 0);
    EXPECT_TRUE(form->Files().empty());
}

TEST_F(WindowTest, DroppedFilesAreAddedInOrder)
{
    const QString a = Write(WindowFileLines(2));
    const QString b = Write(WindowFileLines(3));
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    // A drop reaches a widget after it accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    delete mime;
    ASSERT_EQ(form->Files().size(), 2u);
    EXPECT_EQ(form->Files()[0]->DataSetCount(), 2);
    EXPECT_EQ(form->Files()[1]->DataSetCount(), 3);
    EXPECT_EQ(form->ListBox1->count(), 5);
}

// A dropped file whose name is not UTF-8 (byte 0xFF) is added by the bytes of its name.
TEST_F(WindowTest, DroppedFileWithANameThatIsNotUtf8IsAdded)
{
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/run\xFF.txt";
    {
        FILE* f = std::fopen(bytes.constData(), "wb");
        ASSERT_TRUE(f);
        const QByteArray text = (WindowFileLines(2).join(u'\n') + u'\n').toUtf8();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), f);
        std::fclose(f);
    }
    auto* mime = new QMimeData;
    mime->setUrls({QUrl(QStringLiteral("file://") + dir.path() + QStringLiteral("/run%FF.txt"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    delete mime;
    ::unlink(bytes.constData()); // QTemporaryDir cannot remove what it cannot name
    EXPECT_TRUE(errors.isEmpty()) << errors.join("\n").toStdString();
    ASSERT_EQ(form->Files().size(), 1u);
    EXPECT_EQ(form->Files()[0]->DataSetCount(), 2);
}

TEST_F(WindowTest, ClosingFreesEveryFileStepVectorAndSeries)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    Add(name);
    SelectRows(form->ListBox1, {0, 5});
    form->ListBox1Click();
    QList<QPointer<QObject>> objects;
    for (const auto& file : form->Files()) {
        for (TQvPointSeries* s : ChartOf(*file).Series())
            objects << QPointer<QObject>(s);
        for (TQvDoubleVector* v : ChartOf(*file).Vectors())
            objects << QPointer<QObject>(v);
        for (int i = 0; i < file->DataSetCount(); ++i) {
            for (TQvPointSeries* s : ChartOf(*file->DataSet(i)).Series())
                objects << QPointer<QObject>(s);
            for (TQvDoubleVector* v : ChartOf(*file->DataSet(i)).Vectors())
                objects << QPointer<QObject>(v);
        }
    }
    EXPECT_EQ(objects.size(), 2 * (4 + 3 + 3 * (6 + 5)));
    form.reset();
    for (const auto& o : objects)
        EXPECT_TRUE(o.isNull());
}

namespace {

// Shows the window on the page that holds W and lets it lay out and paint.
void ShowPageOf(TFormWPVData& form, QWidget* w)
{
    form.resize(1366, 740);
    form.show();
    for (int i = 0; i < form.PageControl1->count(); ++i)
        if (form.PageControl1->widget(i)->isAncestorOf(w))
            form.PageControl1->setCurrentIndex(i);
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        for (TQvGraph2D* g : {form.QvGraph2D1, form.QvGraph2D3, form.QvGraph2D4, form.QvGraph2D5})
            if (g->isVisible())
                g->repaint();
    }
}

} // namespace

TEST_F(WindowTest, UnzoomedGraphsShowNoScrollBarsAndWholeEndSymbols)
{
    Add(SourcePath("samples/run1_pidstep.txt"));
    ASSERT_TRUE(errors.isEmpty());
    form->ListBox3->setCurrentRow(0);
    form->ListBox3Click();
    ShowPageOf(*form, form->QvGraph2D3);
    for (TQvGraph2D* g : {form->QvGraph2D3, form->QvGraph2D4, form->QvGraph2D5}) {
        SCOPED_TRACE(g->objectName().toStdString());
        EXPECT_FALSE(g->HorizontalScrollBar()->isVisible());
        EXPECT_FALSE(g->VerticalScrollbar()->isVisible());
        // An unclipped axis leaves room beyond its ends for half a symbol: the symbols at the
        // ends show whole.
        for (TQvAxis* a : {g->PrimaryXAxis(), g->PrimaryYAxis()}) {
            EXPECT_FALSE(a->IsClipped()) << a->objectName().toStdString();
        }
        const QRectF area = g->DrawingArea();
        EXPECT_GE(area.left(), 6);
        EXPECT_LE(area.right() + 6, g->width());
        EXPECT_GE(area.top(), 6);
    }

    // Every step selected, the start step's pump pO2 of 0 among them: no bar on graph 1.
    form->ListBox1->selectAll();
    form->ListBox1->setCurrentRow(0, QItemSelectionModel::Select);
    form->ListBox1Click();
    ShowPageOf(*form, form->QvGraph2D1);
    EXPECT_FALSE(form->QvGraph2D1->VerticalScrollbar()->isVisible());
    EXPECT_FALSE(form->QvGraph2D1->HorizontalScrollBar()->isVisible());
}

TEST_F(WindowTest, OneStylePickIsOneNamedUndoStep)
{
    const QString name = Write(WindowFileLines(3));
    Add(name);
    SelectRows(form->ListBox1, {1});
    form->ListBox1Click();
    form->QvUndoStack1->Clear();
    form->QvDashStylesList1->SetDashStyle(TDashStyle::DashStyleDot);
    form->QvDashStylesList1Click();
    ASSERT_EQ(form->QvUndoStack1->UndoCount(), 1);
    EXPECT_TRUE(form->QvUndoStack1->UndoList().Get(0).contains(QStringLiteral("Step:3")))
        << form->QvUndoStack1->UndoList().Get(0).toStdString();
    // The same pick again changes nothing and records nothing.
    form->QvDashStylesList1Click();
    EXPECT_EQ(form->QvUndoStack1->UndoCount(), 1);
    form->QvUndoStack1->Undo(0);
    const TWPVStepChart& focused = ChartOf(*form->Files()[0]->DataSet(1));
    for (TQvPointSeries* s : focused.Series())
        EXPECT_EQ(s->Line()->DashStyle(), TDashStyle::DashStyleSolid);

    SelectRows(form->ListBox2, {0});
    form->ListBox2Click();
    form->QvUndoStack1->Clear();
    form->QvPointSymbolsList1->SetSymbol(TQvPointSymbol::Square);
    form->QvPointSymbolsList1Click();
    EXPECT_EQ(form->QvUndoStack1->UndoCount(), 1);
}
