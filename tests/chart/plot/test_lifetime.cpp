// Lifetime of chart objects: a graph with several legends, axes, series of several kinds and
// their vectors can be freed in any order, and whatever is left keeps working (painting, undo).
// Run under AddressSanitizer these tests also catch a callback into an object already freed.
#include "QvAxis.h"
#include "QvErrorSeries.h"
#include "QvGraph2D.h"
#include "QvIntegral.h"
#include "QvLegend.h"
#include "QvSeries.h"
#include "QvUndoStack.h"
#include "QvVectors.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

// A legend that is not a child of the graph: it is owned by whoever created it.
class OwnLegend : public TQvGraphLegendBase
{
public:
    using TQvGraphLegendBase::TQvGraphLegendBase;
    int Changes = 0;
    void SeriesChanged() override { ++Changes; }
};

void Paint(TQvGraph2D* g)
{
    if (!g)
        return;
    QImage img(g->size(), QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    g->PaintGr(p);
}

// Everything a real graph carries, held so that each group can be freed on its own.
struct Scene
{
    TQvUndoStack undo;
    QPointer<TQvGraph2D> graph;
    QPointer<TQvAxis> x, y, y2;
    std::vector<QPointer<TQvLegend>> legends;   // children of the graph
    std::unique_ptr<OwnLegend> ownLegend;        // owned here
    std::vector<std::unique_ptr<TQvSeries>> series;
    std::vector<std::unique_ptr<TQvDoubleVector>> vectors;

    explicit Scene(int nLegends)
    {
        graph = new TQvGraph2D;
        graph->resize(500, 350);
        graph->SetUndoStack(&undo);
        x = new TQvAxis(graph);
        x->setObjectName(QStringLiteral("XAxis1"));
        y = new TQvAxis(graph);
        y->setObjectName(QStringLiteral("YAxis1"));
        y->SetPosition(TQvAxisPosition::Left);
        y2 = new TQvAxis(graph);
        y2->setObjectName(QStringLiteral("YAxis2"));
        y2->SetPosition(TQvAxisPosition::Right);
        graph->SetPrimaryXAxis(x);
        graph->SetPrimaryYAxis(y);
        for (int i = 0; i < 4; ++i) {
            auto v = std::make_unique<TQvDoubleVector>();
            for (int k = 0; k < 20; ++k)
                v->Add(i == 0 ? k : (k % 7) + i);
            vectors.push_back(std::move(v));
        }
        auto bind = [&](TQvSeries* s, TQvAxis* ya, int yv) {
            s->SetXAxis(x);
            s->SetYAxis(ya);
            s->SetXData(vectors[0].get());
            s->SetYData(vectors[size_t(yv)].get());
            series.emplace_back(s);
        };
        bind(new TQvPointSeries, y, 1);
        bind(new TQvLineSeries, y2, 2);
        auto* e = new TQvPointWithErrorSeries;
        e->SetDeltaYPlus(vectors[3].get());
        e->SetDeltaXMinus(vectors[3].get());
        bind(e, y, 2);
        auto* band = new TQvLineSeries;
        bind(band, y, 3);
        static_cast<TQvLineSeries*>(series[1].get())->SetDrawBandTo(band);
        series[0]->SetMergeLegendItemWith(series[1].get());
        auto* spline = new TQvInterpolation;
        bind(spline, y, 1);
        for (int i = 0; i < nLegends; ++i) {
            auto* l = new TQvLegend(graph);
            l->SetPosition(i % 2 ? TQvLegendPosition::FreeFloating : TQvLegendPosition(i % 8));
            legends.emplace_back(l);
        }
        ownLegend = std::make_unique<OwnLegend>();
        ownLegend->SetGraph(graph);
        Paint(graph);
        graph->SetCaption(QStringLiteral("changed"));   // something to undo
    }

    ~Scene()
    {
        // Whatever a test left behind, freed in the order that is most natural to callers.
        series.clear();
        vectors.clear();
        ownLegend.reset();
        delete graph.data();
    }

    void FreeGraph() { delete graph.data(); }
    void FreeLegends()
    {
        for (auto& l : legends)
            delete l.data();
        ownLegend.reset();
    }
    void FreeAxes()
    {
        delete y2.data();
        delete x.data();
        delete y.data();
    }
    void FreeSeries() { series.clear(); }
    void FreeSeriesBackwards()
    {
        while (!series.empty())
            series.pop_back();
    }
    void FreeVectors() { vectors.clear(); }
};

} // namespace

// The graph destroys its child legends with itself; with two or more legends that walked a list
// which the legends' own detaching shortened.
TEST(Lifetime, GraphWithSeveralLegendsIsFreed)
{
    for (int n : {1, 2, 3, 8}) {
        SCOPED_TRACE(n);
        auto s = std::make_unique<Scene>(n);
        ASSERT_EQ(s->graph->RelatedLegends().size(), n + 1);
        s->FreeGraph();
        EXPECT_TRUE(s->graph.isNull());
        for (auto& l : s->legends)
            EXPECT_TRUE(l.isNull());
        // The legend owned elsewhere is detached, not freed, and hears nothing more.
        EXPECT_EQ(s->ownLegend->Graph(), nullptr);
        const int changes = s->ownLegend->Changes;
        s->FreeSeries();
        EXPECT_EQ(s->ownLegend->Changes, changes);
        // Series that outlive the graph have no axes and no graph any more.
        s.reset();
    }
}

// Every order of freeing the five groups; after each step whatever is left still paints and the
// undo stack (which refers to the graph) can still be used.
TEST(Lifetime, AnyOrderOfFreeingIsSafe)
{
    using Step = void (Scene::*)();
    std::array<Step, 5> steps{&Scene::FreeGraph, &Scene::FreeLegends, &Scene::FreeAxes, &Scene::FreeSeries,
                              &Scene::FreeVectors};
    std::array<int, 5> order{0, 1, 2, 3, 4};
    int runs = 0;
    do {
        SCOPED_TRACE(::testing::Message() << "order " << order[0] << order[1] << order[2] << order[3] << order[4]);
        Scene s(3);
        for (int k : order) {
            (s.*steps[size_t(k)])();
            Paint(s.graph);
            for (auto& se : s.series)
                EXPECT_TRUE(!se->Graph() || se->Graph() == s.graph.data());
        }
        if (s.undo.CanUndo())
            s.undo.Undo();
        ++runs;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_EQ(runs, 120);
}

// Series freed one by one from the back and from the front, with the graph painting between:
// the graph and its axes forget each series as it goes.
TEST(Lifetime, SeriesFreedOneByOne)
{
    for (bool backwards : {false, true}) {
        Scene s(2);
        const int n = int(s.series.size());
        for (int k = 0; k < n; ++k) {
            if (backwards)
                s.series.pop_back();
            else
                s.series.erase(s.series.begin());
            Paint(s.graph);
            EXPECT_EQ(s.graph->RelatedSeries().size(), n - k - 1);
            EXPECT_EQ(s.x->RelatedSeries().size(), n - k - 1);
        }
        EXPECT_TRUE(s.y->RelatedSeries().isEmpty());
        EXPECT_TRUE(s.y2->RelatedSeries().isEmpty());
    }
}

// A legend moved to another graph and a series whose Y axis moves to another graph while its X
// axis stays: freeing either graph first leaves the other whole.
TEST(Lifetime, ObjectsSharedBetweenGraphs)
{
    for (bool freeOtherFirst : {false, true}) {
        SCOPED_TRACE(freeOtherFirst);
        Scene a(2);
        auto b = std::make_unique<TQvGraph2D>();
        b->resize(300, 200);
        auto* bx = new TQvAxis(b.get());
        auto* by = new TQvAxis(b.get());
        by->SetPosition(TQvAxisPosition::Left);
        b->SetPrimaryXAxis(bx);
        b->SetPrimaryYAxis(by);
        a.legends[0]->SetGraph(b.get());
        a.ownLegend->SetGraph(b.get());
        a.series[0]->SetYAxis(by);   // the X axis stays on graph a
        Paint(a.graph);
        Paint(b.get());
        ASSERT_EQ(a.series[0]->Graph(), b.get());
        ASSERT_TRUE(a.x->RelatedSeries().contains(a.series[0].get()));
        if (freeOtherFirst) {
            b.reset();
            EXPECT_EQ(a.ownLegend->Graph(), nullptr);
            // The series let go of the X axis of graph a too.
            EXPECT_FALSE(a.x->RelatedSeries().contains(a.series[0].get()));
            a.series.erase(a.series.begin());
            Paint(a.graph);
        } else {
            a.FreeGraph();
            EXPECT_EQ(a.series[0]->XAxis(), nullptr);
            EXPECT_FALSE(b->RelatedSeries().contains(a.series[0].get()));
            EXPECT_FALSE(by->RelatedSeries().contains(a.series[0].get()));
            Paint(b.get());
            EXPECT_EQ(a.ownLegend->Graph(), b.get());
            b.reset();
            EXPECT_EQ(a.ownLegend->Graph(), nullptr);
        }
    }
}

// Series attached and detached at random (by giving and taking their Y axis) keep the order a
// plain list would have, on the graph and on both axes, however many holes the removals leave.
TEST(Lifetime, AttachAndDetachKeepTheOrder)
{
    TQvGraph2D graph;
    auto* x = new TQvAxis(&graph);
    auto* y = new TQvAxis(&graph);
    y->SetPosition(TQvAxisPosition::Left);
    graph.SetPrimaryXAxis(x);
    graph.SetPrimaryYAxis(y);
    TQvDoubleVector v;
    v.Add(1);
    std::vector<std::unique_ptr<TQvPointSeries>> series;
    for (int i = 0; i < 300; ++i) {
        series.push_back(std::make_unique<TQvPointSeries>());
        series.back()->SetXAxis(x);
        series.back()->SetYData(&v);
    }
    QList<TQvSeries*> model;
    std::mt19937 rng(7);
    for (int step = 0; step < 5000; ++step) {
        TQvPointSeries* s = series[rng() % series.size()].get();
        if (rng() % 3 == 0) {
            s->SetYAxis(nullptr);
            model.removeAll(s);
        } else {
            s->SetYAxis(y);
            if (!model.contains(s))
                model.append(s);
        }
        if (step % 97 == 0 || step == 4999) {
            ASSERT_EQ(graph.RelatedSeries(), model) << "step " << step;
            ASSERT_EQ(y->RelatedSeries(), model) << "step " << step;
            ASSERT_EQ(x->RelatedSeries(), model) << "step " << step;
            for (const auto& t : series)
                ASSERT_EQ(graph.HasSeries(t.get()), model.contains(t.get()));
        }
    }
}
