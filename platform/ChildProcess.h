#pragma once
// Starting another program and waiting for it while the window stays usable.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>

namespace lumox {

// How a wait for a child program ended.
enum class TWaitEnd {
  Finished,   // the program is gone
  Abandoned,  // the application is quitting, or the caller gave up; the program runs on
};

// A program started on its own: it is not tied to this object, so it keeps running when
// the application ends during a wait (an editor keeps its unsaved text, the simulator its race).
class TChildProcess {
 public:
  // Starts `program` (a path, or a name looked up on PATH) with `arguments`, each passed as
  // it stands, in `workingDir`. Nothing when it cannot be started.
  static std::optional<TChildProcess> Start(const QString& program, const QStringList& arguments,
                                            const QString& workingDir);
  // Starts the program file `exeFile` in its own folder, as the desktop would open it: a Windows
  // program (told by its content, whatever its name and execute bit) runs through wine when wine
  // is on PATH; any other file with the execute bit (a binary, a script with "#!") runs directly.
  // Nothing when it cannot be started.
  static std::optional<TChildProcess> StartExecutable(const QString& exeFile);

  bool IsRunning() const;
  // Handles events until the program ends, looking at its state every `pollInterval`. Ends
  // early when the application quits or when `giveUp` (asked at each look) says so.
  TWaitEnd Wait(std::chrono::milliseconds pollInterval, const std::function<bool()>& giveUp = {}) const;

  qint64 GetPid() const { return Pid; }

 private:
  explicit TChildProcess(qint64 pid) : Pid(pid) {}

  qint64 Pid;
};

// Sets the environment variable `name` for this process and what it loads, not for the programs it
// starts: they get the value it had before, or none. For settings that point into folders that
// go with this process.
void SetForThisProcessOnly(const char* name, const QByteArray& value);

// The system text editor: "notepad" when it is on PATH, else the first GUI editor found
// among the usual ones; empty when there is none.
QString FindTextEditor();

}  // namespace lumox
