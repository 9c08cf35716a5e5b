// SPDX-License-Identifier: GPL-3.0-or-later
// library-screenshot FILE.png: the library window at its default size,
// drawn offscreen over a made-up library of a few dozen patches, with a
// search typed and a user bank holding some of them. Nothing of the user's
// own settings or library is read or written.

#include "app/app_windows.h"
#include "app/library/library_page.h"
#include "app/library/library_window.h"
#include "app/main_window.h"
#include "library/library.h"
#include "library/library_files.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

const char *const kNames[] = {
    "Acid Bass",  "Analog Bass", "Bass Drum",   "Bell Pad",  "Brass Stab",  "Chip Arp",
    "Cold Wind",  "Dark Pad",    "Deep Bass",   "Echo Lead", "Fat Bass",    "Flute Solo",
    "Glass Keys", "Hard Sync",   "Hollow Bass", "Lead 1981", "Noise Snare", "Organ Soft",
    "Pulse Lead", "Ring Bell",   "Saw Strings", "Slap Bass", "Soft Pad",    "Square Bass",
    "Sub Bass",   "Sweep Fx",    "Tri Flute",   "Warm Bass", "Wah Bass",    "Zap Laser"};

zpm::TPatchBytes Patch(int i) {
  zpm::TPatchBytes patch;
  std::memset(patch.data.data(), ' ', 16);
  std::memcpy(patch.data.data(), kNames[i], std::strlen(kNames[i]));
  for (size_t d = 16; d < patch.data.size(); ++d)
    patch.data[d] = static_cast<uint8_t>((i * 37 + d * 11) & 0x7F);
  return patch;
}

} // namespace

int main(int argc, char *argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: library-screenshot FILE.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Zavorin Patch Manager");
  QTemporaryDir dir;
  const QString libraryPath = dir.filePath("library.sqlite");
  {
    zpm::TLibrary library(libraryPath.toStdString());
    std::vector<zpm::TSighting> seen;
    for (int i = 0; i < static_cast<int>(std::size(kNames)); ++i) {
      zpm::TSighting sighting;
      sighting.patch = Patch(i);
      sighting.path = "/home/musician/sid/collection.syx";
      sighting.row = i;
      seen.push_back(sighting);
      if (i % 3 == 0) // seen again, in a second file
        seen.push_back(sighting);
    }
    library.RecordSightings(seen);
    const int64_t bank = library.CreateUserBank("Live set", zpm::TKind::Sid);
    zpm::TSearch search;
    int slot = 0;
    for (const zpm::TPatchRow &row : library.Search(search))
      if (row.name && row.name->find("Bass") != std::string::npos && slot < 6)
        library.SetUserBankSlot(bank, slot++, row.id);
    for (const zpm::TPatchRow &row : library.Search(search))
      if (row.name && (*row.name == "Acid Bass" || *row.name == "Sub Bass")) {
        library.SetFavourite(row.id, true);
        library.AddTag(row.id, "live");
      }
  }

  zpm::TMainOptions options;
  options.settingsPath = dir.filePath("zavorin-patch-manager.ini");
  options.libraryPath = libraryPath;
  options.simulator = true;
  zpm::TAppWindows windows(options);
  windows.main->show();
  // As a click on "Library" in the navigation tree.
  auto *tree = windows.main->findChild<QTreeWidget *>("tvNavigation");
  tree->setCurrentItem(tree->findItems("Library", Qt::MatchExactly).value(0));
  zpm::TfrmLibrary &window = windows.main->LibraryWindow();
  auto *page = &window.Page();
  auto *search = page->findChild<QLineEdit *>("edLibrarySearch");
  search->setFocus();
  QTest::keyClicks(search, "bass");
  page->List().selectRow(0);
  QApplication::processEvents();
  if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "%s could not be written\n", argv[1]);
    return 1;
  }
  return 0;
}
