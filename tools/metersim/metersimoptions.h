#pragma once

#include "metercj188.h"
#include "metermbus.h"
#include "metersimulator.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

// Pause between the pieces of a reply under --split.
constexpr int kPieceGapMs = 20;

// What the simulator's command line asks for.
struct MeterSimOptions
{
    bool help = false;    // print the help text and exit
    bool version = false; // print the version and exit
    QString device;       // serial device to serve; empty: a new pseudo-terminal
    qint32 baudRate = 2400;
    QSerialPort::Parity parity = QSerialPort::EvenParity;
    QString link; // symbolic link to the device, made while the simulator runs
    MeterCj188Config cj188;
    MeterMbusConfig mbus;
    // The meters of a simulated M-Bus (--meter, --meters); empty: the one meter of --mbus-*.
    QList<MeterMbusConfig> busMeters;
    MeterFaults faults;
    int pieceSize = 0; // replies leave in pieces of this many bytes; 0: whole
    bool echo = false;
};

// Reads `arguments` (the program name first) into `options`; false with a message in `error`
// on an unknown option, a stray argument or a bad value.
bool ParseMeterSimOptions(const QStringList &arguments, MeterSimOptions &options, QString *error);

// The text --help prints: usage and every option.
QString MeterSimHelpText();
