// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Explore window remembers between runs, in the settings file's
// own section: the locks of each kind of patch (the audition slot is the
// Config page's). Read when the window opens, written as they change;
// the other keys of the file stay as they are.

#include "explore/explore_locks.h"

#include <QString>

namespace zpm {

struct TExploreSettings {
  TExploreLocks locks;
};

TExploreSettings ReadExploreSettings(const QString &path);
// Empty when written, else the system's reason.
QString WriteExploreSettings(const QString &path, const TExploreSettings &settings);

} // namespace zpm
