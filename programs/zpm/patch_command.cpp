// SPDX-License-Identifier: GPL-3.0-or-later
// zpm patch set: one patch of a .syx file changed as the editor changes it,
// written in place of the original dump with every other byte of the file
// as it was.
#include "edit/patch_edit.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/library_output.h"
#include "zpm/library_record.h"
#include "zpm/patch_file.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zpm::cli {

namespace {

const char *const kPatchUsage = "Usage: zpm patch SUBCOMMAND [options]\n"
                                "\n"
                                "One patch of a .syx file.\n"
                                "\n"
                                "Subcommands:\n"
                                "  set FILE --row N NAME=VALUE...  change parameters of one patch\n"
                                "\n"
                                "zpm patch SUBCOMMAND --help shows a subcommand's options.\n";

// One NAME=VALUE as typed. The value is what follows the last '=': labels
// such as "BD FM/AM (0=FM, 1=AM)" hold one, no value does.
struct Setting {
  QString text;
  std::string name, value;
};

std::vector<Setting> ParseSettings(const QStringList &texts) {
  std::vector<Setting> settings;
  for (const QString &text : texts) {
    const qsizetype equals = text.lastIndexOf('=');
    if (equals <= 0)
      throw UsageError(
          QString("\"%1\" is not NAME=VALUE, such as cutoff=64 or \"Voice1 Attack=10\".")
              .arg(text));
    settings.push_back(
        {text, ArgumentString(text.left(equals)), ArgumentString(text.mid(equals + 1))});
  }
  return settings;
}

// Every setting, then the name, onto the patch; a name or a value it cannot
// take is bad usage, said before anything is written.
void ApplySettings(TPatchEdit &edit, const std::vector<Setting> &settings,
                   const std::optional<std::string> &name) {
  try {
    for (const Setting &setting : settings) {
      const EditField *field = FindEditField(edit.Kind(), setting.name);
      if (!field)
        throw UsageError(QString("%1 has no parameter \"%2\"; zpm show FILE lists them by the "
                                 "names to use.")
                             .arg(QString::fromStdString(KindPhrase(edit.Kind())),
                                  QString::fromStdString(setting.name)));
      if (field->Kind == EditKind::Name) {
        edit.SetName(setting.value);
        continue;
      }
      int value = 0;
      if (!ParseFieldValue(*field, setting.value, value))
        throw UsageError(QString("\"%1\" takes %2, not \"%3\".")
                             .arg(QString::fromStdString(field->Label),
                                  QString::fromStdString(field->RangeText()),
                                  QString::fromStdString(setting.value)));
      edit.SetValue(*field, value);
    }
    if (name)
      edit.SetName(*name);
  } catch (const EditError &error) {
    throw UsageError(QString::fromStdString(error.what()));
  }
}

// The patch of the row as it can be changed: a whole dump of its own.
TPatchEdit EditOfRow(const LoadedFile &file, const FileRow &row, int number) {
  if (RowCutShort(file, row))
    throw ZpmError(QString("Row %1 of %2 is cut short by the end of the file, so it cannot be "
                           "changed; only the rows before it can.")
                       .arg(number)
                       .arg(file.path)
                       .toStdString());
  if (file.DumpOffsets(row.list).empty())
    throw ZpmError(QString("%1 holds one whole-bank dump, whose patches have no dump of their "
                           "own to change. Load it in the window and save it with \"Save all "
                           "patches to SysEx file\", then change that file.")
                       .arg(file.path)
                       .toStdString());
  try {
    return TPatchEdit(file.Image(row.list, row.index));
  } catch (const EditError &error) {
    throw ZpmError(
        QString("Row %1 of %2: %3").arg(number).arg(file.path, error.what()).toStdString());
  }
}

// The fields the edit changed, as the editor shows their values.
QString ChangesText(const TPatchEdit &edit) {
  const TPatchEdit original(edit.Original());
  QString text;
  if (edit.Name() != original.Name())
    text += QString("  Patch Name: \"%1\" -> \"%2\"\n")
                .arg(QString::fromLatin1(original.Name()), QString::fromLatin1(edit.Name()));
  for (const EditField &field : edit.Fields()) {
    if (field.Kind == EditKind::Name || edit.Value(field) == original.Value(field))
      continue;
    text += QString("  %1: %2 -> %3\n")
                .arg(QString::fromStdString(field.Label),
                     QString::fromStdString(field.ValueText(original.Value(field))),
                     QString::fromStdString(field.ValueText(edit.Value(field))));
  }
  return text;
}

int RunPatchSet(const QStringList &args) {
  const QString usage = "zpm patch set FILE --row N NAME=VALUE... [--name TEXT] --output OUT "
                        "[--no-library] [--library FILE]";
  CommandLine line(usage,
                   "Changes parameters of one patch of a .syx file and writes the file with "
                   "that patch changed to OUT (which may be FILE itself); every other byte of "
                   "the file stays as it was. NAME is a parameter's label as zpm show lists "
                   "it, in any case, spaces and underscores alike (cutoff, \"Voice1 "
                   "Attack\"); VALUE is a number in its range or, for a choice, one of its "
                   "values as the editor shows them. The new patch is kept in the library "
                   "as made from the original.");
  line.AddValueOption("row", "N",
                      "The patch's row as zpm info lists the file, from 0 (for FM: the "
                      "voices, then the drumsets, then the ensembles, counted on).");
  line.AddValueOption("name", "TEXT",
                      "The patch's new name: at most 16 plain characters (20h..7Eh).");
  line.AddValueOption("output", "OUT", "The file to write.");
  AddLibraryOptions(line);
  if (!line.Parse(args, 1, -1))
    return ExitDone;
  const int number = ParseNumber("--row", line.Required("row"));
  const QString output = AbsolutePath(line.Required("output"));
  const std::vector<Setting> settings = ParseSettings(line.Positionals().mid(1));
  std::optional<std::string> name;
  if (line.IsSet("name"))
    name = ArgumentString(line.Value("name"));
  if (settings.empty() && !name)
    throw UsageError(QString("Nothing to change: give NAME=VALUE or --name. Usage: %1").arg(usage));

  const LoadedFile file = LoadPatchFile(line.Positional(0), FileKind::Auto);
  const FileRow row = RowOfFile(file, number);
  TPatchEdit edit = EditOfRow(file, row, number);
  ApplySettings(edit, settings, name);

  Bytes bytes = file.data;
  const Bytes &image = edit.Current();
  const size_t offset = file.DumpOffsets(row.list)[static_cast<size_t>(row.index)];
  std::copy(image.begin(), image.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
  WriteWholeFile(output, bytes);

  const QString changes = ChangesText(edit);
  QString text = QString("Row %1 of %2").arg(number).arg(file.path);
  if (file.fm)
    text += QString(" (%1 index %2)").arg(ListName(row.list)).arg(row.index);
  text += ":\n";
  if (!changes.isEmpty())
    text += changes;
  else if (edit.Changed())
    text += "  only its checksum, which did not match its data and now does.\n";
  else
    text += "  nothing changed: the patch already held those values.\n";
  text += QString("Written to %1.\n").arg(output);
  PrintOut(text);
  const TKeptEdit kept = RecordEdit(line, edit.Current(), edit.Original());
  if (kept.id != 0)
    PrintOut(QString("Kept in the library as patch %1, made from patch %2.\n")
                 .arg(kept.id)
                 .arg(kept.parent));
  return ExitDone;
}

} // namespace

int RunPatch(const QStringList &args) {
  if (args.isEmpty())
    throw UsageError("zpm patch needs a subcommand. Run zpm patch --help for them.");
  if (args.first() == "--help" || args.first() == "help") {
    PrintOut(kPatchUsage);
    return ExitDone;
  }
  if (args.first() != "set")
    throw UsageError(QString("zpm patch has no subcommand \"%1\". Run zpm patch --help for them.")
                         .arg(args.first()));
  return RunPatchSet(args.mid(1));
}

} // namespace zpm::cli
