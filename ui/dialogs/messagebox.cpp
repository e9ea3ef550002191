#include "ui/dialogs/messagebox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace {

// Ctrl+C that no label took (nothing selected, the focus on a button) copies the whole message,
// which is what goes into a report.
class CopyWholeMessage : public QObject {
public:
  explicit CopyWholeMessage(QMessageBox& box) : QObject(&box), box_(box) { box.installEventFilter(this); }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &box_ || event->type() != QEvent::KeyPress) return false;
    if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) return false;
    QGuiApplication::clipboard()->setText(box_.text());
    return true;
  }

private:
  QMessageBox& box_;
};

}  // namespace

void makeTextCopyable(QMessageBox& box) {
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  new CopyWholeMessage(box);
}

void showStopMessage(QWidget* owner, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner);
  makeTextCopyable(box);
  box.exec();
}
