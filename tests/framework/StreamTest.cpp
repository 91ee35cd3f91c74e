#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

TEST(MemoryStream, ReadIsPartialAtTheEndAndReadBufferRaises) {
  TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(buffer[1], 5);
  EXPECT_EQ(stream.Read(buffer, 8), 0);
  stream.SetPosition(2);
  EXPECT_THROW(stream.ReadBuffer(buffer, 4), EReadError);
  stream.SetPosition(2);
  stream.ReadBuffer(buffer, 3);
  EXPECT_EQ(buffer[2], 5);
  EXPECT_EQ(stream.BytesLeft(), 0);
}

TEST(MemoryStream, SeeksPastTheEndButNotBeforeTheStart) {
  TMemoryStream stream(std::vector<std::uint8_t>(10));
  EXPECT_EQ(stream.Seek(-4, TSeekOrigin::End), 6);
  EXPECT_EQ(stream.Seek(20, TSeekOrigin::Current), 26);
  EXPECT_EQ(stream.BytesLeft(), 0);
  std::uint8_t byte = 0;
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_THROW(stream.Seek(-27, TSeekOrigin::Current), EReadError);
  EXPECT_THROW(stream.Seek(std::numeric_limits<std::int64_t>::max(), TSeekOrigin::Current), EReadError);
  EXPECT_EQ(stream.Position(), 26);
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream stream;
  stream.Seek(3, TSeekOrigin::Beginning);
  const std::uint8_t bytes[] = {7, 8};
  stream.WriteBuffer(bytes, 2);
  EXPECT_EQ(stream.Bytes(), (std::vector<std::uint8_t>{0, 0, 0, 7, 8}));
  EXPECT_EQ(stream.Position(), 5);
}

TEST(FileStream, WritesAndReadsBack) {
  test::TTempFolder folder;
  const std::string path = folder.File("data.bin").toStdString();
  {
    TFileStream out(path, TFileMode::Create);
    out.WriteBuffer("abcdef", 6);
  }
  TFileStream in(path, TFileMode::Read);
  EXPECT_EQ(in.Size(), 6);
  in.Seek(2, TSeekOrigin::Beginning);
  char buffer[8] = {};
  EXPECT_EQ(in.Read(buffer, 8), 4);
  EXPECT_STREQ(buffer, "cdef");
  EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);
}

TEST(FileStream, MissingFilesAndFoldersCannotBeOpened) {
  test::TTempFolder folder;
  const std::string missing = folder.File("missing.bmp").toStdString();
  try {
    TFileStream stream(missing, TFileMode::Read);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
  EXPECT_THROW(TFileStream(folder.Path().toStdString(), TFileMode::Read), EFOpenError);
}

}  // namespace
}  // namespace lumox
