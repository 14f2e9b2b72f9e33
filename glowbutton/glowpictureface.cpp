// Style 10: one of three pictures stretched to the button, in a rounded window shape.
// The three pictures as data: A light grey (normal, disabled), B blue (hot,
// defaulted, focused), C darker blue (pressed). Each gives its four corner pieces, the colours
// of the lines stretched along each side (one letter per line, outermost first) and the middle
// colour; letters index the picture's palette, a space is outside the rounded shape.
#include "glowpictureface.h"

#include <QVector>

#include <algorithm>
#include <cmath>

namespace {
constexpr GlowColor kPaletteA[] = {
    GlowRgb(148, 148, 151), GlowRgb(129, 129, 137), GlowRgb(120, 120, 130), GlowRgb(139, 138, 144),
    GlowRgb(254, 254, 254), GlowRgb(125, 125, 133), GlowRgb(253, 253, 253), GlowRgb(250, 250, 251),
    GlowRgb(252, 252, 252), GlowRgb(248, 247, 249), GlowRgb(251, 251, 252), GlowRgb(245, 245, 247),
    GlowRgb(243, 243, 245), GlowRgb(249, 249, 250), GlowRgb(241, 240, 242), GlowRgb(248, 248, 249),
    GlowRgb(239, 238, 240), GlowRgb(247, 247, 248), GlowRgb(236, 236, 238), GlowRgb(246, 246, 247),
    GlowRgb(234, 233, 236), GlowRgb(246, 245, 247), GlowRgb(232, 231, 234), GlowRgb(225, 224, 228),
    GlowRgb(229, 228, 231), GlowRgb(224, 223, 227), GlowRgb(226, 224, 228), GlowRgb(223, 222, 226),
    GlowRgb(222, 221, 225), GlowRgb(219, 218, 222), GlowRgb(221, 220, 225), GlowRgb(216, 215, 219),
    GlowRgb(220, 219, 224), GlowRgb(212, 212, 216), GlowRgb(219, 218, 223), GlowRgb(226, 225, 228),
};
constexpr GlowColor kPaletteB[] = {
    GlowRgb(79, 111, 157),  GlowRgb(45, 85, 144),   GlowRgb(28, 72, 138),   GlowRgb(62, 98, 151),
    GlowRgb(197, 226, 251), GlowRgb(36, 79, 141),   GlowRgb(194, 224, 250), GlowRgb(170, 209, 244),
    GlowRgb(192, 222, 249), GlowRgb(162, 203, 242), GlowRgb(189, 220, 248), GlowRgb(154, 198, 239),
    GlowRgb(186, 218, 247), GlowRgb(146, 193, 237), GlowRgb(183, 216, 246), GlowRgb(138, 187, 235),
    GlowRgb(181, 214, 245), GlowRgb(130, 182, 233), GlowRgb(178, 212, 244), GlowRgb(122, 177, 230),
    GlowRgb(175, 210, 243), GlowRgb(114, 171, 228), GlowRgb(172, 208, 242), GlowRgb(106, 166, 226),
    GlowRgb(111, 164, 219), GlowRgb(102, 162, 223), GlowRgb(109, 162, 218), GlowRgb(99, 159, 220),
    GlowRgb(106, 160, 217), GlowRgb(96, 156, 218),  GlowRgb(103, 158, 216), GlowRgb(92, 152, 215),
    GlowRgb(100, 156, 215), GlowRgb(88, 148, 212),  GlowRgb(98, 154, 214),  GlowRgb(85, 145, 210),
    GlowRgb(95, 152, 213),  GlowRgb(145, 188, 231), GlowRgb(100, 160, 220), GlowRgb(103, 163, 223),
};
constexpr GlowColor kPaletteC[] = {
    GlowRgb(76, 101, 137),  GlowRgb(41, 72, 120),   GlowRgb(24, 58, 112),   GlowRgb(58, 86, 129),
    GlowRgb(89, 137, 187),  GlowRgb(33, 65, 116),   GlowRgb(90, 138, 188),  GlowRgb(85, 131, 183),
    GlowRgb(92, 140, 189),  GlowRgb(87, 134, 185),  GlowRgb(93, 141, 190),  GlowRgb(90, 137, 188),
    GlowRgb(94, 142, 191),  GlowRgb(93, 140, 191),  GlowRgb(95, 143, 192),  GlowRgb(95, 143, 193),
    GlowRgb(97, 144, 193),  GlowRgb(98, 146, 196),  GlowRgb(98, 145, 194),  GlowRgb(101, 149, 199),
    GlowRgb(99, 147, 195),  GlowRgb(103, 152, 201), GlowRgb(100, 148, 196), GlowRgb(106, 155, 204),
    GlowRgb(127, 174, 219), GlowRgb(108, 157, 206), GlowRgb(129, 175, 220), GlowRgb(110, 159, 207),
    GlowRgb(130, 176, 221), GlowRgb(112, 161, 208), GlowRgb(131, 177, 222), GlowRgb(114, 162, 210),
    GlowRgb(132, 178, 223), GlowRgb(116, 164, 212), GlowRgb(134, 180, 224), GlowRgb(118, 166, 213),
    GlowRgb(135, 181, 225), GlowRgb(113, 160, 207), GlowRgb(100, 149, 198),
};
} // namespace
const GlowPicture kGlowPictureA = {
    kPaletteA,
    GlowRgb(232, 231, 234),
    {
        "      abcccccccccc",
        "    dceeeeeeeeeeee",
        "   fgghhhhhhhhhhhh",
        "  fijjjjjjjjjjjjjj",
        " dklllllllllllllll",
        " chmmmmmmmmmmmmmmm",
        "anoooooooooooooooo",
        "bpqqqqqqqqqqqqqqqq",
        "crssssssssssssssss",
        "ctuuuuuuuuuuuuuuuu",
        "cvwwwwwwwwwwwwwwww",
    },
    {
        "cccccccccba     ",
        "eeeeeeeeeeecd   ",
        "hhhhhhhhhhhggf  ",
        "jjjjjjjjjjjjjif ",
        "llllllllllllllkd",
        "mmmmmmmmmmmmmmhc",
        "oooooooooooooonc",
        "qqqqqqqqqqqqqqpc",
        "ssssssssssssssrc",
        "uuuuuuuuuuuuuutc",
        "wwwwwwwwwwwwwwvc",
    },
    {
        "cxyyyyyyyyyyyyyyyy",
        "bzAAAAAAAAAAAAAAAA",
        "aBCCCCCCCCCCCCCCCC",
        " cCDDDDDDDDDDDDDDD",
        " dEFFFFFFFFFFFFFFF",
        "  fGHHHHHHHHHHHHHH",
        "   fIIIIIIIIIIIIII",
        "    dccccccccccccc",
    },
    {
        "yyyyyyyyyyyyyyxc",
        "AAAAAAAAAAAAAAzc",
        "CCCCCCCCCCCCCCBc",
        "DDDDDDDDDDDDDDCc",
        "FFFFFFFFFFFFFFEd",
        "HHHHHHHHHHHHHGf ",
        "IIIIIIIIIIIIIf  ",
        "ccccccccccccd   ",
    },
    "cehjlmoqsuw",        // top, from the top row down
    "cIHFDCAy",           // bottom, from the bottom row up
    "csJywwwwwwwwwwwwww", // left, from the left column in
    "csJywwwwwwwwwwww",   // right, from the right column in
};
const GlowPicture kGlowPictureB = {
    kPaletteB,
    GlowRgb(106, 166, 226),
    {
        "      abcccccccccc",
        "    dceeeeeeeeeeee",
        "   fgghhhhhhhhhhhh",
        "  fijjjjjjjjjjjjjj",
        " dklllllllllllllll",
        " cmnnnnnnnnnnnnnnn",
        "aopppppppppppppppp",
        "bqrrrrrrrrrrrrrrrr",
        "cstttttttttttttttt",
        "cuvvvvvvvvvvvvvvvv",
        "cwxxxxxxxxxxxxxxxx",
    },
    {
        "cccccccccba     ",
        "eeeeeeeeeeecd   ",
        "hhhhhhhhhhhggf  ",
        "jjjjjjjjjjjjjif ",
        "llllllllllllllkd",
        "nnnnnnnnnnnnnnmc",
        "ppppppppppppppoc",
        "rrrrrrrrrrrrrrqc",
        "ttttttttttttttsc",
        "vvvvvvvvvvvvvvuc",
        "xxxxxxxxxxxxxxwc",
    },
    {
        "cyzzzzzzzzzzzzzzzz",
        "bABBBBBBBBBBBBBBBB",
        "aCDDDDDDDDDDDDDDDD",
        " cEFFFFFFFFFFFFFFF",
        " dGHHHHHHHHHHHHHHH",
        "  fIJJJJJJJJJJJJJJ",
        "   fKKKKKKKKKKKKKK",
        "    dccccccccccccc",
    },
    {
        "zzzzzzzzzzzzzzyc",
        "BBBBBBBBBBBBBBAc",
        "DDDDDDDDDDDDDDCc",
        "FFFFFFFFFFFFFFEc",
        "HHHHHHHHHHHHHHGd",
        "JJJJJJJJJJJJJIf ",
        "KKKKKKKKKKKKKf  ",
        "ccccccccccccd   ",
    },
    "cehjlnprtvx",        // top, from the top row down
    "cKJHFDBz",           // bottom, from the bottom row up
    "cLMNxxxxxxxxxxxxxx", // left, from the left column in
    "cLMNxxxxxxxxxxxx",   // right, from the right column in
};
const GlowPicture kGlowPictureC = {
    kPaletteC,
    GlowRgb(106, 155, 204),
    {
        "      abcccccccccc",
        "    dceeeeeeeeeeee",
        "   fgghhhhhhhhhhhh",
        "  fijjjjjjjjjjjjjj",
        " dklllllllllllllll",
        " cmnnnnnnnnnnnnnnn",
        "aopppppppppppppppp",
        "bqrrrrrrrrrrrrrrrr",
        "cstttttttttttttttt",
        "cuvvvvvvvvvvvvvvvv",
        "cwxxxxxxxxxxxxxxxx",
    },
    {
        "cccccccccba     ",
        "eeeeeeeeeeecd   ",
        "hhhhhhhhhhhggf  ",
        "jjjjjjjjjjjjjif ",
        "llllllllllllllkd",
        "nnnnnnnnnnnnnnmc",
        "ppppppppppppppoc",
        "rrrrrrrrrrrrrrqc",
        "ttttttttttttttsc",
        "vvvvvvvvvvvvvvuc",
        "xxxxxxxxxxxxxxwc",
    },
    {
        "cyzzzzzzzzzzzzzzzz",
        "bABBBBBBBBBBBBBBBB",
        "aCDDDDDDDDDDDDDDDD",
        " cEFFFFFFFFFFFFFFF",
        " dGHHHHHHHHHHHHHHH",
        "  fIJJJJJJJJJJJJJJ",
        "   fKKKKKKKKKKKKKK",
        "    dccccccccccccc",
    },
    {
        "zzzzzzzzzzzzzzyc",
        "BBBBBBBBBBBBBBAc",
        "DDDDDDDDDDDDDDCc",
        "FFFFFFFFFFFFFFEc",
        "HHHHHHHHHHHHHHGd",
        "JJJJJJJJJJJJJIf ",
        "KKKKKKKKKKKKKf  ",
        "ccccccccccccd   ",
    },
    "cehjlnprtvx",        // top, from the top row down
    "cKJHFDBz",           // bottom, from the bottom row up
    "cLMvxxxxxxxxxxxxxx", // left, from the left column in
    "cLMvxxxxxxxxxxxx",   // right, from the right column in
};

namespace {

// Palette index of each letter.
struct LetterIndex
{
    unsigned char index[128] = {};
    constexpr LetterIndex()
    {
        for (int i = 0; kGlowPaletteLetters[i]; ++i)
            index[int(kGlowPaletteLetters[i])] = static_cast<unsigned char>(i);
    }
};
constexpr LetterIndex kLetterIndex;

GlowColor PictureColor(const GlowPicture &p, char letter)
{
    return p.palette[kLetterIndex.index[letter & 0x7F]];
}

// Draws `rows` with its top-left corner at (x, y), a run of equal letters as one line; spaces
// are skipped.
template <int N>
void DrawPiece(GlowCanvas &c, const GlowPicture &p, const char *const (&rows)[N], int x, int y)
{
    for (int j = 0; j < N; ++j) {
        const char *row = rows[j];
        for (int i = 0; row[i];) {
            int end = i + 1;
            while (row[end] == row[i])
                ++end;
            if (row[i] != ' ')
                c.Line(x + i, y + j, x + end, y + j, PictureColor(p, row[i]));
            i = end;
        }
    }
}

} // namespace

GlowColor GlowFace10(GlowCanvas &c, const GlowFace &face, GlowColor background)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const bool focused = face.facts.hasFocus;
    const GlowPicture &p = ((state == kStateNormal || state == kStateDisabled) && !focused)
                               ? kGlowPictureA
                           : state == kStatePressed ? kGlowPictureC
                                                    : kGlowPictureB;
    using P = GlowPicture;
    for (int i = 0; i < P::kTop; ++i)
        c.Line(P::kLeft, i, w - P::kRight, i, PictureColor(p, p.top[i]));
    for (int i = 0; i < P::kBottom; ++i)
        c.Line(P::kLeft, h - 1 - i, w - P::kRight, h - 1 - i, PictureColor(p, p.bottom[i]));
    for (int i = 0; i < P::kLeft; ++i)
        c.Line(i, P::kTop, i, h - P::kBottom, PictureColor(p, p.left[i]));
    for (int i = 0; i < P::kRight; ++i)
        c.Line(w - 1 - i, P::kTop, w - 1 - i, h - P::kBottom, PictureColor(p, p.right[i]));
    c.FillRect(P::kLeft, P::kTop, w - P::kRight, h - P::kBottom, p.middle);
    DrawPiece(c, p, p.topLeft, 0, 0);
    DrawPiece(c, p, p.topRight, w - P::kRight, 0);
    DrawPiece(c, p, p.bottomLeft, 0, h - P::kBottom);
    DrawPiece(c, p, p.bottomRight, w - P::kRight, h - P::kBottom);
    return background;
}

namespace {

// A rectangle (0, 0)-(right, bottom), right and bottom excluded, with elliptic corners of
// radius r; pixels count by their centres.
QRegion RoundedPixels(int right, int bottom, int r, int w, int h)
{
    QVector<QRect> rects;
    for (int y = 0; y < std::min(h, bottom); ++y) {
        const double cy = y + 0.5;
        double dy = 0;
        if (cy < r)
            dy = r - cy;
        else if (cy > bottom - r)
            dy = cy - (bottom - r);
        const double inset = dy > 0 ? r - std::sqrt(std::max(0.0, double(r) * r - dy * dy)) : 0;
        // First and last pixel whose centre lies within the rounded outline.
        const int first = int(std::ceil(inset - 0.5));
        const int last = std::min(w - 1, int(std::floor(right - inset - 0.5)));
        if (first <= last)
            rects.append(QRect(first, y, last - first + 1, 1));
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

} // namespace

QRegion GlowPictureShape(int w, int h)
{
    return RoundedPixels(w + 1, h + 1, 9, w, h);
}
