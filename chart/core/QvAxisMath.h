#pragma once
// The numeric heart of an axis, as plain functions over plain numbers: rounding of the range
// ends, the automatic choice of label and tick steps, label digits and the common exponent,
// tick and label generation, and the value <-> pixel transforms. TQvAxis keeps one TQvScale
// and runs these functions on it; tests run them without any widget.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <vector>

namespace QvAxisTypes {
Q_NAMESPACE

// The value order of these enumerations is stored; do not reorder.
enum class TQvAxisPosition { Bottom, Left, Top, Right };
Q_ENUM_NS(TQvAxisPosition)

enum class TQvAxisScaling { Normal, Log, LogEE, Seconds, DateTime, Rubrics };
Q_ENUM_NS(TQvAxisScaling)

enum class TQvAxisEnd { AutoRange, FirstSet, Fixed, MovingSlit };
Q_ENUM_NS(TQvAxisEnd)

enum class TQvAxisEndRounding {
    RndToMajorZoomToMinor,
    RndToMajorZoomToNothing,
    RndToMajor,
    RndToMinorZoomToNothing,
    RndToMinor,
    RndNothing
};
Q_ENUM_NS(TQvAxisEndRounding)

enum class TQvMajorGridMode { AtLabel, AtMajorTick };
Q_ENUM_NS(TQvMajorGridMode)

} // namespace QvAxisTypes

using QvAxisTypes::TQvAxisEnd;
using QvAxisTypes::TQvAxisEndRounding;
using QvAxisTypes::TQvAxisPosition;
using QvAxisTypes::TQvAxisScaling;
using QvAxisTypes::TQvMajorGridMode;

// ---- Decimal helpers -------------------------------------------------------------------------

// Exponent printed when X is written in scientific notation with 7 significant digits
// (9.9999999 gives 1); 0 for 0, infinities and NaN.
int QvExponent(double X);
// X / 10^E (X itself for E = 0).
double QvMantissa(int E, double X);
// 10^N; the largest double on overflow.
double QvPow10(int N);
// 10^X for real X; the largest double on overflow.
double QvPower10(double X);
// Rounds X up (down) to a multiple of Part x 10^E: Round(Mantissa / Part +- 0.499999) with
// half-to-even rounding. A Part of 0 returns X unchanged.
double QvRoundUp(int E, double Part, double X);
double QvRoundDown(int E, double Part, double X);
// Number of significant digits of |P| with trailing zeros dropped (0.5 -> 1, 0.25 -> 2).
int QvSigDigits(double P);

// The three rows of step choices: label, major and minor step as mantissas.
extern const double QvLabelParts[3];
extern const double QvMajorParts[3];
extern const double QvMinorParts[3];

// Valid range of date values (days since 1899-12-30) for DateTime scaling.
constexpr double QvMinDateTime = -693593.0;   // 0001-01-01
constexpr double QvMaxDateTime = 2958465.99999; // 9999-12-31 23:59:59

// ---- The scale of one axis -------------------------------------------------------------------

// Settings, context and state of one axis scale. The axis copies its properties in, the
// functions below fill in the state.
struct TQvScale
{
    // Settings (properties of the axis).
    TQvAxisScaling Scaling = TQvAxisScaling::Normal;
    TQvAxisPosition Position = TQvAxisPosition::Bottom;
    bool Twisted = false;
    TQvAxisEnd StartEnd = TQvAxisEnd::AutoRange;
    TQvAxisEnd StopEnd = TQvAxisEnd::AutoRange;
    TQvAxisEndRounding EndRounding = TQvAxisEndRounding::RndToMajorZoomToMinor;
    TQvMajorGridMode MajorGridMode = TQvMajorGridMode::AtLabel;
    bool AutoTickParts = true;
    bool NumbersVisible = true;
    double LogToNormalScalingLevel = 0;
    double LabelDistanceFactor = 1;
    int ExtraDigits = 0;
    double MaxForExtraExponent = 1000;
    double MinForExtraExponent = 0.001;
    double FontSize = 12;      // label font size, for the label extent estimate
    double RubricsAngle = 0;   // degrees
    QStringList Rubrics;       // category labels (Rubrics scaling)

    // Context supplied by the axis.
    bool Panning = false;      // the graph is panning: no rounding, no new steps
    bool Zoomed = false;       // the axis has zoom history
    double ValuesStart = std::numeric_limits<double>::max();
    double ValuesStop = -std::numeric_limits<double>::max();
    double Avail = 100;        // length of the axis control along the axis
    // Smallest positive value below Limit among the bound series' values (log start repair);
    // returns Limit when there is none. May be empty.
    std::function<double(double Limit)> SmallestPositiveBelow;
    // Rewrites a label text (OnGetScaleLabel). May be empty.
    std::function<QString(double Value, const QString& Text)> LabelHook;

    // State.
    double Start = 0;
    double Stop = 10;
    double LogStart = 0;
    double LogStop = 1;
    bool HasLogScaling = false;
    double LabelPart = 1;
    double MajorTickPart = 0.5;
    double TickPart = 0.1;
    int RangeExponent = 0;
    int MaxExponent = 0;
    int DisplayDigits = 0;
    bool AdditionalExponent = false;
    int SecondsLevel = 0;      // 0 s, 1 min, 2 h, 3 days
    double NormalizeConst = 0.1; // value units (decades for log scaling) per pixel
    float AxLeft = 0;
    float AxTop = 0;
    float AxLength = 100;

    bool Horizontal() const
    {
        return Position == TQvAxisPosition::Bottom || Position == TQvAxisPosition::Top;
    }
    bool IsLogType() const
    {
        return Scaling == TQvAxisScaling::Log || Scaling == TQvAxisScaling::LogEE;
    }
};

// One tick: its pixel along the axis (client coordinate of the graph), value and flags.
struct TQvTick
{
    float Pixel = 0;
    double Value = 0;
    bool Major = false;
    bool Grid = false;
};

// One label: value, text (rich caption markup) and the tick it belongs to.
struct TQvTickLabel
{
    double Value = 0;
    QString Text;
    int Tick = 0;
    float Pixel = 0;
};

struct TQvTickList
{
    std::vector<TQvTick> Ticks;
    std::vector<TQvTickLabel> Labels;
    // Common exponent text ("·10\+-4"), empty when the labels are not scaled.
    QString ExponentText;
    void Clear()
    {
        Ticks.clear();
        Labels.clear();
        ExponentText.clear();
    }
};

// Repairs and rounds a range (in/out) and chooses the steps; sets LogStart/LogStop,
// HasLogScaling, the step parts, RangeExponent and the label digits of Scale.
void QvRoundEnds(TQvScale& Scale, double& AStart, double& AStop);
// Rounds one end up or down to the major or minor step of Scale.
double QvRoundEnd(const TQvScale& Scale, double Value, bool Up, bool Major);
// True when QvRoundEnds rounds the ends with the current context (not panning, and the
// rounding mode rounds in the current zoom state).
bool QvEndsRounded(const TQvScale& Scale);

// Automatic step choice for a linear and a logarithmic scale over Start ... Stop.
void QvAutoLinearSteps(TQvScale& Scale, double Start, double Stop);
void QvAutoLogSteps(TQvScale& Scale, double Start, double Stop);
// Label digits of a linear scale: MaxExponent, DisplayDigits, AdditionalExponent.
void QvLabelDigits(TQvScale& Scale, double Start, double Stop);
// The label text of Value on Scale (before the label hook).
QString QvLabelText(const TQvScale& Scale, double Value);
// Estimated extent of a label text along the axis (used by the automatic step choice).
double QvEstimateLabelExtent(const TQvScale& Scale, const QString& Text);

// NormalizeConst from the range and AxLength (an AxLength <= 0 becomes 100).
void QvUpdateNormalize(TQvScale& Scale);
// Ticks and labels of Scale (calls QvUpdateNormalize first).
void QvCalculateTicks(TQvScale& Scale, TQvTickList& Out);

// Value -> pixel along the axis, clamped to +-100000 pixels from the base.
float QvNumberToWorld(const TQvScale& Scale, double Value);
// Pixel along the axis -> value.
double QvWorldToNumber(const TQvScale& Scale, double Pixel);

// Step sizes in value units (decades for log scaling) for scrolling.
double QvMajorIncrement(const TQvScale& Scale);
double QvMinorIncrement(const TQvScale& Scale);
