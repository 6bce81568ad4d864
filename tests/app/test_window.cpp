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
#include "QvVectors.h"
#include "UnitWPVChartSeries.h"
#include "UnitWPVDetails.h"
#include "UnitWPVSourceView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

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
    EXPECT_EQ(MemoLines(form->Memo2),
              QStringList({"Zoom graphs", "", "Click and drag area to zoom into. To unzoom click outside the graph."}));
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
