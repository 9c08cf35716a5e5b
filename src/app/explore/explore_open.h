// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ways into the Explore window: the library window's button and the
// patch lists' context menus, each with the patches chosen there.

#include "app/main_context.h"
#include "library/library_types.h"
#include "patch/stream.h"

#include <functional>
#include <vector>

class QAbstractItemView;

namespace zpm {

class TfrmExplore;

// The window, made once beside the main window; null until first opened.
TfrmExplore *ExploreWindow(TMainContext &context);
// Opens it on 1 to 4 patches of one kind (whole dump images), or says why
// they cannot be explored.
void OpenExplore(TMainContext &context, const std::vector<Bytes> &patches);

// A library patch as a whole dump image, addressed to slot 1 of bank A.
Bytes ExploreImageOf(const TPatchBytes &patch);

// The list's keyboard menu (the menu key or Shift+F10; the right button
// opens the viewer) offers "E&xplore..." on the chosen patches.
void AttachExploreMenu(QAbstractItemView *list, TMainContext &context,
                       std::function<std::vector<Bytes>()> chosen);

} // namespace zpm
