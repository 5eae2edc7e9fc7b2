// The machine's own addresses on its networks, for telling the players where
// to look. Found from the machine's interfaces alone, never by contacting
// another machine.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The machine's addresses on its networks from its own interfaces (never by
// contacting another machine): IPv4 first, loopback and link-local left out.
std::vector<std::string> net_local_addresses();
// The address to give the players: the first of net_local_addresses, or
// "127.0.0.1" when there is no network.
std::string net_primary_address();
// Calls changed (on the main loop) whenever the machine's addresses may have
// changed; an empty function stops watching.
void net_watch_addresses(std::function<void()> changed);
