#include "requestwriter.h"

#include "trafficstate.h"

void RequestWriter::putUnsummed(std::initializer_list<std::uint8_t> values)
{
    for (const std::uint8_t v : values)
        m_state.TxBuf[m_index++] = v;
}

void RequestWriter::put(std::optional<std::uint8_t> value)
{
    if (value)
        m_state.TxBuf[m_index] = *value;
    m_sum += m_state.TxBuf[m_index];
    ++m_index;
}

void RequestWriter::put(std::initializer_list<std::uint8_t> values)
{
    for (const std::uint8_t v : values)
        put(v);
}

void RequestWriter::putTail()
{
    constexpr std::uint8_t kEnd = 0x16;
    putUnsummed({std::uint8_t(m_sum & 0xFF), kEnd});
}
