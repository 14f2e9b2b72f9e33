// The combinable (orthogonal) VIFE table of EN 13757-3: record error codes, per-unit rates,
// limit values and exceeds, durations and dates, accumulation direction, corrections, future
// value and manufacturer-specific extensions.

#include "mbusvif.h"

#include <array>

namespace {

enum class Effect {
    Qualify,   // the value is what the VIF says, qualified: only the name changes
    Scale,     // multiply by 10^param
    Rate,      // per-unit or multiplied-by: the unit gets `suffix`
    Count,     // a number of events, without unit
    Date,      // a date or a date and time
    Duration,  // a duration in s, counted by the meter in the unit `param` (0 s ... 3 d)
    ErrorCode, // the meter sent the record error code `param` instead of the value
    Maker,     // the following VIFEs are the manufacturer's
};

struct Combinable
{
    QString name;     // as EN 13757-3 gives it
    QString label;    // the window's name, %1 the name so far
    QString quantity; // the JSON quantity where the dimension changes, %1 the quantity so far
    Effect effect = Effect::Qualify;
    int param = 0;
    QString suffix;
};

Combinable Qualify(const QString &name, const QString &label)
{
    return {name, label, {}, Effect::Qualify, 0, {}};
}

QString HexByte(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

Combinable Reserved(int code)
{
    return Qualify(QStringLiteral("reserved VIFE %1").arg(HexByte(std::uint8_t(code))),
                   QStringLiteral("%1（保留扩展 ") + HexByte(std::uint8_t(code)) +
                       QStringLiteral("）"));
}

struct ErrorName
{
    const char *name;
    const char *label;
};

// E000 xxxx and E001 xxxx: record errors, the meter's reason for sending no value.
constexpr std::array<ErrorName, 32> kRecordErrors{{
    {"none", "无错误"},
    {"too many DIFEs", "DIFE过多"},
    {"storage number not implemented", "不支持该存储号"},
    {"unit number not implemented", "不支持该子单元号"},
    {"tariff number not implemented", "不支持该费率号"},
    {"function not implemented", "不支持该功能"},
    {"data class not implemented", "不支持该数据类型"},
    {"data size not implemented", "不支持该数据长度"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"too many VIFEs", "VIFE过多"},
    {"illegal VIF-group", "非法VIF组"},
    {"illegal VIF-exponent", "非法VIF指数"},
    {"VIF/DIF mismatch", "VIF与DIF不匹配"},
    {"unimplemented action", "不支持的操作"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"no data available (undefined value)", "无可用数据（值未定义）"},
    {"data overflow", "数据上溢"},
    {"data underflow", "数据下溢"},
    {"data error", "数据错误"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"premature end of record", "记录提前结束"},
    {"reserved", "保留"},
    {"reserved", "保留"},
    {"reserved", "保留"},
}};

struct RateName
{
    const char *name;
    const char *label;
    const char *suffix;
};

// E010 0000 to E011 1000: rates and products; an empty suffix leaves the unit.
constexpr std::array<RateName, 25> kRates{{
    {"per second", "每秒", "/s"},
    {"per minute", "每分钟", "/min"},
    {"per hour", "每小时", "/h"},
    {"per day", "每天", "/d"},
    {"per week", "每周", "/week"},
    {"per month", "每月", "/month"},
    {"per year", "每年", "/year"},
    {"per revolution / measurement", "每转/每次测量", "/revolution"},
    {"increment per input pulse on input channel #0", "输入通道0每脉冲增量", ""},
    {"increment per input pulse on input channel #1", "输入通道1每脉冲增量", ""},
    {"increment per output pulse on output channel #0", "输出通道0每脉冲增量", ""},
    {"increment per output pulse on output channel #1", "输出通道1每脉冲增量", ""},
    {"per litre", "每升", "/l"},
    {"per m3", "每立方米", "/m^3"},
    {"per kg", "每千克", "/kg"},
    {"per K", "每开尔文", "/K"},
    {"per kWh", "每千瓦时", "/kWh"},
    {"per GJ", "每吉焦", "/GJ"},
    {"per kW", "每千瓦", "/kW"},
    {"per (K*l)", "每开尔文·升", "/(K·l)"},
    {"per V", "每伏", "/V"},
    {"per A", "每安", "/A"},
    {"multiplied by s", "乘以秒", "·s"},
    {"multiplied by s / V", "乘以秒/伏", "·s/V"},
    {"multiplied by s / A", "乘以秒/安", "·s/A"},
}};

// 0x20 to 0x3F: rates, start date, uncorrected unit and the direction of accumulation.
Combinable RateVife(int code)
{
    if (code <= 0x38) {
        const RateName &r = kRates[std::size_t(code - 0x20)];
        const QString name = QString::fromLatin1(r.name);
        return {name,
                QStringLiteral("%1（") + QString::fromUtf8(r.label) + QStringLiteral("）"),
                QStringLiteral("%1 ") + name,
                Effect::Rate,
                0,
                QString::fromUtf8(r.suffix)};
    }
    switch (code) {
    case 0x39:
        return {QStringLiteral("start date(/time) of"),
                QStringLiteral("%1起始时间"),
                QStringLiteral("start date(/time) of %1"),
                Effect::Date,
                0,
                {}};
    case 0x3A:
        return Qualify(QStringLiteral("uncorrected unit"), QStringLiteral("%1（未修正）"));
    case 0x3B:
        return Qualify(QStringLiteral("accumulation only if positive contributions"),
                       QStringLiteral("%1（仅累积正值）"));
    case 0x3C:
        return Qualify(QStringLiteral("accumulation of abs value only if negative contributions"),
                       QStringLiteral("%1（累积负值的绝对值）"));
    default:
        return Reserved(code);
    }
}

// 0x40 to 0x4F: limit values, numbers of exceeds and the dates of exceeds.
Combinable LimitVife(int code)
{
    const bool upper = code & 0x08;
    const QString limit = upper ? QStringLiteral("upper limit") : QStringLiteral("lower limit");
    const QString limitLabel = upper ? QStringLiteral("上限") : QStringLiteral("下限");
    switch (code & 0x07) {
    case 0x00:
        return Qualify(limit + QStringLiteral(" value"),
                       QStringLiteral("%1") + limitLabel + QStringLiteral("值"));
    case 0x01: {
        const QString name = QStringLiteral("number of exceeds of ") + limit;
        return {name,
                QStringLiteral("%1") + limitLabel + QStringLiteral("超限次数"),
                name + QStringLiteral(" of %1"),
                Effect::Count,
                0,
                {}};
    }
    case 0x04:
    case 0x05:
        return Reserved(code);
    default: {
        const bool last = code & 0x04;
        const bool end = code & 0x01;
        const QString name =
            QStringLiteral("date(/time) of %1 of %2 exceed of %3")
                .arg(end ? QStringLiteral("end") : QStringLiteral("begin"),
                     last ? QStringLiteral("last") : QStringLiteral("first"), limit);
        return {name,
                QStringLiteral("%1") + limitLabel + (last ? QStringLiteral("最后一次") : "") +
                    QStringLiteral("超限") +
                    (end ? QStringLiteral("结束时间") : QStringLiteral("开始时间")),
                name + QStringLiteral(" of %1"),
                Effect::Date,
                0,
                {}};
    }
    }
}

// 0x50 to 0x6F: durations of exceeds and of the value, values during exceeds, their dates.
Combinable DurationVife(int code)
{
    const bool last = code & 0x04;
    const QString which = last ? QStringLiteral("last") : QStringLiteral("first");
    const QString lastLabel = last ? QStringLiteral("最后一次") : QString();
    if (code <= 0x5F) {
        const bool upper = code & 0x08;
        const QString name = QStringLiteral("duration of %1 exceed of %2 limit")
                                 .arg(which, upper ? QStringLiteral("upper") : "lower");
        return {name,
                QStringLiteral("%1") + (upper ? QStringLiteral("上限") : QStringLiteral("下限")) +
                    lastLabel + QStringLiteral("超限持续时间"),
                name + QStringLiteral(" of %1"),
                Effect::Duration,
                code & 0x03,
                {}};
    }
    if (code <= 0x67) {
        const QString name = QStringLiteral("duration of ") + which;
        return {name,
                QStringLiteral("%1") + lastLabel + QStringLiteral("持续时间"),
                name + QStringLiteral(" of %1"),
                Effect::Duration,
                code & 0x03,
                {}};
    }
    switch (code) {
    case 0x68:
    case 0x6C:
        return Qualify(QStringLiteral("value during %1 limit exceed")
                           .arg(code == 0x6C ? QStringLiteral("upper") : "lower"),
                       code == 0x6C ? QStringLiteral("%1（上限超限期间）")
                                    : QStringLiteral("%1（下限超限期间）"));
    case 0x69:
        return Qualify(QStringLiteral("leakage values"), QStringLiteral("%1（泄漏值）"));
    case 0x6D:
        return Qualify(QStringLiteral("overflow values"), QStringLiteral("%1（溢出值）"));
    default: {
        const bool end = code & 0x01;
        const QString name = QStringLiteral("date(/time) of %1 of %2 exceed")
                                 .arg(end ? QStringLiteral("end") : QStringLiteral("begin"), which);
        return {name,
                QStringLiteral("%1") + lastLabel + QStringLiteral("超限") +
                    (end ? QStringLiteral("结束时间") : QStringLiteral("开始时间")),
                name + QStringLiteral(" of %1"),
                Effect::Date,
                0,
                {}};
    }
    }
}

// 0x70 to 0x7F: corrections, future value and the manufacturer's extensions.
Combinable CorrectionVife(int code)
{
    if (code <= 0x77)
        return {QStringLiteral("multiplicative correction factor 10^%1").arg((code & 0x07) - 6),
                {},
                {},
                Effect::Scale,
                (code & 0x07) - 6,
                {}};
    if (code <= 0x7B)
        return {QStringLiteral("additive correction constant 10^%1 * unit of VIF")
                    .arg((code & 0x03) - 3),
                QStringLiteral("%1附加修正常数"),
                {},
                Effect::Scale,
                (code & 0x03) - 3,
                {}};
    switch (code) {
    case 0x7D:
        return {
            QStringLiteral("multiplicative correction factor 10^3"), {}, {}, Effect::Scale, 3, {}};
    case 0x7E:
        return Qualify(QStringLiteral("future value"), QStringLiteral("%1（未来值）"));
    case 0x7F:
        return {QStringLiteral("manufacturer specific"), {}, {}, Effect::Maker, 0, {}};
    default:
        return Reserved(code);
    }
}

Combinable Describe(int code)
{
    if (code <= 0x1F) {
        const ErrorName &e = kRecordErrors[std::size_t(code)];
        return {QStringLiteral("record error: ") + QString::fromLatin1(e.name),
                {},
                {},
                Effect::ErrorCode,
                code,
                QString::fromUtf8(e.label)};
    }
    if (code <= 0x3F)
        return RateVife(code);
    if (code <= 0x4F)
        return LimitVife(code);
    if (code <= 0x6F)
        return DurationVife(code);
    return CorrectionVife(code);
}

constexpr std::array<std::int64_t, 4> kSeconds{1, 60, 3600, 86400};
constexpr std::array<const char *, 4> kSecondsUnits{"s", "min", "h", "d"};

// The raw extension byte among the manufacturer's, shown in the window's name.
void AddMakerByte(Meaning &m, std::uint8_t raw)
{
    const QString hex = HexByte(raw);
    if (!m.makerExtensions) {
        m.makerExtensions = true;
        m.label += QStringLiteral("（厂商扩展 ") + hex + QStringLiteral("）");
        return;
    }
    m.modifiers << QStringLiteral("manufacturer specific ") + hex;
    m.label.insert(m.label.size() - 1, QLatin1Char(' ') + hex);
}

} // namespace

void ApplyCombinableVife(Meaning &m, std::uint8_t raw)
{
    if (m.makerExtensions) {
        AddMakerByte(m, raw);
        return;
    }
    const int code = raw & 0x7F;
    const Combinable c = Describe(code);
    m.modifiers << c.name;
    // Limits and their exceeds are those of the flow: "流量下限值", not "瞬时流量下限值".
    if (code >= 0x40 && code <= 0x5F && m.label.startsWith(QStringLiteral("瞬时")))
        m.label.remove(0, 2);
    if (!c.label.isEmpty())
        m.label = c.label.arg(m.label);
    if (!c.quantity.isEmpty())
        m.quantity = c.quantity.arg(m.quantity);
    switch (c.effect) {
    case Effect::Qualify:
        break;
    case Effect::Scale:
        m.exponent += c.param;
        break;
    case Effect::Rate:
        m.unit += c.suffix;
        if (!m.meterUnit.isEmpty())
            m.meterUnit += c.suffix;
        break;
    case Effect::Count:
    case Effect::Date:
        m.kind = c.effect == Effect::Count ? Kind::Count : Kind::AnyDate;
        m.unit.clear();
        m.meterUnit.clear();
        break;
    case Effect::Duration:
        m.kind = Kind::Number;
        m.unit = QStringLiteral("s");
        m.exponent = 0;
        m.factor = kSeconds[std::size_t(c.param)];
        m.meterUnit = QString::fromLatin1(kSecondsUnits[std::size_t(c.param)]);
        break;
    case Effect::ErrorCode:
        m.kind = Kind::ErrorCode;
        m.errorCode = c.param;
        m.errorText = c.suffix;
        m.unit.clear();
        break;
    case Effect::Maker:
        AddMakerByte(m, raw);
        break;
    }
}
