#include "benchports.h"
#include "cj188.h"
#include "filesizelimit.h"
#include "mbus.h"
#include "meterprotocols.h"
#include "meterrequests.h"
#include "metersession.h"
#include "recordingtrafficview.h"
#include "trafficlog.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The window's serial line without a window, on pseudo-terminals: COM1 free, COM2 held by another
// program, COM3 mapped to a device that does not exist, COM4 unmapped.
class TestMeterSession : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldOpenThePortAsTheSettingsSayOrStayClosed_data();
    void shouldOpenThePortAsTheSettingsSayOrStayClosed();
    void shouldReleaseThePortOnClose();
    void shouldProbeWithThePortMapOfTheMoment();
    void shouldPassOnWhatArrives();
    void shouldTellTheCheckedReplyWithItsDecodedContent_data();
    void shouldTellTheCheckedReplyWithItsDecodedContent();
    void shouldReportADeviceLossOnce_data();
    void shouldReportADeviceLossOnce();
    void shouldNameProbedPortsSoThatTheNumberReadsBack();
    void shouldSaveTheTrafficSinceOpeningAsTheLogWritesIt();

private:
    BenchPorts m_bench;
    std::unique_ptr<MeterSession> m_session;
};

void TestMeterSession::init()
{
    QVERIFY(m_bench.open());
    m_session = std::make_unique<MeterSession>([this] { return m_bench.map; }, MeterProtocols());
    m_session->probe();
}

void TestMeterSession::cleanup()
{
    m_session.reset();
    m_bench = BenchPorts();
}

void TestMeterSession::shouldOpenThePortAsTheSettingsSayOrStayClosed_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("expected");
    QTest::newRow("free port") << 1 << "9600,E,8,2" << int(SerialComm::kNoError);
    QTest::newRow("held by another program")
        << 2 << "2400,E,8,1" << int(SerialComm::kPortAlreadyOpen);
    QTest::newRow("device missing") << 3 << "2400,E,8,1" << int(SerialComm::kHardwareNotAvailable);
    QTest::newRow("nothing mapped") << 4 << "2400,E,8,1" << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("no port number") << 0 << "2400,E,8,1" << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("settings refused") << 1 << "2400,Y,8,1" << int(SerialComm::kSettingsRefused);
}

void TestMeterSession::shouldOpenThePortAsTheSettingsSayOrStayClosed()
{
    QFETCH(int, port);
    QFETCH(QString, settings);
    QFETCH(int, expected);
    QCOMPARE(m_session->open(port, settings), expected);
    QCOMPARE(m_session->isOpen(), expected == SerialComm::kNoError);
    if (expected != SerialComm::kNoError)
        return;
    QCOMPARE(m_bench.com1->baudRate(), 9600);
    QVERIFY(m_bench.com1->twoStopBits());
    QVERIFY(m_session->write(QByteArray::fromHex("105B005B16")));
    QCOMPARE(m_bench.com1->read(5), QByteArray::fromHex("105B005B16"));
}

void TestMeterSession::shouldReleaseThePortOnClose()
{
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    m_session->close();
    QVERIFY(!m_session->isOpen());
    QVERIFY(!m_session->write(QByteArray("\x10", 1)));
    QSerialPort other(m_bench.com1->slavePath());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestMeterSession::shouldProbeWithThePortMapOfTheMoment()
{
    QCOMPARE(m_session->probe(), QList<ProbedPort>({{1, false}, {2, true}}));
    // An adapter mapped since, and the other program gone: both show at the next probe.
    PtyPair adapter;
    QVERIFY(adapter.isOpen());
    m_bench.map.set(7, adapter.slavePath());
    m_bench.otherProgram->close();
    QCOMPARE(m_session->probe(), QList<ProbedPort>({{1, false}, {2, false}, {7, false}}));
    QCOMPARE(m_session->devicePath(7), adapter.slavePath());
}

void TestMeterSession::shouldPassOnWhatArrives()
{
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    QByteArray received;
    connect(m_session.get(), &MeterSession::received, this,
            [&](const QByteArray &bytes) { received += bytes; });
    const QByteArray reply = QByteArray::fromHex("680303680800727A16");
    QVERIFY(m_bench.com1->write(reply));
    QTRY_COMPARE(received, reply);
}

void TestMeterSession::shouldTellTheCheckedReplyWithItsDecodedContent_data()
{
    QTest::addColumn<bool>("mbus");
    QTest::addColumn<QByteArray>("reply"); // as the meter sends it
    QTest::addColumn<QByteArray>("frame"); // as the session tells it
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("CJ/T 188, wake-up bytes dropped")
        << false << kWaterReply << kWaterReply.mid(3) << QStringLiteral("当前累积流量：3412.00 m³");
    QTest::newRow("M-Bus") << true << kHeatReply << kHeatReply << QStringLiteral("表号：12345678");
}

void TestMeterSession::shouldTellTheCheckedReplyWithItsDecodedContent()
{
    QFETCH(bool, mbus);
    QFETCH(QByteArray, reply);
    QFETCH(QByteArray, frame);
    QFETCH(QString, firstLine);
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    QSignalSpy checked(m_session.get(), &MeterSession::checkedReply);
    if (mbus)
        MbusReadData(m_session->traffic(), 0x01);
    else
        Cj188ReadData(m_session->traffic(),
                      {0x10, Cj188AddressBytes(QStringLiteral("12345678")), {0x33, 0x78}});

    // The reply in two pieces, the second only after the first has been taken in.
    QSignalSpy received(m_session.get(), &MeterSession::received);
    QVERIFY(m_bench.com1->write(reply.first(8)));
    QVERIFY(received.wait());
    QVERIFY(checked.isEmpty());
    QVERIFY(m_bench.com1->write(reply.sliced(8)));
    QTRY_COMPARE(checked.size(), 1);

    const QList<QVariant> told = checked.first();
    QCOMPARE(told.at(0).value<quint8>(), mbus ? kReplyMbus : kReplyCj188);
    QCOMPARE(told.at(1).toByteArray(), frame);
    const auto decoded = told.at(2).value<DecodedReply>();
    QVERIFY(decoded.checked);
    QCOMPARE(DecodedReplyLines(decoded).value(0), firstLine);
}

void TestMeterSession::shouldReportADeviceLossOnce_data()
{
    QTest::addColumn<bool>("clickMeetsIt");
    QTest::newRow("reported from the event loop") << false;
    QTest::newRow("reported to a click that meets it") << true;
}

void TestMeterSession::shouldReportADeviceLossOnce()
{
    QFETCH(bool, clickMeetsIt);
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    QSignalSpy lost(m_session.get(), &MeterSession::deviceLost);
    m_bench.com1->closeMaster();
    if (clickMeetsIt) {
        QVERIFY(!m_session->write(QByteArray("\x10", 1))); // notices the loss
        QVERIFY(!m_session->isOpen());
        QVERIFY(m_session->deliverPendingLoss());
        QCOMPARE(lost.size(), 1);
    } else {
        QVERIFY(lost.wait());
    }
    QVERIFY(!m_session->isOpen());
    QVERIFY(!m_session->deliverPendingLoss());
    QCoreApplication::processEvents();
    QCOMPARE(lost.size(), 1);
}

void TestMeterSession::shouldNameProbedPortsSoThatTheNumberReadsBack()
{
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        for (bool busy : {false, true}) {
            const QString text = PortEntryText({port, busy});
            QCOMPARE(PortNumberOfEntry(text), port);
            QCOMPARE(text.endsWith(kBusyPortSuffix), busy);
        }
    }
    QCOMPARE(PortEntryText({3, true}), QStringLiteral("COM3 占用"));
}

void TestMeterSession::shouldSaveTheTrafficSinceOpeningAsTheLogWritesIt()
{
    const auto contentOf = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    QTemporaryDir dir;
    const QString logPath = dir.filePath("cli.log");
    const QString savedPath = dir.filePath("saved.log");
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    QVERIFY(m_session->write(Hex("10 40 01 41 16"))); // before the port was opened again
    m_session->close();

    TrafficLog log;
    QVERIFY(log.open(logPath));
    m_session->setTrafficLog(&log);
    QCOMPARE(m_session->open(1, QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));
    MbusReadData(m_session->traffic(), 0x01);
    QSignalSpy outcome(m_session.get(), &MeterSession::replyOutcome);
    QVERIFY(m_bench.com1->write(kHeatReply.first(9)));
    QSignalSpy received(m_session.get(), &MeterSession::received);
    QVERIFY(received.wait());
    QVERIFY(m_bench.com1->write(kHeatReply.sliced(9)));
    QVERIFY(outcome.wait());
    m_session->setTrafficLog(nullptr);

    QString error;
    QVERIFY2(m_session->saveTrafficRecord(savedPath, &error), qPrintable(error));
    const QByteArray logged = contentOf(logPath);
    QCOMPARE(logged.count('\n'), 1 + received.size()); // the request, and each read
    QCOMPARE(contentOf(savedPath), logged);

    // A refused file and a full disk: each says why, and the record and the saved file stay.
    QVERIFY(!m_session->saveTrafficRecord(dir.filePath("no-such-dir/saved.log"), &error));
    QVERIFY(!error.isEmpty());
    {
        FileSizeLimit fullDisk(16);
        QVERIFY(fullDisk.isActive());
        error.clear();
        const bool saved = m_session->saveTrafficRecord(savedPath, &error);
        QVERIFY(!saved);
        QVERIFY(!error.isEmpty());
    }
    QCOMPARE(contentOf(savedPath), logged);
    QVERIFY(m_session->saveTrafficRecord(dir.filePath("again.log"), &error));
    QCOMPARE(contentOf(dir.filePath("again.log")), logged);
}

QTEST_GUILESS_MAIN(TestMeterSession)
#include "tst_metersession.moc"
