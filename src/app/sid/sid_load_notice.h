#pragma once
// What the window tells after loading a SID file, beyond the patches shown:
// the patch the end of the file cut short, and the patches whose checksum
// does not match their data, in one message.

#include "sid/sid_file.h"

#include <QString>

namespace zpm {

// Empty when the load has nothing to tell.
QString SidLoadNotice(const TSidLoadReport &report, const TPatchBank &loaded);

} // namespace zpm
