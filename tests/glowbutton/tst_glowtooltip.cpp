#include "glowabout.h"
#include "glowbutton.h"
#include "glowtesthost.h"
#include "glowtooltip.h"

#include <QtTest>

// The button's own tooltip window and its About surface.
class TestGlowToolTip : public QObject
{
    Q_OBJECT

private:
    TestHost host;
    std::unique_ptr<GlowButton> button;

    void enter()
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button.get(), &move);
    }
    void leave()
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button.get(), &e);
    }

private slots:
    void init()
    {
        host = TestHost();
        button = std::make_unique<GlowButton>();
        button->SetHost(&host);
        button->ReadProperties(GlowPropertyBag());
        button->resize(89, 25);
        button->show();
        host.tip = QStringLiteral("host & tip");
    }
    void cleanup() { button.reset(); }

    void shouldBorrowTheHostTextWhileTheTipExists()
    {
        enter();
        QPointer<GlowToolTip> first = button->ToolTipWindow();
        QVERIFY(first);
        QCOMPARE(first->Text(), QStringLiteral("host & tip"));
        QCOMPARE(host.tip, QString());
        leave();
        QVERIFY(!first);
        QCOMPARE(host.tip, QStringLiteral("host & tip"));
        enter();
        QCOMPARE(button->findChildren<GlowToolTip *>().size(), 1);
        QCOMPARE(host.tip, QString());
        button->hide();
        QCOMPARE(host.tip, QStringLiteral("host & tip"));
        QVERIFY(!button->ToolTipWindow());
    }

    void shouldShowTheTipOnlyWithText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << "hello";
        QTest::newRow("empty") << "";
    }
    void shouldShowTheTipOnlyWithText()
    {
        QFETCH(QString, text);
        host.tip = text;
        enter();
        GlowToolTip *tip = button->ToolTipWindow();
        QVERIFY(tip);
        QVERIFY(tip->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(tip->testAttribute(Qt::WA_ShowWithoutActivating));
        if (!text.isEmpty())
            QTRY_VERIFY(tip->isVisible());
        else
            QVERIFY(!tip->isVisible());
    }

    void shouldBuildTheTipFromTheProperties_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("title");
        QTest::addColumn<GlowColor>("fore");
        QTest::addColumn<GlowColor>("back");
        QTest::addColumn<bool>("balloon");
        QTest::addColumn<bool>("hasTitle");
        QTest::addColumn<QColor>("textColor");
        QTest::addColumn<QColor>("backColor");
        const QColor sysText(0, 0, 0), sysBack(255, 255, 225);
        QTest::newRow("balloon, zero colours keep the system ones")
            << 1 << 0 << "" << 0u << 0u << true << false << sysText << sysBack;
        QTest::newRow("rectangle")
            << 0 << 0 << "" << 0u << 0u << false << false << sysText << sysBack;
        QTest::newRow("any other type is a rectangle")
            << 7 << 0 << "" << 0u << 0u << false << false << sysText << sysBack;
        QTest::newRow("icon without a title still sets the title")
            << 1 << 2 << "" << 0u << 0u << true << true << sysText << sysBack;
        QTest::newRow("title without an icon")
            << 1 << 0 << "Port" << 0u << 0u << true << true << sysText << sysBack;
        QTest::newRow("own colours") << 1 << 1 << "Port" << GlowRgb(255, 0, 0) << GlowRgb(0, 0, 255)
                                     << true << true << QColor(255, 0, 0) << QColor(0, 0, 255);
        QTest::newRow("system-colour references")
            << 1 << 0 << "" << 0x80000010u << 0x8000000Fu << true << false << QColor(172, 168, 153)
            << QColor(236, 233, 216);
    }
    void shouldBuildTheTipFromTheProperties()
    {
        QFETCH(int, type);
        QFETCH(int, icon);
        QFETCH(QString, title);
        QFETCH(GlowColor, fore);
        QFETCH(GlowColor, back);
        QFETCH(bool, balloon);
        QFETCH(bool, hasTitle);
        QFETCH(QColor, textColor);
        QFETCH(QColor, backColor);
        button->SetToolTipType(type);
        button->SetToolTipIcon(icon);
        button->SetToolTipTitle(title);
        button->SetToolTipForeColor(fore);
        button->SetToolTipBackColor(back);
        enter();
        GlowToolTip *tip = button->ToolTipWindow();
        QVERIFY(tip);
        QCOMPARE(tip->Balloon(), balloon);
        QCOMPARE(tip->HasTitle(), hasTitle);
        QCOMPARE(tip->TitleIcon(), hasTitle ? icon : 0);
        QCOMPARE(tip->TextColor(), textColor);
        QCOMPARE(tip->BackColor(), backColor);
    }

    // Every button of the window's stored definition, given a tooltip text, shows it in the
    // system tooltip colours; the first one is painted and read back: dark text on the light
    // tooltip background.
    void shouldShowAReadableTipForEveryStoredWindowButton()
    {
        QFile file(QStringLiteral(WINDOW_DEFINITION));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QList<GlowDefinitionEntry> entries;
        QString error;
        QVERIFY2(ParseGlowDefinition(QString::fromUtf8(file.readAll()), entries, &error),
                 qPrintable(error));
        QVERIFY(!entries.isEmpty());
        const QColor sysText(0, 0, 0), sysBack(255, 255, 225);
        for (const GlowDefinitionEntry &entry : std::as_const(entries)) {
            button = std::make_unique<GlowButton>();
            button->SetHost(&host);
            button->ReadProperties(entry.bag);
            button->resize(89, 25);
            button->show();
            host.tip = QStringLiteral("Opens the port");
            enter();
            const GlowToolTip *tip = button->ToolTipWindow();
            QVERIFY(tip);
            QVERIFY2(tip->TextColor() == sysText && tip->BackColor() == sysBack,
                     qPrintable(entry.name));
        }
        GlowToolTip *tip = button->ToolTipWindow();
        QTRY_VERIFY(tip->isVisible());
        // Inside the border (and below a balloon's pointer).
        const QImage image = tip->grab().toImage();
        const int top = tip->Balloon() ? 12 : 0;
        const QRect inner(6, top + 6, image.width() - 12, image.height() - top - 12);
        int dark = 0, background = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                dark += qGray(c.rgb()) < 96;
                background += c == sysBack;
            }
        QVERIFY(dark > 0);
        QVERIFY(background > 0);
    }

    void shouldKeepATipTextSetFromCode()
    {
        button->SetToolTipText(QStringLiteral("set"));
        QCOMPARE(button->ToolTipText(), QStringLiteral("set"));
        QVERIFY(button->ToolTipWindow());
        QCOMPARE(button->ToolTipWindow()->Text(), QStringLiteral("set"));
        enter();
        QCOMPARE(button->ToolTipWindow()->Text(), QStringLiteral("set"));
        leave();
        QCOMPARE(host.tip, QStringLiteral("set"));
    }

    // Each side of a shown tip ends in its border: on the middle row and column, the outermost
    // pixels the window keeps are painted in the border colour, not the window behind.
    void shouldKeepTheWholeBorderInsideTheWindowShape_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("balloon") << 1;
        QTest::newRow("rectangle") << 0;
    }
    void shouldKeepTheWholeBorderInsideTheWindowShape()
    {
        QFETCH(int, type);
        button->SetToolTipType(type);
        button->SetToolTipForeColor(GlowRgb(0, 0, 128));
        button->SetToolTipBackColor(GlowRgb(255, 255, 225));
        host.tip = QStringLiteral("Opens COM1 at 2400,E,8,1");
        enter();
        GlowToolTip *tip = button->ToolTipWindow();
        QTRY_VERIFY(tip->isVisible());
        const QImage image = tip->grab().toImage();
        const QRegion shape = tip->mask();
        QVERIFY(!shape.isEmpty());
        const QRect box = shape.boundingRect();
        const int midX = box.center().x(), midY = image.height() / 2;
        const auto kept = [&](int x, int y) { return shape.contains(QPoint(x, y)); };
        int left = 0, right = image.width() - 1, top = 0, bottom = image.height() - 1;
        while (left < right && !kept(left, midY))
            ++left;
        while (right > left && !kept(right, midY))
            --right;
        while (top < bottom && !kept(midX, top))
            ++top;
        while (bottom > top && !kept(midX, bottom))
            --bottom;
        const QRgb border = tip->TextColor().rgb();
        QCOMPARE(image.pixel(left, midY), border);
        QCOMPARE(image.pixel(right, midY), border);
        QCOMPARE(image.pixel(midX, top), border);
        QCOMPARE(image.pixel(midX, bottom), border);
    }

    void shouldShowAboutAsATopMostWindow()
    {
        button->About();
        GlowAbout *about = button->AboutSurface();
        QVERIFY(about->isVisible());
        QVERIFY(about->isWindow());
        QVERIFY(about->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(about->windowTitle(), QStringLiteral("About GlowButton 3.4.0"));
        QVERIFY(about->width() >= 370 && about->height() >= 170);
        QTest::mousePress(about, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(about->Pressed());
        QVERIFY(about->isVisible());
        QTest::mouseRelease(about, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!about->isVisible());
    }

    // The "Close" button outside its text: frame, cut corners and the gradient's first and last
    // rows, which swap when pressed.
    void shouldDrawTheCloseButton_data()
    {
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<GlowColor>("color");
        const GlowColor face = GlowRgb(236, 233, 216), shadow = GlowRgb(172, 168, 153);
        const GlowColor nearLight = GlowRgb(250, 247, 230), nearDark = GlowRgb(222, 219, 202);
        for (bool pressed : {false, true}) {
            const char *look = pressed ? "pressed" : "normal";
            const auto row = [&](const char *what, QPoint at, GlowColor c) {
                QTest::addRow("%s %s", look, what) << pressed << at << c;
            };
            row("top-left corner", {290, 80}, face);
            row("top-left corner below", {290, 81}, face);
            row("top-left diagonal", {291, 81}, shadow);
            row("top edge", {300, 80}, shadow);
            row("left edge", {290, 90}, shadow);
            row("right edge", {360, 90}, shadow);
            row("bottom edge", {300, 106}, shadow);
            row("bottom-right corner", {360, 106}, face);
            row("second row", {300, 81}, pressed ? nearDark : nearLight);
            row("last body row", {300, 105}, pressed ? nearLight : nearDark);
            row("outside", {289, 90}, face);
        }
    }
    void shouldDrawTheCloseButton()
    {
        QFETCH(bool, pressed);
        QFETCH(QPoint, at);
        QFETCH(GlowColor, color);
        button->About();
        GlowAbout *about = button->AboutSurface();
        if (pressed)
            QTest::mousePress(about, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(FromQColor(about->Image().pixelColor(at)), color);
    }
};

QTEST_MAIN(TestGlowToolTip)
#include "tst_glowtooltip.moc"
