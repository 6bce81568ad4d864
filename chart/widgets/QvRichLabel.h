#pragma once
// The label control: shows one rich caption in a chart font, at an angle and alignment, and can
// size itself to the caption.

#include "QvChartTypes.h"
#include "QvColors.h"
#include "QvFont.h"

#include <QSize>
#include <QWidget>

// A control that shows one rich caption.
class TQvRichLabel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(TQvFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(uint BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(float Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(TQvContentAlignment TextAlign READ TextAlign WRITE SetTextAlign)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
    Q_PROPERTY(QString PlainText READ PlainText)
public:
    explicit TQvRichLabel(QWidget* Parent = nullptr);
    ~TQvRichLabel() override;

    QString Caption() const { return FRec.Caption; }
    // Trailing blanks are removed.
    void SetCaption(const QString& Value);
    bool CaptionSet() const { return FCaptionSet; }
    TQvFont* Font() const { return FFont; }
    // Copies the given font's settings.
    void SetFont(TQvFont* Value);
    TQvColor ForeColor() const;
    void SetForeColor(TQvColor Value);
    TQvColor BackColor() const { return FBackColor; }
    void SetBackColor(TQvColor Value);
    float Angle() const { return FRec.Angle; }
    // Brought into [0, 360).
    void SetAngle(float Value);
    TQvContentAlignment TextAlign() const { return FTextAlign; }
    void SetTextAlign(TQvContentAlignment Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    QString PlainText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    void CaptionChanged();
    void AdjustSize();

    TQvRichCaptionRec FRec;
    TQvFont* FFont;
    TQvColor FBackColor;
    TQvContentAlignment FTextAlign = TQvContentAlignment::TopLeft;
    bool FAutoSize = false;
    bool FCaptionSet = false;
};
