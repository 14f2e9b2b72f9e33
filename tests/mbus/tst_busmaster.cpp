// The bus master's scans, searches and reads against the simulator's bus of meters, on a line
// whose clock advances by the bytes' transmission time and the time-outs.

#include "busmaster.h"
#include "mbus.h"
#include "metersimulator.h"

#include <QTest>

namespace {

// A line to the simulated meters: what they send comes back at once; the clock advances by 11 bit
// times per byte, and by the time-out when nothing comes.
class SimulatedLine : public MbusLine
{
public:
    explicit SimulatedLine(const QList<MeterMbusConfig> &meters)
    {
        m_bus.setMbusMeters(meters);
        silent = meters.isEmpty();
        m_bus.setClock([] { return QDateTime(QDate(2026, 12, 9), QTime(12, 0)); });
    }

    MbusResult exchange(const QByteArray &request, int timeoutMs) override
    {
        ++requests;
        m_nowMs += byteTimeMs(request.size());
        MbusAnswerWait wait(request, timeoutMs, m_nowMs);
        QByteArray reply;
        if (!silent) {
            for (const MeterExchange &e : m_bus.feed(request))
                reply += e.reply;
        }
        if (!reply.isEmpty())
            wait.feed(reply, m_nowMs += byteTimeMs(reply.size()));
        else
            m_nowMs = wait.deadline();
        return {wait.answer(), wait.bytes(), m_nowMs, 0};
    }
    qint64 nowMs() const override { return m_nowMs; }

    MeterSimulator m_bus;
    bool silent = false;
    int requests = 0;

private:
    static qint64 byteTimeMs(qsizetype bytes) { return bytes * 11 * 1000 / 2400; }
    qint64 m_nowMs = 0;
};

MeterMbusConfig Meter(int primary, std::uint32_t id, std::uint16_t maker = 0x15AC,
                      std::uint8_t version = 1, std::uint8_t medium = 7, int telegrams = 1)
{
    MeterMbusConfig m;
    m.primaryAddress = std::uint8_t(primary);
    m.identification = id;
    m.manufacturer = maker;
    m.version = version;
    m.medium = medium;
    m.telegrams = telegrams;
    m.tracksFcb = true;
    return m;
}

QString Secondary(const MeterMbusConfig &m)
{
    return MbusSecondaryAddress{
        std::uint32_t(QString::number(m.identification).toUInt(nullptr, 16)), m.manufacturer,
        m.version, m.medium}
        .text();
}

const MbusBusOptions kOptions{MbusReplyTimeoutMs(2400), 1, 0, 16};

} // namespace

using Meters = QList<MeterMbusConfig>;

class TestBusMaster : public QObject
{
    Q_OBJECT
private slots:
    void searchFindsEachMeterOnce_data()
    {
        QTest::addColumn<Meters>("meters");
        QTest::newRow("no meter") << Meters{};
        QTest::newRow("one meter") << Meters{Meter(0, 12345678)};
        QTest::newRow("long shared prefix") << Meters{Meter(0, 12345670), Meter(0, 12345671),
                                                      Meter(3, 12345679), Meter(4, 12300000)};
        QTest::newRow("same number, other version")
            << Meters{Meter(0, 11110000, 0x15AC, 1), Meter(0, 11110000, 0x15AC, 2)};
        QTest::newRow("same number, other medium")
            << Meters{Meter(0, 11110000, 0x15AC, 1, 4), Meter(0, 11110000, 0x15AC, 1, 7)};
        QTest::newRow("same number, other maker with hex digits") << Meters{
            Meter(0, 11110000, 0x15AC), Meter(0, 11110000, 0x2C2D), Meter(1, 22220000, 0xB0B0)};
    }
    void searchFindsEachMeterOnce()
    {
        QFETCH(Meters, meters);
        SimulatedLine line(meters);
        MbusBusMaster master(line, kOptions);
        const QList<MbusFoundMeter> found = master.searchSecondary(MbusSecondaryAddress{});
        QStringList expected;
        for (const MeterMbusConfig &m : meters)
            expected << Secondary(m);
        QStringList seen;
        for (const MbusFoundMeter &f : found) {
            QVERIFY(!f.collision);
            seen << f.address.text();
        }
        expected.sort();
        seen.sort();
        QCOMPARE(seen, expected);
    }

    void identicalAddressesAreReportedAsCollision()
    {
        SimulatedLine line({Meter(0, 11110000), Meter(1, 11110000)});
        MbusBusMaster master(line, kOptions);
        const QList<MbusFoundMeter> found = master.searchSecondary(MbusSecondaryAddress{});
        QCOMPARE(found.size(), 1);
        QVERIFY(found[0].collision);
        QCOMPARE(found[0].address.text(), QStringLiteral("1111000015AC0107"));
    }

    void primaryScan_data()
    {
        QTest::addColumn<MbusScanMethod>("method");
        QTest::newRow("SND_NKE") << MbusScanMethod::Nke;
        QTest::newRow("REQ_UD2") << MbusScanMethod::Ud2;
    }
    void primaryScan()
    {
        QFETCH(MbusScanMethod, method);
        SimulatedLine line(
            {Meter(0, 11111111), Meter(0, 22222222), Meter(5, 33333333), Meter(250, 44444444)});
        MbusBusMaster master(line, kOptions);
        QStringList progress;
        master.setProgress([&](int done, int total, const QString &current) {
            progress << QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(current);
        });
        const QList<MbusFoundMeter> found = master.scanPrimary(0, 250, method);
        QCOMPARE(found.size(), 3);
        QCOMPARE(found[0].primary, 0);
        QVERIFY(found[0].collision);
        QCOMPARE(found[1].primary, 5);
        QCOMPARE(found[1].address.text(), QStringLiteral("3333333315AC0107"));
        QCOMPARE(found[2].primary, 250);
        QCOMPARE(progress.size(), 251);
        QCOMPARE(progress.last(), QStringLiteral("251/251 250"));
        // An empty address costs its request and the time-out, nothing more.
        QCOMPARE(master.requestCount(), 248 + (method == MbusScanMethod::Nke ? 5 : 3));
    }

    void cancelledScanKeepsWhatItFound()
    {
        SimulatedLine line({Meter(1, 11111111), Meter(9, 22222222)});
        MbusBusMaster master(line, kOptions);
        master.setProgress([&](int, int, const QString &current) {
            if (current == QLatin1String("5"))
                master.cancel();
        });
        const QList<MbusFoundMeter> found = master.scanPrimary(0, 250, MbusScanMethod::Ud2);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].primary, 1);
        QVERIFY(master.cancelled());
    }

    void readsEveryTelegram_data()
    {
        QTest::addColumn<bool>("bySecondary");
        QTest::addColumn<int>("bound");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("boundReached");
        QTest::newRow("primary") << false << 16 << 3 << false;
        QTest::newRow("secondary") << true << 16 << 3 << false;
        QTest::newRow("bound") << false << 2 << 2 << true;
    }
    void readsEveryTelegram()
    {
        QFETCH(bool, bySecondary);
        QFETCH(int, bound);
        QFETCH(int, frames);
        QFETCH(bool, boundReached);
        const MeterMbusConfig meter = Meter(0, 12345678, 0x15AC, 1, 7, 3);
        SimulatedLine line({meter, Meter(0, 12345679)});
        MbusBusMaster master(line, {kOptions.timeoutMs, 1, 0, bound});
        const MbusTelegrams read =
            bySecondary ? master.readSecondary(*ParseMbusSecondaryAddress(Secondary(meter)))
                        : MbusTelegrams{};
        const MbusTelegrams byPrimary = bySecondary ? read : [&] {
            SimulatedLine alone({meter});
            MbusBusMaster m(alone, {kOptions.timeoutMs, 1, 0, bound});
            return m.readAll(0);
        }();
        QCOMPARE(byPrimary.frames.size(), frames);
        QCOMPARE(byPrimary.boundReached, boundReached);
        // Each telegram is a new one: the access numbers count up.
        for (qsizetype i = 1; i < byPrimary.frames.size(); ++i)
            QCOMPARE(std::uint8_t(byPrimary.frames[i][15]),
                     std::uint8_t(byPrimary.frames[i - 1][15] + 1));
        QCOMPARE(MbusFrameHasMore(byPrimary.frames.last()), boundReached);
    }

    void retriesOnlySilence_data()
    {
        QTest::addColumn<int>("retries");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<MbusAnswer>("answer");
        QTest::newRow("silent, default retries") << 1 << true << 2 << MbusAnswer::None;
        QTest::newRow("silent, no retry") << 0 << true << 1 << MbusAnswer::None;
        QTest::newRow("silent, three retries") << 3 << true << 4 << MbusAnswer::None;
        QTest::newRow("collision is not retried") << 3 << false << 1 << MbusAnswer::Collision;
    }
    void retriesOnlySilence()
    {
        QFETCH(int, retries);
        QFETCH(bool, silent);
        QFETCH(int, attempts);
        QFETCH(MbusAnswer, answer);
        SimulatedLine line({Meter(0, 1), Meter(0, 2)});
        line.silent = silent;
        MbusBusMaster master(line, {kOptions.timeoutMs, retries, 0, 16});
        const MbusResult r = master.request(MbusReqUd2(0, true));
        QCOMPARE(r.attempts, attempts);
        QCOMPARE(r.answer, answer);
    }

    void serviceCommands()
    {
        SimulatedLine line({Meter(0, 11111111), Meter(0, 22222222)});
        MbusBusMaster master(line, kOptions);
        const auto second = *ParseMbusSecondaryAddress(QStringLiteral("2222222215AC0107"));
        const auto setTo = [](std::uint8_t to) {
            return [to](std::uint8_t a) { return MbusSetPrimaryAddress(a, to); };
        };
        // At the shared primary address both answer: a collision, not "no meter". By secondary
        // address just one answers.
        QCOMPARE(master
                     .command(
                         std::nullopt,
                         [](std::uint8_t a) { return MbusApplicationReset(a, std::nullopt); }, 0)
                     .answer,
                 MbusAnswer::Collision);
        QCOMPARE(master.command(second, setTo(7), 0).answer, MbusAnswer::Ack);
        QCOMPARE(line.m_bus.mbusMeters()[1].primaryAddress(), 7);
        QCOMPARE(line.m_bus.mbusMeters()[0].primaryAddress(), 0);
        QCOMPARE(master
                     .command(
                         std::nullopt,
                         [](std::uint8_t a) { return MbusSwitchBaud(a, *MbusBaudCi(9600)); }, 7)
                     .answer,
                 MbusAnswer::Ack);
        QCOMPARE(line.m_bus.mbusMeters()[1].baudRate(), 9600);
        // A selection nobody matches is no acknowledgement.
        const auto nobody = *ParseMbusSecondaryAddress(QStringLiteral("33333333FFFFFFFF"));
        QCOMPARE(master.command(nobody, setTo(8), 0).answer, MbusAnswer::None);
    }
};

QTEST_APPLESS_MAIN(TestBusMaster)
#include "tst_busmaster.moc"
