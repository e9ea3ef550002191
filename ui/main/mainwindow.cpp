#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "render/raster.h"
#include "ui/main/canvasview.h"
#include "ui/main/errorreport.h"
#include "ui/main/helpwindow.h"
#include "ui/main/icons.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/qtdialogs.h"
#include "ui/main/windowfont.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenuBar>
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
  setFont(windowFont());
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
  column->addWidget(panel_);
  column->addWidget(canvasView_, 1);
  setCentralWidget(client);
  auto* statusStrip = new QStatusBar(this);
  statusStrip->setFixedHeight(19);
  setStatusBar(statusStrip);
  clearAtCreation();
}

MainWindow::~MainWindow() = default;

void MainWindow::clearAtCreation() {
  clearDocument(document_);
  backgroundControl()->setHint(QStringLiteral("背景"));
  selection_ = BACKGROUND_INDEX;
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    firstShow();
  }
}

void MainWindow::firstShow() {
  pointerDrag_.release();
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
  TDocument saved = document_;
  setBackgroundBounds(saved, backgroundControl()->bounds());
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
  QMenu* menu = nullptr;
  auto title = [&](const char* name, int tag, const QString& caption) {
    menu = menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setData(tag);
  };
  auto item = [&](const char* name, int tag, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setData(tag);
    a->setIconVisibleInMenu(false);
    connect(a, &QAction::triggered, this, [this, a] { guarded([&] { menuItemClicked(a); }); });
    actions_[tag] = a;
    return a;
  };
  title("fileMenu", tagFile, QStringLiteral(" ﾌｧｲﾙ "));
  item("newAction", tagNew, QStringLiteral("新規作成"));
  item("openProjectAction", tagOpenProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"));
  item("saveProjectAction", tagSaveProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"));
  menu->addSeparator();
  item("saveLogoAction", tagSaveLogo, QStringLiteral("ﾛｺﾞを保存"));
  menu->addSeparator();
  item("exitAction", tagExit, QStringLiteral("終了"));

  title("viewMenu", tagView, QStringLiteral(" 表示 "));
  QAction* toolbar = item("toolbarAction", tagToolbar, QStringLiteral("ﾂｰﾙﾊﾞｰ"));
  toolbar->setCheckable(true);
  toolbar->setChecked(true);
  item("partsListAction", tagPartsList, QStringLiteral("部品ﾘｽﾄ"));

  title("addMenu", tagAdd, QStringLiteral(" 追加 "));
  item("addTextAction", tagAddText, QStringLiteral("文字"));
  item("addPictureAction", tagAddPicture, QStringLiteral("画像"));

  title("backgroundMenu", tagBackground, QStringLiteral(" 背景 "));
  item("backgroundPictureAction", tagBackgroundPicture, QStringLiteral("画像読み込み"));
  item("backgroundFillAction", tagBackgroundFill, QStringLiteral("塗り潰し"));
  menu->addSeparator();
  // The check marks are the locks' whole state; the canvas reads them.
  item("noMoveAction", tagNoMove, QStringLiteral("移動禁止"))->setCheckable(true);
  item("noResizeAction", tagNoResize, QStringLiteral("ｻｲｽﾞ変更禁止"))->setCheckable(true);

  title("versionMenu", tagVersionMenu, QStringLiteral(" ﾊﾞｰｼﾞｮﾝ "));
  item("helpAction", tagHelp, QStringLiteral("ﾍﾙﾌﾟ"));
  menu->addSeparator();
  item("versionAction", tagVersion, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
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
  for (const ToolbarEntry& e : kToolbar) {
    if (e.tag < 0) {
      toolBar_->addSeparator();
      continue;
    }
    QAction* a = action(e.tag);
    a->setToolTip(QString::fromUtf16(e.hint));
    a->setIcon(toolbarIcon(e.image));
    toolBar_->addAction(a);
  }
}

void MainWindow::createCanvas() {
  canvasView_ = new CanvasView(this);
  bindControl(canvasView_->background());
}

PictureControl* MainWindow::backgroundControl() const { return canvasView_->background(); }

QWidget* MainWindow::canvas() const { return canvasView_->content(); }

void MainWindow::bindControl(PictureControl* control) {
  connect(control, &PictureControl::pressed, this,
          [this](PictureControl* c, Qt::MouseButton b, QPoint at) { guarded([&] { controlPressed(c, b, at); }); });
  connect(control, &PictureControl::moved, this,
          [this](PictureControl* c, QPoint at) { guarded([&] { controlMoved(c, at); }); });
  connect(control, &PictureControl::released, this, &MainWindow::controlReleased);
  connect(control, &PictureControl::boundsChanged, canvasView_, &CanvasView::updateExtent);
}

QAction* MainWindow::action(int tag) const {
  const auto found = actions_.find(tag);
  return found == actions_.end() ? nullptr : found->second;
}

QToolButton* MainWindow::toolButton(int tag) const {
  QAction* a = action(tag);
  return a && hasToolButton(tag) ? qobject_cast<QToolButton*>(toolBar_->widgetForAction(a)) : nullptr;
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
      toolBar_->setVisible(action(tagToolbar)->isChecked());
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
  clearDocument(document_);
  freePartControls();
  selection_ = BACKGROUND_INDEX;
  document_.BackColor = clWhite;
  backgroundControl()->clearRaster();
  backgroundControl()->setWidth(200);
  backgroundControl()->setHeight(60);
  fillBackground(clWhite);
  canvasView_->centreBackground();
  resetPanel();
  markSaved();
}

void MainWindow::freePartControls() {
  for (PictureControl*& control : partControls_) {
    delete control;
    control = nullptr;
  }
}

void MainWindow::fillBackground(Colour colour) {
  QImage raster = backgroundControl()->raster();
  if (raster.isNull())
    raster = makeWhiteRaster(std::max(backgroundControl()->width(), 0), std::max(backgroundControl()->height(), 0));
  if (!raster.isNull()) {
    if (raster.format() != QImage::Format_RGB32) raster = raster.convertToFormat(QImage::Format_RGB32);
    raster.fill(QColor(rgbFromColour(colour)));
  }
  backgroundControl()->setRaster(std::move(raster));
}

void MainWindow::chooseBackgroundFill() {
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  std::memset(document_.BackFile, 0, sizeof document_.BackFile);
  document_.BackColor = *colour;
  backgroundControl()->clearRaster();
  fillBackground(document_.BackColor);
}

void MainWindow::showHelp() { showHelpWindow(this, helpFilePath()); }
