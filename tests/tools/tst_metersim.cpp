// The simulated meter as a program: started with its switches, spoken to over the real
// pseudo-terminal it opens, stopped with a signal.

#include "metercodec.h"
#include "metersimulator.h"
#include "meterprocess.h"
#include "meterrequests.h"
#include "ptypair.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Generous: a reply that comes at all comes within milliseconds.
constexpr int kWaitMs = 5000;

QString HexLine(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

const QByteArray kCj188AddressReply = Hex("68 10"
                                          "78 56 34 12 00 33 78" // its address
                                          "83 03 0A 81 01"       // C, L, DI, SER
                                          "49 16");
// Sizes of the data replies of the default meters.
constexpr int kCj188WaterReplySize = 0x16 + 13;
constexpr int kRspUdSize = 0x4B + 6;

// A frame that ends in CS 16 with CS the byte sum from `sumFrom` on.
bool ChecksumHolds(const QByteArray &frame, qsizetype sumFrom)
{
    return frame.size() >= sumFrom + 2 && frame.endsWith('\x16') &&
           std::uint8_t(frame.at(frame.size() - 2)) ==
               ByteSum(QByteArrayView(frame).sliced(sumFrom, frame.size() - 2 - sumFrom));
}

// The test's end of a terminal line, raw.
class TerminalClient
{
public:
    ~TerminalClient() { close(); }

    // Opens the line; `raw` sets it raw, otherwise its settings are left as they are.
    bool open(const QString &path, bool raw = true)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        if (!raw)
            return true;
        termios settings = {};
        ::tcgetattr(m_fd, &settings);
        ::cfmakeraw(&settings);
        return ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Reads until `size` bytes are in or the wait is over; `reads` counts the reads it took.
    QByteArray read(qsizetype size, int *reads = nullptr)
    {
        QByteArray in;
        QDeadlineTimer deadline(kWaitMs);
        while (in.size() < size && !deadline.hasExpired()) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                continue;
            char buffer[512];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                in.append(buffer, n);
                if (reads)
                    ++*reads;
            }
        }
        return in;
    }

    // What has arrived so far, without waiting.
    QByteArray readNow()
    {
        QByteArray in;
        char buffer[512];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            in.append(buffer, n);
        return in;
    }

private:
    int m_fd = -1;
};

// The CPU time `process` has used, in clock ticks; -1 when it cannot be read.
long CpuTicks(const QProcess &process)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // Fields after the parenthesised command name; utime and stime are 14 and 15.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLong() + fields.value(12).toLong();
}

// A metersim started by the test; its first line names the device.
class MeterSim : public MeterProcess
{
public:
    MeterSim() : MeterProcess(QStringLiteral(METERSIM_PATH)) {}
    bool start(const QStringList &arguments) { return !MeterProcess::start(arguments).isEmpty(); }
};

} // namespace

class TestMeterSim : public QObject
{
    Q_OBJECT
private slots:
    void shouldAnswerOverThePseudoTerminal_data();
    void shouldAnswerOverThePseudoTerminal();
    void shouldKeepTheLineRawForAnyClient();
    void shouldIgnoreWhatIsNotForIt_data();
    void shouldIgnoreWhatIsNotForIt();
    void shouldBendRepliesAsTheFaultSwitchesSay_data();
    void shouldBendRepliesAsTheFaultSwitchesSay();
    void shouldSendSplitRepliesInPieces();
    void shouldNeverAnswerWhenSilent();
    void shouldLogEachRequestAndReplyOnOneLine();
    void shouldLinkToTheTerminalWhileRunning();
    void shouldExitCleanlyOnSignal_data();
    void shouldExitCleanlyOnSignal();
    void shouldKeepServingAfterThePeerCloses();
    void shouldForgetRepliesTheClosedClientNeverRead();
    void shouldServeAnExistingDevice();
    void shouldExitWithAMessageWhenItCannotStart_data();
    void shouldExitWithAMessageWhenItCannotStart();
};

void TestMeterSim::shouldAnswerOverThePseudoTerminal_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<QByteArray>("replyStart");
    QTest::addColumn<int>("sumFrom"); // where the reply's checksum starts; -1: no checksum

    QTest::newRow("CJ/T 188 read data") << QStringList() << kCj188ReadData << kCj188WaterReplySize
                                        << Hex("68 10 78 56 34 12 00 33 78 81 16 1F 90 01") << 0;
    QTest::newRow("CJ/T 188 read address")
        << QStringList() << kCj188ReadAddress << int(kCj188AddressReply.size())
        << kCj188AddressReply << 0;
    QTest::newRow("CJ/T 188 heat meter at another address")
        << QStringList{"--cj188-type", "20", "--cj188-address", "1", "--cj188-maker", "0"}
        << Hex("68 20 01 00 00 00 00 00 00 01 03 1F 90 01 3D 16") << 0x2E + 13
        << Hex("68 20 01 00 00 00 00 00 00 81 2E 1F 90 01") << 0;
    QTest::newRow("REQ_UD2") << QStringList() << kReqUd2To0 << kRspUdSize
                             << Hex("68 4B 4B 68 08 00 72 78 56 34 12") << 4;
    QTest::newRow("REQ_UD2 at primary address 7")
        << QStringList{"--mbus-address", "7"} << Hex("10 7B 07 82 16") << kRspUdSize
        << Hex("68 4B 4B 68 08 07 72") << 4;
    QTest::newRow("set primary address") << QStringList() << kSetAddress5 << 1 << Hex("E5") << -1;
}

void TestMeterSim::shouldAnswerOverThePseudoTerminal()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, request);
    QFETCH(int, replySize);
    QFETCH(QByteArray, replyStart);
    QFETCH(int, sumFrom);

    MeterSim sim;
    QVERIFY(sim.start(options));
    TerminalClient line;
    QVERIFY2(line.open(sim.path()), qPrintable(sim.path()));
    QVERIFY(line.write(request));
    const QByteArray reply = line.read(replySize);
    QCOMPARE(HexLine(reply.first(std::min(reply.size(), replyStart.size()))), HexLine(replyStart));
    QCOMPARE(reply.size(), replySize);
    if (sumFrom >= 0)
        QVERIFY(ChecksumHolds(reply, sumFrom));
}

// A client that does not set the line up itself still gets every byte through unchanged: no
// line buffering, no CR/LF translation either way, 03 and 04 not taken as interrupt and
// end-of-file characters.
void TestMeterSim::shouldKeepTheLineRawForAnyClient()
{
    MeterSim sim;
    QVERIFY(sim.start({"--cj188-address", "0304", "--cj188-maker", "0000"}));
    TerminalClient line;
    QVERIFY(line.open(sim.path(), false));
    QVERIFY(line.write(Hex("68 10"
                           "04 03 00 00 00 00 00" // address 0000000304, maker 0000
                           "03 03 0A 81"          // read address: DI0 is LF
                           "0D"                   // SER: CR
                           "1D 16")));
    QCOMPARE(HexLine(line.read(16)),
             QStringLiteral("68 10 04 03 00 00 00 00 00 83 03 0A 81 0D 9D 16"));
    QVERIFY(line.write(kReqUd2To0)); // the reply carries the medium byte 04
    const QByteArray reply = line.read(kRspUdSize);
    QCOMPARE(reply.size(), kRspUdSize);
    QVERIFY(ChecksumHolds(reply, 4));
}

void TestMeterSim::shouldIgnoreWhatIsNotForIt_data()
{
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("CJ/T 188, wrong checksum")
        << Hex("FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EC 16");
    QTest::newRow("CJ/T 188, other address")
        << Hex("FE FE FE 68 10 79 56 34 12 00 33 78 01 03 1F 90 01 EC 16");
    QTest::newRow("REQ_UD2 to another address") << Hex("10 5B 01 5C 16");
    QTest::newRow("REQ_UD2, wrong checksum") << Hex("10 5B 00 5C 16");
    QTest::newRow("garbage") << Hex("00 11 22 33 44 55 66 77 88 99");
}

// Whatever it ignores, it answers the next request as if nothing had come before.
void TestMeterSim::shouldIgnoreWhatIsNotForIt()
{
    QFETCH(QByteArray, request);

    MeterSim sim;
    QVERIFY(sim.start({}));
    TerminalClient line;
    QVERIFY(line.open(sim.path()));
    QVERIFY(line.write(request));
    QVERIFY(line.write(kCj188ReadAddress));
    QCOMPARE(HexLine(line.read(kCj188AddressReply.size())), HexLine(kCj188AddressReply));
}

void TestMeterSim::shouldBendRepliesAsTheFaultSwitchesSay_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<QByteArray>("before"); // bytes that come ahead of the reply
    QTest::addColumn<int>("sumFrom");
    QTest::addColumn<bool>("checksumHolds");

    const QByteArray noise = MeterSimulator::kNoise;
    QTest::newRow("noise, CJ/T 188")
        << QStringList{"--noise"} << kCj188ReadData << kCj188WaterReplySize << noise << 0 << true;
    QTest::newRow("noise, M-Bus")
        << QStringList{"--noise"} << kReqUd2To0 << kRspUdSize << noise << 4 << true;
    QTest::newRow("bad checksum, CJ/T 188") << QStringList{"--bad-checksum"} << kCj188ReadData
                                            << kCj188WaterReplySize << QByteArray() << 0 << false;
    QTest::newRow("bad checksum, M-Bus")
        << QStringList{"--bad-checksum"} << kReqUd2To0 << kRspUdSize << QByteArray() << 4 << false;
    QTest::newRow("echo, CJ/T 188") << QStringList{"--echo"} << kCj188ReadData
                                    << kCj188WaterReplySize << kCj188ReadData << 0 << true;
    QTest::newRow("echo, M-Bus")
        << QStringList{"--echo"} << kReqUd2To0 << kRspUdSize << kReqUd2To0 << 4 << true;
    QTest::newRow("echo, noise and bad checksum")
        << QStringList{"--echo", "--noise", "--bad-checksum"} << kReqUd2To0 << kRspUdSize
        << kReqUd2To0 + noise << 4 << false;
    QTest::newRow("split and echo")
        << QStringList{"--split", "7", "--echo"} << kReqUd2To0 << kRspUdSize << kReqUd2To0 << 4
        << true;
}

void TestMeterSim::shouldBendRepliesAsTheFaultSwitchesSay()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, request);
    QFETCH(int, replySize);
    QFETCH(QByteArray, before);
    QFETCH(int, sumFrom);
    QFETCH(bool, checksumHolds);

    MeterSim sim;
    QVERIFY(sim.start(options));
    TerminalClient line;
    QVERIFY(line.open(sim.path()));
    QVERIFY(line.write(request));
    const QByteArray in = line.read(before.size() + replySize);
    QCOMPARE(in.size(), before.size() + replySize);
    QCOMPARE(HexLine(in.first(before.size())), HexLine(before));
    const QByteArray reply = in.sliced(before.size());
    QCOMPARE(reply.at(0), '\x68');
    QCOMPARE(ChecksumHolds(reply, sumFrom), checksumHolds);
}

void TestMeterSim::shouldSendSplitRepliesInPieces()
{
    MeterSim sim;
    QVERIFY(sim.start({"--split", "4"}));
    TerminalClient line;
    QVERIFY(line.open(sim.path()));
    QVERIFY(line.write(kReqUd2To0));
    int reads = 0;
    const QByteArray reply = line.read(kRspUdSize, &reads);
    QCOMPARE(reply.size(), kRspUdSize);
    QVERIFY(ChecksumHolds(reply, 4));
    // 21 pieces with pauses between them cannot all be there at the first read.
    QVERIFY2(reads > 1, qPrintable(QString::number(reads)));
    // The log still has the reply on one line.
    QVERIFY(sim.waitForLogLine(QStringLiteral("TX ") + HexLine(reply)));
}

void TestMeterSim::shouldNeverAnswerWhenSilent()
{
    MeterSim sim;
    QVERIFY(sim.start({"--silent"}));
    TerminalClient line;
    QVERIFY(line.open(sim.path()));
    const QByteArray requests[] = {kCj188ReadData, kReqUd2To0, kSetAddress5};
    for (const QByteArray &request : requests) {
        QVERIFY(line.write(request));
        QVERIFY(sim.waitForLogLine(QStringLiteral("RX ") + HexLine(request)));
    }
    // Requests are handled one after the other: once the last is logged, any answer to the
    // earlier ones would already be on the line.
    QCOMPARE(HexLine(line.readNow()), QString());
    QVERIFY(!sim.log().contains(QStringLiteral("TX")));
}

void TestMeterSim::shouldLogEachRequestAndReplyOnOneLine()
{
    MeterSim sim;
    QVERIFY(sim.start({}));
    TerminalClient line;
    QVERIFY(line.open(sim.path()));
    QVERIFY(line.write(kCj188ReadData));
    const QByteArray reply = line.read(kCj188WaterReplySize);
    QCOMPARE(reply.size(), kCj188WaterReplySize);
    // A request for another meter and noise, in one write.
    QVERIFY(line.write(Hex("10 5B 01 5C 16") + Hex("00 11 22")));

    QVERIFY(sim.waitForLogLine(
        QStringLiteral("RX FE FE FE 68 10 78 56 34 12 00 33 78 01 03 1F 90 01 EB 16")));
    QVERIFY(sim.waitForLogLine(QStringLiteral("TX ") + HexLine(reply)));
    QVERIFY(sim.waitForLogLine(QStringLiteral("RX 10 5B 01 5C 16")));
    QVERIFY(sim.waitForLogLine(QStringLiteral("RX 00 11 22 (ignored)")));
    QVERIFY(sim.signalAndWait(SIGTERM));
    // One line per frame, nothing else.
    const QStringList lines = sim.log().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
}

void TestMeterSim::shouldLinkToTheTerminalWhileRunning()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("meter"));

    MeterSim sim;
    QVERIFY(sim.start({"--link", link}));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.path());
    TerminalClient line;
    QVERIFY(line.open(link));
    QVERIFY(line.write(kCj188ReadAddress));
    QCOMPARE(HexLine(line.read(kCj188AddressReply.size())), HexLine(kCj188AddressReply));

    QVERIFY(sim.signalAndWait(SIGTERM));
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo::exists(link));
}

void TestMeterSim::shouldExitCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("connected");

    QTest::newRow("SIGTERM, nobody on the line") << int(SIGTERM) << false;
    QTest::newRow("SIGINT, nobody on the line") << int(SIGINT) << false;
    QTest::newRow("SIGTERM, line open") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, line open") << int(SIGINT) << true;
}

void TestMeterSim::shouldExitCleanlyOnSignal()
{
    QFETCH(int, signal);
    QFETCH(bool, connected);

    MeterSim sim;
    QVERIFY(sim.start({}));
    TerminalClient line;
    if (connected)
        QVERIFY(line.open(sim.path()));
    QVERIFY(sim.signalAndWait(signal));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestMeterSim::shouldKeepServingAfterThePeerCloses()
{
    MeterSim sim;
    QVERIFY(sim.start({}));
    {
        TerminalClient line;
        QVERIFY(line.open(sim.path()));
        QVERIFY(line.write(kCj188ReadAddress));
        QCOMPARE(line.read(kCj188AddressReply.size()), kCj188AddressReply);
    }
    // Nobody holds the line now. A simulator that lost its slave side would see its reads fail
    // at once and again and again, burning a core. Nothing happens that could be waited for, so
    // the test watches the CPU time for half a second: a spinning loop uses some 50 ticks of it.
    const long ticksBefore = CpuTicks(sim.process());
    QVERIFY(ticksBefore >= 0);
    QTest::qWait(500);
    const long ticksAfter = CpuTicks(sim.process());
    QVERIFY2(ticksAfter - ticksBefore < 10,
             qPrintable(QStringLiteral("%1 ticks while idle").arg(ticksAfter - ticksBefore)));

    TerminalClient again;
    QVERIFY(again.open(sim.path()));
    QVERIFY(again.write(kReqUd2To0));
    const QByteArray reply = again.read(kRspUdSize);
    QCOMPARE(reply.size(), kRspUdSize);
    QVERIFY(ChecksumHolds(reply, 4));
    QVERIFY(sim.signalAndWait(SIGTERM));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestMeterSim::shouldForgetRepliesTheClosedClientNeverRead()
{
    MeterSim sim;
    QVERIFY(sim.start({}));
    {
        TerminalClient line;
        QVERIFY(line.open(sim.path()));
        for (int i = 0; i < 10; ++i)
            QVERIFY(line.write(kCj188ReadAddress));
        QVERIFY(sim.waitForLogLine(QStringLiteral("TX ") + HexLine(kCj188AddressReply)));
    } // closed without reading a byte
    QVERIFY(sim.waitForLogLine(QStringLiteral("HUP %1 bytes never read dropped")
                                   .arg(10 * kCj188AddressReply.size())) ||
            sim.log().contains(QStringLiteral("HUP ")));

    // The next session hears only the answer to its own request.
    TerminalClient again;
    QVERIFY(again.open(sim.path()));
    QVERIFY(again.write(kReqUd2To0));
    const QByteArray reply = again.read(kRspUdSize);
    QCOMPARE(reply.size(), kRspUdSize);
    QCOMPARE(reply.at(0), '\x68');
    QVERIFY(ChecksumHolds(reply, 4));
    // Replies leave in order, so any old one would come before the answer to the next request.
    QVERIFY(again.write(kCj188ReadAddress));
    QCOMPARE(HexLine(again.read(kCj188AddressReply.size())), HexLine(kCj188AddressReply));
    QVERIFY(sim.signalAndWait(SIGTERM));
}

void TestMeterSim::shouldServeAnExistingDevice()
{
    PtyPair line; // stands in for a serial device
    QVERIFY2(line.isOpen(), qPrintable(line.errorString()));

    MeterSim sim;
    QVERIFY(sim.start({"--device", line.slavePath(), "--baud", "9600", "--parity", "N"}));
    QCOMPARE(sim.path(), line.slavePath());
    QVERIFY(line.write(kCj188ReadAddress));
    QCOMPARE(HexLine(line.read(int(kCj188AddressReply.size()))), HexLine(kCj188AddressReply));
    QVERIFY(sim.signalAndWait(SIGTERM));
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestMeterSim::shouldExitWithAMessageWhenItCannotStart_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("bad option") << QStringList{"--split", "0"} << 2;
    QTest::newRow("missing device") << QStringList{"--device", "/nonexistent/tty"} << 1;
}

void TestMeterSim::shouldExitWithAMessageWhenItCannotStart()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);

    QProcess process;
    process.start(QStringLiteral(METERSIM_PATH), options);
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    QCOMPARE(process.readAllStandardOutput(), QByteArray());
    QVERIFY(process.readAllStandardError().startsWith("metersim: "));
}

QTEST_GUILESS_MAIN(TestMeterSim)
#include "tst_metersim.moc"
