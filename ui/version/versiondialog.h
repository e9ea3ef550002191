#pragma once

#include <QDialog>

class QPushButton;

// The version window: the program's name, version, contacts and the icon's credit.
class VersionDialog : public QDialog {
  Q_OBJECT
public:
  explicit VersionDialog(QWidget* owner);
  ~VersionDialog() override;

  // Returns whether the key was consumed.
  bool handleKey(int key);

protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPushButton* okButton_ = nullptr;
};

// Where a window of outer size `own` goes to sit centred over a window whose outer bounds are
// `owner`: never left of or above the screen's origin.
QPoint centredOver(const QRect& owner, const QSize& own);
