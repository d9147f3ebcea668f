// The network probe in network namespaces of its own, each set up as one machine state.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/codepage.h"
#include "platform/command_line.h"
#include "utils/process.h"

namespace {

struct ProbeRun {
  std::string output;
  std::string log;
};

// Runs `script` as root of a new network namespace.
ProbeRun RunInNetworkNamespace(const std::string& script) {
  Utils::Process process;
  process.CreatePipes();
  process.Start(Platform::JoinCommandLine({L"unshare", L"--net", L"sh", L"-c", Platform::AnsiToWide(script)}));
  std::string output;
  char buffer[256];
  size_t got = 0;
  while (process.ReadOutput(buffer, sizeof(buffer), got)) output.append(buffer, got);
  process.Wait();
  return {output, process.TakeErrorOutput()};
}

bool NamespacesAllowed() {
  return std::system("unshare --net true >/dev/null 2>&1") == 0 && std::system("command -v ip >/dev/null 2>&1") == 0;
}

// A veth pair whose ends make no addresses of their own, so every case is the same on each run.
const std::string kPair =
    "ip link set lo up && ip link add v0 type veth peer name v1 && ip link set v0 addrgenmode none && "
    "ip link set v1 addrgenmode none && ";
const std::string kUp = "ip link set v0 up && ip link set v1 up && ";

TEST(CheckNetworkTest, ResultFollowsTheInterfacesAndRoutes) {
  if (!NamespacesAllowed()) GTEST_SKIP() << "network namespaces or ip are not available here";
  struct Case {
    const char* what;
    std::string setup;
    int expected;
  } cases[] = {
      {"nothing but a loopback that is down", "", 65536},
      {"loopback only", "ip link set lo up && ", 65536},
      {"interface with an address but down", kPair + "ip addr add 10.9.0.1/24 dev v0 && ", 65536},
      {"interface up without addresses", kPair + kUp, 2 * 65536 + 0x1 + 0x2},
      {"link-local IPv6 only", kPair + "ip -6 addr add fe80::1/64 dev v0 nodad && " + kUp, 2 * 65536 + 0x1 + 0x100},
      {"local network, no default route",
       kPair + "ip addr add 10.9.0.1/24 dev v0 && ip -6 addr add fd11::1/64 dev v0 nodad && " + kUp,
       2 * 65536 + 0x20 + 0x200},
      {"IPv4 default route", kPair + "ip addr add 10.9.0.1/24 dev v0 && " + kUp + "ip route add default via 10.9.0.2 && ",
       0x40 + 0x2},
      {"IPv6 default route",
       kPair + "ip addr add 10.9.0.1/24 dev v0 && ip -6 addr add fd11::1/64 dev v0 nodad && " + kUp +
           "ip -6 route add default via fd11::2 dev v0 && ",
       0x20 + 0x400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ProbeRun run = RunInNetworkNamespace(c.setup + "exec " + QV_NETWORK_PROBE);
    EXPECT_EQ(run.output, std::to_string(c.expected) + "\n");
    // One log line without a line end for each verdict but "connected".
    const int verdict = c.expected / 65536;
    const std::string logged = verdict == 1 ? ": GetConnectivity 0" : verdict == 2 ? ": get_IsConnectedToInternet:0" : "";
    if (logged.empty()) {
      EXPECT_EQ(run.log, "");
    } else {
      EXPECT_NE(run.log.find("(Utils::CheckNetwork)"), std::string::npos) << run.log;
      EXPECT_TRUE(run.log.ends_with(logged)) << run.log;
    }
  }
}

}  // namespace
