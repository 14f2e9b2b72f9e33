#pragma once

#include "decodedreply.h"

#include <QByteArray>
#include <QByteArrayView>

// Decodes a CJ/T 188 reply (wake-up bytes FE allowed before 68 T A0..A6 C L data CS 16): the
// read-data reply (C 81, DI 901F) of water and gas meters (types 10-19, 30-39) and of heat and
// cooling meters (20-29), and the read-address reply (C 83, DI 810A). "checked" says whether CS
// equals the sum from the start byte through the last data byte. Readings come in the base
// units (Wh, J, W, m^3, m^3/h, °C, s) and, for the window, as the meter gives them. A field with
// a digit that is not BCD, or with an unknown unit code, is reported as invalid with its bytes.
DecodedReply Cj188DecodeReply(QByteArrayView frame);
