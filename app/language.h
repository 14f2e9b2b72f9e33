#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCommandLineOption;
class QCoreApplication;

// The language the window speaks. Chinese is the window's own; English comes from the built-in
// translation.
enum class WindowLanguage { Chinese, English };

// The desktop's language as the locale variables give it: the first entry of LANGUAGE's colon
// list, else LC_ALL, LC_MESSAGES, LANG, the first one set and not empty. English when it starts
// with "en", Chinese otherwise (C, POSIX and none at all included).
WindowLanguage LanguageOfEnvironment(const std::function<QString(const char *name)> &variable);

// The --lang option, as meterdesk's command line lists it.
QCommandLineOption LanguageOption();

// The value of --lang: "zh" or "en"; none for anything else.
std::optional<WindowLanguage> LanguageOfOption(const QString &value);

// The usage error for a --lang value LanguageOfOption refuses.
QString BadLanguageMessage(const QString &program, const QString &value);

// Takes "--lang VALUE" and "--lang=VALUE" out of `arguments` (after the program name), for
// programs that hand their other arguments on. The value given last (empty when --lang came
// last, without one); none when --lang was not given.
std::optional<QString> TakeLanguageOption(QStringList &arguments);

// Gives `app` the translation of `language` (none for Chinese) in place of the one it had; false
// when the built-in translation cannot be loaded. Windows built after it speak the language.
bool InstallWindowLanguage(QCoreApplication &app, WindowLanguage language);

// Gives `app` the language from --lang when given, from the environment otherwise. False, after
// writing the usage error, for a --lang value other than zh and en.
bool SetUpWindowLanguage(QCoreApplication &app, const QString &program,
                         const std::optional<QString> &option);
