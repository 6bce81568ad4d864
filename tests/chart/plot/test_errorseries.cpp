// Point series with error bars: ranges including the bars, bar screen coordinates, outliers in
// extent vectors, undo descriptions, drawing order and the per-point pen event.
#include "QvAxis.h"
#include "QvErrorSeries.h"
#include "QvGraph2D.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "TestGraph.h"

#include "QvComponent.h"

#include <QBuffer>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// One error-bar series on four points, with vectors for the four error directions.
struct Fixture : TestGraph
{
    TQvDoubleVector dxp, dxm, dyp, dym;
    TQvPointWithErrorSeries s;

    Fixture()
    {
        Fill(xs, {1, 2, 3, 4});
        Fill(ys, {10, 20, 30, 40});
        Attach(s);
    }
    void Range(double& x0, double& x1, double& y0, double& y1)
    {
        Render();
        x0 = s.XStart();
        x1 = s.XStop();
        y0 = s.YStart();
        y1 = s.YStop();
    }
};

struct RangeCase
{
    const char* Name;
    std::function<void(Fixture&)> Setup;
    double X0, X1, Y0, Y1;
};

class ErrorRange : public ::testing::TestWithParam<RangeCase>
{
};

} // namespace

TEST_P(ErrorRange, IncludesTheBars)
{
    Fixture f;
    GetParam().Setup(f);
    double x0, x1, y0, y1;
    f.Range(x0, x1, y0, y1);
    EXPECT_DOUBLE_EQ(x0, GetParam().X0);
    EXPECT_DOUBLE_EQ(x1, GetParam().X1);
    EXPECT_DOUBLE_EQ(y0, GetParam().Y0);
    EXPECT_DOUBLE_EQ(y1, GetParam().Y1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErrorRange,
    ::testing::Values(
        RangeCase{"Plain", [](Fixture&) {}, 1, 4, 10, 40},
        RangeCase{"AllFour",
                  [](Fixture& f) {
                      Fill(f.dxp, {0.5, 0.5, 0.5, 2});
                      Fill(f.dxm, {0.5, 0.5, 0.5, 0.5});
                      Fill(f.dyp, {1, 1, 1, 5});
                      Fill(f.dym, {3, 1, 1, 1});
                      f.s.SetDeltaXPlus(&f.dxp);
                      f.s.SetDeltaXMinus(&f.dxm);
                      f.s.SetDeltaYPlus(&f.dyp);
                      f.s.SetDeltaYMinus(&f.dym);
                  },
                  0.5, 6, 7, 45},
        // Extents shorter than the data cover only their points; negative extents count by
        // their size.
        RangeCase{"ShortAndNegative",
                  [](Fixture& f) {
                      Fill(f.dym, {-4});
                      Fill(f.dyp, {1, 1});
                      f.s.SetDeltaYMinus(&f.dym);
                      f.s.SetDeltaYPlus(&f.dyp);
                  },
                  1, 4, 6, 40},
        // Hidden bars: the plain range.
        RangeCase{"HiddenBars",
                  [](Fixture& f) {
                      Fill(f.dyp, {100, 100, 100, 100});
                      f.s.SetDeltaYPlus(&f.dyp);
                      f.s.ErrorIndicator()->SetVisible(false);
                  },
                  1, 4, 10, 40},
        // Log y axis: the minimum takes only positive bar ends.
        RangeCase{"LogAxis",
                  [](Fixture& f) {
                      f.y->SetScaling(TQvAxisScaling::Log);
                      Fill(f.dym, {20, 5, 1, 1});
                      f.s.SetDeltaYMinus(&f.dym);
                  },
                  1, 4, 10, 40},
        // An outlier of DeltaYPlus hides the whole point while outliers are hidden.
        RangeCase{"OutlierInExtent",
                  [](Fixture& f) {
                      Fill(f.dyp, {1, 1, 1, 1});
                      f.dyp.AddOutlier(3);
                      f.s.SetDeltaYPlus(&f.dyp);
                  },
                  1, 3, 10, 31}),
    [](const ::testing::TestParamInfo<RangeCase>& i) { return std::string(i.param.Name); });

TEST(ErrorSeries, OutlierInExtentHidesThePoint)
{
    Fixture f;
    Fill(f.dyp, {1, 1, 1, 1});
    f.dyp.AddOutlier(3);
    f.s.SetDeltaYPlus(&f.dyp);
    EXPECT_FALSE(f.s.HasValuesAt(3));
    EXPECT_TRUE(f.s.HasValuesAt(2));
    f.s.SetOutliersVisible(true);
    EXPECT_TRUE(f.s.HasValuesAt(3));
    double x0, x1, y0, y1;
    f.Range(x0, x1, y0, y1);
    EXPECT_DOUBLE_EQ(y1, 41);
    // Extents shorter than the index: no outlier test there.
    TQvDoubleVector shortv;
    Fill(shortv, {1});
    shortv.AddOutlier(0);
    f.s.SetOutliersVisible(false);
    f.s.SetDeltaXMinus(&shortv);
    EXPECT_FALSE(f.s.HasValuesAt(0));
    EXPECT_TRUE(f.s.HasValuesAt(1));
}

TEST(ErrorSeries, BarScreenCoordinatesPerPoint)
{
    Fixture f;
    Fill(f.dyp, {1, -2});
    Fill(f.dxm, {0.25, 0.25, 0.25, 0.25});
    f.s.SetDeltaYPlus(&f.dyp);
    f.s.SetDeltaXMinus(&f.dxm);
    f.Render();
    ASSERT_EQ(f.s.PointCount(), 4);
    const auto& yp = f.s.BarEnds(TQvPointWithErrorSeries::YPlus);
    const auto& xm = f.s.BarEnds(TQvPointWithErrorSeries::XMinus);
    ASSERT_EQ(yp.Count(), 4);
    EXPECT_FLOAT_EQ(yp.GetValue(0), f.y->NumberToWorld(11));
    EXPECT_FLOAT_EQ(yp.GetValue(1), f.y->NumberToWorld(22));   // |-2|
    EXPECT_TRUE(std::isnan(yp.GetValue(2)));
    EXPECT_TRUE(std::isnan(f.s.BarEnds(TQvPointWithErrorSeries::XPlus).GetValue(0)));
    EXPECT_FLOAT_EQ(xm.GetValue(3), f.x->NumberToWorld(3.75));
    // A transformation of the extents.
    f.s.SetDyPlusTransformation([](TQvSeries*, double v, int) { return v * 3; });
    f.Render();
    EXPECT_FLOAT_EQ(f.s.BarEnds(TQvPointWithErrorSeries::YPlus).GetValue(0), f.y->NumberToWorld(13));
    EXPECT_DOUBLE_EQ(f.s.YStop(), 40);
    EXPECT_DOUBLE_EQ(f.s.Extent(TQvPointWithErrorSeries::YPlus, 1), 6);
}

TEST(ErrorSeries, BarsDrawnUnderSymbolsWithCapsAndPenEvent)
{
    Fixture f;
    f.s.PointSymbol()->SetSize(9);
    f.s.Line()->SetVisible(false);
    f.s.ErrorIndicator()->SetColor(0xFFFF0000);
    f.s.ErrorIndicator()->SetWidth(1);
    Fill(f.dyp, {5, 5, 5, 5});
    f.s.SetDeltaYPlus(&f.dyp);
    QImage img = f.Render();
    const QPointF p(f.x->NumberToWorld(2), f.y->NumberToWorld(20));
    const int top = int(std::lround(f.y->NumberToWorld(25)));
    const int cx = int(std::floor(p.x()));
    auto red = [&](int X, int Y) {
        const QColor c = img.pixelColor(X, Y);
        return c.red() > 150 && c.green() < 120 && c.blue() < 120;
    };
    // The bar between symbol and end, the cap 4 pixels to each side; the symbol covers the centre.
    bool bar = false, cap = false;
    for (int dx = -1; dx <= 1; ++dx) {
        bar = bar || red(cx + dx, (top + int(p.y())) / 2);
        cap = cap || red(cx + dx + 3, top) || red(cx + dx + 3, top - 1) || red(cx + dx + 3, top + 1);
    }
    EXPECT_TRUE(bar);
    EXPECT_TRUE(cap);
    EXPECT_FALSE(red(int(std::lround(p.x())), int(std::lround(p.y()))));
    // The event hides the bars of point 1 and recolours the others.
    QObject::connect(&f.s, &TQvPointWithErrorSeries::OnGetIndicatorsPen,
                     [](TQvSeries*, int Index, double X, double, QPen& Pen, bool& Draw) {
                         Draw = Index != 1;
                         EXPECT_DOUBLE_EQ(X, Index + 1);
                         Pen.setColor(Qt::green);
                     });
    img = f.Render();
    bar = false;
    for (int dx = -1; dx <= 1; ++dx)
        {
            const QColor c = img.pixelColor(cx + dx, (top + int(p.y())) / 2);
            bar = bar || red(cx + dx, (top + int(p.y())) / 2) || (c.green() > 100 && c.red() < 100);
        }
    EXPECT_FALSE(bar);
}

TEST(ErrorSeries, UndoDescriptionsVisibilityAndItemHeight)
{
    Fixture f;
    TQvUndoStack stack;
    f.s.SetUndoStack(&stack);
    const char* expected[4] = {"Error bars X(+)-delta reference", "Error bars X(-)-delta reference",
                               "Error bars Y(+)-delta reference", "Error bars Y(-)-delta reference"};
    TQvDoubleVector* vs[4] = {&f.dxp, &f.dxm, &f.dyp, &f.dym};
    const int h0 = f.s.GetItemHeight();
    for (int d = 0; d < 4; ++d) {
        const int n = stack.UndoCount();
        f.s.SetDelta(TQvPointWithErrorSeries::TDirection(d), vs[d]);
        f.s.SetDelta(TQvPointWithErrorSeries::TDirection(d), vs[d]);
        EXPECT_EQ(stack.UndoCount(), n + 1);
        EXPECT_EQ(stack.UndoList().Get(0), QString::fromLatin1(expected[d]));
    }
    EXPECT_EQ(f.s.GetItemHeight(), h0 + 8);
    // Bars alone keep the series visible.
    f.s.PointSymbol()->SetVisible(false);
    f.s.Line()->SetVisible(false);
    EXPECT_TRUE(f.s.SeriesVisible());
    f.s.ErrorIndicator()->SetVisible(false);
    EXPECT_FALSE(f.s.SeriesVisible());
    // A destroyed extent vector is dropped.
    {
        TQvDoubleVector tmp;
        f.s.SetDeltaYMinus(&tmp);
    }
    EXPECT_EQ(f.s.DeltaYMinus(), nullptr);
    stack.Undo(0);
}

// Bars are clipped like the line: through a translucent symbol only the symbol's own fill shows,
// the same on the bar's pixel column as beside it.
TEST(ErrorSeries, BarsDoNotShowThroughTranslucentSymbols)
{
    Fixture f;
    f.s.Line()->SetVisible(false);
    f.s.PointSymbol()->SetPointSymbol(TQvPointSymbol::Square);
    f.s.PointSymbol()->SetSize(21);
    f.s.PointSymbol()->SetFillColor(0x600000FF);
    f.s.ErrorIndicator()->SetColor(0xFFFF0000);
    f.s.ErrorIndicator()->SetWidth(3);
    Fill(f.dyp, {8, 8, 8, 8});
    Fill(f.dym, {8, 8, 8, 8});
    Fill(f.dxp, {0.4, 0.4, 0.4, 0.4});
    f.s.SetDeltaYPlus(&f.dyp);
    f.s.SetDeltaYMinus(&f.dym);
    f.s.SetDeltaXPlus(&f.dxp);
    const QImage img = f.Render();
    // The first point sits on the Y axis line, which is drawn over it.
    for (int i = 1; i < 4; ++i) {
        SCOPED_TRACE(i);
        const int cx = int(std::lround(f.x->NumberToWorld(i + 1)));
        const int cy = int(std::lround(f.y->NumberToWorld(10 * (i + 1))));
        // Inside the symbol, off the centre: on the vertical bar, on the horizontal bar, and
        // on neither.
        const QColor Fill = img.pixelColor(cx - 5, cy + 5);
        EXPECT_EQ(img.pixelColor(cx, cy - 5), Fill);
        EXPECT_EQ(img.pixelColor(cx, cy + 5), Fill);
        EXPECT_EQ(img.pixelColor(cx + 5, cy), Fill);
        EXPECT_GT(Fill.blue(), Fill.red());
        // Beyond the symbol the bar is drawn.
        const QColor Bar = img.pixelColor(cx, cy - 15);
        EXPECT_GT(Bar.red(), 200);
        EXPECT_LT(Bar.blue(), 80);
    }
}

// The extent vectors and the bar style are part of the series' stored settings in every form.
TEST(ErrorSeries, ExtentVectorsAndIndicatorArePersisted)
{
    QObject Root;
    Root.setObjectName(QStringLiteral("ErrorForm"));
    QvRegisterRoot(&Root);
    auto* dxp = new TQvDoubleVector(&Root);
    dxp->setObjectName(QStringLiteral("Dxp"));
    auto* dym = new TQvDoubleVector(&Root);
    dym->setObjectName(QStringLiteral("Dym"));
    TQvPointWithErrorSeries Source(&Root), Target(&Root);
    Source.SetDeltaXPlus(dxp);
    Source.SetDeltaYMinus(dym);
    Source.ErrorIndicator()->SetColor(0xFF123456);
    Source.ErrorIndicator()->SetWidth(2.5);
    Source.ErrorIndicator()->SetDashStyle(TDashStyle::DashStyleDash);
    Source.ErrorIndicator()->SetVisible(false);

    const QVariantMap M = Source.WriteProperties();
    EXPECT_EQ(M.value(QStringLiteral("DeltaXPlus")).toString(), QStringLiteral("ErrorForm.Dxp"));
    EXPECT_EQ(M.value(QStringLiteral("DeltaYPlus")).toString(), QString());

    auto Check = [&](const char* Form) {
        SCOPED_TRACE(Form);
        EXPECT_EQ(Target.DeltaXPlus(), dxp);
        EXPECT_EQ(Target.DeltaXMinus(), nullptr);
        EXPECT_EQ(Target.DeltaYPlus(), nullptr);
        EXPECT_EQ(Target.DeltaYMinus(), dym);
        EXPECT_EQ(Target.ErrorIndicator()->Color(), 0xFF123456u);
        EXPECT_FLOAT_EQ(Target.ErrorIndicator()->Width(), 2.5f);
        EXPECT_EQ(Target.ErrorIndicator()->DashStyle(), TDashStyle::DashStyleDash);
        EXPECT_FALSE(Target.ErrorIndicator()->Visible());
    };
    auto Reset = [&] {
        Target.SetDeltaXPlus(nullptr);
        Target.SetDeltaYMinus(dxp);
        Target.ErrorIndicator()->SetColor(0xFF000000);
        Target.ErrorIndicator()->SetVisible(true);
    };
    {
        QBuffer B;
        B.open(QIODevice::ReadWrite);
        Source.WriteTo(B);
        B.seek(0);
        Target.ReadFrom(B);
        Check("stream");
    }
    Reset();
    {
        QByteArray Bytes;
        QXmlStreamWriter W(&Bytes);
        Source.WriteTo(W);
        QXmlStreamReader R(Bytes);
        Target.ReadFrom(R);
        Check("xml");
    }
    Reset();
    {
        QTemporaryDir Dir;
        QSettings Ini(Dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        Source.WriteTo(Ini, QStringLiteral("Series"));
        Target.ReadFrom(Ini, QStringLiteral("Series"));
        Check("ini");
    }
}
