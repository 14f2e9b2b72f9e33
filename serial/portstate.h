#pragma once

#include "portmaploader.h"

#include <QString>

// What a trial open finds behind a mapped device.
enum class PortState {
    Free,
    Busy,
    Missing,
    NoPermission,
};

// "free", "busy", "missing" or "no permission".
QString PortStateName(PortState state);

// Tries the device as the port probe does. Missing: no such device, or one that does not work
// as a serial port. NoPermission: the device exists but this user may not read and write it.
// Busy: another program holds it.
PortState ProbeDevice(const QString &device);

// The table --list-ports prints: one line a mapped port, COM1 to COM20, with its state, its
// device and, for an entry that is not built in, where it was mapped; a port that would not open
// is followed by an indented line with the reason and what to do.
QString PortListing(const LoadedPortMap &loaded);
