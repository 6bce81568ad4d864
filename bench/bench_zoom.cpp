// Pan and scroll speed: a 1117 x 738 graph showing one series of 1,000,000 points (the data of
// bench_render's workload A: y = 1e-3 exp(-x/200000) plus Gaussian noise of sd 2e-5, fixed seed;
// 1-pixel line, no symbols, smoothing off), zoomed into the middle of its x range. Then
//   - 100 Shift+drag pan moves (mouse events sent to the graph, the path a real drag takes),
//   - 100 scroll-bar track moves (the thumb dragged: the bar's slider position set),
//   - 100 scroll-bar line steps (the bar's arrow buttons),
// each of which applies the new ranges and repaints the graph synchronously. Every step is timed
// (wall time and the thread's CPU time); median and 90th percentile are printed. The paint count
// is checked, so that a graph that does not really paint cannot pass for a fast one.
//
// Target: a pan or scroll step repaints in 16 ms or less (median).
//
// Usage: bench_zoom [points]          (default 1000000)
//        bench_zoom --show [points]   shows the unzoomed graph in a window and runs the event
//                                     loop (for driving the mouse gestures by hand or xdotool)
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvVectors.h"
#include "QvZoom.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ThreadMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Quantile(std::vector<double> V, double Q)
{
    if (V.empty())
        return 0;
    std::sort(V.begin(), V.end());
    return V[std::min(V.size() - 1, size_t(Q * double(V.size())))];
}

struct Timings
{
    std::vector<double> Wall, Cpu;
};

template <class F>
void TimeStep(Timings& T, F&& Step)
{
    const auto W0 = Clock::now();
    const double C0 = ThreadMs();
    Step();
    T.Cpu.push_back(ThreadMs() - C0);
    T.Wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - W0).count());
}

void Report(const char* What, const Timings& T, int Paints)
{
    const double Median = Quantile(T.Wall, 0.5);
    std::printf("%-26s wall median %7.2f ms  p90 %7.2f   cpu median %7.2f  p90 %7.2f   %zu steps, %d paints  %s\n",
                What, Median, Quantile(T.Wall, 0.9), Quantile(T.Cpu, 0.5), Quantile(T.Cpu, 0.9), T.Wall.size(),
                Paints, Median <= 16.0 ? "within 16 ms" : "OVER 16 ms");
}

void Mouse(TQvGraph2D* G, QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Bs)
{
    QMouseEvent e(T, QPointF(P), G->mapToGlobal(QPointF(P)), B, Bs, Qt::ShiftModifier);
    QApplication::sendEvent(G, &e);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++Count;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    const bool Show = argc > 1 && std::string(argv[1]) == "--show";
    if (Show)
        --argc, ++argv;
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    const int N = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 1000000;

    TQvGraph2D G;
    G.setObjectName(QStringLiteral("Graph"));
    G.resize(1117, 738);
    G.SetBackColor(0xFFFFFFFF);
    G.SetDataAreaColor(0xFFFFFFFF);
    G.SetSmoothingMode(TQvSmoothingMode::None);
    // The primary axes are made by the first paint; make them now, so that the series can be
    // bound before the window is shown.
    G.TestPrimaryAxis();
    G.PrimaryXAxis()->SetCaption(QStringLiteral("Time, s"));
    G.PrimaryYAxis()->SetCaption(QStringLiteral("Current, A"));

    TQvDoubleVector Xs, Ys;
    std::mt19937_64 Rng(42);
    std::normal_distribution<double> Noise(0.0, 2e-5);
    for (int i = 0; i < N; ++i) {
        const double X = i;
        Xs.Add(X);
        Ys.Add(1e-3 * std::exp(-X / 200000.0) + Noise(Rng));
    }
    TQvPointSeries S;
    S.PointSymbol()->SetVisible(false);
    S.Line()->SetColor(0xFF000000);
    S.Line()->SetWidth(1);
    S.SetXAxis(G.PrimaryXAxis());
    S.SetYAxis(G.PrimaryYAxis());
    S.SetXData(&Xs);
    S.SetYData(&Ys);

    G.show();
    // A repaint only paints once the window is exposed.
    for (int i = 0; i < 200 && !(G.windowHandle() && G.windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    QApplication::processEvents();
    if (Show) {
        G.setWindowTitle(QStringLiteral("Zoom demo"));
        G.move(0, 0);
        // Reports the drawing area and every change of the view, for whoever drives the window.
        const QRectF A = G.DrawingArea();
        std::printf("drawing area %.0f %.0f %.0f x %.0f\n", A.left(), A.top(), A.width(), A.height());
        QString Last;
        QTimer Watch;
        QObject::connect(&Watch, &QTimer::timeout, [&] {
            const TQvAxis* X = G.PrimaryXAxis();
            const TQvAxis* Y = G.PrimaryYAxis();
            const QString Now = QStringLiteral("stage %1 of %2, x %3 ... %4, y %5 ... %6%7")
                                    .arg(G.ZoomStage())
                                    .arg(G.ZoomBufferSize())
                                    .arg(X->Start(), 0, 'g', 6)
                                    .arg(X->Stop(), 0, 'g', 6)
                                    .arg(Y->Start(), 0, 'g', 6)
                                    .arg(Y->Stop(), 0, 'g', 6)
                                    .arg(G.Panning() ? QStringLiteral(", panning, cursor shape %1").arg(int(G.cursor().shape()))
                                                     : QString());
            if (Now != Last)
                std::printf("%s\n", qPrintable(Now));
            std::fflush(stdout);
            Last = Now;
        });
        Watch.start(100);

        const int Rc = App.exec();
        S.SetYAxis(nullptr);
        return Rc;
    }
    PaintCounter Paints;
    G.installEventFilter(&Paints);
    G.repaint();
    if (Paints.Count != 1) {
        std::printf("the graph does not paint (window not exposed)\n");
        return 1;
    }

    // Zoom into the middle of the drawing area (half the width, half the height).
    const QRectF A = G.DrawingArea();
    G.ZoomTo(QPoint(int(A.left() + A.width() / 4), int(A.top() + A.height() / 4)),
             QPoint(int(A.left() + 3 * A.width() / 4), int(A.top() + 3 * A.height() / 4)));
    G.repaint();
    G.repaint();
    std::printf("%d points, graph %d x %d, zoom stage %d, x shown %.0f ... %.0f\n", N, G.width(), G.height(),
                G.ZoomStage(), G.PrimaryXAxis()->Start(), G.PrimaryXAxis()->Stop());
    if (G.ZoomStage() != 1) {
        std::printf("zooming did not work\n");
        return 1;
    }

    // Pan: Shift + left drag, 100 moves wandering around the press point.
    Timings Pan;
    const QPoint P0 = A.center().toPoint();
    Mouse(&G, QEvent::MouseButtonPress, P0, Qt::LeftButton, Qt::LeftButton);
    if (!G.Panning()) {
        std::printf("panning did not start\n");
        return 1;
    }
    Paints.Count = 0;
    for (int k = 0; k < 100; ++k) {
        const int D = 1 + (k % 40) * 3;
        const QPoint P = P0 + QPoint((k % 2) ? D : -D, (k % 3) ? D / 2 + 1 : -(D / 2 + 1));
        TimeStep(Pan, [&] { Mouse(&G, QEvent::MouseMove, P, Qt::NoButton, Qt::LeftButton); });
    }
    const int PanPaints = Paints.Count;
    Mouse(&G, QEvent::MouseButtonRelease, P0 + QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
    G.repaint();
    QApplication::processEvents();
    Report("pan move", Pan, PanPaints);

    // Scroll: the horizontal bar's thumb dragged to 100 positions across the full range.
    QScrollBar* Bar = G.HorizontalScrollBar();
    if (!Bar->isVisible()) {
        std::printf("no horizontal scroll bar while zoomed\n");
        return 1;
    }
    Timings Track;
    Paints.Count = 0;
    for (int k = 0; k < 100; ++k) {
        const int Pos = (k * 97) % std::max(1, Bar->maximum());
        TimeStep(Track, [&] { Bar->setSliderPosition(Pos); });
    }
    Report("scroll track", Track, Paints.Count);

    // Scroll: 100 line steps (50 right, 50 left).
    Bar->setSliderPosition(Bar->maximum() / 2);
    Timings Line;
    Paints.Count = 0;
    for (int k = 0; k < 100; ++k)
        TimeStep(Line, [&] { Bar->triggerAction(k < 50 ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub); });
    Report("scroll line step", Line, Paints.Count);

    // For comparison: a repaint with nothing changed.
    Timings Still;
    Paints.Count = 0;
    for (int k = 0; k < 30; ++k)
        TimeStep(Still, [&] { G.repaint(); });
    Report("repaint, nothing changed", Still, Paints.Count);
    S.SetYAxis(nullptr);
    return 0;
}
