#include "language.h"
#include "mainwindow.h"
#include "messageboxes.h"
#include "meterdeskversion.h"
#include "portoptions.h"
#include "trafficlog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QRegularExpression>
#include <QTextStream>
#include <QTimer>
#include <optional>

namespace {

// --reply-timeout MS: 1 to 600000 in plain digits; 0 when not given (each protocol's own).
std::optional<int> ReplyTimeoutOf(const QCommandLineParser &options,
                                  const QCommandLineOption &option)
{
    if (!options.isSet(option))
        return 0;
    const QString text = options.value(option);
    const bool digits =
        QRegularExpression(QStringLiteral("\\A[0-9]{1,6}\\z")).match(text).hasMatch();
    if (!digits || text.toInt() < 1 || text.toInt() > 600000) {
        QTextStream(stderr)
            << "meterdesk: --reply-timeout takes milliseconds from 1 to 600000, not \"" << text
            << "\"\n";
        return std::nullopt;
    }
    return text.toInt();
}

} // namespace

int main(int argc, char *argv[])
{
    if (ListPortsRequested(argc, argv))
        return ListPortsMain(argc, argv);

    QCoreApplication::setApplicationName(QStringLiteral("meterdesk"));
    QCoreApplication::setApplicationVersion(QStringLiteral(METERDESK_VERSION));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Test bench for water, heat and cooling meters on a serial port."));
    options.addHelpOption();
    const QCommandLineOption versionOption = options.addVersionOption();
    const QCommandLineOption quitAfterStart(
        QStringLiteral("quit-after-start"),
        QStringLiteral("Show the window and quit at once: checks that the program starts."));
    options.addOption(quitAfterStart);
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Append every chunk sent and received to FILE."),
        QStringLiteral("FILE"));
    options.addOption(logOption);
    const QCommandLineOption replyTimeoutOption(
        QStringLiteral("reply-timeout"),
        QStringLiteral("Time a meter may take to start its reply, from the last request byte "
                       "(default: CJ188 1000, EN1434 330 bit times + 50)."),
        QStringLiteral("MS"));
    options.addOption(replyTimeoutOption);
    const QCommandLineOption languageOption = LanguageOption();
    options.addOption(languageOption);
    AddPortOptions(options);

    // --version and --help answer before the window system is reached, so that it works without a
    // display; Qt's own options (-platform, -style, ...) are not known yet here.
    {
        QCoreApplication info(argc, argv);
        options.parse(QCoreApplication::arguments());
        if (options.isSet(versionOption))
            options.showVersion();
        if (options.isSet(QStringLiteral("help")))
            options.showHelp();
    }

    QApplication app(argc, argv);
    options.process(app); // now that Qt has taken its own options, anything unknown is an error
    const std::optional<int> replyTimeoutMs = ReplyTimeoutOf(options, replyTimeoutOption);
    if (!replyTimeoutMs)
        return 64;
    if (!SetUpWindowLanguage(app, QStringLiteral("meterdesk"),
                             options.isSet(languageOption)
                                 ? std::optional<QString>(options.value(languageOption))
                                 : std::nullopt))
        return 64;
    QApplication::setStyle(QStringLiteral("Fusion"));
    QGuiApplication::setDesktopFileName(QStringLiteral("meterdesk"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("meterdesk")));

    TrafficLog log;
    if (options.isSet(logOption) && !log.open(options.value(logOption))) {
        QTextStream(stderr) << "meterdesk: cannot write " << options.value(logOption) << ": "
                            << log.errorString() << '\n';
        return 1;
    }

    WidgetMessageBoxes messages;
    MainWindow window(PortMapFromCommandLine(options), messages);
    messages.setParent(&window);
    window.setTrafficLog(log.isOpen() ? &log : nullptr);
    window.setReplyTimeoutMs(*replyTimeoutMs);
    window.show();
    if (options.isSet(quitAfterStart))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
