// Style records: normalising and clamping, the modified-callback, undo descriptions on a real
// undo stack, Assign, pens and brushes built from the records, and the named colours.
#include "QvColors.h"
#include "QvFont.h"
#include "QvGDI.h"
#include "QvStyles.h"
#include "QvUndoStack.h"

#include <QColor>
#include <QLinearGradient>
#include <QVariant>
#include <limits>
#include <memory>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A named owner registered as a root, so that the undo stack can find its records by full name.
struct Owner
{
    Owner()
    {
        root.setObjectName(QStringLiteral("StylesTestRoot"));
        QvRegisterRoot(&root);
        stack.setObjectName(QStringLiteral("Undo"));
        stack.SetEnabled(true);
        stack.SetLimit(20);
        stack.SetToMemoryStream(true);
    }
    QObject root;
    TQvUndoStack stack{&root};
    int calls = 0;
    TQvModifiedCallback callback() { return [this] { ++calls; }; }
};

} // namespace

struct AngleCase
{
    double in;
    float stored;
};

class GradientAngle : public ::testing::TestWithParam<AngleCase> {};

TEST_P(GradientAngle, NormalisedIntoZeroTo360)
{
    TQvGradientSettings g;
    g.SetLinearAngle(GetParam().in);
    EXPECT_FLOAT_EQ(g.LinearAngle(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Styles, GradientAngle,
                         ::testing::Values(AngleCase{-90, 270}, AngleCase{720, 0}, AngleCase{360, 0},
                                           AngleCase{450, 90}, AngleCase{-720, 0},
                                           AngleCase{-0.5, 359.5f}, AngleCase{359.5, 359.5f},
                                           AngleCase{-1e-9, 0}, AngleCase{45, 45}));

struct ClampCase
{
    const char* prop;
    double in;
    float stored;
};

class GradientClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(GradientClamp, CentresClampedToUnitRange)
{
    TQvGradientSettings g;
    ASSERT_TRUE(g.setProperty(GetParam().prop, GetParam().in));
    EXPECT_FLOAT_EQ(g.property(GetParam().prop).toFloat(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Styles, GradientClamp,
                         ::testing::Values(ClampCase{"LinearCenter", 1.5, 1}, ClampCase{"LinearCenter", -3, 0},
                                           ClampCase{"LinearCenter", 0.25, 0.25f},
                                           ClampCase{"RadialCenterX", 7, 1}, ClampCase{"RadialCenterX", -0.1, 0},
                                           ClampCase{"RadialCenterY", 2, 1}, ClampCase{"RadialCenterY", 0.75, 0.75f}));

TEST(Styles, CallbackFiresOnlyOnEffectiveChanges)
{
    Owner o;
    TQvGradientSettings g(&o.root, o.callback());
    g.SetLinearCenter(1.5);
    EXPECT_EQ(o.calls, 1);
    g.SetLinearCenter(2); // clamps to the stored 1.0: no change
    g.SetLinearAngle(0);  // the default
    g.SetLinearAngle(360); // normalises to the stored 0
    g.SetVisible(false);
    EXPECT_EQ(o.calls, 1);
    g.SetLinearAngle(-90);
    EXPECT_EQ(o.calls, 2);

    TQvLineSettings line(&o.root, o.callback());
    o.calls = 0;
    line.SetWidth(1.0);
    line.SetColor(QvColors::Red);
    line.SetDashStyle(TDashStyle::DashStyleSolid);
    line.SetVisible(true);
    EXPECT_EQ(o.calls, 0);
    line.SetWidth(2.5);
    line.Gradient()->SetVisible(true); // the gradient shares the line's callback
    EXPECT_EQ(o.calls, 2);

    TQvPointSymbolSettings sym(&o.root, o.callback());
    o.calls = 0;
    sym.SetPointSymbol(TQvPointSymbol::Circle);
    sym.SetPointSymbol(static_cast<TQvPointSymbol>(42)); // not a symbol: ignored
    EXPECT_EQ(o.calls, 0);
    EXPECT_EQ(sym.PointSymbol(), TQvPointSymbol::Circle);
}

TEST(Styles, ClampedSetterPushesNothingWhenStoredValueIsUnchanged)
{
    Owner o;
    TQvGradientSettings g(&o.root, o.callback());
    g.SetUndoStack(&o.stack);
    g.SetLinearCenter(1.5);
    ASSERT_EQ(o.stack.UndoCount(), 1);
    EXPECT_EQ(o.stack.UndoList().Get(0), QStringLiteral("Linear gradient center"));
    g.SetLinearCenter(2);
    EXPECT_EQ(o.stack.UndoCount(), 1);
    o.stack.Undo(0);
    EXPECT_FLOAT_EQ(g.LinearCenter(), 0.5f);
}

// Each row: a record factory, the property, a value different from the default, the description.
struct UndoCase
{
    const char* record;
    const char* prop;
    QVariant value;
    const char* description;
};

class UndoDescriptions : public ::testing::TestWithParam<UndoCase> {};

TEST_P(UndoDescriptions, PushedWithTheRecordDescriptionAndUndone)
{
    Owner o;
    const UndoCase& c = GetParam();
    std::unique_ptr<TQvStyleRecord> rec;
    const QString kind = QString::fromLatin1(c.record);
    if (kind == "gradient")
        rec = std::make_unique<TQvGradientSettings>(&o.root, o.callback());
    else if (kind == "line")
        rec = std::make_unique<TQvLineSettings>(&o.root, o.callback());
    else if (kind == "arrow")
        rec = std::make_unique<TQvArrowSettings>(&o.root, o.callback());
    else if (kind == "area")
        rec = std::make_unique<TQvAreaSettings>(&o.root, o.callback());
    else
        rec = std::make_unique<TQvPointSymbolSettings>(&o.root, o.callback());
    rec->SetUndoStack(&o.stack);

    const QVariant before = rec->property(c.prop);
    ASSERT_TRUE(before.isValid()) << c.prop;
    ASSERT_TRUE(rec->setProperty(c.prop, c.value)) << c.prop;
    EXPECT_NE(rec->property(c.prop), before) << c.prop;
    EXPECT_EQ(o.calls, 1);
    ASSERT_EQ(o.stack.UndoCount(), 1);
    EXPECT_EQ(o.stack.UndoList().Get(0), QString::fromLatin1(c.description));

    o.stack.Undo(0);
    EXPECT_EQ(rec->property(c.prop), before) << c.prop;
    EXPECT_EQ(o.stack.UndoCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Styles, UndoDescriptions,
    ::testing::Values(
        UndoCase{"gradient", "Visible", true, "Gradient visible"},
        UndoCase{"gradient", "Style", int(TQvGradientStyle::Radial), "Gradient style"},
        UndoCase{"gradient", "FirstColor", 0xFF112233u, "Gradient first color"},
        UndoCase{"gradient", "MiddleColor", 0xFF112233u, "Gradient middle color"},
        UndoCase{"gradient", "LastColor", 0xFF112233u, "Gradient last color"},
        UndoCase{"gradient", "LinearAngle", 30.0, "Linear gradient angle"},
        UndoCase{"gradient", "LinearCenter", 0.2, "Linear gradient center"},
        UndoCase{"gradient", "RadialCenterX", 0.2, "X component of gradient center"},
        UndoCase{"gradient", "RadialCenterY", 0.2, "Y component of gradient center"},
        UndoCase{"line", "Width", 3.0, "Line width"},
        UndoCase{"line", "DashStyle", int(TDashStyle::DashStyleDot), "Line dash style"},
        UndoCase{"line", "Color", 0xFF00FF00u, "Line color"},
        UndoCase{"line", "Visible", false, "Line visible"},
        UndoCase{"area", "Visible", true, "Filled area visible"},
        UndoCase{"area", "AreaStyle", int(TQvAreaStyle::Cross), "Area fill style"},
        UndoCase{"area", "ForeColor", 0xFF00FF00u, "Area fill foreground color"},
        UndoCase{"area", "BackColor", 0xFF00FF00u, "Area fill background color"},
        UndoCase{"symbol", "Visible", false, "Point symbol visible"},
        UndoCase{"symbol", "BorderLineWidth", 2.0, "Point symbol borderline width"},
        UndoCase{"symbol", "Size", 7.0, "Point symbol size"},
        UndoCase{"symbol", "BorderColor", 0xFF00FF00u, "Point symbol borderline color"},
        UndoCase{"symbol", "FillColor", 0x8000FF00u, "Point symbol fill color"},
        UndoCase{"symbol", "PointSymbol", int(TQvPointSymbol::Nabla), "Point symbol selection"},
        UndoCase{"arrow", "PointLength", 9.0, "Arrow tip point length"},
        UndoCase{"arrow", "InnerLength", 4.0, "Arrow tip point inner length"},
        UndoCase{"arrow", "PointHeight", 1.0, "Arrow tip point height"}));

TEST(Styles, LineUndoStackReachesItsGradientAndDescriptionsCanBeReplaced)
{
    Owner o;
    TQvArrowSettings arrow(&o.root, {});
    arrow.SetUndoStack(&o.stack);
    EXPECT_EQ(arrow.Gradient()->UndoStack(), &o.stack);
    arrow.Gradient()->SetFirstColor(QvColors::Blue);
    EXPECT_EQ(o.stack.UndoList().Get(0), QStringLiteral("Gradient first color"));

    arrow.SetUndoDescription("PointLength", QStringLiteral("Axis arrow tip point length"));
    arrow.SetPointLength(-4); // stored as the smallest length
    EXPECT_FLOAT_EQ(arrow.PointLength(), 0.00001f);
    EXPECT_EQ(o.stack.UndoList().Get(0), QStringLiteral("Axis arrow tip point length"));

    TQvAreaSettings area(&o.root, {});
    area.SetUndoStack(&o.stack);
    EXPECT_EQ(area.Gradient()->UndoStack(), &o.stack);
}

TEST(Styles, AssignCopiesStyleButKeepsCallbackAndUndoStack)
{
    Owner o;
    int otherCalls = 0;
    TQvLineSettings src(&o.root, [&otherCalls] { ++otherCalls; }, QStringLiteral("Src"));
    src.SetWidth(4);
    src.SetDashStyle(TDashStyle::DashStyleDashDot);
    src.SetColor(0xFF123456);
    src.SetVisible(false);
    src.Gradient()->SetVisible(true);
    src.Gradient()->SetLinearAngle(-90);
    src.Gradient()->SetFirstColor(0xFF010203);
    otherCalls = 0;

    TQvLineSettings dst(&o.root, o.callback());
    dst.SetUndoStack(&o.stack);
    TQvGradientSettings* ownGradient = dst.Gradient();
    dst.Assign(src);

    EXPECT_FLOAT_EQ(dst.Width(), 4);
    EXPECT_EQ(dst.DashStyle(), TDashStyle::DashStyleDashDot);
    EXPECT_EQ(dst.Color(), 0xFF123456u);
    EXPECT_FALSE(dst.Visible());
    EXPECT_EQ(dst.Gradient(), ownGradient); // assigned into, not replaced
    EXPECT_TRUE(dst.Gradient()->Visible());
    EXPECT_FLOAT_EQ(dst.Gradient()->LinearAngle(), 270);
    EXPECT_EQ(dst.Gradient()->FirstColor(), 0xFF010203u);
    EXPECT_EQ(dst.UndoStack(), &o.stack);
    EXPECT_EQ(dst.Gradient()->UndoStack(), &o.stack);
    EXPECT_GE(o.calls, 1);
    EXPECT_EQ(otherCalls, 0);

    // The kept callback is still the destination's own.
    o.calls = 0;
    dst.SetWidth(5);
    EXPECT_EQ(o.calls, 1);
    EXPECT_EQ(otherCalls, 0);

    // Assigning an equal record changes nothing and calls nothing.
    TQvPointSymbolSettings a(&o.root, o.callback()), b(&o.root, {});
    o.calls = 0;
    a.Assign(b);
    EXPECT_EQ(o.calls, 0);
    b.SetFillColor(0x80FF0000);
    b.SetPointSymbol(TQvPointSymbol::Delta);
    a.Assign(b);
    EXPECT_EQ(a.FillColor(), 0x80FF0000u);
    EXPECT_EQ(a.PointSymbol(), TQvPointSymbol::Delta);
    EXPECT_EQ(o.calls, 1);

    // Arrow dimensions travel between arrows only.
    TQvArrowSettings arrowSrc(&o.root, {}), arrowDst(&o.root, {});
    arrowSrc.SetPointLength(9);
    arrowDst.Assign(arrowSrc);
    EXPECT_FLOAT_EQ(arrowDst.PointLength(), 9);
    arrowDst.Assign(src);
    EXPECT_FLOAT_EQ(arrowDst.PointLength(), 9);
    EXPECT_FLOAT_EQ(arrowDst.Width(), 4);
}

TEST(Styles, PenFromLineRecord)
{
    TQvLineSettings line;
    line.SetWidth(3);
    line.SetDashStyle(TDashStyle::DashStyleDash);
    line.SetColor(0x80FF0000);
    TQvPen pen = line.GetPen(QRectF(0, 0, 100, 50));
    EXPECT_EQ(pen.Color(), 0x80FF0000u);
    EXPECT_FLOAT_EQ(pen.Width(), 3);
    EXPECT_EQ(pen.DashStyle(), TDashStyle::DashStyleDash);
    EXPECT_EQ(pen.brush().style(), Qt::SolidPattern);
    EXPECT_FLOAT_EQ(pen.MiterLimit(), 0);

    // With a visible gradient the pen is filled with the gradient and keeps width and dash style.
    line.Gradient()->SetVisible(true);
    pen = line.GetPen(QRect(0, 0, 100, 50));
    EXPECT_EQ(pen.brush().style(), Qt::LinearGradientPattern);
    EXPECT_FLOAT_EQ(pen.Width(), 3);
    EXPECT_EQ(pen.DashStyle(), TDashStyle::DashStyleDash);
    EXPECT_EQ(pen.dashPattern(), QvDashPattern(TDashStyle::DashStyleDash));

    // The (left, top, right, bottom) overload means the same view as (x, y, width, height).
    const TQvPen a = line.GetPen(10, 20, 110, 70);
    const TQvPen b = line.GetPen(QRectF(10, 20, 100, 50));
    const auto* ga = static_cast<const QLinearGradient*>(a.brush().gradient());
    const auto* gb = static_cast<const QLinearGradient*>(b.brush().gradient());
    EXPECT_EQ(ga->start(), gb->start());
    EXPECT_EQ(ga->finalStop(), gb->finalStop());

    TQvArrowSettings arrow;
    arrow.SetPointLength(7);
    const TQvPen ap = arrow.GetPen(QRectF(0, 0, 10, 10));
    ASSERT_TRUE(ap.EndArrow().has_value());
    EXPECT_FLOAT_EQ(ap.EndArrow()->PointLength, 7);
    EXPECT_FLOAT_EQ(ap.EndArrow()->BaseInset(), 3);
}

TEST(Styles, BrushFromAreaRecord)
{
    TQvAreaSettings area;
    EXPECT_TRUE(area.Solid());
    QBrush b = area.GetBrush(QRectF(0, 0, 10, 10));
    EXPECT_EQ(b.style(), Qt::SolidPattern);
    EXPECT_EQ(b.color().rgba(), QvColors::LightGray);

    area.SetAreaStyle(TQvAreaStyle::Cross);
    EXPECT_FALSE(area.Solid());
    b = area.GetBrush(QRectF(0, 0, 10, 10));
    ASSERT_EQ(b.style(), Qt::TexturePattern);
    const QImage tex = b.textureImage();
    EXPECT_EQ(tex.pixel(3, 0), QvColors::LightGray); // the horizontal line: fore colour
    EXPECT_EQ(tex.pixel(3, 3), QvColors::DarkGray);  // between the lines: back colour

    area.SetAreaStyle(static_cast<TQvAreaStyle>(54)); // beyond Total: ignored
    EXPECT_EQ(area.AreaStyle(), TQvAreaStyle::Cross);

    area.Gradient()->SetVisible(true);
    area.Gradient()->SetStyle(TQvGradientStyle::Elliptical);
    EXPECT_EQ(area.GetBrush(QRectF(0, 0, 10, 10)).style(), Qt::RadialGradientPattern);
}

TEST(Styles, EnumPropertiesTakeIntegersAsTheUndoStackWritesThem)
{
    TQvPointSymbolSettings sym;
    ASSERT_TRUE(sym.setProperty("PointSymbol", 8));
    EXPECT_EQ(sym.PointSymbol(), TQvPointSymbol::Delta);
    TQvLineSettings line;
    ASSERT_TRUE(line.setProperty("DashStyle", QVariant::fromValue<qint64>(4)));
    EXPECT_EQ(line.DashStyle(), TDashStyle::DashStyleDashDotDot);
    ASSERT_TRUE(line.setProperty("Color", QVariant::fromValue<qint64>(0xFF00FF00LL)));
    EXPECT_EQ(line.Color(), 0xFF00FF00u);
}

TEST(Colors, TableHasTheNamesInOrder)
{
    EXPECT_EQ(QvNamedColorCount, 167);
    EXPECT_STREQ(QvNamedColor(0).Name, "ActiveBorder");
    EXPECT_STREQ(QvNamedColor(6).Name, "ControlDarkDark");
    EXPECT_STREQ(QvNamedColor(25).Name, "WindowText");
    EXPECT_STREQ(QvNamedColor(26).Name, "Transparent");
    EXPECT_STREQ(QvNamedColor(166).Name, "YellowGreen");
    // Every web colour has the value the toolkit knows for the name; every name is unique.
    for (int i = QvSystemColorCount + 1; i < QvNamedColorCount; ++i) {
        const QString name = QString::fromLatin1(QvNamedColor(i).Name);
        EXPECT_EQ(QvNamedColor(i).Value, QColor::fromString(name.toLower()).rgba()) << qPrintable(name);
        EXPECT_EQ(QvNamedColorIndex(name), i) << qPrintable(name);
    }
    for (int i = 0; i < QvSystemColorCount; ++i)
        EXPECT_TRUE(QvIsOpaque(QvNamedColor(i).Value)) << QvNamedColor(i).Name;
}

struct ColorTextCase
{
    const char* text;
    TQvColor value;
    bool ok;
};

class ColorText : public ::testing::TestWithParam<ColorTextCase> {};

TEST_P(ColorText, NamesCaseInsensitiveElseDecimal)
{
    bool ok = !GetParam().ok;
    EXPECT_EQ(QvColorFromText(QString::fromLatin1(GetParam().text), &ok), GetParam().value);
    EXPECT_EQ(ok, GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    Colors, ColorText,
    ::testing::Values(ColorTextCase{"Red", 0xFFFF0000, true}, ColorTextCase{"rEd", 0xFFFF0000, true},
                      ColorTextCase{"blue", 0xFF0000FF, true}, ColorTextCase{"LIGHTGRAY", 0xFFD3D3D3, true},
                      ColorTextCase{"DarkGray", 0xFFA9A9A9, true}, ColorTextCase{"gainsboro", 0xFFDCDCDC, true},
                      ColorTextCase{"Transparent", 0x00FFFFFF, true},
                      ColorTextCase{"WindowFrame", 0xFF646464, true},
                      ColorTextCase{"4294901760", 0xFFFF0000, true}, ColorTextCase{"-65536", 0xFFFF0000, true},
                      ColorTextCase{"255", 0x000000FF, true}, ColorTextCase{"Reddish", 0, false},
                      ColorTextCase{"0xFF0000", 0, false}, ColorTextCase{"", 0, false},
                      ColorTextCase{"99999999999", 0, false}));

TEST(Colors, TextRoundTrips)
{
    for (TQvColor c : {0xFFFF0000u, 0xFF00FFFFu, 0x80FF0000u, 0u, 0xFFF0F0F0u, 0x00FFFFFFu}) {
        EXPECT_EQ(QvColorFromText(QvColorToText(c)), c) << QvColorToText(c).toStdString();
    }
    EXPECT_EQ(QvColorToText(0xFFFF0000), QStringLiteral("Red"));
    EXPECT_EQ(QvColorToText(0x80FF0000), QStringLiteral("2164195328"));
}

// A stored record may carry any size or height: a font never goes beyond MaxSize points, and the
// size is kept as read only within that range (the framework font takes whole points).
TEST(Styles, FontSizesAreBoundedWhateverARecordSays)
{
    TQvFont F;
    for (const float Huge : {1.44e11f, 3.0e38f, float(TQvFont::MaxSize) + 1}) {
        F.SetSize(Huge);
        EXPECT_EQ(F.Size(), float(TQvFont::MaxSize));
        EXPECT_EQ(F.AsTFont().pointSize(), TQvFont::MaxSize);
        EXPECT_LT(F.Height(), 0);
    }
    F.SetSize(12.5f);
    EXPECT_EQ(F.Size(), 12.5f);
    EXPECT_EQ(F.AsTFont().pointSize(), 13);
    for (const int Height : {std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        F.SetHeight(Height);
        EXPECT_EQ(F.Size(), float(TQvFont::MaxSize));
    }
    QFont Q = F.AsTFont();
    Q.setPointSizeF(1.0e12);
    F.AssignFont(Q);
    EXPECT_EQ(F.Size(), float(TQvFont::MaxSize));
    EXPECT_EQ(F.AsTFont().pointSize(), TQvFont::MaxSize);
}
