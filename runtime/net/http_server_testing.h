// Settings of the web server that only tests change: short clocks, so that a
// test need not wait for the real ones. Call before http_server_start.
#pragma once

// How long a connection may take to send a complete request (10000 ms).
void http_server_set_request_timeout_for_tests(unsigned milliseconds);
// How often every event stream gets a comment line (15000 ms).
void http_server_set_keepalive_for_tests(unsigned milliseconds);
// The request timeout in force now.
unsigned http_server_request_timeout();
