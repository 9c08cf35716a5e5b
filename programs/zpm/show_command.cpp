// SPDX-License-Identifier: GPL-3.0-or-later
// zpm show: one patch as the patch viewer shows it.
#include "patch/error.h"
#include "viewer/patch_view.h"
#include "zpm/cli_io.h"
#include "zpm/command_line.h"
#include "zpm/commands.h"
#include "zpm/patch_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zpm::cli {

namespace {

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

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

QString HexDumpText(const Bytes &image) {
  QString text;
  for (size_t row = 0; row < image.size(); row += 16) {
    QString hex, chars;
    for (size_t i = row; i < row + 16 && i < image.size(); ++i) {
      hex += QString("%1 ").arg(image[i], 2, 16, QChar('0'));
      chars += image[i] >= 32 && image[i] != 127 ? QChar(image[i]) : QChar('.');
    }
    text += QString("%1  %2 %3\n").arg(Latin1(HexPositionText(row))).arg(hex, -48).arg(chars);
  }
  return text;
}

// A text of the viewer as a field of a line on the terminal.
QString Shown(const std::string &text) {
  return TerminalField(Latin1(text));
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
    QJsonArray panels, rows;
    for (const std::string &panel : view.panels)
      panels.append(Latin1(panel));
    for (const ParameterRow &row : view.rows)
      rows.append(QJsonArray{Latin1(row.label), Latin1(row.value)});
    QJsonObject json;
    json["caption"] = Latin1(view.caption);
    json["panels"] = panels;
    json["sysex"] = QString::fromStdString(HexPairs(view.image));
    json["rows"] = rows;
    PrintOutBytes(QJsonDocument(json).toJson(QJsonDocument::Indented));
    return ExitDone;
  }
  QStringList panelTexts;
  for (const std::string &panel : view.panels)
    panelTexts << Shown(panel);
  QString text = Shown(view.caption) + "\n" + panelTexts.join("  |  ") + "\n\n" +
                 HexDumpText(view.image) + "\n";
  for (const ParameterRow &row : view.rows)
    text += QString("%1  %2\n").arg(Shown(row.label), -28).arg(Shown(row.value));
  PrintOut(text);
  return ExitDone;
}

} // namespace zpm::cli
