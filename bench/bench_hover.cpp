// Cost of one mouse move over graph 1 with the hover readout, all 101 steps of the
// 1,000,000-row file shown (some 500 series), measured in the shown window: the move event (the
// search for the nearest point, the status-bar text, the new highlight) and the repaint it
// causes, flushed to the window. Side by side in the same run:
//   - a complete repaint of graph 1 (what each change of highlight would cost without the
//     image of the last paint);
//   - the nearest-point search over the points already mapped to the screen against the same
//     search over the data (every value mapped through the axes).
//
// Usage: bench_hover [FILE]   (without FILE the file is made with tarnwell-synth)
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvHover.h"
#include "QvSeries.h"
#include "QvVectors.h"
#include "UnitWPVReader.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QMouseEvent>
#include <QProcess>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double Ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

// The move event and the repaint it asks for, up to the flush into the window. aEvent receives
// the time of the event alone (search, readout text, highlight choice).
double Move(TQvGraph2D* g, const QPointF& p, double& aEvent)
{
    QElapsedTimer t;
    t.start();
    QMouseEvent e(QEvent::MouseMove, p, g->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(g, &e);
    aEvent = Ms(t);
    QApplication::processEvents();
    return Ms(t);
}

// The nearest point searched in the data: every value of every series mapped through its axes.
int NearestInData(const TQvGraph2D& g, const QPointF& p, double radius)
{
    double best = radius * radius;
    int found = -1;
    for (TQvSeries* s : g.RelatedSeries()) {
        if (!s->SeriesVisible() || !s->XData() || !s->YData())
            continue;
        const int n = std::min(s->XData()->Count(), s->YData()->Count());
        for (int i = 0; i < n; ++i) {
            const double dx = s->XAxis()->NumberToWorld(s->XData()->GetValue(i)) - p.x();
            const double dy = s->YAxis()->NumberToWorld(s->YData()->GetValue(i)) - p.y();
            const double d = dx * dx + dy * dy;
            if (d <= best) {
                best = d;
                found = i;
            }
        }
    }
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TARNWELL_NO_SETTINGS", "1");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("million.txt"));
        const QString synth = QStringLiteral(TARNWELL_BUILD_DIR) + QStringLiteral("/tarnwell-synth");
        if (!QFileInfo(synth).isExecutable()) {
            std::fprintf(stderr, "%s not built: pass a data file instead\n", qPrintable(synth));
            return 1;
        }
        // As bench_window makes it: 100 steps of 10,000 rows (101 steps with the start step).
        QProcess::execute(synth, {"-o", file, "--seed", "7", "--steps", "100", "--rows", "10000", "--dt", "0.5"});
    }

    TFormWPVData form;
    form.AddFileByName(file);
    form.ListBox1->selectAll();
    form.ListBox1Click();
    form.PageControl1->setCurrentWidget(form.TabSheet2);
    form.resize(1366, 768);
    form.show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    TQvGraph2D* g = form.QvGraph2D1;
    const QRectF area = g->DrawingArea();
    int points = 0, series = 0;
    for (TQvSeries* s : g->RelatedSeries())
        if (s->PointCount() > 0) {
            ++series;
            points += s->PointCount();
        }
    std::printf("graph 1: %d steps, %d series drawn, %d screen points (thinned from the data), %.0f x %.0f "
                "drawing area\n",
                form.ListBox1->count(), series, points, area.width(), area.height());

    // 1. Jumps from curve to curve: the highlight changes at nearly every move (the worst case).
    std::vector<QPointF> jumps;
    const QList<TQvSeries*>& all = g->RelatedSeries();
    for (int i = 0; jumps.size() < 300 && i < 5000; ++i) {
        TQvSeries* s = all[(i * 37) % all.size()];
        if (s->PointCount() == 0)
            continue;
        const TQvFloatPoint p = s->Points().Data()[(i * 131) % s->PointCount()];
        if (area.adjusted(2, 2, -2, -2).contains(QPointF(p.X, p.Y)))
            jumps.push_back(QPointF(p.X + 2, p.Y + 1));
    }
    // 2. A sweep across the graph in 3-pixel steps at three heights, as a hand moves the mouse.
    std::vector<QPointF> sweep;
    for (double fy : {0.3, 0.5, 0.7})
        for (double x = area.left() + 2; x < area.right() - 2; x += 3)
            sweep.push_back(QPointF(x, area.top() + fy * area.height()));

    std::vector<double> jumpMs, sweepMs, changedMs, eventMs;
    int changes = 0;
    for (const std::vector<QPointF>* path : {&jumps, &sweep}) {
        for (const QPointF& p : *path) {
            TQvSeries* before = g->HighlightedSeries();
            double event = 0;
            const double ms = Move(g, p, event);
            (path == &jumps ? jumpMs : sweepMs).push_back(ms);
            if (g->HighlightedSeries() != before) {
                ++changes;
                changedMs.push_back(ms);
                eventMs.push_back(event);
            }
        }
    }
    const QString message = form.HoverReadout();

    // The highlight repaint alone: another series highlighted, painted and flushed at once.
    std::vector<double> litMs;
    for (int i = 0; i < 60; ++i) {
        TQvSeries* s = all[(i * 53) % all.size()];
        QElapsedTimer t;
        t.start();
        g->SetHighlightedSeries(s);
        g->repaint();
        litMs.push_back(Ms(t));
    }
    g->SetHighlightedSeries(nullptr);

    // A complete repaint of graph 1, as every highlight change would need without the image.
    std::vector<double> fullMs;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        t.start();
        g->RequestRepaint();
        QApplication::processEvents();
        fullMs.push_back(Ms(t));
    }

    // The nearest-point search alone: screen points against the data.
    std::vector<double> screenMs, dataMs;
    int agree = 0, probes = 0;
    for (size_t i = 0; i < jumps.size(); i += 30) {
        QElapsedTimer t;
        t.start();
        const TQvHoverInfo info = QvHoverInfoAt(*g, jumps[i]);
        screenMs.push_back(Ms(t));
        t.restart();
        const int inData = NearestInData(*g, jumps[i], QvHoverRadius);
        dataMs.push_back(Ms(t));
        ++probes;
        agree += (info.Series != nullptr) == (inData >= 0);
    }

    std::printf("mouse move with the readout and the highlight repaint, flushed to the window (median / 95th "
                "percentile / max, goal <= 16 ms):\n");
    std::printf("  jumping from curve to curve (%zu moves): %.2f / %.2f / %.2f ms\n", jumpMs.size(),
                Percentile(jumpMs, 0.5), Percentile(jumpMs, 0.95), Percentile(jumpMs, 1));
    std::printf("  sweeping across in 3-pixel steps (%zu moves): %.2f / %.2f / %.2f ms\n", sweepMs.size(),
                Percentile(sweepMs, 0.5), Percentile(sweepMs, 0.95), Percentile(sweepMs, 1));
    std::printf("  the %d moves that changed the highlight: %.2f / %.2f / %.2f ms\n", changes,
                Percentile(changedMs, 0.5), Percentile(changedMs, 0.95), Percentile(changedMs, 1));
    std::printf("    of which the move event (search, readout, highlight choice): %.2f / %.2f / %.2f ms, the "
                "repaint and flush the rest\n",
                Percentile(eventMs, 0.5), Percentile(eventMs, 0.95), Percentile(eventMs, 1));
    std::printf("highlight repaint alone (image copied, rest faded, one series drawn, flushed): %.2f / %.2f / "
                "%.2f ms\n",
                Percentile(litMs, 0.5), Percentile(litMs, 0.95), Percentile(litMs, 1));
    std::printf("complete repaint of graph 1: %.1f ms median = %.0f x a highlight-changing move\n",
                Percentile(fullMs, 0.5), Percentile(fullMs, 0.5) / std::max(1e-3, Percentile(changedMs, 0.5)));
    std::printf("nearest-point search: over the screen points %.2f ms, over the data %.1f ms (%.0f x; same "
                "answer found/not found in %d of %d probes)\n",
                Percentile(screenMs, 0.5), Percentile(dataMs, 0.5),
                Percentile(dataMs, 0.5) / std::max(1e-3, Percentile(screenMs, 0.5)), agree, probes);
    std::printf("last readout: %s\n", qPrintable(message.left(300)));
    return 0;
}
