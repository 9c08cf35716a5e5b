// SPDX-License-Identifier: GPL-3.0-or-later
// zpm library history and export: the synthesizer's banks as the library
// remembers them, and sets of library patches written out as a .syx file.
#include "library/library_files.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/library_output.h"
#include "zpm/patch_file.h"

#include <QRegularExpression>

namespace zpm::cli {

namespace {

QString Text(const std::string &ascii) {
  return QString::fromStdString(ascii);
}

int64_t ParseTime(const QString &option, const QString &text) {
  int64_t ms = 0;
  if (!ParseIsoTime(text.toStdString(), ms))
    throw UsageError(QString("%1 needs a date such as 2026-12-07 or a date and time such as "
                             "2026-12-07T19:53, not \"%2\".")
                         .arg(option, text));
  return ms;
}

// "C:1-16, C:20": a snapshot's slots of one bank, runs joined.
QString SlotRuns(int bank, const std::vector<int> &numbers) {
  QStringList runs;
  for (size_t i = 0; i < numbers.size();) {
    size_t end = i;
    while (end + 1 < numbers.size() && numbers[end + 1] == numbers[end] + 1)
      ++end;
    QString run = Text(SlotName(bank, numbers[i]));
    if (end > i)
      run += QString("-%1").arg(numbers[end] + 1);
    runs << run;
    i = end + 1;
  }
  return runs.join(", ");
}

int ShowBankAt(TLibrary &library, const TBankName &bank, int64_t time, bool json) {
  const std::vector<TBankSlot> slotList = library.BankAt(bank.kind, bank.bank, time);
  if (json) {
    std::string out = "{\"bank\": " + JsonString(BankNameText(bank)) +
                      ", \"at\": " + JsonString(IsoTime(time)) + ", \"slots\": [";
    for (size_t i = 0; i < slotList.size(); ++i) {
      const TBankSlot &slot = slotList[i];
      out += std::string(i ? ",\n  " : "\n  ") +
             "{\"slot\": " + JsonString(SlotName(bank.bank, slot.number)) +
             ", \"id\": " + (slot.id ? std::to_string(slot.id) : "null") +
             ", \"name\": " + (slot.name ? JsonBytes(*slot.name) : "null") + "}";
    }
    PrintOutBytes(QByteArray::fromStdString(out + "\n]}\n"));
    return ExitDone;
  }
  int known = 0;
  QString lines;
  for (const TBankSlot &slot : slotList) {
    known += slot.id != 0;
    lines += QString("  %1  %2\n")
                 .arg(Text(SlotName(bank.bank, slot.number)), -6)
                 .arg(slot.id == 0 ? QString("unknown")
                                   : QString("%1  %2")
                                         .arg(slot.id, 6)
                                         .arg(slot.name ? ShownBytes(*slot.name) : QString("-")));
  }
  PrintOut(QString("%1 at %2: %3 of %4 slots known.\n")
               .arg(Text(BankNameText(bank)), Text(IsoTime(time)))
               .arg(known)
               .arg(slotList.size()) +
           lines);
  return ExitDone;
}

} // namespace

int RunLibraryHistory(const QStringList &args) {
  CommandLine line(
      "zpm library history sid:L | fm:voice|drumset|ensemble:L [--at TIME] [--json] "
      "[--library FILE]",
      "Lists the snapshots (fetches and sends) that touched a bank of the synthesizer, newest "
      "first, with how many slots each changed; with --at, the bank as it was at that time.");
  line.AddValueOption("at", "TIME",
                      "A date (2026-12-07, its end) or a date and time (2026-12-07T19:53), "
                      "local unless it ends in Z or an offset.");
  line.AddFlag("json", "Print one JSON document.");
  AddLibraryOption(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const TBankName bank = ParseBankName("The bank", line.Positional(0));
  const bool json = line.IsSet("json");
  const int64_t at = line.IsSet("at") ? ParseTime("--at", line.Value("at")) : 0;
  const auto library = OpenLibrary(line);
  if (line.IsSet("at"))
    return ShowBankAt(*library, bank, at, json);

  const std::vector<TSnapshotRow> history = library->History(bank.kind, bank.bank);
  if (json) {
    std::string out = "{\"bank\": " + JsonString(BankNameText(bank)) + ", \"snapshots\": [";
    for (size_t i = 0; i < history.size(); ++i) {
      const TSnapshotRow &snapshot = history[i];
      std::string slotList;
      for (size_t k = 0; k < snapshot.numbers.size(); ++k)
        slotList += (k ? ", " : "") + JsonString(SlotName(bank.bank, snapshot.numbers[k]));
      out += std::string(i ? ",\n  " : "\n  ") + "{\"id\": " + std::to_string(snapshot.id) +
             ", \"time\": " + JsonString(IsoTime(snapshot.time)) +
             ", \"source\": " + JsonString(snapshot.source) + ", \"slots\": [" + slotList +
             "], \"changed\": " + std::to_string(snapshot.changed) +
             ", \"device\": " + std::to_string(snapshot.device) + "}";
    }
    out += history.empty() ? "]}\n" : "\n]}\n";
    PrintOutBytes(QByteArray::fromStdString(out));
    return ExitDone;
  }
  if (history.empty()) {
    PrintOut(QString("The library has no snapshot of %1.\n").arg(Text(BankNameText(bank))));
    return ExitDone;
  }
  QString text = QString("%1: %2, newest first.\n")
                     .arg(Text(BankNameText(bank)))
                     .arg(history.size() == 1 ? QString("1 snapshot")
                                              : QString("%1 snapshots").arg(history.size()));
  for (const TSnapshotRow &snapshot : history)
    text += QString("  #%1  %2  %3  device %4  %5  %6 changed\n")
                .arg(snapshot.id)
                .arg(Text(IsoTime(snapshot.time)))
                .arg(Text(snapshot.source), -5)
                .arg(snapshot.device)
                .arg(SlotRuns(bank.bank, snapshot.numbers))
                .arg(snapshot.changed);
  PrintOut(text);
  return ExitDone;
}

namespace {

// The IDs of --ids: IDs, hash prefixes and runs of IDs such as 4-9.
std::vector<int64_t> ListedIds(TLibrary &library, const QString &list) {
  static const QRegularExpression run("^(\\d{1,18})-(\\d{1,18})$");
  std::vector<int64_t> ids;
  for (const QString &part : list.split(',')) {
    const QString item = part.trimmed();
    const QRegularExpressionMatch match = run.match(item);
    if (!match.hasMatch()) {
      ids.push_back(library.Resolve(ArgumentString(item)));
      continue;
    }
    const int64_t first = match.captured(1).toLongLong(), last = match.captured(2).toLongLong();
    if (last < first || last - first >= 8 * 128)
      throw UsageError(
          QString("--ids: the run %1 must go upwards and hold at most 1024 IDs.").arg(item));
    for (int64_t id = first; id <= last; ++id)
      ids.push_back(library.Resolve(std::to_string(id)));
  }
  return ids;
}

std::vector<TStoredPatch> Stored(TLibrary &library, const std::vector<int64_t> &ids) {
  std::vector<TStoredPatch> patches;
  for (int64_t id : ids)
    patches.push_back(library.Patch(id));
  return patches;
}

struct TExportSet {
  std::vector<TPlacedPatch> placed;
  int device = 0;
  QString where; // how the patches are placed in the file
};

struct TBankAt {
  TBankName bank;
  int64_t time = 0;
};

TBankAt ParseBankAt(const QString &text) {
  const qsizetype at = text.indexOf('@');
  if (at < 0)
    throw UsageError(
        QString("--bank-at needs a bank and a time such as sid:C@2026-12-07, not \"%1\".")
            .arg(text));
  return {ParseBankName("--bank-at", text.left(at)), ParseTime("--bank-at", text.mid(at + 1))};
}

TExportSet BankAtSet(TLibrary &library, const TBankAt &state) {
  const TBankName &bank = state.bank;
  const int64_t time = state.time;
  TExportSet set;
  int unknown = 0;
  for (const TBankSlot &slot : library.BankAt(bank.kind, bank.bank, time)) {
    if (slot.id == 0) {
      ++unknown;
      continue;
    }
    TPlacedPatch placed;
    placed.patch = library.Patch(slot.id).patch;
    placed.bank = bank.bank;
    placed.number = slot.number;
    placed.id = slot.id;
    set.placed.push_back(placed);
  }
  const QString name = Text(BankNameText(bank)), when = Text(IsoTime(time));
  if (set.placed.empty())
    throw ZpmError(QString("The library knows no slot of %1 at %2, so nothing was written. "
                           "zpm library history %1 lists its snapshots.")
                       .arg(name, when)
                       .toStdString());
  if (unknown > 0)
    PrintErr(QString("%1 of the %2 slots of %3 were unknown at %4 and are not in the file.\n")
                 .arg(unknown)
                 .arg(SlotsPerBank(bank.kind))
                 .arg(name, when));
  set.device = DeviceAt(library, bank, time);
  set.where = "each at its own bank and number";
  return set;
}

TExportSet SnapshotSet(TLibrary &library, int64_t snapshot) {
  TExportSet set;
  set.placed = library.SnapshotSlots(snapshot);
  if (set.placed.empty())
    throw ZpmError(
        QString("Snapshot %1 holds no slot, so nothing was written.").arg(snapshot).toStdString());
  const TBankName bank{set.placed.front().patch.kind, set.placed.front().bank};
  for (const TSnapshotRow &row : library.History(bank.kind, bank.bank))
    if (row.id == snapshot)
      set.device = row.device;
  set.where = "each at its own bank and number";
  return set;
}

TExportSet UserBankSet(TLibrary &library, const QString &name) {
  const TUserBank bank = library.UserBankNamed(ArgumentString(name));
  TExportSet set;
  const std::vector<int64_t> slotList = library.UserBankSlots(bank.id);
  for (size_t slot = 0; slot < slotList.size(); ++slot) {
    if (slotList[slot] == 0)
      continue;
    TPlacedPatch placed;
    placed.patch = library.Patch(slotList[slot]).patch;
    placed.number = static_cast<int>(slot);
    placed.id = slotList[slot];
    set.placed.push_back(placed);
  }
  if (set.placed.empty())
    throw ZpmError(QString("The user bank \"%1\" is empty, so nothing was written.")
                       .arg(ShownBytes(bank.name))
                       .toStdString());
  // The bank it goes to is chosen when it is sent: --from-bank A --to-bank L.
  set.where = "at their slot numbers in bank A";
  return set;
}

} // namespace

int RunLibraryExport(const QStringList &args) {
  CommandLine line(
      "zpm library export (--ids LIST | --search TEXT [filters] | --bank-at BANK@TIME | "
      "--snapshot N | --user-bank NAME) --output FILE [--library FILE]",
      "Writes patches of the library into a .syx file. A bank state (BANK as sid:L or "
      "fm:voice|drumset|ensemble:L) or a snapshot puts every patch at its own bank and number, "
      "ready to be sent back; a user bank puts its patches at their slot numbers in bank A; "
      "other sets are numbered from A:1 in the order listed.");
  line.AddValueOption("ids", "LIST", "Patches by ID or hash, such as 3,8-12,0f3a9c41.");
  line.AddValueOption("search", "TEXT",
                      "The patches zpm library search TEXT lists with the filters below.");
  AddSearchOptions(line);
  line.AddValueOption("bank-at", "BANK@TIME",
                      "A bank as it was at a time, such as sid:C@2026-12-07.");
  line.AddValueOption("snapshot", "N", "The slots of a snapshot, as zpm library history lists it.");
  line.AddValueOption("user-bank", "NAME", "A user bank.");
  line.AddValueOption("output", "FILE", "The .syx file to write.");
  AddLibraryOption(line);
  if (!line.Parse(args, 0))
    return ExitDone;
  int sources = 0;
  for (const char *source : {"ids", "search", "bank-at", "snapshot", "user-bank"})
    sources += line.IsSet(source);
  if (sources != 1)
    throw UsageError("Give one of --ids, --search, --bank-at, --snapshot or --user-bank.");
  if (!line.IsSet("search"))
    for (const char *filter : {"kind", "tag", "favourite", "file"})
      if (line.IsSet(filter))
        throw UsageError(QString("--%1 filters --search; give it with --search.").arg(filter));
  const QString output = AbsolutePath(line.Required("output"));
  const int64_t snapshot = line.IsSet("snapshot")
                               ? ParseNumberIn("--snapshot", line.Value("snapshot"), 1, INT64_MAX)
                               : 0;
  const TSearch search = SearchOf(line, line.Value("search"));
  const TBankAt bankAt = line.IsSet("bank-at") ? ParseBankAt(line.Value("bank-at")) : TBankAt{};
  const auto library = OpenLibrary(line);

  TExportSet set;
  if (line.IsSet("bank-at")) {
    set = BankAtSet(*library, bankAt);
  } else if (snapshot) {
    set = SnapshotSet(*library, snapshot);
  } else if (line.IsSet("user-bank")) {
    set = UserBankSet(*library, line.Value("user-bank"));
  } else {
    std::vector<int64_t> ids;
    if (line.IsSet("ids")) {
      ids = ListedIds(*library, line.Value("ids"));
    } else {
      for (const TPatchRow &row : library->Search(search))
        ids.push_back(row.id);
      if (ids.empty())
        throw ZpmError("No patch in the library matches, so nothing was written.");
    }
    set.placed = PlaceFromFirstSlot(Stored(*library, ids));
    set.where = "numbered from A:1 in the order listed";
  }
  const Bytes file = PlacedPatchFile(set.placed, set.device);

  QStringList marked;
  for (const TPlacedPatch &placed : set.placed)
    if (placed.patch.flaws != kFlawNone)
      marked << QString("%1 (%2)").arg(PatchLabel(library->Row(placed.id)),
                                       Text(FlawText(placed.patch.flaws)));
  WriteWholeFile(output, file);
  if (!marked.isEmpty())
    PrintErr("Marked in the library, written with a checksum that matches their bytes: " +
             marked.join(", ") + ".\n");
  PrintOut(QString("Wrote %1 patch%2 to %3, %4.\n")
               .arg(set.placed.size())
               .arg(set.placed.size() == 1 ? "" : "es")
               .arg(output, set.where));
  return ExitDone;
}

} // namespace zpm::cli
