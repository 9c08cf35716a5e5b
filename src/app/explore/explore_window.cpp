// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/explore/explore_window.h"

#include "app/edit/audition_session.h"
#include "app/page_support.h"
#include "edit/edit_fields.h"
#include "patch/list_text.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace zpm {

namespace {

constexpr int kColumns = 4;

TAuditionSynth SynthOf(PatchKind kind) {
  return kind == PatchKind::Sid ? TAuditionSynth::Sid : TAuditionSynth::Fm;
}

QString CandidateName(const Bytes &image, int index) {
  const PatchKind kind = RecognisePatchKind(image);
  if (kind == PatchKind::Sid)
    return QString::fromStdString(ListNameText(image.data() + kSidDataOffset)).trimmed();
  if (kind == PatchKind::FmVoice)
    return QString::fromStdString(ListNameText(image.data() + kFmDataOffset)).trimmed();
  return QStringLiteral("Candidate %1").arg(index + 1);
}

// "Crossed from Qx Alpha 1 and Qx Alpha 12", "Varied 30 % from Qx Alpha 1".
QString HowMade(const TExploreCandidate &candidate, const TExploreRound &round) {
  QStringList parents;
  for (size_t parent : candidate.parents)
    parents << CandidateName(round.parents[parent], static_cast<int>(parent));
  if (candidate.how == TExploreHow::Cross)
    return QStringLiteral("Crossed from %1").arg(parents.join(QStringLiteral(" and ")));
  return QStringLiteral("Varied %1 % from %2").arg(candidate.amount).arg(parents.join(", "));
}

} // namespace

TfrmExplore::TfrmExplore(TMainContext &context, const QString &settingsPath, QWidget *parent)
    : QWidget(parent, Qt::Window), m_context(context), m_settingsPath(settingsPath),
      m_settings(ReadExploreSettings(settingsPath)),
      m_audition(new TAuditionSession(context, this)) {
  setObjectName(QStringLiteral("frmExplore"));
  setWindowTitle(QStringLiteral("Explore - Zavorin Patch Manager"));
  lbExploreFrom = new QLabel(this);
  lbExploreFrom->setObjectName(QStringLiteral("lbExploreFrom"));
  lbExploreFrom->setWordWrap(true);
  lbExploreStatus = new QLabel(this);
  lbExploreStatus->setObjectName(QStringLiteral("lbExploreStatus"));
  lbExploreStatus->setWordWrap(true);
  lbExploreStatus->setAccessibleName(QStringLiteral("What the last action did"));
  auto *body = new QHBoxLayout;
  body->addWidget(BuildGrid(), 1);
  body->addWidget(BuildSide());
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(lbExploreFrom);
  layout->addLayout(body, 1);
  layout->addWidget(lbExploreStatus);
  connect(m_audition, &TAuditionSession::status, this, &TfrmExplore::Tell);
  // The keys 1-9 play the first nine candidates wherever the focus is but
  // in a field being typed into.
  for (int i = 0; i < 9; ++i) {
    auto *key = new QShortcut(QKeySequence(Qt::Key_1 + i), this);
    connect(key, &QShortcut::activated, this, [this, i] { AuditionCandidate(i); });
  }
  resize(900, 560);
}

TfrmExplore::~TfrmExplore() = default;

QWidget *TfrmExplore::BuildGrid() {
  auto *box = new QGroupBox(QStringLiteral("Candidates (click or 1-9: hear it)"), this);
  auto *grid = new QGridLayout(box);
  for (int i = 0; i < kExploreRoundSize; ++i) {
    auto *button = new QPushButton(box);
    button->setObjectName(QStringLiteral("btnCandidate%1").arg(i + 1));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setMinimumSize(150, 44);
    connect(button, &QPushButton::clicked, this, [this, i] { AuditionCandidate(i); });
    auto *liked = new QCheckBox(QStringLiteral("Liked"), box);
    liked->setObjectName(QStringLiteral("cbLiked%1").arg(i + 1));
    liked->setAccessibleName(QStringLiteral("Candidate %1 liked").arg(i + 1));
    connect(liked, &QCheckBox::toggled, this, [this, i] { LikedChanged(i); });
    auto *cell = new QVBoxLayout;
    cell->setSpacing(2);
    cell->addWidget(button);
    cell->addWidget(liked);
    grid->addLayout(cell, i / kColumns, i % kColumns);
    m_candidates.push_back(button);
    m_liked.push_back(liked);
  }
  return box;
}

QWidget *TfrmExplore::BuildSide() {
  auto *side = new QWidget(this);
  lbExploreRound = new QLabel(side);
  lbExploreRound->setObjectName(QStringLiteral("lbExploreRound"));
  edExploreSeed = new QSpinBox(side);
  edExploreSeed->setObjectName(QStringLiteral("edExploreSeed"));
  edExploreSeed->setAccessibleName(QStringLiteral("Seed to make the round again with"));
  edExploreSeed->setRange(INT_MIN, INT_MAX);
  btnExploreAgain = new QPushButton(QStringLiteral("Make &again"), side);
  btnExploreAgain->setObjectName(QStringLiteral("btnExploreAgain"));
  btnExploreAgain->setToolTip(
      QStringLiteral("Makes this round again from the same patches with the seed given"));
  connect(btnExploreAgain, &QPushButton::clicked, this, &TfrmExplore::btnExploreAgainClick);
  seExploreAmount = new QSpinBox(side);
  seExploreAmount->setObjectName(QStringLiteral("seExploreAmount"));
  seExploreAmount->setAccessibleName(QStringLiteral("How far variations go"));
  seExploreAmount->setRange(kExploreAmountMin, kExploreAmountMax);
  seExploreAmount->setSuffix(QStringLiteral(" %"));
  seExploreAmount->setValue(30);
  lvExploreLocks = new QListWidget(side);
  lvExploreLocks->setObjectName(QStringLiteral("lvExploreLocks"));
  lvExploreLocks->setAccessibleName(QStringLiteral("Parameters never changed"));
  connect(lvExploreLocks, &QListWidget::itemChanged, this, &TfrmExplore::LockChanged);
  cbxAuditionBank = new QComboBox(side);
  cbxAuditionBank->setObjectName(QStringLiteral("cbxAuditionBank"));
  cbxAuditionBank->setAccessibleName(QStringLiteral("Bank of the audition slot"));
  for (int bank = 0; bank < 8; ++bank)
    cbxAuditionBank->addItem(QString(QLatin1Char(static_cast<char>('A' + bank))));
  cbxAuditionBank->setPlaceholderText(QStringLiteral("Choose"));
  seAuditionSlot = new QSpinBox(side);
  seAuditionSlot->setObjectName(QStringLiteral("seAuditionSlot"));
  seAuditionSlot->setAccessibleName(QStringLiteral("Slot of the audition slot"));
  seAuditionSlot->setRange(1, 128);
  const auto slotChanged = [this] {
    // The Config page's slot: the editor plays in the same one.
    TAuditionSettings settings = m_context.Audition();
    TAuditionSlotSetting &slot = settings.Of(SynthOf(m_kind));
    slot.bank = cbxAuditionBank->currentIndex();
    slot.slot = slot.bank < 0 ? -1 : seAuditionSlot->value() - 1;
    m_context.SetAudition(settings);
  };
  connect(cbxAuditionBank, &QComboBox::currentIndexChanged, this, slotChanged);
  connect(seAuditionSlot, &QSpinBox::valueChanged, this, slotChanged);

  const auto button = [side](const char *text, const char *name) {
    auto *made = new QPushButton(QString::fromUtf8(text), side);
    made->setObjectName(QString::fromLatin1(name));
    return made;
  };
  btnExploreNext = button("&Next round", "btnExploreNext");
  btnExploreNext->setToolTip(
      QStringLiteral("Sixteen more, crossed and varied from the liked ones"));
  btnExploreBack = button("&Back", "btnExploreBack");
  btnExploreKeep = button("&Keep", "btnExploreKeep");
  btnExploreKeep->setToolTip(QStringLiteral(
      "Puts the liked candidates (or the one clicked) in the library, tagged \"explored\""));
  btnExploreSendRound = button("Send round as &bank...", "btnExploreSendRound");
  btnExploreSaveRound = button("Save round as &SysEx file...", "btnExploreSaveRound");
  connect(btnExploreNext, &QPushButton::clicked, this, &TfrmExplore::btnExploreNextClick);
  connect(btnExploreBack, &QPushButton::clicked, this, &TfrmExplore::btnExploreBackClick);
  connect(btnExploreKeep, &QPushButton::clicked, this, &TfrmExplore::btnExploreKeepClick);
  connect(btnExploreSendRound, &QPushButton::clicked, this, &TfrmExplore::btnExploreSendRoundClick);
  connect(btnExploreSaveRound, &QPushButton::clicked, this, &TfrmExplore::btnExploreSaveRoundClick);

  const auto label = [side](const char *text, QWidget *buddy) {
    auto *made = new QLabel(QString::fromUtf8(text), side);
    made->setBuddy(buddy);
    return made;
  };
  auto *form = new QGridLayout;
  form->addWidget(lbExploreRound, 0, 0, 1, 3);
  form->addWidget(label("S&eed:", edExploreSeed), 1, 0);
  form->addWidget(edExploreSeed, 1, 1);
  form->addWidget(btnExploreAgain, 1, 2);
  form->addWidget(label("A&mount:", seExploreAmount), 2, 0);
  form->addWidget(seExploreAmount, 2, 1);
  form->addWidget(label("Audition s&lot:", cbxAuditionBank), 3, 0);
  form->addWidget(cbxAuditionBank, 3, 1);
  form->addWidget(seAuditionSlot, 3, 2);
  auto *rounds = new QHBoxLayout;
  rounds->addWidget(btnExploreBack);
  rounds->addWidget(btnExploreNext);
  auto *column = new QVBoxLayout(side);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(form);
  column->addLayout(rounds);
  column->addWidget(label("L&ocked (never changed):", lvExploreLocks));
  column->addWidget(lvExploreLocks, 1);
  column->addWidget(btnExploreKeep);
  column->addWidget(btnExploreSendRound);
  column->addWidget(btnExploreSaveRound);
  side->setFixedWidth(300);
  return side;
}

bool TfrmExplore::Begin(const std::vector<Bytes> &patches) {
  if (patches.empty() || patches.size() > kExploreMostLiked) {
    ShowError(QStringLiteral("Choose 1 to 4 patches of one kind to explore; %1 are chosen.")
                  .arg(patches.size()));
    return false;
  }
  const PatchKind kind = RecognisePatchKind(patches.front());
  const int32_t seed = static_cast<int32_t>(QRandomGenerator::global()->bounded(INT_MAX));
  const PatchKind before = m_kind;
  const std::string baseName = m_baseName;
  m_kind = kind;
  m_baseName = kind == PatchKind::Sid || kind == PatchKind::FmVoice
                   ? CandidateName(patches.front(), 0).toStdString()
                   : std::string();
  try {
    m_core.Start(patches, Options(seed, 0));
  } catch (const TExploreError &e) {
    m_kind = before;
    m_baseName = baseName;
    ShowError(QStringLiteral("These patches cannot be explored together: %1 Choose 1 to 4 "
                             "patches of one kind.")
                  .arg(QString::fromStdString(e.what())));
    return false;
  }
  m_rounds = {m_core.Current()};
  m_likedBefore.clear();
  QStringList names;
  for (size_t i = 0; i < patches.size(); ++i)
    names << CandidateName(patches[i], static_cast<int>(i));
  lbExploreFrom->setText(QStringLiteral("Started from: %1").arg(names.join(QStringLiteral(", "))));
  const TAuditionSlotSetting slot = Slot();
  {
    const QSignalBlocker bank(cbxAuditionBank), number(seAuditionSlot);
    cbxAuditionBank->setCurrentIndex(slot.bank);
    seAuditionSlot->setValue(slot.slot < 0 ? 1 : slot.slot + 1);
  }
  FillLocks();
  ShowRound();
  Tell(QString());
  // The keys 1-9 reach the candidates, not a number field.
  m_candidates.front()->setFocus();
  return true;
}

TExploreOptions TfrmExplore::Options(int32_t seed, size_t round) const {
  TExploreOptions options;
  options.seed = seed;
  options.amount = seExploreAmount->value();
  options.locks = m_settings.locks.Of(m_kind);
  // "Warm Bass 17": the first patch's name and a number that goes on from
  // round to round, rather than numbers piling up on numbers.
  options.baseName = m_baseName;
  options.firstNumber = static_cast<int>(round) * kExploreRoundSize + 1;
  return options;
}

std::vector<size_t> TfrmExplore::Liked() const {
  std::vector<size_t> liked;
  for (size_t i = 0; i < m_liked.size(); ++i)
    if (m_liked[i]->isChecked())
      liked.push_back(i);
  return liked;
}

void TfrmExplore::ShowRound(const std::vector<size_t> &liked) {
  const TExploreRound &round = Round();
  for (size_t i = 0; i < m_candidates.size(); ++i) {
    const bool there = i < round.candidates.size();
    m_candidates[i]->setText(there ? QStringLiteral("%1  %2").arg(i + 1).arg(CandidateName(
                                         round.candidates[i].image, static_cast<int>(i)))
                                   : QString());
    m_candidates[i]->setEnabled(there);
    m_candidates[i]->setToolTip(there ? HowMade(round.candidates[i], round) : QString());
    const QSignalBlocker blocker(m_liked[i]);
    m_liked[i]->setChecked(std::find(liked.begin(), liked.end(), i) != liked.end());
    m_liked[i]->setEnabled(there);
  }
  // No candidate stays chosen from the round before.
  for (QPushButton *button : m_candidates) {
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
  }
  m_current = -1;
  lbExploreRound->setText(QStringLiteral("Round %1, seed %2").arg(m_rounds.size()).arg(round.seed));
  edExploreSeed->setValue(round.seed);
  btnExploreBack->setEnabled(m_rounds.size() > 1);
  btnExploreNext->setEnabled(!Liked().empty());
}

void TfrmExplore::FillLocks() {
  const QSignalBlocker blocker(lvExploreLocks);
  lvExploreLocks->clear();
  if (m_kind == PatchKind::Unknown)
    return;
  for (const EditField &field : EditFields(m_kind)) {
    auto *item = new QListWidgetItem(QString::fromStdString(field.Label), lvExploreLocks);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(m_settings.locks.IsLocked(m_kind, field.Label) ? Qt::Checked
                                                                       : Qt::Unchecked);
  }
}

void TfrmExplore::LockChanged(QListWidgetItem *item) {
  const std::string label = item->text().toStdString();
  if (item->checkState() == Qt::Checked)
    m_settings.locks.Lock(m_kind, label);
  else
    m_settings.locks.Unlock(m_kind, label);
  RememberSettings();
}

void TfrmExplore::LikedChanged(int index) {
  if (m_liked[static_cast<size_t>(index)]->isChecked() && Liked().size() > kExploreMostLiked) {
    const QSignalBlocker blocker(m_liked[static_cast<size_t>(index)]);
    m_liked[static_cast<size_t>(index)]->setChecked(false);
    Tell(QStringLiteral("At most four candidates can be liked; unmark one to like this one."));
  }
  btnExploreNext->setEnabled(!Liked().empty());
}

void TfrmExplore::btnExploreNextClick() {
  const std::vector<size_t> liked = Liked();
  try {
    m_core.Next(liked, Options(NextRoundSeed(Round().seed), m_rounds.size()));
  } catch (const TExploreError &e) {
    Tell(QString::fromStdString(e.what()));
    return;
  }
  m_rounds.push_back(m_core.Current());
  m_likedBefore.push_back(liked);
  ShowRound();
}

void TfrmExplore::btnExploreBackClick() {
  if (m_rounds.size() < 2)
    return;
  m_core.Back();
  m_rounds.pop_back();
  const std::vector<size_t> liked = m_likedBefore.back();
  m_likedBefore.pop_back();
  ShowRound(liked);
}

void TfrmExplore::btnExploreAgainClick() {
  if (m_rounds.empty())
    return;
  const TExploreOptions options = Options(edExploreSeed->value(), m_rounds.size() - 1);
  try {
    if (m_rounds.size() == 1) {
      m_core.Start(m_rounds.front().parents, options);
    } else {
      m_core.Back();
      m_core.Next(m_likedBefore.back(), options);
    }
  } catch (const TExploreError &e) {
    ShowError(QString::fromStdString(e.what()));
    return;
  }
  m_rounds.back() = m_core.Current();
  ShowRound();
}

void TfrmExplore::AuditionCandidate(int index) {
  if (m_rounds.empty() || index < 0 || index >= static_cast<int>(Round().candidates.size()))
    return;
  m_current = index;
  m_candidates[static_cast<size_t>(index)]->setChecked(true);
  const QString why =
      m_audition->AuditionImage(Round().candidates[static_cast<size_t>(index)].image, Slot());
  Tell(why.isEmpty() ? QStringLiteral("Candidate %1 plays in %2.")
                           .arg(index + 1)
                           .arg(QString::fromStdString(AuditionSlotText(Slot().bank, Slot().slot)))
                     : why);
}

TAuditionSlotSetting TfrmExplore::Slot() const {
  return m_context.Audition().Of(SynthOf(m_kind));
}

void TfrmExplore::RememberSettings() {
  const QString problem = WriteExploreSettings(m_settingsPath, m_settings);
  if (!problem.isEmpty())
    Tell(QStringLiteral("The locks could not be remembered (%1).").arg(problem));
}

void TfrmExplore::closeEvent(QCloseEvent *event) {
  // The slot's own patch goes back while the rest of the program goes on.
  m_audition->End(/*wait=*/false);
  event->accept();
}

void TfrmExplore::Tell(const QString &text) {
  lbExploreStatus->setText(text);
}

void TfrmExplore::ShowError(const QString &text) {
  if (!text.isEmpty())
    QMessageBox::critical(isVisible() ? this : m_context.MainWindow(),
                          QApplication::applicationDisplayName(), text);
}

} // namespace zpm
