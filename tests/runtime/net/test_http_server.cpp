// The web server against the loopback client, the main thread running GLib's
// default context as the program does. Only 127.0.0.1 and ::1 are contacted.
// What the players' view serves is tested in tests/app/share.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>

#include "runtime/net/addresses.h"
#include "runtime/net/http_server.h"
#include "runtime/net/http_server_testing.h"
#include "runtime/net/loop.h"
#include "support/http_client.h"

namespace {

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string request(const std::string& method, const std::string& target) {
  return method + " " + target + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n";
}

// A connection that sends text and then reads nothing.
int send_only(int port, const std::string& text) {
  int fd = loopback_connect(port);
  (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL);
  return fd;
}

// Every answer, errors included: no sniffing, no referrer, only the server's
// own resources and no inline script, no cookie.
void expect_guarded(HttpResponse r, const std::string& what) {
  EXPECT_EQ(r.headers["x-content-type-options"], "nosniff") << what;
  EXPECT_EQ(r.headers["referrer-policy"], "no-referrer") << what;
  EXPECT_EQ(r.headers["content-security-policy"].rfind("default-src 'self';", 0), 0u) << what;
  EXPECT_NE(r.headers["content-security-policy"].find("script-src 'self';"), std::string::npos) << what;
  EXPECT_EQ(r.headers.count("set-cookie"), 0u) << what;
}

class Server : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR));
    start();
  }
  void TearDown() override {
    http_server_stop();
    EXPECT_TRUE(loop_until([] { return http_server_connections() == 0; }, 5));
    http_server_set_request_timeout_for_tests(10000);
  }
  void start() {
    HttpHandlers h;
    h.request = [this](HttpRequestId id, const std::string& path, const std::string& query) {
      seen.push_back(path + (query.empty() ? "" : "?" + query));
      if (on_request) on_request(id, path);
      else http_reply(id, 200, "text/plain", "page:" + path, {{"Set-Cookie", "a=b"}});
    };
    h.drained = [this](HttpRequestId id) { if (on_drained) on_drained(id); };
    h.gone = [this](HttpRequestId id) { gone.push_back(id); };
    std::string error;
    ASSERT_TRUE(http_server_start(18421, 18440, h, &error)) << error;
    port = http_server_port();
    key = http_server_key();
  }
  std::string at(const std::string& rest) { return "/" + key + "/" + rest; }

  int port = 0;
  std::string key;
  std::vector<std::string> seen;
  std::vector<HttpRequestId> gone;
  std::function<void(HttpRequestId, const std::string&)> on_request;
  std::function<void(HttpRequestId)> on_drained;
};

}  // namespace

// Only the exact key and a clean path reach the handler; other methods get
// 405, HEAD no body, and every answer is guarded.
TEST_F(Server, OnlyTheKeyAndCleanPathsReachTheHandler) {
  EXPECT_GE(key.size(), 22u);  // 128 bits in base64url
  std::string not_found = http_fetch(port, "/").body;
  for (const std::string& target : {"/" + key, "/" + std::string(key.size(), 'A') + "/", "/" + key.substr(0, key.size() - 1) + "/",
                                   "/" + key + "x/", "/" + key + key + "/"}) {
    HttpResponse r = http_fetch(port, target);
    EXPECT_EQ(std::tuple(r.status, r.body), std::tuple(404, not_found)) << target;
    expect_guarded(r, target);
  }
  for (const std::string& target :
       {at("a%2F..%2Fb"), at("x/%2e%2e/%2e%2e/y"), at("..%2F"), at("x//y"), at("x/"), at("x%00y"), at("x%5cy"),
        at("a\\b"), at("x%0ay"), at("%C0%AE%C0%AE"), at("%"), at(std::string(5000, 'a')),
        at("x?" + std::string(3000, 'q')), "/" + key + "/../../etc/passwd"}) {
    HttpResponse r = http_fetch(port, target);
    EXPECT_TRUE(r.status == 404 || r.status == 400) << target << " " << r.status;
    expect_guarded(r, target);
  }
  EXPECT_EQ(seen.size(), 0u);
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
    HttpResponse r = http_fetch(port, request(method, at("")));
    EXPECT_EQ(std::tuple(r.status, r.headers["allow"]), std::tuple(405, "GET, HEAD")) << method;
    expect_guarded(r, method);
  }
  HttpResponse page = http_fetch(port, at("tiles/1/2/3.png?v=4"));
  EXPECT_EQ(std::tuple(page.status, page.body), std::tuple(200, "page:tiles/1/2/3.png"));
  EXPECT_EQ(page.headers["cache-control"], "no-cache");
  expect_guarded(page, "200");
  HttpResponse head = http_fetch(port, request("HEAD", at("x")));
  EXPECT_EQ(std::tuple(head.status, head.body, head.headers["content-length"]), std::tuple(200, "", "6"));
  EXPECT_EQ(seen, (std::vector<std::string>{"tiles/1/2/3.png?v=4", "x"}));
}

// Slow clients cost only their own answers: one that never reads stalls only
// its stream and is gone when it goes away; an event reader lagging by more
// than 1 MiB is closed while the others go on.
TEST_F(Server, SlowClientsHoldUpNoOne) {
  std::string data(16 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  std::map<HttpRequestId, size_t> sent;
  HttpRequestId unread = 0, head = 0;
  auto pump = [&](HttpRequestId id) {  // writes until the backlog is high, as the program does
    for (size_t& n = sent[id]; n < data.size() && http_stream_backlog(id) < (256 << 10); n += 64 << 10)
      if (!http_stream_write(id, data.substr(n, 64 << 10))) return;
    if (sent[id] >= data.size()) http_stream_end(id);
  };
  on_request = [&](HttpRequestId id, const std::string& path) {
    if (path == "events") return http_reply_events(id);
    if (path == "unread") unread = id;
    if (path == "head") head = id;
    http_reply_stream(id, "image/png");
    pump(id);
  };
  on_drained = [&](HttpRequestId id) { idle_start([&, id] { return pump(id), false; }); };
  EventReader one(port, at("events"));
  int never_reads = send_only(port, request("GET", at("unread")));
  int lagging = send_only(port, request("GET", at("events")));
  ASSERT_TRUE(loop_until([&] { return unread && http_event_streams() == 2; }));
  HttpResponse big = http_fetch(port, at("big"));
  EXPECT_TRUE(big.body == data);
  expect_guarded(big, "stream");
  EXPECT_LT(sent[unread], data.size());
  EXPECT_EQ(http_fetch(port, request("HEAD", at("head"))).body, "");
  EXPECT_EQ(sent[head], 0u);  // a HEAD stream takes no bytes
  for (int i = 0; i < 4096 && http_event_streams() == 2; ++i) {  // the kernel's buffers fill, then the 1 MiB
    http_events_send(0, "big", std::string(4096, 'b'));
    if (i % 16 == 0) loop_until([] { return false; }, 0.002);
  }
  EXPECT_TRUE(loop_until([] { return http_event_streams() == 1; }, 5));
  http_events_send(0, "last", "x");
  EXPECT_TRUE(loop_until([&] { return one.received().find("event: last\n") != std::string::npos; }));
  close(never_reads), close(lagging);
  EXPECT_TRUE(loop_until([&] { return std::count(gone.begin(), gone.end(), unread) == 1; }, 5));
  EXPECT_FALSE(http_stream_write(unread, "more"));
}

// Beyond 256 connections the new ones are closed at once; a connection whose
// request is not complete in time is closed then, not before.
TEST_F(Server, ConnectionLimitAndRequestTimeout) {
  http_server_set_request_timeout_for_tests(1000);
  int partial = send_only(port, "GET " + at("") + " HTTP/1.1\r\nHost: t\r\n");  // never complete
  auto opened = Clock::now();
  ASSERT_TRUE(loop_until([] { return http_server_connections() == 1; }));
  std::vector<pollfd> flood(300);
  for (pollfd& p : flood) p = {loopback_connect(port), POLLIN, 0};
  auto closed = [&] { return poll(flood.data(), flood.size(), 0); };
  int most = 0;
  EXPECT_TRUE(loop_until([&] { return most = std::max(most, http_server_connections()), closed() >= 301 - 256; }, 0.8));
  EXPECT_LE(most, 256);
  EXPECT_EQ(closed(), 301 - 256);
  pollfd p{partial, POLLIN, 0};
  EXPECT_TRUE(loop_until([&] { return poll(&p, 1, 0) == 1; }, 3));
  EXPECT_GE(ms_since(opened), 1000);
  close(partial);
  for (pollfd& f : flood) close(f.fd);
  EXPECT_EQ(http_fetch(port, at("after")).body, "page:after");
}

// A taken port, the address to give out, a new key on each start, and
// stopping: what waits is gone, and nothing listens on IPv4 or IPv6.
TEST_F(Server, PortsAddressAndStop) {
  std::string error, old_key = key, tail = ":" + std::to_string(port) + "/" + key + "/";
  EXPECT_EQ(http_server_address("127.0.0.1"), "http://127.0.0.1" + tail);
  EXPECT_EQ(http_server_address("::1"), "http://[::1]" + tail);
  int taken = port;
  http_server_stop();
  GSocketListener* holder = g_socket_listener_new();
  ASSERT_TRUE(g_socket_listener_add_inet_port(holder, static_cast<guint16>(taken), nullptr, nullptr));
  EXPECT_FALSE(http_server_start(taken, taken, {}, &error));
  EXPECT_EQ(error, "Port " + std::to_string(taken) + " ist belegt.");
  start();
  EXPECT_NE(port, taken);
  EXPECT_NE(key, old_key);
  g_object_unref(holder);

  on_request = [](HttpRequestId, const std::string&) {};  // never answers
  int six = loopback_connect(port, true);  // -1 on a machine without ::1
  if (six >= 0) close(six);
  int fd = send_only(port, request("GET", at("waits")));
  ASSERT_TRUE(loop_until([&] { return seen.size() == 1; }));
  http_server_stop();
  EXPECT_EQ(gone.size(), 1u);
  close(fd);
  EXPECT_EQ(loopback_connect(port), -1);
  if (six >= 0) {
    EXPECT_EQ(loopback_connect(port, true), -1);
  }
}

TEST(Addresses, OwnInterfacesOnlyIpv4First) {
  std::vector<std::string> all = net_local_addresses();
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_FALSE(i > 0 && all[i - 1].find(':') != std::string::npos && all[i].find(':') == std::string::npos) << all[i];
    for (const char* start : {"127.", "169.254.", "::1", "fe80:"}) EXPECT_NE(all[i].rfind(start, 0), 0u) << all[i];
  }
  EXPECT_EQ(net_primary_address(), all.empty() ? "127.0.0.1" : all.front());
}
