// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The patch viewer's side of the patch lists: a right-button press on a row
// whose index is below the bank's Count opens that patch in the viewer; a
// press on an empty area or a row beyond the bank does nothing. Any list
// can take part: it says how many patches it has and how to view one.

#include "patch/patch.h"
#include "viewer/patch_view.h"

#include <functional>

class QAbstractItemView;
class QAction;
class QMenu;

namespace zpm {

class TfrmHexView;

// The view of row item for the viewer, given what panel 4 reads now.
using TPatchViewOf = std::function<PatchViewText(int item, const std::string &patchType)>;

void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, std::function<int()> count,
                       TPatchViewOf view);
// The same for a list that shows a SID or an FM bank.
void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, const TPatchBank &bank);
void AttachPatchViewer(QAbstractItemView *list, TfrmHexView &viewer, const TFMPatchBank &bank);

// Actions the list's keyboard menu offers after "&View" and "&Edit" (the
// list owns them), so every way into a patch shares one menu.
void AddPatchListAction(QAbstractItemView *list, QAction *action);
void AddPatchListActions(QMenu &menu, QAbstractItemView *list);

// The opening protocol for one patch.
void OpenPatchViewer(TfrmHexView &viewer, const TPatch &patch);
void OpenPatchViewer(TfrmHexView &viewer, const TFMPatch &patch);

} // namespace zpm
