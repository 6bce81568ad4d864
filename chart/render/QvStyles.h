#pragma once
// Style records of the chart library: gradient, line, arrow, area and point-symbol styles.
//
// Each record is a component (QObject) owned by the chart object it styles, with a fixed
// objectName ("Gradient", "Line", "Area", "PointSymbol", ...) so that undo records can find it by
// its full name. Every published property is a Q_PROPERTY of the same name. A setter does nothing
// when the value does not change (floats compared after clamping or normalising); otherwise it
// pushes the old value with a fixed description on the undo stack, stores the new value and calls
// the record's modified-callback, through which the owner repaints or re-lays itself out.
//
// The records also build the drawing objects: a pen from a line style, a brush from an area or a
// gradient style.

#include "QvColors.h"
#include "QvComponent.h"
#include "QvUndoStack.h"

#include <QBrush>
#include <QHash>
#include <QPointer>
#include <QRect>
#include <QRectF>
#include <functional>

class QPainter;
class TQvPen;

namespace QvStyleEnums {
Q_NAMESPACE

// Dash style of a pen. The patterns are in units of the pen width: dash 3-1, dot 1-1,
// dash-dot 3-1-1-1, dash-dot-dot 3-1-1-1-1-1. Custom draws solid unless the pen has its own
// pattern.
enum class TDashStyle {
    DashStyleSolid = 0,
    DashStyleDash = 1,
    DashStyleDot = 2,
    DashStyleDashDot = 3,
    DashStyleDashDotDot = 4,
    DashStyleCustom = 5
};
Q_ENUM_NS(TDashStyle)

enum class TQvPointSymbol { Dot = 0, Cross, Ex, Star, FiveStar, Circle, Square, Diamond, Delta, Nabla };
Q_ENUM_NS(TQvPointSymbol)

// Fill of an area: 0..52 are the hatch patterns, Total is a solid fill.
enum class TQvAreaStyle {
    Horizontal = 0, Vertical, ForwardDiagonal, BackwardDiagonal, Cross, DiagonalCross,
    Percent05, Percent10, Percent20, Percent25, Percent30, Percent40, Percent50, Percent60,
    Percent70, Percent75, Percent80, Percent90,
    LightDownwardDiagonal, LightUpwardDiagonal, DarkDownwardDiagonal, DarkUpwardDiagonal,
    WideDownwardDiagonal, WideUpwardDiagonal, LightVertical, LightHorizontal, NarrowVertical,
    NarrowHorizontal, DarkVertical, DarkHorizontal, DashedDownwardDiagonal, DashedUpwardDiagonal,
    DashedHorizontal, DashedVertical, SmallConfetti, LargeConfetti, ZigZag, Wave, DiagonalBrick,
    HorizontalBrick, Weave, Plaid, Divot, DottedGrid, DottedDiamond, Shingle, Trellis, Sphere,
    SmallGrid, SmallCheckerBoard, LargeCheckerBoard, OutlinedDiamond, SolidDiamond,
    Total = 53
};
Q_ENUM_NS(TQvAreaStyle)

enum class TQvGradientStyle { Linear = 0, Radial = 1, Elliptical = 2 };
Q_ENUM_NS(TQvGradientStyle)

} // namespace QvStyleEnums

using QvStyleEnums::TDashStyle;
using QvStyleEnums::TQvAreaStyle;
using QvStyleEnums::TQvGradientStyle;
using QvStyleEnums::TQvPointSymbol;

constexpr int QvPointSymbolCount = 10;
constexpr int QvHatchStyleCount = 53;
constexpr int QvDashStyleCount = 6;

// Display names of the enumeration values ("Circle", "DashStyleDot", "LargeConfetti", ...).
QString QvPointSymbolName(TQvPointSymbol Symbol);
QString QvAreaStyleName(TQvAreaStyle Style);
QString QvDashStyleName(TDashStyle Style);

// Called without arguments after each effective change of a record.
using TQvModifiedCallback = std::function<void()>;

// Common part of the style records: the modified-callback, the undo stack reference and the
// setter pattern.
class TQvStyleRecord : public TQvComponent
{
    Q_OBJECT
public:
    TQvStyleRecord(QObject* AOwner, TQvModifiedCallback ACallback, const QString& AName);

    // The stack set with SetUndoStack, else the owner's (if the owner is a component).
    TQvUndoStack* GetUndoStack() const override;
    TQvUndoStack* UndoStack() const { return FUndoStack; }
    virtual void SetUndoStack(TQvUndoStack* Value);

    const TQvModifiedCallback& ModifiedCallback() const { return mModifiedCallBack; }
    void SetModifiedCallback(TQvModifiedCallback Value) { mModifiedCallBack = std::move(Value); }

    // Replaces the undo description of one property, for owners that describe the record in
    // their own words (an axis calls its arrow "Axis arrow tip point length").
    void SetUndoDescription(const char* PropName, const QString& Description);

protected:
    // The setter pattern: returns false when Value equals Field; else pushes the old value of
    // PropName with Description (or its replacement), stores Value and calls the callback.
    template <class T, class U>
    bool SetField(T& Field, const U& Value, const char* Description, const char* PropName)
    {
        const T v = static_cast<T>(Value);
        if (Field == v)
            return false;
        PushUndo(Description, PropName);
        Field = v;
        Changed();
        return true;
    }
    void PushUndo(const char* Description, const char* PropName);
    void Changed();

    QPointer<TQvUndoStack> FUndoStack;
    TQvModifiedCallback mModifiedCallBack;

private:
    QHash<QByteArray, QString> FDescriptions;
};

// A gradient fill: linear (three colours along a line at an angle), radial (over a circle whose
// diameter is the view's diagonal) or elliptical (over an ellipse √2 times the view).
class TQvGradientSettings : public TQvStyleRecord
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QvStyleEnums::TQvGradientStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(uint FirstColor READ FirstColor WRITE SetFirstColor)
    Q_PROPERTY(uint MiddleColor READ MiddleColor WRITE SetMiddleColor)
    Q_PROPERTY(uint LastColor READ LastColor WRITE SetLastColor)
    Q_PROPERTY(float LinearAngle READ LinearAngle WRITE SetLinearAngle)
    Q_PROPERTY(float LinearCenter READ LinearCenter WRITE SetLinearCenter)
    Q_PROPERTY(float RadialCenterX READ RadialCenterX WRITE SetRadialCenterX)
    Q_PROPERTY(float RadialCenterY READ RadialCenterY WRITE SetRadialCenterY)
public:
    explicit TQvGradientSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                                 const QString& AName = QStringLiteral("Gradient"));

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TQvGradientStyle Style() const { return FStyle; }
    void SetStyle(TQvGradientStyle Value);
    TQvColor FirstColor() const { return FFirstColor; }
    void SetFirstColor(TQvColor Value);
    TQvColor MiddleColor() const { return FMiddleColor; }
    void SetMiddleColor(TQvColor Value);
    TQvColor LastColor() const { return FLastColor; }
    void SetLastColor(TQvColor Value);
    // Degrees in [0, 360); other values are brought into range by adding or subtracting 360.
    float LinearAngle() const { return FLinearAngle; }
    void SetLinearAngle(double Value);
    // Position of the middle colour along the gradient, clamped to [0, 1].
    float LinearCenter() const { return FLinearCenter; }
    void SetLinearCenter(double Value);
    // Centre of the radial and elliptical gradients as fractions of the view, clamped to [0, 1].
    float RadialCenterX() const { return FRadialCenterX; }
    void SetRadialCenterX(double Value);
    float RadialCenterY() const { return FRadialCenterY; }
    void SetRadialCenterY(double Value);
    QPointF RadialCenter() const { return {FRadialCenterX, FRadialCenterY}; }

    // Copies every style field; the callback and the undo stack stay.
    void Assign(const TQvGradientSettings& Source);

    // The gradient brush over View, turned by Angle degrees more than LinearAngle (linear only).
    QBrush GetBrush(const QRectF& View, float Angle = 0) const;

private:
    bool FVisible = false;
    TQvGradientStyle FStyle = TQvGradientStyle::Linear;
    float FLinearAngle = 0.0f;
    float FLinearCenter = 0.5f;
    float FRadialCenterX = 0.5f;
    float FRadialCenterY = 0.5f;
    TQvColor FFirstColor = 0xFFD3D3D3;
    TQvColor FMiddleColor = 0xFFB0B0B0;
    TQvColor FLastColor = 0xFF808080;
};

// A line style: width, dash style, colour and an optional gradient that replaces the colour.
class TQvSimpleLineSettings : public TQvStyleRecord
{
    Q_OBJECT
    Q_PROPERTY(uint Color READ Color WRITE SetColor)
    Q_PROPERTY(QvStyleEnums::TDashStyle DashStyle READ DashStyle WRITE SetDashStyle)
    Q_PROPERTY(float Width READ Width WRITE SetWidth)
    Q_PROPERTY(TQvGradientSettings* Gradient READ Gradient WRITE SetGradient)
public:
    explicit TQvSimpleLineSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                                   const QString& AName = QStringLiteral("Line"));

    float Width() const { return FWidth; }
    void SetWidth(double Value);
    TDashStyle DashStyle() const { return FDashStyle; }
    void SetDashStyle(TDashStyle Value);
    TQvColor Color() const { return FColor; }
    void SetColor(TQvColor Value);
    TQvGradientSettings* Gradient() const { return FGradient; }
    // Copies the given gradient into the own one.
    void SetGradient(const TQvGradientSettings* Value);

    // Also hands the stack to the gradient.
    void SetUndoStack(TQvUndoStack* Value) override;

    // Copies every style field and the gradient; the callback and the undo stack stay. A derived
    // record also copies its own fields when Source is of its class.
    virtual void Assign(const TQvSimpleLineSettings& Source);

    // A new pen for drawing in View: the gradient brush when the gradient is visible, else the
    // line colour; the width and dash style of the record; miter limit 0.
    virtual TQvPen GetPen(const QRectF& View, float Angle = 0) const;
    // View as (x, y, width, height).
    TQvPen GetPen(const QRect& View, float Angle = 0) const;
    // View as (left, top, right, bottom).
    TQvPen GetPen(int Left, int Top, int Right, int Bottom, float Angle = 0) const;

protected:
    float FWidth = 1.0f;
    TDashStyle FDashStyle = TDashStyle::DashStyleSolid;
    TQvColor FColor = QvColors::Red;
    TQvGradientSettings* FGradient = nullptr; // owned (child)
    bool FVisible = true;
};

// A line style with a visibility switch.
class TQvLineSettings : public TQvSimpleLineSettings
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
public:
    explicit TQvLineSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                             const QString& AName = QStringLiteral("Line"));

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
};

// A line with an arrow tip at its end. The tip is the closed polygon (PointHeight, -PointLength),
// (0, 0), (-PointHeight, -PointLength), (0, -InnerLength) in units of the line width, the line
// stopping at InnerLength before the end. Lengths below 0.00001 are stored as 0.00001.
class TQvArrowSettings : public TQvLineSettings
{
    Q_OBJECT
    Q_PROPERTY(float PointLength READ PointLength WRITE SetPointLength)
    Q_PROPERTY(float InnerLength READ InnerLength WRITE SetInnerLength)
    Q_PROPERTY(float PointHeight READ PointHeight WRITE SetPointHeight)
public:
    explicit TQvArrowSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                              const QString& AName = QStringLiteral("ArrowPoint"));

    float PointLength() const { return FPointLength; }
    void SetPointLength(double Value);
    float InnerLength() const { return FInnerLength; }
    void SetInnerLength(double Value);
    float PointHeight() const { return FPointHeight; }
    void SetPointHeight(double Value);

    void Assign(const TQvSimpleLineSettings& Source) override;

    // The line pen with the arrow tip as its end cap.
    TQvPen GetPen(const QRectF& View, float Angle = 0) const override;
    using TQvSimpleLineSettings::GetPen;

private:
    float FPointLength = 5.0f;
    float FInnerLength = 3.0f;
    float FPointHeight = 2.0f;
};

// An area fill: a hatch pattern (ForeColor on BackColor), a solid ForeColor (style Total), or a
// gradient when the gradient is visible.
class TQvAreaSettings : public TQvStyleRecord
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(QvStyleEnums::TQvAreaStyle AreaStyle READ AreaStyle WRITE SetAreaStyle)
    Q_PROPERTY(uint ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(uint BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(TQvGradientSettings* Gradient READ Gradient WRITE SetGradient)
public:
    explicit TQvAreaSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                             const QString& AName = QStringLiteral("Area"));

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TQvAreaStyle AreaStyle() const { return FAreaStyle; }
    void SetAreaStyle(TQvAreaStyle Value);
    TQvColor ForeColor() const { return FForeColor; }
    void SetForeColor(TQvColor Value);
    TQvColor BackColor() const { return FBackColor; }
    void SetBackColor(TQvColor Value);
    TQvGradientSettings* Gradient() const { return FGradient; }
    void SetGradient(const TQvGradientSettings* Value);
    bool Solid() const { return FAreaStyle == TQvAreaStyle::Total; }

    void SetUndoStack(TQvUndoStack* Value) override;
    void Assign(const TQvAreaSettings& Source);

    // The gradient brush when the gradient is visible, else a solid ForeColor brush for Total,
    // else the hatch brush of the style.
    QBrush GetBrush(const QRectF& View) const;

private:
    bool FVisible = false;
    TQvAreaStyle FAreaStyle = TQvAreaStyle::Total;
    TQvGradientSettings* FGradient = nullptr; // owned (child)
    TQvColor FForeColor = QvColors::LightGray;
    TQvColor FBackColor = QvColors::DarkGray;
};

// A point symbol style: shape, outer size in pixels, border width, border and fill colour.
class TQvPointSymbolSettings : public TQvStyleRecord
{
    Q_OBJECT
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(float BorderLineWidth READ BorderLineWidth WRITE SetBorderLineWidth)
    Q_PROPERTY(float Size READ Size WRITE SetSize)
    Q_PROPERTY(uint BorderColor READ BorderColor WRITE SetBorderColor)
    Q_PROPERTY(uint FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(QvStyleEnums::TQvPointSymbol PointSymbol READ PointSymbol WRITE SetPointSymbol)
public:
    explicit TQvPointSymbolSettings(QObject* AOwner = nullptr, TQvModifiedCallback ACallback = {},
                                    const QString& AName = QStringLiteral("PointSymbol"));

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    float BorderLineWidth() const { return FBorderLineWidth; }
    void SetBorderLineWidth(double Value);
    float Size() const { return FSize; }
    void SetSize(double Value);
    TQvColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TQvColor Value);
    TQvColor FillColor() const { return FFillColor; }
    void SetFillColor(TQvColor Value);
    TQvPointSymbol PointSymbol() const { return FPointSymbol; }
    void SetPointSymbol(TQvPointSymbol Value);

    void Assign(const TQvPointSymbolSettings& Source);

    // A new border pen (BorderColor, BorderLineWidth) and fill brush (solid FillColor).
    TQvPen GetPen() const;
    QBrush GetBrush() const;
    // Draws the symbol of this record centred on Center.
    void Draw(QPainter& Painter, const QPointF& Center) const;

private:
    bool FVisible = true;
    TQvColor FBorderColor = QvColors::Blue;
    TQvColor FFillColor = QvColors::Blue;
    float FBorderLineWidth = 1.0f;
    float FSize = 11.0f;
    TQvPointSymbol FPointSymbol = TQvPointSymbol::Circle;
};
