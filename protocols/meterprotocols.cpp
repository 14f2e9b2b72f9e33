#include "meterprotocols.h"

#include "cj188.h"
#include "mbus.h"

const QList<const MeterProtocol *> &MeterProtocols()
{
    static const QList<const MeterProtocol *> protocols{&kCj188Protocol, &kMbusProtocol};
    return protocols;
}

const MeterProtocol *FindMeterProtocol(QStringView name)
{
    for (const MeterProtocol *protocol : MeterProtocols()) {
        if (name == protocol->name)
            return protocol;
    }
    return nullptr;
}
