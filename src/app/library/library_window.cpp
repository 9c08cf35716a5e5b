// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/library/library_window.h"

#include "app/library/library_page.h"
#include "app/library/user_bank_panel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace zpm {

namespace {

// The .syx files and the folders among what is dragged.
QStringList Importable(const QMimeData *data) {
  QStringList paths;
  for (const QUrl &url : data->urls()) {
    const QString path = url.toLocalFile();
    if (url.isLocalFile() &&
        (QFileInfo(path).isDir() || path.endsWith(QLatin1String(".syx"), Qt::CaseInsensitive)))
      paths << path;
  }
  return paths;
}

} // namespace

TfrmLibrary::TfrmLibrary(TMainContext &context, const TSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window), m_page(new TLibraryPage(context, this)),
      m_status(new QStatusBar(this)), m_geometry(settings.LibraryGeometry) {
  setObjectName(QStringLiteral("frmLibrary"));
  setWindowTitle(QStringLiteral("Library - Zavorin Patch Manager"));
  m_status->setObjectName(QStringLiteral("sbLibrary"));
  m_status->setAccessibleName(QStringLiteral("What the last change in the library did"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_page, 1);
  layout->addWidget(m_status);
  resize(kDefaultWidth, kDefaultHeight);
  if (!settings.LibrarySplitter.isEmpty())
    m_page->Splitter().restoreState(settings.LibrarySplitter);
  if (!settings.LibraryColumns.isEmpty())
    m_page->List().horizontalHeader()->restoreState(settings.LibraryColumns);
  m_page->UserBanks().SetSendChecks(settings.LibraryBackup, settings.LibraryVerify);
  setAcceptDrops(true);
}

void TfrmLibrary::dragEnterEvent(QDragEnterEvent *event) {
  if (!Importable(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void TfrmLibrary::dropEvent(QDropEvent *event) {
  const QStringList paths = Importable(event->mimeData());
  if (paths.isEmpty())
    return;
  event->acceptProposedAction();
  m_page->ImportFolders(paths);
}

void TfrmLibrary::OpenOrRaise() {
  const bool first = !m_placed;
  if (!m_placed) {
    m_placed = true;
    // Beside the main window when there is room, else where it was last.
    if (m_geometry.isEmpty() || !restoreGeometry(m_geometry)) {
      if (QWidget *main = parentWidget()) {
        const QRect frame = main->frameGeometry();
        QScreen *screen = main->screen() ? main->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        QPoint at(frame.right() + 1, frame.top());
        if (area.isValid() && at.x() + width() > area.right())
          at.setX(std::max(area.left(), area.right() - width()));
        move(at);
      }
    }
  }
  if (isMinimized())
    showNormal();
  show();
  raise();
  activateWindow();
  // Opened for the first time, it is ready for a name to be typed.
  if (first)
    m_page->findChild<QWidget *>(QStringLiteral("edLibrarySearch"))->setFocus();
}

void TfrmLibrary::ShowStatus(const QString &text) {
  m_status->showMessage(text);
}

void TfrmLibrary::KeepIn(TSettings &settings) const {
  settings.LibraryBackup = m_page->UserBanks().BackupChecked();
  settings.LibraryVerify = m_page->UserBanks().VerifyChecked();
  if (!m_placed)
    return;
  settings.LibraryGeometry = saveGeometry();
  settings.LibrarySplitter = m_page->Splitter().saveState();
  settings.LibraryColumns = m_page->List().horizontalHeader()->saveState();
}

} // namespace zpm
