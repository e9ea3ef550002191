#include "ui/window/mainwindow.h"

#include "edit/recovery.h"
#include "render/fonts.h"
#include "ui/canvas/canvasview.h"
#include "ui/common/errorreport.h"
#include "ui/dialogs/helpwindow.h"
#include "ui/common/icons.h"
#include "ui/panel/propertypanel.h"
#include "ui/dialogs/qtdialogs.h"
#include "ui/common/usersettings.h"
#include "ui/common/windowfont.h"
#include "ui/version/versiondialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Where snapping's check mark is kept between starts.
const QString kSnapKey = QStringLiteral("view/snap");

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(std::move(dialogs)) {
  setWindowTitle(QStringLiteral("Pelmora"));
  setWindowIcon(applicationIcon());
  setFont(windowFont());
  move(253, 106);
  resize(480, 365);
  setMinimumSize(480, 300);
  setAcceptDrops(true);
  // The parts list stays open beside the editor while the user works: the hints over the toolbar
  // and the parts still show when it, not the editor, is the active window.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  composition_ = new Composition(TEXT_DPI, this);
  composition_->setObjectName(QStringLiteral("composition"));
  recovery_ = new RecoveryCopy(*composition_, recoveryFolder(), this);
  if (!dialogs_) dialogs_ = std::make_unique<QtDialogs>(this);
  createActions();
  createMenus();
  createToolBar();
  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  createPanel();
  createCanvas();
  column->addWidget(panel_);
  column->addWidget(canvasView_, 1);
  setCentralWidget(client);
  auto* statusStrip = new QStatusBar(this);
  statusStrip->setFixedHeight(19);
  setStatusBar(statusStrip);
  // Where the selection stands and which logo pixel the pointer is over, in logo pixels: permanent,
  // so that a message or a menu item's path shows beside them rather than over them.
  positionLabel_ = new QLabel(statusStrip);
  positionLabel_->setObjectName(QStringLiteral("positionLabel"));
  statusStrip->addPermanentWidget(positionLabel_);
  pointerLabel_ = new QLabel(statusStrip);
  pointerLabel_->setObjectName(QStringLiteral("pointerLabel"));
  statusStrip->addPermanentWidget(pointerLabel_);
  connect(canvasView_, &CanvasView::pointerAt, pointerLabel_,
          [this](QPoint at) { pointerLabel_->setText(QStringLiteral("(%1, %2)").arg(at.x()).arg(at.y())); });
  connect(canvasView_, &CanvasView::pointerLeft, pointerLabel_, &QLabel::clear);
  for (const auto signal : {&Composition::selectionChanged, &Composition::partsReset, &Composition::backgroundChanged})
    connect(composition_, signal, this, &MainWindow::showPosition);
  connect(composition_, &Composition::partChanged, this, &MainWindow::showPosition);
  showPosition();
  scaleLabel_ = new QLabel(canvasView_->scale().percentText(), statusStrip);
  scaleLabel_->setObjectName(QStringLiteral("scaleLabel"));
  statusStrip->addPermanentWidget(scaleLabel_);
  // At 800 % and at 12.5 % the command that can go no further is greyed.
  connect(canvasView_, &CanvasView::scaleChanged, scaleLabel_, [this](ViewScale scale) {
    scaleLabel_->setText(scale.percentText());
    zoomInAction_->setEnabled(scale.step() < ViewScale::MaxStep);
    zoomOutAction_->setEnabled(scale.step() > ViewScale::MinStep);
  });
  connect(composition_, &Composition::selectionChanged, this, &MainWindow::showSelection);
  connect(composition_, &Composition::partChanged, this, &MainWindow::followSize);
  connect(composition_, &Composition::backgroundChanged, this, [this] { followSize(BACKGROUND_INDEX); });
  connect(composition_, &Composition::historyChanged, this, &MainWindow::showHistory);
  showHistory();
  // Said once: editing goes on without the copy, and the user may want to save more often.
  connect(recovery_, &RecoveryCopy::failed, this, [this] {
    statusBar()->showMessage(QStringLiteral("復元用のｺﾋﾟｰを保存できません (作業は続けられます)"), 30000);
  });
}

MainWindow::~MainWindow() = default;

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    // The background is centred in the view, which has its size only now.
    newComposition();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The answer to the question may keep the window open, and so may a save that failed.
  bool mayClose = false;
  guarded([&] { mayClose = mayDropComposition(); });
  if (!mayClose) {
    event->ignore();
    return;
  }
  // A normal close: what was not saved the user chose not to save.
  recovery_->finish();
  event->accept();
}

bool MainWindow::mayDropComposition() {
  if (!composition_->isModified()) return true;
  switch (dialogs_->askToSaveChanges()) {
    case Dialogs::UnsavedChanges::Save: return saveProject();
    case Dialogs::UnsavedChanges::Discard: return true;
    case Dialogs::UnsavedChanges::Cancel: break;
  }
  return false;
}

QAction* MainWindow::makeAction(const char* name, const QString& caption, void (MainWindow::*handler)()) {
  auto* a = new QAction(caption, this);
  a->setObjectName(QString::fromLatin1(name));
  a->setIconVisibleInMenu(false);
  connect(a, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
  return a;
}

void MainWindow::createActions() {
  newAction_ = makeAction("newAction", QStringLiteral("新規作成"), &MainWindow::newProject);
  openProjectAction_ = makeAction("openProjectAction", QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"), &MainWindow::openProject);
  saveProjectAction_ =
      makeAction("saveProjectAction", QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"), &MainWindow::saveProjectCommand);
  saveLogoAction_ = makeAction("saveLogoAction", QStringLiteral("ﾛｺﾞを保存"), &MainWindow::saveLogo);
  exitAction_ = new QAction(QStringLiteral("終了"), this);
  exitAction_->setObjectName(QStringLiteral("exitAction"));
  connect(exitAction_, &QAction::triggered, this, &QWidget::close);

  undoAction_ = makeAction("undoAction", QStringLiteral("元に戻す"), &MainWindow::undo);
  undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redoAction_ = makeAction("redoAction", QStringLiteral("やり直し"), &MainWindow::redo);
  redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

  toolBarAction_ = makeAction("toolbarAction", QStringLiteral("ﾂｰﾙﾊﾞｰ"), &MainWindow::toggleToolBar);
  toolBarAction_->setCheckable(true);
  toolBarAction_->setChecked(true);
  partsListAction_ = makeAction("partsListAction", QStringLiteral("部品ﾘｽﾄ"), &MainWindow::openPartsList);
  // A view setting, off until the user turns it on, then as the user last left it.
  snapAction_ = new QAction(QStringLiteral("ｽﾅｯﾌﾟ"), this);
  snapAction_->setObjectName(QStringLiteral("snapAction"));
  snapAction_->setCheckable(true);
  snapAction_->setChecked(userSettings().value(kSnapKey, false).toBool());
  connect(snapAction_, &QAction::toggled, this, [](bool on) { userSettings().setValue(kSnapKey, on); });

  addTextAction_ = makeAction("addTextAction", QStringLiteral("文字"), &MainWindow::addTextPart);
  addPictureAction_ = makeAction("addPictureAction", QStringLiteral("画像"), &MainWindow::addPicturePart);

  backgroundPictureAction_ =
      makeAction("backgroundPictureAction", QStringLiteral("画像読み込み"), &MainWindow::chooseBackgroundPicture);
  backgroundFillAction_ =
      makeAction("backgroundFillAction", QStringLiteral("塗り潰し"), &MainWindow::chooseBackgroundFill);
  // The check marks are the locks' whole state; the canvas is told of each change.
  noMoveAction_ = makeAction("noMoveAction", QStringLiteral("移動禁止"), &MainWindow::updateLocks);
  noMoveAction_->setCheckable(true);
  noResizeAction_ = makeAction("noResizeAction", QStringLiteral("ｻｲｽﾞ変更禁止"), &MainWindow::updateLocks);
  noResizeAction_->setCheckable(true);

  // Zooming is only a view, so it needs no guard: the canvas's controls are shown again and
  // nothing else changes. The shortcuts are also the usual ones for a plus typed without Shift
  // and for the keypad.
  const auto viewAction = [this](const char* name, const QString& caption, QList<QKeySequence> keys) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts(keys);
    return a;
  };
  zoomInAction_ =
      viewAction("zoomInAction", QStringLiteral("拡大"),
                 {QKeySequence(Qt::ControlModifier | Qt::Key_Plus), QKeySequence(Qt::ControlModifier | Qt::Key_Equal),
                  QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Plus)});
  zoomOutAction_ = viewAction("zoomOutAction", QStringLiteral("縮小"),
                              {QKeySequence(Qt::ControlModifier | Qt::Key_Minus),
                               QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Minus)});
  actualSizeAction_ = viewAction("actualSizeAction", QStringLiteral("等倍"),
                                 {QKeySequence(Qt::ControlModifier | Qt::Key_0),
                                  QKeySequence(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_0)});

  createArrangeActions();

  helpAction_ = makeAction("helpAction", QStringLiteral("ﾍﾙﾌﾟ"), &MainWindow::showHelp);
  versionAction_ = makeAction("versionAction", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"), &MainWindow::showVersion);

  // The toolbar's buttons: a hint and a picture each.
  const std::pair<QAction*, std::pair<const char16_t*, ToolbarPicture>> buttons[] = {
      {newAction_, {u"新規作成", ToolbarPicture::BlankSheet}},
      {openProjectAction_, {u"ﾌﾟﾛｼﾞｪｸﾄを開く", ToolbarPicture::WrittenSheet}},
      {saveProjectAction_, {u"ﾌﾟﾛｼﾞｪｸﾄを保存", ToolbarPicture::SheetIntoTray}},
      {saveLogoAction_, {u"ﾛｺﾞを保存", ToolbarPicture::WindowOverDisk}},
      {partsListAction_, {u"部品ﾘｽﾄ", ToolbarPicture::SheetStack}},
      {addTextAction_, {u"文字を追加", ToolbarPicture::LetterA}},
      {addPictureAction_, {u"画像を追加", ToolbarPicture::WalkingFigure}},
      {backgroundPictureAction_, {u"背景に画像読み込み", ToolbarPicture::ArrowIntoFigure}},
      {backgroundFillAction_, {u"背景の塗り潰し", ToolbarPicture::Pencil}},
      {helpAction_, {u"ﾍﾙﾌﾟ", ToolbarPicture::QuestionMark}},
  };
  for (const auto& [action, look] : buttons) {
    action->setToolTip(QString::fromUtf16(look.first));
    action->setIcon(toolbarIcon(look.second));
  }
}

void MainWindow::createMenus() {
  const auto menu = [this](const char* name, const QString& title, std::initializer_list<QAction*> actions) {
    QMenu* m = menuBar()->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    for (QAction* a : actions)
      if (a)
        m->addAction(a);
      else
        m->addSeparator();
    return m;
  };
  recentMenu_ = new QMenu(QStringLiteral("最近使ったﾌﾟﾛｼﾞｪｸﾄ"), this);
  recentMenu_->setObjectName(QStringLiteral("recentMenu"));
  QMenu* fileMenu = menu("fileMenu", QStringLiteral(" ﾌｧｲﾙ "),
                         {newAction_, openProjectAction_, saveProjectAction_, nullptr, saveLogoAction_, nullptr,
                          recentMenu_->menuAction(), nullptr, exitAction_});
  // Another window may have changed the list since this one last showed it.
  connect(fileMenu, &QMenu::aboutToShow, this, &MainWindow::showRecentProjects);
  showRecentProjects();
  createEditMenu();
  menu("viewMenu", QStringLiteral(" 表示 "),
       {toolBarAction_, partsListAction_, snapAction_, nullptr, zoomInAction_, zoomOutAction_, actualSizeAction_});
  menu("addMenu", QStringLiteral(" 追加 "), {addTextAction_, addPictureAction_});
  menu("backgroundMenu", QStringLiteral(" 背景 "),
       {backgroundPictureAction_, backgroundFillAction_, nullptr, noMoveAction_, noResizeAction_});
  menu("versionMenu", QStringLiteral(" ﾊﾞｰｼﾞｮﾝ "), {helpAction_, nullptr, versionAction_});
}

void MainWindow::createToolBar() {
  toolBar_ = addToolBar(QStringLiteral("mainToolBar"));
  toolBar_->setObjectName(QStringLiteral("mainToolBar"));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setFixedHeight(27);
  toolBar_->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  for (QAction* a : {newAction_, openProjectAction_, saveProjectAction_, saveLogoAction_,
                     static_cast<QAction*>(nullptr), partsListAction_, static_cast<QAction*>(nullptr), addTextAction_,
                     addPictureAction_, static_cast<QAction*>(nullptr), backgroundPictureAction_, backgroundFillAction_,
                     static_cast<QAction*>(nullptr), helpAction_, static_cast<QAction*>(nullptr)}) {
    if (a)
      toolBar_->addAction(a);
    else
      toolBar_->addSeparator();
  }
}

void MainWindow::createCanvas() {
  canvasView_ = new CanvasView(*composition_, this);
  canvasView_->setSnapping(snapAction_->isChecked());
  connect(snapAction_, &QAction::toggled, canvasView_, &CanvasView::setSnapping);
  connect(zoomInAction_, &QAction::triggered, canvasView_, &CanvasView::zoomIn);
  connect(zoomOutAction_, &QAction::triggered, canvasView_, &CanvasView::zoomOut);
  connect(actualSizeAction_, &QAction::triggered, canvasView_, &CanvasView::zoomToActualSize);
}

void MainWindow::showPosition() {
  const Selection& selection = composition_->selection();
  const bool several = selection.count() > 1;
  const Bounds b =
      several ? composition_->selectionBox() : composition_->bounds(selection.single().value_or(BACKGROUND_INDEX));
  const QString place = QStringLiteral("X %1  Y %2  W %3  H %4").arg(b.left).arg(b.top).arg(b.width).arg(b.height);
  positionLabel_->setText(several ? QStringLiteral("%1 部品  %2").arg(selection.count()).arg(place) : place);
}

void MainWindow::undo() { reportUnloaded(composition_->undo()); }

void MainWindow::redo() { reportUnloaded(composition_->redo()); }

void MainWindow::showHistory() {
  const auto show = [](QAction* action, const QString& verb, bool can, const QString& step) {
    action->setEnabled(can);
    action->setText(can && !step.isEmpty() ? QStringLiteral("%1 (%2)").arg(verb, step) : verb);
  };
  show(undoAction_, QStringLiteral("元に戻す"), composition_->canUndo(), composition_->undoName());
  show(redoAction_, QStringLiteral("やり直し"), composition_->canRedo(), composition_->redoName());
}

void MainWindow::toggleToolBar() {
  // Qt has already turned the check mark; the toolbar follows it.
  toolBar_->setVisible(toolBarAction_->isChecked());
}

void MainWindow::updateLocks() { canvasView_->setLocks({noMoveAction_->isChecked(), noResizeAction_->isChecked()}); }

void MainWindow::showHelp() { showHelpWindow(this, helpFilePath()); }

void MainWindow::showVersion() {
  const std::unique_ptr<VersionDialog> window(new VersionDialog(this));
  window->exec();
}
