// Rich captions: measuring, drawing (positions, colours, lines, rotation), fonts, the record
// vector and the label control.
#include "QvFont.h"
#include "QvRichLabel.h"
#include "QvUndoStack.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

QImage Blank(int W = 300, int H = 200)
{
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(Qt::white);
    return img;
}

// Rectangle of the pixels that differ from white in the given rows and columns.
QRect Ink(const QImage& Img, QRect Area = QRect())
{
    if (Area.isNull())
        Area = Img.rect();
    QRect r;
    for (int y = Area.top(); y <= Area.bottom(); ++y)
        for (int x = Area.left(); x <= Area.right(); ++x)
            if (Img.pixel(x, y) != 0xFFFFFFFFu)
                r |= QRect(x, y, 1, 1);
    return r;
}

double RunWidth(const QFont& F, const QString& s)
{
    const QFontMetricsF fm(F);
    return fm.horizontalAdvance(QLatin1Char('I') + s + QLatin1Char('I')) - fm.horizontalAdvance(QStringLiteral("II"));
}

struct Fixture
{
    TQvFont Font;
    TQvRichCaptionRec Rec;
    Fixture()
    {
        Font.SetName(QStringLiteral("Arial"));
        Font.SetSize(12);
        Rec.Font = &Font;
    }
    QImage Draw(const QString& Caption, QPointF At = {10, 10},
                TQvContentAlignment Align = TQvContentAlignment::TopLeft, float Angle = 0, int W = 300,
                int H = 200)
    {
        QImage img = Blank(W, H);
        QPainter p(&img);
        Rec.SetCaption(Caption);
        Rec.X = float(At.x());
        Rec.Y = float(At.y());
        Rec.Align = Align;
        Rec.Angle = Angle;
        Rec.Draw(p);
        return img;
    }
};

} // namespace

TEST(RichCaption, SubscriptMeasuresAsThePlainText)
{
    Fixture f;
    f.Rec.SetCaption(QStringLiteral("log pO\\-2\\-"));
    f.Rec.Measure();
    EXPECT_EQ(f.Rec.FText, QStringLiteral("log pO2"));
    const QFont base = f.Font.BaseFont();
    QFont small = base;
    small.setPointSizeF(12 * 0.66);
    const double dot = QFontMetricsF(base).horizontalAdvance(QLatin1Char('.'));
    EXPECT_NEAR(f.Rec.FRightAdj, dot, 1e-4);
    ASSERT_EQ(f.Rec.LineCount(), 1);
    EXPECT_NEAR(f.Rec.FWidth, RunWidth(base, QStringLiteral("log pO")) + RunWidth(small, QStringLiteral("2")) + dot, 1e-3);
    EXPECT_NEAR(f.Rec.FHeight, QFontMetricsF(base).lineSpacing(), 1e-4);
    // The subscript 2 is narrower than a full-size 2.
    EXPECT_LT(f.Rec.FWidth, RunWidth(base, QStringLiteral("log pO2")) + dot);
    // The state after measuring: subscript switched off again.
    EXPECT_FALSE(f.Rec.FSubScript);
}

TEST(RichCaption, BlanksAtRunEndsCount)
{
    Fixture f;
    f.Rec.SetCaption(QStringLiteral("a"));
    f.Rec.Measure();
    const float one = f.Rec.FWidth;
    f.Rec.SetCaption(QStringLiteral("a  "));
    f.Rec.Measure();
    EXPECT_GT(f.Rec.FWidth, one + 2);
}

TEST(RichCaption, SwitchesChangeTheMeasuredFont)
{
    Fixture f;
    const QFont base = f.Font.BaseFont();
    QFont bold = base;
    bold.setBold(true);
    const double dot = QFontMetricsF(base).horizontalAdvance(QLatin1Char('.'));
    f.Rec.SetCaption(QStringLiteral("\\bWide\\b Wide"));
    f.Rec.Measure();
    EXPECT_NEAR(f.Rec.FWidth, RunWidth(bold, QStringLiteral("Wide")) + RunWidth(base, QStringLiteral(" Wide")) + dot, 1e-3);

    // Superscript on while subscript is on ends the subscript: one 0.66 run, then full size.
    QFont small = base;
    small.setPointSizeF(12 * 0.66);
    f.Rec.SetCaption(QStringLiteral("\\-x\\+y\\+z"));
    f.Rec.Measure();
    EXPECT_NEAR(f.Rec.FWidth,
                RunWidth(small, QStringLiteral("x")) + RunWidth(small, QStringLiteral("y"))
                    + RunWidth(base, QStringLiteral("z")) + dot,
                1e-3);
    EXPECT_FALSE(f.Rec.FSubScript);
    EXPECT_FALSE(f.Rec.FSuperScript);
}

TEST(RichCaption, SwitchesSurviveLineBreaks)
{
    Fixture f;
    f.Rec.SetCaption(QStringLiteral("\\bmmm\rmmm"));
    f.Rec.Measure();
    ASSERT_EQ(f.Rec.LineCount(), 2);
    EXPECT_FLOAT_EQ(f.Rec.FLineWidth[0], f.Rec.FLineWidth[1]);
    EXPECT_TRUE(f.Rec.FBold);

    f.Rec.SetCaption(QStringLiteral("\\bmmm\\b\rmmm"));
    f.Rec.Measure();
    EXPECT_GT(f.Rec.FLineWidth[0], f.Rec.FLineWidth[1]);
}

TEST(RichCaption, TwoLinesCentred)
{
    Fixture f;
    const QImage img = f.Draw(QStringLiteral("i\rWWWWWW"), {150, 20}, TQvContentAlignment::TopCenter);
    const float h = f.Rec.FHeight / 2;
    EXPECT_FLOAT_EQ(f.Rec.FHeight, 2 * QFontMetricsF(f.Font.BaseFont()).lineSpacing());
    const QRect first = Ink(img, QRect(0, 20, 300, int(h)));
    const QRect second = Ink(img, QRect(0, 20 + int(h) + 1, 300, int(h)));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_NEAR(first.center().x(), 150, 2.5);
    EXPECT_NEAR(second.center().x(), 150, 2.5);
    EXPECT_GT(second.width(), 4 * first.width());
}

// Left-aligned text starts on the anchor: its ink begins where the same text drawn at the anchor
// begins, on every line and at any size (a 40-pt caption once stood 8 pixels off).
TEST(RichCaption, LeftAlignedTextStartsAtTheAnchor)
{
    for (float Size : {9.0f, 12.0f, 40.0f})
        for (TQvContentAlignment Align :
             {TQvContentAlignment::TopLeft, TQvContentAlignment::MiddleLeft, TQvContentAlignment::BottomLeft}) {
            SCOPED_TRACE(testing::Message() << Size << " pt, alignment " << int(Align));
            Fixture f;
            f.Font.SetSize(Size);
            const QImage img = f.Draw(QStringLiteral("Hxy\rHm"), {20, 100}, Align, 0, 400, 260);
            QImage ref = Blank(400, 260);
            {
                QPainter p(&ref);
                p.setFont(f.Font.BaseFont());
                p.setPen(Qt::black);
                p.drawText(QPointF(20, 100), QStringLiteral("Hxy"));
            }
            const QRect got = Ink(img);
            const QRect want = Ink(ref);
            ASSERT_FALSE(got.isNull());
            EXPECT_NEAR(got.left(), want.left(), 1);
        }
}

TEST(RichCaption, AlignmentPutsTheBoxOnTheAnchor)
{
    Fixture f;
    f.Rec.SetCaption(QStringLiteral("Hg"));
    f.Rec.Measure();
    const float w = f.Rec.FWidth, h = f.Rec.FHeight;
    struct Case
    {
        TQvContentAlignment Align;
        QPointF TopLeft;
    };
    const Case cases[] = {
        {TQvContentAlignment::TopLeft, {0, 0}},       {TQvContentAlignment::TopCenter, {-w / 2, 0}},
        {TQvContentAlignment::TopRight, {-w, 0}},     {TQvContentAlignment::MiddleLeft, {0, -h / 2}},
        {TQvContentAlignment::MiddleCenter, {-w / 2, -h / 2}}, {TQvContentAlignment::MiddleRight, {-w, -h / 2}},
        {TQvContentAlignment::BottomLeft, {0, -h}},   {TQvContentAlignment::BottomCenter, {-w / 2, -h}},
        {TQvContentAlignment::BottomRight, {-w, -h}},
    };
    for (const Case& c : cases) {
        f.Rec.Align = c.Align;
        f.Rec.X = 100;
        f.Rec.Y = 50;
        const QRectF r = f.Rec.BoundingRect();
        EXPECT_NEAR(r.left(), 100 + c.TopLeft.x(), 1e-3) << int(c.Align);
        EXPECT_NEAR(r.top(), 50 + c.TopLeft.y(), 1e-3) << int(c.Align);
    }
    // Turned by 90 degrees counter-clockwise about the anchor: the box stands upright, above and
    // to the right... of a bottom-centred anchor it lies to the right, centred vertically.
    f.Rec.Align = TQvContentAlignment::BottomCenter;
    f.Rec.Angle = 90;
    const QRectF r = f.Rec.BoundingRect();
    EXPECT_NEAR(r.width(), h, 1e-3);
    EXPECT_NEAR(r.height(), w, 1e-3);
    EXPECT_NEAR(r.left(), 100 - h, 1e-3);
    EXPECT_NEAR(r.center().y(), 50, 1e-3);
    EXPECT_EQ(QvRotatedCaptionBox(QSizeF(w, h), QPointF(100, 50), TQvContentAlignment::BottomCenter, 90), r);
}

TEST(RichCaption, RotatedDrawingStandsUpright)
{
    Fixture f;
    const QImage img = f.Draw(QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"), {100, 190},
                              TQvContentAlignment::BottomLeft, 90);
    const QRect ink = Ink(img);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), 3 * ink.width());
    // Bottom-left corner on the anchor, turned counter-clockwise: the text runs upwards from
    // y = 190 and lies left of x = 100.
    EXPECT_LE(ink.right(), 100);
    EXPECT_LE(ink.bottom(), 190);
    EXPECT_GT(ink.bottom(), 175);
}

TEST(RichCaption, SubscriptIsDrawnLowerAndSmaller)
{
    Fixture f;
    const QImage img = f.Draw(QStringLiteral("H\\-H\\-"), {10, 10});
    const QFont base = f.Font.BaseFont();
    const double splitX = 10 + RunWidth(base, QStringLiteral("H"));
    const QRect big = Ink(img, QRect(0, 0, int(splitX), 200));
    const QRect sub = Ink(img, QRect(int(splitX) + 1, 0, 100, 200));
    ASSERT_FALSE(big.isNull());
    ASSERT_FALSE(sub.isNull());
    const double h = f.Rec.FHeight;
    EXPECT_NEAR(sub.height(), big.height() * 0.66, 2.0);
    // The baseline of the small H lies 0.34 line heights below the top of its line plus its
    // own (smaller) ascent.
    const double bigBase = 10 + QFontMetricsF(base).ascent();
    QFont small = base;
    small.setPointSizeF(12 * 0.66);
    const double subBase = 10 + 0.34 * h + QFontMetricsF(small).ascent();
    EXPECT_NEAR(big.bottom() + 1, bigBase, 1.5);
    EXPECT_NEAR(sub.bottom() + 1, subBase, 1.5);
}

TEST(RichCaption, LiteralPlaceholderOpenerDrawsAsText)
{
    Fixture f;
    const QImage a = f.Draw(QStringLiteral("<%<%"));
    EXPECT_EQ(f.Rec.FText, QStringLiteral("<%"));
    const QImage b = f.Draw(QStringLiteral("<%"));
    EXPECT_EQ(a, b);
    EXPECT_FALSE(Ink(a).isNull());
    // A doubled backslash draws one backslash, as wide as the backslash itself.
    const QImage c = f.Draw(QStringLiteral("a\\\\b"));
    EXPECT_EQ(f.Rec.FText, QStringLiteral("a\\b"));
    const QFont base = f.Font.BaseFont();
    EXPECT_NEAR(f.Rec.FWidth,
                RunWidth(base, QStringLiteral("a")) + RunWidth(base, QStringLiteral("\\"))
                    + RunWidth(base, QStringLiteral("b")) + f.Rec.FRightAdj,
                1e-3);
    EXPECT_FALSE(Ink(c).isNull());
}

TEST(RichCaption, ColourEscapeAndCaptionColour)
{
    Fixture f;
    f.Font.SetFillColor(0xFF000000);
    const QImage img = f.Draw(QStringLiteral("\\c[A=255,R=0,G=0,B=255]MMM\\c[]MMM"));
    // Left-aligned: the text starts on the anchor.
    const double split = 10 + RunWidth(f.Font.BaseFont(), QStringLiteral("MMM"));
    int blue = 0, black = 0, wrong = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == Qt::white)
                continue;
            const bool left = x < split;
            const bool isBlue = c.blue() > 200 && c.red() < 60;
            const bool isDark = c.blue() < 60 && c.red() < 60;
            if (left && isBlue)
                ++blue;
            else if (!left && isDark)
                ++black;
            else if ((left && isDark) || (!left && isBlue))
                ++wrong;
        }
    EXPECT_GT(blue, 20);
    EXPECT_GT(black, 20);
    EXPECT_EQ(wrong, 0);

    // The colour override replaces the font's colour.
    f.Rec.FColorOverride = 0xFFFF0000;
    const QImage red = f.Draw(QStringLiteral("MMM"));
    const QRect ink = Ink(red);
    bool anyRed = false;
    for (int x = ink.left(); x <= ink.right(); ++x)
        for (int y = ink.top(); y <= ink.bottom(); ++y) {
            const QColor c = red.pixelColor(x, y);
            anyRed |= c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    EXPECT_TRUE(anyRed);
}

TEST(RichCaption, DrawEffectsDrawSomething)
{
    const TQvDrawEffect effects[] = {TQvDrawEffect::Shadow, TQvDrawEffect::Outline,
                                     TQvDrawEffect::Lowered, TQvDrawEffect::Raised};
    Fixture plain;
    const QImage normal = plain.Draw(QStringLiteral("Effect"));
    for (TQvDrawEffect e : effects) {
        Fixture f;
        f.Font.SetDrawEffects(QvEffectBit(e));
        const QImage img = f.Draw(QStringLiteral("Effect"));
        EXPECT_FALSE(Ink(img).isNull()) << int(e);
        EXPECT_NE(img, normal) << int(e);
    }
}

TEST(RichCaption, UnknownFamilyFallsBack)
{
    Fixture f;
    f.Rec.SetCaption(QStringLiteral("\\f[No Such Family Anywhere]W"));
    f.Rec.Measure();
    EXPECT_EQ(f.Rec.FFont.family(), QStringLiteral("Arial"));
    f.Rec.SetCaption(QStringLiteral("\\f[Times New Roman]W"));
    f.Rec.Measure();
    EXPECT_EQ(f.Rec.FFont.family(), QStringLiteral("Times New Roman"));
}

TEST(QvFont, ColoursAndEffects)
{
    TQvFont f;
    int invalidated = 0, resized = 0;
    f.SetNeedsInvalidate([&] { ++invalidated; });
    f.SetNeedsResize([&] { ++resized; });

    f.SetColor(QColor(10, 20, 30));
    EXPECT_EQ(f.FillColor(), 0xFF0A141Eu);
    f.SetFillColor(0x80FF0000);
    EXPECT_EQ(f.Color(), QColor(255, 0, 0));
    EXPECT_EQ(invalidated, 2);

    struct Case
    {
        int Before, Set, After;
    };
    const int S = QvEffectBit(TQvDrawEffect::Shadow), O = QvEffectBit(TQvDrawEffect::Outline),
              L = QvEffectBit(TQvDrawEffect::Lowered), R = QvEffectBit(TQvDrawEffect::Raised);
    const Case cases[] = {
        {0, O, O}, {O, O | L, L}, {L, L | R, R}, {0, S | O | L | R, O}, {R, R | L | S, L}, {S, 0, 0},
    };
    for (const Case& c : cases) {
        f.SetDrawEffects(c.Before);
        f.SetDrawEffects(c.Set);
        EXPECT_EQ(f.DrawEffects(), c.After) << c.Before << " " << c.Set;
    }

    resized = 0;
    f.SetSize(9.5f);
    EXPECT_FLOAT_EQ(f.Size(), 9.5f);
    EXPECT_EQ(f.AsTFont().pointSize(), 10);
    f.SetSize(9.5f);
    f.SetStyle(QvFontStyle::Bold | QvFontStyle::Italic);
    EXPECT_TRUE(f.BaseFont().bold());
    EXPECT_TRUE(f.BaseFont().italic());
    EXPECT_EQ(resized, 2);
    f.SetHeight(-16);
    EXPECT_NEAR(f.Size(), 16 * 72.0 / 96.0, 0.01);
}

TEST(QvFont, PushToUndoStackIsOneStep)
{
    QObject form;
    form.setObjectName(QStringLiteral("FormFontUndo"));
    QvRegisterRoot(&form);
    TQvUndoStack stack(&form);
    stack.setObjectName(QStringLiteral("UndoStack"));
    auto* font = new TQvFont(&form, QStringLiteral("TitleFont"));
    font->SetSize(11);
    font->PushToUndoStack(&stack, QStringLiteral("Title font"));
    EXPECT_EQ(stack.UndoCount(), 1);
    EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Title font"));

    font->SetName(QStringLiteral("Times New Roman"));
    font->SetSize(20);
    font->SetStyle(QvFontStyle::Bold);
    font->SetFillColor(0xFF00FF00);
    font->SetDrawEffects(QvEffectBit(TQvDrawEffect::Shadow));
    font->Gradient()->SetVisible(true);
    font->Gradient()->SetLinearAngle(45);
    stack.Undo();
    EXPECT_EQ(font->Name(), QStringLiteral("Arial"));
    EXPECT_FLOAT_EQ(font->Size(), 11);
    EXPECT_EQ(font->Style(), 0);
    EXPECT_EQ(font->FillColor(), 0xFF000000u);
    EXPECT_EQ(font->DrawEffects(), 0);
    EXPECT_FALSE(font->Gradient()->Visible());
    EXPECT_FLOAT_EQ(font->Gradient()->LinearAngle(), 0);
}

TEST(RichCaptionRecVector, GrowsByIncrementAndChecksIndices)
{
    TQvRichCaptionRecVector v;
    EXPECT_EQ(v.Capacity(), 0);
    TQvRichCaptionRec r;
    for (int i = 0; i < 129; ++i) {
        r.Caption = QString::number(i);
        EXPECT_EQ(v.Add(r), i);
    }
    EXPECT_EQ(v.Capacity(), 256);
    v.Delete(0);
    EXPECT_EQ(v.Count(), 128);
    EXPECT_EQ(v.GetValue(0).Caption, QStringLiteral("1"));
    r.Caption = QStringLiteral("x");
    v.SetValue(127, r);
    EXPECT_EQ(v[127].Caption, QStringLiteral("x"));
    try {
        v.GetValue(128);
        FAIL() << "no error";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "i=128 index out of range");
    }
    EXPECT_THROW(v.Delete(-1), std::out_of_range);
    v.Clear();
    EXPECT_EQ(v.Count(), 0);
}

TEST(RichLabel, PropertiesAndAutoSize)
{
    TQvRichLabel label;
    label.Font()->SetSize(12);
    label.SetCaption(QStringLiteral("log pO\\-2\\-   "));
    EXPECT_EQ(label.Caption(), QStringLiteral("log pO\\-2\\-"));
    EXPECT_TRUE(label.CaptionSet());
    EXPECT_EQ(label.PlainText(), QStringLiteral("log pO2"));

    struct Case
    {
        float Set, Stored;
    };
    for (const Case& c : {Case{-90, 270}, Case{720, 0}, Case{360, 0}, Case{45, 45}, Case{-360.5f, 359.5f}}) {
        label.SetAngle(c.Set);
        EXPECT_NEAR(label.Angle(), c.Stored, 1e-4) << c.Set;
    }

    label.SetAngle(0);
    label.SetAutoSize(true);
    const QSize flat = label.size();
    label.SetAngle(90);
    EXPECT_EQ(label.size(), flat.transposed());
    EXPECT_GT(label.height(), label.width());

    label.SetForeColor(0xFF123456);
    EXPECT_EQ(label.Font()->FillColor(), 0xFF123456u);
    EXPECT_EQ(label.BackColor(), QvColors::Transparent);

    // The label draws its caption inside itself.
    label.SetBackColor(QvColors::White);
    QImage img(label.size(), QImage::Format_ARGB32);
    img.fill(Qt::red);
    label.render(&img);
    bool dark = false, red = false;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            dark |= qGray(img.pixel(x, y)) < 128;
            red |= img.pixel(x, y) == 0xFFFF0000u;
        }
    EXPECT_TRUE(dark);
    EXPECT_FALSE(red); // the background colour covers the whole control
}
