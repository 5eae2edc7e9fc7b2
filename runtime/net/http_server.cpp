// The web server.
#include "runtime/net/http_server.h"
