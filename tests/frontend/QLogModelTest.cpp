#include <gtest/gtest.h>

#include "frontend/QLogModel.h"
#include "tests/frontend/QLogSample.h"

namespace lumox {
namespace {

QByteArrayList LinesOf(const TQLog& log) {
  QByteArrayList lines;
  for (int row = 0; row < log.LineCount(); ++row) lines.append(log.Line(row).toByteArray());
  return lines;
}

TEST(QLogModel, TheFirstTagFoundDecidesTheKindAndTagsAreCaseSensitive) {
  using enum TQLogLineKind;
  const std::pair<const char*, TQLogLineKind> cases[] = {
      {"12:00 (INFO) ready", Info},
      {"12:00 (NOTE) lap", Note},
      {"12:00 (ERROR) no file", Error},
      {"12:00 (CRIT) stop", Critical},
      {"12:00 (WARN) slow", Warning},
      {" (WARN", Warning},
      {"x --- application start --- y", Separator},
      {"x ----- session separator -----", Separator},
      {"12:00 (WARN) --- session separator ---", Warning},
      {"12:00 (INFO) --- application start ---", Separator},
      {"12:00 (INFO) then (CRIT)", Critical},
      {"12:00 ((INFO) ( (NOTE", Note},
      {"12:00 (info) (warn) (err)", Plain},
      {"12:00(ERR) no blank", Plain},
      {"(INFO)--- session separator --", Plain},
      {"--- Session Separator ---", Plain}};
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyQLogLine(line), kind) << line;
}

TEST(QLogModel, DeletingKeepsTheLastSessionAndALogWithoutSeparatorsLosesNothing) {
  TQLog log = TQLog::FromBytes(test::SampleQLog());
  ASSERT_EQ(LinesOf(log), test::SampleQLogLines());
  ASSERT_EQ(log.LastSessionLine(), test::SampleLastSession());
  EXPECT_EQ(log.DeleteOldSessions(), test::SampleLastSession());
  EXPECT_EQ(LinesOf(log), test::SampleQLogLines().mid(test::SampleLastSession()));
  EXPECT_EQ(log.KindOf(0), TQLogLineKind::Separator);
  EXPECT_EQ(log.KindOf(1), TQLogLineKind::Info);
  EXPECT_EQ(log.DeleteOldSessions(), 0);
  TQLog plain = TQLog::FromBytes("12:00 (INFO) a\n12:00 (WARN) --- session separator ---");
  EXPECT_EQ(plain.LastSessionLine(), -1);
  EXPECT_EQ(plain.DeleteOldSessions(), 0);
  EXPECT_EQ(plain.LineCount(), 2);
}

TEST(QLogModel, LinesEndAtCrLfLfOrCrAndEveryOtherByteSurvivesASaveWithCrLfAfterEach) {
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\r\nb\nc\rd")), QByteArrayList({"a", "b", "c", "d"}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\n\rb\r\n\r\n")), QByteArrayList({"a", "", "b", ""}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("a\rb\rc\r")), QByteArrayList({"a", "b", "c"}));
  EXPECT_EQ(LinesOf(TQLog::FromBytes("\r\r\n\n\r")), QByteArrayList({"", "", "", ""}));
  EXPECT_EQ(TQLog::FromBytes("a\nb\rc").ToBytes(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(TQLog::FromBytes("").ToBytes(), "");
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte)
    if (byte != '\r' && byte != '\n') all.append(char(byte));
  const QByteArray bytes = all + "\r\n" + test::SampleQLog();
  EXPECT_EQ(TQLog::FromBytes(bytes).ToBytes(), bytes);
}

}  // namespace
}  // namespace lumox
