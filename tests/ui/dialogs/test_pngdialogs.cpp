#include "ui/dialogs/qtdialogs.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// PNG's entry comes after the bitmap's and JPEG's in both picture dialogs, and the first entry of
// the load dialog, selected at first, shows PNG files too.
TEST(Dialogs, PictureFiltersOfferPng) {
  QWidget owner;
  QtDialogs real(&owner);
  EXPECT_EQ(real.openPictureDialog->nameFilters(),
            (QStringList{QStringLiteral("画像ﾌｧｲﾙ (*.jpg;*.jpeg;*.bmp;*.png) (*.jpg *.jpeg *.bmp *.png)"),
                         QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpeg;*.jpg) (*.jpeg *.jpg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
  EXPECT_EQ(real.savePictureDialog->nameFilters(),
            (QStringList{QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp) (*.bmp)"),
                         QStringLiteral("JPEGｲﾒｰｼﾞ (*.jpg;*.jpeg) (*.jpg *.jpeg)"),
                         QStringLiteral("PNGｲﾒｰｼﾞ (*.png) (*.png)")}));
}

// The file dialogs complete names through Qt's own name field, file list and buttons, which Qt
// names but offers through no API: should an update of Qt rename them, this says so, rather than
// names being saved uncompleted.
TEST(Dialogs, FileDialogsReachQtsOwnWidgets) {
  QWidget owner;
  QtDialogs real(&owner);
  for (const QFileDialog* dialog :
       {real.openProjectDialog, real.saveProjectDialog, real.openPictureDialog, real.savePictureDialog})
    EXPECT_TRUE(reachesQtFileDialogWidgets(dialog)) << dialog->windowTitle().toStdString();
}

// A name typed without a picture extension takes the extension of the type picked from the list,
// before or after the name is typed, so a PNG logo saved as "logo" is not written as a bitmap named
// "logo.bmp", nor "logo v1.2" as "logo v1.png"; a typed picture extension decides, and one typed
// before another type is picked gives way to that type's, as Qt puts it. A project name takes
// ".rpf" unless it has it. A folder's name enters the folder. Names are typed one after the other
// (separated by "|"), each ended by Return. The name completed wins over a file Qt still has
// selected in the list, as it does in a real window after a name typed before the pick, next to
// an existing file (the real-window test's case).
TEST(Dialogs, SavedNamesAreCompleted) {
  enum Kind { Logo, Project };
  const struct {
    Kind kind;
    int downPresses;
    const char16_t* typed;
    bool typedFirst;
    const char16_t* saved;
    // A file Qt still has selected in the list when 保存 is clicked, which takes the focus from
    // the name field.
    const char16_t* selected = nullptr;
  } rows[] = {{Logo, 0, u"logo", false, u"logo.bmp"},
              {Logo, 2, u"logo", false, u"logo.png"},
              {Logo, 1, u"logo", false, u"logo.jpg"},
              {Logo, 2, u"logo v1.2", false, u"logo v1.2.png"},
              {Logo, 2, u"logo v1.2", true, u"logo v1.2.png"},
              {Logo, 2, u"logo.JPG", false, u"logo.JPG"},
              {Logo, 2, u"logo.jpg", true, u"logo.png"},
              {Logo, 1, u"logo.bmp", true, u"logo.jpg"},
              {Logo, 0, u"folder|logo", false, u"folder/logo.bmp"},
              {Logo, 0, u"mark v1.2", false, u"mark v1.2.bmp", u"mark.bmp"},
              {Project, 0, u"logo v1.2", false, u"logo v1.2.rpf"},
              {Project, 0, u"a.RPF", false, u"a.RPF"},
              {Project, 0, u"folder|a", false, u"folder/a.rpf"}};
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir(u"folder"_qs));
  {
    QFile mark(dir.filePath(u"mark.bmp"_qs));
    ASSERT_TRUE(mark.open(QIODevice::WriteOnly));
  }
  QWidget owner;
  owner.show();
  QtDialogs real(&owner);
  for (const auto& row : rows) {
    QFileDialog* dialog = row.kind == Logo ? real.savePictureDialog : real.saveProjectDialog;
    dialog->setDirectory(dir.path());
    QTimer::singleShot(200, [&] {
      auto* types = dialog->findChild<QComboBox*>(u"fileTypeCombo"_qs);
      auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_qs);
      if (!types || !name) return dialog->reject();
      QTest::keyClick(types, Qt::Key_Home);
      name->clear();
      const QStringList names = QString::fromUtf16(row.typed).split(u'|');
      if (row.typedFirst) QTest::keyClicks(name, names.constFirst());
      for (int i = 0; i < row.downPresses; ++i) QTest::keyClick(types, Qt::Key_Down);
      for (qsizetype i = 0; i < names.size(); ++i) {
        if (!row.typedFirst || i > 0) {
          name->clear();
          QTest::keyClicks(name, names[i]);
        }
        // Return taken by the completion list would only fill in the name.
        if (QAbstractItemView* completions = name->completer() ? name->completer()->popup() : nullptr)
          completions->hide();
        auto* list = dialog->findChild<QAbstractItemView*>(u"listView"_qs);
        auto* files = list ? qobject_cast<QFileSystemModel*>(list->model()) : nullptr;
        auto* buttons = dialog->findChild<QDialogButtonBox*>();
        if (!row.selected || !files || !buttons) {
          QTest::keyClick(name, Qt::Key_Return);
          continue;
        }
        list->selectionModel()->select(files->index(dir.filePath(QString::fromUtf16(row.selected))),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::mouseClick(buttons->button(QDialogButtonBox::Save), Qt::LeftButton);
      }
    });
    // A test that fails, not one that hangs: a question asked is answered No, and the dialog cancelled.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, dialog, [dialog] {
      if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) question->reject();
      dialog->reject();
    });
    guard.start(5000);
    std::optional<QString> saved;
    if (row.kind == Logo) {
      if (const auto choice = real.saveLogo({})) saved = choice->path;
    } else {
      saved = real.saveProject();
    }
    EXPECT_EQ(saved.value_or(u"(cancelled)"_qs).toStdString(),
              dir.filePath(QString::fromUtf16(row.saved)).toStdString());
  }
}

}  // namespace
