#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The request frames a meter on the line can be sent.
enum class MeterFrameKind {
    Cj188,     // CJ/T 188: 68 T A0..A6 C L data CS 16
    MbusShort, // EN 13757-2 short frame: 10 C A CS 16
    MbusLong,  // EN 13757-2 long frame: 68 L L 68 C A CI data CS 16
};

// One complete frame taken from the line.
struct MeterFrame
{
    MeterFrameKind kind = MeterFrameKind::Cj188;
    // From the start byte through the stop byte.
    QByteArray bytes;
    // What was dropped just before it: wake-up bytes FE, noise, broken frames.
    QByteArray lead;
};

// Assembles request frames from a byte stream that arrives in arbitrary pieces. Only frames a
// master sends are taken: a complete frame with a correct checksum and stop byte 16, and for
// CJ/T 188 a control code with the direction bit clear. Anything else is skipped byte by byte,
// so that the reader falls back in step after garbage or a broken frame.
class MeterFrameReader
{
public:
    // Appends received bytes; returns the frames they complete, in the order they arrived.
    QList<MeterFrame> feed(QByteArrayView bytes);

    // Takes the bytes dropped since the last frame that no frame has claimed as its lead.
    QByteArray takeSkipped();
    qsizetype skippedSize() const { return m_skipped.size(); }

    // Bytes held back because they may still be the beginning of a frame.
    QByteArray pending() const { return m_buffer; }

private:
    QByteArray m_buffer;
    QByteArray m_skipped;
};
