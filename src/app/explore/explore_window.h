// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Explore window: sixteen candidates made from the patches it starts
// with, each heard in the audition slot with a click or the keys 1-9, up
// to four liked; "Next round" makes sixteen more from the liked ones,
// "Back" returns to the round before. The amount, the locks and the round's
// seed are at hand; "Keep" puts the chosen candidates in the library with
// their parents, and a round goes to the synthesizer as a bank or into a
// file.

#include "app/explore/explore_settings.h"
#include "app/main_context.h"
#include "explore/explore_round.h"
#include "library/library_types.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace zpm {

class TAuditionSession;

class TfrmExplore : public QWidget {
  Q_OBJECT
public:
  // settingsPath: where the locks and the audition slot are remembered.
  TfrmExplore(TMainContext &context, const QString &settingsPath, QWidget *parent);
  ~TfrmExplore() override;

  // A new exploration from 1 to 4 patches of one kind (whole dump images);
  // false, with the reason told, when they cannot be explored.
  bool Begin(const std::vector<Bytes> &patches);

  const TExploreRound &Round() const { return m_rounds.back(); }
  size_t RoundCount() const { return m_rounds.size(); }
  TAuditionSession &Audition() { return *m_audition; }
  // The candidates liked in the current round, in order.
  std::vector<size_t> Liked() const;

public slots:
  void btnExploreNextClick();
  void btnExploreBackClick();
  void btnExploreAgainClick();
  void btnExploreKeepClick();
  void btnExploreSendRoundClick();
  void btnExploreSaveRoundClick();
  // The seam to the audition slot: plays this image there.
  void AuditionCandidate(int index);

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  QWidget *BuildGrid();
  QWidget *BuildSide();
  // The options of the round of that index (from 0).
  TExploreOptions Options(int32_t seed, size_t round) const;
  // Shows the current round: names, liked marks, seed, buttons.
  void ShowRound(const std::vector<size_t> &liked = {});
  void FillLocks();
  void LockChanged(QListWidgetItem *item);
  void LikedChanged(int index);
  void RememberSettings();
  TAuditionSlotSetting Slot() const;
  std::vector<TPlacedPatch> Placed() const;
  // The liked candidates, else the one last clicked.
  std::vector<size_t> Chosen() const;
  void Tell(const QString &text);
  void ShowError(const QString &text);

  TMainContext &m_context;
  QString m_settingsPath;
  TExploreSettings m_settings;
  TAuditionSession *m_audition;
  PatchKind m_kind = PatchKind::Unknown;
  std::string m_baseName; // the candidates' names, numbered
  // The rounds played, oldest first; the liked candidates of each round
  // that made the one after it.
  TExploreRounds m_core;
  std::vector<TExploreRound> m_rounds;
  std::vector<std::vector<size_t>> m_likedBefore;
  int m_current = -1; // the candidate last clicked

  std::vector<QPushButton *> m_candidates;
  std::vector<QCheckBox *> m_liked;
  QLabel *lbExploreFrom = nullptr;
  QLabel *lbExploreRound = nullptr;
  QSpinBox *edExploreSeed = nullptr;
  QPushButton *btnExploreAgain = nullptr;
  QSpinBox *seExploreAmount = nullptr;
  QListWidget *lvExploreLocks = nullptr;
  QComboBox *cbxAuditionBank = nullptr;
  QSpinBox *seAuditionSlot = nullptr;
  QPushButton *btnExploreNext = nullptr;
  QPushButton *btnExploreBack = nullptr;
  QPushButton *btnExploreKeep = nullptr;
  QPushButton *btnExploreSendRound = nullptr;
  QPushButton *btnExploreSaveRound = nullptr;
  QLabel *lbExploreStatus = nullptr;
};

} // namespace zpm
