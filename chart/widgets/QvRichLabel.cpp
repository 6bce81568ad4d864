#include "QvRichLabel.h"

#include <QPainter>
#include <QPaintEvent>

TQvRichLabel::TQvRichLabel(QWidget* Parent)
    : QWidget(Parent), FFont(new TQvFont(this, QStringLiteral("Font"))),
      FBackColor(QvColors::Transparent)
{
    FRec.Font = FFont;
    FRec.Owner = this;
    FFont->SetNeedsInvalidate([this] { update(); });
    FFont->SetNeedsResize([this] { CaptionChanged(); });
}

TQvRichLabel::~TQvRichLabel() = default;

void TQvRichLabel::SetCaption(const QString& Value)
{
    QString v = Value;
    while (!v.isEmpty() && v.back() == QLatin1Char(' '))
        v.chop(1);
    FCaptionSet = true;
    if (v == FRec.Caption && FRec.Measured())
        return;
    FRec.SetCaption(v);
    CaptionChanged();
}

void TQvRichLabel::SetFont(TQvFont* Value)
{
    if (Value && Value != FFont)
        FFont->Assign(*Value);
}

TQvColor TQvRichLabel::ForeColor() const
{
    return FFont->FillColor();
}

void TQvRichLabel::SetForeColor(TQvColor Value)
{
    FFont->SetFillColor(Value);
}

void TQvRichLabel::SetBackColor(TQvColor Value)
{
    if (Value == FBackColor)
        return;
    FBackColor = Value;
    update();
}

void TQvRichLabel::SetAngle(float Value)
{
    float a = std::fmod(Value, 360.0f);
    if (a < 0)
        a += 360.0f;
    if (a >= 360.0f)
        a = 0;
    if (a == FRec.Angle)
        return;
    FRec.Angle = a;
    CaptionChanged();
}

void TQvRichLabel::SetTextAlign(TQvContentAlignment Value)
{
    if (Value == FTextAlign)
        return;
    FTextAlign = Value;
    CaptionChanged();
}

void TQvRichLabel::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    CaptionChanged();
}

QString TQvRichLabel::PlainText() const
{
    if (!FRec.Measured())
        const_cast<TQvRichCaptionRec&>(FRec).Measure(this);
    return FRec.FText;
}

void TQvRichLabel::CaptionChanged()
{
    FRec.Measure(this);
    if (FAutoSize)
        AdjustSize();
    updateGeometry();
    update();
}

void TQvRichLabel::AdjustSize()
{
    const QRectF box = QvRotatedCaptionBox(FRec.Size(), QPointF(), FTextAlign, FRec.Angle);
    resize(int(std::ceil(box.width())), int(std::ceil(box.height())));
}

QSize TQvRichLabel::sizeHint() const
{
    if (!FRec.Measured())
        const_cast<TQvRichCaptionRec&>(FRec).Measure(this);
    const QRectF box = QvRotatedCaptionBox(FRec.Size(), QPointF(), FTextAlign, FRec.Angle);
    return {int(std::ceil(box.width())), int(std::ceil(box.height()))};
}

void TQvRichLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (QvAlpha(FBackColor) > 0)
        p.fillRect(rect(), QColor::fromRgba(FBackColor));
    if (FRec.Caption.isEmpty())
        return;
    if (!FRec.Measured())
        FRec.Measure(this);
    // Place the rotated box inside the control as the alignment says.
    FRec.Align = FTextAlign;
    FRec.X = 0;
    FRec.Y = 0;
    const QRectF box = FRec.BoundingRect();
    const int a = static_cast<int>(FTextAlign);
    const int col = a % 3, row = a / 3;
    const double dx = col == 0 ? -box.left()
        : col == 1             ? (width() - box.width()) / 2 - box.left()
                               : width() - box.right();
    const double dy = row == 0 ? -box.top()
        : row == 1             ? (height() - box.height()) / 2 - box.top()
                               : height() - box.bottom();
    FRec.X = float(dx);
    FRec.Y = float(dy);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    FRec.Draw(p);
}
