#include "buscommands.h"

#include "busmaster.h"
#include "cliarguments.h"
#include "conversions.h"
#include "decodedreply.h"
#include "mbus.h"
#include "mbusdecoder.h"
#include "meterprotocols.h"
#include "metersession.h"
#include "portmaploader.h"
#include "sessionbusline.h"
#include "trafficlog.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

enum BusStatus {
    kDone = 0,
    kNoAnswer = 1,
    kFailedCheck = 2,
    kCollision = 3,
    kUsage = 64,
    kIoError = 74,
};

const QStringList kCommands = {QStringLiteral("ping"),           QStringLiteral("scan"),
                               QStringLiteral("scan-secondary"), QStringLiteral("set-address"),
                               QStringLiteral("reset"),          QStringLiteral("switch-baud")};

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray line = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

int Failed(int status, const QString &message)
{
    Print(stderr, QStringLiteral("meterdesk-cli: ") + message);
    return status;
}

// `object` with the local time `at` (by default now) as "time".
void PrintJson(QJsonObject object, const QDateTime &at = QDateTime::currentDateTime())
{
    object.insert(QStringLiteral("time"), at.toString(Qt::ISODateWithMs));
    Print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

struct Options
{
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("COM1 to COM20, or a device."),
                            QStringLiteral("PORT")};
    QCommandLineOption baud{QStringLiteral("baud"), QStringLiteral("Baud rate (default 2400)."),
                            QStringLiteral("N"), QStringLiteral("2400")};
    QCommandLineOption parity{QStringLiteral("parity"), QStringLiteral("N, E or O (default E)."),
                              QStringLiteral("P"), QStringLiteral("E")};
    QCommandLineOption protocol{QStringLiteral("protocol"), QStringLiteral("mbus."),
                                QStringLiteral("NAME"), QStringLiteral("mbus")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Wait for an answer (default: EN 13757-2's at the "
                                              "baud rate)."),
                               QStringLiteral("MS")};
    QCommandLineOption retries{QStringLiteral("retries"),
                               QStringLiteral("Attempts after no answer, 0-9 (default 1)."),
                               QStringLiteral("N"), QStringLiteral("1")};
    QCommandLineOption log{QStringLiteral("log"), QStringLiteral("Append the traffic to FILE."),
                           QStringLiteral("FILE")};
    QCommandLineOption from{QStringLiteral("from"), QStringLiteral("First address (default 0)."),
                            QStringLiteral("N"), QStringLiteral("0")};
    QCommandLineOption to{QStringLiteral("to"),
                          QStringLiteral("scan: last address (default 250); switch-baud: rate."),
                          QStringLiteral("N")};
    QCommandLineOption method{QStringLiteral("method"), QStringLiteral("nke or ud2 (default nke)."),
                              QStringLiteral("M"), QStringLiteral("nke")};
    QCommandLineOption mask{QStringLiteral("mask"),
                            QStringLiteral("Secondary search mask, 16 hex digits."),
                            QStringLiteral("HEX16"), QStringLiteral("FFFFFFFFFFFFFFFF")};
    QCommandLineOption secondary{QStringLiteral("secondary"),
                                 QStringLiteral("The meter's secondary address, 16 hex digits."),
                                 QStringLiteral("HEX16")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("The meter's primary address 0-255 (default 254)."),
                               QStringLiteral("N"), QStringLiteral("254")};
    QCommandLineOption newAddress{QStringLiteral("new"), QStringLiteral("New primary address."),
                                  QStringLiteral("N")};
    QCommandLineOption subcode{QStringLiteral("subcode"),
                               QStringLiteral("reset: the application reset's subcode, hex."),
                               QStringLiteral("HH")};
    QCommandLineOption allTelegrams{QStringLiteral("all-telegrams"),
                                    QStringLiteral("read: every telegram (FCB toggled).")};
    QCommandLineOption maxTelegrams{QStringLiteral("max-telegrams"),
                                    QStringLiteral("read: at most N telegrams (default 16)."),
                                    QStringLiteral("N"), QStringLiteral("16")};
};

// Every option the bus commands accept, in the order --help lists them.
QList<QCommandLineOption> AllOptions(const Options &o)
{
    return {o.address,    o.secondary, o.from,         o.to,           o.method, o.mask,
            o.newAddress, o.subcode,   o.allTelegrams, o.maxTelegrams, o.port,   o.baud,
            o.parity,     o.protocol,  o.timeout,      o.retries,      o.log};
}

// The checked command line of one bus command.
struct BusRun
{
    QString command;
    MeterSession::PortMapSource ports;
    int port = 1;
    QString settings;
    int baud = 2400;
    MbusBusOptions bus;
    QString logPath;
    std::optional<MbusSecondaryAddress> secondary;
    int primary = 254;
    // The command's own options.
    int from = 0;
    int to = kMbusLastPrimary;
    MbusScanMethod method = MbusScanMethod::Nke;
    MbusSecondaryAddress mask;
    int newAddress = 0;
    std::optional<std::uint8_t> subcode;
    std::uint8_t baudCi = 0;
};

QString ReadLine(const QCommandLineParser &p, const Options &o, BusRun &run)
{
    const auto line =
        ReadLineArgument(run.command, p.value(o.port), p.value(o.baud), p.value(o.parity));
    if (const auto *error = std::get_if<QString>(&line))
        return *error;
    const LineArgument &argument = std::get<LineArgument>(line);
    run.port = argument.port.port;
    run.ports = argument.port.ports;
    run.baud = argument.baud;
    run.settings = argument.settings;
    return {};
}

QString ReadBus(const QCommandLineParser &p, const Options &o, BusRun &run)
{
    const auto timeout = p.isSet(o.timeout) ? PlainNumber(p.value(o.timeout), 1, 600000)
                                            : std::optional<int>(MbusReplyTimeoutMs(run.baud));
    const auto retries = PlainNumber(p.value(o.retries), 0, 9);
    const auto most = PlainNumber(p.value(o.maxTelegrams), 1, 255);
    if (!timeout)
        return QStringLiteral("invalid value for --timeout: %1").arg(p.value(o.timeout));
    if (!retries)
        return QStringLiteral("invalid value for --retries: %1").arg(p.value(o.retries));
    if (!most)
        return QStringLiteral("invalid value for --max-telegrams: %1").arg(p.value(o.maxTelegrams));
    // Scans retry silent probes only when asked to: there silence is the usual answer.
    run.bus = {*timeout, *retries, p.isSet(o.retries) ? *retries : 0, *most};
    run.logPath = p.value(o.log);
    if (p.isSet(o.secondary)) {
        run.secondary = ParseMbusSecondaryAddress(p.value(o.secondary));
        if (!run.secondary)
            return QStringLiteral("invalid value for --secondary: %1 (16 hex digits, the first "
                                  "eight 0-9 or F)")
                .arg(p.value(o.secondary));
    }
    const auto primary = PlainNumber(p.value(o.address), 0, 255);
    if (!primary)
        return QStringLiteral("invalid value for --address: %1").arg(p.value(o.address));
    run.primary = *primary;
    return {};
}

QString ReadScan(const QCommandLineParser &p, const Options &o, BusRun &run)
{
    const auto from = PlainNumber(p.value(o.from), 0, 255);
    const auto to = PlainNumber(p.isSet(o.to) ? p.value(o.to) : QStringLiteral("250"), 0, 255);
    const QString method = p.value(o.method);
    if (!from || !to || *from > *to)
        return QStringLiteral("scan needs --from and --to from 0 to 255, --from not above --to");
    if (method != QLatin1String("nke") && method != QLatin1String("ud2"))
        return QStringLiteral("invalid value for --method: %1").arg(method);
    run.from = *from;
    run.to = *to;
    run.method = method == QLatin1String("nke") ? MbusScanMethod::Nke : MbusScanMethod::Ud2;
    return {};
}

// The options of the command itself, read before the port opens.
QString ReadCommand(const QCommandLineParser &p, const Options &o, BusRun &run)
{
    if (run.command == QLatin1String("scan"))
        return ReadScan(p, o, run);
    if (run.command == QLatin1String("scan-secondary")) {
        const auto mask = ParseMbusSecondaryAddress(p.value(o.mask));
        if (!mask)
            return QStringLiteral("invalid value for --mask: %1 (16 hex digits, the first eight "
                                  "0-9 or F)")
                .arg(p.value(o.mask));
        run.mask = *mask;
    } else if (run.command == QLatin1String("set-address")) {
        const auto to = PlainNumber(p.value(o.newAddress), 0, kMbusLastPrimary);
        if (!to)
            return QStringLiteral("set-address needs --new from 0 to 250");
        run.newAddress = *to;
    } else if (run.command == QLatin1String("reset") && p.isSet(o.subcode)) {
        bool ok = false;
        run.subcode = std::uint8_t(p.value(o.subcode).toUInt(&ok, 16));
        if (!ok || p.value(o.subcode).size() > 2)
            return QStringLiteral("invalid value for --subcode: %1").arg(p.value(o.subcode));
    } else if (run.command == QLatin1String("switch-baud")) {
        const auto ci = MbusBaudCi(PlainNumber(p.value(o.to), 1, 38400).value_or(0));
        if (!ci)
            return QStringLiteral("switch-baud needs --to 300, 600, 1200, 2400, 4800, 9600, "
                                  "19200 or 38400");
        run.baudCi = *ci;
    }
    return {};
}

QJsonObject MeterJson(const MbusFoundMeter &meter)
{
    QJsonObject o;
    o.insert(QStringLiteral("event"),
             meter.collision ? QStringLiteral("collision") : QStringLiteral("meter"));
    if (meter.primary >= 0)
        o.insert(QStringLiteral("primary"), meter.primary);
    if (!meter.collision || meter.primary < 0) {
        o.insert(QStringLiteral("secondary"), meter.address.text());
        o.insert(QStringLiteral("manufacturer"),
                 MbusManufacturerLetters(meter.address.manufacturer));
        o.insert(QStringLiteral("version"), meter.address.version);
        o.insert(QStringLiteral("medium"), meter.address.medium);
    }
    o.insert(QStringLiteral("found_by"), meter.how);
    return o;
}

// One line per meter, timed when it was found; 1 when none answered, 3 when meters collided, 0
// otherwise.
int PrintFound(const QList<MbusFoundMeter> &found, const MbusBusMaster &master,
               const MbusLine &line)
{
    int status = found.isEmpty() ? kNoAnswer : kDone;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 nowMs = line.nowMs();
    for (const MbusFoundMeter &meter : found) {
        PrintJson(MeterJson(meter), now.addMSecs(meter.atMs - nowMs));
        if (meter.collision)
            status = kCollision;
    }
    if (master.cancelled())
        Print(stderr,
              QStringLiteral("meterdesk-cli: cancelled; the meters found so far are listed"));
    return status;
}

// The outcome of a command the meter acknowledges with E5.
int PrintAnswer(const QString &command, const MbusResult &result)
{
    QJsonObject o;
    o.insert(QStringLiteral("event"), MbusAnswerName(result.answer));
    o.insert(QStringLiteral("command"), command);
    o.insert(QStringLiteral("attempts"), result.attempts);
    PrintJson(o);
    switch (result.answer) {
    case MbusAnswer::Ack:
        return kDone;
    case MbusAnswer::None:
        return Failed(kNoAnswer, QStringLiteral("no meter answered; check the address, the wiring "
                                                "and the baud rate, or raise --timeout"));
    case MbusAnswer::Collision:
        return Failed(kCollision, QStringLiteral("several meters answered at once (collision); "
                                                 "address one meter by --secondary"));
    case MbusAnswer::Frame:
        break;
    }
    return Failed(kFailedCheck, QStringLiteral("the meter sent a frame instead of E5"));
}

int PrintTelegrams(const MbusTelegrams &read)
{
    for (qsizetype i = 0; i < read.frames.size(); ++i) {
        QJsonObject o =
            QJsonDocument::fromJson(DecodedReplyJson(MbusDecodeReply(read.frames[i])).toUtf8())
                .object();
        o.insert(QStringLiteral("telegram"), int(i + 1));
        PrintJson(o);
    }
    if (read.boundReached) {
        Print(stderr, QStringLiteral("meterdesk-cli: the meter has more telegrams than "
                                     "--max-telegrams %1; the rest were not read")
                          .arg(read.frames.size()));
        return kDone;
    }
    if (read.last.answer == MbusAnswer::Frame)
        return kDone;
    return PrintAnswer(QStringLiteral("read"), read.last);
}

int Command(const BusRun &run, MbusBusMaster &master, const MbusLine &line)
{
    const auto primary = std::uint8_t(run.primary);
    if (run.command == QLatin1String("ping"))
        return PrintAnswer(run.command, master.command(run.secondary, &MbusSndNke, primary));
    if (run.command == QLatin1String("read"))
        return PrintTelegrams(run.secondary ? master.readSecondary(*run.secondary)
                                            : master.readAll(primary));
    if (run.command == QLatin1String("scan"))
        return PrintFound(master.scanPrimary(run.from, run.to, run.method), master, line);
    if (run.command == QLatin1String("scan-secondary"))
        return PrintFound(master.searchSecondary(run.mask), master, line);
    std::function<QByteArray(std::uint8_t)> frame;
    if (run.command == QLatin1String("set-address"))
        frame = [to = run.newAddress](std::uint8_t a) {
            return MbusSetPrimaryAddress(a, std::uint8_t(to));
        };
    else if (run.command == QLatin1String("reset"))
        frame = [subcode = run.subcode](std::uint8_t a) {
            return MbusApplicationReset(a, subcode);
        };
    else
        frame = [ci = run.baudCi](std::uint8_t a) { return MbusSwitchBaud(a, ci); };
    return PrintAnswer(run.command, master.command(run.secondary, frame, primary));
}

int Run(const BusRun &run)
{
    TrafficLog log;
    if (!run.logPath.isEmpty() && !log.open(run.logPath))
        return Failed(kIoError,
                      QStringLiteral("cannot write %1: %2").arg(run.logPath, log.errorString()));
    MeterSession session(run.ports, MeterProtocols());
    session.setTrafficLog(&log);
    session.loadPortMap();
    if (const int error = session.open(run.port, run.settings); error != SerialComm::kNoError)
        return Failed(kIoError, PortOpenFailureMessage(session, run.port, error));
    SessionBusLine line(session);
    MbusBusMaster master(line, run.bus);
    if (::isatty(STDERR_FILENO)) {
        master.setProgress([](int done, int total, const QString &current) {
            const QString count =
                total > 0 ? QStringLiteral("%1/%2").arg(done).arg(total) : QString::number(done);
            std::fprintf(stderr, "\r%s %s   ", qPrintable(count), qPrintable(current));
            std::fflush(stderr);
        });
    }
    const int status = Command(run, master, line);
    if (::isatty(STDERR_FILENO))
        std::fputs("\r\n", stderr);
    if (!log.failure().isEmpty())
        return Failed(
            kIoError,
            QStringLiteral("the traffic log could not be written (%1)").arg(log.failure()));
    return status;
}

} // namespace

QString BusCommandsHelp()
{
    QString text = QStringLiteral(
        "M-Bus bus commands (EN 13757-2/-3), one JSON line per meter, telegram or answer:\n"
        "  ping [--address N | --secondary HEX16]\n"
        "  scan [--from N] [--to M] [--method nke|ud2]\n"
        "  scan-secondary [--mask HEX16]\n"
        "  read --secondary HEX16 [--max-telegrams N]\n"
        "  read --all-telegrams --address N [--max-telegrams N]\n"
        "  set-address --address N|--secondary HEX16 --new N\n"
        "  reset [--address N | --secondary HEX16] [--subcode HH]\n"
        "  switch-baud --to B [--address N | --secondary HEX16]\n"
        "each with --port COMn|DEVICE [--baud N] [--parity P] [--timeout MS] [--retries N] "
        "[--log FILE].\n"
        "Exit status: 0 done, 1 no answer, 2 a reply that fails the check, 3 collision, "
        "64 usage error, 74 port or log file unusable.\n\n"
        "Options of the bus commands:\n");
    for (const QCommandLineOption &option : AllOptions(Options())) {
        QString name = QStringLiteral("--") + option.names().constFirst();
        if (!option.valueName().isEmpty())
            name += QStringLiteral(" <%1>").arg(option.valueName());
        text += QStringLiteral("  %1  %2\n").arg(name, -22).arg(option.description());
    }
    return text;
}

bool IsBusCommand(const QStringList &arguments)
{
    if (arguments.size() < 2)
        return false;
    if (kCommands.contains(arguments[1]))
        return true;
    return arguments[1] == QLatin1String("read") &&
           std::any_of(arguments.begin(), arguments.end(), [](const QString &a) {
               return a.startsWith(QLatin1String("--secondary")) ||
                      a == QLatin1String("--all-telegrams");
           });
}

int RunBusCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options o;
    parser.addOptions(AllOptions(o));
    if (!parser.parse(arguments))
        return Failed(kUsage, parser.errorText());
    BusRun run;
    run.command = arguments[1];
    if (parser.positionalArguments().size() != 1)
        return Failed(
            kUsage,
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().value(1)));
    if (parser.value(o.protocol) != QLatin1String("mbus"))
        return Failed(
            kUsage,
            QStringLiteral("%1 is an M-Bus command: --protocol must be mbus").arg(run.command));
    if (run.command == QLatin1String("read") && !parser.isSet(o.secondary) &&
        !parser.isSet(o.address))
        return Failed(kUsage,
                      QStringLiteral("read --all-telegrams needs --address or --secondary"));
    if (run.command == QLatin1String("set-address") && !parser.isSet(o.secondary) &&
        !parser.isSet(o.address))
        return Failed(kUsage, QStringLiteral("set-address needs --address or --secondary"));
    QString error = ReadLine(parser, o, run);
    if (error.isEmpty())
        error = ReadBus(parser, o, run);
    if (error.isEmpty())
        error = ReadCommand(parser, o, run);
    if (!error.isEmpty())
        return Failed(kUsage, error);
    return Run(run);
}
