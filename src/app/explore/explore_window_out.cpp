// SPDX-License-Identifier: GPL-3.0-or-later
// What leaves the Explore window: the chosen candidates kept in the library,
// a round sent to a bank of the synthesizer or saved in a file.
#include "app/explore/explore_window.h"

#include "app/edit/audition_session.h"
#include "app/library/library_send.h"
#include "app/library/user_bank_panel.h"
#include "app/page_support.h"
#include "explore/explore_keep.h"
#include "library/library.h"
#include "library/library_files.h"

namespace zpm {

namespace {

QString Candidates(size_t count) {
  return count == 1 ? QStringLiteral("1 candidate") : QStringLiteral("%1 candidates").arg(count);
}

} // namespace

std::vector<size_t> TfrmExplore::Chosen() const {
  std::vector<size_t> chosen = Liked();
  if (chosen.empty() && m_current >= 0)
    chosen.push_back(static_cast<size_t>(m_current));
  return chosen;
}

void TfrmExplore::btnExploreKeepClick() {
  const std::vector<size_t> chosen = Chosen();
  if (m_rounds.empty() || chosen.empty()) {
    Tell(QStringLiteral("Like a candidate, or click one, to keep it."));
    return;
  }
  TLibrary *library = m_context.Library();
  if (!library) {
    ShowError(QStringLiteral("Nothing was kept: %1").arg(m_context.LibraryProblem()));
    return;
  }
  const QString error = Attempt([&] {
    for (size_t index : chosen) {
      int64_t kept = 0;
      for (const TKeptMaking &making : MakingsToKeep(m_rounds, index)) {
        const int64_t id = library->RecordMade(making.made, making.parents, making.making);
        if (!kept)
          kept = id;
      }
      library->AddTag(kept, "explored");
    }
  });
  m_context.LibraryChanged();
  if (!error.isEmpty())
    return ShowError(error);
  Tell(QStringLiteral("%1 kept in the library, tagged \"explored\", with the patches they "
                      "came from.")
           .arg(Candidates(chosen.size())));
}

std::vector<TPlacedPatch> TfrmExplore::Placed() const {
  std::vector<TPlacedPatch> placed;
  for (size_t i = 0; i < Round().candidates.size(); ++i) {
    TPlacedPatch patch;
    patch.patch = ExplorePatchBytes(Round().candidates[i].image);
    patch.number = static_cast<int>(i);
    placed.push_back(patch);
  }
  return placed;
}

void TfrmExplore::btnExploreSendRoundClick() {
  if (m_rounds.empty())
    return;
  int bank = -1;
  bool backup = true, verify = true;
  if (!AskDestinationBank(this,
                          QStringLiteral("Send this round's %1 to which bank of the "
                                         "synthesizer? They go to its slots 1 to %2.")
                              .arg(Candidates(Round().candidates.size()))
                              .arg(Round().candidates.size()),
                          -1, bank, backup, verify))
    return;
  // The send talks to the synthesizer through the same link.
  m_audition->End(/*wait=*/true);
  SendPlacedBank(m_context, this, Placed(), 0, bank, backup, verify);
}

void TfrmExplore::btnExploreSaveRoundClick() {
  if (m_rounds.empty())
    return;
  const QString path = m_context.SaveSysExFile();
  if (path.isEmpty())
    return;
  const int device = m_kind == PatchKind::Sid ? m_context.SidDeviceId() : m_context.FmDeviceId();
  const QString error = Attempt([&] {
    TWaitCursor busy;
    WriteWholeFile(path, PlacedPatchFile(Placed(), device));
  });
  if (!error.isEmpty())
    return ShowError(error);
  m_context.ReportDone(FileDoneText(Round().candidates.size(), "saved to", path));
}

} // namespace zpm
