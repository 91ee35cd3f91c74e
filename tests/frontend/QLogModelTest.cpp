#include "frontend/QLogModel.h"
#include "platform/Errors.h"
#include "tests/frontend/QLogSample.h"
#include "tests/support/TempFolder.h"

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

TEST(QLogModel, EachKindHasItsColourAndOnlySeparatorsAndCriticalLinesAreBold) {
  const std::tuple<TQLogLineKind, std::uint32_t, bool> looks[] = {
      {TQLogLineKind::Plain, 0x800000, false},   {TQLogLineKind::Warning, 0x800000, false},
      {TQLogLineKind::Separator, 0x000000, true}, {TQLogLineKind::Error, 0xFF0000, false},
      {TQLogLineKind::Critical, 0xFF0000, true},  {TQLogLineKind::Note, 0x0000FF, false},
      {TQLogLineKind::Info, 0x000080, false},
  };
  for (const auto& [kind, rgb, bold] : looks) {
    EXPECT_EQ(LookOf(kind).Rgb, rgb) << int(kind);
    EXPECT_EQ(LookOf(kind).Bold, bold) << int(kind);
  }
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

class QLogFile : public ::testing::Test {
 protected:
  test::TTempFolder Folder;
};

TEST_F(QLogFile, SavingAfterDeletingWritesTheLastSessionExactly) {
  const QString path = Folder.Write("QLOG.TXT", test::SampleQLog());
  TQLog log = TQLog::Load(path);
  log.DeleteOldSessions();
  log.Save(path);
  EXPECT_EQ(test::ReadBytes(path), test::SampleQLogLines().mid(test::SampleLastSession()).join("\r\n") + "\r\n");
}

TEST_F(QLogFile, AMissingLogIsAnErrorNamingTheFile) {
  const QString path = Folder.File("QLOG.TXT");
  try {
    TQLog::Load(path);
    FAIL() << "loaded a missing file";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(MessageOf(e).contains(path)) << e.what();
  }
  Folder.MakeDir("folder");
  EXPECT_THROW(TQLog::Load(Folder.File("folder")), EInOutError);
}

TEST_F(QLogFile, AFailedSaveLeavesTheOldLogWhole) {
  const QByteArray old = test::SampleQLog(5);
  const QString path = Folder.Write("QLOG.TXT", old);
  const TQLog bigger = TQLog::FromBytes(test::SampleQLog(50));
  {
    const test::TFileSizeLimit limit(old.size() + 10);
    EXPECT_THROW(bigger.Save(path), EInOutError);
  }
  EXPECT_EQ(test::ReadBytes(path), old);
  EXPECT_EQ(QDir(Folder.Path()).entryList(QDir::Files), QStringList({"QLOG.TXT"}));
}

}  // namespace
}  // namespace lumox
