#pragma once
// Fonts and rich captions of the chart library: the font object TQvFont, the caption record that
// measures a caption and draws it at a position, alignment and angle, and a growable vector of
// such records (legend items). The label control that shows one caption is TQvRichLabel
// (widgets layer).
//
// Measuring: each text run is measured as the width of "I" + run + "I" minus the width of "II",
// so leading and trailing blanks count; every line gets the width of "." in the last font added;
// the height is the number of lines times the base font's line height. Super- and subscripts use
// 0.66 of the font size; superscript is drawn 0.075 line heights higher and subscript 0.34 line
// heights lower, both moved right by 0.045 line heights.
//
// Quick use (axes, legends):
//     QSizeF size = QvMeasureRichCaption("log pO\\-2\\-", font);
//     QvDrawRichCaption(painter, caption, font, QPointF(x, y), TQvContentAlignment::BottomCenter, 90);

#include "QvChartTypes.h"
#include "QvColors.h"
#include "QvComponent.h"
#include "QvDrawing.h"
#include "QvRichCaption.h"
#include "QvStyles.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QVector>

#include <functional>
#include <vector>

class QPainter;
class QPaintDevice;
class TQvUndoStack;

// Draw effects of a font. A font keeps at most one of them (see TQvFont::SetDrawEffects).
enum class TQvDrawEffect { Shadow = 0, Outline = 1, Lowered = 2, Raised = 3 };
// A set of draw effects: bit (1 << effect).
using TQvDrawEffects = int;
constexpr TQvDrawEffects QvEffectBit(TQvDrawEffect e)
{
    return 1 << static_cast<int>(e);
}

// Font style bits (the Style property and TQvRichCaptionRec::FStyle).
namespace QvFontStyle {
constexpr int Bold = 1;
constexpr int Italic = 2;
constexpr int Underline = 4;
constexpr int StrikeOut = 8;
} // namespace QvFontStyle

// The chart library's font: a framework font (family, integer size, style, colour, character
// set) extended by a fractional size, an ARGB fill colour, an optional gradient fill, draw
// effects and a text rendering hint. Changes are reported through two callbacks: the colour
// and the effects only need a repaint, everything else changes the size of captions.
class TQvFont : public TQvComponent
{
    Q_OBJECT
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
    Q_PROPERTY(uint FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(TQvGradientSettings* Gradient READ Gradient WRITE SetGradient)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(float Size READ Size WRITE SetSize)
    Q_PROPERTY(int DrawEffects READ DrawEffects WRITE SetDrawEffects)
    Q_PROPERTY(QvDrawingEnums::TQvTextRenderingHint RenderingHint READ RenderingHint WRITE SetRenderingHint)
    Q_PROPERTY(int Style READ Style WRITE SetStyle)
public:
    explicit TQvFont(QObject* AOwner = nullptr, const QString& AName = QStringLiteral("Font"));
    ~TQvFont() override;

    // Default family and size of new fonts.
    static QString DefaultName() { return QStringLiteral("Arial"); }
    static constexpr int DefaultSize = 10;
    // The largest size in points: larger sizes (a damaged record, a typed height) are taken as
    // this one, which keeps the framework font's whole points and the pixel height in range.
    static constexpr int MaxSize = 1000;

    int Charset() const { return FCharset; }
    void SetCharset(int Value);
    // The framework colour (RGB); setting it makes the fill colour the same colour, opaque.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& Value);
    // ARGB text colour; setting it also sets Color.
    TQvColor FillColor() const { return FFillColor; }
    void SetFillColor(TQvColor Value);
    QString Name() const { return FFont.family(); }
    void SetName(const QString& Value);
    // The gradient fill (owned). Assigning copies the given gradient's settings.
    TQvGradientSettings* Gradient() const { return FGradient; }
    void SetGradient(TQvGradientSettings* Value);
    // Character height in pixels as the framework gives it: negative, -Size * DPI / 72.
    int Height() const;
    void SetHeight(int Value);
    // Size in points; the framework font's integer size while the fractional size is not set.
    float Size() const;
    void SetSize(float Value);
    TQvDrawEffects DrawEffects() const { return FDrawEffects; }
    // Keeps at most one effect: of several, one not set before wins (the one just added);
    // otherwise the first of Outline, Lowered, Raised, Shadow.
    void SetDrawEffects(TQvDrawEffects Value);
    bool HasDrawEffect(TQvDrawEffect e) const { return FDrawEffects & QvEffectBit(e); }
    TQvTextRenderingHint RenderingHint() const { return FRenderingHint; }
    void SetRenderingHint(TQvTextRenderingHint Value);
    // Style bits (QvFontStyle).
    int Style() const;
    void SetStyle(int Value);

    // The base font of captions: family, style and the (fractional) size in points, with the
    // antialiasing the rendering hint asks for.
    QFont BaseFont() const;
    // A copy as a framework font (integer size), the caller's to keep.
    QFont AsTFont() const;
    // Takes family, size and style over from a framework font.
    void AssignFont(const QFont& Value);
    // Copies every setting of Source (the callbacks stay).
    void Assign(const TQvFont& Source);

    // Pushes Name, Style, Size, FillColor, DrawEffects and the gradient's Visible, FirstColor,
    // MiddleColor, LastColor, LinearAngle, LinearCenter, RadialCenterX and RadialCenterY as one
    // undo step with the comment.
    void PushToUndoStack(TQvUndoStack* Stack, const QString& Comment);

    // Every change of name, style, size, height, colour or effects first pushes the font's whole
    // state (PushToUndoStack) on the font's undo stack with this comment, unless the font is
    // loading; the rendering hint pushes itself alone. "Font" by default; owners name their
    // font ("Axis caption font").
    QString UndoComment() const { return FUndoComment; }
    void SetUndoComment(const QString& Value) { FUndoComment = Value; }
    // Where the font finds its undo stack when its owner is not a chart component (a graph):
    // by default the owner's stack.
    void SetUndoStackSource(std::function<TQvUndoStack*()> Source) { FUndoStackSource = std::move(Source); }
    TQvUndoStack* GetUndoStack() const override;

    // Called after colour, gradient and effect changes (repaint) and after name, size, style,
    // height and rendering hint changes (captions change their size).
    void SetNeedsInvalidate(std::function<void()> Callback) { mNeedsInvalidate = std::move(Callback); }
    void SetNeedsResize(std::function<void()> Callback) { mNeedsResize = std::move(Callback); }

private:
    void Invalidated();
    void Resized();
    void PushState();

    QFont FFont;
    float FSize = 0;
    int FCharset = 1;
    QColor FColor = Qt::black;
    TQvColor FFillColor = 0xFF000000;
    TQvGradientSettings* FGradient = nullptr;
    TQvDrawEffects FDrawEffects = 0;
    TQvTextRenderingHint FRenderingHint = TQvTextRenderingHint::SystemDefault;
    std::function<void()> mNeedsInvalidate;
    std::function<void()> mNeedsResize;
    QString FUndoComment = QStringLiteral("Font");
    std::function<TQvUndoStack*()> FUndoStackSource;
};

// One caption with its working state: measuring fills FText, the line widths, FWidth and
// FHeight; drawing draws it at (X, Y) with Angle and Align.
struct TQvRichCaptionRec
{
    TQvRichCaption FText;          // the caption without markup (filled by measuring)
    QString FFontName;             // current family
    bool FBold = false;
    bool FItalic = false;
    bool FUnderline = false;
    bool FStrikeOut = false;
    bool FSuperScript = false;
    bool FSubScript = false;
    int FStyle = 0;                // QvFontStyle bits of the current state
    QFont FFont;                   // current font (while measuring or drawing)
    float FRightAdj = 0;           // added to every line's width: the width of "." in the last font
    float FWidth = 0;
    float FHeight = 0;
    float FSize = 0;               // current size in points
    TQvRichCaption FCaptionWithVars;
    QVector<float> FLineWidth;
    float Angle = 0;               // degrees, counter-clockwise
    float X = 0;
    float Y = 0;
    TQvContentAlignment Align = TQvContentAlignment::TopLeft;
    TQvRichCaption Caption;        // with markup
    QPointer<TQvFont> Font;        // base font (not owned); a default font when null
    TQvColor FColorOverride = 0;   // replaces the font's fill colour when not 0
    QPointer<const QObject> Owner; // context of placeholders

    // Sets the caption and drops the measurement (the next Draw measures again).
    void SetCaption(const TQvRichCaption& Value);
    // Measures on Device (the screen when null).
    void Measure(const QPaintDevice* Device = nullptr);
    bool Measured() const { return !FLineWidth.isEmpty(); }
    // Draws through P; measures first when no line widths exist.
    void Draw(QPainter& P);

    int LineCount() const { return FLineWidth.size(); }
    QSizeF Size() const { return {FWidth, FHeight}; }
    // The caption's box relative to the anchor before rotation (e.g. (-w/2, -h) for BottomCenter).
    QRectF UnrotatedBox() const;
    // The bounding rectangle of the rotated box on the surface.
    QRectF BoundingRect() const;

    // The font of the current state (used by measuring and drawing).
    QFont StateFont() const;
    // Resets the state from the base font.
    void ResetState();
    const TQvFont* BaseFont() const;
};

// A growable vector of caption records (legend items): capacity grows by Increment.
class TQvRichCaptionRecVector
{
public:
    explicit TQvRichCaptionRecVector(int AIncrement = 128) : FIncrement(AIncrement > 0 ? AIncrement : 128) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    int Capacity() const { return FCapacity; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value > 0 ? Value : 1; }

    // Appends a record and returns its index.
    int Add(const TQvRichCaptionRec& Rec);
    void Clear();
    // Removes record i; error "i=%d index out of range" when there is none.
    void Delete(int i);
    TQvRichCaptionRec& GetValue(int i);
    const TQvRichCaptionRec& GetValue(int i) const;
    void SetValue(int i, const TQvRichCaptionRec& Rec);
    TQvRichCaptionRec& operator[](int i) { return GetValue(i); }

private:
    void CheckIndex(int i) const;
    std::vector<TQvRichCaptionRec> FItems;
    int FCapacity = 0;
    int FIncrement;
};

// A default font for captions that have none (Arial 10, black).
TQvFont* QvDefaultCaptionFont();

// Size of Caption drawn in Font (the default font when null).
QSizeF QvMeasureRichCaption(const TQvRichCaption& Caption, const TQvFont* Font,
                            const QObject* Context = nullptr, const QPaintDevice* Device = nullptr);

// Draws Caption with its Align point at At, turned by Angle degrees counter-clockwise about At.
void QvDrawRichCaption(QPainter& P, const TQvRichCaption& Caption, const TQvFont* Font,
                       const QPointF& At, TQvContentAlignment Align = TQvContentAlignment::TopLeft,
                       float Angle = 0, TQvColor ColorOverride = 0, const QObject* Context = nullptr);

// The bounding rectangle of a box of Size whose Align point lies on At, turned by Angle degrees
// counter-clockwise about At.
QRectF QvRotatedCaptionBox(const QSizeF& Size, const QPointF& At, TQvContentAlignment Align,
                           float Angle);
