#pragma once
// A graph for chart tests: 600 x 400, a bottom X axis and a left Y axis as primary axes, and two
// vectors for series to show.
#include "QvAxis.h"
#include "QvGraph2D.h"
#include "QvSeries.h"
#include "QvVectors.h"

#include <QImage>
#include <QPainter>

#include <initializer_list>
#include <vector>

// Adds a bottom X axis "XAxis1" and a left Y axis "YAxis1" to the graph as its primary axes.
inline void AddPrimaryAxes(TQvGraph2D& graph, TQvAxis*& x, TQvAxis*& y)
{
    x = new TQvAxis(&graph);
    x->setObjectName(QStringLiteral("XAxis1"));
    y = new TQvAxis(&graph);
    y->setObjectName(QStringLiteral("YAxis1"));
    y->SetPosition(TQvAxisPosition::Left);
    graph.SetPrimaryXAxis(x);
    graph.SetPrimaryYAxis(y);
}

struct TestGraph
{
    TQvGraph2D graph;
    TQvAxis* x;
    TQvAxis* y;
    TQvDoubleVector xs, ys;

    TestGraph()
    {
        graph.resize(600, 400);
        AddPrimaryAxes(graph, x, y);
    }

    // Binds a series to both axes and both vectors.
    void Attach(TQvSeries& s)
    {
        s.SetXAxis(x);
        s.SetYAxis(y);
        s.SetXData(&xs);
        s.SetYData(&ys);
    }

    // One full paint into an image (layout, ranges, points).
    QImage Render()
    {
        QImage img(graph.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        graph.PaintGr(p);
        return img;
    }
};

// Replaces the vector's values.
inline void Fill(TQvDoubleVector& v, const std::vector<double>& values)
{
    v.Clear();
    for (double d : values)
        v.Add(d);
}

inline void Fill(TQvDoubleVector& v, std::initializer_list<double> values)
{
    Fill(v, std::vector<double>(values));
}
