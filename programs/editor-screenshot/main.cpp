// SPDX-License-Identifier: GPL-3.0-or-later
// editor-screenshot FILE.png: the editor window at its default size, drawn
// offscreen over a made-up SID patch with three of its parameters and its
// name changed, so the hex strip shows what changed. Nothing of the user's
// own settings or library is read or written.

#include "app/app_windows.h"
#include "app/edit/edit_row.h"
#include "app/edit/patch_editor.h"
#include "app/main_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

zpm::TPatch MadeUpPatch() {
  zpm::TPatch patch;
  std::memcpy(patch.Data(), "Analog Bass     ", zpm::kNameSize);
  for (size_t d = zpm::kNameSize; d < zpm::kDataSize; ++d)
    patch.Data()[d] = static_cast<uint8_t>((d * 29 + 7) & 0x3F);
  patch.Bank = 2;
  patch.SetPatchNumber(16);
  // Each field holds a value it allows, as a patch of the synthesizer does.
  for (const zpm::EditField &field : zpm::EditFields(zpm::PatchKind::Sid))
    if (field.Kind != zpm::EditKind::Name)
      patch.Dump[field.DumpByte] = static_cast<uint8_t>(field.Nearest(patch.Dump[field.DumpByte]));
  patch.UpdateChecksum();
  return patch;
}

void Edit(zpm::TfrmPatchEditor &editor, const char *label, Qt::Key key, int times) {
  for (zpm::TEditRow *row : editor.Rows())
    if (row->Field().Label == label)
      for (int i = 0; i < times; ++i)
        QTest::keyClick(row->Control(), key);
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: editor-screenshot FILE.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Zavorin Patch Manager");
  QTemporaryDir dir;
  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("zavorin-patch-manager.ini");
  options.libraryPath = dir.filePath("library.sqlite");
  options.simulator = true;
  zpm::TAppWindows windows(options);
  windows.main->show();
  zpm::TfrmPatchEditor &editor = *windows.editor;
  editor.Open(zpm::ViewSidPatch(MadeUpPatch()));
  Edit(editor, "CutOff", Qt::Key_PageUp, 2);
  Edit(editor, "Resonance", Qt::Key_Up, 5);
  Edit(editor, "Voice1 Waveform", Qt::Key_Down, 1);
  auto *name = editor.findChild<QLineEdit *>("edEditName");
  name->setText("Analog Bass 2");
  emit name->editingFinished();
  // The filter's rows in sight, the first of them ready for the keyboard.
  for (zpm::TEditRow *row : editor.Rows())
    if (row->Field().Label == "CutOff") {
      editor.findChild<QScrollArea *>("scEditRows")->ensureWidgetVisible(row, 0, 140);
      row->Control()->setFocus();
    }
  QApplication::processEvents();
  if (!editor.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "%s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
