#include "metercj188.h"

#include "metercodec.h"

#include "conversions.h"

namespace {

constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
constexpr int kAddressSize = 7;
constexpr std::uint8_t kWildcard = 0xAA;
// Data identifiers DI0 DI1 as sent, least significant byte first.
const QByteArray kDiReadData = QByteArray::fromHex("1F90");
const QByteArray kDiReadAddress = QByteArray::fromHex("0A81");
// A request carries DI0, DI1 and SER.
constexpr int kRequestDataLength = 3;
// Status ST: valve open, battery normal, no fault.
const QByteArray kStatusOk(2, '\0');

// Empty, or decimal digits only: an empty part of the address field is all zeros.
bool AllDigits(const QString &text)
{
    return text.isEmpty() || IsDecimalDigits(text);
}

// Real time ss mm hh DD MM YY YY in BCD, least significant first.
QByteArray RealTime(const QDateTime &now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    QByteArray out;
    for (const int part :
         {t.second(), t.minute(), t.hour(), d.day(), d.month(), d.year() % 100, d.year() / 100})
        out.append(BcdBytes(part, 1));
    return out;
}

QByteArray Reading(std::uint64_t value, std::uint8_t unit)
{
    return BcdBytes(value, 4) + char(unit);
}

} // namespace

QByteArray Cj188AddressField(const QString &address, const QString &maker)
{
    if (address.size() > 10 || maker.size() > 4 || !AllDigits(address) || !AllDigits(maker))
        return {};
    const QString digits = address.rightJustified(10, u'0') + maker.rightJustified(4, u'0');
    QByteArray field;
    // Address bytes go least significant first, the maker code keeps its written order.
    for (int k = 4; k >= 0; --k)
        field.append(char(digits.mid(2 * k, 2).toUInt(nullptr, 16)));
    for (int k = 5; k < 7; ++k)
        field.append(char(digits.mid(2 * k, 2).toUInt(nullptr, 16)));
    return field;
}

bool Cj188TypeSupported(std::uint8_t type)
{
    return (type >= 0x10 && type <= 0x19) || (type >= 0x20 && type <= 0x29);
}

MeterCj188::MeterCj188(const MeterCj188Config &config) : m_config(config) {}

bool MeterCj188::isHeatMeter() const
{
    return m_config.type >= 0x20 && m_config.type <= 0x29;
}

QByteArray MeterCj188::reply(QByteArrayView request, const QDateTime &now)
{
    // 68 T A0..A6 C L DI0 DI1 SER CS 16; the type T is not checked, as meters answer a
    // master that asks with another type of the same family.
    if (request.size() != 13 + kRequestDataLength ||
        std::uint8_t(request[10]) != kRequestDataLength)
        return {};
    const QByteArrayView address = request.sliced(2, kAddressSize);
    const auto control = std::uint8_t(request[9]);
    const QByteArrayView di = request.sliced(11, 2);
    const char ser = request[13];
    const bool own = address == m_config.address;
    const bool wildcard = address == QByteArray(kAddressSize, char(kWildcard));

    if (control == kReadData && di == kDiReadData && own) {
        const QByteArray readings = isHeatMeter() ? heatReadings(now) : waterReadings(now);
        advance();
        return frame(kReadData | kReplyBit, kDiReadData + ser + readings);
    }
    if (control == kReadAddress && di == kDiReadAddress && (own || wildcard))
        return frame(kReadAddress | kReplyBit, kDiReadAddress + ser);
    return {};
}

QByteArray MeterCj188::frame(std::uint8_t control, const QByteArray &data) const
{
    QByteArray out;
    out.append(char(kStart));
    out.append(char(m_config.type));
    out.append(m_config.address);
    out.append(char(control));
    out.append(char(data.size()));
    out.append(data);
    out.append(char(ByteSum(out)));
    out.append(char(kStop));
    return out;
}

QByteArray MeterCj188::waterReadings(const QDateTime &now) const
{
    return Reading(m_volume, kUnitCubicMetre) + Reading(m_settledVolume, kUnitCubicMetre) +
           RealTime(now) + kStatusOk;
}

QByteArray MeterCj188::heatReadings(const QDateTime &now) const
{
    return Reading(m_settledHeat, kUnitKwh) + Reading(m_heat, kUnitKwh) +
           Reading(m_power, kUnitKw) + Reading(m_flow, kUnitCubicMetrePerHour) +
           Reading(m_volume, kUnitCubicMetre) + BcdBytes(m_supplyTemperature, 3) +
           BcdBytes(m_returnTemperature, 3) + BcdBytes(m_workingHours, 3) + RealTime(now) +
           kStatusOk;
}

void MeterCj188::advance()
{
    // Water keeps running through the meter and the heat follows it.
    m_volume += isHeatMeter() ? 1 : 7;
    m_heat += 25;
    m_flow = m_flow == 5600 ? 5610 : 5600;
}
