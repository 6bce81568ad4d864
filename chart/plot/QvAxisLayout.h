#pragma once
// The layout pass of a graph: sizes and stacks every axis (first axis child on a side nearest
// the data), docks the legends, keeps room for the title and the scroll bars, and so fixes the
// graph's drawing area and every axis' AxLeft, AxTop and AxLength.
//
// TQvAxis::Calculate runs it for the axis' parent graph; TQvGraph2D::Calculate calls it through
// its primary X axis. What the pass writes into axes and graph (scale position and length,
// bounds, drawing area, title anchor, scroll-bar wishes) is private to them and open to
// TQvAxisLayout only.

class TQvGraph2D;
class TQvAxis;

class TQvAxisLayout
{
public:
    // Lays out all axes of Graph. Caller is the axis whose Calculate started the pass (may be
    // null). Does nothing while the graph is updating or already laying out; the graph counts as
    // laying out until the pass ends, also when it ends by an exception.
    static void Run(TQvGraph2D& Graph, TQvAxis* Caller = nullptr);
    // Gives Graph's drawing area the horizontal extent Left ... Right (client pixels, Right the
    // last column): moves its Left and Right axes along, gives its horizontal axes the new scale
    // and recomputes their ticks. Used for the common extent of coupled graphs.
    static void ApplyHorizontalExtent(TQvGraph2D& Graph, double Left, double Right);

private:
    // Places A's scale at Start (graph client pixels along the axis) with Length pixels.
    static void SetScale(TQvAxis* A, double Start, double Length);
};

inline void QvLayoutAxes(TQvGraph2D& Graph, TQvAxis* Caller = nullptr)
{
    TQvAxisLayout::Run(Graph, Caller);
}

inline void QvApplyHorizontalExtent(TQvGraph2D& Graph, double Left, double Right)
{
    TQvAxisLayout::ApplyHorizontalExtent(Graph, Left, Right);
}
