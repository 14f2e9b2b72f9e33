#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <variant>

// A meter reply decoded into plain values: what the M-Bus and CJ/T 188 decoders produce, and what
// the JSON and the window's Chinese lines are written from.

// An exact decimal number: mantissa × 10^exponent. Kept exact so that a reading such as
// 556677.00 m³ prints with the digits the meter sent.
struct Decimal
{
    std::int64_t mantissa = 0;
    int exponent = 0;

    friend bool operator==(const Decimal &, const Decimal &) = default;
};

// The decimal as plain text without an exponent: {55667700, -2} -> "556677.00",
// {37351, 3} -> "37351000", {-5, -3} -> "-0.005".
QString DecimalText(const Decimal &value);

// The decimal multiplied by `factor`, or nothing when the result does not fit 64 bits.
std::optional<Decimal> ScaledDecimal(const Decimal &value, std::int64_t factor);

// A decoded value: nothing (no data or not decodable), an exact number, an unsigned 64-bit
// count or code beyond the signed range, a floating-point number, a text (dates, identifiers,
// states, hex) or a flag.
using DecodedValue = std::variant<std::monostate, Decimal, std::uint64_t, double, QString, bool>;

// One field of a reply's header, in the order the reply carries it.
struct HeaderField
{
    QString key; // JSON name: "id", "manufacturer", "type", ...
    DecodedValue value;
    QString label; // Chinese name for the data-analysis area; empty to leave it out there
    QString shown; // value as the window shows it; empty to show `value`
};

// One data record (M-Bus) or one field of the data (CJ/T 188).
struct DecodedRecord
{
    std::int64_t storage = 0; // up to 41 bits with ten DIFEs
    int tariff = 0;
    int subunit = 0;
    QString function = QStringLiteral("instantaneous");
    QString quantity;      // JSON name, e.g. "energy", "current cumulative flow"
    QString label;         // Chinese name, e.g. "能量", "当前累积流量"
    DecodedValue value;    // in the base unit of `unit`
    QString unit;          // Wh, J, m^3, kg, s, W, J/h, m^3/h, kg/h, °C, K, bar, V, A or ""
    QString shown;         // value and unit as the meter gives them, for the window; may be empty
    QByteArray raw;        // the bytes the record was decoded from
    QString error;         // why the record could not be decoded; empty when it was
    QString errorLabel;    // the window's text for `error` in place of "无法解析"; may be empty
    QStringList modifiers; // names of the extensions that qualify the value, in order
    std::optional<int> errorCode; // the record error code a meter sent instead of a value
};

// An application error a meter sent instead of its data (M-Bus CI 70).
struct ApplicationError
{
    int code = 0;
    QString text;  // JSON text, e.g. "application busy"
    QString label; // window text, e.g. "应用忙"
};

struct DecodedReply
{
    QString protocol; // "mbus" or "cj188"
    bool checked = false;
    QList<HeaderField> header;
    QList<DecodedRecord> records;
    bool moreRecords = false;
    QString error;      // why the reply as a whole could not be decoded; empty when it was
    QString errorLabel; // `error` in Chinese for the window
    std::optional<ApplicationError> applicationError;
};

// Sets why the reply as a whole could not be decoded: `error` for the JSON, `label` in Chinese
// for the window.
void SetReplyError(DecodedReply &reply, const QString &error, const QString &label);

// The reply as one line of JSON:
// {"protocol": "mbus", "checked": true, "header": {...}, "records": [{...}], "more_records": false}
// with "error" and "application_error" added to the reply where set. Each record carries
// "raw_value" and "exponent" (value = raw_value × 10^exponent) where its value is an exact
// number, its "modifiers", and "error_code" or "error" where set.
QString DecodedReplyJson(const DecodedReply &reply);

// One record as the JSON object it is in "records".
QString DecodedRecordJson(const DecodedRecord &record);

// The reply as the data-analysis area lists it, one Chinese line per header field (those with a
// label) and per record, e.g. "当前累积流量：556677.00 m³".
QStringList DecodedReplyLines(const DecodedReply &reply);

// Bytes as upper-case hex pairs separated by single spaces ("04 06 E7"), for "raw".
QString SpacedHex(const QByteArray &bytes);
