// Arranging the parts: the edit menu's copies, stacking and alignment, the logo to the clipboard.
// Each command is one edit of the composition; what can be done now is shown by greying.
#include "ui/window/mainwindow.h"

#include "model/failure.h"
#include "model/paths.h"
#include "render/logoexport.h"
#include "ui/canvas/canvasview.h"
#include "ui/common/errorreport.h"
#include "ui/common/usersettings.h"
#include "ui/window/logosettings.h"
#include "ui/window/partclipboard.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>

namespace {

// Where the choice of what several parts align to is kept between starts: the user's way of
// working, not the project's.
const QString kAlignToKey = QStringLiteral("arrange/alignTo");
const QString kAlignToSelection = QStringLiteral("selection");

}  // namespace

void MainWindow::createArrangeActions() {
  const auto command = [this](const char* name, const QString& caption, QKeySequence key,
                              std::function<void()> handler) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(key);
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { guarded(handler); });
    return a;
  };
  const auto handler = [this](void (MainWindow::*member)()) { return [this, member] { (this->*member)(); }; };
  using K = QKeySequence;
  cutAction_ = command("cutAction", QStringLiteral("切り取り"), K(Qt::CTRL | Qt::Key_X), handler(&MainWindow::cutPart));
  copyAction_ = command("copyAction", QStringLiteral("ｺﾋﾟｰ"), K(Qt::CTRL | Qt::Key_C), handler(&MainWindow::copyPart));
  pasteAction_ =
      command("pasteAction", QStringLiteral("貼り付け"), K(Qt::CTRL | Qt::Key_V), handler(&MainWindow::paste));
  duplicateAction_ =
      command("duplicateAction", QStringLiteral("複製"), K(Qt::CTRL | Qt::Key_D), handler(&MainWindow::duplicatePart));
  deleteAction_ =
      command("deleteAction", QStringLiteral("削除"), K(Qt::Key_Delete), handler(&MainWindow::deleteSelected));
  selectAllAction_ = command("selectAllAction", QStringLiteral("すべて選択"), K(Qt::CTRL | Qt::Key_A),
                             handler(&MainWindow::selectAll));

  using Order = Composition::Order;
  const auto order = [this, &command](const char* name, const QString& caption, K key, Order to) {
    orderActions_.push_back({command(name, caption, key, [this, to] { composition_->reorderSelected(to); }), to});
  };
  order("bringForwardAction", QStringLiteral("前面へ"), K(Qt::CTRL | Qt::Key_BracketRight), Order::Forward);
  order("sendBackwardAction", QStringLiteral("背面へ"), K(Qt::CTRL | Qt::Key_BracketLeft), Order::Backward);
  order("bringToFrontAction", QStringLiteral("最前面へ"), K(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketRight),
        Order::ToFront);
  order("sendToBackAction", QStringLiteral("最背面へ"), K(Qt::CTRL | Qt::SHIFT | Qt::Key_BracketLeft), Order::ToBack);

  using A = Composition::Alignment;
  const std::pair<const char*, std::pair<const char16_t*, A>> alignments[] = {
      {"alignLeftAction", {u"左揃え", A::Left}},
      {"alignHorizontalCentreAction", {u"左右中央", A::HorizontalCentre}},
      {"alignRightAction", {u"右揃え", A::Right}},
      {"alignTopAction", {u"上揃え", A::Top}},
      {"alignVerticalCentreAction", {u"上下中央", A::VerticalCentre}},
      {"alignBottomAction", {u"下揃え", A::Bottom}},
  };
  for (const auto& [name, what] : alignments) {
    alignActions_.push_back(command(name, QString::fromUtf16(what.first), K(),
                                    [this, to = what.second] { composition_->alignSelected(to, alignTo()); }));
  }
  for (const auto& [name, caption, axis] : {std::tuple("distributeHorizontallyAction", u"左右に等間隔", Qt::Horizontal),
                                            std::tuple("distributeVerticallyAction", u"上下に等間隔", Qt::Vertical)})
    distributeActions_.push_back(command(name, QString::fromUtf16(caption), K(),
                                         [this, axis = axis] { composition_->distributeSelected(axis); }));
  auto* alignTo = new QActionGroup(this);
  alignTo->setExclusive(true);
  alignToBackgroundAction_ = alignTo->addAction(QStringLiteral("背景に揃える"));
  alignToBackgroundAction_->setObjectName(QStringLiteral("alignToBackgroundAction"));
  alignToSelectionAction_ = alignTo->addAction(QStringLiteral("選択範囲に揃える"));
  alignToSelectionAction_->setObjectName(QStringLiteral("alignToSelectionAction"));
  for (QAction* a : alignTo->actions()) a->setCheckable(true);
  const bool toSelection = userSettings().value(kAlignToKey).toString() == kAlignToSelection;
  (toSelection ? alignToSelectionAction_ : alignToBackgroundAction_)->setChecked(true);
  connect(alignToSelectionAction_, &QAction::toggled, this,
          [](bool on) { userSettings().setValue(kAlignToKey, on ? kAlignToSelection : QStringLiteral("background")); });
  copyLogoAction_ = command("copyLogoAction", QStringLiteral("ﾛｺﾞをｺﾋﾟｰ"), K(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                            handler(&MainWindow::copyLogo));

  for (const auto signal : {&Composition::selectionChanged, &Composition::partsReset})
    connect(composition_, signal, this, &MainWindow::showArrangeState);
  connect(composition_, &Composition::partAdded, this, &MainWindow::showArrangeState);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &MainWindow::showClipboardState);
  showClipboardState();
}

QMenu* MainWindow::createEditMenu() {
  QMenu* edit = menuBar()->addMenu(QStringLiteral(" 編集 "));
  edit->setObjectName(QStringLiteral("editMenu"));
  // Not every system tells of every change of the clipboard; the menu shows it as it is.
  connect(edit, &QMenu::aboutToShow, this, &MainWindow::showClipboardState);
  edit->addActions({undoAction_, redoAction_});
  edit->addSeparator();
  edit->addActions({cutAction_, copyAction_, pasteAction_, duplicateAction_, deleteAction_, selectAllAction_});
  edit->addSeparator();
  for (const auto& [action, order] : orderActions_) edit->addAction(action);
  QMenu* align = edit->addMenu(QStringLiteral("整列"));
  align->setObjectName(QStringLiteral("alignMenu"));
  align->addActions(alignActions_);
  align->addSeparator();
  align->addActions(distributeActions_);
  align->addSeparator();
  align->addActions({alignToBackgroundAction_, alignToSelectionAction_});
  edit->addSeparator();
  edit->addAction(copyLogoAction_);
  return edit;
}

void MainWindow::showArrangeState() {
  const bool part = composition_->partSelected();
  const int selected = composition_->selection().count();
  for (QAction* a : {cutAction_, copyAction_, deleteAction_}) a->setEnabled(part);
  duplicateAction_->setEnabled(part && composition_->canAddParts(selected));
  pasteAction_->setEnabled(composition_->canAddPart() && clipboardOffersPaste_);
  selectAllAction_->setEnabled(selected < composition_->partCount());
  for (const auto& [action, order] : orderActions_) action->setEnabled(composition_->canReorder(order));
  for (QAction* a : alignActions_) a->setEnabled(part);
  for (QAction* a : distributeActions_) a->setEnabled(composition_->canDistribute());
}

Composition::AlignTo MainWindow::alignTo() const {
  return alignToSelectionAction_->isChecked() ? Composition::AlignTo::Selection : Composition::AlignTo::Background;
}

void MainWindow::selectAll() {
  canvasView_->endDrag();
  composition_->selectAll();
}

void MainWindow::showClipboardState() {
  clipboardOffersPaste_ = PartClipboard::offersPaste();
  showArrangeState();
}

void MainWindow::copyPart() {
  if (const std::vector<PartCopy> copies = composition_->copySelected(); !copies.empty())
    PartClipboard::putParts(copies);
}

void MainWindow::cutPart() {
  if (const std::vector<PartCopy> copies = composition_->cutSelected(); !copies.empty())
    PartClipboard::putParts(copies);
}

void MainWindow::paste() {
  if (!composition_->canAddPart()) return;
  const PartClipboard::Paste found = PartClipboard::take();
  if (!found.parts.empty()) {
    const int count = static_cast<int>(found.parts.size());
    if (!composition_->canAddParts(count)) {
      // Some of them only would be a paste the user did not ask for.
      dialogs_->showMessage(
          QStringLiteral("部品は %1 個までです。%2 個を貼り付けると %3 個になるため、貼り付けませんでした。")
              .arg(MAX_PARTS)
              .arg(count)
              .arg(composition_->partCount() + count),
          QStringLiteral("Pelmora"));
      return;
    }
    PartClipboard::countPaste(found);
    composition_->pasteParts(found.parts, found.shift);
    return;
  }
  if (!found.files.isEmpty()) {
    // Pictures, placed as files dropped beside the canvas are; a project among them is no part.
    QStringList pictures;
    for (const QString& path : found.files)
      if (!isProjectPath(path)) pictures << path;
    const QPoint corner = canvasView_->landingPoint(canvasView_, QPoint(-1, -1));
    reportAddFailures(composition_->addPictureParts(pictures, corner, true).failures);
    return;
  }
  if (!found.text.isEmpty()) composition_->pasteText(found.text);
}

void MainWindow::duplicatePart() { composition_->duplicateSelected(); }

void MainWindow::deleteSelected() { composition_->removeSelected(); }

void MainWindow::copyLogo() {
  const LogoOptions options = rememberedLogoOptions();
  // The clipboard takes the logo whole, where a saved one is written in bands.
  if (const QSize size = logoSize(options.scale); qint64{size.width()} * size.height() > kClipboardLogoPixels) {
    dialogs_->showMessage(QStringLiteral("ロゴが大きすぎるため (%1 × %2 ピクセル)、ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできません。"
                                         "ﾛｺﾞを保存で保存してください")
                              .arg(size.width())
                              .arg(size.height()),
                          QStringLiteral("Pelmora"));
    return;
  }
  const std::optional<QImage> logo = composition_->logoImage(options);
  if (!logo) {
    dialogs_->showMessage(QString::fromUtf16(NoPartsLogoMessage), QStringLiteral("Pelmora"));
    return;
  }
  PartClipboard::putImage(*logo);
}
