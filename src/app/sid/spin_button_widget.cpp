#include "app/sid/spin_button_widget.h"

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

} // namespace zpm
