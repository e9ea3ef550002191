#include "ui/main/tmain.h"

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

TMain* Main = nullptr;

namespace {

// Where a menu item's command also has a toolbar button: its hint and image.
struct ToolbarEntry {
  int tag;
  const char16_t* hint;
  int image;
};

constexpr ToolbarEntry kToolbar[] = {
    {TMain::tagNew, u"新規作成", 0},           {TMain::tagOpenProject, u"ﾌﾟﾛｼﾞｪｸﾄを開く", 2},
    {TMain::tagSaveProject, u"ﾌﾟﾛｼﾞｪｸﾄを保存", 4}, {TMain::tagSaveLogo, u"ﾛｺﾞを保存", 6},
    {-1, nullptr, 0},                          {TMain::tagPartsList, u"部品ﾘｽﾄ", 8},
    {-1, nullptr, 0},                          {TMain::tagAddText, u"文字を追加", 10},
    {TMain::tagAddPicture, u"画像を追加", 12},   {-1, nullptr, 0},
    {TMain::tagBackgroundPicture, u"背景に画像読み込み", 14}, {TMain::tagBackgroundFill, u"背景の塗り潰し", 16},
    {-1, nullptr, 0},                          {TMain::tagHelp, u"ﾍﾙﾌﾟ", 18},
    {-1, nullptr, 0},
};

bool hasToolButton(int tag) {
  for (const ToolbarEntry& e : kToolbar)
    if (e.tag == tag) return true;
  return false;
}

}  // namespace

TMain::TMain(std::unique_ptr<Dialogs> dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(std::move(dialogs)) {
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
  column->addWidget(Panel1);
  column->addWidget(SB, 1);
  setCentralWidget(client);
  StatusBar = new QStatusBar(this);
  StatusBar->setFixedHeight(19);
  setStatusBar(StatusBar);
  FormCreate();
}

TMain::~TMain() {
  if (Main == this) Main = nullptr;
}

void TMain::FormCreate() {
  clearDocument(Document);
  Image->setHint(QStringLiteral("背景"));
  Tag = BACKGROUND_TAG;
}

void TMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TMain::FormShow() {
  DragMode = 0;
  New();
}

void TMain::closeEvent(QCloseEvent* event) {
  // The answer to the question may keep the window open, and so may a save that failed.
  bool mayClose = false;
  guarded([&] { mayClose = mayDropComposition(); });
  if (mayClose)
    event->accept();
  else
    event->ignore();
}

TDocument TMain::documentAsSaved() const {
  TDocument saved = Document;
  const Bounds& b = Image->bounds();
  saved.BackLeft = b.left;
  saved.BackTop = b.top;
  saved.BackWidth = b.width;
  saved.BackHeight = b.height;
  copyPartBounds(saved);
  return saved;
}

bool TMain::isModified() const {
  const TDocument now = documentAsSaved();
  return std::memcmp(&now, &lastSaved_, sizeof now) != 0;
}

void TMain::markSaved() { lastSaved_ = documentAsSaved(); }

bool TMain::mayDropComposition() {
  if (!isModified()) return true;
  switch (dialogs_->askToSaveChanges()) {
    case Dialogs::UnsavedChanges::Save: return SaveProject();
    case Dialogs::UnsavedChanges::Discard: return true;
    case Dialogs::UnsavedChanges::Cancel: break;
  }
  return false;
}

void TMain::createMenus() {
  MM = menuBar();
  auto item = [this](QMenu* menu, int tag, const QString& caption) {
    auto* a = menu->addAction(caption);
    a->setData(tag);
    a->setIconVisibleInMenu(false);
    connect(a, &QAction::triggered, this, [this, a] { guarded([&] { MenuItemClick(a); }); });
    return a;
  };
  auto title = [this](int tag, const QString& caption) {
    QMenu* menu = MM->addMenu(caption);
    menu->menuAction()->setData(tag);
    return menu;
  };
  MM1 = title(tagFile, QStringLiteral(" ﾌｧｲﾙ "));
  MM1_1 = item(MM1, tagNew, QStringLiteral("新規作成"));
  MM1_2 = item(MM1, tagOpenProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"));
  MM1_3 = item(MM1, tagSaveProject, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"));
  MM1->addSeparator();  // N2
  MM1_4 = item(MM1, tagSaveLogo, QStringLiteral("ﾛｺﾞを保存"));
  MM1->addSeparator();  // N4
  MM1_5 = item(MM1, tagExit, QStringLiteral("終了"));

  MM2 = title(tagView, QStringLiteral(" 表示 "));
  MM2_1 = item(MM2, tagToolbar, QStringLiteral("ﾂｰﾙﾊﾞｰ"));
  MM2_1->setCheckable(true);
  MM2_1->setChecked(true);
  MM2_2 = item(MM2, tagPartsList, QStringLiteral("部品ﾘｽﾄ"));

  MM3 = title(tagAdd, QStringLiteral(" 追加 "));
  MM3_1 = item(MM3, tagAddText, QStringLiteral("文字"));
  MM3_2 = item(MM3, tagAddPicture, QStringLiteral("画像"));

  MM4 = title(tagBackground, QStringLiteral(" 背景 "));
  MM4_1 = item(MM4, tagBackgroundPicture, QStringLiteral("画像読み込み"));
  MM4_2 = item(MM4, tagBackgroundFill, QStringLiteral("塗り潰し"));
  MM4->addSeparator();  // N3
  MM4_3 = item(MM4, tagNoMove, QStringLiteral("移動禁止"));
  MM4_3->setCheckable(true);
  MM4_4 = item(MM4, tagNoResize, QStringLiteral("ｻｲｽﾞ変更禁止"));
  MM4_4->setCheckable(true);

  MM5 = title(tagVersionMenu, QStringLiteral(" ﾊﾞｰｼﾞｮﾝ "));
  MM5_1 = item(MM5, tagHelp, QStringLiteral("ﾍﾙﾌﾟ"));
  MM5->addSeparator();  // N1
  MM5_2 = item(MM5, tagVersion, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
}

void TMain::createToolBar() {
  TB = addToolBar(QStringLiteral("TB"));
  TB->setObjectName(QStringLiteral("TB"));
  TB->setMovable(false);
  TB->setFloatable(false);
  TB->setIconSize(QSize(16, 16));
  TB->setFixedHeight(27);
  TB->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  for (const ToolbarEntry& e : kToolbar) {
    if (e.tag < 0) {
      TB->addSeparator();
      continue;
    }
    QAction* a = action(e.tag);
    a->setToolTip(QString::fromUtf16(e.hint));
    a->setIcon(toolbarIcon(e.image));
    TB->addAction(a);
  }
}

void TMain::createCanvas() {
  SB = new QScrollArea(this);
  SB->setObjectName(QStringLiteral("SB"));
  Canvas = new QWidget;
  Canvas->setObjectName(QStringLiteral("Canvas"));
  SB->setWidget(Canvas);
  SB->setWidgetResizable(false);
  SB->viewport()->installEventFilter(this);
  Image = new PictureControl(BACKGROUND_TAG, Canvas);
  Image->setBounds({144, 44, 200, 60});
  Image->setStretch(true);
  bindControl(Image);
}

void TMain::bindControl(PictureControl* control) {
  connect(control, &PictureControl::pressed, this,
          [this](PictureControl* c, Qt::MouseButton b, QPoint at) { guarded([&] { ImageMouseDown(c, b, at); }); });
  connect(control, &PictureControl::moved, this,
          [this](PictureControl* c, QPoint at) { guarded([&] { ImageMouseMove(c, at); }); });
  connect(control, &PictureControl::released, this, &TMain::ImageMouseUp);
  connect(control, &PictureControl::boundsChanged, this, &TMain::updateCanvasExtent);
}

void TMain::updateCanvasExtent() {
  // A drag keeps the extent it started with: a canvas growing or shrinking under the pointer would
  // scroll the pressed control away from it. The release brings the extent up to date.
  if (DragMode != 0) return;
  // The content grows to hold every control, so the scroll bars reach all of them.
  QSize content(0, 0);
  for (const QObject* child : Canvas->children())
    if (const auto* w = qobject_cast<const QWidget*>(child))
      content = content.expandedTo(QSize(w->geometry().right() + 1, w->geometry().bottom() + 1));
  // It fills the viewport that is left beside the scroll bars the content needs, and no more, so
  // that no bar appears for the filling alone.
  const QSize full = SB->maximumViewportSize();
  const int barHeight = SB->horizontalScrollBar()->sizeHint().height();
  const int barWidth = SB->verticalScrollBar()->sizeHint().width();
  bool wide = content.width() > full.width();
  const bool tall = content.height() > full.height() - (wide ? barHeight : 0);
  wide = content.width() > full.width() - (tall ? barWidth : 0);
  const QSize view(full.width() - (tall ? barWidth : 0), full.height() - (wide ? barHeight : 0));
  const QSize extent = content.expandedTo(view).boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  if (Canvas->size() != extent) Canvas->resize(extent);
}

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SB->viewport() && event->type() == QEvent::Resize) updateCanvasExtent();
  return QMainWindow::eventFilter(watched, event);
}

QAction* TMain::action(int tag) const {
  for (QAction* a : {MM1_1, MM1_2, MM1_3, MM1_4, MM1_5, MM2_1, MM2_2, MM3_1, MM3_2, MM4_1, MM4_2, MM4_3, MM4_4,
                     MM5_1, MM5_2})
    if (a && a->data().toInt() == tag) return a;
  return nullptr;
}

QToolButton* TMain::toolButton(int tag) const {
  QAction* a = action(tag);
  return a && hasToolButton(tag) ? qobject_cast<QToolButton*>(TB->widgetForAction(a)) : nullptr;
}

void TMain::MenuItemClick(QAction* sender) {
  const int tag = sender ? sender->data().toInt() : -1;
  if (hasToolButton(tag)) {
    ToolButtonClick(tag);
    return;
  }
  switch (tag) {
    case tagExit:
      close();
      break;
    case tagToolbar:
      // Qt has already turned the check mark; the toolbar follows it.
      TB->setVisible(MM2_1->isChecked());
      break;
    case tagNoMove:
    case tagNoResize:
      break;  // the check mark is the whole state; the canvas reads it
    case tagVersion:
      ShowVersion();
      break;
    default:
      break;  // the menu titles
  }
}

void TMain::ToolButtonClick(int tag) {
  switch (tag) {
    case tagNew:
      if (mayDropComposition()) New();
      break;
    case tagOpenProject: OpenProject(); break;
    case tagSaveProject: SaveProject(); break;
    case tagSaveLogo: SaveLogo(); break;
    case tagPartsList: OpenPartsList(); break;
    case tagAddText: AddPart(pkText); break;
    case tagAddPicture: AddPart(pkPicture); break;
    case tagBackgroundPicture: BackgroundPicture(); break;
    case tagBackgroundFill: BackgroundFill(); break;
    case tagHelp: ShowHelp(); break;
    default: break;
  }
}

void TMain::New() {
  ClosePartsList();
  clearDocument(Document);
  FreePartControls();
  Tag = BACKGROUND_TAG;
  Document.BackColor = clWhite;
  Image->clearRaster();
  Image->setWidth(200);
  Image->setHeight(60);
  FillBackground(clWhite);
  CentreBackground();
  PanelReset();
  markSaved();
}

void TMain::FreePartControls() {
  for (PictureControl*& control : PartImages) {
    delete control;
    control = nullptr;
  }
}

void TMain::CentreBackground() {
  Image->setLeft((SB->width() - Image->width()) / 2);
  Image->setTop((SB->height() - Image->height()) / 2);
}

void TMain::FillBackground(Colour colour) {
  QImage raster = Image->raster();
  if (raster.isNull()) raster = makeWhiteRaster(std::max(Image->width(), 0), std::max(Image->height(), 0));
  if (!raster.isNull()) {
    if (raster.format() != QImage::Format_RGB32) raster = raster.convertToFormat(QImage::Format_RGB32);
    raster.fill(QColor(rgbFromColour(colour)));
  }
  Image->setRaster(std::move(raster));
}

void TMain::BackgroundFill() {
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  std::memset(Document.BackFile, 0, sizeof Document.BackFile);
  Document.BackColor = *colour;
  Image->clearRaster();
  FillBackground(Document.BackColor);
}

void TMain::ShowHelp() { showHelpWindow(this, helpFilePath()); }
