// SPDX-License-Identifier: GPL-3.0-or-later
// Files that come to the main window: dropped on it, opened on the page
// of their kind, and chosen in the SysEx file dialogs.
#include "app/main_window.h"

#include "app/fm/fm_page.h"
#include "app/library/library_page.h"
#include "app/sid/sid_page.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

namespace zpm {

namespace {

// The .syx files among what is dragged over the window.
QStringList SysExFiles(const QMimeData *data) {
  QStringList paths;
  for (const QUrl &url : data->urls())
    if (url.isLocalFile() && url.toLocalFile().endsWith(QLatin1String(".syx"), Qt::CaseInsensitive))
      paths << url.toLocalFile();
  return paths;
}

} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
  if (!SysExFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
  const QStringList paths = SysExFiles(event->mimeData());
  if (paths.isEmpty())
    return;
  event->acceptProposedAction();
  // A page holds one file at a time; several go into the library, all of them.
  if (paths.size() > 1 && m_library) {
    ShowLibrary();
    m_libraryPage->ImportFolders(paths);
    return;
  }
  OpenFile(paths.first());
}

void TfrmMain::OpenFile(const QString &path) {
  QFile file(path);
  QByteArray head;
  if (file.open(QIODevice::ReadOnly))
    head = file.read(5);
  // The FM family byte tells the two kinds of file apart, as loading does.
  const bool fm = head.size() == 5 && static_cast<uint8_t>(head[4]) == 0x49;
  QWidget *page = fm ? static_cast<QWidget *>(m_fmPage) : m_sidPage;
  for (auto it = m_nodePages.begin(); it != m_nodePages.end(); ++it)
    if (it.value() == page && it.key()->parent() == nullptr)
      tvNavigation->setCurrentItem(it.key());
  if (fm) {
    m_fmPage->SelectTab(TFmPage::SendTab);
    m_fmPage->LoadFile(path);
  } else {
    m_sidPage->SelectTab(TSidPage::SendTab);
    m_sidPage->LoadFile(path);
  }
}

QString TfrmMain::OpenSysExFile() {
  return ChooseFile(false);
}

QString TfrmMain::SaveSysExFile() {
  return ChooseFile(true);
}

QString TfrmMain::SaveSysExFileNamed(const QString &name) {
  return ChooseFile(true, name);
}

QString TfrmMain::ChooseFile(bool save, const QString &suggested) {
  QFileDialog dialog(this, save ? "Save SysEx file" : "Open SysEx file",
                     save ? m_saveDir : m_readDir, "SysEx (*.syx)");
  dialog.setObjectName(save ? "SaveDialog" : "OpenDialog");
  dialog.setDefaultSuffix("syx");
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (!suggested.isEmpty())
    dialog.selectFile(suggested);
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return {};
    const QString path = dialog.selectedFiles().first();
    if (save && suggested.isEmpty() && !QFileInfo::exists(path) &&
        QMessageBox::question(this, windowTitle(),
                              QString("%1\nThis file does not exist.\nDo you want to create it?")
                                  .arg(QDir::toNativeSeparators(path)),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      continue;
    QString folder = QFileInfo(path).absolutePath();
    if (!folder.endsWith('/'))
      folder += '/';
    (save ? m_saveDir : m_readDir) = folder;
    (save ? m_chosenSaveDir : m_chosenReadDir) = folder;
    return path;
  }
}

} // namespace zpm
