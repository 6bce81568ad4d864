// Caption markup: parsing, plain text, colour arguments, placeholders and caption variables.
#include "QvFormat.h"
#include "QvRichCaption.h"

#include <QObject>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

using K = TQvRichToken;

QList<int> Kinds(const QString& Caption)
{
    QList<int> out;
    for (const TQvRichToken& t : QvParseRichCaption(Caption))
        out << t.Kind;
    return out;
}

} // namespace

TEST(CaptionMarkup, PlainText)
{
    struct Case
    {
        const char16_t* Caption;
        const char16_t* Plain;
    };
    const Case cases[] = {
        {u"log pO\\-2\\-", u"log pO2"},
        {u"Cell pO\\-2\\-, log(pO\\-2\\-/atm)", u"Cell pO2, log(pO2/atm)"},
        {u"a\\\\b", u"a\\b"},              // doubled backslash: one backslash
        {u"\\x", u"x"},                    // any other escaped character is itself
        {u"abc\\", u"abc"},                // a backslash at the end is dropped
        {u"\\bbold\\b rest", u"bold rest"},
        {u"\\c[A=255,R=0,G=0,B=255]blue\\c[] rest", u"blue rest"},
        {u"\\f[Times New Roman]T\\f[]A", u"TA"},
        {u"one\rtwo", u"one\rtwo"},
        {u"one\r\ntwo\nthree", u"one\rtwo\rthree"},
        {u"m\\+2\\+ \\u\\ox", u"m2 x"},
        {u"\\c[A=255", u""},               // argument runs to the end
        {u"x\\cQA=1]y", u"xy"},            // the character after the letter is taken as "["
    };
    for (const Case& c : cases) {
        const QString caption = QString::fromUtf16(c.Caption);
        EXPECT_EQ(QvRichCaptionPlainText(caption), QString::fromUtf16(c.Plain)) << caption.toStdString();
    }
}

TEST(CaptionMarkup, TokensOfSwitchesAndArguments)
{
    EXPECT_EQ(Kinds(QStringLiteral("log pO\\-2\\-")),
              (QList<int>{K::tkText, K::tkSubscript, K::tkText, K::tkSubscript}));
    EXPECT_EQ(Kinds(QStringLiteral("\\b\\i\\u\\o\\+\\-")),
              (QList<int>{K::tkBold, K::tkItalic, K::tkUnderline, K::tkStrikeOut, K::tkSuperscript,
                          K::tkSubscript}));

    const auto tokens = QvParseRichCaption(QStringLiteral("\\c[A=255,R=0,G=0,B=255]w\\c[]\\f[Times New Roman]x\\f[]"));
    ASSERT_EQ(tokens.size(), 6);
    EXPECT_EQ(tokens[0].Kind, K::tkColor);
    EXPECT_EQ(tokens[0].Color, 0xFF0000FFu);
    EXPECT_EQ(tokens[2].Kind, K::tkColorReset);
    EXPECT_EQ(tokens[3].Kind, K::tkFontName);
    EXPECT_EQ(tokens[3].Text, QStringLiteral("Times New Roman"));
    EXPECT_EQ(tokens[5].Kind, K::tkFontReset);

    // A colour that does not read is left out; the text around it stays.
    EXPECT_EQ(Kinds(QStringLiteral("a\\c[A=x,R=1]b")), (QList<int>{K::tkText, K::tkText}));
}

TEST(CaptionMarkup, ColorArguments)
{
    struct Case
    {
        const char* Arg;
        bool Ok;
        TQvColor Color;
    };
    const Case cases[] = {
        {"A=255,R=0,G=0,B=255", true, 0xFF0000FF},
        {"R=255", true, 0xFFFF0000},          // alpha defaults to opaque
        {" a = 128 , g = 16 ", true, 0x80001000},
        {"A=0,R=1,G=2,B=3", true, 0x00010203},
        {"R=300", true, 0xFFFF0000},          // cut to 255
        {"R=1x", false, 0},
        {"R=-1", false, 0},
        {"Q=1", false, 0},
        {"R", false, 0},
        {"R=", false, 0},
    };
    for (const Case& c : cases) {
        TQvColor color = 0;
        EXPECT_EQ(QvParseCaptionColor(QString::fromLatin1(c.Arg), color), c.Ok) << c.Arg;
        if (c.Ok) {
            EXPECT_EQ(color, c.Color) << c.Arg;
        }
    }
    TQvColor back = 0;
    ASSERT_TRUE(QvParseCaptionColor(QvCaptionColorArgument(0x12345678), back));
    EXPECT_EQ(back, 0x12345678u);
}

TEST(CaptionPlaceholders, LiteralsAndArithmetic)
{
    QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
    struct Case
    {
        const char16_t* Caption;
        const char16_t* Expanded;
    };
    const Case cases[] = {
        {u"<%<%", u"<%"},
        {u"a %>%> b", u"a %> b"},
        {u"<%<%x%>%>", u"<%x%>"},
        {u"n=<%1+2%>", u"n=3"},
        {u"<% 2*(3+4) %>", u"14"},
        {u"<%-(2-5)%>", u"3"},
        {u"<%--2%>", u"2"},
        {u"<%7 − 2 × 3 ÷ 4%>", u"5.5"},
        {u"<%1/8%>", u"0.125"},
        {u"<%10/4;0.00%>", u"2.50"},
        {u"<%1e-3*2;0.000E+00%>", u"2.000E-03"},
        {u"<%1/0%>", u"..."},
        {u"<%2+%>", u"..."},
        {u"<%(1%>", u"..."},
        {u"<%hello world%>", u"..."},
        {u"<%%>", u"..."},
        {u"<%;0.0%>", u"..."},
        {u"open <%1+1", u"open <%1+1"},     // unterminated placeholder stays
        {u"a<%1%>b<%2%>c", u"a1b2c"},
    };
    for (const Case& c : cases) {
        const QString caption = QString::fromUtf16(c.Caption);
        EXPECT_EQ(QvExpandCaptionPlaceholders(caption), QString::fromUtf16(c.Expanded))
            << caption.toStdString();
    }
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(CaptionPlaceholders, RegisteredVariables)
{
    QvSetFormatSeparators(QLatin1Char('.'), QLatin1Char(','));
    QObject form;
    form.setObjectName(QStringLiteral("Form1"));
    auto* series = new QObject(&form);
    series->setObjectName(QStringLiteral("Series1"));
    QString caption = QStringLiteral("pO\\-2\\-");
    QvRegisterCaptionVariable(series, QStringLiteral("Caption"),
                              QStringLiteral("Caption of the series e.g. used in legends"),
                              [&] { return caption; });
    QvRegisterCaptionVariable(series, QStringLiteral("Name"), QStringLiteral("Internal name of the series"),
                              [series] { return series->objectName(); });
    QvRegisterCaptionVariable(series, QStringLiteral("Level"), QString(), [] { return QStringLiteral("2.5"); });
    QvRegisterCaptionVariable(series, QStringLiteral("Nested"), QString(),
                              [] { return QStringLiteral("<%Form1.Series1.Level*2%>"); });
    QvRegisterCaptionVariable(series, QStringLiteral("Loop"), QString(),
                              [] { return QStringLiteral("x<%Form1.Series1.Loop%>"); });

    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Caption%>")), caption);
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%form1.SERIES1.caption%>")), caption);
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Name%>")), QStringLiteral("Series1"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Level * 4;0.0%>")), QStringLiteral("10.0"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Nested%>")), QStringLiteral("5"));
    // A caption may name its own component's variables briefly.
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Name%>"), series), QStringLiteral("Series1"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Name%>")), QStringLiteral("..."));
    // A text that is not a number does not calculate.
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Name+1%>")), QStringLiteral("..."));
    // An empty variable yields nothing.
    caption.clear();
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Caption%>")), QStringLiteral("..."));
    // A variable that names itself ends instead of recursing without end.
    const QString loop = QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Series1.Loop%>"));
    EXPECT_TRUE(loop.startsWith(QStringLiteral("xxx")));
    EXPECT_TRUE(loop.endsWith(QStringLiteral("...")));

    // Keys follow renames; the listing gives full keys.
    series->setObjectName(QStringLiteral("Cell"));
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Cell.Name%>")), QStringLiteral("Cell"));
    bool listed = false;
    for (const TQvCaptionVariableInfo& v : QvCaptionVariables())
        listed |= v.Key == QStringLiteral("Form1.Cell.Name") && v.Description == QStringLiteral("Internal name of the series");
    EXPECT_TRUE(listed);

    // Destroyed components take their variables with them.
    delete series;
    EXPECT_EQ(QvExpandCaptionPlaceholders(QStringLiteral("<%Form1.Cell.Name%>")), QStringLiteral("..."));
    EXPECT_TRUE(QvCaptionVariables().isEmpty());
    QvSetFormatSeparators(QChar(), QChar());
}

TEST(CaptionPlaceholders, DeepNestingFailsInsteadOfOverflowing)
{
    const QString deep = QStringLiteral("<%") + QString(100000, QLatin1Char('(')) + QStringLiteral("1")
        + QString(100000, QLatin1Char(')')) + QStringLiteral("%>");
    EXPECT_EQ(QvExpandCaptionPlaceholders(deep), QStringLiteral("..."));
    const QString signs = QStringLiteral("<%") + QString(100000, QLatin1Char('-')) + QStringLiteral("1%>");
    EXPECT_EQ(QvExpandCaptionPlaceholders(signs), QStringLiteral("..."));
}

namespace {

// A component that ends its caption variables when destroyed, as graphs and series do.
class TExitComponent : public QObject
{
public:
    ~TExitComponent() override { QvUnregisterCaptionVariables(this); }
};

} // namespace

// A component held in a static that registered the first caption variable of the process: the
// table of variables is made after the component and would be destroyed before it at exit; the
// component's unregistering must still find it (the sanitizer build reports a use after free
// otherwise and the child fails).
TEST(CaptionVariablesDeathTest, ComponentDestroyedAtExitAfterTheTable)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            static std::unique_ptr<TExitComponent> late;
            late = std::make_unique<TExitComponent>();
            late->setObjectName(QStringLiteral("Late"));
            QvRegisterCaptionVariable(late.get(), QStringLiteral("Caption"), QString(),
                                      [] { return QStringLiteral("late"); });
            static std::unique_ptr<TExitComponent> others[64];
            for (auto& o : others) {
                o = std::make_unique<TExitComponent>();
                QvRegisterCaptionVariable(o.get(), QStringLiteral("Name"), QString(), [] { return QString(); });
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
