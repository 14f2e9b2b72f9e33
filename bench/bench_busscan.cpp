// M-Bus bus master speed against the line's own limit: a primary scan of 0 to 250 on a simulated
// bus (three meters and a collision at address 0) at 2400 and 9600 baud, and a secondary search
// over twelve meters whose numbers share prefixes, counting the probes.
//
// The line's limit for each address is the request's bytes at 11 bits each, the EN 13757-2
// time-out when nothing answers, and the answer's bytes when something does. The simulator's
// pseudo-terminal carries bytes at once, so the measured time is what the master adds to the
// time-outs it must wait out.

#include "busmaster.h"
#include "mbus.h"
#include "meterprocess.h"
#include "meterprotocols.h"
#include "metersession.h"
#include "sessionbusline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

const QStringList kScanBus{
    "--meter", "primary=0,id=10000001",  "--meter", "primary=0,id=10000002",
    "--meter", "primary=5,id=10000005",  "--meter", "primary=100,id=10000100",
    "--meter", "primary=200,id=10000200"};

QStringList SearchBus()
{
    const char *ids[] = {"12345670", "12345671", "12345672", "12345673", "12345600", "12345601",
                         "12340000", "12300000", "12000000", "99999999", "99999998", "12345679"};
    QStringList out;
    for (int i = 0; i < 12; ++i) {
        const QString maker = i % 2 ? QStringLiteral("ELS") : QStringLiteral("15AC");
        out << "--meter"
            << QStringLiteral("primary=%1,id=%2,maker=%3").arg(i % 3).arg(ids[i]).arg(maker);
    }
    return out;
}

// A session on the simulator's device at `baud`; nullptr when it cannot be opened.
std::unique_ptr<MeterSession> Open(MeterProcess &meter, int baud)
{
    const QString device = meter.path();
    auto session = std::make_unique<MeterSession>(
        [device] {
            PortMap map = PortMap::empty();
            map.set(1, device);
            return map;
        },
        MeterProtocols());
    session->loadPortMap();
    if (session->open(1, QStringLiteral("%1,E,8,1").arg(baud)) != SerialComm::kNoError)
        return nullptr;
    return session;
}

double ByteTimeMs(qsizetype bytes, int baud)
{
    return bytes * 11 * 1000.0 / baud;
}

void Scan(const QString &metersim, int baud)
{
    MeterProcess meter(metersim);
    if (meter.start(kScanBus).isEmpty())
        return;
    auto session = Open(meter, baud);
    if (!session)
        return;
    SessionBusLine line(*session);
    const int timeoutMs = MbusReplyTimeoutMs(baud);
    MbusBusMaster master(line, {timeoutMs, 1, 0, 16});
    QElapsedTimer clock;
    clock.start();
    const QList<MbusFoundMeter> found = master.scanPrimary(0, 250, MbusScanMethod::Ud2);
    const double measured = double(clock.nsecsElapsed()) / 1e6;
    double limit = 0;
    for (int a = 0; a <= 250; ++a) {
        limit += ByteTimeMs(5, baud);
        const auto it = std::find_if(found.begin(), found.end(),
                                     [a](const MbusFoundMeter &m) { return m.primary == a; });
        limit += it == found.end() ? timeoutMs : ByteTimeMs(it->answerBytes, baud);
    }
    std::printf("primary scan 0-250 at %5d baud: %d found, %.0f ms measured, %.0f ms line limit "
                "(%+.1f %%)\n",
                baud, int(found.size()), measured, limit, (measured / limit - 1) * 100);
}

void Search(const QString &metersim, int baud)
{
    MeterProcess meter(metersim);
    if (meter.start(SearchBus()).isEmpty())
        return;
    auto session = Open(meter, baud);
    if (!session)
        return;
    SessionBusLine line(*session);
    MbusBusMaster master(line, {MbusReplyTimeoutMs(baud), 1, 0, 16});
    QElapsedTimer clock;
    clock.start();
    const QList<MbusFoundMeter> found = master.searchSecondary(MbusSecondaryAddress{});
    std::printf("secondary search at %d baud: %d of 12 meters found, %d requests, %.0f ms\n", baud,
                int(found.size()), master.requestCount(), double(clock.elapsed()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString metersim =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(METERSIM_PATH);
    Scan(metersim, 2400);
    Scan(metersim, 9600);
    Search(metersim, 9600);
    return 0;
}
