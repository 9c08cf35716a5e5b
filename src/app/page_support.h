// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the patch pages share around their handlers: the host a fetch runs
// with (the list's selection goes when the bank is emptied), the hourglass
// pointer, and whole-or-nothing file writing and checked reading.

#include "midi/transfer_host.h"
#include "patch/stream.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QAbstractItemModel;
class QLabel;
class QWidget;

namespace zpm {

class TMainContext;

// The main window's host, plus the list's part: a fetch that is about to
// empty the bank takes the list's selection with it.
class TListHost : public TTransferHost {
public:
  TListHost(TTransferHost &host, std::function<void()> clearing);

  bool Ask(const std::string &text) override;
  void Inform(const std::string &text) override;
  int WaitForSysEx() override;
  void Delay(int milliseconds) override;
  void WaitForBytes(size_t count, int timeoutMs) override;
  void BeginProgress(int count) override;
  void StepProgress() override;
  bool ProgressCancelled() override;
  void EndProgress() override;
  void SetCanClose(bool canClose) override;
  void SetBusy(bool busy) override;
  void ListClearing() override;

private:
  TTransferHost &m_host;
  std::function<void()> m_clearing;
};

class TWaitCursor {
public:
  TWaitCursor();
  ~TWaitCursor();
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;
};

// Through a temporary file that replaces the old one only when it is whole;
// raises ZpmError with a sentence for the user.
void WriteWholeFile(const QString &path, const Bytes &bytes);
Bytes ReadWholeFile(const QString &path);

// The text of the error an operation raised, empty when it ran through.
QString Attempt(const std::function<void()> &operation);

// "1 slot", "3 slots": a count with its noun.
QString CountText(int64_t count, const char *one, const char *many);

// A label whose mnemonic moves the focus to buddy.
QLabel *BuddyLabel(const QString &text, QWidget *buddy);

// "128 patches saved to bankA.syx", "1 patch loaded from lead.syx".
QString FileDoneText(size_t count, const char *done, const QString &path);

// The end of a load on either page: the loader's refusal in an error box and
// "<file> was refused; the list is empty" in the log and the status line, or
// the count loaded there; then what the load found beyond its patches, if
// anything, in one warning box.
void TellLoad(TMainContext &context, QWidget *page, const QString &path, size_t loaded,
              const QString &error, const QString &notice);

// The one selected row that "Send selected to another patch location" acts
// on, or -1: nothing selected; more than one (the user is told); the devices
// not open (showError tells why); a row past the list's count.
int OneRowToSend(const std::vector<int> &selected, int count, TMainContext &context,
                 const std::function<void(const QString &)> &showError);

// Buttons that act on a list's rows are off while the list has none, so
// they never look ready to do nothing; they follow the list from now on.
void EnableWithRows(QAbstractItemModel *model, const std::vector<QWidget *> &buttons);

} // namespace zpm
