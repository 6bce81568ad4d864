#pragma once
// What the mouse points at in a graph: the cursor's position in each visible axis, in that
// axis' own scale, and the nearest drawn point of any series within a few pixels.
//
// The nearest point is searched among the points each series has already mapped to the screen
// (and thinned) for its last paint, never in the data: a graph of hundreds of series with
// millions of values answers in a few milliseconds. A series whose screen points are stale
// (data changed, not painted since) is left out until its next paint.
//
// The graph fills a TQvHoverInfo on every mouse move while its hover readout is on
// (TQvGraph2D::SetHoverReadout) and draws the series of the nearest point highlighted;
// QvHoverText turns the record into the one-line readout the window shows.

#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QPointer>
#include <QString>

class QPainter;
class TQvAxis;
class TQvGraph2D;
class TQvSeries;

// The largest distance in pixels between the cursor and a point that still counts as pointed at.
constexpr double QvHoverRadius = 8.0;

struct TQvHoverAxisValue
{
    QPointer<TQvAxis> Axis;
    QString Caption;        // the axis caption without markup
    double Value = 0;       // the cursor's position on the axis, as a value of the axis' scale
    double Resolution = 0;  // what one pixel spans: a value, or decades on a log scale
    bool Log = false;
    bool Horizontal = false;
};

struct TQvHoverInfo
{
    QPointF Position;                 // cursor, in the graph's coordinates
    bool InDrawingArea = false;       // false: nothing below is filled
    QList<TQvHoverAxisValue> Axes;    // the visible axes, horizontal ones first
    // The nearest drawn point within QvHoverRadius; Series is null when there is none.
    QPointer<TQvSeries> Series;
    QString SeriesCaption;            // the series' caption without markup (its name when empty)
    int Index = -1;                   // index of the point in the series' vectors
    double X = 0;                     // the point's values as the vectors hold them
    double Y = 0;
    QPointF ScreenPoint;              // where the point is drawn
    double Distance = 0;              // from the cursor, in pixels
};

Q_DECLARE_METATYPE(TQvHoverInfo)

// The readout at Position (graph coordinates).
TQvHoverInfo QvHoverInfoAt(const TQvGraph2D& Graph, const QPointF& Position, double Radius = QvHoverRadius);

// The nearest screen point of one series within Radius of Position: its slot among the series'
// screen points, or -1. Distance receives the distance in pixels.
int QvNearestScreenPoint(const TQvSeries& Series, const QPointF& Position, double Radius, double& Distance);

// A cursor position on an axis: as many digits as one pixel resolves (log axes: the value, three
// significant digits, scientific).
QString QvHoverAxisText(const TQvHoverAxisValue& Value);
// A value as a series' vector holds it: the shortest text that reads back as the same single
// precision value when the value is one (the files' numbers are), else as the same double.
QString QvHoverDataText(double Value);
// The readout line: "<axis caption> = <value>" for each axis, then the nearest point with its
// series caption, index and values. Empty when the cursor is not over the drawing area.
QString QvHoverText(const TQvHoverInfo& Info);
// Its two halves: the cursor's position on the axes, and the nearest point (empty when there is
// none within reach).
QString QvHoverAxesText(const TQvHoverInfo& Info);
QString QvHoverPointText(const TQvHoverInfo& Info);

// Draws Series over what is painted so far as highlighted: its line wider and opaque, its
// symbols larger (the graph fades the rest first). Uses the series' current screen points; changes nothing of the series.
void QvPaintHighlight(QPainter& Gr, TQvSeries& Series);
