// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reception's notices (byte count, wait complete) brought from the
// driver thread to the user-interface thread as Qt signals.

#include "app/ui_notice.h"
#include "midi/reception.h"

#include <QObject>

namespace zpm {

class TReceptionBridge : public QObject, public TReceptionListener {
  Q_OBJECT
public:
  // Listens to reception until destroyed.
  explicit TReceptionBridge(TReception &reception, QObject *parent = nullptr);
  ~TReceptionBridge() override;

  TReception &Reception() { return m_reception; }

  // Driver thread.
  void ByteCountChanged(size_t count) override;
  void CloseWaitRequested() override;

signals:
  // UI thread. Read ReceivedSize() for the count: a burst of chunks gives
  // one signal.
  void byteCountChanged();
  // UI thread. May come late, after the next wait began: check IsComplete().
  void closeWaitRequested();

private:
  TReception &m_reception;
  TUiNotice m_countNotice;
  TUiNotice m_closeNotice;
};

} // namespace zpm
