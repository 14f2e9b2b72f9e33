#include "decodedreply.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>
#include <limits>

// The decoded lines' words, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(DecodedReply)
};
} // namespace

namespace {

QString JsonString(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString DoubleText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString JsonValue(const DecodedValue &value)
{
    if (const auto *d = std::get_if<Decimal>(&value))
        return DecimalText(*d);
    if (const auto *u = std::get_if<std::uint64_t>(&value))
        return QString::number(*u);
    if (const auto *x = std::get_if<double>(&value))
        return std::isfinite(*x) ? DoubleText(*x) : QStringLiteral("null");
    if (const auto *s = std::get_if<QString>(&value))
        return JsonString(*s);
    if (const auto *b = std::get_if<bool>(&value))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("null");
}

QString Member(const QString &key, const QString &jsonValue)
{
    return JsonString(key) + QLatin1String(": ") + jsonValue;
}

QString JsonList(const QStringList &texts)
{
    QStringList items;
    for (const QString &text : texts)
        items << JsonString(text);
    return QLatin1Char('[') + items.join(QLatin1String(", ")) + QLatin1Char(']');
}

// "raw_value" and "exponent" of an exact value, so that a script can rebuild it without a
// double; nothing for other values.
QStringList ExactMembers(const DecodedValue &value)
{
    if (const auto *d = std::get_if<Decimal>(&value))
        return {Member(QStringLiteral("raw_value"), QString::number(d->mantissa)),
                Member(QStringLiteral("exponent"), QString::number(d->exponent))};
    if (const auto *u = std::get_if<std::uint64_t>(&value))
        return {Member(QStringLiteral("raw_value"), QString::number(*u)),
                Member(QStringLiteral("exponent"), QStringLiteral("0"))};
    return {};
}

} // namespace

QString DecodedRecordJson(const DecodedRecord &r)
{
    QStringList members{
        Member(QStringLiteral("storage"), QString::number(r.storage)),
        Member(QStringLiteral("tariff"), QString::number(r.tariff)),
        Member(QStringLiteral("subunit"), QString::number(r.subunit)),
        Member(QStringLiteral("function"), JsonString(r.function)),
        Member(QStringLiteral("quantity"), JsonString(r.quantity)),
        Member(QStringLiteral("value"), JsonValue(r.value)),
        Member(QStringLiteral("unit"), JsonString(r.unit)),
    };
    members << ExactMembers(r.value);
    members << Member(QStringLiteral("modifiers"), JsonList(r.modifiers));
    if (r.errorCode)
        members << Member(QStringLiteral("error_code"), QString::number(*r.errorCode));
    members << Member(QStringLiteral("raw"), JsonString(SpacedHex(r.raw)));
    if (!r.error.isEmpty())
        members << Member(QStringLiteral("error"), JsonString(r.error));
    return QLatin1Char('{') + members.join(QLatin1String(", ")) + QLatin1Char('}');
}

namespace {

// The window writes m³ where the JSON writes m^3.
QString ShownUnit(const QString &unit)
{
    QString shown = unit;
    shown.replace(QLatin1String("m^3"), QStringLiteral("m³"));
    return shown;
}

QString ShownValue(const DecodedValue &value)
{
    if (const auto *d = std::get_if<Decimal>(&value))
        return DecimalText(*d);
    if (const auto *u = std::get_if<std::uint64_t>(&value))
        return QString::number(*u);
    if (const auto *x = std::get_if<double>(&value))
        return DoubleText(*x);
    if (const auto *s = std::get_if<QString>(&value))
        return *s;
    if (const auto *b = std::get_if<bool>(&value))
        return *b ? Words::tr("是") : Words::tr("否");
    return Words::tr("无数据");
}

QString FunctionLabel(const QString &function)
{
    if (function == QLatin1String("maximum"))
        return Words::tr("最大值");
    if (function == QLatin1String("minimum"))
        return Words::tr("最小值");
    if (function == QLatin1String("value during error"))
        return Words::tr("故障期间值");
    return {};
}

QString RecordLine(const DecodedRecord &r)
{
    const QString name = r.label.isEmpty() ? r.quantity : r.label;
    if (!r.error.isEmpty())
        return Words::tr("%1：%2，原始数据 %3")
            .arg(name.isEmpty() ? Words::tr("数据记录") : name,
                 r.errorLabel.isEmpty() ? Words::tr("无法解析") : r.errorLabel, SpacedHex(r.raw));

    QString value = r.shown;
    if (value.isEmpty()) {
        value = ShownValue(r.value);
        if (!r.unit.isEmpty() && !std::holds_alternative<std::monostate>(r.value))
            value += QLatin1Char(' ') + ShownUnit(r.unit);
    }
    QString line = Words::tr("%1：%2").arg(name, value);
    QStringList notes;
    if (const QString f = FunctionLabel(r.function); !f.isEmpty())
        notes << f;
    if (r.storage != 0)
        notes << Words::tr("存储号 %1").arg(r.storage);
    if (r.tariff != 0)
        notes << Words::tr("费率 %1").arg(r.tariff);
    if (r.subunit != 0)
        notes << Words::tr("子单元 %1").arg(r.subunit);
    if (!notes.isEmpty())
        line += Words::tr("（%1）").arg(notes.join(Words::tr("，")));
    return line;
}

} // namespace

QString DecimalText(const Decimal &value)
{
    // The magnitude as unsigned, so that the smallest 64-bit value prints too.
    const bool negative = value.mantissa < 0;
    const std::uint64_t magnitude =
        negative ? 0 - std::uint64_t(value.mantissa) : std::uint64_t(value.mantissa);
    QString digits = QString::number(magnitude);
    if (value.exponent > 0 && magnitude != 0) {
        digits += QString(value.exponent, QLatin1Char('0'));
    } else if (value.exponent < 0) {
        const int places = -value.exponent;
        if (digits.size() <= places)
            digits = QString(places - digits.size() + 1, QLatin1Char('0')) + digits;
        digits.insert(digits.size() - places, QLatin1Char('.'));
    }
    return negative && magnitude != 0 ? QLatin1Char('-') + digits : digits;
}

std::optional<Decimal> ScaledDecimal(const Decimal &value, std::int64_t factor)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    if (factor == 0)
        return Decimal{0, value.exponent};
    // |mantissa| <= kMax / |factor| keeps the product in range (the smallest value is refused).
    const std::int64_t m = value.mantissa == std::numeric_limits<std::int64_t>::min()
                               ? kMax
                               : (value.mantissa < 0 ? -value.mantissa : value.mantissa);
    const std::int64_t f = factor < 0 ? -factor : factor;
    if (factor == std::numeric_limits<std::int64_t>::min() || m > kMax / f)
        return std::nullopt;
    return Decimal{value.mantissa * factor, value.exponent};
}

void SetReplyError(DecodedReply &reply, const QString &error, const QString &label)
{
    reply.error = error;
    reply.errorLabel = label;
}

QString SpacedHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString DecodedReplyJson(const DecodedReply &reply)
{
    QStringList header;
    for (const HeaderField &field : reply.header)
        header << Member(field.key, JsonValue(field.value));
    QStringList records;
    for (const DecodedRecord &record : reply.records)
        records << DecodedRecordJson(record);

    QStringList members{
        Member(QStringLiteral("protocol"), JsonString(reply.protocol)),
        Member(QStringLiteral("checked"),
               reply.checked ? QStringLiteral("true") : QStringLiteral("false")),
        Member(QStringLiteral("header"),
               QLatin1Char('{') + header.join(QLatin1String(", ")) + QLatin1Char('}')),
        Member(QStringLiteral("records"),
               QLatin1Char('[') + records.join(QLatin1String(", ")) + QLatin1Char(']')),
        Member(QStringLiteral("more_records"),
               reply.moreRecords ? QStringLiteral("true") : QStringLiteral("false")),
    };
    if (const auto &e = reply.applicationError)
        members << Member(QStringLiteral("application_error"),
                          QStringLiteral("{%1, %2}")
                              .arg(Member(QStringLiteral("code"), QString::number(e->code)),
                                   Member(QStringLiteral("text"), JsonString(e->text))));
    if (!reply.error.isEmpty())
        members << Member(QStringLiteral("error"), JsonString(reply.error));
    return QLatin1Char('{') + members.join(QLatin1String(", ")) + QLatin1Char('}');
}

QStringList DecodedReplyLines(const DecodedReply &reply)
{
    QStringList lines;
    for (const HeaderField &field : reply.header)
        if (!field.label.isEmpty())
            lines << Words::tr("%1：%2").arg(
                field.label, field.shown.isEmpty() ? ShownValue(field.value) : field.shown);
    for (const DecodedRecord &record : reply.records)
        lines << RecordLine(record);
    if (const auto &e = reply.applicationError)
        lines << Words::tr("应用错误：%1（代码 %2）")
                     .arg(e->label,
                          QStringLiteral("%1").arg(e->code, 2, 16, QLatin1Char('0')).toUpper());
    if (!reply.error.isEmpty())
        lines << Words::tr("无法解析：%1")
                     .arg(reply.errorLabel.isEmpty() ? reply.error : reply.errorLabel);
    if (reply.moreRecords)
        lines << Words::tr("后续报文还有数据");
    return lines;
}
