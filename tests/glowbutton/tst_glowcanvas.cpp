// The canvas primitives, the colour helpers and the pure geometry of the button.
#include "glowcanvas.h"
#include "glowfacts.h"
#include "glowgeometry.h"
#include "systemcolors.h"

#include <QFont>
#include <QPainter>
#include <QtTest>

namespace {

constexpr GlowColor kInk = GlowRgb(10, 20, 30);
constexpr GlowColor kPaper = GlowRgb(255, 255, 255);

// The image as text: '#' for kInk, '.' for anything else.
QStringList Art(const QImage &image)
{
    QStringList rows;
    QImage copy = image;
    const GlowCanvas canvas(copy);
    for (int y = 0; y < canvas.Height(); ++y) {
        QString row;
        for (int x = 0; x < canvas.Width(); ++x)
            row += canvas.Pixel(x, y) == kInk ? '#' : '.';
        rows << row;
    }
    return rows;
}

QImage Blank(int w = 6, int h = 4)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Columns [first, last] of the shape's row y, or (-1, -1) for an empty row.
QPair<int, int> Span(const QRegion &shape, int y, int w)
{
    int first = -1, last = -1;
    for (int x = 0; x < w; ++x)
        if (shape.contains(QPoint(x, y))) {
            if (first < 0)
                first = x;
            last = x;
        }
    return {first, last};
}

int Area(const QRegion &region)
{
    int area = 0;
    for (const QRect &r : region)
        area += r.width() * r.height();
    return area;
}

} // namespace

class TestGlowCanvas : public QObject
{
    Q_OBJECT

private slots:
    void shouldDrawPrimitivesWithoutEndPointsOrFarEdges_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QList<int>>("args");
        QTest::addColumn<QStringList>("art");
        enum { Line, Fill, Outline };
        QTest::newRow("line rightwards stops before its end")
            << int(Line) << QList<int>{1, 1, 4, 1} << QStringList{"......", ".###..", "......", "......"};
        QTest::newRow("line leftwards starts at its start")
            << int(Line) << QList<int>{4, 1, 1, 1} << QStringList{"......", "..###.", "......", "......"};
        QTest::newRow("line upwards")
            << int(Line) << QList<int>{2, 3, 2, 0} << QStringList{"......", "..#...", "..#...", "..#..."};
        QTest::newRow("diagonal")
            << int(Line) << QList<int>{0, 0, 3, 3} << QStringList{"#.....", ".#....", "..#...", "......"};
        QTest::newRow("line clipped on both sides")
            << int(Line) << QList<int>{-3, 0, 9, 0} << QStringList{"######", "......", "......", "......"};
        QTest::newRow("fill leaves right and bottom edges")
            << int(Fill) << QList<int>{1, 1, 4, 3} << QStringList{"......", ".###..", ".###..", "......"};
        QTest::newRow("empty fill")
            << int(Fill) << QList<int>{3, 1, 3, 3} << QStringList{"......", "......", "......", "......"};
        QTest::newRow("outline closes all four corners")
            << int(Outline) << QList<int>{1, 0, 3, 2} << QStringList{".####.", ".#..#.", ".####.", "......"};
    }
    void shouldDrawPrimitivesWithoutEndPointsOrFarEdges()
    {
        QFETCH(int, op);
        QFETCH(QList<int>, args);
        QFETCH(QStringList, art);
        QImage image = Blank();
        GlowCanvas canvas(image);
        if (op == 0)
            canvas.Line(args[0], args[1], args[2], args[3], kInk);
        else if (op == 1)
            canvas.FillRect(args[0], args[1], args[2], args[3], kInk);
        else
            canvas.Outline(args[0], args[1], args[2], args[3], kInk);
        QCOMPARE(Art(image), art);
    }

    void shouldReadBackWrittenPixelsAndRejectOutsideOnes()
    {
        QImage image = Blank();
        GlowCanvas canvas(image);
        canvas.SetPixel(5, 3, kInk);
        canvas.SetPixel(6, 3, kInk); // outside: dropped
        QCOMPARE(canvas.Pixel(5, 3), kInk);
        QCOMPARE(canvas.Pixel(0, 0), kPaper);
        QCOMPARE(canvas.Pixel(-1, 0), kBadColor);
        QCOMPARE(canvas.Pixel(6, 3), kBadColor);
    }

    void shouldComputeColourHelpersAtTheirLimits_data()
    {
        QTest::addColumn<GlowColor>("got");
        QTest::addColumn<GlowColor>("expected");
        QTest::newRow("offset clamps up") << GlowOffset(GlowRgb(250, 0, 100), 21) << GlowRgb(255, 21, 121);
        QTest::newRow("offset clamps down") << GlowOffset(GlowRgb(250, 5, 100), -96) << GlowRgb(154, 0, 4);
        QTest::newRow("average halves to even") << GlowAverage(GlowRgb(1, 3, 4), GlowRgb(2, 4, 5)) << GlowRgb(2, 4, 4);
        QTest::newRow("average of limits") << GlowAverage(GlowRgb(0, 255, 0), GlowRgb(255, 255, 0)) << GlowRgb(128, 255, 0);
        QTest::newRow("lighten 0 keeps") << GlowLighten(GlowRgb(1, 128, 254), 0) << GlowRgb(1, 128, 254);
        QTest::newRow("lighten 255 whitens") << GlowLighten(GlowRgb(0, 128, 254), 255) << GlowRgb(255, 255, 255);
        QTest::newRow("lighten truncates") << GlowLighten(GlowRgb(100, 0, 255), 32) << GlowRgb(119, 32, 255);
        QTest::newRow("grey rounds down") << GlowGrey(GlowRgb(1, 1, 2)) << GlowRgb(1, 1, 1);
        QTest::newRow("grey rounds up") << GlowGrey(GlowRgb(1, 2, 2)) << GlowRgb(2, 2, 2);
        QTest::newRow("grey of white") << GlowGrey(GlowRgb(255, 255, 255)) << GlowRgb(255, 255, 255);
        QTest::newRow("blend half way up to even") << GlowBlend(GlowRgb(0, 0, 1), GlowRgb(3, 1, 2), 1, 2) << GlowRgb(2, 0, 2);
        QTest::newRow("blend half way down to even") << GlowBlend(GlowRgb(3, 1, 2), GlowRgb(0, 0, 1), 1, 2) << GlowRgb(2, 0, 2);
        QTest::newRow("blend ends") << GlowBlend(GlowRgb(9, 8, 7), GlowRgb(1, 2, 3), 5, 5) << GlowRgb(1, 2, 3);
        QTest::newRow("blend over no steps") << GlowBlend(GlowRgb(9, 8, 7), GlowRgb(1, 2, 3), 0, 0) << GlowRgb(9, 8, 7);
    }
    void shouldComputeColourHelpersAtTheirLimits()
    {
        QFETCH(GlowColor, got);
        QFETCH(GlowColor, expected);
        QCOMPARE(got, expected);
    }

    void shouldDrawGradientsLineByLine()
    {
        QImage image = Blank(8, 8);
        GlowCanvas canvas(image);
        canvas.VerticalGradient(GlowRgb(0, 0, 0), GlowRgb(30, 60, 90), 1, 2, 5, 3);
        QCOMPARE(canvas.Pixel(1, 2), GlowRgb(0, 0, 0));
        QCOMPARE(canvas.Pixel(4, 3), GlowRgb(10, 20, 30));
        QCOMPARE(canvas.Pixel(4, 5), GlowRgb(30, 60, 90)); // n + 1 lines: the last is `to`
        QCOMPARE(canvas.Pixel(5, 5), kPaper);              // x2 excluded
        QCOMPARE(canvas.Pixel(1, 6), kPaper);
        canvas.HorizontalGradient(GlowRgb(0, 0, 0), GlowRgb(4, 4, 4), 2, 0, 6, 2);
        QCOMPARE(canvas.Pixel(2, 0), GlowRgb(0, 0, 0));
        QCOMPARE(canvas.Pixel(6, 1), GlowRgb(4, 4, 4)); // the column at x2 is drawn
        QCOMPARE(canvas.Pixel(6, 2), kPaper);           // y2 excluded
        QCOMPARE(canvas.Pixel(7, 0), kPaper);
    }

    void shouldDrawEtchedFrameCorners()
    {
        const GlowColor c1 = GlowRgb(100, 100, 100), c2 = GlowRgb(201, 201, 201),
                        c3 = GlowRgb(1, 2, 3);
        QImage image = Blank(8, 6);
        GlowCanvas canvas(image);
        canvas.EtchedFrame(0, 0, 7, 5, c1, c2, c3);
        const QList<QPair<QPoint, GlowColor>> expected = {
            {{0, 0}, c1}, {{6, 0}, c1}, {{0, 4}, c1}, {{6, 4}, c1},   // outer outline
            {{1, 1}, c2}, {{7, 5}, c2}, {{7, 2}, c2}, {{3, 5}, c2},   // inner outline
            {{7, 0}, c3}, {{0, 5}, c3},                               // uncovered corners
            {{1, 4}, GlowRgb(150, 150, 150)}, {{6, 1}, GlowRgb(150, 150, 150)}, // blended
            {{2, 2}, kPaper}, {{5, 3}, kPaper}};
        for (const auto &[at, colour] : expected)
            QCOMPARE(canvas.Pixel(at.x(), at.y()), colour);
    }

    void shouldDrawEdgesInPlatformTones_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QList<int>>("tones"); // at (0,0) (5,0) (0,5) (5,5) (1,1) (4,1) (4,4) (2,2)
        QTest::newRow("raised") << 5 << QList<int>{22, 21, 21, 21, 20, 16, 16, 0};
        QTest::newRow("sunken") << 10 << QList<int>{16, 20, 20, 20, 21, 22, 22, 0};
        QTest::newRow("raised inner alone sits outside") << 4 << QList<int>{20, 16, 16, 16, 0, 0, 0, 0};
        QTest::newRow("sunken outer alone") << 2 << QList<int>{16, 20, 20, 20, 0, 0, 0, 0};
    }
    void shouldDrawEdgesInPlatformTones()
    {
        QFETCH(int, kind);
        QFETCH(QList<int>, tones);
        FixedSystemColors colors;
        for (int index : {16, 20, 21, 22})
            colors.Set(index, GlowRgb(index, index, index));
        QImage image = Blank(6, 6);
        GlowCanvas canvas(image);
        canvas.Edge(QRect(0, 0, 6, 6), kind, colors);
        const QList<QPoint> at = {{0, 0}, {5, 0}, {0, 5}, {5, 5}, {1, 1}, {4, 1}, {4, 4}, {2, 2}};
        for (int i = 0; i < at.size(); ++i) {
            const GlowColor expected = tones[i] ? GlowRgb(tones[i], tones[i], tones[i]) : kPaper;
            QVERIFY2(canvas.Pixel(at[i].x(), at[i].y()) == expected,
                     qPrintable(QString("at %1,%2").arg(at[i].x()).arg(at[i].y())));
        }
    }

    void shouldPlaceTextByCaptionFormat_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<QRect>("inkWithin");
        QTest::newRow("centre") << 0 << QRect(QPoint(30, 10), QPoint(89, 49));
        QTest::newRow("left") << 1 << QRect(QPoint(4, 10), QPoint(40, 49));
        QTest::newRow("right") << 2 << QRect(QPoint(80, 10), QPoint(115, 49));
        QTest::newRow("top") << 3 << QRect(QPoint(30, 4), QPoint(89, 25));
        QTest::newRow("bottom") << 4 << QRect(QPoint(30, 35), QPoint(89, 55));
    }
    void shouldPlaceTextByCaptionFormat()
    {
        QFETCH(int, align);
        QFETCH(QRect, inkWithin);
        QImage image = Blank(120, 60);
        GlowCanvas canvas(image);
        QFont font("DejaVu Sans");
        font.setPixelSize(12);
        canvas.Text("&&H&I", GlowCaptionRect(120, 60), GlowCaptionFormat(align, 17), font, kInk);
        QRect ink;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x)
                if (canvas.Pixel(x, y) != kPaper)
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(inkWithin.contains(ink), qPrintable(QString("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())));
    }

    void shouldProcessAmpersandsLikeTheCaption()
    {
        QFont font("DejaVu Sans");
        font.setPixelSize(12);
        const auto draw = [&font](const QString &text, bool prefix) {
            QImage image = Blank(60, 20);
            if (prefix) {
                GlowCanvas(image).Text(text, QRect(0, 0, 60, 20), 36, font, kInk);
            } else {
                QPainter p(&image);
                p.setFont(font);
                p.setPen(ToQColor(kInk));
                p.drawText(QRect(0, 0, 60, 20), Qt::AlignLeft | Qt::AlignVCenter, text);
            }
            return image;
        };
        QCOMPARE(draw("a&&b", true), draw("a&b", false));
        QVERIFY(draw("&ab", true) != draw("ab", false)); // underlined, not drawn as '&'
        QVERIFY(draw("&ab", true) != draw("&ab", false));
    }

    void shouldKeepButtonsAtLeastTwentyPixels()
    {
        QCOMPARE(GlowClampSize(QSize(10, 10)), QSize(20, 20));
        QCOMPARE(GlowClampSize(QSize(89, 5)), QSize(89, 20));
        QCOMPARE(GlowClampSize(QSize(20, 21)), QSize(20, 21));
        QCOMPARE(GlowCaptionRect(20, 20), QRect(4, 4, 12, 12));
    }

    void shouldChooseCaptionFormat_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("format");
        for (auto [align, format] : {std::pair{0, 37}, {1, 36}, {2, 38}, {3, 33}, {4, 41}, {5, 99}, {-1, 99}})
            QTest::addRow("align %d", align) << align << format;
    }
    void shouldChooseCaptionFormat()
    {
        QFETCH(int, align);
        QFETCH(int, format);
        QCOMPARE(GlowCaptionFormat(align, 99), format);
    }

    void shouldPlaceIcons_data()
    {
        QTest::addColumn<int>("align");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("margin");
        QTest::addColumn<QPoint>("at");
        // On an h = 25 button with S = 16; odd halves round to even.
        QTest::newRow("centre, 36.5 and 4.5 round down") << 0 << 89 << 4 << QPoint(36, 4);
        QTest::newRow("centre, 37.5 rounds up") << 0 << 91 << 4 << QPoint(38, 4);
        QTest::newRow("left") << 1 << 89 << 5 << QPoint(5, 4);
        QTest::newRow("right, margin 7") << 2 << 100 << 7 << QPoint(77, 4);
        QTest::newRow("top") << 3 << 89 << 7 << QPoint(36, 7);
        QTest::newRow("bottom") << 4 << 89 << 4 << QPoint(36, 5);
    }
    void shouldPlaceIcons()
    {
        QFETCH(int, align);
        QFETCH(int, w);
        QFETCH(int, margin);
        QFETCH(QPoint, at);
        QCOMPARE(GlowIconPosition(align, w, 25, 16, margin), at);
    }

    void shouldGiveEachStyleItsMargin()
    {
        const QList<int> margins = {4, 4, 4, 4, 4, 5, 4, 5, 4, 7, 7};
        for (int style = 0; style <= 10; ++style)
            QCOMPARE(GlowIconMargin(style), margins[style]);
    }

    void shouldShapeEachStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("insets"); // left,right of rows 0, 1, 2 then h-3, h-2, h-1
        QTest::addColumn<int>("cut");           // pixels outside the shape
        QTest::newRow("0 rectangle") << 0 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0} << 0;
        QTest::newRow("6 rectangle") << 6 << QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0} << 0;
        for (int style : {5, 7})
            QTest::addRow("%d one-pixel cuts", style) << style << QList<int>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1} << 4;
        for (int style : {8, 9})
            QTest::addRow("%d two to four-pixel cuts", style)
                << style << QList<int>{2, 3, 1, 2, 0, 1, 1, 0, 2, 1, 3, 2} << 18;
    }
    void shouldShapeEachStyle()
    {
        QFETCH(int, style);
        QFETCH(QList<int>, insets);
        QFETCH(int, cut);
        for (QSize size : {QSize(20, 20), QSize(89, 25), QSize(640, 300)}) {
            const int w = size.width(), h = size.height();
            const QRegion shape = GlowShape(style, w, h);
            const QList<int> rows = {0, 1, 2, h - 3, h - 2, h - 1};
            QList<int> got;
            for (int y : rows) {
                const auto [first, last] = Span(shape, y, w);
                got << first << w - 1 - last;
            }
            QCOMPARE(got, insets);
            QCOMPARE(Area(shape), w * h - cut);
            QVERIFY(QRegion(0, 0, w, h).contains(shape.boundingRect()));
        }
    }

    void shouldRoundStyleTenCorners()
    {
        for (QSize size : {QSize(20, 20), QSize(89, 25), QSize(640, 300)}) {
            const int w = size.width(), h = size.height();
            const QRegion shape = GlowShape(10, w, h);
            for (QPoint corner : {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1),
                                  QPoint(2, 1), QPoint(w - 2, 1)})
                QVERIFY(!shape.contains(corner));
            // Full rows between the corner arcs, and the arcs of radius 9 end 9 pixels in.
            QCOMPARE(Span(shape, h / 2, w), qMakePair(0, w - 1));
            QCOMPARE(Span(shape, 0, w).first, 6);
            QVERIFY(shape.contains(QPoint(w / 2, 0)) && shape.contains(QPoint(w / 2, h - 1)));
        }
    }
};

QTEST_MAIN(TestGlowCanvas)
#include "tst_glowcanvas.moc"
