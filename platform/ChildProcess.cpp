#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <cerrno>
#include <map>
#include <optional>

#include "platform/FileDescriptor.h"

namespace lumox {
namespace {

// A started program is detached: the process that remains is not our child, so its end is
// read from /proc. A zombie (left by a parent that does not reap) counts as ended.
bool ProcessAlive(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  // "pid (name) state ...": the name may hold blanks and parentheses, so look after the last ')'.
  const qsizetype close = line.lastIndexOf(')');
  if (close < 0 || close + 2 >= line.size()) return false;
  const char state = line[close + 2];
  return state != 'Z' && state != 'X' && state != 'x';
}

// Whether `path` is a Windows program, told by the "MZ" that begins every one. The execute bit
// cannot tell: every file on a partition shared with Windows, and many unpacked ones, carry it.
// Opened without blocking and only a regular file read, so that a FIFO cannot hold the program.
bool IsWindowsProgram(const QString& path) {
  const TFileDescriptor fd(
      ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status {};
  if (!fd.IsOpen() || ::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  char magic[2];
  ssize_t read = 0;
  do read = ::read(fd.Get(), magic, sizeof magic);
  while (read < 0 && errno == EINTR);
  return read == sizeof magic && magic[0] == 'M' && magic[1] == 'Z';
}

// What each variable set for this process only held before; unset ones hold nothing.
std::map<QString, std::optional<QString>>& ValuesBefore() {
  static std::map<QString, std::optional<QString>> values;
  return values;
}

QProcessEnvironment EnvironmentForPrograms() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const auto& [name, value] : ValuesBefore()) {
    if (value)
      environment.insert(name, *value);
    else
      environment.remove(name);
  }
  return environment;
}

}  // namespace

void SetForThisProcessOnly(const char* name, const QByteArray& value) {
  const QString key = QString::fromLatin1(name);
  if (!ValuesBefore().contains(key))
    ValuesBefore()[key] =
        qEnvironmentVariableIsSet(name) ? std::optional(qEnvironmentVariable(name)) : std::nullopt;
  qputenv(name, value);
}

std::optional<TChildProcess> TChildProcess::Start(const QString& program, const QStringList& arguments,
                                                  const QString& workingDir) {
  if (program.isEmpty()) return std::nullopt;
  QProcess process;
  process.setProgram(program);
  process.setArguments(arguments);
  process.setWorkingDirectory(workingDir);
  process.setProcessEnvironment(EnvironmentForPrograms());
  qint64 pid = 0;
  if (!process.startDetached(&pid) || pid <= 0) return std::nullopt;
  return TChildProcess(pid);
}

std::optional<TChildProcess> TChildProcess::StartExecutable(const QString& exeFile) {
  const QFileInfo file(exeFile);
  if (!file.isFile()) return std::nullopt;
  const QString path = file.absoluteFilePath();
  // Any other program the system runs itself (ELF, a script with "#!"), and refuses what is none.
  if (!IsWindowsProgram(path))
    return file.isExecutable() ? Start(path, {}, file.absolutePath()) : std::nullopt;
  const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
  if (wine.isEmpty()) return std::nullopt;
  return Start(wine, {path}, file.absolutePath());
}

bool TChildProcess::IsRunning() const { return ProcessAlive(Pid); }

TWaitEnd TChildProcess::Wait(std::chrono::milliseconds pollInterval,
                             const std::function<bool()>& giveUp) const {
  bool finished = !IsRunning();
  if (finished) return TWaitEnd::Finished;
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(pollInterval);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    finished = !IsRunning();
    if (finished || (giveUp && giveUp())) loop.quit();
  });
  poll.start();
  // The loop also ends when the application quits; a loop started after that returns at once.
  loop.exec();
  return finished ? TWaitEnd::Finished : TWaitEnd::Abandoned;
}

QString FindTextEditor() {
  for (const char* name : {"notepad", "gnome-text-editor", "gedit", "kate", "mousepad", "xed", "pluma"}) {
    const QString path = QStandardPaths::findExecutable(QLatin1String(name));
    if (!path.isEmpty()) return path;
  }
  return {};
}

}  // namespace lumox
