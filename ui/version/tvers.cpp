#include "ui/version/tvers.h"

#include "ui/main/icons.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

TVers* Vers = nullptr;

QPoint centredOver(const QRect& owner, const QSize& own) {
  // Integer division truncates toward zero, as the placement always has.
  const int left = owner.left() + (owner.width() - own.width()) / 2;
  const int top = owner.top() + (owner.height() - own.height()) / 2;
  return {std::max(left, 0), std::max(top, 0)};
}

TVers::TVers(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
  setFixedSize(281, 119);
  QFont face(QStringLiteral("ＭＳ Ｐゴシック"));
  face.setPixelSize(12);
  setFont(face);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setAutoFillBackground(true);

  Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  Panel1->setGeometry(8, 8, 33, 33);
  Image1 = new QLabel(Panel1);
  Image1->setGeometry(0, 0, 32, 32);
  Image1->setPixmap(QPixmap::fromImage(applicationImage(32)));
  Image1->setFocusPolicy(Qt::NoFocus);

  auto label = [this](int x, int y, const QString& text) {
    auto* l = new QLabel(text, this);
    l->move(x, y);
    l->adjustSize();
    return l;
  };
  Label1 = label(52, 8, QStringLiteral("Pelmora"));
  Label2 = label(52, 28, QStringLiteral("Version 1.00"));
  Label4 = label(8, 48, QStringLiteral("E-Mail : pelmora@example.org"));
  Label3 = label(8, 64, QStringLiteral("URL : https://pelmora.example.org/"));

  Bevel1 = new QFrame(this);
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(8, 80, 265, 2);

  Label5 = label(16, 88, QStringLiteral("アイコンは Pelmora 開発チームが作成しました。"));
  Label7 = label(16, 104, QStringLiteral("URL:https://pelmora.example.org/icons/"));

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setGeometry(204, 12, 67, 21);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  BitBtn1->installEventFilter(this);
  BitBtn1->setFocus();
}

TVers::~TVers() {
  if (Vers == this) Vers = nullptr;
}

void TVers::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QWidget* owner = parentWidget()) move(centredOver(owner->window()->frameGeometry(), frameGeometry().size()));
  BitBtn1->setFocus();
}

bool TVers::FormKeyDown(int key) {
  if (key != Qt::Key_Escape) return false;
  reject();
  return true;
}

bool TVers::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
  return QDialog::eventFilter(watched, event);
}
