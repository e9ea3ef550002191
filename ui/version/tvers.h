#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The version window: the program's name, version, contacts and the icon's credit.
class TVers : public QDialog {
  Q_OBJECT
public:
  explicit TVers(QWidget* owner);
  ~TVers() override;

  QFrame* Panel1 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
         *Label7 = nullptr;
  QFrame* Bevel1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

  // Returns whether the key was consumed.
  bool FormKeyDown(int key);

protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// Where a window of outer size `own` goes to sit centred over a window whose outer bounds are
// `owner`: never left of or above the screen's origin.
QPoint centredOver(const QRect& owner, const QSize& own);

// The open version window, or null.
extern TVers* Vers;
