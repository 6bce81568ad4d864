#include "QvFloatEdit.h"

#include "QvFormat.h"

#include <QApplication>
#include <QDateTime>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QToolTip>

#include <charconv>
#include <cmath>
#include <exception>
#include <limits>

namespace {

std::function<void()>& BeepHandler()
{
    static std::function<void()> handler;
    return handler;
}

// Qt keeps this many pixels free on each side of the text inside the line edit's contents.
constexpr int LineEditInnerMargin = 2;

} // namespace

void QvSetBeepHandler(std::function<void()> Handler)
{
    BeepHandler() = std::move(Handler);
}

void QvBeep()
{
    if (BeepHandler())
        BeepHandler()();
    else
        QApplication::beep();
}

// ---------------------------------------------------------------------------------------------
// TQvCustomNumberEdit

TQvCustomNumberEdit::TQvCustomNumberEdit(QWidget* Parent) : QLineEdit(Parent)
{
    connect(this, &QLineEdit::textChanged, this, &TQvCustomNumberEdit::TextChangedByUser);
}

void TQvCustomNumberEdit::SetValueLink(QObject* Target, const QByteArray& PropertyName)
{
    FLinkTarget = Target;
    FLinkProperty = PropertyName;
}

void TQvCustomNumberEdit::UpdateLink()
{
    if (FLinkTarget && !FLinkProperty.isEmpty())
        FLinkTarget->setProperty(FLinkProperty.constData(), CurrentValue());
}

int TQvCustomNumberEdit::TextAreaWidth() const
{
    QStyleOptionFrame opt;
    initStyleOption(&opt);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &opt, this);
    r = r.marginsRemoved(textMargins());
    return r.width() - 2 * LineEditInnerMargin;
}

int TQvCustomNumberEdit::TextWidth(const QString& s) const
{
    return fontMetrics().horizontalAdvance(s);
}

void TQvCustomNumberEdit::WriteText(const QString& s)
{
    const bool was = FSetting;
    FSetting = true;
    setText(s);
    FSetting = was;
}

void TQvCustomNumberEdit::ApplyValue(double v)
{
    bool ok = true;
    try {
        v = ClampValue(v);
        StoreValue(v);
        const QString t = ValueText();
        WriteText(t);
        SetRefusal(QString());
        FLastValidText = t;
        if (!hasFocus()) {
            WriteText(FittedText());
            setCursorPosition(0);
        } else {
            FSelectAllOnEntry = true;
        }
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        WriteText(tr("Error"));
        return;
    }
    emit OnValueChanged(this);
    UpdateLink();
}

void TQvCustomNumberEdit::RefreshText()
{
    const QString t = ValueText();
    FLastValidText = t;
    if (hasFocus()) {
        WriteText(t);
    } else {
        WriteText(FittedText());
        setCursorPosition(0);
    }
}

void TQvCustomNumberEdit::SetRefusal(const QString& Reason)
{
    if (Reason == FRefusal)
        return;
    if (FRefusal.isEmpty())
        FOwnToolTip = toolTip();
    FRefusal = Reason;
    QPalette pal = palette();
    if (Reason.isEmpty()) {
        setToolTip(FOwnToolTip);
        pal.setBrush(QPalette::Text, QApplication::palette(this).brush(QPalette::Text));
    } else {
        setToolTip(Reason);
        pal.setColor(QPalette::Text, Qt::red);
    }
    setPalette(pal);
}

void TQvCustomNumberEdit::ReportRefusal()
{
    if (FRefusal.isEmpty())
        return;
    QToolTip::showText(mapToGlobal(QPoint(0, height())), FRefusal, this);
}

void TQvCustomNumberEdit::TextChangedByUser(const QString& Text)
{
    if (FSetting)
        return;
    double v = 0;
    if (!TryParseText(Text, v) || !InRange(v)) {
        SetRefusal(RefusalReason(Text));
        return;
    }
    SetRefusal(QString());
    StoreValue(v);
    FLastValidText = Text;
    emit OnValueChanged(this);
    UpdateLink();
}

void TQvCustomNumberEdit::ValidateText()
{
    double v = 0;
    if (!TryParseText(text(), v)) {
        ReportRefusal();
        return;
    }
    v = ClampValue(v);
    if (v == CurrentValue())
        return;
    StoreValue(v);
    const QString t = ValueText();
    WriteText(t);
    FLastValidText = t;
    QvBeep();
    emit OnValueChanged(this);
    UpdateLink();
}

void TQvCustomNumberEdit::keyPressEvent(QKeyEvent* Event)
{
    const int key = Event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ValidateText();
        emit OnDblClick(this);
        QvBeep();
        Event->accept();
        return;
    }
    const Qt::KeyboardModifiers mods = Event->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
        // Select all, copy, paste, cut and undo pass; other control letters are refused.
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            if (key == Qt::Key_A || key == Qt::Key_C || key == Qt::Key_V || key == Qt::Key_X
                || key == Qt::Key_Z) {
                QLineEdit::keyPressEvent(Event);
            } else {
                QvBeep();
                Event->accept();
            }
            return;
        }
        QLineEdit::keyPressEvent(Event);
        return;
    }
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Insert:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        QLineEdit::keyPressEvent(Event);
        return;
    default:
        break;
    }
    const QString t = Event->text();
    if (t.isEmpty()) {
        // Keys that type nothing (function keys, modifiers alone) keep their usual meaning.
        QLineEdit::keyPressEvent(Event);
        return;
    }
    for (const QChar c : t) {
        if (!AcceptsChar(c)) {
            QvBeep();
            Event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(Event);
}

void TQvCustomNumberEdit::focusInEvent(QFocusEvent* Event)
{
    QLineEdit::focusInEvent(Event);
    WriteText(FLastValidText);
    const int len = FLastValidText.size();
    if (FSelectAllOnEntry) {
        FSelectAllOnEntry = false;
        selectAll();
    } else if (FLastSelStart >= 0 && FLastSelLength > 0) {
        const int start = qBound(0, FLastSelStart, len);
        setSelection(start, qMin(FLastSelLength, len - start));
    } else {
        setCursorPosition(qBound(0, FLastCursorPos, len));
    }
}

void TQvCustomNumberEdit::focusOutEvent(QFocusEvent* Event)
{
    FLastCursorPos = cursorPosition();
    FLastSelStart = hasSelectedText() ? selectionStart() : -1;
    FLastSelLength = hasSelectedText() ? selectedText().size() : 0;
    ValidateText();
    QLineEdit::focusOutEvent(Event);
    WriteText(FittedText());
    setCursorPosition(0);
    SetRefusal(QString());
}

void TQvCustomNumberEdit::resizeEvent(QResizeEvent* Event)
{
    QLineEdit::resizeEvent(Event);
    // A new width may let more digits show, or fewer.
    if (!hasFocus() && text() != tr("Error"))
        WriteText(FittedText());
}

// ---------------------------------------------------------------------------------------------
// TQvCustomDoubleEdit

namespace {

const QDateTime& DayZero()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return zero;
}

constexpr qint64 MsPerDay = 86400000;

} // namespace

TQvCustomDoubleEdit::TQvCustomDoubleEdit(QWidget* Parent) : TQvCustomNumberEdit(Parent)
{
    WriteText(QStringLiteral("0"));
}

void TQvCustomDoubleEdit::SetValue(double v)
{
    ApplyValue(v);
}

void TQvCustomDoubleEdit::SetMinValue(double v)
{
    if (v == FMinValue)
        return;
    FMinValue = v;
    SetValue(FValue);
}

void TQvCustomDoubleEdit::SetMaxValue(double v)
{
    if (v == FMaxValue)
        return;
    FMaxValue = v;
    SetValue(FValue);
}

void TQvCustomDoubleEdit::SetFormat(const QString& Value)
{
    if (Value == FFormat)
        return;
    FFormat = Value;
    RefreshText();
}

void TQvCustomDoubleEdit::SetDigits(int Value)
{
    if (Value == FDigits)
        return;
    FDigits = Value;
    RefreshText();
}

void TQvCustomDoubleEdit::SetAsDateTime(bool Value)
{
    if (Value == FAsDateTime)
        return;
    FAsDateTime = Value;
    if (Value)
        FAsTimeSpan = false;
    // The date range may move the value.
    SetValue(FValue);
}

void TQvCustomDoubleEdit::SetAsTimeSpan(bool Value)
{
    if (Value == FAsTimeSpan)
        return;
    FAsTimeSpan = Value;
    if (Value)
        FAsDateTime = false;
    RefreshText();
}

void TQvCustomDoubleEdit::SetDoHashes(bool Value)
{
    if (Value == FDoHashes)
        return;
    FDoHashes = Value;
    RefreshText();
}

double TQvCustomDoubleEdit::ClampValue(double v) const
{
    if (FMinValue < FMaxValue) {
        if (v < FMinValue)
            v = FMinValue;
        else if (v > FMaxValue)
            v = FMaxValue;
    }
    if (FAsDateTime)
        v = qBound(MinDateTime, v, MaxDateTime);
    return v;
}

bool TQvCustomDoubleEdit::InRange(double v) const
{
    if (FMinValue < FMaxValue && (v < FMinValue || v > FMaxValue))
        return false;
    if (FAsDateTime && (v < MinDateTime || v > MaxDateTime))
        return false;
    return true;
}

bool TQvCustomDoubleEdit::ParseNumber(const QString& Text, double& Result)
{
    QString s = Text.trimmed();
    const QChar sep = QvDecimalSeparator();
    if (sep != QLatin1Char('.'))
        s.replace(sep, QLatin1Char('.'));
    if (s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    if (s.isEmpty())
        return false;
    // Only the characters of a plain decimal number: from_chars would also take "inf" and "nan".
    for (const QChar c : s) {
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-')
            && c != QLatin1Char('+') && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return false;
    }
    const QByteArray bytes = s.toLatin1();
    double v = 0;
    const auto res = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), v,
                                     std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != bytes.constData() + bytes.size() || !std::isfinite(v))
        return false;
    Result = v;
    return true;
}

QString TQvCustomDoubleEdit::DateTimeText(double Days)
{
    // The whole part counts days from day zero, the fraction (taken positive) is the time of day.
    const double whole = std::trunc(Days);
    qint64 ms = std::llround(std::fabs(Days - whole) * MsPerDay);
    qint64 dayCount = qint64(whole);
    if (ms >= MsPerDay) {
        ms -= MsPerDay;
        dayCount += Days < 0 ? -1 : 1;
    }
    const QDateTime dt = DayZero().addDays(dayCount).addMSecs(ms);
    return dt.toString(ms % 1000 ? QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")
                                 : QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool TQvCustomDoubleEdit::ParseDateTime(const QString& Text, double& Days)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(-?\d{1,4})-(\d{1,2})-(\d{1,2})(?:[ T]+(\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:[.,](\d{1,3}))?)?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(Text);
    if (!m.hasMatch())
        return false;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid())
        return false;
    const int h = m.captured(4).toInt(), mi = m.captured(5).toInt(), s = m.captured(6).toInt();
    QString msText = m.captured(7);
    while (!msText.isEmpty() && msText.size() < 3)
        msText += QLatin1Char('0');
    const int ms = msText.toInt();
    if (h > 23 || mi > 59 || s > 59)
        return false;
    const qint64 dayCount = DayZero().date().daysTo(date);
    const double frac = (((h * 60.0 + mi) * 60.0 + s) * 1000.0 + ms) / MsPerDay;
    Days = dayCount < 0 ? double(dayCount) - frac : double(dayCount) + frac;
    return true;
}

QString TQvCustomDoubleEdit::TimeSpanText(double Days)
{
    qint64 ms = std::llround(std::fabs(Days) * MsPerDay);
    const qint64 totalSeconds = ms / 1000;
    ms %= 1000;
    QString s = QStringLiteral("%1%2:%3:%4")
                    .arg(Days < 0 && (totalSeconds || ms) ? QStringLiteral("-") : QString())
                    .arg(totalSeconds / 3600)
                    .arg((totalSeconds / 60) % 60, 2, 10, QLatin1Char('0'))
                    .arg(totalSeconds % 60, 2, 10, QLatin1Char('0'));
    if (ms)
        s += QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
    return s;
}

bool TQvCustomDoubleEdit::ParseTimeSpan(const QString& Text, double& Days)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*(-?)(\d+):(\d{1,2})(?::(\d{1,2})(?:[.,](\d{1,3}))?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(Text);
    if (!m.hasMatch())
        return false;
    const qint64 h = m.captured(2).toLongLong();
    const int mi = m.captured(3).toInt(), s = m.captured(4).toInt();
    if (mi > 59 || s > 59)
        return false;
    QString msText = m.captured(5);
    while (!msText.isEmpty() && msText.size() < 3)
        msText += QLatin1Char('0');
    const double ms = ((h * 60.0 + mi) * 60.0 + s) * 1000.0 + msText.toInt();
    Days = (m.captured(1).isEmpty() ? 1 : -1) * ms / MsPerDay;
    return true;
}

bool TQvCustomDoubleEdit::TryParseText(const QString& Text, double& Result) const
{
    if (FAsDateTime)
        return ParseDateTime(Text, Result);
    if (FAsTimeSpan)
        return ParseTimeSpan(Text, Result);
    double v = 0;
    if (!ParseNumber(Text, v))
        return false;
    if (FSinglePrecision && std::fabs(v) > double(std::numeric_limits<float>::max()))
        return false;
    Result = v;
    return true;
}

QString TQvCustomDoubleEdit::RefusalReason(const QString& Text) const
{
    double v = 0;
    if (FAsDateTime || FAsTimeSpan || !FSinglePrecision || !ParseNumber(Text, v))
        return QString();
    if (std::fabs(v) <= double(std::numeric_limits<float>::max()))
        return QString();
    return tr("%1 is too large: this value is stored in single precision, at most %2 in magnitude. "
              "The value stays %3.")
        .arg(Text.trimmed(), QvFormatFloat(QStringLiteral("0.00000E+00"), std::numeric_limits<float>::max()).trimmed(),
             ValueText());
}

QString TQvCustomDoubleEdit::ValueText() const
{
    if (FAsDateTime)
        return DateTimeText(FValue);
    if (FAsTimeSpan)
        return TimeSpanText(FValue);
    if (!FFormat.isEmpty())
        return QvFormatFloat(FFormat, FValue);
    if (FDigits >= 0)
        return QvFormatFixed(FValue, qMin(FDigits, 18));
    return QvFormatGeneral(FValue);
}

QString TQvCustomDoubleEdit::FittedText() const
{
    const QString full = ValueText();
    const int avail = TextAreaWidth();
    if (TextWidth(full) <= avail)
        return full;
    if (!FAsDateTime && !FAsTimeSpan) {
        // Fewer and fewer significant digits until the general form fits.
        QString s;
        for (int n = 18; n >= 2; --n) {
            s = QvFormatGeneral(FValue, n);
            if (TextWidth(s) <= avail)
                return s;
        }
        if (!FDoHashes)
            return s;
    } else if (!FDoHashes) {
        return full;
    }
    return QString(HashCount, QLatin1Char('#'));
}

bool TQvCustomDoubleEdit::AcceptsChar(QChar c) const
{
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (FAsDateTime || FAsTimeSpan) {
        const QLocale loc;
        if (c == QLatin1Char('-') || c == QLatin1Char(':') || c == QLatin1Char('/')
            || c == QLatin1Char('.') || c == QLatin1Char(',') || c == QLatin1Char(' ')
            || c == QLatin1Char('T'))
            return true;
        const QString markers = loc.amText() + loc.pmText() + QStringLiteral("AaPpMm");
        return markers.contains(c);
    }
    return c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('E')
        || c == QLatin1Char('e') || c == QLatin1Char('.') || c == QvDecimalSeparator();
}

// ---------------------------------------------------------------------------------------------
// TQvNumericUpDn

TQvNumericUpDn::TQvNumericUpDn(QWidget* Parent)
    : TQvCustomDoubleEdit(Parent), FUp(new QToolButton(this)), FDown(new QToolButton(this))
{
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {FUp, FDown}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
    }
    connect(FUp, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(FDown, &QToolButton::clicked, this, [this] { StepBy(-1); });
    SetDecimalPlaces(0);
}

void TQvNumericUpDn::StepBy(int Steps)
{
    // Take over what was typed first, so that the step starts from the number being edited
    // (without the focus the text may be a shortened form of the value).
    if (hasFocus())
        ValidateText();
    SetValue(Value() + Steps * FIncrement);
}

void TQvNumericUpDn::keyPressEvent(QKeyEvent* Event)
{
    if (Event->modifiers() == Qt::NoModifier || Event->modifiers() == Qt::KeypadModifier) {
        if (Event->key() == Qt::Key_Up) {
            StepBy(1);
            Event->accept();
            return;
        }
        if (Event->key() == Qt::Key_Down) {
            StepBy(-1);
            Event->accept();
            return;
        }
    }
    TQvCustomDoubleEdit::keyPressEvent(Event);
}

void TQvNumericUpDn::resizeEvent(QResizeEvent* Event)
{
    // The buttons sit stacked at the right end; the text keeps clear of them.
    const int w = qBound(12, height() * 3 / 4, 18);
    const int h = height() / 2;
    FUp->setGeometry(width() - w, 0, w, h);
    FDown->setGeometry(width() - w, h, w, height() - h);
    setTextMargins(0, 0, w, 0);
    TQvCustomDoubleEdit::resizeEvent(Event);
}
