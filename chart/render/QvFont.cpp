#include "QvFont.h"

#include "QvUndoStack.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QScreen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <stdexcept>

// ---------------------------------------------------------------------------------------------
// Fonts

namespace {

// Size factor of super- and subscripts, and their moves in line heights.
constexpr double ScriptSize = 0.66;
constexpr double SuperRise = 0.075;
constexpr double SubDrop = 0.34;
constexpr double ScriptShift = 0.045;

double ScreenDpi()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            return screen->logicalDotsPerInchY();
    return 96.0;
}

// Whether a family can be used as it is named: installed, or an alias that the font
// configuration maps onto an installed family of its own (not onto the general fallback).
bool FamilyAvailable(const QString& Family)
{
    static QHash<QString, bool> cache;
    const QString key = Family.toLower();
    const auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    bool ok = QFontDatabase::hasFamily(Family);
    if (!ok) {
        static const QString fallback =
            QFontInfo(QFont(QStringLiteral("Qv No Such Family 1a2b"))).family();
        const QString resolved = QFontInfo(QFont(Family)).family();
        ok = !resolved.isEmpty() && resolved != fallback;
    }
    cache.insert(key, ok);
    return ok;
}

QFontMetricsF Metrics(const QFont& Font, const QPaintDevice* Device)
{
    return Device ? QFontMetricsF(Font, Device) : QFontMetricsF(Font);
}

// Width of a text run: "I" + run + "I" less "II", so that blanks at either end count.
double RunWidth(const QFontMetricsF& fm, const QString& Run)
{
    static const QString ii = QStringLiteral("II");
    return fm.horizontalAdvance(QLatin1Char('I') + Run + QLatin1Char('I')) - fm.horizontalAdvance(ii);
}

QColor ToQColor(TQvColor c)
{
    return QColor::fromRgba(c);
}

} // namespace

TQvFont::TQvFont(QObject* AOwner, const QString& AName) : TQvComponent(AOwner)
{
    setObjectName(AName);
    FFont = QFont(DefaultName());
    FFont.setPointSize(DefaultSize);
    FGradient = new TQvGradientSettings(this, [this] { Invalidated(); }, QStringLiteral("Gradient"));
}

TQvFont::~TQvFont() = default;

void TQvFont::Invalidated()
{
    if (mNeedsInvalidate)
        mNeedsInvalidate();
}

void TQvFont::Resized()
{
    if (mNeedsResize)
        mNeedsResize();
}

TQvUndoStack* TQvFont::GetUndoStack() const
{
    if (FUndoStackSource)
        return FUndoStackSource();
    return TQvComponent::GetUndoStack();
}

void TQvFont::PushState()
{
    if (IsLoading())
        return;
    TQvUndoStack* stack = GetUndoStack();
    if (stack && stack->Enabled() && !stack->Restoring())
        PushToUndoStack(stack, FUndoComment);
}

void TQvFont::SetCharset(int Value)
{
    FCharset = Value;
}

void TQvFont::SetColor(const QColor& Value)
{
    const QColor rgb = QColor(Value.rgb());
    const TQvColor fill = 0xFF000000u | (rgb.rgb() & 0x00FFFFFFu);
    if (rgb == FColor && fill == FFillColor)
        return;
    PushState();
    FColor = rgb;
    FFillColor = fill;
    Invalidated();
}

void TQvFont::SetFillColor(TQvColor Value)
{
    if (Value == FFillColor)
        return;
    PushState();
    FFillColor = Value;
    FColor = QColor(QRgb(Value | 0xFF000000u));
    Invalidated();
}

void TQvFont::SetName(const QString& Value)
{
    if (Value == FFont.family())
        return;
    PushState();
    FFont.setFamily(Value);
    Resized();
}

void TQvFont::SetGradient(TQvGradientSettings* Value)
{
    if (!Value || Value == FGradient)
        return;
    PushState();
    FGradient->Assign(*Value);
    Invalidated();
}

int TQvFont::Height() const
{
    return -qRound(Size() * ScreenDpi() / 72.0);
}

void TQvFont::SetHeight(int Value)
{
    if (Value == 0)
        return;
    SetSize(float(std::abs(double(Value)) * 72.0 / ScreenDpi()));
}

float TQvFont::Size() const
{
    return FSize > 0 ? FSize : float(FFont.pointSize());
}

void TQvFont::SetSize(float Value)
{
    if (std::isnan(Value))
        return;
    Value = std::min(Value, float(MaxSize));
    if (Value == Size())
        return;
    PushState();
    FSize = Value;
    if (Value > 0)
        FFont.setPointSize(qMax(1, qRound(Value)));
    Resized();
}

void TQvFont::SetDrawEffects(TQvDrawEffects Value)
{
    Value &= 0xF;
    auto single = [](TQvDrawEffects v) { return v != 0 && (v & (v - 1)) == 0; };
    if (Value && !single(Value)) {
        // Keep one effect: one that was just added, else by precedence.
        const TQvDrawEffects added = Value & ~FDrawEffects;
        const TQvDrawEffects from = added ? added : Value;
        const TQvDrawEffect order[] = {TQvDrawEffect::Outline, TQvDrawEffect::Lowered,
                                       TQvDrawEffect::Raised, TQvDrawEffect::Shadow};
        for (TQvDrawEffect e : order) {
            if (from & QvEffectBit(e)) {
                Value = QvEffectBit(e);
                break;
            }
        }
    }
    if (Value == FDrawEffects)
        return;
    PushState();
    FDrawEffects = Value;
    Invalidated();
}

void TQvFont::SetRenderingHint(TQvTextRenderingHint Value)
{
    if (Value == FRenderingHint)
        return;
    PushUndoProperty("Font rendering hint", "RenderingHint");
    FRenderingHint = Value;
    Resized();
}

int TQvFont::Style() const
{
    int s = 0;
    if (FFont.bold())
        s |= QvFontStyle::Bold;
    if (FFont.italic())
        s |= QvFontStyle::Italic;
    if (FFont.underline())
        s |= QvFontStyle::Underline;
    if (FFont.strikeOut())
        s |= QvFontStyle::StrikeOut;
    return s;
}

void TQvFont::SetStyle(int Value)
{
    if (Value == Style())
        return;
    PushState();
    FFont.setBold(Value & QvFontStyle::Bold);
    FFont.setItalic(Value & QvFontStyle::Italic);
    FFont.setUnderline(Value & QvFontStyle::Underline);
    FFont.setStrikeOut(Value & QvFontStyle::StrikeOut);
    Resized();
}

QFont TQvFont::BaseFont() const
{
    QFont f = FFont;
    const float size = Size();
    f.setPointSizeF(size > 0 ? size : 1);
    return QvFontForHint(f, FRenderingHint);
}

QFont TQvFont::AsTFont() const
{
    QFont f = FFont;
    f.setPointSize(qMax(1, qRound(Size())));
    return f;
}

void TQvFont::AssignFont(const QFont& Value)
{
    QFont f = FFont;
    f.setFamily(Value.family());
    f.setBold(Value.bold());
    f.setItalic(Value.italic());
    f.setUnderline(Value.underline());
    f.setStrikeOut(Value.strikeOut());
    const double size = std::min(Value.pointSizeF(), double(MaxSize));
    bool changed = f != FFont;
    if (changed || (size > 0 && float(size) != Size()))
        PushState();
    FFont = f;
    if (size > 0 && float(size) != Size()) {
        FSize = float(size);
        FFont.setPointSize(qMax(1, qRound(size)));
        changed = true;
    }
    if (changed)
        Resized();
}

void TQvFont::Assign(const TQvFont& Source)
{
    if (&Source == this)
        return;
    FFont = Source.FFont;
    FSize = Source.FSize;
    FCharset = Source.FCharset;
    FColor = Source.FColor;
    FFillColor = Source.FFillColor;
    FDrawEffects = Source.FDrawEffects;
    FRenderingHint = Source.FRenderingHint;
    FGradient->Assign(*Source.FGradient);
    Resized();
    Invalidated();
}

void TQvFont::PushToUndoStack(TQvUndoStack* Stack, const QString& Comment)
{
    if (!Stack)
        return;
    static const char* const own[] = {"Name", "Style", "Size", "FillColor", "DrawEffects"};
    static const char* const gradient[] = {"Visible",      "FirstColor",   "MiddleColor",
                                           "LastColor",    "LinearAngle",  "LinearCenter",
                                           "RadialCenterX", "RadialCenterY"};
    TQvUndoGroup Group(Stack, Comment);
    for (const char* name : own)
        Stack->PushProperty(this, QString(), QString::fromLatin1(name));
    for (const char* name : gradient)
        Stack->PushProperty(FGradient, QString(), QString::fromLatin1(name));
}

TQvFont* QvDefaultCaptionFont()
{
    static QPointer<TQvFont> font;
    if (!font) {
        // Owned by the application object so that it goes with it.
        font = new TQvFont(QCoreApplication::instance(), QStringLiteral("QvDefaultCaptionFont"));
    }
    return font;
}

// ---------------------------------------------------------------------------------------------
// Caption records

namespace {

// Offset of the caption box's top-left corner from the anchor, before rotation.
QPointF BoxOffset(TQvContentAlignment Align, double W, double H)
{
    const int a = static_cast<int>(Align);
    const int col = a % 3; // 0 left, 1 centre, 2 right
    const int row = a / 3; // 0 top, 1 middle, 2 bottom
    return {col == 0 ? 0.0 : col == 1 ? -W / 2 : -W, row == 0 ? 0.0 : row == 1 ? -H / 2 : -H};
}

// One text run placed by the layout walk.
struct TPlacedRun
{
    QPointF TopLeft;
    QFont Font;
    QString Text;
    TQvColor Color; // 0: the caption's colour
};

} // namespace

const TQvFont* TQvRichCaptionRec::BaseFont() const
{
    return Font ? Font.data() : QvDefaultCaptionFont();
}

void TQvRichCaptionRec::SetCaption(const TQvRichCaption& Value)
{
    Caption = Value;
    FLineWidth.clear();
}

void TQvRichCaptionRec::ResetState()
{
    const TQvFont* base = BaseFont();
    const QFont f = base->BaseFont();
    FFontName = f.family();
    FBold = f.bold();
    FItalic = f.italic();
    FUnderline = f.underline();
    FStrikeOut = f.strikeOut();
    FSuperScript = false;
    FSubScript = false;
    FSize = base->Size();
    FStyle = base->Style();
    FFont = StateFont();
}

QFont TQvRichCaptionRec::StateFont() const
{
    QFont f = BaseFont()->BaseFont();
    f.setFamily(FamilyAvailable(FFontName) ? FFontName : QStringLiteral("Arial"));
    f.setBold(FBold);
    f.setItalic(FItalic);
    f.setUnderline(FUnderline);
    f.setStrikeOut(FStrikeOut);
    double size = FSize * ((FSuperScript || FSubScript) ? ScriptSize : 1.0);
    if (size <= 0)
        size = 1;
    f.setPointSizeF(size);
    return f;
}

namespace {

// Applies a style switch to the record's state; returns the vertical and horizontal moves of the
// drawing position (in line heights) that the switch causes.
QPointF ApplySwitch(TQvRichCaptionRec& R, TQvRichToken::TKind Kind)
{
    QPointF move;
    auto superOff = [&] {
        R.FSuperScript = false;
        move += QPointF(-ScriptShift, SuperRise);
    };
    auto subOff = [&] {
        R.FSubScript = false;
        move += QPointF(-ScriptShift, -SubDrop);
    };
    switch (Kind) {
    case TQvRichToken::tkSuperscript:
        if (R.FSuperScript) {
            superOff();
        } else {
            if (R.FSubScript)
                subOff();
            R.FSuperScript = true;
            move += QPointF(ScriptShift, -SuperRise);
        }
        break;
    case TQvRichToken::tkSubscript:
        if (R.FSubScript) {
            subOff();
        } else {
            if (R.FSuperScript)
                superOff();
            R.FSubScript = true;
            move += QPointF(ScriptShift, SubDrop);
        }
        break;
    case TQvRichToken::tkBold:
        R.FBold = !R.FBold;
        break;
    case TQvRichToken::tkItalic:
        R.FItalic = !R.FItalic;
        break;
    case TQvRichToken::tkUnderline:
        R.FUnderline = !R.FUnderline;
        break;
    case TQvRichToken::tkStrikeOut:
        R.FStrikeOut = !R.FStrikeOut;
        break;
    case TQvRichToken::tkFontName:
    case TQvRichToken::tkFontReset:
    default:
        break;
    }
    R.FStyle = (R.FBold ? QvFontStyle::Bold : 0) | (R.FItalic ? QvFontStyle::Italic : 0)
        | (R.FUnderline ? QvFontStyle::Underline : 0) | (R.FStrikeOut ? QvFontStyle::StrikeOut : 0);
    return move;
}

} // namespace

void TQvRichCaptionRec::Measure(const QPaintDevice* Device)
{
    FCaptionWithVars = QvExpandCaptionPlaceholders(Caption, Owner.data());
    const QVector<TQvRichToken> tokens = QvParseRichCaption(FCaptionWithVars);
    int lines = 1;
    for (const TQvRichToken& t : tokens)
        if (t.Kind == TQvRichToken::tkLineBreak)
            ++lines;
    FLineWidth.fill(0.0f, lines);
    FText.clear();
    ResetState();
    const QString baseFamily = FFontName;

    int line = 0;
    for (const TQvRichToken& t : tokens) {
        switch (t.Kind) {
        case TQvRichToken::tkText:
            FLineWidth[line] += float(RunWidth(Metrics(FFont, Device), t.Text));
            FText += t.Text;
            break;
        case TQvRichToken::tkLineBreak:
            ++line;
            FText += QLatin1Char('\r');
            break;
        case TQvRichToken::tkColor:
        case TQvRichToken::tkColorReset:
            break;
        case TQvRichToken::tkFontName:
            FFontName = t.Text;
            FFont = StateFont();
            break;
        case TQvRichToken::tkFontReset:
            FFontName = baseFamily;
            FFont = StateFont();
            break;
        default:
            ApplySwitch(*this, t.Kind);
            FFont = StateFont();
            break;
        }
    }
    FRightAdj = float(Metrics(FFont, Device).horizontalAdvance(QLatin1Char('.')));
    FWidth = 0;
    for (float& w : FLineWidth) {
        w += FRightAdj;
        FWidth = qMax(FWidth, w);
    }
    FHeight = float(lines * Metrics(BaseFont()->BaseFont(), Device).lineSpacing());
}

QRectF TQvRichCaptionRec::UnrotatedBox() const
{
    return QRectF(BoxOffset(Align, FWidth, FHeight), QSizeF(FWidth, FHeight));
}

QRectF TQvRichCaptionRec::BoundingRect() const
{
    QTransform t;
    t.translate(X, Y);
    t.rotate(-Angle);
    return t.mapRect(UnrotatedBox());
}

void TQvRichCaptionRec::Draw(QPainter& P)
{
    const QPaintDevice* device = P.device();
    if (!Measured())
        Measure(device);
    const TQvFont* base = BaseFont();

    // Lay the runs out in box coordinates.
    ResetState();
    const QString baseFamily = FFontName;
    const double h = Metrics(base->BaseFont(), device).lineSpacing();
    const int col = static_cast<int>(Align) % 3;
    auto lineStart = [&](int Line) -> double {
        // Left-aligned text starts on the anchor. Centred and right-aligned text keeps half of
        // the right adjustment on its left, so that it stays centred in its box.
        if (col == 0)
            return 0;
        const double inset = FRightAdj / 2;
        if (FLineWidth.size() <= 1 || Line >= FLineWidth.size())
            return inset;
        const double lw = FLineWidth[Line];
        return inset + (col == 1 ? (FWidth - lw) / 2 : FWidth - lw);
    };
    QVector<TPlacedRun> runs;
    TQvColor color = 0;
    int line = 0;
    double x = lineStart(0);
    double scriptY = 0; // offset of super- and subscripts from the line's top
    const QVector<TQvRichToken> tokens = QvParseRichCaption(FCaptionWithVars);
    for (const TQvRichToken& t : tokens) {
        switch (t.Kind) {
        case TQvRichToken::tkText: {
            runs.push_back({QPointF(x, line * h + scriptY), FFont, t.Text, color});
            x += RunWidth(Metrics(FFont, device), t.Text);
            break;
        }
        case TQvRichToken::tkLineBreak:
            ++line;
            x = lineStart(line);
            break;
        case TQvRichToken::tkColor:
            color = t.Color;
            break;
        case TQvRichToken::tkColorReset:
            color = 0;
            break;
        case TQvRichToken::tkFontName:
            FFontName = t.Text;
            FFont = StateFont();
            break;
        case TQvRichToken::tkFontReset:
            FFontName = baseFamily;
            FFont = StateFont();
            break;
        default: {
            const QPointF move = ApplySwitch(*this, t.Kind);
            x += move.x() * h;
            scriptY += move.y() * h;
            FFont = StateFont();
            break;
        }
        }
    }

    const TQvColor captionColor = FColorOverride ? FColorOverride : base->FillColor();
    const TQvGradientSettings* gradient = base->Gradient();
    const bool useGradient = gradient && gradient->Visible();
    const QBrush captionBrush = useGradient
        ? gradient->GetBrush(QRectF(0, 0, FWidth, FHeight))
        : QBrush(ToQColor(captionColor));
    auto brushOf = [&](TQvColor c) {
        return (c == 0 || c == captionColor) ? captionBrush : QBrush(ToQColor(c));
    };
    auto baseline = [&](const TPlacedRun& r) {
        return r.TopLeft + QPointF(0, Metrics(r.Font, device).ascent());
    };

    P.save();
    P.translate(X, Y);
    P.rotate(-Angle);
    P.translate(BoxOffset(Align, FWidth, FHeight));
    if (base->RenderingHint() != TQvTextRenderingHint::SystemDefault)
        QvSetTextRenderingHint(P, base->RenderingHint());

    const bool outline = base->HasDrawEffect(TQvDrawEffect::Outline);
    const bool lowered = base->HasDrawEffect(TQvDrawEffect::Lowered);
    const bool raised = base->HasDrawEffect(TQvDrawEffect::Raised);
    const bool shadow = base->HasDrawEffect(TQvDrawEffect::Shadow);
    if (outline || lowered || raised) {
        QPainterPath path;
        for (const TPlacedRun& r : runs)
            path.addText(baseline(r), r.Font, r.Text);
        if (outline) {
            P.setRenderHint(QPainter::Antialiasing, true);
            P.strokePath(path, QPen(captionBrush, 1));
        } else {
            // Light and dark copies shifted by a pixel, seen only along the glyph outlines.
            QPainterPathStroker stroker;
            stroker.setWidth(1);
            const QPainterPath rim = stroker.createStroke(path);
            const QPointF darkShift = lowered ? QPointF(-1, -1) : QPointF(1, 1);
            P.save();
            P.setRenderHint(QPainter::Antialiasing, true);
            P.setClipPath(rim, Qt::IntersectClip);
            P.fillPath(path.translated(darkShift), ToQColor(0x5A000000));
            P.fillPath(path.translated(-darkShift), ToQColor(0xD2FFFFFF));
            P.restore();
        }
    }
    if ((!outline && !lowered && !raised) || shadow) {
        if (shadow) {
            P.setPen(ToQColor(0x32000000));
            for (int k = 1; k <= 5; ++k) {
                const QPointF offset(0.4 * k, 0.3 * k);
                for (const TPlacedRun& r : runs) {
                    P.setFont(r.Font);
                    P.drawText(baseline(r) + offset, r.Text);
                }
            }
        }
        for (const TPlacedRun& r : runs) {
            P.setPen(QPen(brushOf(r.Color), 0));
            P.setFont(r.Font);
            P.drawText(baseline(r), r.Text);
        }
    }
    P.restore();
    FFont = QFont();
}

// ---------------------------------------------------------------------------------------------
// Vector of caption records

void TQvRichCaptionRecVector::CheckIndex(int i) const
{
    if (i < 0 || i >= Count())
        throw std::out_of_range(QStringLiteral("i=%1 index out of range").arg(i).toStdString());
}

int TQvRichCaptionRecVector::Add(const TQvRichCaptionRec& Rec)
{
    if (Count() >= FCapacity) {
        FCapacity += FIncrement;
        FItems.reserve(size_t(FCapacity));
    }
    FItems.push_back(Rec);
    return Count() - 1;
}

void TQvRichCaptionRecVector::Clear()
{
    FItems.clear();
    FItems.shrink_to_fit();
    FCapacity = 0;
}

void TQvRichCaptionRecVector::Delete(int i)
{
    CheckIndex(i);
    FItems.erase(FItems.begin() + i);
}

TQvRichCaptionRec& TQvRichCaptionRecVector::GetValue(int i)
{
    CheckIndex(i);
    return FItems[size_t(i)];
}

const TQvRichCaptionRec& TQvRichCaptionRecVector::GetValue(int i) const
{
    CheckIndex(i);
    return FItems[size_t(i)];
}

void TQvRichCaptionRecVector::SetValue(int i, const TQvRichCaptionRec& Rec)
{
    CheckIndex(i);
    FItems[size_t(i)] = Rec;
}

// ---------------------------------------------------------------------------------------------
// One-call helpers

QSizeF QvMeasureRichCaption(const TQvRichCaption& Caption, const TQvFont* Font,
                            const QObject* Context, const QPaintDevice* Device)
{
    TQvRichCaptionRec r;
    r.Font = const_cast<TQvFont*>(Font);
    r.Owner = Context;
    r.Caption = Caption;
    r.Measure(Device);
    return r.Size();
}

void QvDrawRichCaption(QPainter& P, const TQvRichCaption& Caption, const TQvFont* Font,
                       const QPointF& At, TQvContentAlignment Align, float Angle,
                       TQvColor ColorOverride, const QObject* Context)
{
    TQvRichCaptionRec r;
    r.Font = const_cast<TQvFont*>(Font);
    r.Owner = Context;
    r.Caption = Caption;
    r.X = float(At.x());
    r.Y = float(At.y());
    r.Align = Align;
    r.Angle = Angle;
    r.FColorOverride = ColorOverride;
    r.Draw(P);
}

QRectF QvRotatedCaptionBox(const QSizeF& Size, const QPointF& At, TQvContentAlignment Align,
                           float Angle)
{
    QTransform t;
    t.translate(At.x(), At.y());
    t.rotate(-Angle);
    return t.mapRect(QRectF(BoxOffset(Align, Size.width(), Size.height()), Size));
}

// ---------------------------------------------------------------------------------------------
// Label
