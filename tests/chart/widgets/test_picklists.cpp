// The two owner-drawn pick lists: their items, selection rules, value properties, the signal
// that only user changes fire, and what they draw.
#include "QvDashStylesList.h"
#include "QvPointStylesPick.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A user's left click on an item: press and release on its centre.
void ClickItem(QListWidget& List, int Row)
{
    const QPointF pos = List.visualItemRect(List.item(Row)).center();
    const QPointF global = List.viewport()->mapToGlobal(pos);
    QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List.viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List.viewport(), &release);
}

// Counts the emissions of a list's OnValueChanged.
template <class L>
struct ChangeCounter
{
    explicit ChangeCounter(L& List) { QObject::connect(&List, &L::OnValueChanged, [this] { ++n; }); }
    int count() const { return n; }
    int n = 0;
};

int CountColour(const QImage& Img, const QRect& Area, QRgb Colour)
{
    int n = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            n += Img.pixel(x, y) == Colour;
    return n;
}

// Pixels where red dominates (anti-aliased red lines blend into the background).
int CountReddish(const QImage& Img, const QRect& Area)
{
    int n = 0;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x) {
            const QRgb c = Img.pixel(x, y);
            n += qRed(c) > 200 && qGreen(c) < 200 && qRed(c) - qGreen(c) > 50;
        }
    return n;
}

} // namespace

TEST(DashStylesList, ItemsSelectionAndValue)
{
    TQvDashStylesList list;
    list.resize(120, 100);
    list.show();
    ASSERT_EQ(list.count(), 5);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("Solid"));
    EXPECT_EQ(list.item(3)->text(), QStringLiteral("Dash Dot"));
    EXPECT_EQ(list.item(4)->text(), QStringLiteral("Dash Dot Dot"));
    EXPECT_EQ(list.GetDashStyle(), 0);

    ChangeCounter<TQvDashStylesList> changed(list);
    list.SetDashStyle(TDashStyle::DashStyleDot);
    EXPECT_EQ(list.GetDashStyle(), 2);
    list.SetDashStyle(2);  // already selected: nothing happens
    list.SetDashStyle(9);  // no such item: ignored
    EXPECT_EQ(list.GetDashStyle(), 2);
    EXPECT_EQ(changed.count(), 0);

    // Reading with nothing selected selects the first item.
    list.clearSelection();
    EXPECT_EQ(list.GetDashStyle(), 0);
    EXPECT_EQ(changed.count(), 0);

    ClickItem(list, 4);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(list.GetDashStyle(), 4);
}

TEST(DashStylesList, ItemPenFollowsLinkedLineSettings)
{
    TQvDashStylesList list;
    const QRect r(0, 0, 100, 16);
    TQvPen pen = list.ItemPen(3, r);
    EXPECT_EQ(pen.Color(), QvColors::Red);
    EXPECT_FLOAT_EQ(pen.Width(), 1);
    EXPECT_EQ(pen.DashStyle(), TDashStyle::DashStyleDashDot);

    list.SetLineColor(QvColors::Blue);
    list.SetLineWidth(2);
    EXPECT_EQ(list.ItemPen(1, r).Color(), QvColors::Blue);
    EXPECT_FLOAT_EQ(list.ItemPen(1, r).Width(), 2);

    auto line = std::make_unique<TQvLineSettings>();
    line->SetColor(0xFF00FF00);
    line->SetWidth(3);
    line->SetDashStyle(TDashStyle::DashStyleDot);
    list.SetUseLineSettings(line.get());
    pen = list.ItemPen(1, r);
    EXPECT_EQ(pen.Color(), 0xFF00FF00u);
    EXPECT_FLOAT_EQ(pen.Width(), 3);
    EXPECT_EQ(pen.DashStyle(), TDashStyle::DashStyleDash); // the item's style, not the record's

    // A destroyed line record is dropped; the list falls back to its own colour and width.
    line.reset();
    EXPECT_EQ(list.UseLineSettings(), nullptr);
    EXPECT_EQ(list.ItemPen(0, r).Color(), QvColors::Blue);
}

TEST(DashStylesList, DrawsSampleLinesAndTheSelectionFrame)
{
    TQvDashStylesList list;
    list.resize(120, 100);
    list.setFrameShape(QFrame::NoFrame);
    list.SetDashStyle(1);
    list.show();
    const QImage img = list.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRect solid = list.visualItemRect(list.item(0));
    const QRect dot = list.visualItemRect(list.item(2));
    const int ySolid = solid.top() + solid.height() / 2;
    // The solid sample runs from 3 pixels inside the left edge to 3 inside the right edge.
    const int solidRed = CountColour(img, QRect(solid.left(), ySolid - 1, solid.width(), 3), QvColors::Red);
    EXPECT_GE(solidRed, solid.width() - 8);
    EXPECT_LE(solidRed, solid.width() - 6 + 2);
    EXPECT_NE(img.pixel(solid.left() + 1, ySolid), QvColors::Red);
    // The dotted sample covers about half of that.
    const int yDot = dot.top() + dot.height() / 2;
    const int dotRed = CountColour(img, QRect(dot.left(), yDot - 1, dot.width(), 3), QvColors::Red);
    EXPECT_LT(dotRed, solidRed * 3 / 4);
    EXPECT_GT(dotRed, solidRed / 4);
    // The selected item (1) has the frame on its left edge; the others do not.
    const QRgb frame = list.FrameColor().rgba();
    const QRect dash = list.visualItemRect(list.item(1));
    EXPECT_EQ(img.pixel(dash.left() + 1, dash.center().y()), frame);
    EXPECT_NE(img.pixel(solid.left() + 1, solid.center().y()), frame);
}

TEST(PointSymbolsList, ItemsGridSelectionAndValue)
{
    TQvPointSymbolsList list;
    EXPECT_EQ(list.size(), QSize(104, 44));
    list.show();
    ASSERT_EQ(list.count(), 10);
    EXPECT_EQ(list.Symbol(), TQvPointSymbol::Circle);
    EXPECT_TRUE(list.item(5)->isSelected());

    // Five columns, two rows of item height 20.
    const QRect first = list.visualItemRect(list.item(0));
    const QRect fifth = list.visualItemRect(list.item(4));
    const QRect sixth = list.visualItemRect(list.item(5));
    EXPECT_EQ(first.height(), 20);
    EXPECT_EQ(fifth.top(), first.top());
    EXPECT_GT(fifth.left(), first.left());
    EXPECT_EQ(sixth.left(), first.left());
    EXPECT_EQ(sixth.top(), first.top() + 20);

    ChangeCounter<TQvPointSymbolsList> changed(list);
    list.SetSymbol(TQvPointSymbol::Dot);
    EXPECT_EQ(list.Symbol(), TQvPointSymbol::Dot);
    EXPECT_TRUE(list.item(0)->isSelected());
    EXPECT_FALSE(list.item(5)->isSelected());
    EXPECT_EQ(changed.count(), 0);

    ClickItem(list, 7);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(list.Symbol(), TQvPointSymbol::Diamond);
    ClickItem(list, 9);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(list.Symbol(), TQvPointSymbol::Nabla);

    // Keyboard moves are user changes too.
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(&list, &left);
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(list.Symbol(), TQvPointSymbol::Delta);

    // A programmatic selection change is not.
    list.setCurrentRow(2);
    EXPECT_EQ(changed.count(), 3);
}

TEST(PointSymbolsList, DrawsEachSymbolInItsCell)
{
    TQvPointSymbolsList list;
    list.SetSymbol(TQvPointSymbol::Dot);
    list.show();
    const QImage img = list.viewport()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // Filled symbols show the fill colour at their centre, line symbols the border colour.
    const QRect square = list.visualItemRect(list.item(int(TQvPointSymbol::Square)));
    EXPECT_EQ(img.pixel(square.center()), QvColors::Gainsboro);
    const QRect cross = list.visualItemRect(list.item(int(TQvPointSymbol::Cross)));
    EXPECT_GT(CountReddish(img, cross.adjusted(2, 2, -2, -2)), 20);
    // The square is drawn with size item height - 4 = 16: its border stays inside the cell.
    EXPECT_GT(CountReddish(img, square), 40);
    EXPECT_EQ(img.pixel(square.left() + 1, square.center().y()), list.palette().color(QPalette::Base).rgba());
}
