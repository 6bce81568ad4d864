#pragma once
// Integer single-line edit: the integer counterpart of TQvDoubleEdit (decimal text, optional
// range, digits and "-" only).

#include "QvFloatEdit.h"

class TQvIntegerEdit : public TQvCustomNumberEdit
{
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
public:
    explicit TQvIntegerEdit(QWidget* Parent = nullptr);

    int Value() const { return FValue; }
    void SetValue(int v);
    int MinValue() const { return FMinValue; }
    void SetMinValue(int v);
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int v);

    // Decimal text of a 32-bit integer (blanks around it ignored); false when it does not parse
    // or does not fit 32 bits.
    static bool ParseInteger(const QString& Text, int& Result);

protected:
    bool TryParseText(const QString& Text, double& Result) const override;
    double ClampValue(double v) const override;
    bool InRange(double v) const override;
    double CurrentValue() const override { return FValue; }
    void StoreValue(double v) override { FValue = static_cast<int>(v); }
    QString ValueText() const override;
    QString FittedText() const override;
    bool AcceptsChar(QChar c) const override;

private:
    int FValue = 0;
    int FMinValue = 0;
    int FMaxValue = 0;
};
