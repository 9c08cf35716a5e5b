// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/viewer/compare_picker.h"

#include "fm/fm_file.h"
#include "patch/error.h"
#include "sid/sid_file.h"
#include "viewer/slot_compare.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace zpm {

namespace {

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

// "B:17 Lead" as the lists count; drumsets and ensembles have no name.
QString SlotLabel(const Bytes &image, int sidBank) {
  const PatchKind kind = RecognisePatchKind(image);
  TSlotComparison slot;
  slot.kind = kind;
  if (kind == PatchKind::Sid) {
    slot.bank = sidBank;
    slot.number = image[7];
  } else {
    slot.bank = image.size() > 9 ? image[8] : 0;
    slot.number = image.size() > 9 ? image[9] : 0;
  }
  QString text = Latin1(SlotTypeText(kind)) + " " + Latin1(SlotText(slot));
  if (kind == PatchKind::Sid || kind == PatchKind::FmVoice) {
    const size_t offset = kind == PatchKind::Sid ? kSidDataOffset : kFmDataOffset;
    std::string name;
    for (size_t i = offset; i < offset + kNameSize && image[i] != 0; ++i)
      name.push_back(static_cast<char>(image[i]));
    text += " " + Latin1(name);
  }
  return text;
}

// Each patch of a bank as its dump and, for SID, the bank it belongs to.
using TAdd = std::function<void(const Bytes &, int)>;

void Each(const TPatchBank &bank, const TAdd &add) {
  for (int i = 0; i < bank.Count(); ++i)
    add(Bytes(bank.GetPatch(i).Dump.begin(), bank.GetPatch(i).Dump.end()), bank.GetPatch(i).Bank);
}

void Each(const TFMPatchBank &bank, const TAdd &add) {
  for (int i = 0; i < bank.Count(); ++i)
    add(Bytes(bank.GetPatch(i).Dump.begin(), bank.GetPatch(i).Dump.end()), 0);
}

} // namespace

TfrmComparePick::TfrmComparePick(TMainContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_list(new QListWidget(this)) {
  setObjectName(QStringLiteral("frmComparePick"));
  setWindowTitle(QStringLiteral("Compare with..."));
  m_list->setObjectName(QStringLiteral("lvCompareWith"));
  m_list->setAccessibleName(QStringLiteral("Patches to compare with"));
  auto *fromFile = new QPushButton(QStringLiteral("From &file..."), this);
  fromFile->setObjectName(QStringLiteral("btnFromFile"));
  connect(fromFile, &QPushButton::clicked, this, &TfrmComparePick::btnFromFileClick);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_list, 1);
  layout->addWidget(fromFile);
  layout->addWidget(buttons);
  resize(420, 420);
}

void TfrmComparePick::Add(const QString &source, const Bytes &image, int sidBank) {
  TCompareChoice choice;
  choice.image = image;
  choice.title = source + ": " + SlotLabel(image, sidBank);
  m_list->addItem(choice.title);
  m_choices.push_back(std::move(choice));
}

void TfrmComparePick::AddBanks() {
  struct Source {
    const char *name;
    std::function<void(const TAdd &)> each;
  };
  TMainContext &c = m_context;
  const Source sources[] = {
      {"SID fetched", [&c](auto add) { Each(c.SidGetBank(), add); }},
      {"SID file", [&c](auto add) { Each(c.SidFileBank(), add); }},
      {"FM voices fetched", [&c](auto add) { Each(c.FmGetVoiceBank(), add); }},
      {"FM drumsets fetched", [&c](auto add) { Each(c.FmGetDrumBank(), add); }},
      {"FM ensembles fetched", [&c](auto add) { Each(c.FmGetEnsembleBank(), add); }},
      {"FM voices to send", [&c](auto add) { Each(c.FmSendVoiceBank(), add); }},
      {"FM drumsets to send", [&c](auto add) { Each(c.FmSendDrumBank(), add); }},
      {"FM ensembles to send", [&c](auto add) { Each(c.FmSendEnsembleBank(), add); }},
  };
  for (const Source &source : sources)
    source.each([this, &source](const Bytes &image, int bank) { Add(source.name, image, bank); });
}

bool TfrmComparePick::Choose(TCompareChoice &choice) {
  m_list->clear();
  m_choices.clear();
  AddBanks();
  if (!m_choices.empty())
    m_list->setCurrentRow(0);
  if (exec() != QDialog::Accepted)
    return false;
  const int row = m_list->currentRow();
  if (row < 0 || row >= static_cast<int>(m_choices.size()))
    return false;
  choice = m_choices[static_cast<size_t>(row)];
  return true;
}

void TfrmComparePick::btnFromFileClick() {
  const QString path = m_context.OpenSysExFile();
  if (path.isEmpty())
    return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    QMessageBox::critical(this, QApplication::applicationDisplayName(),
                          QStringLiteral("Could not open %1 (%2). Check that the file exists "
                                         "and may be read, and choose it again.")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
    return;
  }
  const QByteArray data = file.readAll();
  const Bytes bytes(data.begin(), data.end());
  const std::string name = QDir::toNativeSeparators(path).toStdString();
  const QString source = QFileInfo(path).fileName();
  const int before = static_cast<int>(m_choices.size());
  try {
    // The FM family byte tells the two kinds of file apart.
    if (bytes.size() > 4 && bytes[4] == 0x49) {
      TFMPatchBank voices, drums, ensembles;
      LoadFmFile(bytes, name, voices, drums, ensembles);
      for (const TFMPatchBank *bank : {&voices, &drums, &ensembles})
        Each(*bank, [this, &source](const Bytes &image, int bank) { Add(source, image, bank); });
    } else {
      TPatchBank sid;
      LoadSidFile(bytes, name, sid);
      Each(sid, [this, &source](const Bytes &image, int bank) { Add(source, image, bank); });
    }
  } catch (const ZpmError &e) {
    QMessageBox::critical(this, QApplication::applicationDisplayName(),
                          QString::fromStdString(e.what()));
  }
  if (static_cast<int>(m_choices.size()) > before)
    m_list->setCurrentRow(before);
}

} // namespace zpm
