// Feeds arbitrary bytes to both reply decoders, and what they decode to the JSON and the
// window's lines. The input buffer is exactly the frame, so a read past it is an
// AddressSanitizer report; a decoded record must hold bytes of the frame only.

#include "cj188decoder.h"
#include "mbusdecoder.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(const DecodedReply &reply, QByteArrayView frame)
{
    for (const DecodedRecord &record : reply.records) {
        if (record.raw.size() > frame.size())
            std::abort();
    }
    if (DecodedReplyJson(reply).isEmpty())
        std::abort();
    DecodedReplyLines(reply);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView frame(reinterpret_cast<const char *>(data), qsizetype(size));
    Check(MbusDecodeReply(frame), frame);
    Check(Cj188DecodeReply(frame), frame);
    return 0;
}
