// What the parts of the web server share: its state, the requests waiting for
// or receiving their answers, and the connection guard's entry points.
#pragma once

#include <libsoup/soup.h>

#include <cstddef>
#include <map>
#include <string>

#include "runtime/net/http_server.h"

enum class HttpAnswer { waiting, stream, events };

// A request the handler got and has not finished answering. Holds a reference
// to its message until the message finishes or is aborted.
struct HttpRequest {
  HttpRequestId id = 0;
  SoupServerMessage* message = nullptr;
  HttpAnswer answer = HttpAnswer::waiting;
  bool head = false;
  bool paused = false;
  bool complete = false;  // the whole answer is with soup (replied, or stream ended)
  size_t queued = 0;      // body bytes appended but not yet written to the socket
};

struct HttpServerState {
  SoupServer* soup = nullptr;
  int port = 0;
  std::string key;
  HttpHandlers handlers;
  std::map<HttpRequestId, HttpRequest> requests;
  HttpRequestId next_id = 1;
  int event_streams = 0;
  guint keepalive_timer = 0;
  unsigned request_timeout_ms = 10000;
  unsigned keepalive_ms = 15000;
};

HttpServerState& http_state();
// The live request with this id, nullptr for a dead or unknown id.
HttpRequest* http_find_request(HttpRequestId id);
// Forgets a request (drops its message); calls gone when told to.
void http_drop_request(HttpRequestId id, bool call_gone);
// Queues body bytes and wakes soup's writer.
void http_append(HttpRequest& request, std::string bytes);
// Wakes soup's writer for a request whose queue got more bytes.
void http_resume(HttpRequest& request);

// Connection guard (http_connections.cpp). Listens on the first free port of
// the range for every address; false with a German reason otherwise.
bool http_connections_listen(int first_port, int last_port, std::string* error);
// Stops listening and shuts every connection down (the peers see the end at once).
void http_connections_close_all();
int http_connections_open();
// A new request begins on the message's connection: its clock starts.
void http_connection_request_started(SoupServerMessage* message);
// The message's request is completely read: its clock stops.
void http_connection_request_read(SoupServerMessage* message);
// Shuts the message's connection down; soup then aborts what runs on it.
void http_connection_shut(SoupServerMessage* message);

// Event streams (http_events.cpp).
void http_events_start(HttpRequest& request);
void http_events_forget(HttpRequest& request);
void http_events_stop_all();
