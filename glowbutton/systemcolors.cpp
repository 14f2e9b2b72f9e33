#include "systemcolors.h"

#include <QGuiApplication>
#include <QPalette>

GlowColor PaletteSystemColors::SysColor(int index) const
{
    const QPalette p = QGuiApplication::palette();
    switch (index) {
    case 5: return FromQColor(p.color(QPalette::Base));
    case 13: return FromQColor(p.color(QPalette::Highlight));
    case 15: return FromQColor(p.color(QPalette::Button));
    case 16: return FromQColor(p.color(QPalette::Dark));
    case 17: return FromQColor(p.color(QPalette::Disabled, QPalette::ButtonText));
    case 18: return FromQColor(p.color(QPalette::ButtonText));
    case 20: return FromQColor(p.color(QPalette::Light));
    case 21: return FromQColor(p.color(QPalette::Shadow));
    case 22: return FromQColor(p.color(QPalette::Midlight));
    case 23: return FromQColor(p.color(QPalette::ToolTipText));
    case 24: return FromQColor(p.color(QPalette::ToolTipBase));
    default: return kBadColor;
    }
}
