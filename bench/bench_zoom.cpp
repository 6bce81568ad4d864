// Pan and scroll speed: a 1117 x 738 graph showing one series of 1,000,000 points, zoomed into
// the middle quarter of its x range; 100 Shift+drag pan moves and 100 scroll-bar track moves are
// sent to it. Each move applies the new ranges and repaints the graph synchronously (on the
// offscreen platform's backing store); the time of each move is taken, the median reported.
//
// Target: a pan or scroll step repaints in 16 ms or less.
//
// Usage: bench_zoom [points]          (default 1000000)
//        bench_zoom --show [points]   shows the unzoomed graph in a window and runs the event
//                                     loop (for driving the mouse gestures by hand or xdotool)
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "QvZoom.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> V)
{
    std::sort(V.begin(), V.end());
    return V.empty() ? 0 : V[V.size() / 2];
}

void Report(const char* What, const std::vector<double>& Ms)
{
    std::printf("%-34s median %7.2f ms   min %7.2f   max %7.2f   (%zu moves)  %s\n", What, Median(Ms),
                *std::min_element(Ms.begin(), Ms.end()), *std::max_element(Ms.begin(), Ms.end()), Ms.size(),
                Median(Ms) <= 16.0 ? "within 16 ms" : "OVER 16 ms");
}

void Mouse(TQvGraph2D* G, QEvent::Type T, QPoint P, Qt::MouseButton B, Qt::MouseButtons Bs)
{
    QMouseEvent e(T, QPointF(P), G->mapToGlobal(QPointF(P)), B, Bs, Qt::ShiftModifier);
    QApplication::sendEvent(G, &e);
}

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
    G.resize(1117, 738);
    G.show();
    G.repaint();
    TQvDoubleVector Xs, Ys;
    std::mt19937_64 Rng(7);
    std::normal_distribution<double> Noise(0.0, 2e-5);
    for (int i = 0; i < N; ++i) {
        Xs.Add(i * 0.1);
        Ys.Add(1e-3 * std::exp(-i / 200000.0) + Noise(Rng));
    }
    TQvPointSeries S;
    S.SetXAxis(G.PrimaryXAxis());
    S.SetYAxis(G.PrimaryYAxis());
    S.SetXData(&Xs);
    S.SetYData(&Ys);
    G.repaint();
    G.repaint();
    if (Show) {
        G.setWindowTitle(QStringLiteral("Zoom demo"));
        G.move(0, 0);
        const int Rc = App.exec();
        S.SetYAxis(nullptr);
        return Rc;
    }

    // Zoom into the middle quarter of the drawing area (half the width, half the height).
    const QRectF A = G.DrawingArea();
    G.ZoomTo(QPoint(int(A.left() + A.width() / 4), int(A.top() + A.height() / 4)),
             QPoint(int(A.left() + 3 * A.width() / 4), int(A.top() + 3 * A.height() / 4)));
    G.repaint();
    G.repaint();
    std::printf("%d points, graph %d x %d, zoom stage %d\n", N, G.width(), G.height(), G.ZoomStage());

    // Pan: Shift + left drag, 100 moves wandering around the press point.
    std::vector<double> Pan;
    const QPoint P0 = A.center().toPoint();
    Mouse(&G, QEvent::MouseButtonPress, P0, Qt::LeftButton, Qt::LeftButton);
    if (!G.Panning()) {
        std::printf("panning did not start\n");
        return 1;
    }
    for (int k = 0; k < 100; ++k) {
        const int D = 1 + (k % 40) * 3;
        const QPoint P = P0 + QPoint((k % 2) ? D : -D, (k % 3) ? D / 2 + 1 : -(D / 2 + 1));
        const auto T0 = Clock::now();
        Mouse(&G, QEvent::MouseMove, P, Qt::NoButton, Qt::LeftButton);
        Pan.push_back(std::chrono::duration<double, std::milli>(Clock::now() - T0).count());
    }
    Mouse(&G, QEvent::MouseButtonRelease, P0 + QPoint(5, 5), Qt::LeftButton, Qt::NoButton);
    G.repaint();
    Report("pan move (apply + repaint)", Pan);

    // Scroll: 100 track moves of the horizontal bar across the full range.
    std::vector<double> Track;
    TQvGraphZoomer* Z = G.Zoom()->Zoomer();
    for (int k = 0; k < 100; ++k) {
        const int Pos = (k * 97) % 5000;
        const auto T0 = Clock::now();
        Z->Scroll(true, TQvScrollCode::Track, Pos);
        Track.push_back(std::chrono::duration<double, std::milli>(Clock::now() - T0).count());
    }
    Report("scroll track (apply + repaint)", Track);

    // For comparison: a repaint with nothing changed.
    std::vector<double> Still;
    for (int k = 0; k < 30; ++k) {
        const auto T0 = Clock::now();
        G.repaint();
        Still.push_back(std::chrono::duration<double, std::milli>(Clock::now() - T0).count());
    }
    Report("repaint, nothing changed", Still);
    S.SetYAxis(nullptr);
    return 0;
}
