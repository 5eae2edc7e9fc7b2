// A plain HTTP/1.1 client over loopback for tests of the web server, which
// runs on this thread's main loop: each request runs on a thread of its own
// while the caller keeps the main loop going.
#pragma once

#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct HttpResponse {
  int status = 0;                              // 0 when nothing came back
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;                            // de-chunked
};

// A connection to 127.0.0.1:port (or [::1]:port), or -1.
inline int loopback_connect(int port, bool ipv6 = false) {
  sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  sockaddr_in6 a6{AF_INET6, a.sin_port, 0, in6addr_loopback, 0};
  int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
  if (fd >= 0 && connect(fd, ipv6 ? reinterpret_cast<sockaddr*>(&a6) : reinterpret_cast<sockaddr*>(&a),
                         ipv6 ? sizeof a6 : sizeof a) == 0)
    return fd;
  if (fd >= 0) close(fd);
  return -1;
}

// Runs the main loop until done() holds or the seconds pass; false then.
template <class Done>
bool loop_until(Done done, double seconds = 10) {
  auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (; !done(); std::this_thread::sleep_for(std::chrono::microseconds(200))) {
    if (std::chrono::steady_clock::now() > end) return false;
    g_main_context_iteration(nullptr, FALSE);
  }
  return true;
}

// Sends request as it stands (or "GET path" when it starts with "/"), reads
// the answer until the server closes and parses it.
inline HttpResponse http_fetch(int port, const std::string& request) {
  std::string text = request[0] == '/' ? "GET " + request + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\n\r\n" : request;
  std::string raw;
  std::atomic<bool> finished{false};
  std::thread client([&] {
    if (int fd = loopback_connect(port); fd >= 0) {
      (void)!write(fd, text.data(), text.size());
      char buffer[65536];
      for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) raw.append(buffer, n);
      close(fd);
    }
    finished = true;
  });
  loop_until([&] { return finished.load(); }, 60);
  client.join();
  HttpResponse r;
  size_t end = raw.find("\r\n\r\n");
  if (raw.compare(0, 9, "HTTP/1.1 ") != 0 || end == std::string::npos) return r;
  r.status = std::atoi(raw.c_str() + 9);
  for (size_t at = raw.find("\r\n") + 2, next, colon; at < end; at = next + 2) {
    next = raw.find("\r\n", at), colon = raw.find(':', at);
    std::string name = raw.substr(at, colon - at);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    r.headers[name] = raw.substr(colon + 2, next - colon - 2);
  }
  r.body = raw.substr(end + 4);
  if (r.headers["transfer-encoding"] != "chunked") return r;
  std::string chunks = std::move(r.body);
  r.body.clear();
  for (size_t at = 0, line, n; at < chunks.size() && (n = std::strtoul(chunks.c_str() + at, nullptr, 16)); at = line + 2 + n + 2)
    r.body += chunks.substr((line = chunks.find("\r\n", at)) + 2, n);
  return r;
}

// An event stream read on a thread of its own: everything received so far.
class EventReader {
 public:
  EventReader(int port, const std::string& path) : fd_(loopback_connect(port)) {
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: t\r\n\r\n";
    (void)!write(fd_, request.data(), request.size());
    thread_ = std::thread([this] {
      char buffer[4096];
      for (ssize_t n; (n = read(fd_, buffer, sizeof buffer)) > 0;) {
        std::lock_guard lock(mutex_);
        received_.append(buffer, n);
      }
    });
  }
  ~EventReader() { shutdown(fd_, SHUT_RDWR), thread_.join(), close(fd_); }
  std::string received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  int fd_;
  std::thread thread_;
  std::mutex mutex_;
  std::string received_;
};
