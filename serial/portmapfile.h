#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// One "COMn=DEVICE" entry of a port map and where it was written: "FILE:LINE" for a map file,
// "--port COMn=DEVICE" for the command line.
struct PortMapping
{
    int port = 0;
    QString device;
    QString origin;
};

// The entries of one source, in the order written, and one line for each fault found in it. Every
// problem line starts with the origin of the faulty entry.
struct PortMappings
{
    QList<PortMapping> mappings;
    QStringList problems;
};

// An assignment as written, or why it is not one (`problem` empty when the assignment is good).
struct PortAssignment
{
    int port = 0;
    QString device;
    QString problem;
};

// Reads "COMn=DEVICE": blanks around either side are dropped, "COM" may be in any case, n must
// lie in COM1 to COM20 and the device must not be empty. The device text is taken as it stands
// (it may contain "="). Text quoted in a problem is cut to 200 characters.
PortAssignment ParsePortAssignment(QStringView text);

// Reads the text of a map file: one assignment a line; blank lines and lines whose first visible
// character is "#" or ";" are skipped. Origins are "fileName:LINE", lines counted from 1. A port
// given twice keeps the later line, and the repetition is reported; a line holding a NUL byte is
// reported and skipped.
PortMappings ParsePortMapText(const QString &text, const QString &fileName);

// Reads a map file from disk. A file that does not exist is no fault (the files are optional) and
// yields nothing; one that exists but cannot be read, is not a regular file (a FIFO, a device) or
// is larger than 64 KiB yields a single problem, without blocking and without reading more than
// 64 KiB.
PortMappings ReadPortMapFile(const QString &path);
