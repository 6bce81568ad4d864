// Guards and locks of a graph: an exception between a lock and its release leaves a graph that
// still lays out and paints, a graph's layout does not block another graph's, and the layout
// pass's protocol is closed to everyone but the pass. An exception inside a grouped undo record
// leaves the undo stack taking the next change as a step of its own.
#include "QvAxisLayout.h"
#include "QvFont.h"
#include "QvLegend.h"
#include "QvUndoStack.h"
#include "QvZoom.h"
#include "TestGraph.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The layout protocol is private: none of these compile outside the layout pass.
template <class A>
concept CanPlaceScale = requires(A& a) { a.SetAxLength(1.0f); } || requires(A& a) { a.SetAxLeft(1.0f); }
                        || requires(A& a) { a.SetAxTop(1.0f); } || requires(A& a) { a.SetBounds(QRect()); }
                        || requires(A& a) { a.ClearRecalculate(); } || requires(A& a) { a.LengthChanged(1); }
                        || requires(A& a) { a.RemoveFirstLabel(); };
template <class G>
concept CanPlaceArea = requires(G& g) { g.SetDrawingArea(QRectF()); } || requires(G& g) { g.SetScrollBarWishes(true, true); }
                       || requires(G& g) { g.SetTitleAnchor(QPointF()); } || requires(G& g) { g.ApplyCommonHorizontalExtent(); };
static_assert(!CanPlaceScale<TQvAxis>);
static_assert(!CanPlaceArea<TQvGraph2D>);

// A vector whose reads throw while armed (a data source failing under the graph).
class ThrowingVector : public TQvDoubleVector
{
public:
    bool Armed = false;
    double GetValue(int i) const override
    {
        if (Armed)
            throw std::runtime_error("vector read failed");
        return TQvDoubleVector::GetValue(i);
    }
};

// A legend whose painting throws while armed.
class ThrowingLegend : public TQvGraphLegendBase
{
public:
    bool Armed = false;
    explicit ThrowingLegend(TQvGraph2D* G) : TQvGraphLegendBase(G) { SetBounds(QRect(0, 0, 20, 20)); }
    void PaintGr(QPainter&) override
    {
        if (Armed)
            throw std::runtime_error("legend paint failed");
    }
};

// A graph whose Modified throws once when armed, or marks a partner graph's axis modified.
class HookedGraph : public TQvGraph2D
{
public:
    bool ThrowOnce = false;
    TQvAxis* Partner = nullptr;
    void Modified() override
    {
        TQvGraph2D::Modified();
        if (Partner)
            Partner->SetCaption(Partner->Caption() + QStringLiteral("'"));
        if (ThrowOnce) {
            ThrowOnce = false;
            throw std::runtime_error("graph hook failed");
        }
    }
};

struct ZoomGraph : TestGraph
{
    ThrowingVector txs, tys;
    TQvSeries series{&graph};
    ZoomGraph()
    {
        Fill(txs, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
        Fill(tys, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0});
        series.SetXAxis(x);
        series.SetYAxis(y);
        series.SetXData(&txs);
        series.SetYData(&tys);
        Render();
    }
};

// Components one of whose recorded properties cannot be read while armed, so that recording
// their old values fails half way through an undo group.
class ReadFailingFont : public TQvFont
{
    Q_OBJECT
    Q_PROPERTY(float Size READ GuardedSize WRITE SetSize)
public:
    using TQvFont::TQvFont;
    bool Armed = false;
    float GuardedSize() const
    {
        if (Armed)
            throw std::runtime_error("font size unreadable");
        return Size();
    }
};

class ReadFailingAxis : public TQvAxis
{
    Q_OBJECT
    Q_PROPERTY(double Stop READ GuardedStop WRITE SetStop)
public:
    using TQvAxis::TQvAxis;
    bool Armed = false;
    double GuardedStop() const
    {
        if (Armed)
            throw std::runtime_error("axis stop unreadable");
        return Stop();
    }
};

class ReadFailingLegend : public TQvLegend
{
    Q_OBJECT
    Q_PROPERTY(int Top READ GuardedTop WRITE SetTop)
public:
    using TQvLegend::TQvLegend;
    bool Armed = false;
    int GuardedTop() const
    {
        if (Armed)
            throw std::runtime_error("legend top unreadable");
        return Top();
    }
};

} // namespace

TEST(GraphLocks, ExceptionInsideZoomLeavesGraphUnlocked)
{
    ZoomGraph T;
    T.graph.Zoom()->SetOptimizeSeries(true);
    const QRectF Area = T.graph.DrawingArea();
    ASSERT_GT(Area.width(), 100);
    T.txs.Armed = true;
    const QPoint C1(int(Area.left()) + 10, int(Area.top()) + 10);
    const QPoint C2(int(Area.center().x()), int(Area.center().y()));
    EXPECT_THROW(T.graph.ZoomTo(C1, C2), std::runtime_error);
    T.txs.Armed = false;
    EXPECT_FALSE(T.graph.Updating());
    // The graph lays out again: a wider graph gets a wider drawing area.
    T.graph.resize(800, 400);
    T.graph.Modified();
    T.Render();
    EXPECT_GT(T.graph.DrawingArea().width(), Area.width() + 150);
    // And zooms (into the points of the upper left quarter).
    T.graph.ZoomTo(C1, C2);
    EXPECT_EQ(T.graph.ZoomStage(), 1);
}

TEST(GraphLocks, ExceptionWhilePaintingLeavesNoFlagSet)
{
    TestGraph T;
    ThrowingLegend Legend(&T.graph);
    T.Render();
    Legend.Armed = true;
    EXPECT_THROW(T.graph.AsImage(), std::runtime_error);
    EXPECT_FALSE(T.graph.Painting());
    EXPECT_FALSE(T.graph.DoingImage());
    QBuffer Svg;
    Svg.open(QIODevice::WriteOnly);
    EXPECT_THROW(T.graph.SaveSvg(&Svg), std::runtime_error);
    EXPECT_FALSE(T.graph.DoingMetafile());
    EXPECT_FALSE(T.graph.DoingImage());
    EXPECT_FALSE(T.graph.Painting());
    Legend.Armed = false;
    // It paints and lays out again.
    T.x->SetCaption(QStringLiteral("Time / s"));
    EXPECT_TRUE(T.graph.NeedsRecalculate());
    const QImage Img = T.graph.AsImage();
    EXPECT_FALSE(T.graph.NeedsRecalculate());
    EXPECT_EQ(Img.size(), QSize(600, 400));
}

TEST(GraphLocks, ExceptionFromSlotDuringLayoutEndsThePass)
{
    TestGraph T;
    bool Throw = true;
    QObject::connect(T.x, &TQvAxis::OnGetTicks, [&](TQvAxis*) {
        if (Throw)
            throw std::runtime_error("tick hook failed");
    });
    EXPECT_THROW(T.Render(), std::runtime_error);
    EXPECT_FALSE(T.graph.LayoutRunning());
    EXPECT_FALSE(T.graph.Painting());
    Throw = false;
    T.Render();
    EXPECT_FALSE(T.graph.NeedsRecalculate());
    EXPECT_GT(T.graph.DrawingArea().width(), 300);
}

TEST(GraphLocks, LayoutOfOneGraphDoesNotBlockAnother)
{
    TestGraph A, B;
    // B is laid out from inside A's layout pass (a handler of A's axis reaching into B).
    bool Nested = false;
    QObject::connect(A.x, &TQvAxis::OnGetTicks, [&](TQvAxis*) {
        if (Nested)
            return;
        Nested = true;
        EXPECT_TRUE(A.graph.LayoutRunning());
        EXPECT_FALSE(B.graph.LayoutRunning());
        B.x->Calculate();
        // A's own layout is not entered twice.
        A.x->Calculate();
    });
    ASSERT_TRUE(B.graph.DrawingArea().isEmpty());
    A.Render();
    EXPECT_TRUE(Nested);
    EXPECT_GT(B.graph.DrawingArea().width(), 300);
    EXPECT_GT(B.graph.DrawingArea().height(), 200);
    EXPECT_GT(B.x->AxLength(), 300);
    EXPECT_FALSE(A.graph.LayoutRunning());
    EXPECT_FALSE(B.graph.LayoutRunning());
}

TEST(GraphLocks, AxisModifiedReachesItsGraphAfterAnotherGraphThrew)
{
    HookedGraph G1;
    G1.resize(600, 400);
    TQvAxis *X1, *Y1;
    AddPrimaryAxes(G1, X1, Y1);
    TestGraph T2;
    QImage Img(600, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter P(&Img);
    G1.PaintGr(P);
    T2.Render();
    ASSERT_FALSE(G1.NeedsRecalculate());
    ASSERT_FALSE(T2.graph.NeedsRecalculate());
    G1.ThrowOnce = true;
    EXPECT_THROW(Y1->SetCaption(QStringLiteral("Current")), std::runtime_error);
    T2.y->SetCaption(QStringLiteral("Voltage"));
    EXPECT_TRUE(T2.graph.NeedsRecalculate());
}

TEST(GraphLocks, AxisModifiedInsideAnotherGraphsModifiedReachesItsGraph)
{
    HookedGraph G1;
    G1.resize(600, 400);
    TQvAxis *X1, *Y1;
    AddPrimaryAxes(G1, X1, Y1);
    TestGraph T2;
    QImage Img(600, 400, QImage::Format_ARGB32_Premultiplied);
    QPainter P(&Img);
    G1.PaintGr(P);
    T2.Render();
    ASSERT_FALSE(T2.graph.NeedsRecalculate());
    // G1 follows its axis change by relabelling T2's axis: T2 must know it has to lay out.
    G1.Partner = T2.y;
    X1->SetCaption(QStringLiteral("Time"));
    EXPECT_TRUE(T2.graph.NeedsRecalculate());
    EXPECT_TRUE(T2.y->Caption().startsWith(QLatin1Char('\'')));
}

TEST(UndoGroups, FontThatFailsToRecordLeavesNoOpenGroup)
{
    QObject Form;
    Form.setObjectName(QStringLiteral("FormFontGroupGuard"));
    QvRegisterRoot(&Form);
    TQvUndoStack Stack(&Form);
    auto* Font = new ReadFailingFont(&Form, QStringLiteral("GuardedFont"));
    Font->Armed = true;
    EXPECT_THROW(Font->PushToUndoStack(&Stack, QStringLiteral("Title font")), std::runtime_error);
    Font->Armed = false;
    Font->PushToUndoStack(&Stack, QStringLiteral("Axis font"));
    EXPECT_EQ(Stack.UndoList().ToStringList(), (QStringList{QStringLiteral("Axis font"), QStringLiteral("Title font")}));
}

TEST(UndoGroups, AxisEndModesThatFailToRecordLeaveNoOpenGroup)
{
    TestGraph T;
    TQvUndoStack Stack;
    T.graph.SetUndoStack(&Stack);
    auto* Axis = new ReadFailingAxis(&T.graph);
    Axis->setObjectName(QStringLiteral("GuardedAxis"));
    const TQvAxisEnd Start = Axis->StartEnd() == TQvAxisEnd::Fixed ? TQvAxisEnd::AutoRange : TQvAxisEnd::Fixed;
    const TQvAxisEnd Stop = Axis->StopEnd() == TQvAxisEnd::Fixed ? TQvAxisEnd::AutoRange : TQvAxisEnd::Fixed;
    Axis->Armed = true;
    EXPECT_THROW(Axis->SetStartEnd(Start), std::runtime_error);
    EXPECT_THROW(Axis->SetStopEnd(Stop), std::runtime_error);
    Axis->Armed = false;
    const int Steps = Stack.UndoCount();
    EXPECT_EQ(Steps, 2);
    Axis->SetStartEnd(Start);
    Axis->SetStopEnd(Stop);
    EXPECT_EQ(Stack.UndoCount(), Steps + 2);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Auto ranging mode of axis stop"));
    EXPECT_EQ(Stack.UndoList().Get(1), QStringLiteral("Auto ranging mode of axis start"));
}

TEST(UndoGroups, LegendMovesThatFailToRecordLeaveNoOpenGroup)
{
    TestGraph T;
    TQvUndoStack Stack;
    T.graph.SetUndoStack(&Stack);
    auto* Legend = new ReadFailingLegend(&T.graph);
    Legend->setObjectName(QStringLiteral("GuardedLegend"));
    Legend->SetLeft(100);
    Legend->SetTop(50);
    T.Render();
    const int Steps = Stack.UndoCount();
    // Docking.
    Legend->Armed = true;
    EXPECT_THROW(Legend->SetPosition(TQvLegendPosition::BottomCenterOfGraph), std::runtime_error);
    Legend->Armed = false;
    Legend->SetCaption(QStringLiteral("Probes"));
    EXPECT_EQ(Stack.UndoCount(), Steps + 2);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Legend caption"));
    // Dragging: the release records the new place as one group.
    ASSERT_EQ(Legend->Position(), TQvLegendPosition::FreeFloating);
    const QPoint At = Legend->Bounds().topLeft() + QPoint(5, 5);
    auto Send = [&](QEvent::Type Type, QPoint P, Qt::MouseButton B, Qt::MouseButtons Bs) {
        QMouseEvent E(Type, QPointF(P), QPointF(T.graph.mapToGlobal(P)), B, Bs, Qt::NoModifier);
        QCoreApplication::sendEvent(&T.graph, &E);
    };
    Send(QEvent::MouseButtonPress, At, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseMove, At + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    Legend->Armed = true;
    EXPECT_THROW(Send(QEvent::MouseButtonRelease, At + QPoint(30, 20), Qt::LeftButton, Qt::NoButton),
                 std::runtime_error);
    Legend->Armed = false;
    Legend->SetCaption(QStringLiteral("Electrodes"));
    EXPECT_EQ(Stack.UndoCount(), Steps + 4);
    EXPECT_EQ(Stack.UndoList().Get(0), QStringLiteral("Legend caption"));
}

#include "test_reentrancy.moc"
