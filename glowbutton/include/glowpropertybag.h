#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// The host's store of one control's settings: named values in the order they were written.
// Keys are matched without regard to case; each key is spelled as it was first written.
class GlowPropertyBag
{
public:
    virtual ~GlowPropertyBag() = default;

    // The value stored under `key`, or `fallback` when the key is absent.
    virtual QVariant ReadProperty(const QString &key, const QVariant &fallback) const;
    // Stores `value` under `key`; when `defaultValue` is valid and equal to `value`, nothing is
    // stored and an earlier value under that key is removed.
    virtual void WriteProperty(const QString &key, const QVariant &value,
                               const QVariant &defaultValue = QVariant());

    bool Contains(const QString &key) const { return indexOf(key) >= 0; }
    const QList<std::pair<QString, QVariant>> &Entries() const { return m_entries; }
    bool operator==(const GlowPropertyBag &other) const { return m_entries == other.m_entries; }

private:
    qsizetype indexOf(const QString &key) const;

    QList<std::pair<QString, QVariant>> m_entries;
};

// A window definition: one block of stored settings per control, as text. Each block reads
//   Begin <Type> <Name>
//       Key = 7            (integer)
//       Key = true         (boolean)
//       Key = "text"       (string; \" and \\ escaped)
//   End
// Writing a parsed definition reproduces the text it came from when that text is canonical.
struct GlowDefinitionEntry
{
    QString type;
    QString name;
    GlowPropertyBag bag;
};

// Parses `text`; false (with a line-numbered `error`) on the first malformed line.
bool ParseGlowDefinition(const QString &text, QList<GlowDefinitionEntry> &entries,
                         QString *error = nullptr);
// The canonical text of `entries`.
QString WriteGlowDefinition(const QList<GlowDefinitionEntry> &entries);
