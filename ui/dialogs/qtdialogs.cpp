#include "ui/dialogs/qtdialogs.h"

#include "model/paths.h"
#include "render/fonts.h"
#include "render/raster.h"
#include "ui/dialogs/messagebox.h"
#include "ui/dialogs/picturepreview.h"
#include "ui/common/programfolders.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>
#include <cstdlib>
#include <limits>

namespace {

// Qt's file dialog keeps its file-name completion list in a window of its own. A typed path makes
// it load folders in the background, and the list may still be up, or come up, once the dialog
// has closed: it would lie over the main window and swallow the next click. It never shows
// without its dialog.
class CompletionListGuard : public QObject {
public:
  CompletionListGuard(QDialog* dialog, QWidget* list) : QObject(dialog), dialog_(dialog), list_(list) {
    list->installEventFilter(this);
    connect(dialog, &QDialog::finished, list, &QWidget::hide);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == list_ && event->type() == QEvent::Show && !dialog_->isVisible())
      QMetaObject::invokeMethod(list_, &QWidget::hide, Qt::QueuedConnection);
    return false;
  }

private:
  QDialog* dialog_;
  QWidget* list_;
};

// The suffix of a name filter's first pattern: "jpg" for "JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg) (*.jpg *.jpeg)",
// and for "JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg)", which is how the list reports a pick with its details hidden.
QString firstSuffixOf(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf(u'(');
  const QString patterns = nameFilter.mid(open + 1).section(u')', 0, 0).replace(u';', u' ');
  const QString first = patterns.section(u' ', 0, 0, QString::SectionSkipEmpty);
  return first.startsWith(u"*.") ? first.mid(2) : QString();
}

// A name typed without an extension takes the selected type's, as users of other editors expect:
// "logo" saved as a PNG picture becomes "logo.png", not a bitmap named "logo.bmp".
void takeSuffixOf(QFileDialog* dialog, const QString& nameFilter) {
  if (const QString suffix = firstSuffixOf(nameFilter); !suffix.isEmpty()) dialog->setDefaultSuffix(suffix);
}

// Qt's file dialog adds its default suffix only to a name without any dot, so "ロゴ v1.2" would be
// saved as it is, and a project so saved refused by Open. The name is completed in the field
// before Qt reads it, so that the question before overwriting names the file that is written.
class NamingFileDialog final : public QFileDialog {
public:
  enum class Naming { AsTyped, Project, Picture };

  NamingFileDialog(QWidget* owner, const QString& title, Naming naming) : QFileDialog(owner, title), naming_(naming) {}

  // After setOption(DontUseNativeDialog), which makes the widgets. Qt offers no API for the name
  // as typed, nor for the list's selection, which outweighs that name: its own widgets are found
  // by the object names it gives them, which an update of Qt may change without a word, and
  // foundQtWidgets() is there for a test to say so.
  void findQtWidgets() {
    nameEdit_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    files_ = findChild<QAbstractItemView*>(QStringLiteral("listView"));
    buttons_ = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (nameEdit_) connect(nameEdit_, &QLineEdit::textEdited, this, [this](const QString& text) { typed_ = text; });
  }

  bool foundQtWidgets() const { return nameEdit_ && files_ && buttons_; }

  // The save-logo dialog's own row below Qt's widgets, added through the dialog's layout: the
  // transparency, greyed while the logo would be written as JPEG, and the scale.
  void addLogoOptions() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    transparentCheck_ = new QCheckBox(QStringLiteral("背景を透明にする"), row);
    transparentCheck_->setObjectName(QStringLiteral("transparentCheck"));
    auto* scaleLabel = new QLabel(QStringLiteral("倍率"), row);
    scaleChoice_ = new QComboBox(row);
    scaleChoice_->setObjectName(QStringLiteral("scaleChoice"));
    for (int scale = 1; scale <= MAX_LOGO_SCALE; ++scale) scaleChoice_->addItem(QStringLiteral("%1倍").arg(scale));
    scaleLabel->setBuddy(scaleChoice_);
    layout->addWidget(transparentCheck_);
    layout->addSpacing(24);
    layout->addWidget(scaleLabel);
    layout->addWidget(scaleChoice_);
    layout->addStretch();
    if (auto* grid = qobject_cast<QGridLayout*>(this->layout())) grid->addWidget(row, grid->rowCount(), 0, 1, -1);
    if (nameEdit_) connect(nameEdit_, &QLineEdit::textChanged, this, &NamingFileDialog::greyTransparency);
    connect(this, &QFileDialog::filterSelected, this, &NamingFileDialog::greyTransparency);
  }

  QCheckBox* transparentCheck() const { return transparentCheck_; }
  QComboBox* scaleChoice() const { return scaleChoice_; }

  void showLogoOptions(const LogoOptions& options) {
    transparentCheck_->setChecked(options.backdrop == Backdrop::Clear);
    scaleChoice_->setCurrentIndex(std::clamp(options.scale, 1, MAX_LOGO_SCALE) - 1);
    greyTransparency();
  }

  LogoOptions logoOptions() const {
    return {transparentCheck_->isChecked() ? Backdrop::Clear : Backdrop::Background, scaleChoice_->currentIndex() + 1};
  }

  // As a path is typed, Qt selects the existing file it comes to with the suffix of that moment,
  // and a selected file outweighs the typed name: "logo" typed with the bitmap type picked, next
  // to a logo.bmp, would still save logo.bmp once PNG was picked. Qt also puts the new type's
  // extension in place of the typed name's last one, which is right for "logo.bmp" but makes
  // "ロゴ v1.2" into "ロゴ v1.png": such a name is given back as typed, to be completed on saving.
  void typeWasPicked(const QString& nameFilter) {
    if (acceptMode() == AcceptOpen) {
      // Qt weighs the typed name against the list only as it is typed: a file named in another
      // folder, then shown by the type picked, would leave 開く greyed until the name was edited.
      if (nameEdit_ && buttons_ && QFileInfo(directory(), nameEdit_->text()).isFile())
        if (QPushButton* open = buttons_->button(QDialogButtonBox::Open)) open->setEnabled(true);
      return;
    }
    takeSuffixOf(this, nameFilter);
    if (files_) files_->clearSelection();
    if (!nameEdit_ || typed_.isEmpty() || hasPictureExtension(typed_)) return;
    const QString suffix = QFileInfo(typed_).suffix();
    if (!suffix.isEmpty() && nameEdit_->text() == typed_.chopped(suffix.size()) + firstSuffixOf(nameFilter))
      nameEdit_->setText(typed_);
  }

protected:
  void accept() override {
    if (nameEdit_) {
      const QString name = nameEdit_->text();
      // Qt looks for a folder typed bare in the program's working folder, not the one shown, and
      // would save "pictures" as "pictures.bmp": a folder's name enters the folder.
      if (const QFileInfo typed(directory(), name); !name.trimmed().isEmpty() && typed.isDir()) {
        setDirectory(QDir::cleanPath(typed.absoluteFilePath()));
        nameEdit_->clear();
        return;
      }
      const QString completed = completedName(name);
      if (completed != name) {
        if (files_) files_->clearSelection();
        nameEdit_->setText(completed);
      }
    }
    QFileDialog::accept();
  }

private:
  // JPEG has no alpha: the name decides when it has a picture extension, the type picked otherwise.
  void greyTransparency() {
    const QString name = nameEdit_ ? nameEdit_->text().trimmed() : QString();
    const QString completed = completedName(name.isEmpty() ? QStringLiteral("logo") : name);
    transparentCheck_->setEnabled(!isJpegPath(completed));
  }

  QString completedName(const QString& name) const {
    if (name.trimmed().isEmpty()) return name;
    switch (naming_) {
      case Naming::Project: return isProjectPath(name) ? name : name + QStringLiteral(".rpf");
      case Naming::Picture: return hasPictureExtension(name) ? name : name + u'.' + firstSuffixOf(selectedNameFilter());
      case Naming::AsTyped: break;
    }
    return name;
  }

  Naming naming_;
  QLineEdit* nameEdit_ = nullptr;
  QAbstractItemView* files_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QString typed_;  // the name as the user last typed it
  QCheckBox* transparentCheck_ = nullptr;
  QComboBox* scaleChoice_ = nullptr;
};

NamingFileDialog* makeFileDialog(QWidget* owner, const QString& title, const QString& filter,
                                 QFileDialog::AcceptMode mode,
                                 NamingFileDialog::Naming naming = NamingFileDialog::Naming::AsTyped) {
  auto* dialog = new NamingFileDialog(owner, title, naming);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  // Qt reads the patterns from the last parentheses; hiding the details leaves the caption.
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(fileDialogFilters(filter));
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog->findQtWidgets();
  for (QCompleter* completer : dialog->findChildren<QCompleter*>())
    if (completer->popup()) new CompletionListGuard(dialog, completer->popup());
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog,
                   [dialog](const QString& nameFilter) { dialog->typeWasPicked(nameFilter); });
  return dialog;
}

std::optional<QString> run(QFileDialog* dialog) {
  // The filter may have been chosen by the program rather than picked from the list.
  if (dialog->acceptMode() == QFileDialog::AcceptSave) takeSuffixOf(dialog, dialog->selectedNameFilter());
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog->selectedFiles().constFirst();
  dialog->selectFile(chosen);  // offered again next time
  return chosen;
}

// The family's style nearest to `wanted`'s weight and slant: the right slant first, then the
// nearest weight, then the plainest name, so "Bold Italic" wins over "Condensed Bold Italic".
QString closestStyle(const QString& family, const QFont& wanted) {
  QString best;
  qint64 bestScore = std::numeric_limits<qint64>::max();
  for (const QString& style : QFontDatabase::styles(family)) {
    const qint64 score = (QFontDatabase::italic(family, style) != wanted.italic() ? 1'000'000 : 0) +
                         1000 * std::abs(QFontDatabase::weight(family, style) - wanted.weight()) + style.size();
    if (score < bestScore) {
      bestScore = score;
      best = style;
    }
  }
  return best;
}

}  // namespace

QFont fontDialogFont(const FontChoice& font) {
  const QString family = QFontInfo(QFont(font.face)).family();
  QFont wanted;
  applyStyleBits(wanted, font.style);
  const QString style = closestStyle(family, wanted);
  QFont shown = QFontDatabase::font(family, style, std::max(font.points, 1));
  shown.setFamily(family);
  shown.setStyleName(style);
  shown.setPointSize(std::max(font.points, 1));
  return shown;
}

bool reachesQtFileDialogWidgets(const QFileDialog* dialog) {
  const auto* naming = dynamic_cast<const NamingFileDialog*>(dialog);
  return naming && naming->foundQtWidgets();
}

QStringList fileDialogFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    result << parts[i] + QStringLiteral(" (") + parts[i + 1].split(u';').join(u' ') + u')';
  return result;
}

namespace {

NamingFileDialog* logoDialog(QFileDialog* dialog) { return static_cast<NamingFileDialog*>(dialog); }

}  // namespace

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {
  const QString projectFilter = QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ (*.rpf)|*.rpf");
  const QString firstFolder = firstDialogFolder();

  openProjectDialog = makeFileDialog(owner, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"), projectFilter, QFileDialog::AcceptOpen);
  openProjectDialog->setDefaultSuffix(QStringLiteral("rpf"));
  openProjectDialog->setDirectory(firstFolder);

  saveProjectDialog = makeFileDialog(owner, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"), projectFilter, QFileDialog::AcceptSave,
                                     NamingFileDialog::Naming::Project);
  saveProjectDialog->setDefaultSuffix(QStringLiteral("rpf"));
  saveProjectDialog->setDirectory(firstFolder);

  openPictureDialog = makeFileDialog(owner, QStringLiteral("画像の読み込み"),
                                     QStringLiteral("画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp;*.png)|*.jpg;*.jpeg;*.bmp;*.png|"
                                                    "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEGｲﾒｰｼﾞ (*.jpeg;*.jpg)|*.jpeg;*.jpg|"
                                                    "PNGｲﾒｰｼﾞ (*.png)|*.png"),
                                     QFileDialog::AcceptOpen);
  openPictureDialog->setDirectory(firstFolder);
  attachPicturePreview(openPictureDialog);

  savePictureDialog = makeFileDialog(owner, QStringLiteral("画像を保存"),
                                     QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg)|*.jpg;*.jpeg|"
                                                    "PNGｲﾒｰｼﾞ (*.png)|*.png"),
                                     QFileDialog::AcceptSave, NamingFileDialog::Naming::Picture);
  savePictureDialog->setDefaultSuffix(QStringLiteral("bmp"));
  attachPicturePreview(savePictureDialog);
  logoDialog(savePictureDialog)->addLogoOptions();
  logoTransparentCheck = logoDialog(savePictureDialog)->transparentCheck();
  logoScaleChoice = logoDialog(savePictureDialog)->scaleChoice();

  colourDialog = new QColorDialog(owner);
  colourDialog->setOption(QColorDialog::DontUseNativeDialog);

  fontDialog = new QFontDialog(owner);
  fontDialog->setOption(QFontDialog::DontUseNativeDialog);
  // Until a text part is selected: the window font, 12 pixels being 9 points on a 96 dpi screen.
  font_ = {QString::fromUtf16(DEFAULT_FONT_FACE), 9, 0};
  // No effects section: underline and strike-out come from the part, not from this dialog. The
  // sample beside it took its height from that section and would shrink to nothing without it.
  int effectsHeight = 0;
  for (QGroupBox* group : fontDialog->findChildren<QGroupBox*>())
    if (!group->findChildren<QCheckBox*>().isEmpty()) {
      effectsHeight = std::max(effectsHeight, group->sizeHint().height());
      group->hide();
    }
  for (QGroupBox* group : fontDialog->findChildren<QGroupBox*>())
    if (!group->findChildren<QLineEdit*>().isEmpty()) group->setMinimumHeight(effectsHeight);
}

QtDialogs::~QtDialogs() = default;  // the dialogs are children of the owner

std::optional<QString> QtDialogs::openProject() { return run(openProjectDialog); }
std::optional<QString> QtDialogs::saveProject() { return run(saveProjectDialog); }
void QtDialogs::proposeProjectName(const QString& path) { saveProjectDialog->selectFile(path); }
std::optional<QString> QtDialogs::openPicture() { return run(openPictureDialog); }
std::optional<Dialogs::LogoChoice> QtDialogs::saveLogo(const LogoOptions& remembered) {
  logoDialog(savePictureDialog)->showLogoOptions(remembered);
  const std::optional<QString> path = run(savePictureDialog);
  if (!path) return std::nullopt;
  return LogoChoice{*path, logoDialog(savePictureDialog)->logoOptions()};
}

std::optional<Colour> QtDialogs::chooseColour() {
  colourDialog->setCurrentColor(QColor(rgbFromColour(lastColour_)));
  if (colourDialog->exec() != QDialog::Accepted) return std::nullopt;
  lastColour_ = colourFromRgb(colourDialog->selectedColor().rgb());
  return lastColour_;
}

void QtDialogs::presetFont(const FontChoice& font) { font_ = font; }

std::optional<FontChoice> QtDialogs::chooseFont() {
  fontDialog->setCurrentFont(fontDialogFont(font_));
  // The dialog knows installed families and their style names only; what it shows of the part's
  // font is compared with what it returns, and only what the user changed is taken from it.
  const QFont shown = fontDialog->currentFont();
  // The face field names the part's own face, though the list can only mark the one drawing it.
  if (shown.family() != font_.face)
    for (QLineEdit* field : fontDialog->findChildren<QLineEdit*>())
      if (field->isReadOnly() && field->text() == shown.family()) field->setText(font_.face);
  if (fontDialog->exec() != QDialog::Accepted) return std::nullopt;
  const QFont chosen = fontDialog->selectedFont();
  FontChoice result = font_;
  if (chosen.family() != shown.family()) result.face = chosen.family();
  if (chosen.pointSize() != shown.pointSize() && chosen.pointSize() > 0) result.points = chosen.pointSize();
  if (chosen.styleName() != shown.styleName() || chosen.weight() != shown.weight() || chosen.style() != shown.style()) {
    // Underline and strike-out are not offered here; they stay as the part has them.
    constexpr std::uint8_t offered = fsBold | fsItalic;
    result.style = static_cast<std::uint8_t>((result.style & ~offered) | (styleBitsOf(chosen) & offered));
  }
  font_ = result;
  return result;
}

namespace {

// A question captioned "Pelmora" with one button per answer, in order: the first is the default,
// the last is what Escape means. The index of the answer given.
int askPelmora(QWidget* owner, const QString& text, std::initializer_list<const char16_t*> answers) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Pelmora"), text, QMessageBox::NoButton, owner);
  // The roles put the buttons in this order on every desktop's layout.
  const QMessageBox::ButtonRole roles[] = {QMessageBox::AcceptRole, QMessageBox::DestructiveRole,
                                           QMessageBox::RejectRole};
  std::vector<QPushButton*> buttons;
  for (const char16_t* answer : answers)
    buttons.push_back(box.addButton(QString::fromUtf16(answer), roles[buttons.size()]));
  box.setDefaultButton(buttons.front());
  box.setEscapeButton(buttons.back());
  makeTextCopyable(box);
  box.exec();
  const auto given = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  return given == buttons.end() ? static_cast<int>(buttons.size()) - 1 : static_cast<int>(given - buttons.begin());
}

}  // namespace

Dialogs::UnsavedChanges QtDialogs::askToSaveChanges() {
  const UnsavedChanges answers[] = {UnsavedChanges::Save, UnsavedChanges::Discard, UnsavedChanges::Cancel};
  return answers[askPelmora(owner_, QStringLiteral("変更を保存しますか?"), {u"保存", u"保存しない", u"キャンセル"})];
}

Dialogs::LeftWorkAnswer QtDialogs::askToRestore(const QString& about) {
  const LeftWorkAnswer answers[] = {LeftWorkAnswer::Restore, LeftWorkAnswer::Discard, LeftWorkAnswer::Later};
  return answers[askPelmora(owner_, QStringLiteral("前回保存されなかった作業があります\n\n") + about,
                            {u"復元", u"破棄", u"後で"})];
}

void QtDialogs::showMessage(const QString& text, const QString& caption) { showStopMessage(owner_, caption, text); }
