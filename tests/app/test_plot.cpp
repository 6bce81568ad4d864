// Figures without the window: option parsing, selection, rendering and the written files.
#include "test_window_fixture.h"

#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "UnitWPVChartSeries.h"
#include "UnitWPVExport.h"
#include "UnitWPVPlot.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>

#include <cmath>
#include <stdexcept>

namespace {

struct TSelectCase
{
    const char* Text;
    bool Ok;
    std::vector<int> Items; // empty with Ok: "all"
};

int NonWhitePixels(const QImage& aImage)
{
    int n = 0;
    for (int y = 0; y < aImage.height(); y += 2)
        for (int x = 0; x < aImage.width(); x += 2)
            if ((aImage.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                ++n;
    return n;
}

// True when the part of aImage in column aColumn of aColumns and row aRow of aRows has drawing.
bool CellDrawn(const QImage& aImage, int aColumns, int aRows, int aColumn, int aRow)
{
    const int w = aImage.width() / aColumns, h = aImage.height() / aRows;
    return NonWhitePixels(aImage.copy(aColumn * w, aRow * h, w, h)) > 0;
}

} // namespace

TEST(PlotOptions, ParsesPagesSelectionsAndSizes)
{
    TWPVPlotPage page{};
    EXPECT_TRUE(WPVParsePlotPage("visualize", page));
    EXPECT_EQ(page, TWPVPlotPage::Visualize);
    EXPECT_TRUE(WPVParsePlotPage("compare", page));
    EXPECT_EQ(page, TWPVPlotPage::Compare);
    EXPECT_TRUE(WPVParsePlotPage("details", page));
    EXPECT_EQ(page, TWPVPlotPage::Details);
    EXPECT_FALSE(WPVParsePlotPage("Visualize", page));

    const TSelectCase cases[] = {
        {"all", true, {}}, {"0", true, {0}}, {"3,1,7", true, {3, 1, 7}}, {"1,,2", false, {}},
        {"-1", false, {}}, {"a", false, {}}, {"", false, {}},
    };
    for (const TSelectCase& c : cases) {
        std::optional<std::vector<int>> select;
        EXPECT_EQ(WPVParsePlotSelect(c.Text, select), c.Ok) << c.Text;
        if (c.Ok && c.Items.empty()) {
            EXPECT_FALSE(select.has_value()) << c.Text;
        } else if (c.Ok) {
            EXPECT_EQ(*select, c.Items) << c.Text;
        }
    }

    QSize size;
    EXPECT_TRUE(WPVParsePlotSize("800x600", size));
    EXPECT_EQ(size, QSize(800, 600));
    for (const char* bad : {"800", "0x600", "800x", "x600", "800x600x2", "99999x10", "a x b"})
        EXPECT_FALSE(WPVParsePlotSize(bad, size)) << bad;
}

TEST_F(WindowTest, PlotSelectsTheGivenItemsAndRunsThePageHandler)
{
    TWPVPlotOptions o;
    o.Files = {Write(WindowFileLines(3)), Write(WindowFileLines(2))};
    o.Select = std::vector<int>{1, 3};
    QStringList failures;
    WPVPreparePlot(*form, o, failures);
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(ChartOf(*form->Files()[0]->DataSet(0)).DV_VisX_Time->Count(), 0);
    EXPECT_EQ(ChartOf(*form->Files()[0]->DataSet(1)).DV_VisX_Time->Count(), 20);
    EXPECT_EQ(ChartOf(*form->Files()[1]->DataSet(0)).DV_VisX_Time->Count(), 20);
    const QImage image = WPVPlotImage(*form, o);
    EXPECT_EQ(image.size(), QSize(1117, 738));
    EXPECT_GT(NonWhitePixels(image), 500);

    o.Select = std::vector<int>{5};
    EXPECT_THROW(WPVPreparePlot(*form, TWPVPlotOptions{o.Page, {}, o.Select, o.Out, o.Size}, failures), EWPVUsageError);
}

TEST_F(WindowTest, PlotOfComparisonSelectsEveryStepByDefault)
{
    TWPVPlotOptions o;
    o.Page = TWPVPlotPage::Compare;
    o.Files = {Write(WindowFileLines(3)), dir.filePath("missing.txt")};
    QStringList failures;
    WPVPreparePlot(*form, o, failures);
    EXPECT_EQ(failures.size(), 1);
    EXPECT_EQ(form->ListBox2->selectedItems().size(), 3);
    EXPECT_EQ(ChartOf(*form->Files()[0]).DV_StepsX->Count(), 3);
}

TEST_F(WindowTest, PlotWritesPngSvgAndPdf)
{
    TWPVPlotOptions o;
    o.Page = TWPVPlotPage::Details;
    o.Files = {Write(WindowFileLines(4))};
    o.Size = QSize(900, 300);
    QStringList failures;
    WPVPreparePlot(*form, o, failures);
    EXPECT_GT(form->QvDoubleVectorDetailsAlogpO2->Count(), 0);
    // The figure's "y" points stand at their own steps: the first step (the start set) has none,
    // so point i belongs to step i + 1.
    const TWPVDataFromFile& file = *form->Files()[0];
    const TQvSeries* y = form->QvPointSeriesDetailsB;
    ASSERT_EQ(y->XData()->Count(), file.DataSetCount() - 1);
    for (int i = 0; i < y->XData()->Count(); ++i)
        EXPECT_DOUBLE_EQ(y->XData()->GetValue(i), std::log10(file.DataSet(i + 1)->FinalpO2())) << i;
    for (const char* suffix : {"png", "svg", "pdf"}) {
        o.Out = dir.filePath(QStringLiteral("figure.%1").arg(suffix));
        WPVWritePlot(*form, o);
        EXPECT_GT(QFileInfo(o.Out).size(), 100) << suffix;
    }
    QImage png(dir.filePath("figure.png"));
    EXPECT_EQ(png.size(), QSize(900, 300));
    QFile svg(dir.filePath("figure.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));

    o.Out = dir.filePath("figure.gif");
    EXPECT_THROW(WPVWritePlot(*form, o), EWPVUsageError);

    // A folder that does not exist: the message names the file and the reason.
    o.Out = dir.filePath("no/such/figure.png");
    try {
        WPVWritePlot(*form, o);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("no/such/figure.png")) << e.what();
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains("No such file or directory")) << e.what();
    }
}

// The figure is laid out at its own size, not at the size of the page the graph sits on in the
// (hidden) window: every sixth of the image holds part of the graphs (axes, captions, curves).
TEST_F(WindowTest, PlotFillsTheWholeFigureOnEveryPage)
{
    for (const TWPVPlotPage page : {TWPVPlotPage::Visualize, TWPVPlotPage::Compare, TWPVPlotPage::Details}) {
        TFormWPVData figureForm;
        TWPVPlotOptions o;
        o.Page = page;
        o.Files = {Write(WindowFileLines(4))};
        QStringList failures;
        WPVPreparePlot(figureForm, o, failures);
        ASSERT_TRUE(failures.isEmpty());
        for (const QSize size : {QSize(1117, 738), QSize(1500, 900)}) {
            o.Size = size;
            const QImage image = WPVPlotImage(figureForm, o);
            ASSERT_EQ(image.size(), size);
            for (int column = 0; column < 3; ++column)
                for (int row = 0; row < 2; ++row)
                    EXPECT_TRUE(CellDrawn(image, 3, 2, column, row))
                        << "page " << int(page) << ", " << size.width() << " wide, cell " << column << "," << row;
        }
    }
}
