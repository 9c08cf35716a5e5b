// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/edit/edit_row.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace zpm {

namespace {

constexpr int kLabelWidth = 230;
constexpr int kSliderWidth = 180;

QString Latin1(const std::string &text) {
  return QString::fromLatin1(text.data(), static_cast<int>(text.size()));
}

} // namespace

TEditRow::TEditRow(const EditField &field, int index, QWidget *parent)
    : QWidget(parent), m_field(field) {
  setObjectName(QStringLiteral("EditRow%1").arg(index));
  const QString label = Latin1(field.Label);
  m_label = new QLabel(label, this);
  m_label->setObjectName(QStringLiteral("lbEditLabel%1").arg(index));
  m_label->setFixedWidth(kLabelWidth);
  m_note = new QLabel(this);
  m_note->setObjectName(QStringLiteral("lbEditNote%1").arg(index));
  m_note->hide();
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 1, 4, 1);
  layout->addWidget(m_label);
  switch (field.Kind) {
  case EditKind::Number:
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("sldEdit%1").arg(index));
    m_slider->setFixedWidth(kSliderWidth);
    m_slider->setPageStep(std::max(1, (field.Max - field.Min + 1) / 8));
    m_spin = new QSpinBox(this);
    m_spin->setObjectName(QStringLiteral("seEdit%1").arg(index));
    // A typed number counts once it is whole, not at each digit.
    m_spin->setKeyboardTracking(false);
    // Ctrl+Z and Ctrl+Shift+Z undo the patch, not the digits typed.
    m_spin->installEventFilter(this);
    layout->addWidget(m_slider);
    layout->addWidget(m_spin);
    connect(m_slider, &QSlider::sliderPressed, this, [this] { m_dragMoved = false; });
    // The range a foreign byte widened is narrowed once the drag ends.
    connect(m_slider, &QSlider::sliderReleased, this, [this] { ShowValue(m_value); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
      const bool merge = m_slider->isSliderDown() && std::exchange(m_dragMoved, true);
      Edited(value, merge);
    });
    connect(m_spin, &QSpinBox::valueChanged, this, [this](int value) { Edited(value, false); });
    break;
  case EditKind::Choice:
    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("cbxEdit%1").arg(index));
    for (const EditChoice &choice : field.Choices)
      m_combo->addItem(Latin1(choice.Text), choice.Value);
    layout->addWidget(m_combo);
    connect(m_combo, &QComboBox::activated, this,
            [this](int at) { Edited(m_combo->itemData(at).toInt(), false); });
    break;
  case EditKind::OnOff:
    m_check = new QCheckBox(QStringLiteral("On"), this);
    m_check->setObjectName(QStringLiteral("cbEdit%1").arg(index));
    layout->addWidget(m_check);
    connect(m_check, &QCheckBox::clicked, this,
            [this] { Edited(m_check->checkState() == Qt::Checked ? 1 : 0, false); });
    break;
  case EditKind::Name:
    break;
  }
  if (QWidget *control = Control()) {
    control->setAccessibleName(label);
    m_label->setBuddy(control);
  }
  layout->addWidget(m_note);
  layout->addStretch(1);
}

bool TEditRow::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
        key->keyCombination() ==
            QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)) {
      event->ignore();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

std::vector<QWidget *> TEditRow::TabOrder() const {
  if (m_slider)
    return {m_slider, m_spin};
  return {Control()};
}

QWidget *TEditRow::Control() const {
  if (m_spin)
    return m_spin;
  if (m_combo)
    return m_combo;
  return m_check;
}

void TEditRow::Edited(int value, bool merge) {
  // The byte as found, chosen again, stays; a control that started on it
  // and moved lands in the field's values.
  if (value != m_value && !m_field.Allows(value))
    value = m_field.Nearest(value);
  if (value == m_value) {
    ShowValue(value);
    return;
  }
  emit edited(m_field, value, merge);
}

void TEditRow::ShowValue(int value) {
  m_value = value;
  const bool foreign = !m_field.Allows(value);
  if (m_spin) {
    const QSignalBlocker spinBlock(m_spin);
    const QSignalBlocker sliderBlock(m_slider);
    const int low = std::min(m_field.Min, value);
    const int high = std::max(m_field.Max, value);
    m_spin->setRange(low, high);
    if (!m_slider->isSliderDown())
      m_slider->setRange(low, high);
    m_spin->setValue(value);
    if (!m_slider->isSliderDown())
      m_slider->setValue(value);
    m_note->setText(QStringLiteral("as found; takes %1").arg(Latin1(m_field.RangeText())));
  } else if (m_combo) {
    const QSignalBlocker block(m_combo);
    const int choices = static_cast<int>(m_field.Choices.size());
    if (m_combo->count() > choices)
      m_combo->removeItem(0);
    if (foreign)
      m_combo->insertItem(0, QStringLiteral("%1 (as found)").arg(value), value);
    m_combo->setCurrentIndex(foreign ? 0 : m_field.ChoiceIndex(value));
    m_note->setText(QStringLiteral("not one of its values"));
  } else if (m_check) {
    const QSignalBlocker block(m_check);
    m_check->setTristate(foreign);
    m_check->setCheckState(foreign ? Qt::PartiallyChecked : value ? Qt::Checked : Qt::Unchecked);
    m_note->setText(QStringLiteral("%1 as found").arg(value));
  }
  ShowForeign(foreign);
}

void TEditRow::ShowForeign(bool foreign) {
  if (m_note->isVisibleTo(this) != foreign)
    m_note->setVisible(foreign);
}

} // namespace zpm
