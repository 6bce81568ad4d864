// Rendering speed of point series: off-screen 1117 x 738 renders of a graph, data already in
// the vectors, side by side in the same run with
//   peer     - the same data drawn by QCustomPlot 2.1 (Debian's libqcustomplot) in its fastest
//              setting: adaptive sampling, fast polylines, no antialiasing except where the
//              workload asks for it, same image size, same axis ranges;
//   polyline - every point in one QPainter::drawPolyline;
//   min/max  - min/max per pixel column, drawn with drawLines (the practical floor).
//
// Workloads:
//   A  one series of 1,000,000 points, 1-pixel opaque line, smoothing off;
//   B  ten series of 100,000 points each over the same x range, 2-pixel lines, smoothing off;
//   C  the data of A with a 2-pixel line, smoothing on;
// each also zoomed into 1/100 of the x range.
//
// "graph" renders include the point build (the series' screen points are marked stale before
// each render, as after any zoom or data change); "repaint" renders reuse the points (an
// expose event with nothing changed).
//
// Times are wall-clock milliseconds (the graph's point build may use a second thread, which a
// thread's CPU time would not count). The graph and the peer are timed alternately, 11 renders
// each after a warm-up, and their medians compared; the machine's other load then hits both
// alike. Beside them, the median CPU time of all threads per render (the work done, which other
// load on the machine inflates less). The other columns are medians of their own series of
// wall-clock renders.
//
// Usage: bench_render [--quick | --profile [A|B|C]]
//   --quick: fewer repetitions, skips the slowest baselines;
//   --profile [A|B|C]: only renders one workload (A when not given) with the point build 200
//   times, for a profiler.
// BENCH_RENDER_PNG=<dir> also writes the renders (ours and the peer's) as PNG files.
//
// Last, the drawing of dense antialiased lines alone: 100 overlaid series of 10,000 points
// with noise of about 0.6 pixel
// over the width (as the window's step overlay), thinned and merged into column lines, drawn
// with a 2-pixel pen by Qt's drawLines and by QvDrawSegments into the same image.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvLineRaster.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvThinning.h"
#include "QvVectors.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <tuple>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int W = 1117, H = 738;

struct Data
{
    std::vector<double> X, Y;
};

Data MakeSeries(int n, double step, unsigned seed)
{
    Data d;
    d.X.resize(size_t(n));
    d.Y.resize(size_t(n));
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> noise(0.0, 2e-5);
    for (int i = 0; i < n; ++i) {
        const double x = i * step;
        d.X[size_t(i)] = x;
        d.Y[size_t(i)] = 1e-3 * std::exp(-x / 200000.0) + noise(rng);
    }
    return d;
}

double WallMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double MedianMs(const std::function<void()>& F, int MinReps, int MaxReps, double Budget)
{
    using clock = std::chrono::steady_clock;
    F();   // warm-up
    std::vector<double> t;
    const auto begin = clock::now();
    while (int(t.size()) < MaxReps) {
        const double a = WallMs();
        F();
        t.push_back(WallMs() - a);
        if (int(t.size()) >= MinReps && std::chrono::duration<double>(clock::now() - begin).count() > Budget)
            break;
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double Median(std::vector<double> t)
{
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// CPU time of the whole process (every thread), in milliseconds.
double ProcessCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing
{
    double Wall, Cpu;   // medians
};

// F and G timed alternately, Reps times each after one warm-up each: the medians of the wall time
// and of the CPU time of all threads of both.
std::pair<Timing, Timing> AlternateMs(const std::function<void()>& F, const std::function<void()>& G, int Reps)
{
    F();
    G();
    std::vector<double> fw, gw, fc, gc;
    auto time = [](const std::function<void()>& H, std::vector<double>& Wall, std::vector<double>& Cpu) {
        const double w = WallMs(), c = ProcessCpuMs();
        H();
        Cpu.push_back(ProcessCpuMs() - c);
        Wall.push_back(WallMs() - w);
    };
    for (int k = 0; k < Reps; ++k) {
        time(F, fw, fc);
        time(G, gw, gc);
    }
    return {Timing{Median(fw), Median(fc)}, Timing{Median(gw), Median(gc)}};
}

// A graph like the window's: bottom and left axis, white background.
struct Scene
{
    std::unique_ptr<TQvGraph2D> Graph;
    TQvAxis* X = nullptr;
    TQvAxis* Y = nullptr;
    std::vector<std::unique_ptr<TQvDoubleVector>> Vectors;
    std::vector<std::unique_ptr<TQvPointSeries>> Series;
    QImage Image{W, H, QImage::Format_ARGB32_Premultiplied};

    Scene(const std::vector<const Data*>& Sets, float Width, bool Smooth)
    {
        Graph = std::make_unique<TQvGraph2D>();
        Graph->resize(W, H);
        Graph->SetBackColor(0xFFFFFFFF);
        Graph->SetDataAreaColor(0xFFFFFFFF);
        Graph->SetSmoothingMode(static_cast<TQvSmoothingMode>(Smooth ? 3 : 0));
        X = new TQvAxis(Graph.get());
        X->SetPosition(TQvAxisPosition::Bottom);
        X->SetCaption(QStringLiteral("Time, s"));
        Y = new TQvAxis(Graph.get());
        Y->SetPosition(TQvAxisPosition::Left);
        Y->SetCaption(QStringLiteral("Current, A"));
        Graph->SetPrimaryXAxis(X);
        Graph->SetPrimaryYAxis(Y);
        static const TQvColor colors[] = {0xFF000000, 0xFFFF0000, 0xFF00A000, 0xFF0000FF, 0xFFB000B0,
                                          0xFF00A0A0, 0xFFA0A000, 0xFF804000, 0xFF404040, 0xFFFF8000};
        int k = 0;
        for (const Data* d : Sets) {
            auto xs = std::make_unique<TQvDoubleVector>();
            auto ys = std::make_unique<TQvDoubleVector>();
            xs->AddRange(d->X);
            ys->AddRange(d->Y);
            auto s = std::make_unique<TQvPointSeries>();
            s->PointSymbol()->SetVisible(false);
            s->Line()->SetColor(colors[k++ % 10]);
            s->Line()->SetWidth(Width);
            s->SetXAxis(X);
            s->SetYAxis(Y);
            s->SetXData(xs.get());
            s->SetYData(ys.get());
            Vectors.push_back(std::move(xs));
            Vectors.push_back(std::move(ys));
            Series.push_back(std::move(s));
        }
        Render(true);   // first paint: layout and ranges
    }

    void Render(bool Rebuild)
    {
        if (Rebuild)
            for (auto& s : Series)
                s->PointsModified();
        Image.fill(Qt::white);
        QPainter p(&Image);
        Graph->PaintGr(p);
    }

    void ZoomToHundredth()
    {
        const double span = X->Stop() - X->Start();
        const double start = X->Start() + 0.4 * span;
        X->SetStartStop(start, start + span / 100);
        Render(true);
    }
};

// The same data in the peer library, with the axis ranges of our scene: graphs with adaptive
// sampling and plain line style, fast polylines (segments drawn one by one, which the library
// uses only for its own buffers, not when it draws onto a foreign painter), antialiasing off
// everywhere except the graphs' lines when the workload is smoothed. A render is a full replot
// into the library's own W x H raster buffer (the widget is not shown, so nothing is copied to a
// screen).
struct PeerScene
{
    QCustomPlot Plot;

    PeerScene(const std::vector<const Data*>& Sets, float Width, bool Smooth, const Scene& Ours)
    {
        Plot.setBufferDevicePixelRatio(1);
        Plot.resize(W, H);
        Plot.setPlottingHint(QCP::phFastPolylines, true);
        Plot.setNotAntialiasedElements(QCP::aeAll);
        if (Smooth) {
            Plot.setNotAntialiasedElements(QCP::AntialiasedElements(QCP::aeAll & ~QCP::aePlottables));
            Plot.setAntialiasedElement(QCP::aePlottables, true);
        }
        Plot.xAxis->setLabel(QStringLiteral("Time, s"));
        Plot.yAxis->setLabel(QStringLiteral("Current, A"));
        static const QRgb colors[] = {0xFF000000, 0xFFFF0000, 0xFF00A000, 0xFF0000FF, 0xFFB000B0,
                                      0xFF00A0A0, 0xFFA0A000, 0xFF804000, 0xFF404040, 0xFFFF8000};
        int k = 0;
        for (const Data* d : Sets) {
            QCPGraph* g = Plot.addGraph();
            g->setData(QVector<double>(d->X.begin(), d->X.end()), QVector<double>(d->Y.begin(), d->Y.end()), true);
            g->setAdaptiveSampling(true);
            g->setLineStyle(QCPGraph::lsLine);
            g->setAntialiased(Smooth);
            g->setPen(QPen(QColor::fromRgba(colors[k++ % 10]), Width));
        }
        Plot.xAxis->setRange(Ours.X->Start(), Ours.X->Stop());
        Plot.yAxis->setRange(Ours.Y->Start(), Ours.Y->Stop());
        Render();   // layout and buffers
    }

    void Render() { Plot.replot(QCustomPlot::rpImmediateRefresh); }

    QImage Image() { return Plot.grab().toImage(); }
};

// The two baselines draw the same data with the scene's axis transforms into the same image.
struct Baseline
{
    const Scene& S;
    std::vector<const Data*> Sets;
    float Width;
    bool Smooth;
    QImage Image{W, H, QImage::Format_ARGB32_Premultiplied};

    void Window(const Data& d, int& first, int& last) const
    {
        const double a = S.X->Start(), b = S.X->Stop();
        first = int(std::lower_bound(d.X.begin(), d.X.end(), a) - d.X.begin()) - 1;
        last = int(std::upper_bound(d.X.begin(), d.X.end(), b) - d.X.begin());
        first = std::max(first, 0);
        last = std::min(last, int(d.X.size()) - 1);
    }

    QPainter* Begin(QPainter& p)
    {
        Image.fill(Qt::white);
        // The baselines' own loops get the same clean vector state as the graph's.
        ClearUpperVectorState();
        p.begin(&Image);
        p.setRenderHint(QPainter::Antialiasing, Smooth);
        p.setClipRect(S.Graph->DrawingArea());
        return &p;
    }

    void Polyline()
    {
        QPainter p;
        Begin(p);
        QPolygonF poly;
        for (const Data* d : Sets) {
            int first, last;
            Window(*d, first, last);
            poly.resize(last - first + 1);
            for (int i = first; i <= last; ++i)
                poly[i - first] = QPointF(S.X->NumberToWorld(d->X[size_t(i)]), S.Y->NumberToWorld(d->Y[size_t(i)]));
            p.setPen(QPen(Qt::black, Width));
            p.drawPolyline(poly);
        }
    }

    void MinMax()
    {
        QPainter p;
        Begin(p);
        std::vector<QLineF> lines;
        for (const Data* d : Sets) {
            int first, last;
            Window(*d, first, last);
            lines.clear();
            int col = INT32_MIN;
            double lo = 0, hi = 0, prevY = 0;
            bool havePrev = false;
            auto flush = [&] {
                if (col == INT32_MIN)
                    return;
                const double plo = S.Y->NumberToWorld(lo), phi = S.Y->NumberToWorld(hi);
                if (havePrev)
                    lines.emplace_back(col - 1, prevY, col, plo);
                lines.emplace_back(col, plo, col, phi);
                prevY = phi;
                havePrev = true;
            };
            for (int i = first; i <= last; ++i) {
                const int c = int(S.X->NumberToWorld(d->X[size_t(i)]));
                const double y = d->Y[size_t(i)];
                if (c != col) {
                    flush();
                    col = c;
                    lo = hi = y;
                } else {
                    lo = std::min(lo, y);
                    hi = std::max(hi, y);
                }
            }
            flush();
            p.setPen(QPen(Qt::black, Width));
            p.drawLines(lines.data(), int(lines.size()));
        }
    }
};

struct Row
{
    const char* Name;
    double Graph, Peer, GraphCpu, PeerCpu, Repaint, Poly, MinMax, Target;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;

    const Data a = MakeSeries(1000000, 1.0, 42);
    std::vector<Data> b;
    for (int k = 0; k < 10; ++k)
        b.push_back(MakeSeries(100000, 10.0, 100 + unsigned(k)));
    std::vector<const Data*> bSets;
    for (const Data& d : b)
        bSets.push_back(&d);

    struct Workload
    {
        const char* Name;
        std::vector<const Data*> Sets;
        float Width;
        bool Smooth;
        double Target;
    };
    const Workload workloads[] = {{"A", {&a}, 1, false, 10}, {"B", bSets, 2, false, 30}, {"C", {&a}, 2, true, 15}};

    if (argc > 1 && std::strcmp(argv[1], "--profile") == 0) {
        const int k = argc > 2 ? std::clamp(argv[2][0] - 'A', 0, 2) : 0;
        Scene scene(workloads[k].Sets, workloads[k].Width, workloads[k].Smooth);
        std::printf("%s graph %.2f ms (median of 200)\n", workloads[k].Name,
                    MedianMs([&] { scene.Render(true); }, 200, 200, 0.0));
        return 0;
    }

    std::vector<Row> rows;
    for (const Workload& w : workloads) {
        for (int zoomed = 0; zoomed < 2; ++zoomed) {
            Scene scene(w.Sets, w.Width, w.Smooth);
            if (zoomed)
                scene.ZoomToHundredth();
            Baseline base{scene, w.Sets, w.Width, w.Smooth};
            PeerScene peer(w.Sets, w.Width, w.Smooth, scene);
            Row r{};
            static char names[6][32];
            char* name = names[rows.size()];
            std::snprintf(name, 32, "%s%s", w.Name, zoomed ? " zoomed 1/100" : "");
            r.Name = name;
            r.Target = w.Target;
            const int reps = quick ? 5 : 15;
            const auto [ours, theirs] = AlternateMs([&] { scene.Render(true); }, [&] { peer.Render(); }, quick ? 5 : 11);
            r.Graph = ours.Wall;
            r.GraphCpu = ours.Cpu;
            r.Peer = theirs.Wall;
            r.PeerCpu = theirs.Cpu;
            r.Repaint = MedianMs([&] { scene.Render(false); }, 3, reps, quick ? 0.5 : 2.0);
            r.MinMax = MedianMs([&] { base.MinMax(); }, 3, reps, quick ? 0.5 : 2.0);
            // The full polyline of B and C takes seconds per render: one or three renders.
            const bool slow = !zoomed && (w.Name[0] == 'B' || w.Name[0] == 'C');
            if (quick && slow)
                r.Poly = -1;
            else
                r.Poly = MedianMs([&] { base.Polyline(); }, 1, slow ? 3 : reps, slow ? 0.0 : 2.0);
            // BENCH_RENDER_PNG=<dir>: keep the last render and, when zoomed, the full polyline of
            // the same view, for looking at the drawn shape.
            const QString pngDir = qEnvironmentVariable("BENCH_RENDER_PNG");
            if (!pngDir.isEmpty()) {
                const QString stem = pngDir + QLatin1Char('/') + QString::fromLatin1(name).replace(QLatin1Char(' '), QLatin1Char('_')).replace(QLatin1Char('/'), QLatin1Char('_'));
                scene.Render(true);
                scene.Image.save(stem + QStringLiteral("_graph.png"));
                peer.Image().save(stem + QStringLiteral("_peer.png"));
                if (zoomed) {
                    base.Polyline();
                    base.Image.save(stem + QStringLiteral("_polyline.png"));
                }
            }
            rows.push_back(r);
            std::printf("%-16s graph %8.2f ms   peer %8.2f ms   repaint %7.2f ms   polyline %9.2f ms   min/max %6.2f ms\n",
                        r.Name, r.Graph, r.Peer, r.Repaint, r.Poly, r.MinMax);
            std::fflush(stdout);
        }
    }
    std::printf("\n%-16s %9s %9s %11s %13s %10s %8s %14s %14s %10s\n", "workload", "graph ms", "peer ms", "graph/peer",
                "graph cpu ms", "peer cpu", "target", "polyline/graph", "graph/minmax", "repaint ms");
    for (const Row& r : rows) {
        char poly[32];
        if (r.Poly > 0)
            std::snprintf(poly, sizeof poly, "%.1fx", r.Poly / r.Graph);
        else
            std::snprintf(poly, sizeof poly, "skipped");
        std::printf("%-16s %9.2f %9.2f %10.2fx %13.2f %10.2f %8.0f %14s %13.2fx %10.2f\n", r.Name, r.Graph, r.Peer,
                    r.Graph / r.Peer, r.GraphCpu, r.PeerCpu, r.Target, poly, r.Graph / r.MinMax, r.Repaint);
    }

    // Dense antialiased segments.
    std::vector<std::vector<QLineF>> overlay;
    size_t segments = 0;
    for (unsigned k = 0; k < 100; ++k) {
        const Data d = MakeSeries(10000, 1.0, 500 + k);
        TQvThinInput in;
        in.X = d.X.data();
        in.Y = d.Y.data();
        in.Last = int(d.X.size()) - 1;
        in.XMap = TQvAxisMap::FromTwoPoints(0, 10, 10000, float(W - 10), false, 0);
        // Noise of about 0.6 pixel, as the smooth curves of the window's step overlay.
        const float top = 20 + 6.5f * float(k);
        in.YMap = TQvAxisMap::FromTwoPoints(1.2e-3, top, 0.8e-3, top + 12, false, 0);
        TQvPointVector pts;
        TQvIntegerVector idx;
        const int n = QvThinPoints(in, false, pts, idx, 0);
        overlay.emplace_back();
        QvColumnLinesF(pts.Data(), n, overlay.back());
        segments += overlay.back().size();
    }
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    auto drawOverlay = [&](bool direct) {
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        for (size_t k = 0; k < overlay.size(); ++k) {
            QPen pen(QColor::fromHsv(int(k * 37 % 360), 220, 200), 2);
            pen.setCapStyle(Qt::SquareCap);
            p.setPen(pen);
            if (direct)
                QvDrawSegments(p, pen, overlay[k].data(), int(overlay[k].size()));
            else
                p.drawLines(overlay[k].data(), int(overlay[k].size()));
        }
    };
    const int reps = quick ? 5 : 15;
    const double viaQt = MedianMs([&] { drawOverlay(false); }, 3, reps, quick ? 0.5 : 2.0);
    const double direct = MedianMs([&] { drawOverlay(true); }, 3, reps, quick ? 0.5 : 2.0);
    std::printf("\ndense 2-pixel antialiased segments (%zu in 100 series): Qt drawLines %.2f ms, QvDrawSegments "
                "%.2f ms, %.1fx faster\n",
                segments, viaQt, direct, viaQt / direct);
    return 0;
}
