// A small web server for the local network, on GLib's main loop (libsoup 3,
// no thread of its own). It answers only paths under /KEY/, KEY being a new
// random key each time it starts; everything else, a wrong key included,
// gets the same 404. Only GET and HEAD are answered (others: 405). It guards
// itself against a network it cannot trust: at most 256 connections (more
// are closed at once), a request not complete 10 s after the connection
// opened (or after the previous request on it) is closed, and a client that
// does not read costs only its own connection. Every response carries
// X-Content-Type-Options: nosniff, Referrer-Policy: no-referrer and a
// Content-Security-Policy that allows only the server's own resources and no
// inline script; no response sets a cookie.
//
// The application answers requests through a handler: at once, later (the
// request waits, paused, without blocking the loop), as a stream written in
// pieces, or as a Server-Sent Events stream that the server keeps alive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A request waiting for its answer. Ids are never reused while the server runs.
using HttpRequestId = int64_t;

struct HttpHandlers {
  // A GET or HEAD request with the right key: path is what follows "/KEY/"
  // ("" for the page itself), percent-decoded, query is what follows "?"
  // (raw, "" for none). The handler must answer every request once, with
  // http_reply, http_reply_stream or http_reply_events, now or later.
  std::function<void(HttpRequestId id, const std::string& path, const std::string& query)> request;
  // A stream started with http_reply_stream has written everything queued.
  std::function<void(HttpRequestId id)> drained;
  // The client went away (or was closed) before the answer was complete: the
  // id is dead, later calls with it do nothing.
  std::function<void(HttpRequestId id)> gone;
  // The number of open event streams changed.
  std::function<void(int streams)> streams_changed;
};

// Starts listening on every address of the machine (IPv4 and IPv6, loopback
// included) on the first free port from first_port to last_port, with a new
// key. False with a one-line German reason in *error when no port could be
// taken (or the server is already running).
bool http_server_start(int first_port, int last_port, const HttpHandlers& handlers, std::string* error);
// Closes every connection and stops listening; nothing listens afterwards.
void http_server_stop();
bool http_server_running();
// The port listened on, 0 when not running.
int http_server_port();
// The key of this run: at least 128 bits from the system's random source in
// URL-safe characters ("" when not running).
const std::string& http_server_key();
// Open connections (for tests and the benchmark).
int http_server_connections();

// Answers a request completely. extra_headers are "Name: value" pairs.
// Cache-Control is "no-cache" unless extra_headers set it.
void http_reply(HttpRequestId id, int status, const std::string& content_type, std::string body,
                const std::vector<std::pair<std::string, std::string>>& extra_headers = {});
// Answers 404 exactly as the server answers a wrong key or an unknown path,
// so that nobody can tell the key from the answer.
void http_reply_not_found(HttpRequestId id);
// Starts an answer of 200 whose body follows in pieces (chunked).
void http_reply_stream(HttpRequestId id, const std::string& content_type,
                       const std::vector<std::pair<std::string, std::string>>& extra_headers = {});
// Queues bytes of a stream; false when the client has gone.
bool http_stream_write(HttpRequestId id, std::string bytes);
// Bytes of a stream queued but not yet handed to the network.
size_t http_stream_backlog(HttpRequestId id);
// Ends a stream once its queued bytes are written.
void http_stream_end(HttpRequestId id);

// Turns a request into a Server-Sent Events stream (text/event-stream). The
// server writes a comment line on every event stream at least every 15 s.
void http_reply_events(HttpRequestId id);
// Sends "event: NAME\ndata: DATA\n\n" to one event stream, or to every open
// one with id 0. An event stream whose client lags by more than 1 MiB is
// closed (the page reconnects).
void http_events_send(HttpRequestId id, const std::string& name, const std::string& data);
// Open event streams: the pages connected now.
int http_event_streams();

// Raises the soft limit of open files to the hard limit (once, at start), so
// that connections from the network do not take the files the program needs.
void net_raise_file_limit();

// The page's address: http://HOST:PORT/KEY/ (IPv6 hosts in brackets).
std::string http_server_address(const std::string& host);
