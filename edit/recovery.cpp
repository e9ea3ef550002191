#include "edit/recovery.h"

#include "edit/composition.h"
#include "model/failure.h"
#include "model/projectfile.h"
#include "model/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QUuid>

#include <algorithm>

namespace {

const QString kCopySuffix = QStringLiteral(".rpf");
const QString kInfoSuffix = QStringLiteral(".info");
const QString kLockSuffix = QStringLiteral(".lock");
const QString kAsideSuffix = QStringLiteral("-damaged");
const QString kProjectKey = QStringLiteral("project=");
const QString kWrittenKey = QStringLiteral("written=");
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

// What the side file beside `copyPath` says; the copy's own time when it says nothing.
void readInfo(LeftWork& work) {
  const QString base = withoutSuffix(work.copyPath, kCopySuffix);
  QFile info;
  if (openRegularFile(info, base + kInfoSuffix) && info.size() <= kMaxInfoSize) {
    const QStringList lines = QString::fromUtf8(info.read(kMaxInfoSize)).split(u'\n');
    for (const QString& line : lines) {
      if (line.startsWith(kProjectKey)) work.project = line.mid(kProjectKey.size());
      if (line.startsWith(kWrittenKey))
        work.written = QDateTime::fromString(line.mid(kWrittenKey.size()), Qt::ISODateWithMs).toLocalTime();
    }
  }
  if (!work.written.isValid()) work.written = QFileInfo(work.copyPath).lastModified();
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
  for (const QString& name : copies) {
    LeftWork work;
    work.copyPath = dir.filePath(name);
    work.lock = lockAt(withoutSuffix(work.copyPath, kCopySuffix) + kLockSuffix);
    if (!work.lock) continue;  // its window lives, or the folder lets no lock be taken
    readInfo(work);
    found.push_back(std::move(work));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const LeftWork& a, const LeftWork& b) { return a.written > b.written; });
  return found;
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
  pause_.setSingleShot(true);
  pause_.setInterval(Pause);
  connect(&pause_, &QTimer::timeout, this, &RecoveryCopy::update);
  // The pause is not started again by later changes, so a drag writes once a second, not only
  // once it ends.
  connect(&composition_, &Composition::blockChanged, this, &RecoveryCopy::schedule);
}

RecoveryCopy::~RecoveryCopy() { finish(); }

void RecoveryCopy::finish() {
  finished_ = true;
  pause_.stop();
  remove();
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
  writtenProject_ = work.project;
  QFile copy;
  if (openRegularFile(copy, work.copyPath)) written_ = copy.read(sizeof(TDocument));
  schedule();
}

void RecoveryCopy::schedule() {
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
  const QByteArray bytes = projectBytes(composition_.document());
  if (bytes == written_ && project_ == writtenProject_) return;
  try {
    if (!takeLock()) throw Failure(QStringLiteral("ﾌｫﾙﾀﾞ %1 に書き込めません").arg(folder_));
    // The copy first: a side file newer than its copy would date work that is not in it.
    writeWholeFile(pathOf(kCopySuffix), bytes);
    written_ = bytes;
    const QString info = kProjectKey + project_ + u'\n' + kWrittenKey +
                         QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) + u'\n';
    writeWholeFile(pathOf(kInfoSuffix), info.toUtf8());
    writtenProject_ = project_;
    failing_ = false;
    Q_EMIT kept();
  } catch (const Failure& failure) {
    if (!failing_) Q_EMIT failed(failure.message());
    failing_ = true;
  }
}

void RecoveryCopy::remove() {
  if (written_.isEmpty()) return;
  QFile::remove(pathOf(kCopySuffix));
  QFile::remove(pathOf(kInfoSuffix));
  written_.clear();
  writtenProject_.clear();
}
