#include "QvAxis.h"
#include "QvGraph2D.h"

#include "QvAxisLayout.h"
#include "QvFont.h"
#include "QvGDI.h"
#include "QvPersistence.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "QvZoom.h"

#include <QFontMetricsF>
#include <QMetaMethod>
#include <QPainter>
#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxDouble = std::numeric_limits<double>::max();

// A line of width W through pixel P lies on the pixel grid: odd widths on pixel centres.
double Crisp(double P, float W)
{
    const int Iw = std::max(1, int(std::lround(W)));
    return (Iw % 2) ? std::round(P) + 0.5 : std::round(P);
}

QSizeF RotatedExtent(const QSizeF& S, double AngleDeg)
{
    const double A = AngleDeg * M_PI / 180.0;
    const double Sn = std::fabs(std::sin(A));
    const double Cs = std::fabs(std::cos(A));
    return {S.width() * Cs + S.height() * Sn, S.width() * Sn + S.height() * Cs};
}

bool HasMarkup(const QString& Text)
{
    return Text.contains(QLatin1Char('\\')) || Text.contains(QLatin1Char('%'));
}

} // namespace

// ---- TQvAxisArrow ----------------------------------------------------------------------------

TQvAxisArrow::TQvAxisArrow(TQvAxis* AOwner) : TQvComponent(AOwner)
{
    setObjectName(QStringLiteral("ArrowPoint"));
}

void TQvAxisArrow::Changed()
{
    if (auto* Axis = qobject_cast<TQvAxis*>(parent()))
        Axis->Modified();
}

void TQvAxisArrow::SetVisible(bool Value)
{
    if (SetProp(FVisible, Value, "Axis arrow visible", "Visible"))
        Changed();
}

void TQvAxisArrow::SetPointLength(float Value)
{
    if (SetProp(FPointLength, std::max(Value, 0.00001f), "Axis arrow tip point length", "PointLength"))
        Changed();
}

void TQvAxisArrow::SetInnerLength(float Value)
{
    if (SetProp(FInnerLength, std::max(Value, 0.00001f), "Axis arrow tip point inner length", "InnerLength"))
        Changed();
}

void TQvAxisArrow::SetPointHeight(float Value)
{
    if (SetProp(FPointHeight, std::max(Value, 0.00001f), "Axis arrow tip point height", "PointHeight"))
        Changed();
}

// ---- TQvAxis: construction -------------------------------------------------------------------

TQvAxis::TQvAxis(QObject* AOwner) : TQvComponent(AOwner)
{
    FFont = new TQvFont(this, QStringLiteral("Font"));
    FFont->SetLoading(true);
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(12);
    FFont->SetStyle(QvFontStyle::Bold);
    FFont->SetFillColor(0xFF00008B);   // DarkBlue
    FFont->SetLoading(false);
    FFont->SetUndoComment(QStringLiteral("Axis numbers font"));
    FCaptionFont = new TQvFont(this, QStringLiteral("CaptionFont"));
    FCaptionFont->SetLoading(true);
    FCaptionFont->SetName(QStringLiteral("Times New Roman"));
    FCaptionFont->SetSize(14);
    FCaptionFont->SetStyle(QvFontStyle::Bold);
    FCaptionFont->SetFillColor(0xFF8B0000);   // DarkRed
    FCaptionFont->SetLoading(false);
    FCaptionFont->SetUndoComment(QStringLiteral("Axis caption font"));
    FFont->SetNeedsResize([this] { FontResized(); });
    FFont->SetNeedsInvalidate([this] { Repaint(); });
    FCaptionFont->SetNeedsResize([this] {
        FCaptionMeasured = false;
        Modified();
    });
    FCaptionFont->SetNeedsInvalidate([this] { Repaint(); });
    FArrowPoint = new TQvAxisArrow(this);
    FScale.SmallestPositiveBelow = [this](double Limit) { return SmallestPositiveBelow(Limit); };
}

TQvAxis::~TQvAxis()
{
    FDestroying = true;
    const QList<TQvSeries*> Series = FRelatedSeries.List();
    FRelatedSeries.clear();
    for (TQvSeries* S : Series)
        if (S)
            S->AxisDestroyed(this);
}

TQvUndoStack* TQvAxis::GetUndoStack() const
{
    if (auto* G = qobject_cast<TQvCustomGraph*>(parent()))
        return G->GetUndoStack();
    return TQvComponent::GetUndoStack();
}

TQvGraph2D* TQvAxis::Graph() const
{
    return qobject_cast<TQvGraph2D*>(parent());
}

void TQvAxis::connectNotify(const QMetaMethod& Signal)
{
    if (Signal == QMetaMethod::fromSignal(&TQvAxis::OnGetScaleLabel))
        FHasLabelHandler = true;
}

void TQvAxis::disconnectNotify(const QMetaMethod& Signal)
{
    if (Signal == QMetaMethod::fromSignal(&TQvAxis::OnGetScaleLabel))
        FHasLabelHandler = isSignalConnected(QMetaMethod::fromSignal(&TQvAxis::OnGetScaleLabel));
}

// ---- update cycle ----------------------------------------------------------------------------

void TQvAxis::Repaint()
{
    if (TQvGraph2D* G = Graph())
        G->RequestRepaint();
}

void TQvAxis::Modified()
{
    FRecalculate = true;
    FValuesRounded = false;
    // The graph's Modified marks its first axis modified in turn: guard against the echo.
    TQvGraph2D* G = Graph();
    if (!G || FInModified)
        return;
    const QScopedValueRollback<bool> InModified(FInModified, true);
    if (!G->NeedsRecalculate())
        G->Modified();
    else
        G->RequestRepaint();
}

void TQvAxis::FontResized()
{
    FLabelSizeCache.clear();
    Modified();
}

void TQvAxis::ParseCaption()
{
    FCaptionMeasured = false;
    Modified();
}

QString TQvAxis::ToString() const
{
    return FCaption.isEmpty() ? objectName() : FCaption;
}

void TQvAxis::SetBounds(const QRect& R)
{
    FBounds = R;
}

// ---- property setters ------------------------------------------------------------------------

void TQvAxis::SetCaption(const QString& Value)
{
    if (SetProp(FCaption, Value, "Axis caption", "Caption")) {
        FCaptionMeasured = false;
        Modified();
    }
}

void TQvAxis::SetCaptionAlignment(TQvCaptionAlignment Value)
{
    if (SetProp(FCaptionAlignment, Value, "Axis caption alignment", "CaptionAlignment"))
        Modified();
}

// Sets a font's fill colour as the axis' own colour property: one undo record under the
// property's name, not the font's whole state.
static bool SetFontColor(TQvFont* Font, TQvColor Value)
{
    if (Font->FillColor() == Value)
        return false;
    const bool loading = Font->IsLoading();
    Font->SetLoading(true);
    Font->SetFillColor(Value);
    Font->SetLoading(loading);
    return true;
}

void TQvAxis::SetCaptionColor(TQvColor Value)
{
    if (CaptionColor() == Value)
        return;
    PushUndoProperty("Axis caption color", "CaptionColor");
    SetFontColor(FCaptionFont, Value);
}

void TQvAxis::SetCaptionFont(TQvFont* Value)
{
    if (!Value || Value == FCaptionFont)
        return;
    if (!IsLoading())
        if (TQvUndoStack* Stack = GetUndoStack(); Stack && Stack->Enabled())
            FCaptionFont->PushToUndoStack(Stack, FCaptionFont->UndoComment());
    const bool loading = FCaptionFont->IsLoading();
    FCaptionFont->SetLoading(true);
    FCaptionFont->Assign(*Value);
    FCaptionFont->SetLoading(loading);
}

void TQvAxis::SetFont(TQvFont* Value)
{
    if (!Value || Value == FFont)
        return;
    if (!IsLoading())
        if (TQvUndoStack* Stack = GetUndoStack(); Stack && Stack->Enabled())
            FFont->PushToUndoStack(Stack, FFont->UndoComment());
    const bool loading = FFont->IsLoading();
    FFont->SetLoading(true);
    FFont->Assign(*Value);
    FFont->SetLoading(loading);
}

void TQvAxis::SetCaptionVisible(bool Value)
{
    if (SetProp(FCaptionVisible, Value, "Axis caption visible", "CaptionVisible"))
        Modified();
}

void TQvAxis::SetCaptionHorizontalOnVerticalAxis(bool Value)
{
    if (SetProp(FCaptionHorizontalOnVerticalAxis, Value, "Axis caption horizontal on vertical axis",
                "CaptionHorizontalOnVerticalAxis"))
        Modified();
}

void TQvAxis::SetCaptionDistanceAfter(float Value)
{
    if (SetProp(FCaptionDistanceAfter, Value, "Distance after axis caption", "CaptionDistanceAfter"))
        Modified();
}

void TQvAxis::SetCaptionDistanceBefore(float Value)
{
    if (SetProp(FCaptionDistanceBefore, Value, "Distance before axis caption", "CaptionDistanceBefore"))
        Modified();
}

static bool NumbersCaptionIsBefore(TQvAxisPosition P)
{
    return P == TQvAxisPosition::Bottom || P == TQvAxisPosition::Right;
}

float TQvAxis::DistanceNumbersCaption() const
{
    return NumbersCaptionIsBefore(Position()) ? FCaptionDistanceBefore : FCaptionDistanceAfter;
}

void TQvAxis::SetDistanceNumbersCaption(float Value)
{
    float& Field = NumbersCaptionIsBefore(Position()) ? FCaptionDistanceBefore : FCaptionDistanceAfter;
    if (SetProp(Field, Value, "Distance between axis scaling numbers and caption", "DistanceNumbersCaption"))
        Modified();
}

float TQvAxis::DistanceToBorder() const
{
    return NumbersCaptionIsBefore(Position()) ? FCaptionDistanceAfter : FCaptionDistanceBefore;
}

void TQvAxis::SetDistanceToBorder(float Value)
{
    float& Field = NumbersCaptionIsBefore(Position()) ? FCaptionDistanceAfter : FCaptionDistanceBefore;
    if (SetProp(Field, Value, "Distance between axis caption and border", "DistanceToBorder"))
        Modified();
}

void TQvAxis::SetNumbersColor(TQvColor Value)
{
    if (NumbersColor() == Value)
        return;
    PushUndoProperty("Axis numbers color", "NumbersColor");
    SetFontColor(FFont, Value);
}

void TQvAxis::SetNumbersVisible(bool Value)
{
    if (SetProp(FNumbersVisible, Value, "Axis numbers visible", "NumbersVisible"))
        Modified();
}

void TQvAxis::SetForeColor(TQvColor Value)
{
    if (SetProp(FForeColor, Value, "Axis color", "ForeColor"))
        Repaint();
}

void TQvAxis::SetMajorTickColor(TQvColor Value)
{
    if (SetProp(FMajorTickColor, Value, "Axis major tick color", "MajorTickColor"))
        Repaint();
}

void TQvAxis::SetTickColor(TQvColor Value)
{
    if (SetProp(FTickColor, Value, "Axis minor tick color", "TickColor"))
        Repaint();
}

void TQvAxis::SetAxisThicknes(float Value)
{
    if (SetProp(FAxisThicknes, Value, "Axis line thickness", "AxisThicknes"))
        Modified();
}

void TQvAxis::SetMajorTickThicknes(float Value)
{
    if (SetProp(FMajorTickThicknes, Value, "Axis major tick thickness", "MajorTickThicknes"))
        Modified();
}

void TQvAxis::SetTickThicknes(float Value)
{
    if (SetProp(FTickThicknes, Value, "Axis minor tick thickness", "TickThicknes"))
        Modified();
}

void TQvAxis::SetMajorTickLength(float Value)
{
    if (SetProp(FMajorTickLength, Value, "Axis major tick length", "MajorTickLength"))
        Modified();
}

void TQvAxis::SetTickLength(float Value)
{
    if (SetProp(FTickLength, Value, "Axis minor tick length", "TickLength"))
        Modified();
}

void TQvAxis::SetTicksPointToData(bool Value)
{
    if (SetProp(FTicksPointToData, Value, "Axis ticks point to data", "TicksPointToData"))
        Modified();
}

void TQvAxis::SetPosition(TQvAxisPosition Value)
{
    if (SetProp(FScale.Position, Value, "Axis position", "Position"))
        Modified();
}

void TQvAxis::SetTwisted(bool Value)
{
    if (SetProp(FScale.Twisted, Value, "Axis direction twisted", "Twisted"))
        Modified();
}

void TQvAxis::SetScaling(TQvAxisScaling Value)
{
    if (SetProp(FScale.Scaling, Value, "Axis scaling", "Scaling")) {
        // Log scales need positive ends: take the range from the data again.
        if (!FRelatedSeries.isEmpty())
            RangeModified();
        Modified();
    }
}

void TQvAxis::SetLogToNormalScalingLevel(double Value)
{
    if (SetProp(FScale.LogToNormalScalingLevel, Value, "Axis log to normal scaling level",
                "LogToNormalScalingLevel"))
        Modified();
}

void TQvAxis::SetStart(double Value)
{
    if (SetProp(FScale.Start, Value, "Axis range start", "Start")) {
        FInitialStart = FLastStart = Value;
        Modified();
    }
}

void TQvAxis::SetStop(double Value)
{
    if (SetProp(FScale.Stop, Value, "Axis range stop", "Stop")) {
        FInitialStop = FLastStop = Value;
        Modified();
    }
}

void TQvAxis::SetStartEnd(TQvAxisEnd Value)
{
    if (Value == TQvAxisEnd::MovingSlit)
        Value = TQvAxisEnd::Fixed; // only the stop end can follow the data as a slit
    if (Value == FScale.StartEnd)
        return;
    TQvUndoStack* Stack = IsLoading() ? nullptr : GetUndoStack();
    if (Stack) {
        const QString C = QStringLiteral("Auto ranging mode of axis start");
        TQvUndoGroup Group(Stack, C);
        Stack->PushProperty(this, C, QStringLiteral("Start"));
        Stack->PushProperty(this, C, QStringLiteral("Stop"));
        Stack->PushProperty(this, C, QStringLiteral("StartEnd"));
    }
    FScale.StartEnd = Value;
    if (Value == TQvAxisEnd::AutoRange)
        RangeModified();
    Modified();
}

void TQvAxis::SetStopEnd(TQvAxisEnd Value)
{
    if (Value == FScale.StopEnd)
        return;
    TQvGraph2D* G = Graph();
    TQvZoomSettings* Zoom = G ? G->Zoom() : nullptr;
    const char* BarProp = Horizontal() ? "HScrollbarVisible" : "VScrollbarVisible";
    TQvUndoStack* Stack = IsLoading() ? nullptr : GetUndoStack();
    // One group for the whole change, the zoom settings included; it closes when this returns
    // or throws.
    TQvUndoGroup Group(Stack, QStringLiteral("Auto ranging mode of axis stop"));
    if (Stack) {
        const QString C = QStringLiteral("Auto ranging mode of axis stop");
        if (Zoom) {
            Stack->PushProperty(Zoom, C, QStringLiteral("Auto"));
            Stack->PushProperty(Zoom, C, QString::fromLatin1(BarProp));
        }
        Stack->PushProperty(this, C, QStringLiteral("Start"));
        Stack->PushProperty(this, C, QStringLiteral("Stop"));
        Stack->PushProperty(this, C, QStringLiteral("StartEnd"));
        Stack->PushProperty(this, C, QStringLiteral("StopEnd"));
    }
    FScale.StopEnd = Value;
    if (Value == TQvAxisEnd::MovingSlit) {
        // A moving slit follows the data: mouse zooming and the scroll bar would fight it. Their
        // old values are in the group already; the zoom setters record nothing of their own.
        FScale.StartEnd = TQvAxisEnd::Fixed;
        if (Zoom) {
            const bool WasLoading = Stack && Stack->IsLoading();
            if (Stack)
                Stack->SetLoading(true);
            Zoom->SetAuto(false);
            if (Horizontal())
                Zoom->SetHScrollbarVisible(false);
            else
                Zoom->SetVScrollbarVisible(false);
            if (Stack)
                Stack->SetLoading(WasLoading);
        }
    }
    // The group closes only now, after every part of the change.
    Group.Stop();
    if (Value == TQvAxisEnd::AutoRange || Value == TQvAxisEnd::MovingSlit)
        RangeModified();
    Modified();
}

void TQvAxis::SetEndRounding(TQvAxisEndRounding Value)
{
    if (SetProp(FScale.EndRounding, Value, "Axis end rounding", "EndRounding")) {
        if (!FRelatedSeries.isEmpty())
            RangeModified();
        Modified();
    }
}

void TQvAxis::SetMovingSlitWidth(double Value)
{
    if (SetProp(FMovingSlitWidth, Value, "Axis moving slit width", "MovingSlitWidth")
        && StopEnd() == TQvAxisEnd::MovingSlit)
        RangeModified();
}

void TQvAxis::SetMovingSlitIncrement(double Value)
{
    if (SetProp(FMovingSlitIncrement, Value, "Axis moving slit increment", "MovingSlitIncrement")
        && StopEnd() == TQvAxisEnd::MovingSlit)
        RangeModified();
}

void TQvAxis::SetAutoTickParts(bool Value)
{
    if (SetProp(FScale.AutoTickParts, Value, "Axis automatic tick steps", "AutoTickParts"))
        Modified();
}

void TQvAxis::SetLabelPart(double Value)
{
    if (SetProp(FScale.LabelPart, Value, "Axis label step", "LabelPart"))
        Modified();
}

void TQvAxis::SetMajorTickPart(double Value)
{
    if (SetProp(FScale.MajorTickPart, Value, "Axis major tick step", "MajorTickPart"))
        Modified();
}

void TQvAxis::SetTickPart(double Value)
{
    if (SetProp(FScale.TickPart, Value, "Axis minor tick step", "TickPart"))
        Modified();
}

void TQvAxis::SetLabelDistanceFactor(float Value)
{
    if (SetProp(FScale.LabelDistanceFactor, double(Value), "Axis label distance factor", "LabelDistanceFactor"))
        Modified();
}

void TQvAxis::SetMajorGridMode(TQvMajorGridMode Value)
{
    if (SetProp(FScale.MajorGridMode, Value, "Axis major grid mode", "MajorGridMode"))
        Modified();
}

void TQvAxis::SetExtraDigits(int Value)
{
    if (SetProp(FScale.ExtraDigits, Value, "Axis extra label digits", "ExtraDigits"))
        Modified();
}

void TQvAxis::SetMaxForExtraExponent(double Value)
{
    if (SetProp(FScale.MaxForExtraExponent, Value, "Axis maximum without common exponent", "MaxForExtraExponent"))
        Modified();
}

void TQvAxis::SetMinForExtraExponent(double Value)
{
    if (SetProp(FScale.MinForExtraExponent, Value, "Axis minimum without common exponent", "MinForExtraExponent"))
        Modified();
}

void TQvAxis::SetDistanceValuesAxis(float Value)
{
    if (SetProp(FDistanceValuesAxis, Value, "Distance between data area and axis", "DistanceValuesAxis"))
        Modified();
}

void TQvAxis::SetDistanceAxisLabels(float Value)
{
    if (SetProp(FDistanceAxisLabels, Value, "Distance between axis and scaling numbers", "DistanceAxisLabels"))
        Modified();
}

void TQvAxis::SetDistanceAxisExtraExponent(float Value)
{
    if (SetProp(FDistanceAxisExtraExponent, Value, "Distance between axis and common exponent",
                "DistanceAxisExtraExponent"))
        Modified();
}

void TQvAxis::SetRubricsAngle(float Value)
{
    if (SetProp(FScale.RubricsAngle, double(Value), "Axis label angle", "RubricsAngle"))
        Modified();
}

void TQvAxis::SetRubrics(const QStringList& Value)
{
    if (SetProp(FScale.Rubrics, Value, "Axis rubrics", "Rubrics"))
        Modified();
}

void TQvAxis::SetRubricsField(const QString& Value)
{
    if (SetProp(FRubricsField, Value, "Axis rubrics field", "RubricsField"))
        Modified();
}

void TQvAxis::SetIsSlaveAxis(bool Value)
{
    if (SetProp(FIsSlaveAxis, Value, "Axis is slave of master axis", "IsSlaveAxis"))
        Modified();
}

void TQvAxis::SetMasterAxis(TQvAxis* Value)
{
    if (Value == this)
        Value = nullptr;
    // A chain of masters that leads back here would never settle.
    for (TQvAxis* A = Value; A; A = A->MasterAxis())
        if (A->MasterAxis() == this)
            return;
    if (Value == FMasterAxis.data())
        return;
    PushUndoProperty("Master axis of slave axis", "MasterAxis");
    FMasterAxis = Value;
    Modified();
}

QObject* TQvAxis::MasterAxisObject() const
{
    return FMasterAxis.data();
}

void TQvAxis::SetMasterAxisObject(QObject* Value)
{
    SetMasterAxis(qobject_cast<TQvAxis*>(Value));
}

void TQvAxis::SetSlaveSlope(double Value)
{
    if (SetProp(FSlaveSlope, Value, "Slave axis slope", "SlaveSlope"))
        Modified();
}

void TQvAxis::SetSlaveOffset(double Value)
{
    if (SetProp(FSlaveOffset, Value, "Slave axis offset", "SlaveOffset"))
        Modified();
}

void TQvAxis::SetVisible(bool Value)
{
    if (SetProp(FVisible, Value, "Axis visible", "Visible"))
        Modified();
}

// ---- scale arithmetic ------------------------------------------------------------------------

void TQvAxis::SyncScale()
{
    FScale.FontSize = FFont->Size() > 0 ? FFont->Size() : 12;
    FScale.NumbersVisible = FNumbersVisible;
    FScale.Zoomed = CanZoomBack();
    TQvGraph2D* G = Graph();
    FScale.Panning = G && G->Panning();
    // The axis spans the graph's full client extent along its direction.
    const int Along = Horizontal() ? (G ? G->width() : FBounds.width()) : (G ? G->height() : FBounds.height());
    FScale.Avail = Along > 0 ? Along : 100;
    if (FHasLabelHandler)
        FScale.LabelHook = [this](double Value, const QString& Text) {
            TQvScaleLabelArgs Args{Value, Text};
            emit OnGetScaleLabel(this, Args);
            return Args.Caption;
        };
    else
        FScale.LabelHook = nullptr;
}

double TQvAxis::SmallestPositiveBelow(double Limit) const
{
    double Best = Limit;
    for (TQvSeries* S : FRelatedSeries) {
        if (!S)
            continue;
        const bool AsX = S->XAxis() == this;
        TQvCustomDoubleVector* V = AsX ? S->XData() : S->YData();
        if (!V)
            continue;
        // Plain data whose smallest value is positive: that value, from the vector's cached
        // statistics, instead of a scan of every point at each layout.
        const bool Plain = !(AsX ? S->HasXValueTransformation() : S->HasYValueTransformation())
                           && V->Count() <= S->UsableCount()
                           && !(S->XData() && S->XData()->AnyOutliers()) && !(S->YData() && S->YData()->AnyOutliers());
        if (Plain && V->Count() > 0 && V->Minimum() > 0) {
            Best = std::min(Best, V->Minimum());
            continue;
        }
        const int N = std::min(V->Count(), S->UsableCount());
        for (int i = 0; i < N; ++i) {
            if (!S->HasValuesAt(i))
                continue;
            const double X = AsX ? S->TransformX(V->GetValue(i), i) : S->TransformY(V->GetValue(i), i);
            if (X > 0 && X < Best)
                Best = X;
        }
    }
    return Best;
}

void TQvAxis::RoundEnds(double& AStart, double& AStop)
{
    SyncScale();
    QvRoundEnds(FScale, AStart, AStop);
}

double TQvAxis::RoundEnd(double Value, bool Up, bool Major) const
{
    return QvRoundEnd(FScale, Value, Up, Major);
}

void TQvAxis::RoundCurrentRange()
{
    double A = FScale.Start;
    double B = FScale.Stop;
    // The automatic range is rounded from its unrounded source every time, so that repeated
    // rounding (after a resize or any other change) never ratchets the range outward.
    if (!CanZoomBack()) {
        if (FScale.StartEnd == TQvAxisEnd::AutoRange)
            A = FLastStart;
        if (FScale.StopEnd == TQvAxisEnd::AutoRange)
            B = FLastStop;
    }
    RoundEnds(A, B);
    FScale.Start = A;
    FScale.Stop = B;
    FValuesRounded = true;
}

void TQvAxis::FollowMaster()
{
    TQvAxis* M = FMasterAxis.data();
    if (!FIsSlaveAxis || !M || M->Start() > M->Stop())
        return;
    if (!M->ValuesRounded())
        M->RoundCurrentRange();
    FScale.Scaling = M->Scaling();
    if (FSlaveSlope != 1 || FSlaveOffset != 0) {
        double A = FSlaveOffset + FSlaveSlope * M->Start();
        double B = FSlaveOffset + FSlaveSlope * M->Stop();
        if (A > B)
            std::swap(A, B);
        const double MappedA = A;
        const double MappedB = B;
        // Rounded only for the step choice; the slave shows exactly the mapped range.
        RoundEnds(A, B);
        FScale.Start = MappedA;
        FScale.Stop = MappedB;
        if (FScale.IsLogType() && MappedA > 0 && MappedB > 0) {
            FScale.LogStart = std::log10(MappedA);
            FScale.LogStop = std::log10(MappedB);
        }
        if (!FScale.HasLogScaling)
            QvLabelDigits(FScale, MappedA, MappedB);
    } else {
        const TQvScale& MS = M->Scale();
        FScale.Start = MS.Start;
        FScale.Stop = MS.Stop;
        FScale.LogStart = MS.LogStart;
        FScale.LogStop = MS.LogStop;
        FScale.HasLogScaling = MS.HasLogScaling;
        FScale.LabelPart = MS.LabelPart;
        FScale.MajorTickPart = MS.MajorTickPart;
        FScale.TickPart = MS.TickPart;
        FScale.RangeExponent = MS.RangeExponent;
        if (!FScale.HasLogScaling)
            QvLabelDigits(FScale, FScale.Start, FScale.Stop);
    }
    FValuesRounded = true;
}

// ---- automatic range -------------------------------------------------------------------------

void TQvAxis::AddSeries(TQvSeries* Series)
{
    FRelatedSeries.append(Series);
}

void TQvAxis::RemoveSeries(TQvSeries* Series)
{
    FRelatedSeries.removeAll(Series);
}

void TQvAxis::RangeModified()
{
    if (FDestroying)
        return;
    if (IsLoading())
        return;
    if (FRelatedSeries.isEmpty()) {
        Modified();
        return;
    }
    FScale.ValuesStart = kMaxDouble;
    FScale.ValuesStop = -kMaxDouble;
    ZoomClearBuffer();
    FRedoRange = true;
    Modified();
}

void TQvAxis::GetNewRanges()
{
    if (!FRedoRange)
        return;
    FRedoRange = false;
    double Lo = kMaxDouble;
    double Hi = -kMaxDouble;
    bool Found = false;
    for (TQvSeries* S : FRelatedSeries) {
        if (!S || !S->Graph() || !S->XData() || !S->YData() || !S->SeriesVisible())
            continue;
        const bool AsX = S->XAxis() == this;
        const double A = AsX ? S->XStart() : S->YStart();
        const double B = AsX ? S->XStop() : S->YStop();
        if (A > B)
            continue;
        Lo = std::min(Lo, A);
        Hi = std::max(Hi, B);
        Found = true;
    }
    if (!Found) {
        Lo = FInitialStart;
        Hi = FInitialStop;
    }
    if (!(Lo == Hi || Lo != FScale.ValuesStart || Hi != FScale.ValuesStop))
        return;
    FScale.ValuesStart = Lo;
    FScale.ValuesStop = Hi;
    double NewStart = FScale.Start;
    double NewStop = FScale.Stop;
    switch (FScale.StartEnd) {
    case TQvAxisEnd::AutoRange:
        NewStart = Lo;
        break;
    case TQvAxisEnd::FirstSet:
        NewStart = std::min(Lo, FScale.Start);
        break;
    default:
        break;
    }
    switch (FScale.StopEnd) {
    case TQvAxisEnd::AutoRange:
        NewStop = Hi;
        break;
    case TQvAxisEnd::FirstSet:
        NewStop = std::max(Hi, FScale.Stop);
        break;
    case TQvAxisEnd::MovingSlit: {
        double Width = FMovingSlitWidth > 0 ? FMovingSlitWidth : FInitialStop - FInitialStart;
        if (!(Width > 0))
            Width = 1;
        double Inc = FMovingSlitIncrement;
        if (!(Inc > 0) || Inc > Width)
            Inc = Width / 3;
        NewStop = FInitialStart + Width;
        if (NewStop < Hi)
            NewStop += std::ceil((Hi - NewStop) / Inc) * Inc;
        NewStart = NewStop - Width;
        if (!(NewStart > Lo))
            NewStart = FInitialStart;
        break;
    }
    default:
        break;
    }
    // The unrounded pair is kept, so that a resize rounds it afresh for the new length.
    FLastStart = NewStart;
    FLastStop = NewStop;
    RoundEnds(NewStart, NewStop);
    FScale.Start = NewStart;
    FScale.Stop = NewStop;
    Modified();
    FValuesRounded = true;
}

void TQvAxis::CheckResize()
{
    if (const TQvGraph2D* G = Graph(); G && G->LayoutRunning())
        return;
    // The next layout rounds the automatic range afresh for the new length; a zoomed view
    // keeps its range.
    Modified();
}

void TQvAxis::LengthChanged(int Avail)
{
    if (Avail == FLastAvail)
        return;
    FLastAvail = Avail;
    FValuesRounded = false;
}

void TQvAxis::SetStartStop(double AStart, double AStop)
{
    FScale.Start = AStart;
    FScale.Stop = AStop;
    FLastStart = AStart;
    FLastStop = AStop;
    Modified();
}

namespace {

// Whether the data range [VS, VE] reaches beyond the view [S, E] by more than a millionth of the
// view: far below a pixel, and more than what rounding the axis ends to ticks may leave out
// (rounding up takes a value a millionth of a step past a tick down to that tick).
bool ReachesBeyond(double VS, double VE, double S, double E)
{
    const double Tol = (E - S) * 1e-6;
    return VS < S - Tol || VE > E + Tol;
}

} // namespace

bool TQvAxis::IsClipped() const
{
    if (FRedoRange)
        return false;
    TQvGraph2D* G = Graph();
    if (!G || G->RelatedSeries().isEmpty())
        return false;
    double VS = FScale.ValuesStart;
    double VE = FScale.ValuesStop;
    double S = FScale.Start;
    double E = FScale.Stop;
    if (VS >= VE || !(S < E))
        return false;
    if (FScale.IsLogType()) {
        // Values of 0 or below lie beyond the start of a log axis: clipped there, so that the
        // lines to them stay out of the margins.
        if (!(VS > 0) || !(S > 0))
            return true;
        VS = std::log10(VS);
        VE = std::log10(VE);
        S = std::log10(S);
        E = std::log10(E);
    }
    return ReachesBeyond(VS, VE, S, E);
}

bool TQvAxis::HidesDataWhileZoomed() const
{
    if (FRedoRange || FLastZoomStart.isEmpty())
        return false;
    TQvGraph2D* G = Graph();
    if (!G || G->RelatedSeries().isEmpty())
        return false;
    double VS = FScale.ValuesStart;
    double VE = FScale.ValuesStop;
    double S = FScale.Start;
    double E = FScale.Stop;
    double FS = ScrollStart();
    double FE = ScrollStop();
    if (!(VS <= VE) || !(S < E))
        return false;
    if (FScale.IsLogType()) {
        // Only positive values can be shown: compare on their logarithms.
        if (!(VE > 0) || !(S > 0) || !(FS > 0))
            return false;
        if (!(VS > 0))
            VS = SmallestPositiveBelow(VE);
        VS = std::log10(VS);
        VE = std::log10(VE);
        S = std::log10(S);
        E = std::log10(E);
        FS = std::log10(FS);
        FE = std::log10(FE);
    }
    // Zoomed: the view is narrower than the full range the scroll bar runs over.
    const bool Narrower = ReachesBeyond(FS, FE, S, E);
    return Narrower && ReachesBeyond(VS, VE, S, E);
}

// ---- zoom history ----------------------------------------------------------------------------

void TQvAxis::ZoomIn(double NewStart, double NewStop)
{
    if (FLastZoomStart.isEmpty()) {
        FLastZoomStart.append(FScale.Start);
        FLastZoomStop.append(FScale.Stop);
        FZoomIdx = 0;
    }
    FScale.Start = NewStart;
    FScale.Stop = NewStop;
    FLastStart = NewStart;
    FLastStop = NewStop;
    ++FZoomIdx;
    FLastZoomStart.resize(std::min<int>(FZoomIdx, FLastZoomStart.size()));
    FLastZoomStop.resize(std::min<int>(FZoomIdx, FLastZoomStop.size()));
    FLastZoomStart.append(NewStart);
    FLastZoomStop.append(NewStop);
    FZoomIdx = FLastZoomStart.size() - 1;
    Modified();
}

void TQvAxis::ZoomBack()
{
    if (FLastZoomStart.isEmpty())
        return;
    if (--FZoomIdx < 0)
        FZoomIdx = FLastZoomStart.size() - 1;
    ZoomToStage(FZoomIdx);
}

void TQvAxis::RedoZoom()
{
    if (FLastZoomStart.isEmpty())
        return;
    if (++FZoomIdx >= FLastZoomStart.size())
        FZoomIdx = 0;
    ZoomToStage(FZoomIdx);
}

void TQvAxis::ZoomToStage(int Stage)
{
    if (Stage < 0 || Stage >= FLastZoomStart.size())
        return;
    FZoomIdx = Stage;
    FScale.Start = FLastZoomStart.at(Stage);
    FScale.Stop = FLastZoomStop.at(Stage);
    Modified();
}

void TQvAxis::ZoomClearBuffer()
{
    FLastZoomStart.clear();
    FLastZoomStop.clear();
    FZoomIdx = 0;
}

double TQvAxis::ScrollStart() const
{
    return FLastZoomStart.isEmpty() ? FScale.Start : FLastZoomStart.first();
}

double TQvAxis::ScrollStop() const
{
    return FLastZoomStop.isEmpty() ? FScale.Stop : FLastZoomStop.first();
}

double TQvAxis::SeriesExtraSpace(TQvAxisPosition Border) const
{
    if (IsClipped())
        return 0;
    double R = 0;
    for (TQvSeries* S : FRelatedSeries)
        if (S && S->Graph())
            R = std::max(R, S->ExtraSpaceAt(static_cast<TQvBorder>(Border)));
    return R;
}

// ---- ticks and labels ------------------------------------------------------------------------

void TQvAxis::Calculate()
{
    if (TQvGraph2D* G = Graph())
        QvLayoutAxes(*G, this);
}

void TQvAxis::CalculateTicks()
{
    emit OnGetTicks(this);
    SyncScale();
    QvCalculateTicks(FScale, FTickList);
    const int N = int(FTickList.Ticks.size());
    FTicks.resize(N);
    FMajorTick.resize(N);
    FMajorGridTick.resize(N);
    for (int i = 0; i < N; ++i) {
        const TQvTick& T = FTickList.Ticks[size_t(i)];
        FTicks[i] = T.Pixel;
        FMajorTick[i] = T.Major;
        FMajorGridTick[i] = T.Grid;
    }
    MeasureTexts();
    PlaceCaption();
}

void TQvAxis::MeasureTexts()
{
    const TQvAxisPosition P = Position();
    const bool Hor = Horizontal();
    const float Out = FTicksPointToData ? 0 : FMajorTickLength;
    // The label base line across the axis.
    float Base = 0;
    switch (P) {
    case TQvAxisPosition::Bottom: Base = FScale.AxTop + FDistanceAxisLabels + Out; break;
    case TQvAxisPosition::Top: Base = FScale.AxTop - FDistanceAxisLabels - Out; break;
    case TQvAxisPosition::Left: Base = FScale.AxLeft - FDistanceAxisLabels - Out; break;
    case TQvAxisPosition::Right: Base = FScale.AxLeft + FDistanceAxisLabels + Out; break;
    }
    if (FLabelSizeCache.size() > 4000)
        FLabelSizeCache.clear();
    const double Angle = FScale.RubricsAngle;
    const double Rad = Angle * M_PI / 180.0;
    const bool Oblique = std::fmod(std::fabs(Angle), 90.0) != 0;
    FMaxNumberLabelWidth = 0;
    FMaxNumberLabelHeight = 0;
    FAxLabels.resize(FTickList.Labels.size());
    for (size_t i = 0; i < FTickList.Labels.size(); ++i) {
        const TQvTickLabel& L = FTickList.Labels[i];
        TQvAxisTextRec& R = FAxLabels[i];
        R.Text = L.Text;
        R.Angle = float(Angle);
        R.Align = TQvContentAlignment::MiddleCenter;
        R.TickPixel = L.Pixel;
        auto It = FLabelSizeCache.constFind(L.Text);
        if (It == FLabelSizeCache.constEnd())
            It = FLabelSizeCache.insert(L.Text, QvMeasureRichCaption(L.Text, FFont, this));
        R.Size = *It;
        R.Extent = RotatedExtent(R.Size, Angle);
        FMaxNumberLabelWidth = std::max<float>(FMaxNumberLabelWidth, R.Extent.width());
        FMaxNumberLabelHeight = std::max<float>(FMaxNumberLabelHeight, R.Extent.height());
        const double HW = R.Extent.width() / 2;
        const double HH = R.Extent.height() / 2;
        const double HalfText = R.Size.width() / 2;
        QPointF At;
        switch (P) {
        case TQvAxisPosition::Bottom:
            At = {L.Pixel - FBounds.left(), Base + HH};
            if (Oblique)
                At.rx() -= HalfText * std::cos(Rad) * (std::sin(Rad) > 0 ? 1 : -1);
            break;
        case TQvAxisPosition::Top:
            At = {L.Pixel - FBounds.left(), Base - HH};
            if (Oblique)
                At.rx() += HalfText * std::cos(Rad) * (std::sin(Rad) > 0 ? 1 : -1);
            break;
        case TQvAxisPosition::Left:
            At = {Base - HW, L.Pixel - FBounds.top()};
            if (Oblique)
                At.ry() += HalfText * std::sin(Rad);
            break;
        case TQvAxisPosition::Right:
            At = {Base + HW, L.Pixel - FBounds.top()};
            if (Oblique)
                At.ry() -= HalfText * std::sin(Rad);
            break;
        }
        R.At = At;
    }

    // The common exponent, between the last two labels, beyond the label base line.
    FExtraExponentRec = TQvAxisTextRec();
    FExtraExponentBeyondLabels = false;
    if (!FTickList.ExponentText.isEmpty() && !FAxLabels.empty()) {
        TQvAxisTextRec& E = FExtraExponentRec;
        E.Text = FTickList.ExponentText;
        auto It = FLabelSizeCache.constFind(E.Text);
        if (It == FLabelSizeCache.constEnd())
            It = FLabelSizeCache.insert(E.Text, QvMeasureRichCaption(E.Text, FFont, this));
        E.Size = *It;
        E.Extent = E.Size;
        const size_t N = FAxLabels.size();
        const double Along = N >= 2 ? (FAxLabels[N - 1].TickPixel + FAxLabels[N - 2].TickPixel) / 2
                                    : FAxLabels[N - 1].TickPixel;
        const float D = FDistanceAxisExtraExponent;
        switch (P) {
        case TQvAxisPosition::Bottom:
            E.At = {Along - FBounds.left(), Base + D};
            E.Align = TQvContentAlignment::TopCenter;
            break;
        case TQvAxisPosition::Top:
            E.At = {Along - FBounds.left(), Base - D};
            E.Align = TQvContentAlignment::BottomCenter;
            break;
        case TQvAxisPosition::Left:
            E.At = {Base - D, Along - FBounds.top()};
            E.Align = TQvContentAlignment::MiddleRight;
            break;
        case TQvAxisPosition::Right:
            E.At = {Base + D, Along - FBounds.top()};
            E.Align = TQvContentAlignment::MiddleLeft;
            break;
        }
        // Labels side by side along a horizontal axis may leave less room between the last two
        // than the exponent needs: it then goes beyond the labels rather than over them.
        if (Hor && N >= 2) {
            const TQvAxisTextRec& A = FAxLabels[N - 2];
            const TQvAxisTextRec& B = FAxLabels[N - 1];
            const double Gap = std::fabs(B.TickPixel - A.TickPixel) - (A.Extent.width() + B.Extent.width()) / 2;
            if (Gap < E.Size.width() + 4) {
                FExtraExponentBeyondLabels = true;
                const double Beyond = FMaxNumberLabelHeight + 2;
                E.At.ry() = P == TQvAxisPosition::Bottom ? Base + Beyond : Base - Beyond;
            }
        }
    }
}

void TQvAxis::PlaceCaption()
{
    TQvAxisTextRec& C = FCaptionRec;
    C.Text = FCaption;
    if (!HasCaption()) {
        C.Size = C.Extent = QSizeF();
        return;
    }
    if (!FCaptionMeasured) {
        FCaptionSize = QvMeasureRichCaption(FCaption, FCaptionFont, this);
        FCaptionMeasured = true;
    }
    const TQvAxisPosition P = Position();
    const bool Hor = Horizontal();
    const bool Rotated = !Hor && !FCaptionHorizontalOnVerticalAxis;
    C.Angle = Rotated ? 90 : 0;
    C.Size = FCaptionSize;
    C.Extent = Rotated ? QSizeF(FCaptionSize.height(), FCaptionSize.width()) : FCaptionSize;

    const float Out = FTicksPointToData ? 0 : FMajorTickLength;
    float LabelRoom = FNumbersVisible && !FAxLabels.empty()
                          ? DistanceNumbersCaption() + (Hor ? FMaxNumberLabelHeight : FMaxNumberLabelWidth)
                          : 0;
    // A common exponent beyond the labels has a band of its own; the caption stands beyond it.
    if (FNumbersVisible && FExtraExponentBeyondLabels)
        LabelRoom += 2 + float(FExtraExponentRec.Size.height());
    float Across = 0;
    switch (P) {
    case TQvAxisPosition::Bottom: Across = FScale.AxTop + FDistanceAxisLabels + Out + LabelRoom; break;
    case TQvAxisPosition::Top: Across = FScale.AxTop - FDistanceAxisLabels - Out - LabelRoom; break;
    case TQvAxisPosition::Left: Across = FScale.AxLeft - FDistanceAxisLabels - Out - LabelRoom; break;
    case TQvAxisPosition::Right: Across = FScale.AxLeft + FDistanceAxisLabels + Out + LabelRoom; break;
    }
    // Along the axis: scale start (left alignment), scale end (right alignment) or middle.
    const int Sel = FCaptionAlignment == TQvCaptionAlignment::Left    ? 0
                    : FCaptionAlignment == TQvCaptionAlignment::Right ? 2
                    : FCaptionEnd != 0                                ? FCaptionEnd + 1
                                                                      : 1;
    using A = TQvContentAlignment;
    if (Hor) {
        const double X0 = FScale.AxLeft - FBounds.left();
        const double Along = Sel == 0 ? X0 : Sel == 2 ? X0 + FScale.AxLength : X0 + FScale.AxLength / 2;
        C.At = {Along, Across};
        static const A Bottom[3] = {A::TopLeft, A::TopCenter, A::TopRight};
        static const A Top[3] = {A::BottomLeft, A::BottomCenter, A::BottomRight};
        C.Align = P == TQvAxisPosition::Bottom ? Bottom[Sel] : Top[Sel];
    } else {
        // Scale start is at the bottom (top when twisted); rotated captions read upwards.
        const double Y0 = FScale.AxTop - FBounds.top();
        const double StartY = FScale.Twisted ? Y0 : Y0 + FScale.AxLength;
        const double EndY = FScale.Twisted ? Y0 + FScale.AxLength : Y0;
        const double Along = Sel == 0 ? StartY : Sel == 2 ? EndY : Y0 + FScale.AxLength / 2;
        C.At = {Across, Along};
        const bool L = P == TQvAxisPosition::Left;
        if (Rotated) {
            // Rotated by 90 degrees: the text's bottom faces the axis line on a Left axis.
            static const A Left[3] = {A::BottomLeft, A::BottomCenter, A::BottomRight};
            static const A Right[3] = {A::TopLeft, A::TopCenter, A::TopRight};
            C.Align = L ? Left[Sel] : Right[Sel];
        } else {
            static const A Left[3] = {A::BottomRight, A::MiddleRight, A::TopRight};
            static const A Right[3] = {A::BottomLeft, A::MiddleLeft, A::TopLeft};
            C.Align = L ? Left[Sel] : Right[Sel];
        }
    }
}

void TQvAxis::ShiftAcross(float Delta)
{
    const bool Hor = Horizontal();
    for (auto& L : FAxLabels)
        (Hor ? L.At.ry() : L.At.rx()) += Delta;
    (Hor ? FCaptionRec.At.ry() : FCaptionRec.At.rx()) += Delta;
    (Hor ? FExtraExponentRec.At.ry() : FExtraExponentRec.At.rx()) += Delta;
}

void TQvAxis::RemoveTickAt(float Pixel)
{
    for (int i = FTicks.size() - 1; i >= 0; --i) {
        if (std::fabs(FTicks[i] - Pixel) < 0.1f) {
            FTicks.remove(i);
            FMajorTick.remove(i);
            FMajorGridTick.remove(i);
        }
    }
    FAxLabels.erase(std::remove_if(FAxLabels.begin(), FAxLabels.end(),
                                   [Pixel](const TQvAxisTextRec& L) { return std::fabs(L.TickPixel - Pixel) < 0.1f; }),
                    FAxLabels.end());
}

// ---- persistence ------------------------------------------------------------------------------

void TQvAxis::WriteTo(const QString& FileName) const
{
    QvWriteMapFile(FileName, QStringLiteral("TQvAxis"), QvWritePublished(this));
}

void TQvAxis::ReadFrom(const QString& FileName, bool WithRange)
{
    ReadSettings(QvReadMapFile(FileName, QStringLiteral("TQvAxis")), WithRange);
}

void TQvAxis::WriteTo(QIODevice& Stream) const
{
    QvWriteMap(Stream, QStringLiteral("TQvAxis"), QvWritePublished(this));
}

void TQvAxis::ReadFrom(QIODevice& Stream, bool WithRange)
{
    ReadSettings(QvReadMap(Stream, QStringLiteral("TQvAxis")), WithRange);
}

void TQvAxis::WriteTo(QXmlStreamWriter& Xml) const
{
    QvWriteMap(Xml, QStringLiteral("TQvAxis"), QvWritePublished(this));
}

void TQvAxis::ReadFrom(QXmlStreamReader& Xml, bool WithRange)
{
    ReadSettings(QvReadMap(Xml), WithRange);
}

void TQvAxis::WriteTo(QSettings& Ini, const QString& Section) const
{
    QvWriteMap(Ini, Section, QvWritePublished(this));
}

void TQvAxis::ReadFrom(QSettings& Ini, const QString& Section, bool WithRange)
{
    ReadSettings(QvReadMap(Ini, Section), WithRange);
}

void TQvAxis::ReadSettings(const QVariantMap& M, bool WithRange)
{
    QvCheckPublished(this, M);
    for (const char* K : {"Start", "Stop"}) {
        bool Ok = true;
        const auto It = M.constFind(QString::fromLatin1(K));
        if (It != M.cend() && (It->toDouble(&Ok), !Ok || !std::isfinite(It->toDouble())))
            throw EQvPersistenceError(std::string("Axis settings: ") + K + " is not a finite number");
    }
    QvAsOneUndoStep(GetUndoStack(), QStringLiteral("Axis settings read"), [&] {
        QvReadPublished(this, M, [](const QString& K) { return K == QLatin1String("Start") || K == QLatin1String("Stop"); });
        if (WithRange && M.contains(QStringLiteral("Start")) && M.contains(QStringLiteral("Stop"))) {
            const double A = M.value(QStringLiteral("Start")).toDouble();
            const double B = M.value(QStringLiteral("Stop")).toDouble();
            // In an order that never has start above stop on the way.
            if (A < Stop()) {
                SetStart(A);
                SetStop(B);
            } else {
                SetStop(B);
                SetStart(A);
            }
        }
    });
    Modified();
}

void TQvAxis::CaptionToScaleEnd(float CrossPixel)
{
    // The two ends as PlaceCaption reaches them with left (-1) and right (1) alignment.
    double First, Second;
    if (Horizontal()) {
        First = FScale.AxLeft;
        Second = FScale.AxLeft + FScale.AxLength;
    } else {
        First = FScale.Twisted ? FScale.AxTop : FScale.AxTop + FScale.AxLength;
        Second = FScale.Twisted ? FScale.AxTop + FScale.AxLength : FScale.AxTop;
    }
    FCaptionEnd = std::fabs(Second - CrossPixel) >= std::fabs(First - CrossPixel) ? 1 : -1;
    PlaceCaption();
    FCaptionEnd = 0;
}

void TQvAxis::RemoveFirstLabel()
{
    if (!FAxLabels.empty())
        FAxLabels.erase(FAxLabels.begin());
}

// ---- painting --------------------------------------------------------------------------------

// Whether a label can skip the caption drawing and still look the same: plain text in a font
// without draw effects, gradient or rendering hint of its own, centred on its anchor.
static bool FastLabel(const TQvAxisTextRec& R, const TQvFont* Font)
{
    const TQvGradientSettings* G = Font->Gradient();
    return R.Align == TQvContentAlignment::MiddleCenter && !HasMarkup(R.Text) && Font->DrawEffects() == 0
        && !(G && G->Visible()) && Font->RenderingHint() == TQvTextRenderingHint::SystemDefault;
}

static void DrawText(QPainter& Gr, const TQvAxisTextRec& R, const TQvFont* Font, TQvColor Color, const QObject* Ctx)
{
    if (!Font || !FastLabel(R, Font)) {
        QvDrawRichCaption(Gr, R.Text, Font, R.At, R.Align, R.Angle, Color, Ctx);
        return;
    }
    // Plain labels (nearly all of them) keep their layout between paints: the font and the
    // baseline the caption drawing would use (measured on this device, whose resolution the
    // metrics depend on), so both ways give the same pixels.
    const QPaintDevice* Dev = Gr.device();
    const int Dpi = Dev ? Dev->logicalDpiY() : 0;
    const QFont Base = Font->BaseFont();
    if (R.StaticText != R.Text || R.StaticFont != Base || R.StaticDpi != Dpi) {
        TQvRichCaptionRec Rec;
        Rec.Font = const_cast<TQvFont*>(Font);
        Rec.Owner = Ctx;
        Rec.SetCaption(R.Text);
        Rec.Measure(Dev);
        const QFont F = Rec.FFont;
        const QFontMetricsF M = Dev ? QFontMetricsF(F, Dev) : QFontMetricsF(F);
        R.StaticText = R.Text;
        R.StaticFont = Base;
        R.StaticDpi = Dpi;
        R.DrawFont = F;
        R.BoxCorner = QPointF(-Rec.FWidth / 2, -Rec.FHeight / 2);
        R.Baseline = QPointF(Rec.FRightAdj / 2, M.ascent());
    }
    const TQvColor C = Color ? Color : Font->FillColor();
    Gr.save();
    Gr.setPen(QPen(QBrush(QColor::fromRgba(C)), 0));
    Gr.setFont(R.DrawFont);
    // The same steps as the caption drawing: to the anchor, rotated, to the box corner.
    Gr.translate(QPointF(float(R.At.x()), float(R.At.y())));
    Gr.rotate(-R.Angle);
    Gr.translate(R.BoxCorner);
    Gr.drawText(R.Baseline, R.Text);
    Gr.restore();
}

void TQvAxis::PaintGr(QPainter& Gr)
{
    if (const TQvGraph2D* G = Graph(); G && G->LayoutRunning())
        return;
    if (FRecalculate && Graph() && !Graph()->Updating())
        Calculate();
    const bool Hor = Horizontal();
    const TQvAxisPosition P = Position();
    // Local frame: the graph translated the painter to the axis' top-left corner; along-axis
    // pixels are graph client coordinates.
    const double Off = Hor ? FBounds.left() : FBounds.top();
    const float Line = Hor ? FScale.AxTop : FScale.AxLeft;
    // Ticks point away from the data: down for Bottom, left for Left, up for Top, right for Right.
    const double Dir = (P == TQvAxisPosition::Bottom || P == TQvAxisPosition::Right ? 1.0 : -1.0)
                       * (FTicksPointToData ? -1.0 : 1.0);
    const double Edge = Line + Dir * FAxisThicknes / 2;

    QVector<QLineF> Minor;
    QVector<QLineF> Major;
    Minor.reserve(FTicks.size());
    Major.reserve(FTicks.size());
    for (int i = 0; i < FTicks.size(); ++i) {
        const bool M = FMajorTick[i];
        const double Len = M ? FMajorTickLength : FTickLength;
        const double At = Crisp(FTicks[i] - Off, M ? FMajorTickThicknes : FTickThicknes);
        QLineF L = Hor ? QLineF(At, Edge, At, Edge + Dir * Len) : QLineF(Edge, At, Edge + Dir * Len, At);
        (M ? Major : Minor).append(L);
    }
    const bool Smooth = Gr.testRenderHint(QPainter::Antialiasing);
    Gr.setRenderHint(QPainter::Antialiasing, false);
    if (!Minor.isEmpty() && FTickThicknes > 0) {
        QPen Pen(QColor::fromRgba(FTickColor), FTickThicknes, Qt::SolidLine, Qt::FlatCap);
        Gr.setPen(Pen);
        Gr.drawLines(Minor);
    }
    if (!Major.isEmpty() && FMajorTickThicknes > 0) {
        QPen Pen(QColor::fromRgba(FMajorTickColor), FMajorTickThicknes, Qt::SolidLine, Qt::FlatCap);
        Gr.setPen(Pen);
        Gr.drawLines(Major);
    }

    // The axis line over the scale, including the last pixel of the drawing area.
    if (FAxisThicknes > 0) {
        const double C = Crisp(Line, FAxisThicknes);
        const double S0 = (Hor ? FScale.AxLeft : FScale.AxTop) - Off;
        const double S1 = S0 + FScale.AxLength + 1;
        QPointF From = Hor ? QPointF(S0, C) : QPointF(C, S1);
        QPointF To = Hor ? QPointF(S1, C) : QPointF(C, S0);
        // The arrow sits at the far end: the stop end, or the start end when twisted.
        if (FScale.Twisted)
            std::swap(From, To);
        TQvPen Pen(FForeColor, FAxisThicknes);
        Pen.setCapStyle(Qt::FlatCap);
        if (FArrowPoint->Visible()) {
            TQvArrowCap Cap;
            Cap.PointLength = FArrowPoint->PointLength();
            Cap.InnerLength = FArrowPoint->InnerLength();
            Cap.PointHeight = FArrowPoint->PointHeight();
            // The line stops at the tip's base inset; the tip is filled in the line colour.
            const QPolygonF Tip = Cap.Polygon(From, To, FAxisThicknes);
            const QLineF Full(From, To);
            const double Inset = Cap.BaseInset() * std::max(1.0f, FAxisThicknes);
            QLineF Shaft = Full;
            if (Full.length() > Inset)
                Shaft.setLength(Full.length() - Inset);
            Gr.setPen(Pen);
            Gr.drawLine(Shaft);
            Gr.setRenderHint(QPainter::Antialiasing, true);
            Gr.setPen(Qt::NoPen);
            Gr.setBrush(QColor::fromRgba(FForeColor));
            Gr.drawPolygon(Tip);
            Gr.setBrush(Qt::NoBrush);
        } else {
            Gr.setPen(Pen);
            Gr.drawLine(From, To);
        }
    }
    Gr.setRenderHint(QPainter::Antialiasing, Smooth);

    if (FNumbersVisible && !FAxLabels.empty()) {
        for (const TQvAxisTextRec& L : FAxLabels)
            DrawText(Gr, L, FFont, NumbersColor(), this);
    }
    if (HasCaption())
        QvDrawRichCaption(Gr, FCaptionRec.Text, FCaptionFont, FCaptionRec.At, FCaptionRec.Align,
                          FCaptionRec.Angle, CaptionColor(), this);
    if (FNumbersVisible && HasExtraExponent())
        QvDrawRichCaption(Gr, FExtraExponentRec.Text, FFont, FExtraExponentRec.At, FExtraExponentRec.Align,
                          0, NumbersColor(), this);
}
