#include "conversions.h"
#include "glowbutton.h"
#include "mainwindow.h"
#include "meterprocess.h"
#include "polltimer.h"
#include "sendareaentry.h"
#include "trafficlog.h"
#include "traffictextarea.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// The window reading a simulated meter over a real pseudo-terminal, clicked as a person would.
class TestEndToEnd : public WindowTest
{
    Q_OBJECT
private slots:
    void cleanup();

    void shouldCheckTheReadDataReplyOnBothPages_data();
    void shouldCheckTheReadDataReplyOnBothPages();
    void shouldShowTheDecodedValuesBelowTheCheck_data();
    void shouldShowTheDecodedValuesBelowTheCheck();
    void shouldLogWhatWentBothWays();
    void shouldShowTheReplyToChangeAddressButNeverCheckIt();
    void shouldNameTheMeterThatAnswersReadAddress();
    void shouldSendATypedFrameAsAnyRequest();
    void shouldReadTheMeterAtTheAddressItWasGiven();
    void shouldPollOnEveryTickUntilStopped_data();
    void shouldPollOnEveryTickUntilStopped();

private:
    QString firstLine(const char *area) { return text(area).section(QLatin1Char('\n'), 0, 0); }
    // Starts a meter with `arguments` on COM1 and opens the port.
    void startMeter(const QStringList &arguments = {});
    // Waits until no candidate frame waits for more bytes; false when one still does after five
    // seconds. With every byte of the reply in, nothing can be reported after that.
    bool noCandidateWaits()
    {
        return QTest::qWaitFor([this] { return m_window->traffic().FramePos == 0; });
    }

    MeterProcess m_meter{QStringLiteral(METERSIM_PATH)};
};

void TestEndToEnd::startMeter(const QStringList &arguments)
{
    const QString device = m_meter.start(arguments);
    QVERIFY2(!device.isEmpty(), "the simulated meter did not start");
    PortMap map = PortMap::empty();
    map.set(1, device);
    createWindow(map);
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM1"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
}

void TestEndToEnd::cleanup()
{
    m_window.reset();
    m_meter.stop();
    m_messages.messages.clear();
}

void TestEndToEnd::shouldCheckTheReadDataReplyOnBothPages_data()
{
    QTest::addColumn<QStringList>("meterArguments");
    QTest::addColumn<bool>("mbusPage");
    QTest::addColumn<QString>("meterType");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("replyStart");
    QTest::addColumn<int>("replyLength"); // 0: not fixed (noise or echo in front)
    QTest::addColumn<bool>("checked");

    const QString cjRequest = "FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EB 16 ";
    const QString cjReply = "68 10 78 56 34 12 00 33 78 81 16 1F 90 01 ";
    QTest::newRow("CJ/T 188 water meter") << QStringList() << false << "冷水水表 - 10H"
                                          << "12345678" << cjRequest << cjReply << 35 << true;
    QTest::newRow("CJ/T 188 heat meter")
        << QStringList({"--cj188-type", "20"}) << false << "热计量表 - 20H"
        << "12345678"
        << "FE FE FE 68 20 78 56 34 12 00 33 78 01 03 1F 90 01 FB 16 "
        << "68 20 78 56 34 12 00 33 78 81 2E 1F 90 01 " << 59 << true;
    QTest::newRow("CJ/T 188 reply in pieces of 3")
        << QStringList({"--split", "3"}) << false << "冷水水表 - 10H"
        << "12345678" << cjRequest << cjReply << 35 << true;
    QTest::newRow("CJ/T 188 noise before the reply")
        << QStringList({"--noise"}) << false << "冷水水表 - 10H"
        << "12345678" << cjRequest << QString() << 0 << true;
    QTest::newRow("CJ/T 188 wrong checksum")
        << QStringList({"--bad-checksum"}) << false << "冷水水表 - 10H"
        << "12345678" << cjRequest << cjReply << 35 << false;
    QTest::newRow("CJ/T 188 local echo") << QStringList({"--echo"}) << false << "冷水水表 - 10H"
                                         << "12345678" << cjRequest << cjRequest << 19 + 35 << true;
    QTest::newRow("M-Bus primary address 0") << QStringList() << true << QString() << ""
                                             << "10 5B 00 5B 16 "
                                             << "68 " << 0 << true;
    QTest::newRow("M-Bus primary address 5")
        << QStringList({"--mbus-address", "5"}) << true << QString() << "05"
        << "10 5B 05 60 16 "
        << "68 " << 0 << true;
    QTest::newRow("M-Bus point-to-point address FE")
        << QStringList({"--mbus-address", "9"}) << true << QString() << "fe"
        << "10 5B FE 59 16 "
        << "68 " << 0 << true;
    QTest::newRow("M-Bus reply in single bytes")
        << QStringList({"--split", "1"}) << true << QString() << ""
        << "10 5B 00 5B 16 "
        << "68 " << 0 << true;
    QTest::newRow("M-Bus noise before the reply")
        << QStringList({"--noise"}) << true << QString() << ""
        << "10 5B 00 5B 16 " << QString() << 0 << true;
    QTest::newRow("M-Bus wrong checksum")
        << QStringList({"--bad-checksum"}) << true << QString() << ""
        << "10 5B 00 5B 16 "
        << "68 " << 0 << false;
    QTest::newRow("M-Bus local echo") << QStringList({"--echo"}) << true << QString() << ""
                                      << "10 5B 00 5B 16 "
                                      << "10 5B 00 5B 16 68 " << 0 << true;
}

void TestEndToEnd::shouldCheckTheReadDataReplyOnBothPages()
{
    QFETCH(QStringList, meterArguments);
    QFETCH(bool, mbusPage);
    QFETCH(QString, meterType);
    QFETCH(QString, address);
    QFETCH(QString, request);
    QFETCH(QString, replyStart);
    QFETCH(int, replyLength);
    QFETCH(bool, checked);
    startMeter(meterArguments);

    if (mbusPage) {
        click("GlowButton4");
        QTest::keyClicks(child<QLineEdit>("Text6"), address);
        click("GlowButton17");
        QCOMPARE(text("RichTextBox4"), request);
    } else {
        child<QComboBox>("Combo7")->setEditText(meterType);
        QTest::keyClicks(child<QLineEdit>("Text1"), address);
        click("GlowButton1");
        QCOMPARE(text("RichTextBox1"), request);
    }
    const int requestLength = int(request.size() / 3);
    QCOMPARE(caption("GlowButton5"), QString::number(requestLength));

    // The meter logs one TX line per reply: wait for it, then for every byte of it to be shown.
    QTRY_COMPARE_WITH_TIMEOUT(m_meter.logLines("TX").size(), 1, 10000);
    const QString logged = m_meter.logLines("TX").constFirst();
    const int written =
        int((logged.size() + 1) / 3) + (meterArguments.contains("--echo") ? requestLength : 0);
    QTRY_COMPARE_WITH_TIMEOUT(caption("GlowButton6"), QString::number(written), 10000);
    QCOMPARE(text("RichTextBox2").size(), written * 3);
    QVERIFY2(text("RichTextBox2").startsWith(replyStart), qPrintable(text("RichTextBox2")));
    if (replyLength > 0)
        QCOMPARE(written, replyLength);
    if (!mbusPage && replyLength > 0 && !meterArguments.contains("--echo"))
        QCOMPARE(text("RichTextBox2"), logged + QLatin1Char(' '));

    if (checked) {
        // The reply's outcome line follows its check (after the echo's lines, on an echoing line).
        QTRY_VERIFY(text("RichTextBox3").contains(QStringLiteral("应答时间：")));
        const QStringList lines = text("RichTextBox3").split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("校验通过！")));
        QCOMPARE(lines.contains(kEchoText), meterArguments.contains("--echo"));
        // An echoed request is checked, never decoded as a reply.
        QVERIFY2(!text("RichTextBox3").contains(QStringLiteral("无法解析")),
                 qPrintable(text("RichTextBox3")));
        QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyNone));
        QVERIFY(!m_window->traffic().AwaitingReply);
    } else {
        QVERIFY(noCandidateWaits());
        QVERIFY(text("RichTextBox3").isEmpty());
        QVERIFY(m_window->traffic().AwaitingReply);
    }
    QVERIFY(m_messages.messages.isEmpty());
}

void TestEndToEnd::shouldShowTheDecodedValuesBelowTheCheck_data()
{
    QTest::addColumn<QStringList>("meterArguments");
    QTest::addColumn<bool>("mbusPage");
    QTest::addColumn<QString>("meterType");
    QTest::addColumn<QStringList>("firstLines");

    QTest::newRow("CJ/T 188 water meter")
        << QStringList() << false << "冷水水表 - 10H"
        << QStringList{"校验通过！", "当前累积流量：1234.56 m³", "结算日累积流量：1200.00 m³"};
    QTest::newRow("CJ/T 188 heat meter")
        << QStringList({"--cj188-type", "20"}) << false << "热计量表 - 20H"
        << QStringList{"校验通过！", "结算日热量：45000.00 kWh", "当前热量：45678.90 kWh"};
    QTest::newRow("M-Bus") << QStringList() << true << QString()
                           << QStringList{"校验通过！", "表号：12345678", "厂商：QZX",
                                          "介质：热量（出口）", "热量：45678 kWh"};
}

void TestEndToEnd::shouldShowTheDecodedValuesBelowTheCheck()
{
    QFETCH(QStringList, meterArguments);
    QFETCH(bool, mbusPage);
    QFETCH(QString, meterType);
    QFETCH(QStringList, firstLines);
    startMeter(meterArguments);
    if (mbusPage) {
        click("GlowButton4");
        click("GlowButton17");
    } else {
        child<QComboBox>("Combo7")->setEditText(meterType);
        QTest::keyClicks(child<QLineEdit>("Text1"), QStringLiteral("12345678"));
        click("GlowButton1");
    }
    QTRY_VERIFY_WITH_TIMEOUT(!text("RichTextBox3").isEmpty(), 10000);
    QCOMPARE(text("RichTextBox3").split(QLatin1Char('\n')).mid(0, firstLines.size()), firstLines);
}

void TestEndToEnd::shouldLogWhatWentBothWays()
{
    QTemporaryDir dir;
    TrafficLog log;
    QVERIFY(log.open(dir.filePath("window.log")));
    startMeter({"--split", "30"}); // in pieces; the last holds the checksum and the stop byte
    m_window->setTrafficLog(&log);
    click("GlowButton4");
    click("GlowButton17");
    QTRY_COMPARE_WITH_TIMEOUT(firstLine("RichTextBox3"), QStringLiteral("校验通过！"), 10000);
    m_window->setTrafficLog(nullptr);

    QFile file(dir.filePath("window.log"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QString sent, received;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
        (line.contains(" TX ") ? sent : received) += line.section(' ', 2) + ' ';
    QCOMPARE(sent, text("RichTextBox4"));
    QCOMPARE(received, text("RichTextBox2"));
}

void TestEndToEnd::shouldNameTheMeterThatAnswersReadAddress()
{
    startMeter({"--cj188-address", "90817263", "--cj188-maker", "4455"});
    click("GlowButton3");
    QCOMPARE(text("RichTextBox1"),
             QStringLiteral("FE FE FE 68 10 AA AA AA AA AA AA AA 03 03 0A 81 01 B0 16 "));
    QTRY_VERIFY_WITH_TIMEOUT(!text("RichTextBox3").isEmpty(), 10000);
    QCOMPARE(text("RichTextBox2").left(30), QStringLiteral("68 10 63 72 81 90 00 44 55 83 "));
    const QString line = text("RichTextBox3");
    QVERIFY2(line.startsWith(QStringLiteral("仪表地址：0090817263")), qPrintable(line));
    QVERIFY(line.contains(QStringLiteral("10H")) && line.contains(QStringLiteral("4455")));
    // Not taken for a read-data reply.
    QVERIFY(noCandidateWaits());
    QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyNone));

    // A double click on the line fills in the address, and reading the meter then succeeds.
    auto *analysis = child<TrafficTextArea>("RichTextBox3");
    QTest::mouseDClick(analysis->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(child<QLineEdit>("Text1")->text(), QStringLiteral("0090817263"));
    QCOMPARE(child<QLineEdit>("Text3")->text() + child<QLineEdit>("Text2")->text(),
             QStringLiteral("4455"));
    click("GlowButton1");
    QTRY_COMPARE_WITH_TIMEOUT(firstLine("RichTextBox3"), QStringLiteral("校验通过！"), 10000);
}

void TestEndToEnd::shouldSendATypedFrameAsAnyRequest()
{
    startMeter();
    click("GlowButton4");
    auto *area = child<TrafficTextArea>("RichTextBox4");
    area->setFocus();
    // A bad entry turns red, says why and sends nothing.
    QTest::keyClicks(area, QStringLiteral("10 5G"));
    auto *entry = child<SendAreaEntry>("RichTextBox4Entry");
    QVERIFY(entry->isVisible());
    QTest::keyClick(entry, Qt::Key_Return);
    QVERIFY(entry->isVisible());
    QVERIFY(entry->styleSheet().contains(QStringLiteral("background")));
    QVERIFY(!entry->toolTip().isEmpty());
    QCOMPARE(caption("GlowButton5"), QStringLiteral("0"));

    // Completed with its checksum and end byte, it goes out as the page's read-data request.
    entry->clear();
    QTest::keyClicks(entry, QStringLiteral("105b00"));
    entry->completeChecksum();
    QCOMPARE(entry->text(), QStringLiteral("10 5B 00 5B 16"));
    QVERIFY(entry->styleSheet().isEmpty());
    QTest::keyClick(entry, Qt::Key_Return);
    QVERIFY(!entry->isVisible());
    QCOMPARE(text("RichTextBox4"), QStringLiteral("10 5B 00 5B 16 "));
    QCOMPARE(caption("GlowButton5"), QStringLiteral("5"));
    QTRY_COMPARE_WITH_TIMEOUT(firstLine("RichTextBox3"), QStringLiteral("校验通过！"), 10000);
    QCOMPARE(m_meter.logLines("RX").size(), 1);
}

void TestEndToEnd::shouldShowTheReplyToChangeAddressButNeverCheckIt()
{
    startMeter();
    click("GlowButton4");
    QTest::keyClicks(child<QLineEdit>("Text7"), QStringLiteral("07"));
    click("GlowButton15");
    QCOMPARE(text("RichTextBox4"), QStringLiteral("68 06 06 68 53 FE 51 01 7A 07 24 16 "));
    QTRY_COMPARE_WITH_TIMEOUT(text("RichTextBox2"), QStringLiteral("E5 "), 10000);
    QCOMPARE(caption("GlowButton5"), QStringLiteral("12"));
    QTRY_COMPARE(caption("GlowButton6"), QStringLiteral("1"));
    QVERIFY(noCandidateWaits());
    QVERIFY(text("RichTextBox3").isEmpty());
    QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyNone));
}

void TestEndToEnd::shouldReadTheMeterAtTheAddressItWasGiven()
{
    startMeter();
    click("GlowButton4");
    QTest::keyClicks(child<QLineEdit>("Text7"), QStringLiteral("2a"));
    click("GlowButton15");
    QTRY_COMPARE_WITH_TIMEOUT(text("RichTextBox2"), QStringLiteral("E5 "), 10000);

    QTest::keyClicks(child<QLineEdit>("Text6"), QStringLiteral("2A"));
    click("GlowButton17");
    QCOMPARE(text("RichTextBox4"), QStringLiteral("10 5B 2A 85 16 "));
    QTRY_COMPARE_WITH_TIMEOUT(firstLine("RichTextBox3"), QStringLiteral("校验通过！"), 10000);
    QVERIFY(text("RichTextBox2").startsWith(QStringLiteral("68 ")));
    QCOMPARE(text("RichTextBox2").mid(15, 3), QStringLiteral("2A "));
}

void TestEndToEnd::shouldPollOnEveryTickUntilStopped_data()
{
    QTest::addColumn<bool>("mbusPage");
    QTest::addColumn<int>("requestLength");
    QTest::newRow("CJ/T 188") << false << 19;
    QTest::newRow("M-Bus") << true << 5;
}

void TestEndToEnd::shouldPollOnEveryTickUntilStopped()
{
    QFETCH(bool, mbusPage);
    QFETCH(int, requestLength);
    startMeter();
    if (mbusPage)
        click("GlowButton4");
    else
        QTest::keyClicks(child<QLineEdit>("Text1"), QStringLiteral("12345678"));
    const char *start = mbusPage ? "GlowButton13" : "GlowButton11";
    const char *stop = mbusPage ? "GlowButton14" : "GlowButton12";
    auto *interval = child<QLineEdit>(mbusPage ? "Text5" : "Text4");
    QCOMPARE(interval->text(), QStringLiteral("1"));

    click(start);
    QCOMPARE(interval->palette().color(QPalette::Base), QColor(0, 255, 0));
    click(start); // a second start keeps the same rate
    // No request at once: the first goes out when the first period has passed.
    QCOMPARE(caption("GlowButton5"), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(m_meter.logLines("RX").size() >= 2, 10000);
    QTRY_COMPARE(firstLine("RichTextBox3"), QStringLiteral("校验通过！"));

    click(stop);
    QVERIFY(interval->palette().color(QPalette::Base) != QColor(0, 255, 0));
    const QString sent = caption("GlowButton5");
    QCOMPARE(sent.toInt() % requestLength, 0);
    QTRY_COMPARE(m_meter.logLines("RX").size(), sent.toInt() / requestLength);
    QVERIFY(!child<PollTimer>(mbusPage ? "Timer2" : "Timer1")->isTicking());
    // Nothing more goes out. No event marks a tick that does not come, so the test watches for
    // one period (1 s) and a little more.
    QTest::qWait(1200);
    QCOMPARE(caption("GlowButton5"), sent);
    QCOMPARE(m_meter.logLines("RX").size(), sent.toInt() / requestLength);
    QVERIFY(m_messages.messages.isEmpty());
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
