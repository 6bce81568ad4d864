#pragma once
// Conversion of series data to screen points and the thinning of those points.
//
// Dense data must cost no more than the drawing area is wide. Two rules decide which points are
// kept, both applied in one pass over the visible index window without allocating per point:
//
//  - with symbols shown, a point is dropped when it lies within 1 pixel of the last kept point
//    in both directions (it would draw the same symbol);
//  - with symbols hidden (line only), points within 1 pixel of the current anchor in both
//    directions are dropped (the last point of the data always stays), and a run that stays
//    within one pixel column while y keeps moving in one direction collapses onto its end.
//
// The kept points fix the drawn shape. QvColumnLines and QvColumnLinesF then draw that shape
// cheaply: consecutive kept points that share a pixel column draw, as a chained zig-zag, exactly
// the vertical span between their lowest and highest y, so each such run becomes one vertical
// line plus the connections to its neighbours. For aliased lines on whole pixels this is the
// same set of pixels; for antialiased lines it differs by less than a pixel.

#include "QvVectors.h"

#include <QLine>
#include <QLineF>

#include <algorithm>
#include <cmath>
#include <vector>

// Value -> pixel along one axis, captured once per point build so that the hot loop makes no
// calls: pixel = A + B * v (linear) or A + B * log10(v) (logarithmic; v <= 0 maps to NonPositive),
// clamped to [Lo, Hi] (the axis clamps offsets to +-100000 pixels).
struct TQvAxisMap
{
    double A = 0;
    double B = 1;
    bool Log = false;
    float NonPositive = 0;
    double Lo = -1e9;
    double Hi = 1e9;

    float Map(double v) const { return Log ? MapLog(v) : MapLinear(v); }
    float MapLinear(double v) const { return float(std::min(Hi, std::max(Lo, A + B * v))); }
    float MapLog(double v) const
    {
        if (!(v > 0))
            return NonPositive;
        return float(std::min(Hi, std::max(Lo, A + B * std::log10(v))));
    }

    // A map from two known points: value V0 at pixel P0, V1 at pixel P1 (log: V0, V1 > 0), with
    // the clamp window of +-100000 pixels around P0 and the pixel used for values <= 0.
    static TQvAxisMap FromTwoPoints(double V0, float P0, double V1, float P1, bool Log,
                                    float NonPositive);
};

// Inputs of one point build. X or Y may be null: the value is then the index itself (indexer).
struct TQvThinInput
{
    const double* X = nullptr;
    const double* Y = nullptr;
    int First = 0;   // first index to convert
    int Last = -1;   // last index to convert (inclusive)
    TQvAxisMap XMap;
    TQvAxisMap YMap;
    // Optional: indices without values (hidden outliers) are skipped. Null: every index has values.
    const std::vector<bool>* Skip = nullptr;
};

// Converts and thins the points of In.First..In.Last and appends them to Points / Index from
// slot Start on (their Count is at least the result afterwards; they grow with what is kept).
// Returns the new number of points. WithSymbols selects the symbol rule, else the line rule.
int QvThinPoints(const TQvThinInput& In, bool WithSymbols, TQvPointVector& Points,
                 TQvIntegerVector& Index, int Start);

// Largest index i in [0, Count) with x[i] < Value (so the point left of the window stays), or
// 0 when none. x must be ascending.
int QvFirstVisibleIndex(const double* X, int Count, double Value);
// Smallest index i with x[i] > Value (one point right of the window stays), or Count - 1.
int QvLastVisibleIndex(const double* X, int Count, double Value);

// Qt's raster code uses AVX and may return with the upper halves of the vector registers in
// use; plain SSE code then runs at half speed or worse on many processors (measured here: 12.6 ms
// instead of 5.9 ms for thinning a million points right after an image fill). The hot loops call
// this on entry; it costs next to nothing.
void ClearUpperVectorState();

// Nearest whole pixel of a screen coordinate (coordinates stay within +-1e6).
inline int QvRoundPixel(float v)
{
    return int(double(v) + 1048576.5) - 1048576;
}

// The pixel column of a screen coordinate, floor(v), without a library call (same range).
inline int QvPixelColumn(float v)
{
    return int(double(v) + 1048576.0) - 1048576;
}

// Aliased drawing on whole pixels: lines of the polyline through Points[0..N), with runs that
// share a pixel column merged into one vertical line (same pixels). Out is cleared first.
void QvColumnLines(const TQvFloatPoint* Points, int N, std::vector<QLine>& Out);
// The same for antialiased drawing with float coordinates; runs within one pixel column become
// one vertical line at the run's first x.
void QvColumnLinesF(const TQvFloatPoint* Points, int N, std::vector<QLineF>& Out);
