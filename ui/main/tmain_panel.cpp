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

// Refuses characters the records' code page cannot hold, so no text is ever silently changed.
class ShiftJisValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override { return fitsCodePage(input) ? Acceptable : Invalid; }
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
  FStr->setValidator(new ShiftJisValidator(FStr));
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
  FShaX->setEditText(QStringLiteral("0"));
  FShaY->setEditText(QStringLiteral("0"));

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
  const std::optional<QString> stored = storeFixedString(r->Text, FStr->text());
  if (!stored) return;  // the validator keeps such characters out of the edit
  if (*stored != FStr->text()) {
    // Cut to what the record holds; setting it runs this handler again with the stored text.
    FStr->setText(*stored);
    return;
  }
  selectedControl()->setHint(*stored);
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
    const std::optional<QFont> font = dialogs_->chooseFont();
    if (!font) return;
    const QString face = font->family();
    if (!fitsCodePage(face)) throw Failure(QStringLiteral("フォント %1 は使えません").arg(face));
    storeFixedString(r->FontName, face);
    r->FontSize = font->pointSize() > 0 ? font->pointSize() : qRound(font->pixelSize() * 72.0 / logicalDpiY());
    std::uint8_t style = 0;
    if (font->weight() >= QFont::DemiBold) style |= fsBold;
    if (font->italic()) style |= fsItalic;
    if (font->underline()) style |= fsUnderline;
    if (font->strikeOut()) style |= fsStrikeOut;
    r->FontStyle = style;
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
  if (sender->currentText() != text) sender->setEditText(text);
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
  FShaX->setEditText(QStringLiteral("0"));
  FShaY->setEditText(QStringLiteral("0"));
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
