#include "QvHover.h"

#include "QvAxis.h"
#include "QvColors.h"
#include "QvFormat.h"
#include "QvGDI.h"
#include "QvGraph2D.h"
#include "QvLineRaster.h"
#include "QvRichCaption.h"
#include "QvSeries.h"
#include "QvStyles.h"
#include "QvThinning.h"

#include <QPainter>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

int QvNearestScreenPoint(const TQvSeries& Series, const QPointF& Position, double Radius, double& Distance)
{
    const TQvGraph2D* G = Series.Graph();
    if (!G || Series.RecalculatePoints() || !Series.SeriesVisible())
        return -1;
    const QRectF A = G->DrawingArea();
    const float Px = float(Position.x()), Py = float(Position.y());
    const float R = float(Radius);
    float Best = R * R;
    int Found = -1;
    const TQvFloatPoint* P = Series.Points().Data();
    const int N = std::min(Series.PointCount(), Series.Points().Count());
    const float Left = float(A.left()), Right = float(A.right()), Top = float(A.top()), Bottom = float(A.bottom());
    for (int I = 0; I < N; ++I) {
        const float Dx = P[I].X - Px;
        if (Dx > R || Dx < -R)
            continue;
        const float Dy = P[I].Y - Py;
        if (Dy > R || Dy < -R)
            continue;
        const float D = Dx * Dx + Dy * Dy;
        // Points outside the drawing area are not drawn: they cannot be pointed at.
        if (D > Best || P[I].X < Left || P[I].X > Right || P[I].Y < Top || P[I].Y > Bottom)
            continue;
        Best = D;
        Found = I;
    }
    if (Found >= 0)
        Distance = std::sqrt(double(Best));
    return Found;
}

TQvHoverInfo QvHoverInfoAt(const TQvGraph2D& Graph, const QPointF& Position, double Radius)
{
    TQvHoverInfo Info;
    Info.Position = Position;
    const QRectF Area = Graph.DrawingArea();
    Info.InDrawingArea = Area.isValid() && Area.contains(Position);
    if (!Info.InDrawingArea)
        return Info;

    QList<TQvHoverAxisValue> Vertical;
    for (TQvAxis* A : Graph.Axes()) {
        if (!A->Visible() || A->AxLength() <= 0)
            continue;
        TQvHoverAxisValue V;
        V.Axis = A;
        V.Caption = QvRichCaptionPlainText(A->Caption()).simplified();
        if (V.Caption.isEmpty())
            V.Caption = A->objectName();
        V.Horizontal = A->Horizontal();
        V.Log = A->HasLogScaling();
        V.Value = A->WorldToNumber(V.Horizontal ? Position.x() : Position.y());
        V.Resolution = std::fabs(A->NormalizeConst());
        (V.Horizontal ? Info.Axes : Vertical).append(V);
    }
    Info.Axes.append(Vertical);

    // Every series is searched; on equal distance the one drawn later (on top) wins.
    double Best = Radius;
    int BestSlot = -1;
    TQvSeries* BestSeries = nullptr;
    for (TQvSeries* S : Graph.RelatedSeries()) {
        double D = 0;
        const int Slot = QvNearestScreenPoint(*S, Position, Best, D);
        if (Slot < 0 || D > Best)
            continue;
        Best = D;
        BestSlot = Slot;
        BestSeries = S;
    }
    if (!BestSeries)
        return Info;
    const TQvFloatPoint P = BestSeries->Points().Data()[BestSlot];
    Info.Series = BestSeries;
    Info.SeriesCaption = QvRichCaptionPlainText(BestSeries->Caption()).simplified();
    if (Info.SeriesCaption.isEmpty())
        Info.SeriesCaption = BestSeries->objectName();
    Info.ScreenPoint = QPointF(P.X, P.Y);
    Info.Distance = Best;
    const int Index = BestSlot < BestSeries->PointIndex().Count() ? BestSeries->PointIndex().Data()[BestSlot] : -1;
    Info.Index = Index;
    const TQvCustomDoubleVector* XV = BestSeries->XData();
    const TQvCustomDoubleVector* YV = BestSeries->YData();
    if (Index >= 0 && XV && YV && Index < XV->Count() && Index < YV->Count()) {
        Info.X = XV->GetValue(Index);
        Info.Y = YV->GetValue(Index);
    } else {
        // A calculated point without a data index: its values at its pixel.
        Info.X = BestSeries->XAxis() ? BestSeries->XAxis()->WorldToNumber(P.X) : 0;
        Info.Y = BestSeries->YAxis() ? BestSeries->YAxis()->WorldToNumber(P.Y) : 0;
    }
    return Info;
}

QString QvHoverAxisText(const TQvHoverAxisValue& V)
{
    const double Value = V.Value;
    if (!std::isfinite(Value))
        return QvFormatGeneral(Value);
    if (V.Log)
        return QvFormatFloat(QStringLiteral("0.00E+00"), Value);
    if (Value == 0)
        return QStringLiteral("0");
    // Digits down to the decade of one pixel: finer ones would only show noise of the mouse.
    const double Pixel = V.Resolution > 0 ? V.Resolution : std::fabs(Value) * 1e-6;
    const int Lead = int(std::floor(std::log10(std::fabs(Value))));
    const int Last = int(std::floor(std::log10(Pixel)));
    // Never fewer digits than the integer part has (50, not 5E1).
    const int Digits = std::clamp(std::max(Lead - Last, Lead) + 1, 1, 15);
    return QvFormatGeneral(Value, Digits);
}

QString QvHoverDataText(double Value)
{
    if (!std::isfinite(Value) || Value == 0)
        return QvFormatGeneral(Value);
    // The shortest decimal that reads back as the same value counts the digits to show.
    char Text[64];
    std::to_chars_result R{};
    const float Single = float(Value);
    if (std::isfinite(Single) && double(Single) == Value)
        R = std::to_chars(Text, Text + sizeof Text, Single, std::chars_format::scientific);
    else
        R = std::to_chars(Text, Text + sizeof Text, Value, std::chars_format::scientific);
    int Digits = 0;
    for (const char* C = Text; C < R.ptr && *C != 'e'; ++C)
        if (*C >= '0' && *C <= '9')
            ++Digits;
    // The program's general format shows at most 15 digits, and never fewer than the integer
    // part has (50, not 5E1).
    const int Lead = int(std::floor(std::log10(std::fabs(Value))));
    return QvFormatGeneral(Value, std::clamp(std::max(Digits, Lead + 1), 1, 15));
}

QString QvHoverAxesText(const TQvHoverInfo& Info)
{
    if (!Info.InDrawingArea)
        return QString();
    QStringList Parts;
    for (const TQvHoverAxisValue& V : Info.Axes)
        Parts << V.Caption + QStringLiteral(" = ") + QvHoverAxisText(V);
    return Parts.join(QStringLiteral("   "));
}

QString QvHoverPointText(const TQvHoverInfo& Info)
{
    if (!Info.InDrawingArea || !Info.Series)
        return QString();
    return Info.SeriesCaption + QStringLiteral(", point ") + QString::number(Info.Index) + QStringLiteral(": x = ")
        + QvHoverDataText(Info.X) + QStringLiteral(", y = ") + QvHoverDataText(Info.Y);
}

QString QvHoverText(const TQvHoverInfo& Info)
{
    QString Text = QvHoverAxesText(Info);
    const QString Point = QvHoverPointText(Info);
    if (!Point.isEmpty())
        Text += QStringLiteral("   |   ") + Point;
    return Text;
}

void QvPaintHighlight(QPainter& Gr, TQvSeries& Series)
{
    if (Series.RecalculatePoints() || !Series.SeriesVisible())
        return;
    const int N = std::min(Series.PointCount(), Series.Points().Count());
    if (N <= 0)
        return;
    const TQvFloatPoint* P = Series.Points().Data();
    Gr.save();
    Gr.setRenderHint(QPainter::Antialiasing, true);
    Gr.setBrush(Qt::NoBrush);
    if ((Series.LineShown() || Series.AreaShown()) && N >= 2) {
        const QPen Base = Series.LinePen();
        const double Width = std::max(1.0, double(Series.Line()->Width()));
        QColor Color = QvToQColor(Series.Line()->Color());
        Color.setAlpha(255);
        QPen Pen(Color, Width + 2, Series.LineShown() ? Base.style() : Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        static thread_local std::vector<QLineF> Lines;
        QvColumnLinesF(P, N, Lines);
        if (Pen.style() == Qt::SolidLine) {
            QvDrawSegments(Gr, Pen, Lines.data(), int(Lines.size()));
        } else {
            Gr.setPen(Pen);
            QPolygonF Poly;
            Poly.reserve(N);
            for (int I = 0; I < N; ++I)
                Poly.append(QPointF(P[I].X, P[I].Y));
            Gr.drawPolyline(Poly);
        }
    }
    if (Series.SymbolsShown()) {
        if (N <= 300) {
            // A few symbols: larger than the others.
            const TQvPointSymbolSettings* S = Series.PointSymbol();
            const float Size = S->Size() * 1.25f + 2;
            for (int I = 0; I < N; ++I)
                QvDrawPointSymbol(Gr, S->PointSymbol(), Size, QPointF(P[I].X, P[I].Y), Series.SymbolBorderPen(),
                                  Series.SymbolFillBrush());
        } else {
            // Thousands of symbols form a band: drawn as they are (stamped, fast) over the faded rest.
            Series.DrawSymbols(Gr);
        }
    }
    Gr.restore();
}
