#pragma once
// Sections of the chart sheet: each draws into the given area of the sheet.

#include <QPainter>
#include <QRectF>

// Point symbols, dash styles, hatch styles, gradients, clip exclusion, arrow caps and the two
// pick lists.
void DrawStylesSection(QPainter& p, const QRectF& area);

// Rich captions: sub- and superscripts, rotation, colour escapes, line breaks.
void DrawCaptionsSection(QPainter& p, const QRectF& area);
