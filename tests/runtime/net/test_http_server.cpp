// The web server against the shared loopback client, the main thread running
// GLib's default context as the program does. Only 127.0.0.1 and ::1 are
// ever contacted.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <memory>

#include "runtime/net/addresses.h"
#include "runtime/net/http_server.h"
#include "runtime/net/http_server_testing.h"
#include "runtime/net/loop.h"
#include "support/http_client.h"

namespace {

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

std::string request(const std::string& method, const std::string& target, const std::string& extra = "") {
  return method + " " + target + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\n" + extra + "\r\n";
}

void send_text(int fd, const std::string& text) { (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL); }

// Every answer, errors included: no sniffing, no referrer, only the server's
// own resources and no inline script, no cookie.
void expect_guarded(const HttpResponse& r, const std::string& what) {
  auto header = [&](const char* name) { return r.headers.count(name) ? r.headers.at(name) : ""; };
  EXPECT_EQ(header("x-content-type-options"), "nosniff") << what;
  EXPECT_EQ(header("referrer-policy"), "no-referrer") << what;
  EXPECT_EQ(header("content-security-policy").rfind("default-src 'self';", 0), 0u) << what;
  EXPECT_NE(header("content-security-policy").find("script-src 'self';"), std::string::npos) << what;
  EXPECT_EQ(r.headers.count("set-cookie"), 0u) << what;
}

// The longest time the loop went without running a 1 ms timer while it lives.
struct StallMeter {
  Clock::time_point last = Clock::now();
  double worst = 0;
  guint timer = g_timeout_add(1, [](gpointer p) -> gboolean {
    auto* m = static_cast<StallMeter*>(p);
    m->worst = std::max(m->worst, ms_since(m->last));
    m->last = Clock::now();
    return G_SOURCE_CONTINUE;
  }, this);
  ~StallMeter() { g_source_remove(timer); }
};

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
    http_server_set_keepalive_for_tests(15000);
  }
  void restart() {
    http_server_stop();
    loop_until([] { return http_server_connections() == 0; }, 5);
    start();
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
    h.streams_changed = [this](int n) { stream_counts.push_back(n); };
    std::string error;
    ASSERT_TRUE(http_server_start(18421, 18440, h, &error)) << error;
    port = http_server_port();
    key = http_server_key();
  }
  std::string at(const std::string& rest) { return "/" + key + "/" + rest; }
  bool was_gone(HttpRequestId id) { return std::count(gone.begin(), gone.end(), id) == 1; }

  int port = 0;
  std::string key;
  std::vector<std::string> seen;
  std::vector<HttpRequestId> gone;
  std::vector<int> stream_counts;
  std::function<void(HttpRequestId, const std::string&)> on_request;
  std::function<void(HttpRequestId)> on_drained;
};

}  // namespace

// Only the key of this run and a clean path reach the handler; every other
// path gets the same 404, other methods 405, and every answer is guarded.
TEST_F(Server, OnlyTheKeyAndCleanPathsReachTheHandler) {
  EXPECT_GE(key.size(), 22u);  // 128 bits in base64url
  EXPECT_EQ(key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"), std::string::npos);
  std::string old_key = key;
  restart();
  ASSERT_NE(key, old_key);
  std::string wrong = key;
  wrong.back() = wrong.back() == 'A' ? 'B' : 'A';
  std::vector<std::string> unknown = {"/", "/layout.json", "/" + key, "/" + wrong + "/", "/" + old_key + "/",
                                      "/" + key.substr(0, key.size() - 1) + "/", "/" + key + "x/", "/" + key + key + "/"};
  std::vector<std::string> climbing = {
      at("a%2F..%2Fb"), at("x/%2e%2e/%2e%2e/y"), at("..%2F"), at("x//y"), at("x/"),         at("x%00y"),
      at("x%5cy"),      at("a\\b"),              at("x%0ay"), at("%C0%AE%C0%AE"), at(std::string(5000, 'a')),
      at("x?" + std::string(3000, 'q')),         "/" + key + "/../../etc/passwd"};

  HttpResponse first = http_fetch(port, unknown[0]);
  EXPECT_EQ(first.status, 404);
  expect_guarded(first, "404");
  first.headers.erase("date");
  for (const std::string& target : unknown) {
    HttpResponse r = http_fetch(port, target);
    r.headers.erase("date");
    EXPECT_EQ(r.status, 404) << target;
    EXPECT_EQ(r.body, first.body) << target;
    EXPECT_EQ(r.headers, first.headers) << target;
  }
  for (const std::string& target : climbing) {
    HttpResponse r = http_fetch(port, target);
    EXPECT_TRUE(r.status == 404 || r.status == 400) << target << " " << r.status;
    expect_guarded(r, target);
  }
  HttpResponse unparsable = http_fetch(port, at("%"));  // soup's own 400
  EXPECT_EQ(unparsable.status, 400);
  expect_guarded(unparsable, "400");
  for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS"}) {
    HttpResponse r = http_fetch(port, request(method, at("")));
    EXPECT_EQ(r.status, 405) << method;
    EXPECT_EQ(r.headers["allow"], "GET, HEAD") << method;
    expect_guarded(r, method);
  }
  EXPECT_EQ(http_fetch(port, request("POST", at(""), "Content-Length: 5\r\n\r\nhello")).status, 405);

  HttpResponse page = http_fetch(port, at("tiles/1/2/3.png?v=4"));
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.body, "page:tiles/1/2/3.png");
  EXPECT_EQ(page.headers["cache-control"], "no-cache");
  expect_guarded(page, "200");
  EXPECT_EQ(http_fetch(port, at("a%20b")).body, "page:a b");
  HttpResponse head = http_fetch(port, request("HEAD", at("x")));
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.headers["content-length"], "6");
  expect_guarded(head, "HEAD");
  EXPECT_EQ(seen, (std::vector<std::string>{"tiles/1/2/3.png?v=4", "a b", "x"}));
}

// A request answered later holds up no one; a stream follows its client's
// pace; a client that never reads costs only its own request, and going away
// makes it gone. The loop never waits for a socket meanwhile.
TEST_F(Server, LaterAndStreamedAnswersHoldUpNoOne) {
  constexpr size_t kTotal = 16 << 20, kPiece = 64 << 10, kHigh = 256 << 10;
  std::map<HttpRequestId, size_t> sent;
  HttpRequestId later = 0, unread = 0, last = 0;
  auto pump = [&](HttpRequestId id) {  // writes until the backlog is high
    while (sent[id] < kTotal && http_stream_backlog(id) < kHigh) {
      std::string piece(kPiece, '\0');
      for (size_t i = 0; i < kPiece; ++i) piece[i] = static_cast<char>((sent[id] + i) % 251);
      if (!http_stream_write(id, std::move(piece))) return;
      sent[id] += kPiece;
    }
    if (sent[id] >= kTotal) http_stream_end(id);
  };
  on_request = [&](HttpRequestId id, const std::string& path) {
    if (path == "later") return void(later = id);  // answered at the end
    if (path == "unread.png") unread = id;
    last = id;
    http_reply_stream(id, "image/png");
    pump(id);
  };
  // Refilled from the loop, as the program does once a piece is encoded.
  on_drained = [&](HttpRequestId id) { idle_start([&, id] { return pump(id), false; }); };

  EventReader waiting(port, at("later"));
  int never_reads = loopback_connect(port);
  send_text(never_reads, request("GET", at("unread.png")));
  ASSERT_TRUE(loop_until([&] { return later && unread; }));

  // The loop is measured while it streams; reading the answer is left out.
  HttpResponse big;
  double stall_ms;
  {
    StallMeter stall;
    big = http_fetch(port, at("big.png"));
    stall_ms = stall.worst;
  }
  EXPECT_LT(stall_ms, 100);
  EXPECT_EQ(big.status, 200);
  EXPECT_EQ(big.headers["content-type"], "image/png");
  expect_guarded(big, "stream");
  ASSERT_EQ(big.body.size(), kTotal);
  size_t wrong = 0;
  for (size_t i = 0; i < kTotal; ++i) wrong += big.body[i] != static_cast<char>(i % 251);
  EXPECT_EQ(wrong, 0u);
  HttpResponse head = http_fetch(port, request("HEAD", at("big.png")));
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.headers["content-type"], "image/png");
  EXPECT_EQ(sent[last], 0u);  // a HEAD stream takes no bytes

  // Meanwhile the unread stream stalled with its backlog, the later one waited.
  EXPECT_LT(sent[unread], kTotal);
  EXPECT_GT(http_stream_backlog(unread), 0u);
  EXPECT_EQ(waiting.received(), "");
  http_reply(later, 200, "text/plain", "late");
  EXPECT_TRUE(loop_until([&] { return waiting.received().find("\r\n\r\nlate") != std::string::npos; }));
  close(never_reads);
  EXPECT_TRUE(loop_until([&] { return was_gone(unread); }, 5));
  EXPECT_FALSE(http_stream_write(unread, "more"));
}

// Events go out in order to every reader, a comment keeps the streams alive,
// a reader that lags by more than 1 MiB is closed, the others stay.
TEST_F(Server, EventStreams) {
  http_server_set_keepalive_for_tests(200);
  restart();
  on_request = [](HttpRequestId id, const std::string&) { http_reply_events(id); };
  EventReader one(port, at("events"));
  ASSERT_TRUE(loop_until([&] { return one.received().find("retry: 3000\n\n") != std::string::npos; }));
  ASSERT_EQ(stream_counts, std::vector<int>{1});

  http_events_send(0, "first", "line 1\nline 2");
  for (int i = 0; i < 100; ++i) http_events_send(0, "n", std::to_string(i));
  ASSERT_TRUE(loop_until([&] { return one.received().find("data: 99\n\n") != std::string::npos; }));
  std::string text = one.received();
  size_t pos = text.find("event: first\ndata: line 1\ndata: line 2\n\n");
  EXPECT_NE(pos, std::string::npos);
  for (int i = 0; i < 100 && pos != std::string::npos; ++i)
    EXPECT_NE(pos = text.find("event: n\ndata: " + std::to_string(i) + "\n\n", pos), std::string::npos) << i;
  EXPECT_TRUE(loop_until([&] { return one.received().find(": keep-alive\n\n", text.size()) != std::string::npos; }, 2));

  {
    std::vector<std::unique_ptr<EventReader>> many;
    for (int i = 0; i < 64; ++i) many.push_back(std::make_unique<EventReader>(port, at("events")));
    ASSERT_TRUE(loop_until([&] { return http_event_streams() == 65; }));
    EXPECT_EQ(stream_counts.back(), 65);
    http_events_send(0, "all", "x");
    for (auto& r : many)
      EXPECT_TRUE(loop_until([&] { return r->received().find("event: all\ndata: x\n\n") != std::string::npos; }));
  }
  EXPECT_TRUE(loop_until([] { return http_event_streams() == 1; }));
  EXPECT_EQ(stream_counts.back(), 1);
  size_t changes = stream_counts.size();
  HttpResponse head = http_fetch(port, request("HEAD", at("events")));
  EXPECT_EQ(stream_counts.size(), changes);  // HEAD opened no stream
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.headers["content-type"], "text/event-stream");
  EXPECT_EQ(head.body, "");
  expect_guarded(head, "events");

  // A reader that never reads: the kernel's buffers fill, then the 1 MiB.
  int lagging = loopback_connect(port);
  send_text(lagging, request("GET", at("events")));
  ASSERT_TRUE(loop_until([] { return http_event_streams() == 2; }));
  for (int i = 0; i < 4096 && http_event_streams() == 2; ++i) {
    http_events_send(0, "big", std::string(4096, 'b'));
    if (i % 16 == 0) loop_until([] { return false; }, 0.002);
  }
  EXPECT_TRUE(loop_until([] { return http_event_streams() == 1; }, 5));
  http_events_send(0, "last", "x");
  EXPECT_TRUE(loop_until([&] { return one.received().find("event: last\n") != std::string::npos; }));
  close(lagging);
}

// Beyond 256 connections the new ones are closed at once; a connection whose
// request is not complete in time is closed then, not before.
TEST_F(Server, ConnectionLimitAndRequestTimeout) {
  EXPECT_EQ(http_server_request_timeout(), 10000u);
  http_server_set_request_timeout_for_tests(1000);
  restart();
  int partial = loopback_connect(port);
  send_text(partial, "GET " + at("") + " HTTP/1.1\r\nHost: t\r\n");  // never complete
  auto opened = Clock::now();
  ASSERT_TRUE(loop_until([] { return http_server_connections() == 1; }));

  std::vector<pollfd> flood(300);
  for (pollfd& p : flood) p = {loopback_connect(port), POLLIN, 0};
  auto closed = [&] { return poll(flood.data(), flood.size(), 0); };
  int most = 0;
  EXPECT_TRUE(loop_until([&] {
    most = std::max(most, http_server_connections());
    return closed() >= 301 - 256;
  }, 0.8));
  EXPECT_LE(most, 256);
  EXPECT_EQ(closed(), 301 - 256);
  pollfd p{partial, POLLIN, 0};
  EXPECT_TRUE(loop_until([&] { return poll(&p, 1, 0) == 1; }, 3));
  EXPECT_GE(ms_since(opened), 1000);
  EXPECT_TRUE(loop_until([] { return http_server_connections() == 0; }, 3));
  EXPECT_EQ(closed(), 300);
  close(partial);
  for (pollfd& f : flood) close(f.fd);
  EXPECT_EQ(http_fetch(port, at("after")).body, "page:after");
}

// A taken port, the address to give out, and stopping: what waits is gone,
// and nothing listens afterwards on IPv4 or IPv6.
TEST_F(Server, PortsAddressAndStop) {
  std::string error;
  EXPECT_FALSE(http_server_start(18421, 18440, {}, &error));  // running already
  EXPECT_EQ(http_server_address("192.0.2.7"), "http://192.0.2.7:" + std::to_string(port) + "/" + key + "/");
  EXPECT_EQ(http_server_address("fd00::7"), "http://[fd00::7]:" + std::to_string(port) + "/" + key + "/");
  int taken = port;
  http_server_stop();
  GSocketListener* holder = g_socket_listener_new();
  ASSERT_TRUE(g_socket_listener_add_inet_port(holder, static_cast<guint16>(taken), nullptr, nullptr));
  EXPECT_FALSE(http_server_start(taken, taken, {}, &error));
  EXPECT_EQ(error, "Port " + std::to_string(taken) + " ist belegt.");
  start();
  EXPECT_NE(port, taken);
  g_object_unref(holder);

  on_request = [](HttpRequestId, const std::string&) {};  // never answers
  int six = loopback_connect(port, true);  // -1 on a machine without ::1
  if (six >= 0) close(six);
  int fd = loopback_connect(port);
  send_text(fd, request("GET", at("waits")));
  ASSERT_TRUE(loop_until([&] { return seen.size() == 1; }));
  http_server_stop();
  EXPECT_EQ(gone.size(), 1u);
  pollfd p{fd, POLLIN, 0};
  char c;
  EXPECT_EQ(poll(&p, 1, 2000), 1);
  EXPECT_EQ(recv(fd, &c, 1, MSG_DONTWAIT), 0);
  close(fd);
  EXPECT_EQ(loopback_connect(port), -1);
  if (six >= 0) {
    EXPECT_EQ(loopback_connect(port, true), -1);
  }
}

TEST(Addresses, OwnInterfacesOnlyIpv4First) {
  std::vector<std::string> all = net_local_addresses();
  bool seen_v6 = false;
  for (const std::string& a : all) {
    bool v6 = a.find(':') != std::string::npos;
    EXPECT_FALSE(seen_v6 && !v6) << "IPv4 after IPv6: " << a;
    seen_v6 = seen_v6 || v6;
    for (const char* start : {"127.", "169.254.", "::1", "fe80:"}) {
      EXPECT_NE(a.rfind(start, 0), 0u) << a;
    }
  }
  EXPECT_EQ(net_primary_address(), all.empty() ? "127.0.0.1" : all.front());
}
