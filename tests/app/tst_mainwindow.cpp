#include "benchports.h"
#include "conversions.h"
#include "filesizelimit.h"
#include "glowbutton.h"
#include "lampwidget.h"
#include "mainwindow.h"
#include "paintcounter.h"
#include "polltimer.h"
#include "trafficlog.h"
#include "traffictextarea.h"
#include "windowdefinition.h"
#include "windowtest.h"

#include <QAccessible>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using Icon = MessageBoxes::Icon;

namespace {

void showItemText(QComboBox *list, const QString &text)
{
    list->setCurrentIndex(list->findText(text));
    QCOMPARE(list->currentText(), text);
}

} // namespace

// The window against real pseudo-terminals: COM1 and COM5 free, COM2 held by another program,
// COM3 mapped to a device that does not exist.
class TestMainWindow : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldStartInTheClosedStateWithDefaults();
    void shouldLoadEveryButtonWithItsStoredSettings_data();
    void shouldLoadEveryButtonWithItsStoredSettings();
    void shouldWriteTheWindowDefinitionBackUnchanged();
    void shouldDrawEachButtonAsItsDefinitionSays();
    void shouldMoveOnFromTheShownSettingWithTheDownArrow_data();
    void shouldMoveOnFromTheShownSettingWithTheDownArrow();
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
    void shouldReportAFailedTrafficLogOnceAndCarryOn();
    void shouldSaveTheTrafficRecordOrSayWhyNot();
    void shouldCopyTheMeterAddressFromItsLineMenu();
    void shouldShowAndCountEveryReceivedByte();
    void shouldKeepTheNewestTrafficOfALongStream();
    void shouldFindAReplyBehindAFalseStartOnceTheLineIsQuiet();
    void shouldResetACounterOnClick();
    void shouldPaintTheReceivedCounterOncePerFrameNotPerRead();
    void shouldReturnToClosedStateWhenTheDeviceIsLost();
    void shouldReportTheLossToAClickThatMeetsIt();
    void shouldKeepAnUnpluggedPortChosenUntilItIsBack();
    void shouldStopBothPollingsOnOpenAndClose();
    void shouldSwitchPagesAndStopOnlyTheCj188Polling();
    void shouldShowHelpThatAgreesWithThePortTable();
    void shouldRunTheExitHandler();
    void shouldOpenTheReadmeCarriedInTheProgram();

private:
    void openCom1();

    BenchPorts m_bench;
    std::unique_ptr<PtyPair> m_com5;
};

void TestMainWindow::init()
{
    QVERIFY(m_bench.open());
    m_com5 = std::make_unique<PtyPair>();
    QVERIFY(m_com5->isOpen());
    m_bench.map.set(5, m_com5->slavePath());
    m_messages.messages.clear();
    createWindow(m_bench.map);
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_bench = BenchPorts();
    m_com5.reset();
}

void TestMainWindow::openCom1()
{
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM1"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
}

void TestMainWindow::shouldStartInTheClosedStateWithDefaults()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral(" "));
    QCOMPARE(m_window->size(), QSize(912, 606));
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QCOMPARE(child<GlowButton>("GlowButton5")->Caption(), QStringLiteral("0"));
    QCOMPARE(child<GlowButton>("GlowButton6")->Caption(), QStringLiteral("0"));
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

void TestMainWindow::shouldLoadEveryButtonWithItsStoredSettings_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<int>("style");
    QTest::addColumn<QString>("caption");
    const auto row = [](const char *name, int style, const char *caption) {
        QTest::newRow(name) << QByteArray(name) << style << QString::fromUtf8(caption);
    };
    row("OpenCOomPort", 7, "打开串口");
    row("GlowButton1", 3, "读表数据");
    row("GlowButton2", 7, "CJ188仪表");
    row("GlowButton3", 3, "读表地址");
    row("GlowButton4", 7, "EN1434仪表");
    row("GlowButton5", 8, "0");
    row("GlowButton6", 8, "0");
    row("GlowButton7", 10, "帮助");
    row("GlowButton8", 10, "退出");
    row("GlowButton9", 9, "获取产品信息");
    row("GlowButton11", 7, "开始");
    row("GlowButton12", 7, "停止");
    row("GlowButton13", 7, "开始");
    row("GlowButton14", 7, "停止");
    row("GlowButton15", 3, "修改地址");
    row("GlowButton17", 3, "读表数据");
}

void TestMainWindow::shouldLoadEveryButtonWithItsStoredSettings()
{
    QFETCH(QByteArray, button);
    QFETCH(int, style);
    QFETCH(QString, caption);
    auto *b = child<GlowButton>(button.constData());
    QCOMPARE(b->Style(), style);
    QCOMPARE(b->Caption(), caption);
    QCOMPARE(b->NonThemeStyle(), 0);
    QCOMPARE(b->Font().family(), QStringLiteral("Verdana"));
    QCOMPARE(b->Font().pointSizeF(), 8.25);
    QCOMPARE(b->ToolTipText(), QString());
    QVERIFY(b->HoverTracking()); // the window runs in run mode
}

void TestMainWindow::shouldDrawEachButtonAsItsDefinitionSays()
{
    // Both pages' buttons shown, none focused or hovered: each face must equal that of a button
    // made afresh from its stored settings alone.
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    child<QLineEdit>("Text1")->setFocus();
    int compared = 0;
    for (GlowButton *shown : m_window->findChildren<GlowButton *>()) {
        if (!shown->isVisible())
            continue;
        QWidget host;
        host.resize(shown->size() + QSize(10, 10));
        auto *fresh = new GlowButton(&host);
        fresh->setObjectName(shown->objectName());
        fresh->setGeometry(QRect(QPoint(5, 5), shown->size()));
        QVERIFY(LoadStoredSettings(*fresh));
        fresh->SetCaption(shown->Caption()); // the counters' captions are set at run time
        fresh->setFocusPolicy(Qt::NoFocus);  // alone in its window it would take the focus
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        QTRY_COMPARE(fresh->Surface().size(), shown->Surface().size());
        QVERIFY2(fresh->Surface() == shown->Surface(), qPrintable(shown->objectName()));
        ++compared;
    }
    QVERIFY(compared >= 10);
}

void TestMainWindow::shouldWriteTheWindowDefinitionBackUnchanged()
{
    QCOMPARE(WriteStoredSettings(*m_window), WindowDefinitionText());
}

void TestMainWindow::shouldMoveOnFromTheShownSettingWithTheDownArrow_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("next");
    QTest::newRow("baud rate") << QByteArray("Combo2") << "4800";
    QTest::newRow("parity") << QByteArray("Combo3") << "标MARK";
    QTest::newRow("data bits: already the last") << QByteArray("Combo4") << "8";
    QTest::newRow("stop bits") << QByteArray("Combo5") << "1.5";
}

void TestMainWindow::shouldMoveOnFromTheShownSettingWithTheDownArrow()
{
    QFETCH(QByteArray, list);
    QFETCH(QString, next);
    auto *combo = child<QComboBox>(list.constData());
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), next);
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
    QCOMPARE(list->itemData(0, Qt::ToolTipRole).toString(), m_bench.com1->slavePath());
    QCOMPARE(list->itemData(1, Qt::ToolTipRole).toString(), m_bench.com2->slavePath());
    QCOMPARE(list->itemData(2, Qt::ToolTipRole).toString(), m_com5->slavePath());
    QVERIFY(!m_window->port().PortOpen());
}

// A click with nothing listed says that nothing opened and probes again, so that an adapter
// plugged in since the start is chosen for the next click.
void TestMainWindow::shouldStartWithAnEmptyListWhenThereAreNoPorts()
{
    PortMap plugged = PortMap::empty();
    m_window = std::make_unique<MainWindow>([&plugged] { return plugged; }, m_messages);
    m_window->show();
    auto *list = child<QComboBox>("Combo1");
    QCOMPARE(list->count(), 0);
    QCOMPARE(list->currentText(), QString());

    plugged.set(3, m_bench.com1->slavePath());
    click("OpenCOomPort");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text.section(u'\n', 0, 0),
             QStringLiteral("通信端口无法打开！"));
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("错误提示 (0x8002)"));
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->currentText(), QStringLiteral("COM3"));

    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    QCOMPARE(m_window->port().CommPort(), 3);
    QCOMPARE(m_messages.messages.size(), 1);
    // The window asks `plugged` at every probe: it must not outlive it.
    m_window.reset();
}

void TestMainWindow::shouldOpenWithTheChosenSettingsAndLockTheLists()
{
    child<QComboBox>("Combo2")->setEditText(QStringLiteral("9600"));
    child<QComboBox>("Combo5")->setEditText(QStringLiteral("2"));
    openCom1();
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("关闭串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0xC0, 0));
    for (const char *list : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5"})
        QVERIFY(!child<QComboBox>(list)->isEnabled());
    QCOMPARE(m_window->port().Settings(), QStringLiteral("9600,E,8,2"));
    QCOMPARE(m_bench.com1->baudRate(), 9600);
    QVERIFY(m_bench.com1->twoStopBits());
    QVERIFY(m_messages.messages.isEmpty());
}

void TestMainWindow::shouldRebuildTheListAndShowTheFirstEntryOnClose()
{
    auto *list = child<QComboBox>("Combo1");
    list->setCurrentIndex(2);
    QCOMPARE(list->currentText(), QStringLiteral("COM5"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    // COM1 disappears while COM5 is open; the rebuilt list no longer has it.
    m_bench.com1.reset();
    click("OpenCOomPort");
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("COM2 占用"));
    QCOMPARE(list->itemText(1), QStringLiteral("COM5"));
    QCOMPARE(list->currentText(), QStringLiteral("COM2 占用"));
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
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
    QTest::newRow("port held by another program") << "COM2 占用"
                                                  << "2400"
                                                  << "偶EVEN"
                                                  << "通信端口COM2 占用无法打开！";
    QTest::newRow("typed nonsense") << "hello"
                                    << "2400"
                                    << "偶EVEN"
                                    << "通信端口hello无法打开！";
    QTest::newRow("mapped device missing") << "COM3"
                                           << "2400"
                                           << "偶EVEN"
                                           << "通信端口COM3无法打开！";
    QTest::newRow("port above 20") << "COM21"
                                   << "2400"
                                   << "偶EVEN"
                                   << "通信端口COM21无法打开！";
    QTest::newRow("baud rate refused") << "COM1"
                                       << "fast"
                                       << "偶EVEN"
                                       << "通信端口COM1无法打开！";
    QTest::newRow("parity refused") << "COM1"
                                    << "2400"
                                    << "XYZ"
                                    << "通信端口COM1无法打开！";
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
    // The reason, where known, follows on a second line.
    QCOMPARE(m_messages.messages.at(0).text.section(u'\n', 0, 0), expectedText);
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("错误提示 (0x8002)"));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QVERIFY(child<QComboBox>("Combo1")->isEnabled());
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
    QCOMPARE(child<GlowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
    QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyCj188));
    QVERIFY(m_window->traffic().AwaitingReply);
    QCOMPARE(m_bench.com1->read(1, 200), QByteArray());
}

void TestMainWindow::shouldWriteTheFrameOnTheLine()
{
    openCom1();
    child<QLineEdit>("Text1")->setText(QStringLiteral("12345678"));
    click("GlowButton1");
    QCOMPARE(m_bench.com1->read(19), QByteArray::fromHex("FEFEFE68107856341200337801031F9001EB16"));
    QVERIFY(m_messages.messages.isEmpty());
}

// A log that can no longer be written (a full disk, here a file size limit) is reported once, and
// the window carries on without it.
void TestMainWindow::shouldReportAFailedTrafficLogOnceAndCarryOn()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("window.log"));
    TrafficLog log;
    QVERIFY(log.open(path));
    m_window->setTrafficLog(&log);
    openCom1();
    child<QLineEdit>("Text1")->setText(QStringLiteral("12345678"));
    const QByteArray request = QByteArray::fromHex("FEFEFE68107856341200337801031F9001EB16");
    {
        FileSizeLimit full(0);
        QVERIFY(full.isActive());
        click("GlowButton1");
        QCOMPARE(m_bench.com1->read(19), request);
        QTRY_COMPARE(m_messages.messages.size(), 1);
    }
    const QString expected = QStringLiteral("通讯记录写入失败：") + path + QStringLiteral(": ");
    QVERIFY2(m_messages.messages.at(0).text.startsWith(expected),
             qPrintable(m_messages.messages.at(0).text));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);

    click("GlowButton1");
    QCOMPARE(m_bench.com1->read(19), request);
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("E5")));
    QTRY_COMPARE(text("RichTextBox2"), QStringLiteral("E5 "));
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(QFileInfo(path).size(), 0);
    m_window->setTrafficLog(nullptr);
}

void TestMainWindow::shouldSaveTheTrafficRecordOrSayWhyNot()
{
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("missing/traffic.log"));
    m_window->setSavePathChooser([&path] { return path; });
    openCom1();
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("E5")));
    QTRY_COMPARE(text("RichTextBox2"), QStringLiteral("E5 "));
    auto *receive = child<TrafficTextArea>("RichTextBox2");
    const auto saveFromMenu = [receive] {
        const QPoint at(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, receive->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(receive->viewport(), &event);
        std::unique_ptr<QMenu> menu(receive->findChild<QMenu *>());
        QVERIFY(menu);
        for (QAction *action : menu->actions()) {
            if (action->text() == QStringLiteral("保存通讯记录…"))
                action->trigger();
        }
    };

    saveFromMenu();
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);
    QVERIFY(m_messages.messages.at(0).text.contains(path));

    path = dir.filePath(QStringLiteral("traffic.log"));
    saveFromMenu();
    QCOMPARE(m_messages.messages.size(), 2);
    QCOMPARE(m_messages.messages.at(1).icon, Icon::Information);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().endsWith(" RX E5\n"));
}

void TestMainWindow::shouldCopyTheMeterAddressFromItsLineMenu()
{
    openCom1();
    click("GlowButton3");
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("6810785634120033788303"
                                                    "0A8101"
                                                    "4916")));
    auto *analysis = child<TrafficTextArea>("RichTextBox3");
    QTRY_VERIFY(!analysis->isEmpty());
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, analysis->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(analysis->viewport(), &event);
    std::unique_ptr<QMenu> menu(analysis->findChild<QMenu *>());
    QVERIFY(menu);
    QAction *copy = menu->actions().constLast();
    QCOMPARE(copy->text(), QStringLiteral("复制到仪表地址"));
    copy->trigger();
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("0012345678"));
    QCOMPARE(child<QLineEdit>("Text3")->text(), QStringLiteral("33"));
    QCOMPARE(child<QLineEdit>("Text2")->text(), QStringLiteral("78"));
}

void TestMainWindow::shouldShowAndCountEveryReceivedByte()
{
    openCom1();
    auto *receive = child<TrafficTextArea>("RichTextBox2");
    auto *counter = child<GlowButton>("GlowButton6");
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("6810AA")));
    QTRY_COMPARE(receive->text(), QStringLiteral("68 10 AA "));
    QTRY_COMPARE(counter->Caption(), QStringLiteral("3"));

    QByteArray burst;
    for (int i = 0; i < 3000; ++i)
        burst.append(char(i * 7));
    QVERIFY(m_bench.com1->write(burst));
    QTRY_COMPARE(counter->Caption(), QStringLiteral("3003"));
    QCOMPARE(receive->text().size(), 3003 * 3);
    QVERIFY(receive->text().endsWith(HexTrafficText(burst.right(4))));
    QCOMPARE(m_window->traffic().RxCount, 3003);
}

void TestMainWindow::shouldFindAReplyBehindAFalseStartOnceTheLineIsQuiet()
{
    openCom1();
    click("GlowButton4");
    click("GlowButton17"); // REQ_UD2 to 00
    QCOMPARE(m_bench.com1->read(5), QByteArray::fromHex("105B005B16"));
    // A false start asking for 0x20 bytes of data, then the meter's reply.
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("68202068") +
                                QByteArray::fromHex("680303680800727A16")));
    QTRY_COMPARE(text("RichTextBox3").section(QLatin1Char('\n'), 0, 0),
                 QStringLiteral("校验通过！"));
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
        QVERIFY(m_bench.com1->write(piece));
        QTRY_COMPARE(m_window->traffic().RxCount, std::int64_t(kPiece) * (i + 1));
    }
    QTRY_COMPARE(caption("GlowButton6"), QString::number(kPiece * kPieces));
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
    QCOMPARE(child<GlowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
    QVERIFY(m_bench.com1->write(QByteArray::fromHex("0102")));
    QTRY_COMPARE(child<GlowButton>("GlowButton6")->Caption(), QStringLiteral("2"));

    click("GlowButton5");
    click("GlowButton6");
    QCOMPARE(child<GlowButton>("GlowButton5")->Caption(), QStringLiteral("0"));
    QCOMPARE(child<GlowButton>("GlowButton6")->Caption(), QStringLiteral("0"));

    QVERIFY(m_bench.com1->write(QByteArray::fromHex("03")));
    QTRY_COMPARE(child<GlowButton>("GlowButton6")->Caption(), QStringLiteral("1"));
    click("GlowButton3");
    QCOMPARE(child<GlowButton>("GlowButton5")->Caption(), QStringLiteral("19"));
}

void TestMainWindow::shouldPaintTheReceivedCounterOncePerFrameNotPerRead()
{
    auto *counter = child<GlowButton>("GlowButton6");
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    PaintCounter paints;
    counter->installEventFilter(&paints);
    // Whenever the receive area shows new bytes, the counter's face shows their count with them.
    int framesShown = 0;
    bool faceWithBytes = true;
    connect(child<TrafficTextArea>("RichTextBox2"), &TrafficTextArea::appendsShown, counter, [&] {
        ++framesShown;
        faceWithBytes =
            faceWithBytes && counter->Caption() == QString::number(m_window->traffic().RxCount);
    });

    // 50 reads of 3 bytes with the event loop between them, as a line delivers them.
    constexpr int kReads = 50;
    for (int i = 0; i < kReads; ++i) {
        m_window->traffic().ReceiveNotification(QByteArray::fromHex("68AA16"));
        QCoreApplication::processEvents();
    }
    QTRY_COMPARE(counter->Caption(), QString::number(3 * kReads));
    QVERIFY2(paints.count <= kReads / 5, qPrintable(QString::number(paints.count)));
    QVERIFY(framesShown > 0);
    QVERIFY(faceWithBytes);

    click("GlowButton6");
    QCOMPARE(counter->Caption(), QStringLiteral("0"));
}

void TestMainWindow::shouldReturnToClosedStateWhenTheDeviceIsLost()
{
    openCom1();
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());

    m_bench.com1->closeMaster();

    QTRY_COMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口COM1已断开！"));
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("错误提示"));
    QCOMPARE(m_messages.messages.at(0).icon, Icon::Error);
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QCOMPARE(child<LampWidget>("Shape1")->color(), QColor(0, 0, 0));
    QVERIFY(child<QComboBox>("Combo1")->isEnabled());
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM1"));

    // Nothing else happens afterwards: no second message, and a command only warns.
    QTest::qWait(200);
    QCOMPARE(m_messages.messages.size(), 1);
    click("GlowButton1");
    QCOMPARE(m_messages.messages.size(), 2);
    QCOMPARE(m_messages.messages.at(1).text, QStringLiteral("通信端口COM1端口没打开！"));
}

void TestMainWindow::shouldReportTheLossToAClickThatMeetsIt()
{
    openCom1();
    m_bench.com1->closeMaster();
    click("GlowButton1"); // the write fails: the loss is noticed, its report still on its way
    QVERIFY(!m_window->port().PortOpen());
    click("OpenCOomPort");

    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).text, QStringLiteral("通信端口COM1已断开！"));
    QVERIFY(!m_window->port().PortOpen());
    QCOMPARE(child<GlowButton>("OpenCOomPort")->Caption(), QStringLiteral("打开串口"));
    QTest::qWait(100);
    QCOMPARE(m_messages.messages.size(), 1);
}

void TestMainWindow::shouldKeepAnUnpluggedPortChosenUntilItIsBack()
{
    // The port map as it stands at each probe.
    m_window = std::make_unique<MainWindow>([this] { return m_bench.map; }, m_messages);
    m_window->show();
    auto *list = child<QComboBox>("Combo1");
    showItemText(list, QStringLiteral("COM5"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());

    m_com5->closeMaster(); // unplugged
    QTRY_COMPARE(m_messages.messages.size(), 1);
    QCOMPARE(list->currentText(), QStringLiteral("COM5"));
    QVERIFY(list->findText(QStringLiteral("COM5")) < 0);
    click("OpenCOomPort");
    QCOMPARE(m_messages.messages.size(), 2);
    QCOMPARE(m_messages.messages.at(1).text.section(u'\n', 0, 0),
             QStringLiteral("通信端口COM5无法打开！"));
    // The device is gone: the second line says so and names it.
    QVERIFY(m_messages.messages.at(1).text.section(u'\n', 1).contains(QStringLiteral("不存在")));
    QVERIFY(!m_window->port().PortOpen());

    // Plugged in again (under a new device node): it is listed when the list drops down.
    m_com5 = std::make_unique<PtyPair>();
    m_bench.map.set(5, m_com5->slavePath());
    list->showPopup();
    list->hidePopup();
    QVERIFY(list->findText(QStringLiteral("COM5")) >= 0);
    QCOMPARE(list->currentText(), QStringLiteral("COM5"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    QCOMPARE(m_window->port().devicePath(5), m_com5->slavePath());
    QCOMPARE(m_messages.messages.size(), 2);
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

void TestMainWindow::shouldShowHelpThatAgreesWithThePortTable()
{
    click("GlowButton7");
    QCOMPARE(m_messages.messages.size(), 1);
    QCOMPARE(m_messages.messages.at(0).title, QStringLiteral("帮助"));
#ifndef Q_OS_WIN
    const PortMap table = PortMap::platformDefault();
    for (const auto &[first, last] : {std::pair{1, 4}, std::pair{5, 12}, std::pair{13, 20}}) {
        const QString line = QStringLiteral("COM%1–COM%2 = %3–%4")
                                 .arg(first)
                                 .arg(last)
                                 .arg(table.device(first), table.device(last));
        QVERIFY2(m_messages.messages.at(0).text.contains(line), qPrintable(line));
    }
#endif
    // Its last line names the user guide, under the name it has in the source tree.
    const QString last = m_messages.messages.at(0).text.section(u'\n', -1);
    QVERIFY2(last.endsWith(QStringLiteral("/docs/用户手册.md")), qPrintable(last));
    QVERIFY(QFile::exists(QStringLiteral(METERDESK_SOURCE_DIR "/docs/用户手册.md")));
}

void TestMainWindow::shouldRunTheExitHandler()
{
    int exits = 0;
    m_window->setExitHandler([&exits] { ++exits; });
    click("GlowButton8");
    QCOMPARE(exits, 1);
}

void TestMainWindow::shouldOpenTheReadmeCarriedInTheProgram()
{
    QStandardPaths::setTestModeEnabled(true);
    QList<QUrl> opened;
    m_window->setUrlOpener([&opened](const QUrl &url) { opened << url; });
    click("GlowButton9");
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.at(0).isLocalFile());
    QFile copy(opened.at(0).toLocalFile());
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QFile source(QStringLiteral(METERDESK_SOURCE_README));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), source.readAll());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
