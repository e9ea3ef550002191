#include "ui/main/messagebox.h"

#include <QMessageBox>

void makeTextCopyable(QMessageBox& box) {
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void showStopMessage(QWidget* owner, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
  makeTextCopyable(box);
  box.exec();
}
