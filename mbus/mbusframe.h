#pragma once

#include <cstdint>

// The EN 13757-2 link layer's bytes and codes that the request builders, the link layer and the
// decoder share.
namespace mbus_frame {

inline constexpr std::uint8_t kShortStart = 0x10;
inline constexpr std::uint8_t kLongStart = 0x68;
inline constexpr std::uint8_t kStop = 0x16;
inline constexpr std::uint8_t kReqUd2 = 0x5B; // C field: REQ_UD2, FCV = 1, FCB = 0
inline constexpr std::uint8_t kSndUd = 0x53;  // C field: SND_UD, FCV = 1, FCB = 0
inline constexpr std::uint8_t kCiDataSend = 0x51;
inline constexpr std::uint8_t kCiLongHeader = 0x72; // variable data reply with the long header
// The one data record of "set primary address": DIF 8-bit integer, VIF bus address.
inline constexpr std::uint8_t kDifInt8 = 0x01;
inline constexpr std::uint8_t kVifBusAddress = 0x7A;

} // namespace mbus_frame
