// meterdesk-cli: decode meter replies and read meters from scripts and test benches.
//
//   meterdesk-cli decode --protocol mbus|cj188 HEX...
//   meterdesk-cli read --port COMn|DEVICE [--baud N] [--parity N|E|O] --protocol cj188
//                      --address DIGITS [--type HH] [--maker DIGITS] [options]
//   meterdesk-cli read --port COMn|DEVICE --protocol mbus --address N [options]
//
// Each reply is printed as one line of JSON. Exit status: 0 checked reply, 1 no reply within the
// time-out, 2 a reply that fails the check, 64 usage error, 74 port or log file unusable; each
// failure with one line on standard error.

#include "cj188.h"
#include "cj188decoder.h"
#include "conversions.h"
#include "decodedreply.h"
#include "mbus.h"
#include "mbusdecoder.h"
#include "meterdeskversion.h"
#include "serialcomm.h"
#include "trafficlog.h"
#include "trafficstate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
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

enum class Protocol { Cj188, Mbus };

DecodedReply Decode(Protocol protocol, const QByteArray &frame)
{
    return protocol == Protocol::Cj188 ? Cj188DecodeReply(frame) : MbusDecodeReply(frame);
}

// Everything `read` needs, checked.
struct ReadOptions
{
    Protocol protocol = Protocol::Cj188;
    PortMap ports = PortMap::empty();
    int port = 1;
    QString settings;
    Cj188Fields cj188;
    QString mbusAddress; // as the window's address box holds it: hexadecimal
    int timeoutMs = 2000;
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

// The line to the meter: the window's port object and traffic state, with this class standing
// in for the window's text areas. Requests go out through the window's request builders.
class MeterLine : private NullTrafficView, private TrafficPort
{
public:
    MeterLine(const ReadOptions &options, TrafficLog &log)
        : m_options(options), m_comm(options.ports), m_traffic(this, this), m_log(log)
    {
        m_traffic.setRecognizer(kReplyCj188, Cj188RecognizeReply);
        m_traffic.setRecognizer(kReplyMbus, MbusRecognizeReply);
        QObject::connect(&m_comm, &SerialComm::OnComm, [this] { onComm(); });
    }

    std::optional<Failure> open()
    {
        m_comm.setInputMode(SerialComm::comInputModeBinary);
        m_comm.setRThreshold(1);
        m_comm.setInputLen(0);
        if (m_comm.setCommPort(m_options.port) != SerialComm::kNoError ||
            m_comm.setSettings(m_options.settings) != SerialComm::kNoError)
            return Failure{kUsage, QStringLiteral("invalid port or line settings")};
        if (const int error = m_comm.setPortOpen(true); error != SerialComm::kNoError)
            return Failure{kIoError, QStringLiteral("cannot open %1 (error %2)")
                                         .arg(m_comm.devicePath(m_options.port))
                                         .arg(error)};
        return std::nullopt;
    }

    // One exchange: request, then the reply or the time-out. Prints the JSON of a reply.
    int readOnce()
    {
        // Bytes left over from an earlier exchange would be taken for this one's answer.
        m_traffic.DiscardTo(m_traffic.RxWritePos);
        m_traffic.FramePos = 0;
        m_received.clear();
        m_checked = false;
        if (m_options.protocol == Protocol::Cj188)
            Cj188ReadData(m_traffic, m_options.cj188);
        else
            MbusReadData(m_traffic, m_options.mbusAddress);

        QEventLoop loop;
        m_done = [&loop] { loop.quit(); };
        QTimer::singleShot(m_options.timeoutMs, &loop, &QEventLoop::quit);
        if (!m_checked)
            loop.exec();
        m_done = nullptr;

        if (m_checked) {
            PrintLine(stdout, DecodedReplyJson(m_reply));
            return kChecked;
        }
        if (m_received.isEmpty())
            return Fail(
                {kNoReply, QStringLiteral("no reply within %1 ms").arg(m_options.timeoutMs)});
        // A complete frame came and failed its checksum: show it, decoded as far as it goes.
        const qsizetype start = completeFrameStart();
        if (start < 0)
            return Fail({kNoReply, QStringLiteral("no complete reply within %1 ms (%2 bytes)")
                                       .arg(m_options.timeoutMs)
                                       .arg(m_received.size())});
        PrintLine(stdout, DecodedReplyJson(Decode(m_options.protocol, m_received.mid(start))));
        return Fail({kFailedCheck, QStringLiteral("the reply failed the check")});
    }

private:
    // Where the first frame starts whose bytes through the checksum have all arrived, or -1.
    qsizetype completeFrameStart() const
    {
        // The length field: CJ/T 188 L at 10, checksum after L data bytes; M-Bus L at 2.
        const bool cj188 = m_options.protocol == Protocol::Cj188;
        const int lengthPos = cj188 ? 10 : 2;
        const int overhead = cj188 ? 12 : 5;
        for (qsizetype s = m_received.indexOf(char(0x68)); s >= 0;
             s = m_received.indexOf(char(0x68), s + 1)) {
            if (s + lengthPos < m_received.size() &&
                s + overhead + std::uint8_t(m_received[s + lengthPos]) <= m_received.size())
                return s;
        }
        return -1;
    }

    void onComm()
    {
        if (m_comm.CommEvent() != SerialComm::comEvReceive)
            return;
        const QByteArray input = m_comm.Input();
        m_log.received(input);
        m_received += input;
        m_traffic.ReceiveNotification(input);
    }

    // TrafficPort: a closed port needs no warning here, the write fails.
    bool isOpen() const override { return m_comm.PortOpen(); }
    void warnClosed() override {}
    bool write(const QByteArray &bytes) override
    {
        m_log.sent(bytes);
        return m_comm.Output(bytes) == SerialComm::kNoError;
    }

    // TrafficView: only the checked-reply report matters here.
    void showCheckedReply() override
    {
        const bool cj188 = m_options.protocol == Protocol::Cj188;
        const QByteArray frame = cj188 ? Cj188CheckedFrame(m_traffic) : MbusCheckedFrame(m_traffic);
        // A line with local echo returns the request itself, which passes the check too: a
        // CJ/T 188 frame without the reply bit in C is our own request, so keep listening.
        constexpr int kCj188Control = 9;
        if (cj188 && !(std::uint8_t(frame[kCj188Control]) & 0x80)) {
            QTimer::singleShot(0, [this] { rearm(); });
            return;
        }
        m_reply = Decode(m_options.protocol, frame);
        m_reply.checked = true;
        m_checked = true;
        if (m_done)
            m_done();
    }

    // Arms the recognizer again and lets it look at what is already waiting in the ring.
    void rearm()
    {
        m_traffic.ReplyMode = kReplyCj188;
        m_traffic.AwaitingReply = true;
        m_traffic.ReceiveNotification(QByteArray());
    }

    const ReadOptions &m_options;
    SerialComm m_comm;
    TrafficState m_traffic;
    TrafficLog &m_log;
    QByteArray m_received;
    DecodedReply m_reply;
    bool m_checked = false;
    std::function<void()> m_done;
};

std::optional<Protocol> ParseProtocol(const QString &text)
{
    if (text == QLatin1String("cj188"))
        return Protocol::Cj188;
    if (text == QLatin1String("mbus"))
        return Protocol::Mbus;
    return std::nullopt;
}

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
    QCommandLineOption repeat{QStringLiteral("repeat"), QStringLiteral("Read N times (default 1)."),
                              QStringLiteral("N"), QStringLiteral("1")};
    QCommandLineOption interval{QStringLiteral("interval"),
                                QStringLiteral("Seconds from one read to the next (default 1)."),
                                QStringLiteral("S"), QStringLiteral("1")};
    QCommandLineOption log{QStringLiteral("log"),
                           QStringLiteral("Append every chunk sent and received to FILE."),
                           QStringLiteral("FILE")};
};

// The meter's address of `r`'s protocol from --address, and for CJ/T 188 --type and --maker;
// the usage message when one is invalid, or nothing.
QString ReadMeterAddress(const QCommandLineParser &parser, const Options &o, ReadOptions &r)
{
    const QString address = parser.value(o.address);
    if (r.protocol == Protocol::Cj188) {
        const QString type = parser.value(o.type);
        const QString maker = parser.value(o.maker);
        if (!IsDigits(address, 1, 10))
            return QStringLiteral("cj188 needs --address of one to ten digits");
        if (!IsDigits(type, 2, 2))
            return QStringLiteral("invalid value for --type: %1").arg(type);
        if (!IsDigits(maker, 4, 4))
            return QStringLiteral("invalid value for --maker: %1").arg(maker);
        // The request builder reads the type from a list entry such as "冷水水表 - 10H".
        r.cj188 = Cj188Fields{QStringLiteral("仪表类型 - %1H").arg(type), address, maker.left(2),
                              maker.mid(2)};
        return {};
    }
    const int primary = address.toInt();
    if (!IsDigits(address, 1, 3) || primary > 255)
        return QStringLiteral("mbus needs --address from 0 to 255");
    r.mbusAddress = QString::number(primary, 16);
    return {};
}

std::variant<ReadOptions, Failure> ParseRead(const QCommandLineParser &parser, const Options &o,
                                             Protocol protocol)
{
    const auto usage = [](const QString &message) { return Failure{kUsage, message}; };
    ReadOptions r;
    r.protocol = protocol;

    const QString port = parser.value(o.port);
    if (port.isEmpty())
        return usage(QStringLiteral("read needs --port"));
    if (const auto m = QRegularExpression(QStringLiteral("^COM(\\d{1,2})$")).match(port);
        m.hasMatch()) {
        r.ports = PortMap::platformDefault();
        r.port = m.captured(1).toInt();
    } else {
        r.ports.set(1, port);
    }

    bool ok = false;
    const int baud = parser.value(o.baud).toInt(&ok);
    if (!ok || baud <= 0)
        return usage(QStringLiteral("invalid value for --baud: %1").arg(parser.value(o.baud)));
    const QString parity = parser.value(o.parity).toUpper();
    if (!Matches(QStringLiteral("[NEO]"), parity))
        return usage(QStringLiteral("invalid value for --parity: %1").arg(parser.value(o.parity)));
    r.settings = QStringLiteral("%1,%2,8,1").arg(baud).arg(parity);

    if (const QString error = ReadMeterAddress(parser, o, r); !error.isEmpty())
        return usage(error);

    r.timeoutMs = parser.value(o.timeout).toInt(&ok);
    if (!ok || r.timeoutMs <= 0)
        return usage(
            QStringLiteral("invalid value for --timeout: %1").arg(parser.value(o.timeout)));
    r.repeat = parser.value(o.repeat).toInt(&ok);
    if (!ok || r.repeat <= 0)
        return usage(QStringLiteral("invalid value for --repeat: %1").arg(parser.value(o.repeat)));
    r.intervalS = parser.value(o.interval).toDouble(&ok);
    if (!ok || r.intervalS < 0 || r.intervalS > 86400)
        return usage(
            QStringLiteral("invalid value for --interval: %1").arg(parser.value(o.interval)));
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
    // A log that can no longer be written is said at once; the run then ends with 74.
    QObject::connect(&log, &TrafficLog::failed, [](const QString &reason) {
        Fail({kIoError, QStringLiteral("the traffic log is no longer written (%1); make room "
                                       "on its disk or choose another --log file")
                            .arg(reason)});
    });
    MeterLine line(options, log);
    if (const auto failure = line.open())
        return Fail(*failure);

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
    return log.failure().isEmpty() ? worst : int(kIoError);
}

int RunDecode(Protocol protocol, const QStringList &hexWords)
{
    const QString hex = hexWords.join(QString()).remove(QLatin1Char(' '));
    if (hex.isEmpty() || hex.size() % 2 != 0 || !Matches(QStringLiteral("[0-9A-Fa-f]*"), hex))
        return Fail({kUsage, QStringLiteral("decode needs the reply as hexadecimal bytes")});
    const DecodedReply reply = Decode(protocol, QByteArray::fromHex(hex.toLatin1()));
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
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("decode or read"));
    const Options o;
    parser.addOptions({o.protocol, o.port, o.baud, o.parity, o.address, o.type, o.maker, o.timeout,
                       o.repeat, o.interval, o.log});
    if (!parser.parse(QCoreApplication::arguments()))
        return Fail({kUsage, parser.errorText()});
    if (parser.isSet(QStringLiteral("help"))) {
        PrintLine(stdout, parser.helpText().trimmed());
        return kChecked;
    }
    if (parser.isSet(versionOption))
        parser.showVersion();

    QStringList args = parser.positionalArguments();
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command != QLatin1String("decode") && command != QLatin1String("read"))
        return Fail({kUsage, QStringLiteral("expected the command decode or read (see --help)")});
    const auto protocol = ParseProtocol(parser.value(o.protocol));
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
