#include "QvDashStylesList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

QColor QvPickListFrameColor(const QColor& Background)
{
    return Background.lightness() >= 128 ? Background.darker(300) : Background.lighter(250);
}

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
        if (Option.state & QStyle::State_Selected) {
            Painter->setRenderHint(QPainter::Antialiasing, false);
            QPen frame(FList->FrameColor(), 2);
            frame.setJoinStyle(Qt::MiterJoin);
            Painter->setPen(frame);
            Painter->setBrush(Qt::NoBrush);
            Painter->drawRect(QRectF(r).adjusted(1, 1, -1, -1));
        }
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

TQvDashStylesList::TQvDashStylesList(QWidget* Parent) : QListWidget(Parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new TDashStyleDelegate(this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Created empty: the five dash styles, the first selected.
    for (const char* name : {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"})
        addItem(QString::fromLatin1(name));
    setCurrentRow(0);
    connect(this, &QListWidget::itemSelectionChanged, this, &TQvDashStylesList::SelectedChanged);
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

QColor TQvDashStylesList::FrameColor() const
{
    return QvPickListFrameColor(palette().color(QPalette::Base));
}

int TQvDashStylesList::SelectedRow() const
{
    const auto sel = selectedItems();
    return sel.isEmpty() ? -1 : row(sel.first());
}

template <class E, class F>
void TQvDashStylesList::UserInput(E* Event, F Base)
{
    ++FUserInput;
    Base(Event);
    --FUserInput;
    if (FUserInput == 0 && FUserChanged) {
        FUserChanged = false;
        UserChanged();
    }
}

void TQvDashStylesList::mousePressEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mousePressEvent(e); });
}

void TQvDashStylesList::mouseMoveEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mouseMoveEvent(e); });
}

void TQvDashStylesList::mouseReleaseEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mouseReleaseEvent(e); });
}

void TQvDashStylesList::keyPressEvent(QKeyEvent* Event)
{
    UserInput(Event, [this](QKeyEvent* e) { QListWidget::keyPressEvent(e); });
}

void TQvDashStylesList::SelectedChanged()
{
    viewport()->update();
    if (FUserInput > 0)
        FUserChanged = true;
}

void TQvDashStylesList::UserChanged() { emit OnValueChanged(); }
