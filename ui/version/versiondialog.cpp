#include "ui/version/versiondialog.h"

#include "ui/common/icons.h"
#include "ui/common/windowfont.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

QPoint centredOver(const QRect& owner, const QSize& own) {
  // Integer division truncates toward zero, as the placement always has.
  const int left = owner.left() + (owner.width() - own.width()) / 2;
  const int top = owner.top() + (owner.height() - own.height()) / 2;
  return {std::max(left, 0), std::max(top, 0)};
}

VersionDialog::VersionDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  setFixedSize(281, 119);
  setFont(windowFont());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);

  auto* iconFrame = new QFrame(this);
  iconFrame->setObjectName(QStringLiteral("iconFrame"));
  iconFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  iconFrame->setLineWidth(1);
  iconFrame->setGeometry(8, 8, 33, 33);
  auto* iconLabel = new QLabel(iconFrame);
  iconLabel->setObjectName(QStringLiteral("iconLabel"));
  iconLabel->setGeometry(0, 0, 32, 32);
  iconLabel->setPixmap(QPixmap::fromImage(applicationImage(32)));
  iconLabel->setFocusPolicy(Qt::NoFocus);

  auto label = [this](const char* name, int x, int y, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
  };
  label("nameLabel", 52, 8, QStringLiteral("Pelmora"));
  label("versionLabel", 52, 28, QStringLiteral("Version 1.00"));
  label("mailLabel", 8, 48, QStringLiteral("E-Mail : pelmora@example.org"));
  label("urlLabel", 8, 64, QStringLiteral("URL : https://pelmora.example.org/"));

  auto* separatorLine = new QFrame(this);
  separatorLine->setObjectName(QStringLiteral("separatorLine"));
  separatorLine->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  separatorLine->setGeometry(8, 80, 265, 2);

  label("iconCreditLabel", 16, 88, QStringLiteral("アイコンは Pelmora 開発チームが作成しました。"));
  label("iconUrlLabel", 16, 104, QStringLiteral("URL:https://pelmora.example.org/icons/"));

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setGeometry(204, 12, 67, 21);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  okButton_->installEventFilter(this);
  okButton_->setFocus();
}

VersionDialog::~VersionDialog() = default;

void VersionDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QWidget* owner = parentWidget())
    move(centredOver(owner->window()->frameGeometry(), frameGeometry().size()));
  okButton_->setFocus();
}

bool VersionDialog::handleKey(int key) {
  if (key != Qt::Key_Escape) return false;
  reject();
  return true;
}

bool VersionDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent*>(event)->key())) return true;
  return QDialog::eventFilter(watched, event);
}
