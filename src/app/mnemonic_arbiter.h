// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A page's tabs and the buttons on them may share an accelerator letter
// ("&Send SID patch" and "Get &Single Bank"). Left alone, the first press of
// such a letter only moves the focus and the next one switches the tab. The
// arbiter settles each shared press at once for the button on the visible
// tab; a letter no visible button has goes on to the tab bar.

#include <QObject>

class QWidget;

namespace zpm {

class TMnemonicArbiter : public QObject {
  Q_OBJECT
public:
  // Watches the buttons and tab bars under page as they are now.
  explicit TMnemonicArbiter(QWidget *page);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QWidget *m_page;
};

} // namespace zpm
