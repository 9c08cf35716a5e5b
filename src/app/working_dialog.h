#pragma once
// "Working...": the progress of a long send, with the "&Cancel" that stops
// it after the patch in progress.

#include <QDialog>

class QProgressBar;
class QPushButton;

namespace zpm {

class TfrmWorking : public QDialog {
  Q_OBJECT
public:
  explicit TfrmWorking(QWidget *parent = nullptr);

  QProgressBar *Progress() { return pbProgress; }
  // Escape presses "&Cancel" too.
  void reject() override;

private:
  void btnCancelClick();

  QProgressBar *pbProgress;
  QPushButton *btnCancel;
};

} // namespace zpm
