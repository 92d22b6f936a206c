// The creatable classes of the module: one row, for KorvelA, then the row
// with a null class identifier that ends the table.
#pragma once

#include "server/server_module.h"

namespace korvel {

extern ClassEntry ClassTable[];

}  // namespace korvel
