// Legends: item collection, row and column layouts measured against the captions, docking,
// position changes as one undo group, and a click that switches a series.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvLegend.h"
#include "QvPersistence.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include "TestGraph.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

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

// With LegendCaptionColorFrom 1 the item captions take the series' line colour, also after the
// line colour changes later (2: the symbol colour).
TEST(Legend, CaptionColourFollowsTheSeriesStyle)
{
    Fixture f;
    TQvLegend& l = *f.legend;
    l.SetLegendCaptionColorFrom(1);
    f.a.Line()->SetColor(0xFF0000C0);
    f.Render();
    ASSERT_EQ(l.LegendCaptions().Count(), 3);
    EXPECT_EQ(l.LegendCaptions().GetValue(0).FColorOverride, 0xFF0000C0u);
    f.a.Line()->SetColor(0xFFC00000);
    f.Render();
    EXPECT_EQ(l.LegendCaptions().GetValue(0).FColorOverride, 0xFFC00000u);
    l.SetLegendCaptionColorFrom(2);
    f.Render();
    f.b.PointSymbol()->SetFillColor(0xFF00A000);
    f.Render();
    EXPECT_EQ(l.LegendCaptions().GetValue(1).FColorOverride, 0xFF00A000u);
}

// A legend docked ByRow that would be wider than its graph wraps into more rows; one that fits
// stays in one row.
TEST(Legend, ByRowWrapsWhenWiderThanTheGraph)
{
    Fixture f;
    TQvLegend& l = *f.legend;
    l.SetPosition(TQvLegendPosition::BottomCenterOfGraph);
    f.Render();
    const int OneRow = l.Height();
    const auto& R = l.ItemRects();
    EXPECT_EQ(R[0].top(), R[2].top());

    std::vector<std::unique_ptr<TQvPointSeries>> More;
    for (int i = 0; i < 5; ++i) {
        More.push_back(std::make_unique<TQvPointSeries>());
        More.back()->SetCaption(QStringLiteral("Another rather long caption %1").arg(i));
        f.Attach(*More.back());
    }
    f.Render();
    ASSERT_EQ(l.Items().size(), 8);
    EXPECT_LE(l.Width(), f.graph.width());
    EXPECT_GE(l.Bounds().left(), 0);
    EXPECT_LE(l.Bounds().right(), f.graph.width() - 1);
    EXPECT_GT(l.Height(), OneRow);
    for (int i = 0; i < 8; ++i) {
        const TQvRichCaptionRec& C = l.LegendCaptions().GetValue(i);
        EXPECT_GE(R[i].left(), 0) << i;
        EXPECT_LE(C.X + C.Size().width(), l.Width()) << i;
    }
    // Rows are filled in order: the first row starts with the first item.
    EXPECT_EQ(R[0].top(), R[1].top());
    EXPECT_GT(R[7].top(), R[0].top());
    for (auto& S : More)
        S->SetYAxis(nullptr);
}

// The legend cuts a translucent symbol out of its sample line exactly as the plot cuts it out of
// the series' line: the same gap around the centre.
TEST(Legend, SymbolCutOutMatchesThePlot)
{
    TestGraph g;
    Fill(g.xs, {1, 2, 3});
    Fill(g.ys, {2, 2, 2});
    TQvPointSeries s;
    g.Attach(s);
    s.PointSymbol()->SetPointSymbol(TQvPointSymbol::Circle);
    s.PointSymbol()->SetSize(31);
    s.PointSymbol()->SetFillColor(0x00000000);
    s.PointSymbol()->SetBorderColor(0x00000000);
    s.Line()->SetColor(0xFFFF0000);
    s.Line()->SetWidth(3);
    const QImage plot = g.Render();
    const QPointF P(s.Points().GetX(1), s.Points().GetY(1));
    QImage item(plot.size(), QImage::Format_ARGB32_Premultiplied);
    item.fill(Qt::white);
    {
        QPainter p(&item);
        p.setRenderHint(QPainter::Antialiasing, true);
        s.DrawListItem(p, QRectF(P.x() - 40, P.y() - 10, 80, 20));
    }
    const int Row = int(std::floor(P.y()));
    auto Gap = [&](const QImage& Img) {
        QList<int> Columns;
        for (int x = int(P.x()) - 30; x <= int(P.x()) + 30; ++x)
            if (qRed(Img.pixel(x, Row)) > 200 && qGreen(Img.pixel(x, Row)) > 200)
                Columns << x;
        return Columns;
    };
    const QList<int> InPlot = Gap(plot);
    EXPECT_GE(InPlot.size(), 25);
    EXPECT_EQ(Gap(item), InPlot);
    s.SetYAxis(nullptr);
}

// A legend's settings come back from each stored form, and with its graph's settings, which
// also make a legend the graph lacks.
TEST(Legend, SettingsComeBackInEveryFormAndWithTheGraph)
{
    Fixture f;
    f.graph.setObjectName(QStringLiteral("LegendGraph"));
    TQvLegend& l = *f.legend;
    l.setObjectName(QStringLiteral("Legend1"));
    l.SetCaption(QStringLiteral("Steps"));
    l.SetCaptionVisible(true);
    l.SetPosition(TQvLegendPosition::TopCenterOfAxis);
    l.SetRows(2);
    l.SetBackColor(0xFFEEEEEE);
    l.SetLegendCaptionColorFrom(2);
    l.SetItemsOrderList({QStringLiteral("SeriesC")});
    l.Frame()->SetColor(0xFF0000FF);
    l.Font()->SetSize(13);
    l.CaptionFont()->SetFillColor(0xFF008000);
    l.BackgroundGradient()->SetVisible(true);
    const QVariantMap Saved = l.WriteSettings();
    EXPECT_EQ(Saved.value(QStringLiteral("Caption")).toString(), QStringLiteral("Steps"));

    auto Scramble = [&] {
        l.SetCaption(QStringLiteral("other"));
        l.SetCaptionVisible(false);
        l.SetPosition(TQvLegendPosition::FreeFloating);
        l.SetRows(1);
        l.SetLegendCaptionColorFrom(0);
        l.SetItemsOrderList({});
        l.Frame()->SetColor(0xFF000000);
        l.Font()->SetSize(9);
        l.CaptionFont()->SetFillColor(0xFF000000);
        l.BackgroundGradient()->SetVisible(false);
        ASSERT_NE(l.WriteSettings(), Saved);
    };
    {
        QBuffer B;
        B.open(QIODevice::ReadWrite);
        l.WriteTo(B);
        Scramble();
        B.seek(0);
        l.ReadFrom(B);
        EXPECT_EQ(l.WriteSettings(), Saved) << "stream";
    }
    {
        QByteArray Bytes;
        QXmlStreamWriter W(&Bytes);
        l.WriteTo(W);
        Scramble();
        QXmlStreamReader R(Bytes);
        l.ReadFrom(R);
        EXPECT_EQ(l.WriteSettings(), Saved) << "xml";
    }
    {
        QTemporaryDir Dir;
        QSettings Ini(Dir.filePath(QStringLiteral("l.ini")), QSettings::IniFormat);
        l.WriteTo(Ini, QStringLiteral("Legend"));
        Scramble();
        l.ReadFrom(Ini, QStringLiteral("Legend"));
        EXPECT_EQ(l.WriteSettings(), Saved) << "ini";
    }
    // A foreign record changes nothing.
    {
        QBuffer B;
        B.open(QIODevice::ReadWrite);
        f.graph.WriteTo(B);
        B.seek(0);
        EXPECT_THROW(l.ReadFrom(B), EQvPersistenceError);
        EXPECT_EQ(l.WriteSettings(), Saved);
    }

    // With the graph: written, read back, and made again when missing.
    const QVariantMap Graph = f.graph.WriteSettings(false);
    ASSERT_TRUE(Graph.value(QStringLiteral("Legends")).toMap().contains(QStringLiteral("Legend1")));
    Scramble();
    f.graph.ReadSettings(Graph, false);
    EXPECT_EQ(l.WriteSettings(), Saved);
    delete f.legend;
    f.legend = nullptr;
    f.graph.ReadSettings(Graph, false);
    TQvCustomLegend* Made = nullptr;
    for (TQvGraphLegendBase* B : f.graph.RelatedLegends())
        if (B->objectName() == QLatin1String("Legend1"))
            Made = qobject_cast<TQvCustomLegend*>(B);
    ASSERT_NE(Made, nullptr);
    EXPECT_EQ(Made->parent(), &f.graph);
    EXPECT_EQ(Made->WriteSettings(), Saved);
}
