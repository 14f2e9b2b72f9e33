#include "portoptions.h"

#include "language.h"
#include "portmaploader.h"
#include "portstate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

const QString kPortOption = QStringLiteral("port");
const QString kListPortsOption = QStringLiteral("list-ports");

void writeError(const QString &line)
{
    std::fputs((line + u'\n').toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

void AddPortOptions(QCommandLineParser &parser)
{
    parser.addOption({kPortOption,
                      QStringLiteral("Puts DEVICE behind port COMn (1 to 20) for this run; "
                                     "may be given several times."),
                      QStringLiteral("COMn=DEVICE")});
    parser.addOption({kListPortsOption,
                      QStringLiteral("Prints the port map with the state of each device (free, "
                                     "busy, missing, no permission) and exits.")});
}

PortOptions ReadPortOptions(const QCommandLineParser &parser)
{
    PortOptions options;
    options.listPorts = parser.isSet(kListPortsOption);
    for (const QString &value : parser.values(kPortOption)) {
        const QString origin = QStringLiteral("--port ") + value;
        const PortAssignment assignment = ParsePortAssignment(value);
        if (assignment.problem.isEmpty())
            options.mappings.append({assignment.port, assignment.device, origin});
        else
            options.problems << origin + QStringLiteral(": ") + assignment.problem;
    }
    return options;
}

bool ListPortsRequested(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        if (std::strcmp(argv[i], "--list-ports") == 0)
            return true;
    }
    return false;
}

int ListPortsMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    AddPortOptions(parser);
    parser.addOption(LanguageOption()); // the window's, taken and left alone here
    if (!parser.parse(QCoreApplication::arguments()))
        writeError(parser.errorText());
    const PortOptions options = ReadPortOptions(parser);
    const LoadedPortMap loaded = PortMapLoader(options.mappings).load();
    for (const QString &problem : options.problems + loaded.problems)
        writeError(problem);
    QTextStream(stdout) << PortListing(loaded);
    return 0;
}

std::function<PortMap()> PortMapFromCommandLine(const QCommandLineParser &parser)
{
    const PortOptions options = ReadPortOptions(parser);
    for (const QString &problem : options.problems)
        writeError(problem);
    return PortMapSourceOver(options.mappings);
}
