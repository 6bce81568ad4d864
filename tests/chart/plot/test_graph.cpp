// Graph control: primary axes, layers, paint rules, export, undo.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvUndoStack.h"
#include "QvVectors.h"
#include "TestGraph.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

QImage Render(TQvGraph2D& g)
{
    QImage img(g.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    g.PaintGr(p);
    return img;
}

int CountColor(const QImage& img, QRgb c, const QRect& r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixel(x, y) == c;
    return n;
}

} // namespace

TEST(Graph, FirstPaintCreatesThePrimaryAxes)
{
    QObject owner;
    owner.setObjectName(QStringLiteral("Form"));
    auto* g = new TQvGraph2D();
    g->setParent(nullptr);
    g->setObjectName(QStringLiteral("Graph"));
    g->resize(400, 300);
    EXPECT_EQ(g->PrimaryXAxis(), nullptr);
    Render(*g);
    ASSERT_NE(g->PrimaryXAxis(), nullptr);
    ASSERT_NE(g->PrimaryYAxis(), nullptr);
    EXPECT_EQ(g->PrimaryXAxis()->objectName(), QStringLiteral("XAxis1"));
    EXPECT_EQ(g->PrimaryYAxis()->objectName(), QStringLiteral("YAxis1"));
    EXPECT_EQ(g->PrimaryXAxis()->Caption(), QStringLiteral("X-Axis"));
    EXPECT_EQ(g->PrimaryYAxis()->Caption(), QStringLiteral("Y-Axis"));
    EXPECT_EQ(g->PrimaryXAxis()->Position(), TQvAxisPosition::Bottom);
    EXPECT_EQ(g->PrimaryYAxis()->Position(), TQvAxisPosition::Left);
    EXPECT_EQ(g->AxisChildren().size(), 2);
    // The drawing area lies inside the client area and is not empty.
    const QRectF a = g->DrawingArea();
    EXPECT_GT(a.width(), 40);
    EXPECT_GT(a.height(), 40);
    EXPECT_GE(a.left(), 0);
    EXPECT_LE(a.left() + a.width(), 401);
    delete g;
}

TEST(Graph, NothingIsPaintedWithoutAPrimaryAxis)
{
    TQvGraph2D g;
    g.resize(200, 150);
    Render(g);   // creates the axes
    g.SetBackColor(0xFFFF0000);
    delete g.PrimaryYAxis();
    ASSERT_EQ(g.PrimaryYAxis(), nullptr);
    const QImage img = Render(g);
    EXPECT_EQ(CountColor(img, qRgba(0, 0, 0, 0), img.rect()), img.width() * img.height());
}

TEST(Graph, DataAreaFilledOnlyWhenItDiffersFromTheBackground)
{
    struct Case
    {
        quint32 Back, Area;
        bool Filled;
    } cases[] = {{0xFFFFFFFF, 0xFFFFFFFF, false}, {0xFFFFFFFF, 0x0000FF00, false}, {0xFFFFFFFF, 0xFF00FF00, true}};
    for (const Case& c : cases) {
        TQvGraph2D g;
        g.resize(300, 200);
        g.SetBackColor(c.Back);
        g.SetDataAreaColor(c.Area);
        const QImage img = Render(g);
        const QRectF a = g.DrawingArea();
        const QPoint mid = a.center().toPoint();
        const bool green = img.pixel(mid) == qRgb(0, 255, 0);
        EXPECT_EQ(green, c.Filled) << std::hex << c.Back << " " << c.Area;
    }
}

TEST(Graph, SortLayersKeepsEqualLayersInOrderAndRenumbers)
{
    TQvGraph2D g;
    g.resize(300, 200);
    Render(g);
    TQvDoubleVector ys;
    ys.Add(1);
    ys.Add(2);
    TQvPointSeries a, b, c, d;
    const int layers[] = {5, 2, 5, 1};
    TQvPointSeries* all[] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i) {
        all[i]->SetXAxis(g.PrimaryXAxis());
        all[i]->SetYAxis(g.PrimaryYAxis());
        all[i]->SetYData(&ys);
        all[i]->SetLayer(layers[i]);
    }
    ASSERT_EQ(g.RelatedSeries().size(), 4);
    g.SortLayers();
    const QList<TQvSeries*> expected{&d, &b, &a, &c};
    EXPECT_EQ(g.RelatedSeries(), expected);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(g.RelatedSeries()[i]->Layer(), i);
}

TEST(Graph, SeriesMovesWithItsYAxisToAnotherGraph)
{
    TQvGraph2D g1, g2;
    Render(g1);
    Render(g2);
    TQvDoubleVector ys;
    ys.Add(1);
    TQvPointSeries s;
    s.SetXAxis(g1.PrimaryXAxis());
    s.SetYAxis(g1.PrimaryYAxis());
    s.SetYData(&ys);
    EXPECT_TRUE(g1.HasSeries(&s));
    s.SetXAxis(g2.PrimaryXAxis());
    s.SetYAxis(g2.PrimaryYAxis());
    EXPECT_FALSE(g1.HasSeries(&s));
    EXPECT_TRUE(g2.HasSeries(&s));
    EXPECT_EQ(s.Graph(), &g2);
}

TEST(Graph, SeriesLineAndSymbolsArePainted)
{
    TQvGraph2D g;
    g.resize(400, 300);
    g.SetBackColor(0xFFFFFFFF);
    TQvDoubleVector xs, ys;
    for (int i = 0; i <= 10; ++i) {
        xs.Add(i);
        ys.Add(i * i);
    }
    Render(g);
    TQvPointSeries s;
    s.Line()->SetColor(0xFFFF0000);
    s.Line()->SetWidth(3);
    s.PointSymbol()->SetFillColor(0xFF0000FF);
    s.PointSymbol()->SetBorderColor(0xFF0000FF);
    s.SetXAxis(g.PrimaryXAxis());
    s.SetYAxis(g.PrimaryYAxis());
    s.SetXData(&xs);
    s.SetYData(&ys);
    const QImage img = Render(g);
    const QRect area = g.DrawingArea().toAlignedRect();
    EXPECT_GT(CountColor(img, qRgb(255, 0, 0), area), 100);
    EXPECT_GT(CountColor(img, qRgb(0, 0, 255), area.adjusted(-10, -10, 10, 10)), 11 * 30);
    // The symbol of the last point sits on the data's top-right corner.
    const QPoint last(int(std::lround(g.PrimaryXAxis()->NumberToWorld(10))),
                      int(std::lround(g.PrimaryYAxis()->NumberToWorld(100))));
    EXPECT_EQ(img.pixel(last), qRgb(0, 0, 255));
}

TEST(Graph, UndoRecordsPropertyChanges)
{
    TQvUndoStack stack;
    stack.SetEnabled(true);
    TQvGraph2D g;
    g.SetUndoStack(&stack);
    g.SetCaption(QStringLiteral("Title  "));
    EXPECT_EQ(g.Caption(), QStringLiteral("Title"));
    g.SetCaption(QStringLiteral("Title"));
    g.SetZeroOrigin(true);
    g.SetDataAreaColor(0xFF123456);
    ASSERT_EQ(stack.UndoCount(), 3);
    EXPECT_EQ(stack.UndoList().Get(0), QStringLiteral("Color of graph data area"));
    EXPECT_EQ(stack.UndoList().Get(1), QStringLiteral("Graph axes cross at (0,0)"));
    EXPECT_EQ(stack.UndoList().Get(2), QStringLiteral("Caption used in title of graph"));
    stack.Undo();
    EXPECT_EQ(g.DataAreaColor(), 0x00FFFFFFu);
}

TEST(Graph, ImageExportWritesValidFiles)
{
    TQvGraph2D g;
    g.resize(320, 240);
    g.SetBackColor(0xFFFFFFFF);
    TQvDoubleVector ys;
    for (int i = 0; i < 50; ++i)
        ys.Add(std::sin(i / 5.0));
    Render(g);
    TQvPointSeries s;
    s.SetXAxis(g.PrimaryXAxis());
    s.SetYAxis(g.PrimaryYAxis());
    s.SetYData(&ys);

    QTemporaryDir dir;
    struct Case
    {
        TQvImageFormat Format;
        const char* Ext;
        const char* Reader;   // image format expected back, or null for vector formats
        const char* Magic;
    } cases[] = {{TQvImageFormat::PNG, "png", "png", "\x89PNG"},
                 {TQvImageFormat::BMP, "bmp", "bmp", "BM"},
                 {TQvImageFormat::JPEG, "jpg", "jpeg", "\xFF\xD8"},
                 {TQvImageFormat::SVG, "svg", nullptr, "<?xml"},
                 {TQvImageFormat::PDF, "pdf", nullptr, "%PDF"}};
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("graph.") + QString::fromLatin1(c.Ext));
        ASSERT_TRUE(g.SaveImage(path, c.Format)) << c.Ext;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(8);
        EXPECT_TRUE(head.startsWith(c.Magic)) << c.Ext;
        f.close();
        if (c.Reader) {
            QImageReader r(path);
            EXPECT_EQ(r.format(), QByteArray(c.Reader));
            const QImage back = r.read();
            EXPECT_EQ(back.size(), QSize(320, 240)) << c.Ext;
        } else if (c.Format == TQvImageFormat::SVG) {
            f.open(QIODevice::ReadOnly);
            EXPECT_TRUE(f.readAll().contains("<svg"));
        }
    }
}

// The vector export paints in metafile mode (positions unrounded), and only while it runs.
TEST(Graph, MetafileIsSvgPaintedInMetafileMode)
{
    TQvGraph2D g;
    g.resize(320, 240);
    g.SetCaption(QStringLiteral("Step 7"));
    TQvDoubleVector ys;
    for (int i = 0; i < 20; ++i)
        ys.Add(i % 3);
    Render(g);
    TQvPointSeries s;
    s.SetXAxis(g.PrimaryXAxis());
    s.SetYAxis(g.PrimaryYAxis());
    s.SetYData(&ys);
    int inMetafile = 0, outside = 0;
    QObject::connect(&s, &TQvSeries::OnGetPen, [&](TQvSeries*, TQvSegmentArgs&, QPen&) {
        ++(g.DoingMetafile() ? inMetafile : outside);
    });
    Render(g);
    EXPECT_GT(outside, 0);
    EXPECT_EQ(inMetafile, 0);
    const QByteArray svg = g.AsTMetafile();
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("Step 7"));
    EXPECT_GT(inMetafile, 0);
    EXPECT_FALSE(g.DoingMetafile());
}

TEST(Graph, ImagesRenderAtTheRequestedPixelRatio)
{
    TQvGraph2D g;
    g.resize(200, 100);
    const QImage img = g.AsImage(2.0);
    EXPECT_EQ(img.size(), QSize(400, 200));
    EXPECT_DOUBLE_EQ(img.devicePixelRatio(), 2.0);
}

TEST(Graph, UpdateCountingDefersLayout)
{
    TQvGraph2D g;
    Render(g);
    g.BeginUpdate();
    g.BeginUpdate();
    g.Modified();
    EXPECT_TRUE(g.Updating());
    g.Calculate();
    EXPECT_TRUE(g.NeedsRecalculate());   // skipped while updating
    g.EndUpdate();
    g.EndUpdate();
    EXPECT_FALSE(g.Updating());
    g.Calculate();
    EXPECT_FALSE(g.NeedsRecalculate());
}

// A graph with a transparent background shows its parent behind it; an opaque one does not.
TEST(Graph, TransparentBackgroundShowsTheParent)
{
    QWidget parent;
    parent.resize(300, 200);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 0));
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    auto* g = new TQvGraph2D(&parent);
    g->setGeometry(0, 0, 300, 200);
    g->SetBackColor(0x00FFFFFF);      // transparent
    g->SetDataAreaColor(0x00FFFFFF);
    QImage shot = parent.grab().toImage();
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(0, 128, 0));
    g->SetBackColor(0xFFFFFFFF);      // opaque white
    shot = parent.grab().toImage();
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(255, 255, 255));
}

// Labels are laid out in the axis font on the paint that first shows them, whatever the
// application's font: a second paint of the same state draws the same pixels.
TEST(Graph, NewLabelsAreInPlaceOnTheirFirstPaint)
{
    const QFont appFont = QApplication::font();
    QFont big = appFont;
    big.setPixelSize(31);
    QApplication::setFont(big);
    TQvGraph2D g;
    g.resize(500, 300);
    g.SetBackColor(0xFFFFFFFF);
    TQvDoubleVector ys;
    for (int i = 0; i < 100; ++i)
        ys.Add(i * 0.37);
    Render(g);
    TQvPointSeries s;
    s.SetXAxis(g.PrimaryXAxis());
    s.SetYAxis(g.PrimaryYAxis());
    s.SetYData(&ys);
    Render(g);
    g.PrimaryXAxis()->ZoomIn(12.5, 31.25);
    g.PrimaryYAxis()->ZoomIn(3.3, 9.1);
    const QImage first = Render(g);
    const QImage second = Render(g);
    QApplication::setFont(appFont);
    EXPECT_TRUE(first == second);
}

// Every smoothing mode, through the render hints the graph sets and through the pixels of a
// diagonal line: None and HighSpeed draw aliased (only the line colour and the background inside
// the drawing area), AntiAlias and HighQuality blend the edges.
TEST(Graph, SmoothingModesAntialiasOnlyWhereTheyShould)
{
    struct Case { TQvSmoothingMode Mode; bool Antialiased; };
    const Case Cases[] = {{TQvSmoothingMode::None, false}, {TQvSmoothingMode::HighSpeed, false},
                          {TQvSmoothingMode::AntiAlias, true}, {TQvSmoothingMode::HighQuality, true}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(int(C.Mode));
        QWidget Owner;
        auto* g = new TQvGraph2D(&Owner);
        g->resize(300, 200);
        TQvAxis *x, *y;
        AddPrimaryAxes(*g, x, y);
        TQvDoubleVector xs, ys;
        xs.AddRange({0.0L, 10.0L});
        ys.AddRange({0.0L, 3.0L});
        TQvLineSeries s;
        s.Line()->SetColor(0xFFFF0000);
        s.SetXAxis(x);
        s.SetYAxis(y);
        s.SetXData(&xs);
        s.SetYData(&ys);
        g->SetSmoothingMode(C.Mode);

        QImage probe(4, 4, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&probe);
        p.setRenderHint(QPainter::Antialiasing, !C.Antialiased);
        g->SetHighQuality(p, true);
        EXPECT_EQ(p.testRenderHint(QPainter::Antialiasing), C.Antialiased);
        g->SetHighQuality(p, false);
        EXPECT_FALSE(p.testRenderHint(QPainter::Antialiasing));
        p.end();

        QImage img(g->size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        {
            QPainter gp(&img);
            g->PaintGr(gp);
        }
        const QRect inner = g->DrawingArea().toRect().adjusted(3, 3, -3, -3);
        int red = 0, blended = 0;
        for (int py = inner.top(); py <= inner.bottom(); ++py)
            for (int px = inner.left(); px <= inner.right(); ++px) {
                const QRgb c = img.pixel(px, py);
                if (c == qRgb(255, 0, 0))
                    ++red;
                else if (c != qRgb(255, 255, 255))
                    ++blended;
            }
        EXPECT_GT(red + blended, 100);
        if (C.Antialiased)
            EXPECT_GT(blended, 20);
        else
            EXPECT_EQ(blended, 0);
        s.SetYAxis(nullptr);
    }
}

// Contains answers for the graph's own children only.
TEST(Graph, ContainsItsOwnComponentsOnly)
{
    QWidget Owner;
    auto* g = new TQvGraph2D(&Owner);
    auto* other = new TQvGraph2D(&Owner);
    TQvAxis *x, *y;
    AddPrimaryAxes(*g, x, y);
    auto* foreign = new TQvAxis(other);
    TQvLineSeries free;
    EXPECT_TRUE(g->Contains(x));
    EXPECT_TRUE(g->Contains(y));
    EXPECT_FALSE(g->Contains(foreign));
    EXPECT_FALSE(g->Contains(other));
    EXPECT_FALSE(g->Contains(g));
    EXPECT_FALSE(g->Contains(&free));
    EXPECT_FALSE(g->Contains(nullptr));
    EXPECT_FALSE(g->Contains(&Owner));
}

TEST(Graph, WideAliasedLinesOfDenseSeriesAreTheLinesQtDraws)
{
    // Dense series with plain lines 2 and 3 pixels wide are set straight into the image; an
    // image format that cannot be drawn into directly gets Qt's own lines. The drawing areas
    // must be the same, pixel for pixel, at 1 and 2 device pixels per pixel.
    TQvGraph2D g;
    g.resize(420, 300);
    g.SetBackColor(0xFFFFFFFF);
    g.SetDataAreaColor(0xFFFFFFFF);
    g.SetSmoothingMode(TQvSmoothingMode::None);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 0.15);
    TQvDoubleVector xs, ys1, ys2;
    for (int i = 0; i < 30000; ++i) {
        xs.Add(i);
        ys1.Add(std::sin(i / 4000.0) + noise(rng));
        ys2.Add(0.5 * std::cos(i / 900.0) + noise(rng) * 0.2);
    }
    Render(g);
    TQvPointSeries a, b;
    int k = 0;
    for (TQvPointSeries* s : {&a, &b}) {
        s->PointSymbol()->SetVisible(false);
        s->Line()->SetColor(k ? 0xFF0000C0 : 0xFFE00000);
        s->Line()->SetWidth(k ? 3.0f : 2.0f);
        s->SetXAxis(g.PrimaryXAxis());
        s->SetYAxis(g.PrimaryYAxis());
        s->SetXData(&xs);
        s->SetYData(k ? &ys2 : &ys1);
        ++k;
    }
    for (double ratio : {1.0, 2.0}) {
        auto render = [&](QImage::Format format) {
            QImage img(g.size() * ratio, format);
            img.setDevicePixelRatio(ratio);
            img.fill(Qt::white);
            QPainter p(&img);
            g.PaintGr(p);
            p.end();
            return img.convertToFormat(QImage::Format_RGB32);
        };
        const QImage direct = render(QImage::Format_ARGB32_Premultiplied);
        const QImage viaQt = render(QImage::Format_RGB888);
        const QRect area = QRectF(g.DrawingArea().topLeft() * ratio, g.DrawingArea().size() * ratio).toAlignedRect();
        int differing = 0, red = 0, blue = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                differing += direct.pixel(x, y) != viaQt.pixel(x, y);
                red += direct.pixel(x, y) == qRgb(0xE0, 0, 0);
                blue += direct.pixel(x, y) == qRgb(0, 0, 0xC0);
            }
        EXPECT_EQ(differing, 0) << ratio;
        EXPECT_GT(red, 2000 * ratio * ratio) << ratio;
        EXPECT_GT(blue, 2000 * ratio * ratio) << ratio;
    }
}
