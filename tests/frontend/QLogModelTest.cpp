#include "frontend/QLogModel.h"
#include "tests/frontend/QLogSample.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

TEST(QLogModel, TheFirstTagFoundDecidesTheKindAndTagsAreCaseSensitive) {
  const std::pair<const char*, TQLogLineKind> cases[] = {
      {"12:00 (INFO) ready", TQLogLineKind::Info},
      {"12:00 (NOTE) lap", TQLogLineKind::Note},
      {"12:00 (ERR) no file", TQLogLineKind::Error},
      {"12:00 (ERROR) no file", TQLogLineKind::Error},
      {"12:00 (CRIT) stop", TQLogLineKind::Critical},
      {"12:00 (WARN) slow", TQLogLineKind::Warning},
      {"--- session separator ---", TQLogLineKind::Separator},
      {"x --- application start --- y", TQLogLineKind::Separator},
      {"12:00 (WARN) --- session separator ---", TQLogLineKind::Warning},
      {"12:00 (INFO) --- application start ---", TQLogLineKind::Separator},
      {"12:00 (ERR) then (INFO)", TQLogLineKind::Error},
      {"12:00 (INFO) then (CRIT)", TQLogLineKind::Critical},
      {"12:00 (info) (warn) (err)", TQLogLineKind::Plain},
      {"12:00(ERR) no blank before the tag", TQLogLineKind::Plain},
      {"--- Session Separator ---", TQLogLineKind::Plain},
      {"", TQLogLineKind::Plain},
  };
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyQLogLine(QString::fromLatin1(line)), kind) << line;
}

TEST(QLogModel, TheLastSeparatorStartsTheLastSessionAndDeletingKeepsItAndWhatFollows) {
  TQLog log = TQLog::FromBytes(test::SampleQLog());
  ASSERT_EQ(log.LastSessionLine(), test::SampleLastSession());
  const QStringList before = log.Lines();

  EXPECT_EQ(log.DeleteOldSessions(), test::SampleLastSession());
  EXPECT_EQ(log.Lines(), before.mid(test::SampleLastSession()));
  EXPECT_EQ(log.LastSessionLine(), 0);

  EXPECT_EQ(log.DeleteOldSessions(), 0);
  EXPECT_EQ(log.Lines(), before.mid(test::SampleLastSession()));
}

TEST(QLogModel, ALogWithoutSeparatorsHasNoLastSessionAndLosesNothing) {
  TQLog log(QStringList{"12:00 (INFO) a", "12:00 (WARN) --- session separator ---", "b"});
  EXPECT_EQ(log.LastSessionLine(), -1);
  EXPECT_EQ(log.DeleteOldSessions(), 0);
  EXPECT_EQ(log.Lines().size(), 3);
  EXPECT_EQ(TQLog().LastSessionLine(), -1);
}

TEST(QLogModel, LinesEndAtCrLfLfOrCrAndAreSavedWithCrLfAfterEach) {
  const auto lines = [](const QByteArray& bytes) { return TQLog::FromBytes(bytes).Lines(); };
  EXPECT_EQ(lines("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
  EXPECT_EQ(lines("a\n\rb\r\n\r\n"), QStringList({"a", "", "b", ""}));
  EXPECT_EQ(lines("\r\n"), QStringList({""}));
  EXPECT_EQ(lines(""), QStringList());

  EXPECT_EQ(TQLog::FromBytes("a\nb\rc").ToBytes(), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(TQLog::FromBytes("").ToBytes(), "");
  EXPECT_EQ(TQLog::FromBytes("\r\n\r\n").ToBytes(), "\r\n\r\n");
}

TEST(QLogModel, EveryByteOtherThanALineBreakSurvivesLoadingAndSaving) {
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte) {
    if (byte != '\r' && byte != '\n') all.append(char(byte));
  }
  const QByteArray bytes = all + "\r\n" + test::SampleQLog();
  EXPECT_EQ(TQLog::FromBytes(bytes).ToBytes(), bytes);
  EXPECT_EQ(TQLog::FromBytes(bytes).Lines()[0].size(), 254);
}

}  // namespace
}  // namespace lumox
