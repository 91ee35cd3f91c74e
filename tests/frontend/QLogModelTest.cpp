#include <gtest/gtest.h>

#include "frontend/QLogModel.h"
#include "tests/frontend/QLogSample.h"

namespace lumox {
namespace {

TEST(QLogModel, TheFirstTagFoundDecidesTheKindAndTagsAreCaseSensitive) {
  using enum TQLogLineKind;
  const std::pair<const char*, TQLogLineKind> cases[] = {
      {"12:00 (INFO) ready", Info},
      {"12:00 (NOTE) lap", Note},
      {"12:00 (ERROR) no file", Error},
      {"12:00 (CRIT) stop", Critical},
      {"12:00 (WARN) slow", Warning},
      {"x --- application start --- y", Separator},
      {"12:00 (WARN) --- session separator ---", Warning},
      {"12:00 (INFO) --- application start ---", Separator},
      {"12:00 (INFO) then (CRIT)", Critical},
      {"12:00 (info) (warn) (err)", Plain},
      {"12:00(ERR) no blank", Plain},
      {"--- Session Separator ---", Plain}};
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyQLogLine(QString::fromLatin1(line)), kind) << line;
}

TEST(QLogModel, DeletingKeepsTheLastSessionAndALogWithoutSeparatorsLosesNothing) {
  TQLog log = TQLog::FromBytes(test::SampleQLog());
  const QStringList before = log.Lines();
  ASSERT_EQ(log.LastSessionLine(), test::SampleLastSession());
  EXPECT_EQ(log.DeleteOldSessions(), test::SampleLastSession());
  EXPECT_EQ(log.Lines(), before.mid(test::SampleLastSession()));
  EXPECT_EQ(log.DeleteOldSessions(), 0);
  TQLog plain(QStringList{"12:00 (INFO) a", "12:00 (WARN) --- session separator ---"});
  EXPECT_EQ(plain.LastSessionLine(), -1);
  EXPECT_EQ(plain.DeleteOldSessions(), 0);
  EXPECT_EQ(plain.Lines().size(), 2);
}

TEST(QLogModel, LinesEndAtCrLfLfOrCrAndEveryOtherByteSurvivesASaveWithCrLfAfterEach) {
  EXPECT_EQ(TQLog::FromBytes("a\r\nb\nc\rd").Lines(), QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(TQLog::FromBytes("a\n\rb\r\n\r\n").Lines(), QStringList({"a", "", "b", ""}));
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
