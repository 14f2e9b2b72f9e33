#include "glowpropertybag.h"

#include <QRegularExpression>
#include <QStringList>

QVariant GlowPropertyBag::ReadProperty(const QString &key, const QVariant &fallback) const
{
    const qsizetype i = indexOf(key);
    return i < 0 ? fallback : m_entries.at(i).second;
}

void GlowPropertyBag::WriteProperty(const QString &key, const QVariant &value,
                                    const QVariant &defaultValue)
{
    const qsizetype i = indexOf(key);
    if (defaultValue.isValid() && value == defaultValue) {
        if (i >= 0)
            m_entries.removeAt(i);
        return;
    }
    if (i >= 0)
        m_entries[i].second = value;
    else
        m_entries.append({key, value});
}

qsizetype GlowPropertyBag::indexOf(const QString &key) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).first.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

const QString kIndent = QStringLiteral("    ");

QString quoted(const QString &s)
{
    QString out = s;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString valueText(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::QString: return quoted(v.toString());
    default: return QString::number(v.toLongLong());
    }
}

// One value's text to a variant; an invalid variant when the text is no value.
QVariant parseValue(const QString &text)
{
    if (text == QLatin1String("true") || text == QLatin1String("false"))
        return text == QLatin1String("true");
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
        QString out;
        for (qsizetype i = 1; i < text.size() - 1; ++i) {
            QChar c = text.at(i);
            if (c == QLatin1Char('\\')) {
                if (++i >= text.size() - 1)
                    return {};
                c = text.at(i);
            } else if (c == QLatin1Char('"')) {
                return {};
            }
            out.append(c);
        }
        return out;
    }
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? QVariant(n) : QVariant();
}

} // namespace

bool ParseGlowDefinition(const QString &text, QList<GlowDefinitionEntry> &entries, QString *error)
{
    static const QRegularExpression begin(QStringLiteral("^Begin\\s+(\\S+)\\s+(\\S+)$"));
    static const QRegularExpression property(QStringLiteral("^(\\w+)\\s*=\\s*(.*)$"));
    const auto fail = [error](int line, const QString &why) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return false;
    };
    entries.clear();
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool inside = false;
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines.at(n).trimmed();
        if (line.isEmpty())
            continue;
        if (!inside) {
            const auto m = begin.match(line);
            if (!m.hasMatch())
                return fail(n + 1, QStringLiteral("expected Begin <type> <name>"));
            entries.append({m.captured(1), m.captured(2), {}});
            inside = true;
        } else if (line == QLatin1String("End")) {
            inside = false;
        } else {
            const auto m = property.match(line);
            const QVariant value = m.hasMatch() ? parseValue(m.captured(2)) : QVariant();
            if (!value.isValid())
                return fail(n + 1, QStringLiteral("expected Key = value"));
            entries.last().bag.WriteProperty(m.captured(1), value);
        }
    }
    if (inside)
        return fail(int(lines.size()), QStringLiteral("missing End"));
    return true;
}

QString WriteGlowDefinition(const QList<GlowDefinitionEntry> &entries)
{
    QString out;
    for (const GlowDefinitionEntry &e : entries) {
        out += QStringLiteral("Begin %1 %2\n").arg(e.type, e.name);
        for (const auto &[key, value] : e.bag.Entries())
            out += kIndent + key + QStringLiteral(" = ") + valueText(value) + QLatin1Char('\n');
        out += QStringLiteral("End\n");
    }
    return out;
}
