#pragma once
// A list box that shows the five dash styles as sample lines: "Solid", "Dash", "Dot",
// "Dash Dot", "Dash Dot Dot". The item index is the dash style.

#include "QvGDI.h"
#include "QvStyles.h"

#include "QvPickList.h"

#include <QPointer>

class TQvDashStylesList : public TQvPickList
{
    Q_OBJECT
    Q_PROPERTY(int DashStyle READ GetDashStyle WRITE SetDashStyle)
    Q_PROPERTY(uint LineColor READ LineColor WRITE SetLineColor)
    Q_PROPERTY(float LineWidth READ LineWidth WRITE SetLineWidth)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
public:
    explicit TQvDashStylesList(QWidget* Parent = nullptr);

    // The selected index; selects item 0 first when nothing is selected.
    int GetDashStyle();
    // Selects the item and repaints, unless it is already selected. Does not fire
    // OnValueChanged.
    void SetDashStyle(int Value);
    void SetDashStyle(TDashStyle Value) { SetDashStyle(int(Value)); }

    // When set, items are drawn with this line style's pen (in each item's dash style).
    TQvSimpleLineSettings* UseLineSettings() const { return FUseLineSettings; }
    void SetUseLineSettings(TQvSimpleLineSettings* Value);

    TQvColor LineColor() const { return FLineColor; }
    void SetLineColor(TQvColor Value);
    float LineWidth() const { return FLineWidth; }
    void SetLineWidth(float Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

    // The pen an item is drawn with (for the item drawing and for tests).
    TQvPen ItemPen(int Index, const QRect& ItemRect) const;

private:
    QPointer<TQvSimpleLineSettings> FUseLineSettings;
    QMetaObject::Connection FLineSettingsDestroyed;
    TQvColor FLineColor = QvColors::Red;
    float FLineWidth = 1.0f;
    int FItemHeight = 16;
};
