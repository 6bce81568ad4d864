// TQvAxis on a graph: automatic range from series, end modes, zoom history, clipping, slave
// axes and the undo groups of the end modes.
#include "QvAxis.h"
#include "QvAxisLayout.h"
#include "QvFont.h"
#include "QvFormat.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "QvZoom.h"
#include "TestGraph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <functional>

#include <memory>

namespace {

struct Fixture
{
    TQvGraph2D Graph;
    TQvAxis* X;
    TQvAxis* Y;
    std::unique_ptr<TQvDoubleVector> XV{new TQvDoubleVector};
    std::unique_ptr<TQvDoubleVector> YV{new TQvDoubleVector};
    std::unique_ptr<TQvPointSeries> Series{new TQvPointSeries};

    Fixture()
    {
        QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
        Graph.resize(600, 400);
        AddPrimaryAxes(Graph, X, Y);
    }
    ~Fixture()
    {
        Series.reset();
        QvSetFormatSeparators(QChar(), QChar());
    }

    void Bind(std::initializer_list<double> Xs, std::initializer_list<double> Ys)
    {
        for (double V : Xs)
            XV->Add(V);
        for (double V : Ys)
            YV->Add(V);
        Series->SetXData(XV.get());
        Series->SetYData(YV.get());
        Series->SetXAxis(X);
        Series->SetYAxis(Y);
    }

    // What a paint does before drawing: poll ranges, then lay out.
    void Update()
    {
        Graph.PollUpdates();
        Graph.Calculate();
    }
};

} // namespace

TEST(Axis, DefaultsOfProperties)
{
    TQvAxis A;
    EXPECT_EQ(A.Position(), TQvAxisPosition::Bottom);
    EXPECT_EQ(A.Scaling(), TQvAxisScaling::Normal);
    EXPECT_EQ(A.Start(), 0);
    EXPECT_EQ(A.Stop(), 10);
    EXPECT_EQ(A.MajorTickLength(), 10);
    EXPECT_EQ(A.TickLength(), 6);
    EXPECT_EQ(A.DistanceAxisExtraExponent(), 10);
    EXPECT_EQ(A.MaxForExtraExponent(), 1000);
    EXPECT_EQ(A.MinForExtraExponent(), 0.001);
    EXPECT_EQ(A.CaptionColor(), 0xFF8B0000u);
    EXPECT_EQ(A.NumbersColor(), 0xFF00008Bu);
    EXPECT_EQ(A.Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(A.Font()->Size(), 12);
    EXPECT_EQ(A.CaptionFont()->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(A.CaptionFont()->Size(), 14);
    EXPECT_FALSE(A.ArrowPoint()->Visible());
    EXPECT_EQ(A.ArrowPoint()->PointLength(), 7);
    EXPECT_EQ(A.ArrowPoint()->InnerLength(), 5);
    EXPECT_EQ(A.ArrowPoint()->PointHeight(), 3);
    // Tiny arrow lengths are stored as 0.00001.
    A.ArrowPoint()->SetPointLength(0);
    EXPECT_FLOAT_EQ(A.ArrowPoint()->PointLength(), 0.00001f);
    // The distances share two storage fields depending on the side.
    A.SetDistanceNumbersCaption(4);
    EXPECT_EQ(A.CaptionDistanceBefore(), 4);
    A.SetPosition(TQvAxisPosition::Left);
    EXPECT_EQ(A.DistanceToBorder(), 4);
    // Calculate without a graph does nothing (and does not crash).
    A.Calculate();
}

TEST(Axis, ZoomHistoryInInBackIn)
{
    TQvAxis A;
    A.SetStartStop(0, 100);
    A.ZoomIn(10, 90);
    A.ZoomIn(20, 80);
    EXPECT_EQ(A.ZoomBufferSize(), 3);
    EXPECT_EQ(A.ZoomStage(), 2);
    A.ZoomBack();
    EXPECT_EQ(A.ZoomStage(), 1);
    EXPECT_EQ(A.Start(), 10);
    EXPECT_EQ(A.Stop(), 90);
    A.ZoomIn(30, 40);
    ASSERT_EQ(A.ZoomBufferSize(), 3);
    EXPECT_EQ(A.ZoomStage(), 2);
    // Stage 2 is the new range in both histories; the old one is gone.
    A.ZoomToStage(2);
    EXPECT_EQ(A.Start(), 30);
    EXPECT_EQ(A.Stop(), 40);
    A.ZoomToStage(0);
    EXPECT_EQ(A.Start(), 0);
    EXPECT_EQ(A.Stop(), 100);
    EXPECT_EQ(A.ScrollStart(), 0);
    EXPECT_EQ(A.ScrollStop(), 100);
    // Back from stage 0 wraps to the newest stage; redo past the newest wraps to 0.
    A.ZoomBack();
    EXPECT_EQ(A.ZoomStage(), 2);
    A.RedoZoom();
    EXPECT_EQ(A.ZoomStage(), 0);
    A.ZoomToStage(7); // out of range: ignored
    EXPECT_EQ(A.ZoomStage(), 0);
    A.ZoomClearBuffer();
    EXPECT_FALSE(A.CanZoomBack());
    EXPECT_EQ(A.ScrollStart(), A.Start());
}

TEST(Axis, AutomaticRangeFromSeries)
{
    Fixture F;
    F.Bind({0.00012, 0.0003, 0.00047}, {5, 5, 5});
    F.Update();
    EXPECT_DOUBLE_EQ(F.X->ValuesStart(), 0.00012);
    EXPECT_DOUBLE_EQ(F.X->ValuesStop(), 0.00047);
    EXPECT_DOUBLE_EQ(F.X->Start(), 0.0001);
    EXPECT_DOUBLE_EQ(F.X->Stop(), 0.0005);
    EXPECT_TRUE(F.X->HasExtraExponent());
    EXPECT_EQ(F.X->ExtraExponentRec().Text, QStringLiteral("·10\\+-4"));
    // A constant 5 widens to 4 … 6 before rounding.
    EXPECT_LE(F.Y->Start(), 4);
    EXPECT_GE(F.Y->Stop(), 6);
    EXPECT_LT(F.Y->Stop() - F.Y->Start(), 4);
    EXPECT_FALSE(F.Y->HasExtraExponent());
}

TEST(Axis, LogAxisSkipsNonPositiveData)
{
    Fixture F;
    F.X->SetScaling(TQvAxisScaling::Log);
    F.Bind({-1, 0, 10, 100}, {1, 2, 3, 4});
    F.Update();
    EXPECT_TRUE(F.X->HasLogScaling());
    EXPECT_DOUBLE_EQ(F.X->Start(), 10);
    EXPECT_DOUBLE_EQ(F.X->Stop(), 100);
    // A non-positive value lies 100 pixels before the scale start.
    EXPECT_FLOAT_EQ(F.X->NumberToWorld(-1), F.X->NumberToWorld(10) - 100);
}

TEST(Axis, EndModes)
{
    struct Case
    {
        TQvAxisEnd StartEnd, StopEnd;
        double WantStart, WantStop;
    };
    // Data 2 … 25; the properties say 5 … 12; ends are not rounded.
    const Case Cases[] = {
        {TQvAxisEnd::AutoRange, TQvAxisEnd::AutoRange, 2, 25},
        {TQvAxisEnd::Fixed, TQvAxisEnd::Fixed, 5, 12},
        {TQvAxisEnd::FirstSet, TQvAxisEnd::FirstSet, 2, 25},
        {TQvAxisEnd::Fixed, TQvAxisEnd::AutoRange, 5, 25},
        // Slit 7 (initial width) advanced by 7/3 until it covers 25: stop 12 + 6 x 7/3 = 26.
        {TQvAxisEnd::Fixed, TQvAxisEnd::MovingSlit, 19, 26},
    };
    for (const Case& C : Cases) {
        Fixture F;
        F.Y->SetEndRounding(TQvAxisEndRounding::RndNothing);
        F.Y->SetStart(5);
        F.Y->SetStop(12);
        F.Y->SetStartEnd(C.StartEnd);
        F.Y->SetStopEnd(C.StopEnd);
        F.Bind({0, 1, 2}, {2, 25, 10});
        F.Update();
        EXPECT_NEAR(F.Y->Start(), C.WantStart, 1e-9) << int(C.StartEnd) << " " << int(C.StopEnd);
        EXPECT_NEAR(F.Y->Stop(), C.WantStop, 1e-9) << int(C.StartEnd) << " " << int(C.StopEnd);
    }
}

TEST(Axis, StartEndCannotBeMovingSlit)
{
    TQvAxis A;
    A.SetStartEnd(TQvAxisEnd::MovingSlit);
    EXPECT_EQ(A.StartEnd(), TQvAxisEnd::Fixed);
    A.SetStopEnd(TQvAxisEnd::MovingSlit);
    EXPECT_EQ(A.StopEnd(), TQvAxisEnd::MovingSlit);
}

TEST(Axis, ClippedWhenZoomedAndResetByRangeModified)
{
    Fixture F;
    F.Bind({0, 5, 10}, {0, 1, 2});
    F.Update();
    EXPECT_FALSE(F.X->IsClipped());
    F.X->ZoomIn(2, 4);
    F.Update();
    EXPECT_TRUE(F.X->IsClipped());
    EXPECT_TRUE(F.Graph.WantsHScrollBar());
    EXPECT_FALSE(F.Graph.WantsVScrollBar());
    // The zoomed range keeps its value over a resize.
    F.Graph.resize(700, 400);
    F.Update();
    EXPECT_NEAR(F.X->Start(), 2, 1e-9);
    EXPECT_NEAR(F.X->Stop(), 4, 1e-9);
    F.X->RangeModified();
    EXPECT_FALSE(F.X->CanZoomBack());
    F.Update();
    EXPECT_FALSE(F.X->IsClipped());
    EXPECT_DOUBLE_EQ(F.X->Start(), 0);
    EXPECT_DOUBLE_EQ(F.X->Stop(), 10);
}

TEST(Axis, SlaveAxisFollowsMaster)
{
    Fixture F;
    auto* R = new TQvAxis(&F.Graph);
    R->SetPosition(TQvAxisPosition::Right);
    R->SetIsSlaveAxis(true);
    R->SetMasterAxis(F.Y);
    R->SetSlaveSlope(2);
    R->SetSlaveOffset(1);
    F.Bind({0, 1}, {0, 10});
    F.Update();
    EXPECT_DOUBLE_EQ(R->Start(), 1 + 2 * F.Y->Start());
    EXPECT_DOUBLE_EQ(R->Stop(), 1 + 2 * F.Y->Stop());
    // The same value maps to the same pixel through master and slave.
    EXPECT_NEAR(R->NumberToWorld(1 + 2 * 3.0), F.Y->NumberToWorld(3.0), 1e-3);
    // A master chain back to the axis itself is refused.
    F.Y->SetMasterAxis(R);
    EXPECT_EQ(F.Y->MasterAxis(), nullptr);
}

TEST(Axis, EndModeChangesAreOneUndoGroup)
{
    Fixture F;
    TQvUndoStack Stack;
    F.Graph.SetUndoStack(&Stack);
    F.Y->SetStart(3);
    F.Y->SetStop(7);
    ASSERT_EQ(Stack.UndoCount(), 2);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Axis range stop"));
    F.Y->SetStartEnd(TQvAxisEnd::Fixed);
    EXPECT_EQ(Stack.UndoCount(), 3);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Auto ranging mode of axis start"));
    F.Y->SetStopEnd(TQvAxisEnd::Fixed);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Auto ranging mode of axis stop"));
    Stack.Undo();
    EXPECT_EQ(F.Y->StopEnd(), TQvAxisEnd::AutoRange);
    Stack.Undo();
    EXPECT_EQ(F.Y->StartEnd(), TQvAxisEnd::AutoRange);
    // Unchanged values push nothing.
    const int N = Stack.UndoCount();
    F.Y->SetVisible(true);
    EXPECT_EQ(Stack.UndoCount(), N);
    F.Y->SetVisible(false);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Axis visible"));
}

// A moving slit also switches mouse zooming off and hides the axis' scroll bar; all of it is one
// undo step, and one Undo brings back every part.
TEST(Axis, MovingSlitIsOneUndoStep)
{
    for (bool horizontal : {true, false}) {
        SCOPED_TRACE(horizontal);
        Fixture F;
        F.Bind({1, 2, 3}, {4, 5, 6});
        TQvUndoStack Stack;
        F.Graph.SetUndoStack(&Stack);
        TQvAxis* A = horizontal ? F.X : F.Y;
        TQvZoomSettings* Z = F.Graph.Zoom();
        const bool barBefore = horizontal ? Z->HScrollbarVisible() : Z->VScrollbarVisible();
        ASSERT_TRUE(Z->Auto());
        ASSERT_TRUE(barBefore);
        const int before = Stack.UndoCount();
        A->SetStopEnd(TQvAxisEnd::MovingSlit);
        EXPECT_FALSE(Z->Auto());
        EXPECT_FALSE(horizontal ? Z->HScrollbarVisible() : Z->VScrollbarVisible());
        ASSERT_EQ(Stack.UndoCount(), before + 1);
        EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Auto ranging mode of axis stop"));
        Stack.Undo();
        EXPECT_EQ(A->StopEnd(), TQvAxisEnd::AutoRange);
        EXPECT_EQ(A->StartEnd(), TQvAxisEnd::AutoRange);
        EXPECT_TRUE(Z->Auto());
        EXPECT_EQ(horizontal ? Z->HScrollbarVisible() : Z->VScrollbarVisible(), barBefore);
        EXPECT_EQ(Stack.UndoCount(), before);
        Stack.Redo();
        EXPECT_EQ(A->StopEnd(), TQvAxisEnd::MovingSlit);
        EXPECT_FALSE(Z->Auto());
    }
}

TEST(Axis, LabelHandlerRewritesLabels)
{
    Fixture F;
    QObject::connect(F.X, &TQvAxis::OnGetScaleLabel, [](TQvAxis*, TQvScaleLabelArgs& Args) {
        Args.Caption = QStringLiteral("<") + Args.Caption + QStringLiteral(">");
    });
    F.Update();
    ASSERT_FALSE(F.X->Labels().empty());
    for (const auto& L : F.X->Labels())
        EXPECT_TRUE(L.Text.startsWith(QLatin1Char('<')));
}

TEST(Axis, LogLabelsAndTwistedScaleOnTheDrawingArea)
{
    Fixture F;
    F.X->SetScaling(TQvAxisScaling::Log);
    F.X->SetTwisted(true);
    F.Bind({1.5, 20, 800}, {0, 1, 2});
    F.Update();
    EXPECT_DOUBLE_EQ(F.X->Start(), 1);
    EXPECT_DOUBLE_EQ(F.X->Stop(), 1000);
    QStringList Texts;
    for (const auto& L : F.X->Labels())
        Texts << L.Text;
    EXPECT_EQ(Texts, (QStringList{"1", "10", "100", "1000"}));
    // Twisted: the start at the right edge of the drawing area, the stop at its left edge.
    const QRectF A = F.Graph.DrawingArea();
    EXPECT_FLOAT_EQ(F.X->NumberToWorld(1), A.left() + A.width() - 1);
    EXPECT_FLOAT_EQ(F.X->NumberToWorld(1000), A.left());
    EXPECT_NEAR(F.X->WorldToNumber(A.left() + (A.width() - 1) / 3), 100, 1e-6);
}

TEST(Axis, ResizeRoundsTheAutomaticRangeAfresh)
{
    Fixture F;
    F.Bind({0.013, 0.5, 0.971}, {0, 1, 2});
    F.Update();
    const double Start = F.X->Start();
    const double Stop = F.X->Stop();
    F.Graph.resize(120, 400);
    F.Update();
    F.Graph.resize(600, 400);
    F.Update();
    // Back at the old size, the same range: resizes do not ratchet the range outward.
    EXPECT_DOUBLE_EQ(F.X->Start(), Start);
    EXPECT_DOUBLE_EQ(F.X->Stop(), Stop);
    EXPECT_LE(F.X->Start(), 0.013);
    EXPECT_GE(F.X->Stop(), 0.971);
}

TEST(Axis, NoSeriesKeepsThePropertyRange)
{
    Fixture F;
    F.Y->SetEndRounding(TQvAxisEndRounding::RndNothing);
    F.Y->SetStart(-3);
    F.Y->SetStop(7);
    F.Y->RangeModified();
    EXPECT_FALSE(F.Y->RedoRangePending());
    F.Update();
    EXPECT_EQ(F.Y->Start(), -3);
    EXPECT_EQ(F.Y->Stop(), 7);
    EXPECT_FALSE(F.Y->IsClipped());
}

// Plain labels go through a cached fast path where it gives the same pixels; a label looks the
// same as the caption drawing draws it, with the label font's draw effects, gradient and
// rendering hint, and in the numbers colour.
TEST(Axis, LabelsLookLikeCaptionsWhateverThePath)
{
    struct Case
    {
        const char* Name;
        std::function<void(TQvAxis&)> Style;
    };
    const Case Cases[] = {
        {"plain", [](TQvAxis&) {}},
        {"numbers colour", [](TQvAxis& A) { A.SetNumbersColor(0xFF0060C0); }},
        {"larger", [](TQvAxis& A) { A.Font()->SetSize(15); }},
        {"bold", [](TQvAxis& A) { A.Font()->SetStyle(QvFontStyle::Bold); }},
        {"shadow", [](TQvAxis& A) { A.Font()->SetDrawEffects(QvEffectBit(TQvDrawEffect::Shadow)); }},
        {"outline", [](TQvAxis& A) { A.Font()->SetDrawEffects(QvEffectBit(TQvDrawEffect::Outline)); }},
        {"lowered", [](TQvAxis& A) { A.Font()->SetDrawEffects(QvEffectBit(TQvDrawEffect::Lowered)); }},
        {"raised", [](TQvAxis& A) { A.Font()->SetDrawEffects(QvEffectBit(TQvDrawEffect::Raised)); }},
        {"gradient",
         [](TQvAxis& A) {
             A.Font()->Gradient()->SetFirstColor(0xFFFF0000);
             A.Font()->Gradient()->SetLastColor(0xFF0000FF);
             A.Font()->Gradient()->SetVisible(true);
         }},
        {"aliased", [](TQvAxis& A) { A.Font()->SetRenderingHint(TQvTextRenderingHint::SingleBitPerPixel); }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Fixture F;
        F.X->SetStartStop(0, 100);
        F.X->SetEndRounding(TQvAxisEndRounding::RndNothing);
        F.Y->SetNumbersVisible(false);
        C.Style(*F.X);
        F.Update();
        QImage Graph(F.Graph.size(), QImage::Format_ARGB32_Premultiplied);
        Graph.fill(Qt::white);
        {
            QPainter P(&Graph);
            F.Graph.PaintGr(P);
        }
        ASSERT_GE(F.X->Labels().size(), 3u);
        const QRect B = F.X->Bounds();
        for (const TQvAxisTextRec& L : F.X->Labels()) {
            QImage Own(F.Graph.size(), QImage::Format_ARGB32_Premultiplied);
            Own.fill(Qt::white);
            {
                QPainter P(&Own);
                P.translate(B.topLeft());
                QvDrawRichCaption(P, L.Text, F.X->Font(), L.At, L.Align, L.Angle, F.X->NumbersColor(), F.X);
            }
            // The label's box, a little grown for effects that reach past the glyphs (not at the
            // top, where the tick ends).
            const QRect Box = QRectF(L.At.x() - L.Extent.width() / 2, L.At.y() - L.Extent.height() / 2,
                                     L.Extent.width(), L.Extent.height())
                                  .translated(B.topLeft())
                                  .toAlignedRect()
                                  .adjusted(-2, 2, 3, 2)
                                  .intersected(Graph.rect());
            int Differ = 0, Ink = 0;
            for (int y = Box.top(); y <= Box.bottom(); ++y)
                for (int x = Box.left(); x <= Box.right(); ++x) {
                    Differ += Graph.pixel(x, y) != Own.pixel(x, y);
                    Ink += Own.pixel(x, y) != qRgb(255, 255, 255);
                }
            EXPECT_GT(Ink, 0) << L.Text.toStdString();
            EXPECT_EQ(Differ, 0) << L.Text.toStdString();
        }
    }
}
