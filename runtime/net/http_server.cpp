// The web server: start and stop, the key, which requests reach the handler,
// and the answers (complete, later, or streamed in pieces).
#include "runtime/net/http_server.h"

#include <sys/random.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "runtime/net/http_internal.h"
#include "runtime/net/http_server_testing.h"

namespace {

constexpr size_t kMaxPath = 2048;
constexpr size_t kMaxQuery = 2048;
constexpr const char* kContentSecurityPolicy =
    "default-src 'self'; img-src 'self' blob:; connect-src 'self'; style-src 'self'; script-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

HttpServerState state;
bool running = false;
const std::string no_key;

GQuark request_quark() { return g_quark_from_static_string("tavrel-http-request"); }

// 24 bytes from the system's random source in base64url: 32 characters.
std::string new_key() {
  unsigned char bytes[24];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) g_error("getrandom: %s", std::strerror(errno));
    got += static_cast<size_t>(n);
  }
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string key;
  for (size_t i = 0; i < sizeof bytes; i += 3) {
    unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) key += alphabet[(v >> shift) & 63];
  }
  return key;
}

// Takes as long for every candidate of a given length, whatever it holds.
bool key_matches(std::string_view candidate, const std::string& key) {
  unsigned diff = candidate.size() == key.size() ? 0 : 1;
  for (size_t i = 0; i < key.size(); ++i)
    diff |= static_cast<unsigned char>(key[i]) ^ static_cast<unsigned char>(i < candidate.size() ? candidate[i] : 0);
  return diff == 0;
}

// What follows "/KEY/" in a request path, decoded; false for a wrong key and
// for anything that looks like an attempt to leave it (dot segments, empty
// segments, encoded slashes, NUL and other control characters, backslashes,
// text that is not UTF-8, very long paths).
bool path_after_key(const char* path, std::string* rest) {
  if (!path || path[0] != '/') return false;
  std::string_view p(path);
  if (p.size() > kMaxPath) return false;
  size_t slash = p.find('/', 1);
  if (slash == std::string_view::npos) return false;
  if (!key_matches(p.substr(1, slash - 1), state.key)) return false;
  std::string raw(p.substr(slash + 1));
  if (raw.find('\\') != std::string::npos) return false;
  char* decoded = g_uri_unescape_string(raw.c_str(), "/");  // NULL for %00 or %2F
  if (!decoded) return false;
  std::string d(decoded);
  g_free(decoded);
  if (!g_utf8_validate(d.data(), static_cast<gssize>(d.size()), nullptr)) return false;
  for (unsigned char ch : d)
    if (ch < 0x20 || ch == 0x7f || ch == '\\') return false;
  if (!d.empty()) {
    size_t start = 0;
    while (true) {
      size_t end = d.find('/', start);
      std::string_view segment = std::string_view(d).substr(start, end == std::string::npos ? end : end - start);
      if (segment.empty() || segment == "." || segment == "..") return false;
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  *rest = std::move(d);
  return true;
}

void set_common_headers(SoupServerMessage* message) {
  SoupMessageHeaders* h = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(h, "X-Content-Type-Options", "nosniff");
  soup_message_headers_replace(h, "Referrer-Policy", "no-referrer");
  soup_message_headers_replace(h, "Content-Security-Policy", kContentSecurityPolicy);
}

void set_extra_headers(SoupServerMessage* message, const std::vector<std::pair<std::string, std::string>>& extra) {
  SoupMessageHeaders* h = soup_server_message_get_response_headers(message);
  soup_message_headers_replace(h, "Cache-Control", "no-cache");
  for (const auto& [name, value] : extra) {
    if (g_ascii_strcasecmp(name.c_str(), "Set-Cookie") == 0) continue;  // never a cookie
    if (name.find_first_of("\r\n:") != std::string::npos || value.find_first_of("\r\n") != std::string::npos) continue;
    soup_message_headers_replace(h, name.c_str(), value.c_str());
  }
  set_common_headers(message);
}

void answer_plain(SoupServerMessage* message, int status, const char* text) {
  soup_server_message_set_status(message, static_cast<guint>(status), nullptr);
  set_extra_headers(message, {});
  soup_server_message_set_response(message, "text/plain; charset=utf-8", SOUP_MEMORY_STATIC, text, std::strlen(text));
}

constexpr char kNotFound[] = "Nicht gefunden.\n";

void answer_not_found(SoupServerMessage* message) { answer_plain(message, 404, kNotFound); }

bool method_allowed(SoupServerMessage* message) {
  const char* method = soup_server_message_get_method(message);
  return method == SOUP_METHOD_GET || method == SOUP_METHOD_HEAD;
}

// Before a body is read: anything but GET and HEAD is refused here.
void early_handler(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
  if (method_allowed(message)) return;
  // Soup still reads a body that was announced, within the request's time,
  // but keeps none of it.
  soup_message_body_set_accumulate(soup_server_message_get_request_body(message), FALSE);
  answer_plain(message, 405, "Methode nicht erlaubt.\n");
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Allow", "GET, HEAD");
  soup_message_headers_replace(soup_server_message_get_response_headers(message), "Connection", "close");
}

void handler(SoupServer*, SoupServerMessage* message, const char*, GHashTable*, gpointer) {
  if (!method_allowed(message)) return early_handler(nullptr, message, nullptr, nullptr, nullptr);
  GUri* uri = soup_server_message_get_uri(message);
  std::string path;
  const char* query = uri ? g_uri_get_query(uri) : nullptr;
  if (!uri || !path_after_key(g_uri_get_path(uri), &path) || (query && std::strlen(query) > kMaxQuery))
    return answer_not_found(message);
  HttpRequestId id = state.next_id++;
  HttpRequest& r = state.requests[id];
  r.id = id;
  r.message = SOUP_SERVER_MESSAGE(g_object_ref(message));
  r.head = soup_server_message_get_method(message) == SOUP_METHOD_HEAD;
  g_object_set_qdata_full(G_OBJECT(message), request_quark(), new HttpRequestId(id),
                          [](gpointer p) { delete static_cast<HttpRequestId*>(p); });
  set_common_headers(message);
  if (state.handlers.request) state.handlers.request(id, path, query ? query : "");
  // Not answered yet: the request waits without holding up the loop.
  if (HttpRequest* w = http_find_request(id); w && !w->complete && w->answer == HttpAnswer::waiting) {
    soup_server_message_pause(message);
    w->paused = true;
  }
}

HttpRequestId id_of(SoupServerMessage* message) {
  auto* id = static_cast<HttpRequestId*>(g_object_get_qdata(G_OBJECT(message), request_quark()));
  return id ? *id : 0;
}

void request_started(SoupServer*, SoupServerMessage* message, gpointer) {
  set_common_headers(message);  // also on the answers soup gives itself (400 and the like)
  http_connection_request_started(message);
}

void request_read(SoupServer*, SoupServerMessage* message, gpointer) { http_connection_request_read(message); }

void request_finished(SoupServer*, SoupServerMessage* message, gpointer) {
  HttpRequestId id = id_of(message);
  HttpRequest* r = http_find_request(id);
  // A stream that ends before its end was asked for (HEAD) is as good as gone.
  if (r) http_drop_request(id, !r->complete);
}

void request_aborted(SoupServer*, SoupServerMessage* message, gpointer) {
  if (HttpRequestId id = id_of(message)) http_drop_request(id, true);
}

void wrote_body_data(SoupServerMessage* message, guint size, gpointer) {
  if (HttpRequest* r = http_find_request(id_of(message))) r->queued -= std::min<size_t>(r->queued, size);
}

void wrote_chunk(SoupServerMessage* message, gpointer) {
  HttpRequestId id = id_of(message);
  HttpRequest* r = http_find_request(id);
  if (r && r->answer == HttpAnswer::stream && r->queued == 0 && !r->complete && state.handlers.drained)
    state.handlers.drained(id);
}

void start_body(HttpRequest& r, const char* content_type, const std::vector<std::pair<std::string, std::string>>& extra) {
  SoupServerMessage* m = r.message;
  soup_server_message_set_status(m, 200, nullptr);
  set_extra_headers(m, extra);
  SoupMessageHeaders* h = soup_server_message_get_response_headers(m);
  soup_message_headers_set_content_type(h, content_type, nullptr);
  soup_message_headers_set_encoding(h, SOUP_ENCODING_CHUNKED);
  soup_message_body_set_accumulate(soup_server_message_get_response_body(m), FALSE);
  g_signal_connect(m, "wrote-body-data", G_CALLBACK(wrote_body_data), nullptr);
  g_signal_connect(m, "wrote-chunk", G_CALLBACK(wrote_chunk), nullptr);
  if (r.head) {
    // Headers only: soup finishes the message after them.
    soup_message_body_complete(soup_server_message_get_response_body(m));
  }
}

}  // namespace

HttpServerState& http_state() { return state; }

HttpRequest* http_find_request(HttpRequestId id) {
  auto it = state.requests.find(id);
  return it == state.requests.end() ? nullptr : &it->second;
}

void http_drop_request(HttpRequestId id, bool call_gone) {
  auto it = state.requests.find(id);
  if (it == state.requests.end()) return;
  HttpRequest r = it->second;
  state.requests.erase(it);
  g_signal_handlers_disconnect_by_func(r.message, reinterpret_cast<gpointer>(wrote_body_data), nullptr);
  g_signal_handlers_disconnect_by_func(r.message, reinterpret_cast<gpointer>(wrote_chunk), nullptr);
  g_object_set_qdata(G_OBJECT(r.message), request_quark(), nullptr);
  http_events_forget(r);
  g_object_unref(r.message);
  if (call_gone && state.handlers.gone) state.handlers.gone(id);
}

void http_append(HttpRequest& r, std::string bytes) {
  if (bytes.empty()) return;
  r.queued += bytes.size();
  auto* owned = new std::string(std::move(bytes));
  GBytes* chunk = g_bytes_new_with_free_func(owned->data(), owned->size(),
                                             [](gpointer p) { delete static_cast<std::string*>(p); }, owned);
  soup_message_body_append_bytes(soup_server_message_get_response_body(r.message), chunk);
  g_bytes_unref(chunk);
  http_resume(r);
}

void http_resume(HttpRequest& r) {
  soup_server_message_unpause(r.message);
  r.paused = false;
}

bool http_server_start(int first_port, int last_port, const HttpHandlers& handlers, std::string* error) {
  if (running) {
    if (error) *error = "Der Webserver läuft schon.";
    return false;
  }
  state.soup = soup_server_new(nullptr, nullptr);
  soup_server_add_early_handler(state.soup, nullptr, early_handler, nullptr, nullptr);
  soup_server_add_handler(state.soup, nullptr, handler, nullptr, nullptr);
  g_signal_connect(state.soup, "request-started", G_CALLBACK(request_started), nullptr);
  g_signal_connect(state.soup, "request-read", G_CALLBACK(request_read), nullptr);
  g_signal_connect(state.soup, "request-finished", G_CALLBACK(request_finished), nullptr);
  g_signal_connect(state.soup, "request-aborted", G_CALLBACK(request_aborted), nullptr);
  if (!http_connections_listen(first_port, last_port, error)) {
    g_object_unref(state.soup);
    state.soup = nullptr;
    return false;
  }
  state.handlers = handlers;
  state.key = new_key();
  running = true;
  return true;
}

void http_server_stop() {
  if (!running) return;
  running = false;
  http_events_stop_all();
  http_connections_close_all();
  // Soup lets go of the connections (and aborts what runs on them).
  soup_server_disconnect(state.soup);
  while (!state.requests.empty()) http_drop_request(state.requests.begin()->first, true);
  g_signal_handlers_disconnect_matched(state.soup, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, nullptr);
  g_object_unref(state.soup);
  state.soup = nullptr;
  state.port = 0;
  state.key.clear();
  state.handlers = {};
}

bool http_server_running() { return running; }
int http_server_port() { return running ? state.port : 0; }
const std::string& http_server_key() { return running ? state.key : no_key; }
int http_server_connections() { return http_connections_open(); }

void http_reply_not_found(HttpRequestId id) { http_reply(id, 404, "text/plain; charset=utf-8", kNotFound); }

void http_reply(HttpRequestId id, int status, const std::string& content_type, std::string body,
                const std::vector<std::pair<std::string, std::string>>& extra_headers) {
  HttpRequest* r = http_find_request(id);
  if (!r || r->answer != HttpAnswer::waiting || r->complete) return;
  soup_server_message_set_status(r->message, static_cast<guint>(status), nullptr);
  set_extra_headers(r->message, extra_headers);
  soup_server_message_set_response(r->message, content_type.c_str(), SOUP_MEMORY_COPY, body.data(), body.size());
  r->complete = true;
  if (r->paused) http_resume(*r);
}

void http_reply_stream(HttpRequestId id, const std::string& content_type,
                       const std::vector<std::pair<std::string, std::string>>& extra_headers) {
  HttpRequest* r = http_find_request(id);
  if (!r || r->answer != HttpAnswer::waiting || r->complete) return;
  r->answer = HttpAnswer::stream;
  start_body(*r, content_type.c_str(), extra_headers);
  http_resume(*r);
}

bool http_stream_write(HttpRequestId id, std::string bytes) {
  HttpRequest* r = http_find_request(id);
  if (!r || r->answer != HttpAnswer::stream || r->complete || r->head) return false;
  http_append(*r, std::move(bytes));
  return true;
}

size_t http_stream_backlog(HttpRequestId id) {
  HttpRequest* r = http_find_request(id);
  return r ? r->queued : 0;
}

void http_stream_end(HttpRequestId id) {
  HttpRequest* r = http_find_request(id);
  if (!r || r->answer != HttpAnswer::stream || r->complete) return;
  r->complete = true;
  soup_message_body_complete(soup_server_message_get_response_body(r->message));
  http_resume(*r);
}

void http_reply_events(HttpRequestId id) {
  HttpRequest* r = http_find_request(id);
  if (!r || r->answer != HttpAnswer::waiting || r->complete) return;
  r->answer = HttpAnswer::events;
  start_body(*r, "text/event-stream", {});
  if (r->head) {
    r->complete = true;
    http_resume(*r);
    return;
  }
  http_events_start(*r);
}

void net_raise_file_limit() {
  static bool raised = false;
  if (raised) return;
  raised = true;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

std::string http_server_address(const std::string& host) {
  std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return "http://" + h + ":" + std::to_string(http_server_port()) + "/" + http_server_key() + "/";
}

void http_server_set_request_timeout_for_tests(unsigned milliseconds) { state.request_timeout_ms = milliseconds; }
void http_server_set_keepalive_for_tests(unsigned milliseconds) { state.keepalive_ms = milliseconds; }
unsigned http_server_request_timeout() { return state.request_timeout_ms; }
