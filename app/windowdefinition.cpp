#include "windowdefinition.h"

#include "glowbutton.h"
#include "glowpropertybag.h"

#include <QFile>

namespace {

const QList<GlowDefinitionEntry> &definition()
{
    static const QList<GlowDefinitionEntry> entries = [] {
        QList<GlowDefinitionEntry> parsed;
        QString error;
        if (!ParseGlowDefinition(WindowDefinitionText(), parsed, &error))
            qFatal("window definition: %s", qPrintable(error));
        return parsed;
    }();
    return entries;
}

} // namespace

QString WindowDefinitionText()
{
    QFile file(QStringLiteral(":/windowdefinition.txt"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("window definition: resource missing");
    return QString::fromUtf8(file.readAll());
}

bool LoadStoredSettings(GlowButton &button)
{
    return LoadStoredSettingsOf(button, button.objectName());
}

bool LoadStoredSettingsOf(GlowButton &button, const QString &name)
{
    for (const GlowDefinitionEntry &entry : definition()) {
        if (entry.name == name) {
            button.ReadProperties(entry.bag);
            return true;
        }
    }
    return false;
}

QString WriteStoredSettings(const QWidget &window)
{
    QList<GlowDefinitionEntry> written;
    for (const GlowDefinitionEntry &entry : definition()) {
        GlowDefinitionEntry out{entry.type, entry.name, {}};
        if (const auto *button = window.findChild<GlowButton *>(entry.name))
            button->WriteProperties(out.bag);
        written.append(out);
    }
    return WriteGlowDefinition(written);
}
