// Showing the layout to the players: a web server on the program's event
// loop that serves the page, layout.json, map.png, the tiles and the event
// stream under http://HOST:PORT/KEY/, and tells every page of each change.
//
// Changes are noticed by share_tick, which the program calls after every
// event (cheap while nothing changed). The changes of the 90 ms after a
// first one make one version, which goes out on the event stream as soon as
// they are over: within 100 ms of the change.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The ports tried when none is given: the first free one of these.
constexpr int ShareFirstPort = 8421;
constexpr int ShareLastPort = 8440;

// Starts serving on port (0: the first free one from ShareFirstPort to
// ShareLastPort) with a new key. With fixed_canvas the leader's view is the
// map's top-left corner at the formation's zoom over 1024 x 768 canvas
// pixels (a program without a window); otherwise it is what the map canvas
// shows. False with a one-line German reason in *error.
bool share_start(int port, bool fixed_canvas, std::string* error);
// Ends serving: every connection is closed and nothing listens any more.
void share_stop();
bool share_running();
// The address for the players: http://HOST:PORT/KEY/ with the machine's
// address on its network (127.0.0.1 without one).
std::string share_address();
// The page's address on the machine's other addresses.
std::vector<std::string> share_other_addresses();
// Pages connected now.
int share_viewers();
// Called when the number of pages connected changes.
void share_on_viewers(std::function<void(int viewers)> changed);
// Notices changes of the layout, the view and the marker.
void share_tick();
// Publishes what changed at once (for a program without a window, after a
// file was loaded).
void share_publish_now();
// The version shown now (0 before the first).
uint64_t share_version();
