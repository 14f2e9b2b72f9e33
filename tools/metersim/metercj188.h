#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <cstdint>

// Identity of a simulated CJ/T 188 meter.
struct MeterCj188Config
{
    // Meter type T: 10-19 water meters, 20-29 heat meters.
    std::uint8_t type = 0x10;
    // A0..A6 as sent on the line: five address bytes, least significant first, then the two
    // maker-code bytes (address 0012345678, maker 3378).
    QByteArray address = QByteArray::fromHex("78563412003378");
};

// Line form of a meter address of up to ten digits and a maker code of up to four digits, each
// padded with leading zeros: "0012345678", "3378" -> 78 56 34 12 00 33 78. Empty when either is
// too long or holds anything but digits.
QByteArray Cj188AddressField(const QString &address, const QString &maker);

// True for the meter types the simulator can play: water 10-19 and heat 20-29.
bool Cj188TypeSupported(std::uint8_t type);

// A CJ/T 188 water or heat meter. It answers read data (C 01, DI 901F) sent to its own address
// and read address (C 03, DI 810A) sent to its own or to the wildcard address AA..AA. Its
// readings move on a little with every read, as on a meter in service.
class MeterCj188
{
public:
    static constexpr std::uint8_t kReadData = 0x01;
    static constexpr std::uint8_t kReadAddress = 0x03;
    static constexpr std::uint8_t kReplyBit = 0x80;
    static constexpr std::uint8_t kUnitKwh = 0x05;
    static constexpr std::uint8_t kUnitKw = 0x17;
    static constexpr std::uint8_t kUnitCubicMetre = 0x2C;
    static constexpr std::uint8_t kUnitCubicMetrePerHour = 0x35;

    explicit MeterCj188(const MeterCj188Config &config = {});

    const MeterCj188Config &config() const { return m_config; }
    bool isHeatMeter() const;

    // Answer to one complete request frame (start byte 68 through stop byte 16); empty when the
    // meter keeps quiet. `now` is the meter's clock for the real-time field.
    QByteArray reply(QByteArrayView request, const QDateTime &now);

private:
    QByteArray frame(std::uint8_t control, const QByteArray &data) const;
    QByteArray waterReadings(const QDateTime &now) const;
    QByteArray heatReadings(const QDateTime &now) const;
    void advance();

    MeterCj188Config m_config;
    // Readings in the resolution of their fields.
    std::uint64_t m_volume = 123456;          // 0.01 m3
    std::uint64_t m_settledVolume = 120000;   // 0.01 m3, on the settlement date
    std::uint64_t m_heat = 4567890;           // 0.01 kWh
    std::uint64_t m_settledHeat = 4500000;    // 0.01 kWh, on the settlement date
    std::uint64_t m_power = 1234;             // 0.01 kW
    std::uint64_t m_flow = 5600;              // 0.0001 m3/h
    std::uint64_t m_supplyTemperature = 6550; // 0.01 degC
    std::uint64_t m_returnTemperature = 4520; // 0.01 degC
    std::uint64_t m_workingHours = 1234;      // h
};
