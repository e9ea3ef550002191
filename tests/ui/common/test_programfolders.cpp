#include "ui/common/programfolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A folder tree of the given files under a temporary root; paths are relative to the root.
class Layout {
public:
  explicit Layout(std::initializer_list<const char*> files) {
    for (const char* file : files) {
      const QString path = at(QString::fromLatin1(file));
      QDir().mkpath(path.section(u'/', 0, -2));
      QFile f(path);
      f.open(QIODevice::WriteOnly);
    }
  }
  QString at(const QString& relative) const { return root_.path() + u'/' + relative; }

private:
  QTemporaryDir root_;
};

TEST(HelpFile, BesideTheExecutableFirstThenTheInstalledDataFolder) {
  struct Case {
    std::initializer_list<const char*> files;
    const char* exe;
    const char* expected;
  } cases[] = {
      // A build tree or a portable copy, even where an install lies around it.
      {{"app/pelmora", "app/pelmora.html", "share/pelmora/pelmora.html"}, "app/pelmora", "app/pelmora.html"},
      // An install: bin/ and share/pelmora/ side by side.
      {{"usr/bin/pelmora", "usr/share/pelmora/pelmora.html"}, "usr/bin/pelmora", "usr/share/pelmora/pelmora.html"},
      // Named after the executable, in either place.
      {{"usr/bin/logo", "usr/bin/pelmora.html", "usr/share/pelmora/logo.html"},
       "usr/bin/logo",
       "usr/share/pelmora/logo.html"},
      // Found nowhere: the installed place is the one to name.
      {{"usr/bin/pelmora"}, "usr/bin/pelmora", "usr/share/pelmora/pelmora.html"},
  };
  for (const Case& c : cases) {
    const Layout layout(c.files);
    EXPECT_EQ(helpFileFor(layout.at(QString::fromLatin1(c.exe))).toStdString(),
              layout.at(QString::fromLatin1(c.expected)).toStdString());
  }
}

// The tests run as root, who may write in every folder, so what the user may write is told.
bool mayWrite(const QString&) { return true; }
bool mayNotWrite(const QString&) { return false; }

TEST(DialogFolder, ASelfContainedWritableExecutablesElseDocumentsElseHome) {
  const Layout layout({"app/pelmora", "app/pelmora.html", "usr/bin/pelmora", "usr/share/pelmora/pelmora.html",
                       "home/u/Documents/a.rpf", "home/v/b.rpf"});
  struct Case {
    const char* exe;
    bool (*writable)(const QString&);
    const char* documents;
    const char* expected;
  } cases[] = {
      // A build tree or a portable copy.
      {"app/pelmora", mayWrite, "home/u/Documents", "app"},
      {"app/pelmora", mayNotWrite, "home/u/Documents", "home/u/Documents"},
      // Installed: never bin/, even for a user who may write there.
      {"usr/bin/pelmora", mayWrite, "home/u/Documents", "home/u/Documents"},
      // A documents folder that the user never made, or none at all.
      {"usr/bin/pelmora", mayWrite, "home/v/Documents", "home/v"},
      {"app/pelmora", mayNotWrite, "", "home/v"},
  };
  for (const Case& c : cases) {
    const QString documents = *c.documents ? layout.at(QString::fromLatin1(c.documents)) : QString();
    EXPECT_EQ(firstDialogFolder(layout.at(QString::fromLatin1(c.exe)), documents, layout.at(u"home/v"_qs), c.writable)
                  .toStdString(),
              layout.at(QString::fromLatin1(c.expected)).toStdString());
  }
}

}  // namespace
