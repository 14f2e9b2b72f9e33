#include "portmaploader.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace {

const QString kMapFile = QStringLiteral("MeterDesk/ports.ini");

// Serial devices are files only outside Windows ("COM7" is no path there).
bool deviceMissing(const QString &device)
{
#ifdef Q_OS_WIN
    Q_UNUSED(device);
    return false;
#else
    return !QFileInfo::exists(device);
#endif
}

void apply(LoadedPortMap &loaded, const PortMappings &layer)
{
    loaded.problems << layer.problems;
    for (const PortMapping &mapping : layer.mappings) {
        loaded.map.set(mapping.port, mapping.device);
        loaded.origins.insert(mapping.port, mapping.origin);
        if (deviceMissing(mapping.device))
            loaded.problems << QStringLiteral("%1: %2 does not exist (COM%3 is not listed until "
                                              "it does)")
                                   .arg(mapping.origin, mapping.device)
                                   .arg(mapping.port);
    }
}

} // namespace

PortMapLoader::PortMapLoader(QList<PortMapping> commandLine, PortMap builtIn)
    : m_commandLine(std::move(commandLine)), m_builtIn(std::move(builtIn))
{
}

QString PortMapLoader::userFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(kMapFile);
}

QStringList PortMapLoader::systemFiles()
{
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders.removeAll(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QStringList files;
    for (const QString &folder : folders)
        files << QDir(folder).filePath(kMapFile);
    return files;
}

LoadedPortMap PortMapLoader::load() const
{
    LoadedPortMap loaded{m_builtIn, {}, {}};
    const QStringList system = systemFiles();
    for (auto file = system.crbegin(); file != system.crend(); ++file)
        apply(loaded, ReadPortMapFile(*file));
    apply(loaded, ReadPortMapFile(userFile()));
    apply(loaded, {m_commandLine, {}});
    return loaded;
}

PortMap PortMapLoader::loadAndReport(const std::function<void(const QString &)> &report)
{
    LoadedPortMap loaded = load();
    for (const QString &problem : loaded.problems) {
        if (!m_reported.contains(problem))
            report(problem);
    }
    m_reported = loaded.problems;
    return loaded.map;
}

std::function<PortMap()> PortMapSourceOver(QList<PortMapping> mappings)
{
    auto loader = std::make_shared<PortMapLoader>(std::move(mappings));
    return [loader] {
        return loader->loadAndReport([](const QString &problem) {
            std::fputs((problem + u'\n').toLocal8Bit().constData(), stderr);
            std::fflush(stderr);
        });
    };
}
