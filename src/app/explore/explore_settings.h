// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Explore window remembers between runs, in the settings file's
// own sections: the locks of each kind of patch and the audition slot of
// each synthesizer. Read when the window opens, written as they change;
// the other keys of the file stay as they are.

#include "edit/audition_settings.h"
#include "explore/explore_locks.h"

#include <QString>

namespace zpm {

struct TExploreSettings {
  TExploreLocks locks;
  TAuditionSettings audition;
};

TExploreSettings ReadExploreSettings(const QString &path);
// Empty when written, else the system's reason.
QString WriteExploreSettings(const QString &path, const TExploreSettings &settings);

} // namespace zpm
