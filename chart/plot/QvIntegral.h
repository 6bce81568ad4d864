#pragma once
// Calculated series: a series that does not draw its data points but a function y = f(x)
// calculated from them, sampled once per pixel column over a display range.
//
// TQvCalculation holds what a calculation reads (data, weights, the x range used, outlier
// visibility, value transformations). TQvFunctionSeries runs a calculation in the graph's update
// cycle, finds the ranges and samples the function. The interpolation family builds a piecewise
// cubic through the data with one of three methods and draws
//   TQvInterpolation  the curve,
//   TQvDifferential   its slope,
//   TQvIntegral       its running integral from the first knot.
//
// Methods:
//   Akima                slopes at the knots from weighted neighbouring secants (no overshoot at
//                        steps); ends by linear extrapolation of the secants;
//   CubicSpline          natural cubic spline (second derivative 0 at both ends);
//   ApproximativeSpline  smoothing spline: minimises
//                          sum(((y[i] - f(x[i])) / s[i])^2) + integral(f''^2)
//                        with s[i] = weight[i] * ElasticityFactor, the distance a knot allows the
//                        curve to keep from it. A small elasticity interpolates, a huge one gives
//                        the least-squares line.

#include "QvSeries.h"

#include <QPointF>
#include <QString>
#include <QVector>

#include <limits>
#include <stdexcept>
#include <vector>

// Error of a calculation; what() is the message shown to the user.
class EQvCalculationError : public std::runtime_error
{
public:
    explicit EQvCalculationError(const std::string& Msg) : std::runtime_error(Msg) {}
};

// What a calculation reads. Plain object; the series that runs it owns it.
class TQvCalculation
{
public:
    TQvCalculation() = default;
    virtual ~TQvCalculation() = default;

    double Start = -std::numeric_limits<double>::max();
    double Stop = std::numeric_limits<double>::max();
    TQvCustomDoubleVector* XData = nullptr;
    TQvCustomDoubleVector* YData = nullptr;
    TQvCustomDoubleVector* Weight = nullptr;
    bool OutliersVisible = false;
    TQvValueTransformation mXValueTransformation;
    TQvValueTransformation mYValueTransformation;
    TQvValueTransformation mWeightValueTransformation;
    // Passed to the transformations as their sender.
    TQvSeries* Sender = nullptr;

    double Xi(int Idx) const;
    double Yi(int Idx) const;
    // Absolute weight; 1 without weight vector.
    double Wi(int Idx) const;
    // False for an x value outside [Start, Stop]; else true when OutliersVisible, and false for
    // an outlier of x, y or weight data when outliers are hidden.
    bool IsValid(int Idx) const;

    virtual void Calculate() {}
};

enum class TQvInterpolationMethod { Akima = 0, CubicSpline = 1, ApproximativeSpline = 2 };

// A local extremum: x and the value of the function searched.
using TQvDoublePoints = QVector<QPointF>;

// The piecewise cubic through the knots: on [X[k], X[k+1]] the curve is
// A[k] + B[k] t + C[k] t^2 + D[k] t^3 with t = x - X[k].
class TQvInterpolationCalculation : public TQvCalculation
{
public:
    TQvInterpolationMethod Method = TQvInterpolationMethod::Akima;
    // Moving average of the knot values over SmoothRange points on each side before
    // interpolating (not for the approximative spline, which smooths by itself).
    bool DoSmoothing = false;
    int SmoothM = 2;
    double ElasticityFactor = 1.0;
    bool SearchExtrema = false;
    bool SearchDiffExtrema = false;
    bool SearchIntExtrema = false;

    // Builds the knots and coefficients. Errors: "No X vector defined for calculation",
    // "No Y vector defined for calculation".
    void Calculate() override;

    int IntCount() const { return FIntCount; }
    // Curve, slope, curvature and running integral (from the first knot) at x. Outside the knots
    // the end intervals' cubics are extended. 0 without at least two knots.
    double Value(double x) const;
    double Slope(double x) const;
    double Curvature(double x) const;
    double Integral(double x);

    const std::vector<double>& X() const { return FX; }
    const std::vector<double>& A() const { return FA; }
    const std::vector<double>& B() const { return FB; }
    const std::vector<double>& C() const { return FC; }
    const std::vector<double>& D() const { return FD; }

    const TQvDoublePoints& Minima() const { return FMinima; }
    const TQvDoublePoints& Maxima() const { return FMaxima; }
    const TQvDoublePoints& DiffMinima() const { return FDiffMinima; }
    const TQvDoublePoints& DiffMaxima() const { return FDiffMaxima; }
    const TQvDoublePoints& IntMinima() const { return FIntMinima; }
    const TQvDoublePoints& IntMaxima() const { return FIntMaxima; }

private:
    void CollectKnots();
    void Smooth();
    void CalcAkima();
    // Natural cubic spline (Sigma all 0) or smoothing spline (Sigma the knots' allowances).
    void CalcSpline(bool Approximate);
    void FindExtrema();
    int Interval(double x) const;
    double WholeInterval(int k) const;

    int FIntCount = 0;
    int FLastIntK = 0;
    double FLastIntKX = 0;
    double FLastIntSum = 0;
    std::vector<double> FX, FY, FA, FB, FC, FD, FSl, FW;
    TQvDoublePoints FMinima, FMaxima, FDiffMinima, FDiffMaxima, FIntMinima, FIntMaxima;
};

// A series drawing a function calculated from its data.
class TQvFunctionSeries : public TQvLineSeries
{
    Q_OBJECT
    Q_PROPERTY(bool AutoStart READ AutoStart WRITE SetAutoStart)
    Q_PROPERTY(bool AutoStop READ AutoStop WRITE SetAutoStop)
    Q_PROPERTY(bool DisplayAutoStart READ DisplayAutoStart WRITE SetDisplayAutoStart)
    Q_PROPERTY(bool DisplayAutoStop READ DisplayAutoStop WRITE SetDisplayAutoStop)
    Q_PROPERTY(bool CoupleCalculationAndDisplay READ CoupleCalculationAndDisplay WRITE SetCoupleCalculationAndDisplay)
    Q_PROPERTY(bool ClipYValues READ ClipYValues WRITE SetClipYValues)
    Q_PROPERTY(double CalculationStart READ CalculationStart WRITE SetCalculationStart)
    Q_PROPERTY(double CalculationStop READ CalculationStop WRITE SetCalculationStop)
    Q_PROPERTY(double DisplayStart READ DisplayStart WRITE SetDisplayStart)
    Q_PROPERTY(double DisplayStop READ DisplayStop WRITE SetDisplayStop)
    Q_PROPERTY(QObject* Weight READ WeightObject WRITE SetWeightObject)
public:
    explicit TQvFunctionSeries(QObject* AOwner = nullptr);
    ~TQvFunctionSeries() override;

    TQvCalculation* Calculation() const { return FCalculation; }

    bool AutoStart() const { return FAutoStart; }
    void SetAutoStart(bool Value);
    bool AutoStop() const { return FAutoStop; }
    void SetAutoStop(bool Value);
    bool DisplayAutoStart() const { return FDisplayAutoStart; }
    void SetDisplayAutoStart(bool Value);
    bool DisplayAutoStop() const { return FDisplayAutoStop; }
    void SetDisplayAutoStop(bool Value);
    bool CoupleCalculationAndDisplay() const { return FCoupleCalculationAndDisplay; }
    void SetCoupleCalculationAndDisplay(bool Value);
    bool ClipYValues() const { return FClipYValues; }
    void SetClipYValues(bool Value);
    double CalculationStart() const { return FCalcStart; }
    void SetCalculationStart(double Value);
    double CalculationStop() const { return FCalcStop; }
    void SetCalculationStop(double Value);
    double DisplayStart() const { return FDisplayStart; }
    void SetDisplayStart(double Value);
    double DisplayStop() const { return FDisplayStop; }
    void SetDisplayStop(double Value);
    TQvCustomDoubleVector* Weight() const { return FWeight; }
    void SetWeight(TQvCustomDoubleVector* Value);
    void SetWeightValueTransformation(TQvValueTransformation F);

    // The function value at x (a plain function series: the data's polyline).
    double GetY(double AtX) override;
    // True when the last calculation gave a function to draw.
    bool HasFunction() const { return FHasFunction; }

    int UsableCount() override;
    bool HasValuesAt(int Idx) const override;
    void Calculate() override;
    void CalculatePoints() override;
    void PaintGr(QPainter& Gr) override;
    void DrawSymbols(QPainter& Gr) override;

    // A change of the data restarts the calculation.
    void VectorPointsChanged(TQvCustomDoubleVector* Vector, int FromIndex) override;
    void VectorRangeReset(TQvCustomDoubleVector* Vector) override;
    void VectorCleared(TQvCustomDoubleVector* Vector, bool WithLinkedMarkers) override;
    void VectorDestroyed(TQvCustomDoubleVector* Vector) override;

    // Vectors or axes changed: the calculation is stale.
    void TestAllAssigned() override;

    // Marks the calculation stale and the ranges modified.
    void Recalculate();

signals:
    // An error of the calculation; without a connected handler the error is raised.
    void OnCalculationError(TQvSeries* Sender, const QString& Message);
    void OnCalculated(TQvSeries* Sender);

protected:
    // Fewest usable points that give a function.
    virtual int MinimumPoints() const { return 2; }
    // Runs the calculation (step 3); the interpolation series also checks its knots.
    virtual void RunCalculation();
    // Takes the calculation object (owned).
    void SetCalculation(TQvCalculation* C);

    QObject* WeightObject() const { return FWeight; }
    void SetWeightObject(QObject* Value) { SetWeight(qobject_cast<TQvCustomDoubleVector*>(Value)); }

    TQvCalculation* FCalculation = nullptr;
    TQvCustomDoubleVector* FWeight = nullptr;
    TQvValueTransformation mWeightValueTransformation;
    bool FAutoStart = true;
    bool FAutoStop = true;
    bool FDisplayAutoStart = true;
    bool FDisplayAutoStop = true;
    bool FCoupleCalculationAndDisplay = true;
    bool FClipYValues = true;
    double FCalcStart = -std::numeric_limits<double>::max();
    double FCalcStop = std::numeric_limits<double>::max();
    double FDisplayStart = -std::numeric_limits<double>::max();
    double FDisplayStop = std::numeric_limits<double>::max();
    bool FCalcStale = true;
    bool FHasFunction = false;
    int FLastAxisWidth = -1;

private:
    bool YAxisHasOtherPlainSeries() const;
    void ChangedCalc();
};

// The curve through the data.
class TQvInterpolation : public TQvFunctionSeries
{
    Q_OBJECT
    Q_PROPERTY(int InterpolationMethod READ InterpolationMethodInt WRITE SetInterpolationMethodInt)
    Q_PROPERTY(bool SmoothPoints READ SmoothPoints WRITE SetSmoothPoints)
    Q_PROPERTY(int SmoothingRange READ SmoothingRange WRITE SetSmoothingRange)
    Q_PROPERTY(double ElasticityFactor READ ElasticityFactor WRITE SetElasticityFactor)
    Q_PROPERTY(bool SearchExtrema READ SearchExtrema WRITE SetSearchExtrema)
    Q_PROPERTY(bool SearchDiffExtrema READ SearchDiffExtrema WRITE SetSearchDiffExtrema)
    Q_PROPERTY(bool SearchIntExtrema READ SearchIntExtrema WRITE SetSearchIntExtrema)
public:
    explicit TQvInterpolation(QObject* AOwner = nullptr);
    ~TQvInterpolation() override;

    TQvInterpolationCalculation* Interpolation() const { return FInterpolation; }

    TQvInterpolationMethod InterpolationMethod() const { return FInterpolationMethod; }
    void SetInterpolationMethod(TQvInterpolationMethod Value);
    bool SmoothPoints() const { return FDoSmoothing; }
    void SetSmoothPoints(bool Value);
    int SmoothingRange() const { return FSmoothM; }
    void SetSmoothingRange(int Value);
    double ElasticityFactor() const { return FElasticityFactor; }
    void SetElasticityFactor(double Value);
    bool SearchExtrema() const { return FSearchExtrema; }
    void SetSearchExtrema(bool Value);
    bool SearchDiffExtrema() const { return FSearchDiffExtrema; }
    void SetSearchDiffExtrema(bool Value);
    bool SearchIntExtrema() const { return FSearchIntExtrema; }
    void SetSearchIntExtrema(bool Value);

    // "Interpolation (Akima)", ...
    virtual QString FormulaCaption() const;
    double GetY(double AtX) override;

    // Local extrema of the function this series draws (filled when searched).
    virtual const TQvDoublePoints& Minima() const { return FInterpolation->Minima(); }
    virtual const TQvDoublePoints& Maxima() const { return FInterpolation->Maxima(); }

protected:
    int MinimumPoints() const override;
    void RunCalculation() override;
    static QString MethodName(TQvInterpolationMethod M);

    TQvInterpolationCalculation* FInterpolation = nullptr;
    TQvInterpolationMethod FInterpolationMethod = TQvInterpolationMethod::Akima;
    bool FDoSmoothing = false;
    int FSmoothM = 2;
    double FElasticityFactor = 1.0;
    bool FSearchExtrema = false;
    bool FSearchDiffExtrema = false;
    bool FSearchIntExtrema = false;

private:
    int InterpolationMethodInt() const { return int(FInterpolationMethod); }
    void SetInterpolationMethodInt(int Value) { SetInterpolationMethod(TQvInterpolationMethod(Value)); }
};

// The slope of the curve through the data.
class TQvDifferential : public TQvInterpolation
{
    Q_OBJECT
public:
    explicit TQvDifferential(QObject* AOwner = nullptr);
    QString FormulaCaption() const override;
    double GetY(double AtX) override;
    const TQvDoublePoints& Minima() const override { return FInterpolation->DiffMinima(); }
    const TQvDoublePoints& Maxima() const override { return FInterpolation->DiffMaxima(); }
};

// The running integral of the curve through the data, from its first knot.
class TQvIntegral : public TQvDifferential
{
    Q_OBJECT
public:
    explicit TQvIntegral(QObject* AOwner = nullptr);
    QString FormulaCaption() const override;
    double GetY(double AtX) override;
    const TQvDoublePoints& Minima() const override { return FInterpolation->IntMinima(); }
    const TQvDoublePoints& Maxima() const override { return FInterpolation->IntMaxima(); }
};
