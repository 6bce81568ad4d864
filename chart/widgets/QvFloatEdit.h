#pragma once
// Numeric single-line edits: a QLineEdit that holds a number, shows it formatted, accepts only
// the characters a number can contain, takes over what the user types as soon as it parses, and
// clamps it to an optional range when the user leaves the edit or presses Enter.
//
// TQvCustomNumberEdit holds what the double and the integer edit share (caret memory across
// focus changes, the key filter, typing, leaving, Enter, the property link); TQvCustomDoubleEdit
// and TQvIntegerEdit (QvIntegerEdit.h) add the value, its range and its text.

#include <QByteArray>
#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <functional>

// The system beep of the edits (QApplication::beep by default). Tests install their own handler
// to count beeps; an empty function restores the default.
void QvSetBeepHandler(std::function<void()> Handler);
void QvBeep();

class TQvCustomNumberEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TQvCustomNumberEdit(QWidget* Parent = nullptr);

    // Couples the edit's value to a property of another object: every value the edit takes is
    // written to Target's property PropertyName. Pass null to remove the link.
    void SetValueLink(QObject* Target, const QByteArray& PropertyName);
    QObject* ValueLinkTarget() const { return FLinkTarget; }

    // The text shown while the edit has the focus (the last text that parsed, or the formatted
    // value the edit wrote itself).
    QString LastValidText() const { return FLastValidText; }
    // Why the text typed last is refused although it is a number (beyond the range the value
    // can be stored in, for example); empty while the text is taken over or merely incomplete.
    // While there is a reason the text shows in red with the reason as its tooltip, and leaving
    // the edit (or Enter) tells the user once more before the last valid value comes back.
    QString Refusal() const { return FRefusal; }

    // Number of characters of the row of hashes shown when a value does not fit.
    static constexpr int HashCount = 45;

signals:
    // Raised whenever the value is set or taken over from the text (also when it did not change).
    void OnValueChanged(QObject* Sender);
    // Raised when Enter is pressed, after the text has been validated.
    void OnDblClick(QObject* Sender);

protected:
    // What the concrete edits provide. Values travel as double (exact for 32-bit integers).
    virtual bool TryParseText(const QString& Text, double& Result) const = 0;
    virtual double ClampValue(double v) const = 0;
    virtual bool InRange(double v) const = 0;
    virtual double CurrentValue() const = 0;
    virtual void StoreValue(double v) = 0;
    // The full text of the current value (shown while focused).
    virtual QString ValueText() const = 0;
    // The text of the current value as shown without the focus (fitted to the width).
    virtual QString FittedText() const = 0;
    virtual bool AcceptsChar(QChar c) const = 0;
    // Why Text is refused although it parses as far as the edit's syntax goes; empty for none.
    virtual QString RefusalReason(const QString& Text) const { return QString(); }

    // Width in pixels available for text inside the frame and Qt's inner margins.
    int TextAreaWidth() const;
    int TextWidth(const QString& s) const;

    // Clamps and stores v, rewrites the text and raises OnValueChanged (SetValue of both edits).
    void ApplyValue(double v);
    // Rewrites the shown text from the value without raising anything (format changes).
    void RefreshText();
    // Takes the text over as value when it parses (leaving the edit, Enter): clamps it; when the
    // result differs from the value, writes it back, beeps and raises OnValueChanged.
    void ValidateText();
    // Writes the edit's own text with the setting flag raised.
    void WriteText(const QString& s);

    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    void TextChangedByUser(const QString& Text);
    void UpdateLink();
    // Shows or clears the refusal of the typed text.
    void SetRefusal(const QString& Reason);
    // Tells the user why the text left behind is refused (leaving the edit, Enter).
    void ReportRefusal();

    QString FLastValidText = QStringLiteral("0");
    int FLastCursorPos = 0;
    int FLastSelStart = -1;
    int FLastSelLength = 0;
    bool FSelectAllOnEntry = false;
    bool FSetting = false;
    QPointer<QObject> FLinkTarget;
    QByteArray FLinkProperty;
    QString FRefusal;
    QString FOwnToolTip;
};

class TQvCustomDoubleEdit : public TQvCustomNumberEdit
{
    Q_OBJECT
    Q_PROPERTY(double Value READ Value WRITE SetValue)
    Q_PROPERTY(double MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(double MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(QString Format READ Format WRITE SetFormat)
    Q_PROPERTY(int Digits READ Digits WRITE SetDigits)
    Q_PROPERTY(bool AsDateTime READ AsDateTime WRITE SetAsDateTime)
    Q_PROPERTY(bool AsTimeSpan READ AsTimeSpan WRITE SetAsTimeSpan)
    Q_PROPERTY(bool DoHashes READ DoHashes WRITE SetDoHashes)
    Q_PROPERTY(bool SinglePrecision READ SinglePrecision WRITE SetSinglePrecision)
public:
    explicit TQvCustomDoubleEdit(QWidget* Parent = nullptr);

    // Day numbers of the first and last moments a date-time value may take.
    static constexpr double MinDateTime = -693593.0;
    static constexpr double MaxDateTime = 2958465.99998843;

    double Value() const { return FValue; }
    void SetValue(double v);
    double MinValue() const { return FMinValue; }
    void SetMinValue(double v);
    double MaxValue() const { return FMaxValue; }
    void SetMaxValue(double v);
    QString Format() const { return FFormat; }
    void SetFormat(const QString& Value);
    int Digits() const { return FDigits; }
    void SetDigits(int Value);
    bool AsDateTime() const { return FAsDateTime; }
    void SetAsDateTime(bool Value);
    bool AsTimeSpan() const { return FAsTimeSpan; }
    void SetAsTimeSpan(bool Value);
    bool DoHashes() const { return FDoHashes; }
    void SetDoHashes(bool Value);
    // The value is kept as a 32-bit float where it is used: a typed number beyond that range
    // (above 3.40282e38 in magnitude) is refused, with the reason, instead of becoming a value
    // that cannot be stored.
    bool SinglePrecision() const { return FSinglePrecision; }
    void SetSinglePrecision(bool Value) { FSinglePrecision = Value; }

    // Texts of the date-time and time-span modes (values in days, date-time day 0 is
    // 1899-12-30 00:00) and their parsers; the parsers return false for text that does not parse.
    static QString DateTimeText(double Days);
    static bool ParseDateTime(const QString& Text, double& Days);
    static QString TimeSpanText(double Days);
    static bool ParseTimeSpan(const QString& Text, double& Days);
    // A number as typed: blanks around it are ignored, "." and the user's decimal separator both
    // serve as decimal point; infinite and NaN values are refused.
    static bool ParseNumber(const QString& Text, double& Result);

protected:
    bool TryParseText(const QString& Text, double& Result) const override;
    double ClampValue(double v) const override;
    bool InRange(double v) const override;
    double CurrentValue() const override { return FValue; }
    void StoreValue(double v) override { FValue = v; }
    QString ValueText() const override;
    QString FittedText() const override;
    bool AcceptsChar(QChar c) const override;
    QString RefusalReason(const QString& Text) const override;

private:
    double FValue = 0;
    double FMinValue = 0;
    double FMaxValue = 0;
    QString FFormat;
    int FDigits = -1;
    bool FAsDateTime = false;
    bool FAsTimeSpan = false;
    bool FDoHashes = true;
    bool FSinglePrecision = false;
};

class TQvDoubleEdit : public TQvCustomDoubleEdit
{
    Q_OBJECT
public:
    explicit TQvDoubleEdit(QWidget* Parent = nullptr) : TQvCustomDoubleEdit(Parent) {}
};

class QToolButton;

// A double edit with up and down buttons at its right end (and the arrow keys) that step the
// value by Increment. Its decimals are DecimalPlaces, kept within 0 to 18.
class TQvNumericUpDn : public TQvCustomDoubleEdit
{
    Q_OBJECT
    Q_PROPERTY(double Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(int DecimalPlaces READ DecimalPlaces WRITE SetDecimalPlaces)
public:
    explicit TQvNumericUpDn(QWidget* Parent = nullptr);

    double Increment() const { return FIncrement; }
    void SetIncrement(double Value) { FIncrement = Value; }
    int DecimalPlaces() const { return Digits(); }
    void SetDecimalPlaces(int Value) { SetDigits(qBound(0, Value, 18)); }

    // Value + Steps * Increment, clamped to the range.
    void StepBy(int Steps);

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    double FIncrement = 1.0;
    QToolButton* FUp;
    QToolButton* FDown;
};
