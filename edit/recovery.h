#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class Composition;
class QLockFile;

// Work that was never saved survives the process that held it: while a composition differs from
// what was last saved, its window keeps a recovery copy in a folder of the user's state. Each copy
// is three files named by one id: `ID.rpf`, a plain project file any copy of the program opens;
// `ID.info`, naming the project it belongs to; and `ID.lock`, which the owning window holds while
// it lives, so no other window or later start touches it. The side file is written before the
// copy, and only when the project changes, so a process killed at any instant leaves no copy
// without it; the copy is dated by its own modification time.

// $XDG_STATE_HOME/pelmora/recovery, or ~/.local/state/pelmora/recovery when the variable is unset
// or not an absolute path.
QString recoveryFolder();

// A copy whose window is gone, held (its lock taken) by whoever found it until it is dropped.
struct LeftWork {
  QString copyPath;   // the copy, ID.rpf
  QString project;    // the project file it belongs to; empty when it was never saved
  QDateTime written;  // when it was last written: the copy's own modification time
  std::shared_ptr<QLockFile> lock;
};

// The copies in `folder` whose windows are gone, newest first, each one's lock taken. Copies that
// another window holds are left out, and so is a copy whose lock cannot be taken.
std::vector<LeftWork> findLeftWork(const QString& folder);
// The copy at `copyPath` with its lock taken, or nothing: its window lives, the lock cannot be
// taken, or the copy is gone (its window removed it and let its lock go since it was listed).
std::optional<LeftWork> takeLeftWork(const QString& copyPath);
// Reads the copy as Open reads a project: the refusal of a damaged copy, empty for a sound one.
// Throws the Failure of one that cannot be read at all.
QString checkLeftWork(const LeftWork& work);
// Removes the copy and its side file; the lock goes with `work`.
void discardLeftWork(const LeftWork& work);
// Renames the copy and its side file aside (".rpf" becomes ".rpf-damaged"), so that a copy that
// cannot be read is never offered again but is not lost either.
void setLeftWorkAside(const LeftWork& work);

// A window's recovery copy of `composition`: written at most once a second and at the latest a
// second after a change, while the composition differs from what was saved; removed as soon as it
// no longer does, and when the window closes normally. The files are written on a thread of the
// keeper's own from a snapshot of the block, so the window's thread never waits for the disk.
class RecoveryCopy : public QObject {
  Q_OBJECT
public:
  static constexpr int Pause = 1000;  // ms from a change to the copy that follows it

  RecoveryCopy(const Composition& composition, QString folder, QObject* parent = nullptr);
  // The copy stays for a later start to offer: only a normal close (finish()) removes it, since a
  // window torn down any other way (a failure on its way out of the program) was not closed by
  // the user. Waits for the writes under way.
  ~RecoveryCopy() override;

  // The project file the composition belongs to, which the side file names from the next write.
  void setProject(const QString& path);
  // A copy left by a window that is gone becomes this window's own: its files are written over
  // and removed as this window's would be.
  void adopt(LeftWork&& work);
  // Hands the copy as the composition stands, or its removal, to the writer now rather than after
  // the pause, and returns.
  void update();
  // Waits until everything handed to the writer is on disk and its outcome signalled.
  void flush();
  // The window closed normally: the copy goes, the lock is let go, and nothing is kept any more.
  void finish();
  // The copy as it stands on disk; empty when there is none.
  QString copyPath() const;

Q_SIGNALS:
  // A copy was written (on the keeper's own thread, signalled on the window's).
  void kept();
  // A copy could not be written; said once until one is written again.
  void failed(const QString& message);

private:
  // The block changed: a copy after the pause, or its removal at once when nothing is unsaved.
  void follow();
  void schedule();
  QString pathOf(const QString& suffix) const;
  // Takes a lock of an id of its own; false when the folder cannot hold one.
  bool takeLock();
  void write();
  void remove();
  // A write handed to the writer is done; `failure` says why it failed, empty when it did not.
  void landed(const QString& failure);
  void fail(const QString& message);

  const Composition& composition_;
  QString folder_;
  QString id_;
  QString project_;
  std::shared_ptr<QLockFile> lock_;
  QByteArray written_;                     // the copy last handed to the writer; empty when none
  std::optional<QString> writtenProject_;  // what the side file names; nothing when there is none
  bool mayExist_ = false;                  // files may be on disk that a removal must take
  bool writing_ = false;                   // a write is under way on the writer's thread
  bool again_ = false;                     // the block changed while it was
  bool failing_ = false;
  bool finished_ = false;
  QTimer pause_;
  // One thread, so writes and removals land in the order they were handed over.
  QThreadPool writer_;
};
