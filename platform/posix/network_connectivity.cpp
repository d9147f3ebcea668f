#include "platform/network_connectivity.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace Platform {
namespace {

// What one interface offers for one protocol, from least to most.
enum class Reach { NoTraffic, Subnet, LocalNetwork, Internet };

// Facts of one interface that is up, has a carrier and is not loopback.
struct InterfaceFacts {
  bool v4Routable = false, v4LinkLocal = false, v4DefaultRoute = false;
  bool v6Routable = false, v6LinkLocal = false, v6DefaultRoute = false;
};

void NoteAddress(const sockaddr* address, InterfaceFacts& facts) {
  if (address->sa_family == AF_INET) {
    const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
    if (ip == 0) return;
    if ((ip & 0xFFFF0000u) == 0xA9FE0000u) facts.v4LinkLocal = true;  // 169.254.0.0/16
    else facts.v4Routable = true;
  } else if (address->sa_family == AF_INET6) {
    const in6_addr& ip = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_UNSPECIFIED(&ip) || IN6_IS_ADDR_LOOPBACK(&ip)) return;
    if (IN6_IS_ADDR_LINKLOCAL(&ip)) facts.v6LinkLocal = true;
    else facts.v6Routable = true;
  }
}

bool IsLiveRoute(unsigned long flags) { return (flags & RTF_UP) && !(flags & RTF_REJECT); }

// A hexadecimal field of a route table; false for anything else.
bool ParseHex(const std::string& text, unsigned long& value) {
  char* end = nullptr;
  value = std::strtoul(text.c_str(), &end, 16);
  return !text.empty() && *end == '\0';
}

// /proc/net/route: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
void NoteIpv4DefaultRoutes(std::map<std::string, InterfaceFacts>& interfaces) {
  std::ifstream table("/proc/net/route");
  std::string line;
  std::getline(table, line);  // the header
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string name, destination, gateway, flags, refCount, use, metric, mask;
    if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask)) continue;
    unsigned long destinationValue, maskValue, flagsValue;
    if (!ParseHex(destination, destinationValue) || !ParseHex(mask, maskValue) || !ParseHex(flags, flagsValue)) continue;
    if (destinationValue != 0 || maskValue != 0 || !IsLiveRoute(flagsValue)) continue;
    auto it = interfaces.find(name);
    if (it != interfaces.end()) it->second.v4DefaultRoute = true;
  }
}

// /proc/net/ipv6_route: destination prefix-length source prefix-length next-hop metric refcnt use flags iface
void NoteIpv6DefaultRoutes(std::map<std::string, InterfaceFacts>& interfaces) {
  std::ifstream table("/proc/net/ipv6_route");
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string destination, prefix, source, sourcePrefix, nextHop, metric, refCount, use, flags, name;
    if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >> refCount >> use >>
          flags >> name))
      continue;
    unsigned long prefixValue, flagsValue;
    if (!ParseHex(prefix, prefixValue) || !ParseHex(flags, flagsValue)) continue;
    if (destination.find_first_not_of('0') != std::string::npos || prefixValue != 0 || !IsLiveRoute(flagsValue))
      continue;
    auto it = interfaces.find(name);
    if (it != interfaces.end()) it->second.v6DefaultRoute = true;
  }
}

Reach ReachOf(bool routable, bool linkLocal, bool defaultRoute) {
  if (routable && defaultRoute) return Reach::Internet;
  if (routable) return Reach::LocalNetwork;
  if (linkLocal) return Reach::Subnet;
  return Reach::NoTraffic;
}

uint32_t FlagOf(Reach reach, bool v6) {
  static constexpr uint32_t kV4[] = {kIpv4NoTraffic, kIpv4Subnet, kIpv4LocalNetwork, kIpv4Internet};
  static constexpr uint32_t kV6[] = {kIpv6NoTraffic, kIpv6Subnet, kIpv6LocalNetwork, kIpv6Internet};
  return (v6 ? kV6 : kV4)[static_cast<int>(reach)];
}

}  // namespace

// The flags are computed per protocol from the interfaces that are up and have a carrier
// (loopback never counts), taking the best interface: a routable address and a default route
// through the same interface is internet; a routable address alone is local network; only a
// link-local address (169.254/16, fe80::/10) is subnet; an up interface without an address of the
// protocol is no traffic. No usable interface at all gives 0, as a machine without adapters does.
Connectivity QueryConnectivity() {
  Connectivity result;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return result;
  result.available = true;
  std::map<std::string, InterfaceFacts> interfaces;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    const unsigned flags = entry->ifa_flags;
    if (!(flags & IFF_UP) || !(flags & IFF_RUNNING) || (flags & IFF_LOOPBACK)) continue;
    InterfaceFacts& facts = interfaces[entry->ifa_name];
    if (entry->ifa_addr) NoteAddress(entry->ifa_addr, facts);
  }
  ::freeifaddrs(list);
  NoteIpv4DefaultRoutes(interfaces);
  NoteIpv6DefaultRoutes(interfaces);
  if (interfaces.empty()) return result;
  Reach best4 = Reach::NoTraffic, best6 = Reach::NoTraffic;
  for (const auto& [name, facts] : interfaces) {
    best4 = std::max(best4, ReachOf(facts.v4Routable, facts.v4LinkLocal, facts.v4DefaultRoute));
    best6 = std::max(best6, ReachOf(facts.v6Routable, facts.v6LinkLocal, facts.v6DefaultRoute));
  }
  result.flags = FlagOf(best4, false) | FlagOf(best6, true);
  result.internet = best4 == Reach::Internet || best6 == Reach::Internet;
  return result;
}

}  // namespace Platform
