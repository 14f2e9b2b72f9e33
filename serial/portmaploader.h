#pragma once

#include "portmapfile.h"
#include "serialcomm.h"

#include <QHash>
#include <functional>

// The port map in force and where each entry came from (empty origin: the built-in table).
struct LoadedPortMap
{
    PortMap map;
    QHash<int, QString> origins;
    QStringList problems;
};

// Builds the port map from its layers, each replacing the devices of the numbers it names: the
// built-in table, then the system-wide map files, then the user's map file, then the mappings
// of the command line. The files are read again at every load, so edits take effect at the next
// probe without a restart.
class PortMapLoader
{
public:
    explicit PortMapLoader(QList<PortMapping> commandLine = {},
                           PortMap builtIn = PortMap::platformDefault());

    // The user's map file: "MeterDesk/ports.ini" in the user's configuration folder
    // (XDG_CONFIG_HOME, by default ~/.config).
    static QString userFile();
    // The system-wide map files, most important first: "MeterDesk/ports.ini" in each folder of
    // XDG_CONFIG_DIRS (by default /etc/xdg).
    static QStringList systemFiles();

    // Reads the files and layers the map. Problems: faulty lines, unreadable files and mapped
    // devices that do not exist (such an entry still holds: the device may be plugged in later).
    LoadedPortMap load() const;

    // load(), handing `report` each problem the previous call did not already report, so that a
    // fault shows once and not at every probe.
    PortMap loadAndReport(const std::function<void(const QString &)> &report);

private:
    QList<PortMapping> m_commandLine;
    PortMap m_builtIn;
    QStringList m_reported;
};

// A port map source for a program: reads the map (`mappings` over the user file over the system
// files over the built-in table) at every call and writes each new problem to standard error
// once.
std::function<PortMap()> PortMapSourceOver(QList<PortMapping> mappings);
