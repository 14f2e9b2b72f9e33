#include "metermbus.h"

#include "metercodec.h"

#include <algorithm>

namespace {

constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kStop = 0x16;

// EN 13757-3 data information field: data field coding in the low nibble, storage number in
// bit 6.
constexpr std::uint8_t kDifInt8 = 0x01;
constexpr std::uint8_t kDifInt16 = 0x02;
constexpr std::uint8_t kDifInt32 = 0x04;
constexpr std::uint8_t kDifBcd8 = 0x0C;
constexpr std::uint8_t kDifStorage1 = 0x40;
constexpr std::uint8_t kDifMoreRecords = 0x1F;
constexpr std::uint8_t kSelected = 0xFD;
constexpr std::uint8_t kCiReset = 0x50;
constexpr std::uint8_t kCiSelect = 0x52;
constexpr std::uint8_t kCiBaud300 = 0xB8;

// Value information fields (EN 13757-3 primary table) and the extension used here.
constexpr std::uint8_t kVifEnergyKwh = 0x06;         // 10^3 Wh
constexpr std::uint8_t kVifVolumeLitre = 0x13;       // 10^-3 m3
constexpr std::uint8_t kVifPowerW = 0x2B;            // 10^0 W
constexpr std::uint8_t kVifVolumeFlowLitreH = 0x3B;  // 10^-3 m3/h
constexpr std::uint8_t kVifFlowTemperature = 0x59;   // 10^-2 degC
constexpr std::uint8_t kVifReturnTemperature = 0x5D; // 10^-2 degC
constexpr std::uint8_t kVifTemperatureDiff = 0x61;   // 10^-2 K
constexpr std::uint8_t kVifDate = 0x6C;              // type G
constexpr std::uint8_t kVifDateTime = 0x6D;          // type F
constexpr std::uint8_t kVifFabricationNo = 0x78;
constexpr std::uint8_t kVifBusAddress = 0x7A;
constexpr std::uint8_t kVifExtensionFd = 0xFD;
constexpr std::uint8_t kVifeErrorFlags = 0x17;

QByteArray Record(std::uint8_t dif, std::uint8_t vif, const QByteArray &data)
{
    return QByteArray(1, char(dif)) + char(vif) + data;
}

// Type F (EN 13757-3 annex A): minute, hour, day with year bits 0-2, month with year bits 3-6.
// The year travels as two digits, read as 20YY.
QByteArray DateTimeTypeF(const QDateTime &now)
{
    const QDate d = now.date();
    const int year = d.year() % 100;
    QByteArray out;
    out.append(char(now.time().minute()));
    out.append(char(now.time().hour()));
    out.append(char(d.day() | (year & 0x07) << 5));
    out.append(char(d.month() | (year >> 3) << 4));
    return out;
}

// Type G: day with year bits 0-2, month with year bits 3-6.
QByteArray DateTypeG(const QDate &d)
{
    const int year = d.year() % 100;
    QByteArray out;
    out.append(char(d.day() | (year & 0x07) << 5));
    out.append(char(d.month() | (year >> 3) << 4));
    return out;
}

QByteArray LongFrame(std::uint8_t control, std::uint8_t address, const QByteArray &userData)
{
    QByteArray body;
    body.append(char(control));
    body.append(char(address));
    body.append(userData);
    QByteArray out;
    out.append(char(kLongStart));
    out.append(char(body.size()));
    out.append(char(body.size()));
    out.append(char(kLongStart));
    out.append(body);
    out.append(char(ByteSum(body)));
    out.append(char(kStop));
    return out;
}

} // namespace

MeterMbus::MeterMbus(const MeterMbusConfig &config) : m_config(config) {}

QByteArray MeterMbus::reply(QByteArrayView request, const QDateTime &now)
{
    if (request.isEmpty())
        return {};
    switch (std::uint8_t(request[0])) {
    case kShortStart:
        return shortReply(request, now);
    case kLongStart:
        return longReply(request);
    default:
        return {};
    }
}

bool MeterMbus::isForMe(std::uint8_t address) const
{
    return address == m_config.primaryAddress || address == kPointToPoint ||
           (address == kSelected && m_selected);
}

void MeterMbus::restartTelegrams()
{
    m_telegram = 0;
    m_lastFcb = -1;
    m_lastReply.clear();
}

// The eight bytes of CI 52 against this meter: id digits (BCD, low byte first) with F nibbles
// as wildcards, manufacturer, version and medium with FF bytes as wildcards.
bool MeterMbus::selects(QByteArrayView mask) const
{
    const QByteArray id = BcdBytes(m_config.identification, 4);
    for (int i = 0; i < 4; ++i) {
        const auto m = std::uint8_t(mask[i]);
        const auto own = std::uint8_t(id[i]);
        if (((m & 0x0F) != 0x0F && (m & 0x0F) != (own & 0x0F)) ||
            ((m & 0xF0) != 0xF0 && (m & 0xF0) != (own & 0xF0)))
            return false;
    }
    const QByteArray rest = LittleEndianBytes(m_config.manufacturer, 2) + char(m_config.version) +
                            char(m_config.medium);
    const auto fieldMatches = [&](int from, int size) {
        const QByteArrayView field = mask.sliced(4 + from, size);
        return field == QByteArray(size, char(0xFF)) || field == rest.mid(from, size);
    };
    return fieldMatches(0, 2) && fieldMatches(2, 1) && fieldMatches(3, 1);
}

QByteArray MeterMbus::shortReply(QByteArrayView request, const QDateTime &now)
{
    // 10 C A CS 16
    if (request.size() != 5 || !isForMe(std::uint8_t(request[2])))
        return {};
    const auto control = std::uint8_t(request[1]);
    if (control == kSndNke) {
        if (std::uint8_t(request[2]) == kSelected)
            m_selected = false;
        restartTelegrams();
        return QByteArray(1, char(kAck));
    }
    if ((control & ~kFcb) == kReqUd2)
        return readData((control & kFcb) != 0, now);
    return {};
}

// The next telegram when FCB toggled (or on the first request), the last one again when not.
QByteArray MeterMbus::readData(bool fcb, const QDateTime &now)
{
    if (!m_config.tracksFcb)
        return LongFrame(kRspUd, m_config.primaryAddress, userData(now));
    if (m_lastFcb == int(fcb) && !m_lastReply.isEmpty())
        return m_lastReply;
    if (m_lastFcb >= 0)
        m_telegram = (m_telegram + 1) % std::max(1, m_config.telegrams);
    m_lastFcb = int(fcb);
    m_lastReply = LongFrame(kRspUd, m_config.primaryAddress, userData(now));
    return m_lastReply;
}

QByteArray MeterMbus::longReply(QByteArrayView request)
{
    const auto control = std::uint8_t(request[4]);
    const auto address = std::uint8_t(request[5]);
    const auto ci = std::uint8_t(request[6]);
    if ((control & ~kFcb) != kSndUd)
        return {};
    // 68 0B 0B 68 53 FD 52 ID ID ID ID MAN MAN VER MED CS 16: selection by secondary address.
    if (ci == kCiSelect && address == kSelected && request.size() == 17) {
        m_selected = selects(request.sliced(7, 8));
        if (!m_selected)
            return {};
        restartTelegrams();
        return QByteArray(1, char(kAck));
    }
    if (!isForMe(address))
        return {};
    // CI 50 with or without a subcode: application reset, the telegrams start over.
    if (ci == kCiReset && request.size() <= 10) {
        restartTelegrams();
        return QByteArray(1, char(kAck));
    }
    // CI B8 to BF: 300 to 38400 baud, taken after the acknowledgement.
    if (ci >= kCiBaud300 && ci <= kCiBaud300 + 7 && request.size() == 9) {
        m_baudRate = 300 << (ci - kCiBaud300);
        return QByteArray(1, char(kAck));
    }
    // 68 06 06 68 C A 51 01 7A N CS 16: SND_UD writing the primary address.
    if (request.size() != 12)
        return {};
    const bool setAddress =
        (control & ~kFcb) == kSndUd && std::uint8_t(request[6]) == kCiDataSend &&
        std::uint8_t(request[7]) == kDifInt8 && std::uint8_t(request[8]) == kVifBusAddress;
    const auto newAddress = std::uint8_t(request[9]);
    if (!setAddress || newAddress > kLastPrimaryAddress)
        return {};
    m_config.primaryAddress = newAddress;
    return QByteArray(1, char(kAck));
}

QByteArray MeterMbus::userData(const QDateTime &now)
{
    ++m_accessNumber;
    QByteArray out;
    out.append(char(kCiVariableReply));
    out.append(BcdBytes(m_config.identification, 4));
    out.append(LittleEndianBytes(m_config.manufacturer, 2));
    out.append(char(m_config.version));
    out.append(char(m_config.medium));
    out.append(char(m_accessNumber));
    out.append('\0');                // status: no error
    out.append(QByteArray(2, '\0')); // signature: no encryption
    out.append(records(now));
    // Telegrams after the first carry the month-end values; all but the last say more follow.
    if (m_telegram > 0)
        out.append(Record(kDifInt32 | kDifStorage1, kVifVolumeLitre,
                          LittleEndianBytes(m_volume - 1000 * m_telegram, 4)));
    if (m_telegram + 1 < m_config.telegrams)
        out.append(char(kDifMoreRecords));
    m_energy += 2;
    m_volume += 35;
    return out;
}

QByteArray MeterMbus::records(const QDateTime &now) const
{
    const QDate settlementDate(now.date().year(), now.date().month(), 1);
    return Record(kDifInt32, kVifEnergyKwh, LittleEndianBytes(m_energy, 4)) +
           Record(kDifInt32, kVifVolumeLitre, LittleEndianBytes(m_volume, 4)) +
           Record(kDifInt32, kVifPowerW, LittleEndianBytes(m_power, 4)) +
           Record(kDifInt16, kVifVolumeFlowLitreH, LittleEndianBytes(m_volumeFlow, 2)) +
           Record(kDifInt16, kVifFlowTemperature, LittleEndianBytes(m_flowTemperature, 2)) +
           Record(kDifInt16, kVifReturnTemperature, LittleEndianBytes(m_returnTemperature, 2)) +
           Record(kDifInt16, kVifTemperatureDiff,
                  LittleEndianBytes(m_flowTemperature - m_returnTemperature, 2)) +
           Record(kDifInt32, kVifDateTime, DateTimeTypeF(now)) +
           Record(kDifInt32 | kDifStorage1, kVifEnergyKwh, LittleEndianBytes(m_settledEnergy, 4)) +
           Record(kDifInt16 | kDifStorage1, kVifDate, DateTypeG(settlementDate)) +
           Record(kDifBcd8, kVifFabricationNo, BcdBytes(m_config.identification, 4)) +
           Record(kDifInt8, kVifExtensionFd, QByteArray(1, char(kVifeErrorFlags)) + '\0');
}
