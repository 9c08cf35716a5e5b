// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/fetch_summary.h"

#include "fm/fm_send.h"
#include "patch/list_text.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

namespace zpm::cli {

namespace {

constexpr int kPatchesPerBank = 128;

QString SlotName(int bank, int patch) {
  return QString::fromStdString(BankLetter(static_cast<uint8_t>(bank))) + ":" +
         QString::number(patch);
}

// The results CLI.md allows; the finer reason goes to "detail".
const char *JsonResult(TFetchResult result) {
  switch (result) {
  case TFetchResult::Fetched:
    return "fetched";
  case TFetchResult::NotAvailable:
    return "not available";
  case TFetchResult::CutShort:
  case TFetchResult::NoAnswer:
  case TFetchResult::ServiceLost:
    return "no answer";
  case TFetchResult::Cancelled:
  case TFetchResult::NotAsked:
    break;
  }
  return "not sent";
}

// The name as the list shows it: 16 characters, bytes below 32 as blanks.
QString ListName(const TPatch &patch) {
  uint8_t name[kNameSize];
  patch.GetName(name);
  QString text;
  for (uint8_t byte : name)
    text += QChar(byte < 32 ? ' ' : static_cast<char16_t>(byte));
  return text;
}

const TPatch *FindPatch(const TPatchBank &fetched, int bank, int number) {
  for (int i = 0; i < fetched.Count(); ++i) {
    const TPatch &patch = fetched.GetPatch(i);
    if (patch.Bank == bank && patch.PatchNumber() + 1 == number)
      return &patch;
  }
  return nullptr;
}

QJsonObject Slot(const TFetchItem &item, int number, const TPatchBank &fetched) {
  QJsonObject slot;
  slot["slot"] = SlotName(item.bank, number);
  slot["type"] = "sid";
  const TPatch *patch =
      item.result == TFetchResult::Fetched ? FindPatch(fetched, item.bank, number) : nullptr;
  slot["name"] = patch ? QJsonValue(ListName(*patch)) : QJsonValue();
  slot["result"] = JsonResult(item.result);
  slot["detail"] = FetchResultText(item.result);
  slot["tries"] = item.tries;
  if (item.result == TFetchResult::Fetched)
    slot["checksum_ok"] = item.checksumOk;
  return slot;
}

bool Failed(const TFetchItem &item) {
  return item.result != TFetchResult::Fetched && item.result != TFetchResult::NotAvailable;
}

QString ItemName(const TFetchItem &item) {
  return item.patch > 0 ? SlotName(item.bank, item.patch)
                        : QString::fromStdString(BankLetter(static_cast<uint8_t>(item.bank)));
}

QString Listing(const QString &one, const QString &many, const QStringList &names) {
  return (names.size() == 1 ? one : many) + " " + names.join(", ");
}

} // namespace

QJsonArray SidFetchSlots(const TFetchReport &report, const TPatchBank &fetched) {
  QJsonArray list;
  for (const TFetchItem &item : report.items) {
    if (item.patch > 0) {
      list.append(Slot(item, item.patch, fetched));
      continue;
    }
    for (int number = 1; number <= kPatchesPerBank; ++number)
      list.append(Slot(item, number, fetched));
  }
  return list;
}

QJsonArray FmFetchSlots(const TFetchReport &report, const TFMPatchBank &voices,
                        const TFMPatchBank &drums, const TFMPatchBank &ensembles) {
  const TFmLists lists{voices, drums, ensembles};
  QJsonArray list;
  for (const TFetchItem &item : report.items) {
    QJsonObject slot;
    slot["slot"] = SlotName(item.bank, item.patch);
    slot["type"] = FmListName(item.type);
    QJsonValue name;
    if (item.type == kFmVoice && item.result == TFetchResult::Fetched)
      for (const TFMPatch &patch : lists.Of(item.type))
        if (patch.Bank() == item.bank && patch.PatchNumber() + 1 == item.patch) {
          uint8_t bytes[kNameSize];
          patch.GetName(bytes);
          QString text;
          for (uint8_t byte : bytes)
            text += QChar(byte < 32 ? ' ' : static_cast<char16_t>(byte));
          name = text;
        }
    slot["name"] = name;
    slot["result"] = JsonResult(item.result);
    slot["detail"] = FetchResultText(item.result);
    slot["tries"] = item.tries;
    if (item.result == TFetchResult::Fetched)
      slot["checksum_ok"] = item.checksumOk;
    list.append(slot);
  }
  return list;
}

namespace {

// "Banks C, H were not fetched (no complete answer)." over the items that
// failed so; empty when none did.
QString FailedText(const TFetchReport &report, bool cancelled) {
  QStringList names;
  bool patches = false;
  const TFetchItem *last = nullptr;
  for (const TFetchItem &item : report.items)
    if (Failed(item) && (item.result == TFetchResult::Cancelled) == cancelled &&
        !(report.cancelled && item.result == TFetchResult::NotAsked)) {
      names << ItemName(item);
      patches = item.patch > 0;
      last = &item;
    }
  if (names.isEmpty())
    return QString();
  const QString verb = names.size() == 1 ? " was" : " were";
  // What came after it was never asked for: the device may not even have it.
  if (cancelled)
    return (patches ? Listing("Patch", "Patches", names) : Listing("Bank", "Banks", names)) + verb +
           " cancelled; nothing after it was asked for.";
  const QString what =
      patches ? Listing("Patch", "Patches", names) : Listing("Bank", "Banks", names);
  return what + verb + " not fetched (" + QString::fromStdString(FetchFailureCause(*last)) + ").";
}

} // namespace

QString NotFetchedText(const TFetchReport &report) {
  QStringList parts;
  for (bool cancelled : {false, true}) {
    const QString part = FailedText(report, cancelled);
    if (!part.isEmpty())
      parts << part;
  }
  if (parts.isEmpty() && report.cancelled)
    parts << "The fetch was cancelled before anything was asked for.";
  return parts.join(' ');
}

QString InterruptedAgainText(const std::vector<TFetchItem> &fetched, const QString &savedTo) {
  const QString names = QString::fromStdString(ItemNames(fetched, TFetchResult::Fetched));
  if (names.isEmpty())
    return "Interrupted again: nothing was fetched.";
  return "Interrupted again: " + names +
         (savedTo.isEmpty() ? " fetched, not saved" : " saved to " + savedTo) +
         "; the rest not fetched.";
}

QString FetchedText(const TFetchReport &report) {
  QStringList names;
  bool patches = false;
  for (const TFetchItem &item : report.items)
    if (item.result == TFetchResult::Fetched) {
      names << ItemName(item);
      patches = item.patch > 0;
    }
  return patches ? Listing("patch", "patches", names) : Listing("bank", "banks", names);
}

} // namespace zpm::cli
