#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Pure layout rules of the button; GlowShape and GlowCaptionFormat are declared in glowfacts.h.

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
