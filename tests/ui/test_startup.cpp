#include "support/files.h"
#include "support/mainfixture.h"

#include <QTemporaryDir>

#include <cstring>

namespace {

// The project named on the command line: opened as Open opens it, failures shown, and the
// window's own dialogs in place afterwards.
class Startup : public MainWindowTest {
protected:
  QString path(const QString& name) const { return dir.filePath(name); }

  QTemporaryDir dir;
};

TEST_F(Startup, TheNamedProjectReplacesTheFreshComposition) {
  dialogs->projectsToSave.push_back(path(u"empty.rpf"_qs));
  run("saveProjectAction");
  ASSERT_TRUE(addPart(pkText));
  ASSERT_TRUE(addPart(pkText));
  comp().setBounds(1, {70, 60, part(1)->width(), part(1)->height()});
  dialogs->projectsToSave.push_back(path(u"two.rpf"_qs));
  run("saveProjectAction");
  newComposition();
  ASSERT_EQ(document().PartCount, 0);

  w().openProjectAtStart(path(u"two.rpf"_qs));
  EXPECT_EQ(document().PartCount, 2);
  ASSERT_NE(part(1), nullptr);
  EXPECT_EQ(part(1)->left(), 70);
  EXPECT_EQ(dialogs->proposedProjectName, path(u"two.rpf"_qs));
  EXPECT_TRUE(dialogs->messages.isEmpty());
  EXPECT_TRUE(reports.isEmpty());

  // Open afterwards asks the window's own dialog again.
  dialogs->projectsToOpen.push_back(path(u"empty.rpf"_qs));
  run("openProjectAction");
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_TRUE(dialogs->projectsToOpen.empty());
}

TEST_F(Startup, ARefusedOrMissingProjectLeavesTheFreshCompositionWithOneMessage) {
  putFile(path(u"notes.txt"_qs), QByteArray("not a project"));
  w().openProjectAtStart(path(u"notes.txt"_qs));
  ASSERT_EQ(dialogs->messages.size(), 1);
  EXPECT_EQ(dialogs->messages[0].first, u"Pelmoraのﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙではありません"_qs);

  QByteArray damaged(sizeof(TDocument), '\0');
  const qint32 count = 1000;  // the part count, the block's last field
  std::memcpy(damaged.data() + damaged.size() - 4, &count, 4);
  putFile(path(u"damaged.rpf"_qs), damaged);
  w().openProjectAtStart(path(u"damaged.rpf"_qs));
  ASSERT_EQ(dialogs->messages.size(), 2);
  EXPECT_TRUE(dialogs->messages[1].first.contains(path(u"damaged.rpf"_qs)));

  // A file that is not there fails inside the reading: reported, not thrown out of start-up.
  w().openProjectAtStart(path(u"gone.rpf"_qs));
  const auto all = dialogs->messages + reports;
  ASSERT_EQ(all.size(), 3);
  EXPECT_TRUE(all[2].first.contains(path(u"gone.rpf"_qs)));
  EXPECT_EQ(document().PartCount, 0);
  EXPECT_TRUE(dialogs->proposedProjectName.isEmpty());
}

}  // namespace
