// meterdesk-cli: decode meter replies and read meters from scripts and test benches.
//
//   meterdesk-cli decode --protocol mbus|cj188 HEX...
//   meterdesk-cli read --port COMn|DEVICE [--baud N] [--parity N|E|O] --protocol cj188
//                      --address DIGITS [--type HH] [--maker DIGITS] [options]
//   meterdesk-cli read --port COMn|DEVICE --protocol mbus --address N [options]
//   meterdesk-cli ping|scan|scan-secondary|set-address|reset|switch-baud --port ... [options]
//   meterdesk-cli read --secondary HEX16 | --all-telegrams ...   (the M-Bus bus commands)
//
// Each reply is printed as one line of JSON. Exit status: 0 checked reply, 1 no reply within the
// time-out, 2 a reply that fails the check, 3 collision (bus commands), 64 usage error, 74 port
// or log file unusable; each failure with one line on standard error.

#include "buscommands.h"
#include "cj188.h"
#include "cliarguments.h"
#include "conversions.h"
#include "decodedreply.h"
#include "framecheck.h"
#include "mbus.h"
#include "meterdeskversion.h"
#include "meterprotocols.h"
#include "metersession.h"
#include "portmaploader.h"
#include "trafficlog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <variant>

namespace {

enum ExitStatus {
    kChecked = 0,
    kNoReply = 1,
    kFailedCheck = 2,
    kUsage = 64,
    kIoError = 74,
};

struct Failure
{
    int status;
    QString message;
};

void PrintLine(std::FILE *stream, const QString &text)
{
    const QByteArray line = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

int Fail(const Failure &failure)
{
    PrintLine(stderr, QStringLiteral("meterdesk-cli: ") + failure.message);
    return failure.status;
}

// Everything `read` needs, checked.
struct ReadOptions
{
    const MeterProtocol *protocol = nullptr;
    // The devices behind the port numbers: the port map (files and built-in table) for COMn, or
    // just the device given on the command line, as COM1.
    MeterSession::PortMapSource ports;
    int port = 1;
    QString settings;
    // Builds the read-data request for the meter asked and sends it.
    std::function<void(TrafficState &)> request;
    int timeoutMs = 2000;
    int replyTimeoutMs = 0; // 0: the protocol's own
    int repeat = 1;
    double intervalS = 1.0;
    QString logPath;
};

// Whether `text` is `least` to `most` ASCII digits.
bool IsDigits(const QString &text, int least, int most)
{
    return text.size() >= least && text.size() <= most && IsDecimalDigits(text);
}

bool Matches(const QString &pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}

// Where the first frame of `protocol` starts in `bytes` whose bytes through the checksum have all
// arrived and which is not a request (the line's echo), or -1.
qsizetype CompleteReplyStart(const MeterProtocol &protocol, const QByteArray &bytes)
{
    const TrafficState::FrameLayout &layout = protocol.layout;
    for (qsizetype s = bytes.indexOf(char(0x68)); s >= 0; s = bytes.indexOf(char(0x68), s + 1)) {
        if (s + layout.lengthPos >= bytes.size())
            break;
        const int size = protocol.sizeThroughChecksum(std::uint8_t(bytes[s + layout.lengthPos]));
        if (s + size > bytes.size())
            continue;
        const auto *frame = reinterpret_cast<const std::uint8_t *>(bytes.constData() + s);
        if (!layout.isRequest || !layout.isRequest(frame))
            return s;
    }
    return -1;
}

// `json`, an object, with the local time it is printed at ("time") as its first member.
QString Timed(const QString &json)
{
    const QString now = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
    return QStringLiteral("{\"time\":\"%1\"%2")
               .arg(now, json.size() > 2 ? QStringLiteral(",") : QString()) +
           json.mid(1);
}

// Reads the meter through the meter session: sends the request and waits for the checked reply
// the session reports, or for the time-out.
class MeterReader
{
public:
    MeterReader(const ReadOptions &options, MeterSession &session)
        : m_options(options), m_session(session)
    {
        QObject::connect(&session, &MeterSession::received,
                         [this](const QByteArray &bytes) { m_received += bytes; });
        QObject::connect(&session, &MeterSession::checkedReply,
                         [this](quint8, const QByteArray &, const DecodedReply &reply) {
                             m_reply = reply;
                             m_checked = true;
                         });
        // The session's reply time-out ends the exchange, --timeout at the latest.
        QObject::connect(&session, &MeterSession::replyOutcome,
                         [this](const ReplyOutcome &outcome, const ReplyStatistics &) {
                             m_outcome = outcome;
                             m_ended = true;
                             if (m_loop)
                                 m_loop->quit();
                         });
    }

    // One exchange: request, then the reply or the time-out. Prints the JSON of a reply.
    int readOnce()
    {
        m_received.clear();
        m_checked = false;
        m_ended = false;
        m_outcome = {};
        m_options.request(m_session.traffic());

        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(m_options.timeoutMs, &loop, &QEventLoop::quit);
        if (!m_ended)
            loop.exec();
        m_loop = nullptr;

        if (m_checked) {
            PrintLine(stdout, Timed(DecodedReplyJson(m_reply)));
            return kChecked;
        }
        if (m_outcome.verdict == ReplyVerdict::NotThisMeter)
            return Fail({kNoReply, QStringLiteral("a checked frame came, but not from the meter "
                                                  "asked: check --address")});
        if (m_received.isEmpty())
            return Fail(
                {kNoReply, QStringLiteral("no reply within %1 ms").arg(m_options.timeoutMs)});
        // A complete frame came and failed its checksum: show it, decoded as far as it goes.
        const qsizetype start = CompleteReplyStart(*m_options.protocol, m_received);
        if (start < 0)
            return Fail({kNoReply, QStringLiteral("no complete reply within %1 ms (%2 bytes)")
                                       .arg(m_options.timeoutMs)
                                       .arg(m_received.size())});
        // Whatever its checksum says, the recognizer did not take it for the reply.
        DecodedReply reply = m_options.protocol->decode(m_received.mid(start));
        reply.checked = false;
        PrintLine(stdout, Timed(DecodedReplyJson(reply)));
        return Fail({kFailedCheck, QStringLiteral("the reply failed the check")});
    }

private:
    const ReadOptions &m_options;
    MeterSession &m_session;
    QByteArray m_received;
    DecodedReply m_reply;
    bool m_checked = false;
    bool m_ended = false;
    ReplyOutcome m_outcome;
    QEventLoop *m_loop = nullptr;
};

struct Options
{
    QCommandLineOption protocol{QStringLiteral("protocol"), QStringLiteral("mbus or cj188."),
                                QStringLiteral("NAME")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("COM1 to COM20, or a serial device path."),
                            QStringLiteral("PORT")};
    QCommandLineOption baud{QStringLiteral("baud"), QStringLiteral("Baud rate (default 2400)."),
                            QStringLiteral("N"), QStringLiteral("2400")};
    QCommandLineOption parity{QStringLiteral("parity"),
                              QStringLiteral("N, E or O (default E); 8 data bits, 1 stop bit."),
                              QStringLiteral("P"), QStringLiteral("E")};
    QCommandLineOption address{QStringLiteral("address"),
                               QStringLiteral("cj188: up to ten digits; mbus: primary address "
                                              "0 to 255, decimal."),
                               QStringLiteral("ADDRESS")};
    QCommandLineOption type{QStringLiteral("type"),
                            QStringLiteral("cj188 meter type, two digits (default 10)."),
                            QStringLiteral("HH"), QStringLiteral("10")};
    QCommandLineOption maker{QStringLiteral("maker"),
                             QStringLiteral("cj188 manufacturer code, four digits (default "
                                            "3378)."),
                             QStringLiteral("DIGITS"), QStringLiteral("3378")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Time to wait for a reply (default 2000)."),
                               QStringLiteral("MS"), QStringLiteral("2000")};
    QCommandLineOption replyTimeout{
        QStringLiteral("reply-timeout"),
        QStringLiteral("Time a meter may take to start its reply, from the last request byte "
                       "(default: cj188 1000, mbus 330 bit times + 50)."),
        QStringLiteral("MS")};
    QCommandLineOption repeat{QStringLiteral("repeat"), QStringLiteral("Read N times (default 1)."),
                              QStringLiteral("N"), QStringLiteral("1")};
    QCommandLineOption interval{QStringLiteral("interval"),
                                QStringLiteral("Seconds from one read to the next (default 1)."),
                                QStringLiteral("S"), QStringLiteral("1")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Append every chunk sent and received to FILE."),
                           QStringLiteral("FILE")};
};

QString InvalidValue(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    return QStringLiteral("invalid value for --%1: %2")
        .arg(option.names().constFirst(), parser.value(option));
}

// A count of 1 to 999999999 in plain decimal digits (no sign, no blanks, nothing after it).
std::optional<int> CountOption(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    return PlainNumber(parser.value(option), 1, 999999999);
}

// Seconds from 0 to one day as plain decimal digits with an optional fraction ("0.2", "30"): no
// sign, exponent, NaN or infinity.
std::optional<double> SecondsOption(const QCommandLineParser &parser,
                                    const QCommandLineOption &option)
{
    constexpr double kOneDay = 86400;
    const QString text = parser.value(option);
    if (!Matches(QStringLiteral("[0-9]{1,5}(\\.[0-9]{1,6})?"), text))
        return std::nullopt;
    const double seconds = text.toDouble();
    return seconds <= kOneDay ? std::optional<double>(seconds) : std::nullopt;
}

// The CJ/T 188 meter from --address, --type and --maker; the usage message when one is invalid.
QString ReadCj188Meter(const QCommandLineParser &parser, const Options &o, ReadOptions &r)
{
    const QString address = parser.value(o.address);
    const QString type = parser.value(o.type);
    const QString maker = parser.value(o.maker);
    if (!IsDigits(address, 1, 10))
        return QStringLiteral("cj188 needs --address of one to ten digits");
    if (!IsDigits(type, 2, 2))
        return QStringLiteral("invalid value for --type: %1").arg(type);
    if (!IsDigits(maker, 4, 4))
        return QStringLiteral("invalid value for --maker: %1").arg(maker);
    const Cj188Meter meter{PairToByte(type),
                           Cj188AddressBytes(address),
                           {PairToByte(maker.left(2)), PairToByte(maker.mid(2))}};
    r.request = [meter](TrafficState &state) { Cj188ReadData(state, meter); };
    return {};
}

// The M-Bus primary address from --address; the usage message when it is invalid.
QString ReadMbusMeter(const QCommandLineParser &parser, const Options &o, ReadOptions &r)
{
    const QString address = parser.value(o.address);
    const int primary = address.toInt();
    if (!IsDigits(address, 1, 3) || primary > 255)
        return QStringLiteral("mbus needs --address from 0 to 255");
    r.request = [primary](TrafficState &state) { MbusReadData(state, std::uint8_t(primary)); };
    return {};
}

// How each protocol's meter is named on the command line.
struct MeterOptions
{
    const MeterProtocol *protocol;
    QString (*read)(const QCommandLineParser &parser, const Options &o, ReadOptions &r);
};
const MeterOptions kMeterOptions[] = {
    {&kCj188Protocol, &ReadCj188Meter},
    {&kMbusProtocol, &ReadMbusMeter},
};

// The meter of `r`'s protocol; the usage message when an option is invalid.
QString ReadMeter(const QCommandLineParser &parser, const Options &o, ReadOptions &r)
{
    for (const MeterOptions &options : kMeterOptions) {
        if (options.protocol == r.protocol)
            return options.read(parser, o, r);
    }
    return QStringLiteral("read does not know the protocol %1").arg(r.protocol->name);
}

// Where --port leads, into `r`; the usage message when it leads nowhere.
std::variant<ReadOptions, Failure> ParseRead(const QCommandLineParser &parser, const Options &o,
                                             const MeterProtocol &protocol)
{
    const auto usage = [](const QString &message) { return Failure{kUsage, message}; };
    ReadOptions r;
    r.protocol = &protocol;

    const auto line = ReadLineArgument(QStringLiteral("read"), parser.value(o.port),
                                       parser.value(o.baud), parser.value(o.parity));
    if (const auto *error = std::get_if<QString>(&line))
        return usage(*error);
    const LineArgument &argument = std::get<LineArgument>(line);
    r.port = argument.port.port;
    r.ports = argument.port.ports;
    r.settings = argument.settings;

    if (const QString error = ReadMeter(parser, o, r); !error.isEmpty())
        return usage(error);

    const auto timeoutMs = CountOption(parser, o.timeout);
    const auto repeat = CountOption(parser, o.repeat);
    const auto intervalS = SecondsOption(parser, o.interval);
    if (!timeoutMs)
        return usage(InvalidValue(parser, o.timeout));
    if (!repeat)
        return usage(InvalidValue(parser, o.repeat));
    if (!intervalS)
        return usage(InvalidValue(parser, o.interval));
    r.timeoutMs = *timeoutMs;
    if (parser.isSet(o.replyTimeout)) {
        const auto replyTimeoutMs = CountOption(parser, o.replyTimeout);
        if (!replyTimeoutMs)
            return usage(InvalidValue(parser, o.replyTimeout));
        r.replyTimeoutMs = *replyTimeoutMs;
    }
    r.repeat = *repeat;
    r.intervalS = *intervalS;
    r.logPath = parser.value(o.log);
    return r;
}

// With --repeat the status is the worst of all reads: a failed check over no reply over success.
int RunRead(const ReadOptions &options)
{
    TrafficLog log;
    if (!options.logPath.isEmpty() && !log.open(options.logPath))
        return Fail(
            {kIoError,
             QStringLiteral("cannot write %1: %2").arg(options.logPath, log.errorString())});
    MeterSession session(options.ports, MeterProtocols());
    session.setTrafficLog(&log);
    session.setReplyTimeoutMs(options.replyTimeoutMs);
    // A line with local echo returns the request, which would pass every check.
    session.traffic().setSkipRequests(true);
    // A log that can no longer be written is said at once; the run then ends with 74.
    QObject::connect(&log, &TrafficLog::failed, [](const QString &reason) {
        Fail({kIoError, QStringLiteral("the traffic log is no longer written (%1); make room "
                                       "on its disk or choose another --log file")
                            .arg(reason)});
    });
    session.loadPortMap();
    if (const int error = session.open(options.port, options.settings);
        error != SerialComm::kNoError)
        return Fail({kIoError, PortOpenFailureMessage(session, options.port, error)});
    MeterReader line(options, session);

    int worst = kChecked;
    for (int i = 0; i < options.repeat; ++i) {
        QElapsedTimer clock;
        clock.start();
        worst = std::max(worst, line.readOnce());
        if (i + 1 == options.repeat)
            break;
        const qint64 wait = qint64(options.intervalS * 1000) - clock.elapsed();
        if (wait > 0) {
            QEventLoop pause;
            QTimer::singleShot(int(wait), &pause, &QEventLoop::quit);
            pause.exec();
        }
    }
    if (options.repeat > 1) {
        const QJsonObject statistics{{QStringLiteral("statistics"), session.statistics().toJson()}};
        PrintLine(stdout, Timed(QString::fromUtf8(
                              QJsonDocument(statistics).toJson(QJsonDocument::Compact))));
    }
    return log.failure().isEmpty() ? worst : int(kIoError);
}

int RunDecode(const MeterProtocol &protocol, const QStringList &hexWords)
{
    const QString hex = hexWords.join(QString()).remove(QLatin1Char(' '));
    if (hex.isEmpty() || hex.size() % 2 != 0 || !Matches(QStringLiteral("[0-9A-Fa-f]*"), hex))
        return Fail({kUsage, QStringLiteral("decode needs the reply as hexadecimal bytes")});
    const QByteArray frame = QByteArray::fromHex(hex.toLatin1());
    DecodedReply reply = protocol.decode(frame);
    // Checked only under the rules the receive path applies, naming the first rule broken; the
    // decoder's own words are kept for a malformed header, which it names more closely.
    if (const FrameCheck check = CheckFrame(protocol, frame); check.broken != FrameRule::Holds) {
        reply.checked = false;
        if (check.broken != FrameRule::Header || reply.error.isEmpty())
            reply.error = check.error;
    }
    PrintLine(stdout, DecodedReplyJson(reply));
    return reply.checked ? kChecked
                         : Fail({kFailedCheck, QStringLiteral("the reply failed the check")});
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("meterdesk-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(METERDESK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Decodes CJ/T 188 and M-Bus replies and reads meters on a serial port.\n"
        "  decode --protocol mbus|cj188 HEX...\n"
        "  read --port COMn|DEVICE --protocol cj188 --address DIGITS [--type HH] [--maker "
        "DIGITS]\n"
        "  read --port COMn|DEVICE --protocol mbus --address N\n"
        "Exit status: 0 checked reply, 1 no reply, 2 reply failed the check, 64 usage error, "
        "74 port or log file unusable."));
    parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("decode or read, or a bus command (below)"));
    const Options o;
    parser.addOptions({o.protocol, o.port, o.baud, o.parity, o.address, o.type, o.maker, o.timeout,
                       o.replyTimeout, o.repeat, o.interval, o.log});
    // Help is asked for with any command, also with a bus command's options around it.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h")) ||
        arguments.contains(QStringLiteral("--help-all"))) {
        PrintLine(stdout, parser.helpText().trimmed() + QStringLiteral("\n\n") +
                              BusCommandsHelp().trimmed());
        return kChecked;
    }
    if (IsBusCommand(arguments))
        return RunBusCommand(arguments);
    if (!parser.parse(arguments))
        return Fail({kUsage, parser.errorText()});
    if (parser.isSet(versionOption))
        parser.showVersion();

    QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command != QLatin1String("decode") && command != QLatin1String("read"))
        return Fail({kUsage, QStringLiteral("expected the command decode or read (see --help)")});
    const MeterProtocol *protocol = FindMeterProtocol(parser.value(o.protocol));
    if (!protocol)
        return Fail({kUsage, QStringLiteral("--protocol must be mbus or cj188")});

    if (command == QLatin1String("decode"))
        return RunDecode(*protocol, args);
    if (!args.isEmpty())
        return Fail({kUsage, QStringLiteral("unexpected argument %1").arg(args.first())});
    const auto read = ParseRead(parser, o, *protocol);
    if (const auto *failure = std::get_if<Failure>(&read))
        return Fail(*failure);
    return RunRead(std::get<ReadOptions>(read));
}
