#pragma once

#include <QString>

// Why a port did not open, as far as the system tells.
struct OpenFailure
{
    enum class Reason { Unknown, Unmapped, Absent, NoPermission, Busy, NotSerial, Settings };
    Reason reason = Reason::Unknown;
    QString device; // the device the port map gives (empty when unmapped)
    QString holder; // for Busy: the program holding the device, "name (pid N)", when /proc tells
};

// Looks at `device` after SerialComm's open failed with `error`.
OpenFailure DiagnoseOpenFailure(const QString &device, int error);
// The second line of the window's open-failure message: the reason and what to do; empty when
// nothing is known.
QString OpenFailureText(const OpenFailure &failure);
// The same for the command line, in English.
QString OpenFailureEnglish(const OpenFailure &failure);
