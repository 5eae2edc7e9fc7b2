// The players' view under load, over loopback: 64 event readers and 64 pages
// fetching tiles on persistent connections, each on a thread of its own,
// while the event loop runs here and a 1 ms timer measures its stalls.
#include "bench/bench_share.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <glib.h>

#include "app/mapview/model.h"
#include "app/share/share.h"
#include "app/share/tile_pyramid.h"
#include "app/share/tile_service.h"
#include "app/state/lists.h"
#include "bench/bench_files.h"
#include "runtime/net/http_server.h"
#include "runtime/net/loop.h"

namespace {

using Clock = std::chrono::steady_clock;

// The pages and readers stand for browsers on other machines: their threads
// give way to everything else here.
void as_remote_client() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19); }

int connect_loopback(int port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// One GET on a persistent connection; the body's size, -1 on failure.
int64_t get(int fd, const std::string& path, std::string& buffer) {
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: b\r\n\r\n";
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return -1;
  char chunk[65536];
  size_t end;
  while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return -1;
    buffer.append(chunk, n);
  }
  size_t at = buffer.find("Content-Length: ");
  if (at == std::string::npos || at > end) return -1;
  size_t length = std::stoul(buffer.substr(at + 16));
  while (buffer.size() < end + 4 + length) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0) return -1;
    buffer.append(chunk, n);
  }
  buffer.erase(0, end + 4 + length);
  return static_cast<int64_t>(length);
}

// The loop's longest gap between two ticks of a 1 ms timer.
struct StallMeter {
  Clock::time_point last = Clock::now();
  double worst_ms = 0;
  unsigned timer = 0;
  void start() {
    last = Clock::now();
    worst_ms = 0;
    timer = timer_start(1, [this] {
      auto now = Clock::now();
      worst_ms = std::max(worst_ms, std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
      return true;
    });
  }
  void stop() { timer_stop(timer); }
};

void run_loop_until(const std::function<bool()>& done) {
  while (!done()) g_main_context_iteration(nullptr, TRUE);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

void run_share_figures(const std::string& name, int map, int readers) {
  MapView.map_image = map;
  int64_t before = peak_memory_bytes();
  StallMeter stall;
  stall.start();
  std::string error;
  auto started = Clock::now();
  if (!share_start(0, true, &error)) {
    printf("share: %s\n", error.c_str());
    return;
  }
  std::string base = "/" + http_server_key() + "/";
  int port = http_server_port();
  // The kept levels are built in slices on the loop; the top tile waits for them.
  int levels = tile_levels(MapView.map_width, MapView.map_height);
  std::atomic<bool> top_done{false};
  double first_top_ms = 0;
  std::thread top([&] {
    int fd = connect_loopback(port);
    std::string buffer;
    get(fd, base + "tiles/" + std::to_string(levels - 1) + "/0/0.png", buffer);
    first_top_ms = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    close(fd);
    top_done = true;
  });
  run_loop_until([&] { return top_done.load(); });
  top.join();
  double build_stall = stall.worst_ms;

  // A change to every reader's event: readers wait on their streams.
  std::vector<int> fds(readers);
  std::vector<std::thread> threads;
  std::vector<Clock::time_point> seen(readers);
  std::atomic<int> version_wanted{0}, got{0};
  for (int i = 0; i < readers; i++) {
    fds[i] = connect_loopback(port);
    std::string request = "GET " + base + "events HTTP/1.1\r\nHost: b\r\n\r\n";
    (void)!write(fds[i], request.data(), request.size());
    threads.emplace_back([&, i] {
      as_remote_client();
      std::string received;
      char chunk[4096];
      for (ssize_t n; (n = read(fds[i], chunk, sizeof chunk)) > 0;) {
        received.append(chunk, n);
        std::string want = "{\"version\":" + std::to_string(version_wanted.load()) + "}";
        if (version_wanted > 0 && received.find(want) != std::string::npos) {
          seen[i] = Clock::now();
          received.clear();
          got++;
        }
      }
    });
  }
  run_loop_until([&] { return share_viewers() == readers; });
  std::vector<double> latencies, spread;
  Piece* hero = list_select(Heroes, 0);
  for (int round = 0; round < 15; round++) {
    got = 0;
    version_wanted = static_cast<int>(share_version()) + 1;
    hero->x += 40;
    auto changed = Clock::now();
    share_tick();
    run_loop_until([&] { return got.load() == readers; });
    auto last = *std::max_element(seen.begin(), seen.end());
    auto first = *std::min_element(seen.begin(), seen.end());
    latencies.push_back(std::chrono::duration<double, std::milli>(last - changed).count());
    spread.push_back(std::chrono::duration<double, std::milli>(last - first).count());
  }

  // 64 pages loading every tile: page i takes every tile whose number is i
  // modulo the pages (a connection for each: the server does not keep them).
  std::vector<std::pair<int, std::pair<int64_t, int64_t>>> tiles;
  for (int level = 0; level < levels; level++)
    for (int64_t y = 0; y * TileSize < level_size(MapView.map_height, level); y++)
      for (int64_t x = 0; x * TileSize < level_size(MapView.map_width, level); x++) tiles.push_back({level, {x, y}});
  std::atomic<int> pages_done{0};
  std::atomic<int64_t> bytes{0}, failures{0};
  std::vector<std::thread> pages;
  stall.stop();
  stall.start();
  auto load_start = Clock::now();
  for (int p = 0; p < readers; p++)
    pages.emplace_back([&, p] {
      as_remote_client();
      for (size_t t = p; t < tiles.size(); t += readers) {
        auto [level, xy] = tiles[t];
        int fd = connect_loopback(port);
        std::string buffer;
        int64_t n = get(fd, base + "tiles/" + std::to_string(level) + "/" + std::to_string(xy.first) + "/" +
                                std::to_string(xy.second) + ".png",
                        buffer);
        if (n < 0) failures++;
        else bytes += n;
        close(fd);
      }
      pages_done++;
    });
  run_loop_until([&] { return pages_done.load() == readers; });
  double load_s = std::chrono::duration<double>(Clock::now() - load_start).count();
  for (std::thread& t : pages) t.join();
  double load_stall = stall.worst_ms;
  stall.stop();
  int64_t added = peak_memory_bytes() - before;
  int64_t kept = tiles_memory();
  share_stop();
  for (int fd : fds) shutdown(fd, SHUT_RDWR);
  for (std::thread& t : threads) t.join();
  for (int fd : fds) close(fd);

  printf("%-11s %6d %8.1f %8.1f %8.1f %7.1f %7zu %7.1f %7.1f %6lld %8.1f %8.1f %8lld\n", name.c_str(), readers,
         median(latencies), *std::max_element(latencies.begin(), latencies.end()), median(spread), first_top_ms,
         tiles.size(), load_s, bytes / 1048576.0, static_cast<long long>(failures.load()), build_stall, load_stall,
         static_cast<long long>((added) >> 20));
  printf("            (kept levels and tile cache at the end: %lld MiB)\n", static_cast<long long>(kept >> 20));
}
