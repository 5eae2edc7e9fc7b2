// The machine's own addresses, from its interfaces (getifaddrs), and a watch
// that tells when they may have changed.
#include "runtime/net/addresses.h"

#include <arpa/inet.h>
#include <gio/gio.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>

namespace {

bool usable_ipv4(const in_addr& a) {
  uint32_t h = ntohl(a.s_addr);
  if ((h >> 24) == 127 || (h >> 24) == 0) return false;    // loopback, "this network"
  if ((h >> 16) == 0xA9FE) return false;                   // 169.254/16, link-local
  if ((h >> 28) >= 0xE) return false;                      // multicast and reserved
  return true;
}

// 0 for an address not to show, 1 for a global one, 2 for a unique local one
// (fc00::/7), which comes after the global ones.
int ipv6_rank(const in6_addr& a) {
  if (IN6_IS_ADDR_LOOPBACK(&a) || IN6_IS_ADDR_UNSPECIFIED(&a) || IN6_IS_ADDR_LINKLOCAL(&a) ||
      IN6_IS_ADDR_SITELOCAL(&a) || IN6_IS_ADDR_MULTICAST(&a) || IN6_IS_ADDR_V4MAPPED(&a) || IN6_IS_ADDR_V4COMPAT(&a))
    return 0;
  return (a.s6_addr[0] & 0xFE) == 0xFC ? 2 : 1;
}

std::function<void()> watcher;
GNetworkMonitor* monitor = nullptr;
gulong monitor_handler = 0;
guint poll_timer = 0;
std::vector<std::string> last_seen;

void network_changed(GNetworkMonitor*, gboolean, gpointer) {
  last_seen = net_local_addresses();
  if (watcher) watcher();
}

// Some changes reach no monitor (an address added by hand, a lease renewed
// to another address): a cheap look at the list every few seconds.
gboolean poll_addresses(gpointer) {
  std::vector<std::string> now = net_local_addresses();
  if (now != last_seen) {
    last_seen = std::move(now);
    if (watcher) watcher();
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

std::vector<std::string> net_local_addresses() {
  std::vector<std::string> v4, v6, v6_local;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || !(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
    char text[INET6_ADDRSTRLEN] = {};
    if (i->ifa_addr->sa_family == AF_INET) {
      const in_addr& a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr;
      if (usable_ipv4(a) && inet_ntop(AF_INET, &a, text, sizeof text)) v4.emplace_back(text);
    } else if (i->ifa_addr->sa_family == AF_INET6) {
      const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr)->sin6_addr;
      int rank = ipv6_rank(a);
      if (rank && inet_ntop(AF_INET6, &a, text, sizeof text)) (rank == 1 ? v6 : v6_local).emplace_back(text);
    }
  }
  freeifaddrs(list);
  std::vector<std::string> all;
  for (auto* part : {&v4, &v6, &v6_local})
    for (auto& a : *part)
      if (std::find(all.begin(), all.end(), a) == all.end()) all.push_back(a);
  return all;
}

std::string net_primary_address() {
  std::vector<std::string> all = net_local_addresses();
  return all.empty() ? "127.0.0.1" : all.front();
}

void net_watch_addresses(std::function<void()> changed) {
  watcher = std::move(changed);
  if (watcher && !poll_timer) {
    last_seen = net_local_addresses();
    monitor = g_network_monitor_get_default();  // owned by GIO
    monitor_handler = g_signal_connect(monitor, "network-changed", G_CALLBACK(network_changed), nullptr);
    poll_timer = g_timeout_add_seconds(5, poll_addresses, nullptr);
  } else if (!watcher && poll_timer) {
    g_signal_handler_disconnect(monitor, monitor_handler);
    g_source_remove(poll_timer);
    monitor = nullptr;
    monitor_handler = 0;
    poll_timer = 0;
  }
}
