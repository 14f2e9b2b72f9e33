#include "conversions.h"
#include "paintcounter.h"
#include "lampwidget.h"
#include "mainwindow.h"
#include "polltimer.h"
#include "ptypair.h"
#include "windowtest.h"
#include "traffictextarea.h"
#include "windowbutton.h"

#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QSerialPort>
#include <QtTest>
#include <memory>

using Icon = MessageBoxes::Icon;

// The window against real pseudo-terminals: COM1 and COM5 free, COM2 held by another program,
// COM3 mapped to a device that does not exist.
class TestMainWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldStartInTheClosedStateWithDefaults();
    void shouldNameControlsForScreenReaders_data();
    void shouldNameControlsForScreenReaders();
    void shouldListFreeAndBusyPortsAndLeaveMissingOnesOut();
    void shouldStartWithAnEmptyListWhenThereAreNoPorts();
    void shouldOpenWithTheChosenSettingsAndLockTheLists();
    void shouldRebuildTheListAndShowTheFirstEntryOnClose();
    void shouldReportAFailedOpenAndStayClosed_data();
    void shouldReportAFailedOpenAndStayClosed();
    void shouldWarnButStillCountACommandWithThePortClosed();
    void shouldWriteTheFrameOnTheLine();
    void shouldShowAndCountEveryReceivedByte();
    void shouldKeepTheNewestTrafficOfALongStream();
    void shouldResetACounterOnClick();
    void shouldPaintTheReceivedCounterOncePerFrameNotPerRead();
    void shouldReturnToClosedStateWhenTheDeviceIsLost();
    void shouldStopBothPollingsOnOpenAndClose();
    void shouldSwitchPagesAndStopOnlyTheCj188Polling();
    void shouldShowHelpWithThePortTable();
    void shouldRunTheExitHandler();

private:
    void openCom1();

    std::unique_ptr<PtyPair> m_com1;
    std::unique_ptr<PtyPair> m_com2;
    std::unique_ptr<PtyPair> m_com5;
    std::unique_ptr<QSerialPort> m_otherProgram;
    PortMap m_map;
};

void TestMainWindow::init()
{
    m_com1 = std::make_unique<PtyPair>();
    m_com2 = std::make_unique<PtyPair>();
    m_com5 = std::make_unique<PtyPair>();
    QVERIFY(m_com1->isOpen() && m_com2->isOpen() && m_com5->isOpen());
    m_otherProgram = std::make_unique<QSerialPort>(m_com2->slavePath());
    QVERIFY(m_otherProgram->open(QIODevice::ReadWrite));

    m_map = PortMap::empty();
    m_map.set(1, m_com1->slavePath());
    m_map.set(2, m_com2->slavePath());
    m_map.set(3, QStringLiteral("/dev/meterdesk-no-such-device"));
    m_map.set(5, m_com5->slavePath());
    m_messages.messages.clear();
    createWindow(m_map);
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_otherProgram.reset();
    m_com1.reset();
    m_com2.reset();
    m_com5.reset();
}

void TestMainWindow::openCom1()
{
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM1"));
    click("OpenCOomPort");
    QVERIFY(m_window->traffic().PortOpened);
}

void TestMainWindow::shouldStartInTheClosedStateWithDefaults()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral(" "));
    QCOMPARE(m_window->size(), QSize(912, 606));
    QCOMPARE(child<WindowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QCOMPARE(child<WindowButton>("GlowButton5")->Caption(), QStringLiteral("0"));
    QCOMPARE(child<WindowButton>("GlowButton6")->Caption(), QStringLiteral("0"));
    QCOMPARE(child<QComboBox>("Combo2")->currentText(), QStringLiteral("2400"));
    QCOMPARE(child<QComboBox>("Combo3")->currentText(), QStringLiteral("偶EVEN"));
    QCOMPARE(child<QComboBox>("Combo3")->count(), 5);
    QCOMPARE(child<QComboBox>("Combo3")->itemText(3), QStringLiteral("标MARK"));
    QCOMPARE(child<QComboBox>("Combo4")->currentText(), QStringLiteral("8"));
    QCOMPARE(child<QComboBox>("Combo5")->currentText(), QStringLiteral("1"));
    QCOMPARE(child<QComboBox>("Combo7")->currentText(), QStringLiteral("冷水水表 - 10H"));
    QCOMPARE(child<QComboBox>("Combo7")->count(), 7);
    QVERIFY(child<QWidget>("CJ188仪表")->isVisible());
    QVERIFY(!child<QWidget>("EN1434仪表")->isVisible());
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QVERIFY(!child<PollTimer>("Timer2")->Enabled());
    for (const char *area : {"RichTextBox1", "RichTextBox2", "RichTextBox3", "RichTextBox4"})
        QVERIFY(child<TrafficTextArea>(area)->isEmpty());
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(m_window->port().Settings(), QStringLiteral("2400,E,8,1"));
    QCOMPARE(m_window->port().InputMode(), int(SerialComm::comInputModeBinary));
    QCOMPARE(m_window->port().RThreshold(), 1);
    QCOMPARE(m_window->port().InputLen(), 0);
    // Geometry in pixels is the layout in twips divided by 15.
    QCOMPARE(child<QWidget>("mainpage")->geometry(), QRect(192, 8, 713, 593));
    QCOMPARE(child<QWidget>("OpenCOomPort")->geometry(), QRect(72, 176, 89, 25));
    QCOMPARE(child<QWidget>("RichTextBox2")->geometry(), QRect(8, 16, 681, 169));
    QVERIFY(m_messages.messages.isEmpty());
}

void TestMainWindow::shouldNameControlsForScreenReaders_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<bool>("byLabel"); // announced through the label it is labelled by
    QTest::addColumn<QString>("name");
    QTest::newRow("port list by its label") << QByteArray("Combo1") << true << "端口号";
    QTest::newRow("stop bits by its label") << QByteArray("Combo5") << true << "停止位";
    QTest::newRow("meter address by its label") << QByteArray("Text1") << true << "仪表地址";
    QTest::newRow("new address by its label") << QByteArray("Text7") << true << "新表地址";
    QTest::newRow("interval by its unit") << QByteArray("Text4") << true << "秒";
    QTest::newRow("receive area") << QByteArray("RichTextBox2") << false << "接收区";
    QTest::newRow("button by its caption") << QByteArray("OpenCOomPort") << false << "打开串口";
    QTest::newRow("counter by its value") << QByteArray("GlowButton5") << false << "0";
}

void TestMainWindow::shouldNameControlsForScreenReaders()
{
    QFETCH(QByteArray, control);
    QFETCH(bool, byLabel);
    QFETCH(QString, name);
    QAccessibleInterface *accessible =
        QAccessible::queryAccessibleInterface(child<QWidget>(control.constData()));
    QVERIFY(accessible);
    if (!byLabel) {
        QCOMPARE(accessible->text(QAccessible::Name), name);
        return;
    }
    QStringList labels;
    for (const auto &relation : accessible->relations(QAccessible::Label))
        labels << relation.first->text(QAccessible::Name);
    QVERIFY2(labels.contains(name), qPrintable(labels.join(u'|')));
}

void TestMainWindow::shouldListFreeAndBusyPortsAndLeaveMissingOnesOut()
{
    auto *list = child<QComboBox>("Combo1");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    QCOMPARE(entries, QStringList({"COM1", "COM2 占用", "COM5"}));
    QCOMPARE(list->currentText(), QStringLiteral("COM1"));
    QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(), m_com1->slavePath());
    QCOMPARE(list->itemData(2, Qt::ToolTipRole).toString(), m_com5->slavePath());
    QVERIFY(!m_window->port().PortOpen());
}

void TestMainWindow::shouldStartWithAnEmptyListWhenThereAreNoPorts()
{
    createWindow(PortMap::empty());
    QCOMPARE(child<QComboBox>("Combo1")->count(), 0);
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QString());
    click("OpenCOomPort");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口无法打开！"));
    QVERIFY(!m_window->traffic().PortOpened);
}

void TestMainWindow::shouldOpenWithTheChosenSettingsAndLockTheLists()
{
    child<QComboBox>("Combo2")->setEditText(QStringLiteral("9600"));
    child<QComboBox>("Combo5")->setEditText(QStringLiteral("2"));
    openCom1();
    QCOMPARE(child<WindowButton>("OpenCOomPort")->Caption(), QStringLiteral("关闭串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0xC0, 0));
    for (const char *list : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5"})
        QVERIFY(!child<QComboBox>(list)->isEnabled());
    QCOMPARE(m_window->port().Settings(), QStringLiteral("9600,E,8,2"));
    QCOMPARE(m_com1->baudRate(), 9600);
    QVERIFY(m_com1->twoStopBits());
    QVERIFY(m_messages.messages.isEmpty());
}

void TestMainWindow::shouldRebuildTheListAndShowTheFirstEntryOnClose()
{
    auto *list = child<QComboBox>("Combo1");
    list->setCurrentIndex(2);
    QCOMPARE(list->currentText(), QStringLiteral("COM5"));
    click("OpenCOomPort");
    QVERIFY(m_window->traffic().PortOpened);
    // COM1 disappears while COM5 is open; the rebuilt list no longer has it.
    m_com1.reset();
    click("OpenCOomPort");
    QVERIFY(!m_window->traffic().PortOpened);
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("COM2 占用"));
    QCOMPARE(list->itemText(1), QStringLiteral("COM5"));
    QCOMPARE(list->currentText(), QStringLiteral("COM2 占用"));
    QCOMPARE(child<WindowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QVERIFY(list->isEnabled());
    QVERIFY(m_messages.messages.isEmpty());
}

void TestMainWindow::shouldReportAFailedOpenAndStayClosed_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("expectedText");
    QTest::newRow("port held by another program")
        << "COM2 占用" << "2400" << "偶EVEN" << "通信端口COM2 占用无法打开！";
    QTest::newRow("typed nonsense") << "hello" << "2400" << "偶EVEN" << "通信端口hello无法打开！";
    QTest::newRow("mapped device missing") << "COM3" << "2400" << "偶EVEN" << "通信端口COM3无法打开！";
    QTest::newRow("port above 20") << "COM21" << "2400" << "偶EVEN" << "通信端口COM21无法打开！";
    QTest::newRow("baud rate refused") << "COM1" << "fast" << "偶EVEN" << "通信端口COM1无法打开！";
    QTest::newRow("parity refused") << "COM1" << "2400" << "XYZ" << "通信端口COM1无法打开！";
}

void TestMainWindow::shouldReportAFailedOpenAndStayClosed()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, expectedText);
    child<QComboBox>("Combo1")->setEditText(port);
    child<QComboBox>("Combo2")->setEditText(baud);
    child<QComboBox>("Combo3")->setEditText(parity);
    child<PollTimer>("Timer1")->setEnabled(true); // a failed open stops nothing

    click("OpenCOomPort");

    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, expectedText);
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("错误提示 (0x8002)"));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);
    QCOMPARE(child<WindowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QVERIFY(child<QComboBox>("Combo1")->isEnabled());
    QVERIFY(!m_window->traffic().PortOpened);
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), port);
    QVERIFY(child<PollTimer>("Timer1")->Enabled());
}

void TestMainWindow::shouldWarnButStillCountACommandWithThePortClosed()
{
    click("GlowButton1");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口COM1端口没打开！"));
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("系统提示"));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::None);
    QCOMPARE(child<TrafficTextArea>("RichTextBox1")->text(),
             QStringLiteral("FE FE FE 68 10 00 00 00 00 00 33 78 01 03 1F 90 01 D7 16 "));
    QCOMPARE(child<WindowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
    QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyCj188));
    QVERIFY(m_window->traffic().AwaitingReply);
    QCOMPARE(m_com1->read(1, 200), QByteArray());
}

void TestMainWindow::shouldWriteTheFrameOnTheLine()
{
    openCom1();
    child<QLineEdit>("Text1")->setText(QStringLiteral("12345678"));
    click("GlowButton1");
    QCOMPARE(m_com1->read(19), QByteArray::fromHex("FEFEFE68107856341200337801031F9001EB16"));
    QVERIFY(m_messages.messages.isEmpty());
}

void TestMainWindow::shouldShowAndCountEveryReceivedByte()
{
    openCom1();
    auto *receive = child<TrafficTextArea>("RichTextBox2");
    auto *counter = child<WindowButton>("GlowButton6");
    QVERIFY(m_com1->write(QByteArray::fromHex("6810AA")));
    QTRY_COMPARE(receive->text(), QStringLiteral("68 10 AA "));
    QCOMPARE(counter->Caption(), QStringLiteral("3"));

    QByteArray burst;
    for (int i = 0; i < 3000; ++i)
        burst.append(char(i * 7));
    QVERIFY(m_com1->write(burst));
    QTRY_COMPARE(counter->Caption(), QStringLiteral("3003"));
    QCOMPARE(receive->text().size(), 3003 * 3);
    QVERIFY(receive->text().endsWith(HexTrafficText(burst.right(4))));
    QCOMPARE(m_window->traffic().RxCount, 3003);
}

void TestMainWindow::shouldKeepTheNewestTrafficOfALongStream()
{
    openCom1();
    auto *receive = child<TrafficTextArea>("RichTextBox2");
    // Somewhat more than the newest 1 MiB that the receive area keeps.
    constexpr int kPiece = 4096;
    constexpr int kPieces = 272;
    QByteArray piece;
    for (int i = 0; i < kPiece; ++i)
        piece.append(char(i * 31 + 7));
    QByteArray stream;
    for (int i = 0; i < kPieces; ++i) {
        piece[0] = char(i);
        stream += piece;
        QVERIFY(m_com1->write(piece));
        QTRY_COMPARE(m_window->traffic().RxCount, std::int64_t(kPiece) * (i + 1));
    }
    QCOMPARE(caption("GlowButton6"), QString::number(kPiece * kPieces));
    const QString shown = receive->text();
    QVERIFY(shown.size() <= 3 * 1024 * 1024);
    QVERIFY(shown.size() >= 3 * 1024 * 1024 / 2);
    QCOMPARE(shown.size() % 3, 0);
    QVERIFY(HexTrafficText(stream).endsWith(shown));
}

void TestMainWindow::shouldResetACounterOnClick()
{
    openCom1();
    click("GlowButton1");
    QCOMPARE(child<WindowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
    QVERIFY(m_com1->write(QByteArray::fromHex("0102")));
    QTRY_COMPARE(child<WindowButton>("GlowButton6")->Caption(), QStringLiteral("2"));

    click("GlowButton5");
    click("GlowButton6");
    QCOMPARE(child<WindowButton>("GlowButton5")->Caption(), QStringLiteral("0"));
    QCOMPARE(child<WindowButton>("GlowButton6")->Caption(), QStringLiteral("0"));

    QVERIFY(m_com1->write(QByteArray::fromHex("03")));
    QTRY_COMPARE(child<WindowButton>("GlowButton6")->Caption(), QStringLiteral("1"));
    click("GlowButton3");
    QCOMPARE(child<WindowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
}

void TestMainWindow::shouldPaintTheReceivedCounterOncePerFrameNotPerRead()
{
    auto *counter = child<WindowButton>("GlowButton6");
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    PaintCounter paints;
    counter->installEventFilter(&paints);
    // Whenever the receive area shows new bytes, the counter's face shows their count with them.
    int framesShown = 0;
    bool faceWithBytes = true;
    connect(child<TrafficTextArea>("RichTextBox2"), &TrafficTextArea::appendsShown, counter, [&] {
        ++framesShown;
        faceWithBytes = faceWithBytes && counter->text() == counter->Caption();
    });

    // 50 reads of 3 bytes with the event loop between them, as a line delivers them.
    constexpr int kReads = 50;
    for (int i = 0; i < kReads; ++i) {
        m_window->traffic().ReceiveNotification(QByteArray::fromHex("68AA16"));
        QCoreApplication::processEvents();
    }
    QCOMPARE(counter->Caption(), QString::number(3 * kReads));
    QTRY_COMPARE(counter->text(), QString::number(3 * kReads));
    QVERIFY2(paints.count <= kReads / 5, qPrintable(QString::number(paints.count)));
    QVERIFY(framesShown > 0);
    QVERIFY(faceWithBytes);

    click("GlowButton6");
    QCOMPARE(counter->text(), QStringLiteral("0"));
}

void TestMainWindow::shouldReturnToClosedStateWhenTheDeviceIsLost()
{
    openCom1();
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());

    m_com1->closeMaster();

    QTRY_COMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口COM1已断开！"));
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("错误提示"));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);
    QVERIFY(!m_window->traffic().PortOpened);
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(child<WindowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QVERIFY(child<QComboBox>("Combo1")->isEnabled());
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM2 占用"));

    // Nothing else happens afterwards: no second message, and a command only warns.
    QTest::qWait(200);
    QCOMPARE(m_messages.messages.size(), 1);
    click("GlowButton1");
    QCOMPARE(m_messages.messages.size(), 2);
    QCOMPARE(m_messages.messages.at(1).text, QStringLiteral("通信端口COM2 占用端口没打开！"));
}

void TestMainWindow::shouldStopBothPollingsOnOpenAndClose()
{
    auto *timer1 = child<PollTimer>("Timer1");
    auto *timer2 = child<PollTimer>("Timer2");
    // Starting with the port closed only warns.
    click("GlowButton11");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口COM1端口没打开！"));
    QVERIFY(!timer1->Enabled());

    openCom1();
    click("GlowButton11");
    click("GlowButton13");
    QVERIFY(timer1->Enabled() && timer2->Enabled());
    QCOMPARE(child<QLineEdit>("Text4")->palette().color(QPalette::Base), QColor(0, 255, 0));
    click("OpenCOomPort");
    QVERIFY(!timer1->Enabled() && !timer2->Enabled());
    QCOMPARE(child<QLineEdit>("Text4")->palette().color(QPalette::Base),
             QApplication::palette().color(QPalette::Base));
    QCOMPARE(child<QLineEdit>("Text5")->palette().color(QPalette::Base),
             QApplication::palette().color(QPalette::Base));
}

void TestMainWindow::shouldSwitchPagesAndStopOnlyTheCj188Polling()
{
    openCom1();
    click("GlowButton11");
    click("GlowButton4");
    QVERIFY(!child<QWidget>("CJ188仪表")->isVisible());
    QVERIFY(child<QWidget>("EN1434仪表")->isVisible());
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());

    click("GlowButton13");
    click("GlowButton2");
    QVERIFY(child<QWidget>("CJ188仪表")->isVisible());
    QVERIFY(!child<QWidget>("EN1434仪表")->isVisible());
    QVERIFY(child<PollTimer>("Timer2")->Enabled());
}

void TestMainWindow::shouldShowHelpWithThePortTable()
{
    click("GlowButton7");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("帮助"));
    QVERIFY(m_messages.messages.at(0).text.contains(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(m_messages.messages.at(0).text.contains(QStringLiteral("打开串口")));
}

void TestMainWindow::shouldRunTheExitHandler()
{
    int exits = 0;
    m_window->setExitHandler([&exits] { ++exits; });
    click("GlowButton8");
    QCOMPARE(exits, 1);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
