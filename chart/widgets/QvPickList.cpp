#include "QvPickList.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

QColor QvPickListFrameColor(const QColor& Background)
{
    return Background.lightness() >= 128 ? Background.darker(300) : Background.lighter(250);
}

TQvPickList::TQvPickList(QWidget* Parent) : QListWidget(Parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemSelectionChanged, this, &TQvPickList::SelectedChanged);
}

QColor TQvPickList::FrameColor() const
{
    return QvPickListFrameColor(palette().color(QPalette::Base));
}

void TQvPickList::DrawSelectionFrame(QPainter& Painter, const QRect& ItemRect) const
{
    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    QPen Frame(FrameColor(), 2);
    Frame.setJoinStyle(Qt::MiterJoin);
    Painter.setPen(Frame);
    Painter.setBrush(Qt::NoBrush);
    Painter.drawRect(QRectF(ItemRect).adjusted(1, 1, -1, -1));
    Painter.restore();
}

int TQvPickList::SelectedRow() const
{
    const auto Sel = selectedItems();
    return Sel.isEmpty() ? -1 : row(Sel.first());
}

template <class E, class F>
void TQvPickList::UserInput(E* Event, F Base)
{
    ++FUserInput;
    Base(Event);
    --FUserInput;
    if (FUserInput == 0 && FUserChanged) {
        FUserChanged = false;
        UserChanged();
    }
}

void TQvPickList::mousePressEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mousePressEvent(e); });
}

void TQvPickList::mouseMoveEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mouseMoveEvent(e); });
}

void TQvPickList::mouseReleaseEvent(QMouseEvent* Event)
{
    UserInput(Event, [this](QMouseEvent* e) { QListWidget::mouseReleaseEvent(e); });
}

void TQvPickList::keyPressEvent(QKeyEvent* Event)
{
    UserInput(Event, [this](QKeyEvent* e) { QListWidget::keyPressEvent(e); });
}

void TQvPickList::SelectedChanged()
{
    viewport()->update();
    if (FUserInput > 0)
        FUserChanged = true;
}

void TQvPickList::UserChanged()
{
    emit OnValueChanged();
}
