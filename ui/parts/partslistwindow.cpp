#include "ui/parts/partslistwindow.h"

#include "edit/composition.h"
#include "ui/common/errorreport.h"
#include "ui/common/windowfont.h"

#include "ui/version/versiondialog.h"

#include <QCloseEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QSize kOuterSize(228, 308);

QString kindName(PartView::Kind kind) {
  switch (kind) {
    case PartView::Kind::Text: return QStringLiteral("文字");
    case PartView::Kind::Picture: return QStringLiteral("画像");
    default: return {};
  }
}

}  // namespace

PartsListWindow::PartsListWindow(PartsListHost& host, QWidget* owner) : QWidget(owner, Qt::Tool), host_(host) {
  setWindowTitle(QStringLiteral("部品ﾘｽﾄ"));
  setFont(windowFont());
  resize(kOuterSize);

  partsTable_ = new QTableWidget(0, 3, this);
  partsTable_->setObjectName(QStringLiteral("partsTable"));
  partsTable_->setHorizontalHeaderLabels(
      {QStringLiteral("No"), QStringLiteral("属性"), QStringLiteral("文字列/ﾌｧｲﾙ名")});
  partsTable_->verticalHeader()->hide();
  partsTable_->setColumnWidth(0, 26);
  partsTable_->setColumnWidth(1, 36);
  partsTable_->setColumnWidth(2, 138);
  partsTable_->setShowGrid(true);
  partsTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
  partsTable_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  partsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab leaves the list for its buttons rather than walking its cells.
  partsTable_->setTabKeyNavigation(false);
  partsTable_->verticalHeader()->setDefaultSectionSize(partsTable_->fontMetrics().height() + 4);
  // The chosen part stays visible while the user works in the main window.
  QPalette palette = partsTable_->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  partsTable_->setPalette(palette);
  partsTable_->viewport()->installEventFilter(this);

  buttonPanel_ = new QWidget(this);
  buttonPanel_->setObjectName(QStringLiteral("buttonPanel"));
  buttonPanel_->setFixedHeight(32);
  refreshButton_ = addButton("refreshButton", 4, QStringLiteral("ﾘｽﾄ更新"), Qt::blue);
  deleteButton_ = addButton("deleteButton", 76, QStringLiteral("削除"), Qt::magenta);
  closeButton_ = addButton("closeButton", 148, QStringLiteral("閉じる"), Qt::red);
  connect(refreshButton_, &QPushButton::clicked, this, &PartsListWindow::fillList);
  connect(deleteButton_, &QPushButton::clicked, this, [this] { guarded([&] { deleteSelectedPart(); }); });
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);

  statusStrip_ = new QStatusBar(this);
  statusStrip_->setObjectName(QStringLiteral("statusStrip"));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(partsTable_, 1);
  layout->addWidget(buttonPanel_);
  layout->addWidget(statusStrip_);

  const Composition& composition = host_.composition();
  connect(&composition, &Composition::partsReset, this, &PartsListWindow::fillList);
  connect(&composition, &Composition::partAdded, this,
          [this](int index) { appendRow(host_.composition().part(index)); });
  connect(&composition, &Composition::partChanged, this, &PartsListWindow::showRow);
  connect(&composition, &Composition::selectionChanged, this, &PartsListWindow::showSelection);

  // The window sees every key before the control that has the focus.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
  // The list belongs to the main window: it goes when that window closes.
  if (owner) owner->installEventFilter(this);
}

PartsListWindow::~PartsListWindow() = default;

QPushButton* PartsListWindow::addButton(const char* name, int x, const QString& caption, const QColor& colour) {
  auto* button = new QPushButton(caption, buttonPanel_);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(x, 4, 69, 25);
  QPalette palette = button->palette();
  palette.setColor(QPalette::ButtonText, colour);
  button->setPalette(palette);
  return button;
}

void PartsListWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!placed_) {
    // The frame is known only now: the window's outer size is the fixed one, and it starts out
    // centred over its owner.
    placed_ = true;
    resize(kOuterSize - (frameGeometry().size() - size()));
    if (const QWidget* owner = parentWidget()) move(centredOver(owner->frameGeometry(), kOuterSize));
  }
  firstShow();
}

void PartsListWindow::firstShow() { partsTable_->setRowCount(0); }

void PartsListWindow::closeEvent(QCloseEvent* event) {
  // FormClose: the window is freed once the event is over; until then nobody may reach it.
  event->accept();
  deleteLater();
}

void PartsListWindow::fillList() {
  partsTable_->setRowCount(0);
  const Composition& composition = host_.composition();
  for (int i = 0; i < composition.partCount(); ++i) appendRow(composition.part(i));
  showSelection();
}

void PartsListWindow::showSelection() {
  // Written through the selection model, which reports nothing back: only the user's clicks and
  // keys below choose parts.
  const std::vector<int>& parts = host_.composition().selection().parts();
  if (selectedRows() == parts) return;
  QItemSelection rows;
  for (int index : parts)
    if (index < partsTable_->rowCount())
      rows.select(partsTable_->model()->index(index, 0),
                  partsTable_->model()->index(index, partsTable_->columnCount() - 1));
  partsTable_->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
}

void PartsListWindow::appendRow(const PartView& part) {
  const int row = partsTable_->rowCount();
  partsTable_->insertRow(row);
  partsTable_->setItem(row, 0, new QTableWidgetItem(QString::number(part.index)));
  partsTable_->setItem(row, 1, new QTableWidgetItem(kindName(part.kind)));
  partsTable_->setItem(row, 2, new QTableWidgetItem(part.name));
}

void PartsListWindow::showRow(int index) {
  if (QTableWidgetItem* name = partsTable_->item(index, 2)) name->setText(host_.composition().part(index).name);
}

int PartsListWindow::selectedRow() const {
  const std::vector<int> rows = selectedRows();
  return rows.empty() ? -1 : rows.front();
}

std::vector<int> PartsListWindow::selectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& row : partsTable_->selectionModel()->selectedRows()) rows.push_back(row.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void PartsListWindow::rowClicked() {
  const std::vector<int> rows = selectedRows();
  if (rows.empty())
    host_.resetPanel();
  else if (rows.size() == 1)
    host_.selectPart(rows.front());
  else
    host_.selectParts(rows);
}

void PartsListWindow::rowDoubleClicked() {
  const int row = selectedRow();
  if (row < 0 || row >= MAX_PARTS) return;
  if (const std::optional<QPoint> centre = host_.partCentreOnScreen(row)) QCursor::setPos(*centre);
}

void PartsListWindow::deleteSelectedPart() {
  const std::vector<int> rows = selectedRows();
  if (rows.size() == 1) {
    host_.removePart(rows.front());
  } else if (!rows.empty()) {
    host_.selectParts(rows);
    host_.removeSelected();
  }
}

bool PartsListWindow::handleKey(int key) {
  if (key != Qt::Key_Escape) return false;
  close();
  return true;
}

void PartsListWindow::keyPressEvent(QKeyEvent* event) {
  if (!handleKey(event->key())) QWidget::keyPressEvent(event);
}

bool PartsListWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parent()) {
    // Only once the owner has really closed: its close may still be answered キャンセル.
    if (event->type() == QEvent::Hide && !static_cast<QWidget*>(watched)->isVisible()) close();
    return false;
  }
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      // A row chosen with the keys chooses its part as a click does, once the list has moved.
      if (watched == partsTable_ && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                                     key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End))
        QMetaObject::invokeMethod(this, &PartsListWindow::rowClicked, Qt::QueuedConnection);
      return handleKey(key);
    }
    case QEvent::MouseButtonPress:
      if (watched == partsTable_->viewport()) {
        // A press below the rows chooses nothing, so the click then resets the panel.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!partsTable_->itemAt(mouse->position().toPoint())) {
          partsTable_->clearSelection();
          partsTable_->setCurrentItem(nullptr);
        }
      }
      return false;
    case QEvent::MouseButtonRelease:
      if (watched == partsTable_->viewport() && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        rowClicked();
      return false;
    case QEvent::MouseButtonDblClick:
      if (watched == partsTable_->viewport()) rowDoubleClicked();
      return false;
    default: return false;
  }
}
