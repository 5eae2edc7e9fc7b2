// The web server against plain blocking sockets in a client thread, while the
// main thread iterates GLib's default context as the program does. Only
// 127.0.0.1 and ::1 are ever contacted.
#include <arpa/inet.h>
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "runtime/net/addresses.h"
#include "runtime/net/http_server.h"
#include "runtime/net/http_server_testing.h"

namespace {

using Clock = std::chrono::steady_clock;
const char* kPolicy =
    "default-src 'self'; img-src 'self' blob:; connect-src 'self'; style-src 'self'; script-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

double ms_since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// ---- client side (any thread) ----

int connect_to(int port, bool ipv6 = false) {
  int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  timeval tv{10, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  int r;
  if (ipv6) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = in6addr_loopback;
    r = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  } else {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    r = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  if (r != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool ipv6_loopback_available() {
  int fd = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_addr = in6addr_loopback;
  bool ok = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  if (fd >= 0) close(fd);
  return ok;
}

void send_all(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t n = send(fd, s.data() + done, s.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string read_to_end(int fd) {
  std::string out;
  char buf[65536];
  ssize_t n;
  while ((n = recv(fd, buf, sizeof buf, 0)) > 0) out.append(buf, static_cast<size_t>(n));
  return out;
}

// Reads until text appears in what was read (or the end); returns all read.
bool read_until(int fd, std::string& got, const std::string& text) {
  char buf[4096];
  while (got.find(text) == std::string::npos) {
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    got.append(buf, static_cast<size_t>(n));
  }
  return true;
}

struct Response {
  int status = 0;
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;
  std::string raw_headers;
};

std::string dechunk(const std::string& s) {
  std::string out;
  size_t pos = 0;
  while (pos < s.size()) {
    size_t eol = s.find("\r\n", pos);
    if (eol == std::string::npos) break;
    size_t len = std::stoul(s.substr(pos, eol - pos), nullptr, 16);
    if (len == 0) break;
    out += s.substr(eol + 2, len);
    pos = eol + 2 + len + 2;
  }
  return out;
}

Response parse(const std::string& raw) {
  Response r;
  size_t end = raw.find("\r\n\r\n");
  if (raw.size() < 12 || end == std::string::npos) return r;
  r.status = std::stoi(raw.substr(9, 3));
  r.raw_headers = raw.substr(0, end);
  size_t pos = raw.find("\r\n") + 2;
  while (pos < end) {
    size_t eol = raw.find("\r\n", pos);
    std::string line = raw.substr(pos, eol - pos);
    size_t colon = line.find(':');
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    r.headers[name] = line.substr(colon + 2);
    pos = eol + 2;
  }
  r.body = raw.substr(end + 4);
  if (r.headers["transfer-encoding"] == "chunked") r.body = dechunk(r.body);
  return r;
}

Response fetch(int port, const std::string& method, const std::string& target, const std::string& extra = "",
               bool ipv6 = false) {
  int fd = connect_to(port, ipv6);
  if (fd < 0) return {};
  send_all(fd, method + " " + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n" + extra + "\r\n");
  Response r = parse(read_to_end(fd));
  close(fd);
  return r;
}

// ---- server side (main thread) ----

// The longest time the loop went without running a 1 ms timer.
double worst_stall_ms = 0;

// Iterates the default context until done() or the time is up; true when done.
bool run_until(const std::function<bool()>& done, double limit_ms = 20000) {
  auto start = Clock::now();
  struct Ticks {
    Clock::time_point last = Clock::now();
    double stall = 0;
  } ticks;
  guint tick = g_timeout_add(1, [](gpointer p) -> gboolean {
    auto* t = static_cast<Ticks*>(p);
    t->stall = std::max(t->stall, ms_since(t->last));
    t->last = Clock::now();
    return G_SOURCE_CONTINUE;
  }, &ticks);
  bool ok;
  while (!(ok = done()) && ms_since(start) < limit_ms) g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  worst_stall_ms = std::max(worst_stall_ms, ticks.stall);
  return ok;
}

// Runs client in a thread while the loop runs; returns once it has finished.
void with_client(const std::function<void()>& client, double limit_ms = 60000) {
  std::atomic<bool> finished{false};
  std::thread t([&] {
    client();
    finished = true;
    g_main_context_wakeup(nullptr);
  });
  EXPECT_TRUE(run_until([&] { return finished.load(); }, limit_ms));
  t.join();
}

class Server : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_ERROR));
    start();
  }
  void TearDown() override {
    http_server_stop();
    run_until([] { return http_server_connections() == 0; }, 5000);
    EXPECT_EQ(http_server_connections(), 0);
    std::printf("worst loop stall so far: %.1f ms\n", worst_stall_ms);
  }
  void start() {
    HttpHandlers h;
    h.request = [this](HttpRequestId id, const std::string& path, const std::string& query) {
      seen.push_back(path + (query.empty() ? "" : "?" + query));
      if (on_request) on_request(id, path);
      else http_reply(id, 200, "text/plain", "page:" + path, {{"Set-Cookie", "a=b"}, {"X-Extra", "1"}});
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

  int port = 0;
  std::string key;
  std::vector<std::string> seen;
  std::vector<HttpRequestId> gone;
  std::vector<int> stream_counts;
  std::function<void(HttpRequestId, const std::string&)> on_request;
  std::function<void(HttpRequestId)> on_drained;
};

void expect_guarded(const Response& r, const std::string& what) {
  EXPECT_EQ(r.headers.count("x-content-type-options") ? r.headers.at("x-content-type-options") : "", "nosniff") << what;
  EXPECT_EQ(r.headers.count("referrer-policy") ? r.headers.at("referrer-policy") : "", "no-referrer") << what;
  EXPECT_EQ(r.headers.count("content-security-policy") ? r.headers.at("content-security-policy") : "", kPolicy) << what;
  EXPECT_EQ(r.headers.count("set-cookie"), 0u) << what;
}

std::string without_date(const std::string& raw_headers) {
  std::string out;
  size_t pos = 0;
  while (pos <= raw_headers.size()) {
    size_t eol = raw_headers.find("\r\n", pos);
    std::string line = raw_headers.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
    if (line.rfind("Date:", 0) != 0) out += line + "\n";
    if (eol == std::string::npos) break;
    pos = eol + 2;
  }
  return out;
}

}  // namespace

// Who gets an answer: the right key and a clean path reach the handler;
// everything else gets the same 404 (or 405, or soup's 400) without it.
TEST_F(Server, KeyMethodsAndPaths) {
  EXPECT_GE(key.size(), 22u);  // 128 bits in base64url
  EXPECT_EQ(key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"), std::string::npos);
  std::string old_key = key;
  http_server_stop();
  start();
  ASSERT_NE(key, old_key);
  std::string wrong = key;
  wrong.back() = wrong.back() == 'A' ? 'B' : 'A';

  std::vector<std::string> good = {at(""), at("tiles/1/2/3.png?v=4"), at("a%20b")};
  std::vector<std::string> unknown = {"/", "/layout.json", "/" + key, "/" + wrong + "/", "/" + old_key + "/",
                                      "/" + key.substr(0, key.size() - 1) + "/", "/" + key + "x/", at("").substr(0, 1) + key + key + "/"};
  std::vector<std::string> climbing = {at("a%2F..%2Fb"), at("a%2f%2e%2e"), at("..%2F"), at("x/%2e%2e/%2e%2e/y"),
                                       at("/x"), at("x//y"), at("x/"), at("x%00y"), at("x%5cy"), at("%C0%AE%C0%AE"),
                                       at("x%0ay"), at("x\ty"), at("a\\b"), at(std::string(5000, 'a')),
                                       "/" + key + "/../../etc/passwd"};
  std::vector<Response> good_r, unknown_r, climbing_r, bad_r, other_r;
  Response head, get, long_header, after, big_post, ipv6;
  bool v6 = ipv6_loopback_available();
  with_client([&] {
    for (auto& t : good) good_r.push_back(fetch(port, "GET", t));
    for (auto& t : unknown) unknown_r.push_back(fetch(port, "GET", t));
    for (auto& t : climbing) climbing_r.push_back(fetch(port, "GET", t));
    bad_r.push_back(fetch(port, "GET", at("%")));  // soup cannot parse it
    for (const char* m : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH"}) other_r.push_back(fetch(port, m, at("")));
    big_post = fetch(port, "POST", at(""), "Content-Length: 5\r\n\r\nhello");
    get = fetch(port, "GET", at("x"));
    head = fetch(port, "HEAD", at("x"));
    long_header = fetch(port, "GET", at(""), "X-Long: " + std::string(1 << 20, 'h') + "\r\n");
    after = fetch(port, "GET", at("after"));
    if (v6) ipv6 = fetch(port, "GET", at("six"), "", true);
  });

  EXPECT_EQ(good_r[0].body, "page:");
  EXPECT_EQ(good_r[1].body, "page:tiles/1/2/3.png");
  EXPECT_EQ(good_r[2].body, "page:a b");
  for (auto& r : good_r) {
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.headers["x-extra"], "1");
    EXPECT_EQ(r.headers["cache-control"], "no-cache");
    expect_guarded(r, "200");
  }
  ASSERT_FALSE(unknown_r.empty());
  const Response& first = unknown_r[0];
  EXPECT_EQ(first.status, 404);
  for (size_t i = 0; i < unknown_r.size(); ++i) {
    EXPECT_EQ(unknown_r[i].status, 404) << unknown[i];
    EXPECT_EQ(unknown_r[i].body, first.body) << unknown[i];
    EXPECT_EQ(without_date(unknown_r[i].raw_headers), without_date(first.raw_headers)) << unknown[i];
    expect_guarded(unknown_r[i], unknown[i]);
  }
  for (size_t i = 0; i < climbing_r.size(); ++i) {
    EXPECT_TRUE(climbing_r[i].status == 404 || climbing_r[i].status == 400) << climbing[i] << " " << climbing_r[i].status;
    if (climbing_r[i].status == 404) {
      EXPECT_EQ(climbing_r[i].body, first.body);
    }
    expect_guarded(climbing_r[i], climbing[i]);
  }
  for (auto& r : bad_r) {
    EXPECT_EQ(r.status, 400);
    expect_guarded(r, "400");
  }
  for (auto& r : other_r) {
    EXPECT_EQ(r.status, 405);
    EXPECT_EQ(r.headers["allow"], "GET, HEAD");
    expect_guarded(r, "405");
  }
  EXPECT_EQ(big_post.status, 405);
  // HEAD: the headers of GET, no body.
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.headers["content-length"], get.headers["content-length"]);
  EXPECT_EQ(head.headers["content-type"], get.headers["content-type"]);
  expect_guarded(head, "HEAD");
  EXPECT_NE(long_header.status, 200);
  EXPECT_EQ(after.body, "page:after");
  if (v6) {
    EXPECT_EQ(ipv6.body, "page:six");
  }
  // Only the clean paths ever reached the handler.
  std::vector<std::string> expected = {"", "tiles/1/2/3.png?v=4", "a b", "x", "x", "after"};
  if (v6) expected.push_back("six");
  EXPECT_EQ(seen, expected);
}

// Answers that come later or in pieces, and clients that do not take them:
// the loop never waits for a socket, and a client that goes away costs only
// its own request.
TEST_F(Server, LaterStreamedAndUnread) {
  constexpr size_t kTotal = 16 << 20, kPiece = 64 << 10, kHigh = 256 << 10;
  std::map<HttpRequestId, size_t> sent;
  std::map<HttpRequestId, std::string> kind;
  size_t max_backlog = 0;
  int drained = 0;
  auto pump = [&](HttpRequestId id) {  // writes until the backlog is high
    while (sent.count(id) && sent[id] < kTotal && http_stream_backlog(id) < kHigh) {
      std::string piece(kPiece, '\0');
      size_t base = sent[id];
      for (size_t i = 0; i < kPiece; ++i) piece[i] = static_cast<char>((base + i) % 251);
      if (!http_stream_write(id, std::move(piece))) return;
      sent[id] += kPiece;
      max_backlog = std::max(max_backlog, http_stream_backlog(id));
    }
    if (sent.count(id) && sent[id] >= kTotal) http_stream_end(id);
  };
  on_request = [&](HttpRequestId id, const std::string& path) {
    kind[id] = path;
    if (path == "later") {
      g_timeout_add(300, [](gpointer p) -> gboolean {
        http_reply(static_cast<HttpRequestId>(reinterpret_cast<intptr_t>(p)), 200, "text/plain", "late");
        return G_SOURCE_REMOVE;
      }, reinterpret_cast<gpointer>(static_cast<intptr_t>(id)));
    } else if (path == "big.png" || path == "unread.png") {
      http_reply_stream(id, "image/png");
      sent[id] = 0;
      pump(id);
    } else if (path == "huge.txt") {
      http_reply(id, 200, "text/plain", std::string(8 << 20, 'x'));
    } else {
      http_reply(id, 200, "text/plain", "ok");
    }
  };
  on_drained = [&](HttpRequestId id) {
    ++drained;
    pump(id);
  };

  Response later, quick, big, head;
  std::vector<Response> meanwhile;
  double later_ms = 0, quick_ms = 0;
  with_client([&] {
    // A delayed answer does not hold up another request.
    std::thread slow([&] {
      auto t = Clock::now();
      later = fetch(port, "GET", at("later"));
      later_ms = ms_since(t);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    auto t = Clock::now();
    quick = fetch(port, "GET", at("quick"));
    quick_ms = ms_since(t);
    slow.join();
    // A stream read slowly at first, then at full speed.
    int fd = connect_to(port);
    send_all(fd, "GET " + at("big.png") + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    big = parse(read_to_end(fd));
    close(fd);
    head = fetch(port, "HEAD", at("big.png"));
    // Clients that never read a large stream and a large answer.
    int unread = connect_to(port), unread_reply = connect_to(port);
    send_all(unread, "GET " + at("unread.png") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    send_all(unread_reply, "GET " + at("huge.txt") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int i = 0; i < 20; ++i) meanwhile.push_back(fetch(port, "GET", at("more")));
    close(unread);  // gone mid-stream
    close(unread_reply);
  });
  EXPECT_EQ(later.body, "late");
  EXPECT_GE(later_ms, 250);
  EXPECT_EQ(quick.body, "ok");
  EXPECT_LT(quick_ms, 200);
  ASSERT_EQ(big.status, 200);
  EXPECT_EQ(big.headers["content-type"], "image/png");
  expect_guarded(big, "stream");
  ASSERT_EQ(big.body.size(), kTotal);
  bool intact = true;
  for (size_t i = 0; i < kTotal; ++i) intact = intact && big.body[i] == static_cast<char>(i % 251);
  EXPECT_TRUE(intact);
  EXPECT_GE(max_backlog, kHigh);       // the client's slowness showed
  EXPECT_LE(max_backlog, kHigh + kPiece);
  EXPECT_GT(drained, 10);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.body, "");
  EXPECT_EQ(head.headers["content-type"], "image/png");
  for (auto& r : meanwhile) EXPECT_EQ(r.body, "ok");
  // The unread stream stalled with its backlog; closing it makes it gone.
  HttpRequestId unread_id = 0;
  for (auto& [id, path] : kind)
    if (path == "unread.png") unread_id = id;
  EXPECT_TRUE(run_until([&] { return std::count(gone.begin(), gone.end(), unread_id) == 1; }, 5000));
  EXPECT_LT(sent[unread_id], kTotal);
  EXPECT_FALSE(http_stream_write(unread_id, "more"));
  EXPECT_EQ(http_stream_backlog(unread_id), 0u);
  EXPECT_TRUE(run_until([] { return http_server_connections() == 0; }, 5000));
  EXPECT_LT(worst_stall_ms, 100);
}

// Event streams: headers, the first bytes, events in order and at once, the
// comment that keeps them alive, many readers, and closing a lagging one.
TEST_F(Server, EventStreams) {
  http_server_stop();
  EXPECT_TRUE(run_until([] { return http_server_connections() == 0; }, 5000));
  http_server_set_keepalive_for_tests(200);
  start();
  on_request = [](HttpRequestId id, const std::string&) { http_reply_events(id); };
  std::atomic<int> ready{0};
  std::atomic<bool> go_on{false};
  std::string one, lagging_seen;
  std::vector<std::string> many(64);
  Response head;
  std::atomic<double> latency_ms{-1};
  Clock::time_point sent_at;
  std::atomic<bool> finished{false};
  std::thread client([&] {
    int fd = connect_to(port);
    send_all(fd, "GET " + at("events") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    read_until(fd, one, "retry:");
    ready = 1;
    read_until(fd, one, "event: first\n");
    latency_ms = ms_since(sent_at);
    ready = 2;
    read_until(fd, one, "data: 99\n\n");
    std::string rest;
    read_until(fd, rest, ": keep-alive\n\n");  // after the events, from the timer
    one += rest;
    std::vector<int> fds;
    for (int i = 0; i < 64; ++i) {
      fds.push_back(connect_to(port));
      send_all(fds.back(), "GET " + at("events") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    }
    for (int i = 0; i < 64; ++i) read_until(fds[i], many[i], "retry:");
    ready = 3;
    for (int i = 0; i < 64; ++i) read_until(fds[i], many[i], "data: all\n\n");
    for (int f : fds) close(f);
    head = fetch(port, "HEAD", at("events"));
    close(fd);
    // A reader that never reads.
    int lag = connect_to(port);
    send_all(lag, "GET " + at("events") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    read_until(lag, lagging_seen, "retry:");
    ready = 4;
    while (!go_on) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    close(lag);
    finished = true;
    g_main_context_wakeup(nullptr);
  });
  ASSERT_TRUE(run_until([&] { return ready == 1; }));
  EXPECT_EQ(http_event_streams(), 1);
  run_until([] { return false; }, 50);  // the reader waits in recv
  sent_at = Clock::now();
  http_events_send(0, "first", "line 1\nline 2");
  ASSERT_TRUE(run_until([&] { return ready == 2; }));
  for (int i = 0; i < 100; ++i) http_events_send(0, "n", std::to_string(i));
  ASSERT_TRUE(run_until([&] { return ready == 3; }));
  EXPECT_EQ(http_event_streams(), 65);
  http_events_send(0, "all", "all");
  ASSERT_TRUE(run_until([&] { return ready == 4; }));
  EXPECT_TRUE(run_until([] { return http_event_streams() == 1; }, 5000));
  HttpRequestId lagging = 0;
  // Events nobody reads: the kernel's buffers fill, then the 1 MiB.
  for (int i = 0; i < 4096 && http_event_streams() == 1; ++i) {
    http_events_send(0, "big", std::string(4096, 'b'));
    if (i % 64 == 0) run_until([] { return false; }, 1);
  }
  EXPECT_TRUE(run_until([] { return http_event_streams() == 0; }, 5000));
  lagging = gone.empty() ? 0 : gone.back();
  go_on = true;
  ASSERT_TRUE(run_until([&] { return finished.load(); }));
  client.join();

  Response first = parse(one);
  EXPECT_EQ(first.status, 200);
  EXPECT_EQ(first.headers["content-type"], "text/event-stream");
  EXPECT_EQ(first.headers["cache-control"], "no-cache");
  expect_guarded(first, "events");
  size_t at_first = one.find("event: first\ndata: line 1\ndata: line 2\n\n");
  EXPECT_NE(at_first, std::string::npos);
  size_t pos = at_first;
  for (int i = 0; i < 100; ++i) {
    size_t next = one.find("event: n\ndata: " + std::to_string(i) + "\n\n", pos);
    ASSERT_NE(next, std::string::npos) << i;
    pos = next;
  }
  EXPECT_NE(one.find(": keep-alive\n\n", pos), std::string::npos);
  for (auto& m : many) EXPECT_NE(m.find("event: all\ndata: all\n\n"), std::string::npos);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.headers["content-type"], "text/event-stream");
  EXPECT_EQ(head.body, "");
  EXPECT_NE(lagging, 0);
  EXPECT_EQ(stream_counts.front(), 1);
  EXPECT_EQ(stream_counts.back(), 0);
  EXPECT_NE(std::find(stream_counts.begin(), stream_counts.end(), 65), stream_counts.end());
  EXPECT_GE(latency_ms.load(), 0);
  EXPECT_LT(latency_ms.load(), 20);
  http_server_set_keepalive_for_tests(15000);
  std::printf("event latency: %.2f ms\n", latency_ms.load());
}

// 2000 connections that send nothing or send slowly: those beyond 256 are
// closed at once, the rest when their request is not complete in time;
// afterwards a normal request is served.
TEST_F(Server, HalfOpenConnections) {
  EXPECT_EQ(http_server_request_timeout(), 10000u);
  http_server_stop();
  EXPECT_TRUE(run_until([] { return http_server_connections() == 0; }, 5000));
  net_raise_file_limit();
  http_server_set_request_timeout_for_tests(3000);
  start();
  std::vector<int> fds;
  std::atomic<int> phase{0};
  int closed_at_once = 0, closed_late = 0, still_open = 0, max_open = 0;
  double slow_closed_ms = 0;
  Response after;
  std::atomic<bool> finished{false};
  std::thread client([&] {
    auto is_closed = [](int fd) {
      pollfd p{fd, POLLIN, 0};
      char c;
      return poll(&p, 1, 0) == 1 && recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
    };
    // One that sends its headers a byte at a time, taking longer than allowed.
    int slow = connect_to(port);
    std::thread slow_sender([&] {
      auto t = Clock::now();
      std::string request = "GET " + at("") + " HTTP/1.1\r\nHost: x\r\nX-A: " + std::string(200, 'a') + "\r\n\r\n";
      for (size_t i = 0; i < request.size() && ms_since(t) < 8000; ++i) {
        if (send(slow, &request[i], 1, MSG_NOSIGNAL) <= 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
      }
      char c;
      while (recv(slow, &c, 1, 0) > 0) {
      }
      slow_closed_ms = ms_since(t);
      close(slow);
    });
    for (int i = 0; i < 2000; ++i) fds.push_back(connect_to(port));
    // The server takes what waits in the kernel's queue (within 1.5 s,
    // well before the request timeout).
    std::vector<bool> early(fds.size(), false);
    auto waited = Clock::now();
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      for (size_t i = 0; i < fds.size(); ++i) early[i] = early[i] || fds[i] < 0 || is_closed(fds[i]);
      closed_at_once = static_cast<int>(std::count(early.begin(), early.end(), true));
    } while (closed_at_once < 2000 - 256 && ms_since(waited) < 1500);
    slow_sender.join();
    phase = 2;
    while (phase != 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (size_t i = 0; i < fds.size(); ++i) {
      if (!early[i]) {
        if (is_closed(fds[i])) ++closed_late; else ++still_open;
      }
      if (fds[i] >= 0) close(fds[i]);
    }
    after = fetch(port, "GET", at("after"));
    finished = true;
    g_main_context_wakeup(nullptr);
  });
  run_until([&] { max_open = std::max(max_open, http_server_connections()); return phase >= 2; }, 20000);
  ASSERT_EQ(phase, 2);
  EXPECT_TRUE(run_until([] { return http_server_connections() == 0; }, 5000));
  phase = 3;
  run_until([&] { return finished.load(); });
  client.join();
  http_server_set_request_timeout_for_tests(10000);

  EXPECT_LE(max_open, 256);
  EXPECT_GE(max_open, 250);
  // Closed at once: everything beyond the limit.
  EXPECT_GE(closed_at_once, 2000 - 256);
  EXPECT_LT(closed_at_once, 2000);
  EXPECT_EQ(still_open, 0);
  EXPECT_EQ(closed_at_once + closed_late, 2000);
  EXPECT_GE(slow_closed_ms, 3000);
  EXPECT_LT(slow_closed_ms, 5000);
  EXPECT_EQ(after.body, "page:after");
}

// Ports: a taken port is skipped, a range without a free one is an error in
// German. Stopping closes every connection, ends what waits (gone), and
// nothing listens afterwards, on IPv4 and IPv6.
TEST_F(Server, PortsAndStop) {
  std::string error;
  EXPECT_FALSE(http_server_start(18421, 18440, {}, &error));  // already running
  int taken = port;
  http_server_stop();
  run_until([] { return http_server_connections() == 0; }, 5000);
  // Our own listener holds the first port now: the server takes the next one.
  int holder = socket(AF_INET6, SOCK_STREAM, 0);
  sockaddr_in6 a{};
  a.sin6_family = AF_INET6;
  a.sin6_port = htons(taken);
  int off = 0, on = 1;
  setsockopt(holder, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(holder, 1), 0);
  EXPECT_FALSE(http_server_start(taken, taken, {}, &error));
  EXPECT_EQ(error, "Port " + std::to_string(taken) + " ist belegt.");
  EXPECT_FALSE(http_server_start(taken, taken, {}, &error));
  EXPECT_FALSE(http_server_running());
  start();
  EXPECT_NE(port, taken);
  close(holder);
  EXPECT_EQ(http_server_address("192.0.2.7"), "http://192.0.2.7:" + std::to_string(port) + "/" + key + "/");
  EXPECT_EQ(http_server_address("fd00::7"), "http://[fd00::7]:" + std::to_string(port) + "/" + key + "/");

  on_request = [](HttpRequestId, const std::string&) {};  // never answers
  std::atomic<int> step{0};
  std::string got;
  bool refused4 = false, refused6 = true;
  bool v6 = ipv6_loopback_available();
  std::thread client([&] {
    int fd = connect_to(port);
    send_all(fd, "GET " + at("waits") + " HTTP/1.1\r\nHost: x\r\n\r\n");
    step = 1;
    while (step != 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    got = read_to_end(fd);  // ends when the server stops
    close(fd);
    refused4 = connect_to(port) < 0;
    if (v6) refused6 = connect_to(port, true) < 0;
    step = 3;
    g_main_context_wakeup(nullptr);
  });
  ASSERT_TRUE(run_until([&] { return step == 1 && seen.size() == 1; }));
  http_server_stop();
  EXPECT_EQ(gone.size(), 1u);
  EXPECT_FALSE(http_server_running());
  EXPECT_EQ(http_server_port(), 0);
  EXPECT_EQ(http_server_key(), "");
  step = 2;
  EXPECT_TRUE(run_until([&] { return step == 3; }, 5000));
  client.join();
  EXPECT_EQ(got, "");
  EXPECT_TRUE(refused4);
  EXPECT_TRUE(refused6);
}

TEST(Addresses, OwnInterfacesOnly) {
  std::vector<std::string> all = net_local_addresses();
  bool seen_v6 = false;
  for (const std::string& a : all) {
    bool v6 = a.find(':') != std::string::npos;
    EXPECT_FALSE(seen_v6 && !v6) << "IPv4 after IPv6: " << a;
    seen_v6 = seen_v6 || v6;
    EXPECT_NE(a.rfind("127.", 0), 0u) << a;
    EXPECT_NE(a.rfind("169.254.", 0), 0u) << a;
    EXPECT_NE(a, "::1");
    EXPECT_NE(a.rfind("fe80:", 0), 0u) << a;
  }
  EXPECT_EQ(net_primary_address(), all.empty() ? "127.0.0.1" : all.front());
  int calls = 0;
  net_watch_addresses([&] { ++calls; });
  run_until([] { return false; }, 50);
  net_watch_addresses({});
}
