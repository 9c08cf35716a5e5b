// SPDX-License-Identifier: GPL-3.0-or-later
#include "zpm/patch_view_output.h"

#include "zpm/cli_io.h"
#include "zpm/patch_file.h"

namespace zpm::cli {

namespace {

// The viewer's texts are bytes as the window shows them, one character each.
QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string JsonLatin1(const std::string &text) {
  return JsonString(Latin1(text).toUtf8().toStdString());
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

QString PatchViewListing(const PatchViewText &view) {
  QStringList panelTexts;
  for (const std::string &panel : view.panels)
    panelTexts << Shown(panel);
  QString text = Shown(view.caption) + "\n" + panelTexts.join("  |  ") + "\n\n" +
                 HexDumpText(view.image) + "\n";
  for (const ParameterRow &row : view.rows)
    text += QString("%1  %2\n").arg(Shown(row.label), -28).arg(Shown(row.value));
  return text;
}

std::string PatchViewJsonMembers(const PatchViewText &view) {
  std::string json = "\"caption\": " + JsonLatin1(view.caption) + ",\n  \"panels\": [";
  for (size_t i = 0; i < view.panels.size(); ++i)
    json += (i ? ", " : "") + JsonLatin1(view.panels[i]);
  json += "],\n  \"sysex\": \"" + HexPairs(view.image) + "\",\n  \"rows\": [";
  for (size_t i = 0; i < view.rows.size(); ++i)
    json += (i ? ",\n    [" : "\n    [") + JsonLatin1(view.rows[i].label) + ", " +
            JsonLatin1(view.rows[i].value) + "]";
  json += view.rows.empty() ? "]" : "\n  ]";
  return json;
}

} // namespace zpm::cli
