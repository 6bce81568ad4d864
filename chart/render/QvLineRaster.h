#pragma once
// Antialiased drawing of many short solid line segments straight into a 32-bit raster image.
//
// Dense curves reach the painter as hundreds of thousands of segments about a pixel long (the
// column lines of QvColumnLinesF). Qt's raster engine sets up a stroke for each of them, which
// costs several times the pixels they touch. This draws them as Qt would - each segment a
// rectangle of the pen's width with square caps, blended on its own with source-over - but with
// the coverage of each pixel computed directly: exactly (box filter) for horizontal and vertical
// segments, and by the box filter in the segment's own frame for slanted ones (a difference of a
// few levels of 255 on the edge pixels). A segment of no length is a square of the pen's width
// (Qt makes it twice as wide as high). Segments whose box would cover much more than the line
// itself (long slanted ones) and pens up to one device pixel wide are left to Qt.
//
// Only a painter on a raster image (a QImage, a widget's backing store, a pixmap) in a 32-bit
// premultiplied or RGB format, with a transform that only scales uniformly and translates,
// source-over, full opacity, antialiasing on and a solid pen is drawn into directly; every clip
// (the painter's, the system clip of a partial widget repaint, the image bounds) is kept. For
// anything else QvDrawSegments hands the whole list to QPainter::drawLines.

#include <QLineF>
#include <QPen>

class QPainter;

// Draws Lines[0..N) with Pen (its cap style is taken as square) on Gr. Returns the number of
// segments drawn directly (the rest went through QPainter::drawLines).
int QvDrawSegments(QPainter& Gr, const QPen& Pen, const QLineF* Lines, int N);

// Aliased solid lines wider than one device pixel with flat caps, in one opaque colour, drawn
// straight into the image. Qt's raster engine scan-converts each such line on its own and hands
// the rows to its span functions; here the rows are computed with the same arithmetic and filled
// in place, so the pixels are identical to QPainter::drawLines. Painters under the same
// conditions as above (raster image, scale and translation only, source-over, full opacity, at
// most 32 clip rectangles), but aliased, take this path; for anything else (antialiasing, other
// caps, translucent or non-solid pens, lines up to a device pixel wide, which Qt draws with a
// faster stroker of its own) the lines go to QPainter::drawLines. Returns the number of lines
// drawn directly (all of them, or none).
int QvDrawAliasedLines(QPainter& Gr, const QPen& Pen, const QLine* Lines, int N);
