// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a transfer shows of itself while it runs, undone however it ends:
// the "Working..." dialog, the hourglass pointer, the refused close.

#include "midi/transfer_host.h"

namespace zpm {

class TProgressRun {
public:
  TProgressRun(TTransferHost &host, int count) : m_host(host) { m_host.BeginProgress(count); }
  ~TProgressRun() { m_host.EndProgress(); }
  TProgressRun(const TProgressRun &) = delete;
  TProgressRun &operator=(const TProgressRun &) = delete;

private:
  TTransferHost &m_host;
};

class TBusyRun {
public:
  explicit TBusyRun(TTransferHost &host) : m_host(host) { m_host.SetBusy(true); }
  ~TBusyRun() { m_host.SetBusy(false); }
  TBusyRun(const TBusyRun &) = delete;
  TBusyRun &operator=(const TBusyRun &) = delete;

private:
  TTransferHost &m_host;
};

class TSending {
public:
  explicit TSending(TTransferHost &host) : m_host(host) { m_host.SetCanClose(false); }
  ~TSending() { m_host.SetCanClose(true); }
  TSending(const TSending &) = delete;
  TSending &operator=(const TSending &) = delete;

private:
  TTransferHost &m_host;
};

} // namespace zpm
