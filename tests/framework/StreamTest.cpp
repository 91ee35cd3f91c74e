#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/Exceptions.h"
#include "framework/Stream.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

TEST(MemoryStream, ReadsPartlyAtTheEndSeeksPastItButNotBeforeTheStart) {
  TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(stream.Read(buffer, 3), 3);
  EXPECT_EQ(stream.Read(buffer, 8), 2);
  EXPECT_EQ(buffer[1], 5);
  stream.SetPosition(2);
  EXPECT_THROW(stream.ReadBuffer(buffer, 4), EReadError);
  EXPECT_EQ(stream.Seek(-1, TSeekOrigin::End), 4);
  EXPECT_EQ(stream.Seek(20, TSeekOrigin::Current), 24);
  EXPECT_EQ(stream.BytesLeft(), 0);
  EXPECT_EQ(stream.Read(buffer, 1), 0);
  EXPECT_THROW(stream.Seek(-25, TSeekOrigin::Current), EReadError);
  EXPECT_THROW(stream.Seek(std::numeric_limits<std::int64_t>::max(), TSeekOrigin::Current), EReadError);
  EXPECT_EQ(stream.Position(), 24);

  TMemoryStream written;
  written.Seek(3, TSeekOrigin::Beginning);
  const std::uint8_t bytes[] = {7, 8};
  written.WriteBuffer(bytes, 2);  // the gap reads as zeros
  EXPECT_EQ(written.Bytes(), (std::vector<std::uint8_t>{0, 0, 0, 7, 8}));
}

TEST(MemoryStream, LendsTheBytesFromItsPositionOnOtherStreamsLendNothing) {
  TMemoryStream stream(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
  for (const auto& [position, lent] :
       {std::pair{0, std::vector<std::uint8_t>{1, 2, 3, 4, 5}}, {3, {4, 5}}, {5, {}}, {9, {}}}) {
    stream.SetPosition(position);
    const auto bytes = stream.BytesInMemory();
    EXPECT_EQ(std::vector(bytes.begin(), bytes.end()), lent) << position;
  }
  test::TTempFolder folder;
  const std::string path = folder.File("data.bin").toStdString();
  TFileStream(path, TFileMode::Create).WriteBuffer("abc", 3);
  EXPECT_TRUE(TFileStream(path, TFileMode::Read).BytesInMemory().empty());
}

TEST(FileStream, WritesReadsBackAndNamesAFileItCannotOpen) {
  test::TTempFolder folder;
  const std::string path = folder.File("data.bin").toStdString();
  TFileStream(path, TFileMode::Create).WriteBuffer("abcdef", 6);
  TFileStream in(path, TFileMode::Read);
  EXPECT_EQ(in.Size(), 6);
  in.Seek(2, TSeekOrigin::Beginning);
  char buffer[8] = {};
  EXPECT_EQ(in.Read(buffer, 8), 4);
  EXPECT_STREQ(buffer, "cdef");
  EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);

  const std::string missing = folder.File("missing.bmp").toStdString();
  try {
    TFileStream stream(missing, TFileMode::Read);
    FAIL() << "opened a missing file";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
  }
  EXPECT_THROW(TFileStream(folder.Path().toStdString(), TFileMode::Read), EFOpenError);
  test::MakeFifo(folder.File("fifo.bmp"));  // refused at once, not read when a writer comes
  EXPECT_THROW(TFileStream(folder.File("fifo.bmp").toStdString(), TFileMode::Read), EFOpenError);
}

}  // namespace
}  // namespace lumox
