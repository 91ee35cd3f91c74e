#include "tests/frontend/QLogSample.h"

namespace lumox::test {
namespace {

void AddFiller(QByteArrayList& lines, int filler) {
  for (int i = 0; i < filler; ++i) lines.append("12:00:10 (INFO) Loaded object " + QByteArray::number(i));
}

}  // namespace

QByteArrayList SampleQLogLines(int filler) {
  QByteArrayList lines{"12:00:00 --- application start ---"};
  AddFiller(lines, filler);
  lines << "12:00:01 (INFO) Reading zindo.ini"
        << "12:00:02 (ERR) Track file not found: data\\tracks\\\xE9tang"
        << "12:05:00 --- session separator ---";
  AddFiller(lines, filler);
  lines << "12:05:01 (WARN) Car variant missing"
        << "";
  lines << "12:09:00 --- session separator ---";
  AddFiller(lines, filler);
  lines << "12:09:01 (INFO) Track N\xFCrburg loaded"
        << "12:09:02 (NOTE) Practice session started"
        << "12:09:03 (WARN) --- session separator --- was not written"
        << "12:09:04 (ERR) Sound device busy (INFO) using silence"
        << "12:09:05 (CRIT) Physics step overrun"
        << "12:09:06 (note) lower-case tags are plain"
        << QByteArray("12:09:07 plain text\xA0with\tcontrol\0bytes", 38);
  return lines;
}

QByteArray SampleQLog(int filler) { return SampleQLogLines(filler).join("\r\n") + "\r\n"; }

int SampleLastSession(int filler) { return 6 + 2 * filler; }

QByteArray RealisticQLog(qsizetype size) {
  const char* const texts[] = {"(INFO) Loaded object ", "(WARN) Slow frame ", "plain line ", "(ERR) Missing file ",
                               "(NOTE) Lap ",           "(CRIT) Overrun ",    "more text ",  "and more "};
  QByteArray session = kRealisticSeparator;
  for (int i = 0; i < 5000; ++i)
    session.append("12:00:01.250 ").append(texts[i % 8]).append(QByteArray::number(i)).append("\r\n");
  return session.repeated((size + session.size() - 1) / session.size());
}

}  // namespace lumox::test
