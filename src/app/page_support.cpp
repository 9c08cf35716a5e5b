// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/page_support.h"

#include <QAbstractItemModel>
#include <QWidget>

#include "app/main_context.h"
#include "app/save_file.h"
#include "midi/send_report.h"
#include "patch/error.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

namespace zpm {

TListHost::TListHost(TTransferHost &host, std::function<void()> clearing)
    : m_host(host), m_clearing(std::move(clearing)) {}

bool TListHost::Ask(const std::string &text) {
  return m_host.Ask(text);
}
void TListHost::Inform(const std::string &text) {
  m_host.Inform(text);
}
int TListHost::WaitForSysEx() {
  return m_host.WaitForSysEx();
}
void TListHost::Delay(int milliseconds) {
  m_host.Delay(milliseconds);
}
void TListHost::WaitForBytes(size_t count, int timeoutMs) {
  m_host.WaitForBytes(count, timeoutMs);
}
void TListHost::BeginProgress(int count) {
  m_host.BeginProgress(count);
}
void TListHost::StepProgress() {
  m_host.StepProgress();
}
bool TListHost::ProgressCancelled() {
  return m_host.ProgressCancelled();
}
void TListHost::EndProgress() {
  m_host.EndProgress();
}
void TListHost::SetCanClose(bool canClose) {
  m_host.SetCanClose(canClose);
}
void TListHost::SetBusy(bool busy) {
  m_host.SetBusy(busy);
}
void TListHost::ListClearing() {
  if (m_clearing)
    m_clearing();
  m_host.ListClearing();
}

TWaitCursor::TWaitCursor() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

TWaitCursor::~TWaitCursor() {
  QApplication::restoreOverrideCursor();
}

void WriteWholeFile(const QString &path, const Bytes &bytes) {
  const TSaveOutcome saved = SaveWholeFile(path, bytes);
  const QString where = QDir::toNativeSeparators(path);
  if (saved.step == TSaveOutcome::NotCreated)
    throw ZpmError(QStringLiteral("Could not create %1 (%2). Choose a folder you may write to "
                                  "and save again.")
                       .arg(where, saved.reason)
                       .toStdString());
  if (saved.step == TSaveOutcome::NotWritten)
    throw ZpmError(QStringLiteral("Could not write %1 (%2); an earlier file of that name is "
                                  "unchanged. Free some disk space or choose another folder "
                                  "and save again.")
                       .arg(where, saved.reason)
                       .toStdString());
}

Bytes ReadWholeFile(const QString &path) {
  // A named pipe or a device would hang the window or never end; no patch
  // file comes near 64 MiB.
  constexpr qint64 kMaxFileSize = qint64(64) * 1024 * 1024;
  const QFileInfo info(path);
  if (info.exists() && !info.isFile())
    throw ZpmError(QStringLiteral("%1 is not a regular file, so it was not loaded. Choose a .syx "
                                  "file.")
                       .arg(QDir::toNativeSeparators(path))
                       .toStdString());
  if (info.size() > kMaxFileSize)
    throw ZpmError(QStringLiteral("%1 is larger than 64 MiB, far too large for a patch file, so "
                                  "it was not loaded.")
                       .arg(QDir::toNativeSeparators(path))
                       .toStdString());
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw ZpmError(QStringLiteral("Could not open %1 (%2). Check that the file exists and may "
                                  "be read, and load it again.")
                       .arg(QDir::toNativeSeparators(path), file.errorString())
                       .toStdString());
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw ZpmError(QStringLiteral("Could not read %1 (%2). Check the file and load it again.")
                       .arg(QDir::toNativeSeparators(path), file.errorString())
                       .toStdString());
  return Bytes(data.begin(), data.end());
}

QString Attempt(const std::function<void()> &operation) {
  try {
    operation();
  } catch (const std::exception &error) {
    return QString::fromStdString(error.what());
  }
  return {};
}

QString CountText(int64_t count, const char *one, const char *many) {
  return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

QLabel *BuddyLabel(const QString &text, QWidget *buddy) {
  auto *label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

QString FileDoneText(size_t count, const char *done, const QString &path) {
  return QString("%1 patch%2 %3 %4")
      .arg(count)
      .arg(count == 1 ? "" : "es")
      .arg(done)
      .arg(QFileInfo(path).fileName());
}

void TellLoad(TMainContext &context, QWidget *page, const QString &path, size_t loaded,
              const QString &error, const QString &notice) {
  if (!error.isEmpty()) {
    QMessageBox::critical(page, QApplication::applicationDisplayName(), error);
    // The status line must not go on naming the file loaded before.
    context.ReportDone(
        QStringLiteral("%1 was refused; the list is empty").arg(QFileInfo(path).fileName()));
    return;
  }
  context.ReportDone(FileDoneText(loaded, "loaded from", path));
  // One message per load, however many patches it concerns.
  if (!notice.isEmpty())
    QMessageBox::warning(page, QApplication::applicationDisplayName(), notice);
}

int OneRowToSend(const std::vector<int> &selected, int count, TMainContext &context,
                 const std::function<void(const QString &)> &showError) {
  if (selected.empty())
    return -1;
  if (selected.size() > 1) {
    context.Host().Inform("Please select only 1 patch.");
    return -1;
  }
  try {
    CheckSendDevicesOpen(context.Link());
  } catch (const std::exception &error) {
    showError(QString::fromStdString(error.what()));
    return -1;
  }
  return selected.front() < count ? selected.front() : -1;
}

void EnableWithRows(QAbstractItemModel *model, const std::vector<QWidget *> &buttons) {
  const auto follow = [model, buttons] {
    for (QWidget *button : buttons)
      button->setEnabled(model->rowCount() > 0);
  };
  QObject::connect(model, &QAbstractItemModel::modelReset, model, follow);
  QObject::connect(model, &QAbstractItemModel::rowsInserted, model, follow);
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, model, follow);
  follow();
}

} // namespace zpm
