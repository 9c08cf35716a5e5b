#pragma once
// An up/down spin button without a text of its own: it keeps a number in its
// Tag and tells when one of its arrows is pressed; the edit field beside it
// shows what the owner makes of the number.

#include <QWidget>

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

signals:
  void upClicked();
  void downClicked();

private:
  QToolButton *m_up;
  QToolButton *m_down;
  int m_tag = 0;
};

} // namespace zpm
