// The log viewer on logs a crashed simulator or a damaged disk leaves (one huge line, or line
// breaks and scraps of lines by the million), and on a big ordinary one. A child process opens each, deletes
// the old sessions, saves it and reports its peak resident size: the viewer may take three times the file's
// size beyond what the process held before, plus a fixed allowance for the window, its fonts and Qt's caches.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <iostream>

#include "tests/frontend/QLogSample.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

constexpr qint64 kMB = 1 << 20;
constexpr qint64 kAllowanceKB = 32 * 1024;

enum class TLogText { None, Sample, Realistic64MB, LineBreaks16MB, ShortLines16MB };

// A log: ordinary text, then a run of one byte that forms its last line.
struct TBigLog {
  const char* Name;
  TLogText Text;
  char RunByte;
  qint64 RunLength;
};

void PrintTo(const TBigLog& log, std::ostream* out) { *out << log.Name; }

const TBigLog BigLogs[] = {
    {"OneLineOf16MBOfX", TLogText::None, 'x', 16 * kMB},
    {"SampleWith16MBOfNulAsItsLastLine", TLogText::Sample, '\0', 16 * kMB},
    {"OneLineOf64MBOfNul", TLogText::None, '\0', 64 * kMB},
    {"OneLineOf200MBOfNul", TLogText::None, '\0', 200 * kMB},
    {"Realistic64MB", TLogText::Realistic64MB, '\0', 0},
    {"LineBreaksOnly16MB", TLogText::LineBreaks16MB, '\0', 0},
    {"LinesOfThreeCharacters16MB", TLogText::ShortLines16MB, '\0', 0},
};

struct TTextAndSaved {
  QByteArray Text;
  QByteArray Saved;  // what a save writes of the text once its old sessions are deleted
};

TTextAndSaved MakeText(TLogText text) {
  switch (text) {
    case TLogText::None: break;
    case TLogText::Sample:
      return {test::SampleQLog(), test::SampleQLogLines().mid(test::SampleLastSession()).join("\r\n") + "\r\n"};
    case TLogText::Realistic64MB: {
      QByteArray log = test::RealisticQLog(64 * kMB);
      QByteArray last = log.mid(log.lastIndexOf(test::kRealisticSeparator));
      return {std::move(log), std::move(last)};
    }
    case TLogText::LineBreaks16MB:
      return {QByteArray(16 * kMB, '\n'), QByteArray("\r\n").repeated(16 * kMB)};
    case TLogText::ShortLines16MB:
      return {QByteArray("abc\n").repeated(4 * kMB), QByteArray("abc\r\n").repeated(4 * kMB)};
  }
  return {};
}

// Writes `text` followed by the run; a run of NUL bytes is left as a hole of a sparse file.
void WriteLog(const QString& path, const QByteArray& text, char runByte, qint64 runLength) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(text), text.size());
  if (runByte == '\0') {
    ASSERT_TRUE(file.resize(text.size() + runLength));
  } else {
    ASSERT_EQ(file.write(QByteArray(runLength, runByte)), runLength);
  }
}

class QLogBigFiles : public ::testing::TestWithParam<TBigLog> {};

TEST_P(QLogBigFiles, OpenDeleteOldSessionsAndSaveKeepEveryByteWithinThreeTimesTheFileInMemory) {
  const TBigLog& log = GetParam();
  const test::TTempFolder folder;
  const QString path = folder.File("QLOG.TXT");
  const auto [text, savedText] = MakeText(log.Text);
  WriteLog(path, text, log.RunByte, log.RunLength);
  const qint64 fileSize = text.size() + log.RunLength;

  QProcess viewer;
  viewer.start(QStringLiteral(LUMOX_QLOG_VIEWER_RUN), {folder.Path()});
  ASSERT_TRUE(viewer.waitForFinished(120000));
  const QByteArray errors = viewer.readAllStandardError();
  ASSERT_EQ(viewer.exitCode(), 0) << errors.toStdString();
  const QList<QByteArray> report = viewer.readAllStandardOutput().trimmed().split(' ');
  ASSERT_EQ(report.size(), 3);
  const qint64 before = report[1].toLongLong(), peak = report[2].toLongLong();
  std::cout << log.Name << ": " << fileSize / kMB << " MB file, " << (peak - before) / 1024 << " MB more at the peak\n";
  // The address sanitizer keeps freed blocks in quarantine and adds its own records, so a peak
  // under it says nothing about the viewer.
  if (!LUMOX_SANITIZED) {
    EXPECT_LE(peak - before, 3 * fileSize / 1024 + kAllowanceKB);
  }

  const QByteArray saved = test::ReadBytes(path);
  ASSERT_EQ(saved.size(), savedText.size() + log.RunLength + (log.RunLength > 0 ? 2 : 0));
  EXPECT_TRUE(saved.startsWith(savedText));
  EXPECT_EQ(QByteArrayView(saved).sliced(savedText.size(), log.RunLength).count(log.RunByte), log.RunLength);
  EXPECT_TRUE(saved.endsWith("\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Logs, QLogBigFiles, ::testing::ValuesIn(BigLogs),
                         [](const ::testing::TestParamInfo<TBigLog>& log) { return log.param.Name; });

}  // namespace
}  // namespace lumox
