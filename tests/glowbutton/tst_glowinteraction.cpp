#include "glowbutton.h"
#include "glowfacts.h"
#include "glowtesthost.h"

#include <QAccessible>
#include <QPushButton>
#include <QtTest>

// Mouse, keys, focus and hover turned into visual states and Click / MouseEnter / MouseLeave.
class TestGlowInteraction : public QObject
{
    Q_OBJECT

private:
    TestHost host;
    std::unique_ptr<QWidget> window;
    QPushButton *before = nullptr;
    GlowButton *button = nullptr;
    QPushButton *after = nullptr;

    void send(QEvent::Type type, Qt::MouseButton b, QPoint pos = {10, 10})
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : b;
        QMouseEvent e(type, pos, button->mapToGlobal(pos), b, held, Qt::NoModifier);
        QApplication::sendEvent(button, &e);
    }
    void key(QEvent::Type type, bool autoRepeat = false)
    {
        QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), autoRepeat);
        QApplication::sendEvent(button, &e);
    }
    // One step of an interaction script: L/R/M mouse buttons with + press, - release over the
    // button, o release outside; D double click; S+ S- space down/up, S* a held-down repeat;
    // A the access key; E the Enter key.
    void act(const QString &step)
    {
        const Qt::MouseButton b = step[0] == 'R'   ? Qt::RightButton
                                  : step[0] == 'M' ? Qt::MiddleButton
                                                   : Qt::LeftButton;
        if (step == "D")
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
        else if (step == "S+")
            key(QEvent::KeyPress);
        else if (step == "S*")
            key(QEvent::KeyPress, true);
        else if (step == "S-")
            key(QEvent::KeyRelease);
        else if (step == "A")
            QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
        else if (step == "E")
            QTest::keyClick(button, Qt::Key_Return);
        else if (step[1] == '+')
            send(QEvent::MouseButtonPress, b);
        else
            send(QEvent::MouseButtonRelease, b, step[1] == 'o' ? QPoint(-5, -5) : QPoint(10, 10));
    }

    GlowButton *makeButton(QPoint at = {0, 40})
    {
        auto *b = new GlowButton(window.get());
        b->SetHost(&host);
        GlowPropertyBag bag;
        bag.WriteProperty("Caption", QStringLiteral("&Read"));
        b->ReadProperties(bag);
        b->setGeometry(QRect(at, QSize(89, 25)));
        b->show();
        return b;
    }

private slots:
    void init()
    {
        host = TestHost();
        window = std::make_unique<QWidget>();
        before = new QPushButton("before", window.get());
        button = makeButton();
        after = new QPushButton("after", window.get());
        before->setGeometry(0, 0, 80, 30);
        after->setGeometry(0, 80, 80, 30);
        window->resize(200, 200);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        button->setFocus();
    }
    void cleanup() { window.reset(); }

    void shouldFollowTheStateTable_data()
    {
        QTest::addColumn<int>("buttonType");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("value");
        QTest::newRow("left click") << 0 << "L+ L-" << 2 << 1 << false;
        QTest::newRow("left press") << 0 << "L+" << 3 << 0 << false;
        QTest::newRow("left release outside") << 0 << "L+ Lo" << 2 << 0 << false;
        QTest::newRow("right click") << 0 << "R+ R-" << 1 << 0 << false;
        QTest::newRow("middle click") << 0 << "M+ M-" << 1 << 0 << false;
        QTest::newRow("double click presses again") << 0 << "L+ L- D" << 3 << 1 << false;
        QTest::newRow("double click, no second Click") << 0 << "L+ L- D L-" << 2 << 1 << false;
        QTest::newRow("double click after a right release") << 0 << "R+ R- D" << 1 << 0 << false;
        QTest::newRow("check button click") << 1 << "L+ L-" << 3 << 1 << true;
        QTest::newRow("check button pressed") << 1 << "L+" << 3 << 0 << false;
        QTest::newRow("check button two clicks") << 1 << "L+ L- L+ L-" << 2 << 2 << false;
        QTest::newRow("space") << 0 << "S+ S-" << 2 << 1 << false;
        QTest::newRow("space held down") << 0 << "S+ S* S* S-" << 2 << 1 << false;
        QTest::newRow("space on check button") << 1 << "S+ S-" << 3 << 1 << true;
        QTest::newRow("space after right release") << 0 << "R+ R- S+ S-" << 2 << 1 << false;
        QTest::newRow("check button space after right release")
            << 1 << "R+ R- S+ S-" << 3 << 1 << true;
        QTest::newRow("access key") << 0 << "L+ L- A" << 1 << 2 << false;
        QTest::newRow("access key after right release") << 0 << "R+ R- A" << 1 << 0 << false;
        QTest::newRow("enter") << 0 << "E" << 1 << 0 << false;
    }
    void shouldFollowTheStateTable()
    {
        QFETCH(int, buttonType);
        QFETCH(QString, script);
        QFETCH(int, state);
        QFETCH(int, clicks);
        QFETCH(bool, value);
        button->SetButtonType(buttonType);
        QSignalSpy click(button, &GlowButton::Click);
        for (const QString &step : script.split(' '))
            act(step);
        QCOMPARE(button->VisualState(), state);
        QCOMPARE(click.count(), clicks);
        QCOMPARE(button->Value(), value);
    }

    void shouldRaiseNoClickWhenValueIsSetFromCode()
    {
        button->SetButtonType(1);
        QSignalSpy click(button, &GlowButton::Click);
        button->SetValue(true);
        QCOMPARE(button->VisualState(), 3);
        QCOMPARE(click.count(), 0);
    }

    void shouldClickWithARealMouse()
    {
        QSignalSpy click(button, &GlowButton::Click);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(click.count(), 1);
    }

    void shouldMoveTheFocusWithApostropheAndPercent_data()
    {
        QTest::addColumn<char>("typed");
        QTest::addColumn<QString>("focused");
        QTest::newRow("apostrophe") << '\'' << "after";
        QTest::newRow("percent") << '%' << "before";
    }
    void shouldMoveTheFocusWithApostropheAndPercent()
    {
        QFETCH(char, typed);
        QFETCH(QString, focused);
        QTRY_VERIFY(button->hasFocus());
        QVERIFY(button->HasFocusFlag());
        QTest::keyClick(button, typed);
        QTRY_COMPARE(QApplication::focusWidget(), focused == "after" ? after : before);
        QVERIFY(!button->HasFocusFlag());
    }

    void shouldRaiseEnterAndLeaveOnceEach_data()
    {
        QTest::addColumn<bool>("service");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("tracking");
        QTest::newRow("with hover tracking") << true << true << true;
        QTest::newRow("without a tracking service") << false << true << false;
        QTest::newRow("disabled") << true << false << false;
    }
    void shouldRaiseEnterAndLeaveOnceEach()
    {
        QFETCH(bool, service);
        QFETCH(bool, enabled);
        QFETCH(bool, tracking);
        host.trackingService = service;
        delete button;
        button = makeButton();
        button->SetEnabled(enabled);
        QSignalSpy enter(button, &GlowButton::MouseEnter);
        QSignalSpy leave(button, &GlowButton::MouseLeave);
        QTest::mouseMove(window.get(), QPoint(150, 150));
        QTest::mouseMove(button, QPoint(10, 10));
        QTest::mouseMove(button, QPoint(12, 11));
        QTest::mouseMove(button, QPoint(20, 12));
        QTRY_COMPARE(enter.count(), tracking ? 1 : 0);
        QCOMPARE(button->VisualState(), tracking ? 2 : enabled ? 1 : 4);
        QCOMPARE(button->ToolTipWindow() != nullptr, tracking);
        QTest::mouseMove(window.get(), QPoint(150, 150));
        QTRY_COMPARE(leave.count(), tracking ? 1 : 0);
        QCOMPARE(enter.count(), tracking ? 1 : 0);
        QCOMPARE(button->VisualState(), enabled ? 1 : 4);
        QVERIFY(!button->ToolTipWindow());
    }

    // Pressed, dragged off while holding the button and released there: no Click, and the
    // hover ends as a leave would end it, even though the grab kept the leave from arriving.
    void shouldEndTheHoverWhenReleasedOutside_data()
    {
        QTest::addColumn<int>("style");
        QTest::newRow("style 3") << 3;
        QTest::newRow("style 7") << 7;
        QTest::newRow("style 10") << 10;
    }
    void shouldEndTheHoverWhenReleasedOutside()
    {
        QFETCH(int, style);
        button->SetStyle(style);
        button->SetToolTipText(QStringLiteral("Opens the port"));
        const QImage normal = button->Surface();
        QSignalSpy click(button, &GlowButton::Click);
        QSignalSpy leave(button, &GlowButton::MouseLeave);
        const QPoint inside(10, 10), outside(10, 150); // below the button, inside the window
        QTest::mouseMove(window.get(), QPoint(150, 150));
        QTest::mouseMove(button, inside);
        QTRY_VERIFY(button->PointerInside());
        QTest::mousePress(button, Qt::LeftButton, {}, inside);
        QCOMPARE(button->VisualState(), kStatePressed);
        QTest::mouseMove(button, outside);
        QTest::mouseRelease(button, Qt::LeftButton, {}, outside);
        QTRY_COMPARE(leave.count(), 1);
        QCOMPARE(click.count(), 0);
        QCOMPARE(button->VisualState(), kStateNormal);
        QVERIFY(!button->PointerInside());
        QVERIFY(!button->ToolTipWindow());
        QCOMPARE(button->Surface(), normal);
        QTest::mouseMove(window.get(), QPoint(150, 150));
        QCOMPARE(leave.count(), 1);
    }

    // The hook runs after the widget's own handling and leaves its result alone: a hooked
    // button answers every hooked message exactly as a button without the hook does.
    void shouldNotChangeTheResultOfHookedMessages()
    {
        host.runMode = false;
        GlowButton *plain = makeButton({100, 40});
        host.runMode = true;
        QVERIFY(button->Hooks().Wants(button, kMsgMouseMove, kHookAfter));
        QVERIFY(!plain->Hooks().Wants(plain, kMsgMouseMove, kHookAfter));
        const auto answer = [](GlowButton *b, QEvent *e) {
            e->setAccepted(false);
            const bool result = QApplication::sendEvent(b, e);
            return std::make_pair(result, e->isAccepted());
        };
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QEvent leave(QEvent::Leave);
        QEvent styleChange(QEvent::StyleChange);
        QEvent paletteChange(QEvent::PaletteChange);
        for (QEvent *e :
             std::initializer_list<QEvent *>{&move, &leave, &styleChange, &paletteChange})
            QCOMPARE(answer(button, e), answer(plain, e));
        QVERIFY(!button->PointerInside()); // the leave came after the move
    }

    void shouldPresentAPushButtonNamedByItsCaption()
    {
        QSignalSpy click(button, &GlowButton::Click);
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(button);
        QVERIFY(a);
        QCOMPARE(a->role(), QAccessible::Button);
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("Read"));
        button->SetCaption(QStringLiteral("读表 && 数据"));
        QCOMPARE(a->text(QAccessible::Name), QStringLiteral("读表 & 数据"));
        QVERIFY(a->actionInterface());
        a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(click.count(), 1);
    }

    void shouldEnlargeASmallButtonAndShapeIt_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QSize>("asked");
        QTest::addColumn<QSize>("got");
        QTest::newRow("style 3, 10 x 10") << 3 << QSize(10, 10) << QSize(20, 20);
        QTest::newRow("style 7, 10 x 40") << 7 << QSize(10, 40) << QSize(20, 40);
        QTest::newRow("style 10, 89 x 25") << 10 << QSize(89, 25) << QSize(89, 25);
    }
    void shouldEnlargeASmallButtonAndShapeIt()
    {
        QFETCH(int, style);
        QFETCH(QSize, asked);
        QFETCH(QSize, got);
        button->SetStyle(style);
        button->resize(asked);
        QCOMPARE(button->size(), got);
        QCOMPARE(button->Surface().size(), got);
        QCOMPARE(button->mask(), GlowShape(style, got.width(), got.height()));
    }
};

QTEST_MAIN(TestGlowInteraction)
#include "tst_glowinteraction.moc"
