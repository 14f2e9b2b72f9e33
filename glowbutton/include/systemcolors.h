#pragma once

#include "glowcolor.h"

#include <QHash>

// System colours by their classic index, as stored colour references (0x80000000 | index) and
// the palette provider use them.
enum GlowSysColor : int {
    kSysWindow = 5,
    kSysHighlight = 13,
    kSysButtonFace = 15,
    kSysButtonShadow = 16,
    kSysGreyText = 17,
    kSysButtonText = 18,
    kSysButtonHighlight = 20,
    kSysDarkShadow = 21,
    kSysLight = 22,
    kSysToolTipText = 23,
    kSysToolTipBack = 24,
};

// The colour of each GlowSysColor index; other indexes are unknown.
class SystemColors
{
public:
    virtual ~SystemColors() = default;
    // The colour of index `index`; kBadColor for an index the provider does not know.
    virtual GlowColor SysColor(int index) const = 0;
    // A stored colour made drawable: a system-colour reference (high bit set) becomes the RGB of
    // its index, kBadColor when that fails; any other value is returned unchanged.
    GlowColor Translate(GlowColor c) const
    {
        return (c & kSystemColorFlag) ? SysColor(int(c & 0xFFFF)) : c;
    }
};

// The application palette's colours (the default provider).
class PaletteSystemColors : public SystemColors
{
public:
    GlowColor SysColor(int index) const override;
};

// Fixed colours for tests; unset indexes answer with kBadColor.
class FixedSystemColors : public SystemColors
{
public:
    void Set(int index, GlowColor c) { m_colors.insert(index, c); }
    GlowColor SysColor(int index) const override { return m_colors.value(index, kBadColor); }

private:
    QHash<int, GlowColor> m_colors;
};
