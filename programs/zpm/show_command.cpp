// SPDX-License-Identifier: GPL-3.0-or-later
// zpm show: one patch as the patch viewer shows it.
#include "patch/error.h"
#include "viewer/patch_view.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/patch_file.h"
#include "zpm/patch_view_output.h"

#include <algorithm>

namespace zpm::cli {

namespace {

PatchViewText ViewOf(const LoadedFile &file, PatchList list, int index) {
  switch (list) {
  case PatchList::Sid:
    return ViewSidPatch(file.sid.GetPatch(index));
  case PatchList::Voices:
    return ViewFmPatch(file.voices.GetPatch(index));
  case PatchList::Drumsets:
    return ViewFmPatch(file.drums.GetPatch(index));
  case PatchList::Ensembles:
    return ViewFmPatch(file.ensembles.GetPatch(index));
  }
  throw ZpmError("Unknown patch list.");
}

} // namespace

int RunShow(const QStringList &args) {
  CommandLine line("zpm show FILE [--list sid|voices|drumsets|ensembles] [--index N] [--json]",
                   "Shows one patch of a .syx file as the patch viewer does.");
  line.AddValueOption("list", "sid|voices|drumsets|ensembles", "The list the patch is in.");
  line.AddValueOption("index", "N", "The patch's row in its list, from 0.");
  line.AddFlag("json", "Print one JSON document.");
  if (!line.Parse(args, 1))
    return ExitDone;

  PatchList list = PatchList::Sid;
  FileKind kind = FileKind::Auto;
  if (line.IsSet("list")) {
    if (!ParseListName(line.Value("list"), list))
      throw UsageError(QString("--list is sid, voices, drumsets or ensembles, not \"%1\".")
                           .arg(line.Value("list")));
    kind = list == PatchList::Sid ? FileKind::Sid : FileKind::Fm;
  }
  const int index = line.IsSet("index") ? ParseNumber("--index", line.Value("index")) : 0;
  const LoadedFile file = LoadPatchFile(line.Positional(0), kind);

  if (!line.IsSet("list")) {
    const std::vector<PatchList> lists = file.Lists();
    const auto filled =
        std::find_if(lists.begin(), lists.end(), [&](PatchList l) { return file.Count(l) > 0; });
    if (filled == lists.end())
      throw ZpmError(file.path.toStdString() + " holds no patches.");
    list = *filled;
  }
  const int count = file.Count(list);
  if (index >= count)
    throw ZpmError(
        (count == 0 ? QString("The %1 list of %2 is empty, so there is no index %3.")
                          .arg(ListName(list), file.path)
                          .arg(index)
                    : QString("--index %1 is outside 0..%2: the %3 list of %4 holds %5 patch%6.")
                          .arg(index)
                          .arg(count - 1)
                          .arg(ListName(list), file.path)
                          .arg(count)
                          .arg(count == 1 ? "" : "es"))
            .toStdString());
  const PatchViewText view = ViewOf(file, list, index);

  if (line.IsSet("json")) {
    const std::string json = "{" + PatchViewJsonMembers(view) + "}\n";
    PrintOutBytes(QByteArray::fromStdString(json));
    return ExitDone;
  }
  PrintOut(PatchViewListing(view));
  return ExitDone;
}

} // namespace zpm::cli
