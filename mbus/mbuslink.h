#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

// The EN 13757-2 link layer as a bus master uses it: the request frames, the secondary address
// (EN 13757-3) and how the bytes that came back are told apart. No I/O and no clock.

inline constexpr std::uint8_t kMbusAck = 0xE5;
inline constexpr std::uint8_t kMbusSelectedAddress = 0xFD; // the meter selected by CI 52
inline constexpr std::uint8_t kMbusBroadcastReplying = 0xFE;
inline constexpr std::uint8_t kMbusLastPrimary = 250;

// Identification number (eight BCD digits, F a wildcard), manufacturer, version and medium (FF a
// wildcard) as sent in CI 52 and carried by a CI 72 reply header.
struct MbusSecondaryAddress
{
    std::uint32_t id = 0xFFFFFFFF; // BCD nibbles, most significant digit first
    std::uint16_t manufacturer = 0xFFFF;
    std::uint8_t version = 0xFF;
    std::uint8_t medium = 0xFF;

    friend bool operator==(const MbusSecondaryAddress &, const MbusSecondaryAddress &) = default;
    // The 16 hex digits "IIIIIIIIMMMMVVDD": id as written, manufacturer field, version, medium.
    QString text() const;
    // The eight bytes of CI 52: id little-endian BCD, manufacturer little-endian, version, medium.
    QByteArray bytes() const;
    // The identification digit `i` (0 the most significant), 0xF for a wildcard.
    int digit(int i) const { return int(id >> (28 - 4 * i)) & 0xF; }
    MbusSecondaryAddress withDigit(int i, int value) const;
    // Whether this mask (F nibbles in the id, FF bytes elsewhere) matches `address`.
    bool matches(const MbusSecondaryAddress &address) const;
};

// Reads "IIIIIIIIMMMMVVDD" (case-insensitive): id digits 0-9 or F, the other fields any hex.
std::optional<MbusSecondaryAddress> ParseMbusSecondaryAddress(const QString &text);
// The manufacturer field as its three letters ("ELS"); empty when a letter is out of A-Z.
QString MbusManufacturerLetters(std::uint16_t code);
// The manufacturer field of three letters A-Z; nothing for anything else.
std::optional<std::uint16_t> MbusManufacturerCode(const QString &letters);

// SND_NKE: 10 40 A CS 16.
QByteArray MbusSndNke(std::uint8_t address);
// REQ_UD2 with FCV set and FCB as given: 10 5B/7B A CS 16.
QByteArray MbusReqUd2(std::uint8_t address, bool fcb);
// SND_UD with CI 52 to FD selecting the meter(s) matching `mask`.
QByteArray MbusSelect(const MbusSecondaryAddress &mask);
// SND_UD with CI 50 (application reset), with the subcode when given.
QByteArray MbusApplicationReset(std::uint8_t address, std::optional<std::uint8_t> subcode);
// SND_UD with CI 51, DIF 01 VIF 7A: sets the primary address of the meter at `address`.
QByteArray MbusSetPrimaryAddress(std::uint8_t address, std::uint8_t newAddress);
// The CI B8..BF of `baudRate` (300 to 38400), nothing for another rate.
std::optional<std::uint8_t> MbusBaudCi(int baudRate);
// SND_UD with the CI of `ci` (B8..BF) and no data: switches the meter's baud rate.
QByteArray MbusSwitchBaud(std::uint8_t address, std::uint8_t ci);

// What came back for a request.
enum class MbusAnswer {
    None,      // nothing within the time-out
    Ack,       // the single character E5
    Frame,     // a long frame with a correct checksum and stop byte (an RSP_UD)
    Collision, // bytes that form neither: several meters answered at once, or a broken reply
};

// Classifies `bytes` (the line's echo of the request already removed) once the line is quiet.
MbusAnswer ClassifyMbusAnswer(QByteArrayView bytes);
// Whether `bytes` already hold a complete answer (E5 alone, or a whole checked long frame), so
// waiting can end before the time-out.
bool MbusAnswerComplete(QByteArrayView bytes);
// The identity in a CI 72 long frame's header; nothing for a frame without one.
std::optional<MbusSecondaryAddress> MbusFrameIdentity(QByteArrayView frame);
// Whether the frame's records end with DIF 1F: the meter has another telegram.
bool MbusFrameHasMore(QByteArrayView frame);

// Waits for the answer to one request with an injected clock (milliseconds): the time-out runs
// from the request's last byte to the first byte of the answer; once bytes came, the answer ends
// when it is complete or when the line has been quiet for the time-out.
class MbusAnswerWait
{
public:
    MbusAnswerWait(QByteArray request, int timeoutMs, qint64 sentAtMs);
    // Takes received bytes; the line's echo of the request is dropped.
    void feed(QByteArrayView bytes, qint64 nowMs);
    // Whether waiting is over at `nowMs`.
    bool done(qint64 nowMs) const;
    // When waiting ends at the latest if nothing more arrives.
    qint64 deadline() const { return m_lastByteAtMs + m_timeoutMs; }
    MbusAnswer answer() const;
    const QByteArray &bytes() const { return m_bytes; }

private:
    QByteArray m_request;
    qsizetype m_echoLeft;
    int m_timeoutMs;
    qint64 m_lastByteAtMs;
    QByteArray m_bytes;
};
