#include "hexbytes.h"

QString hexBytes(int count, int first)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::asprintf("%02X ", (first + i) & 0xff);
    return text;
}
