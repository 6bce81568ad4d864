// Mouse zoom, panning, zoom history, scroll bars and the zoom settings, driven with mouse events on
// an off-screen graph that shows known data.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "QvZoom.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// Paints go through only once the window is exposed.
void WaitExposed(QWidget* W)
{
    for (int i = 0; i < 100 && !(W->windowHandle() && W->windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A 600 x 400 graph with one series y = x over x = 0 ... 100 (or y = 10^(x/20) on a log axis).
struct ZoomGraph
{
    QWidget Owner;
    TQvGraph2D* G = nullptr;
    TQvDoubleVector Xs, Ys;
    TQvPointSeries S;

    explicit ZoomGraph(bool LogY = false, bool TwistX = false)
    {
        Owner.setObjectName(QStringLiteral("Form"));
        Owner.resize(600, 400);
        G = new TQvGraph2D(&Owner);
        G->setObjectName(QStringLiteral("Graph"));
        G->resize(600, 400);
        Owner.show();
        WaitExposed(&Owner);
        Paint();   // creates the primary axes
        if (LogY)
            Y()->SetScaling(TQvAxisScaling::Log);
        if (TwistX)
            X()->SetTwisted(true);
        for (int i = 0; i <= 100; ++i) {
            Xs.Add(i);
            Ys.Add(LogY ? std::pow(10.0, i / 20.0) : i);
        }
        S.SetXAxis(X());
        S.SetYAxis(Y());
        S.SetXData(&Xs);
        S.SetYData(&Ys);
        Paint();
        Paint();
    }
    ~ZoomGraph() { S.SetYAxis(nullptr); }

    TQvAxis* X() const { return G->PrimaryXAxis(); }
    TQvAxis* Y() const { return G->PrimaryYAxis(); }
    TQvZoomSettings* Z() const { return G->Zoom(); }
    // A logarithmic X axis over x = 1 ... 1e5.
    void LogX()
    {
        X()->SetScaling(TQvAxisScaling::Log);
        Xs.Clear();
        for (int i = 0; i <= 100; ++i)
            Xs.Add(std::pow(10.0, i / 20.0));
        Paint();
        Paint();
    }

    void Paint() { G->repaint(); }
    // The client pixel of a data value.
    QPoint At(double x, double y) const { return QPoint(qRound(X()->NumberToWorld(x)), qRound(Y()->NumberToWorld(y))); }
    QRectF Area() const { return G->DrawingArea(); }

    void Mouse(QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Bs, Qt::KeyboardModifiers M = Qt::NoModifier)
    {
        QMouseEvent e(T, QPointF(P), G->mapToGlobal(QPointF(P)), B, Bs, M);
        QApplication::sendEvent(G, &e);
    }
    void Drag(QPoint From, QPoint To, Qt::KeyboardModifiers M = Qt::NoModifier)
    {
        Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton, M);
        Mouse(QEvent::MouseMove, (From + To) / 2, Qt::NoButton, Qt::LeftButton, M);
        Mouse(QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton, M);
        Mouse(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton, M);
        Paint();
    }
    void Click(QPoint P)
    {
        Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
        Paint();
    }
    void DoubleClick(QPoint P)
    {
        Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
        Mouse(QEvent::MouseButtonDblClick, P, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, P, Qt::LeftButton, Qt::NoButton);
        Paint();
    }
    // A point beside the data: left of the drawing area, at mid height.
    QPoint Beside() const { return QPoint(qRound(Area().left()) - 10, qRound(Area().center().y())); }
    // Zooms into x 20 ... 60, y 20 ... 60 by dragging.
    void ZoomMiddle() { Drag(At(20, 60), At(60, 20)); }
};

} // namespace

TEST(ZoomSettings, DefaultsAndUndoComments)
{
    ZoomGraph F;
    TQvUndoStack Stack;
    F.G->SetUndoStack(&Stack);
    TQvZoomSettings* Z = F.Z();
    ASSERT_NE(Z, nullptr);
    EXPECT_EQ(F.G->ZoomObject(), Z);
    EXPECT_EQ(Z->objectName(), QStringLiteral("Zoom"));
    EXPECT_TRUE(Z->Auto());
    EXPECT_EQ(Z->BufferType(), TQvZoomBufferType::AsStack);
    EXPECT_FALSE(Z->OptimizeSeries());
    EXPECT_TRUE(Z->BackOnClickBeside());
    EXPECT_FALSE(Z->BackOnRightBottomLeftTopFrame());
    EXPECT_TRUE(Z->ResetOnDoubleClickBeside());
    EXPECT_FALSE(Z->ResetOnRightBottomLeftTopFrame());
    EXPECT_EQ(Z->StartZoom(), TQvShiftState(QvZoomTypes::ssLeft));
    EXPECT_EQ(Z->StartPanning(), QvZoomTypes::ssShift | QvZoomTypes::ssLeft);
    EXPECT_EQ(Z->PanningCursor(), Qt::PointingHandCursor);
    EXPECT_TRUE(Z->HScrollbarVisible());
    EXPECT_TRUE(Z->VScrollbarVisible());
    EXPECT_EQ(Z->ScrollSmallIncrement(), TQvScrollIncrement::MinorTick);
    EXPECT_EQ(Z->ScrollLargeIncrement(), TQvScrollIncrement::Page);

    struct Case
    {
        const char* Comment;
        std::function<void()> Set;
        std::function<bool()> Changed;
    };
    const Case Cases[] = {
        {"Graph auto zooming", [&] { Z->SetAuto(false); }, [&] { return !Z->Auto(); }},
        {"Graph zoom optimize for series data", [&] { Z->SetOptimizeSeries(true); }, [&] { return Z->OptimizeSeries(); }},
        {"Graph zoom back clicking beside data", [&] { Z->SetBackOnClickBeside(false); }, [&] { return !Z->BackOnClickBeside(); }},
        {"Graph zoom back clicking beside data", [&] { Z->SetBackOnRightBottomLeftTopFrame(true); },
         [&] { return Z->BackOnRightBottomLeftTopFrame(); }},
        {"Graph zoom reset double clicking beside data", [&] { Z->SetResetOnDoubleClickBeside(false); },
         [&] { return !Z->ResetOnDoubleClickBeside(); }},
        {"Graph zoom reset dragging bottom/right top/left", [&] { Z->SetResetOnRightBottomLeftTopFrame(true); },
         [&] { return Z->ResetOnRightBottomLeftTopFrame(); }},
        {"Graph zoom start keys", [&] { Z->SetStartZoom(QvZoomTypes::ssLeft | QvZoomTypes::ssCtrl); },
         [&] { return Z->StartZoom() == (QvZoomTypes::ssLeft | QvZoomTypes::ssCtrl); }},
        {"Graph panning start keys", [&] { Z->SetStartPanning(QvZoomTypes::ssRight); },
         [&] { return Z->StartPanning() == TQvShiftState(QvZoomTypes::ssRight); }},
        {"Graph zoomed show horizontal scrollbar", [&] { Z->SetHScrollbarVisible(false); }, [&] { return !Z->HScrollbarVisible(); }},
        {"Graph zoomed show vertical scrollbar", [&] { Z->SetVScrollbarVisible(false); }, [&] { return !Z->VScrollbarVisible(); }},
        {"Graph scrollbars small increment", [&] { Z->SetScrollSmallIncrement(TQvScrollIncrement::Pixel); },
         [&] { return Z->ScrollSmallIncrement() == TQvScrollIncrement::Pixel; }},
        {"Graph scrollbars large increment", [&] { Z->SetScrollLargeIncrement(TQvScrollIncrement::MajorTick); },
         [&] { return Z->ScrollLargeIncrement() == TQvScrollIncrement::MajorTick; }},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Comment);
        const int Before = Stack.UndoCount();
        C.Set();
        ASSERT_TRUE(C.Changed());
        ASSERT_EQ(Stack.UndoCount(), Before + 1);
        EXPECT_EQ(Stack.UndoList().Get(0), QString::fromLatin1(C.Comment));
        Stack.Undo();
        EXPECT_FALSE(C.Changed()) << "undo restores the old value";
        Stack.Redo();
        EXPECT_TRUE(C.Changed());
        C.Set();   // unchanged: nothing pushed
        EXPECT_EQ(Stack.UndoCount(), Before + 1);
    }
    // Options without undo.
    const int Count = Stack.UndoCount();
    Z->SetBufferType(TQvZoomBufferType::AsCircularBuffer);
    Z->SetPanningCursor(Qt::OpenHandCursor);
    EXPECT_EQ(Stack.UndoCount(), Count);
    F.G->SetUndoStack(nullptr);
}

TEST(ZoomSettings, ZoomAndPanningMayNotStartAlike)
{
    ZoomGraph F;
    TQvZoomSettings* Z = F.Z();
    try {
        Z->SetStartZoom(Z->StartPanning());
        FAIL() << "no error";
    } catch (const EQvZoomSettingsError& e) {
        EXPECT_STREQ(e.what(), "Zooming and panning not allowed to start with same parameters");
    }
    EXPECT_EQ(Z->StartZoom(), TQvShiftState(QvZoomTypes::ssLeft));
    EXPECT_THROW(Z->SetStartPanning(Z->StartZoom()), EQvZoomSettingsError);
    EXPECT_EQ(Z->StartPanning(), QvZoomTypes::ssShift | QvZoomTypes::ssLeft);
}

TEST(ZoomMouse, DragNeedsFivePixelsBothWays)
{
    struct Case
    {
        int W, H;
        bool Zooms;
    };
    for (const Case& C : {Case{4, 100, false}, Case{100, 4, false}, Case{5, 5, true}, Case{-5, -5, true}}) {
        SCOPED_TRACE(testing::Message() << C.W << " x " << C.H);
        ZoomGraph F;
        const QPoint From = F.At(50, 50);
        F.Drag(From, From + QPoint(C.W, C.H));
        EXPECT_EQ(F.G->ZoomStage(), C.Zooms ? 1 : 0);
        EXPECT_EQ(F.X()->CanZoomBack(), C.Zooms);
    }
}

TEST(ZoomMouse, DragZoomsIntoTheRectangleAndSignals)
{
    ZoomGraph F;
    int Begin = 0, End = 0;
    QObject::connect(F.G, &TQvGraph2D::OnBeginZoom, [&] { ++Begin; });
    QObject::connect(F.Z(), &TQvZoomSettings::OnEndZoom, [&] { ++End; });
    int UserDown = 0, UserUp = 0;
    bool ZoomedBeforeUserUp = false;
    QObject::connect(F.G, &TQvGraph2D::OnMouseDown, [&](QMouseEvent*) { ++UserDown; });
    QObject::connect(F.G, &TQvGraph2D::OnMouseUp, [&](QMouseEvent*) {
        ++UserUp;
        ZoomedBeforeUserUp = F.G->ZoomStage() == 1;
    });
    const QPoint A = F.At(20, 60), B = F.At(60, 20);
    const double X1 = F.X()->WorldToNumber(A.x()), X2 = F.X()->WorldToNumber(B.x());
    const double Y1 = F.Y()->WorldToNumber(B.y()), Y2 = F.Y()->WorldToNumber(A.y());
    F.Drag(A, B);
    EXPECT_EQ(Begin, 1);
    EXPECT_EQ(End, 1);
    EXPECT_EQ(UserDown, 1);
    EXPECT_EQ(UserUp, 1);
    EXPECT_TRUE(ZoomedBeforeUserUp) << "the user's handler runs after the graph's";
    EXPECT_EQ(F.G->ZoomStage(), 1);
    EXPECT_EQ(F.G->ZoomBufferSize(), 2);
    // The stage holds the rectangle exactly; the shown range may be rounded out to minor ticks.
    F.G->ZoomToStage(1);
    EXPECT_LE(F.X()->Start(), X1 + 1e-9);
    EXPECT_GE(F.X()->Stop(), X2 - 1e-9);
    EXPECT_GT(F.X()->Start(), 15);
    EXPECT_LT(F.X()->Stop(), 65);
    EXPECT_LE(F.Y()->Start(), Y1 + 1e-9);
    EXPECT_GE(F.Y()->Stop(), Y2 - 1e-9);
    EXPECT_GT(F.Y()->Start(), 15);
    EXPECT_LT(F.Y()->Stop(), 65);
}

TEST(ZoomMouse, RectangleOutsideTheDataIsClampedToTheDrawingArea)
{
    // From beyond the top-left corner of the client area to beyond the bottom-right one, the same
    // as a rectangle over the drawing area.
    ZoomGraph F, E;
    F.Drag(QPoint(-50, -50), QPoint(F.G->width() + 50, F.G->height() + 50));
    ASSERT_EQ(F.G->ZoomStage(), 1);
    const QRectF A = E.Area();
    E.G->ZoomTo(QPoint(int(std::floor(A.x())), int(std::floor(A.y()))),
                QPoint(int(std::ceil(A.x() + A.width())), int(std::ceil(A.y() + A.height()))));
    for (ZoomGraph* G : {&F, &E}) {
        G->G->ZoomToStage(1);
        G->G->ZoomToStage(1);
    }
    EXPECT_DOUBLE_EQ(F.X()->Start(), E.X()->Start());
    EXPECT_DOUBLE_EQ(F.X()->Stop(), E.X()->Stop());
    EXPECT_DOUBLE_EQ(F.Y()->Start(), E.Y()->Start());
    EXPECT_DOUBLE_EQ(F.Y()->Stop(), E.Y()->Stop());
    // And within a pixel of the unzoomed range.
    EXPECT_NEAR(F.X()->Start(), F.X()->ScrollStart(), 2 * F.X()->NormalizeConst());
    EXPECT_NEAR(F.X()->Stop(), F.X()->ScrollStop(), 2 * F.X()->NormalizeConst());
}

TEST(ZoomMouse, OptimizeSeriesFitsThePointsInside)
{
    ZoomGraph F;
    F.Z()->SetOptimizeSeries(true);
    // A rectangle over x 30 ... 40 and all y: only the points 30 ... 40 count.
    const QRectF A = F.Area();
    F.G->ZoomTo(QPoint(F.At(29.5, 0).x(), int(A.top())), QPoint(F.At(40.5, 0).x(), int(A.bottom())));
    ASSERT_EQ(F.G->ZoomStage(), 1);
    F.G->ZoomToStage(1);
    EXPECT_NEAR(F.X()->Start(), 30, 0.5);
    EXPECT_NEAR(F.X()->Stop(), 40, 0.5);
    EXPECT_NEAR(F.Y()->Start(), 30, 0.5);
    EXPECT_NEAR(F.Y()->Stop(), 40, 0.5);

    // No point inside (below the line y = x): nothing changes, no stage.
    ZoomGraph E;
    E.Z()->SetOptimizeSeries(true);
    const double X0 = E.X()->Start(), X1 = E.X()->Stop();
    E.Drag(E.At(60, 30), E.At(90, 5));
    EXPECT_EQ(E.G->ZoomStage(), 0);
    EXPECT_FALSE(E.X()->CanZoomBack());
    EXPECT_FALSE(E.Y()->CanZoomBack());
    EXPECT_EQ(E.X()->Start(), X0);
    EXPECT_EQ(E.X()->Stop(), X1);
}

TEST(ZoomMouse, ClickBesideStepsBackDoubleClickResets)
{
    ZoomGraph F;
    const double X0 = F.X()->Start(), X1 = F.X()->Stop();
    // Before any zoom a click beside does nothing.
    F.Click(F.Beside());
    EXPECT_EQ(F.G->ZoomStage(), 0);
    EXPECT_EQ(F.X()->Start(), X0);

    F.ZoomMiddle();
    const double Z1Start = F.X()->Start(), Z1Stop = F.X()->Stop();
    F.Drag(F.At(30, 50), F.At(50, 30));
    ASSERT_EQ(F.G->ZoomStage(), 2);
    // A click inside the data does not step back.
    F.Click(F.At(40, 40));
    EXPECT_EQ(F.G->ZoomStage(), 2);
    F.Click(F.Beside());
    EXPECT_EQ(F.G->ZoomStage(), 1);
    EXPECT_DOUBLE_EQ(F.X()->Start(), Z1Start);
    EXPECT_DOUBLE_EQ(F.X()->Stop(), Z1Stop);

    // Double click beside (its first click steps back once more) while the graph can still zoom
    // back: automatic ranges, empty history.
    F.Drag(F.At(30, 50), F.At(50, 30));
    ASSERT_EQ(F.G->ZoomStage(), 2);
    F.DoubleClick(F.Beside());
    EXPECT_FALSE(F.X()->CanZoomBack());
    EXPECT_FALSE(F.Y()->CanZoomBack());
    EXPECT_EQ(F.G->ZoomBufferSize(), 0);
    EXPECT_FALSE(F.G->CanZoomBack());
    EXPECT_DOUBLE_EQ(F.X()->Start(), X0);
    EXPECT_DOUBLE_EQ(F.X()->Stop(), X1);
    EXPECT_FALSE(F.G->HorizontalScrollBar()->isVisible());
}

// A click may jitter by less than 4 pixels in each direction (each on its own, not their sum):
// it still steps back and reaches the user's click handler; 4 pixels in one direction is a drag.
TEST(ZoomMouse, ClickBesideToleratesJitterInEachDirection)
{
    struct Case { QPoint Jitter; bool IsClick; };
    const Case Cases[] = {{{3, 3}, true}, {{-3, 3}, true}, {{3, -3}, true}, {{0, 0}, true},
                          {{4, 0}, false}, {{0, -4}, false}, {{4, 4}, false}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Jitter.x() << "," << C.Jitter.y());
        ZoomGraph F;
        F.ZoomMiddle();
        ASSERT_EQ(F.G->ZoomStage(), 1);
        int Clicks = 0;
        QObject::connect(F.G, &TQvGraph2D::OnClick, [&] { ++Clicks; });
        const QPoint P = F.Beside();
        F.Mouse(QEvent::MouseButtonPress, P, Qt::LeftButton, Qt::LeftButton);
        F.Mouse(QEvent::MouseMove, P + C.Jitter, Qt::NoButton, Qt::LeftButton);
        F.Mouse(QEvent::MouseButtonRelease, P + C.Jitter, Qt::LeftButton, Qt::NoButton);
        F.Paint();
        EXPECT_EQ(Clicks, C.IsClick ? 1 : 0);
        EXPECT_EQ(F.G->ZoomStage(), C.IsClick ? 0 : 1);
    }
}

TEST(ZoomMouse, RightBottomToLeftTopGestures)
{
    {
        ZoomGraph F;
        F.Z()->SetBackOnRightBottomLeftTopFrame(true);
        F.ZoomMiddle();
        F.Drag(F.At(30, 50), F.At(50, 30));
        ASSERT_EQ(F.G->ZoomStage(), 2);
        F.Drag(F.At(50, 30), F.At(30, 50));   // right-bottom to left-top: back
        EXPECT_EQ(F.G->ZoomStage(), 1);
        EXPECT_EQ(F.G->ZoomBufferSize(), 3);
    }
    {
        ZoomGraph F;
        F.Z()->SetResetOnRightBottomLeftTopFrame(true);
        F.ZoomMiddle();
        ASSERT_EQ(F.G->ZoomStage(), 1);
        // Ending inside the data zooms as usual; ending beyond the left edge resets.
        F.Drag(F.At(50, 30), F.At(40, 40));
        EXPECT_EQ(F.G->ZoomStage(), 2);
        F.Drag(F.At(50, 30), QPoint(int(F.Area().left()) - 3, F.At(0, 45).y()));
        EXPECT_EQ(F.G->ZoomBufferSize(), 0);
    }
}

TEST(ZoomMouse, AutoOffOrOtherButtonsDoNotZoom)
{
    ZoomGraph F;
    F.Z()->SetAuto(false);
    F.ZoomMiddle();
    EXPECT_EQ(F.G->ZoomStage(), 0);
    F.Z()->SetAuto(true);
    F.Drag(F.At(20, 60), F.At(60, 20), Qt::ControlModifier);   // Ctrl + left: neither gesture
    EXPECT_EQ(F.G->ZoomStage(), 0);
    F.ZoomMiddle();
    EXPECT_EQ(F.G->ZoomStage(), 1);
}

TEST(ZoomPan, PanningMovesAZoomedViewWithinTheFullRange)
{
    ZoomGraph F;
    // Not zoomed: Shift + drag does nothing (and does not zoom).
    F.Drag(F.At(50, 50), F.At(30, 30), Qt::ShiftModifier);
    EXPECT_EQ(F.G->ZoomStage(), 0);
    EXPECT_FALSE(F.G->Panning());

    F.ZoomMiddle();
    const double XS = F.X()->Start(), XE = F.X()->Stop(), YS = F.Y()->Start(), YE = F.Y()->Stop();
    int Begin = 0, End = 0;
    QObject::connect(F.G, &TQvGraph2D::OnBeginPanning, [&] { ++Begin; });
    QObject::connect(F.G, &TQvGraph2D::OnEndPanning, [&] { ++End; });
    const QPoint P0 = F.At(40, 40);
    const double PerPixelX = F.X()->NormalizeConst(), PerPixelY = F.Y()->NormalizeConst();
    F.Mouse(QEvent::MouseButtonPress, P0, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_TRUE(F.G->Panning());
    EXPECT_EQ(F.G->cursor().shape(), Qt::PointingHandCursor);
    // Level with the start: nothing moves.
    F.Mouse(QEvent::MouseMove, P0 + QPoint(20, 0), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(F.X()->Start(), XS);
    EXPECT_EQ(F.Y()->Start(), YS);
    // Right and down by 10 pixels: the data follows the mouse.
    F.Mouse(QEvent::MouseMove, P0 + QPoint(10, 10), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_NEAR(F.X()->Start(), XS - 10 * PerPixelX, 1e-9);
    EXPECT_NEAR(F.X()->Stop(), XE - 10 * PerPixelX, 1e-9);
    EXPECT_NEAR(F.Y()->Start(), YS + 10 * PerPixelY, 1e-9);
    EXPECT_NEAR(F.Y()->Stop(), YE + 10 * PerPixelY, 1e-9);
    // Far beyond the full range in x (left end): x stays put, y still moves.
    const double XBefore = F.X()->Start();
    const double PerPixelYNow = F.Y()->NormalizeConst();
    F.Mouse(QEvent::MouseMove, P0 + QPoint(3000, 12), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(F.X()->Start(), XBefore);
    EXPECT_NEAR(F.Y()->Start(), YS + 12 * PerPixelYNow, 1e-9);
    F.Mouse(QEvent::MouseButtonRelease, P0 + QPoint(3000, 12), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_FALSE(F.G->Panning());
    EXPECT_NE(F.G->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Begin, 1);
    EXPECT_EQ(End, 1);
    EXPECT_EQ(F.G->ZoomStage(), 2) << "the panned view is one stage";
    F.G->ZoomBack();
    F.Paint();
    EXPECT_DOUBLE_EQ(F.X()->Start(), XS);
}

TEST(ZoomPan, TwistedAndLogAxesFollowTheMouse)
{
    ZoomGraph F(true, true);
    F.ZoomMiddle();
    ASSERT_EQ(F.G->ZoomStage(), 1);
    F.Paint();
    const QPoint P0 = F.At(40, std::pow(10.0, 2));
    const double XS = F.X()->Start();
    const double LYS = std::log10(F.Y()->Start());
    const double PerPixelX = F.X()->NormalizeConst(), PerPixelY = F.Y()->NormalizeConst();
    F.Mouse(QEvent::MouseButtonPress, P0, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    F.Mouse(QEvent::MouseMove, P0 + QPoint(10, 5), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
    // x runs right to left: moving right shows larger values. y is logarithmic: decades per pixel.
    EXPECT_NEAR(F.X()->Start(), XS + 10 * PerPixelX, 1e-9);
    EXPECT_NEAR(std::log10(F.Y()->Start()), LYS + 5 * PerPixelY, 1e-9);
    F.Mouse(QEvent::MouseButtonRelease, P0 + QPoint(10, 5), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
}

TEST(ZoomHistory, StackAndCircularBuffer)
{
    ZoomGraph F;
    F.ZoomMiddle();
    F.Drag(F.At(30, 50), F.At(50, 30));
    ASSERT_EQ(F.G->ZoomBufferSize(), 3);
    // Stack: back stops at stage 0, redo stops at the newest.
    F.G->ZoomBack();
    F.G->ZoomBack();
    EXPECT_EQ(F.G->ZoomStage(), 0);
    EXPECT_FALSE(F.G->CanZoomBack());
    F.G->ZoomBack();
    EXPECT_EQ(F.G->ZoomStage(), 0);
    EXPECT_EQ(F.X()->ZoomStage(), 0) << "every axis in step";
    F.G->ZoomToStage(2);
    EXPECT_EQ(F.G->ZoomStage(), 2);
    EXPECT_FALSE(F.G->CanRedoZoom());
    F.G->RedoZoom();
    EXPECT_EQ(F.G->ZoomStage(), 2);
    F.G->ZoomToStage(3);   // no such stage
    EXPECT_EQ(F.G->ZoomStage(), 2);
    // Circular: back from the first stage wraps to the newest, redo from the newest to 0.
    F.Z()->SetBufferType(TQvZoomBufferType::AsCircularBuffer);
    F.G->ZoomToStage(0);
    EXPECT_TRUE(F.G->CanZoomBack());
    F.Z()->ZoomBack();
    EXPECT_EQ(F.G->ZoomStage(), 2);
    EXPECT_EQ(F.X()->ZoomStage(), 2);
    F.Z()->RedoZoom();
    EXPECT_EQ(F.G->ZoomStage(), 0);
    F.Z()->ZoomReset();
    EXPECT_FALSE(F.Z()->CanZoomBack());
    EXPECT_EQ(F.Z()->ZoomBufferSize(), 0);
}

TEST(ZoomHistory, CtrlZStepsThroughTheHistoryOfAFocusedGraph)
{
    ZoomGraph F;
    F.ZoomMiddle();
    F.Drag(F.At(30, 50), F.At(50, 30));
    auto Key = [&](Qt::KeyboardModifiers M) {
        QKeyEvent Override(QEvent::ShortcutOverride, Qt::Key_Z, M);
        QApplication::sendEvent(F.G, &Override);
        const bool Taken = Override.isAccepted();
        QKeyEvent Press(QEvent::KeyPress, Qt::Key_Z, M);
        QApplication::sendEvent(F.G, &Press);
        return Taken;
    };
    EXPECT_TRUE(Key(Qt::ControlModifier));
    EXPECT_EQ(F.G->ZoomStage(), 1);
    EXPECT_TRUE(Key(Qt::ControlModifier));
    EXPECT_EQ(F.G->ZoomStage(), 0);
    EXPECT_FALSE(Key(Qt::ControlModifier)) << "nothing to step back to: the key stays with the window";
    EXPECT_TRUE(Key(Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(F.G->ZoomStage(), 1);
    EXPECT_NE(F.G->focusPolicy(), Qt::NoFocus);
}

TEST(ZoomHistory, CoupledGraphsStayInStep)
{
    QWidget Owner;
    Owner.resize(600, 800);
    auto* A = new TQvGraph2D(&Owner);
    auto* B = new TQvGraph2D(&Owner);
    A->resize(600, 400);
    B->setGeometry(0, 400, 600, 400);
    Owner.show();
    WaitExposed(&Owner);
    A->repaint();
    B->repaint();
    TQvDoubleVector Xs, Ys;
    for (int i = 0; i <= 100; ++i) {
        Xs.Add(i);
        Ys.Add(i);
    }
    TQvPointSeries SA, SB;
    SA.SetXAxis(A->PrimaryXAxis());
    SA.SetYAxis(A->PrimaryYAxis());
    SA.SetXData(&Xs);
    SA.SetYData(&Ys);
    // B borrows A's X axis.
    B->SetPrimaryXAxis(A->PrimaryXAxis());
    SB.SetXAxis(A->PrimaryXAxis());
    SB.SetYAxis(B->PrimaryYAxis());
    SB.SetXData(&Xs);
    SB.SetYData(&Ys);
    for (int k = 0; k < 2; ++k) {
        A->repaint();
        B->repaint();
    }
    ASSERT_TRUE(B->IsCoupledGraph());
    A->ZoomTo(A->DrawingArea().center().toPoint(), A->DrawingArea().bottomRight().toPoint());
    EXPECT_EQ(A->ZoomStage(), 1);
    EXPECT_EQ(B->ZoomStage(), 1);
    EXPECT_EQ(B->PrimaryYAxis()->ZoomBufferSize(), 2);
    EXPECT_EQ(A->PrimaryXAxis()->ZoomBufferSize(), 2) << "the shared axis records once";
    B->ZoomBack();
    EXPECT_EQ(A->ZoomStage(), 0);
    EXPECT_EQ(B->ZoomStage(), 0);
    EXPECT_EQ(A->PrimaryXAxis()->ZoomStage(), 0);
    B->ZoomReset();
    EXPECT_FALSE(A->PrimaryYAxis()->CanZoomBack());
    EXPECT_FALSE(A->PrimaryXAxis()->CanZoomBack());
    SA.SetYAxis(nullptr);
    SB.SetYAxis(nullptr);
}

TEST(ZoomWheel, WheelZoomsAroundTheCursorOneStagePerStep)
{
    ZoomGraph F;
    const QPoint P = F.At(25, 75);
    const double Xv = F.X()->WorldToNumber(P.x());
    auto Wheel = [&](QPoint At, int Delta) {
        QWheelEvent e(QPointF(At), F.G->mapToGlobal(QPointF(At)), QPoint(), QPoint(0, Delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(F.G, &e);
        F.Paint();
    };
    const double Span0 = F.X()->Stop() - F.X()->Start();
    Wheel(P, 240);   // two steps in
    EXPECT_EQ(F.G->ZoomStage(), 2);
    F.G->ZoomToStage(2);
    EXPECT_LT(F.X()->Stop() - F.X()->Start(), 0.8 * Span0);
    EXPECT_NEAR(F.X()->WorldToNumber(P.x()), Xv, 0.02 * Span0) << "the value under the cursor stays";
    // A click beside steps back one wheel step.
    F.Click(F.Beside());
    EXPECT_EQ(F.G->ZoomStage(), 1);
    // Out beyond the full range: clamped to it.
    Wheel(P, -120 * 5);
    EXPECT_GE(F.X()->Start(), F.X()->ScrollStart());
    EXPECT_LE(F.X()->Stop(), F.X()->ScrollStop());
    // Outside the drawing area the wheel is left to the parent.
    const int Stage = F.G->ZoomStage();
    Wheel(F.Beside(), 120);
    EXPECT_EQ(F.G->ZoomStage(), Stage);
}

namespace {

// A zoomed graph with the view set to x 40 ... 60 (stage 1) for scroll-bar checks.
void ZoomX(ZoomGraph& F, double S, double E)
{
    F.X()->ZoomIn(S, E);
    F.Y()->ZoomIn(F.Y()->Start(), F.Y()->Stop());
    F.Paint();
    F.Paint();
}

} // namespace

TEST(ZoomScroll, NoBarUnlessTheZoomedViewHidesData)
{
    // A second, logarithmic axis whose data start with 0 (a step's first-point reference): the
    // 0 is never drawn, so it is not hidden data.
    {
        ZoomGraph F;
        auto* LogAxis = new TQvAxis(F.G);
        LogAxis->setObjectName(QStringLiteral("LogAxis"));
        LogAxis->SetPosition(TQvAxisPosition::Right);
        LogAxis->SetScaling(TQvAxisScaling::LogEE);
        TQvDoubleVector Ps;
        Ps.Add(0);
        for (int i = 1; i <= 100; ++i)
            Ps.Add(std::pow(10.0, -i / 20.0));
        TQvPointSeries P;
        P.SetXAxis(F.X());
        P.SetYAxis(LogAxis);
        P.SetXData(&F.Xs);
        P.SetYData(&Ps);
        F.Paint();
        F.Paint();
        EXPECT_FALSE(F.G->VerticalScrollbar()->isVisible());
        EXPECT_FALSE(F.G->HorizontalScrollBar()->isVisible());
        // Zoomed in X only: the X bar, and still no Y bar.
        ZoomX(F, 40, 60);
        EXPECT_TRUE(F.G->HorizontalScrollBar()->isVisible());
        EXPECT_FALSE(F.G->VerticalScrollbar()->isVisible());
        // Zoomed into the log axis as well: now its view hides positive data.
        LogAxis->ZoomIn(LogAxis->Start() * 10, LogAxis->Stop() / 10);
        F.Paint();
        F.Paint();
        EXPECT_TRUE(F.G->VerticalScrollbar()->isVisible());
        P.SetYAxis(nullptr);
    }
    // Data ending a hair beyond the rounded axis end (within what end rounding leaves out), not
    // zoomed: nothing is hidden, no bar.
    {
        ZoomGraph F;
        F.Xs.SetValue(100, 100.00001);
        F.Paint();
        F.Paint();
        ASSERT_LT(F.X()->Stop(), 100.00001);
        EXPECT_FALSE(F.G->HorizontalScrollBar()->isVisible());
        EXPECT_FALSE(F.G->VerticalScrollbar()->isVisible());
    }
}

TEST(ZoomScroll, BarValuesFollowTheView)
{
    ZoomGraph F;
    ZoomX(F, 40, 60);
    QScrollBar* H = F.G->HorizontalScrollBar();
    ASSERT_TRUE(H->isVisible());
    EXPECT_FALSE(F.G->VerticalScrollbar()->isVisible());
    const double FullS = F.X()->ScrollStart(), FullE = F.X()->ScrollStop();
    const double Span = FullE - FullS;
    EXPECT_EQ(H->pageStep(), qRound(10000 * (F.X()->Stop() - F.X()->Start()) / Span));
    EXPECT_EQ(H->value(), qRound(10000 * (F.X()->Start() - FullS) / Span));
    EXPECT_EQ(H->maximum(), 10000 - H->pageStep());
    // Laid under the drawing area, over its width.
    EXPECT_EQ(H->geometry().left(), int(F.Area().left()));
    EXPECT_EQ(H->geometry().width(), int(F.Area().width()));
    EXPECT_EQ(H->geometry().bottom(), F.G->height() - 1);

    struct Case
    {
        bool Twisted, Horizontal;
        double Start, Stop, FullStart, FullStop;
        int Page, Position;
    };
    // Twisted horizontal: position from the stop end; vertical: from the top (stop) unless twisted.
    for (const Case& C : {Case{false, true, 20, 30, 0, 100, 1000, 2000}, Case{true, true, 20, 30, 0, 100, 1000, 7000},
                          Case{false, false, 20, 30, 0, 100, 1000, 7000}, Case{true, false, 20, 30, 0, 100, 1000, 2000}}) {
        ZoomGraph G(false, false);
        TQvAxis* A = C.Horizontal ? G.X() : G.Y();
        A->SetTwisted(C.Twisted);
        G.Paint();
        A->ZoomIn(C.Start, C.Stop);
        G.Paint();
        int Page = 0, Pos = 0;
        TQvGraphZoomer::ScrollBarValues(A, C.Horizontal, Page, Pos);
        SCOPED_TRACE(testing::Message() << "twisted " << C.Twisted << " horizontal " << C.Horizontal);
        const double FS = A->ScrollStart(), FE = A->ScrollStop(), S = A->Start(), E = A->Stop();
        auto V = [&](double X) { return 10000 * (X - FS) / (FE - FS); };
        EXPECT_EQ(Page, qRound(10000 * (E - S) / (FE - FS)));
        const double Expected = C.Horizontal ? (C.Twisted ? 10000 - V(E) : V(S)) : (C.Twisted ? V(S) : 10000 - V(E));
        EXPECT_EQ(Pos, qRound(Expected));
    }
}

TEST(ZoomScroll, LinePageAndTrackMoves)
{
    struct Case
    {
        const char* Name;
        bool Twisted;
        bool Log;
    };
    for (const Case& C : {Case{"plain", false, false}, Case{"twisted", true, false}, Case{"log", false, true}}) {
        SCOPED_TRACE(C.Name);
        ZoomGraph F(false, C.Twisted);
        if (C.Log)
            F.LogX();
        auto L = [&](double V) { return C.Log ? std::log10(V) : V; };
        // Log axes round a zoomed range to their minor ticks (1, 2, 3 ... per decade) at layout.
        const double FS = L(F.X()->ScrollStart()), FE = L(F.X()->ScrollStop());
        const double Full = FE - FS;
        // Show the second fifth of the full range.
        const double S0 = FS + 0.2 * Full, E0 = FS + 0.4 * Full;
        ZoomX(F, C.Log ? std::pow(10.0, S0) : S0, C.Log ? std::pow(10.0, E0) : E0);
        TQvGraphZoomer* Zr = F.Z()->Zoomer();
        const int Stage = F.G->ZoomStage();

        // Page down: one page further along the bar, one stage; twisted axes move to smaller values.
        Zr->Scroll(true, TQvScrollCode::PageDown);
        F.Paint();
        const double Dir = C.Twisted ? -1 : 1;
        EXPECT_NEAR(L(F.X()->Start()), S0 + Dir * (E0 - S0), 0.02 * Full);
        EXPECT_EQ(F.G->ZoomStage(), Stage + 1);
        // End of scroll after a page move records nothing more.
        Zr->Scroll(true, TQvScrollCode::EndScroll);
        EXPECT_EQ(F.G->ZoomStage(), Stage + 1);

        // Track to the bar's start: the view starts at the full range's end of the bar.
        Zr->Scroll(true, TQvScrollCode::Track, 0);
        F.Paint();
        if (C.Twisted)
            EXPECT_NEAR(L(F.X()->Stop()), FE, 1e-6 * Full);
        else
            EXPECT_NEAR(L(F.X()->Start()), FS, 1e-6 * Full);
        EXPECT_EQ(F.G->ZoomStage(), Stage + 1) << "tracking records no stage";
        // Track to the middle of the bar.
        Zr->Scroll(true, TQvScrollCode::Track, 5000);
        F.Paint();
        if (C.Twisted)
            EXPECT_NEAR(L(F.X()->Stop()), FS + 0.5 * Full, C.Log ? 0.05 : 1e-6 * Full);
        else
            EXPECT_NEAR(L(F.X()->Start()), FS + 0.5 * Full, C.Log ? 0.05 : 1e-6 * Full);
        // Far beyond the end: kept inside the full range.
        Zr->Scroll(true, TQvScrollCode::Track, 10000);
        F.Paint();
        EXPECT_LE(L(F.X()->Stop()), FE + 1e-9 * Full);
        EXPECT_GE(L(F.X()->Start()), FS - 1e-9 * Full);
        // The end of scroll commits the tracked view as one stage.
        Zr->Scroll(true, TQvScrollCode::EndScroll);
        EXPECT_EQ(F.G->ZoomStage(), Stage + 2);

        // A line step back (up) moves by one minor tick (the increment of the primary axis).
        const double Before = L(F.X()->Start());
        const double Minor = F.X()->MinorIncrement();
        Zr->Scroll(true, TQvScrollCode::LineUp);
        F.Paint();
        if (C.Log)
            EXPECT_LT(L(F.X()->Start()), Before);
        else
            EXPECT_NEAR(L(F.X()->Start()), Before - Dir * Minor, 1e-9);
        EXPECT_EQ(F.G->ZoomStage(), Stage + 2);
    }
}

TEST(ZoomScroll, BarActionsAndReleaseDriveTheView)
{
    ZoomGraph F;
    ZoomX(F, 40, 60);
    QScrollBar* H = F.G->HorizontalScrollBar();
    ASSERT_TRUE(H->isVisible());
    const int Stage = F.G->ZoomStage();
    const double S = F.X()->Start();
    H->triggerAction(QAbstractSlider::SliderPageStepAdd);
    F.Paint();
    EXPECT_GT(F.X()->Start(), S + 10);
    EXPECT_EQ(F.G->ZoomStage(), Stage + 1);
    EXPECT_EQ(H->value(), qRound(10000 * (F.X()->Start() - F.X()->ScrollStart()) / (F.X()->ScrollStop() - F.X()->ScrollStart())));
    // Line step, then the release over the bar commits one stage.
    H->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(F.G->ZoomStage(), Stage + 1);
    QMouseEvent Release(QEvent::MouseButtonRelease, QPointF(2, 2), H->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(H, &Release);
    EXPECT_EQ(F.G->ZoomStage(), Stage + 2);
}

TEST(ZoomScroll, TrackingKeepsTheSpanThoughTheLayoutRoundsTheEnds)
{
    // The layout rounds a zoomed range out to minor ticks at every paint; a thumb drag that took
    // the rounded span as the span to keep would widen the view a little with every move.
    for (const bool Log : {false, true}) {
        SCOPED_TRACE(Log ? "log" : "linear");
        ZoomGraph F;
        if (Log)
            F.LogX();
        auto L = [&](double V) { return Log ? std::log10(V) : V; };
        if (Log)
            ZoomX(F, std::pow(10.0, 1.03), std::pow(10.0, 2.01));
        else
            ZoomX(F, 40.3, 60.1);
        TQvGraphZoomer* Zr = F.Z()->Zoomer();
        const double Span0 = L(F.X()->Stop()) - L(F.X()->Start());
        double Widest = Span0;
        for (int k = 0; k < 40; ++k) {
            Zr->Scroll(true, TQvScrollCode::Track, 1000 + (k * 37) % 4000);
            F.Paint();
            Widest = std::max(Widest, L(F.X()->Stop()) - L(F.X()->Start()));
        }
        Zr->Scroll(true, TQvScrollCode::EndScroll);
        F.Paint();
        // One rounding of each end at most (a log axis' minor steps are at most 0.3 decades).
        const double Slack = Log ? 0.6 : 2 * F.X()->MinorIncrement();
        EXPECT_LE(Widest, Span0 + Slack);
        EXPECT_LE(L(F.X()->Stop()) - L(F.X()->Start()), Span0 + Slack);
        // Line steps keep the span too.
        const double Span1 = L(F.X()->Stop()) - L(F.X()->Start());
        for (int k = 0; k < 20; ++k) {
            Zr->Scroll(true, k % 2 ? TQvScrollCode::LineUp : TQvScrollCode::LineDown);
            F.Paint();
        }
        Zr->Scroll(true, TQvScrollCode::EndScroll);
        F.Paint();
        EXPECT_LE(L(F.X()->Stop()) - L(F.X()->Start()), Span1 + Slack);
    }
}

TEST(ZoomScroll, AZoomOperationEndsAnUncommittedScroll)
{
    ZoomGraph F;
    ZoomX(F, 40, 60);
    ZoomX(F, 45, 50);
    TQvGraphZoomer* Zr = F.Z()->Zoomer();
    const int Stage = F.G->ZoomStage();
    Zr->Scroll(true, TQvScrollCode::Track, 2000);
    F.Paint();
    // Back to the wider stage: the thumb drag before it is dropped, not committed afterwards, and
    // the next drag keeps the span now shown, not the one of the dropped drag.
    F.G->ZoomBack();
    F.Paint();
    EXPECT_EQ(F.G->ZoomStage(), Stage - 1);
    Zr->Scroll(true, TQvScrollCode::EndScroll);
    EXPECT_EQ(F.G->ZoomStage(), Stage - 1);
    const double Span = F.X()->Stop() - F.X()->Start();
    EXPECT_GT(Span, 15);
    Zr->Scroll(true, TQvScrollCode::Track, 3000);
    F.Paint();
    EXPECT_NEAR(F.X()->Stop() - F.X()->Start(), Span, 2 * F.X()->MinorIncrement());
    Zr->Scroll(true, TQvScrollCode::EndScroll);
    EXPECT_EQ(F.G->ZoomStage(), Stage);
}
