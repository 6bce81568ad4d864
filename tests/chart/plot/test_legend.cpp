// Legends: item collection, row and column layouts measured against the captions, docking,
// position changes as one undo group, and a click that switches a series.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvLegend.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include "TestGraph.h"

#include <QCoreApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Three series with captions of different lengths and a legend.
struct Fixture : TestGraph
{
    TQvPointSeries a, b, c;
    TQvLegend* legend;

    Fixture()
    {
        xs.Add(1);
        xs.Add(2);
        ys.Add(1);
        ys.Add(3);
        const char* caps[] = {"Short", "A much longer caption", "pO\\-2\\-"};
        TQvPointSeries* ss[] = {&a, &b, &c};
        for (int i = 0; i < 3; ++i) {
            ss[i]->SetCaption(QString::fromLatin1(caps[i]));
            Attach(*ss[i]);
        }
        legend = new TQvLegend(&graph);
    }
};

} // namespace

TEST(Legend, DefaultsAndItems)
{
    Fixture f;
    TQvLegend& l = *f.legend;
    EXPECT_EQ(l.Position(), TQvLegendPosition::FreeFloating);
    EXPECT_EQ(l.ItemsOrder(), TQvItemsOrder::ByColumn);
    EXPECT_EQ(l.Columns(), 1);
    EXPECT_EQ(l.Rows(), 1);
    EXPECT_DOUBLE_EQ(l.ItemWidth(), 80);
    EXPECT_DOUBLE_EQ(l.DistanceToBorder(), 8);
    EXPECT_EQ(l.Frame()->Color(), QvColors::WindowFrame);
    EXPECT_EQ(l.BackColor(), QvColors::Transparent);
    f.b.SetVisible(false);
    f.c.SetMergeLegendItemWith(&f.b);   // b stays: a visible series merges into it
    f.a.SetIncludeInLegend(false);
    l.PreparePaint();
    EXPECT_EQ(l.Items(), (QList<TQvSeries*>{&f.b, &f.c}));
    f.c.SetVisible(false);
    l.PreparePaint();
    EXPECT_TRUE(l.Items().isEmpty());
    // The order list puts named series first, visible or not.
    f.c.setObjectName(QStringLiteral("SeriesC"));
    l.SetItemsOrderList({QStringLiteral("SeriesC")});
    l.PreparePaint();
    EXPECT_EQ(l.Items(), (QList<TQvSeries*>{&f.c}));
    l.SetItemsOrderList({});
    // The caption event.
    f.a.SetIncludeInLegend(true);
    QObject::connect(&l, &TQvCustomLegend::OnGetLegendItemCaption,
                     [](TQvCustomLegend*, TQvSeries*, QString& C) { C = QStringLiteral("<") + C + QStringLiteral(">"); });
    l.PreparePaint();
    ASSERT_EQ(l.LegendCaptions().Count(), 1);
    EXPECT_EQ(l.LegendCaptions().GetValue(0).Caption, QStringLiteral("<Short>"));
}

TEST(Legend, RowAndColumnLayoutsMeasuredAgainstTheCaptions)
{
    Fixture f;
    TQvLegend& l = *f.legend;
    l.PreparePaint();
    ASSERT_EQ(l.Items().size(), 3);
    double w[3], h = l.ItemHeight();
    for (int i = 0; i < 3; ++i)
        w[i] = l.LegendCaptions().GetValue(i).Size().width();
    // One column: items below each other, width from the widest caption.
    const auto& R = l.ItemRects();
    EXPECT_EQ(R[0].left(), 8);
    EXPECT_EQ(R[1].left(), 8);
    EXPECT_GT(R[1].top(), R[0].top());
    EXPECT_NEAR(l.Width(), 8 + 80 + 4 + std::max({w[0], w[1], w[2]}) + 8, 1.0);
    EXPECT_NEAR(l.Height(), 16 + 3 * h + 2 * 3, 3.0);
    // One row: left to right, each cell as wide as its caption.
    l.SetItemsOrder(TQvItemsOrder::ByRow);
    l.PreparePaint();
    EXPECT_EQ(R[0].top(), R[2].top());
    EXPECT_NEAR(R[1].left(), 8 + 80 + 4 + w[0] + 10, 1.0);
    EXPECT_NEAR(R[2].left(), 8 + 2 * (80 + 4 + 10) + w[0] + w[1], 1.0);
    EXPECT_NEAR(l.Width(), 16 + 3 * 84 + 20 + w[0] + w[1] + w[2], 1.0);
    // Two columns filled column by column.
    l.SetItemsOrder(TQvItemsOrder::ByColumn);
    l.SetColumns(2);
    l.PreparePaint();
    EXPECT_EQ(R[0].left(), R[1].left());
    EXPECT_NEAR(R[2].left(), 8 + 84 + std::max(w[0], w[1]) + 10, 1.0);
    EXPECT_EQ(R[2].top(), R[0].top());
    // A caption widens the legend when it is wider than the items.
    l.SetColumns(1);
    l.SetCaptionVisible(true);
    l.SetCaption(QStringLiteral("A legend caption much wider than every item of this legend"));
    l.PreparePaint();
    EXPECT_GT(l.Width(), 8 + 84 + w[1] + 8 + 20);
    EXPECT_GT(R[0].top(), 8 + 10);
}

TEST(Legend, PositionDocksAndPushesOneUndoGroup)
{
    Fixture f;
    TQvUndoStack stack;
    f.graph.SetUndoStack(&stack);
    TQvLegend& l = *f.legend;
    const int n = stack.UndoCount();
    l.SetPosition(TQvLegendPosition::BottomCenterOfGraph);
    EXPECT_EQ(stack.UndoCount(), n + 1);
    EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Legend position"));
    EXPECT_EQ(l.ItemsOrder(), TQvItemsOrder::ByRow);
    f.Render();
    EXPECT_EQ(l.Bounds().bottom(), 399);
    EXPECT_EQ(l.Bounds().left(), (600 - l.Bounds().width()) / 2);
    EXPECT_LE(f.graph.DrawingArea().bottom(), l.Bounds().top());
    l.SetPosition(TQvLegendPosition::RightTopOfAxis);
    EXPECT_EQ(l.ItemsOrder(), TQvItemsOrder::ByColumn);
    f.Render();
    EXPECT_EQ(l.Bounds().right(), 599);
    EXPECT_EQ(l.Bounds().top(), int(f.graph.DrawingArea().top()));
    stack.Undo(0);
    EXPECT_EQ(l.Position(), TQvLegendPosition::BottomCenterOfGraph);
    EXPECT_EQ(l.ItemsOrder(), TQvItemsOrder::ByRow);
}

TEST(Legend, ClickSwitchesTheSeriesAndDragMovesAFloatingLegend)
{
    Fixture f;
    TQvUndoStack stack;
    f.graph.SetUndoStack(&stack);
    TQvLegend& l = *f.legend;
    l.SetLeft(100);
    l.SetTop(50);
    f.Render();
    const QPoint at = l.Bounds().topLeft() + l.ItemRects()[1].center();
    auto send = [&](QEvent::Type t, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(t, QPointF(p), QPointF(f.graph.mapToGlobal(p)), b, bs, Qt::NoModifier);
        QCoreApplication::sendEvent(&f.graph, &e);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(f.b.Visible());
    EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Series visibility"));
    stack.Undo(0);
    EXPECT_TRUE(f.b.Visible());
    // Drag by 30, 20 pixels.
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(l.Bounds().topLeft(), QPoint(130, 70));
    EXPECT_TRUE(f.b.Visible());
    stack.Undo(0);
    EXPECT_EQ(l.Bounds().topLeft(), QPoint(100, 50));
}
