#include "QvLineRaster.h"

#include "QvThinning.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// x * a / 255 on the four 8-bit channels at once, rounded as Qt's raster engine does.
inline quint32 ByteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = (t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080);
    x &= 0xff00ff00;
    return x | t;
}

// Length of the overlap of the pixel span [P, P + 1] with [Lo, Hi].
inline float Overlap(float P, float Lo, float Hi)
{
    return std::clamp(std::min(P + 1.0f, Hi) - std::max(P, Lo), 0.0f, 1.0f);
}

// Floor and ceiling of values well within the range of int (device coordinates here stay
// within +-1e7), without a library call.
inline int FastFloor(float V)
{
    const int I = int(V);
    return I - (float(I) > V);
}

inline int FastCeil(float V)
{
    const int I = int(V);
    return I + (float(I) < V);
}

// Coverage of a pixel centred at D from the middle of an interval of half length A: the length
// of the overlap of [D - 0.5, D + 0.5] with [-A, A].
inline float CentredOverlap(float D, float A)
{
    return std::clamp(std::min(D + 0.5f, A) - std::max(D - 0.5f, -A), 0.0f, 1.0f);
}

// Draws rectangles of one colour. A rectangle is given by its centre (Mx, My), the unit vector
// (Ux, Uy) along its length, its half length A and half width B, all in device pixels. A pixel's
// coverage is the product of the overlaps of the pixel's extent with the rectangle along both
// of the rectangle's axes: exact for rectangles parallel to the pixel grid.
class TSegmentRaster
{
public:
    TSegmentRaster(QImage& Image, quint32 Color, std::vector<QRect> Clip)
        : FBits(const_cast<uchar*>(Image.constBits())), FStride(Image.bytesPerLine()), FWidth(Image.width()),
          FColor(Color), FOpaqueFormat(Image.format() == QImage::Format_RGB32), FClip(std::move(Clip))
    {
    }

    // A rectangle parallel to the pixel grid with fractional edges [L, R] x [T, B].
    void Box(float L, float R, float T, float B)
    {
        for (const QRect& C : FClip) {
            const int X0 = std::max(FastFloor(L), C.left()), X1 = std::min(FastCeil(R) - 1, C.right());
            const int Y0 = std::max(FastFloor(T), C.top()), Y1 = std::min(FastCeil(B) - 1, C.bottom());
            if (X0 > X1 || Y0 > Y1)
                continue;
            // The columns' coverage, 0 beyond X1, the same for every row.
            const int Count = X1 - X0 + 1;
            const int Padded = (Count + 3) & ~3;
            if (Padded > int(FColumns.size()))
                FColumns.resize(size_t(Padded));
            for (int K = 0; K < Padded; ++K)
                FColumns[size_t(K)] = K < Count ? Overlap(float(X0 + K), L, R) * 255.0f : 0.0f;
            for (int Y = Y0; Y <= Y1; ++Y)
                BoxRow(Y, X0, Count, Overlap(float(Y), T, B));
        }
    }

    // A slanted rectangle centred at (Mx, My) with the unit vector (Ux, Uy) along its length,
    // half length A and half width B.
    void Rect(float Mx, float My, float Ux, float Uy, float A, float B)
    {
        // Pixel centres with coverage lie within A + 0.5 along and B + 0.5 across the centre.
        const float As = A + 0.5f, Bs = B + 0.5f;
        const float ReachY = std::abs(Uy) * As + std::abs(Ux) * Bs;
        // Pixel Y has its centre at Y + 0.5: the rows strictly within reach of the centre.
        const int Y0 = FastCeil(My - ReachY - 0.5f), Y1 = FastFloor(My + ReachY - 0.5f);
        // In a row at Dy from the centre, the centres within both bands lie within
        // Slope * Dy +- Half of Mx, for each band whose direction is not parallel to the rows.
        const bool Along = std::abs(Ux) > 1e-4f, Across = std::abs(Uy) > 1e-4f;
        const float Slope1 = Along ? -Uy / Ux : 0, Half1 = Along ? std::abs(As / Ux) : 0;
        const float Slope2 = Across ? Ux / Uy : 0, Half2 = Across ? std::abs(Bs / Uy) : 0;
        for (const QRect& C : FClip) {
            const int CY0 = std::max(Y0, C.top()), CY1 = std::min(Y1, C.bottom());
            for (int Y = CY0; Y <= CY1; ++Y) {
                const float Dy = float(Y) + 0.5f - My;
                float Lo = float(C.left()), Hi = float(C.right());
                if (Along) {
                    Lo = std::max(Lo, Mx - 0.5f + Slope1 * Dy - Half1);
                    Hi = std::min(Hi, Mx - 0.5f + Slope1 * Dy + Half1);
                }
                if (Across) {
                    Lo = std::max(Lo, Mx - 0.5f + Slope2 * Dy - Half2);
                    Hi = std::min(Hi, Mx - 0.5f + Slope2 * Dy + Half2);
                }
                if (Lo <= Hi)
                    Row(Y, FastCeil(Lo), FastFloor(Hi), Mx, Dy, Ux, Uy, A, B);
            }
        }
    }

private:
    quint32* Line(int Y) const { return reinterpret_cast<quint32*>(FBits + qsizetype(Y) * FStride); }

    // Count pixels of row Y from X0 on, with the columns' coverage times the row's.
    void BoxRow(int Y, int X0, int Count, float RowCoverage) const
    {
        quint32* P = Line(Y) + X0;
        int K = 0;
#if defined(__SSE2__)
        const __m128 Row = _mm_set1_ps(RowCoverage), Half = _mm_set1_ps(0.5f);
        for (; K < Count && X0 + K + 3 < FWidth; K += 4)
            Blend4(P + K, _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(&FColumns[size_t(K)]), Row), Half)));
#endif
        for (; K < Count; ++K)
            Blend(P + K, int(FColumns[size_t(K)] * RowCoverage + 0.5f));
    }

    // Pixels X0..X1 of row Y, Dy being the row's pixel centre minus My.
    void Row(int Y, int X0, int X1, float Mx, float Dy, float Ux, float Uy, float A, float B) const
    {
        quint32* P = Line(Y) + X0;
        int X = X0;
#if defined(__SSE2__)
        // Four pixels at a time while they lie within the image row; lanes beyond X1 get
        // coverage 0, which leaves a pixel exactly as it is.
        const __m128 Half = _mm_set1_ps(0.5f), One = _mm_set1_ps(1.0f), Zero4 = _mm_setzero_ps();
        const __m128 VUx = _mm_set1_ps(Ux), VUy = _mm_set1_ps(Uy);
        const __m128 VA = _mm_set1_ps(A), VB = _mm_set1_ps(B), NA = _mm_set1_ps(-A), NB = _mm_set1_ps(-B);
        const __m128 SRow = _mm_set1_ps(Dy * Uy), TRow = _mm_set1_ps(Dy * Ux);
        const __m128 Lanes = _mm_setr_ps(0.5f, 1.5f, 2.5f, 3.5f);
        const __m128 Scale = _mm_set1_ps(255.0f);
        for (; X <= X1 && X + 3 < FWidth; X += 4, P += 4) {
            const __m128 Dx = _mm_add_ps(_mm_set1_ps(float(X) - Mx), Lanes);
            const __m128 S = _mm_add_ps(_mm_mul_ps(Dx, VUx), SRow);
            const __m128 T = _mm_sub_ps(TRow, _mm_mul_ps(Dx, VUy));
            const __m128 CS = _mm_min_ps(One, _mm_max_ps(Zero4, _mm_sub_ps(_mm_min_ps(_mm_add_ps(S, Half), VA),
                                                                              _mm_max_ps(_mm_sub_ps(S, Half), NA))));
            const __m128 CT = _mm_min_ps(One, _mm_max_ps(Zero4, _mm_sub_ps(_mm_min_ps(_mm_add_ps(T, Half), VB),
                                                                              _mm_max_ps(_mm_sub_ps(T, Half), NB))));
            __m128i Cov = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_mul_ps(CS, CT), Scale), Half));
            const int Left = X1 - X;
            if (Left < 3)
                Cov = _mm_and_si128(Cov, _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(Left + 1)));
            Blend4(P, Cov);
        }
#endif
        for (; X <= X1; ++X, ++P) {
            const float Dx = float(X) + 0.5f - Mx;
            const float S = Dx * Ux + Dy * Uy;
            const float T = Dy * Ux - Dx * Uy;
            Blend(P, int(CentredOverlap(S, A) * CentredOverlap(T, B) * 255.0f + 0.5f));
        }
    }

#if defined(__SSE2__)
    // Four pixels with coverages 0..255 (a pixel with coverage 0 stays exactly as it is).
    void Blend4(quint32* P, __m128i Cov) const
    {
        const __m128i Zero = _mm_setzero_si128();
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(Cov, Zero)) == 0xffff)
            return;
        const __m128i Color16 = _mm_unpacklo_epi8(_mm_set1_epi32(int(FColor)), Zero);
        const __m128i Full = _mm_set1_epi16(255);
        const __m128i Cov16 = _mm_packs_epi32(Cov, Cov);        // c0 c1 c2 c3 c0 c1 c2 c3
        const __m128i Pairs = _mm_unpacklo_epi16(Cov16, Cov16); // c0 c0 c1 c1 c2 c2 c3 c3
        const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const __m128i Lo = BlendHalf(_mm_unpacklo_epi8(D, Zero), Color16, _mm_unpacklo_epi32(Pairs, Pairs), Full);
        const __m128i Hi = BlendHalf(_mm_unpackhi_epi8(D, Zero), Color16, _mm_unpackhi_epi32(Pairs, Pairs), Full);
        __m128i Out = _mm_packus_epi16(Lo, Hi);
        if (FOpaqueFormat)
            Out = _mm_or_si128(Out, _mm_set1_epi32(int(0xff000000u)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(P), Out);
    }

    // x * a / 255 on 16-bit lanes, rounded as ByteMul.
    static __m128i Mul255(__m128i X, __m128i A)
    {
        __m128i T = _mm_mullo_epi16(X, A);
        T = _mm_add_epi16(T, _mm_srli_epi16(T, 8));
        return _mm_srli_epi16(_mm_add_epi16(T, _mm_set1_epi16(0x80)), 8);
    }

    // Two pixels as 16-bit lanes: colour * coverage over the destination.
    static __m128i BlendHalf(__m128i D, __m128i Color, __m128i Coverage, __m128i Full)
    {
        const __m128i S = Mul255(Color, Coverage);
        const __m128i Alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(S, 0xff), 0xff);
        return _mm_add_epi16(S, Mul255(D, _mm_sub_epi16(Full, Alpha)));
    }
#endif

    // Source-over of the colour with coverage 0..255: s = colour * c, d = s + d * (1 - alpha(s)).
    void Blend(quint32* P, int Coverage) const
    {
        if (Coverage <= 0)
            return;
        const quint32 S = Coverage >= 255 ? FColor : ByteMul(FColor, quint32(Coverage));
        quint32 D = S + ByteMul(*P, 255 - qAlpha(S));
        if (FOpaqueFormat)
            D |= 0xff000000u;
        *P = D;
    }

    uchar* FBits;
    qsizetype FStride;
    int FWidth;
    quint32 FColor;
    bool FOpaqueFormat;
    std::vector<QRect> FClip;
    std::vector<float> FColumns;
};

// Aliased solid lines of one opaque colour, set pixel for pixel as Qt's raster engine sets
// them for a pen with flat caps: the same arithmetic in the same order (double
// coordinates, the line first cut to the rasterizer's clip rectangle widened by the pen, the
// corners of a slanted line snapped down to 1/64 pixel, the edges stepped row by row in 16.16
// fixed point with slopes truncated to 1/65536), so that the pixels are identical, edge pixels
// included. Overlapping lines of one opaque colour set a pixel to the same value whatever their
// order or grouping.
class TAliasedRaster
{
public:
    // Bounds: the rasterizer's clip rectangle (the device, cut to the bounding rectangle of the
    // clip); Clip: the clip itself as rectangles within it.
    TAliasedRaster(QImage& Image, quint32 Color, const QRect& Bounds, std::vector<QRect> Clip)
        : FBits(const_cast<uchar*>(Image.constBits())), FStride(Image.bytesPerLine()), FColor(Color),
          FBounds(Bounds), FClip(std::move(Clip))
    {
    }

    // The line A - B in device pixels, Width its thickness relative to its length.
    void Line(QPointF A, QPointF B, double Width)
    {
        if (A == B || !(Width > 0.0))
            return;
        QPointF Pa = A, Pb = B;
        const QPointF Offs = QPointF(std::abs(B.y() - A.y()), std::abs(B.x() - A.x())) * Width * 0.5;
        const QRectF Window(QPointF(FBounds.topLeft()) - Offs, QPointF(FBounds.bottomRight() + QPoint(1, 1)) + Offs);
        if (ClipLine(Pa, Pb, Window))
            return;
        {
            const QPointF D0 = A - B;
            const double W0 = D0.x() * D0.x() + D0.y() * D0.y();
            const QPointF D = Pa - Pb;
            const double W = D.x() * D.x() + D.y() * D.y();
            if (W == 0)
                return;
            Width *= std::sqrt(W0 / W);
        }
        if (Same26Dot6(Pa.y(), Pb.y())) {
            // Horizontal: drawn as the vertical line through its middle, as wide as it is long.
            const double X = (Pa.x() + Pb.x()) * 0.5f;
            const double Dx = std::abs(Pb.x() - Pa.x()) * 0.5f;
            const double Y = Pa.y();
            const double Dy = Width * Dx;
            Pa = QPointF(X, Y - Dy);
            Pb = QPointF(X, Y + Dy);
            Width = 1 / Width;
        }
        if (Same26Dot6(Pa.x(), Pb.x())) {
            if (Pa.y() > Pb.y())
                std::swap(Pa, Pb);
            const double Dy = Pb.y() - Pa.y();
            const double HalfWidth = 0.5f * Width * Dy;
            const double Lo = double(FBounds.left()), Hi = double(FBounds.right() + 1);
            const double Left = std::clamp(Pa.x() - HalfWidth, Lo, Hi);
            const double Right = std::clamp(Pa.x() + HalfWidth, Lo, Hi);
            Pa.ry() = std::clamp(Pa.y(), double(FBounds.top()), double(FBounds.bottom() + 1));
            Pb.ry() = std::clamp(Pb.y(), double(FBounds.top()), double(FBounds.bottom() + 1));
            if (Same26Dot6(Left, Right) || Same26Dot6(Pa.y(), Pb.y()))
                return;
            const int Top = int(Pa.y() + 0.5f);
            const int Bottom = Pb.y() < 0.5f ? -1 : int(Pb.y() - 0.5f);
            const int L = int(Left + 0.5f);
            const int R = Right < 0.5f ? -1 : int(Right - 0.5f);
            Rect(L, R, Top, Bottom);
            return;
        }
        Slanted(Pa, Pb, Width);
    }

private:
    static bool Same26Dot6(double P1, double P2) { return int((P2 - P1) * 64.) == 0; }
    static QPointF Snap(const QPointF& P)
    {
        return QPointF(std::floor(P.x() * 64) * (1 / 64.0), std::floor(P.y() * 64) * (1 / 64.0));
    }
    static double SafeDivide(double X, double Y)
    {
        if (Y == 0)
            return X > 0 ? 1e20 : -1e20;
        return X / Y;
    }
    static qint64 ToFixed(double X)
    {
        const double T = X * 65536.0;
        if (T > double(INT_MAX) * 65536.0)
            return qint64(INT_MAX) * 65536;
        if (T < double(INT_MIN) * 65536.0)
            return qint64(INT_MIN) * 65536;
        return qint64(T);
    }

    // Cuts the line to Window; true when nothing of it is left (or it has no position).
    static bool ClipLine(QPointF& P1, QPointF& P2, const QRectF& Window)
    {
        double &X1 = P1.rx(), &Y1 = P1.ry(), &X2 = P2.rx(), &Y2 = P2.ry();
        if (!std::isfinite(X1) || !std::isfinite(Y1) || !std::isfinite(X2) || !std::isfinite(Y2))
            return true;
        const double XMin = Window.left(), XMax = Window.right(), YMin = Window.top(), YMax = Window.bottom();
        if (X1 < XMin) {
            if (X2 <= XMin)
                return true;
            Y1 += (Y2 - Y1) / (X2 - X1) * (XMin - X1);
            X1 = XMin;
        } else if (X1 > XMax) {
            if (X2 >= XMax)
                return true;
            Y1 += (Y2 - Y1) / (X2 - X1) * (XMax - X1);
            X1 = XMax;
        }
        if (X2 < XMin) {
            Y2 += (Y2 - Y1) / (X2 - X1) * (XMin - X2);
            X2 = XMin;
        } else if (X2 > XMax) {
            Y2 += (Y2 - Y1) / (X2 - X1) * (XMax - X2);
            X2 = XMax;
        }
        if (Y1 < YMin) {
            if (Y2 <= YMin)
                return true;
            X1 += (X2 - X1) / (Y2 - Y1) * (YMin - Y1);
            Y1 = YMin;
        } else if (Y1 > YMax) {
            if (Y2 >= YMax)
                return true;
            X1 += (X2 - X1) / (Y2 - Y1) * (YMax - Y1);
            Y1 = YMax;
        }
        if (Y2 < YMin) {
            X2 += (X2 - X1) / (Y2 - Y1) * (YMin - Y2);
            Y2 = YMin;
        } else if (Y2 > YMax) {
            X2 += (X2 - X1) / (Y2 - Y1) * (YMax - Y2);
            Y2 = YMax;
        }
        return false;
    }

    // A slanted line: the quadrilateral with the corners Top, Left, Right, Bottom, scanned in
    // up to four stretches of rows, each between one left and one right edge.
    void Slanted(QPointF Pa, QPointF Pb, double Width)
    {
        if (Pa.y() > Pb.y())
            std::swap(Pa, Pb);
        QPointF Delta = Pb - Pa;
        Delta *= 0.5f * Width;
        const QPointF Perp(Delta.y(), -Delta.x());
        QPointF Top, Left, Right, Bottom;
        if (Pa.x() < Pb.x()) {
            Top = Pa + Perp;
            Left = Pa - Perp;
            Right = Pb + Perp;
            Bottom = Pb - Perp;
        } else {
            Top = Pa - Perp;
            Left = Pb - Perp;
            Right = Pa + Perp;
            Bottom = Pb + Perp;
        }
        Top = Snap(Top);
        Bottom = Snap(Bottom);
        Left = Snap(Left);
        Right = Snap(Right);
        const QPointF TopLeftEdge = Left - Top, TopRightEdge = Right - Top;
        const QPointF BottomLeftEdge = Bottom - Left, BottomRightEdge = Bottom - Right;
        const double TopLeftSlope = SafeDivide(TopLeftEdge.x(), TopLeftEdge.y());
        const double BottomLeftSlope = SafeDivide(BottomLeftEdge.x(), BottomLeftEdge.y());
        const double TopRightSlope = SafeDivide(TopRightEdge.x(), TopRightEdge.y());
        const double BottomRightSlope = SafeDivide(BottomRightEdge.x(), BottomRightEdge.y());
        const qint64 TopLeftStep = ToFixed(TopLeftSlope), TopRightStep = ToFixed(TopRightSlope);
        const qint64 BottomLeftStep = ToFixed(BottomLeftSlope), BottomRightStep = ToFixed(BottomRightSlope);

        const int ITop = int(Top.y() + 0.5f);
        int ILeft = Left.y() < 0.5f ? -1 : int(Left.y() - 0.5f);
        int IRight = Right.y() < 0.5f ? -1 : int(Right.y() - 0.5f);
        int IBottom = Bottom.y() < 0.5f ? -1 : int(Bottom.y() - 0.5f);
        int IMiddle = std::min(ILeft, IRight);

        qint64 LeftA = ToFixed(Top.x() + 0.5f + (ITop + 0.5f - Top.y()) * TopLeftSlope);
        qint64 LeftB = ToFixed(Left.x() + 0.5f + (ILeft + 1.5f - Left.y()) * BottomLeftSlope);
        qint64 RightA = ToFixed(Top.x() - 0.5f + (ITop + 0.5f - Top.y()) * TopRightSlope);
        qint64 RightB = ToFixed(Right.x() - 0.5f + (IRight + 1.5f - Right.y()) * BottomRightSlope);

        int Y = ITop;
        // Rows Y .. Next between the edges at Li and Ri (16.16, stepped by Ls and Rs); rows
        // above the bounds are stepped over.
        auto Segment = [&](int& Next, qint64& Li, qint64& Ri, qint64 Ls, qint64 Rs) {
            const int Ny = std::min(Next + 1, FBounds.top());
            if (Y < Ny) {
                Li += Ls * (Ny - Y);
                Ri += Rs * (Ny - Y);
                Y = Ny;
            }
            if (Next > FBounds.bottom())
                Next = FBounds.bottom();
            for (; Y <= Next; ++Y) {
                Span(int(Li >> 16), int(Ri >> 16), Y);
                Li += Ls;
                Ri += Rs;
            }
        };
        Segment(IMiddle, LeftA, RightA, TopLeftStep, TopRightStep);
        Segment(IRight, LeftB, RightA, BottomLeftStep, TopRightStep);
        Segment(ILeft, LeftA, RightB, TopLeftStep, BottomRightStep);
        Segment(IBottom, LeftB, RightB, BottomLeftStep, BottomRightStep);
    }

    // Pixels X0 .. X1 of rows Y0 .. Y1, within the bounds and the clip.
    void Rect(int X0, int X1, int Y0, int Y1) const
    {
        X0 = std::max(X0, FBounds.left());
        X1 = std::min(X1, FBounds.right());
        Y0 = std::max(Y0, FBounds.top());
        Y1 = std::min(Y1, FBounds.bottom());
        if (X0 > X1 || Y0 > Y1)
            return;
        for (const QRect& C : FClip) {
            const int L = std::max(X0, C.left()), R = std::min(X1, C.right());
            const int T = std::max(Y0, C.top()), B = std::min(Y1, C.bottom());
            if (L > R || T > B)
                continue;
            uchar* Row = FBits + qsizetype(T) * FStride + qsizetype(L) * 4;
            const int Count = R - L + 1;
            if (Count == 2) {
                // The usual vertical line of a 2-pixel pen: one 64-bit store per row.
                const quint64 Two = quint64(FColor) | (quint64(FColor) << 32);
                for (int Y = T; Y <= B; ++Y, Row += FStride)
                    std::memcpy(Row, &Two, 8);
            } else {
                for (int Y = T; Y <= B; ++Y, Row += FStride)
                    std::fill_n(reinterpret_cast<quint32*>(Row), Count, FColor);
            }
        }
    }

    // Pixels X0 .. X1 of row Y, within the bounds and the clip.
    void Span(int X0, int X1, int Y) const
    {
        X0 = std::max(X0, FBounds.left());
        X1 = std::min(X1, FBounds.right());
        if (X0 > X1 || Y < FBounds.top() || Y > FBounds.bottom())
            return;
        quint32* Row = reinterpret_cast<quint32*>(FBits + qsizetype(Y) * FStride);
        for (const QRect& C : FClip) {
            if (Y < C.top() || Y > C.bottom())
                continue;
            const int L = std::max(X0, C.left()), R = std::min(X1, C.right());
            if (L <= R)
                std::fill_n(Row + L, R - L + 1, FColor);
        }
    }

    uchar* FBits;
    qsizetype FStride;
    quint32 FColor;
    QRect FBounds;
    std::vector<QRect> FClip;
};

// The image a painter draws into when it can be drawn into directly, with the clip in device
// pixels and the device scale; null otherwise.
QImage* DirectTarget(QPainter& Gr, const QPen& Pen, std::vector<QRect>& Clip, double& Scale, double& Dx, double& Dy,
                     bool Antialiased = true)
{
    QPaintEngine* Engine = Gr.paintEngine();
    if (!Engine || Engine->type() != QPaintEngine::Raster || Gr.testRenderHint(QPainter::Antialiasing) != Antialiased)
        return nullptr;
    QPaintDevice* Device = Engine->paintDevice();
    if (!Device || Device->devType() != QInternal::Image)
        return nullptr;
    QImage* Image = static_cast<QImage*>(Device);
    if (Image->format() != QImage::Format_ARGB32_Premultiplied && Image->format() != QImage::Format_RGB32)
        return nullptr;
    if (Gr.compositionMode() != QPainter::CompositionMode_SourceOver || Gr.opacity() != 1.0)
        return nullptr;
    if (Pen.style() != Qt::SolidLine || Pen.brush().style() != Qt::SolidPattern || !Pen.brush().transform().isIdentity())
        return nullptr;
    const QTransform T = Gr.deviceTransform();
    if (T.type() > QTransform::TxScale || T.m11() <= 0 || T.m22() <= 0 || !qFuzzyCompare(T.m11(), T.m22()))
        return nullptr;
    Scale = T.m11();
    Dx = T.dx();
    Dy = T.dy();

    QRegion Region(Image->rect());
    const QRegion System = Engine->systemClip();
    if (!System.isEmpty())
        Region &= System;
    if (Gr.hasClipping()) {
        const QRegion Logical = Gr.clipRegion();
        const QRectF Rect = Gr.clipBoundingRect();
        const QRectF Whole(Logical.boundingRect());
        if (Logical.rectCount() == 1 && Whole.adjusted(-1, -1, 1, 1).contains(Rect)
            && Rect.adjusted(-1, -1, 1, 1).contains(Whole)) {
            // A rectangle (from setClipRect with fractional edges, say): the engine rounds its
            // corners in device pixels, not in logical ones as clipRegion() does.
            Region &= QRect::span(T.map(Rect.topLeft()).toPoint(), T.map(Rect.bottomRight()).toPoint())
                          .adjusted(0, 0, -1, -1);
        } else {
            Region &= T.map(Logical);
        }
    }
    if (Region.rectCount() > 32)
        return nullptr;
    Clip.assign(Region.begin(), Region.end());
    return Image;
}

} // namespace

int QvDrawSegments(QPainter& Gr, const QPen& Pen, const QLineF* Lines, int N)
{
    if (N <= 0)
        return 0;
    std::vector<QRect> Clip;
    double Scale = 1, Dx = 0, Dy = 0;
    QImage* Image = DirectTarget(Gr, Pen, Clip, Scale, Dx, Dy);
    if (!Image) {
        Gr.drawLines(Lines, N);
        return 0;
    }
    if (Clip.empty())
        return N;
    const quint32 Color = qPremultiply(Pen.color().rgba());
    const double Width = Pen.isCosmetic() ? (Pen.widthF() > 0 ? Pen.widthF() : 1.0) : Pen.widthF() * Scale;
    if (Width <= 1) {
        // Qt draws lines up to a pixel wide with a stroker of its own (fast, and with its own
        // antialiasing): those stay with Qt.
        Gr.drawLines(Lines, N);
        return 0;
    }
    const float H = float(Width / 2);
    TSegmentRaster Raster(*Image, Color, std::move(Clip));
    std::vector<QLineF> Rest;
    for (int I = 0; I < N; ++I) {
        const float X1 = float(Lines[I].x1() * Scale + Dx), Y1 = float(Lines[I].y1() * Scale + Dy);
        const float X2 = float(Lines[I].x2() * Scale + Dx), Y2 = float(Lines[I].y2() * Scale + Dy);
        // Segments without a position are not drawn; those reaching far beyond the image (screen
        // points stay within +-1e6 pixels) are left to Qt, whose clipping handles them.
        if (!std::isfinite(X1 + Y1 + X2 + Y2))
            continue;
        constexpr float Far = 1e7f;
        if (!(std::abs(X1) < Far && std::abs(Y1) < Far && std::abs(X2) < Far && std::abs(Y2) < Far)) {
            Rest.push_back(Lines[I]);
            continue;
        }
        if (X1 == X2 || Y1 == Y2) {
            // Parallel to the grid, square caps: the rectangle reaches half the width beyond both
            // ends.
            Raster.Box(std::min(X1, X2) - H, std::max(X1, X2) + H, std::min(Y1, Y2) - H, std::max(Y1, Y2) + H);
            continue;
        }
        const float Ex = X2 - X1, Ey = Y2 - Y1;
        const float Length = std::sqrt(Ex * Ex + Ey * Ey);
        const float A = Length / 2 + H;
        // Long slanted segments cover a small part of their bounding box: Qt's scan conversion
        // suits them better.
        if (A > 16 + 4 * H) {
            Rest.push_back(Lines[I]);
            continue;
        }
        Raster.Rect((X1 + X2) / 2, (Y1 + Y2) / 2, Ex / Length, Ey / Length, A, H);
    }
    if (!Rest.empty()) {
        QPen P = Pen;
        P.setCapStyle(Qt::SquareCap);
        Gr.save();
        Gr.setPen(P);
        Gr.drawLines(Rest.data(), int(Rest.size()));
        Gr.restore();
    }
    return N - int(Rest.size());
}

int QvDrawAliasedLines(QPainter& Gr, const QPen& Pen, const QLine* Lines, int N)
{
    if (N <= 0)
        return 0;
    std::vector<QRect> Clip;
    double Scale = 1, Dx = 0, Dy = 0;
    QImage* Image = Pen.capStyle() == Qt::FlatCap && Pen.color().alpha() == 255
                        ? DirectTarget(Gr, Pen, Clip, Scale, Dx, Dy, false)
                        : nullptr;
    // The pen's width in device pixels as the raster engine takes it: the larger of the two
    // scales for a pen that is not cosmetic.
    const QTransform T = Gr.deviceTransform();
    const double Width = Pen.isCosmetic() ? (Pen.widthF() == 0 ? 1.0 : Pen.widthF())
                                          : Pen.widthF() * std::max(std::abs(T.m11()), std::abs(T.m22()));
    // Lines up to a pixel wide Qt draws with a stroker of its own.
    if (!Image || Width <= 1) {
        Gr.drawLines(Lines, N);
        return 0;
    }
    if (Clip.empty())
        return N;
    QRect Bounds;
    for (const QRect& C : Clip)
        Bounds |= C;
    // The scalar double code below runs at a fraction of its speed while the vector registers'
    // upper halves are in use (left so by Qt's image fills, see ClearUpperVectorState).
    ClearUpperVectorState();
    // Opaque source-over: the pixel becomes the colour (with full alpha in either format).
    TAliasedRaster Raster(*Image, qPremultiply(Pen.color().rgba()), Bounds, std::move(Clip));
    // Device coordinates as QTransform::map computes them for a scale and a translation.
    const double M11 = T.m11(), M22 = T.m22(), TDx = T.dx(), TDy = T.dy();
    for (int I = 0; I < N; ++I) {
        const QLine& L = Lines[I];
        const QPointF A(M11 * L.x1() + TDx, M22 * L.y1() + TDy), B(M11 * L.x2() + TDx, M22 * L.y2() + TDy);
        // A line of no length draws nothing with a flat cap.
        if (A == B)
            continue;
        // The length as QLineF::length computes it (hypot, exact for lines along an axis).
        const double Ex = B.x() - A.x(), Ey = B.y() - A.y();
        const double Length = Ex == 0 ? std::abs(Ey) : Ey == 0 ? std::abs(Ex) : std::hypot(Ex, Ey);
        Raster.Line(A, B, Width / Length);
    }
    return N;
}
