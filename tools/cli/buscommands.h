#pragma once

#include <QStringList>

// The M-Bus bus commands of meterdesk-cli: ping, scan, scan-secondary, read --secondary,
// read --all-telegrams, set-address, reset and switch-baud.

// What --help says about them: each command's synopsis and every option they accept.
QString BusCommandsHelp();

// Whether `arguments` (the program name first) ask for one of them.
bool IsBusCommand(const QStringList &arguments);

// Runs it; the exit status (0 done, 1 no answer, 2 a reply that fails the check, 3 collision,
// 64 usage error, 74 port or log file unusable).
int RunBusCommand(const QStringList &arguments);
