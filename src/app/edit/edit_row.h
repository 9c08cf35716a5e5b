// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One parameter of the editor as one widget: its label and the control its
// kind calls for (a slider with a spin box for a number, a drop-down for a
// choice, a check box for on/off). A byte the field does not allow (a patch
// made elsewhere) is shown as it is until the user moves the control, which
// then lands on the allowed value nearest to it.

#include "edit/edit_fields.h"

#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;

namespace zpm {

class TEditRow : public QWidget {
  Q_OBJECT

public:
  TEditRow(const EditField &field, int index, QWidget *parent = nullptr);

  const EditField &Field() const { return m_field; }
  // Shows value without telling anyone.
  void ShowValue(int value);
  // The control that takes the focus: the spin box, drop-down or check box.
  QWidget *Control() const;
  // Its controls in the order Tab visits them.
  std::vector<QWidget *> TabOrder() const;
  QSlider *Slider() const { return m_slider; }

signals:
  // The user set value; merge while a slider's drag goes on past its first
  // move, so the whole drag is one undo step.
  void edited(const EditField &field, int value, bool merge);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void Edited(int value, bool merge);
  void ShowForeign(bool foreign);

  const EditField &m_field;
  int m_value = 0;
  bool m_dragMoved = false;
  QLabel *m_label = nullptr;
  QLabel *m_note = nullptr;
  QSlider *m_slider = nullptr;
  QSpinBox *m_spin = nullptr;
  QComboBox *m_combo = nullptr;
  QCheckBox *m_check = nullptr;
};

} // namespace zpm
