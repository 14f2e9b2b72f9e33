#pragma once

#include "glowcolor.h"

#include <QHash>

// System colours by their classic index: 5 window, 13 highlight, 15 button face, 16 button
// shadow, 17 grey text, 18 button text, 20 button highlight, 21 dark shadow, 22 light,
// 23 tooltip text, 24 tooltip background.
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
