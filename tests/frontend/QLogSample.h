#pragma once
// Simulator logs: a small one with three sessions and every kind of line, and big ordinary
// ones.
#include <QByteArray>
#include <QByteArrayList>

namespace lumox::test {

// The lines of the sample log; each session gets `filler` more (INFO) lines after its start,
// so a test can make the sessions taller than the view. Holds bytes above 127 and a NUL.
QByteArrayList SampleQLogLines(int filler = 0);
// The sample's lines, each followed by CR LF.
QByteArray SampleQLog(int filler = 0);
// Index of the last session's separator in SampleQLogLines(filler).
int SampleLastSession(int filler = 0);

// An ordinary log of at least `size` bytes: one session of 5000 lines, five in eight of them
// tagged, every line ended by CR LF, again and again.
QByteArray RealisticQLog(qsizetype size);
// The separator line that starts each session of RealisticQLog.
inline constexpr char kRealisticSeparator[] = "12:00:00 --- session separator ---\r\n";

}  // namespace lumox::test
