#pragma once

#include "ptypair.h"
#include "serialcomm.h"

#include <QSerialPort>
#include <memory>

// The ports of a bench that window and session tests work on: COM1 free, COM2 held by another
// program, COM3 mapped to a device that does not exist, COM4 unmapped.
struct BenchPorts
{
    // Opens the pseudo-terminals and occupies COM2; false when the machine gives none.
    bool open()
    {
        com1 = std::make_unique<PtyPair>();
        com2 = std::make_unique<PtyPair>();
        if (!com1->isOpen() || !com2->isOpen())
            return false;
        otherProgram = std::make_unique<QSerialPort>(com2->slavePath());
        if (!otherProgram->open(QIODevice::ReadWrite))
            return false;
        map = PortMap::empty();
        map.set(1, com1->slavePath());
        map.set(2, com2->slavePath());
        map.set(3, QStringLiteral("/dev/meterdesk-no-such-device"));
        return true;
    }

    std::unique_ptr<PtyPair> com1;
    std::unique_ptr<PtyPair> com2;
    std::unique_ptr<QSerialPort> otherProgram;
    PortMap map;
};
