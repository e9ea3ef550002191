#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/main/errorreport.h"
#include "ui/main/helpwindow.h"
#include "ui/main/icons.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/qtdialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>

namespace {

// Where a menu item's command also has a toolbar button: its hint and image.
struct ToolbarEntry {
  int tag;
  const char16_t* hint;
  ToolbarPicture image;
};

constexpr ToolbarEntry kToolbar[] = {
    {MainWindow::tagNew, u"新規作成", ToolbarPicture::BlankSheet},
    {MainWindow::tagOpenProject, u"ﾌﾟﾛｼﾞｪｸﾄを開く", ToolbarPicture::WrittenSheet},
    {MainWindow::tagSaveProject, u"ﾌﾟﾛｼﾞｪｸﾄを保存", ToolbarPicture::SheetIntoTray},
    {MainWindow::tagSaveLogo, u"ﾛｺﾞを保存", ToolbarPicture::WindowOverDisk},
    {-1, nullptr, {}},
    {MainWindow::tagPartsList, u"部品ﾘｽﾄ", ToolbarPicture::SheetStack},
    {-1, nullptr, {}},
    {MainWindow::tagAddText, u"文字を追加", ToolbarPicture::LetterA},
    {MainWindow::tagAddPicture, u"画像を追加", ToolbarPicture::WalkingFigure},
    {-1, nullptr, {}},
    {MainWindow::tagBackgroundPicture, u"背景に画像読み込み", ToolbarPicture::ArrowIntoFigure},
    {MainWindow::tagBackgroundFill, u"背景の塗り潰し", ToolbarPicture::Pencil},
    {-1, nullptr, {}},
    {MainWindow::tagHelp, u"ﾍﾙﾌﾟ", ToolbarPicture::QuestionMark},
    {-1, nullptr, {}},
};

bool hasToolButton(int tag) {
  for (const ToolbarEntry& e : kToolbar)
    if (e.tag == tag) return true;
  return false;
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Dialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), dialogs_(std::move(dialogs)) {
  setWindowTitle(QStringLiteral("Pelmora"));
  setWindowIcon(applicationIcon());
  QFont windowFont(QStringLiteral("ＭＳ Ｐゴシック"));
  windowFont.setPixelSize(12);
  setFont(windowFont);
  move(253, 106);
  resize(480, 365);
  setMinimumSize(480, 300);
  setAcceptDrops(true);
  if (!dialogs_) dialogs_ = std::make_unique<QtDialogs>(this);
  createMenus();
  createToolBar();
  auto* client = new QWidget(this);
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  createPanel();
  createCanvas();
  column->addWidget(propertyPanel);
  column->addWidget(canvasScroll, 1);
  setCentralWidget(client);
  statusStrip = new QStatusBar(this);
  statusStrip->setFixedHeight(19);
  setStatusBar(statusStrip);
  clearAtCreation();
}

MainWindow::~MainWindow() = default;

void MainWindow::clearAtCreation() {
  clearDocument(Document);
  backgroundControl->setHint(QStringLiteral("背景"));
  selection = BACKGROUND_TAG;
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    firstShow();
  }
}

void MainWindow::firstShow() {
  dragMode = NoDrag;
  newComposition();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The answer to the question may keep the window open, and so may a save that failed.
  bool mayClose = false;
  guarded([&] { mayClose = mayDropComposition(); });
  if (mayClose)
    event->accept();
  else
    event->ignore();
}

TDocument MainWindow::documentAsSaved() const {
  TDocument saved = Document;
  const Bounds& b = backgroundControl->bounds();
  saved.BackLeft = b.left;
  saved.BackTop = b.top;
  saved.BackWidth = b.width;
  saved.BackHeight = b.height;
  copyPartBounds(saved);
  return saved;
}

bool MainWindow::isModified() const {
  const TDocument now = documentAsSaved();
  return std::memcmp(&now, &lastSaved_, sizeof now) != 0;
}

void MainWindow::markSaved() { lastSaved_ = documentAsSaved(); }

bool MainWindow::mayDropComposition() {
  if (!isModified()) return true;
  switch (dialogs_->askToSaveChanges()) {
    case Dialogs::UnsavedChanges::Save: return saveProject();
    case Dialogs::UnsavedChanges::Discard: return true;
    case Dialogs::UnsavedChanges::Cancel: break;
  }
  return false;
}

void MainWindow::createMenus() {
  mainMenu = menuBar();
  auto item = [this](QMenu* menu, int tag, const QString& caption) {
    auto* a = menu->addAction(caption);
    a->setData(tag);
    a->setIconVisibleInMenu(false);
    connect(a, &QAction::triggered, this, [this, a] { guarded([&] { menuItemClicked(a); }); });
    return a;
  };
  auto title = [this](int tag, const QString& caption) {
    QMenu* menu = mainMenu->addMenu(caption);
    menu->menuAction()->setData(tag);
    return menu;
  };
  fileMenu = title(tagFile, QStringLiteral(" ﾌｧｲﾙ "));
  newAction = item(fileMenu, tagNew, QStringLiteral("新規作成"));
  openProjectAction = item(fileMenu, tagOpenProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"));
  saveProjectAction = item(fileMenu, tagSaveProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"));
  fileMenu->addSeparator();
  saveLogoAction = item(fileMenu, tagSaveLogo, QStringLiteral("ﾛｺﾞを保存"));
  fileMenu->addSeparator();
  exitAction = item(fileMenu, tagExit, QStringLiteral("終了"));

  viewMenu = title(tagView, QStringLiteral(" 表示 "));
  toolbarAction = item(viewMenu, tagToolbar, QStringLiteral("ﾂｰﾙﾊﾞｰ"));
  toolbarAction->setCheckable(true);
  toolbarAction->setChecked(true);
  partsListAction = item(viewMenu, tagPartsList, QStringLiteral("部品ﾘｽﾄ"));

  addMenu = title(tagAdd, QStringLiteral(" 追加 "));
  addTextAction = item(addMenu, tagAddText, QStringLiteral("文字"));
  addPictureAction = item(addMenu, tagAddPicture, QStringLiteral("画像"));

  backgroundMenu = title(tagBackground, QStringLiteral(" 背景 "));
  backgroundPictureAction = item(backgroundMenu, tagBackgroundPicture, QStringLiteral("画像読み込み"));
  backgroundFillAction = item(backgroundMenu, tagBackgroundFill, QStringLiteral("塗り潰し"));
  backgroundMenu->addSeparator();
  noMoveAction = item(backgroundMenu, tagNoMove, QStringLiteral("移動禁止"));
  noMoveAction->setCheckable(true);
  noResizeAction = item(backgroundMenu, tagNoResize, QStringLiteral("ｻｲｽﾞ変更禁止"));
  noResizeAction->setCheckable(true);

  versionMenu = title(tagVersionMenu, QStringLiteral(" ﾊﾞｰｼﾞｮﾝ "));
  helpAction = item(versionMenu, tagHelp, QStringLiteral("ﾍﾙﾌﾟ"));
  versionMenu->addSeparator();
  versionAction = item(versionMenu, tagVersion, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
}

void MainWindow::createToolBar() {
  mainToolBar = addToolBar(QStringLiteral("mainToolBar"));
  mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
  mainToolBar->setMovable(false);
  mainToolBar->setFloatable(false);
  mainToolBar->setIconSize(QSize(16, 16));
  mainToolBar->setFixedHeight(27);
  mainToolBar->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  for (const ToolbarEntry& e : kToolbar) {
    if (e.tag < 0) {
      mainToolBar->addSeparator();
      continue;
    }
    QAction* a = action(e.tag);
    a->setToolTip(QString::fromUtf16(e.hint));
    a->setIcon(toolbarIcon(e.image));
    mainToolBar->addAction(a);
  }
}

void MainWindow::createCanvas() {
  canvasScroll = new QScrollArea(this);
  canvasScroll->setObjectName(QStringLiteral("canvasScroll"));
  canvas = new QWidget;
  canvas->setObjectName(QStringLiteral("canvas"));
  canvasScroll->setWidget(canvas);
  canvasScroll->setWidgetResizable(false);
  canvasScroll->viewport()->installEventFilter(this);
  backgroundControl = new PictureControl(BACKGROUND_TAG, canvas);
  backgroundControl->setBounds({144, 44, 200, 60});
  backgroundControl->setStretch(true);
  bindControl(backgroundControl);
}

void MainWindow::bindControl(PictureControl* control) {
  connect(control, &PictureControl::pressed, this,
          [this](PictureControl* c, Qt::MouseButton b, QPoint at) { guarded([&] { controlPressed(c, b, at); }); });
  connect(control, &PictureControl::moved, this,
          [this](PictureControl* c, QPoint at) { guarded([&] { controlMoved(c, at); }); });
  connect(control, &PictureControl::released, this, &MainWindow::controlReleased);
  connect(control, &PictureControl::boundsChanged, this, &MainWindow::updateCanvasExtent);
}

void MainWindow::updateCanvasExtent() {
  // A drag keeps the extent it started with: a canvas growing or shrinking under the pointer would
  // scroll the pressed control away from it. The release brings the extent up to date.
  if (dragMode != NoDrag) return;
  // The content grows to hold every control, so the scroll bars reach all of them.
  QSize content(0, 0);
  for (const QObject* child : canvas->children())
    if (const auto* w = qobject_cast<const QWidget*>(child))
      content = content.expandedTo(QSize(w->geometry().right() + 1, w->geometry().bottom() + 1));
  // It fills the viewport that is left beside the scroll bars the content needs, and no more, so
  // that no bar appears for the filling alone.
  const QSize full = canvasScroll->maximumViewportSize();
  const int barHeight = canvasScroll->horizontalScrollBar()->sizeHint().height();
  const int barWidth = canvasScroll->verticalScrollBar()->sizeHint().width();
  bool wide = content.width() > full.width();
  const bool tall = content.height() > full.height() - (wide ? barHeight : 0);
  wide = content.width() > full.width() - (tall ? barWidth : 0);
  const QSize view(full.width() - (tall ? barWidth : 0), full.height() - (wide ? barHeight : 0));
  const QSize extent = content.expandedTo(view).boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  if (canvas->size() != extent) canvas->resize(extent);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == canvasScroll->viewport() && event->type() == QEvent::Resize) updateCanvasExtent();
  return QMainWindow::eventFilter(watched, event);
}

QAction* MainWindow::action(int tag) const {
  for (QAction* a : {newAction, openProjectAction, saveProjectAction, saveLogoAction, exitAction, toolbarAction,
                     partsListAction, addTextAction, addPictureAction, backgroundPictureAction, backgroundFillAction,
                     noMoveAction, noResizeAction, helpAction, versionAction})
    if (a && a->data().toInt() == tag) return a;
  return nullptr;
}

QToolButton* MainWindow::toolButton(int tag) const {
  QAction* a = action(tag);
  return a && hasToolButton(tag) ? qobject_cast<QToolButton*>(mainToolBar->widgetForAction(a)) : nullptr;
}

void MainWindow::menuItemClicked(QAction* sender) {
  const int tag = sender ? sender->data().toInt() : -1;
  if (hasToolButton(tag)) {
    runCommand(tag);
    return;
  }
  switch (tag) {
    case tagExit: close(); break;
    case tagToolbar:
      // Qt has already turned the check mark; the toolbar follows it.
      mainToolBar->setVisible(toolbarAction->isChecked());
      break;
    case tagNoMove:
    case tagNoResize: break;  // the check mark is the whole state; the canvas reads it
    case tagVersion: showVersion(); break;
    default: break;  // the menu titles
  }
}

void MainWindow::runCommand(int tag) {
  switch (tag) {
    case tagNew:
      if (mayDropComposition()) newComposition();
      break;
    case tagOpenProject: openProject(); break;
    case tagSaveProject: saveProject(); break;
    case tagSaveLogo: saveLogo(); break;
    case tagPartsList: openPartsList(); break;
    case tagAddText: addPart(pkText); break;
    case tagAddPicture: addPart(pkPicture); break;
    case tagBackgroundPicture: chooseBackgroundPicture(); break;
    case tagBackgroundFill: chooseBackgroundFill(); break;
    case tagHelp: showHelp(); break;
    default: break;
  }
}

void MainWindow::newComposition() {
  closePartsList();
  clearDocument(Document);
  freePartControls();
  selection = BACKGROUND_TAG;
  Document.BackColor = clWhite;
  backgroundControl->clearRaster();
  backgroundControl->setWidth(200);
  backgroundControl->setHeight(60);
  fillBackground(clWhite);
  centreBackground();
  resetPanel();
  markSaved();
}

void MainWindow::freePartControls() {
  for (PictureControl*& control : partControls) {
    delete control;
    control = nullptr;
  }
}

void MainWindow::centreBackground() {
  backgroundControl->setLeft((canvasScroll->width() - backgroundControl->width()) / 2);
  backgroundControl->setTop((canvasScroll->height() - backgroundControl->height()) / 2);
}

void MainWindow::fillBackground(Colour colour) {
  QImage raster = backgroundControl->raster();
  if (raster.isNull())
    raster = makeWhiteRaster(std::max(backgroundControl->width(), 0), std::max(backgroundControl->height(), 0));
  if (!raster.isNull()) {
    if (raster.format() != QImage::Format_RGB32) raster = raster.convertToFormat(QImage::Format_RGB32);
    raster.fill(QColor(rgbFromColour(colour)));
  }
  backgroundControl->setRaster(std::move(raster));
}

void MainWindow::chooseBackgroundFill() {
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  std::memset(Document.BackFile, 0, sizeof Document.BackFile);
  Document.BackColor = *colour;
  backgroundControl->clearRaster();
  fillBackground(Document.BackColor);
}

void MainWindow::showHelp() { showHelpWindow(this, helpFilePath()); }
