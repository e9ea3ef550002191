// The property panel: its controls and the five change handlers they share.
#include "ui/main/tmain.h"

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

int tagOf(const QObject* control) { return control->property("tag").toInt(); }

template <typename W>
W* place(W* widget, int tag, int left, int top, int width, int height) {
  widget->setProperty("tag", tag);
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

void TMain::createPanel() {
  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFixedHeight(140);
  const QFont windowFont = pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12);

  FGB = place(new QGroupBox(QStringLiteral("文字設定"), Panel1), 0, 8, 8, 309, 121);
  label(FGB, QStringLiteral("文字列："), 12, 20);
  FStr = place(new QLineEdit(QStringLiteral("FStr"), FGB), 0, 60, 16, 241, 21);
  FStr->setValidator(new RecordTextValidator(FStr));
  label(FGB, QStringLiteral("文字色："), 12, 48);
  FCol = place(new ColourPanel(0, FGB), 0, 60, 44, 33, 21);
  label(FGB, QStringLiteral("背景色："), 104, 48);
  FBac = place(new ColourPanel(1, FGB), 1, 148, 44, 33, 21);
  FBac->setColour(clWhite);
  FBfl = place(new QCheckBox(QStringLiteral("背景色"), FGB), 0, 192, 46, 61, 17);
  SpeedButton1 = place(new QToolButton(FGB), 0, 256, 44, 45, 21);
  SpeedButton1->setText(QStringLiteral("ﾌｫﾝﾄ"));
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));

  GroupBox1 = place(new QGroupBox(QStringLiteral("影設定"), FGB), 0, 12, 68, 289, 45);
  label(GroupBox1, QStringLiteral("色："), 12, 20);
  FShaC = place(new ColourPanel(2, GroupBox1), 2, 36, 16, 33, 21);
  label(GroupBox1, QStringLiteral("横位置："), 84, 20);
  FShaX = place(new QComboBox(GroupBox1), 0, 128, 16, 45, 20);
  label(GroupBox1, QStringLiteral("縦位置："), 184, 20);
  FShaY = place(new QComboBox(GroupBox1), 1, 228, 16, 45, 20);
  for (QComboBox* box : {FShaX, FShaY}) {
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->lineEdit()->setMaxLength(3);
    box->setMaxVisibleItems(12);
  }
  // The 61 offsets -30..30, in ascending order.
  QStringList offsets;
  for (int v = -kShadowLimit; v <= kShadowLimit; ++v) offsets << QString::number(v);
  FShaX->addItems(offsets);
  FShaY->addItems(offsets);
  showShadowOffset(FShaX, QStringLiteral("0"));
  showShadowOffset(FShaY, QStringLiteral("0"));

  BGB = place(new QGroupBox(QStringLiteral("部品ｻｲｽﾞ"), Panel1), 0, 324, 8, 141, 45);
  label(BGB, QStringLiteral("横："), 12, 20);
  ItemX = place(new QLineEdit(QStringLiteral("9999"), BGB), 1, 32, 16, 37, 21);
  label(BGB, QStringLiteral("縦："), 76, 20);
  ItemY = place(new QLineEdit(QStringLiteral("9999"), BGB), 2, 96, 16, 37, 21);
  for (QLineEdit* edit : {ItemX, ItemY}) {
    edit->setMaxLength(4);
    edit->setFont(pixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 13));
  }

  MGB = place(new QGroupBox(QStringLiteral("位置修正"), Panel1), 0, 324, 56, 141, 73);
  const QFont arrows = pixelFont(QStringLiteral("ＭＳ ゴシック"), 16, true);
  auto arrow = [&](int tag, const QString& caption, int left, int top) {
    auto* b = place(new QToolButton(MGB), tag, left, top, 23, 22);
    b->setText(caption);
    b->setAutoRaise(true);
    b->setFont(arrows);
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, Qt::blue);
    b->setPalette(p);
    return b;
  };
  SpeedButton2 = arrow(1, QStringLiteral("↑"), 60, 20);
  SpeedButton3 = arrow(2, QStringLiteral("↓"), 60, 44);
  SpeedButton4 = arrow(3, QStringLiteral("←"), 32, 32);
  SpeedButton5 = arrow(4, QStringLiteral("→"), 88, 32);

  FGB->setEnabled(false);
  BGB->setEnabled(false);

  for (QLineEdit* edit : {FStr, ItemX, ItemY})
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { guarded([&] { EditChange(edit); }); });
  for (ColourPanel* panel : {FCol, FBac, FShaC})
    connect(panel, &ColourPanel::clicked, this, [this](ColourPanel* p) { guarded([&] { PanelClick(p); }); });
  for (QToolButton* b : {SpeedButton1, SpeedButton2, SpeedButton3, SpeedButton4, SpeedButton5})
    connect(b, &QToolButton::clicked, this, [this, b] { guarded([&] { SpeedButtonClick(b); }); });
  connect(FBfl, &QCheckBox::toggled, this, [this] { guarded([&] { CheckBoxClick(); }); });
  // Only the user's typing or picking runs the handler; the program's own writes do not.
  for (QComboBox* box : {FShaX, FShaY}) {
    connect(box->lineEdit(), &QLineEdit::textEdited, this, [this, box] { guarded([&] { ComboBoxChange(box); }); });
    connect(box, &QComboBox::activated, this, [this, box] { guarded([&] { ComboBoxChange(box); }); });
  }
}

PictureControl* TMain::controlOf(int index) const {
  if (index == BACKGROUND_TAG) return Image;
  return index >= 0 && index < MAX_PARTS ? PartImages[static_cast<size_t>(index)] : nullptr;
}

PictureControl* TMain::selectedControl() const { return controlOf(Tag); }

TPartData* TMain::selectedTextRecord() {
  if (Tag < 0 || Tag >= Document.PartCount || Tag >= MAX_PARTS) return nullptr;
  TPartData& r = Document.Parts[Tag];
  return r.Kind == pkText ? &r : nullptr;
}

void TMain::EditChange(QLineEdit* sender) {
  if (tagOf(sender) != 0) {
    if (!BGB->isEnabled()) return;
    PictureControl* c = selectedControl();
    if (!c) return;
    const int value = typedNumber(sender->text(), 10);
    if (tagOf(sender) == 1)
      c->setWidth(value);
    else
      c->setHeight(value);
    return;
  }
  if (!FGB->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  // Only the user's edit changes the record. The text it already holds, shown again when the part
  // is selected, leaves its bytes as they were, even bytes that are no valid Shift-JIS.
  if (FStr->text() != fixedString(r->Text) && !storeFixedString(r->Text, FStr->text()))
    return;  // the validator keeps such characters out of the edit
  selectedControl()->setHint(fixedString(r->Text));
  RenderTextPart(*r);
}

void TMain::PanelClick(ColourPanel* sender) {
  if (!FGB->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const std::optional<Colour> colour = dialogs_->chooseColour();
  if (!colour) return;
  sender->setColour(*colour);
  switch (sender->tag()) {
    case 0: r->TextColor = *colour; break;
    case 1: r->FillColor = *colour; break;
    case 2: r->ShadowColor = *colour; break;
    default: break;
  }
  RenderTextPart(*r);
}

void TMain::SpeedButtonClick(QToolButton* sender) {
  const int tag = tagOf(sender);
  if (tag == 0) {
    if (!FGB->isEnabled()) return;
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
    RenderTextPart(*r);
    return;
  }
  PictureControl* c = selectedControl();
  if (!c) return;
  switch (tag) {
    case 1: c->setTop(clampToInt(qint64{c->top()} - 1)); break;
    case 2: c->setTop(clampToInt(qint64{c->top()} + 1)); break;
    case 3: c->setLeft(clampToInt(qint64{c->left()} - 1)); break;
    case 4: c->setLeft(clampToInt(qint64{c->left()} + 1)); break;
    default: break;
  }
}

void TMain::CheckBoxClick() {
  if (!FGB->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  r->FillOn = FBfl->isChecked() ? 1 : 0;
  selectedControl()->setTransparent(r->FillOn != 1);
  RenderTextPart(*r);
}

void TMain::ComboBoxChange(QComboBox* sender) {
  if (!FGB->isEnabled()) return;
  TPartData* r = selectedTextRecord();
  if (!r) return;
  const int value = std::clamp(typedNumber(sender->currentText(), 0), -kShadowLimit, kShadowLimit);
  const QString text = QString::number(value);
  showShadowOffset(sender, text);
  if (tagOf(sender) == 0)
    r->ShadowX = value;
  else
    r->ShadowY = value;
  RenderTextPart(*r);
}

void TMain::clearTextControls() {
  FCol->setColour(clBlack);
  FBac->setColour(clWhite);
  FStr->setText(QString());
  FBfl->setChecked(false);
  FShaC->setColour(clBlack);
  showShadowOffsets(0, 0);
}

void TMain::showShadowOffsets(int x, int y) {
  showShadowOffset(FShaX, QString::number(x));
  showShadowOffset(FShaY, QString::number(y));
}

void TMain::PanelReset() {
  // Groups first: with them disabled, the handlers that these writes set off do nothing.
  FGB->setEnabled(false);
  BGB->setEnabled(false);
  clearTextControls();
  ItemX->setText(QString());
  ItemY->setText(QString());
  Tag = BACKGROUND_TAG;
}
