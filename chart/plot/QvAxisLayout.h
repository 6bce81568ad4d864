#pragma once
// The layout pass of a graph: sizes and stacks every axis (first axis child on a side nearest
// the data), docks the legends, keeps room for the title and the scroll bars, and so fixes the
// graph's drawing area and every axis' AxLeft, AxTop and AxLength.
//
// TQvAxis::Calculate runs it for the axis' parent graph; TQvGraph2D::Calculate calls it through
// its primary X axis.

class TQvGraph2D;
class TQvAxis;

// Lays out all axes of Graph. Caller is the axis whose Calculate started the pass (may be null);
// its label font size is the one the pass reads. Does nothing while the graph is updating.
void QvLayoutAxes(TQvGraph2D& Graph, TQvAxis* Caller = nullptr);

// True while a layout pass runs (axis painting and CheckResize do nothing meanwhile).
bool QvAxisLayoutRunning();

// Gives Graph's drawing area the horizontal extent Left ... Right (client pixels, Right the
// last column): moves its Left and Right axes along, gives its horizontal axes the new scale and
// recomputes their ticks. Used for the common extent of coupled graphs.
void QvApplyHorizontalExtent(TQvGraph2D& Graph, double Left, double Right);
