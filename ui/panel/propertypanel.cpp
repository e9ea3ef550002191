#include "ui/panel/propertypanel.h"

#include "model/fixedstring.h"
#include "model/typednumber.h"
#include "ui/panel/colourpanel.h"
#include "ui/common/windowfont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QToolButton>
#include <QValidator>

#include <algorithm>
#include <memory>
#include <utility>

namespace {

// Keeps the string edit to what a record can hold: characters the code page cannot represent are
// refused, so no text is ever silently changed, and so is text past the field's 255 bytes. An
// edit's insertion ends at the cursor; what of it does not fit is dropped from its end, so a key
// typed into a full field changes nothing and a paste is cut on a character boundary, while the
// text that was there before stays whole.
class RecordTextValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    if (!fitsCodePage(input)) return Invalid;
    const QStringView after = QStringView(input).mid(pos);
    const std::optional<QByteArray> afterBytes = toShiftJis(after);
    const int budget = FIXED_STRING_MAX_BYTES - static_cast<int>(afterBytes ? afterBytes->size() : 0);
    if (budget < 0) return Invalid;
    const std::optional<qsizetype> kept = shiftJisPrefixLength(QStringView(input).first(pos), budget);
    if (!kept) return Invalid;
    if (*kept < pos) {
      input.remove(*kept, pos - *kept);
      pos = static_cast<int>(*kept);
    }
    return Acceptable;
  }
};

// True while the panel writes a value of its own into an edit. Qt runs the validator on that text
// too, and once it has refused it, lets the user's next change through unchecked.
bool panelWriting = false;

class PanelWrite {
public:
  PanelWrite() : outer_(std::exchange(panelWriting, true)) {}
  ~PanelWrite() { panelWriting = outer_; }
  PanelWrite(const PanelWrite&) = delete;
  PanelWrite& operator=(const PanelWrite&) = delete;

private:
  bool outer_;
};

// Holds what the user types to a few characters. Unlike the edit's own length limit, which also
// cuts what the program writes, it lets the panel show a longer value from a file or a drag whole;
// the user may shorten such a text but not type into it.
class TypedLengthLimit : public QValidator {
public:
  TypedLengthLimit(QLineEdit* edit, int limit) : QValidator(edit), limit_(limit), shown_(edit->text().size()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text.size(); });
    edit->setValidator(this);
  }
  State validate(QString& input, int&) const override {
    return panelWriting || input.size() <= limit_ || input.size() < shown_ ? Acceptable : Invalid;
  }

private:
  qsizetype limit_;
  qsizetype shown_;  // the length before the change being validated
};

}  // namespace

// Ctrl+Z, Ctrl+Y and their kin belong to the composition's one history: a field's own undo would
// write a text of its own into the part, a second history beside the window's. The window's
// actions get the keys, and stand in the fields' menus for the fields' own undo and redo; with
// nothing to take back, they do nothing here either. An editable combo box has the focus itself
// and hands keys on to its line edit, so it is watched too.
class PropertyPanel::OneHistory : public QObject {
public:
  using QObject::QObject;
  QPointer<QAction> undo, redo;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ContextMenu) {
      auto* edit = qobject_cast<QLineEdit*>(watched);
      if (!edit) return false;
      showMenu(edit, static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    }
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // The keys a field uses itself stay its own; Qt's fields claim all but Ctrl+D, the window's 複製.
    if (event->type() == QEvent::ShortcutOverride && key->keyCombination() == (Qt::ControlModifier | Qt::Key_D)) {
      event->accept();
      return true;
    }
    if (!key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo)) return false;
    event->ignore();  // not overridden: the shortcut goes to the window
    return true;
  }

private:
  void showMenu(QLineEdit* edit, QPoint at) {
    const std::unique_ptr<QMenu> menu(edit->createStandardContextMenu());
    for (QAction* own : menu->actions()) {
      const bool isUndo = isFieldsOwn(own, "edit-undo", "&Undo");
      if (!isUndo && !isFieldsOwn(own, "edit-redo", "&Redo")) continue;
      if (QAction* window = isUndo ? undo : redo) menu->insertAction(own, window);
      menu->removeAction(own);
    }
    menu->exec(at);
  }

  // The field's own item, by the name newer Qt gives it or by its caption in the language shown.
  static bool isFieldsOwn(const QAction* item, const char* name, const char* caption) {
    return item->objectName() == QLatin1String(name) ||
           item->text().startsWith(QCoreApplication::translate("QLineEdit", caption));
  }
};

namespace {

// The panel keeps the fixed geometry of its original form, so every control is placed by hand.
template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* label(QWidget* parent, const QString& text, int left, int top) {
  auto* l = new QLabel(text, parent);
  l->move(left, top - 2);
  l->adjustSize();
  return l;
}

// Puts `text` in a shadow offset box with the list's current row on the same value, so that a wheel
// step or an arrow key moves one value on from what the user sees.
void showShadowOffset(QComboBox* box, const QString& text) {
  const PanelWrite writing;
  QLineEdit* edit = box->lineEdit();
  const int row = box->findText(text);
  if (row == box->currentIndex() && edit->text() == text) return;
  const bool sameText = edit->text() == text;
  const int cursor = edit->cursorPosition();
  box->setCurrentIndex(row);  // -1 for a value from a file that the list does not hold
  if (box->currentText() != text) box->setEditText(text);
  if (sameText) edit->setCursorPosition(cursor);
}

// The arrows' own face: fixed-pitch and bold, so the four stand alike.
QFont arrowFont() {
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setPixelSize(16);
  f.setBold(true);
  return f;
}

}  // namespace

PropertyPanel::PropertyPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("propertyPanel"));
  setFixedHeight(140);
  createTextGroup();
  createSizeGroup();
  createNudgeGroup();
  textGroup_->setEnabled(false);
  sizeGroup_->setEnabled(false);
  connectTextGroup();
  connectSizeGroup();
  oneHistory_ = new OneHistory(this);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    edit->installEventFilter(oneHistory_);
    connect(edit, &QLineEdit::editingFinished, this, &PropertyPanel::typingFinished);
  }
  for (QComboBox* box : {shadowXBox_, shadowYBox_}) box->installEventFilter(oneHistory_);
}

void PropertyPanel::useHistoryActions(QAction* undo, QAction* redo) {
  oneHistory_->undo = undo;
  oneHistory_->redo = redo;
}

void PropertyPanel::createTextGroup() {
  textGroup_ = place(new QGroupBox(QStringLiteral("文字設定"), this), "textGroup", 8, 8, 309, 121);
  label(textGroup_, QStringLiteral("文字列："), 12, 20);
  textEdit_ = place(new QLineEdit(textGroup_), "textEdit", 60, 16, 241, 21);
  textEdit_->setValidator(new RecordTextValidator(textEdit_));
  label(textGroup_, QStringLiteral("文字色："), 12, 48);
  textColourPanel_ = place(new ColourPanel(textGroup_), "textColourPanel", 60, 44, 33, 21);
  label(textGroup_, QStringLiteral("背景色："), 104, 48);
  fillColourPanel_ = place(new ColourPanel(textGroup_), "fillColourPanel", 148, 44, 33, 21);
  fillColourPanel_->setColour(clWhite);
  fillCheck_ = place(new QCheckBox(QStringLiteral("背景色"), textGroup_), "fillCheck", 192, 46, 61, 17);
  fontButton_ = place(new QToolButton(textGroup_), "fontButton", 256, 44, 45, 21);
  fontButton_->setText(QStringLiteral("ﾌｫﾝﾄ"));
  fontButton_->setAutoRaise(true);
  fontButton_->setFont(windowFont(13));

  shadowGroup_ = place(new QGroupBox(QStringLiteral("影設定"), textGroup_), "shadowGroup", 12, 68, 289, 45);
  label(shadowGroup_, QStringLiteral("色："), 12, 20);
  shadowColourPanel_ = place(new ColourPanel(shadowGroup_), "shadowColourPanel", 36, 16, 33, 21);
  label(shadowGroup_, QStringLiteral("横位置："), 84, 20);
  shadowXBox_ = place(new QComboBox(shadowGroup_), "shadowXBox", 128, 16, 45, 20);
  label(shadowGroup_, QStringLiteral("縦位置："), 184, 20);
  shadowYBox_ = place(new QComboBox(shadowGroup_), "shadowYBox", 228, 16, 45, 20);
  QStringList offsets;
  for (int v = -kShadowLimit; v <= kShadowLimit; ++v) offsets << QString::number(v);
  for (QComboBox* box : {shadowXBox_, shadowYBox_}) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    new TypedLengthLimit(box->lineEdit(), 3);
    box->setMaxVisibleItems(12);
    box->addItems(offsets);
    showShadowOffset(box, QStringLiteral("0"));
  }
}

void PropertyPanel::createSizeGroup() {
  sizeGroup_ = place(new QGroupBox(QStringLiteral("部品ｻｲｽﾞ"), this), "sizeGroup", 324, 8, 141, 45);
  label(sizeGroup_, QStringLiteral("横："), 12, 20);
  widthEdit_ = place(new QLineEdit(sizeGroup_), "widthEdit", 32, 16, 37, 21);
  label(sizeGroup_, QStringLiteral("縦："), 76, 20);
  heightEdit_ = place(new QLineEdit(sizeGroup_), "heightEdit", 96, 16, 37, 21);
  const std::pair<QLineEdit*, Qt::Orientation> edits[] = {{widthEdit_, Qt::Horizontal}, {heightEdit_, Qt::Vertical}};
  for (const auto& [edit, axis] : edits) {
    new TypedLengthLimit(edit, 4);
    edit->setFont(windowFont(13));
  }
}

void PropertyPanel::connectSizeGroup() {
  const std::pair<QLineEdit*, Qt::Orientation> edits[] = {{widthEdit_, Qt::Horizontal}, {heightEdit_, Qt::Vertical}};
  for (const auto& [edit, axis] : edits)
    connect(edit, &QLineEdit::textEdited, this,
            [this, axis = axis](const QString& text) { Q_EMIT sizeTyped(axis, typedNumber(text, 10)); });
}

void PropertyPanel::createNudgeGroup() {
  nudgeGroup_ = place(new QGroupBox(QStringLiteral("位置修正"), this), "nudgeGroup", 324, 56, 141, 73);
  const QFont arrows = arrowFont();
  auto arrow = [&](const char* name, const QString& caption, int left, int top, int dx, int dy) {
    auto* b = place(new QToolButton(nudgeGroup_), name, left, top, 23, 22);
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFont(arrows);
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, Qt::blue);
    b->setPalette(p);
    connect(b, &QToolButton::clicked, this, [this, dx, dy] { Q_EMIT nudged(dx, dy); });
  };
  arrow("nudgeUpButton", QStringLiteral("↑"), 60, 20, 0, -1);
  arrow("nudgeDownButton", QStringLiteral("↓"), 60, 44, 0, 1);
  arrow("nudgeLeftButton", QStringLiteral("←"), 32, 32, -1, 0);
  arrow("nudgeRightButton", QStringLiteral("→"), 88, 32, 1, 0);
}

void PropertyPanel::connectTextGroup() {
  connect(textEdit_, &QLineEdit::textEdited, this, &PropertyPanel::textEdited);
  for (const ColourRole role : {ColourRole::Text, ColourRole::Fill, ColourRole::Shadow})
    connect(colourPanel(role), &ColourPanel::clicked, this, [this, role] { Q_EMIT colourClicked(role); });
  connect(fontButton_, &QToolButton::clicked, this, &PropertyPanel::fontClicked);
  connect(fillCheck_, &QCheckBox::clicked, this, &PropertyPanel::fillToggled);
  const std::pair<QComboBox*, Qt::Orientation> boxes[] = {{shadowXBox_, Qt::Horizontal}, {shadowYBox_, Qt::Vertical}};
  for (const auto& [box, axis] : boxes) {
    const auto edited = [this, box = box, axis = axis] {
      // What the user typed is shown as the value it gives, so a minus sign typed first shows "0".
      const int offset = std::clamp(typedNumber(box->currentText(), 0), -kShadowLimit, kShadowLimit);
      showShadowOffset(box, QString::number(offset));
      Q_EMIT shadowOffsetEdited(axis, offset);
    };
    connect(box->lineEdit(), &QLineEdit::textEdited, this, edited);
    connect(box, &QComboBox::activated, this, edited);
  }
}

ColourPanel* PropertyPanel::colourPanel(ColourRole role) const {
  switch (role) {
    case ColourRole::Text: return textColourPanel_;
    case ColourRole::Fill: return fillColourPanel_;
    case ColourRole::Shadow: return shadowColourPanel_;
  }
  return nullptr;
}

void PropertyPanel::showTextPart(const PartView& part) {
  textGroup_->setEnabled(true);
  textEdit_->setEnabled(true);
  sizeGroup_->setEnabled(false);
  fillCheck_->setTristate(false);
  textColourPanel_->setColour(part.textColour);
  fillColourPanel_->setColour(part.fillColour);
  if (textEdit_->text() != part.text) textEdit_->setText(part.text);
  fillCheck_->setChecked(part.fillOn);
  shadowColourPanel_->setColour(part.shadowColour);
  showShadowOffsets(part.shadowX, part.shadowY);
}

void PropertyPanel::showSeveral(const std::optional<Composition::SharedText>& shared) {
  sizeGroup_->setEnabled(false);
  widthEdit_->setText(QString());
  heightEdit_->setText(QString());
  if (!shared) {
    textGroup_->setEnabled(false);
    clearTextControls();
    return;
  }
  textGroup_->setEnabled(true);
  textEdit_->setEnabled(false);
  textEdit_->setText(QString());
  const std::pair<ColourRole, const std::optional<Colour>*> colours[] = {{ColourRole::Text, &shared->textColour},
                                                                         {ColourRole::Fill, &shared->fillColour},
                                                                         {ColourRole::Shadow, &shared->shadowColour}};
  for (const auto& [role, colour] : colours) {
    if (*colour)
      colourPanel(role)->setColour(**colour);
    else
      colourPanel(role)->showBlank();
  }
  // Half-checked only while the parts differ: a click then fills them all, and from there on the
  // box has its two states again.
  fillCheck_->setTristate(!shared->fillOn);
  fillCheck_->setCheckState(!shared->fillOn ? Qt::PartiallyChecked : *shared->fillOn ? Qt::Checked : Qt::Unchecked);
  const auto offset = [](std::optional<int> value) { return value ? QString::number(*value) : QString(); };
  showShadowOffset(shadowXBox_, offset(shared->shadowX));
  showShadowOffset(shadowYBox_, offset(shared->shadowY));
}

void PropertyPanel::showSizeGroupOnly() {
  textGroup_->setEnabled(false);
  sizeGroup_->setEnabled(true);
  clearTextControls();
}

void PropertyPanel::showWidth(int width) {
  const PanelWrite writing;
  widthEdit_->setText(QString::number(width));
}

void PropertyPanel::showHeight(int height) {
  const PanelWrite writing;
  heightEdit_->setText(QString::number(height));
}

void PropertyPanel::followSize(int width, int height) {
  if (typedNumber(widthEdit_->text(), 10) != width) showWidth(width);
  if (typedNumber(heightEdit_->text(), 10) != height) showHeight(height);
}

void PropertyPanel::reset() {
  textGroup_->setEnabled(false);
  sizeGroup_->setEnabled(false);
  clearTextControls();
  widthEdit_->setText(QString());
  heightEdit_->setText(QString());
}

void PropertyPanel::showColour(ColourRole role, Colour colour) { colourPanel(role)->setColour(colour); }

void PropertyPanel::clearTextControls() {
  textEdit_->setEnabled(true);
  fillCheck_->setTristate(false);
  textColourPanel_->setColour(clBlack);
  fillColourPanel_->setColour(clWhite);
  textEdit_->setText(QString());
  fillCheck_->setChecked(false);
  shadowColourPanel_->setColour(clBlack);
  showShadowOffsets(0, 0);
}

void PropertyPanel::showShadowOffsets(int x, int y) {
  showShadowOffset(shadowXBox_, QString::number(x));
  showShadowOffset(shadowYBox_, QString::number(y));
}
