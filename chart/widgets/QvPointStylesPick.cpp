#include "QvPointStylesPick.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

namespace {

// Draws each item as its point symbol centred in the item, anti-aliased.
class TPointSymbolDelegate : public QStyledItemDelegate
{
public:
    explicit TPointSymbolDelegate(TQvPointSymbolsList* List) : QStyledItemDelegate(List), FList(List) {}

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override
    {
        const QRect r = Option.rect;
        Painter->save();
        Painter->fillRect(r, FList->palette().color(QPalette::Base));
        Painter->setRenderHint(QPainter::Antialiasing, true);
        const QPointF centre(r.left() + r.width() / 2.0, r.top() + r.height() / 2.0);
        QvDrawPointSymbol(*Painter, static_cast<TQvPointSymbol>(Index.row()),
                          float(FList->ItemHeight() - 4), centre,
                          TQvPen(FList->SymbolBorderColor(), FList->SymbolBorderLineWidth()),
                          QvSolidBrush(FList->SymbolFillColor()));
        if (Option.state & QStyle::State_Selected)
            FList->DrawSelectionFrame(*Painter, r);
        Painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return FList->gridSize();
    }

private:
    TQvPointSymbolsList* FList;
};

} // namespace

TQvPointSymbolsList::TQvPointSymbolsList(QWidget* Parent) : TQvPickList(Parent)
{
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setSpacing(0);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setItemDelegate(new TPointSymbolDelegate(this));
    for (int i = 0; i < QvPointSymbolCount; ++i) {
        auto* it = new QListWidgetItem(this);
        it->setToolTip(QvPointSymbolName(static_cast<TQvPointSymbol>(i)));
    }
    resize(104, 44);
    UpdateGrid();
    setCurrentRow(int(FSymbol));
}

void TQvPointSymbolsList::SetSymbol(TQvPointSymbol Value)
{
    const int i = int(Value);
    if (i < 0 || i >= count())
        return;
    if (item(i)->isSelected())
        return;
    FSymbol = Value;
    setCurrentRow(i);
    viewport()->update();
}

void TQvPointSymbolsList::SetSymbolBorderColor(TQvColor Value)
{
    if (FSymbolBorderColor == Value)
        return;
    FSymbolBorderColor = Value;
    viewport()->update();
}

void TQvPointSymbolsList::SetSymbolFillColor(TQvColor Value)
{
    if (FSymbolFillColor == Value)
        return;
    FSymbolFillColor = Value;
    viewport()->update();
}

void TQvPointSymbolsList::SetSymbolBorderLineWidth(float Value)
{
    if (FSymbolBorderLineWidth == Value)
        return;
    FSymbolBorderLineWidth = Value;
    viewport()->update();
}

void TQvPointSymbolsList::SetColumns(int Value)
{
    if (Value < 1 || FColumns == Value)
        return;
    FColumns = Value;
    UpdateGrid();
}

void TQvPointSymbolsList::SetItemHeight(int Value)
{
    if (Value < 1 || FItemHeight == Value)
        return;
    FItemHeight = Value;
    UpdateGrid();
}

QSize TQvPointSymbolsList::sizeHint() const { return QSize(104, 44); }

void TQvPointSymbolsList::resizeEvent(QResizeEvent* Event)
{
    QListWidget::resizeEvent(Event);
    UpdateGrid();
}

void TQvPointSymbolsList::UpdateGrid()
{
    // The columns share the visible width; each row is one item high.
    const int w = std::max(1, viewport()->width() / FColumns);
    const QSize grid(w, FItemHeight);
    if (gridSize() != grid)
        setGridSize(grid);
}

void TQvPointSymbolsList::UserChanged()
{
    const int r = SelectedRow();
    if (r < 0)
        return;
    FSymbol = static_cast<TQvPointSymbol>(r);
    emit OnValueChanged();
}
