#include "conversions.h"
#include "mainwindow.h"
#include "meterprocess.h"
#include "polltimer.h"
#include "trafficlog.h"
#include "windowtest.h"
#include "traffictextarea.h"
#include "glowbutton.h"

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

    void readDataShouldBeCheckedOnBothPages_data();
    void readDataShouldBeCheckedOnBothPages();
    void decodedValuesShouldFollowTheCheck_data();
    void decodedValuesShouldFollowTheCheck();
    void logShouldRecordWhatWentBothWays();
    void otherCommandsShouldShowTheReplyButNeverCheckIt();
    void changedAddressShouldBeTakenByTheMeter();
    void pollingShouldSendOnEveryTickUntilStopped_data();
    void pollingShouldSendOnEveryTickUntilStopped();
    void pollingShouldStopWhenThePortIsOpenedOrClosed();
    void pagesShouldStopOnlyTheCj188Polling();
    void filtersShouldKeepOnlyWhatTheBoxAccepts_data();
    void filtersShouldKeepOnlyWhatTheBoxAccepts();
    void intervalShouldFollowTheDigits_data();
    void intervalShouldFollowTheDigits();

private:
    QString firstLine(const char *area) { return text(area).section(QLatin1Char('\n'), 0, 0); }
    // Starts a meter with `arguments` on COM1 and opens the port.
    void startMeter(const QStringList &arguments = {});

    MeterProcess m_meter;
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

void TestEndToEnd::readDataShouldBeCheckedOnBothPages_data()
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
        << QStringList({"--cj188-type", "20"}) << false << "热计量表 - 20H" << "12345678"
        << "FE FE FE 68 20 78 56 34 12 00 33 78 01 03 1F 90 01 FB 16 "
        << "68 20 78 56 34 12 00 33 78 81 2E 1F 90 01 " << 59 << true;
    QTest::newRow("CJ/T 188 reply in pieces of 3") << QStringList({"--split", "3"}) << false
                                                   << "冷水水表 - 10H" << "12345678" << cjRequest
                                                   << cjReply << 35 << true;
    QTest::newRow("CJ/T 188 noise before the reply") << QStringList({"--noise"}) << false
                                                     << "冷水水表 - 10H" << "12345678" << cjRequest
                                                     << QString() << 0 << true;
    QTest::newRow("CJ/T 188 wrong checksum") << QStringList({"--bad-checksum"}) << false
                                             << "冷水水表 - 10H" << "12345678" << cjRequest
                                             << cjReply << 35 << false;
    QTest::newRow("CJ/T 188 local echo") << QStringList({"--echo"}) << false << "冷水水表 - 10H"
                                         << "12345678" << cjRequest << cjRequest << 19 + 35
                                         << true;
    QTest::newRow("M-Bus primary address 0") << QStringList() << true << QString() << ""
                                             << "10 5B 00 5B 16 " << "68 " << 0 << true;
    QTest::newRow("M-Bus primary address 5")
        << QStringList({"--mbus-address", "5"}) << true << QString() << "05" << "10 5B 05 60 16 "
        << "68 " << 0 << true;
    QTest::newRow("M-Bus point-to-point address FE") << QStringList({"--mbus-address", "9"}) << true
                                                     << QString() << "fe" << "10 5B FE 59 16 "
                                                     << "68 " << 0 << true;
    QTest::newRow("M-Bus reply in single bytes") << QStringList({"--split", "1"}) << true
                                                 << QString() << "" << "10 5B 00 5B 16 " << "68 "
                                                 << 0 << true;
    QTest::newRow("M-Bus noise before the reply") << QStringList({"--noise"}) << true << QString()
                                                  << "" << "10 5B 00 5B 16 " << QString() << 0
                                                  << true;
    QTest::newRow("M-Bus wrong checksum") << QStringList({"--bad-checksum"}) << true << QString()
                                          << "" << "10 5B 00 5B 16 " << "68 " << 0 << false;
    QTest::newRow("M-Bus local echo") << QStringList({"--echo"}) << true << QString() << ""
                                      << "10 5B 00 5B 16 " << "10 5B 00 5B 16 68 " << 0 << true;
}

void TestEndToEnd::readDataShouldBeCheckedOnBothPages()
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
    const int written = int((logged.size() + 1) / 3) + (meterArguments.contains("--echo") ? requestLength : 0);
    QTRY_COMPARE_WITH_TIMEOUT(caption("GlowButton6"), QString::number(written), 10000);
    QCOMPARE(text("RichTextBox2").size(), written * 3);
    QVERIFY2(text("RichTextBox2").startsWith(replyStart), qPrintable(text("RichTextBox2")));
    if (replyLength > 0)
        QCOMPARE(written, replyLength);
    if (!mbusPage && replyLength > 0 && !meterArguments.contains("--echo"))
        QCOMPARE(text("RichTextBox2"), logged + QLatin1Char(' '));

    if (checked) {
        QTRY_COMPARE(firstLine("RichTextBox3"), QStringLiteral("校验通过！"));
        QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyNone));
        QVERIFY(!m_window->traffic().AwaitingReply);
    } else {
        QTest::qWait(100);
        QVERIFY(text("RichTextBox3").isEmpty());
        QVERIFY(m_window->traffic().AwaitingReply);
    }
    QVERIFY(m_messages.messages.isEmpty());
}

void TestEndToEnd::decodedValuesShouldFollowTheCheck_data()
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
                                          "介质：热量（出口）", "能量：45678000 Wh"};
}

void TestEndToEnd::decodedValuesShouldFollowTheCheck()
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

void TestEndToEnd::logShouldRecordWhatWentBothWays()
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

void TestEndToEnd::otherCommandsShouldShowTheReplyButNeverCheckIt()
{
    startMeter();
    click("GlowButton3");
    QCOMPARE(text("RichTextBox1"), QStringLiteral("FE FE FE 68 10 AA AA AA AA AA AA AA 03 03 0A 81 01 B0 16 "));
    QTRY_COMPARE_WITH_TIMEOUT(caption("GlowButton6"), QStringLiteral("16"), 10000);
    QCOMPARE(text("RichTextBox2").left(30), QStringLiteral("68 10 78 56 34 12 00 33 78 83 "));
    QTest::qWait(100);
    QVERIFY(text("RichTextBox3").isEmpty());

    click("GlowButton4");
    QTest::keyClicks(child<QLineEdit>("Text7"), QStringLiteral("07"));
    click("GlowButton15");
    QCOMPARE(text("RichTextBox4"), QStringLiteral("68 06 06 68 53 FE 51 01 7A 07 24 16 "));
    QTRY_COMPARE_WITH_TIMEOUT(text("RichTextBox2"), QStringLiteral("E5 "), 10000);
    QCOMPARE(caption("GlowButton5"), QStringLiteral("31"));
    QTRY_COMPARE(caption("GlowButton6"), QStringLiteral("17"));
    QTest::qWait(100);
    QVERIFY(text("RichTextBox3").isEmpty());
    QCOMPARE(m_window->traffic().ReplyMode, std::uint8_t(kReplyNone));
}

void TestEndToEnd::changedAddressShouldBeTakenByTheMeter()
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

void TestEndToEnd::pollingShouldSendOnEveryTickUntilStopped_data()
{
    QTest::addColumn<bool>("mbusPage");
    QTest::addColumn<int>("requestLength");
    QTest::newRow("CJ/T 188") << false << 19;
    QTest::newRow("M-Bus") << true << 5;
}

void TestEndToEnd::pollingShouldSendOnEveryTickUntilStopped()
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
    QTRY_VERIFY_WITH_TIMEOUT(m_meter.logLines("RX").size() >= 3, 10000);
    QTRY_COMPARE(firstLine("RichTextBox3"), QStringLiteral("校验通过！"));

    click(stop);
    QVERIFY(interval->palette().color(QPalette::Base) != QColor(0, 255, 0));
    const QString sent = caption("GlowButton5");
    QCOMPARE(sent.toInt() % requestLength, 0);
    QTest::qWait(2500);
    QCOMPARE(caption("GlowButton5"), sent);
    QCOMPARE(m_meter.logLines("RX").size(), sent.toInt() / requestLength);
    QVERIFY(m_messages.messages.isEmpty());
}

void TestEndToEnd::pollingShouldStopWhenThePortIsOpenedOrClosed()
{
    startMeter();
    click("GlowButton11");
    click("GlowButton4");
    click("GlowButton13");
    QVERIFY(child<PollTimer>("Timer2")->Enabled());
    click("OpenCOomPort");
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QVERIFY(!child<PollTimer>("Timer2")->Enabled());
    const QString sent = caption("GlowButton5");
    QTest::qWait(1500);
    QCOMPARE(caption("GlowButton5"), sent);

    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    click("GlowButton13");
    QVERIFY(child<PollTimer>("Timer2")->Enabled());
    click("OpenCOomPort"); // closing stops it too
    QVERIFY(!child<PollTimer>("Timer2")->Enabled());
    click("OpenCOomPort");
    click("GlowButton13");
    click("OpenCOomPort");
    click("OpenCOomPort"); // and so does opening
    QVERIFY(m_window->port().PortOpen());
    QVERIFY(!child<PollTimer>("Timer2")->Enabled());
}

void TestEndToEnd::pagesShouldStopOnlyTheCj188Polling()
{
    startMeter();
    click("GlowButton4");
    click("GlowButton13");
    click("GlowButton2");
    QVERIFY(child<QWidget>("CJ188仪表")->isVisible());
    // The M-Bus polling goes on behind the CJ188 page.
    QTRY_VERIFY_WITH_TIMEOUT(caption("GlowButton5").toInt() >= 10, 10000);
    QVERIFY(m_meter.logLines("RX").constFirst().startsWith(QStringLiteral("10 5B 00 5B 16")));

    click("GlowButton14");
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());
    click("GlowButton4");
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(child<QLineEdit>("Text4")->palette().color(QPalette::Base),
             QApplication::palette().color(QPalette::Base));
}

void TestEndToEnd::filtersShouldKeepOnlyWhatTheBoxAccepts_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("address: letters vanish") << QByteArray("Text1") << "" << "12a3 b" << "123";
    QTest::newRow("address: at most ten digits")
        << QByteArray("Text1") << "" << "0012345678999" << "0012345678";
    QTest::newRow("maker code: letter in empty box") << QByteArray("Text3") << "" << "x" << "";
    QTest::newRow("maker code: space") << QByteArray("Text2") << "" << " 7" << "7";
    QTest::newRow("maker code: two digits") << QByteArray("Text3") << "" << "123" << "12";
    QTest::newRow("M-Bus address: hex in either case")
        << QByteArray("Text6") << "" << "fG" << "f";
    QTest::newRow("M-Bus address: no third digit") << QByteArray("Text6") << "" << "aB9" << "aB";
    QTest::newRow("new address: symbols vanish") << QByteArray("Text7") << "" << "-0x5" << "05";
    QTest::newRow("interval: point vanishes") << QByteArray("Text4") << "" << "1.5" << "15";
    QTest::newRow("interval: at most three digits")
        << QByteArray("Text5") << "" << "1234" << "123";
}

void TestEndToEnd::filtersShouldKeepOnlyWhatTheBoxAccepts()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    startMeter();
    if (box == "Text6" || box == "Text7" || box == "Text5")
        click("GlowButton4");
    auto *edit = child<QLineEdit>(box.constData());
    edit->setText(initial);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), expected);
}

void TestEndToEnd::intervalShouldFollowTheDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("interval");
    QTest::newRow("15 seconds") << "15" << 15000;
    QTest::newRow("leading zeros") << "007" << 7000;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("above 65 seconds") << "999" << 999000;
    QTest::newRow("letters ignored") << "a6b6" << 66000;
}

void TestEndToEnd::intervalShouldFollowTheDigits()
{
    QFETCH(QString, typed);
    QFETCH(int, interval);
    startMeter();
    for (const char *box : {"Text4", "Text5"}) {
        auto *edit = child<QLineEdit>(box);
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
    QCOMPARE(child<PollTimer>("Timer1")->Interval(), interval);
    QCOMPARE(child<PollTimer>("Timer2")->Interval(), interval);
    // An interval of 0 polls without ticking; the box still shows that polling is on.
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(child<PollTimer>("Timer1")->isTicking(), interval > 0);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
