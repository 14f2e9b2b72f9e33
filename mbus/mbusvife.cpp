// The combinable (orthogonal) VIFE table of EN 13757-3: record error codes, per-unit rates,
// limit values and exceeds, durations and dates, accumulation direction, corrections, future
// value and manufacturer-specific extensions.

#include "mbusvif.h"

#include <QCoreApplication>
#include <array>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(MbusDecoder)
};
} // namespace

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
    return Qualify(
        QStringLiteral("reserved VIFE %1").arg(HexByte(std::uint8_t(code))),
        Words::tr("%1（保留扩展 %2）").arg(QStringLiteral("%1"), HexByte(std::uint8_t(code))));
}

struct ErrorName
{
    const char *name;
    const char *label;
};

// E000 xxxx and E001 xxxx: record errors, the meter's reason for sending no value.
constexpr std::array<ErrorName, 32> kRecordErrors{{
    {"none", QT_TRANSLATE_NOOP("MbusDecoder", "无错误")},
    {"too many DIFEs", QT_TRANSLATE_NOOP("MbusDecoder", "DIFE过多")},
    {"storage number not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该存储号")},
    {"unit number not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该子单元号")},
    {"tariff number not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该费率号")},
    {"function not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该功能")},
    {"data class not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该数据类型")},
    {"data size not implemented", QT_TRANSLATE_NOOP("MbusDecoder", "不支持该数据长度")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"too many VIFEs", QT_TRANSLATE_NOOP("MbusDecoder", "VIFE过多")},
    {"illegal VIF-group", QT_TRANSLATE_NOOP("MbusDecoder", "非法VIF组")},
    {"illegal VIF-exponent", QT_TRANSLATE_NOOP("MbusDecoder", "非法VIF指数")},
    {"VIF/DIF mismatch", QT_TRANSLATE_NOOP("MbusDecoder", "VIF与DIF不匹配")},
    {"unimplemented action", QT_TRANSLATE_NOOP("MbusDecoder", "不支持的操作")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"no data available (undefined value)",
     QT_TRANSLATE_NOOP("MbusDecoder", "无可用数据（值未定义）")},
    {"data overflow", QT_TRANSLATE_NOOP("MbusDecoder", "数据上溢")},
    {"data underflow", QT_TRANSLATE_NOOP("MbusDecoder", "数据下溢")},
    {"data error", QT_TRANSLATE_NOOP("MbusDecoder", "数据错误")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"premature end of record", QT_TRANSLATE_NOOP("MbusDecoder", "记录提前结束")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
    {"reserved", QT_TRANSLATE_NOOP("MbusDecoder", "保留")},
}};

struct RateName
{
    const char *name;
    const char *label;
    const char *suffix;
};

// E010 0000 to E011 1000: rates and products; an empty suffix leaves the unit.
constexpr std::array<RateName, 25> kRates{{
    {"per second", QT_TRANSLATE_NOOP("MbusDecoder", "每秒"), "/s"},
    {"per minute", QT_TRANSLATE_NOOP("MbusDecoder", "每分钟"), "/min"},
    {"per hour", QT_TRANSLATE_NOOP("MbusDecoder", "每小时"), "/h"},
    {"per day", QT_TRANSLATE_NOOP("MbusDecoder", "每天"), "/d"},
    {"per week", QT_TRANSLATE_NOOP("MbusDecoder", "每周"), "/week"},
    {"per month", QT_TRANSLATE_NOOP("MbusDecoder", "每月"), "/month"},
    {"per year", QT_TRANSLATE_NOOP("MbusDecoder", "每年"), "/year"},
    {"per revolution / measurement", QT_TRANSLATE_NOOP("MbusDecoder", "每转/每次测量"),
     "/revolution"},
    {"increment per input pulse on input channel #0",
     QT_TRANSLATE_NOOP("MbusDecoder", "输入通道0每脉冲增量"), ""},
    {"increment per input pulse on input channel #1",
     QT_TRANSLATE_NOOP("MbusDecoder", "输入通道1每脉冲增量"), ""},
    {"increment per output pulse on output channel #0",
     QT_TRANSLATE_NOOP("MbusDecoder", "输出通道0每脉冲增量"), ""},
    {"increment per output pulse on output channel #1",
     QT_TRANSLATE_NOOP("MbusDecoder", "输出通道1每脉冲增量"), ""},
    {"per litre", QT_TRANSLATE_NOOP("MbusDecoder", "每升"), "/l"},
    {"per m3", QT_TRANSLATE_NOOP("MbusDecoder", "每立方米"), "/m^3"},
    {"per kg", QT_TRANSLATE_NOOP("MbusDecoder", "每千克"), "/kg"},
    {"per K", QT_TRANSLATE_NOOP("MbusDecoder", "每开尔文"), "/K"},
    {"per kWh", QT_TRANSLATE_NOOP("MbusDecoder", "每千瓦时"), "/kWh"},
    {"per GJ", QT_TRANSLATE_NOOP("MbusDecoder", "每吉焦"), "/GJ"},
    {"per kW", QT_TRANSLATE_NOOP("MbusDecoder", "每千瓦"), "/kW"},
    {"per (K*l)", QT_TRANSLATE_NOOP("MbusDecoder", "每开尔文·升"), "/(K·l)"},
    {"per V", QT_TRANSLATE_NOOP("MbusDecoder", "每伏"), "/V"},
    {"per A", QT_TRANSLATE_NOOP("MbusDecoder", "每安"), "/A"},
    {"multiplied by s", QT_TRANSLATE_NOOP("MbusDecoder", "乘以秒"), "·s"},
    {"multiplied by s / V", QT_TRANSLATE_NOOP("MbusDecoder", "乘以秒/伏"), "·s/V"},
    {"multiplied by s / A", QT_TRANSLATE_NOOP("MbusDecoder", "乘以秒/安"), "·s/A"},
}};

// 0x20 to 0x3F: rates, start date, uncorrected unit and the direction of accumulation.
Combinable RateVife(int code)
{
    if (code <= 0x38) {
        const RateName &r = kRates[std::size_t(code - 0x20)];
        const QString name = QString::fromLatin1(r.name);
        return {name,
                Words::tr("%1（%2）").arg(QStringLiteral("%1"), Words::tr(r.label)),
                QStringLiteral("%1 ") + name,
                Effect::Rate,
                0,
                QString::fromUtf8(r.suffix)};
    }
    switch (code) {
    case 0x39:
        return {QStringLiteral("start date(/time) of"),
                Words::tr("%1起始时间"),
                QStringLiteral("start date(/time) of %1"),
                Effect::Date,
                0,
                {}};
    case 0x3A:
        return Qualify(QStringLiteral("uncorrected unit"), Words::tr("%1（未修正）"));
    case 0x3B:
        return Qualify(QStringLiteral("accumulation only if positive contributions"),
                       Words::tr("%1（仅累积正值）"));
    case 0x3C:
        return Qualify(QStringLiteral("accumulation of abs value only if negative contributions"),
                       Words::tr("%1（累积负值的绝对值）"));
    default:
        return Reserved(code);
    }
}

// Names of the dates of limit exceeds: [upper][last][end].
constexpr const char *kLimitExceedDates[2][2][2] = {
    {{QT_TRANSLATE_NOOP("MbusDecoder", "%1下限超限开始时间"),
      QT_TRANSLATE_NOOP("MbusDecoder", "%1下限超限结束时间")},
     {QT_TRANSLATE_NOOP("MbusDecoder", "%1下限最后一次超限开始时间"),
      QT_TRANSLATE_NOOP("MbusDecoder", "%1下限最后一次超限结束时间")}},
    {{QT_TRANSLATE_NOOP("MbusDecoder", "%1上限超限开始时间"),
      QT_TRANSLATE_NOOP("MbusDecoder", "%1上限超限结束时间")},
     {QT_TRANSLATE_NOOP("MbusDecoder", "%1上限最后一次超限开始时间"),
      QT_TRANSLATE_NOOP("MbusDecoder", "%1上限最后一次超限结束时间")}}};
// Names of the durations of limit exceeds: [upper][last].
constexpr const char *kLimitExceedDurations[2][2] = {
    {QT_TRANSLATE_NOOP("MbusDecoder", "%1下限超限持续时间"),
     QT_TRANSLATE_NOOP("MbusDecoder", "%1下限最后一次超限持续时间")},
    {QT_TRANSLATE_NOOP("MbusDecoder", "%1上限超限持续时间"),
     QT_TRANSLATE_NOOP("MbusDecoder", "%1上限最后一次超限持续时间")}};
// Names of the dates of exceeds: [last][end].
constexpr const char *kExceedDates[2][2] = {
    {QT_TRANSLATE_NOOP("MbusDecoder", "%1超限开始时间"),
     QT_TRANSLATE_NOOP("MbusDecoder", "%1超限结束时间")},
    {QT_TRANSLATE_NOOP("MbusDecoder", "%1最后一次超限开始时间"),
     QT_TRANSLATE_NOOP("MbusDecoder", "%1最后一次超限结束时间")}};

// 0x40 to 0x4F: limit values, numbers of exceeds and the dates of exceeds.
Combinable LimitVife(int code)
{
    const bool upper = code & 0x08;
    const QString limit = upper ? QStringLiteral("upper limit") : QStringLiteral("lower limit");
    switch (code & 0x07) {
    case 0x00:
        return Qualify(limit + QStringLiteral(" value"),
                       upper ? Words::tr("%1上限值") : Words::tr("%1下限值"));
    case 0x01: {
        const QString name = QStringLiteral("number of exceeds of ") + limit;
        return {name,
                upper ? Words::tr("%1上限超限次数") : Words::tr("%1下限超限次数"),
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
                Words::tr(kLimitExceedDates[upper][last][end]),
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
    if (code <= 0x5F) {
        const bool upper = code & 0x08;
        const QString name = QStringLiteral("duration of %1 exceed of %2 limit")
                                 .arg(which, upper ? QStringLiteral("upper") : "lower");
        return {name,
                Words::tr(kLimitExceedDurations[upper][last]),
                name + QStringLiteral(" of %1"),
                Effect::Duration,
                code & 0x03,
                {}};
    }
    if (code <= 0x67) {
        const QString name = QStringLiteral("duration of ") + which;
        return {name,
                last ? Words::tr("%1最后一次持续时间") : Words::tr("%1持续时间"),
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
                       code == 0x6C ? Words::tr("%1（上限超限期间）")
                                    : Words::tr("%1（下限超限期间）"));
    case 0x69:
        return Qualify(QStringLiteral("leakage values"), Words::tr("%1（泄漏值）"));
    case 0x6D:
        return Qualify(QStringLiteral("overflow values"), Words::tr("%1（溢出值）"));
    default: {
        const bool end = code & 0x01;
        const QString name = QStringLiteral("date(/time) of %1 of %2 exceed")
                                 .arg(end ? QStringLiteral("end") : QStringLiteral("begin"), which);
        return {name,
                Words::tr(kExceedDates[last][end]),
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
                Words::tr("%1附加修正常数"),
                {},
                Effect::Scale,
                (code & 0x03) - 3,
                {}};
    switch (code) {
    case 0x7D:
        return {
            QStringLiteral("multiplicative correction factor 10^3"), {}, {}, Effect::Scale, 3, {}};
    case 0x7E:
        return Qualify(QStringLiteral("future value"), Words::tr("%1（未来值）"));
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
                Words::tr(e.label)};
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
        m.label = Words::tr("%1（厂商扩展 %2）").arg(m.label, hex);
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
    if (code >= 0x40 && code <= 0x5F && m.label.startsWith(Words::tr("瞬时流量")))
        m.label.replace(0, Words::tr("瞬时流量").size(), Words::tr("流量"));
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
