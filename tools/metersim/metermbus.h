#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <cstdint>

// Identity of a simulated M-Bus meter.
struct MeterMbusConfig
{
    // Primary address 0-250.
    std::uint8_t primaryAddress = 0;
    // Identification number, eight decimal digits (sent as BCD).
    std::uint32_t identification = 12345678;
    // Manufacturer field, EN 13757-3: ((c1 - 64) * 32 + (c2 - 64)) * 32 + (c3 - 64) for the
    // letters c1 c2 c3; 0x4758 is "QZX", a code made up for the simulator.
    std::uint16_t manufacturer = 0x4758;
    std::uint8_t version = 0x01;
    // Heat meter, outlet.
    std::uint8_t medium = 0x04;
    // Telegrams the meter has; all but the last end their records with DIF 1F.
    int telegrams = 1;
    // A meter on a bus keeps its frame count bit: REQ_UD2 without FCB toggled repeats the last
    // telegram. The lone meter of the simulator answers every request with fresh data.
    bool tracksFcb = false;
};

// An EN 1434 heat meter on the M-Bus (EN 13757-2 link layer, EN 13757-3 application layer).
// REQ_UD2 to its primary address or to FE gets an RSP_UD with a CI 72 header and current
// readings; SND_NKE gets E5; SND_UD with a new primary address gets E5 and changes the address.
// On a bus it also takes a selection by secondary address (CI 52 to FD, F nibbles of the number
// and FF bytes of the other fields as wildcards; E5 when it matches, deselected and quiet when not;
// SND_NKE to FD deselects), hands out its telegrams in turn as FCB toggles, and acknowledges an
// application reset (CI 50) and a baud rate switch (CI B8 to BF).
// Frames it does not know, and every frame to another address, get no answer.
class MeterMbus
{
public:
    static constexpr std::uint8_t kAck = 0xE5;
    static constexpr std::uint8_t kPointToPoint = 0xFE;
    static constexpr std::uint8_t kBroadcast = 0xFF;
    static constexpr std::uint8_t kLastPrimaryAddress = 250;
    static constexpr std::uint8_t kSndNke = 0x40;
    static constexpr std::uint8_t kSndUd = 0x53;
    static constexpr std::uint8_t kReqUd2 = 0x5B;
    static constexpr std::uint8_t kRspUd = 0x08;
    static constexpr std::uint8_t kFcb = 0x20;
    static constexpr std::uint8_t kCiDataSend = 0x51;
    static constexpr std::uint8_t kCiVariableReply = 0x72;

    explicit MeterMbus(const MeterMbusConfig &config = {});

    std::uint8_t primaryAddress() const { return m_config.primaryAddress; }
    bool selected() const { return m_selected; }
    // The rate the last CI B8..BF asked for; 0 when none did.
    int baudRate() const { return m_baudRate; }
    // Access number of the last RSP_UD.
    std::uint8_t accessNumber() const { return m_accessNumber; }

    // Answer to one complete short or long frame (start byte through stop byte); empty when the
    // meter keeps quiet. `now` is the meter's clock for its date and time record.
    QByteArray reply(QByteArrayView request, const QDateTime &now);

private:
    bool isForMe(std::uint8_t address) const;
    QByteArray shortReply(QByteArrayView request, const QDateTime &now);
    QByteArray longReply(QByteArrayView request);
    QByteArray readData(bool fcb, const QDateTime &now);
    bool selects(QByteArrayView mask) const;
    void restartTelegrams();
    QByteArray userData(const QDateTime &now);
    QByteArray records(const QDateTime &now) const;

    MeterMbusConfig m_config;
    std::uint8_t m_accessNumber = 0;
    bool m_selected = false;
    int m_baudRate = 0;
    int m_telegram = 0; // the telegram sent last, 0 the first
    int m_lastFcb = -1; // FCB of the last REQ_UD2 since SND_NKE or selection; -1 none
    QByteArray m_lastReply;
    std::int64_t m_energy = 45678;           // kWh
    std::int64_t m_settledEnergy = 45000;    // kWh on the settlement date
    std::int64_t m_volume = 987654;          // l
    std::int64_t m_power = 12340;            // W
    std::int64_t m_volumeFlow = 560;         // l/h
    std::int64_t m_flowTemperature = 6550;   // 0.01 degC
    std::int64_t m_returnTemperature = 4520; // 0.01 degC
};
