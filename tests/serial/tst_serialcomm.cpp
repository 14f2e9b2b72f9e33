#include "ptypair.h"
#include "serialcomm.h"

#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QtTest>

#include <memory>

namespace {

// Bytes a cooked terminal would alter or swallow; a serial line must carry them untouched.
const QByteArray kAwkwardBytes = QByteArray::fromHex("68" // start byte of a meter frame
                                                     "0D" // CR (ICRNL would make it LF)
                                                     "0A" // LF (ONLCR would add a CR)
                                                     "11" // XON (IXON would swallow it)
                                                     "13" // XOFF (IXON would stop output)
                                                     "03" // ^C (ISIG would raise SIGINT)
                                                     "7F" // DEL (ICANON erase)
                                                     "00" // NUL
                                                     "FF" // 0xFF (PARMRK escape)
                                                     "16" // end byte of a meter frame
);

constexpr int kFreePort = 2;

} // namespace

class TestSerialComm : public QObject
{
    Q_OBJECT
private slots:
    void shouldMapPortNumbersToThePlatformDevices_data();
    void shouldMapPortNumbersToThePlatformDevices();
    void shouldAcceptOnlyWellFormedSettingsTexts_data();
    void shouldAcceptOnlyWellFormedSettingsTexts();
    void shouldTurnTheSettingsListsIntoASettingsText_data();
    void shouldTurnTheSettingsListsIntoASettingsText();
    void shouldFindThePortNumberInAPortListText_data();
    void shouldFindThePortNumberInAPortListText();
    void shouldRefusePortNumbersOutsideTheRange_data();
    void shouldRefusePortNumbersOutsideTheRange();
    void shouldSetTheLineAsTheSettingsSay_data();
    void shouldSetTheLineAsTheSettingsSay();
    void shouldApplySettingsChangedWhileOpen();
    void shouldRefuseSettingsThePlatformCannotDrive();
    void shouldReportAFailedOpenAndStayClosed_data();
    void shouldReportAFailedOpenAndStayClosed();
    void shouldReopenAfterClose();
    void shouldOpenALineLeftWithOddSettings_data();
    void shouldOpenALineLeftWithOddSettings();
    void shouldProbeFreeAndBusyPortsInAscendingOrder();
    void shouldCloseForTheProbeAndKeepThePortAndSettings();
    void shouldNotifyWhenEnoughBytesWait_data();
    void shouldNotifyWhenEnoughBytesWait();
    void shouldReadAtMostInputLenBytesAtATime();
    void shouldHandOutputToTheLineAtOnce();
    void shouldNotifyWhenOutputHasDrained();
    void shouldNotTakeAFullOutputQueueForALostDevice();
    void shouldRefuseOutputWhileClosed();
    void shouldCloseThePortAndReportADeviceLossOnce_data();
    void shouldCloseThePortAndReportADeviceLossOnce();
    void shouldBeDestroyedSafelyWithALossPending();

private:
    static PortMap mapWith(int port, const QString &device)
    {
        PortMap map = PortMap::empty();
        map.set(port, device);
        return map;
    }
};

void TestSerialComm::shouldMapPortNumbersToThePlatformDevices_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
#ifdef Q_OS_WIN
    QTest::newRow("COM1") << 1 << "COM1";
    QTest::newRow("COM20") << 20 << "COM20";
#else
    QTest::newRow("COM1 first on-board port") << 1 << "/dev/ttyS0";
    QTest::newRow("COM4 last on-board port") << 4 << "/dev/ttyS3";
    QTest::newRow("COM5 first USB adapter") << 5 << "/dev/ttyUSB0";
    QTest::newRow("COM12 last USB adapter") << 12 << "/dev/ttyUSB7";
    QTest::newRow("COM13 first CDC-ACM device") << 13 << "/dev/ttyACM0";
    QTest::newRow("COM20 last CDC-ACM device") << 20 << "/dev/ttyACM7";
#endif
    QTest::newRow("0 unmapped") << 0 << "";
    QTest::newRow("21 unmapped") << 21 << "";
}

void TestSerialComm::shouldMapPortNumbersToThePlatformDevices()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    QCOMPARE(PortMap::platformDefault().device(port), device);
    SerialComm comm;
    QCOMPARE(comm.devicePath(port), device);
}

void TestSerialComm::shouldAcceptOnlyWellFormedSettingsTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("initial settings") << "2400,E,8,1" << true;
    QTest::newRow("mark parity") << "9600,M,8,1" << true;
    QTest::newRow("space parity, 7 data bits, 2 stop bits") << "1200,S,7,2" << true;
    QTest::newRow("odd parity, 6 data bits") << "4800,O,6,1" << true;
    QTest::newRow("5 data bits") << "110,N,5,1" << true;
    QTest::newRow("1.5 stop bits as text") << "2400,E,8,1.5" << true;
    QTest::newRow("lower-case parity") << "19200,e,8,1" << true;
    QTest::newRow("non-standard baud") << "12345,N,8,1" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("garbage") << "fast please" << false;
    QTest::newRow("baud only") << "2400" << false;
    QTest::newRow("three fields") << "2400,E,8" << false;
    QTest::newRow("five fields") << "2400,E,8,1,1" << false;
    QTest::newRow("semicolons") << "2400;E;8;1" << false;
    QTest::newRow("zero baud") << "0,E,8,1" << false;
    QTest::newRow("negative baud") << "-2400,E,8,1" << false;
    QTest::newRow("baud with letters") << "2400bd,E,8,1" << false;
    QTest::newRow("baud beyond 32 bits") << "99999999999,E,8,1" << false;
    QTest::newRow("unknown parity letter") << "2400,X,8,1" << false;
    QTest::newRow("parity word") << "2400,EVEN,8,1" << false;
    QTest::newRow("4 data bits") << "2400,E,4,1" << false;
    QTest::newRow("9 data bits") << "2400,E,9,1" << false;
    QTest::newRow("3 stop bits") << "2400,E,8,3" << false;
    QTest::newRow("1,5 with a comma") << "2400,E,8,1,5" << false;
    QTest::newRow("1.25 stop bits") << "2400,E,8,1.25" << false;
}

void TestSerialComm::shouldAcceptOnlyWellFormedSettingsTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    const QString previous = QStringLiteral("300,O,7,2");
    SerialComm comm(PortMap::empty());
    QCOMPARE(comm.setSettings(previous), int(SerialComm::kNoError));

    const int result = comm.setSettings(text);
    QCOMPARE(result, accepted ? int(SerialComm::kNoError) : int(SerialComm::kSettingsRefused));
    QCOMPARE(comm.Settings(), accepted ? text : previous);
}

void TestSerialComm::shouldTurnTheSettingsListsIntoASettingsText_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("expected");
    QTest::newRow("even") << "2400"
                          << "偶EVEN"
                          << "1"
                          << "2400,E,8,1";
    QTest::newRow("none, 1.5 stop bits") << "9600"
                                         << "无NONE"
                                         << "1.5"
                                         << "9600,N,8,1.5";
    QTest::newRow("space") << "300"
                           << "空SPACE"
                           << "2"
                           << "300,S,8,2";
    // Typed texts go in as they stand, for the port to refuse.
    QTest::newRow("typed parity") << "2400"
                                  << "XYZ"
                                  << "1"
                                  << "2400,Y,8,1";
    QTest::newRow("typed baud rate") << "fast"
                                     << "奇ODD"
                                     << "1"
                                     << "fast,O,8,1";
}

void TestSerialComm::shouldTurnTheSettingsListsIntoASettingsText()
{
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(QString, stop);
    QFETCH(QString, expected);
    QCOMPARE(SettingsText({baud, parity, QStringLiteral("8"), stop}), expected);
}

void TestSerialComm::shouldFindThePortNumberInAPortListText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::newRow("one digit") << "COM3" << 3;
    QTest::newRow("two digits") << "COM12" << 12;
    QTest::newRow("busy") << "COM7 占用" << 7;
    QTest::newRow("above the list") << "COM21" << 21;
    QTest::newRow("no number") << "hello" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestSerialComm::shouldFindThePortNumberInAPortListText()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(PortNumberOfEntry(text), port);
}

void TestSerialComm::shouldRefusePortNumbersOutsideTheRange_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << 0 << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("negative") << -3 << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("above the highest number")
        << SerialComm::kMaxPortNumber + 1 << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("1") << 1 << int(SerialComm::kNoError);
    QTest::newRow("12") << 12 << int(SerialComm::kNoError);
    QTest::newRow("highest number") << SerialComm::kMaxPortNumber << int(SerialComm::kNoError);
}

void TestSerialComm::shouldRefusePortNumbersOutsideTheRange()
{
    QFETCH(int, port);
    QFETCH(int, expected);
    SerialComm comm(PortMap::empty());
    QCOMPARE(comm.setCommPort(7), int(SerialComm::kNoError));
    QCOMPARE(comm.setCommPort(port), expected);
    QCOMPARE(comm.CommPort(), expected == SerialComm::kNoError ? port : 7);
}

void TestSerialComm::shouldSetTheLineAsTheSettingsSay_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("baud");
    QTest::addColumn<bool>("twoStopBits");
    QTest::newRow("initial settings") << "2400,E,8,1" << 2400 << false;
    QTest::newRow("two stop bits") << "4800,N,8,2" << 4800 << true;
    QTest::newRow("mark parity") << "9600,M,8,1" << 9600 << false;
    QTest::newRow("fast line") << "115200,n,8,1" << 115200 << false;
}

void TestSerialComm::shouldSetTheLineAsTheSettingsSay()
{
    QFETCH(QString, settings);
    QFETCH(int, baud);
    QFETCH(bool, twoStopBits);
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setSettings(settings), int(SerialComm::kNoError));

    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(pty.baudRate(), baud);
    QCOMPARE(pty.twoStopBits(), twoStopBits);
}

void TestSerialComm::shouldApplySettingsChangedWhileOpen()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    comm.setSettings(QStringLiteral("2400,E,8,1"));
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));

    QCOMPARE(comm.setSettings(QStringLiteral("9600,N,8,2")), int(SerialComm::kNoError));
    QCOMPARE(pty.baudRate(), 9600);
    QVERIFY(pty.twoStopBits());
}

void TestSerialComm::shouldRefuseSettingsThePlatformCannotDrive()
{
#ifdef Q_OS_WIN
    QSKIP("Windows drives 1.5 stop bits");
#endif
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setSettings(QStringLiteral("2400,E,8,1.5")), int(SerialComm::kNoError));
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kSettingsRefused));
    QVERIFY(!comm.PortOpen());

    // Refused while open: the line keeps running with the settings in force.
    QCOMPARE(comm.setSettings(QStringLiteral("4800,N,8,2")), int(SerialComm::kNoError));
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(comm.setSettings(QStringLiteral("9600,N,8,1.5")), int(SerialComm::kSettingsRefused));
    QCOMPARE(comm.Settings(), QStringLiteral("4800,N,8,2"));
    QCOMPARE(pty.baudRate(), 4800);
    QVERIFY(pty.twoStopBits());
    QVERIFY(comm.PortOpen());
}

void TestSerialComm::shouldReportAFailedOpenAndStayClosed_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("expected");
    QTest::newRow("no device mapped") << "unmapped" << int(SerialComm::kInvalidPortNumber);
    QTest::newRow("device missing") << "missing" << int(SerialComm::kHardwareNotAvailable);
    QTest::newRow("not a device") << "regular file" << int(SerialComm::kHardwareNotAvailable);
    QTest::newRow("held by another program") << "busy" << int(SerialComm::kPortAlreadyOpen);
    QTest::newRow("open twice") << "open twice" << int(SerialComm::kPortAlreadyOpen);
}

void TestSerialComm::shouldReportAFailedOpenAndStayClosed()
{
    QFETCH(QString, situation);
    QFETCH(int, expected);
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    QTemporaryFile regularFile;
    QVERIFY(regularFile.open());
    QSerialPort holder;

    PortMap map = PortMap::empty();
    if (situation == u"missing")
        map.set(kFreePort, pty.slavePath() + QStringLiteral("-gone"));
    else if (situation == u"regular file")
        map.set(kFreePort, regularFile.fileName());
    else if (situation != u"unmapped")
        map.set(kFreePort, pty.slavePath());
    if (situation == u"busy") {
        holder.setPortName(pty.slavePath());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    }

    SerialComm comm(map);
    comm.setCommPort(kFreePort);
    if (situation == u"open twice")
        QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(comm.setPortOpen(true), expected);
    QCOMPARE(comm.PortOpen(), situation == u"open twice");
    QCOMPARE(comm.setPortOpen(false), int(SerialComm::kNoError));
    QVERIFY(!comm.PortOpen());
}

void TestSerialComm::shouldReopenAfterClose()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setPortOpen(false), int(SerialComm::kNoError));
    for (int round = 0; round < 3; ++round) {
        QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
        QVERIFY(comm.PortOpen());
        QCOMPARE(comm.setCommPort(5), int(SerialComm::kPortAlreadyOpen));
        QCOMPARE(comm.setPortOpen(false), int(SerialComm::kNoError));
        QVERIFY(!comm.PortOpen());
    }
    // Closing released the device for others too.
    QSerialPort other;
    other.setPortName(pty.slavePath());
    QVERIFY2(other.open(QIODevice::ReadWrite), qPrintable(other.errorString()));
}

void TestSerialComm::shouldOpenALineLeftWithOddSettings_data()
{
    QTest::addColumn<QStringList>("stty");
    QTest::newRow("left by a killed program")
        << QStringList{"2400", "clocal", "ignpar", "min", "0"};
    QTest::newRow("cooked, with software flow control")
        << QStringList{"sane", "ixon", "ixoff", "-clocal", "time", "50"};
    QTest::newRow("two stop bits, stripped and marked input")
        << QStringList{"cstopb", "inpck", "istrip", "parmrk", "ignbrk", "icrnl", "opost", "onlcr"};
}

// What another program left on the device does not keep it from opening, and the line then
// carries every byte both ways untouched, as after any open.
void TestSerialComm::shouldOpenALineLeftWithOddSettings()
{
    QFETCH(QStringList, stty);
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    QCOMPARE(QProcess::execute(QStringLiteral("stty"), QStringList{"-F", pty.slavePath()} + stty),
             0);
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setSettings(QStringLiteral("2400,E,8,1")), int(SerialComm::kNoError));

    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(pty.baudRate(), 2400);
    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kNoError));
    QCOMPARE(pty.read(int(kAwkwardBytes.size())), kAwkwardBytes);
    QVERIFY(pty.write(kAwkwardBytes));
    QTRY_COMPARE(comm.InBufferCount(), int(kAwkwardBytes.size()));
    QCOMPARE(comm.Input(), kAwkwardBytes);
}

void TestSerialComm::shouldProbeFreeAndBusyPortsInAscendingOrder()
{
    PtyPair freeLow, busy, freeHigh, beyondList;
    for (const PtyPair *pty : {&freeLow, &busy, &freeHigh, &beyondList})
        QVERIFY2(pty->isOpen(), qPrintable(pty->errorString()));
    QSerialPort holder;
    holder.setPortName(busy.slavePath());
    QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));

    PortMap map = PortMap::empty();
    map.set(12, freeHigh.slavePath());
    map.set(7, busy.slavePath());
    map.set(3, freeLow.slavePath() + QStringLiteral("-gone"));
    map.set(2, freeLow.slavePath());
    map.set(21, beyondList.slavePath());
    SerialComm comm(map);

    QCOMPARE(ProbePorts(comm), QList<ProbedPort>({{2, false}, {7, true}, {12, false}}));
    QVERIFY(!comm.PortOpen());

    holder.close();
    QCOMPARE(ProbePorts(comm), QList<ProbedPort>({{2, false}, {7, false}, {12, false}}));
    SerialComm noPorts(PortMap::empty());
    QCOMPARE(ProbePorts(noPorts), QList<ProbedPort>());
}

void TestSerialComm::shouldCloseForTheProbeAndKeepThePortAndSettings()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(4, pty.slavePath()));
    comm.setCommPort(4);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));

    // The object's own open port is closed first and then listed as free.
    QCOMPARE(ProbePorts(comm), QList<ProbedPort>({{4, false}}));
    QVERIFY(!comm.PortOpen());
    QCOMPARE(comm.CommPort(), 4);

    // Settings this platform refuses at open do not hide the port, and they stay chosen.
    const QString settings = QStringLiteral("2400,E,8,1.5");
    QCOMPARE(comm.setSettings(settings), int(SerialComm::kNoError));
    QCOMPARE(ProbePorts(comm), QList<ProbedPort>({{4, false}}));
    QCOMPARE(comm.Settings(), settings);
    QVERIFY(!comm.PortOpen());
}

void TestSerialComm::shouldNotifyWhenEnoughBytesWait_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<int>("notificationsAfterFirst");
    QTest::addColumn<int>("notificationsAfterSecond");
    QTest::newRow("threshold 1, every arrival notifies")
        << 1 << kAwkwardBytes.left(4) << kAwkwardBytes.mid(4) << 1 << 2;
    QTest::newRow("threshold 5, short arrival waits")
        << 5 << kAwkwardBytes.left(3) << kAwkwardBytes.mid(3) << 0 << 1;
    QTest::newRow("threshold 0, never notifies")
        << 0 << kAwkwardBytes.left(3) << kAwkwardBytes.mid(3) << 0 << 0;
}

void TestSerialComm::shouldNotifyWhenEnoughBytesWait()
{
    QFETCH(int, threshold);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(int, notificationsAfterFirst);
    QFETCH(int, notificationsAfterSecond);
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    comm.setInputMode(SerialComm::comInputModeBinary);
    comm.setRThreshold(threshold);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QSignalSpy onComm(&comm, &SerialComm::OnComm);
    QList<int> events;
    connect(&comm, &SerialComm::OnComm, this, [&] { events << comm.CommEvent(); });

    QVERIFY(pty.write(first));
    QTRY_COMPARE(comm.InBufferCount(), int(first.size()));
    QCOMPARE(onComm.size(), notificationsAfterFirst);

    QVERIFY(pty.write(second));
    QTRY_COMPARE(comm.InBufferCount(), int(first.size() + second.size()));
    QCOMPARE(onComm.size(), notificationsAfterSecond);
    QCOMPARE(events, QList<int>(notificationsAfterSecond, SerialComm::comEvReceive));

    QCOMPARE(comm.Input(), first + second);
    QCOMPARE(comm.InBufferCount(), 0);
    QCOMPARE(comm.Input(), QByteArray());
}

void TestSerialComm::shouldReadAtMostInputLenBytesAtATime()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    comm.setInputLen(4);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));

    QVERIFY(pty.write(kAwkwardBytes));
    QTRY_COMPARE(comm.InBufferCount(), int(kAwkwardBytes.size()));
    QCOMPARE(comm.Input(), kAwkwardBytes.left(4));
    QCOMPARE(comm.InBufferCount(), int(kAwkwardBytes.size()) - 4);
    QCOMPARE(comm.Input(), kAwkwardBytes.mid(4, 4));
    comm.setInputLen(0);
    QCOMPARE(comm.Input(), kAwkwardBytes.mid(8));
}

void TestSerialComm::shouldHandOutputToTheLineAtOnce()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));

    // Output hands the bytes over at once: the far end sees them without an event loop turn.
    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kNoError));
    QCOMPARE(pty.read(kAwkwardBytes.size()), kAwkwardBytes);
    QCOMPARE(comm.Output(QByteArray()), int(SerialComm::kNoError));
    QCOMPARE(pty.readAvailable(), QByteArray());
}

void TestSerialComm::shouldNotifyWhenOutputHasDrained()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    comm.setSThreshold(1);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QSignalSpy onComm(&comm, &SerialComm::OnComm);

    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kNoError));
    QTRY_COMPARE(onComm.size(), 1);
    QCOMPARE(comm.CommEvent(), int(SerialComm::comEvSend));
    QCOMPARE(pty.read(kAwkwardBytes.size()), kAwkwardBytes);
}

void TestSerialComm::shouldNotTakeAFullOutputQueueForALostDevice()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QSignalSpy lost(&comm, &SerialComm::DeviceLost);

    // Far more than the terminal queues, twice before the event loop runs: the second write
    // meets a full queue (EAGAIN), which QSerialPort reports as a resource error although the
    // device is fine.
    QByteArray bulk;
    for (int i = 0; i < 64 * 1024; ++i)
        bulk.append(char(i * 7));
    QCOMPARE(comm.Output(bulk), int(SerialComm::kNoError));
    QCOMPARE(comm.Output(bulk), int(SerialComm::kNoError));
    bulk += bulk;

    QByteArray received;
    QTRY_COMPARE_WITH_TIMEOUT((received += pty.readAvailable()).size(), bulk.size(), 20000);
    QCOMPARE(received, bulk);
    QCOMPARE(lost.size(), 0);
    QVERIFY(comm.PortOpen());
}

void TestSerialComm::shouldRefuseOutputWhileClosed()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kPortNotOpen));
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(comm.setPortOpen(false), int(SerialComm::kNoError));
    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kPortNotOpen));
    QCOMPARE(pty.readAvailable(), QByteArray());
}

void TestSerialComm::shouldCloseThePortAndReportADeviceLossOnce_data()
{
    QTest::addColumn<bool>("writeFirst");
    QTest::newRow("noticed by the reader") << false;
    QTest::newRow("noticed by a write") << true;
}

void TestSerialComm::shouldCloseThePortAndReportADeviceLossOnce()
{
    QFETCH(bool, writeFirst);
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    SerialComm comm(mapWith(kFreePort, pty.slavePath()));
    comm.setCommPort(kFreePort);
    comm.setRThreshold(1);
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QSignalSpy lost(&comm, &SerialComm::DeviceLost);
    QSignalSpy onComm(&comm, &SerialComm::OnComm);
    auto *port = comm.findChild<QSerialPort *>();
    QVERIFY(port);
    QSignalSpy portErrors(port, &QSerialPort::errorOccurred);

    pty.closeMaster();
    if (writeFirst)
        QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kPortNotOpen));
    QVERIFY(lost.wait());
    QCOMPARE(lost.size(), 1);
    QVERIFY(!comm.PortOpen());
    // A hung-up descriptor left armed would report an error on every pass of the event loop.
    const qsizetype errorsAtLoss = portErrors.size();
    for (int pass = 0; pass < 5; ++pass)
        QCoreApplication::processEvents();
    QCOMPARE(portErrors.size(), errorsAtLoss);

    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kPortNotOpen));
    QCOMPARE(comm.InBufferCount(), 0);
    QCOMPARE(comm.Input(), QByteArray());
    QCOMPARE(comm.setPortOpen(false), int(SerialComm::kNoError));
    QCoreApplication::processEvents();
    QCOMPARE(lost.size(), 1);
    QCOMPARE(onComm.size(), 0);

    // The device is gone for good; another one can be opened by the same object.
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kHardwareNotAvailable));
    PtyPair replacement;
    QVERIFY2(replacement.isOpen(), qPrintable(replacement.errorString()));
    comm.setPortMap(mapWith(kFreePort, replacement.slavePath()));
    QCOMPARE(comm.setPortOpen(true), int(SerialComm::kNoError));
    QCOMPARE(comm.Output(kAwkwardBytes), int(SerialComm::kNoError));
    QCOMPARE(replacement.read(kAwkwardBytes.size()), kAwkwardBytes);
}

void TestSerialComm::shouldBeDestroyedSafelyWithALossPending()
{
    PtyPair pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.errorString()));
    auto comm = std::make_unique<SerialComm>(mapWith(kFreePort, pty.slavePath()));
    comm->setCommPort(kFreePort);
    QCOMPARE(comm->setPortOpen(true), int(SerialComm::kNoError));
    pty.closeMaster();
    // The write notices the loss and queues its report; the object dies before it runs.
    QCOMPARE(comm->Output(kAwkwardBytes), int(SerialComm::kPortNotOpen));
    comm.reset();
    QCoreApplication::processEvents();
}

QTEST_GUILESS_MAIN(TestSerialComm)
#include "tst_serialcomm.moc"
