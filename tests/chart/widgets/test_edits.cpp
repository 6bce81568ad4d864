// Numeric edits: typing, the key filter, ranges, leaving and Enter, the fitting rule.
#include "QvFloatEdit.h"
#include "QvFormat.h"
#include "QvIntegerEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

// Key presses delivered like the window system does (press and release with the typed text).
void Key(QWidget* W, int K, const QString& Text = QString(),
         Qt::KeyboardModifiers Mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, K, Mods, Text);
    QApplication::sendEvent(W, &press);
    QKeyEvent release(QEvent::KeyRelease, K, Mods, Text);
    QApplication::sendEvent(W, &release);
}

void Type(QWidget* W, const QString& Text)
{
    for (const QChar c : Text) {
        int k = c.toUpper().unicode();
        if (c == QLatin1Char('-'))
            k = Qt::Key_Minus;
        else if (c == QLatin1Char('.'))
            k = Qt::Key_Period;
        Key(W, k, QString(c));
    }
}

// A window with two edits so that focus can move from one to the other.
struct Window
{
    QWidget W;
    TQvDoubleEdit* D;
    TQvIntegerEdit* I;
    QLineEdit* Other;
    std::vector<double> Values;
    int Beeps = 0;

    Window()
    {
        auto* layout = new QVBoxLayout(&W);
        D = new TQvDoubleEdit(&W);
        I = new TQvIntegerEdit(&W);
        Other = new QLineEdit(&W);
        layout->addWidget(D);
        layout->addWidget(I);
        layout->addWidget(Other);
        QObject::connect(D, &TQvCustomNumberEdit::OnValueChanged, [this](QObject* Sender) {
            EXPECT_EQ(Sender, D);
            Values.push_back(D->Value());
        });
        QvSetBeepHandler([this] { ++Beeps; });
        QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
        W.resize(200, 120);
        W.show();
        QApplication::setActiveWindow(&W);
    }
    ~Window()
    {
        QvSetBeepHandler({});
        QvSetFormatSeparators(QChar(), QChar());
    }
    void Focus(QWidget* E)
    {
        E->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
};

} // namespace

TEST(DoubleEdit, TypingTakesOverTextsThatParse)
{
    Window w;
    w.Focus(w.D);
    w.D->clear();
    w.Values.clear();
    Type(w.D, QStringLiteral("1e-3"));
    ASSERT_EQ(w.Values.size(), 2u);
    EXPECT_EQ(w.Values[0], 1.0);
    EXPECT_DOUBLE_EQ(w.Values[1], 0.001);
    EXPECT_EQ(w.D->LastValidText(), QStringLiteral("1e-3"));
    EXPECT_EQ(w.Beeps, 0);
}

TEST(DoubleEdit, KeyFilterRefusesOtherCharacters)
{
    Window w;
    w.Focus(w.D);
    w.D->setText(QStringLiteral("12"));
    Key(w.D, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(w.D->text(), QStringLiteral("12"));
    EXPECT_EQ(w.Beeps, 1);
    Key(w.D, Qt::Key_Y, QStringLiteral("\x19"), Qt::ControlModifier);
    EXPECT_EQ(w.Beeps, 2);
    Key(w.D, Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(w.D->text(), QStringLiteral("1"));
    Type(w.D, QStringLiteral("+E.5"));
    EXPECT_EQ(w.Beeps, 2);

    w.Focus(w.I);
    w.I->setText(QStringLiteral("7"));
    Key(w.I, Qt::Key_X, QStringLiteral("x"));
    Key(w.I, Qt::Key_Period, QStringLiteral("."));
    Key(w.I, Qt::Key_E, QStringLiteral("e"));
    EXPECT_EQ(w.I->text(), QStringLiteral("7"));
    EXPECT_EQ(w.Beeps, 5);
    Type(w.I, QStringLiteral("-"));
    EXPECT_EQ(w.Beeps, 5);
}

TEST(DoubleEdit, RangeAppliesOnlyWhenMinBelowMax)
{
    struct Case
    {
        double Min, Max, Set, Expected;
    };
    const Case cases[] = {
        {1.0, 0.0, 0.5, 0.5},   // no range: MinValue not below MaxValue
        {0.0, 0.0, -7.0, -7.0}, // no range
        {0.0, 10.0, -1.0, 0.0},
        {0.0, 10.0, 11.0, 10.0},
        {0.0, 10.0, 3.5, 3.5},
    };
    for (const Case& c : cases) {
        TQvDoubleEdit e;
        e.SetMinValue(c.Min);
        e.SetMaxValue(c.Max);
        e.SetValue(c.Set);
        EXPECT_EQ(e.Value(), c.Expected) << c.Min << " " << c.Max << " " << c.Set;
    }

    TQvIntegerEdit i;
    i.SetMaxValue(5);
    i.SetValue(9);
    EXPECT_EQ(i.Value(), 5);
    i.SetValue(-3);
    EXPECT_EQ(i.Value(), 0);
}

TEST(DoubleEdit, SetValueAndBoundsRaiseTheEventEveryTime)
{
    TQvDoubleEdit e;
    int raised = 0;
    QObject::connect(&e, &TQvCustomNumberEdit::OnValueChanged, [&] { ++raised; });
    e.SetValue(2);
    e.SetValue(2);
    EXPECT_EQ(raised, 2);
    e.SetMaxValue(1); // 0 < 1: range active, 2 becomes 1
    EXPECT_EQ(raised, 3);
    EXPECT_EQ(e.Value(), 1.0);
    EXPECT_EQ(e.text(), QStringLiteral("1"));
    e.SetMaxValue(1); // unchanged bound: nothing
    EXPECT_EQ(raised, 3);
}

TEST(DoubleEdit, OutOfRangeTextIsClampedOnLeaveAndOnEnter)
{
    Window w;
    w.D->SetMinValue(0);
    w.D->SetMaxValue(10);
    w.D->SetValue(4);
    w.Focus(w.D);
    w.D->selectAll();
    w.Values.clear();
    Type(w.D, QStringLiteral("25"));
    // "2" is in range and taken over, "25" is not.
    ASSERT_EQ(w.Values.size(), 1u);
    EXPECT_EQ(w.D->Value(), 2.0);
    w.Focus(w.Other);
    EXPECT_EQ(w.D->Value(), 10.0);
    EXPECT_EQ(w.D->text(), QStringLiteral("10"));
    EXPECT_EQ(w.Values.size(), 2u);
    EXPECT_EQ(w.Beeps, 1);

    // Enter validates, raises the double-click event and beeps.
    int dbl = 0;
    QObject::connect(w.D, &TQvCustomNumberEdit::OnDblClick, [&] { ++dbl; });
    w.Focus(w.D);
    w.D->selectAll();
    Type(w.D, QStringLiteral("-4"));
    Key(w.D, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(w.D->Value(), 0.0);
    EXPECT_EQ(w.D->text(), QStringLiteral("0"));
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(w.Beeps, 3); // clamp beep and the swallowed Enter

    // Enter on a value already in force: no change, no event, only the beep of the key.
    const size_t before = w.Values.size();
    Key(w.D, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(w.Values.size(), before);
    EXPECT_EQ(w.Beeps, 4);
}

TEST(DoubleEdit, TextThatDoesNotParseDisappearsOnLeave)
{
    Window w;
    w.D->SetValue(1.5);
    w.Focus(w.D);
    w.D->selectAll();
    Type(w.D, QStringLiteral("2e"));
    EXPECT_EQ(w.D->Value(), 2.0);
    w.Focus(w.Other);
    EXPECT_EQ(w.D->text(), QStringLiteral("2"));
    EXPECT_EQ(w.Beeps, 0);
    // Entering again shows the last text that parsed.
    w.Focus(w.D);
    EXPECT_EQ(w.D->text(), QStringLiteral("2"));
}

// An edit whose value is stored as a 32-bit float refuses numbers beyond that range like any
// text that does not parse (the last valid value stays), and says why.
TEST(DoubleEdit, SinglePrecisionRefusesNumbersBeyondTheFloatRange)
{
    Window w;
    w.D->SetSinglePrecision(true);
    w.D->SetValue(1.5);
    w.Focus(w.D);
    const struct
    {
        const char* Typed;
        double Kept; // the value taken over on the way, which stays
    } cases[] = {{"1e39", 1000}, {"-1e99", -1e9}, {"3.5e38", 3500}};
    for (const auto& c : cases) {
        w.D->selectAll();
        w.Values.clear();
        Type(w.D, QString::fromLatin1(c.Typed));
        EXPECT_EQ(w.D->Value(), c.Kept) << c.Typed;
        ASSERT_FALSE(w.Values.empty()) << c.Typed;
        EXPECT_EQ(w.Values.back(), c.Kept) << c.Typed;
        EXPECT_TRUE(w.D->Refusal().contains(QString::fromLatin1(c.Typed))) << w.D->Refusal().toStdString();
        EXPECT_EQ(w.D->toolTip(), w.D->Refusal());
        // Enter leaves the value as it is.
        Key(w.D, Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_EQ(w.D->Value(), c.Kept) << c.Typed;
    }
    // Leaving shows the value again and clears the refusal.
    w.Focus(w.Other);
    EXPECT_EQ(w.D->Value(), 3500);
    EXPECT_EQ(w.D->text(), QStringLiteral("3500"));
    EXPECT_TRUE(w.D->Refusal().isEmpty());
    EXPECT_TRUE(w.D->toolTip().isEmpty());

    // The largest single is fine; a plain double edit takes any finite double.
    w.Focus(w.D);
    w.D->selectAll();
    Type(w.D, QStringLiteral("3.4e38"));
    EXPECT_EQ(w.D->Value(), 3.4e38);
    EXPECT_TRUE(w.D->Refusal().isEmpty());
    w.D->SetSinglePrecision(false);
    w.D->selectAll();
    Type(w.D, QStringLiteral("1e99"));
    EXPECT_EQ(w.D->Value(), 1e99);
    EXPECT_TRUE(w.D->Refusal().isEmpty());
}

TEST(DoubleEdit, EnteringRestoresTheLastValidTextAndCaret)
{
    Window w;
    w.Focus(w.D);
    w.D->selectAll();
    Type(w.D, QStringLiteral("0.00012345"));
    w.D->setCursorPosition(3);
    w.Focus(w.Other);
    EXPECT_EQ(w.D->text(), QStringLiteral("0.00012345"));
    w.Focus(w.D);
    EXPECT_EQ(w.D->text(), QStringLiteral("0.00012345"));
    EXPECT_EQ(w.D->cursorPosition(), 3);

    // A value set while focused is selected whole on the next entry.
    w.D->SetValue(7.25);
    w.Focus(w.Other);
    w.Focus(w.D);
    EXPECT_EQ(w.D->selectedText(), QStringLiteral("7.25"));
}

TEST(DoubleEdit, ShownTextByFormatAndDigits)
{
    QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
    TQvDoubleEdit e;
    e.resize(300, 24);
    e.SetValue(0.0012345);
    EXPECT_EQ(e.text(), QStringLiteral("0.0012345"));
    e.SetDigits(2);
    EXPECT_EQ(e.text(), QStringLiteral("0.00"));
    e.SetFormat(QStringLiteral("0.000E+00"));
    EXPECT_EQ(e.text(), QStringLiteral("1.235E-03"));
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(DoubleEdit, FittingRuleShortensThenHashes)
{
    QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
    TQvDoubleEdit e;
    e.resize(58, 24);
    e.SetValue(1.23456789012345E-7);
    const QString shown = e.text();
    EXPECT_NE(shown, QStringLiteral("1.23456789012345E-7"));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("1.2"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("E-7"))) << shown.toStdString();
    // The longest form that fits: one more digit would not.
    const int digits = shown.indexOf(QLatin1Char('E')) - 1; // significant digits shown
    const QFontMetrics fm(e.font());
    const QString longer = QvFormatGeneral(e.Value(), digits + 1);
    EXPECT_GT(fm.horizontalAdvance(longer), fm.horizontalAdvance(shown));

    e.resize(20, 24);
    e.SetValue(1.23456789012345E-7);
    EXPECT_EQ(e.text(), QString(45, QLatin1Char('#')));
    e.SetDoHashes(false);
    EXPECT_EQ(e.text(), QStringLiteral("1.2E-7"));

    TQvIntegerEdit i;
    i.resize(20, 24);
    i.SetValue(123456789);
    EXPECT_EQ(i.text(), QString(45, QLatin1Char('#')));
    i.resize(200, 24);
    i.SetValue(123456789);
    EXPECT_EQ(i.text(), QStringLiteral("123456789"));
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(DoubleEdit, DateTimeAndTimeSpanRoundTrip)
{
    const double values[] = {0.0, 1.5, 45000.25, -1.75, 2958465.5, 0.0000115740740740741};
    for (double v : values) {
        double back = 0;
        ASSERT_TRUE(TQvCustomDoubleEdit::ParseDateTime(TQvCustomDoubleEdit::DateTimeText(v), back))
            << TQvCustomDoubleEdit::DateTimeText(v).toStdString();
        EXPECT_NEAR(back, v, 1e-8) << v;
        ASSERT_TRUE(TQvCustomDoubleEdit::ParseTimeSpan(TQvCustomDoubleEdit::TimeSpanText(v), back));
        EXPECT_NEAR(back, v, 1e-8) << v;
    }
    EXPECT_EQ(TQvCustomDoubleEdit::DateTimeText(1.5), QStringLiteral("1899-12-31 12:00:00"));
    EXPECT_EQ(TQvCustomDoubleEdit::TimeSpanText(1.5), QStringLiteral("36:00:00"));

    TQvDoubleEdit e;
    e.SetAsDateTime(true);
    e.SetValue(1e9);
    EXPECT_EQ(e.Value(), TQvCustomDoubleEdit::MaxDateTime);
    e.SetAsTimeSpan(true);
    EXPECT_FALSE(e.AsDateTime());
}

TEST(NumericEdits, ParsingRules)
{
    struct Case
    {
        const char* Text;
        bool Ok;
        double Value;
    };
    QvSetFormatSeparators(QLatin1Char(','), QLatin1Char('.'));
    const Case cases[] = {
        {"1", true, 1},        {" 2.5 ", true, 2.5}, {"2,5", true, 2.5}, {"+3", true, 3},
        {"1e", false, 0},      {"1e-", false, 0},    {"-", false, 0},    {"", false, 0},
        {"inf", false, 0},     {"nan", false, 0},    {"1e999", false, 0}, {"-.5", true, -0.5},
    };
    for (const Case& c : cases) {
        double v = 0;
        EXPECT_EQ(TQvCustomDoubleEdit::ParseNumber(QString::fromLatin1(c.Text), v), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_EQ(v, c.Value) << c.Text;
        }
    }
    QvSetFormatSeparators(QChar(), QChar());

    int i = 0;
    EXPECT_TRUE(TQvIntegerEdit::ParseInteger(QStringLiteral("-42"), i));
    EXPECT_EQ(i, -42);
    EXPECT_FALSE(TQvIntegerEdit::ParseInteger(QStringLiteral("4294967296"), i));
    EXPECT_FALSE(TQvIntegerEdit::ParseInteger(QStringLiteral("1.5"), i));
}

TEST(NumericEdits, ValueLinkFollowsTheValue)
{
    TQvDoubleEdit e;
    QObject target;
    e.SetValueLink(&target, "Level");
    e.SetValue(3.25);
    EXPECT_EQ(target.property("Level").toDouble(), 3.25);
}

TEST(NumericUpDn, StepsWithinTheRange)
{
    QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
    int beeps = 0;
    QvSetBeepHandler([&] { ++beeps; });
    TQvNumericUpDn e;
    e.resize(120, 24);
    e.SetDecimalPlaces(25);
    EXPECT_EQ(e.DecimalPlaces(), 18);
    e.SetDecimalPlaces(1);
    e.SetIncrement(0.5);
    e.SetMinValue(0);
    e.SetMaxValue(2);
    e.StepBy(3);
    EXPECT_EQ(e.Value(), 1.5);
    EXPECT_EQ(e.text(), QStringLiteral("1.5"));
    Key(&e, Qt::Key_Up);
    Key(&e, Qt::Key_Up);
    EXPECT_EQ(e.Value(), 2.0);
    Key(&e, Qt::Key_Down);
    EXPECT_EQ(e.Value(), 1.5);
    EXPECT_EQ(beeps, 0);
    QvSetBeepHandler({});
    QvSetFormatSeparators(QChar(), QChar());
}
