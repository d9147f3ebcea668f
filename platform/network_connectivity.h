#pragma once
// How the machine is connected, in the flags of the Network List Manager (NLM_CONNECTIVITY).

#include <cstdint>

namespace Platform {

inline constexpr uint32_t kIpv4NoTraffic = 0x1;
inline constexpr uint32_t kIpv6NoTraffic = 0x2;
inline constexpr uint32_t kIpv4Subnet = 0x10;
inline constexpr uint32_t kIpv4LocalNetwork = 0x20;
inline constexpr uint32_t kIpv4Internet = 0x40;
inline constexpr uint32_t kIpv6Subnet = 0x100;
inline constexpr uint32_t kIpv6LocalNetwork = 0x200;
inline constexpr uint32_t kIpv6Internet = 0x400;

struct Connectivity {
  bool available = false;  // the system could be asked at all
  uint32_t flags = 0;      // the NLM_CONNECTIVITY flags; 0 when the query failed
  bool internet = false;   // the system counts the machine as connected to the internet
};

Connectivity QueryConnectivity();

}  // namespace Platform
