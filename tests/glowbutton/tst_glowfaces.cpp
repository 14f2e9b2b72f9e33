// Whole repaints: faces of every style and state against fixed system colours, the repaint
// rules (design mode, checked, disabled), caption colours, icons and the theme fallback.
// Probes keep away from the caption, whose pixels depend on the machine's fonts.
#include "glowcanvas.h"
#include "glowfacts.h"
#include "systemcolors.h"

#include <QtTest>

namespace {

constexpr int kW = 89, kH = 25;
constexpr GlowColor kFace = GlowRgb(236, 233, 216);
constexpr GlowColor kShadow = GlowRgb(172, 168, 153);
constexpr GlowColor kWindow = GlowRgb(255, 255, 255);
constexpr GlowColor kHighlight = GlowRgb(49, 106, 197);
constexpr GlowColor kGreyText = GlowRgb(161, 161, 146);
constexpr GlowColor kBack = GlowRgb(120, 200, 140);
constexpr GlowColor kHot = GlowRgb(220, 120, 30);
constexpr GlowColor kPrior = GlowRgb(1, 2, 3); // the surface background before a repaint

FixedSystemColors Colors()
{
    FixedSystemColors colors;
    colors.Set(5, kWindow);
    colors.Set(13, kHighlight);
    colors.Set(15, kFace);
    colors.Set(16, kShadow);
    colors.Set(17, kGreyText);
    colors.Set(18, GlowRgb(0, 0, 0));
    colors.Set(20, GlowRgb(255, 255, 254));
    colors.Set(21, GlowRgb(113, 111, 100));
    colors.Set(22, GlowRgb(241, 239, 226));
    return colors;
}

GlowFacts Facts(int style, int state, bool custom = false)
{
    GlowFacts f;
    f.width = kW;
    f.height = kH;
    f.style = style;
    f.state = state;
    f.enabled = state != 4;
    f.useCustomColors = custom;
    f.backColor = kBack;
    f.highlightColor = kHot;
    f.surfaceBackColor = kPrior;
    f.captionFormat = 37;
    return f;
}

struct Painted
{
    QImage image;
    GlowRepaint repaint;
    GlowColor At(int x, int y) const { return GlowCanvas(const_cast<QImage &>(image)).Pixel(x, y); }
};

Painted Paint(const GlowFacts &f, GlowThemePainter *theme = nullptr)
{
    Painted p;
    QImage scratch;
    p.repaint = RefreshGlowButton(p.image, scratch, f, Colors(), theme);
    return p;
}

using Probes = QList<QPair<QPoint, GlowColor>>;

QString Mismatches(const Painted &p, const Probes &probes)
{
    QStringList out;
    for (const auto &[at, expected] : probes) {
        const GlowColor got = p.At(at.x(), at.y());
        if (got != expected)
            out << QString("(%1,%2) %3 not %4").arg(at.x()).arg(at.y()).arg(got, 6, 16, QChar('0'))
                       .arg(expected, 6, 16, QChar('0'));
    }
    return out.join("; ");
}

} // namespace

class TestGlowFaces : public QObject
{
    Q_OBJECT

private slots:
    void shouldDrawStyleThree_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("custom");
        QTest::addColumn<GlowColor>("face");
        QTest::addColumn<GlowColor>("inner");
        const GlowColor hotInner = GlowRgb(204, 200, 184); // average of shadow and face, to even
        QTest::newRow("normal") << 1 << false << kFace << kFace;
        QTest::newRow("hot") << 2 << false << kFace << hotInner;
        QTest::newRow("pressed") << 3 << false << kFace << kShadow;
        QTest::newRow("disabled") << 4 << false << kFace << kFace;
        QTest::newRow("custom normal") << 1 << true << kBack << kBack;
        QTest::newRow("custom hot") << 2 << true << kBack << GlowRgb(170, 160, 85);
        QTest::newRow("custom pressed") << 3 << true << kBack << kHot;
        QTest::newRow("custom disabled") << 4 << true << kBack << kBack;
    }
    void shouldDrawStyleThree()
    {
        QFETCH(int, state);
        QFETCH(bool, custom);
        QFETCH(GlowColor, face);
        QFETCH(GlowColor, inner);
        const Painted p = Paint(Facts(3, state, custom));
        const GlowColor blend = GlowRgb(214, 212, 204); // average of window and shadow
        const Probes probes = {
            {{0, 0}, kShadow}, {{86, 0}, kShadow}, {{0, 22}, kShadow}, {{87, 23}, kShadow},
            {{1, 1}, kWindow}, {{88, 5}, kWindow}, {{5, 24}, kWindow}, {{88, 24}, kWindow},
            {{88, 0}, inner}, {{0, 24}, inner}, {{87, 1}, blend}, {{1, 23}, blend},
            {{2, 2}, face}, {{86, 22}, face}, {{84, 3}, face}, {{85, 12}, face}, {{3, 20}, face},
            {{4, 4}, inner}, {{84, 20}, inner}, {{4, 20}, inner}, {{84, 4}, inner}};
        QVERIFY2(Mismatches(p, probes).isEmpty(), qPrintable(Mismatches(p, probes)));
        QCOMPARE(p.repaint.surfaceBackColor, face);
        QCOMPARE(p.repaint.state, state);
    }

    void shouldOverrideTheStoredState_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("runMode");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("stored");
        QTest::newRow("design mode shows hot") << 3 << 1 << false << false << true << 2;
        QTest::newRow("design mode leaves style 5") << 5 << 1 << false << false << true << 1;
        QTest::newRow("checked check button is pressed while hot") << 3 << 2 << true << true << true << 3;
        QTest::newRow("checked at design time is pressed") << 0 << 1 << false << true << true << 3;
        QTest::newRow("disabled wins over checked") << 3 << 3 << true << true << false << 4;
        QTest::newRow("plain run mode keeps the state") << 7 << 2 << true << false << true << 2;
    }
    void shouldOverrideTheStoredState()
    {
        QFETCH(int, style);
        QFETCH(int, state);
        QFETCH(bool, runMode);
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        QFETCH(int, stored);
        GlowFacts f = Facts(style, state);
        f.runMode = runMode;
        f.buttonType = checked ? 1 : 0;
        f.value = checked;
        f.enabled = enabled;
        QCOMPARE(Paint(f).repaint.state, stored);
        // A push button's Value changes nothing.
        f.buttonType = 0;
        if (checked && enabled && runMode)
            QCOMPARE(Paint(f).repaint.state, state);
    }

    void shouldOnlyClearAHiddenButton()
    {
        GlowFacts f = Facts(3, 3);
        f.shown = false;
        f.enabled = false;
        const Painted p = Paint(f);
        QCOMPARE(p.At(0, 0), kPrior);
        QCOMPARE(p.At(44, 12), kPrior);
        QCOMPARE(p.repaint.state, 3);
        QCOMPARE(p.repaint.surfaceBackColor, kPrior);
    }

    void shouldColourTheCaption_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("custom");
        QTest::addColumn<GlowColor>("text");
        const GlowColor fontColor = GlowRgb(0, 0, 128), fontHot = GlowRgb(128, 0, 0);
        QTest::newRow("system normal") << 1 << false << GlowRgb(0, 0, 0);
        QTest::newRow("system hot") << 2 << false << GlowRgb(0, 0, 0);
        QTest::newRow("system disabled") << 4 << false << kGreyText;
        QTest::newRow("custom normal") << 1 << true << fontColor;
        QTest::newRow("custom hot") << 2 << true << fontHot;
        QTest::newRow("custom pressed") << 3 << true << fontHot;
        QTest::newRow("custom disabled is grey, not FontColor") << 4 << true << kGreyText;
    }
    void shouldColourTheCaption()
    {
        QFETCH(int, state);
        QFETCH(bool, custom);
        QFETCH(GlowColor, text);
        GlowFacts f = Facts(3, state, custom);
        f.fontColor = GlowRgb(0, 0, 128);
        f.fontHighlightColor = GlowRgb(128, 0, 0);
        f.caption = QString(3, QChar(0x2588)); // full blocks: solid text-coloured pixels
        f.font.setFamily("DejaVu Sans");
        f.font.setPixelSize(14);
        const Painted p = Paint(f);
        QSet<GlowColor> seen;
        for (int y = 5; y < kH - 5; ++y)
            for (int x = 5; x < kW - 5; ++x)
                seen.insert(p.At(x, y));
        QVERIFY(seen.contains(text));
        for (GlowColor other : {GlowRgb(0, 0, 0), kGreyText, GlowRgb(0, 0, 128), GlowRgb(128, 0, 0)})
            if (other != text)
                QVERIFY(!seen.contains(other));
    }
};

QTEST_MAIN(TestGlowFaces)
#include "tst_glowfaces.moc"
