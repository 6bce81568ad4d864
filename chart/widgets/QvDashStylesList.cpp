#include "QvDashStylesList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

// Draws each item as a horizontal sample line in the item's dash style.
class TDashStyleDelegate : public QStyledItemDelegate
{
public:
    explicit TDashStyleDelegate(TQvDashStylesList* List) : QStyledItemDelegate(List), FList(List) {}

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override
    {
        const QRect r = Option.rect;
        Painter->save();
        Painter->fillRect(r, FList->palette().color(QPalette::Base));
        // Aliased, so that thin sample lines stay crisp on the pixel row.
        Painter->setRenderHint(QPainter::Antialiasing, false);
        const TQvPen pen = FList->ItemPen(Index.row(), r);
        const qreal y = r.top() + r.height() / 2.0;
        Painter->setPen(pen);
        Painter->drawLine(QPointF(r.left() + 3, y), QPointF(r.right() + 1 - 3, y));
        if (Option.state & QStyle::State_Selected)
            FList->DrawSelectionFrame(*Painter, r);
        Painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex&) const override
    {
        return QSize(Option.rect.width(), FList->ItemHeight());
    }

private:
    TQvDashStylesList* FList;
};

} // namespace

TQvDashStylesList::TQvDashStylesList(QWidget* Parent) : TQvPickList(Parent)
{
    setItemDelegate(new TDashStyleDelegate(this));
    // Created empty: the five dash styles, the first selected.
    for (const char* name : {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"})
        addItem(QString::fromLatin1(name));
    setCurrentRow(0);
}

int TQvDashStylesList::GetDashStyle()
{
    if (selectedItems().isEmpty() && count() > 0)
        setCurrentRow(0);
    return SelectedRow();
}

void TQvDashStylesList::SetDashStyle(int Value)
{
    if (Value < 0 || Value >= count())
        return;
    if (item(Value)->isSelected())
        return;
    setCurrentRow(Value);
    viewport()->update();
}

void TQvDashStylesList::SetUseLineSettings(TQvSimpleLineSettings* Value)
{
    if (FUseLineSettings == Value)
        return;
    disconnect(FLineSettingsDestroyed);
    FUseLineSettings = Value;
    if (Value)
        FLineSettingsDestroyed = connect(Value, &QObject::destroyed, this, [this] { viewport()->update(); });
    viewport()->update();
}

void TQvDashStylesList::SetLineColor(TQvColor Value)
{
    if (FLineColor == Value)
        return;
    FLineColor = Value;
    viewport()->update();
}

void TQvDashStylesList::SetLineWidth(float Value)
{
    if (FLineWidth == Value)
        return;
    FLineWidth = Value;
    viewport()->update();
}

void TQvDashStylesList::SetItemHeight(int Value)
{
    if (Value < 1 || FItemHeight == Value)
        return;
    FItemHeight = Value;
    doItemsLayout();
}

TQvPen TQvDashStylesList::ItemPen(int Index, const QRect& ItemRect) const
{
    TQvPen pen = FUseLineSettings ? FUseLineSettings->GetPen(ItemRect) : TQvPen(FLineColor, FLineWidth);
    pen.SetDashStyle(static_cast<TDashStyle>(Index));
    return pen;
}
