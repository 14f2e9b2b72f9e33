#pragma once

#include <QByteArray>

// Requests as the bench sends them, for the tests of the simulated meter.

// Bytes from hexadecimal text; blanks between the pairs are ignored.
inline QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

inline const QByteArray kCj188ReadData =
    Hex("FE FE FE"             // wake-up
        "68"                   // start
        "10"                   // T: cold water meter
        "78 56 34 12 00 33 78" // A0..A6: 0012345678, maker 3378
        "01"                   // C: read data
        "03"                   // L
        "1F 90"                // DI 901F
        "01"                   // SER
        "EB"                   // CS
        "16");                 // stop
inline const QByteArray kCj188ReadAddress = Hex("FE FE FE"
                                                "68"
                                                "10"                   // T
                                                "AA AA AA AA AA AA AA" // A0..A6: wildcard
                                                "03"                   // C: read address
                                                "03"                   // L
                                                "0A 81"                // DI 810A
                                                "01"                   // SER
                                                "B0"                   // CS
                                                "16");
inline const QByteArray kReqUd2To0 = Hex("10"            // short frame
                                         "5B"            // C: REQ_UD2, FCV 1, FCB 0
                                         "00"            // A
                                         "5B"            // CS
                                         "16");          // stop
inline const QByteArray kSetAddress5 = Hex("68 06 06 68" // start, L, L, start
                                           "53"          // C: SND_UD
                                           "FE"          // A: point to point
                                           "51"          // CI: data send
                                           "01"          // DIF: 8-bit integer
                                           "7A"          // VIF: bus address
                                           "05"          // new primary address
                                           "22"          // CS
                                           "16");
