#pragma once

#include "portmapfile.h"
#include "portmaploader.h"
#include "serialcomm.h"

#include <functional>

class QCommandLineParser;

// The port options of meterdesk: "--port COMn=DEVICE" (repeatable) maps a port for this run,
// "--list-ports" prints the port map with the state of each device and exits.
struct PortOptions
{
    QList<PortMapping> mappings;
    bool listPorts = false;
    // One line for each faulty --port value; such a value is left out and the program goes on.
    QStringList problems;
};

// Adds --port and --list-ports to `parser`.
void AddPortOptions(QCommandLineParser &parser);
// The port options of a parser that has parsed the arguments.
PortOptions ReadPortOptions(const QCommandLineParser &parser);

// Whether the raw arguments ask for --list-ports. Checked before any application object exists,
// so that the listing needs no window system.
bool ListPortsRequested(int argc, const char *const *argv);
// Prints the port map with each device's state on standard output, and every problem of the
// map on standard error; returns the exit status.
int ListPortsMain(int argc, char *argv[]);

// The same with the --port mappings of the command line; faulty --port values are reported on
// standard error.
std::function<PortMap()> PortMapFromCommandLine(const QCommandLineParser &parser);
