// Icons on the button: placement, pressed offset, the style 4 shadow, mask copying through the
// scratch surface, disabled icons, and the grey-icon conversion.
#include "glowcanvas.h"
#include "glowfacts.h"
#include "systemcolors.h"

#include <QtTest>

namespace {

constexpr GlowColor kFace = GlowRgb(236, 233, 216);
constexpr GlowColor kMask = GlowRgb(192, 192, 192);
constexpr GlowColor kRed = GlowRgb(200, 40, 40);
constexpr GlowColor kShade = GlowRgb(128, 128, 128);

FixedSystemColors Colors()
{
    FixedSystemColors colors;
    for (int index : {5, 16, 17, 18, 20, 21, 22})
        colors.Set(index, GlowRgb(index, index, index));
    colors.Set(13, GlowRgb(49, 106, 197));
    colors.Set(15, kFace);
    return colors;
}

// A 16 x 16 icon: red from (2,2) to (13,13), around it `border` (transparent or mask colour).
QImage Icon(bool masked)
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(masked ? ToQColor(kMask) : QColor(Qt::transparent));
    for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x)
            icon.setPixel(x, y, ToQColor(kRed).rgba());
    return icon;
}

GlowFacts Facts(int style, int state, int align, bool masked)
{
    GlowFacts f;
    f.width = 100;
    f.height = 40;
    f.style = style;
    f.state = state;
    f.enabled = state != 4;
    f.icon = Icon(masked);
    f.iconAlign = align;
    f.useMaskColor = masked;
    f.maskColor = kMask;
    return f;
}

QImage Paint(const GlowFacts &f, QImage *scratch = nullptr)
{
    QImage surface, own;
    RefreshGlowButton(surface, scratch ? *scratch : own, f, Colors(), nullptr);
    return surface;
}

// The bounding box of the pixels of colour c.
QRect Find(QImage image, GlowColor c)
{
    const GlowCanvas canvas(image);
    QRect box;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.Pixel(x, y) == c)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestGlowIcons : public QObject
{
    Q_OBJECT

private slots:
    void shouldPlaceTheIcon_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("align");
        QTest::addColumn<bool>("masked");
        QTest::addColumn<QPoint>("corner"); // of the 16 x 16 square on a 100 x 40 button
        for (bool masked : {false, true}) {
            const char *how = masked ? "mask" : "alpha";
            QTest::addRow("%s centre", how) << 3 << 1 << 0 << masked << QPoint(42, 12);
            QTest::addRow("%s left, margin 4", how) << 3 << 1 << 1 << masked << QPoint(4, 12);
            QTest::addRow("%s right, margin 7", how) << 9 << 1 << 2 << masked << QPoint(77, 12);
            QTest::addRow("%s top, margin 5", how) << 7 << 1 << 3 << masked << QPoint(42, 5);
            QTest::addRow("%s bottom, margin 7", how) << 10 << 1 << 4 << masked << QPoint(42, 17);
            QTest::addRow("%s pressed moves by one", how) << 5 << 3 << 1 << masked << QPoint(6, 13);
        }
    }
    void shouldPlaceTheIcon()
    {
        QFETCH(int, style);
        QFETCH(int, state);
        QFETCH(int, align);
        QFETCH(bool, masked);
        QFETCH(QPoint, corner);
        const QImage image = Paint(Facts(style, state, align, masked));
        QCOMPARE(Find(image, kRed), QRect(corner + QPoint(2, 2), QSize(12, 12)));
        QVERIFY(Find(image, kMask).isEmpty()); // the mask colour is never copied
    }

    void shouldRaiseTheIconOverAShadowInHotStyleFour_data()
    {
        QTest::addColumn<bool>("masked");
        QTest::newRow("through the mask") << true;
        QTest::newRow("against the background") << false;
    }
    void shouldRaiseTheIconOverAShadowInHotStyleFour()
    {
        QFETCH(bool, masked);
        const QImage image = Paint(Facts(4, 2, 0, masked));
        // The square sits at (42, 12); the icon moves up-left by 2 over its grey shadow.
        QCOMPARE(Find(image, kRed), QRect(42, 12, 12, 12));
        QCOMPARE(Find(image, kShade), QRect(44, 14, 12, 12));
        const QImage cool = Paint(Facts(4, 1, 0, masked));
        QVERIFY(Find(cool, kShade).isEmpty());
    }

    void shouldCopyWhatTheScratchHoldsExceptTheMaskColour()
    {
        // The scratch surface is not cleared: where the icon is transparent its old content
        // shows through, unless that is the mask colour.
        QImage scratch(100, 40, QImage::Format_RGB32);
        scratch.fill(ToQColor(GlowRgb(0, 0, 255)));
        GlowFacts f = Facts(3, 1, 0, true);
        f.icon = Icon(false);
        const QImage image = Paint(f, &scratch);
        QCOMPARE(Find(image, GlowRgb(0, 0, 255)), QRect(42, 12, 16, 16));
        QCOMPARE(Find(image, kRed), QRect(44, 14, 12, 12));
    }

    void shouldGreyADisabledIcon_data()
    {
        QTest::addColumn<bool>("masked");
        QTest::addColumn<GlowColor>("grey");
        // (200 + 40 + 40) / 3 = 93.3 with a mask; 0.33, 0.59, 0.11 weights give 94 without.
        QTest::newRow("mask: grey of each pixel") << true << GlowRgb(93, 93, 93);
        QTest::newRow("no mask: weighted grey") << false << GlowRgb(94, 94, 94);
    }
    void shouldGreyADisabledIcon()
    {
        QFETCH(bool, masked);
        QFETCH(GlowColor, grey);
        const QImage image = Paint(Facts(3, 4, 0, masked));
        QVERIFY(Find(image, kRed).isEmpty());
        QCOMPARE(Find(image, grey), QRect(44, 14, 12, 12));
    }

    void shouldConvertIconColoursToGrey_data()
    {
        QTest::addColumn<GlowColor>("colour");
        QTest::addColumn<GlowColor>("grey");
        QTest::newRow("kept grey 0xF0F0F0") << GlowColor(0xF0F0F0) << GlowColor(0xF0F0F0);
        QTest::newRow("kept grey 0x808080") << GlowColor(0x808080) << GlowColor(0x808080);
        QTest::newRow("0x909090 is not kept: 148.32") << GlowColor(0x909090) << GlowRgb(148, 148, 148);
        QTest::newRow("half to even down: 16.5") << GlowRgb(0, 0, 150) << GlowRgb(16, 16, 16);
        QTest::newRow("half to even up: 5.5") << GlowRgb(0, 0, 50) << GlowRgb(6, 6, 6);
        QTest::newRow("weights over 1 clamp") << GlowRgb(250, 250, 250) << GlowRgb(255, 255, 255);
        QTest::newRow("pure green") << GlowRgb(0, 255, 0) << GlowRgb(150, 150, 150);
    }
    void shouldConvertIconColoursToGrey()
    {
        QFETCH(GlowColor, colour);
        QFETCH(GlowColor, grey);
        QImage icon(2, 2, QImage::Format_ARGB32);
        icon.fill(ToQColor(colour));
        icon.setPixel(1, 1, qRgba(0, 0, 0, 0)); // the icon's own transparency is kept
        QImage dest(8, 8, QImage::Format_RGB32);
        dest.fill(ToQColor(GlowRgb(1, 2, 3)));
        QVERIFY(PaintIconGrayscale(&dest, &icon, 2, 3, 4, 4));
        QCOMPARE(Find(dest, grey), QRect(2, 3, 4, 4)); // stretched to 4 x 4 ...
        const GlowCanvas canvas(dest);
        QCOMPARE(canvas.Pixel(4, 5), GlowRgb(1, 2, 3)); // ... except the clear quarter
        QCOMPARE(canvas.Pixel(5, 6), GlowRgb(1, 2, 3));
    }

    void shouldRefuseMissingSurfaceOrIcon()
    {
        QImage dest(8, 8, QImage::Format_RGB32), icon(2, 2, QImage::Format_ARGB32), none;
        QVERIFY(!PaintIconGrayscale(nullptr, &icon, 0, 0, 2, 2));
        QVERIFY(!PaintIconGrayscale(&dest, nullptr, 0, 0, 2, 2));
        QVERIFY(!PaintIconGrayscale(&dest, &none, 0, 0, 2, 2));
    }
};

QTEST_MAIN(TestGlowIcons)
#include "tst_glowicons.moc"
