// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/load_notice.h"

#include "fm/fm_list.h"
#include "fm/fm_send.h"
#include "sid/sid_list.h"

#include <QStringList>

namespace zpm {

namespace {

// Past this many, the checksum notice counts the rest instead of naming them.
constexpr int kNamedPatches = 10;

// What one load found, with each patch named as its page shows it.
struct TLoadFindings {
  QString cutShortPatch; // empty when no patch was cut short
  QString cutShortList;  // the list its row is in: "the list", "the voices list"
  int cutShortRow = -1;
  size_t cutShortBytes = 0;
  size_t dumpSize = 0;
  QStringList wrongChecksumPatches;
};

QString LoadNotice(const TLoadFindings &found) {
  QStringList parts;
  if (!found.cutShortPatch.isEmpty())
    parts << QStringLiteral("The file ends inside patch %1 (row %2 of %3): only %4 of its %5 "
                            "bytes were in the file, so its last %6 bytes are blank.")
                 .arg(found.cutShortPatch)
                 .arg(found.cutShortRow + 1)
                 .arg(found.cutShortList)
                 .arg(found.cutShortBytes)
                 .arg(found.dumpSize)
                 .arg(found.dumpSize - found.cutShortBytes);
  const auto wrong = static_cast<int>(found.wrongChecksumPatches.size());
  if (wrong > 0) {
    QStringList named = found.wrongChecksumPatches.mid(0, kNamedPatches);
    if (wrong > kNamedPatches)
      named << QStringLiteral("and %1 more").arg(wrong - kNamedPatches);
    parts << (wrong == 1 ? QStringLiteral("The checksum of patch %1 does not match its data.")
                               .arg(named.join(", "))
                         : QStringLiteral("The checksums of %1 patches do not match their data: "
                                          "%2.")
                               .arg(wrong)
                               .arg(named.join(", ")));
    parts << QStringLiteral("Such patches are loaded as the file holds them; check them before "
                            "sending them.");
  }
  return parts.join(' ');
}

// A SID patch as the list shows it: "B:17".
QString SidSlotText(const TPatchBank &bank, int row) {
  const SidListRow text = SidListText(bank.GetPatch(row));
  return QString::fromLatin1(text.bank.c_str()) + ':' + QString::number(text.number);
}

// An FM patch as its list shows it: "A:3".
QString FmSlotText(const TFMPatchBank &bank, const TFmLoadRow &row) {
  const FmListRow text = FmListText(bank.GetPatch(row.index), row.type);
  return QString::fromLatin1(text.bank.c_str()) + ':' + QString::number(text.number);
}

} // namespace

QString SidLoadNotice(const TSidLoadReport &report, const TPatchBank &loaded) {
  TLoadFindings found;
  if (report.cutShortRow >= 0 && report.cutShortRow < loaded.Count()) {
    found.cutShortPatch = SidSlotText(loaded, report.cutShortRow);
    found.cutShortList = QStringLiteral("the list");
    found.cutShortRow = report.cutShortRow;
    found.cutShortBytes = report.cutShortBytes;
    found.dumpSize = kSidDumpSize;
  }
  for (int row : report.wrongChecksumRows)
    found.wrongChecksumPatches << SidSlotText(loaded, row);
  return LoadNotice(found);
}

QString FmLoadNotice(const TFmLoadReport &report, const TFMPatchBank &voices,
                     const TFMPatchBank &drums, const TFMPatchBank &ensembles) {
  const TFmLists lists{voices, drums, ensembles};
  const auto inList = [&](const TFmLoadRow &row) {
    return row.index >= 0 && row.index < lists.Of(row.type).Count();
  };
  TLoadFindings found;
  if (report.cutShort && inList(report.cutShortRow)) {
    found.cutShortPatch = FmSlotText(lists.Of(report.cutShortRow.type), report.cutShortRow);
    found.cutShortList = QStringLiteral("the %1 list").arg(FmListName(report.cutShortRow.type));
    found.cutShortRow = report.cutShortRow.index;
    found.cutShortBytes = report.cutShortBytes;
    found.dumpSize = kFmDumpSize;
  }
  for (const TFmLoadRow &row : report.wrongChecksumRows)
    if (inList(row))
      found.wrongChecksumPatches << QStringLiteral("%1 of the %2")
                                        .arg(FmSlotText(lists.Of(row.type), row),
                                             QLatin1String(FmListName(row.type)));
  return LoadNotice(found);
}

} // namespace zpm
