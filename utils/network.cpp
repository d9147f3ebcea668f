#include "utils/network.h"

#include "app/log.h"
#include "platform/network_connectivity.h"

namespace Utils {

int CheckNetwork() {
  const Platform::Connectivity state = Platform::QueryConnectivity();
  if (!state.available) return 0;
  int verdict = 0;
  if (state.flags == 0) {
    WRITE_LOG(L"GetConnectivity %d", static_cast<int>(state.flags));
    verdict = 1;
  } else if (!state.internet) {
    WRITE_LOG(L"get_IsConnectedToInternet:%d", 0);
    verdict = 2;
  }
  return verdict * 65536 + static_cast<int>(state.flags);
}

}  // namespace Utils
