#include "platform/TerminationSignals.h"

#include "platform/Exception.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace lumox {
namespace {

constexpr int Handled[] = {SIGINT, SIGTERM};

// The write end of the pipe, for the handler.
volatile sig_atomic_t SignalPipe = -1;

extern "C" void NoteSignal(int) {
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already holds an unread signal, and one is enough.
  [[maybe_unused]] const ssize_t written = write(SignalPipe, &byte, 1);
  errno = savedErrno;
}

void SetAction(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : Handled) sigaction(signal, &action, nullptr);
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal) : OnSignal(std::move(onSignal)) {
  if (pipe2(Pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    throw ELumox("Could not create the pipe for the termination signals.");
  SignalPipe = Pipe[1];
  Notifier = std::make_unique<QSocketNotifier>(Pipe[0], QSocketNotifier::Read);
  QObject::connect(Notifier.get(), &QSocketNotifier::activated, Notifier.get(), [this] { Deliver(); });
  SetAction(NoteSignal);
}

TTerminationSignals::~TTerminationSignals() {
  SetAction(SIG_DFL);
  SignalPipe = -1;
  Notifier.reset();
  close(Pipe[0]);
  close(Pipe[1]);
}

void TTerminationSignals::Deliver() {
  char bytes[16];
  while (read(Pipe[0], bytes, sizeof bytes) > 0) {
  }
  FReceived = true;
  OnSignal();
}

}  // namespace lumox
