#include "cj188decoder.h"

#include "conversions.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cstdint>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(Cj188Decoder)
};
} // namespace

namespace {

constexpr std::uint8_t kWakeUp = 0xFE;
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
constexpr int kControlPos = 9;
constexpr int kLengthPos = 10;
constexpr int kDataPos = 11;

constexpr std::uint8_t kReadDataReply = 0x81;
constexpr std::uint8_t kReadAddressReply = 0x83;
constexpr std::uint8_t kErrorReplyBit = 0x40;
// The data identifiers as they travel: meters send them low byte first (1F 90) or, as many
// implement the 2004 edition, high byte first (90 1F).
constexpr std::uint8_t kDiReadData[2] = {0x1F, 0x90};
constexpr std::uint8_t kDiReadAddress[2] = {0x0A, 0x81};
constexpr std::uint8_t kTypeCooling = 0x21;
constexpr int kDiAndSerSize = 3;

enum class UnitKind { Energy, Power, Volume, Flow };

struct UnitCode
{
    std::uint8_t code;
    const char *shown; // as the meter means it
    const char *base;  // as the JSON carries it
    int power;         // base value = shown value × 10^power
    UnitKind kind;
};

// The unit codes of CJ/T 188.
constexpr std::array kUnits{
    UnitCode{0x02, "Wh", "Wh", 0, UnitKind::Energy},
    UnitCode{0x05, "kWh", "Wh", 3, UnitKind::Energy},
    UnitCode{0x08, "MWh", "Wh", 6, UnitKind::Energy},
    UnitCode{0x0A, "MWh×100", "Wh", 8, UnitKind::Energy},
    UnitCode{0x01, "J", "J", 0, UnitKind::Energy},
    UnitCode{0x0B, "kJ", "J", 3, UnitKind::Energy},
    UnitCode{0x0E, "MJ", "J", 6, UnitKind::Energy},
    UnitCode{0x11, "GJ", "J", 9, UnitKind::Energy},
    UnitCode{0x13, "GJ×100", "J", 11, UnitKind::Energy},
    UnitCode{0x14, "W", "W", 0, UnitKind::Power},
    UnitCode{0x17, "kW", "W", 3, UnitKind::Power},
    UnitCode{0x1A, "MW", "W", 6, UnitKind::Power},
    UnitCode{0x29, "L", "m^3", -3, UnitKind::Volume},
    UnitCode{0x2C, "m³", "m^3", 0, UnitKind::Volume},
    UnitCode{0x32, "L/h", "m^3/h", -3, UnitKind::Flow},
    UnitCode{0x35, "m³/h", "m^3/h", 0, UnitKind::Flow},
};

const UnitCode *FindUnit(std::uint8_t code, UnitKind kind)
{
    const auto it = std::find_if(kUnits.begin(), kUnits.end(), [&](const UnitCode &u) {
        return u.code == code && u.kind == kind;
    });
    return it == kUnits.end() ? nullptr : &*it;
}

// Packed BCD, least significant byte first; nothing when a nibble is above 9.
std::optional<std::int64_t> BcdValue(QByteArrayView lsbFirst)
{
    std::int64_t value = 0;
    for (qsizetype i = lsbFirst.size(); i-- > 0;) {
        const auto b = std::uint8_t(lsbFirst[i]);
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            return std::nullopt;
        value = value * 100 + (b >> 4) * 10 + (b & 0x0F);
    }
    return value;
}

QString HexDigits(QByteArrayView bytes, bool reversed)
{
    QByteArray b = bytes.toByteArray();
    if (reversed)
        std::reverse(b.begin(), b.end());
    return QString::fromLatin1(b.toHex().toUpper());
}

QString Padded(std::int64_t v, int width)
{
    return QStringLiteral("%1").arg(v, width, 10, QLatin1Char('0'));
}

// Reads the fields of the data one after another, each into one record.
class FieldReader
{
public:
    FieldReader(QByteArrayView data, DecodedReply &reply) : m_data(data), m_reply(reply) {}

    // A reading of four BCD bytes with `decimals` places, followed by its unit code.
    void reading(const char *quantity, const QString &label, int decimals, UnitKind kind)
    {
        DecodedRecord r;
        if (!take(r, quantity, label, 5))
            return;
        const std::optional<std::int64_t> v = BcdValue(QByteArrayView(r.raw).first(4));
        const auto code = std::uint8_t(r.raw[4]);
        const UnitCode *unit = FindUnit(code, kind);
        if (!v)
            r.error = QStringLiteral("invalid BCD");
        else if (!unit)
            r.error = QStringLiteral("unit code %1 does not fit this field")
                          .arg(code, 2, 16, QLatin1Char('0'));
        if (r.error.isEmpty()) {
            r.value = Decimal{*v, unit->power - decimals};
            r.unit = QString::fromUtf8(unit->base);
            r.shown = DecimalText(Decimal{*v, -decimals}) + QLatin1Char(' ') +
                      QString::fromUtf8(unit->shown);
        }
        m_reply.records << r;
    }

    // A temperature of three BCD bytes, XXXX.XX °C.
    void temperature(const char *quantity, const QString &label)
    {
        DecodedRecord r;
        if (!take(r, quantity, label, 3))
            return;
        if (const auto v = BcdValue(r.raw)) {
            r.value = Decimal{*v, -2};
            r.unit = QStringLiteral("°C");
        } else {
            r.error = QStringLiteral("invalid BCD");
        }
        m_reply.records << r;
    }

    // Whole hours in three BCD bytes; the JSON has seconds.
    void hours(const char *quantity, const QString &label)
    {
        DecodedRecord r;
        if (!take(r, quantity, label, 3))
            return;
        if (const auto v = BcdValue(r.raw)) {
            r.value = Decimal{*v * 3600, 0};
            r.unit = QStringLiteral("s");
            r.shown = QString::number(*v) + QStringLiteral(" h");
        } else {
            r.error = QStringLiteral("invalid BCD");
        }
        m_reply.records << r;
    }

    // ss mm hh DD MM YY YY in BCD, least significant first.
    void realTime()
    {
        DecodedRecord r;
        if (!take(r, "real time", Words::tr("实时时间"), 7))
            return;
        std::array<int, 7> p{};
        bool ok = true;
        for (int i = 0; i < 7 && ok; ++i) {
            const auto v = BcdValue(QByteArrayView(r.raw).sliced(i, 1));
            ok = v.has_value();
            p[i] = int(v.value_or(0));
        }
        const int year = p[6] * 100 + p[5];
        ok = ok && p[0] < 60 && p[1] < 60 && p[2] < 24 && p[4] >= 1 && p[4] <= 12 && p[3] >= 1 &&
             p[3] <= DaysInMonth(year, p[4]);
        if (ok)
            r.value = QStringLiteral("%1-%2-%3 %4:%5:%6")
                          .arg(Padded(year, 4), Padded(p[4], 2), Padded(p[3], 2), Padded(p[2], 2),
                               Padded(p[1], 2), Padded(p[0], 2));
        else
            r.error = QStringLiteral("invalid date and time");
        if (!r.error.isEmpty())
            r.errorLabel = Words::tr("日期无效");
        m_reply.records << r;
    }

    // ST: bits 0-1 of the first byte the valve, bit 2 the battery; every other bit that is set,
    // of both bytes, is listed by its number (0-7 the first byte, 8-15 the second).
    void status()
    {
        DecodedRecord valve;
        if (!take(valve, "valve", Words::tr("阀门状态"), 2))
            return;
        const auto st0 = std::uint8_t(valve.raw[0]);
        static const QString kValve[] = {QStringLiteral("open"), QStringLiteral("closed"),
                                         QStringLiteral("reserved"), QStringLiteral("abnormal")};
        const QString kValveShown[] = {Words::tr("开"), Words::tr("关"), Words::tr("保留"),
                                       Words::tr("异常")};
        valve.value = kValve[st0 & 0x03];
        valve.shown = kValveShown[st0 & 0x03];
        DecodedRecord battery = valve;
        battery.quantity = QStringLiteral("battery");
        battery.label = Words::tr("电池电压");
        const bool low = st0 & 0x04;
        battery.value = low ? QStringLiteral("low") : QStringLiteral("normal");
        battery.shown = low ? Words::tr("欠压") : Words::tr("正常");
        m_reply.records << valve << battery;

        const unsigned others = (st0 & ~0x07u) | (unsigned(std::uint8_t(valve.raw[1])) << 8);
        if (others == 0)
            return;
        QStringList bits, shown;
        for (int bit = 3; bit < 16; ++bit) {
            if (others & (1u << bit)) {
                bits << QString::number(bit);
                shown << Words::tr("第%1位").arg(bit);
            }
        }
        DecodedRecord rest = valve;
        rest.quantity = QStringLiteral("other status bits");
        rest.label = Words::tr("其他状态位");
        rest.value = bits.join(QLatin1String(", "));
        rest.shown = shown.join(Words::tr("、"));
        m_reply.records << rest;
    }

    // Bytes after the last field the meter type has.
    void rest()
    {
        if (m_stopped || m_pos >= m_data.size())
            return;
        DecodedRecord r;
        r.quantity = QStringLiteral("unexpected data");
        r.label = Words::tr("多余数据");
        r.raw = m_data.sliced(m_pos).toByteArray();
        r.error = QStringLiteral("bytes after the last field");
        m_reply.records << r;
    }

private:
    // Takes `size` bytes into the record; when fewer are left, records what is there as cut
    // short and stops all further fields.
    bool take(DecodedRecord &r, const char *quantity, const QString &label, qsizetype size)
    {
        if (m_stopped)
            return false;
        r.quantity = QString::fromLatin1(quantity);
        r.label = label;
        if (m_data.size() - m_pos < size) {
            r.raw = m_data.sliced(m_pos).toByteArray();
            r.error = QStringLiteral("field cut short");
            m_reply.records << r;
            m_stopped = true;
            return false;
        }
        r.raw = m_data.sliced(m_pos, size).toByteArray();
        m_pos += size;
        return true;
    }

    QByteArrayView m_data;
    DecodedReply &m_reply;
    qsizetype m_pos = 0;
    bool m_stopped = false;
};

bool IsWaterOrGas(std::uint8_t type)
{
    return (type >= 0x10 && type <= 0x19) || (type >= 0x30 && type <= 0x39);
}

bool IsHeat(std::uint8_t type)
{
    return type >= 0x20 && type <= 0x29;
}

// Whether `data` starts with the identifier `di` in either byte order.
bool HasDi(QByteArrayView data, const std::uint8_t (&di)[2])
{
    if (data.size() < 2)
        return false;
    const auto d0 = std::uint8_t(data[0]);
    const auto d1 = std::uint8_t(data[1]);
    return (d0 == di[0] && d1 == di[1]) || (d0 == di[1] && d1 == di[0]);
}

void DecodeReadings(std::uint8_t type, QByteArrayView readings, DecodedReply &reply)
{
    FieldReader f(readings, reply);
    if (IsWaterOrGas(type)) {
        f.reading("current cumulative flow", Words::tr("当前累积流量"), 2, UnitKind::Volume);
        f.reading("settlement-date cumulative flow", Words::tr("结算日累积流量"), 2,
                  UnitKind::Volume);
    } else {
        // A cooling meter (type 21) counts 冷量 where a heat meter counts 热量.
        const bool cooling = type == kTypeCooling;
        f.reading("settlement-date heat",
                  cooling ? Words::tr("结算日冷量") : Words::tr("结算日热量"), 2, UnitKind::Energy);
        f.reading("current heat", cooling ? Words::tr("当前冷量") : Words::tr("当前热量"), 2,
                  UnitKind::Energy);
        f.reading("heat power", Words::tr("热功率"), 2, UnitKind::Power);
        f.reading("flow rate", Words::tr("瞬时流量"), 4, UnitKind::Flow);
        f.reading("cumulative flow", Words::tr("累积流量"), 2, UnitKind::Volume);
        f.temperature("supply temperature", Words::tr("供水温度"));
        f.temperature("return temperature", Words::tr("回水温度"));
        f.hours("working time", Words::tr("累计工作时间"));
    }
    f.realTime();
    f.status();
    f.rest();
}

// What the control field and data identifier say: the readings, the address or an error.
void DecodeData(QByteArrayView frame, QByteArrayView data, DecodedReply &reply)
{
    const auto type = std::uint8_t(frame[1]);
    const auto control = std::uint8_t(frame[kControlPos]);
    const QString controlText = QStringLiteral("%1").arg(control, 2, 16, QLatin1Char('0'));
    if (control & kErrorReplyBit) {
        SetReplyError(reply,
                      QStringLiteral("the meter answered with an error (C %1)").arg(controlText),
                      Words::tr("仪表应答异常（C %1）").arg(controlText.toUpper()));
    } else if (control == kReadAddressReply && HasDi(data, kDiReadAddress)) {
        DecodedRecord r;
        r.quantity = QStringLiteral("address");
        r.label = Words::tr("表地址");
        r.value = HexDigits(frame.sliced(2, 5), true);
        r.raw = frame.sliced(2, 7).toByteArray();
        reply.records << r;
    } else if (control == kReadDataReply && HasDi(data, kDiReadData)) {
        if (IsWaterOrGas(type) || IsHeat(type))
            DecodeReadings(type, data.sliced(std::min<qsizetype>(kDiAndSerSize, data.size())),
                           reply);
        else
            SetReplyError(
                reply,
                QStringLiteral("meter type %1 has no known data layout")
                    .arg(type, 2, 16, QLatin1Char('0')),
                Words::tr("仪表类型 %1 没有已知的数据格式")
                    .arg(QStringLiteral("%1").arg(type, 2, 16, QLatin1Char('0')).toUpper()));
    } else if (reply.error.isEmpty()) {
        const QString di = HexDigits(data.first(std::min<qsizetype>(2, data.size())), false);
        SetReplyError(
            reply,
            QStringLiteral("not a read-data or read-address reply (C %1, DI %2)")
                .arg(controlText, di),
            Words::tr("不是读数据或读地址应答（C %1，DI %2）").arg(controlText.toUpper(), di));
    }
}

} // namespace

DecodedReply Cj188DecodeReply(QByteArrayView frame)
{
    DecodedReply reply;
    reply.protocol = QStringLiteral("cj188");
    while (!frame.isEmpty() && std::uint8_t(frame[0]) == kWakeUp)
        frame = frame.sliced(1);
    if (frame.size() <= kLengthPos || std::uint8_t(frame[0]) != kStart) {
        SetReplyError(reply, QStringLiteral("not a CJ/T 188 frame"), Words::tr("不是CJ/T 188报文"));
        return reply;
    }
    const int length = std::uint8_t(frame[kLengthPos]);
    const qsizetype csPos = kDataPos + length;
    if (csPos < frame.size())
        reply.checked = std::uint8_t(frame[csPos]) == SumByte(frame, 0, csPos);
    reply.header
        << HeaderField{QStringLiteral("type"), HexDigits(frame.sliced(1, 1), false), {}, {}}
        << HeaderField{QStringLiteral("address"), HexDigits(frame.sliced(2, 5), true), {}, {}}
        << HeaderField{QStringLiteral("maker"), HexDigits(frame.sliced(7, 2), false), {}, {}}
        << HeaderField{QStringLiteral("full_address"), HexDigits(frame.sliced(2, 7), true), {}, {}};

    const QByteArrayView data =
        frame.sliced(kDataPos, std::min<qsizetype>(length, frame.size() - kDataPos));
    if (data.size() < length)
        SetReplyError(
            reply,
            QStringLiteral("frame cut short: %1 of %2 data bytes").arg(data.size()).arg(length),
            Words::tr("报文不完整：收到 %1 个数据字节，应为 %2 个").arg(data.size()).arg(length));
    else if (csPos + 1 < frame.size() && std::uint8_t(frame[csPos + 1]) != kEnd)
        SetReplyError(reply, QStringLiteral("no end byte after the checksum"),
                      Words::tr("校验和后没有结束符16"));
    DecodeData(frame, data, reply);
    return reply;
}
