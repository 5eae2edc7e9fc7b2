// The web server's connection guard: its own listener takes every connection,
// closes those beyond the limit at once, and gives each one a clock that
// closes it when a request is not complete in time. Accepted connections go
// to soup, which never listens itself.
#include <netinet/in.h>
#include <netinet/tcp.h>

#include <set>

#include "runtime/net/http_internal.h"

namespace {

constexpr int kMaxConnections = 256;
constexpr int kListenBacklog = 512;

struct Connection {
  GSocketConnection* stream = nullptr;  // not owned: soup holds it, we watch it go
  GSocket* socket = nullptr;
  guint clock = 0;
};

GSocketService* service = nullptr;
std::set<Connection*> connections;
GQuark connection_quark() { return g_quark_from_static_string("tavrel-http-connection"); }

void stop_clock(Connection* c) {
  if (c->clock) g_source_remove(c->clock);
  c->clock = 0;
}

void shut(Connection* c) {
  stop_clock(c);
  // The peer sees the end at once; soup reads the end, closes the stream and
  // lets go of it, which removes the record.
  g_socket_shutdown(c->socket, TRUE, TRUE, nullptr);
}

gboolean clock_ran_out(gpointer data) {
  auto* c = static_cast<Connection*>(data);
  c->clock = 0;
  shut(c);
  return G_SOURCE_REMOVE;
}

void start_clock(Connection* c) {
  stop_clock(c);
  c->clock = g_timeout_add(http_state().request_timeout_ms, clock_ran_out, c);
}

void stream_finalized(gpointer data, GObject*) {
  auto* c = static_cast<Connection*>(data);
  stop_clock(c);
  connections.erase(c);
  delete c;
}

// The record of the message's connection: soup keeps the remote address we
// gave it, and the address carries the record.
Connection* connection_of(SoupServerMessage* message) {
  GSocketAddress* remote = soup_server_message_get_remote_address(message);
  if (!remote) return nullptr;
  auto* c = static_cast<Connection*>(g_object_get_qdata(G_OBJECT(remote), connection_quark()));
  return connections.count(c) ? c : nullptr;
}

gboolean incoming(GSocketService*, GSocketConnection* stream, GObject*, gpointer) {
  if (static_cast<int>(connections.size()) >= kMaxConnections || !http_state().soup) {
    g_io_stream_close(G_IO_STREAM(stream), nullptr, nullptr);
    return TRUE;
  }
  GSocket* socket = g_socket_connection_get_socket(stream);
  // Events are small and must go out at once.
  g_socket_set_option(socket, IPPROTO_TCP, TCP_NODELAY, 1, nullptr);
  GSocketAddress* local = g_socket_connection_get_local_address(stream, nullptr);
  GSocketAddress* remote = g_socket_connection_get_remote_address(stream, nullptr);
  if (!local || !remote) {
    if (local) g_object_unref(local);
    if (remote) g_object_unref(remote);
    g_io_stream_close(G_IO_STREAM(stream), nullptr, nullptr);
    return TRUE;
  }
  auto* c = new Connection{stream, socket, 0};
  connections.insert(c);
  g_object_set_qdata(G_OBJECT(remote), connection_quark(), c);
  g_object_weak_ref(G_OBJECT(stream), stream_finalized, c);
  start_clock(c);
  if (!soup_server_accept_iostream(http_state().soup, G_IO_STREAM(stream), local, remote, nullptr))
    g_io_stream_close(G_IO_STREAM(stream), nullptr, nullptr);
  g_object_unref(local);
  g_object_unref(remote);
  return TRUE;
}

}  // namespace

bool http_connections_listen(int first_port, int last_port, std::string* error) {
  for (int port = first_port; port <= last_port && port > 0 && port < 65536; ++port) {
    GSocketService* s = g_socket_service_new();
    g_socket_listener_set_backlog(G_SOCKET_LISTENER(s), kListenBacklog);
    // Both IPv4 and IPv6 on every address of the machine, loopback included.
    if (g_socket_listener_add_inet_port(G_SOCKET_LISTENER(s), static_cast<guint16>(port), nullptr, nullptr)) {
      service = s;
      g_signal_connect(service, "incoming", G_CALLBACK(incoming), nullptr);
      g_socket_service_start(service);
      http_state().port = port;
      return true;
    }
    g_object_unref(s);
  }
  if (error) {
    if (first_port == last_port)
      *error = "Port " + std::to_string(first_port) + " ist belegt.";
    else
      *error = "Kein freier Port zwischen " + std::to_string(first_port) + " und " + std::to_string(last_port) + ".";
  }
  return false;
}

void http_connections_close_all() {
  if (service) {
    g_socket_service_stop(service);
    g_socket_listener_close(G_SOCKET_LISTENER(service));
    g_object_unref(service);
    service = nullptr;
  }
  for (Connection* c : connections) shut(c);
}

int http_connections_open() { return static_cast<int>(connections.size()); }

void http_connection_request_started(SoupServerMessage* message) {
  if (Connection* c = connection_of(message)) start_clock(c);
}

void http_connection_request_read(SoupServerMessage* message) {
  if (Connection* c = connection_of(message)) stop_clock(c);
}

void http_connection_shut(SoupServerMessage* message) {
  if (Connection* c = connection_of(message)) shut(c);
}
