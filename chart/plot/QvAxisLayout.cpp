#include "QvAxisLayout.h"

#include "QvAxis.h"
#include "QvGraph2D.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

namespace {

enum TSide { SideBottom = 0, SideLeft = 1, SideTop = 2, SideRight = 3 };

TSide SideOf(const TQvAxis* A)
{
    return static_cast<TSide>(static_cast<int>(A->Position()));
}

// Pixels that must stay free beyond the scale's left/top end (Lo) and right/bottom end (Hi):
// labels sticking out, the room the bound series ask for, and the arrow head.
void Overhangs(const TQvAxis* A, double& Lo, double& Hi)
{
    Lo = Hi = 0;
    const bool Hor = A->Horizontal();
    const QRect B = A->Bounds();
    const double S0 = Hor ? A->AxLeft() + B.left() : A->AxTop() + B.top();
    const double S1 = S0 + A->AxLength();
    if (A->NumbersVisible() && !A->Labels().empty()) {
        double LabelLo = 0;
        double LabelHi = 0;
        for (const TQvAxisTextRec& L : A->Labels()) {
            const double Centre = Hor ? L.At.x() + B.left() : L.At.y() + B.top();
            const double Half = (Hor ? L.Extent.width() : L.Extent.height()) / 2;
            LabelLo = std::max(LabelLo, S0 - (Centre - Half));
            LabelHi = std::max(LabelHi, Centre + Half - S1);
        }
        if (Hor)
            LabelHi += 2;
        Lo = std::max(Lo, LabelLo);
        Hi = std::max(Hi, LabelHi);
    }
    if (Hor) {
        Lo = std::max(Lo, A->SeriesExtraSpace(TQvAxisPosition::Left));
        Hi = std::max(Hi, A->SeriesExtraSpace(TQvAxisPosition::Right));
    } else {
        Lo = std::max(Lo, A->SeriesExtraSpace(TQvAxisPosition::Top));
        Hi = std::max(Hi, A->SeriesExtraSpace(TQvAxisPosition::Bottom));
    }
    if (A->ArrowPoint()->Visible()) {
        const double Room = 3.0 * A->ArrowPoint()->PointLength();
        // The far end: right for horizontal axes, top for vertical ones; reversed when twisted.
        const bool AtHi = Hor != A->Twisted();
        (AtHi ? Hi : Lo) = std::max(AtHi ? Hi : Lo, Room);
    }
    Lo = std::ceil(Lo);
    Hi = std::ceil(Hi);
}

// Thickness of an axis across its direction. ExponentBeyond: room for the common exponent in a
// band of its own beyond the labels, with the caption beyond that band (see
// TQvAxis::ExtraExponentBeyondLabels).
double Thickness(const TQvAxis* A, bool ExponentBeyond)
{
    const bool Hor = A->Horizontal();
    double T = std::ceil(A->AxisThicknes() / 2) + A->DistanceToBorder() + A->MajorTickLength();
    const bool Labels = A->NumbersVisible() && !A->Labels().empty();
    if (Labels)
        T += A->DistanceAxisLabels() + (Hor ? A->MaxNumberLabelHeight() : A->MaxNumberLabelWidth());
    const bool Exponent = A->NumbersVisible() && A->HasExtraExponent();
    const QSizeF E = Exponent ? A->ExtraExponentRec().Size : QSizeF();
    const bool Band = Exponent && Hor && ExponentBeyond;
    if (Band)
        T += 2 + E.height();
    if (A->HasCaption()) {
        const QSizeF C = A->CaptionRec().Extent;
        T += (Hor ? C.height() : C.width()) + (Labels ? A->DistanceNumbersCaption() : A->DistanceAxisLabels());
    }
    if (Exponent && !Band)
        T = std::max(T, A->DistanceAxisExtraExponent() + A->MajorTickLength() + (Hor ? E.height() : E.width())
                            + A->AxisThicknes());
    return T;
}

// Whether A's common exponent stands beyond its labels.
bool ExponentBeyond(const TQvAxis* A)
{
    return A->Horizontal() && A->NumbersVisible() && A->HasExtraExponent() && A->ExtraExponentBeyondLabels();
}

// Axes whose exponent band the pass reserves although their ticks over the full length do not
// yet put the exponent beyond the labels (set for the second pass only, see TQvAxisLayout::Run).
QList<const TQvAxis*> gReserveExponentBand;

} // namespace

void TQvAxisLayout::SetScale(TQvAxis* A, double Start, double Length)
{
    const QRect B = A->Bounds();
    if (A->Horizontal())
        A->SetAxLeft(float(Start - B.left()));
    else
        A->SetAxTop(float(Start - B.top()));
    A->SetAxLength(float(std::max(40.0, Length)));
    A->CalculateTicks();
    A->ClearRecalculate();
}

void TQvAxisLayout::Run(TQvGraph2D& G, TQvAxis* Caller)
{
    if (G.FLayoutRunning)
        return;
    TQvAxis* PX = G.PrimaryXAxis();
    TQvAxis* PY = G.PrimaryYAxis();
    QList<const TQvAxis*> Again;
    {
        const QScopedValueRollback<bool> Running(G.FLayoutRunning, true);
        G.SetScrollBarWishes(false, false);
        if (G.ZeroOrigin()) {
            if (PX && !PX->Visible())
                PX->SetVisible(true);
            if (PY && !PY->Visible())
                PY->SetVisible(true);
        }
        if (G.Updating())
            return;
        if (G.IsCoupledGraph() && PX && !PX->NeedsRecalculate())
            PX->Modified();

        const QList<TQvAxis*> Axes = G.AxisChildren();
        const int W = G.width();
        const int H = G.height();

        // 1. Range, rounding and a first set of ticks over the full length.
        bool WantH = false;
        bool WantV = false;
        for (TQvAxis* A : Axes) {
            const bool Hor = A->Horizontal();
            A->LengthChanged(Hor ? W : H);
            if (A->IsSlaveAxis() && A->MasterAxis() && A->MasterAxis()->Start() <= A->MasterAxis()->Stop())
                A->FollowMaster();
            else if (!A->ValuesRounded())
                A->RoundCurrentRange();
            QRect B = A->Bounds();
            if (Hor)
                B = QRect(0, B.top(), W, B.height());
            else
                B = QRect(B.left(), 0, B.width(), H);
            A->SetBounds(B);
            A->SetAxLeft(0);
            A->SetAxTop(0);
            A->SetAxLength(float(Hor ? W : H));
            A->CalculateTicks();
            if (A->HidesDataWhileZoomed())
                (Hor ? WantH : WantV) = true;
        }

        // 2. Borders, scroll bars and title.
        double Margin[4];
        Margin[SideLeft] = std::ceil(G.DistanceBorderAxisLeft());
        Margin[SideRight] = std::ceil(G.DistanceBorderAxisRight());
        Margin[SideTop] = std::ceil(G.DistanceBorderAxisTop());
        Margin[SideBottom] = std::ceil(G.DistanceBorderAxisBottom());
        const bool ShowH = WantH && G.ZoomHScrollbarVisible() && !G.DoingMetafile();
        const bool ShowV = WantV && G.ZoomVScrollbarVisible() && !G.DoingMetafile();
        if (ShowH)
            Margin[SideBottom] += G.HScrollBarHeight();
        if (ShowV)
            Margin[SideLeft] += G.VScrollBarWidth();
        if (G.TitleShown())
            Margin[SideTop] = std::ceil(Margin[SideTop] + G.TitleSize().height() + G.CaptionDistanceBefore()
                                        + G.CaptionDistanceAfter());

        // 3. Docked legends against their sides.
        double Legend[4] = {0, 0, 0, 0};
        const QList<TQvGraphLegendBase*> Legends = G.RelatedLegends();
        auto LegendSide = [](TQvLegendPosition P) {
            switch (P) {
            case TQvLegendPosition::BottomCenterOfGraph:
            case TQvLegendPosition::BottomCenterOfAxis: return int(SideBottom);
            case TQvLegendPosition::LeftCenterOfGraph:
            case TQvLegendPosition::LeftCenterOfAxis:
            case TQvLegendPosition::LeftTopOfAxis: return int(SideLeft);
            case TQvLegendPosition::TopCenterOfGraph:
            case TQvLegendPosition::TopCenterOfAxis: return int(SideTop);
            case TQvLegendPosition::RightCenterOfGraph:
            case TQvLegendPosition::RightCenterOfAxis:
            case TQvLegendPosition::RightTopOfAxis: return int(SideRight);
            default: return -1;
            }
        };
        for (TQvGraphLegendBase* L : Legends) {
            if (!L || !L->IsVisible())
                continue;
            const int Side = LegendSide(L->DockPosition());
            if (Side < 0)
                continue;
            L->PreparePaint();
            QRect R = L->Bounds();
            switch (Side) {
            case SideBottom: R.moveTop(int(H - R.height() - Margin[SideBottom])); Legend[Side] = std::max<double>(Legend[Side], R.height()); break;
            case SideLeft: R.moveLeft(int(Margin[SideLeft])); Legend[Side] = std::max<double>(Legend[Side], R.width()); break;
            case SideTop: R.moveTop(int(Margin[SideTop])); Legend[Side] = std::max<double>(Legend[Side], R.height()); break;
            case SideRight: R.moveLeft(int(W - R.width() - Margin[SideRight])); Legend[Side] = std::max<double>(Legend[Side], R.width()); break;
            }
            L->SetBounds(R);
        }
        for (int S = 0; S < 4; ++S)
            Margin[S] += Legend[S];

        // 4. Axes stacked outward, from the last axis child to the first.
        TQvAxis* Inner[4] = {nullptr, nullptr, nullptr, nullptr};
        const bool Zero = G.ZeroOrigin();
        for (int i = int(Axes.size()) - 1; i >= 0; --i) {
            TQvAxis* A = Axes.at(i);
            const double Tf = Thickness(A, ExponentBeyond(A) || gReserveExponentBand.contains(A));
            const int T = int(std::ceil(Tf));
            const TSide Side = SideOf(A);
            const bool Vis = A->Visible();
            bool Adds = Vis;
            if (Zero && Side == SideLeft && PX && PX->Start() < 0)
                Adds = false;
            if (Zero && Side == SideBottom && PY && PY->Start() < 0)
                Adds = false;
            QRect B;
            switch (Side) {
            case SideLeft:
                B = QRect(int(Margin[SideLeft]), 0, T, H);
                break;
            case SideRight:
                B = QRect(int(W - Margin[SideRight] - T), 0, T, H);
                break;
            case SideBottom:
                B = QRect(0, int(H - Margin[SideBottom] - T), W, T);
                break;
            case SideTop:
                B = QRect(0, int(Margin[SideTop]), W, T);
                break;
            }
            if (Adds)
                Margin[Side] += T;
            if (Vis)
                Inner[Side] = A;
            A->SetBounds(B);

            // Along the axis: its own overhangs (from the ticks over the full length).
            double Lo, Hi;
            Overhangs(A, Lo, Hi);
            if (A->Horizontal()) {
                A->SetAxLeft(float(Lo));
                A->SetAxLength(float(W - Lo - Hi));
            } else {
                A->SetAxTop(float(Lo));
                A->SetAxLength(float(H - Lo - Hi));
            }
            // Across the axis: the position of its line.
            const float At = A->AxisThicknes();
            const bool In = A->TicksPointToData();
            switch (Side) {
            case SideLeft: A->SetAxLeft(In ? T - A->MajorTickLength() : float(std::ceil(Tf - At / 2))); break;
            case SideRight: A->SetAxLeft(In ? A->MajorTickLength() : float(std::ceil(At / 2))); break;
            case SideBottom: {
                float Y = In ? A->MajorTickLength() : float(std::ceil(At / 2));
                A->SetAxTop(Y < 1 ? 0 : Y);
                break;
            }
            case SideTop: A->SetAxTop(In ? T - A->MajorTickLength() : float(std::ceil(T - At / 2))); break;
            }
            if (A->AxLength() < 40)
                A->SetAxLength(40);
            A->CalculateTicks();
            A->ClearRecalculate();
        }

        // 5. Overhangs of the scales against the margins, of invisible axes too: the series on
        // them still need room beyond the scale ends.
        double Over[4] = {0, 0, 0, 0};
        for (TQvAxis* A : Axes) {
            double Lo, Hi;
            Overhangs(A, Lo, Hi);
            if (A->Horizontal()) {
                Over[SideLeft] = std::max(Over[SideLeft], Lo);
                Over[SideRight] = std::max(Over[SideRight], Hi);
            } else {
                Over[SideTop] = std::max(Over[SideTop], Lo);
                Over[SideBottom] = std::max(Over[SideBottom], Hi);
            }
        }
        auto SpansZero = [](const TQvAxis* A) {
            return A && !A->HasLogScaling() && A->Start() < 0 && A->Stop() > 0;
        };
        const bool XZero = Zero && SpansZero(PX);
        const bool YZero = Zero && SpansZero(PY);
        if (XZero)
            Inner[SideLeft] = Inner[SideRight] = nullptr;
        if (YZero)
            Inner[SideTop] = Inner[SideBottom] = nullptr;
        for (int S = 0; S < 4; ++S) {
            TQvAxis* A = Inner[S];
            if (!A) {
                Margin[S] += Over[S];
                continue;
            }
            const QRect B = A->Bounds();
            const double D = A->DistanceValuesAxis();
            const bool Small = Margin[S] < Over[S];
            if (Small)
                Margin[S] = Over[S];
            switch (S) {
            case SideLeft:
                if (Small)
                    A->SetAxLeft(float(Over[S] - D - B.left()));
                else
                    Margin[S] = std::ceil(B.left() + A->AxLeft() + D);
                break;
            case SideRight:
                if (Small)
                    A->SetAxLeft(float(W - Over[S] + D - B.left()));
                else
                    Margin[S] = std::ceil(W - (B.left() + A->AxLeft()) + D);
                break;
            case SideBottom:
                if (Small)
                    A->SetAxTop(float(H - Over[S] + D - B.top()));
                else
                    Margin[S] = std::ceil(H - (B.top() + A->AxTop()) + D);
                break;
            case SideTop:
                if (Small)
                    A->SetAxTop(float(Over[S] - D - B.top()));
                else
                    Margin[S] = std::ceil(B.top() + A->AxTop() + D);
                break;
            }
        }

        // 6. The scales over the drawing area.
        auto Raise = [&](TQvAxis* A) {
            const double Half = std::ceil(A->MajorTickThicknes() / 2);
            if (A->Horizontal())
                Margin[SideRight] = std::max(Margin[SideRight], Half);
            else
                Margin[SideTop] = std::max(Margin[SideTop], Half);
        };
        auto Place = [&](TQvAxis* A) {
            if (A->Horizontal())
                SetScale(A, Margin[SideLeft], W - Margin[SideLeft] - Margin[SideRight]);
            else
                SetScale(A, Margin[SideTop], H - Margin[SideBottom] - Margin[SideTop]);
        };
        if (!Zero) {
            for (TQvAxis* A : Axes)
                Raise(A);
            for (TQvAxis* A : Axes)
                Place(A);
        } else {
            for (TQvAxis* A : {PX, PY})
                if (A && Axes.contains(A))
                    Raise(A);
            for (TQvAxis* A : {PX, PY})
                if (A && Axes.contains(A))
                    Place(A);
            if (PX && PY) {
                if (XZero) {
                    // The Y axis line stands at x = 0; the crossing's label and tick go.
                    const float X0 = PX->NumberToWorld(0);
                    QRect B = PY->Bounds();
                    B.moveLeft(int(std::lround(X0 - PY->AxLeft())));
                    PY->SetBounds(B);
                    PY->RemoveTickAt(PY->NumberToWorld(0));
                    if (YZero)
                        PY->CaptionToScaleEnd(PY->NumberToWorld(0));
                } else {
                    PX->RemoveFirstLabel();
                }
                if (YZero) {
                    // The X axis line stands at y = 0.
                    const float Y0 = PY->NumberToWorld(0);
                    QRect B = PX->Bounds();
                    B.moveTop(int(std::lround(Y0 - PX->AxTop())));
                    PX->SetBounds(B);
                    PX->RemoveTickAt(PX->NumberToWorld(0));
                    if (XZero)
                        PX->CaptionToScaleEnd(PX->NumberToWorld(0));
                } else {
                    PY->RemoveFirstLabel();
                }
            }
        }

        // Whether an exponent goes beyond the labels is known only now that the scales have
        // their final length: an axis whose room for it is missing needs one more pass (the
        // horizontal scale lengths do not depend on it, so that one settles it).
        for (TQvAxis* A : Axes)
            if (A->Visible() && ExponentBeyond(A) && !gReserveExponentBand.contains(A))
                Again.append(A);

        // 7. Drawing area, title, scroll bars, legends along their sides.
        const QRectF Area(Margin[SideLeft], Margin[SideTop], W - Margin[SideLeft] - Margin[SideRight] + 1,
                          H - Margin[SideTop] - Margin[SideBottom] + 1);
        G.SetDrawingArea(Area);
        double TitleX = W / 2.0;
        if (G.CaptionAlignment() == TQvCaptionAlignment::Left)
            TitleX = G.DistanceBorderAxisLeft();
        else if (G.CaptionAlignment() == TQvCaptionAlignment::Right)
            TitleX = W - G.DistanceBorderAxisRight();
        G.SetTitleAnchor(QPointF(TitleX, G.CaptionDistanceBefore()));
        G.SetScrollBarWishes(ShowH, ShowV);
        const int AX = int(std::lround(Area.x()));
        const int AY = int(std::lround(Area.y()));
        const int AW = int(std::lround(Area.width()));
        const int AH = int(std::lround(Area.height()));
        for (TQvGraphLegendBase* L : Legends) {
            if (!L || !L->IsVisible())
                continue;
            QRect R = L->Bounds();
            switch (L->DockPosition()) {
            case TQvLegendPosition::BottomCenterOfGraph:
            case TQvLegendPosition::TopCenterOfGraph: R.moveLeft((W - R.width()) / 2); break;
            case TQvLegendPosition::BottomCenterOfAxis:
            case TQvLegendPosition::TopCenterOfAxis: R.moveLeft(AX + (AW - R.width()) / 2); break;
            case TQvLegendPosition::LeftCenterOfGraph:
            case TQvLegendPosition::RightCenterOfGraph: R.moveTop((H - R.height()) / 2); break;
            case TQvLegendPosition::LeftCenterOfAxis:
            case TQvLegendPosition::RightCenterOfAxis: R.moveTop(AY + (AH - R.height()) / 2); break;
            case TQvLegendPosition::LeftTopOfAxis:
            case TQvLegendPosition::RightTopOfAxis: R.moveTop(AY); break;
            default: continue;
            }
            L->SetBounds(R);
        }
        for (TQvAxis* A : Axes)
            A->ClearRecalculate();

        // 8. Coupled graphs share the horizontal extent; series points moved.
        if (G.HasChildGraphs())
            G.ApplyCommonHorizontalExtent();
        G.AllPointsModified();
    }
    if (!Again.isEmpty() && gReserveExponentBand.isEmpty()) {
        struct TReset
        {
            ~TReset() { gReserveExponentBand.clear(); }
        } Reset;
        gReserveExponentBand = Again;
        Run(G, Caller);
        return;
    }
    for (TQvAxis* A : G.AxisChildren())
        emit A->OnCalculated(A);
    (void)Caller;
}

void TQvAxisLayout::ApplyHorizontalExtent(TQvGraph2D& G, double Left, double Right)
{
    QRectF Area = G.DrawingArea();
    const double OldLeft = Area.left();
    const double OldRight = Area.left() + Area.width() - 1;
    const int DL = int(std::lround(Left - OldLeft));
    const int DR = int(std::lround(Right - OldRight));
    const QScopedValueRollback<bool> Running(G.FLayoutRunning, true);
    for (TQvAxis* A : G.AxisChildren()) {
        QRect B = A->Bounds();
        switch (A->Position()) {
        case TQvAxisPosition::Left:
            B.translate(DL, 0);
            A->SetBounds(B);
            break;
        case TQvAxisPosition::Right:
            B.translate(DR, 0);
            A->SetBounds(B);
            break;
        default:
            SetScale(A, Left, Right - Left);
            break;
        }
    }
    Area.setLeft(Left);
    Area.setWidth(Right - Left + 1);
    G.SetDrawingArea(Area);
}
