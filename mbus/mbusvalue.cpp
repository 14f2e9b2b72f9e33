#include "mbusvalue.h"

#include "conversions.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

// The decoded readings' names and texts, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(MbusDecoder)
};
} // namespace

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

QString ReversedText(QByteArrayView bytes)
{
    QByteArray text = bytes.toByteArray();
    std::reverse(text.begin(), text.end());
    return QString::fromLatin1(text);
}

namespace {

std::int64_t Signed(const QByteArray &lsbFirst)
{
    const std::uint64_t v = Unsigned(lsbFirst);
    const int bits = int(lsbFirst.size()) * 8;
    if (bits == 0 || bits >= 64)
        return std::int64_t(v);
    const std::uint64_t sign = std::uint64_t(1) << (bits - 1);
    return std::int64_t((v ^ sign) - sign);
}

// An unsigned count or code: exact even where its top bit is set.
DecodedValue CountValue(std::uint64_t v)
{
    if (v > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return v;
    return Decimal{std::int64_t(v), 0};
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

// A float32 as the shortest decimal that reads back to the same float: 0.1f is {1, -1}.
Decimal ShortestDecimal(float f)
{
    std::array<char, 32> text{};
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), f, std::chars_format::scientific).ptr;
    // d.ddde±XX
    const std::string_view s(text.data(), std::size_t(end - text.data()));
    const std::size_t e = s.find('e');
    std::int64_t mantissa = 0;
    int decimals = 0;
    bool afterPoint = false;
    for (const char c : s.substr(0, e)) {
        if (c == '.') {
            afterPoint = true;
        } else if (c != '-') {
            mantissa = mantissa * 10 + (c - '0');
            decimals += afterPoint ? 1 : 0;
        }
    }
    int exponent = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exponent);
    return {s.front() == '-' ? -mantissa : mantissa, exponent - decimals};
}

bool IsBcdField(int field)
{
    return field >= 0x09 && field <= 0x0C ? true : field == 0x0E;
}

const std::array<QString, 4> kPrefixes{QString(), QStringLiteral("k"), QStringLiteral("M"),
                                       QStringLiteral("G")};

// The reading as the meter counts it, for the window: in its own time unit, or with the prefix
// its VIF's range suggests (kWh for a VIF in kWh, MWh for 0.01 MWh); empty to show the value.
QString ShownReading(const Meaning &m, const Decimal &meterValue)
{
    if (!m.meterUnit.isEmpty())
        return DecimalText(meterValue) + QLatin1Char(' ') +
               QString(m.meterUnit).replace(QLatin1String("m^3"), QStringLiteral("m³"));
    static const QStringList kPrefixable{QStringLiteral("Wh"), QStringLiteral("J"),
                                         QStringLiteral("W"), QStringLiteral("J/h")};
    if (!kPrefixable.contains(m.unit))
        return {};
    const int steps = std::clamp((m.exponent + 2 + 30) / 3 - 10, 0, 3);
    const Decimal shown{meterValue.mantissa, meterValue.exponent - 3 * steps};
    return DecimalText(shown) + QLatin1Char(' ') + kPrefixes[std::size_t(steps)] + m.unit;
}

// Sets the record's value from an exact number as the meter counts it (its VIF's exponent
// applied): scaled by the VIF's factor for the JSON, as counted for the window.
void SetNumber(DecodedRecord &r, const Meaning &m, const Decimal &meterValue)
{
    if (const auto scaled = ScaledDecimal(meterValue, m.factor)) {
        r.value = *scaled;
        r.shown = ShownReading(m, meterValue);
    } else {
        r.value =
            double(meterValue.mantissa) * std::pow(10.0, meterValue.exponent) * double(m.factor);
    }
}

int FullYear(int twoDigits)
{
    return twoDigits <= 80 ? 2000 + twoDigits : 1900 + twoDigits;
}

QString TwoDigits(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// Type G: day and year bits 0-2 in the first byte, month and year bits 3-6 in the second.
// Nothing for a date that does not exist.
std::optional<QString> DateG(const QByteArray &b)
{
    const auto b0 = std::uint8_t(b[0]);
    const auto b1 = std::uint8_t(b[1]);
    const int day = b0 & 0x1F;
    const int month = b1 & 0x0F;
    const int yy = ((b0 & 0xE0) >> 5) | ((b1 & 0xF0) >> 1);
    if (month < 1 || month > 12 || yy > 99)
        return std::nullopt;
    const int year = FullYear(yy);
    if (day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(TwoDigits(month), TwoDigits(day));
}

struct DateTime
{
    QString text;
    bool summerTime = false;
};

// Type F (minute, hour, then a type G date; 32 bits) or type I (second first; 48 bits). Nothing
// for a time the meter marks invalid (IV) or that does not exist.
std::optional<DateTime> DateTimeFI(const QByteArray &b)
{
    const bool withSeconds = b.size() == 6;
    const int base = withSeconds ? 1 : 0;
    const auto minuteByte = std::uint8_t(b[base]);
    const auto hourByte = std::uint8_t(b[base + 1]);
    if (minuteByte & 0x80) // IV: the meter marks the time invalid
        return std::nullopt;
    const int second = withSeconds ? std::uint8_t(b[0]) & 0x3F : -1;
    const int minute = minuteByte & 0x3F;
    const int hour = hourByte & 0x1F;
    const std::optional<QString> date = DateG(b.mid(base + 2, 2));
    if (!date || minute > 59 || hour > 23 || second > 59)
        return std::nullopt;
    DateTime out{*date + QLatin1Char(' ') + TwoDigits(hour) + QLatin1Char(':') + TwoDigits(minute),
                 bool(hourByte & 0x80)}; // SU: summer time
    if (withSeconds)
        out.text += QLatin1Char(':') + TwoDigits(second);
    return out;
}

// A date of type G (2 bytes) or F/I (4 or 6 bytes) as `m` allows it.
void DecodeDate(DecodedRecord &r, const Meaning &m, int field, const QByteArray &lsbFirst)
{
    const bool g = field == 0x02 && m.kind != Kind::DateTime;
    const bool fi = (field == 0x04 || field == 0x06) && m.kind != Kind::DateG;
    if (!g && !fi) {
        r.error = QStringLiteral("not a date field");
        return;
    }
    std::optional<DateTime> date;
    if (g) {
        if (const std::optional<QString> text = DateG(lsbFirst))
            date = DateTime{*text, false};
    } else {
        date = DateTimeFI(lsbFirst);
    }
    if (!date) {
        r.error = QStringLiteral("invalid date");
        r.errorLabel = Words::tr("日期无效");
        return;
    }
    r.value = date->text;
    if (date->summerTime) {
        r.modifiers << QStringLiteral("summer time");
        r.shown = date->text + Words::tr("（夏令时）");
    }
}

// The meter sent a record error code in place of the value.
void SetErrorCode(DecodedRecord &r, const Meaning &m)
{
    r.value = std::monostate{};
    r.unit.clear();
    r.errorCode = m.errorCode;
    r.shown = m.errorText + Words::tr("（错误码 %1）")
                                .arg(QStringLiteral("%1")
                                         .arg(m.errorCode.value_or(0), 2, 16, QLatin1Char('0'))
                                         .toUpper());
}

} // namespace

void DecodeValue(DecodedRecord &r, const Meaning &m, int field, const QByteArray &lsbFirst)
{
    if (!m.known) {
        r.error = m.quantity;
        return;
    }
    if (m.kind == Kind::ErrorCode)
        return SetErrorCode(r, m);
    if (m.kind == Kind::DateG || m.kind == Kind::DateTime || m.kind == Kind::AnyDate)
        return DecodeDate(r, m, field, lsbFirst);
    if (field == 0x00 || field == 0x08)
        return; // no data
    if (field == 0x05) {
        float f = 0;
        std::memcpy(&f, lsbFirst.constData(), sizeof f);
        if (!std::isfinite(f)) {
            r.error = QStringLiteral("invalid real");
            return;
        }
        Decimal d = ShortestDecimal(f);
        if (m.kind == Kind::Number)
            d.exponent += m.exponent;
        return SetNumber(r, m.kind == Kind::Number ? m : Meaning{}, d);
    }
    if (IsBcdField(field)) {
        const Bcd bcd = DecodeBcd(lsbFirst);
        if (!bcd.valid) {
            r.error = QStringLiteral("invalid BCD");
        } else if (m.kind == Kind::Ident) {
            r.value = bcd.digits;
        } else if (m.kind == Kind::Count) {
            r.value = Decimal{bcd.value, 0};
        } else {
            SetNumber(r, m, Decimal{bcd.value, m.exponent});
        }
        return;
    }
    // Binary integers: signed measured values, unsigned counts and identifiers.
    if (m.kind == Kind::Ident)
        r.value = QString::number(Unsigned(lsbFirst));
    else if (m.kind == Kind::Count)
        r.value = CountValue(Unsigned(lsbFirst));
    else
        SetNumber(r, m, Decimal{Signed(lsbFirst), m.exponent});
}

void DecodeVariable(DecodedRecord &r, const Meaning &m, std::uint8_t lvar, QByteArrayView data)
{
    if (!m.known) {
        r.error = m.quantity;
        return;
    }
    if (m.kind == Kind::ErrorCode)
        return SetErrorCode(r, m);
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
            SetNumber(r, m, Decimal{v, m.exponent});
        return;
    }
    // Binary: up to 8 bytes as a number, longer as hex.
    if (data.size() <= 8 && m.kind == Kind::Number)
        SetNumber(r, m, Decimal{Signed(data.toByteArray()), m.exponent});
    else if (data.size() <= 8)
        r.value = QString::number(Unsigned(data.toByteArray()));
    else
        r.value = SpacedHex(data.toByteArray());
}

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
