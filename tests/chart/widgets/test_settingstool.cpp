// Graph settings tool and dialog: generated editors, edits through the undo stack, undo and redo
// from the lists, re-binding, a graph going away, image export.
#include "QvAxis.h"
#include "QvFloatEdit.h"
#include "QvGraph2D.h"
#include "QvGraphSettingsDialog.h"
#include "QvGraphSettingsTool.h"
#include "QvLegend.h"
#include "QvPropertyEditor.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QWheelEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A graph with a bottom and a left axis and one point series, on a shared undo stack.
struct Chart
{
    TQvGraph2D* graph;
    TQvAxis* x;
    TQvAxis* y;
    TQvDoubleVector xs, ys;
    std::unique_ptr<TQvPointSeries> series;

    Chart(QWidget* Window, TQvUndoStack* Stack, const QString& Name, const QString& XCaption)
    {
        graph = new TQvGraph2D(Window);
        graph->setObjectName(Name);
        graph->resize(400, 300);
        graph->SetUndoStack(Stack);
        x = new TQvAxis(graph);
        x->setObjectName(Name + QStringLiteral("X"));
        x->SetPosition(TQvAxisPosition::Bottom);
        x->SetCaption(XCaption);
        y = new TQvAxis(graph);
        y->setObjectName(Name + QStringLiteral("Y"));
        y->SetPosition(TQvAxisPosition::Left);
        y->SetCaption(QStringLiteral("Current, A"));
        graph->SetPrimaryXAxis(x);
        graph->SetPrimaryYAxis(y);
        for (double v : {1.0, 2.0, 3.0}) {
            xs.Add(v);
            ys.Add(v * v);
        }
        series = std::make_unique<TQvPointSeries>();
        series->setObjectName(Name + QStringLiteral("Series"));
        series->SetCaption(QStringLiteral("Pump"));
        series->SetXAxis(x);
        series->SetYAxis(y);
        series->SetXData(&xs);
        series->SetYData(&ys);
        Stack->Clear();
    }
};

struct Fixture : ::testing::Test
{
    QWidget window;
    TQvUndoStack stack;
    std::unique_ptr<Chart> a;
    TQvGraphSettingsDialog* dialog = nullptr;

    void SetUp() override
    {
        QvSetBeepHandler([] {});
        window.setObjectName(QStringLiteral("Window"));
        QvRegisterRoot(&window);
        stack.SetLimit(20);
        a = std::make_unique<Chart>(&window, &stack, QStringLiteral("GraphA"), QStringLiteral("Time, s"));
        dialog = new TQvGraphSettingsDialog(&window);
        dialog->SetGraph(a->graph);
    }

    void TearDown() override
    {
        TQvPropertyEditor::SetColorPicker({});
        TQvGraphSettingsDialog::SetSaveFileNameAsker({});
        QvSetBeepHandler({});
    }

    template <class W>
    W* AxisEditor(const QString& Path) const
    {
        return qobject_cast<W*>(dialog->AxisEditor()->EditorFor(Path));
    }
    template <class W>
    W* SeriesEditor(const QString& Path) const
    {
        return qobject_cast<W*>(dialog->SeriesEditor()->EditorFor(Path));
    }
};

void Key(QWidget* w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Types Text into a line edit and presses Enter, as a user would.
void Type(QLineEdit* e, const QString& Text)
{
    e->selectAll();
    e->insert(Text);
    Key(e, Qt::Key_Return);
}

QStringList Items(const QComboBox* c)
{
    QStringList r;
    for (int i = 0; i < c->count(); ++i)
        r << c->itemText(i);
    return r;
}

QStringList Items(const QListWidget* l)
{
    QStringList r;
    for (int i = 0; i < l->count(); ++i)
        r << l->item(i)->text();
    return r;
}

} // namespace

TEST_F(Fixture, EditorsAreGeneratedFromThePublishedProperties)
{
    EXPECT_EQ(Items(dialog->AxisChoice()), (QStringList{"Time, s (bottom)", "Current, A (left)"}));
    EXPECT_EQ(Items(dialog->SeriesChoice()), (QStringList{"Pump"}));
    EXPECT_EQ(dialog->AxisEditor()->Target(), a->x);
    EXPECT_EQ(dialog->SeriesEditor()->Target(), a->series.get());

    // Each kind of property gets its kind of editor.
    EXPECT_NE(AxisEditor<QLineEdit>("Caption"), nullptr);
    EXPECT_NE(AxisEditor<QCheckBox>("Visible"), nullptr);
    EXPECT_NE(AxisEditor<TQvDoubleEdit>("Start"), nullptr);
    EXPECT_NE(AxisEditor<QPushButton>("CaptionColor"), nullptr);
    EXPECT_NE(AxisEditor<TQvDoubleEdit>("CaptionFont.Size"), nullptr);
    auto* scaling = AxisEditor<QComboBox>("Scaling");
    ASSERT_NE(scaling, nullptr);
    EXPECT_EQ(Items(scaling), (QStringList{"Normal", "Log", "LogEE", "Seconds", "DateTime", "Rubrics"}));
    EXPECT_EQ(scaling->currentText(), QStringLiteral("Normal"));
    auto* startEnd = AxisEditor<QComboBox>("StartEnd");
    ASSERT_NE(startEnd, nullptr);
    EXPECT_TRUE(Items(startEnd).contains(QStringLiteral("AutoRange")));
    EXPECT_EQ(AxisEditor<QLineEdit>("Caption")->text(), QStringLiteral("Time, s"));

    auto* dash = SeriesEditor<QComboBox>("Line.DashStyle");
    ASSERT_NE(dash, nullptr);
    EXPECT_TRUE(Items(dash).contains(QStringLiteral("DashStyleDot")));
    auto* symbol = SeriesEditor<QComboBox>("PointSymbol.PointSymbol");
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(symbol->count(), QvPointSymbolCount);
    EXPECT_NE(SeriesEditor<QPushButton>("Line.Color"), nullptr);
    EXPECT_NE(SeriesEditor<TQvDoubleEdit>("Line.Width"), nullptr);
    EXPECT_NE(SeriesEditor<QCheckBox>("PointSymbol.Visible"), nullptr);
    EXPECT_NE(SeriesEditor<QComboBox>("YAxis"), nullptr);

    // The graph's own properties, not those of the widget it is; the graph's caption alignment
    // is an enumeration without meta data and still gets its keys.
    const QStringList graphPaths = dialog->GraphEditor()->Paths();
    EXPECT_TRUE(graphPaths.contains(QStringLiteral("Caption")));
    EXPECT_TRUE(graphPaths.contains(QStringLiteral("DataAreaFrame.Color")));
    EXPECT_FALSE(graphPaths.contains(QStringLiteral("geometry")));
    EXPECT_FALSE(graphPaths.contains(QStringLiteral("objectName")));
    auto* align = qobject_cast<QComboBox*>(dialog->GraphEditor()->EditorFor(QStringLiteral("CaptionAlignment")));
    ASSERT_NE(align, nullptr);
    EXPECT_EQ(align->currentText(), QStringLiteral("Center"));

    // Options off: no zoom settings, no outliers, no slave axes.
    EXPECT_FALSE(graphPaths.contains(QStringLiteral("Zoom.Auto")));
    EXPECT_EQ(dialog->SeriesEditor()->EditorFor(QStringLiteral("OutliersVisible")), nullptr);
    EXPECT_EQ(dialog->AxisEditor()->EditorFor(QStringLiteral("IsSlaveAxis")), nullptr);
    TQvGraphSettingsOptions all;
    all.ZoomOptions = all.OutlierSupport = all.ExtendedAxisOptions = true;
    dialog->SetOptions(all);
    EXPECT_TRUE(dialog->GraphEditor()->Paths().contains(QStringLiteral("Zoom.Auto")));
    EXPECT_NE(dialog->SeriesEditor()->EditorFor(QStringLiteral("OutliersVisible")), nullptr);
    EXPECT_NE(dialog->AxisEditor()->EditorFor(QStringLiteral("IsSlaveAxis")), nullptr);
}

TEST_F(Fixture, CaptionEditIsUndoneAndRedoneFromTheLists)
{
    auto* caption = AxisEditor<QLineEdit>("Caption");
    ASSERT_NE(caption, nullptr);
    Type(caption, QStringLiteral("log(pO\\-2\\-/atm)"));
    EXPECT_EQ(a->x->Caption(), QStringLiteral("log(pO\\-2\\-/atm)"));
    EXPECT_EQ(stack.UndoCount(), 1);
    ASSERT_EQ(dialog->UndoList()->count(), 1);
    EXPECT_EQ(dialog->UndoList()->item(0)->text(), stack.UndoList().Get(0));
    EXPECT_FALSE(dialog->UndoList()->item(0)->text().isEmpty());
    EXPECT_TRUE(dialog->UndoButton()->isEnabled());
    EXPECT_FALSE(dialog->RedoButton()->isEnabled());
    // The axis choice shows the new caption.
    EXPECT_EQ(dialog->AxisChoice()->itemText(0), QStringLiteral("log(pO2/atm) (bottom)"));

    // Enter again without a change writes nothing.
    Key(caption, Qt::Key_Return);
    EXPECT_EQ(stack.UndoCount(), 1);

    dialog->UndoButton()->click();
    EXPECT_EQ(a->x->Caption(), QStringLiteral("Time, s"));
    EXPECT_EQ(caption->text(), QStringLiteral("Time, s"));
    EXPECT_EQ(dialog->UndoList()->count(), 0);
    EXPECT_EQ(dialog->RedoList()->count(), 1);
    EXPECT_FALSE(dialog->UndoButton()->isEnabled());

    dialog->RedoButton()->click();
    EXPECT_EQ(a->x->Caption(), QStringLiteral("log(pO\\-2\\-/atm)"));
    EXPECT_EQ(caption->text(), QStringLiteral("log(pO\\-2\\-/atm)"));
    EXPECT_EQ(dialog->UndoList()->count(), 1);
    EXPECT_EQ(dialog->RedoList()->count(), 0);
}

TEST_F(Fixture, EveryKindOfEditorWritesThroughTheSetter)
{
    // Enumeration by keyboard.
    auto* scaling = AxisEditor<QComboBox>("Scaling");
    ASSERT_NE(scaling, nullptr);
    Key(scaling, Qt::Key_Down);
    EXPECT_EQ(a->x->Scaling(), TQvAxisScaling::Log);

    // Number: only a changed value is written.
    auto* width = SeriesEditor<TQvDoubleEdit>("Line.Width");
    ASSERT_NE(width, nullptr);
    const int before = stack.UndoCount();
    Key(width, Qt::Key_Return);
    EXPECT_EQ(stack.UndoCount(), before);
    Type(width, QStringLiteral("3.5"));
    EXPECT_FLOAT_EQ(a->series->Line()->Width(), 3.5f);
    EXPECT_EQ(stack.UndoCount(), before + 1);

    // Check box.
    auto* visible = SeriesEditor<QCheckBox>("PointSymbol.Visible");
    ASSERT_NE(visible, nullptr);
    const bool shown = a->series->PointSymbol()->Visible();
    visible->click();
    EXPECT_EQ(a->series->PointSymbol()->Visible(), !shown);

    // Colour through the picker; cancelling writes nothing.
    TQvPropertyEditor::SetColorPicker([](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0, 0, 255)); });
    SeriesEditor<QPushButton>("Line.Color")->click();
    EXPECT_EQ(a->series->Line()->Color(), 0xFF0000FFu);
    const int n = stack.UndoCount();
    TQvPropertyEditor::SetColorPicker([](const QColor&, QWidget*) { return std::optional<QColor>(); });
    SeriesEditor<QPushButton>("Line.Color")->click();
    EXPECT_EQ(stack.UndoCount(), n);

    // Symbol and dash style by keyboard.
    auto* symbol = SeriesEditor<QComboBox>("PointSymbol.PointSymbol");
    const TQvPointSymbol was = a->series->PointSymbol()->PointSymbol();
    Key(symbol, Qt::Key_Down);
    EXPECT_EQ(int(a->series->PointSymbol()->PointSymbol()), int(was) + 1);
    Key(SeriesEditor<QComboBox>("Line.DashStyle"), Qt::Key_Down);
    EXPECT_EQ(a->series->Line()->DashStyle(), TDashStyle::DashStyleDash);

    // The graph's unregistered enumeration writes back as well.
    auto* align = qobject_cast<QComboBox*>(dialog->GraphEditor()->EditorFor(QStringLiteral("CaptionAlignment")));
    ASSERT_NE(align, nullptr);
    Key(align, Qt::Key_Up);
    EXPECT_EQ(a->graph->CaptionAlignment(), TQvCaptionAlignment::Right);

    // A series moved to the other axis by the reference combo.
    auto* yAxis = SeriesEditor<QComboBox>("YAxis");
    ASSERT_NE(yAxis, nullptr);
    EXPECT_EQ(yAxis->currentText(), QStringLiteral("Current, A (left)"));

    // Undoing everything from the oldest entry of the list restores every value.
    ASSERT_EQ(dialog->UndoList()->count(), stack.UndoCount());
    dialog->UndoList()->setCurrentRow(dialog->UndoList()->count() - 1);
    dialog->UndoButton()->click();
    EXPECT_EQ(stack.UndoCount(), 0);
    EXPECT_EQ(a->x->Scaling(), TQvAxisScaling::Normal);
    EXPECT_FLOAT_EQ(a->series->Line()->Width(), 1.0f);
    EXPECT_EQ(a->series->PointSymbol()->PointSymbol(), was);
    EXPECT_EQ(a->graph->CaptionAlignment(), TQvCaptionAlignment::Center);
    // The editors show the restored values.
    EXPECT_EQ(scaling->currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(visible->isChecked(), shown);
}

TEST_F(Fixture, UndoToAChosenEntry)
{
    auto* caption = AxisEditor<QLineEdit>("Caption");
    Type(caption, QStringLiteral("one"));
    Type(caption, QStringLiteral("two"));
    Type(caption, QStringLiteral("three"));
    ASSERT_EQ(dialog->UndoList()->count(), 3);
    // Row 1 is the second newest step: undoing to it undoes two steps.
    dialog->UndoList()->setCurrentRow(1);
    dialog->UndoButton()->click();
    EXPECT_EQ(a->x->Caption(), QStringLiteral("one"));
    EXPECT_EQ(Items(dialog->UndoList()).size(), 1);
    EXPECT_EQ(Items(dialog->RedoList()).size(), 2);
    // An undo made elsewhere (the window, another dialog) shows in the lists too.
    stack.Redo(0);
    EXPECT_EQ(caption->text(), QStringLiteral("two"));
    EXPECT_EQ(dialog->RedoList()->count(), 1);
}

TEST_F(Fixture, RebindingShowsTheOtherGraph)
{
    Chart b(&window, &stack, QStringLiteral("GraphB"), QStringLiteral("log(pO2)"));
    auto* caption = AxisEditor<QLineEdit>("Caption");
    Type(caption, QStringLiteral("edited"));

    dialog->SetGraph(b.graph);
    EXPECT_EQ(dialog->Graph(), b.graph);
    EXPECT_EQ(dialog->GraphEditor()->Target(), b.graph);
    EXPECT_EQ(Items(dialog->AxisChoice()), (QStringList{"log(pO2) (bottom)", "Current, A (left)"}));
    EXPECT_EQ(dialog->AxisEditor()->Target(), b.x);
    EXPECT_EQ(dialog->SeriesEditor()->Target(), b.series.get());
    EXPECT_EQ(AxisEditor<QLineEdit>("Caption")->text(), QStringLiteral("log(pO2)"));
    // The shared stack keeps the other graph's step.
    EXPECT_EQ(dialog->UndoList()->count(), 1);

    // Choosing the second axis edits that one.
    dialog->ChooseAxis(1);
    EXPECT_EQ(dialog->AxisEditor()->Target(), b.y);
    Type(AxisEditor<QLineEdit>("Caption"), QStringLiteral("Leakage, A"));
    EXPECT_EQ(b.y->Caption(), QStringLiteral("Leakage, A"));
    EXPECT_EQ(a->y->Caption(), QStringLiteral("Current, A"));
}

TEST_F(Fixture, TheBoundGraphGoingAwayLeavesTheDialogSafe)
{
    dialog->show();
    delete a->graph;
    EXPECT_EQ(dialog->Graph(), nullptr);
    EXPECT_EQ(dialog->GraphEditor()->Target(), nullptr);
    EXPECT_EQ(dialog->AxisEditor()->Target(), nullptr);
    EXPECT_EQ(dialog->SeriesEditor()->Target(), nullptr);
    EXPECT_EQ(dialog->AxisChoice()->count(), 0);
    EXPECT_EQ(dialog->SeriesChoice()->count(), 0);
    EXPECT_FALSE(dialog->SaveImageButton()->isEnabled());
    QTemporaryDir dir;
    EXPECT_FALSE(dialog->SaveImageTo(dir.filePath(QStringLiteral("gone.png"))));
    // Everything the dialog does afterwards is harmless.
    dialog->RefreshAll();
    dialog->ChooseAxis(0);
    dialog->UndoButton()->click();
    QApplication::processEvents();
    dialog->hide();
}

TEST_F(Fixture, TheEditedSeriesGoingAwayEmptiesItsPage)
{
    Type(SeriesEditor<QLineEdit>("Caption"), QStringLiteral("Leakage"));
    EXPECT_EQ(a->series->Caption(), QStringLiteral("Leakage"));
    a->series.reset();
    EXPECT_EQ(dialog->SeriesEditor()->Target(), nullptr);
    dialog->RefreshAll();
    EXPECT_EQ(dialog->SeriesChoice()->count(), 0);
    // Undoing the caption of a series that is gone does not crash.
    dialog->UndoButton()->click();
    QApplication::processEvents();
}

TEST_F(Fixture, SaveImageWritesPngSvgAndPdf)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("graph.png"));
    const QString svg = dir.filePath(QStringLiteral("graph.svg"));
    const QString pdf = dir.filePath(QStringLiteral("graph.pdf"));
    ASSERT_TRUE(dialog->SaveImageTo(png));
    ASSERT_TRUE(dialog->SaveImageTo(svg));
    ASSERT_TRUE(dialog->SaveImageTo(pdf));
    const QImage img(png);
    EXPECT_EQ(img.size(), QSize(400, 300));
    QFile s(svg), p(pdf);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_TRUE(s.readAll().contains("<svg"));
    EXPECT_TRUE(p.read(5) == "%PDF-");

    // The button asks for the name and writes the file.
    const QString asked = dir.filePath(QStringLiteral("asked.svg"));
    TQvGraphSettingsDialog::SetSaveFileNameAsker([asked](QWidget*) { return asked; });
    dialog->SaveImageButton()->click();
    EXPECT_GT(QFileInfo(asked).size(), 0);
    // A place that cannot be written is reported as a failure.
    EXPECT_FALSE(dialog->SaveImageTo(dir.filePath(QStringLiteral("no/such/dir/graph.png"))));
}

TEST_F(Fixture, ToolCreatesItsDialogOnceAndRebindsIt)
{
    Chart b(&window, &stack, QStringLiteral("GraphB"), QStringLiteral("log(pO2)"));
    TQvGraphSettingsTool tool(&window);
    tool.SetGraph(b.graph);
    EXPECT_EQ(tool.Dialog(), nullptr);
    EXPECT_FALSE(tool.ZoomOptions());
    EXPECT_TRUE(tool.InteractiveCalculationRanges());

    tool.SetGraph(a->graph);
    tool.Show();
    TQvGraphSettingsDialog* d = tool.Dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->parent(), &window);
    EXPECT_FALSE(d->isModal());
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->Graph(), a->graph);

    // Binding to the other graph re-binds the open dialog.
    tool.SetGraph(b.graph);
    EXPECT_EQ(d->Graph(), b.graph);
    EXPECT_EQ(d->AxisEditor()->Target(), b.x);
    d->hide();
    tool.SetOutlierSupport(true);
    tool.Show();
    EXPECT_EQ(tool.Dialog(), d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_NE(d->SeriesEditor()->EditorFor(QStringLiteral("OutliersVisible")), nullptr);
    d->hide();
}

TEST(SettingsLabels, PropertyNamesReadAsWords)
{
    EXPECT_EQ(TQvPropertyEditor::LabelOf("CaptionDistanceAfter"), QStringLiteral("Caption distance after"));
    EXPECT_EQ(TQvPropertyEditor::LabelOf("Visible"), QStringLiteral("Visible"));
    EXPECT_EQ(TQvPropertyEditor::LabelOf("PrimaryXAxis"), QStringLiteral("Primary X axis"));
}

namespace {

// Turns the mouse wheel one notch down over the middle of w.
void WheelOver(QWidget* w)
{
    const QPointF at = QPointF(w->rect().center());
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

QScrollArea* AreaOf(QWidget* w)
{
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (auto* a = qobject_cast<QScrollArea*>(p))
            return a;
    return nullptr;
}

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

} // namespace

TEST_F(Fixture, TheWheelOverAnUnfocusedEditorScrollsTheSheet)
{
    window.resize(500, 400);
    window.show();
    dialog->show();
    dialog->Pages()->setCurrentIndex(1);
    Settle();
    auto* scaling = AxisEditor<QComboBox>("Scaling");
    auto* ticks = AxisEditor<TQvDoubleEdit>("TickLength");
    ASSERT_NE(scaling, nullptr);
    QScrollArea* area = AreaOf(scaling);
    ASSERT_NE(area, nullptr);
    ASSERT_GT(area->verticalScrollBar()->maximum(), 0);
    dialog->AxisChoice()->setFocus();
    const double tickLength = a->x->TickLength();
    for (QWidget* w : std::initializer_list<QWidget*>{scaling, ticks, AxisEditor<QCheckBox>("Visible")}) {
        ASSERT_NE(w, nullptr);
        const int scrolled = area->verticalScrollBar()->value();
        WheelOver(w);
        EXPECT_GT(area->verticalScrollBar()->value(), scrolled) << w->objectName().toStdString();
        EXPECT_FALSE(w->hasFocus());
    }
    EXPECT_EQ(a->x->Scaling(), TQvAxisScaling::Normal);
    EXPECT_EQ(a->x->TickLength(), tickLength);
    EXPECT_EQ(stack.UndoCount(), 0);
    // Editors do not take the focus from the wheel.
    for (QWidget* w : dialog->AxisEditor()->findChildren<QWidget*>())
        EXPECT_NE(w->focusPolicy() & Qt::WheelFocus, Qt::WheelFocus) << w->objectName().toStdString();
}

TEST_F(Fixture, TheSheetsFollowUndoRedoAndTheGraphsOwnChanges)
{
    window.resize(500, 400);
    window.show();
    a->graph->repaint();
    Settle();
    auto* start = AxisEditor<TQvDoubleEdit>("Start");
    auto* stop = AxisEditor<TQvDoubleEdit>("Stop");
    ASSERT_NE(start, nullptr);
    // The layout moved the automatic ends after the sheet was built: the sheet shows them.
    EXPECT_DOUBLE_EQ(start->Value(), a->x->Start());
    EXPECT_DOUBLE_EQ(stop->Value(), a->x->Stop());
    // New data: the graph recalculates, the sheet follows without any edit in the dialog.
    a->xs.Add(650);
    a->ys.Add(1);
    a->graph->repaint();
    Settle();
    ASSERT_GE(a->x->Stop(), 650);
    EXPECT_DOUBLE_EQ(stop->Value(), a->x->Stop());

    // Undo and redo made on the stack (the window's keys), not through the dialog.
    Key(AxisEditor<QComboBox>("Scaling"), Qt::Key_Down);
    ASSERT_EQ(a->x->Scaling(), TQvAxisScaling::Log);
    a->graph->repaint();
    Settle();
    stack.Undo(0);
    a->graph->repaint();
    Settle();
    EXPECT_EQ(AxisEditor<QComboBox>("Scaling")->currentText(), QStringLiteral("Normal"));
    EXPECT_DOUBLE_EQ(start->Value(), a->x->Start());
    EXPECT_DOUBLE_EQ(stop->Value(), a->x->Stop());
    stack.Redo(0);
    Settle();
    EXPECT_EQ(AxisEditor<QComboBox>("Scaling")->currentText(), QStringLiteral("Log"));

    // A series renamed elsewhere is listed under its new name.
    a->series->SetCaption(QStringLiteral("Leakage"));
    Settle();
    EXPECT_EQ(dialog->SeriesChoice()->itemText(0), QStringLiteral("Leakage"));

    // What the user is typing is kept while the graph changes underneath.
    auto* caption = AxisEditor<QLineEdit>("Caption");
    dialog->show();
    dialog->Pages()->setCurrentIndex(1);
    QApplication::setActiveWindow(dialog);
    caption->setFocus();
    Settle();
    if (caption->hasFocus()) {
        caption->selectAll();
        caption->insert(QStringLiteral("half typed"));
        a->ys.Add(2);
        a->xs.Add(651);
        a->graph->repaint();
        Settle();
        EXPECT_EQ(caption->text(), QStringLiteral("half typed"));
    }
}

TEST_F(Fixture, FontEditsAreUndoneAsOneStepAndTheFontColourIsTheCaptionColour)
{
    // A font property edited in the dialog: one step, undone whole.
    auto* size = AxisEditor<TQvDoubleEdit>("CaptionFont.Size");
    ASSERT_NE(size, nullptr);
    const float was = a->x->CaptionFont()->Size();
    Type(size, QStringLiteral("20"));
    EXPECT_FLOAT_EQ(a->x->CaptionFont()->Size(), 20.0f);
    ASSERT_EQ(stack.UndoCount(), 1);
    dialog->UndoButton()->click();
    EXPECT_FLOAT_EQ(a->x->CaptionFont()->Size(), was);
    EXPECT_DOUBLE_EQ(size->Value(), was);
    dialog->RedoButton()->click();
    EXPECT_FLOAT_EQ(a->x->CaptionFont()->Size(), 20.0f);

    // Changes made in code record the font's whole state too.
    stack.Clear();
    a->x->Font()->SetStyle(QvFontStyle::Italic);
    a->x->Font()->SetName(QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(stack.UndoCount(), 2);
    stack.Undo(1);
    EXPECT_EQ(a->x->Font()->Style(), QvFontStyle::Bold);
    EXPECT_EQ(a->x->Font()->Name(), QStringLiteral("Arial"));

    // One colour, reachable two ways, each undoable.
    stack.Clear();
    a->x->CaptionFont()->SetFillColor(0xFF0000FF);
    EXPECT_EQ(a->x->CaptionColor(), 0xFF0000FFu);
    a->x->SetNumbersColor(0xFF00FF00);
    EXPECT_EQ(a->x->Font()->FillColor(), 0xFF00FF00u);
    a->graph->SetCaptionColor(0xFFFF0000);
    EXPECT_EQ(a->graph->CaptionFont()->FillColor(), 0xFFFF0000u);
    EXPECT_EQ(stack.UndoCount(), 3);
    stack.Undo(2);
    EXPECT_EQ(a->x->CaptionColor(), 0xFF8B0000u);
    EXPECT_EQ(a->x->NumbersColor(), 0xFF00008Bu);
    EXPECT_EQ(a->graph->CaptionColor(), 0xFF000000u);

    // The font colour is what the caption is drawn in.
    a->x->CaptionFont()->SetFillColor(0xFF0000FF);
    a->x->Font()->SetFillColor(0xFF00FF00);
    const QImage img = a->graph->AsImage(1.0).convertToFormat(QImage::Format_ARGB32);
    int blue = 0, green = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = img.pixel(x, y);
            blue += p == qRgb(0, 0, 255);
            green += p == qRgb(0, 255, 0);
        }
    EXPECT_GT(blue, 20);
    EXPECT_GT(green, 20);
}

TEST_F(Fixture, LegendsHaveTheirOwnPageEvenWithoutAName)
{
    auto* legend = new TQvLegend(a->graph);
    legend->SetGraph(a->graph);
    // Building a legend records nothing.
    EXPECT_EQ(stack.UndoCount(), 0);
    stack.Clear();
    dialog->RefreshAll();
    ASSERT_EQ(dialog->LegendChoice()->count(), 1);
    EXPECT_EQ(dialog->LegendChoice()->itemText(0), QStringLiteral("Legend 1"));
    EXPECT_EQ(dialog->LegendEditor()->Target(), legend);
    auto* columns = qobject_cast<QSpinBox*>(dialog->LegendEditor()->EditorFor(QStringLiteral("Columns")));
    ASSERT_NE(columns, nullptr);
    columns->setValue(3);
    EXPECT_EQ(legend->Columns(), 3);
    EXPECT_EQ(stack.UndoCount(), 1);
    EXPECT_EQ(dialog->UndoList()->item(0)->text(), QStringLiteral("Legend 1: Columns"));
    bool hasLegendsTab = false;
    for (int i = 0; i < dialog->Pages()->count(); ++i)
        hasLegendsTab |= dialog->Pages()->tabText(i).remove(QLatin1Char('&')) == QStringLiteral("Legends");
    EXPECT_TRUE(hasLegendsTab);
}

TEST_F(Fixture, ObjectsAreNamedByWhatTheGraphShows)
{
    // No caption: the graph's name; a caption: its rendered text.
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Graph settings - GraphA"));
    a->graph->SetCaption(QStringLiteral("Cell pO\\-2\\-"));
    dialog->RefreshAll();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Graph settings - Cell pO2"));

    a->x->SetCaption(QStringLiteral("log(pO\\-2\\-/atm)"));
    dialog->RefreshAll();
    EXPECT_EQ(Items(dialog->AxisChoice()), (QStringList{"log(pO2/atm) (bottom)", "Current, A (left)"}));

    // A series without caption: what the program names it, else its name.
    a->series->SetCaption(QString());
    dialog->RefreshAll();
    EXPECT_EQ(dialog->SeriesChoice()->itemText(0), QStringLiteral("GraphASeries"));
    dialog->SetSeriesNamer([](const TQvSeries*) { return QStringLiteral("FN:1 Step:3 pump pO2"); });
    EXPECT_EQ(dialog->SeriesChoice()->itemText(0), QStringLiteral("FN:1 Step:3 pump pO2"));

    // Each undo entry names the object it changed.
    TQvPropertyEditor::SetColorPicker([](const QColor&, QWidget*) { return std::optional<QColor>(QColor(0, 0, 255)); });
    stack.Clear();
    SeriesEditor<QPushButton>("Line.Color")->click();
    AxisEditor<QPushButton>("CaptionColor")->click();
    ASSERT_EQ(dialog->UndoList()->count(), 2);
    EXPECT_EQ(dialog->UndoList()->item(0)->text(), QStringLiteral("Axis log(pO2/atm) (bottom): Caption color"));
    EXPECT_EQ(dialog->UndoList()->item(1)->text(), QStringLiteral("FN:1 Step:3 pump pO2: Line color"));
}

TEST(SettingsLabels, MisspeltPropertyNamesAreSpelledOut)
{
    EXPECT_EQ(TQvPropertyEditor::LabelOf("AxisThicknes"), QStringLiteral("Axis thickness"));
    EXPECT_EQ(TQvPropertyEditor::LabelOf("MajorTickThicknes"), QStringLiteral("Major tick thickness"));
}

TEST_F(Fixture, PagesShowEachObjectOnceAndFitTheDialog)
{
    // The graph page offers its primary axes as choices; their sheets are on the axes page.
    const QStringList graphPaths = dialog->GraphEditor()->Paths();
    EXPECT_TRUE(graphPaths.contains(QStringLiteral("PrimaryXAxis")));
    for (const QString& p : graphPaths)
        EXPECT_FALSE(p.startsWith(QStringLiteral("PrimaryXAxis.")) || p.startsWith(QStringLiteral("PrimaryYAxis.")))
            << p.toStdString();
    EXPECT_NE(qobject_cast<QComboBox*>(dialog->GraphEditor()->EditorFor(QStringLiteral("PrimaryXAxis"))), nullptr);

    // At the dialog's own size every page fits its width: no horizontal scroll bar.
    dialog->show();
    for (int page = 0; page < dialog->Pages()->count(); ++page) {
        dialog->Pages()->setCurrentIndex(page);
        Settle();
        for (QScrollArea* area : dialog->Pages()->currentWidget()->findChildren<QScrollArea*>()) {
            EXPECT_EQ(area->horizontalScrollBar()->maximum(), 0) << dialog->Pages()->tabText(page).toStdString();
        }
        if (auto* sa = qobject_cast<QScrollArea*>(dialog->Pages()->currentWidget())) {
            EXPECT_EQ(sa->horizontalScrollBar()->maximum(), 0) << dialog->Pages()->tabText(page).toStdString();
        }
    }
}

TEST_F(Fixture, OneDashStylePickIsOneUndoStep)
{
    stack.Clear();
    Key(SeriesEditor<QComboBox>("Line.DashStyle"), Qt::Key_Down);
    EXPECT_EQ(stack.UndoCount(), 1);
    // A pick of the style already set records nothing.
    auto* dash = SeriesEditor<QComboBox>("Line.DashStyle");
    emit dash->activated(dash->currentIndex());
    EXPECT_EQ(stack.UndoCount(), 1);
}

// Pictures of the dialog's pages at its own size, for people to look at (not run by default):
//   QV_SHOTS=DIR build/tests/chart_widgets_test_settingstool --gtest_also_run_disabled_tests
//       --gtest_filter='*Pictures*'
TEST_F(Fixture, DISABLED_Pictures)
{
    const QString out = qEnvironmentVariable("QV_SHOTS", QStringLiteral("/tmp"));
    new TQvLegend(a->graph);
    window.resize(500, 400);
    window.show();
    dialog->RefreshAll();
    dialog->show();
    for (int page = 0; page < dialog->Pages()->count(); ++page) {
        dialog->Pages()->setCurrentIndex(page);
        Settle();
        dialog->grab().save(QStringLiteral("%1/dialog-page%2.png").arg(out).arg(page + 1));
    }
    // The axes page after three wheel notches over its editors.
    dialog->Pages()->setCurrentIndex(1);
    Settle();
    for (int i = 0; i < 3; ++i)
        WheelOver(AxisEditor<QComboBox>("Scaling"));
    Settle();
    dialog->grab().save(QStringLiteral("%1/dialog-axes-wheeled.png").arg(out));
}
