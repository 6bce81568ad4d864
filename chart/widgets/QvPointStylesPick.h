#pragma once
// A list box that shows the ten point symbols in a grid (five columns by default). The item
// index is the symbol; Circle is selected when nothing is.

#include "QvGDI.h"
#include "QvStyles.h"

#include "QvPickList.h"

class TQvPointSymbolsList : public TQvPickList
{
    Q_OBJECT
    Q_PROPERTY(QvStyleEnums::TQvPointSymbol Symbol READ Symbol WRITE SetSymbol)
    Q_PROPERTY(uint SymbolBorderColor READ SymbolBorderColor WRITE SetSymbolBorderColor)
    Q_PROPERTY(uint SymbolFillColor READ SymbolFillColor WRITE SetSymbolFillColor)
    Q_PROPERTY(float SymbolBorderLineWidth READ SymbolBorderLineWidth WRITE SetSymbolBorderLineWidth)
    Q_PROPERTY(int Columns READ Columns WRITE SetColumns)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE SetItemHeight)
public:
    explicit TQvPointSymbolsList(QWidget* Parent = nullptr);

    TQvPointSymbol Symbol() const { return FSymbol; }
    // Stores the symbol, selects its item and repaints, unless that item is already selected.
    // Does not fire OnValueChanged.
    void SetSymbol(TQvPointSymbol Value);

    TQvColor SymbolBorderColor() const { return FSymbolBorderColor; }
    void SetSymbolBorderColor(TQvColor Value);
    TQvColor SymbolFillColor() const { return FSymbolFillColor; }
    void SetSymbolFillColor(TQvColor Value);
    float SymbolBorderLineWidth() const { return FSymbolBorderLineWidth; }
    void SetSymbolBorderLineWidth(float Value);
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* Event) override;
    // The user selected another symbol: it becomes Symbol, then OnValueChanged fires.
    void UserChanged() override;

private:
    void UpdateGrid();

    TQvPointSymbol FSymbol = TQvPointSymbol::Circle;
    TQvColor FSymbolBorderColor = QvColors::Red;
    TQvColor FSymbolFillColor = QvColors::Gainsboro;
    float FSymbolBorderLineWidth = 1.0f;
    int FColumns = 5;
    int FItemHeight = 20;
};
