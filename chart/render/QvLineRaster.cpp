#include "QvLineRaster.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
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

// The image a painter draws into when it can be drawn into directly, with the clip in device
// pixels and the device scale; null otherwise.
QImage* DirectTarget(QPainter& Gr, const QPen& Pen, std::vector<QRect>& Clip, double& Scale, double& Dx, double& Dy)
{
    QPaintEngine* Engine = Gr.paintEngine();
    if (!Engine || Engine->type() != QPaintEngine::Raster || !Gr.testRenderHint(QPainter::Antialiasing))
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
    if (Gr.hasClipping())
        Region &= T.map(Gr.clipRegion());
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
