// SPDX-License-Identifier: GPL-3.0-or-later
// explore-screenshot FILE.png: the Explore window in its second round,
// started from two patches of a made-up library, two candidates liked and
// one parameter locked. Nothing of the user's own settings or library is
// read or written.

#include "app/app_windows.h"
#include "app/explore/explore_open.h"
#include "app/explore/explore_window.h"
#include "app/main_window.h"
#include "edit/edit_fields.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

namespace {

// A SID patch with every field at a value it allows, drawn from seed.
zpm::TPatchBytes Patch(const char *name, unsigned seed) {
  zpm::TPatchBytes patch;
  std::memset(patch.data.data(), ' ', 16);
  std::memcpy(patch.data.data(), name, std::strlen(name));
  for (const zpm::EditField &field : zpm::EditFields(zpm::PatchKind::Sid)) {
    if (field.Kind == zpm::EditKind::Name)
      continue;
    seed = seed * 1103515245u + 12345u;
    const size_t at = field.DumpByte - zpm::kSidDataOffset;
    patch.data[at] =
        field.Kind == zpm::EditKind::Choice
            ? field.Choices[(seed >> 8) % field.Choices.size()].Value
            : static_cast<uint8_t>(field.Min + (seed >> 8) % (field.Max - field.Min + 1));
  }
  return patch;
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: explore-screenshot FILE.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Zavorin Patch Manager");
  QTemporaryDir dir;
  const QString libraryPath = dir.filePath("library.sqlite");
  const zpm::TPatchBytes parents[] = {Patch("Warm Bass", 7), Patch("Glass Keys", 11)};
  {
    zpm::TLibrary library(libraryPath.toStdString());
    std::vector<zpm::TSighting> seen;
    for (const zpm::TPatchBytes &patch : parents) {
      zpm::TSighting sighting;
      sighting.patch = patch;
      sighting.path = "/home/musician/sid/collection.syx";
      seen.push_back(sighting);
    }
    library.RecordSightings(seen);
  }

  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("zavorin-patch-manager.ini");
  options.libraryPath = libraryPath;
  options.simulator = true;
  zpm::TAppWindows windows(options);
  windows.main->show();
  zpm::OpenExplore(*windows.main,
                   {zpm::ExploreImageOf(parents[0]), zpm::ExploreImageOf(parents[1])});
  zpm::TfrmExplore *window = zpm::ExploreWindow(*windows.main);
  if (!window) {
    std::fprintf(stderr, "The Explore window did not open\n");
    return 1;
  }
  window->findChild<QSpinBox *>("edExploreSeed")->setValue(1981);
  window->findChild<QPushButton *>("btnExploreAgain")->click();
  window->findChild<QCheckBox *>("cbLiked2")->setChecked(true);
  window->findChild<QCheckBox *>("cbLiked11")->setChecked(true);
  window->findChild<QPushButton *>("btnExploreNext")->click();
  window->findChild<QCheckBox *>("cbLiked5")->setChecked(true);
  window->findChild<QCheckBox *>("cbLiked14")->setChecked(true);
  window->findChild<QComboBox *>("cbxAuditionBank")->setCurrentIndex(7);
  window->findChild<QSpinBox *>("seAuditionSlot")->setValue(128);
  auto *locks = window->findChild<QListWidget *>("lvExploreLocks");
  if (locks->count() > 3)
    locks->item(3)->setCheckState(Qt::Checked);
  window->findChild<QPushButton *>("btnCandidate5")->setChecked(true);
  QApplication::processEvents();
  if (!window->grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "%s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
