#include "QvAxisMath.h"

#include "QvFormat.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const double QvLabelParts[3] = {1.0, 0.5, 0.2};
const double QvMajorParts[3] = {0.5, 0.5, 0.1};
const double QvMinorParts[3] = {0.1, 0.1, 0.02};

namespace {

constexpr double kMaxDouble = std::numeric_limits<double>::max();
constexpr double kLogEps = 1e-9;
constexpr int kMaxTicks = 20000;

bool IsPowerOfTen(double V)
{
    if (!(V > 0))
        return false;
    const double L = std::log10(V);
    return std::fabs(L - std::nearbyint(L)) < kLogEps;
}

// K x 10^E computed so that decimal multiples come out as the nearest double (0.4e-4 rather
// than 0.4 * 1e-4).
double Scaled(double K, int E)
{
    if (E >= 0)
        return K * QvPow10(E);
    const double D = QvPow10(-E);
    return D >= kMaxDouble ? 0.0 : K / D;
}

double SafeLog10(double V)
{
    return V > 0 ? std::log10(V) : 0.0;
}

int DecadeOf(double V)
{
    return static_cast<int>(std::floor(std::log10(V) + kLogEps));
}

} // namespace

int QvExponent(double X)
{
    if (!std::isfinite(X))
        return 0;
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%.6e", X);
    const char* E = std::strchr(Buf, 'e');
    if (!E)
        return 0;
    return std::atoi(E + 1);
}

double QvMantissa(int E, double X)
{
    if (E == 0)
        return X;
    if (E < 0)
        return X * QvPow10(-E);
    return X / QvPow10(E);
}

double QvPow10(int N)
{
    if (N == 0)
        return 1.0;
    if (N > 308)
        return kMaxDouble;
    if (N < -330)
        return 0.0;
    const double R = std::pow(10.0, N);
    return std::isfinite(R) ? R : kMaxDouble;
}

double QvPower10(double X)
{
    if (X == 0)
        return 1.0;
    const double R = std::pow(10.0, X);
    return std::isfinite(R) ? R : kMaxDouble;
}

static double RoundToPart(int E, double Part, double X, double Shift)
{
    if (Part == 0)
        return X;
    const double K = std::nearbyint(QvMantissa(E, X) / Part + Shift);
    // K x Part is formed first so that multiples of 0.1 or 0.02 stay on the decimal grid.
    const double M = K * Part;
    const double Snapped = std::nearbyint(M * 1e9) / 1e9;
    return Scaled(std::fabs(M - Snapped) < 1e-12 * std::max(1.0, std::fabs(M)) ? Snapped : M, E);
}

double QvRoundUp(int E, double Part, double X)
{
    return RoundToPart(E, Part, X, 0.499999);
}

double QvRoundDown(int E, double Part, double X)
{
    return RoundToPart(E, Part, X, -0.499999);
}

int QvSigDigits(double P)
{
    P = std::fabs(P);
    if (!std::isfinite(P) || P == 0)
        return 0;
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%.15e", P);
    // Digits of the mantissa without the point, trailing zeros dropped.
    std::string Digits;
    for (const char* C = Buf; *C && *C != 'e'; ++C)
        if (*C >= '0' && *C <= '9')
            Digits += *C;
    while (Digits.size() > 1 && Digits.back() == '0')
        Digits.pop_back();
    // %.15e prints 16 significant digits; the 16th carries binary noise (0.1 -> 1000...0001).
    if (Digits.size() == 16) {
        Digits.pop_back();
        while (Digits.size() > 1 && Digits.back() == '0')
            Digits.pop_back();
    }
    return static_cast<int>(Digits.size());
}

// ---- Step choice -----------------------------------------------------------------------------

double QvEstimateLabelExtent(const TQvScale& Scale, const QString& Text)
{
    // Characters as shown: markup escapes ("\+", "\-", ...) take no room.
    int Chars = 0;
    for (int i = 0; i < Text.size(); ++i) {
        if (Text.at(i) == QLatin1Char('\\') && i + 1 < Text.size()) {
            ++i;
            continue;
        }
        ++Chars;
    }
    const double W = Chars * Scale.FontSize * 1.6;
    const double H = Scale.FontSize * 2.5;
    const double A = Scale.RubricsAngle * M_PI / 180.0;
    const double S = std::fabs(std::sin(A));
    const double C = std::fabs(std::cos(A));
    return Scale.Horizontal() ? W * C + H * S : W * S + H * C;
}

static QString HookedText(const TQvScale& Scale, double Value)
{
    QString Text = QvLabelText(Scale, Value);
    if (Scale.LabelHook)
        Text = Scale.LabelHook(Value, Text);
    return Text;
}

void QvLabelDigits(TQvScale& Scale, double Start, double Stop)
{
    int MaxExp;
    if (Start == 0)
        MaxExp = QvExponent(Stop);
    else if (Stop == 0)
        MaxExp = QvExponent(Start);
    else
        MaxExp = std::max(QvExponent(Start), QvExponent(Stop));
    Scale.MaxExponent = MaxExp;
    int Digits = MaxExp + QvSigDigits(Scale.LabelPart) - Scale.RangeExponent
                 - QvExponent(Scale.LabelPart) - 1;
    Scale.AdditionalExponent =
        (MaxExp > QvExponent(Scale.MaxForExtraExponent) && MaxExp >= Digits)
        || MaxExp < QvExponent(Scale.MinForExtraExponent);
    Digits = std::max(0, Digits + Scale.ExtraDigits);
    if (Scale.ExtraDigits > 0 && !Scale.AdditionalExponent && Scale.ExtraDigits + MaxExp >= Digits)
        Digits = Scale.ExtraDigits + MaxExp;
    Scale.DisplayDigits = Digits;
    if (Scale.TickPart < 0.00001)
        Scale.TickPart = 0.1;
    Scale.MajorTickPart = std::max(Scale.MajorTickPart, Scale.TickPart);
    Scale.LabelPart = std::max(Scale.LabelPart, Scale.TickPart);
    if (Scale.Scaling == TQvAxisScaling::Seconds) {
        const double Larger = std::max(std::fabs(Start), std::fabs(Stop));
        Scale.SecondsLevel = Larger >= 86400 ? 3 : Larger >= 3600 ? 2 : Larger >= 60 ? 1 : 0;
    }
}

void QvAutoLinearSteps(TQvScale& Scale, double Start, double Stop)
{
    const double Span = Stop - Start;
    Scale.RangeExponent = QvExponent(Span);
    const double M = QvMantissa(Scale.RangeExponent, Span);
    double Q = 10;
    int Row = 0;
    // From coarse to fine; the first step whose labels would fill the axis is taken. The
    // estimate is generous (70 pixels between labels), so this gives the densest labelling
    // that still reads well. A bounded number of rounds keeps absurd lengths finite.
    for (int Round = 0; Round < 40; ++Round) {
        Scale.LabelPart = QvLabelParts[Row] * Q;
        Scale.MajorTickPart = QvMajorParts[Row] * Q;
        Scale.TickPart = QvMinorParts[Row] * Q;
        QvLabelDigits(Scale, Start, Stop);
        const double L = std::max(QvEstimateLabelExtent(Scale, HookedText(Scale, Start)),
                                  QvEstimateLabelExtent(Scale, HookedText(Scale, Stop)));
        const double N = std::trunc(M / Scale.LabelPart + 0.5);
        const double Needed = (N + 1) * L + N * 70 * Scale.LabelDistanceFactor;
        if (Needed >= Scale.Avail)
            break;
        if (++Row == 3) {
            Row = 0;
            Q /= 10;
        }
    }
    Scale.LabelPart = QvLabelParts[Row] * Q;
    Scale.MajorTickPart = QvMajorParts[Row] * Q;
    Scale.TickPart = QvMinorParts[Row] * Q;
}

void QvAutoLogSteps(TQvScale& Scale, double Start, double Stop)
{
    const double Decades = std::nearbyint(SafeLog10(Stop) - SafeLog10(Start));
    Scale.RangeExponent = static_cast<int>(Decades);
    double Part = 1;
    const double H = 0.51 * std::max(QvEstimateLabelExtent(Scale, HookedText(Scale, QvPower10(std::round(SafeLog10(Start))))),
                                     QvEstimateLabelExtent(Scale, HookedText(Scale, QvPower10(std::round(SafeLog10(Stop))))));
    for (;;) {
        const double K = std::trunc(Decades / Part + 0.5);
        if (K <= 0 || (K + 1) * H + K * 30 * Scale.LabelDistanceFactor <= Scale.Avail)
            break;
        Part += 1;
    }
    if (Part >= 3) {
        Part = std::nearbyint(Part / 3) * 3;
        Scale.LabelPart = Part;
        Scale.MajorTickPart = Part;
        Scale.TickPart = Part / 3;
    } else {
        Scale.LabelPart = Part;
        Scale.MajorTickPart = 1;
        Scale.TickPart = 0.1;
    }
    Scale.TickPart = std::max(Scale.TickPart, 0.1);
}

// ---- Rounding of the ends --------------------------------------------------------------------

bool QvEndsRounded(const TQvScale& Scale)
{
    if (Scale.Panning)
        return false;
    switch (Scale.EndRounding) {
    case TQvAxisEndRounding::RndNothing:
        return false;
    case TQvAxisEndRounding::RndToMajorZoomToNothing:
    case TQvAxisEndRounding::RndToMinorZoomToNothing:
        return !Scale.Zoomed;
    default:
        return true;
    }
}

double QvRoundEnd(const TQvScale& Scale, double Value, bool Up, bool Major)
{
    const double Part = Major ? Scale.MajorTickPart : Scale.TickPart;
    if (Scale.HasLogScaling) {
        if (!(Value > 0) || !std::isfinite(Value))
            return Value;
        const double L = std::log10(Value);
        if (Scale.MajorTickPart > 1) {
            if (Up) {
                const double C = std::ceil(L - kLogEps);
                return QvPower10(std::ceil(C / 3) * 3);
            }
            const double F = std::floor(L + kLogEps);
            return QvPower10(std::floor(F / 3) * 3);
        }
        if (IsPowerOfTen(Value))
            return Value;
        if (Part == 1)
            return QvPower10(Up ? std::ceil(L) : std::floor(L));
        const int K = static_cast<int>(std::floor(L)) + 1;
        const double M = QvMantissa(K, Value);
        const double R = Up ? QvRoundUp(0, Part, M) : QvRoundDown(0, Part, M);
        if (R <= 0)
            return Scaled(1, K - 1);
        return Scaled(R, K);
    }
    // Linear scales (Normal, a log scaling drawn linear, Seconds, DateTime and Rubrics) round
    // on the step grid of the range exponent.
    return Up ? QvRoundUp(Scale.RangeExponent, Part, Value)
              : QvRoundDown(Scale.RangeExponent, Part, Value);
}

void QvRoundEnds(TQvScale& Scale, double& AStart, double& AStop)
{
    double Start = AStart;
    double Stop = AStop;
    const TQvAxisScaling Sc = Scale.Scaling;
    const bool LogType = Scale.IsLogType();

    // Infinite or NaN ends count as an empty range.
    if (!std::isfinite(Start) || !std::isfinite(Stop)) {
        Start = kMaxDouble;
        Stop = -kMaxDouble;
    }
    if (Sc == TQvAxisScaling::DateTime) {
        Start = std::clamp(Start, QvMinDateTime, QvMaxDateTime);
        Stop = std::clamp(Stop, QvMinDateTime, QvMaxDateTime);
        if (Start > Stop)
            std::swap(Start, Stop);
    } else if (Sc == TQvAxisScaling::Seconds || Sc == TQvAxisScaling::Rubrics) {
        if (Start < 0)
            Start = 0;
        if (Stop < 0)
            Stop = 1;
    }
    if (Sc != TQvAxisScaling::DateTime && Start > Stop) {
        Start = LogType ? 1 : 0;
        Stop = LogType ? 10 : 100;
    }
    if (Start == Stop) {
        if (Sc == TQvAxisScaling::DateTime) {
            Stop += 1.0 / 1440;
        } else {
            const double D = Stop != 0 ? QvPow10(QvExponent(Start)) : 1;
            if (Scale.StartEnd == TQvAxisEnd::AutoRange)
                Start -= D;
            if (Scale.StopEnd == TQvAxisEnd::AutoRange || Scale.StartEnd != TQvAxisEnd::AutoRange)
                Stop += D;
        }
    }
    if (LogType) {
        if (Start <= 0) {
            if (Scale.ValuesStart > 0 && Scale.ValuesStart < kMaxDouble)
                Start = Scale.ValuesStart;
            else
                Start = Scale.SmallestPositiveBelow ? Scale.SmallestPositiveBelow(Stop) : Stop;
            if (!(Start > 0))
                Start = 0.01;
        }
        if (Stop <= 0)
            Stop = 1;
        // No positive value below the stop: widen by one decade so that the scale stays finite.
        if (Start >= Stop)
            Start = Stop / 10;
        Scale.LogStart = std::log10(Start);
        Scale.LogStop = std::log10(Stop);
        Scale.HasLogScaling = Scale.LogToNormalScalingLevel == 0
                              || Scale.LogStop - Scale.LogStart > Scale.LogToNormalScalingLevel;
    } else {
        Scale.HasLogScaling = false;
    }

    if (!Scale.AutoTickParts || Scale.Panning) {
        Scale.RangeExponent = Scale.HasLogScaling
                                  ? static_cast<int>(std::nearbyint(Scale.LogStop - Scale.LogStart))
                                  : QvExponent(Stop - Start);
    } else if (Scale.HasLogScaling) {
        QvAutoLogSteps(Scale, Start, Stop);
    } else if (Sc == TQvAxisScaling::Rubrics) {
        Scale.LabelPart = Scale.MajorTickPart = Scale.TickPart = 1;
        Scale.RangeExponent = 0;
    } else {
        QvAutoLinearSteps(Scale, Start, Stop);
    }

    if (!Scale.Panning) {
        bool Round = true;
        bool Major = true;
        switch (Scale.EndRounding) {
        case TQvAxisEndRounding::RndToMajorZoomToMinor:
            Major = !Scale.Zoomed;
            break;
        case TQvAxisEndRounding::RndToMajorZoomToNothing:
            Round = !Scale.Zoomed;
            break;
        case TQvAxisEndRounding::RndToMajor:
            break;
        case TQvAxisEndRounding::RndToMinorZoomToNothing:
            Major = false;
            Round = !Scale.Zoomed;
            break;
        case TQvAxisEndRounding::RndToMinor:
            Major = false;
            break;
        case TQvAxisEndRounding::RndNothing:
            Round = false;
            break;
        }
        if (Round) {
            const double S = QvRoundEnd(Scale, Start, false, Major);
            const double E = QvRoundEnd(Scale, Stop, true, Major);
            // Rounding never collapses the range.
            if (std::isfinite(S) && std::isfinite(E) && S < E) {
                Start = S;
                Stop = E;
            }
        }
    }

    if (Scale.HasLogScaling) {
        Scale.LogStart = std::log10(Start);
        Scale.LogStop = std::log10(Stop);
        Scale.RangeExponent = static_cast<int>(std::nearbyint(Scale.LogStop - Scale.LogStart));
        Scale.TickPart = std::max(Scale.TickPart, 0.1);
        Scale.MajorTickPart = std::max(Scale.MajorTickPart, 1.0);
        Scale.LabelPart = std::max(Scale.LabelPart, Scale.TickPart);
    } else {
        if (LogType) {
            Scale.LogStart = SafeLog10(Start);
            Scale.LogStop = SafeLog10(Stop);
        }
        QvLabelDigits(Scale, Start, Stop);
    }
    AStart = Start;
    AStop = Stop;
}

// ---- Label texts -----------------------------------------------------------------------------

static QString LinearText(const TQvScale& Scale, double Value)
{
    if (Scale.AdditionalExponent)
        return QvFormatFixed(Value / QvPow10(Scale.MaxExponent), std::min(18, Scale.DisplayDigits));
    return QvFormatFixed(Value, std::clamp(Scale.DisplayDigits - Scale.MaxExponent, 0, 18));
}

static QString DateText(const TQvScale& Scale, double Value)
{
    const double Day = std::floor(Value);
    const QDate Date = QDate(1899, 12, 30).addDays(static_cast<qint64>(Day));
    const int Msecs = static_cast<int>(std::nearbyint((Value - Day) * 86400000.0));
    const QTime Time = QTime(0, 0).addMSecs(std::clamp(Msecs, 0, 86399999));
    const double Span = std::fabs(Scale.Stop - Scale.Start);
    if (Span >= 730)
        return Date.toString(QStringLiteral("yyyy"));
    if (Span >= 60)
        return Date.toString(QStringLiteral("MMM yy"));
    if (Span >= 2)
        return Date.toString(QStringLiteral("dd.MM.yy"));
    return Time.toString(Span < 1.0 / 96 ? QStringLiteral("hh:mm:ss") : QStringLiteral("hh:mm"));
}

QString QvLabelText(const TQvScale& Scale, double Value)
{
    switch (Scale.Scaling) {
    case TQvAxisScaling::Log:
        return Scale.HasLogScaling ? QvFormatGeneral(Value) : LinearText(Scale, Value);
    case TQvAxisScaling::LogEE: {
        if (!Scale.HasLogScaling)
            return LinearText(Scale, Value);
        if (!(Value > 0))
            return QvFormatGeneral(Value);
        const int R = static_cast<int>(std::nearbyint(std::log10(Value)));
        if (IsPowerOfTen(Value))
            return QStringLiteral("10\\+") + QString::number(R);
        const int D = DecadeOf(Value);
        return QvFormatGeneral(Value / QvPow10(D), 6) + QStringLiteral("·10\\+") + QString::number(D);
    }
    case TQvAxisScaling::DateTime:
        return DateText(Scale, Value);
    case TQvAxisScaling::Rubrics: {
        const double I = std::nearbyint(Value);
        if (I >= 0 && I < Scale.Rubrics.size())
            return Scale.Rubrics.at(static_cast<int>(I));
        return QString();
    }
    default:
        return LinearText(Scale, Value);
    }
}

// ---- Transforms ------------------------------------------------------------------------------

void QvUpdateNormalize(TQvScale& Scale)
{
    if (!(Scale.AxLength > 0))
        Scale.AxLength = 100;
    if (Scale.IsLogType() && Scale.Start > 0 && Scale.Stop > 0) {
        Scale.LogStart = std::log10(Scale.Start);
        Scale.LogStop = std::log10(Scale.Stop);
    }
    const double Span = Scale.HasLogScaling ? Scale.LogStop - Scale.LogStart : Scale.Stop - Scale.Start;
    Scale.NormalizeConst = Span / Scale.AxLength;
    if (Scale.NormalizeConst == 0 || !std::isfinite(Scale.NormalizeConst))
        Scale.NormalizeConst = 1.0 / Scale.AxLength;
}

static bool Reversed(const TQvScale& Scale)
{
    return Scale.Horizontal() == Scale.Twisted;
}

float QvNumberToWorld(const TQvScale& Scale, double Value)
{
    double O;
    if (Scale.HasLogScaling)
        O = Value > 0 ? (std::log10(Value) - Scale.LogStart) / Scale.NormalizeConst : -100.0;
    else
        O = (Value - Scale.Start) / Scale.NormalizeConst;
    const double Base = Scale.Horizontal() ? Scale.AxLeft : Scale.AxTop;
    const bool Rev = Reversed(Scale);
    if (!(O > -100000 && O < 100000)) {
        const double C = O > 0 ? 100000 : -100000; // NaN counts as below
        return static_cast<float>(Base + (Rev ? -C : C));
    }
    return static_cast<float>(Rev ? Base + (Scale.AxLength - O) : Base + O);
}

double QvWorldToNumber(const TQvScale& Scale, double Pixel)
{
    const double Base = Scale.Horizontal() ? Scale.AxLeft : Scale.AxTop;
    double O = Pixel - Base;
    if (Reversed(Scale))
        O = Scale.AxLength - O;
    if (Scale.HasLogScaling)
        return QvPower10(Scale.LogStart + O * Scale.NormalizeConst);
    return Scale.Start + O * Scale.NormalizeConst;
}

double QvMajorIncrement(const TQvScale& Scale)
{
    if (Scale.HasLogScaling)
        return Scale.MajorTickPart;
    return Scale.MajorTickPart * QvPow10(Scale.RangeExponent);
}

double QvMinorIncrement(const TQvScale& Scale)
{
    if (Scale.HasLogScaling)
        return 0.04;
    return Scale.TickPart * QvPow10(Scale.RangeExponent);
}

// ---- Ticks -----------------------------------------------------------------------------------

static void AddTick(const TQvScale& Scale, TQvTickList& Out, double V, bool Major, bool Label)
{
    TQvTick T;
    T.Value = V;
    T.Pixel = QvNumberToWorld(Scale, V);
    T.Major = Major;
    if (Label && Scale.NumbersVisible) {
        TQvTickLabel L;
        L.Value = V;
        L.Text = HookedText(Scale, V);
        L.Tick = static_cast<int>(Out.Ticks.size());
        L.Pixel = T.Pixel;
        Out.Labels.push_back(std::move(L));
        if (Scale.MajorGridMode == TQvMajorGridMode::AtLabel)
            T.Grid = true;
    }
    if (Major && Scale.MajorGridMode == TQvMajorGridMode::AtMajorTick)
        T.Grid = true;
    Out.Ticks.push_back(T);
}

static void LinearTicks(const TQvScale& Scale, TQvTickList& Out)
{
    const int E = Scale.RangeExponent;
    const double Tp = Scale.TickPart > 0 ? Scale.TickPart : 1;
    double First = Scale.Start;
    double Last = Scale.Stop;
    if (!QvEndsRounded(Scale)) {
        First = QvRoundUp(E, Tp, Scale.Start);
        Last = QvRoundDown(E, Tp, Scale.Stop);
    }
    if (!(Last >= First)) {
        First = Scale.Start;
        Last = Scale.Stop;
    }
    double N = std::nearbyint(QvMantissa(E, Last - First) / Tp + 1);
    if (!(N >= 2))
        N = 2;
    N = std::min<double>(N, kMaxTicks);
    const double Step = (Last - First) / (N - 1);
    const double Tol = 0.6 * std::fabs(Step);
    double NextMajor = QvRoundUp(E, Scale.MajorTickPart, Scale.Start);
    double NextLabel = QvRoundUp(E, Scale.LabelPart, Scale.Start);
    const int Count = static_cast<int>(N);
    for (int i = 0; i < Count; ++i) {
        double V = First + i * Step;
        if (std::fabs(V) < std::fabs(Step) * 1e-9)
            V = 0; // no "-0.0" from accumulated rounding
        bool Label = false;
        if (Scale.NumbersVisible && std::fabs(V - NextLabel) < Tol) {
            Label = true;
            NextLabel = QvRoundUp(E, Scale.LabelPart, V + Tol);
        }
        bool Major = false;
        if (std::fabs(V - NextMajor) < Tol) {
            Major = true;
            NextMajor = QvRoundUp(E, Scale.MajorTickPart, V + Step);
        }
        AddTick(Scale, Out, V, Major, Label);
    }
    if (Scale.NumbersVisible && Scale.AdditionalExponent)
        Out.ExponentText = QStringLiteral("·10\\+") + QString::number(Scale.MaxExponent);
}

static void LogTicks(const TQvScale& Scale, TQvTickList& Out)
{
    const double Start = Scale.Start;
    const double Stop = Scale.Stop;
    if (!(Start > 0) || !(Stop > 0) || !std::isfinite(Start) || !std::isfinite(Stop))
        return;
    const double StopTol = Stop * (1 + 1e-9);
    const int LabelEvery = std::max(1, static_cast<int>(std::nearbyint(Scale.LabelPart)));
    if (Scale.MajorTickPart <= 1.001) {
        // Multipliers of 10^r that carry a tick: 1 … 9, or the coarser steps of TickPart.
        std::vector<double> Mults{1};
        if (Scale.TickPart <= 0.1001) {
            for (int m = 2; m <= 9; ++m)
                Mults.push_back(m);
        } else {
            for (int j = 1; j < 100; ++j) {
                const double M = std::nearbyint(j * Scale.TickPart * 10 * 1e6) / 1e6;
                if (M >= 10)
                    break;
                if (M > 1)
                    Mults.push_back(M);
            }
        }
        int R = DecadeOf(Start);
        size_t Idx = 0;
        while (Idx < Mults.size() && Scaled(Mults[Idx], R) < Start * (1 - 1e-9))
            ++Idx;
        while (static_cast<int>(Out.Ticks.size()) < kMaxTicks) {
            if (Idx >= Mults.size()) {
                Idx = 0;
                ++R;
            }
            const double M = Mults[Idx];
            const double V = Scaled(M, R);
            if (V > StopTol || !std::isfinite(V))
                break;
            const bool Major = M == 1;
            bool Label;
            if (Major)
                Label = std::abs(R) % LabelEvery == 0;
            else
                Label = Scale.LabelPart <= 1
                        && static_cast<long long>(std::nearbyint(M / Scale.LabelPart)) % 10 == 0;
            AddTick(Scale, Out, V, Major, Label);
            ++Idx;
        }
        return;
    }
    const int TStep = std::max(1, static_cast<int>(std::nearbyint(Scale.TickPart)));
    const int MStep = std::max(1, static_cast<int>(std::nearbyint(Scale.MajorTickPart)));
    const int R0 = static_cast<int>(std::ceil(std::log10(Start) - kLogEps));
    const int R1 = static_cast<int>(std::floor(std::log10(Stop) + kLogEps));
    auto Mod = [](int A, int B) { return ((A % B) + B) % B; };
    for (int R = R0; R <= R1 && static_cast<int>(Out.Ticks.size()) < kMaxTicks; ++R) {
        if (Mod(R, TStep) != 0)
            continue;
        const bool Major = Mod(R, MStep) == 0;
        AddTick(Scale, Out, Scaled(1, R), Major, Major && std::abs(R) % LabelEvery == 0);
    }
}

static void RubricTicks(const TQvScale& Scale, TQvTickList& Out)
{
    const double First = std::ceil(Scale.Start - 1e-9);
    const double Last = std::floor(Scale.Stop + 1e-9);
    for (double V = First; V <= Last && static_cast<int>(Out.Ticks.size()) < kMaxTicks; V += 1)
        AddTick(Scale, Out, V, true, true);
}

void QvCalculateTicks(TQvScale& Scale, TQvTickList& Out)
{
    Out.Clear();
    QvUpdateNormalize(Scale);
    if (!Scale.AutoTickParts)
        Scale.RangeExponent = Scale.HasLogScaling
                                  ? static_cast<int>(std::nearbyint(Scale.LogStop - Scale.LogStart))
                                  : QvExponent(Scale.Stop - Scale.Start);
    if (!std::isfinite(Scale.Start) || !std::isfinite(Scale.Stop))
        return;
    if (Scale.Scaling == TQvAxisScaling::Rubrics)
        RubricTicks(Scale, Out);
    else if (Scale.HasLogScaling)
        LogTicks(Scale, Out);
    else
        LinearTicks(Scale, Out);
}
