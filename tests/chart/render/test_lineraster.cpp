// Segments drawn straight into raster images: the same picture as Qt's own line drawing, every
// clip kept, and Qt's drawing wherever the target cannot be drawn into directly.
#include "QvLineRaster.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

// Short segments as a dense curve leaves them: vertical runs, horizontal connections, slanted
// steps between columns, a few points.
std::vector<QLineF> DenseSegments(int Count, double Width, double Height, unsigned Seed)
{
    std::mt19937 Rng(Seed);
    std::uniform_real_distribution<double> X(4, Width - 4), Y(4, Height - 4), Step(-2.5, 2.5);
    std::vector<QLineF> Lines;
    for (int I = 0; I < Count; ++I) {
        const QPointF P(X(Rng), Y(Rng));
        switch (I % 4) {
        case 0: Lines.emplace_back(P, P + QPointF(0, Step(Rng) * 3)); break;
        case 1: Lines.emplace_back(P, P + QPointF(Step(Rng), 0)); break;
        case 2: Lines.emplace_back(P, P + QPointF(Step(Rng), Step(Rng))); break;
        default: Lines.emplace_back(P, P + QPointF(1, Step(Rng) * 4)); break;
        }
    }
    return Lines;
}

QPen SquarePen(const QColor& Color, double Width)
{
    QPen Pen(Color, Width);
    Pen.setCapStyle(Qt::SquareCap);
    return Pen;
}

QImage Canvas(QSize Size, double Ratio, QImage::Format Format)
{
    QImage Image(Size * Ratio, Format);
    Image.setDevicePixelRatio(Ratio);
    Image.fill(Qt::white);
    return Image;
}

struct TDifference
{
    int Max = 0;          // largest difference of a channel
    double Mean = 0;      // mean difference over all channels of all pixels
    double InkA = 0, InkB = 0; // how far the pictures are from white, summed
};

TDifference Compare(const QImage& A, const QImage& B)
{
    TDifference D;
    long long Sum = 0;
    for (int Y = 0; Y < A.height(); ++Y)
        for (int X = 0; X < A.width(); ++X) {
            const QRgb Pa = A.pixel(X, Y), Pb = B.pixel(X, Y);
            for (int Shift : {0, 8, 16}) {
                const int Ca = (Pa >> Shift) & 0xff, Cb = (Pb >> Shift) & 0xff;
                D.Max = std::max(D.Max, std::abs(Ca - Cb));
                Sum += std::abs(Ca - Cb);
                D.InkA += 255 - Ca;
                D.InkB += 255 - Cb;
            }
        }
    D.Mean = double(Sum) / (3.0 * A.width() * A.height());
    return D;
}

int CountChanged(const QImage& Image, const QRect& Outside, bool Inside)
{
    int N = 0;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (Outside.contains(X, Y) == Inside && Image.pixel(X, Y) != qRgb(255, 255, 255))
                ++N;
    return N;
}

} // namespace

TEST(LineRaster, SamePictureAsQt)
{
    struct TCase
    {
        double Width, Ratio;
        QImage::Format Format;
        QColor Color;
    };
    const TCase Cases[] = {
        {2, 1, QImage::Format_ARGB32_Premultiplied, QColor(20, 40, 200)},
        {1.5, 1, QImage::Format_RGB32, QColor(200, 0, 0)},
        {1, 2, QImage::Format_RGB32, QColor(200, 0, 0)},
        {3.5, 1, QImage::Format_ARGB32_Premultiplied, QColor(0, 120, 0)},
        {2, 2, QImage::Format_ARGB32_Premultiplied, QColor(20, 40, 200)},
        {0.6, 1, QImage::Format_RGB32, QColor(0, 0, 0)},
        {2, 1, QImage::Format_ARGB32_Premultiplied, QColor(0, 0, 255, 110)},
    };
    for (const TCase& C : Cases) {
        const QSize Size(160, 120);
        const std::vector<QLineF> Lines = DenseSegments(600, Size.width(), Size.height(), 11);
        const QPen Pen = SquarePen(C.Color, C.Width);
        QImage Qt = Canvas(Size, C.Ratio, C.Format), Own = Canvas(Size, C.Ratio, C.Format);
        {
            QPainter P(&Qt);
            P.setRenderHint(QPainter::Antialiasing);
            P.setPen(Pen);
            P.drawLines(Lines.data(), int(Lines.size()));
        }
        int Direct = 0;
        {
            QPainter P(&Own);
            P.setRenderHint(QPainter::Antialiasing);
            P.setPen(Pen);
            Direct = QvDrawSegments(P, Pen, Lines.data(), int(Lines.size()));
        }
        // Up to a device pixel wide, Qt draws.
        EXPECT_EQ(Direct, C.Width * C.Ratio > 1 ? int(Lines.size()) : 0) << C.Width;
        const TDifference D = Compare(Qt, Own);
        SCOPED_TRACE(testing::Message() << "width " << C.Width << " ratio " << C.Ratio << " max " << D.Max
                                        << " mean " << D.Mean << " ink " << D.InkA << " / " << D.InkB);
        // The same amount of ink, placed alike: edge pixels differ by a few levels of 255
        // (measured: at most 18, 0.2-0.5 on average, ink within 0.3 %).
        EXPECT_NEAR(D.InkB / D.InkA, 1.0, 0.01);
        EXPECT_LT(D.Mean, 1.0);
        EXPECT_LE(D.Max, 32);
    }
}

TEST(LineRaster, AxisParallelSegmentsMatchClosely)
{
    // Horizontal and vertical rectangles have exact coverage: only Qt's own sub-pixel
    // quantisation separates the two pictures.
    std::vector<QLineF> Lines;
    for (int I = 0; I < 40; ++I) {
        const double X = 5 + I * 3.37, Y = 6 + I * 2.11;
        Lines.emplace_back(X, 10.25, X, 10.25 + I * 0.7);
        Lines.emplace_back(3.6, Y, 3.6 + I * 0.9, Y);
    }
    const QPen Pen = SquarePen(QColor(30, 30, 30), 2);
    QImage Qt = Canvas({150, 110}, 1, QImage::Format_ARGB32_Premultiplied), Own = Qt.copy();
    {
        QPainter P(&Qt);
        P.setRenderHint(QPainter::Antialiasing);
        P.setPen(Pen);
        P.drawLines(Lines.data(), int(Lines.size()));
    }
    {
        QPainter P(&Own);
        P.setRenderHint(QPainter::Antialiasing);
        QvDrawSegments(P, Pen, Lines.data(), int(Lines.size()));
    }
    const TDifference D = Compare(Qt, Own);
    EXPECT_LE(D.Max, 12) << D.Mean;
}

TEST(LineRaster, SegmentOfNoLengthIsASquare)
{
    // A square of the pen's width around the point (Qt's own line drawing makes it twice as
    // wide as high).
    for (double Ratio : {1.0, 2.0}) {
        QImage Image = Canvas({20, 20}, Ratio, QImage::Format_ARGB32_Premultiplied);
        QPainter P(&Image);
        P.setRenderHint(QPainter::Antialiasing);
        const QLineF Point(10, 10, 10, 10);
        EXPECT_EQ(QvDrawSegments(P, SquarePen(Qt::black, 2), &Point, 1), 1);
        P.end();
        const int Side = int(2 * Ratio);
        const QRect Square(int(9 * Ratio), int(9 * Ratio), Side, Side);
        EXPECT_EQ(CountChanged(Image, Square, false), 0) << Ratio;
        for (int Y = Square.top(); Y <= Square.bottom(); ++Y)
            for (int X = Square.left(); X <= Square.right(); ++X)
                EXPECT_EQ(Image.pixel(X, Y), qRgb(0, 0, 0)) << Ratio;
    }
}

TEST(LineRaster, KeepsEveryClip)
{
    const std::vector<QLineF> Lines = DenseSegments(2000, 200, 150, 3);
    const QPen Pen = SquarePen(Qt::black, 2);
    // The painter's clip: a rectangle, and a region of two rectangles, with a translated painter.
    const QRect Clip(30, 20, 90, 70);
    for (bool TwoRects : {false, true}) {
        QImage Image = Canvas({200, 150}, 1, QImage::Format_ARGB32_Premultiplied);
        QPainter P(&Image);
        P.setRenderHint(QPainter::Antialiasing);
        P.translate(10, -5);
        // In device pixels: Clip, and (160, 95) 20 x 20.
        const QRegion Region = TwoRects ? QRegion(Clip.translated(-10, 5)).united(QRect(150, 100, 20, 20))
                                        : QRegion(Clip.translated(-10, 5));
        P.setClipRegion(Region);
        P.translate(-10, 5);
        EXPECT_EQ(QvDrawSegments(P, Pen, Lines.data(), int(Lines.size())), int(Lines.size()));
        P.end();
        QRect Allowed = Clip;
        EXPECT_GT(CountChanged(Image, Allowed, true), 1000);
        if (TwoRects)
            EXPECT_EQ(CountChanged(Image, Allowed, false), CountChanged(Image.copy(160, 95, 20, 20), {}, false));
        else
            EXPECT_EQ(CountChanged(Image, Allowed, false), 0);
    }

    // The system clip of a partial widget repaint into an image, at an offset.
    struct TWidget : QWidget
    {
        std::vector<QLineF> Lines;
        void paintEvent(QPaintEvent*) override
        {
            QPainter P(this);
            P.setRenderHint(QPainter::Antialiasing);
            QvDrawSegments(P, SquarePen(Qt::black, 2), Lines.data(), int(Lines.size()));
        }
    } W;
    W.Lines = Lines;
    W.resize(200, 150);
    W.setAttribute(Qt::WA_NoSystemBackground);
    QImage Image = Canvas({260, 200}, 1, QImage::Format_ARGB32_Premultiplied);
    // The part (50, 40) 60 x 50 of the widget lands at (40, 30) of the image.
    W.render(&Image, QPoint(40, 30), QRegion(50, 40, 60, 50), QWidget::RenderFlags());
    EXPECT_GT(CountChanged(Image, QRect(40, 30, 60, 50), true), 500);
    EXPECT_EQ(CountChanged(Image, QRect(40, 30, 60, 50), false), 0);
    // The same pixels as Qt's lines.
    QImage Reference = Canvas({60, 50}, 1, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter P(&Reference);
        P.setRenderHint(QPainter::Antialiasing);
        P.setPen(SquarePen(Qt::black, 2));
        P.translate(-50, -40);
        P.drawLines(Lines.data(), int(Lines.size()));
    }
    EXPECT_LT(Compare(Image.copy(40, 30, 60, 50), Reference).Mean, 1.5);
}

TEST(LineRaster, FractionalClipRectangleIsRoundedInDevicePixels)
{
    // Qt rounds the corners of a clip rectangle in device pixels; on a scaled painter the
    // rectangle rounded in logical pixels loses or gains device rows and columns at its edges.
    const std::vector<QLineF> Lines = DenseSegments(3000, 120, 90, 9);
    const QPen Pen = SquarePen(Qt::black, 2);
    for (double Ratio : {2.0, 1.5}) {
        QImage Qt = Canvas({120, 90}, Ratio, QImage::Format_ARGB32_Premultiplied), Own = Qt.copy();
        for (QImage* Image : {&Qt, &Own}) {
            QPainter P(Image);
            P.setRenderHint(QPainter::Antialiasing);
            P.setPen(Pen);
            P.setClipRect(QRectF(10.4, 7.6, 80.3, 60.45));
            if (Image == &Qt)
                P.drawLines(Lines.data(), int(Lines.size()));
            else
                QvDrawSegments(P, Pen, Lines.data(), int(Lines.size()));
        }
        // Every row and column that Qt paints in is painted in, and no other.
        auto Painted = [](const QImage& Image, bool Rows) {
            std::vector<bool> Any(size_t(Rows ? Image.height() : Image.width()), false);
            for (int Y = 0; Y < Image.height(); ++Y)
                for (int X = 0; X < Image.width(); ++X)
                    if (Image.pixel(X, Y) != qRgb(255, 255, 255))
                        Any[size_t(Rows ? Y : X)] = true;
            return Any;
        };
        EXPECT_EQ(Painted(Own, true), Painted(Qt, true)) << Ratio;
        EXPECT_EQ(Painted(Own, false), Painted(Qt, false)) << Ratio;
    }
}

TEST(LineRaster, LeavesToQtWhatItCannotDrawDirectly)
{
    const std::vector<QLineF> Lines = DenseSegments(300, 120, 90, 5);
    const QPen Pen = SquarePen(Qt::darkRed, 2);
    auto Draw = [&](QPaintDevice& Device, auto Setup) {
        QPainter P(&Device);
        P.setRenderHint(QPainter::Antialiasing);
        P.setPen(Pen);
        Setup(P);
        return QvDrawSegments(P, Pen, Lines.data(), int(Lines.size()));
    };
    // A vector target records the lines.
    QPicture Picture;
    EXPECT_EQ(Draw(Picture, [](QPainter&) {}), 0);
    EXPECT_FALSE(Picture.boundingRect().isEmpty());
    // Rotated, aliased, another composition mode, another image format: Qt draws, and the
    // picture is what Qt draws.
    const std::function<void(QPainter&)> Setups[] = {
        [](QPainter& P) { P.rotate(3); },
        [](QPainter& P) { P.setRenderHint(QPainter::Antialiasing, false); },
        [](QPainter& P) { P.setCompositionMode(QPainter::CompositionMode_Multiply); },
        [](QPainter& P) { P.setOpacity(0.5); },
    };
    for (const auto& Setup : Setups) {
        QImage Own = Canvas({120, 90}, 1, QImage::Format_ARGB32_Premultiplied), Qt = Own.copy();
        EXPECT_EQ(Draw(Own, Setup), 0);
        {
            QPainter P(&Qt);
            P.setRenderHint(QPainter::Antialiasing);
            P.setPen(Pen);
            Setup(P);
            P.drawLines(Lines.data(), int(Lines.size()));
        }
        EXPECT_EQ(Own, Qt);
    }
    QImage Rgb888 = Canvas({120, 90}, 1, QImage::Format_RGB888);
    EXPECT_EQ(Draw(Rgb888, [](QPainter&) {}), 0);

    // A long slanted segment is left to Qt, the short ones are drawn directly.
    QImage Image = Canvas({120, 90}, 1, QImage::Format_ARGB32_Premultiplied);
    const QLineF Mixed[] = {QLineF(5, 5, 110, 80), QLineF(10, 50, 11, 52), QLineF(20, 20, 20, 40)};
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    EXPECT_EQ(QvDrawSegments(P, Pen, Mixed, 3), 2);
    P.end();
    EXPECT_NE(Image.pixel(57, 42), qRgb(255, 255, 255)); // on the long line
}

TEST(LineRaster, SegmentsWithoutPositionOrFarAway)
{
    const double Nan = std::nan("");
    const QLineF Lines[] = {QLineF(Nan, 5, 10, 5), QLineF(5, 5, 5, Nan), QLineF(INFINITY, 0, 0, 0),
                            QLineF(2, 2, -INFINITY, 2)};
    QImage Image = Canvas({40, 30}, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter P(&Image);
    P.setRenderHint(QPainter::Antialiasing);
    QvDrawSegments(P, SquarePen(Qt::black, 2), Lines, int(std::size(Lines)));
    EXPECT_EQ(CountChanged(Image, {}, false), 0);
    // Far beyond the image: Qt draws them, clipped.
    const QLineF Far[] = {QLineF(-1e12, 10, 1e12, 10), QLineF(3, -1e9, 3, 1e9), QLineF(-5e6, -5e6, -4e6, -4e6)};
    EXPECT_EQ(QvDrawSegments(P, SquarePen(Qt::black, 2), Far, 3), 0);
    P.end();
    EXPECT_NE(Image.pixel(20, 10), qRgb(255, 255, 255));
    EXPECT_NE(Image.pixel(3, 20), qRgb(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------
// Aliased wide lines drawn straight into the image: the pixels Qt's own aliased drawing sets.

namespace {

// The column lines of a noisy curve of Count points across Width pixels (vertical runs, steps
// between neighbouring columns), with some long slanted lines, lines leaving the image and
// points (lines of no length).
std::vector<QLine> AliasedLines(int Count, int Width, int Height, unsigned Seed)
{
    std::mt19937 Rng(Seed);
    std::normal_distribution<double> Noise(0, Height / 12.0);
    std::vector<QLine> Lines;
    QPoint Prev(2, Height / 2);
    for (int I = 0; I < Count; ++I) {
        const int X = 2 + int(double(I) * (Width - 4) / Count);
        const int Y = std::clamp(int(std::lround(Height / 2 + Noise(Rng))), -20, Height + 20);
        if (X == Prev.x())
            Lines.emplace_back(X, std::min(Y, Prev.y()), X, std::max(Y, Prev.y()));
        else
            Lines.emplace_back(Prev, QPoint(X, Y));
        Prev = QPoint(X, Y);
    }
    std::uniform_int_distribution<int> Px(-30, Width + 30), Py(-30, Height + 30);
    for (int I = 0; I < 40; ++I)
        Lines.emplace_back(Px(Rng), Py(Rng), Px(Rng), Py(Rng));
    Lines.emplace_back(10, 10, 10, 10);
    Lines.emplace_back(5, Height - 3, Width - 5, Height - 3);
    return Lines;
}

QPen FlatPen(const QColor& Color, double Width)
{
    QPen Pen(Color, Width);
    Pen.setCapStyle(Qt::FlatCap);
    Pen.setMiterLimit(0);
    return Pen;
}

int CountDiffering(const QImage& A, const QImage& B)
{
    int N = 0;
    for (int Y = 0; Y < A.height(); ++Y)
        for (int X = 0; X < A.width(); ++X)
            N += A.pixel(X, Y) != B.pixel(X, Y);
    return N;
}

} // namespace

TEST(AliasedLines, SamePixelsAsQt)
{
    struct TCase
    {
        double Width, Ratio;
        QImage::Format Format;
        int Clip;   // 0 none, 1 a rectangle with fractional edges, 2 a region of two rectangles
    };
    const TCase Cases[] = {
        {2, 1, QImage::Format_ARGB32_Premultiplied, 1}, {2, 1, QImage::Format_RGB32, 0},
        {2, 1, QImage::Format_ARGB32_Premultiplied, 2}, {3, 1, QImage::Format_ARGB32_Premultiplied, 1},
        {4, 1, QImage::Format_RGB32, 0},                {2, 2, QImage::Format_ARGB32_Premultiplied, 1},
        {1.5, 2, QImage::Format_ARGB32_Premultiplied, 0}, {5, 1, QImage::Format_ARGB32_Premultiplied, 0},
        {2, 1.5, QImage::Format_ARGB32_Premultiplied, 1}, {2, 1.25, QImage::Format_RGB32, 2},
        {1, 1, QImage::Format_ARGB32_Premultiplied, 1},
    };
    const QSize Size(300, 200);
    const std::vector<QLine> Lines = AliasedLines(6000, Size.width(), Size.height(), 17);
    for (const TCase& C : Cases) {
        const QPen Pen = FlatPen(QColor(20, 90, 200), C.Width);
        auto Setup = [&](QPainter& P) {
            P.setRenderHint(QPainter::Antialiasing, false);
            P.setPen(Pen);
            if (C.Clip == 1)
                P.setClipRect(QRectF(20.4, 15.6, 230.3, 150.5));
            else if (C.Clip == 2)
                P.setClipRegion(QRegion(10, 10, 100, 80).united(QRegion(150, 60, 120, 120)));
        };
        QImage Qt = Canvas(Size, C.Ratio, C.Format), Own = Qt.copy();
        {
            QPainter P(&Qt);
            Setup(P);
            P.drawLines(Lines.data(), int(Lines.size()));
        }
        int Direct = 0;
        {
            QPainter P(&Own);
            Setup(P);
            Direct = QvDrawAliasedLines(P, Pen, Lines.data(), int(Lines.size()));
        }
        SCOPED_TRACE(testing::Message() << "width " << C.Width << " ratio " << C.Ratio << " clip " << C.Clip);
        EXPECT_EQ(Direct, C.Width * C.Ratio > 1 ? int(Lines.size()) : 0);
        EXPECT_EQ(CountDiffering(Qt, Own), 0);
    }
}

TEST(AliasedLines, LeavesToQtWhatItCannotDrawDirectly)
{
    const std::vector<QLine> Lines = AliasedLines(400, 120, 90, 5);
    const QPen Pen = FlatPen(Qt::darkRed, 2);
    auto Draw = [&](QPaintDevice& Device, const QPen& With, auto Setup) {
        QPainter P(&Device);
        P.setPen(With);
        Setup(P);
        return QvDrawAliasedLines(P, With, Lines.data(), int(Lines.size()));
    };
    QPicture Picture;
    EXPECT_EQ(Draw(Picture, Pen, [](QPainter&) {}), 0);
    EXPECT_FALSE(Picture.boundingRect().isEmpty());

    QPen Translucent = FlatPen(QColor(0, 0, 255, 120), 2), Square = Pen, Dashed = Pen, Thin = FlatPen(Qt::black, 1);
    Square.setCapStyle(Qt::SquareCap);
    Dashed.setStyle(Qt::DashLine);
    const QPen Pens[] = {Translucent, Square, Dashed, Thin};
    const std::function<void(QPainter&)> Setups[] = {
        [](QPainter& P) { P.rotate(3); },
        [](QPainter& P) { P.setRenderHint(QPainter::Antialiasing); },
        [](QPainter& P) { P.setCompositionMode(QPainter::CompositionMode_Multiply); },
        [](QPainter& P) { P.setOpacity(0.5); },
    };
    auto Check = [&](const QPen& With, const std::function<void(QPainter&)>& Setup) {
        QImage Own = Canvas({120, 90}, 1, QImage::Format_ARGB32_Premultiplied), Qt = Own.copy();
        EXPECT_EQ(Draw(Own, With, Setup), 0);
        {
            QPainter P(&Qt);
            P.setPen(With);
            Setup(P);
            P.drawLines(Lines.data(), int(Lines.size()));
        }
        EXPECT_EQ(Own, Qt);
    };
    for (const auto& Setup : Setups)
        Check(Pen, Setup);
    for (const QPen& With : Pens)
        Check(With, [](QPainter&) {});
    QImage Rgb888 = Canvas({120, 90}, 1, QImage::Format_RGB888);
    EXPECT_EQ(Draw(Rgb888, Pen, [](QPainter&) {}), 0);
}

TEST(AliasedLines, FarAwayLinesAreCutAsQtCutsThem)
{
    const QLine Lines[] = {QLine(-2000000, 10, 2000000, 10), QLine(3, -1500000, 3, 1500000), QLine(30, 5, 30, 25),
                           QLine(-5000000, -5000000, -4000000, -4000000)};
    QImage Own = Canvas({40, 30}, 1, QImage::Format_ARGB32_Premultiplied), Qt = Own.copy();
    const QPen Pen = FlatPen(Qt::black, 2);
    {
        QPainter P(&Own);
        P.setClipRect(QRect(0, 0, 35, 20));
        EXPECT_EQ(QvDrawAliasedLines(P, Pen, Lines, int(std::size(Lines))), int(std::size(Lines)));
    }
    {
        QPainter P(&Qt);
        P.setClipRect(QRect(0, 0, 35, 20));
        P.setPen(Pen);
        P.drawLines(Lines, int(std::size(Lines)));
    }
    EXPECT_EQ(CountDiffering(Own, Qt), 0);
    EXPECT_NE(Own.pixel(20, 10), qRgb(255, 255, 255));
    EXPECT_EQ(Own.pixel(30, 22), qRgb(255, 255, 255));
}
