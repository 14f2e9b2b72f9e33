#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// What a data record's value information block (VIF and VIFEs, EN 13757-3) says about its data:
// the decoder's own tables, shared by the record reader and the value decoding.

// How the data of a record reads.
enum class Kind {
    Number,    // a measured value, scaled by exponent and factor
    Count,     // an unsigned count or code, not scaled
    Ident,     // an identifier: digits kept as text
    DateG,     // EN 13757-3 type G
    DateTime,  // type F (32 bits) or type I (48 bits)
    AnyDate,   // type G, F or I by the data field's length
    ErrorCode, // the data stand in for a value the meter could not give
};

struct Meaning
{
    QString quantity; // JSON name
    QString label;    // the window's Chinese name
    QString unit;     // base unit of the JSON
    int exponent = 0;
    std::int64_t factor = 1; // minutes to seconds, per minute to per hour
    Kind kind = Kind::Number;
    bool known = true;
    QString meterUnit;      // where `factor` is not 1: the unit the meter counts in, for the window
    QStringList modifiers;  // names of the combinable VIFEs met, in order
    std::optional<int> errorCode; // a record error code sent as a VIFE
    QString errorText;            // its Chinese text
    bool makerExtensions = false; // the VIFEs from here on are the manufacturer's
};

Meaning Number(const char *quantity, const QString &label, const char *unit, int exponent,
               std::int64_t factor = 1);
Meaning Other(const char *quantity, const QString &label, Kind kind);

// A duration in seconds whose two low bits `nn` give the unit the meter counts in: s, min, h, d.
Meaning Duration(const char *quantity, const QString &label, int nn);

// The primary VIF table (the VIF without its extension bit).
Meaning PrimaryVif(std::uint8_t vif);
// The table after VIF FD, for its first VIFE without the extension bit.
Meaning FdVif(std::uint8_t vife);
// The table after VIF FB, for its first VIFE without the extension bit.
Meaning FbVif(std::uint8_t vife);

// Applies one combinable (orthogonal) VIFE, as the raw byte received, to `meaning`: rescales it,
// changes what it measures, or names what qualifies it; nothing is dropped.
void ApplyCombinableVife(Meaning &meaning, std::uint8_t vife);

// Names energy and power as a heat-meter technician does, by the medium in the header: 热量 or
// 冷量 and 热功率 for heat and cooling meters.
void UseMediumTerms(Meaning &meaning, std::optional<std::uint8_t> medium);

// The medium's JSON and Chinese names, or nothing for a reserved code.
struct MediumName
{
    std::uint8_t code;
    const char *name;
    const char *chinese;
};
const MediumName *FindMedium(std::uint8_t code);
