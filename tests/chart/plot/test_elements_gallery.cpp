// The legend, error-bar and calculated series side by side; writes out/elements_gallery.png
// (or the path in TARNWELL_GALLERY_OUT) when that variable is set.
#include "QvAxis.h"
#include "QvErrorSeries.h"
#include "QvGraph2D.h"
#include "QvIntegral.h"
#include "QvLegend.h"
#include "QvStyles.h"
#include "QvVectors.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>

TEST(ElementsGallery, EveryElementDraws)
{
    QImage sheet(1200, 800, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter out(&sheet);
    TQvDoubleVector xs, ys, dx, dy;
    for (int i = 0; i < 12; ++i) {
        xs.Add(i + 1);
        ys.Add(std::exp(0.3 * i) + std::sin(i));
        dx.Add(0.3);
        dy.Add(0.2 * std::exp(0.3 * i));
    }
    const TQvLegendPosition pos[4] = {TQvLegendPosition::RightTopOfAxis, TQvLegendPosition::BottomCenterOfGraph,
                                      TQvLegendPosition::TopCenterOfAxis, TQvLegendPosition::LeftCenterOfAxis};
    for (int g = 0; g < 4; ++g) {
        TQvGraph2D graph;
        graph.resize(600, 400);
        auto* x = new TQvAxis(&graph);
        auto* y = new TQvAxis(&graph);
        y->SetPosition(TQvAxisPosition::Left);
        if (g == 1)
            y->SetScaling(TQvAxisScaling::Log);
        graph.SetPrimaryXAxis(x);
        graph.SetPrimaryYAxis(y);
        TQvPointWithErrorSeries e;
        e.SetCaption(QStringLiteral("Data with error bars"));
        e.SetXAxis(x);
        e.SetYAxis(y);
        e.SetXData(&xs);
        e.SetYData(&ys);
        e.SetDeltaYPlus(&dy);
        e.SetDeltaYMinus(&dy);
        if (g != 2)
            e.SetDeltaXPlus(&dx);
        e.SetDeltaXMinus(&dx);
        e.Line()->SetVisible(false);
        TQvInterpolation curve;
        TQvIntegral integral;
        TQvDifferential slope;
        curve.SetCaption(curve.FormulaCaption());
        integral.SetCaption(integral.FormulaCaption());
        slope.SetCaption(slope.FormulaCaption());
        integral.Line()->SetColor(0xFF008000);
        slope.Line()->SetColor(0xFFFF8C00);
        for (TQvSeries* s : {static_cast<TQvSeries*>(&curve), static_cast<TQvSeries*>(&integral),
                             static_cast<TQvSeries*>(&slope)}) {
            if (g == 1 && s != &curve)
                continue;
            s->SetXAxis(x);
            s->SetYAxis(y);
            s->SetXData(&xs);
            s->SetYData(&ys);
            static_cast<TQvFunctionSeries*>(s)->SetClipYValues(false);
        }
        auto* legend = new TQvLegend(&graph);
        legend->SetPosition(pos[g]);
        legend->SetBackColor(0xFFFFFFF0);
        legend->SetDropShadow(g % 2 == 0);
        legend->SetCornerRounding(g == 2 ? 8 : 0);
        legend->SetBorderRaised(g == 3);
        legend->SetCaptionVisible(g == 0);
        legend->SetCaption(QStringLiteral("Legend"));
        QImage img(600, 400, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::white);
        QPainter p(&img);
        graph.PaintGr(p);
        p.end();
        EXPECT_GT(legend->Items().size(), 1);
        EXPECT_TRUE(e.PointCount() > 0);
        out.drawImage((g % 2) * 600, (g / 2) * 400, img);
    }
    out.end();
    const QByteArray path = qgetenv("TARNWELL_GALLERY_OUT");
    if (!path.isEmpty()) {
        EXPECT_TRUE(sheet.save(QString::fromLocal8Bit(path)));
    }
}
