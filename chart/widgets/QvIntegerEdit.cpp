#include "QvIntegerEdit.h"

TQvIntegerEdit::TQvIntegerEdit(QWidget* Parent) : TQvCustomNumberEdit(Parent)
{
    WriteText(QStringLiteral("0"));
}

void TQvIntegerEdit::SetValue(int v)
{
    ApplyValue(v);
}

void TQvIntegerEdit::SetMinValue(int v)
{
    if (v == FMinValue)
        return;
    FMinValue = v;
    SetValue(FValue);
}

void TQvIntegerEdit::SetMaxValue(int v)
{
    if (v == FMaxValue)
        return;
    FMaxValue = v;
    SetValue(FValue);
}

bool TQvIntegerEdit::ParseInteger(const QString& Text, int& Result)
{
    const QString s = Text.trimmed();
    if (s.isEmpty())
        return false;
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    if (!ok)
        return false;
    Result = v;
    return true;
}

bool TQvIntegerEdit::TryParseText(const QString& Text, double& Result) const
{
    int v = 0;
    if (!ParseInteger(Text, v))
        return false;
    Result = v;
    return true;
}

double TQvIntegerEdit::ClampValue(double v) const
{
    if (FMinValue < FMaxValue) {
        if (v < FMinValue)
            v = FMinValue;
        else if (v > FMaxValue)
            v = FMaxValue;
    }
    return v;
}

bool TQvIntegerEdit::InRange(double v) const
{
    return !(FMinValue < FMaxValue) || (v >= FMinValue && v <= FMaxValue);
}

QString TQvIntegerEdit::ValueText() const
{
    return QString::number(FValue);
}

QString TQvIntegerEdit::FittedText() const
{
    const QString s = ValueText();
    if (TextWidth(s) > TextAreaWidth())
        return QString(HashCount, QLatin1Char('#'));
    return s;
}

bool TQvIntegerEdit::AcceptsChar(QChar c) const
{
    return (c.isDigit() && c.unicode() < 128) || c == QLatin1Char('-');
}
