#pragma once

#include "busmaster.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the bus window says about the meters a scan found and the answers the bus gave.

// The table's cells for `meter`: primary address, secondary address, maker, version, medium and
// how it was found; a collision says so in the secondary address's cell.
QStringList BusMeterCells(const MbusFoundMeter &meter);
// The status line once a scan ended; `stopReason` when it was given up before the end.
QString BusScanSummary(const QList<MbusFoundMeter> &found, const QString &stopReason);
// What `answer` to an SND_UD or SND_NKE means, with what to do when it is not the acknowledgement.
QString BusAnswerText(MbusAnswer answer);
// The status line after reading every telegram of a meter.
QString BusReadSummary(const MbusTelegrams &read);
