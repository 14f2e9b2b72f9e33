#include "systemcolors.h"

#include <QGuiApplication>
#include <QPalette>

GlowColor PaletteSystemColors::SysColor(int index) const
{
    const QPalette p = QGuiApplication::palette();
    switch (index) {
    case kSysWindow:
        return FromQColor(p.color(QPalette::Base));
    case kSysHighlight:
        return FromQColor(p.color(QPalette::Highlight));
    case kSysButtonFace:
        return FromQColor(p.color(QPalette::Button));
    case kSysButtonShadow:
        return FromQColor(p.color(QPalette::Dark));
    case kSysGreyText:
        return FromQColor(p.color(QPalette::Disabled, QPalette::ButtonText));
    case kSysButtonText:
        return FromQColor(p.color(QPalette::ButtonText));
    case kSysButtonHighlight:
        return FromQColor(p.color(QPalette::Light));
    case kSysDarkShadow:
        return FromQColor(p.color(QPalette::Shadow));
    case kSysLight:
        return FromQColor(p.color(QPalette::Midlight));
    case kSysToolTipText:
        return FromQColor(p.color(QPalette::ToolTipText));
    case kSysToolTipBack:
        return FromQColor(p.color(QPalette::ToolTipBase));
    default:
        return kBadColor;
    }
}
