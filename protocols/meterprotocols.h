#pragma once

#include "meterprotocol.h"

#include <QList>
#include <QStringView>

// Every meter protocol the programs speak, in the order they are offered.
const QList<const MeterProtocol *> &MeterProtocols();

// The protocol named `name` ("cj188", "mbus"), or nullptr.
const MeterProtocol *FindMeterProtocol(QStringView name);
