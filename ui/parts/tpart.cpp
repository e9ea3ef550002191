#include "ui/parts/tpart.h"

#include "ui/main/errorreport.h"

#include "model/fixedstring.h"
#include "model/paths.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/tmain.h"
#include "ui/version/tvers.h"

#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

TPart* Part = nullptr;

namespace {

const QSize kOuterSize(228, 308);

enum ButtonTag { btRefresh = 0, btDelete = 1, btClose = 2 };

QString kindName(std::int32_t kind) {
  switch (kind) {
    case pkText: return QStringLiteral("文字");
    case pkPicture: return QStringLiteral("画像");
    default: return {};
  }
}

QString partName(const TPartData& record) {
  switch (record.Kind) {
    case pkText: return fixedString(record.Text);
    case pkPicture: return pathFileName(fixedString(record.FileName));
    default: return {};
  }
}

}  // namespace

TPart::TPart(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setWindowTitle(QStringLiteral("部品ﾘｽﾄ"));
  QFont face(QStringLiteral("ＭＳ Ｐゴシック"));
  face.setPixelSize(12);
  setFont(face);
  resize(kOuterSize);

  LV = new QTableWidget(0, 3, this);
  LV->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("属性"), QStringLiteral("文字列/ﾌｧｲﾙ名")});
  LV->verticalHeader()->hide();
  LV->setColumnWidth(0, 26);
  LV->setColumnWidth(1, 36);
  LV->setColumnWidth(2, 138);
  LV->setShowGrid(true);
  LV->setSelectionBehavior(QAbstractItemView::SelectRows);
  LV->setSelectionMode(QAbstractItemView::SingleSelection);
  LV->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LV->verticalHeader()->setDefaultSectionSize(LV->fontMetrics().height() + 4);
  // The chosen part stays visible while the user works in the main window.
  QPalette palette = LV->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  LV->setPalette(palette);
  LV->viewport()->installEventFilter(this);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(32);
  BitBtn1 = addButton(btRefresh, 4, QStringLiteral("ﾘｽﾄ更新"), Qt::blue);
  BitBtn2 = addButton(btDelete, 76, QStringLiteral("削除"), Qt::magenta);
  BitBtn3 = addButton(btClose, 148, QStringLiteral("閉じる"), Qt::red);

  StatusBar1 = new QStatusBar(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(LV, 1);
  layout->addWidget(Panel1);
  layout->addWidget(StatusBar1);

  // The window sees every key before the control that has the focus.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  // The list belongs to the main window: it goes when that window closes.
  if (owner) owner->installEventFilter(this);
}

TPart::~TPart() {
  if (Part == this) Part = nullptr;
}

QPushButton* TPart::addButton(int tag, int x, const QString& caption, const QColor& colour) {
  auto* button = new QPushButton(caption, Panel1);
  button->setGeometry(x, 4, 69, 25);
  button->setProperty("tag", tag);
  QPalette palette = button->palette();
  palette.setColor(QPalette::ButtonText, colour);
  button->setPalette(palette);
  connect(button, &QPushButton::clicked, this, [this, button] { guarded([&] { BitBtnClick(button); }); });
  return button;
}

void TPart::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) {
    // The frame is known only now: the window's outer size is the fixed one, and it starts out
    // centred over its owner.
    placed_ = true;
    resize(kOuterSize - (frameGeometry().size() - size()));
    if (const QWidget* owner = parentWidget()) move(centredOver(owner->frameGeometry(), kOuterSize));
  }
  FormShow();
}

void TPart::FormShow() { LV->setRowCount(0); }

void TPart::closeEvent(QCloseEvent* event) {
  // FormClose: the window is freed once the event is over; until then nobody may reach it.
  event->accept();
  if (Part == this) Part = nullptr;
  deleteLater();
}

void TPart::FillList() {
  LV->setRowCount(0);
  const TDocument& doc = Main->Document;
  for (int i = 0; i < doc.PartCount && i < MAX_PARTS; ++i) AppendRow(doc.Parts[i]);
}

void TPart::AppendRow(const TPartData& record) {
  const int row = LV->rowCount();
  LV->insertRow(row);
  LV->setItem(row, 0, new QTableWidgetItem(QString::number(record.Index)));
  LV->setItem(row, 1, new QTableWidgetItem(kindName(record.Kind)));
  LV->setItem(row, 2, new QTableWidgetItem(partName(record)));
}

int TPart::selectedRow() const {
  const QList<QTableWidgetItem*> selected = LV->selectedItems();
  return selected.isEmpty() ? -1 : selected.first()->row();
}

void TPart::ListViewClick() {
  const int row = selectedRow();
  if (row < 0)
    Main->PanelReset();
  else
    Main->SelectPart(row);
}

void TPart::ListViewDblClick() {
  const int row = selectedRow();
  if (row < 0 || row >= MAX_PARTS) return;
  const PictureControl* c = Main->PartImages[static_cast<size_t>(row)];
  if (!c) return;
  const QPoint centre(c->left() + c->width() / 2, c->top() + c->height() / 2);
  QCursor::setPos(Main->Canvas->mapToGlobal(centre));
}

void TPart::BitBtnClick(QPushButton* sender) {
  switch (sender->property("tag").toInt()) {
    case btRefresh:
      FillList();
      break;
    case btDelete: {
      const int row = selectedRow();
      if (row < 0) return;
      // The controls are rebuilt even when some picture cannot be shown, and the list must
      // match them before that report goes out.
      try {
        Main->RemovePart(row);
      } catch (...) {
        FillList();
        throw;
      }
      FillList();
      break;
    }
    case btClose:
      close();
      break;
    default:
      break;
  }
}

bool TPart::FormKeyDown(int key) {
  if (key != Qt::Key_Escape) return false;
  close();
  return true;
}

void TPart::keyPressEvent(QKeyEvent* event) {
  if (!FormKeyDown(event->key())) QWidget::keyPressEvent(event);
}

bool TPart::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent()) {
    if (event->type() == QEvent::Close) close();
    return false;
  }
  switch (event->type()) {
    case QEvent::KeyPress:
      return FormKeyDown(static_cast<QKeyEvent*>(event)->key());
    case QEvent::MouseButtonPress:
      if (watched == LV->viewport()) {
        // A press below the rows chooses nothing, so the click then resets the panel.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!LV->itemAt(mouse->position().toPoint())) {
          LV->clearSelection();
          LV->setCurrentItem(nullptr);
        }
      }
      return false;
    case QEvent::MouseButtonRelease:
      if (watched == LV->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        ListViewClick();
      return false;
    case QEvent::MouseButtonDblClick:
      if (watched == LV->viewport()) ListViewDblClick();
      return false;
    default:
      return false;
  }
}
