// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Abou&t" page: what the program is and how it grew.

#include <QWidget>

namespace zpm {

class TAboutPage : public QWidget {
  Q_OBJECT
public:
  explicit TAboutPage(QWidget *parent = nullptr);

  static QString Text();
};

} // namespace zpm
