// The machine's own addresses.
#include "runtime/net/addresses.h"
