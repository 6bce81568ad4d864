// Gallery of representative graphs, rendered off-screen into one PNG: a graph like each of the
// window's five (time course with three right axes, step comparison on a twisted axis, the three
// detail graphs), a power-of-ten log axis over 1e-25 ... 1e-3, log and linear, a dense line, and
// a graph with two legends (one docked by row and wrapping), error bars over translucent symbols
// and a right-aligned caption beside a common exponent that stands beyond the labels.
//
// Usage: qv-gallery <out.png> [device pixel ratio, default 2]
#include "QvAxis.h"
#include "QvErrorSeries.h"
#include "QvGraph2D.h"
#include "QvLegend.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvVectors.h"

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int PanelW = 840, PanelH = 560;

// Everything one panel needs; vectors and series are created without owner and freed here.
struct Panel
{
    QString Title;
    std::unique_ptr<TQvGraph2D> Graph;
    std::vector<std::unique_ptr<TQvDoubleVector>> Vectors;
    std::vector<std::unique_ptr<TQvPointSeries>> Series;

    explicit Panel(const QString& title) : Title(title), Graph(std::make_unique<TQvGraph2D>())
    {
        Graph->resize(PanelW, PanelH);
        Graph->SetBackColor(0xFFFFFFFF);
        Graph->SetDataAreaColor(0xFFFFFFFF);
    }
    // The legends go before their graph, the series before their vectors.
    ~Panel()
    {
        qDeleteAll(Graph->findChildren<TQvLegend*>(Qt::FindDirectChildrenOnly));
        Series.clear();
    }

    TQvAxis* Axis(const char* name, TQvAxisPosition pos, const QString& caption, TQvColor color = 0xFF8B0000)
    {
        auto* a = new TQvAxis(Graph.get());
        a->setObjectName(QString::fromLatin1(name));
        a->SetPosition(pos);
        a->SetCaption(caption);
        a->SetCaptionColor(color);
        return a;
    }

    TQvDoubleVector* Vector(const std::vector<double>& values)
    {
        Vectors.push_back(std::make_unique<TQvDoubleVector>());
        Vectors.back()->AddRange(values);
        return Vectors.back().get();
    }

    TQvPointSeries* Add(TQvAxis* x, TQvAxis* y, const std::vector<double>& xs, const std::vector<double>& ys,
                        TQvColor color, float width, bool symbols, TQvPointSymbol symbol = TQvPointSymbol::Circle,
                        float size = 7)
    {
        auto s = std::make_unique<TQvPointSeries>();
        s->Line()->SetColor(color);
        s->Line()->SetWidth(width);
        s->PointSymbol()->SetVisible(symbols);
        s->PointSymbol()->SetPointSymbol(symbol);
        s->PointSymbol()->SetSize(size);
        s->PointSymbol()->SetBorderColor(color);
        s->PointSymbol()->SetFillColor(color);
        s->SetXAxis(x);
        s->SetYAxis(y);
        s->SetXData(Vector(xs));
        s->SetYData(Vector(ys));
        Series.push_back(std::move(s));
        return Series.back().get();
    }
};

std::vector<double> Range(int n, double a, double b)
{
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = a + (b - a) * i / std::max(1, n - 1);
    return v;
}

template <class F>
std::vector<double> Map(const std::vector<double>& x, F f)
{
    std::vector<double> y(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = f(x[i], int(i));
    return y;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery.png");
    const double dpr = argc > 2 ? std::atof(argv[2]) : 2.0;
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 1);

    std::vector<std::unique_ptr<Panel>> panels;

    // 1. Time course of a step: three right axes (one hidden), log pO2 axis.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Visualize step: time course, right axes, LogEE"));
        TQvAxis* x = p->Axis("XAxis1", TQvAxisPosition::Bottom, QStringLiteral("Time, s"));
        TQvAxis* y = p->Axis("YAxis1", TQvAxisPosition::Right,
                             QStringLiteral("Current, A. Pump=Blaqck, Alpha2=Red, Pump-Alpha2=Green"), 0xFF000000);
        TQvAxis* charge = p->Axis("YAxis_VIS_Charge", TQvAxisPosition::Right, QStringLiteral("Charge minus leakage, C"),
                                  0xFF32CD32);
        charge->SetVisible(false);
        TQvAxis* po2 = p->Axis("QvAxispO2", TQvAxisPosition::Right, QStringLiteral("Cell pO\\-2\\-, log(pO\\-2\\-/atm)"),
                               0xFF0000FF);
        po2->SetScaling(TQvAxisScaling::LogEE);
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        const auto t = Range(600, 0, 3000);
        auto cur = Map(t, [&](double s, int) { return 2e-3 * std::exp(-s / 600) + 2e-5 * noise(rng); });
        auto leak = Map(t, [](double s, int) { return 2e-4 + 1e-4 * std::exp(-s / 1500); });
        auto net = Map(t, [&](double, int i) { return cur[size_t(i)] - leak[size_t(i)]; });
        p->Add(x, y, t, cur, 0xFF000000, 2, false);
        p->Add(x, y, t, leak, 0xFFFF0000, 2, false);
        p->Add(x, y, t, net, 0xFF00FF00, 2, false);
        p->Add(x, po2, t, Map(t, [](double s, int) { return 1e-12 * std::pow(10.0, 8 * s / 3000); }), 0xFF0000FF, 2, false);
        p->Add(x, po2, Range(30, 0, 3000),
               Map(Range(30, 0, 3000), [](double s, int) { return 3e-12 * std::pow(10.0, 8 * s / 3000); }), 0xFF0000FF,
               2, true, TQvPointSymbol::Dot, 5);
        panels.push_back(std::move(p));
    }
    // 2. Step comparison: twisted log pO2 axis, leakage left, charge and voltage right.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Compare steps: twisted X, two right axes"));
        TQvAxis* x = p->Axis("XAxisLogpO2", TQvAxisPosition::Bottom, QStringLiteral("log(pO\\-2\\-/atm)"));
        x->SetTwisted(true);
        TQvAxis* leak = p->Axis("YAxisLeakage", TQvAxisPosition::Left, QStringLiteral("Leakage, A"));
        TQvAxis* charge = p->Axis("QvAxisCharges", TQvAxisPosition::Right, QStringLiteral("Charge, C"), 0xFF0000FF);
        TQvAxis* volt = p->Axis("QvAxisVoltage", TQvAxisPosition::Right, QStringLiteral("Voltage"), 0xFF00FF00);
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(leak);
        const auto lp = Range(12, -20, -2);
        p->Add(x, charge, lp, Map(lp, [](double v, int) { return 0.02 * (v + 21) * (v + 21); }), 0xFF0000FF, 2, true);
        p->Add(x, leak, lp, Map(lp, [](double v, int) { return 1e-5 * std::pow(10.0, v / 4); }), 0xFFFF0000, 2, true);
        p->Add(x, volt, lp, Map(lp, [](double v, int) { return -0.05 * v + 0.1; }), 0xFF00FF00, 2, true);
        panels.push_back(std::move(p));
    }
    // 3-5. The three detail graphs: red line, blue circles of size 11.
    const char* detailY[] = {"log |y|", "y", "b"};
    for (int k = 0; k < 3; ++k) {
        auto p = std::make_unique<Panel>(QStringLiteral("Details %1").arg(QChar('A' + k)));
        TQvAxis* x = p->Axis("XAxisDetails", TQvAxisPosition::Bottom, QStringLiteral("log pO\\-2\\-"));
        TQvAxis* y = p->Axis("YAxisDetails", TQvAxisPosition::Left, QString::fromLatin1(detailY[k]));
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        const auto lp = Range(9, -18, -4);
        auto ys = Map(lp, [k](double v, int) {
            return k == 0 ? -3 - 0.1 * v : k == 1 ? 0.00012 + 0.00035 * (v + 18) / 14 : 1e4 * (1 + 0.2 * v);
        });
        TQvPointSeries* s = p->Add(x, y, lp, ys, 0xFFFF0000, 1, true, TQvPointSymbol::Circle, 11);
        s->PointSymbol()->SetBorderColor(0xFF0000FF);
        s->PointSymbol()->SetFillColor(0xFF0000FF);
        panels.push_back(std::move(p));
    }
    // 6. Power-of-ten labels over 1e-25 ... 1e-3.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("LogEE axis 1e-25 ... 1e-3"));
        TQvAxis* x = p->Axis("X", TQvAxisPosition::Bottom, QStringLiteral("Time, s"));
        TQvAxis* y = p->Axis("Y", TQvAxisPosition::Left, QStringLiteral("pO\\-2\\-, atm"));
        y->SetScaling(TQvAxisScaling::LogEE);
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        const auto t = Range(200, 0, 100);
        p->Add(x, y, t, Map(t, [](double s, int) { return std::pow(10.0, -25 + 22 * s / 100); }), 0xFF0000FF, 2, false);
        panels.push_back(std::move(p));
    }
    // 7. Log (plain numbers) and linear.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Log X, linear Y with common exponent"));
        TQvAxis* x = p->Axis("X", TQvAxisPosition::Bottom, QStringLiteral("Frequency, Hz"));
        x->SetScaling(TQvAxisScaling::Log);
        TQvAxis* y = p->Axis("Y", TQvAxisPosition::Left, QStringLiteral("Amplitude, V"));
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        const auto f = Map(Range(60, 0, 4), [](double e, int) { return std::pow(10.0, e); });
        p->Add(x, y, f, Map(f, [](double v, int) { return 0.00047 / std::sqrt(1 + v / 100); }), 0xFF800080, 2, true,
               TQvPointSymbol::Square, 6);
        panels.push_back(std::move(p));
    }
    // 8. Three visible right axes and a dense noisy line.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Three right axes, 100,000 points"));
        TQvAxis* x = p->Axis("X", TQvAxisPosition::Bottom, QStringLiteral("Time, s"));
        TQvAxis* r1 = p->Axis("R1", TQvAxisPosition::Right, QStringLiteral("Current, A"), 0xFF000000);
        TQvAxis* r2 = p->Axis("R2", TQvAxisPosition::Right, QStringLiteral("Temperature, °C"), 0xFFB22222);
        TQvAxis* r3 = p->Axis("R3", TQvAxisPosition::Right, QStringLiteral("Voltage, V"), 0xFF008000);
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(r1);
        const auto t = Range(100000, 0, 1e5);
        p->Add(x, r1, t, Map(t, [&](double s, int) { return 1e-3 * std::exp(-s / 2e4) + 2e-5 * noise(rng); }),
               0xFF000000, 1, false);
        const auto t2 = Range(50, 0, 1e5);
        p->Add(x, r2, t2, Map(t2, [](double s, int) { return 700 + 30 * std::sin(s / 2e4); }), 0xFFB22222, 2, false);
        p->Add(x, r3, t2, Map(t2, [](double s, int) { return 0.5 - 0.3 * s / 1e5; }), 0xFF008000, 2, true,
               TQvPointSymbol::Diamond, 7);
        panels.push_back(std::move(p));
    }
    // 9. Zero origin.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Axes crossing at (0,0)"));
        TQvAxis* x = p->Axis("X", TQvAxisPosition::Bottom, QStringLiteral("x"));
        TQvAxis* y = p->Axis("Y", TQvAxisPosition::Left, QStringLiteral("y"));
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        p->Graph->SetZeroOrigin(true);
        const auto xs = Range(41, -5, 5);
        p->Add(x, y, xs, Map(xs, [](double v, int) { return 0.4 * v * v * v - 3 * v; }), 0xFF0000FF, 2, false);
        panels.push_back(std::move(p));
    }

    // 10. Two legends (the bottom one docked by row, too wide for one row, so it wraps), error
    // bars over translucent symbols, and a right-aligned caption beside a common exponent that
    // had to move beyond the crowded labels.
    {
        auto p = std::make_unique<Panel>(QStringLiteral("Legends, error bars, exponent beyond the labels"));
        TQvAxis* x = p->Axis("X", TQvAxisPosition::Bottom, QStringLiteral("Charge passed, C"));
        x->SetCaptionAlignment(TQvCaptionAlignment::Right);
        x->SetEndRounding(TQvAxisEndRounding::RndNothing);
        x->Font()->SetSize(17);
        TQvAxis* y = p->Axis("Y", TQvAxisPosition::Left, QStringLiteral("\u03B4 (oxygen non-stoichiometry)"));
        p->Graph->SetPrimaryXAxis(x);
        p->Graph->SetPrimaryYAxis(y);
        const auto q = Range(9, 1.2e5, 4.8e5);
        auto err = std::make_unique<TQvPointWithErrorSeries>();
        err->SetCaption(QStringLiteral("\u03B4 with its error, step 3"));
        err->Line()->SetColor(0xFF1F4E9A);
        err->Line()->SetWidth(2);
        err->PointSymbol()->SetPointSymbol(TQvPointSymbol::Circle);
        err->PointSymbol()->SetSize(19);
        err->PointSymbol()->SetBorderColor(0xFF1F4E9A);
        err->PointSymbol()->SetFillColor(0x661F4E9A);
        err->ErrorIndicator()->SetColor(0xFFC00000);
        err->ErrorIndicator()->SetWidth(2);
        err->SetXAxis(x);
        err->SetYAxis(y);
        err->SetXData(p->Vector(q));
        err->SetYData(p->Vector(Map(q, [](double v, int) { return 0.02 + 0.05 * v / 5e5; })));
        err->SetDeltaYPlus(p->Vector(Map(q, [](double, int i) { return 0.002 + 0.0006 * i; })));
        err->SetDeltaYMinus(p->Vector(Map(q, [](double, int i) { return 0.0015 + 0.0004 * i; })));
        err->SetDeltaXPlus(p->Vector(Map(q, [](double, int) { return 1.2e4; })));
        err->SetDeltaXMinus(p->Vector(Map(q, [](double, int) { return 1.2e4; })));
        p->Series.push_back(std::move(err));
        const char* names[] = {"Model, leakage in the fourth root of pO\\-2\\-", "Model without leakage",
                               "Cumulated oxygen balance", "Reference sample"};
        const TQvColor colors[] = {0xFF008000, 0xFFB8860B, 0xFF800080, 0xFF606060};
        for (int k = 0; k < 4; ++k) {
            TQvPointSeries* s = p->Add(x, y, q, Map(q, [k](double v, int) { return 0.018 + (0.048 - 0.004 * k) * v / 5e5; }),
                                       colors[k], 1.5, false);
            s->SetCaption(QString::fromLatin1(names[k]));
        }
        auto* below = new TQvLegend(p->Graph.get());
        below->SetPosition(TQvLegendPosition::BottomCenterOfGraph);
        below->SetBackColor(0xFFF4F4F4);
        auto* side = new TQvLegend(p->Graph.get());
        side->SetPosition(TQvLegendPosition::RightTopOfAxis);
        side->SetCaption(QStringLiteral("Caption colour\rfrom the line"));
        side->SetCaptionVisible(true);
        side->SetLegendCaptionColorFrom(1);
        side->SetItemWidth(40);
        side->SetDropShadow(true);
        side->SetBackColor(0xFFFFFFF0);
        panels.push_back(std::move(p));
    }

    const int cols = 3, rows = int((panels.size() + cols - 1) / cols), header = 28;
    QImage sheet(QSize(cols * PanelW, rows * (PanelH + header)) * dpr, QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(dpr);
    sheet.fill(QColor(235, 235, 235));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    QFont titleFont(QStringLiteral("Arial"), 11, QFont::Bold);
    for (size_t i = 0; i < panels.size(); ++i) {
        const int cx = int(i % cols) * PanelW, cy = int(i / cols) * (PanelH + header);
        p.setFont(titleFont);
        p.setPen(Qt::black);
        p.drawText(QRect(cx + 8, cy, PanelW - 16, header), Qt::AlignVCenter | Qt::AlignLeft, panels[i]->Title);
        const QImage img = panels[i]->Graph->AsImage(dpr);
        p.drawImage(QPoint(cx, cy + header), img);
        p.setPen(QColor(180, 180, 180));
        p.drawRect(QRect(cx, cy + header, PanelW - 1, PanelH - 1));
    }
    p.end();
    if (!sheet.save(out)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("wrote %s (%d x %d)\n", qPrintable(out), sheet.width(), sheet.height());
    return 0;
}
