// The layout pass: stacking of axes per side, margins, overhangs, the drawing area, the minimum
// scale length, the axes crossing at the origin, legends and coupled graphs' extent.
#include "QvAxis.h"
#include "QvAxisLayout.h"
#include "QvFormat.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvVectors.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Graph
{
    TQvGraph2D G;
    TQvAxis* X;
    TQvAxis* Y;
    Graph(int W = 600, int H = 400)
    {
        QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
        G.resize(W, H);
        X = new TQvAxis(&G);
        Y = new TQvAxis(&G);
        Y->SetPosition(TQvAxisPosition::Left);
        G.SetPrimaryXAxis(X);
        G.SetPrimaryYAxis(Y);
    }
    ~Graph() { QvSetFormatSeparators(QChar(), QChar()); }
    TQvAxis* Add(TQvAxisPosition P)
    {
        auto* A = new TQvAxis(&G);
        A->SetPosition(P);
        return A;
    }
    void Layout() { QvLayoutAxes(G, X); }
    QRectF Area() const { return G.DrawingArea(); }
};

// Graph coordinate of an axis line.
float LineOf(const TQvAxis* A)
{
    return A->Horizontal() ? A->Top() + A->AxTop() : A->Left() + A->AxLeft();
}

} // namespace

TEST(Layout, DrawingAreaOnePixelLargerThanScales)
{
    Graph T;
    T.X->SetCaption(QStringLiteral("Time / s"));
    T.Y->SetCaption(QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"));
    T.Layout();
    const QRectF A = T.Area();
    // The left column lies on the Left axis' line, the bottom row on the Bottom axis' line.
    EXPECT_FLOAT_EQ(A.left(), LineOf(T.Y));
    EXPECT_FLOAT_EQ(A.top() + A.height() - 1, LineOf(T.X));
    EXPECT_FLOAT_EQ(A.width(), T.X->AxLength() + 1);
    EXPECT_FLOAT_EQ(A.height(), T.Y->AxLength() + 1);
    // Scale ends on the area's edges: X start left, Y start bottom (not twisted).
    EXPECT_FLOAT_EQ(T.X->NumberToWorld(T.X->Start()), A.left());
    EXPECT_FLOAT_EQ(T.X->NumberToWorld(T.X->Stop()), A.left() + A.width() - 1);
    EXPECT_FLOAT_EQ(T.Y->NumberToWorld(T.Y->Start()), A.top() + A.height() - 1);
    EXPECT_FLOAT_EQ(T.Y->NumberToWorld(T.Y->Stop()), A.top());
    // The axes fill their sides: labels and caption fit inside the margins.
    EXPECT_GT(A.left(), T.Y->MaxNumberLabelWidth() + T.Y->MajorTickLength());
    EXPECT_EQ(T.X->Bounds().bottom(), 399);
    EXPECT_EQ(T.Y->Left(), 0);
    // The first X label (centred on the area's left edge) stays inside the graph.
    ASSERT_FALSE(T.X->Labels().empty());
    EXPECT_GE(T.X->Labels().front().At.x() - T.X->Labels().front().Extent.width() / 2, 0);
    // The tick pixels are those of the transform.
    ASSERT_FALSE(T.X->Ticks().isEmpty());
    EXPECT_FLOAT_EQ(T.X->Ticks().front(), A.left());
}

TEST(Layout, DistanceValuesAxisMovesAreaOffTheLine)
{
    Graph T;
    T.Y->SetDistanceValuesAxis(5);
    T.X->SetDistanceValuesAxis(3);
    T.Layout();
    EXPECT_FLOAT_EQ(T.Area().left(), LineOf(T.Y) + 5);
    EXPECT_FLOAT_EQ(T.Area().top() + T.Area().height() - 1, LineOf(T.X) - 3);
}

TEST(Layout, TwoRightAxesAndAnInvisibleThird)
{
    Graph Two;
    TQvAxis* R1 = Two.Add(TQvAxisPosition::Right);
    TQvAxis* R2 = Two.Add(TQvAxisPosition::Right);
    R1->SetCaption(QStringLiteral("Current / A"));
    R2->SetCaption(QStringLiteral("Voltage / V"));
    Two.Layout();
    // The first child lies nearest the data, the second at the graph's right border.
    EXPECT_LT(R1->Left(), R2->Left());
    EXPECT_EQ(R1->Left() + R1->Width(), R2->Left());
    EXPECT_EQ(R2->Left() + R2->Width(), 600);
    EXPECT_FLOAT_EQ(Two.Area().left() + Two.Area().width() - 1, LineOf(R1));

    Graph Three;
    TQvAxis* S1 = Three.Add(TQvAxisPosition::Right);
    TQvAxis* S2 = Three.Add(TQvAxisPosition::Right);
    TQvAxis* S3 = Three.Add(TQvAxisPosition::Right);
    S1->SetCaption(QStringLiteral("Current / A"));
    S2->SetCaption(QStringLiteral("Voltage / V"));
    S3->SetCaption(QStringLiteral("Hidden"));
    S3->SetVisible(false);
    Three.Layout();
    EXPECT_EQ(Three.Area(), Two.Area());
    EXPECT_EQ(S2->Left(), R2->Left());
}

TEST(Layout, MinimumScaleOf40Pixels)
{
    for (auto [W, H] : {std::pair{60, 50}, {10, 10}, {0, 0}}) {
        Graph T(W, H);
        T.Add(TQvAxisPosition::Right)->SetCaption(QStringLiteral("Right"));
        T.Add(TQvAxisPosition::Top);
        T.Layout();
        for (TQvAxis* A : T.G.AxisChildren()) {
            EXPECT_GE(A->AxLength(), 40) << W << "x" << H;
            EXPECT_GE(A->Ticks().size(), 2) << W << "x" << H;
        }
    }
}

TEST(Layout, ZeroOriginCrossing)
{
    Graph T;
    T.X->SetEndRounding(TQvAxisEndRounding::RndNothing);
    T.Y->SetEndRounding(TQvAxisEndRounding::RndNothing);
    T.X->SetStartStop(-5, 5);
    T.Y->SetStartStop(-10, 10);
    T.X->SetCaption(QStringLiteral("Distance, mm"));
    T.Y->SetCaption(QStringLiteral("Force, N"));
    T.G.SetZeroOrigin(true);
    T.Layout();
    const float X0 = T.X->NumberToWorld(0);
    const float Y0 = T.Y->NumberToWorld(0);
    EXPECT_NEAR(LineOf(T.Y), X0, 0.5);
    EXPECT_NEAR(LineOf(T.X), Y0, 0.5);
    // The crossing carries no tick or label on either axis.
    for (float P : T.Y->Ticks())
        EXPECT_GT(std::fabs(P - Y0), 0.1f);
    for (float P : T.X->Ticks())
        EXPECT_GT(std::fabs(P - X0), 0.1f);
    for (const auto& L : T.X->Labels())
        EXPECT_NE(L.Text, QStringLiteral("0"));
    for (const auto& L : T.Y->Labels())
        EXPECT_NE(L.Text, QStringLiteral("0"));
    EXPECT_FALSE(T.X->Labels().empty());
    // Centred captions would lie across the other axis' line: they go to a scale end, clear of it.
    const TQvAxisTextRec& XC = T.X->CaptionRec();
    const TQvAxisTextRec& YC = T.Y->CaptionRec();
    EXPECT_GT(std::fabs(T.X->Left() + XC.At.x() - X0), XC.Extent.width());
    EXPECT_GT(std::fabs(T.Y->Top() + YC.At.y() - Y0), YC.Extent.height());
    // Without the crossing the axes take their room at the sides again.
    T.G.SetZeroOrigin(false);
    T.Layout();
    EXPECT_FLOAT_EQ(T.Area().left(), LineOf(T.Y));
}

TEST(Layout, TitleTakesRoomAtTheTop)
{
    Graph T;
    T.Layout();
    const double TopWithout = T.Area().top();
    T.G.SetCaption(QStringLiteral("Step 3"));
    T.G.SetCaptionVisible(true);
    T.G.SetCaptionDistanceBefore(4);
    T.G.Calculate();
    EXPECT_GT(T.Area().top(), TopWithout);
    EXPECT_GE(T.Area().top(), T.G.TitleSize().height() + 4);
    EXPECT_DOUBLE_EQ(T.G.TitleAnchor().y(), 4);
    EXPECT_DOUBLE_EQ(T.G.TitleAnchor().x(), 300);
}

namespace {
class DockedLegend : public TQvGraphLegendBase
{
public:
    TQvLegendPosition Pos;
    DockedLegend(TQvGraph2D* G, TQvLegendPosition P) : TQvGraphLegendBase(G), Pos(P)
    {
        SetGraph(G);
    }
    TQvLegendPosition DockPosition() const override { return Pos; }
    void PreparePaint() override { SetBounds(QRect(0, 0, 80, 30)); }
};
} // namespace

TEST(Layout, LegendsDockAgainstTheirSide)
{
    Graph T;
    T.Layout();
    const QRectF Before = T.Area();
    DockedLegend Right(&T.G, TQvLegendPosition::RightTopOfAxis);
    DockedLegend Bottom(&T.G, TQvLegendPosition::BottomCenterOfGraph);
    T.Layout();
    EXPECT_EQ(Right.Bounds().right(), 599);
    EXPECT_EQ(Right.Bounds().top(), int(T.Area().top()));
    EXPECT_EQ(Bottom.Bounds().bottom(), 399);
    EXPECT_EQ(Bottom.Bounds().left(), (600 - 80) / 2);
    EXPECT_LE(T.Area().right(), Before.right() - 80 + 1);
    EXPECT_LE(T.Area().bottom(), Before.bottom() - 30 + 1);
}

TEST(Layout, AxesPaintWithoutLayoutFlagLeftOver)
{
    Graph T;
    T.X->ArrowPoint()->SetVisible(true);
    T.Layout();
    // The arrow takes 3 x 7 pixels beyond the X scale's end.
    EXPECT_GE(600 - (T.Area().left() + T.Area().width() - 1), 21);
    QImage Img(600, 400, QImage::Format_ARGB32_Premultiplied);
    Img.fill(Qt::white);
    QPainter P(&Img);
    T.G.PaintGr(P);
    P.end();
    for (TQvAxis* A : T.G.AxisChildren())
        EXPECT_FALSE(A->NeedsRecalculate());
    // The X axis line is drawn in black on the bottom row of the drawing area.
    const int Row = int(LineOf(T.X));
    EXPECT_EQ(QColor(Img.pixel(300, Row)), QColor(Qt::black));
    EXPECT_EQ(QColor(Img.pixel(int(LineOf(T.Y)), 200)), QColor(Qt::black));
}

TEST(Layout, CommonHorizontalExtent)
{
    Graph T;
    T.Layout();
    const QRectF A = T.Area();
    const int YLeft = T.Y->Left();
    QvApplyHorizontalExtent(T.G, A.left() + 10, A.left() + A.width() - 1 - 20);
    EXPECT_DOUBLE_EQ(T.Area().left(), A.left() + 10);
    EXPECT_DOUBLE_EQ(T.Area().width(), A.width() - 30);
    EXPECT_FLOAT_EQ(T.X->AxLength() + 1, T.Area().width());
    EXPECT_EQ(T.Y->Left(), YLeft + 10);
    EXPECT_FLOAT_EQ(LineOf(T.Y), T.Area().left());
    EXPECT_FLOAT_EQ(T.X->Ticks().front(), T.Area().left());
}

// The common exponent never lies over a label, however close the last two labels stand, and the
// axis is thick enough to hold it.
TEST(Layout, CommonExponentClearOfTheLabels)
{
    auto LabelRect = [](const TQvAxisTextRec& R) {
        return QRectF(R.At.x() - R.Extent.width() / 2, R.At.y() - R.Extent.height() / 2, R.Extent.width(),
                      R.Extent.height());
    };
    int Checked = 0;
    for (int W : {260, 420, 640, 900, 1300}) {
        Graph T(W, 400);
        T.X->SetEndRounding(TQvAxisEndRounding::RndNothing);
        T.X->SetStartStop(1.05e5, 5.0e5);
        T.Y->SetStartStop(2.3e-4, 9.5e-4);
        T.Layout();
        for (TQvAxis* A : {T.X, T.Y}) {
            if (!A->HasExtraExponent())
                continue;   // coarse steps may label without it
            ++Checked;
            const TQvAxisTextRec& E = A->ExtraExponentRec();
            const QRectF ER = A->Horizontal()
                                  ? QRectF(E.At.x() - E.Size.width() / 2, E.At.y(), E.Size.width(), E.Size.height())
                                  : QRectF(E.At.x() - E.Size.width(), E.At.y() - E.Size.height() / 2, E.Size.width(),
                                           E.Size.height());
            for (const TQvAxisTextRec& L : A->Labels())
                EXPECT_FALSE(ER.intersects(LabelRect(L))) << W << " label " << L.Text.toStdString();
        }
        // The X axis holds the exponent: the graph leaves room below for it.
        const TQvAxisTextRec& E = T.X->ExtraExponentRec();
        if (T.X->HasExtraExponent()) {
            EXPECT_LE(T.X->Top() + E.At.y() + E.Size.height(), 400 + 0.5) << W;
        }
    }
    EXPECT_GE(Checked, 4);
}

// A bottom axis whose common exponent stays between the labels is as thick as its labels (or the
// exponent where that is taller) need: no room is kept for an exponent beyond the labels.
TEST(Layout, ExponentInPlaceKeepsNoRoomBeyondTheLabels)
{
    Graph T(1300, 400);
    T.X->SetEndRounding(TQvAxisEndRounding::RndNothing);
    T.X->SetStartStop(1.05e5, 5.0e5);
    T.Layout();
    ASSERT_TRUE(T.X->HasExtraExponent());
    ASSERT_FALSE(T.X->ExtraExponentBeyondLabels());
    const TQvAxis* X = T.X;
    const double Labels = std::ceil(X->AxisThicknes() / 2) + X->DistanceToBorder() + X->MajorTickLength()
                          + X->DistanceAxisLabels() + X->MaxNumberLabelHeight();
    const double Exponent = X->DistanceAxisExtraExponent() + X->MajorTickLength()
                            + X->ExtraExponentRec().Size.height() + X->AxisThicknes();
    EXPECT_EQ(X->Bounds().height(), int(std::ceil(std::max(Labels, Exponent))));
}

// The common exponent moved beyond the labels never overlaps a label or the caption, whatever the
// caption's alignment, and the axis holds all three.
TEST(Layout, ExponentBeyondTheLabelsClearOfCaptionAndLabels)
{
    auto Box = [](const TQvAxisTextRec& R, const QSizeF& S) {
        const int A = int(R.Align);
        const double Dx = A % 3 == 0 ? 0 : A % 3 == 1 ? -S.width() / 2 : -S.width();
        const double Dy = A / 3 == 0 ? 0 : A / 3 == 1 ? -S.height() / 2 : -S.height();
        return QRectF(R.At.x() + Dx, R.At.y() + Dy, S.width(), S.height());
    };
    int Beyond = 0;
    for (TQvCaptionAlignment Align : {TQvCaptionAlignment::Right, TQvCaptionAlignment::Center, TQvCaptionAlignment::Left})
        for (int W : {260, 300, 340, 420, 640}) {
            SCOPED_TRACE(testing::Message() << "width " << W << ", alignment " << int(Align));
            Graph T(W, 400);
            T.X->SetEndRounding(TQvAxisEndRounding::RndNothing);
            T.X->SetStartStop(1.05e5, 5.0e5);
            T.X->SetCaption(QStringLiteral("passed, C"));
            T.X->SetCaptionAlignment(Align);
            T.Layout();
            if (!T.X->HasExtraExponent() || !T.X->ExtraExponentBeyondLabels())
                continue;
            ++Beyond;
            const QRectF E = Box(T.X->ExtraExponentRec(), T.X->ExtraExponentRec().Size);
            const QRectF C = Box(T.X->CaptionRec(), T.X->CaptionRec().Size);
            EXPECT_FALSE(E.intersects(C));
            for (const TQvAxisTextRec& L : T.X->Labels())
                EXPECT_FALSE(E.intersects(Box(L, L.Extent))) << L.Text.toStdString();
            EXPECT_LE(C.bottom(), T.X->Bounds().height() + 0.5);
            EXPECT_LE(E.bottom(), T.X->Bounds().height() + 0.5);
            EXPECT_EQ(T.X->Bounds().bottom(), 399);
        }
    EXPECT_GE(Beyond, 3);
}

// Invisible axes take no room across, but what must stay free beyond their scale ends (here the
// symbols of a series on an invisible X axis) is kept clear of the graph's edges.
TEST(Layout, InvisibleAxesOverhangCounts)
{
    Graph T(600, 400);
    TQvDoubleVector Xs, Ys;
    Xs.AddRange({0.0L, 5.0L, 10.0L});
    Ys.AddRange({0.0L, 5.0L, 10.0L});
    TQvPointSeries S;
    S.PointSymbol()->SetSize(41);
    S.SetXAxis(T.X);
    S.SetYAxis(T.Y);
    S.SetXData(&Xs);
    S.SetYData(&Ys);
    T.X->SetVisible(false);
    T.G.Calculate();
    T.Layout();
    const double Room = S.ExtraSpaceAt(TQvBorder::Right);
    ASSERT_GT(Room, 20);
    const QRectF A = T.Area();
    EXPECT_GE(600 - (A.left() + A.width()), Room - 1);
    EXPECT_GE(400 - (A.top() + A.height()), Room - 1);
    S.SetYAxis(nullptr);
}
