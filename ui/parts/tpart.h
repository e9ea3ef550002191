#pragma once

#include "model/document.h"

#include <QWidget>

class QPushButton;
class QStatusBar;
class QTableWidget;

// The parts list: a modeless window listing every part in table order. It is a view onto the
// main window's document, refilled on request rather than kept in step, so it never holds state
// the document does not.
class TPart : public QWidget {
  Q_OBJECT
public:
  explicit TPart(QWidget* owner);
  ~TPart() override;  // FormDestroy

  QTableWidget* LV = nullptr;
  QWidget* Panel1 = nullptr;
  QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr;
  QStatusBar* StatusBar1 = nullptr;

  // Empties the list and lists every record in use.
  void FillList();
  void AppendRow(const TPartData& record);
  // The selected row, or -1.
  int selectedRow() const;

  void ListViewClick();
  void ListViewDblClick();
  void BitBtnClick(QPushButton* sender);
  // Returns whether the key was consumed.
  bool FormKeyDown(int key);

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void FormShow();
  QPushButton* addButton(int tag, int x, const QString& caption, const QColor& colour);

  bool placed_ = false;
};

// The open parts list, or null while none is open.
extern TPart* Part;
