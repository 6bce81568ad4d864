#pragma once
// Base of the style pick lists (dash styles, point symbols): a single-selection list whose items
// the list draws itself, that tells user changes of the selection (OnValueChanged) apart from
// changes made by the program, and frames the selected item.

#include <QListWidget>

class TQvPickList : public QListWidget
{
    Q_OBJECT
public:
    explicit TQvPickList(QWidget* Parent = nullptr);

    // Colour of the selection frame, derived from the list's background colour.
    QColor FrameColor() const;
    // The 2-pixel frame around a selected item's rectangle.
    void DrawSelectionFrame(QPainter& Painter, const QRect& ItemRect) const;

signals:
    // The user changed the selection.
    void OnValueChanged();

protected:
    // User input: a selection change made while one of these runs comes from the user.
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

    // Called after user input that changed the selection; fires OnValueChanged.
    virtual void UserChanged();
    int SelectedRow() const;

private:
    void SelectedChanged();
    template <class E, class F>
    void UserInput(E* Event, F Base);
    int FUserInput = 0;
    bool FUserChanged = false;
};

// Colour of the 2-pixel frame around the selected item of a pick list with the given background:
// a dark grey on light backgrounds, a light grey on dark ones.
QColor QvPickListFrameColor(const QColor& Background);
