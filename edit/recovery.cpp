#include "edit/recovery.h"

#include "edit/composition.h"
#include "model/failure.h"
#include "model/projectfile.h"
#include "model/regularfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QUuid>

#include <algorithm>
#include <new>

namespace {

const QString kCopySuffix = QStringLiteral(".rpf");
const QString kInfoSuffix = QStringLiteral(".info");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kAsideSuffix = QStringLiteral("-damaged");
const QString kProjectKey = QStringLiteral("project");
// A side file is a few lines; anything longer is not one of ours and is not read.
constexpr qint64 kMaxInfoSize = 64 * 1024;

// Only the lock's owner decides whether it is live: a lock is never stale because it is old, since
// a window may keep a copy for days.
std::shared_ptr<QLockFile> lockAt(const QString& path) {
  auto lock = std::make_shared<QLockFile>(path);
  lock->setStaleLockTime(0);
  if (!lock->tryLock(0)) return nullptr;
  return lock;
}

QString withoutSuffix(const QString& path, const QString& suffix) { return path.left(path.size() - suffix.size()); }

// The project the side file at `path` names; empty when it names none or is not one of ours. Only
// a regular file is read: a pipe would hold the start up.
QString projectNamedBy(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > kMaxInfoSize) return {};
  return QSettings(path, QSettings::IniFormat).value(kProjectKey).toString();
}

// INI escapes what a path may hold, a line break included.
void writeInfo(const QString& path, const QString& project) {
  QSettings info(path, QSettings::IniFormat);
  info.clear();
  info.setValue(kProjectKey, project);
  info.sync();
  if (info.status() != QSettings::NoError) throw Failure(QStringLiteral("ファイル %1 を作成できません").arg(path));
}

// What the writer's thread does: writes a copy (its side file first, when given) or, with no
// bytes, removes one. The failure's words, empty when done.
struct CopyJob {
  QString copyPath;
  QString infoPath;
  QByteArray bytes;
  std::optional<QString> project;
};

QString carryOut(const CopyJob& job) {
  try {
    if (job.bytes.isEmpty()) {
      // The copy first: a side file left alone is never offered.
      QFile::remove(job.copyPath);
      QFile::remove(job.infoPath);
      return {};
    }
    if (job.project) writeInfo(job.infoPath, *job.project);
    writeWholeFile(job.copyPath, job.bytes);
  } catch (const Failure& failure) {
    return failure.message();
  } catch (const std::bad_alloc&) {
    return QStringLiteral("メモリが足りません");
  }
  return {};
}

void renameAside(const QString& path) {
  if (!QFile::exists(path)) return;
  QString aside = path + kAsideSuffix;
  for (int n = 2; QFileInfo::exists(aside); ++n) aside = path + kAsideSuffix + QString::number(n);
  QFile::rename(path, aside);
}

}  // namespace

QString recoveryFolder() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  // XDG has a relative path there ignored, as if the variable were unset.
  if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/pelmora/recovery");
}

std::vector<LeftWork> findLeftWork(const QString& folder) {
  std::vector<LeftWork> found;
  const QDir dir(folder);
  const QStringList copies = dir.entryList({QStringLiteral("*.rpf")}, QDir::Files | QDir::Hidden);
  for (const QString& name : copies)
    if (std::optional<LeftWork> work = takeLeftWork(dir.filePath(name))) found.push_back(std::move(*work));
  std::stable_sort(found.begin(), found.end(),
                   [](const LeftWork& a, const LeftWork& b) { return a.written > b.written; });
  return found;
}

std::optional<LeftWork> takeLeftWork(const QString& copyPath) {
  const QString base = withoutSuffix(copyPath, kCopySuffix);
  LeftWork work;
  work.lock = lockAt(base + kLockSuffix);
  if (!work.lock) return std::nullopt;
  // Looked at only now that the lock is held: a window may have removed the copy since.
  const QFileInfo copy(copyPath);
  if (!copy.exists()) return std::nullopt;
  work.copyPath = copyPath;
  work.project = projectNamedBy(base + kInfoSuffix);
  work.written = copy.lastModified();
  return work;
}

QString checkLeftWork(const LeftWork& work) {
  try {
    readProjectFile(work.copyPath);
  } catch (const ProjectFileRefused& refused) {
    return refused.message();
  }
  return {};
}

void discardLeftWork(const LeftWork& work) {
  QFile::remove(work.copyPath);
  QFile::remove(withoutSuffix(work.copyPath, kCopySuffix) + kInfoSuffix);
}

void setLeftWorkAside(const LeftWork& work) {
  renameAside(work.copyPath);
  renameAside(withoutSuffix(work.copyPath, kCopySuffix) + kInfoSuffix);
}

RecoveryCopy::RecoveryCopy(const Composition& composition, QString folder, QObject* parent)
    : QObject(parent), composition_(composition), folder_(std::move(folder)) {
  writer_.setMaxThreadCount(1);
  pause_.setSingleShot(true);
  pause_.setInterval(Pause);
  connect(&pause_, &QTimer::timeout, this, &RecoveryCopy::update);
  connect(&composition_, &Composition::blockChanged, this, &RecoveryCopy::follow);
}

RecoveryCopy::~RecoveryCopy() { writer_.waitForDone(); }

void RecoveryCopy::finish() {
  finished_ = true;
  pause_.stop();
  remove();
  flush();
  lock_.reset();
}

void RecoveryCopy::setProject(const QString& path) {
  project_ = path;
  schedule();
}

void RecoveryCopy::adopt(LeftWork&& work) {
  remove();
  id_ = QFileInfo(withoutSuffix(work.copyPath, kCopySuffix)).fileName();
  lock_ = std::move(work.lock);
  project_ = work.project;
  writtenProject_.reset();
  if (QFileInfo::exists(pathOf(kInfoSuffix))) writtenProject_ = work.project;
  QFile copy;
  if (openRegularFile(copy, work.copyPath)) written_ = copy.read(sizeof(TDocument));
  mayExist_ = true;
  schedule();
}

void RecoveryCopy::follow() {
  // A copy of saved work would be offered as lost by a crash in the pause. The pause goes on: a
  // drag that passes the saved place is still kept once a second.
  if (!composition_.isModified()) remove();
  schedule();
}

void RecoveryCopy::schedule() {
  // The pause is not started again by later changes, so a drag writes once a second, not only
  // once it ends.
  if (!pause_.isActive() && !finished_) pause_.start();
}

QString RecoveryCopy::copyPath() const { return written_.isEmpty() ? QString() : pathOf(kCopySuffix); }

QString RecoveryCopy::pathOf(const QString& suffix) const { return folder_ + u'/' + id_ + suffix; }

bool RecoveryCopy::takeLock() {
  if (lock_) return true;
  if (!QDir().mkpath(folder_)) return false;
  // The copies are the user's work: the folder is the user's alone.
  QFile::setPermissions(folder_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  id_ = QUuid::createUuid().toString(QUuid::WithoutBraces);
  lock_ = lockAt(pathOf(kLockSuffix));
  return lock_ != nullptr;
}

void RecoveryCopy::update() {
  pause_.stop();
  if (finished_) return;
  if (composition_.isModified())
    write();
  else
    remove();
}

void RecoveryCopy::write() {
  QByteArray bytes = projectBytes(composition_.document());
  if (bytes == written_ && project_ == writtenProject_) return;
  // A disk slower than the changes gets the newest copy once it is free, not every one between.
  if (writing_) {
    again_ = true;
    return;
  }
  if (!takeLock()) {
    fail(QStringLiteral("ﾌｫﾙﾀﾞ %1 に書き込めません").arg(folder_));
    return;
  }
  CopyJob job{pathOf(kCopySuffix), pathOf(kInfoSuffix), bytes, std::nullopt};
  if (project_ != writtenProject_) job.project = project_;
  written_ = std::move(bytes);
  writtenProject_ = project_;
  mayExist_ = true;
  writing_ = true;
  writer_.start([this, job = std::move(job)] {
    const QString failure = carryOut(job);
    QMetaObject::invokeMethod(
        this, [this, failure] { landed(failure); }, Qt::QueuedConnection);
  });
}

void RecoveryCopy::landed(const QString& failure) {
  writing_ = false;
  if (failure.isEmpty()) {
    failing_ = false;
    Q_EMIT kept();
  } else {
    // What is on disk is not known: the next write writes both files.
    written_.clear();
    writtenProject_.reset();
    fail(failure);
  }
  if (std::exchange(again_, false)) update();
}

void RecoveryCopy::fail(const QString& message) {
  if (!failing_) Q_EMIT failed(message);
  failing_ = true;
}

void RecoveryCopy::flush() {
  do {
    writer_.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  } while (writing_);
}

void RecoveryCopy::remove() {
  if (!mayExist_) return;
  const CopyJob job{pathOf(kCopySuffix), pathOf(kInfoSuffix), {}, std::nullopt};
  mayExist_ = false;
  written_.clear();
  writtenProject_.reset();
  writer_.start([job] { carryOut(job); });
}
