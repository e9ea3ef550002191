#pragma once

#include "edit/partview.h"
#include "ui/parts/partslisthost.h"

#include <QWidget>

class QPushButton;
class QStatusBar;
class QTableWidget;

// The parts list: a modeless window listing every part in table order. It is a view of the
// composition: its rows follow the composition's signals, so it never holds state the composition
// does not.
class PartsListWindow : public QWidget {
  Q_OBJECT
public:
  // `host` is the window that owns the list and outlives it.
  PartsListWindow(PartsListHost& host, QWidget* owner);
  ~PartsListWindow() override;

  // Empties the list and lists every record in use.
  void fillList();
  void appendRow(const PartView& part);
  // The selected row, or -1; every selected row, in order.
  int selectedRow() const;
  std::vector<int> selectedRows() const;

  // Returns whether the key was consumed.
  bool handleKey(int key);

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void firstShow();
  QPushButton* addButton(const char* name, int x, const QString& caption, const QColor& colour);
  void rowClicked();
  void rowDoubleClicked();
  void deleteSelectedPart();
  // A part's row shows its name as it now is.
  void showRow(int index);
  // The rows chosen are the composition's selected parts, the background's none.
  void showSelection();

  QTableWidget* partsTable_ = nullptr;
  QWidget* buttonPanel_ = nullptr;
  QPushButton *refreshButton_ = nullptr, *deleteButton_ = nullptr, *closeButton_ = nullptr;
  QStatusBar* statusStrip_ = nullptr;

  PartsListHost& host_;
  bool placed_ = false;
};
