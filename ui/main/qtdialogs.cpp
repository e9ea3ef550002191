#include "ui/main/qtdialogs.h"

#include "render/raster.h"
#include "ui/main/picturepreview.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QMessageBox>

namespace {

QFileDialog* makeFileDialog(QWidget* owner, const QString& title, const QString& filter,
                            QFileDialog::AcceptMode mode) {
  auto* dialog = new QFileDialog(owner, title);
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  // Qt reads the patterns from the last parentheses; hiding the details leaves the caption.
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(fileDialogFilters(filter));
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  return dialog;
}

std::optional<QString> run(QFileDialog* dialog) {
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog->selectedFiles().constFirst();
  dialog->selectFile(chosen);  // offered again next time
  return chosen;
}

}  // namespace

QStringList fileDialogFilters(const QString& filter) {
  const QStringList parts = filter.split(u'|');
  QStringList result;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
    result << parts[i] + QStringLiteral(" (") + parts[i + 1].split(u';').join(u' ') + u')';
  return result;
}

QtDialogs::QtDialogs(QWidget* owner) : owner_(owner) {
  const QString projectFilter = QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ (*.rpf)|*.rpf");
  const QString exeFolder = QCoreApplication::applicationDirPath();

  OD = makeFileDialog(owner, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを開く"), projectFilter, QFileDialog::AcceptOpen);
  OD->setDefaultSuffix(QStringLiteral("rpf"));
  OD->setDirectory(exeFolder);

  SD = makeFileDialog(owner, QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄを保存"), projectFilter, QFileDialog::AcceptSave);
  SD->setDefaultSuffix(QStringLiteral("rpf"));
  SD->setDirectory(exeFolder);

  OPD = makeFileDialog(owner, QStringLiteral("画像の読み込み"),
                       QStringLiteral("画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|"
                                      "ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEGｲﾒｰｼﾞ (*.jpeg;*.jpg)|*.jpeg;*.jpg"),
                       QFileDialog::AcceptOpen);
  OPD->setDirectory(exeFolder);
  attachPicturePreview(OPD);

  SPD = makeFileDialog(owner, QStringLiteral("画像を保存"),
                       QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp)|*.bmp|JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg)|*.jpg;*.jpeg"),
                       QFileDialog::AcceptSave);
  SPD->setDefaultSuffix(QStringLiteral("bmp"));
  attachPicturePreview(SPD);

  CD = new QColorDialog(owner);
  CD->setOption(QColorDialog::DontUseNativeDialog);

  FD = new QFontDialog(owner);
  FD->setOption(QFontDialog::DontUseNativeDialog);
  QFont initial(QStringLiteral("ＭＳ Ｐゴシック"));
  initial.setPixelSize(12);
  FD->setCurrentFont(initial);
  // No effects section: underline and strike-out come from the part, not from this dialog.
  for (QGroupBox* group : FD->findChildren<QGroupBox*>())
    if (!group->findChildren<QCheckBox*>().isEmpty()) group->hide();
}

QtDialogs::~QtDialogs() = default;  // the dialogs are children of the owner

std::optional<QString> QtDialogs::openProject() { return run(OD); }
std::optional<QString> QtDialogs::saveProject() { return run(SD); }
void QtDialogs::proposeProjectName(const QString& path) { SD->selectFile(path); }
std::optional<QString> QtDialogs::openPicture() { return run(OPD); }
std::optional<QString> QtDialogs::savePicture() { return run(SPD); }

std::optional<Colour> QtDialogs::chooseColour() {
  CD->setCurrentColor(QColor(rgbFromColour(lastColour_)));
  if (CD->exec() != QDialog::Accepted) return std::nullopt;
  lastColour_ = colourFromRgb(CD->selectedColor().rgb());
  return lastColour_;
}

void QtDialogs::presetFont(const QFont& font) { FD->setCurrentFont(font); }

std::optional<QFont> QtDialogs::chooseFont() {
  const QFont preset = FD->currentFont();
  if (FD->exec() != QDialog::Accepted) return std::nullopt;
  QFont chosen = FD->selectedFont();
  chosen.setUnderline(preset.underline());
  chosen.setStrikeOut(preset.strikeOut());
  return chosen;
}

void QtDialogs::showMessage(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, owner_);
  box.exec();
}
