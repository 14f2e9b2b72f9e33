#include "metersimoptions.h"

#include "conversions.h"
#include "meterbusoptions.h"
#include "parityletter.h"

#include <QCommandLineParser>

namespace {

// The options as read so far, with the two parts of the CJ/T 188 address field kept apart
// until both are known.
struct Reading
{
    MeterSimOptions &options;
    QString cj188Address = QStringLiteral("0012345678");
    QString cj188Maker = QStringLiteral("3378");
};

// One to `maxSize` decimal digits.
bool IsDigits(const QString &text, int maxSize)
{
    return text.size() <= maxSize && IsDecimalDigits(text);
}

bool ReadParity(const QString &letter, QSerialPort::Parity &parity)
{
    const std::optional<QSerialPort::Parity> read = ParityFromLetter(letter);
    if (read)
        parity = *read;
    return read.has_value();
}

bool ReadCj188Type(const QString &text, std::uint8_t &type)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    if (!ok || text.size() != 2 || !Cj188TypeSupported(std::uint8_t(value)))
        return false;
    type = std::uint8_t(value);
    return true;
}

bool ReadPositive(const QString &text, int &number)
{
    bool ok = false;
    number = text.toInt(&ok);
    return ok && number > 0;
}

bool SetSwitch(bool &option)
{
    option = true;
    return true;
}

// An option as --help lists it and how its value, or its presence, goes into the options; false
// from `read` marks the value invalid.
struct OptionRow
{
    const char *name;
    const char *valueName; // nullptr for a switch
    const char *description;
    bool (*read)(const QString &value, Reading &reading);
};

const OptionRow kOptionRows[] = {
    {"device", "PATH", "Use the serial device PATH instead of a new pseudo-terminal.",
     [](const QString &v, Reading &r) {
         r.options.device = v;
         return true;
     }},
    {"baud", "N", "Baud rate of --device (default 2400).",
     [](const QString &v, Reading &r) { return ReadPositive(v, r.options.baudRate); }},
    {"parity", "P", "Parity of --device: N, E, O, M or S (default E); 8 data bits, 1 stop bit.",
     [](const QString &v, Reading &r) { return ReadParity(v, r.options.parity); }},
    {"link", "PATH", "Also make a symbolic link PATH to the device, removed on exit.",
     [](const QString &v, Reading &r) {
         r.options.link = v;
         return true;
     }},
    {"cj188-type", "HH", "CJ/T 188 meter type, hexadecimal: 10-19 water, 20-29 heat (default 10).",
     [](const QString &v, Reading &r) { return ReadCj188Type(v, r.options.cj188.type); }},
    {"cj188-address", "DIGITS", "CJ/T 188 meter address, up to ten digits (default 0012345678).",
     [](const QString &v, Reading &r) {
         r.cj188Address = v;
         return IsDigits(v, 10);
     }},
    {"cj188-maker", "DIGITS", "CJ/T 188 manufacturer code, up to four digits (default 3378).",
     [](const QString &v, Reading &r) {
         r.cj188Maker = v;
         return IsDigits(v, 4);
     }},
    {"mbus-address", "N", "M-Bus primary address 0-250, decimal (default 0).",
     [](const QString &v, Reading &r) {
         bool ok = false;
         const uint address = v.toUInt(&ok, 10);
         if (!ok || address > MeterMbus::kLastPrimaryAddress)
             return false;
         r.options.mbus.primaryAddress = std::uint8_t(address);
         return true;
     }},
    {"mbus-id", "DIGITS", "M-Bus identification number, up to eight digits (default 12345678).",
     [](const QString &v, Reading &r) {
         if (!IsDigits(v, 8))
             return false;
         r.options.mbus.identification = v.toUInt();
         return true;
     }},
    {"meter", "SPEC",
     "A meter on a simulated M-Bus, e.g. primary=5,id=12345678,maker=ELS,version=1,medium=4,"
     "telegrams=3 (maker: three letters or four hex digits; version, medium: hex). Repeatable.",
     [](const QString &v, Reading &r) {
         const std::optional<MeterMbusConfig> meter = ParseBusMeter(v);
         if (meter)
             r.options.busMeters << *meter;
         return meter.has_value();
     }},
    {"meters", "FILE", "Add the meters described in FILE, one --meter SPEC per line.",
     [](const QString &v, Reading &r) {
         QString error;
         return ReadBusMeterFile(v, r.options.busMeters, &error);
     }},
    {"split", "N", "Write replies in pieces of N bytes, %1 ms apart.",
     [](const QString &v, Reading &r) { return ReadPositive(v, r.options.pieceSize); }},
    {"noise", nullptr, "Send a few noise bytes before every reply.",
     [](const QString &, Reading &r) { return SetSwitch(r.options.faults.noise); }},
    {"bad-checksum", nullptr, "Send replies with a wrong checksum.",
     [](const QString &, Reading &r) { return SetSwitch(r.options.faults.badChecksum); }},
    {"silent", nullptr, "Never answer (requests are still logged).",
     [](const QString &, Reading &r) { return SetSwitch(r.options.faults.silent); }},
    {"drop-every", "N", "Leave every Nth reply unsent, as a meter that misses requests.",
     [](const QString &v, Reading &r) { return ReadPositive(v, r.options.faults.dropEvery); }},
    {"corrupt-every", "N", "Send every Nth reply with a wrong checksum.",
     [](const QString &v, Reading &r) { return ReadPositive(v, r.options.faults.corruptEvery); }},
    {"echo", nullptr,
     "Echo every received byte before answering, like an RS-485 adapter with local echo.",
     [](const QString &, Reading &r) { return SetSwitch(r.options.echo); }},
};

void AddOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Simulated CJ/T 188 and M-Bus (EN 13757-2/-3) meter. Prints the device "
                       "to open as the first line, logs RX/TX lines on standard error, runs "
                       "until SIGINT or SIGTERM."));
    parser.addHelpOption();
    parser.addVersionOption();
    for (const OptionRow &row : kOptionRows) {
        QString description = QString::fromUtf8(row.description);
        if (description.contains(QStringLiteral("%1")))
            description = description.arg(kPieceGapMs);
        parser.addOption(QCommandLineOption(QString::fromLatin1(row.name), description,
                                            QString::fromLatin1(row.valueName)));
    }
}

} // namespace

bool ParseMeterSimOptions(const QStringList &arguments, MeterSimOptions &options, QString *error)
{
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return false;
    }
    Reading reading{options};
    for (const OptionRow &row : kOptionRows) {
        const QString name = QString::fromLatin1(row.name);
        const QStringList values =
            row.valueName ? parser.values(name) : QStringList(parser.isSet(name) ? 1 : 0, {});
        for (const QString &value : values) {
            if (!row.read(value, reading)) {
                *error = QStringLiteral("invalid value for --%1: %2").arg(name, value);
                return false;
            }
        }
    }
    options.cj188.address = Cj188AddressField(reading.cj188Address, reading.cj188Maker);
    options.help = parser.isSet(QStringLiteral("help"));
    options.version = parser.isSet(QStringLiteral("version"));
    return true;
}

QString MeterSimHelpText()
{
    QCommandLineParser parser;
    AddOptions(parser);
    return parser.helpText();
}
