#include "mbusvif.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <utility>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(MbusDecoder)
};
} // namespace

Meaning Number(const char *quantity, const QString &label, const char *unit, int exponent,
               std::int64_t factor)
{
    Meaning m;
    m.quantity = QString::fromLatin1(quantity);
    m.label = label;
    m.unit = QString::fromUtf8(unit);
    m.exponent = exponent;
    m.factor = factor;
    return m;
}

Meaning Other(const char *quantity, const QString &label, Kind kind)
{
    Meaning m;
    m.quantity = QString::fromLatin1(quantity);
    m.label = label;
    m.kind = kind;
    return m;
}

namespace {

Meaning Unknown(const QString &what, const QString &label)
{
    Meaning m;
    m.quantity = what;
    m.label = label;
    m.known = false;
    return m;
}

QString Hex(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// Seconds in the unit of a duration's two low bits: seconds, minutes, hours, days.
constexpr std::array<std::int64_t, 4> kDurationSeconds{1, 60, 3600, 86400};
const std::array<QString, 4> kDurationUnits{QStringLiteral("s"), QStringLiteral("min"),
                                            QStringLiteral("h"), QStringLiteral("d")};

// A value in `unit` counted by the meter in `meterUnit`, `factor` of them to one base unit.
Meaning Counted(Meaning m, const char *meterUnit)
{
    m.meterUnit = QString::fromUtf8(meterUnit);
    return m;
}

// Primary VIFs whose three low bits give the range: energy, volume, mass, power and flows.
std::optional<Meaning> RangeOfEightVif(std::uint8_t vif)
{
    const int n3 = vif & 0x07;
    switch (vif & 0x78) {
    case 0x00:
        return Number("energy", Words::tr("能量"), "Wh", n3 - 3);
    case 0x08:
        return Number("energy", Words::tr("能量"), "J", n3);
    case 0x10:
        return Number("volume", Words::tr("累积流量"), "m^3", n3 - 6);
    case 0x18:
        return Number("mass", Words::tr("质量"), "kg", n3 - 3);
    case 0x28:
        return Number("power", Words::tr("功率"), "W", n3 - 3);
    case 0x30:
        return Number("power", Words::tr("功率"), "J/h", n3);
    case 0x38:
        return Number("volume flow", Words::tr("瞬时流量"), "m^3/h", n3 - 6);
    case 0x40:
        return Counted(Number("volume flow", Words::tr("瞬时流量"), "m^3/h", n3 - 7, 60), "m³/min");
    case 0x48:
        return Counted(Number("volume flow", Words::tr("瞬时流量"), "m^3/h", n3 - 9, 3600), "m³/s");
    case 0x50:
        return Number("mass flow", Words::tr("质量流量"), "kg/h", n3 - 3);
    default:
        return std::nullopt;
    }
}

// Primary VIFs whose two low bits give the range or the unit: durations, temperatures, pressure.
std::optional<Meaning> RangeOfFourVif(std::uint8_t vif)
{
    const int n2 = vif & 0x03;
    switch (vif & 0x7C) {
    case 0x20:
        return Duration("on time", Words::tr("通电时间"), n2);
    case 0x24:
        return Duration("operating time", Words::tr("工作时间"), n2);
    case 0x58:
        return Number("flow temperature", Words::tr("供水温度"), "°C", n2 - 3);
    case 0x5C:
        return Number("return temperature", Words::tr("回水温度"), "°C", n2 - 3);
    case 0x60:
        return Number("temperature difference", Words::tr("温差"), "K", n2 - 3);
    case 0x64:
        return Number("external temperature", Words::tr("外部温度"), "°C", n2 - 3);
    case 0x68:
        if (vif <= 0x6B)
            return Number("pressure", Words::tr("压力"), "bar", n2 - 3);
        return std::nullopt;
    case 0x70:
        return Duration("averaging duration", Words::tr("平均时长"), n2);
    case 0x74:
        return Duration("actuality duration", Words::tr("实际时长"), n2);
    default:
        return std::nullopt;
    }
}

// Primary VIFs that stand for one quantity each: dates, counts and identifiers.
std::optional<Meaning> SingleVif(std::uint8_t vif)
{
    switch (vif) {
    case 0x6C:
        return Other("date", Words::tr("日期"), Kind::DateG);
    case 0x6D:
        return Other("date and time", Words::tr("日期时间"), Kind::DateTime);
    case 0x6E:
        return Other("heat cost allocator units", Words::tr("热分配表读数"), Kind::Count);
    case 0x78:
        return Other("fabrication number", Words::tr("出厂编号"), Kind::Ident);
    case 0x79:
        return Other("enhanced identification", Words::tr("扩展标识"), Kind::Ident);
    case 0x7A:
        return Other("bus address", Words::tr("总线地址"), Kind::Count);
    default:
        return std::nullopt;
    }
}

struct NamedCode
{
    std::uint8_t code;
    const char *quantity;
    const char *label;
    Kind kind;
};

// The entries of the FD table that stand for one quantity each.
constexpr std::array kFdSingles{
    NamedCode{0x08, "access number", QT_TRANSLATE_NOOP("MbusDecoder", "访问号"), Kind::Count},
    NamedCode{0x09, "medium", QT_TRANSLATE_NOOP("MbusDecoder", "介质"), Kind::Count},
    NamedCode{0x0A, "manufacturer", QT_TRANSLATE_NOOP("MbusDecoder", "厂商"), Kind::Ident},
    NamedCode{0x0B, "parameter set", QT_TRANSLATE_NOOP("MbusDecoder", "参数集标识"), Kind::Ident},
    NamedCode{0x0C, "model version", QT_TRANSLATE_NOOP("MbusDecoder", "型号版本"), Kind::Ident},
    NamedCode{0x0D, "hardware version", QT_TRANSLATE_NOOP("MbusDecoder", "硬件版本"), Kind::Ident},
    NamedCode{0x0E, "firmware version", QT_TRANSLATE_NOOP("MbusDecoder", "固件版本"), Kind::Ident},
    NamedCode{0x0F, "software version", QT_TRANSLATE_NOOP("MbusDecoder", "软件版本"), Kind::Ident},
    NamedCode{0x10, "customer location", QT_TRANSLATE_NOOP("MbusDecoder", "用户位置"), Kind::Ident},
    NamedCode{0x11, "customer", QT_TRANSLATE_NOOP("MbusDecoder", "用户"), Kind::Ident},
    NamedCode{0x12, "access code user", QT_TRANSLATE_NOOP("MbusDecoder", "用户访问码"),
              Kind::Ident},
    NamedCode{0x13, "access code operator", QT_TRANSLATE_NOOP("MbusDecoder", "运营商访问码"),
              Kind::Ident},
    NamedCode{0x14, "access code system operator",
              QT_TRANSLATE_NOOP("MbusDecoder", "系统运营商访问码"), Kind::Ident},
    NamedCode{0x15, "access code developer", QT_TRANSLATE_NOOP("MbusDecoder", "开发者访问码"),
              Kind::Ident},
    NamedCode{0x16, "password", QT_TRANSLATE_NOOP("MbusDecoder", "密码"), Kind::Ident},
    NamedCode{0x17, "error flags", QT_TRANSLATE_NOOP("MbusDecoder", "错误标志"), Kind::Count},
    NamedCode{0x18, "error mask", QT_TRANSLATE_NOOP("MbusDecoder", "错误掩码"), Kind::Count},
    NamedCode{0x1A, "digital output", QT_TRANSLATE_NOOP("MbusDecoder", "数字输出"), Kind::Count},
    NamedCode{0x1B, "digital input", QT_TRANSLATE_NOOP("MbusDecoder", "数字输入"), Kind::Count},
    NamedCode{0x1C, "baud rate", QT_TRANSLATE_NOOP("MbusDecoder", "波特率"), Kind::Count},
    NamedCode{0x1D, "response delay time", QT_TRANSLATE_NOOP("MbusDecoder", "响应延迟（位时间）"),
              Kind::Count},
    NamedCode{0x1E, "retry", QT_TRANSLATE_NOOP("MbusDecoder", "重试次数"), Kind::Count},
    NamedCode{0x20, "first storage number for cyclic storage",
              QT_TRANSLATE_NOOP("MbusDecoder", "循环存储首存储号"), Kind::Count},
    NamedCode{0x21, "last storage number for cyclic storage",
              QT_TRANSLATE_NOOP("MbusDecoder", "循环存储末存储号"), Kind::Count},
    NamedCode{0x22, "size of storage block", QT_TRANSLATE_NOOP("MbusDecoder", "存储块大小"),
              Kind::Count},
    NamedCode{0x28, "storage interval months", QT_TRANSLATE_NOOP("MbusDecoder", "存储间隔（月）"),
              Kind::Count},
    NamedCode{0x29, "storage interval years", QT_TRANSLATE_NOOP("MbusDecoder", "存储间隔（年）"),
              Kind::Count},
    NamedCode{0x30, "start of tariff", QT_TRANSLATE_NOOP("MbusDecoder", "费率开始时间"),
              Kind::AnyDate},
    NamedCode{0x38, "period of tariff months", QT_TRANSLATE_NOOP("MbusDecoder", "费率周期（月）"),
              Kind::Count},
    NamedCode{0x39, "period of tariff years", QT_TRANSLATE_NOOP("MbusDecoder", "费率周期（年）"),
              Kind::Count},
    NamedCode{0x3A, "dimensionless", QT_TRANSLATE_NOOP("MbusDecoder", "无量纲值"), Kind::Count},
    NamedCode{0x60, "reset counter", QT_TRANSLATE_NOOP("MbusDecoder", "复位次数"), Kind::Count},
    NamedCode{0x61, "cumulation counter", QT_TRANSLATE_NOOP("MbusDecoder", "累积次数"),
              Kind::Count},
    NamedCode{0x62, "control signal", QT_TRANSLATE_NOOP("MbusDecoder", "控制信号"), Kind::Count},
    NamedCode{0x63, "day of week", QT_TRANSLATE_NOOP("MbusDecoder", "星期"), Kind::Count},
    NamedCode{0x64, "week number", QT_TRANSLATE_NOOP("MbusDecoder", "周数"), Kind::Count},
    NamedCode{0x65, "time point of day change", QT_TRANSLATE_NOOP("MbusDecoder", "日切换时间点"),
              Kind::Count},
    NamedCode{0x66, "state of parameter activation",
              QT_TRANSLATE_NOOP("MbusDecoder", "参数激活状态"), Kind::Count},
    NamedCode{0x67, "special supplier information",
              QT_TRANSLATE_NOOP("MbusDecoder", "特殊供应商信息"), Kind::Count},
    NamedCode{0x70, "date and time of battery change",
              QT_TRANSLATE_NOOP("MbusDecoder", "更换电池日期"), Kind::AnyDate},
};

// Entries of the FD table whose low bits give a range or a unit.
std::optional<Meaning> FdRange(std::uint8_t vife)
{
    const int nn = vife & 0x03;
    if (vife <= 0x07) // credit and debit in 10^(nn-3) currency units
        return Number(vife <= 0x03 ? "credit" : "debit",
                      vife <= 0x03 ? Words::tr("贷记金额") : Words::tr("借记金额"),
                      "currency units", nn - 3);
    if (vife >= 0x40 && vife <= 0x4F)
        return Number("voltage", Words::tr("电压"), "V", (vife & 0x0F) - 9);
    if (vife >= 0x50 && vife <= 0x5F)
        return Number("current", Words::tr("电流"), "A", (vife & 0x0F) - 12);
    switch (vife & 0x7C) {
    case 0x24:
        return Duration("storage interval", Words::tr("存储间隔"), nn);
    case 0x2C:
        return Duration("duration since last readout", Words::tr("距上次读表时长"), nn);
    case 0x30:
        if (nn != 0) // 0x30 is the start of tariff
            return Duration("duration of tariff", Words::tr("费率持续时间"), nn);
        return std::nullopt;
    case 0x34:
        return Duration("period of tariff", Words::tr("费率周期"), nn);
    default:
        break;
    }
    // Hours and days have a fixed length in seconds; months and years do not.
    const auto hoursToYears = [](const char *quantity, const QString &label, int pp) {
        static const char *const kUnits[] = {"h", "d", "months", "years"};
        return pp <= 1
                   ? Counted(Number(quantity, label, "s", 0, pp == 0 ? 3600 : 86400), kUnits[pp])
                   : Other(quantity,
                           (pp == 2 ? Words::tr("%1（月）") : Words::tr("%1（年）")).arg(label),
                           Kind::Count);
    };
    if ((vife & 0x7C) == 0x68)
        return hoursToYears("duration since last cumulation", Words::tr("距上次累积时长"), nn);
    if ((vife & 0x7C) == 0x6C)
        return hoursToYears("battery operating time", Words::tr("电池使用时间"), nn);
    if (vife == 0x74)
        return Counted(Number("remaining battery time", Words::tr("电池剩余时间"), "s", 0, 86400),
                       "d");
    return std::nullopt;
}

} // namespace

Meaning Duration(const char *quantity, const QString &label, int nn)
{
    Meaning m = Number(quantity, label, "s", 0, kDurationSeconds[nn & 3]);
    m.meterUnit = kDurationUnits[nn & 3];
    return m;
}

Meaning PrimaryVif(std::uint8_t vif)
{
    for (const auto table : {RangeOfEightVif, RangeOfFourVif, SingleVif}) {
        if (std::optional<Meaning> meaning = table(vif))
            return std::move(*meaning);
    }
    return Unknown(QStringLiteral("unknown VIF %1").arg(Hex(vif)),
                   Words::tr("未知VIF %1").arg(Hex(vif).toUpper()));
}

Meaning FdVif(std::uint8_t vife)
{
    const auto it = std::find_if(kFdSingles.begin(), kFdSingles.end(),
                                 [vife](const NamedCode &c) { return c.code == vife; });
    if (it != kFdSingles.end())
        return Other(it->quantity, Words::tr(it->label), it->kind);
    if (std::optional<Meaning> meaning = FdRange(vife))
        return std::move(*meaning);
    return Unknown(QStringLiteral("unknown VIFE FD %1").arg(Hex(vife)),
                   Words::tr("未知扩展VIF FD %1").arg(Hex(vife).toUpper()));
}

namespace {

// Flow, return, difference and external temperature and the temperature limits in °F.
std::optional<Meaning> FbFahrenheit(std::uint8_t vife)
{
    const int nn = vife & 0x03;
    switch (vife & 0x7C) {
    case 0x58:
        return Number("flow temperature", Words::tr("供水温度"), "°F", nn - 3);
    case 0x5C:
        return Number("return temperature", Words::tr("回水温度"), "°F", nn - 3);
    case 0x60:
        return Number("temperature difference", Words::tr("温差"), "°F", nn - 3);
    case 0x64:
        return Number("external temperature", Words::tr("外部温度"), "°F", nn - 3);
    case 0x70:
        return Number("cold / warm temperature limit", Words::tr("冷/暖温度限值"), "°F", nn - 3);
    case 0x74:
        return Number("cold / warm temperature limit", Words::tr("冷/暖温度限值"), "°C", nn - 3);
    default:
        return std::nullopt;
    }
}

// US volumes and flows, converted exactly to m³ (1 ft³ = 0.028316846592 m³, 1 US gallon =
// 0.003785411784 m³) and m³/h.
std::optional<Meaning> FbUsVolume(std::uint8_t vife)
{
    switch (vife) {
    case 0x21:
        return Counted(Number("volume", Words::tr("累积流量"), "m^3", -13, 28316846592),
                       "×0.1 ft³");
    case 0x22:
        return Counted(Number("volume", Words::tr("累积流量"), "m^3", -13, 3785411784),
                       "×0.1 US gal");
    case 0x23:
        return Counted(Number("volume", Words::tr("累积流量"), "m^3", -12, 3785411784), "US gal");
    case 0x24:
        return Counted(Number("volume flow", Words::tr("瞬时流量"), "m^3/h", -14, 22712470704),
                       "×0.001 US gal/min");
    case 0x25:
        return Counted(Number("volume flow", Words::tr("瞬时流量"), "m^3/h", -11, 22712470704),
                       "US gal/min");
    case 0x26:
        return Counted(Number("volume flow", Words::tr("瞬时流量"), "m^3/h", -12, 3785411784),
                       "US gal/h");
    default:
        return std::nullopt;
    }
}

// The large metric units of the FB table.
std::optional<Meaning> FbMetric(std::uint8_t vife)
{
    const int n = vife & 0x01;
    if ((vife & 0x78) == 0x78)
        return Number("cumulative count max power", Words::tr("最大功率累计计数"), "W",
                      (vife & 0x07) - 3);
    switch (vife & 0x7E) {
    case 0x00:
        return Number("energy", Words::tr("能量"), "Wh", n + 5); // 0.1 MWh
    case 0x08:
        return Number("energy", Words::tr("能量"), "J", n + 8); // 0.1 GJ
    case 0x10:
        return Number("volume", Words::tr("累积流量"), "m^3", n + 2); // 100 m³
    case 0x18:
        return Number("mass", Words::tr("质量"), "kg", n + 5); // 100 t
    case 0x28:
        return Number("power", Words::tr("功率"), "W", n + 5); // 0.1 MW
    case 0x30:
        return Number("power", Words::tr("功率"), "J/h", n + 8); // 0.1 GJ/h
    default:
        return std::nullopt;
    }
}

} // namespace

Meaning FbVif(std::uint8_t vife)
{
    for (const auto table : {FbMetric, FbUsVolume, FbFahrenheit}) {
        if (std::optional<Meaning> meaning = table(vife))
            return std::move(*meaning);
    }
    return Unknown(QStringLiteral("unknown VIFE FB %1").arg(Hex(vife)),
                   Words::tr("未知扩展VIF FB %1").arg(Hex(vife).toUpper()));
}

void UseMediumTerms(Meaning &meaning, std::optional<std::uint8_t> medium)
{
    if (!medium)
        return;
    const bool heat = *medium == 0x04 || *medium == 0x0C;
    const bool cooling = *medium == 0x0A || *medium == 0x0B;
    const bool both = *medium == 0x0D;
    if (!heat && !cooling && !both)
        return;
    if (meaning.quantity == QLatin1String("energy"))
        meaning.label =
            heat ? Words::tr("热量") : (cooling ? Words::tr("冷量") : Words::tr("冷热量"));
    else if (meaning.quantity == QLatin1String("power"))
        meaning.label = Words::tr("热功率");
}
