#include "app/sid/sid_load_notice.h"

#include "sid/sid_list.h"

#include <QStringList>

namespace zpm {

namespace {

// Past this many, the checksum notice counts the rest instead of naming them.
constexpr int kNamedPatches = 10;

// A patch as the list shows it: "B:17".
QString SlotText(const TPatchBank &bank, int row) {
  const SidListRow text = SidListText(bank.GetPatch(row));
  return QString::fromLatin1(text.bank.c_str()) + ':' + QString::number(text.number);
}

} // namespace

QString SidLoadNotice(const TSidLoadReport &report, const TPatchBank &loaded) {
  QStringList parts;
  if (report.cutShortRow >= 0 && report.cutShortRow < loaded.Count()) {
    const size_t missing = kSidDumpSize - report.cutShortBytes;
    parts << QStringLiteral("The file ends inside patch %1 (row %2 of the list): only %3 of its "
                            "%4 bytes were in the file, so its last %5 bytes are blank.")
                 .arg(SlotText(loaded, report.cutShortRow))
                 .arg(report.cutShortRow + 1)
                 .arg(report.cutShortBytes)
                 .arg(kSidDumpSize)
                 .arg(missing);
  }
  const auto wrong = static_cast<int>(report.wrongChecksumRows.size());
  if (wrong > 0) {
    QStringList named;
    for (int i = 0; i < wrong && i < kNamedPatches; ++i)
      named << SlotText(loaded, report.wrongChecksumRows[static_cast<size_t>(i)]);
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

} // namespace zpm
