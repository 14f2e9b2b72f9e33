#include "mbusdecoder.h"

#include "conversions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
constexpr int kLengthPos = 2;
constexpr int kUserDataPos = 4; // C field: the checksum range starts here

// CI fields of a variable data reply.
constexpr std::uint8_t kCiLongHeader = 0x72;
constexpr std::uint8_t kCiLongHeaderMsbFirst = 0x76;
constexpr std::uint8_t kCiNoHeader = 0x78;
constexpr std::uint8_t kCiShortHeader = 0x7A;
constexpr int kLongHeaderSize = 12;
constexpr int kShortHeaderSize = 4;

// Special DIFs.
constexpr std::uint8_t kDifManufacturerData = 0x0F;
constexpr std::uint8_t kDifManufacturerDataMore = 0x1F;
constexpr std::uint8_t kDifIdleFiller = 0x2F;
constexpr std::uint8_t kExtensionBit = 0x80;
// EN 13757-3 allows at most ten DIFEs and ten VIFEs.
constexpr int kMaxExtensions = 10;

constexpr std::uint8_t kVifPlainText = 0x7C;
constexpr std::uint8_t kVifTableFd = 0xFD;
constexpr std::uint8_t kVifTableFb = 0xFB;
constexpr std::uint8_t kVifAny = 0x7E;
constexpr std::uint8_t kVifManufacturer = 0x7F;

// How the data of a record reads.
enum class Kind {
    Number,   // a measured value, scaled by exponent and factor
    Count,    // an unsigned count or code, not scaled
    Ident,    // an identifier: digits kept as text
    DateG,    // EN 13757-3 type G
    DateTime, // type F (32 bits) or type I (48 bits)
};

struct Meaning
{
    QString quantity;
    QString label;
    QString unit;
    int exponent = 0;
    std::int64_t factor = 1; // minutes to seconds, per minute to per hour
    Kind kind = Kind::Number;
    bool known = true;
    bool combinable = true; // whether the standard's combinable VIFEs apply
};

Meaning Number(const char *quantity, const QString &label, const char *unit, int exponent,
               std::int64_t factor = 1)
{
    return {QString::fromLatin1(quantity), label, QString::fromUtf8(unit), exponent, factor};
}

Meaning Other(const char *quantity, const QString &label, Kind kind)
{
    return {QString::fromLatin1(quantity), label, QString(), 0, 1, kind};
}

Meaning Unknown(const QString &what)
{
    Meaning m;
    m.quantity = what;
    m.known = false;
    return m;
}

// Seconds in the unit of a duration's two low bits: seconds, minutes, hours, days.
constexpr std::array<std::int64_t, 4> kDurationSeconds{1, 60, 3600, 86400};

Meaning Duration(const char *quantity, const QString &label, int nn)
{
    return Number(quantity, label, "s", 0, kDurationSeconds[nn & 3]);
}

// Primary VIFs whose three low bits give the range: energy, volume, mass, power and flows.
std::optional<Meaning> RangeOfEightVif(std::uint8_t vif)
{
    const int n3 = vif & 0x07;
    switch (vif & 0x78) {
    case 0x00:
        return Number("energy", QStringLiteral("能量"), "Wh", n3 - 3);
    case 0x08:
        return Number("energy", QStringLiteral("能量"), "J", n3);
    case 0x10:
        return Number("volume", QStringLiteral("体积"), "m^3", n3 - 6);
    case 0x18:
        return Number("mass", QStringLiteral("质量"), "kg", n3 - 3);
    case 0x28:
        return Number("power", QStringLiteral("功率"), "W", n3 - 3);
    case 0x30:
        return Number("power", QStringLiteral("功率"), "J/h", n3);
    case 0x38:
        return Number("volume flow", QStringLiteral("体积流量"), "m^3/h", n3 - 6);
    case 0x40:
        return Number("volume flow", QStringLiteral("体积流量"), "m^3/h", n3 - 7, 60);
    case 0x48:
        return Number("volume flow", QStringLiteral("体积流量"), "m^3/h", n3 - 9, 3600);
    case 0x50:
        return Number("mass flow", QStringLiteral("质量流量"), "kg/h", n3 - 3);
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
        return Duration("on time", QStringLiteral("通电时间"), n2);
    case 0x24:
        return Duration("operating time", QStringLiteral("工作时间"), n2);
    case 0x58:
        return Number("flow temperature", QStringLiteral("供水温度"), "°C", n2 - 3);
    case 0x5C:
        return Number("return temperature", QStringLiteral("回水温度"), "°C", n2 - 3);
    case 0x60:
        return Number("temperature difference", QStringLiteral("温差"), "K", n2 - 3);
    case 0x64:
        return Number("external temperature", QStringLiteral("外部温度"), "°C", n2 - 3);
    case 0x68:
        if (vif <= 0x6B)
            return Number("pressure", QStringLiteral("压力"), "bar", n2 - 3);
        return std::nullopt;
    case 0x70:
        return Duration("averaging duration", QStringLiteral("平均时长"), n2);
    case 0x74:
        return Duration("actuality duration", QStringLiteral("实际时长"), n2);
    default:
        return std::nullopt;
    }
}

// Primary VIFs that stand for one quantity each: dates, counts and identifiers.
std::optional<Meaning> SingleVif(std::uint8_t vif)
{
    switch (vif) {
    case 0x6C:
        return Other("date", QStringLiteral("日期"), Kind::DateG);
    case 0x6D:
        return Other("date and time", QStringLiteral("日期时间"), Kind::DateTime);
    case 0x6E:
        return Other("heat cost allocator units", QStringLiteral("热分配表读数"), Kind::Count);
    case 0x78:
        return Other("fabrication number", QStringLiteral("出厂编号"), Kind::Ident);
    case 0x79:
        return Other("enhanced identification", QStringLiteral("扩展标识"), Kind::Ident);
    case 0x7A:
        return Other("bus address", QStringLiteral("总线地址"), Kind::Count);
    default:
        return std::nullopt;
    }
}

// Primary VIF table (the VIF without its extension bit).
Meaning PrimaryVif(std::uint8_t vif)
{
    for (const auto table : {RangeOfEightVif, RangeOfFourVif, SingleVif}) {
        if (std::optional<Meaning> meaning = table(vif))
            return std::move(*meaning);
    }
    return Unknown(QStringLiteral("unknown VIF %1").arg(vif, 2, 16, QLatin1Char('0')));
}

// First extension table (VIF FD, then this VIFE without its extension bit).
Meaning FdVif(std::uint8_t vife)
{
    if (vife >= 0x40 && vife <= 0x4F)
        return Number("voltage", QStringLiteral("电压"), "V", (vife & 0x0F) - 9);
    if (vife >= 0x50 && vife <= 0x5F)
        return Number("current", QStringLiteral("电流"), "A", (vife & 0x0F) - 12);
    if (vife >= 0x6C && vife <= 0x6F) {
        // Hours, days, months, years: only the first two have a fixed length in seconds.
        if (vife <= 0x6D)
            return Number("battery operating time", QStringLiteral("电池使用时间"), "s", 0,
                          vife == 0x6C ? 3600 : 86400);
    }
    switch (vife) {
    case 0x08:
        return Other("access number", QStringLiteral("访问号"), Kind::Count);
    case 0x09:
        return Other("medium", QStringLiteral("介质"), Kind::Count);
    case 0x0A:
        return Other("manufacturer", QStringLiteral("厂商"), Kind::Ident);
    case 0x0B:
        return Other("parameter set", QStringLiteral("参数集标识"), Kind::Ident);
    case 0x0C:
        return Other("model version", QStringLiteral("型号版本"), Kind::Ident);
    case 0x0D:
        return Other("hardware version", QStringLiteral("硬件版本"), Kind::Ident);
    case 0x0E:
        return Other("firmware version", QStringLiteral("固件版本"), Kind::Ident);
    case 0x0F:
        return Other("software version", QStringLiteral("软件版本"), Kind::Ident);
    case 0x10:
        return Other("customer location", QStringLiteral("用户位置"), Kind::Ident);
    case 0x11:
        return Other("customer", QStringLiteral("用户"), Kind::Ident);
    case 0x17:
        return Other("error flags", QStringLiteral("错误标志"), Kind::Count);
    case 0x1A:
        return Other("digital output", QStringLiteral("数字输出"), Kind::Count);
    case 0x1B:
        return Other("digital input", QStringLiteral("数字输入"), Kind::Count);
    case 0x1C:
        return Other("baud rate", QStringLiteral("波特率"), Kind::Count);
    case 0x3A:
        return Other("dimensionless", QStringLiteral("无量纲值"), Kind::Count);
    case 0x60:
        return Other("reset counter", QStringLiteral("复位次数"), Kind::Count);
    case 0x61:
        return Other("cumulation counter", QStringLiteral("累积次数"), Kind::Count);
    case 0x74:
        return Number("remaining battery time", QStringLiteral("电池剩余时间"), "s", 0, 86400);
    default:
        break;
    }
    return Unknown(QStringLiteral("unknown VIFE FD %1").arg(vife, 2, 16, QLatin1Char('0')));
}

// Second extension table (VIF FB, then this VIFE without its extension bit): the large units.
Meaning FbVif(std::uint8_t vife)
{
    const int n = vife & 0x01;
    switch (vife & 0x7E) {
    case 0x00:
        return Number("energy", QStringLiteral("能量"), "Wh", n + 5); // 0.1 MWh
    case 0x08:
        return Number("energy", QStringLiteral("能量"), "J", n + 8); // 0.1 GJ
    case 0x10:
        return Number("volume", QStringLiteral("体积"), "m^3", n + 2); // 100 m³
    case 0x18:
        return Number("mass", QStringLiteral("质量"), "kg", n + 5); // 100 t
    case 0x28:
        return Number("power", QStringLiteral("功率"), "W", n + 5); // 0.1 MW
    case 0x30:
        return Number("power", QStringLiteral("功率"), "J/h", n + 8); // 0.1 GJ/h
    default:
        break;
    }
    return Unknown(QStringLiteral("unknown VIFE FB %1").arg(vife, 2, 16, QLatin1Char('0')));
}

struct MediumName
{
    std::uint8_t code;
    const char *name;
    const char *chinese;
};

constexpr std::array kMedia{
    MediumName{0x00, "other", "其他"},
    MediumName{0x01, "oil", "油"},
    MediumName{0x02, "electricity", "电"},
    MediumName{0x03, "gas", "燃气"},
    MediumName{0x04, "heat (outlet)", "热量（出口）"},
    MediumName{0x05, "steam", "蒸汽"},
    MediumName{0x06, "warm water", "温水"},
    MediumName{0x07, "water", "水"},
    MediumName{0x08, "heat cost allocator", "热分配表"},
    MediumName{0x09, "compressed air", "压缩空气"},
    MediumName{0x0A, "cooling (outlet)", "冷量（出口）"},
    MediumName{0x0B, "cooling (inlet)", "冷量（入口）"},
    MediumName{0x0C, "heat (inlet)", "热量（入口）"},
    MediumName{0x0D, "heat / cooling", "冷热量"},
    MediumName{0x0E, "bus / system component", "总线/系统部件"},
    MediumName{0x0F, "unknown", "未知"},
    MediumName{0x15, "hot water", "热水"},
    MediumName{0x16, "cold water", "冷水"},
    MediumName{0x17, "dual register water", "冷热水双计"},
    MediumName{0x18, "pressure", "压力"},
    MediumName{0x19, "A/D converter", "模数转换器"},
};

const MediumName *FindMedium(std::uint8_t code)
{
    const auto it = std::find_if(kMedia.begin(), kMedia.end(),
                                 [code](const MediumName &m) { return m.code == code; });
    return it == kMedia.end() ? nullptr : &*it;
}

// The bytes of one fixed-length field, least significant first whatever the CI's byte order.
QByteArray FieldBytes(QByteArrayView bytes, bool msbFirst)
{
    QByteArray out = bytes.toByteArray();
    if (msbFirst)
        std::reverse(out.begin(), out.end());
    return out;
}

std::uint64_t Unsigned(const QByteArray &lsbFirst)
{
    std::uint64_t v = 0;
    for (qsizetype i = lsbFirst.size(); i-- > 0;)
        v = (v << 8) | std::uint8_t(lsbFirst[i]);
    return v;
}

std::int64_t Signed(const QByteArray &lsbFirst)
{
    const std::uint64_t v = Unsigned(lsbFirst);
    const int bits = int(lsbFirst.size()) * 8;
    if (bits == 0 || bits >= 64)
        return std::int64_t(v);
    const std::uint64_t sign = std::uint64_t(1) << (bits - 1);
    return std::int64_t((v ^ sign) - sign);
}

// Packed BCD, least significant byte first. A top nibble F marks a negative number (EN 13757-3
// type A). Any other nibble above 9 makes the field invalid.
struct Bcd
{
    bool valid = false;
    std::int64_t value = 0;
    QString digits; // most significant first, sign excluded
};

Bcd DecodeBcd(const QByteArray &lsbFirst)
{
    Bcd out;
    bool negative = false;
    for (qsizetype i = lsbFirst.size(); i-- > 0;) {
        const auto b = std::uint8_t(lsbFirst[i]);
        for (const int nibble : {b >> 4, b & 0x0F}) {
            if (nibble == 0x0F && out.digits.isEmpty() && !negative) {
                negative = true;
                continue;
            }
            if (nibble > 9)
                return Bcd{};
            out.digits += QLatin1Char(char('0' + nibble));
        }
    }
    for (const QChar c : std::as_const(out.digits))
        out.value = out.value * 10 + (c.unicode() - u'0');
    if (negative)
        out.value = -out.value;
    out.valid = true;
    return out;
}

constexpr int kDataSizes[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};

bool IsBcdField(int field)
{
    return field >= 0x09 && field <= 0x0C ? true : field == 0x0E;
}

int FullYear(int twoDigits)
{
    return twoDigits <= 80 ? 2000 + twoDigits : 1900 + twoDigits;
}

QString DateText(int year, int month, int day)
{
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

QString TwoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// Type G: day and year bits 0-2 in the first byte, month and year bits 3-6 in the second.
bool DecodeDateG(const QByteArray &b, QString *text, int *year, int *month, int *day)
{
    const auto b0 = std::uint8_t(b[0]);
    const auto b1 = std::uint8_t(b[1]);
    *day = b0 & 0x1F;
    *month = b1 & 0x0F;
    const int yy = ((b0 & 0xE0) >> 5) | ((b1 & 0xF0) >> 1);
    if (*day < 1 || *month < 1 || *month > 12 || yy > 99)
        return false;
    *year = FullYear(yy);
    *text = DateText(*year, *month, *day);
    return true;
}

// Type F (minute, hour, then a type G date; 32 bits) or type I (second first; 48 bits).
bool DecodeDateTime(const QByteArray &b, QString *text)
{
    const bool withSeconds = b.size() == 6;
    const int base = withSeconds ? 1 : 0;
    const auto minuteByte = std::uint8_t(b[base]);
    if (minuteByte & 0x80) // IV: the meter marks the time invalid
        return false;
    const int second = withSeconds ? std::uint8_t(b[0]) & 0x3F : -1;
    const int minute = minuteByte & 0x3F;
    const int hour = std::uint8_t(b[base + 1]) & 0x1F;
    QString date;
    int year = 0, month = 0, day = 0;
    if (!DecodeDateG(b.mid(base + 2, 2), &date, &year, &month, &day) || minute > 59 || hour > 23 ||
        second > 59)
        return false;
    *text = date + QLatin1Char(' ') + TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute);
    if (withSeconds)
        *text += QLatin1Char(':') + TwoDigits(second);
    return true;
}

// Sets the record's value from an exact number in the VIF's exponent and factor.
void SetNumber(DecodedRecord &r, const Meaning &m, std::int64_t mantissa)
{
    const Decimal d{mantissa, m.exponent};
    if (const auto scaled = ScaledDecimal(d, m.factor))
        r.value = *scaled;
    else
        r.value = double(mantissa) * std::pow(10.0, m.exponent) * double(m.factor);
}

// Decodes the data bytes of a record with data field `field` as the VIF says.
void DecodeValue(DecodedRecord &r, const Meaning &m, int field, const QByteArray &lsbFirst)
{
    if (!m.known) {
        r.error = m.quantity;
        return;
    }
    if (m.kind == Kind::DateG || m.kind == Kind::DateTime) {
        const bool fits = m.kind == Kind::DateG ? field == 0x02 : (field == 0x04 || field == 0x06);
        QString text;
        int year = 0, month = 0, day = 0;
        const bool ok =
            fits && (m.kind == Kind::DateG ? DecodeDateG(lsbFirst, &text, &year, &month, &day)
                                           : DecodeDateTime(lsbFirst, &text));
        if (ok)
            r.value = text;
        else
            r.error = fits ? QStringLiteral("invalid date") : QStringLiteral("not a date field");
        return;
    }
    if (field == 0x00 || field == 0x08)
        return; // no data
    if (field == 0x05) {
        float f = 0;
        std::memcpy(&f, lsbFirst.constData(), sizeof f);
        if (!std::isfinite(f)) {
            r.error = QStringLiteral("invalid real");
            return;
        }
        r.value = double(f) * std::pow(10.0, m.exponent) * double(m.factor);
        return;
    }
    if (IsBcdField(field)) {
        const Bcd bcd = DecodeBcd(lsbFirst);
        if (!bcd.valid)
            r.error = QStringLiteral("invalid BCD");
        else if (m.kind == Kind::Ident)
            r.value = bcd.digits;
        else if (m.kind == Kind::Count)
            r.value = Decimal{bcd.value, 0};
        else
            SetNumber(r, m, bcd.value);
        return;
    }
    // Binary integers: signed measured values, unsigned counts and identifiers.
    if (m.kind == Kind::Ident)
        r.value = QString::number(Unsigned(lsbFirst));
    else if (m.kind == Kind::Count)
        r.value = Decimal{std::int64_t(Unsigned(lsbFirst) & 0x7FFFFFFFFFFFFFFFull), 0};
    else
        SetNumber(r, m, Signed(lsbFirst));
}

// Text travels last character first.
QString ReversedText(QByteArrayView bytes)
{
    QByteArray text = bytes.toByteArray();
    std::reverse(text.begin(), text.end());
    return QString::fromLatin1(text);
}

// Decodes variable-length data (data field D) after its LVAR byte.
void DecodeVariable(DecodedRecord &r, const Meaning &m, std::uint8_t lvar, QByteArrayView data)
{
    if (!m.known) {
        r.error = m.quantity;
        return;
    }
    if (lvar <= 0xBF) {
        r.value = ReversedText(data);
        return;
    }
    if (lvar >= 0xC0 && lvar <= 0xD9) {
        const Bcd bcd = DecodeBcd(data.toByteArray());
        if (!bcd.valid) {
            r.error = QStringLiteral("invalid BCD");
            return;
        }
        const std::int64_t v = lvar >= 0xD0 ? -bcd.value : bcd.value;
        if (m.kind == Kind::Ident)
            r.value = bcd.digits;
        else
            SetNumber(r, m, v);
        return;
    }
    // Binary: up to 8 bytes as a number, longer as hex.
    if (data.size() <= 8 && m.kind == Kind::Number)
        SetNumber(r, m, Signed(data.toByteArray()));
    else if (data.size() <= 8)
        r.value = QString::number(Unsigned(data.toByteArray()));
    else
        r.value = SpacedHex(data.toByteArray());
}

// Length of the data after an LVAR byte, or -1 for a reserved LVAR.
int VariableLength(std::uint8_t lvar)
{
    if (lvar <= 0xBF)
        return lvar;
    if (lvar >= 0xC0 && lvar <= 0xC9)
        return lvar - 0xC0;
    if (lvar >= 0xD0 && lvar <= 0xD9)
        return lvar - 0xD0;
    if (lvar >= 0xE0 && lvar <= 0xEF)
        return lvar - 0xE0;
    if (lvar >= 0xF0 && lvar <= 0xF4)
        return 4 * (lvar - 0xEC);
    if (lvar == 0xF5)
        return 48;
    if (lvar == 0xF6)
        return 64;
    return -1;
}

const std::array<QString, 4> kFunctions{QStringLiteral("instantaneous"), QStringLiteral("maximum"),
                                        QStringLiteral("minimum"),
                                        QStringLiteral("value during error")};

// Walks the data records of the variable data block.
class RecordReader
{
public:
    RecordReader(QByteArrayView data, bool msbFirst, DecodedReply &reply)
        : m_data(data), m_msbFirst(msbFirst), m_reply(reply)
    {
    }

    void readAll()
    {
        while (m_pos < m_data.size() && readRecord()) {
        }
    }

private:
    bool has(qsizetype n) const { return n <= m_data.size() - m_pos; }
    std::uint8_t next() { return std::uint8_t(m_data[m_pos++]); }

    // Ends the decoding with the rest of the data as one record that could not be decoded.
    bool stop(DecodedRecord &r, const QString &error)
    {
        r.raw = m_data.sliced(m_start).toByteArray();
        r.error = error;
        r.value = std::monostate{};
        r.unit.clear();
        m_reply.records << r;
        return false;
    }

    // Reads one record; false when the decoding ends with it.
    bool readRecord()
    {
        m_start = m_pos;
        DecodedRecord r;
        const std::uint8_t dif = next();
        if (dif == kDifIdleFiller)
            return true;
        if (dif == kDifManufacturerData || dif == kDifManufacturerDataMore)
            return readManufacturerData(r, dif);
        const int field = dif & 0x0F;
        if (field == 0x0F)
            return stop(
                r, QStringLiteral("unsupported special DIF %1").arg(dif, 2, 16, QLatin1Char('0')));
        std::uint8_t vif = 0;
        Meaning meaning;
        QString error = readDataInformation(r, dif);
        if (error.isEmpty())
            error = readVif(vif, meaning);
        if (error.isEmpty())
            error = readVifes(vif, meaning);
        if (!error.isEmpty())
            return stop(r, error);
        r.quantity = meaning.quantity;
        r.label = meaning.label;
        r.unit = meaning.known ? meaning.unit : QString();

        error = readData(r, meaning, field);
        if (!error.isEmpty())
            return stop(r, error);
        if (!r.error.isEmpty()) {
            r.value = std::monostate{};
            r.unit.clear();
        }
        r.raw = m_data.sliced(m_start, m_pos - m_start).toByteArray();
        m_reply.records << r;
        return true;
    }

    static QString truncated() { return QStringLiteral("truncated record"); }

    // The rest of the data as manufacturer data; ends the decoding.
    bool readManufacturerData(DecodedRecord &r, std::uint8_t dif)
    {
        r.quantity = QStringLiteral("manufacturer data");
        r.label = QStringLiteral("厂商数据");
        r.value = SpacedHex(m_data.sliced(m_pos).toByteArray());
        r.raw = m_data.sliced(m_start).toByteArray();
        m_reply.records << r;
        m_reply.moreRecords = dif == kDifManufacturerDataMore;
        m_pos = m_data.size();
        return false;
    }

    // The function and storage number of `dif`, then its DIFEs into storage number, tariff and
    // subunit. Returns the error that ends the decoding, or nothing.
    QString readDataInformation(DecodedRecord &r, std::uint8_t dif)
    {
        r.function = kFunctions[(dif >> 4) & 0x03];
        r.storage = (dif >> 6) & 0x01;
        bool extended = dif & kExtensionBit;
        for (int n = 0; extended; ++n) {
            if (n == kMaxExtensions)
                return QStringLiteral("more than ten DIFEs");
            if (!has(1))
                return truncated();
            const std::uint8_t dife = next();
            r.storage |= std::int64_t(dife & 0x0F) << (1 + 4 * n);
            r.tariff |= ((dife >> 4) & 0x03) << (2 * n);
            r.subunit |= ((dife >> 6) & 0x01) << n;
            extended = dife & kExtensionBit;
        }
        return {};
    }

    // The VIF into `vif` and what it stands for into `meaning`; after FD or FB the first VIFE is
    // looked at, not taken. Returns the error that ends the decoding, or nothing.
    QString readVif(std::uint8_t &vif, Meaning &meaning)
    {
        if (!has(1))
            return truncated();
        vif = next();
        if ((vif & 0x7F) == kVifPlainText) {
            if (!has(1))
                return truncated();
            const int length = next();
            if (!has(length))
                return truncated();
            const QString unit = ReversedText(m_data.sliced(m_pos, length));
            m_pos += length;
            meaning =
                Meaning{QStringLiteral("plain text unit"), QStringLiteral("文本单位量"), unit};
        } else if (vif == kVifTableFd || vif == kVifTableFb) {
            if (!has(1))
                return truncated();
            const std::uint8_t vife = m_data[m_pos];
            meaning = vif == kVifTableFd ? FdVif(vife & 0x7F) : FbVif(vife & 0x7F);
        } else if ((vif & 0x7F) == kVifManufacturer) {
            meaning = Other("manufacturer specific", QStringLiteral("厂商自定义"), Kind::Count);
            meaning.combinable = false;
        } else if ((vif & 0x7F) == kVifAny) {
            meaning = Other("any", QStringLiteral("任意量"), Kind::Count);
        } else {
            meaning = PrimaryVif(vif & 0x7F);
        }
        return {};
    }

    // VIFEs: the first one after FD/FB names the quantity (read with the VIF); the rest, and those
    // after a primary VIF, are combinable extensions. Only the two that rescale are applied.
    // Returns the error that ends the decoding, or nothing.
    QString readVifes(std::uint8_t vif, Meaning &meaning)
    {
        bool extended = vif & kExtensionBit;
        for (int n = 0; extended; ++n) {
            if (n == kMaxExtensions)
                return QStringLiteral("more than ten VIFEs");
            if (!has(1))
                return truncated();
            const std::uint8_t vife = next();
            extended = vife & kExtensionBit;
            const bool namesQuantity = n == 0 && (vif == kVifTableFd || vif == kVifTableFb);
            if (namesQuantity || !meaning.combinable)
                continue;
            const int code = vife & 0x7F;
            if (code >= 0x70 && code <= 0x77) // multiplicative correction 10^(nnn-6)
                meaning.exponent += (code & 0x07) - 6;
            else if (code == 0x7D) // multiplicative correction 1000
                meaning.exponent += 3;
        }
        return {};
    }

    // The data of coding `field` (0x0D: variable length, its LVAR first), decoded into the
    // record. Returns the error that ends the decoding, or nothing.
    QString readData(DecodedRecord &r, const Meaning &meaning, int field)
    {
        if (field == 0x0D) {
            if (!has(1))
                return truncated();
            const std::uint8_t lvar = next();
            const int length = VariableLength(lvar);
            if (length < 0)
                return QStringLiteral("reserved LVAR %1").arg(lvar, 2, 16, QLatin1Char('0'));
            if (!has(length))
                return truncated();
            DecodeVariable(r, meaning, lvar, m_data.sliced(m_pos, length));
            m_pos += length;
            return {};
        }
        const int length = kDataSizes[field];
        if (!has(length))
            return truncated();
        DecodeValue(r, meaning, field, FieldBytes(m_data.sliced(m_pos, length), m_msbFirst));
        m_pos += length;
        return {};
    }

    QByteArrayView m_data;
    bool m_msbFirst = false;
    DecodedReply &m_reply;
    qsizetype m_pos = 0;
    qsizetype m_start = 0;
};

QString ManufacturerLetters(std::uint16_t code)
{
    QString letters;
    for (const int shift : {10, 5, 0})
        letters += QLatin1Char(char(((code >> shift) & 0x1F) + 64));
    return letters;
}

QString StatusText(std::uint8_t status)
{
    QStringList parts;
    static const QString kApplication[] = {QString(), QStringLiteral("应用忙"),
                                           QStringLiteral("应用错误"), QStringLiteral("应用异常")};
    if (status & 0x03)
        parts << kApplication[status & 0x03];
    if (status & 0x04)
        parts << QStringLiteral("电源电压低");
    if (status & 0x08)
        parts << QStringLiteral("永久错误");
    if (status & 0x10)
        parts << QStringLiteral("临时错误");
    if (status & 0xE0)
        parts << QStringLiteral("厂商状态位 %1").arg(status >> 5);
    return parts.join(QStringLiteral("，"));
}

void AddHeaderNumber(DecodedReply &reply, const char *key, std::uint64_t value,
                     const QString &label = {}, const QString &shown = {})
{
    reply.header << HeaderField{QString::fromLatin1(key), Decimal{std::int64_t(value), 0}, label,
                                shown};
}

// Access number, status and signature: the part both header kinds share.
void ReadShortHeader(DecodedReply &reply, QByteArrayView h, bool msbFirst)
{
    const auto status = std::uint8_t(h[1]);
    AddHeaderNumber(reply, "access", std::uint8_t(h[0]));
    AddHeaderNumber(reply, "status", status, status ? QStringLiteral("状态") : QString(),
                    StatusText(status));
    AddHeaderNumber(reply, "signature", Unsigned(FieldBytes(h.sliced(2, 2), msbFirst)));
}

void ReadLongHeader(DecodedReply &reply, QByteArrayView h, bool msbFirst)
{
    QByteArray id = FieldBytes(h.sliced(0, 4), msbFirst);
    std::reverse(id.begin(), id.end());
    const QString idText = QString::fromLatin1(id.toHex().toUpper());
    reply.header << HeaderField{QStringLiteral("id"), idText, QStringLiteral("表号"), {}};
    const QString maker =
        ManufacturerLetters(std::uint16_t(Unsigned(FieldBytes(h.sliced(4, 2), msbFirst))));
    reply.header << HeaderField{QStringLiteral("manufacturer"), maker, QStringLiteral("厂商"), {}};
    AddHeaderNumber(reply, "version", std::uint8_t(h[6]));
    const auto mediumCode = std::uint8_t(h[7]);
    const MediumName *medium = FindMedium(mediumCode);
    const QString code = QStringLiteral("%1").arg(mediumCode, 2, 16, QLatin1Char('0')).toUpper();
    reply.header << HeaderField{
        QStringLiteral("medium"),
        medium ? QString::fromLatin1(medium->name) : QStringLiteral("reserved (%1)").arg(code),
        QStringLiteral("介质"),
        medium ? QString::fromUtf8(medium->chinese) : QStringLiteral("保留（%1）").arg(code)};
    ReadShortHeader(reply, h.sliced(8), msbFirst);
}

} // namespace

DecodedReply MbusDecodeReply(QByteArrayView frame)
{
    DecodedReply reply;
    reply.protocol = QStringLiteral("mbus");
    if (frame.size() <= kUserDataPos || std::uint8_t(frame[0]) != kLongStart) {
        reply.error = QStringLiteral("not an M-Bus long frame");
        return reply;
    }
    const int length = std::uint8_t(frame[kLengthPos]);
    const qsizetype csPos = kUserDataPos + length;
    if (csPos < frame.size())
        reply.checked = std::uint8_t(frame[csPos]) == SumByte(frame, kUserDataPos, csPos);
    // C A CI data: only what the L field covers and what was given.
    const QByteArrayView body =
        frame.sliced(kUserDataPos, std::min<qsizetype>(length, frame.size() - kUserDataPos));
    if (body.size() < 3) {
        reply.error = QStringLiteral("frame too short for C, A and CI");
        return reply;
    }
    if (body.size() < length)
        reply.error =
            QStringLiteral("frame cut short: %1 of %2 bytes").arg(body.size()).arg(length);
    else if (csPos + 1 < frame.size() && std::uint8_t(frame[csPos + 1]) != kStop)
        reply.error = QStringLiteral("no stop byte after the checksum");

    const auto ci = std::uint8_t(body[2]);
    const QByteArrayView rest = body.sliced(3);
    const bool msbFirst = ci == kCiLongHeaderMsbFirst;
    qsizetype headerSize = 0;
    switch (ci) {
    case kCiLongHeader:
    case kCiLongHeaderMsbFirst:
        headerSize = kLongHeaderSize;
        break;
    case kCiShortHeader:
        headerSize = kShortHeaderSize;
        break;
    case kCiNoHeader:
        break;
    default:
        reply.error =
            QStringLiteral("CI %1 is not a variable data reply").arg(ci, 2, 16, QLatin1Char('0'));
        return reply;
    }
    if (rest.size() < headerSize) {
        reply.error = QStringLiteral("header cut short");
        return reply;
    }
    if (headerSize == kLongHeaderSize)
        ReadLongHeader(reply, rest, msbFirst);
    else if (headerSize == kShortHeaderSize)
        ReadShortHeader(reply, rest, msbFirst);
    RecordReader(rest.sliced(headerSize), msbFirst, reply).readAll();
    return reply;
}
