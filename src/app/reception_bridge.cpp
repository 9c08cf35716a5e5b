// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/reception_bridge.h"

namespace zpm {

TReceptionBridge::TReceptionBridge(TReception &reception, QObject *parent)
    : QObject(parent), m_reception(reception),
      m_countNotice(this, [this] { emit byteCountChanged(); }),
      m_closeNotice(this, [this] { emit closeWaitRequested(); }) {
  m_reception.SetListener(this);
}

TReceptionBridge::~TReceptionBridge() {
  m_reception.SetListener(nullptr);
}

void TReceptionBridge::ByteCountChanged(size_t /*count*/) {
  m_countNotice.Notify();
}

void TReceptionBridge::CloseWaitRequested() {
  m_closeNotice.Notify();
}

} // namespace zpm
