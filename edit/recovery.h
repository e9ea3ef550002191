#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class Composition;
class QLockFile;

// Work that was never saved survives the process that held it: while a composition differs from
// what was last saved, its window keeps a recovery copy in a folder of the user's state. Each copy
// is three files named by one id: `ID.rpf`, a plain project file any copy of the program opens;
// `ID.info`, naming the project it belongs to and when it was written; and `ID.lock`, which the
// owning window holds while it lives, so no other window or later start touches it.

// $XDG_STATE_HOME/pelmora/recovery, or ~/.local/state/pelmora/recovery when the variable is unset
// or not an absolute path.
QString recoveryFolder();

// A copy whose window is gone, held (its lock taken) by whoever found it until it is dropped.
struct LeftWork {
  QString copyPath;   // the copy, ID.rpf
  QString project;    // the project file it belongs to; empty when it was never saved
  QDateTime written;  // when it was last written
  std::shared_ptr<QLockFile> lock;
};

// The copies in `folder` whose windows are gone, newest first, each one's lock taken. Copies that
// another window holds are left out, and so is a copy whose lock cannot be taken.
std::vector<LeftWork> findLeftWork(const QString& folder);
// Reads the copy as Open reads a project: the refusal of a damaged copy, empty for a sound one.
// Throws the Failure of one that cannot be read at all.
QString checkLeftWork(const LeftWork& work);
// Removes the copy and its side file; the lock goes with `work`.
void discardLeftWork(const LeftWork& work);
// Renames the copy and its side file aside (".rpf" becomes ".rpf-damaged"), so that a copy that
// cannot be read is never offered again but is not lost either.
void setLeftWorkAside(const LeftWork& work);

// A window's recovery copy of `composition`: written at most once a second and at the latest a
// second after a change, while the composition differs from what was saved; removed a second
// after it no longer does, and when the keeper goes (the window closed normally).
class RecoveryCopy : public QObject {
  Q_OBJECT
public:
  static constexpr int Pause = 1000;  // ms from a change to the copy that follows it

  RecoveryCopy(const Composition& composition, QString folder, QObject* parent = nullptr);
  // The copy goes: its window closed normally, whatever the user answered about unsaved work.
  ~RecoveryCopy() override;

  // The project file the composition belongs to, which the side file names from the next write.
  void setProject(const QString& path);
  // A copy left by a window that is gone becomes this window's own: its files are written over
  // and removed as this window's would be.
  void adopt(LeftWork&& work);
  // Writes or removes the copy now, as the composition stands, rather than after the pause.
  void update();
  // The window closed normally: the copy goes, the lock is let go, and nothing is kept any more.
  void finish();
  // The copy as it stands on disk; empty when there is none.
  QString copyPath() const;

Q_SIGNALS:
  // A copy was written.
  void kept();
  // A copy could not be written; said once until one is written again.
  void failed(const QString& message);

private:
  void schedule();
  QString pathOf(const QString& suffix) const;
  // Takes a lock of an id of its own; false when the folder cannot hold one.
  bool takeLock();
  void write();
  void remove();

  const Composition& composition_;
  QString folder_;
  QString id_;
  QString project_;
  std::shared_ptr<QLockFile> lock_;
  QByteArray written_;  // the bytes of the copy on disk; empty when there is none
  QString writtenProject_;
  bool failing_ = false;
  bool finished_ = false;
  QTimer pause_;
};
