#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QSize>

// Pure layout rules of the button; GlowShape and GlowCaptionFormat are declared in glowfacts.h,
// each style's shape beside its face.

constexpr int kGlowMinSide = 20;

// The size a button takes: each side at least kGlowMinSide pixels.
QSize GlowClampSize(QSize size);
// The caption rectangle of a w x h button: the button inset by 4 pixels on every side.
QRect GlowCaptionRect(int w, int h);
// Pixels between an edge-aligned icon and the button edge in `style`.
int GlowIconMargin(int style);
// Top-left corner of an s x s icon aligned by `iconAlign` (0 centre, 1 left, 2 right, 3 top,
// 4 bottom) on a w x h button with edge margin `margin`.
QPoint GlowIconPosition(int iconAlign, int w, int h, int s, int margin);
// The pixels of a polygon with integer corners, alternate fill, clipped to w x h. Edges facing
// up or left are inside and edges facing down or right are not: a w x h rectangle gives exactly
// w x h pixels and a one-pixel diagonal cut removes exactly one corner pixel.
QRegion GlowPolygonPixels(const QPolygon &poly, int w, int h);
