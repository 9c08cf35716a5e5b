// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An up/down spin button without a text of its own: it keeps a number in its
// Tag and tells when one of its arrows is pressed; the edit field beside it
// shows what the owner makes of the number. The field can hand its keys to
// the pair: Up and Down press the arrows, a letter picks an entry by name.

#include <QWidget>

class QHBoxLayout;
class QLineEdit;

class QToolButton;

namespace zpm {

class TSpinButton : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Tag READ Tag WRITE SetTag)

public:
  explicit TSpinButton(QWidget *parent = nullptr);

  int Tag() const { return m_tag; }
  void SetTag(int tag) { m_tag = tag; }

  QToolButton *UpButton() const { return m_up; }
  QToolButton *DownButton() const { return m_down; }

  // Up and Down in field press the arrows; the letters from 'A' on, one per
  // entry of count, send letterTyped with the entry's index.
  void TakeKeysFrom(QWidget *field, int count);
  // Names for screen readers: the field's, and each arrow's.
  void SetAccessibleNames(const QString &up, const QString &down);
  // Makes field the bank letter these arrows step, from the first of banks
  // banks on: read only, three letters wide, the arrows as tall as it, the
  // keys above, and what (e.g. "bank to fetch") in the screen readers' names.
  // Returns the row that holds the field and the arrows side by side.
  QHBoxLayout *StepBankField(QLineEdit *field, int first, int banks, const QString &what);

signals:
  void upClicked();
  void downClicked();
  void letterTyped(int index);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QToolButton *m_up;
  QToolButton *m_down;
  QWidget *m_field = nullptr;
  int m_letters = 0;
  int m_tag = 0;
};

} // namespace zpm
