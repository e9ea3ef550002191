// The property panel: its controls and the five change handlers they share.
#include "ui/main/mainwindow.h"

#include "model/failure.h"
#include "model/fixedstring.h"
#include "model/typednumber.h"
#include "render/fonts.h"
#include "render/raster.h"
#include "ui/main/colourpanel.h"
#include "ui/main/errorreport.h"
#include "ui/main/picturecontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QValidator>

#include <algorithm>

namespace {

constexpr int kShadowLimit = 30;

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

template <typename W>
W* place(W* widget, int left, int top, int width, int height) {
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
  QLineEdit* edit = box->lineEdit();
  const int row = box->findText(text);
  if (row == box->currentIndex() && edit->text() == text) return;
  const bool sameText = edit->text() == text;
  const int cursor = edit->cursorPosition();
  box->setCurrentIndex(row);  // -1 for a value from a file that the list does not hold
  if (box->currentText() != text) box->setEditText(text);
  if (sameText) edit->setCursorPosition(cursor);
}

QFont pixelFont(const QString& family, int pixels, bool bold = false) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

}  // namespace

void MainWindow::createPanel() {
  propertyPanel = new QWidget(this);
  propertyPanel->setObjectName(QStringLiteral("propertyPanel"));
  propertyPanel->setFixedHeight(140);
  const QFont windowFont = pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12);

  textGroup = place(new QGroupBox(QStringLiteral("文字設定"), propertyPanel), 8, 8, 309, 121);
  label(textGroup, QStringLiteral("文字列："), 12, 20);
  textEdit = place(new QLineEdit(QStringLiteral("FStr"), textGroup), 60, 16, 241, 21);
  textEdit->setValidator(new RecordTextValidator(textEdit));
  label(textGroup, QStringLiteral("文字色："), 12, 48);
  textColourPanel = place(new ColourPanel(0, textGroup), 60, 44, 33, 21);
  label(textGroup, QStringLiteral("背景色："), 104, 48);
  fillColourPanel = place(new ColourPanel(1, textGroup), 148, 44, 33, 21);
  fillColourPanel->setColour(clWhite);
  fillCheck = place(new QCheckBox(QStringLiteral("背景色"), textGroup), 192, 46, 61, 17);
  fontButton = place(new QToolButton(textGroup), 256, 44, 45, 21);
  fontButton->setText(QStringLiteral("ﾌｫﾝﾄ"));
  fontButton->setAutoRaise(true);
  fontButton->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));

  shadowGroup = place(new QGroupBox(QStringLiteral("影設定"), textGroup), 12, 68, 289, 45);
  label(shadowGroup, QStringLiteral("色："), 12, 20);
  shadowColourPanel = place(new ColourPanel(2, shadowGroup), 36, 16, 33, 21);
  label(shadowGroup, QStringLiteral("横位置："), 84, 20);
  shadowXBox = place(new QComboBox(shadowGroup), 128, 16, 45, 20);
  label(shadowGroup, QStringLiteral("縦位置："), 184, 20);
  shadowYBox = place(new QComboBox(shadowGroup), 228, 16, 45, 20);
  for (QComboBox* box : {shadowXBox, shadowYBox}) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(3);
    box->setMaxVisibleItems(12);
  }
  // The 61 offsets -30..30, in ascending order.
  QStringList offsets;
  for (int v = -kShadowLimit; v <= kShadowLimit; ++v) offsets << QString::number(v);
  shadowXBox->addItems(offsets);
  shadowYBox->addItems(offsets);
  showShadowOffset(shadowXBox, QStringLiteral("0"));
  showShadowOffset(shadowYBox, QStringLiteral("0"));

  sizeGroup = place(new QGroupBox(QStringLiteral("部品ｻｲｽﾞ"), propertyPanel), 324, 8, 141, 45);
  label(sizeGroup, QStringLiteral("横："), 12, 20);
  widthEdit = place(new QLineEdit(QStringLiteral("9999"), sizeGroup), 32, 16, 37, 21);
  label(sizeGroup, QStringLiteral("縦："), 76, 20);
  heightEdit = place(new QLineEdit(QStringLiteral("9999"), sizeGroup), 96, 16, 37, 21);
  for (QLineEdit* edit : {widthEdit, heightEdit}) {
    edit->setMaxLength(4);
    edit->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
  }

  nudgeGroup = place(new QGroupBox(QStringLiteral("位置修正"), propertyPanel), 324, 56, 141, 73);
  const QFont arrows = pixelFont(QStringLiteral("ＭＳ ゴシック"), 16, true);
  auto arrow = [&](const QString& caption, int left, int top, int dx, int dy) {
    auto* b = place(new QToolButton(nudgeGroup), left, top, 23, 22);
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFont(arrows);
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, Qt::blue);
    b->setPalette(p);
    connect(b, &QToolButton::clicked, this, [this, dx, dy] { guarded([&] { nudge(dx, dy); }); });
    return b;
  };
  nudgeUpButton = arrow(QStringLiteral("↑"), 60, 20, 0, -1);
  nudgeDownButton = arrow(QStringLiteral("↓"), 60, 44, 0, 1);
  nudgeLeftButton = arrow(QStringLiteral("←"), 32, 32, -1, 0);
  nudgeRightButton = arrow(QStringLiteral("→"), 88, 32, 1, 0);

  textGroup->setEnabled(false);
  sizeGroup->setEnabled(false);

  connect(textEdit, &QLineEdit::textChanged, this, [this] { guarded([&] { textEdited(); }); });
  connect(widthEdit, &QLineEdit::textChanged, this, [this] { guarded([&] { sizeEdited(Qt::Horizontal); }); });
  connect(heightEdit, &QLineEdit::textChanged, this, [this] { guarded([&] { sizeEdited(Qt::Vertical); }); });
  const std::pair<ColourPanel*, Colour TPartData::*> colours[] = {{textColourPanel, &TPartData::TextColor},
                                                                  {fillColourPanel, &TPartData::FillColor},
                                                                  {shadowColourPanel, &TPartData::ShadowColor}};
  for (const auto& entry : colours) {
    Colour TPartData::*field = entry.second;
    connect(entry.first, &ColourPanel::clicked, this,
            [this, field](ColourPanel* p) { guarded([&] { chooseColour(p, field); }); });
  }
  connect(fontButton, &QToolButton::clicked, this, [this] { guarded([&] { chooseFont(); }); });
  connect(fillCheck, &QCheckBox::toggled, this, [this] { guarded([&] { fillToggled(); }); });
  // Only the user's typing or picking runs the handler; the program's own writes do not.
  const std::pair<QComboBox*, std::int32_t TPartData::*> shadowFields[] = {{shadowXBox, &TPartData::ShadowX},
                                                                           {shadowYBox, &TPartData::ShadowY}};
  for (const auto& entry : shadowFields) {
    QComboBox* box = entry.first;
    std::int32_t TPartData::*field = entry.second;
    const auto edited = [this, box, field] { guarded([&] { shadowOffsetEdited(box, field); }); };
    connect(box->lineEdit(), &QLineEdit::textEdited, this, edited);
    connect(box, &QComboBox::activated, this, edited);
  }
}

PictureControl* MainWindow::controlOf(int index) const {
  if (index == BACKGROUND_TAG) return backgroundControl;
  return index >= 0 && index < MAX_PARTS ? partControls[static_cast<size_t>(index)] : nullptr;
}

PictureControl* MainWindow::selectedControl() const { return controlOf(selection); }

TPartData* MainWindow::selectedTextRecord() {
  if (selection < 0 || selection >= Document.PartCount || selection >= MAX_PARTS) return nullptr;
  TPartData& r = Document.Parts[selection];
  return r.Kind == pkText ? &r : nullptr;
}

void MainWindow::sizeEdited(Qt::Orientation axis) {
  if (!sizeGroup->isEnabled()) return;
  PictureControl* c = selectedControl();
  if (!c) return;
  if (axis == Qt::Horizontal)
    c->setWidth(typedNumber(widthEdit->text(), 10));
  else
    c->setHeight(typedNumber(heightEdit->text(), 10));
}

void MainWindow::textEdited() {
  if (!textGroup->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  // Only the user's edit changes the record. The text it already holds, shown again when the part
  // is selected, leaves its bytes as they were, even bytes that are no valid Shift-JIS.
  if (textEdit->text() != fixedString(r->Text) && !storeFixedString(r->Text, textEdit->text()))
    return;  // the validator keeps such characters out of the edit
  selectedControl()->setHint(fixedString(r->Text));
  redrawTextPart(*r);
}

void MainWindow::chooseColour(ColourPanel* panel, Colour TPartData::*field) {
  if (!textGroup->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  panel->setColour(*colour);
  r->*field = *colour;
  redrawTextPart(*r);
}

void MainWindow::chooseFont() {
  if (!textGroup->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const std::optional<FontChoice> font = dialogs_->chooseFont();
  if (!font) return;
  // The face is written only when the user chose another, so a name stored in bytes of its own
  // (or drawn through a substitute) stays exactly as it was.
  if (font->face != fixedString(r->FontName)) {
    if (!fitsCodePage(font->face)) throw Failure(QStringLiteral("フォント %1 は使えません").arg(font->face));
    storeFixedString(r->FontName, font->face);
  }
  r->FontSize = font->points;
  r->FontStyle = font->style;
  redrawTextPart(*r);
}

void MainWindow::nudge(int dx, int dy) {
  PictureControl* c = selectedControl();
  if (!c) return;
  c->setLeft(clampToInt(qint64{c->left()} + dx));
  c->setTop(clampToInt(qint64{c->top()} + dy));
}

void MainWindow::fillToggled() {
  if (!textGroup->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  r->FillOn = fillCheck->isChecked() ? 1 : 0;
  selectedControl()->setTransparent(r->FillOn != 1);
  redrawTextPart(*r);
}

void MainWindow::shadowOffsetEdited(QComboBox* box, std::int32_t TPartData::*field) {
  if (!textGroup->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const int value = std::clamp(typedNumber(box->currentText(), 0), -kShadowLimit, kShadowLimit);
  showShadowOffset(box, QString::number(value));
  r->*field = value;
  redrawTextPart(*r);
}

void MainWindow::clearTextControls() {
  textColourPanel->setColour(clBlack);
  fillColourPanel->setColour(clWhite);
  textEdit->setText(QString());
  fillCheck->setChecked(false);
  shadowColourPanel->setColour(clBlack);
  showShadowOffsets(0, 0);
}

void MainWindow::showShadowOffsets(int x, int y) {
  showShadowOffset(shadowXBox, QString::number(x));
  showShadowOffset(shadowYBox, QString::number(y));
}

void MainWindow::resetPanel() {
  // Groups first: with them disabled, the handlers that these writes set off do nothing.
  textGroup->setEnabled(false);
  sizeGroup->setEnabled(false);
  clearTextControls();
  widthEdit->setText(QString());
  heightEdit->setText(QString());
  selection = BACKGROUND_TAG;
}
