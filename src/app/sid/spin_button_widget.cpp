// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sid/spin_button_widget.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace zpm {

namespace {

QToolButton *Arrow(Qt::ArrowType arrow, const char *name, QWidget *parent) {
  auto *button = new QToolButton(parent);
  button->setObjectName(QLatin1String(name));
  button->setArrowType(arrow);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  // The two arrows share whatever height the owner gives the pair.
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  button->setFixedWidth(17);
  return button;
}

} // namespace

TSpinButton::TSpinButton(QWidget *parent)
    : QWidget(parent), m_up(Arrow(Qt::UpArrow, "up", this)),
      m_down(Arrow(Qt::DownArrow, "down", this)) {
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_up);
  layout->addWidget(m_down);
  connect(m_up, &QToolButton::clicked, this, &TSpinButton::upClicked);
  connect(m_down, &QToolButton::clicked, this, &TSpinButton::downClicked);
}

void TSpinButton::TakeKeysFrom(QWidget *field, int count) {
  m_field = field;
  m_letters = count;
  field->setFocusPolicy(Qt::StrongFocus);
  field->installEventFilter(this);
}

void TSpinButton::SetAccessibleNames(const QString &up, const QString &down) {
  m_up->setAccessibleName(up);
  m_down->setAccessibleName(down);
  m_up->setToolTip(up);
  m_down->setToolTip(down);
}

QHBoxLayout *TSpinButton::StepBankField(QLineEdit *field, int first, int banks,
                                        const QString &what) {
  field->setReadOnly(true);
  field->setMaxLength(1);
  field->setFixedWidth(field->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 3);
  SetTag(first);
  setFixedHeight(field->sizeHint().height());
  TakeKeysFrom(field, banks);
  QString name = what;
  name[0] = name[0].toUpper();
  field->setAccessibleName(name + QStringLiteral(" (A to H, Up and Down change it)"));
  SetAccessibleNames(QStringLiteral("Next ") + what, QStringLiteral("Previous ") + what);
  auto *row = new QHBoxLayout;
  row->setSpacing(0);
  row->addWidget(field);
  row->addWidget(this);
  row->addStretch();
  return row;
}

bool TSpinButton::eventFilter(QObject *watched, QEvent *event) {
  if (watched != m_field || event->type() != QEvent::KeyPress)
    return QWidget::eventFilter(watched, event);
  const auto *key = static_cast<QKeyEvent *>(event);
  if (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
    return false;
  if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
    (key->key() == Qt::Key_Up ? m_up : m_down)->click();
    return true;
  }
  const QString text = key->text().toUpper();
  if (text.size() == 1) {
    const int index = text.at(0).unicode() - 'A';
    if (index >= 0 && index < m_letters) {
      emit letterTyped(index);
      return true;
    }
  }
  return false;
}

} // namespace zpm
