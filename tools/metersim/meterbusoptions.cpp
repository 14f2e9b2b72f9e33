#include "meterbusoptions.h"

#include <QFile>
#include <QRegularExpression>

namespace {

bool Matches(const char *pattern, const QString &text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)))
        .match(text)
        .hasMatch();
}

std::optional<std::uint16_t> MakerField(const QString &text)
{
    if (Matches("[0-9A-Fa-f]{4}", text))
        return std::uint16_t(text.toUInt(nullptr, 16));
    if (!Matches("[A-Za-z]{3}", text))
        return std::nullopt;
    std::uint16_t code = 0;
    for (const QChar c : text.toUpper())
        code = std::uint16_t(code * 32 + (c.unicode() - 64));
    return code;
}

// Sets the field `key` from `value`; false when either is not usable.
bool SetField(MeterMbusConfig &meter, const QString &key, const QString &value)
{
    if (key == QLatin1String("primary") && Matches("[0-9]{1,3}", value) &&
        value.toUInt() <= MeterMbus::kLastPrimaryAddress) {
        meter.primaryAddress = std::uint8_t(value.toUInt());
        return true;
    }
    if (key == QLatin1String("id") && Matches("[0-9]{1,8}", value)) {
        meter.identification = value.toUInt();
        return true;
    }
    if (key == QLatin1String("maker")) {
        const std::optional<std::uint16_t> code = MakerField(value);
        meter.manufacturer = code.value_or(0);
        return code.has_value();
    }
    const bool hexByte = Matches("[0-9A-Fa-f]{1,2}", value);
    if (key == QLatin1String("version") && hexByte) {
        meter.version = std::uint8_t(value.toUInt(nullptr, 16));
        return true;
    }
    if (key == QLatin1String("medium") && hexByte) {
        meter.medium = std::uint8_t(value.toUInt(nullptr, 16));
        return true;
    }
    if (key == QLatin1String("telegrams") && Matches("[0-9]{1,2}", value) && value.toInt() >= 1 &&
        value.toInt() <= 16) {
        meter.telegrams = value.toInt();
        return true;
    }
    return false;
}

} // namespace

std::optional<MeterMbusConfig> ParseBusMeter(const QString &description)
{
    MeterMbusConfig meter;
    meter.tracksFcb = true;
    for (const QString &pair : description.split(QLatin1Char(','))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0 ||
            !SetField(meter, pair.left(equals).trimmed(), pair.mid(equals + 1).trimmed()))
            return std::nullopt;
    }
    return meter;
}

bool ReadBusMeterFile(const QString &path, QList<MeterMbusConfig> &meters, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const std::optional<MeterMbusConfig> meter = ParseBusMeter(line);
        if (!meter) {
            *error = QStringLiteral("%1:%2: not a meter: %3").arg(path).arg(number).arg(line);
            return false;
        }
        meters << *meter;
    }
    return true;
}
