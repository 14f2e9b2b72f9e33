#pragma once

#include "glowcolor.h"

#include <QFont>
#include <QImage>
#include <QString>

// The push-button state numbers of the platform theme. A button stores Normal to Disabled;
// Defaulted is only the theme state of a focused normal button, and faces draw it like a
// focused Normal.
enum GlowState : int {
    kStateNormal = 1,
    kStateHot = 2,
    kStatePressed = 3,
    kStateDisabled = 4,
    kStateDefaulted = 5,
};

// The stored properties of one button: what the widget keeps and persists, and what a repaint
// reads. Colours are kept as stored (system-colour references included) and translated when
// they are drawn.
struct GlowProperties
{
    int style = 0;
    int nonThemeStyle = 0;
    QString caption;
    int captionAlign = 0;
    QString iconPath; // resource or file path; empty for none
    QImage icon;      // the picture loaded from iconPath; null: no picture
    int iconAlign = 0;
    int iconSize = 16;
    QFont font;
    bool enabled = true;
    bool showFocus = false;
    bool useCustomColors = false;
    GlowColor backColor = 0;
    GlowColor highlightColor = 0;
    GlowColor fontColor = 0;
    GlowColor fontHighlightColor = 0;
    QString toolTipText;
    QString toolTipTitle;
    int toolTipIcon = 0;
    int toolTipType = 0;
    GlowColor toolTipBackColor = 0;
    GlowColor toolTipForeColor = 0;
    int buttonType = 0; // 0 push, 1 check
    bool value = false;
    GlowColor maskColor = 0xC0C0C0;
    bool useMaskColor = false;
    int mousePointer = 0; // the host's pointer code shown over the button
};
