// Whole repaints: faces of every style and state against fixed system colours, the repaint
// rules (design mode, checked, disabled), caption colours, icons and the theme fallback.
// Probes keep away from the caption, whose pixels depend on the machine's fonts.
#include "glowcanvas.h"
#include "glowfacts.h"
#include "glowthemepainter.h"
#include "systemcolors.h"

#include <QStyleFactory>
#include <QtTest>

Q_DECLARE_METATYPE(GlowFacts)

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
constexpr GlowColor kLight = GlowRgb(241, 239, 226), kDark = GlowRgb(113, 111, 100),
                    kBright = GlowRgb(255, 255, 254), kBlack = 0;

FixedSystemColors Colors()
{
    FixedSystemColors colors;
    colors.Set(5, kWindow);
    colors.Set(13, kHighlight);
    colors.Set(15, kFace);
    colors.Set(16, kShadow);
    colors.Set(17, kGreyText);
    colors.Set(18, GlowRgb(0, 0, 0));
    colors.Set(20, kBright);
    colors.Set(21, kDark);
    colors.Set(22, kLight);
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

// A theme that fills the first row with a marker colour and records what it was asked.
struct RecordingTheme : GlowThemePainter
{
    bool succeed = true;
    QList<int> states;
    QRect rect;
    bool DrawPushButton(QImage &surface, const QRect &r, int state) override
    {
        states << state;
        rect = r;
        GlowCanvas(surface).Line(0, 0, r.width(), 0, GlowRgb(9, 9, 9));
        return succeed;
    }
};

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

    void shouldDrawTheFlatAndEdgedStyles_data()
    {
        // Probes at (0,0) (88,0) (1,1) (87,23) (88,24) and inside at (44,2), (2,12).
        QTest::addColumn<GlowFacts>("facts");
        QTest::addColumn<QList<GlowColor>>("colours");
        const auto row = [](const char *name, GlowFacts f, QList<GlowColor> c) {
            QTest::newRow(name) << f << c;
        };
        const QList<GlowColor> raised = {kLight, kDark, kBright, kShadow, kDark, kFace, kFace};
        const QList<GlowColor> sunken = {kShadow, kBright, kDark, kLight, kBright, kFace, kFace};
        const QList<GlowColor> inner = {kBright, kShadow, kFace, kFace, kShadow, kFace, kFace};
        const QList<GlowColor> outer = {kShadow, kBright, kFace, kFace, kBright, kFace, kFace};
        const QList<GlowColor> flat = {kFace, kFace, kFace, kFace, kFace, kFace, kFace};
        for (int state : {1, 2, 4, 5})
            row(qPrintable(QString("0 raised in %1").arg(state)), Facts(0, state), raised);
        row("0 pressed", Facts(0, 3), sunken);
        GlowFacts f = Facts(0, 1);
        f.hasFocus = f.showFocus = true;
        row("0 focused with ShowFocus", f, {kBlack, kBlack, kBright, kShadow, kBlack, kFace, kFace});
        f.showFocus = false;
        f.displayAsDefault = true;
        row("0 focused default without ShowFocus", f, raised);
        f.hasFocus = false;
        row("0 default not focused", f, {kBlack, kBlack, kBright, kShadow, kBlack, kFace, kFace});
        f = Facts(0, 2, true);
        row("0 custom hot", f, {kLight, kDark, kBright, kShadow, kDark, kHot, kHot});
        for (int state : {1, 2, 5})
            row(qPrintable(QString("1 inner line in %1").arg(state)), Facts(1, state), inner);
        row("1 pressed", Facts(1, 3), outer);
        row("1 disabled flat", Facts(1, 4), flat);
        row("1 custom disabled keeps BackColor", Facts(1, 4, true), QList<GlowColor>(7, kBack));
        row("2 normal flat", Facts(2, 1), flat);
        row("2 hot", Facts(2, 2), inner);
        row("2 pressed", Facts(2, 3), outer);
        row("2 disabled flat", Facts(2, 4), flat);
        row("2 custom pressed", Facts(2, 3, true), {kShadow, kBright, kHot, kHot, kBright, kHot, kHot});
        const GlowColor light = GlowRgb(238, 235, 220), hot = GlowRgb(191, 208, 237),
                        down = GlowRgb(152, 180, 226);
        row("4 normal", Facts(4, 1), QList<GlowColor>(7, light));
        row("4 disabled", Facts(4, 4), QList<GlowColor>(7, light));
        row("4 hot", Facts(4, 2), {kHighlight, kHighlight, hot, hot, kHighlight, hot, hot});
        row("4 pressed", Facts(4, 3), {kHighlight, kHighlight, down, down, kHighlight, down, down});
        row("4 custom normal", Facts(4, 1, true), QList<GlowColor>(7, GlowRgb(136, 206, 154)));
    }
    void shouldDrawTheFlatAndEdgedStyles()
    {
        QFETCH(GlowFacts, facts);
        QFETCH(QList<GlowColor>, colours);
        const QList<QPoint> at = {{0, 0}, {88, 0}, {1, 1}, {87, 23}, {88, 24}, {44, 2}, {2, 12}};
        Probes probes;
        for (int i = 0; i < at.size(); ++i)
            probes << qMakePair(at[i], colours[i]);
        const Painted p = Paint(facts);
        QVERIFY2(Mismatches(p, probes).isEmpty(), qPrintable(Mismatches(p, probes)));
        QCOMPARE(p.repaint.surfaceBackColor, colours[5]);
    }

    void shouldAskTheThemeForTheVisualState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("focused");
        QTest::addColumn<int>("themeState");
        QTest::newRow("normal") << 1 << false << 1;
        QTest::newRow("focused normal is defaulted") << 1 << true << 5;
        QTest::newRow("focused hot stays hot") << 2 << true << 2;
        QTest::newRow("pressed") << 3 << true << 3;
        QTest::newRow("disabled") << 4 << false << 4;
    }
    void shouldAskTheThemeForTheVisualState()
    {
        QFETCH(int, state);
        QFETCH(bool, focused);
        QFETCH(int, themeState);
        RecordingTheme theme;
        GlowFacts f = Facts(6, state);
        f.hasFocus = focused;
        const Painted p = Paint(f, &theme);
        QCOMPARE(theme.states, QList<int>{themeState});
        QCOMPARE(theme.rect, QRect(0, 0, kW, kH));
        QCOMPARE(p.repaint.style, 6);
        QCOMPARE(p.At(0, 0), GlowRgb(9, 9, 9)); // the theme's drawing
        QCOMPARE(p.At(1, 1), kFace);
    }

    void shouldFallBackWhenTheThemeFails_data()
    {
        QTest::addColumn<bool>("present");
        QTest::newRow("no theme") << false;
        QTest::newRow("theme drawing fails") << true;
    }
    void shouldFallBackWhenTheThemeFails()
    {
        QFETCH(bool, present);
        RecordingTheme theme;
        theme.succeed = false;
        GlowFacts f = Facts(6, 2);
        f.nonThemeStyle = 4;
        // This repaint draws only icon and caption on the system face ...
        const Painted first = Paint(f, present ? &theme : nullptr);
        QCOMPARE(first.repaint.style, 4);
        QCOMPARE(first.At(0, 0), kFace);
        QCOMPARE(first.At(44, 2), kFace);
        // ... and the next one draws the stored replacement.
        f.style = first.repaint.style;
        QCOMPARE(Paint(f, &theme).At(0, 0), kHighlight);
        QCOMPARE(theme.states.size(), present ? 1 : 0);
    }

    void shouldPaintThemeStatesApartWithTheApplicationStyle()
    {
        qputenv(kGlowThemeVariable, "on");
        QVERIFY(GlowAppThemePainter());
        GlowStyleThemePainter theme(QStyleFactory::create("Fusion"));
        QList<QImage> looks;
        for (int state = 1; state <= 5; ++state)
            looks << Paint(Facts(6, state), &theme).image;
        QVERIFY(looks[0] != looks[2]);
        QVERIFY(looks[0] != looks[3]);
        QVERIFY(looks[0] != QImage(Paint(Facts(3, 1)).image)); // something was drawn
        qputenv(kGlowThemeVariable, "off");
        QVERIFY(!GlowAppThemePainter());
        qunsetenv(kGlowThemeVariable);
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
