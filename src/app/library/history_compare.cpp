// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/history_compare.h"

#include "app/library/library_record.h"
#include "app/main_context.h"
#include "app/page_support.h"
#include "app/viewer/hex_view_form.h"
#include "fm/fm_fetch.h"
#include "library/library_records.h"
#include "library/library_view.h"
#include "sid/sid_transfer.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zpm {

namespace {

// The dump as it would travel, so both sides compare as the viewer shows them.
template <typename Use> auto WithDump(const TPlacedPatch &placed, Use use) {
  if (placed.patch.kind == TKind::Sid)
    return use(SidBankOf({placed}, 0).GetPatch(0));
  const TFmBanks banks = FmBanksOf({placed}, 0);
  return use(placed.patch.kind == TKind::FmDrumset    ? banks.drums.GetPatch(0)
             : placed.patch.kind == TKind::FmEnsemble ? banks.ensembles.GetPatch(0)
                                                      : banks.voices.GetPatch(0));
}

std::vector<TSlotPatch> SlotsOf(const TBankSide &side) {
  std::vector<TSlotPatch> patches;
  for (const TPlacedPatch &placed : side.placed)
    patches.push_back(WithDump(placed, [](const auto &patch) { return SlotOf(patch); }));
  return patches;
}

QString NameText(const std::optional<std::string> &name, bool there) {
  if (!there)
    return QStringLiteral("not recorded");
  if (!name)
    return QStringLiteral("(no name)");
  return QString::fromLatin1(name->data(), static_cast<qsizetype>(name->size())).trimmed();
}

template <typename Bank> std::vector<TPlacedPatch> PlacedOf(const Bank &bank) {
  std::vector<TPlacedPatch> placed;
  for (int i = 0; i < bank.Count(); ++i) {
    const auto &patch = bank.GetPatch(i);
    TPlacedPatch at;
    at.patch = PatchBytesOf(patch);
    const TSlotPatch slot = SlotOf(patch);
    at.bank = slot.bank;
    at.number = slot.number;
    placed.push_back(at);
  }
  return placed;
}

} // namespace

std::vector<TPlacedPatch> BankPlacedAt(TLibrary &library, TKind kind, int bank, int64_t time) {
  std::vector<TPlacedPatch> placed;
  for (const TBankSlot &slot : library.BankAt(kind, bank, time)) {
    if (slot.id == 0)
      continue;
    TPlacedPatch at;
    at.patch = library.Patch(slot.id).patch;
    at.bank = bank;
    at.number = slot.number;
    at.id = slot.id;
    placed.push_back(at);
  }
  return placed;
}

std::vector<TPlacedPatch> FetchBankNow(TMainContext &context, TKind kind, int bank,
                                       QString &error) {
  std::vector<TPlacedPatch> placed;
  const QString letter = QChar(QLatin1Char(static_cast<char>('A' + bank)));
  error = Attempt([&] {
    if (kind == TKind::Sid) {
      TSidFetch fetch;
      fetch.device = context.SidDeviceId();
      fetch.delayMs = context.SidDelay();
      fetch.fetchBank = bank;
      TPatchBank into;
      const TFetchReport report = GetSingleSidBank(context.Link(), context.Host(), fetch, into);
      // A single-PatchCart device answers for its one bank, whichever was asked.
      if (!AnyFetched(report) || fetch.fetchBank != bank)
        return;
      KeepSnapshot(context, SidFetchRecord(into, fetch.device));
      placed = PlacedOf(into);
    } else {
      TFmFetch fetch;
      fetch.device = context.FmDeviceId();
      fetch.type = FmType(kind);
      fetch.bank = bank;
      TFMPatchBank into;
      FetchFmBankQuietly(context.Link(), context.Host(), fetch, into);
      if (into.Count() == 0)
        return;
      KeepSnapshot(context, FmFetchRecord({&into}, fetch.device));
      placed = PlacedOf(into);
    }
  });
  if (error.isEmpty() && placed.empty())
    error = QStringLiteral("Bank %1 did not come from the synthesizer; nothing was compared.")
                .arg(letter);
  return placed;
}

std::vector<TSlotComparison> DifferingSlots(const TBankSide &a, const TBankSide &b) {
  std::vector<TSlotComparison> differing;
  for (TSlotComparison &slot : CompareSlots(SlotsOf(a), SlotsOf(b)))
    if (slot.state == TSlotState::Differs)
      differing.push_back(std::move(slot));
  return differing;
}

std::vector<TSlotComparison> UnrecordedSlots(const TBankSide &a, const TBankSide &b) {
  std::vector<TSlotComparison> unrecorded;
  for (TSlotComparison &slot : CompareSlots(SlotsOf(a), SlotsOf(b)))
    if (slot.state == TSlotState::OnlyA || slot.state == TSlotState::OnlyB)
      unrecorded.push_back(std::move(slot));
  return unrecorded;
}

QString TfrmSlotCompare::Summary() const {
  const size_t differing = m_differing.size();
  QString text = differing == 0 ? QStringLiteral("No slot differs.")
                                : QStringLiteral("%1 %2 differ%3; Enter or a double click shows "
                                                 "the two patches.")
                                      .arg(differing)
                                      .arg(QLatin1String(differing == 1 ? "slot" : "slots"))
                                      .arg(QLatin1String(differing == 1 ? "s" : ""));
  int onlyA = 0, onlyB = 0;
  for (const TSlotComparison &slot : m_listed) {
    onlyA += slot.state == TSlotState::OnlyA;
    onlyB += slot.state == TSlotState::OnlyB;
  }
  // Where one side knows nothing, nothing is said to differ.
  const auto unrecorded = [](int count, const QString &side) {
    return QStringLiteral("\n%1 %2 not recorded in %3, so not compared.")
        .arg(count)
        .arg(QLatin1String(count == 1 ? "slot was" : "slots were"))
        .arg(side);
  };
  if (onlyB)
    text += unrecorded(onlyB, m_a.title);
  if (onlyA)
    text += unrecorded(onlyA, m_b.title);
  return text;
}

TfrmSlotCompare::TfrmSlotCompare(TBankSide a, TBankSide b, TfrmHexView *viewer, QWidget *parent)
    : QDialog(parent), m_a(std::move(a)), m_b(std::move(b)), m_viewer(viewer) {
  setObjectName(QStringLiteral("frmSlotCompare"));
  setWindowTitle(QStringLiteral("Compare %1 with %2").arg(m_a.title, m_b.title));
  m_differing = DifferingSlots(m_a, m_b);
  m_listed = m_differing;
  for (TSlotComparison &slot : UnrecordedSlots(m_a, m_b))
    m_listed.push_back(std::move(slot));

  lbSlotCompare = new QLabel(this);
  lbSlotCompare->setObjectName(QStringLiteral("lbSlotCompare"));
  lbSlotCompare->setAccessibleName(QStringLiteral("How many slots differ"));
  lbSlotCompare->setText(Summary());
  lvSlotCompare = new QTableWidget(static_cast<int>(m_listed.size()), 3, this);
  lvSlotCompare->setObjectName(QStringLiteral("lvSlotCompare"));
  lvSlotCompare->setAccessibleName(QStringLiteral("Slots that differ"));
  lvSlotCompare->setHorizontalHeaderLabels({QStringLiteral("Slot"), m_a.title, m_b.title});
  lvSlotCompare->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvSlotCompare->setSelectionMode(QAbstractItemView::SingleSelection);
  lvSlotCompare->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvSlotCompare->setTabKeyNavigation(false);
  lvSlotCompare->verticalHeader()->hide();
  lvSlotCompare->horizontalHeader()->setStretchLastSection(true);
  lvSlotCompare->setColumnWidth(1, 180);
  for (size_t i = 0; i < m_listed.size(); ++i) {
    const TSlotComparison &slot = m_listed[i];
    const QString texts[] = {QString::fromStdString(SlotText(slot)),
                             NameText(slot.nameA, slot.state != TSlotState::OnlyB),
                             NameText(slot.nameB, slot.state != TSlotState::OnlyA)};
    for (int column = 0; column < 3; ++column)
      lvSlotCompare->setItem(static_cast<int>(i), column, new QTableWidgetItem(texts[column]));
  }
  if (!m_listed.empty())
    lvSlotCompare->selectRow(0);
  connect(lvSlotCompare, &QTableWidget::activated, this,
          [this](const QModelIndex &index) { OpenSlot(index.row()); });

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->setObjectName(QStringLiteral("bbSlotCompare"));
  buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnSlotCompareClose"));
  buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Close"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(lbSlotCompare);
  layout->addWidget(lvSlotCompare, 1);
  layout->addWidget(buttons);
  resize(560, 420);
}

const TPlacedPatch *TfrmSlotCompare::Find(const TBankSide &side, int number) const {
  for (const TPlacedPatch &placed : side.placed)
    if (placed.number == number)
      return &placed;
  return nullptr;
}

void TfrmSlotCompare::OpenSlot(int row) {
  if (!m_viewer || row < 0 || row >= static_cast<int>(m_listed.size()))
    return;
  const int number = m_listed[static_cast<size_t>(row)].number;
  const TPlacedPatch *a = Find(m_a, number);
  const TPlacedPatch *b = Find(m_b, number);
  // A slot only one side knows is shown alone.
  const TPlacedPatch *shown = a ? a : b;
  if (!shown)
    return;
  m_viewer->Load(PlacedPatchView(*shown, 0, m_viewer->PatchTypePanel()));
  if (a && b)
    m_viewer->CompareWith({PlacedPatchImage(*b), m_b.title});
  m_viewer->exec();
}

} // namespace zpm
