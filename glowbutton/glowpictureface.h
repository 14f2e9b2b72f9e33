#pragma once

#include "glowfaces.h"

// A picture of style 10, fitted to any size: corner pieces at fixed offsets from the four
// corners, one-colour lines stretched along each side between them, one colour in the middle.
struct GlowPicture
{
    static constexpr int kLeft = 18, kRight = 16, kTop = 11, kBottom = 8;
    const GlowColor *palette; // indexed through kGlowPaletteLetters
    GlowColor middle;
    const char *topLeft[kTop];       // kLeft letters each
    const char *topRight[kTop];      // kRight letters each
    const char *bottomLeft[kBottom]; // kLeft letters each
    const char *bottomRight[kBottom];
    const char *top;    // kTop letters, from the top row down
    const char *bottom; // kBottom letters, from the bottom row up
    const char *left;   // kLeft letters, from the left column in
    const char *right;  // kRight letters, from the right column in
};

// Letter i stands for palette entry i; a space is a pixel outside the shape (not drawn).
inline constexpr char kGlowPaletteLetters[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+*#@$%=?!<>";

extern const GlowPicture kGlowPictureA; // light grey: normal and disabled
extern const GlowPicture kGlowPictureB; // blue: hot, defaulted, focused
extern const GlowPicture kGlowPictureC; // darker blue: pressed

// Style 10: picture A when normal or disabled and unfocused, C when pressed, B otherwise.
// Paints no background of its own; pixels outside the rounded shape are left as they are.
GlowColor GlowFace10(GlowCanvas &, const GlowFace &, GlowColor);
// The rounded window shape of style 10 (corner radius 9).
QRegion GlowPictureShape(int w, int h);
