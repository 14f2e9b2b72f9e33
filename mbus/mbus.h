#pragma once

#include <QString>

class TrafficState;

inline constexpr int kMbusReadDataLastIndex = 4;
inline constexpr int kMbusChangeAddressLastIndex = 11;

// Builds REQ_UD2 (10 5B A CS 16) for the primary address in `addressText` (hex, first two
// characters, empty = 0) and sends it, arming the reply recognizer.
void MbusReadData(TrafficState &state, const QString &addressText);
// Builds SND_UD to FE setting the primary address from `newAddressText` and sends it without
// arming the recognizer.
void MbusChangeAddress(TrafficState &state, const QString &newAddressText);
// Hunts for an M-Bus long frame in the receive ring and sets FrameReady on a checked RSP_UD of
// the meter the armed request went to.
void MbusRecognizeReply(TrafficState &state);
