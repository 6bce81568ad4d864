#include "QvDrawing.h"

#include <QPaintDevice>
#include <QPainterPathStroker>
#include <cmath>

void QvSetSmoothingMode(QPainter& Painter, TQvSmoothingMode Mode)
{
    switch (Mode) {
    case TQvSmoothingMode::None:
    case TQvSmoothingMode::HighSpeed:
        Painter.setRenderHint(QPainter::Antialiasing, false);
        Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        break;
    case TQvSmoothingMode::AntiAlias:
        Painter.setRenderHint(QPainter::Antialiasing, true);
        Painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        break;
    case TQvSmoothingMode::HighQuality:
        Painter.setRenderHint(QPainter::Antialiasing, true);
        Painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        break;
    }
}

TQvSmoothingMode QvSmoothingMode(const QPainter& Painter)
{
    if (!Painter.testRenderHint(QPainter::Antialiasing))
        return TQvSmoothingMode::None;
    return Painter.testRenderHint(QPainter::SmoothPixmapTransform) ? TQvSmoothingMode::HighQuality
                                                                   : TQvSmoothingMode::AntiAlias;
}

void QvSetTextRenderingHint(QPainter& Painter, TQvTextRenderingHint Hint)
{
    const bool aliased = Hint == TQvTextRenderingHint::SingleBitPerPixel
        || Hint == TQvTextRenderingHint::SingleBitPerPixelGridFit;
    Painter.setRenderHint(QPainter::TextAntialiasing, !aliased);
}

QFont QvFontForHint(const QFont& Font, TQvTextRenderingHint Hint)
{
    QFont f = Font;
    switch (Hint) {
    case TQvTextRenderingHint::SystemDefault:
        break;
    case TQvTextRenderingHint::SingleBitPerPixelGridFit:
        f.setStyleStrategy(QFont::NoAntialias);
        f.setHintingPreference(QFont::PreferFullHinting);
        break;
    case TQvTextRenderingHint::SingleBitPerPixel:
        f.setStyleStrategy(QFont::NoAntialias);
        f.setHintingPreference(QFont::PreferNoHinting);
        break;
    case TQvTextRenderingHint::AntiAliasGridFit:
    case TQvTextRenderingHint::ClearTypeGridFit:
        f.setStyleStrategy(QFont::PreferAntialias);
        f.setHintingPreference(QFont::PreferFullHinting);
        break;
    case TQvTextRenderingHint::AntiAlias:
        f.setStyleStrategy(QFont::PreferAntialias);
        f.setHintingPreference(QFont::PreferNoHinting);
        break;
    }
    return f;
}

namespace {

// Moves End towards Start by Inset pixels (not past Start).
QPointF Shorten(const QPointF& Start, const QPointF& End, double Inset)
{
    const QPointF d = End - Start;
    const double len = std::hypot(d.x(), d.y());
    if (len <= 0)
        return End;
    return End - d * (std::min(Inset, len) / len);
}

void DrawTip(QPainter& Painter, const TQvPen& Pen, const TQvArrowCap& Cap, const QPointF& From,
             const QPointF& To)
{
    Painter.save();
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(Pen.brush());
    Painter.drawPolygon(Cap.Polygon(From, To, Pen.Width()));
    Painter.restore();
}

} // namespace

void QvDrawLine(QPainter& Painter, const TQvPen& Pen, const QPointF& From, const QPointF& To)
{
    QPolygonF pts;
    pts << From << To;
    QvDrawPolyline(Painter, Pen, pts);
}

void QvDrawPolyline(QPainter& Painter, const TQvPen& Pen, const QPolygonF& Points)
{
    if (Points.size() < 2)
        return;
    QPolygonF line = Points;
    const double scale = std::max(1.0f, Pen.Width());
    const qsizetype n = line.size();
    if (Pen.EndArrow())
        line[n - 1] = Shorten(Points[n - 2], Points[n - 1], Pen.EndArrow()->BaseInset() * scale);
    if (Pen.StartArrow())
        line[0] = Shorten(Points[1], Points[0], Pen.StartArrow()->BaseInset() * scale);
    Painter.save();
    Painter.setPen(Pen);
    Painter.setBrush(Qt::NoBrush);
    Painter.drawPolyline(line);
    Painter.restore();
    if (Pen.EndArrow())
        DrawTip(Painter, Pen, *Pen.EndArrow(), Points[n - 2], Points[n - 1]);
    if (Pen.StartArrow())
        DrawTip(Painter, Pen, *Pen.StartArrow(), Points[1], Points[0]);
}

TQvClipState QvSaveClip(const QPainter& Painter)
{
    TQvClipState s;
    s.HasClip = Painter.hasClipping();
    if (s.HasClip)
        s.Path = Painter.clipPath();
    return s;
}

void QvRestoreClip(QPainter& Painter, const TQvClipState& State)
{
    if (State.HasClip)
        Painter.setClipPath(State.Path, Qt::ReplaceClip);
    else
        Painter.setClipping(false);
}

void QvSetClipRect(QPainter& Painter, const QRectF& Rect, bool Replace)
{
    if (Replace || !Painter.hasClipping())
        Painter.setClipRect(Rect, Qt::ReplaceClip);
    else
        Painter.setClipRect(Rect, Qt::IntersectClip);
}

void QvExcludeClip(QPainter& Painter, const QRegion& Area)
{
    if (Area.isEmpty())
        return;
    QRegion current;
    if (Painter.hasClipping()) {
        current = Painter.clipRegion();
    } else {
        // No clip: the whole device in logical coordinates.
        const QPaintDevice* dev = Painter.device();
        const QRect deviceRect = dev ? QRect(0, 0, dev->width(), dev->height()) : QRect();
        current = Painter.worldTransform().inverted().map(QRegion(deviceRect));
    }
    Painter.setClipRegion(current.subtracted(Area), Qt::ReplaceClip);
}

void QvExcludeClip(QPainter& Painter, const QRectF& Rect)
{
    QvExcludeClip(Painter, QRegion(Rect.toAlignedRect()));
}

void QvExcludeClip(QPainter& Painter, const QPainterPath& Path)
{
    QvExcludeClip(Painter, QRegion(Path.toFillPolygon().toPolygon()));
}

void QvResetClip(QPainter& Painter) { Painter.setClipping(false); }

void QvRotateAt(QPainter& Painter, const QPointF& Center, qreal Degrees)
{
    Painter.translate(Center);
    Painter.rotate(Degrees);
    Painter.translate(-Center);
}

QPainterPath QvWidenPath(const QPainterPath& Path, const QPen& Pen)
{
    QPainterPathStroker stroker(Pen);
    if (Pen.widthF() <= 0)
        stroker.setWidth(1.0);
    return stroker.createStroke(Path);
}

QPainterPath QvOutlinePath(const QPainterPath& Path, qreal Flatness)
{
    QPainterPath out;
    out.setFillRule(Path.fillRule());
    // Flatten with the tolerance: curves become polygons whose points lie within Flatness of the
    // curve (Qt's own flattening is finer than any useful tolerance, so it is enough to take its
    // polygons and drop points closer than the tolerance to their predecessor).
    for (const QPolygonF& poly : Path.toSubpathPolygons()) {
        QPolygonF thin;
        for (const QPointF& p : poly) {
            if (thin.isEmpty() || std::hypot(p.x() - thin.last().x(), p.y() - thin.last().y()) >= Flatness)
                thin << p;
        }
        if (thin.size() >= 2) {
            out.addPolygon(thin);
            out.closeSubpath();
        }
    }
    return out.simplified();
}
