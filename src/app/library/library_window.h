// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The library in a resizable window of its own beside the fixed main
// window: room for every column, and patches dragged from the SID and FM
// lists straight onto a user bank's slots. It lives as long as the main
// window, hidden when closed; its place, split and column widths go into
// the settings.

#include "app/main_context.h"
#include "app/settings.h"

#include <QWidget>

class QStatusBar;

namespace zpm {

class TLibraryPage;

class TfrmLibrary : public QWidget {
  Q_OBJECT
public:
  // The default size, the one the README's picture shows: beside the main
  // window on a screen 1920 wide.
  static constexpr int kDefaultWidth = 1040;
  static constexpr int kDefaultHeight = 660;

  TfrmLibrary(TMainContext &context, const TSettings &settings, QWidget *parent);

  TLibraryPage &Page() { return *m_page; }
  // Shows the window, or brings it to the front when it is shown.
  void OpenOrRaise();
  // A line in the window's own status bar.
  void ShowStatus(const QString &text);
  // The window's place, split, column widths and send ticks into settings;
  // a window never shown this run leaves the saved ones as they were.
  void KeepIn(TSettings &settings) const;

protected:
  // Files and folders dropped on the window go into the library.
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  TLibraryPage *m_page;
  QStatusBar *m_status;
  bool m_placed = false;
  QByteArray m_geometry;
};

} // namespace zpm
