#include "language.h"

#include <QCommandLineOption>
#include <QCoreApplication>
#include <QTranslator>

#include <cstdio>

namespace {

void writeLine(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

WindowLanguage LanguageOfEnvironment(const std::function<QString(const char *name)> &variable)
{
    QString chosen = variable("LANGUAGE").section(QLatin1Char(':'), 0, 0);
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!chosen.isEmpty())
            break;
        chosen = variable(name);
    }
    return chosen.startsWith(QLatin1String("en")) ? WindowLanguage::English
                                                  : WindowLanguage::Chinese;
}

QCommandLineOption LanguageOption()
{
    return {QStringLiteral("lang"),
            QStringLiteral("The window's language: zh (Chinese) or en (English). By default "
                           "English when the desktop's language (LANGUAGE, LC_ALL, LC_MESSAGES, "
                           "LANG) is, Chinese otherwise."),
            QStringLiteral("zh|en")};
}

std::optional<WindowLanguage> LanguageOfOption(const QString &value)
{
    if (value == QLatin1String("zh"))
        return WindowLanguage::Chinese;
    if (value == QLatin1String("en"))
        return WindowLanguage::English;
    return std::nullopt;
}

QString BadLanguageMessage(const QString &program, const QString &value)
{
    return QStringLiteral("%1: --lang takes zh (Chinese) or en (English), not \"%2\"")
        .arg(program, value);
}

std::optional<QString> TakeLanguageOption(QStringList &arguments)
{
    static const QString kOption = QStringLiteral("--lang");
    std::optional<QString> value;
    for (qsizetype i = 1; i < arguments.size();) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (argument.startsWith(kOption + QLatin1Char('='))) {
            value = argument.mid(kOption.size() + 1);
            arguments.removeAt(i);
        } else if (argument == kOption) {
            const bool last = i + 1 >= arguments.size();
            value = last ? QString() : arguments.at(i + 1);
            arguments.remove(i, last ? 1 : 2);
        } else {
            ++i;
        }
    }
    return value;
}

bool InstallWindowLanguage(QCoreApplication &app, WindowLanguage language)
{
    const QString name = QStringLiteral("windowLanguage");
    // The translation installed before gives way.
    for (QTranslator *before : app.findChildren<QTranslator *>(name, Qt::FindDirectChildrenOnly)) {
        QCoreApplication::removeTranslator(before);
        delete before;
    }
    if (language == WindowLanguage::Chinese)
        return true;
    auto *translator = new QTranslator(&app);
    translator->setObjectName(name);
    if (!translator->load(QStringLiteral(":/i18n/meterdesk_en.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool SetUpWindowLanguage(QCoreApplication &app, const QString &program,
                         const std::optional<QString> &option)
{
    const std::optional<WindowLanguage> chosen =
        option ? LanguageOfOption(*option)
               : LanguageOfEnvironment([](const char *name) { return qEnvironmentVariable(name); });
    if (!chosen) {
        writeLine(BadLanguageMessage(program, *option));
        return false;
    }
    if (!InstallWindowLanguage(app, *chosen))
        writeLine(program + QStringLiteral(": the English translation is missing from this build; "
                                           "the window stays Chinese"));
    return true;
}
