#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

class TrafficState;

// Writes a request of either protocol into TxBuf from index 0: the bytes the checksum leaves out
// first, then the summed ones, then the checksum (low eight bits of their sum) and the end byte
// 16. A field whose conversion failed leaves the TxBuf byte as it was, and that old byte is summed
// all the same. The sum is the writer's own: a reply being received meanwhile keeps its own.
class RequestWriter
{
public:
    explicit RequestWriter(TrafficState &state) : m_state(state) {}

    // Bytes outside the checksum: wake-up, start and length bytes.
    void putUnsummed(std::initializer_list<std::uint8_t> values);
    // A summed byte; none keeps the byte TxBuf holds there.
    void put(std::optional<std::uint8_t> value);
    void put(std::initializer_list<std::uint8_t> values);
    // The checksum and the end byte.
    void putTail();

private:
    TrafficState &m_state;
    int m_index = 0;
    unsigned m_sum = 0;
};
