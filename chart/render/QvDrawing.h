#pragma once
// The thin drawing layer of the chart library over QPainter.
//
// Most drawing is plain QPainter, QPen, QBrush, QPainterPath, QRegion and QTransform. This header
// adds what the chart code needs on top: smoothing modes and text rendering hints mapped onto
// render hints, lines with arrow caps, clip and transform save/restore, clip exclusion, widening
// and outlining of paths.

#include "QvChartTypes.h"
#include "QvGDI.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QTransform>

void QvSetSmoothingMode(QPainter& Painter, TQvSmoothingMode Mode);
TQvSmoothingMode QvSmoothingMode(const QPainter& Painter);
// Sets the painter's text anti-aliasing for the hint.
void QvSetTextRenderingHint(QPainter& Painter, TQvTextRenderingHint Hint);
// The font prepared for a hint (aliased fonts for the SingleBitPerPixel modes, full hinting for
// the GridFit modes, none otherwise).
QFont QvFontForHint(const QFont& Font, TQvTextRenderingHint Hint);

// Draws a line with the pen, honouring its arrow caps (the line stops at the caps' base inset and
// the filled tips are drawn in the pen's brush).
void QvDrawLine(QPainter& Painter, const TQvPen& Pen, const QPointF& From, const QPointF& To);
// Draws a polyline with the pen, arrow caps at its first and last segment.
void QvDrawPolyline(QPainter& Painter, const TQvPen& Pen, const QPolygonF& Points);

// Clip helpers. A clip holds until it is reset; saving it and restoring it later brings back the
// same clip (or no clip).
struct TQvClipState
{
    bool HasClip = false;
    QPainterPath Path;
};
TQvClipState QvSaveClip(const QPainter& Painter);
void QvRestoreClip(QPainter& Painter, const TQvClipState& State);
// Intersects the clip with a rectangle (or replaces it with the rectangle when Replace is set).
void QvSetClipRect(QPainter& Painter, const QRectF& Rect, bool Replace = false);
// Removes an area from the clip; without a clip, from the painter's whole device.
void QvExcludeClip(QPainter& Painter, const QRegion& Area);
void QvExcludeClip(QPainter& Painter, const QRectF& Rect);
void QvExcludeClip(QPainter& Painter, const QPainterPath& Path);
void QvResetClip(QPainter& Painter);

// Saves the clip on construction and restores it on destruction.
class TQvClipSaver
{
public:
    explicit TQvClipSaver(QPainter& Painter) : FPainter(Painter), FState(QvSaveClip(Painter)) {}
    ~TQvClipSaver() { QvRestoreClip(FPainter, FState); }
    TQvClipSaver(const TQvClipSaver&) = delete;
    TQvClipSaver& operator=(const TQvClipSaver&) = delete;
    const TQvClipState& State() const { return FState; }

private:
    QPainter& FPainter;
    TQvClipState FState;
};

// Saves the world transform on construction and restores it on destruction.
class TQvTransformSaver
{
public:
    explicit TQvTransformSaver(QPainter& Painter)
        : FPainter(Painter), FTransform(Painter.worldTransform())
    {
    }
    ~TQvTransformSaver() { FPainter.setWorldTransform(FTransform); }
    TQvTransformSaver(const TQvTransformSaver&) = delete;
    TQvTransformSaver& operator=(const TQvTransformSaver&) = delete;

private:
    QPainter& FPainter;
    QTransform FTransform;
};

// Rotates the world transform by Degrees (clockwise on screen) about Center.
void QvRotateAt(QPainter& Painter, const QPointF& Center, qreal Degrees);

// The outline of Path stroked with a pen of the given width (dash style and caps of the pen).
QPainterPath QvWidenPath(const QPainterPath& Path, const QPen& Pen);
// The path flattened to polygons with the given tolerance in pixels and simplified to its outline.
QPainterPath QvOutlinePath(const QPainterPath& Path, qreal Flatness = 0.25);
