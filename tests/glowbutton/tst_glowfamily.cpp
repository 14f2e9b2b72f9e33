// The hand-drawn family (styles 5, 7, 8, 9) and the picture style 10, probed pixel by pixel.
#include "glowpaintprobe.h"

#include <QtTest>

Q_DECLARE_METATYPE(GlowFacts)
Q_DECLARE_METATYPE(Probes)

namespace {

GlowColor Off(GlowColor c, int n)
{
    return GlowOffset(c, n);
}

GlowFacts With(GlowFacts f, bool focus, bool showFocus = false, bool isDefault = false)
{
    f.hasFocus = focus;
    f.showFocus = showFocus;
    f.displayAsDefault = isDefault;
    return f;
}

// Probes of the top and bottom glow rows of a 89 x 25 polygon-cut button, or of the lines a
// button without a glow draws there.
Probes Rows(GlowColor row1, GlowColor row2, GlowColor row22, GlowColor row23)
{
    return {{{44, 1}, row1}, {{44, 2}, row2}, {{44, 22}, row22}, {{44, 23}, row23}};
}

} // namespace

class TestGlowFamily : public QObject
{
    Q_OBJECT

private slots:
    void shouldDrawTheFamily_data()
    {
        QTest::addColumn<GlowFacts>("facts");
        QTest::addColumn<GlowColor>("background");
        QTest::addColumn<Probes>("probes");
        const auto row = [](const char *name, const GlowFacts &f, GlowColor bg, const Probes &p) {
            QTest::newRow(name) << f << bg << p;
        };

        // Style 7 over a system face of (236, 233, 216): F = face + 8, frame F - 96.
        const GlowColor f7 = GlowRgb(244, 241, 224), d7 = GlowRgb(148, 145, 128);
        const GlowColor corner = GlowRgb(215, 212, 195);
        const GlowColor top = GlowRgb(255, 254, 237), bottom = GlowRgb(199, 196, 179);
        const Probes frame7 = {{{0, 0}, f7},      {{2, 0}, d7},       {{86, 0}, d7},
                               {{0, 2}, d7},      {{0, 22}, d7},      {{88, 0}, d7},
                               {{88, 24}, d7},    {{44, 24}, d7},     {{1, 1}, d7},
                               {{87, 23}, d7},    {{1, 0}, corner},   {{87, 0}, corner},
                               {{0, 23}, corner}, {{88, 23}, corner}, {{1, 24}, corner}};
        const Probes sides7 = {{{1, 2}, Off(f7, 21)},
                               {{1, 22}, Off(f7, -21)},
                               {{87, 2}, Off(f7, -5)},
                               {{87, 22}, Off(f7, -32)},
                               {{44, 3}, GlowBlend(Off(f7, 15), Off(f7, -15), 2, 22)}};
        row("7 normal", Facts(7, 1), f7,
            frame7 + sides7 +
                Rows(top, GlowBlend(Off(f7, 15), Off(f7, -15), 1, 22),
                     GlowBlend(Off(f7, 15), Off(f7, -15), 21, 22), bottom));
        const Probes glow =
            Rows(Off(kHighlight, 21), Off(kHighlight, 21), Off(kHighlight, -5),
                 Off(kHighlight, -21)) +
            Probes{{{1, 2}, Off(kHighlight, 21)}, {{87, 22}, Off(kHighlight, -5)}, {{88, 2}, d7}};
        row("7 focused, not hovered: glow", With(Facts(7, 1), true), f7, frame7 + glow);
        row("7 defaulted: glow", Facts(7, 5), f7, frame7 + glow);
        const GlowColor f7hot = GlowRgb(255, 255, 240), d7hot = GlowRgb(159, 159, 144);
        row("7 hot", Facts(7, 2), f7hot,
            glow.mid(0, 5) + Probes{{{44, 0}, d7hot},
                                    {{1, 0}, corner},
                                    {{44, 5}, GlowBlend(Off(f7hot, 16), Off(f7hot, -16), 4, 22)}});
        const GlowColor f7down = GlowRgb(227, 224, 207), d7down = GlowRgb(131, 128, 111);
        row("7 pressed and focused: no glow", With(Facts(7, 3), true), f7down,
            Rows(corner, GlowBlend(Off(f7down, -15), f7down, 1, 23),
                 GlowBlend(Off(f7down, -15), f7down, 21, 23), GlowRgb(244, 241, 224)) +
                Probes{{{44, 0}, d7down},
                       {{1, 1}, d7down},
                       {{1, 0}, corner},
                       {{1, 2}, Off(f7down, -32)},
                       {{87, 2}, Off(f7down, -21)},
                       {{87, 22}, Off(f7down, 21)}});
        const GlowColor f7off = GlowRgb(254, 251, 234);
        row("7 disabled and focused: no glow", With(Facts(7, 4), true), f7off,
            Rows(top, GlowBlend(Off(f7off, 15), Off(f7off, -15), 1, 22),
                 GlowBlend(Off(f7off, 15), Off(f7off, -15), 21, 22), bottom) +
                Probes{{{44, 0}, Off(f7off, -96)}, {{1, 0}, GlowRgb(241, 238, 221)}});
        GlowFacts white = Facts(7, 1, true);
        white.backColor = GlowRgb(255, 255, 255);
        row("7 white BackColor clamps", white, GlowRgb(255, 255, 255),
            {{{44, 1}, GlowRgb(255, 255, 255)},
             {{1, 2}, GlowRgb(255, 255, 255)},
             {{44, 0}, GlowRgb(159, 159, 159)}});
        const GlowColor f7custom = Off(kBack, 24);
        row("7 custom hot glows in HighlightColor", Facts(7, 2, true), f7custom,
            Rows(Off(kHot, 21), Off(kHot, 21), Off(kHot, -5), Off(kHot, -21)) +
                Probes{{{1, 0}, Off(kBack, -21)}});

        // Style 5, fixed light palette.
        const GlowColor navy = GlowRgb(0, 60, 116), cornerOuter = GlowRgb(72, 110, 144);
        const Probes frame5 = {{{44, 0}, navy},
                               {{0, 12}, navy},
                               {{88, 12}, navy},
                               {{44, 24}, navy},
                               {{1, 0}, cornerOuter},
                               {{88, 23}, cornerOuter},
                               {{1, 1}, GlowRgb(106, 139, 162)}};
        row("5 normal", Facts(5, 1), kFace,
            frame5 + Probes{{{2, 1}, GlowRgb(191, 199, 202)},
                            {{44, 1}, GlowRgb(252, 252, 251)},
                            {{44, 23}, GlowRgb(214, 208, 197)}});
        const Probes orange = Rows(GlowRgb(255, 240, 207), GlowRgb(253, 216, 137),
                                   GlowRgb(248, 179, 48), GlowRgb(229, 151, 16)) +
                              Probes{{{1, 3}, GlowRgb(253, 216, 137)}};
        const Probes blue = Rows(GlowRgb(206, 231, 255), GlowRgb(188, 212, 246),
                                 GlowRgb(137, 173, 228), GlowRgb(105, 130, 238)) +
                            Probes{{{87, 3}, GlowRgb(188, 212, 246)}};
        row("5 hot: orange glow", With(Facts(5, 2), true), kFace, frame5 + orange);
        row("5 focused: blue glow", With(Facts(5, 1), true), kFace, frame5 + blue);
        row("5 shown as default: blue glow", With(Facts(5, 1), false, false, true), kFace,
            frame5 + blue);
        row("5 pressed: greys, same frame", With(Facts(5, 3), true), kFace,
            Probes{{{44, 0}, navy},
                   {{44, 1}, GlowRgb(209, 204, 193)},
                   {{44, 23}, GlowRgb(242, 241, 238)}});
        row("5 disabled", Facts(5, 4), kFace,
            {{{44, 0}, GlowRgb(201, 199, 186)},
             {{44, 12}, GlowRgb(245, 244, 234)},
             {{1, 0}, GlowRgb(216, 213, 199)},
             {{1, 1}, GlowRgb(216, 213, 199)}});

        // Style 5, colours from BackColor and HighlightColor.
        const Probes frame5custom = {
            {{44, 0}, Off(kBack, -128)}, {{1, 1}, Off(kBack, -128)}, {{1, 0}, Off(kBack, -21)}};
        const Probes glow5 = Rows(Off(kHot, 85), Off(kHot, 69), Off(kHot, 16), kHot) +
                             Probes{{{1, 3}, Off(kHot, 69)}};
        row("5 custom normal", Facts(5, 1, true), kBack,
            frame5custom + Probes{{{87, 2}, Off(kBack, -5)},
                                  {{1, 12}, GlowBlend(Off(kBack, 21), Off(kBack, -21), 10, 20)},
                                  {{44, 3}, GlowBlend(kBack, Off(kBack, -15), 2, 22)}});
        row("5 custom hot", Facts(5, 2, true), kBack, frame5custom + glow5);
        row("5 custom focused with ShowFocus", With(Facts(5, 1, true), true, true), kBack,
            frame5custom + glow5);
        row("5 custom focused without ShowFocus", With(Facts(5, 1, true), true), kBack,
            Probes{{{44, 1}, kBack}, {{1, 3}, GlowBlend(Off(kBack, 21), Off(kBack, -21), 1, 20)}});
        row("5 custom disabled", Facts(5, 4, true), kBack,
            {{{44, 0}, Off(kBack, -64)}, {{1, 0}, Off(kBack, -53)}, {{1, 1}, Off(kBack, -53)}});

        // Style 8: face by state, light lines exchanged when pressed, frame darker with focus.
        const GlowColor face8 = Off(kFace, 15);
        const auto look8 = [](GlowColor face, bool pressed, GlowColor frame) {
            const GlowColor light = Off(face, 96);
            return Probes{{{44, 1}, pressed ? face : light},
                          {{1, 12}, pressed ? face : light},
                          {{44, 22}, pressed ? light : face},
                          {{87, 12}, pressed ? light : face},
                          {{44, 2}, Off(face, pressed ? -15 : 15)},
                          {{44, 0}, frame},
                          {{0, 12}, frame},
                          {{44, 24}, frame},
                          {{88, 12}, frame},
                          {{1, 1}, frame},
                          {{1, 22}, frame},
                          {{86, 1}, frame},
                          {{86, 22}, frame}};
        };
        row("8 normal", Facts(8, 1), kFace, look8(kFace, false, Off(kFace, -48)));
        row("8 hot", Facts(8, 2), face8, look8(face8, false, Off(kFace, -48)));
        row("8 focused: darker frame", With(Facts(8, 1), true), kFace,
            look8(kFace, false, Off(kFace, -96)));
        row("8 pressed and focused", With(Facts(8, 3), true), face8,
            look8(face8, true, Off(kFace, -48)));
        row("8 disabled", Facts(8, 4), face8, look8(face8, false, Off(kFace, -48)));
        row("8 custom normal", Facts(8, 1, true), kBack, look8(kBack, false, Off(kBack, -48)));
        row("8 custom hot", Facts(8, 2, true), kHot, look8(kHot, false, Off(kBack, -48)));

        // Style 9: the face by state fills the surface.
        row("9 normal", Facts(9, 1), Off(kFace, -15), {{{0, 12}, Off(Off(kFace, -15), -88)}});
        row("9 hot", Facts(9, 2), Off(kFace, 1), {});
        row("9 pressed", Facts(9, 3), Off(kFace, 24), {});
        row("9 disabled", Facts(9, 4), Off(kFace, 15), {});
        row("9 custom normal", Facts(9, 1, true), Off(kBack, -15), {});
        row("9 custom hot", Facts(9, 2, true), Off(kHot, 1), {});
        row("9 custom pressed", Facts(9, 3, true), Off(kHot, 24), {});
    }
    void shouldDrawTheFamily()
    {
        QFETCH(GlowFacts, facts);
        QFETCH(GlowColor, background);
        QFETCH(Probes, probes);
        const Painted p = Paint(facts);
        QVERIFY2(Mismatches(p, probes).isEmpty(), qPrintable(Mismatches(p, probes)));
        QCOMPARE(p.repaint.surfaceBackColor, background);
    }

    void shouldPickThePictureOfStyleTen_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<GlowColor>("middle");
        const GlowColor a = GlowRgb(232, 231, 234), b = GlowRgb(106, 166, 226),
                        c = GlowRgb(106, 155, 204);
        QTest::newRow("normal: A") << 1 << false << a;
        QTest::newRow("disabled: A") << 4 << false << a;
        QTest::newRow("focused normal: B") << 1 << true << b;
        QTest::newRow("hot: B") << 2 << false << b;
        QTest::newRow("defaulted: B") << 5 << false << b;
        QTest::newRow("pressed: C") << 3 << true << c;
    }
    void shouldPickThePictureOfStyleTen()
    {
        QFETCH(int, state);
        QFETCH(bool, focused);
        QFETCH(GlowColor, middle);
        for (bool custom : {false, true}) { // colour properties play no part
            const Painted p = Paint(With(Facts(10, state, custom), focused));
            QCOMPARE(p.At(18, 11), middle);
            QCOMPARE(p.At(kW - 17, kH - 9), middle);
            QVERIFY(p.At(44, 0) != middle && p.At(0, 12) != middle);           // the frame
            QCOMPARE(p.repaint.surfaceBackColor, state == 4 ? kFace : kPrior); // no fill of its own
        }
    }

    void shouldFillExactlyTheRoundedShapeWithStyleTen()
    {
        // Every pixel inside the shape is drawn, every one outside is left alone.
        for (int state : {1, 2, 3})
            for (QSize size : {QSize(34, 19), QSize(89, 25), QSize(200, 60)}) {
                GlowFacts f = Facts(10, state);
                f.width = size.width();
                f.height = size.height();
                const Painted p = Paint(f);
                const QRegion shape = GlowShape(10, f.width, f.height);
                for (int y = 0; y < f.height; ++y)
                    for (int x = 0; x < f.width; ++x)
                        QVERIFY2(shape.contains(QPoint(x, y)) == (p.At(x, y) != kPrior),
                                 qPrintable(QString("state %1, %2x%3 at %4,%5")
                                                .arg(state)
                                                .arg(f.width)
                                                .arg(f.height)
                                                .arg(x)
                                                .arg(y)));
            }
    }
};

QTEST_MAIN(TestGlowFamily)
#include "tst_glowfamily.moc"
