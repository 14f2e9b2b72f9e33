#pragma once

#include <QString>

class TrafficState;

// The CJ/T 188 page's input texts, read afresh for every request.
struct Cj188Fields
{
    QString meterType;   // Combo7, e.g. "冷水水表 - 10H"
    QString address;     // Text1, up to ten decimal digits
    QString makerCodeA5; // Text3, two decimal digits
    QString makerCodeA6; // Text2, two decimal digits
};

// Index of the last byte (the end byte 16) of both 19-byte requests in TxBuf.
inline constexpr int kCj188LastIndex = 18;

// Builds the read-meter-data request (C 01, DI 901F) in TxBuf and sends it, arming the reply
// recognizer. A field that does not convert leaves its TxBuf byte as it was (still summed).
void Cj188ReadData(TrafficState &state, const Cj188Fields &fields);
// Builds the read-meter-address request (C 03, DI 810A, address all AA) and sends it without
// arming the recognizer.
void Cj188ReadAddress(TrafficState &state, const Cj188Fields &fields);
// Hunts for a CJ/T 188 frame in the receive ring and sets FrameReady on a checked one that
// carries the address of the armed request.
void Cj188RecognizeReply(TrafficState &state);
