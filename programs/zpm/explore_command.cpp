// SPDX-License-Identifier: GPL-3.0-or-later
// zpm explore: variations of one patch of a file and crossings of two to
// four, written as zpm random writes its patches (or with --send into the
// synthesizer as it sends them), each kept in the library with its parents.
#include "explore/explore.h"
#include "random/random_send.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/device_session.h"
#include "zpm/explore_io.h"
#include "zpm/library_record.h"
#include "zpm/made_run.h"
#include "zpm/send_common.h"

#include <functional>
#include <map>

namespace zpm::cli {

namespace {

const char *const kExploreUsage =
    "Usage: zpm explore SUBCOMMAND [options]\n"
    "\n"
    "New sounds from patches of a .syx file, from a seed: the same inputs and seed give the\n"
    "same patches. Locked parameters, and those the range grid fixes, never change.\n"
    "\n"
    "Subcommands:\n"
    "  vary FILE --row N          variations of one patch, by an amount\n"
    "  cross FILE --rows LIST     crossings of 2 to 4 patches of one kind\n"
    "\n"
    "zpm explore SUBCOMMAND --help shows a subcommand's options.\n";

// The options both subcommands take besides their own.
void AddCommonOptions(CommandLine &line) {
  line.AddValueOption("count", "K", "The number of new patches, 1..128.");
  line.AddValueOption("seed", "S", "The random seed.");
  line.AddValueOption("lock", "NAME,...",
                      "Parameters that never change, by their names in zpm show (\"cutoff\"); "
                      "repeatable. \"Patch Name\" keeps the name without a number.");
  line.AddValueOption("name", "TEXT",
                      "The new patches' name before their number (default: the first patch's).");
  line.AddValueOption("bank", "L", "The bank the new patches are numbered in, A..H (default A).");
  line.AddValueOption("first", "N", "The first patch number (default 1).");
  line.AddValueOption("output", "FILE", "The file to write.");
  line.AddValueOption("set", "NAME=MIN:MAX",
                      "Replace one parameter's range in the range grid; repeatable.");
  line.AddFlag("send", "Send the new patches to the synthesizer instead of writing a file.");
  AddSendReportOptions(line, "With --send: send again up to N times (0..10, default 2) an FM "
                             "patch that was not acknowledged, and ask again for dumps of the "
                             "backup or the read-back.");
  AddDeviceOptions(line, true);
  AddLibraryOptions(line);
}

// What both subcommands read the same way, checked before the file is read.
struct TExploreLine {
  RandomRun run;
  TExploreOptions options;
  QStringList locks;
  QString output;
  bool send = false;
};

TExploreLine ParseCommon(const CommandLine &line) {
  TExploreLine parsed;
  parsed.run.Count = static_cast<int>(
      ParseNumberIn("--count", line.Required("count"), kRandomCountMin, kRandomCountMax));
  parsed.run.Seed = ParseNumberIn("--seed", line.Required("seed"), kRandomSeedMin, kRandomSeedMax);
  parsed.options.seed = static_cast<int32_t>(parsed.run.Seed);
  ParseRunPlace(line, parsed.run, false);
  for (const QString &locks : line.Values("lock"))
    parsed.locks += locks.split(',');
  parsed.options.baseName = line.Value("name").toStdString();
  parsed.send = line.IsSet("send");
  if (parsed.send == line.IsSet("output"))
    throw UsageError("Give exactly one of --output and --send.");
  for (const char *option : {"backup", "verify", "retries", "json"})
    if (!parsed.send && line.IsSet(option))
      throw UsageError(QString("--%1 goes with --send.").arg(QLatin1String(option)));
  if (!parsed.send)
    parsed.output = AbsolutePath(line.Value("output"));
  return parsed;
}

// The bank's slots of the kind, the grid of the --set lines, the locks by
// name: what needs the patches' kind.
void ApplyKind(const CommandLine &line, PatchKind kind, TExploreLine &parsed, RangeGrid &grid) {
  parsed.run.Slots = kind == PatchKind::FmDrumset    ? 16
                     : kind == PatchKind::FmEnsemble ? 32
                                                     : kRandomPatchMax;
  if (parsed.run.FirstPatch > parsed.run.Slots)
    throw UsageError(QString("--first %1: a bank of %2s has slots 1 to %3 only.")
                         .arg(parsed.run.FirstPatch)
                         .arg(QString::fromStdString(KindPhrase(kind)).section(' ', 1))
                         .arg(parsed.run.Slots));
  parsed.options.locks = LockNames(kind, parsed.locks);
  if (kind != PatchKind::Sid && kind != PatchKind::FmVoice) {
    if (line.IsSet("set"))
      throw UsageError(QString("--set changes the range grid, which only SID patches and FM "
                               "voices have; %1 has none.")
                           .arg(QString::fromStdString(KindPhrase(kind))));
    return;
  }
  grid = kind == PatchKind::Sid ? MakeSidRandomGrid() : MakeFmRandomGrid();
  ApplyGridSettings(line, grid);
  parsed.options.grid = &grid;
}

// Writes the new patches, or sends them, and keeps them in the library.
int Finish(const CommandLine &line, TExploreLine &parsed, const std::vector<Bytes> &made,
           const std::vector<Bytes> &parents, const TMaking &making) {
  const TPlacedPatches placed = PlaceCandidates(made, parsed.run);
  if (!parsed.send) {
    WriteWholeFile(parsed.output, placed.file);
    PrintOut(
        QString::fromStdString(RandomRunSummary(parsed.run, RandomRunLength(parsed.run)) + "\n"));
  }
  RecordCandidates(line, made, parents, making);
  if (!parsed.send)
    return ExitDone;
  return SendMadeRun(line, parsed.run, placed.sid, placed.fm, placed.isFm, false);
}

// The core's refusals of options (an amount, a lock, a name) are bad usage.
template <typename Make> std::vector<Bytes> Made(Make make) {
  try {
    return make();
  } catch (const TExploreMismatch &) {
    throw;
  } catch (const TExploreError &e) {
    throw UsageError(QString::fromStdString(e.what()));
  }
}

int RunVary(const QStringList &args) {
  CommandLine line("zpm explore vary FILE --row N --count K --amount P --seed S [--lock NAME,...] "
                   "(--output OUT | --send ...) [--name TEXT] [--bank L] [--first N] "
                   "[--set NAME=MIN:MAX ...] [device options]",
                   "Writes K variations of one patch of FILE: each number moves up to P percent "
                   "of its range either way, each choice changes with P percent probability.");
  line.AddValueOption("row", "N",
                      "The patch's row as zpm info lists the file, from 0 (for FM: the voices, "
                      "then the drumsets, then the ensembles).");
  line.AddValueOption("amount", "P", "How far the variations go, 0..100 percent.");
  AddCommonOptions(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const int row = ParseNumber("--row", line.Required("row"));
  const int amount = static_cast<int>(
      ParseNumberIn("--amount", line.Required("amount"), kExploreAmountMin, kExploreAmountMax));
  TExploreLine parsed = ParseCommon(line);
  parsed.options.amount = amount;
  // Nothing moves at amount 0: the copies keep the parent's name too.
  if (amount == 0 && !line.IsSet("name"))
    parsed.options.naming = TExploreNaming::Kept;

  const TFileParents file = ReadParents(line.Positional(0), std::vector<int>{row});
  RangeGrid grid = MakeSidRandomGrid();
  ApplyKind(line, file.kind, parsed, grid);
  const std::vector<Bytes> made = Made(
      [&] { return VaryPatch(file.parents.front(), RandomRunLength(parsed.run), parsed.options); });
  TMaking making;
  making.how = TMadeBy::Vary;
  making.amount = amount;
  making.hasSeed = true;
  making.seed = parsed.run.Seed;
  return Finish(line, parsed, made, file.parents, making);
}

int RunCross(const QStringList &args) {
  CommandLine line("zpm explore cross FILE --rows LIST --count K --seed S [--lock NAME,...] "
                   "(--output OUT | --send ...) [--beyond] [--mix-algorithms] [--name TEXT] "
                   "[--bank L] [--first N] [--set NAME=MIN:MAX ...] [device options]",
                   "Writes K crossings of 2 to 4 patches of FILE of one kind: each parameter "
                   "from one of them, a number also from a point between them.");
  line.AddValueOption("rows", "LIST",
                      "The patches' rows as zpm info lists the file, such as 0,3 or 2-4 (for "
                      "FM: the voices, then the drumsets, then the ensembles).");
  line.AddFlag("beyond", "A number may also land a little past the patches' values.");
  line.AddFlag("mix-algorithms", "Cross FM voices of different algorithms too.");
  AddCommonOptions(line);
  if (!line.Parse(args, 1))
    return ExitDone;
  const QString rowsText = line.Required("rows");
  TExploreLine parsed = ParseCommon(line);
  parsed.options.beyond = line.IsSet("beyond");
  parsed.options.mixAlgorithms = line.IsSet("mix-algorithms");

  const TFileParents file = ReadParents(line.Positional(0), rowsText);
  if (file.parents.size() < 2 || file.parents.size() > 4)
    throw UsageError(
        QString("A crossing takes 2 to 4 patches; --rows names %1.").arg(file.parents.size()));
  const std::string refusal = CrossRefusal(file.parents, parsed.options.mixAlgorithms, file.names);
  if (!refusal.empty())
    throw UsageError(QString::fromStdString(refusal) +
                     (refusal.find("algorithms") != std::string::npos
                          ? " Give --mix-algorithms to cross them anyway."
                          : ""));
  RangeGrid grid = MakeSidRandomGrid();
  ApplyKind(line, file.kind, parsed, grid);
  const std::vector<Bytes> made =
      Made([&] { return CrossPatches(file.parents, RandomRunLength(parsed.run), parsed.options); });
  TMaking making;
  making.how = TMadeBy::Cross;
  making.hasSeed = true;
  making.seed = parsed.run.Seed;
  return Finish(line, parsed, made, file.parents, making);
}

} // namespace

int RunExplore(const QStringList &args) {
  const std::map<QString, std::function<int(const QStringList &)>> subcommands = {
      {"vary", RunVary}, {"cross", RunCross}};
  if (args.isEmpty())
    throw UsageError("zpm explore needs a subcommand. Run zpm explore --help for them.");
  if (args.first() == "--help" || args.first() == "help") {
    PrintOut(kExploreUsage);
    return ExitDone;
  }
  const auto found = subcommands.find(args.first());
  if (found == subcommands.end())
    throw UsageError(QString("zpm explore has no subcommand \"%1\". Run zpm explore --help for "
                             "them.")
                         .arg(args.first()));
  return found->second(args.mid(1));
}

} // namespace zpm::cli
