#include "QvStyles.h"

#include "QvGDI.h"
#include "QvUndoStack.h"

#include <QLinearGradient>
#include <QMetaEnum>
#include <QPainter>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace {

template <class E>
QString EnumName(E Value)
{
    const QMetaEnum me = QMetaEnum::fromType<E>();
    const char* key = me.valueToKey(int(Value));
    return key ? QString::fromLatin1(key) : QString::number(int(Value));
}

float Clamp01(double Value)
{
    if (std::isnan(Value))
        return 0.0f;
    return float(std::clamp(Value, 0.0, 1.0));
}

// Brings an angle into [0, 360) by adding or subtracting 360.
float NormaliseAngle(double Value)
{
    if (!std::isfinite(Value))
        return 0.0f;
    double a = std::fmod(Value, 360.0);
    if (a < 0)
        a += 360.0;
    float f = float(a);
    // Rounding to float can land exactly on 360 for values just below it.
    if (f >= 360.0f)
        f = 0.0f;
    return f;
}

float NotBelow(double Value, double Minimum)
{
    if (std::isnan(Value) || Value < Minimum)
        return float(Minimum);
    return float(Value);
}

} // namespace

QString QvPointSymbolName(TQvPointSymbol Symbol) { return EnumName(Symbol); }
QString QvAreaStyleName(TQvAreaStyle Style) { return EnumName(Style); }
QString QvDashStyleName(TDashStyle Style) { return EnumName(Style); }

// ---------------------------------------------------------------------------------------------
// TQvStyleRecord

TQvStyleRecord::TQvStyleRecord(QObject* AOwner, TQvModifiedCallback ACallback, const QString& AName)
    : TQvComponent(AOwner), mModifiedCallBack(std::move(ACallback))
{
    setObjectName(AName);
}

TQvUndoStack* TQvStyleRecord::GetUndoStack() const
{
    if (FUndoStack)
        return FUndoStack;
    return TQvComponent::GetUndoStack();
}

void TQvStyleRecord::SetUndoStack(TQvUndoStack* Value) { FUndoStack = Value; }

void TQvStyleRecord::SetUndoDescription(const char* PropName, const QString& Description)
{
    FDescriptions.insert(QByteArray(PropName), Description);
}

void TQvStyleRecord::PushUndo(const char* Description, const char* PropName)
{
    if (IsLoading())
        return;
    TQvUndoStack* stack = GetUndoStack();
    if (!stack)
        return;
    const auto it = FDescriptions.constFind(QByteArray(PropName));
    const QString text = it != FDescriptions.cend() ? *it : QString::fromLatin1(Description);
    stack->PushProperty(this, text, QString::fromLatin1(PropName));
}

void TQvStyleRecord::Changed()
{
    if (mModifiedCallBack)
        mModifiedCallBack();
}

// ---------------------------------------------------------------------------------------------
// TQvGradientSettings

TQvGradientSettings::TQvGradientSettings(QObject* AOwner, TQvModifiedCallback ACallback,
                                         const QString& AName)
    : TQvStyleRecord(AOwner, std::move(ACallback), AName)
{
}

void TQvGradientSettings::SetVisible(bool Value)
{
    SetField(FVisible, Value, "Gradient visible", "Visible");
}

void TQvGradientSettings::SetStyle(TQvGradientStyle Value)
{
    SetField(FStyle, Value, "Gradient style", "Style");
}

void TQvGradientSettings::SetFirstColor(TQvColor Value)
{
    SetField(FFirstColor, Value, "Gradient first color", "FirstColor");
}

void TQvGradientSettings::SetMiddleColor(TQvColor Value)
{
    SetField(FMiddleColor, Value, "Gradient middle color", "MiddleColor");
}

void TQvGradientSettings::SetLastColor(TQvColor Value)
{
    SetField(FLastColor, Value, "Gradient last color", "LastColor");
}

void TQvGradientSettings::SetLinearAngle(double Value)
{
    SetField(FLinearAngle, NormaliseAngle(Value), "Linear gradient angle",
                             "LinearAngle");
}

void TQvGradientSettings::SetLinearCenter(double Value)
{
    SetField(FLinearCenter, Clamp01(Value), "Linear gradient center",
                             "LinearCenter");
}

void TQvGradientSettings::SetRadialCenterX(double Value)
{
    SetField(FRadialCenterX, Clamp01(Value), "X component of gradient center",
                             "RadialCenterX");
}

void TQvGradientSettings::SetRadialCenterY(double Value)
{
    SetField(FRadialCenterY, Clamp01(Value), "Y component of gradient center",
                             "RadialCenterY");
}

void TQvGradientSettings::Assign(const TQvGradientSettings& Source)
{
    if (&Source == this)
        return;
    const bool changed = FVisible != Source.FVisible || FStyle != Source.FStyle
        || FLinearAngle != Source.FLinearAngle || FLinearCenter != Source.FLinearCenter
        || FRadialCenterX != Source.FRadialCenterX || FRadialCenterY != Source.FRadialCenterY
        || FFirstColor != Source.FFirstColor || FMiddleColor != Source.FMiddleColor
        || FLastColor != Source.FLastColor;
    FVisible = Source.FVisible;
    FStyle = Source.FStyle;
    FLinearAngle = Source.FLinearAngle;
    FLinearCenter = Source.FLinearCenter;
    FRadialCenterX = Source.FRadialCenterX;
    FRadialCenterY = Source.FRadialCenterY;
    FFirstColor = Source.FFirstColor;
    FMiddleColor = Source.FMiddleColor;
    FLastColor = Source.FLastColor;
    if (changed)
        Changed();
}

QBrush TQvGradientSettings::GetBrush(const QRectF& View, float Angle) const
{
    const QColor first = QvToQColor(FFirstColor);
    const QColor middle = QvToQColor(FMiddleColor);
    const QColor last = QvToQColor(FLastColor);

    if (FStyle == TQvGradientStyle::Linear) {
        // Over the view grown by one pixel up and left, so that the first colour reaches the
        // view's edge pixels. The gradient line passes through the rectangle's centre at the
        // angle (clockwise, y downwards); its ends lie on the lines through the far corners.
        const QRectF r(View.x() - 1, View.y() - 1, View.width() + 1, View.height() + 1);
        const double a = qDegreesToRadians(double(FLinearAngle) + double(Angle));
        const QPointF d(std::cos(a), std::sin(a));
        const double half = std::abs(r.width() / 2 * d.x()) + std::abs(r.height() / 2 * d.y());
        const QPointF c = r.center();
        QLinearGradient g(c - d * half, c + d * half);
        g.setStops({{0.0, first}, {double(FLinearCenter), middle}, {1.0, last}});
        // Positions outside the gradient line take the end colours, as beyond a clamped blend.
        g.setSpread(QGradient::PadSpread);
        return QBrush(g);
    }

    // Radial: a circle whose diameter is the view's diagonal; elliptical: an ellipse √2 times the
    // view. Both are built as a unit circle scaled by the brush transform. The first colour sits
    // at the (movable) centre point, the middle colour half way out, the last at the boundary.
    const QPointF c = View.center();
    double rx, ry;
    if (FStyle == TQvGradientStyle::Radial) {
        rx = ry = std::hypot(View.width(), View.height()) / 2;
    } else {
        rx = M_SQRT2 * View.width() / 2;
        ry = M_SQRT2 * View.height() / 2;
    }
    rx = std::max(rx, 1e-6);
    ry = std::max(ry, 1e-6);
    const QPointF centerPoint(View.x() + View.width() * FRadialCenterX,
                              View.y() + View.height() * FRadialCenterY);
    QPointF focal((centerPoint.x() - c.x()) / rx, (centerPoint.y() - c.y()) / ry);
    // Keep the focal point strictly inside the circle.
    const double len = std::hypot(focal.x(), focal.y());
    if (len > 0.999)
        focal *= 0.999 / len;
    QRadialGradient g(QPointF(0, 0), 1.0, focal);
    g.setStops({{0.0, first}, {0.5, middle}, {1.0, last}});
    QBrush brush(g);
    QTransform t;
    t.translate(c.x(), c.y());
    t.scale(rx, ry);
    brush.setTransform(t);
    return brush;
}

// ---------------------------------------------------------------------------------------------
// TQvSimpleLineSettings

TQvSimpleLineSettings::TQvSimpleLineSettings(QObject* AOwner, TQvModifiedCallback ACallback,
                                             const QString& AName)
    : TQvStyleRecord(AOwner, ACallback, AName)
{
    FGradient = new TQvGradientSettings(this, ACallback);
}

void TQvSimpleLineSettings::SetWidth(double Value)
{
    SetField(FWidth, std::isnan(Value) ? 0.0 : Value, "Line width", "Width");
}

void TQvSimpleLineSettings::SetDashStyle(TDashStyle Value)
{
    SetField(FDashStyle, Value, "Line dash style", "DashStyle");
}

void TQvSimpleLineSettings::SetColor(TQvColor Value) { SetField(FColor, Value, "Line color", "Color"); }

void TQvSimpleLineSettings::SetGradient(const TQvGradientSettings* Value)
{
    if (Value)
        FGradient->Assign(*Value);
}

void TQvSimpleLineSettings::SetUndoStack(TQvUndoStack* Value)
{
    TQvStyleRecord::SetUndoStack(Value);
    FGradient->SetUndoStack(Value);
}

void TQvSimpleLineSettings::Assign(const TQvSimpleLineSettings& Source)
{
    if (&Source == this)
        return;
    const bool changed = FWidth != Source.FWidth || FDashStyle != Source.FDashStyle
        || FColor != Source.FColor || FVisible != Source.FVisible;
    FWidth = Source.FWidth;
    FDashStyle = Source.FDashStyle;
    FColor = Source.FColor;
    FVisible = Source.FVisible;
    FGradient->Assign(*Source.FGradient);
    if (changed)
        Changed();
}

TQvPen TQvSimpleLineSettings::GetPen(const QRectF& View, float Angle) const
{
    TQvPen pen = FGradient->Visible() ? TQvPen(FGradient->GetBrush(View, Angle), 1.0f)
                                      : TQvPen(FColor, 1.0f);
    pen.SetMiterLimit(0);
    pen.SetWidth(FWidth);
    pen.SetDashStyle(FDashStyle);
    return pen;
}

TQvPen TQvSimpleLineSettings::GetPen(const QRect& View, float Angle) const
{
    return GetPen(QRectF(View.x(), View.y(), View.width(), View.height()), Angle);
}

TQvPen TQvSimpleLineSettings::GetPen(int Left, int Top, int Right, int Bottom, float Angle) const
{
    return GetPen(QRectF(Left, Top, Right - Left, Bottom - Top), Angle);
}

// ---------------------------------------------------------------------------------------------
// TQvLineSettings

TQvLineSettings::TQvLineSettings(QObject* AOwner, TQvModifiedCallback ACallback, const QString& AName)
    : TQvSimpleLineSettings(AOwner, std::move(ACallback), AName)
{
}

void TQvLineSettings::SetVisible(bool Value) { SetField(FVisible, Value, "Line visible", "Visible"); }

// ---------------------------------------------------------------------------------------------
// TQvArrowSettings

namespace {
constexpr double MinArrowLength = 0.00001;
}

TQvArrowSettings::TQvArrowSettings(QObject* AOwner, TQvModifiedCallback ACallback, const QString& AName)
    : TQvLineSettings(AOwner, std::move(ACallback), AName)
{
}

void TQvArrowSettings::SetPointLength(double Value)
{
    SetField(FPointLength, NotBelow(Value, MinArrowLength), "Arrow tip point length", "PointLength");
}

void TQvArrowSettings::SetInnerLength(double Value)
{
    SetField(FInnerLength, NotBelow(Value, MinArrowLength), "Arrow tip point inner length",
             "InnerLength");
}

void TQvArrowSettings::SetPointHeight(double Value)
{
    SetField(FPointHeight, NotBelow(Value, MinArrowLength), "Arrow tip point height", "PointHeight");
}

void TQvArrowSettings::Assign(const TQvSimpleLineSettings& Source)
{
    if (&Source == this)
        return;
    bool changed = false;
    if (const auto* arrow = qobject_cast<const TQvArrowSettings*>(&Source)) {
        changed = FPointLength != arrow->FPointLength || FInnerLength != arrow->FInnerLength
            || FPointHeight != arrow->FPointHeight;
        FPointLength = arrow->FPointLength;
        FInnerLength = arrow->FInnerLength;
        FPointHeight = arrow->FPointHeight;
    }
    TQvLineSettings::Assign(Source);
    if (changed)
        Changed();
}

TQvPen TQvArrowSettings::GetPen(const QRectF& View, float Angle) const
{
    TQvPen pen = TQvLineSettings::GetPen(View, Angle);
    pen.SetEndArrow(TQvArrowCap{FPointLength, FInnerLength, FPointHeight});
    return pen;
}

// ---------------------------------------------------------------------------------------------
// TQvAreaSettings

TQvAreaSettings::TQvAreaSettings(QObject* AOwner, TQvModifiedCallback ACallback, const QString& AName)
    : TQvStyleRecord(AOwner, ACallback, AName)
{
    FGradient = new TQvGradientSettings(this, ACallback);
}

void TQvAreaSettings::SetVisible(bool Value)
{
    SetField(FVisible, Value, "Filled area visible", "Visible");
}

void TQvAreaSettings::SetAreaStyle(TQvAreaStyle Value)
{
    // Values beyond Total are not fills; they are kept out so that brushes stay valid.
    if (int(Value) < 0 || int(Value) > int(TQvAreaStyle::Total))
        return;
    SetField(FAreaStyle, Value, "Area fill style", "AreaStyle");
}

void TQvAreaSettings::SetForeColor(TQvColor Value)
{
    SetField(FForeColor, Value, "Area fill foreground color", "ForeColor");
}

void TQvAreaSettings::SetBackColor(TQvColor Value)
{
    SetField(FBackColor, Value, "Area fill background color", "BackColor");
}

void TQvAreaSettings::SetGradient(const TQvGradientSettings* Value)
{
    if (Value)
        FGradient->Assign(*Value);
}

void TQvAreaSettings::SetUndoStack(TQvUndoStack* Value)
{
    TQvStyleRecord::SetUndoStack(Value);
    FGradient->SetUndoStack(Value);
}

void TQvAreaSettings::Assign(const TQvAreaSettings& Source)
{
    if (&Source == this)
        return;
    const bool changed = FVisible != Source.FVisible || FAreaStyle != Source.FAreaStyle
        || FForeColor != Source.FForeColor || FBackColor != Source.FBackColor;
    FVisible = Source.FVisible;
    FAreaStyle = Source.FAreaStyle;
    FForeColor = Source.FForeColor;
    FBackColor = Source.FBackColor;
    FGradient->Assign(*Source.FGradient);
    if (changed)
        Changed();
}

QBrush TQvAreaSettings::GetBrush(const QRectF& View) const
{
    if (FGradient->Visible())
        return FGradient->GetBrush(View, 0);
    if (Solid())
        return QvSolidBrush(FForeColor);
    return QvHatchBrush(FAreaStyle, FForeColor, FBackColor);
}

// ---------------------------------------------------------------------------------------------
// TQvPointSymbolSettings

TQvPointSymbolSettings::TQvPointSymbolSettings(QObject* AOwner, TQvModifiedCallback ACallback,
                                               const QString& AName)
    : TQvStyleRecord(AOwner, std::move(ACallback), AName)
{
}

void TQvPointSymbolSettings::SetVisible(bool Value)
{
    SetField(FVisible, Value, "Point symbol visible", "Visible");
}

void TQvPointSymbolSettings::SetBorderLineWidth(double Value)
{
    SetField(FBorderLineWidth, std::isnan(Value) ? 0.0 : Value, "Point symbol borderline width",
             "BorderLineWidth");
}

void TQvPointSymbolSettings::SetSize(double Value)
{
    SetField(FSize, std::isnan(Value) ? 0.0 : Value, "Point symbol size", "Size");
}

void TQvPointSymbolSettings::SetBorderColor(TQvColor Value)
{
    SetField(FBorderColor, Value, "Point symbol borderline color", "BorderColor");
}

void TQvPointSymbolSettings::SetFillColor(TQvColor Value)
{
    SetField(FFillColor, Value, "Point symbol fill color", "FillColor");
}

void TQvPointSymbolSettings::SetPointSymbol(TQvPointSymbol Value)
{
    // Only the ten shapes exist; other values would draw nothing and are not stored.
    if (int(Value) < 0 || int(Value) >= QvPointSymbolCount)
        return;
    SetField(FPointSymbol, Value, "Point symbol selection", "PointSymbol");
}

void TQvPointSymbolSettings::Assign(const TQvPointSymbolSettings& Source)
{
    if (&Source == this)
        return;
    const bool changed = FVisible != Source.FVisible || FBorderColor != Source.FBorderColor
        || FFillColor != Source.FFillColor || FBorderLineWidth != Source.FBorderLineWidth
        || FSize != Source.FSize || FPointSymbol != Source.FPointSymbol;
    FVisible = Source.FVisible;
    FBorderColor = Source.FBorderColor;
    FFillColor = Source.FFillColor;
    FBorderLineWidth = Source.FBorderLineWidth;
    FSize = Source.FSize;
    FPointSymbol = Source.FPointSymbol;
    if (changed)
        Changed();
}

TQvPen TQvPointSymbolSettings::GetPen() const { return TQvPen(FBorderColor, FBorderLineWidth); }

QBrush TQvPointSymbolSettings::GetBrush() const { return QvSolidBrush(FFillColor); }

void TQvPointSymbolSettings::Draw(QPainter& Painter, const QPointF& Center) const
{
    QvDrawPointSymbol(Painter, FPointSymbol, FSize, Center, GetPen(), GetBrush());
}
