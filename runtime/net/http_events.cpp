// Server-Sent Events: the open event streams, events to one or all of them,
// the comment line that keeps them alive, and closing the ones that lag.
#include <algorithm>
#include <vector>

#include "runtime/net/http_internal.h"

namespace {

constexpr size_t kMaxLag = 1 << 20;

std::vector<HttpRequestId> streams;

void count_changed() {
  HttpServerState& s = http_state();
  int count = static_cast<int>(streams.size());
  if (count == s.event_streams) return;
  s.event_streams = count;
  if (s.handlers.streams_changed) s.handlers.streams_changed(count);
}

// Queues text on one stream; a stream whose client lags too far is shut.
void send_text(HttpRequest& r, std::string text) {
  if (r.queued + text.size() > kMaxLag) {
    // Soup aborts the message once the connection is down; gone follows.
    http_connection_shut(r.message);
    return;
  }
  http_append(r, std::move(text));
}

gboolean keep_alive(gpointer) {
  std::vector<HttpRequestId> ids = streams;
  for (HttpRequestId id : ids)
    if (HttpRequest* r = http_find_request(id)) send_text(*r, ": keep-alive\n\n");
  return G_SOURCE_CONTINUE;
}

// "event: NAME\ndata: ...\n\n", one data line for each line of data; line
// breaks in the name would end the event early and are left out.
std::string format_event(const std::string& name, const std::string& data) {
  std::string text = "event: ";
  for (char c : name)
    if (c != '\r' && c != '\n') text += c;
  text += '\n';
  size_t start = 0;
  while (true) {
    size_t end = data.find('\n', start);
    std::string line = data.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    text += "data: " + line + "\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return text + "\n";
}

}  // namespace

void http_events_start(HttpRequest& r) {
  HttpServerState& s = http_state();
  streams.push_back(r.id);
  if (!s.keepalive_timer) s.keepalive_timer = g_timeout_add(s.keepalive_ms, keep_alive, nullptr);
  // The first bytes bring the headers out at once, so the page sees the stream open.
  http_append(r, "retry: 3000\n\n");
  count_changed();
}

void http_events_forget(HttpRequest& r) {
  if (r.answer != HttpAnswer::events) return;
  auto it = std::find(streams.begin(), streams.end(), r.id);
  if (it == streams.end()) return;
  streams.erase(it);
  if (streams.empty() && http_state().keepalive_timer) {
    g_source_remove(http_state().keepalive_timer);
    http_state().keepalive_timer = 0;
  }
  count_changed();
}

void http_events_stop_all() {
  HttpServerState& s = http_state();
  if (s.keepalive_timer) g_source_remove(s.keepalive_timer);
  s.keepalive_timer = 0;
}

void http_events_send(HttpRequestId id, const std::string& name, const std::string& data) {
  std::string text = format_event(name, data);
  if (id != 0) {
    if (HttpRequest* r = http_find_request(id); r && r->answer == HttpAnswer::events && !r->complete)
      send_text(*r, std::move(text));
    return;
  }
  std::vector<HttpRequestId> ids = streams;
  for (HttpRequestId each : ids)
    if (HttpRequest* r = http_find_request(each)) send_text(*r, text);
}

int http_event_streams() { return static_cast<int>(streams.size()); }
