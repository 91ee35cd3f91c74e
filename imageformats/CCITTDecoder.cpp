#include "imageformats/CCITTDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace lumox {
namespace {

// The run-length codes, first bit first: terminating codes for runs 0 to 63, then make-up codes
// for 64 to 1728 in steps of 64.
constexpr std::array<std::string_view, 91> WhiteCodeBits{
    "00110101",  "000111",    "0111",      "1000",      "1011",      "1100",      "1110",      "1111",
    "10011",     "10100",     "00111",     "01000",     "001000",    "000011",    "110100",    "110101",
    "101010",    "101011",    "0100111",   "0001100",   "0001000",   "0010111",   "0000011",   "0000100",
    "0101000",   "0101011",   "0010011",   "0100100",   "0011000",   "00000010",  "00000011",  "00011010",
    "00011011",  "00010010",  "00010011",  "00010100",  "00010101",  "00010110",  "00010111",  "00101000",
    "00101001",  "00101010",  "00101011",  "00101100",  "00101101",  "00000100",  "00000101",  "00001010",
    "00001011",  "01010010",  "01010011",  "01010100",  "01010101",  "00100100",  "00100101",  "01011000",
    "01011001",  "01011010",  "01011011",  "01001010",  "01001011",  "00110010",  "00110011",  "00110100",
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",  "01100101",
    "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011", "011010100", "011010101",
    "011010110", "011010111", "011011000", "011011001", "011011010", "011011011", "010011000", "010011001",
    "010011010", "011000",    "010011011"};

// clang-format off
constexpr std::array<std::string_view, 91> BlackCodeBits{
    "0000110111", "010", "11", "10", "011", "0011", "0010",
    "00011", "000101", "000100", "0000100", "0000101", "0000111", "00000100",
    "00000111", "000011000", "0000010111", "0000011000", "0000001000", "00001100111", "00001101000",
    "00001101100", "00000110111", "00000101000", "00000010111", "00000011000", "000011001010", "000011001011",
    "000011001100", "000011001101", "000001101000", "000001101001", "000001101010", "000001101011", "000011010010",
    "000011010011", "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111", "000001100100",
    "000001100101", "000001010010", "000001010011", "000000100100", "000000110111", "000000111000", "000000100111",
    "000000101000", "000001011000", "000001011001", "000000101011", "000000101100", "000001011010", "000001100110",
    "000001100111", "0000001111", "000011001000", "000011001001", "000001011011", "000000110011", "000000110100",
    "000000110101", "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100", "0000001001101",
    "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110", "0000001110111", "0000001010010",
    "0000001010011", "0000001010100", "0000001010101", "0000001011010", "0000001011011", "0000001100100", "0000001100101"};
// clang-format on

// Make-up codes for 1792 to 2560 in steps of 64, the same for both colours.
constexpr std::array<std::string_view, 13> ExtendedCodeBits{
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111"};

constexpr int EndOfLine = -1;
constexpr int InvalidCode = -2;
constexpr int FirstMakeUp = 64;

struct TCodeNode {
  std::array<std::uint32_t, 2> Child{};  // 0: no child for that bit
  int Value = 0;
  bool EndsCode() const { return Child[0] == 0 && Child[1] == 0; }
};

using TCodeTree = std::vector<TCodeNode>;

void Insert(TCodeTree& tree, std::string_view bits, int value) {
  std::uint32_t node = 0;
  for (const char bit : bits) {
    const int b = bit == '1';
    if (tree[node].Child[b] == 0) {
      tree[node].Child[b] = static_cast<std::uint32_t>(tree.size());
      tree.emplace_back();
    }
    node = tree[node].Child[b];
  }
  tree[node].Value = value;
}

TCodeTree BuildCodeTree(const std::array<std::string_view, 91>& colourCodes) {
  TCodeTree tree(1);
  for (std::size_t i = 0; i < colourCodes.size(); ++i) {
    const int run = i < FirstMakeUp ? int(i) : int(i - FirstMakeUp + 1) * FirstMakeUp;
    Insert(tree, colourCodes[i], run);
  }
  for (std::size_t i = 0; i < ExtendedCodeBits.size(); ++i)
    Insert(tree, ExtendedCodeBits[i], 1792 + int(i) * FirstMakeUp);
  // Runs of zeros that are no run code: the end of line and the bits that can precede it.
  Insert(tree, "000000000001", EndOfLine);
  for (const std::string_view zeros : {"000000001", "0000000001", "00000000001", "000000000000"})
    Insert(tree, zeros, InvalidCode);
  return tree;
}

const TCodeTree& CodeTree(bool white) {
  static const TCodeTree whiteTree = BuildCodeTree(WhiteCodeBits);
  static const TCodeTree blackTree = BuildCodeTree(BlackCodeBits);
  return white ? whiteTree : blackTree;
}

constexpr std::array<std::uint8_t, 256> MakeBitReversal() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit)
      if (i & (1u << bit)) reversed |= 0x80u >> bit;
    table[i] = static_cast<std::uint8_t>(reversed);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> ReversedBits = MakeBitReversal();

// The packed bits, first bit of a byte its most significant (after reversal when asked).
class TBitReader {
 public:
  TBitReader(const std::uint8_t* data, std::int64_t size, bool reverse)
      : Data(data), BitCount(std::max<std::int64_t>(size, 0) * 8), Reverse(reverse) {}

  bool Empty() const { return Position >= BitCount; }
  // Precondition: !Empty().
  int Peek() const {
    std::uint8_t byte = Data[Position >> 3];
    if (Reverse) byte = ReversedBits[byte];
    return (byte >> (7 - (Position & 7))) & 1;
  }
  void Skip() { ++Position; }
  // Drops the unread bits of the current byte, and with `word` of its 16-bit word.
  void Align(bool word) {
    const std::int64_t unit = word ? 16 : 8;
    Position = std::min(BitCount, (Position + unit - 1) / unit * unit);
  }

 private:
  const std::uint8_t* Data;
  std::int64_t BitCount;
  std::int64_t Position = 0;
  bool Reverse;
};

// One run: make-up codes add up until the terminating code (or the end of line, or an invalid
// code) that must follow. At the end of the data the run read so far counts; a code cut off
// there is dropped.
std::int64_t ReadRun(TBitReader& bits, bool white) {
  const TCodeTree& tree = CodeTree(white);
  std::int64_t sum = 0;
  std::uint32_t node = 0;
  for (;;) {
    const TCodeNode& current = tree[node];
    if (current.EndsCode()) {
      sum += current.Value;
      if (current.Value < FirstMakeUp) return sum;
      node = 0;
      continue;
    }
    if (bits.Empty()) return sum;
    const std::uint32_t next = current.Child[bits.Peek()];
    // A bit pattern that is no code ends the run where it stands.
    if (next == 0) return sum;
    bits.Skip();
    node = next;
  }
}

// The output rows: whole bytes each, filled run by run and never written beyond the row or the buffer.
class TRowWriter {
 public:
  TRowWriter(std::uint8_t* data, std::int64_t size, std::uint32_t rowPixels)
      : Data(data),
        Size(std::max<std::int64_t>(size, 0)),
        RowPixels(rowPixels),
        RowBytes((rowPixels + 7) / 8) {
    if (Size > 0) std::memset(Data, 0, static_cast<std::size_t>(Size));
  }

  bool Full() const { return RowStart >= Size; }

  // Adds `run` pixels of one colour to the row, clipped to the row; true when the row is complete.
  bool PutRun(std::int64_t run, bool black) {
    const std::int64_t count = std::clamp<std::int64_t>(run, 0, RowPixels - Column);
    if (black) SetBlack(RowStart * 8 + Column, count);
    Column += count;
    return Column == RowPixels;
  }

  // The next row starts a whole row further on, however far this one got.
  void EndRow() {
    RowStart += RowBytes;
    Column = 0;
  }

 private:
  void SetBlack(std::int64_t firstBit, std::int64_t count) {
    const std::int64_t end = std::min(firstBit + count, Size * 8);
    std::int64_t bit = firstBit;
    for (; bit < end && (bit & 7) != 0; ++bit) Data[bit >> 3] |= std::uint8_t(0x80u >> (bit & 7));
    const std::int64_t wholeBytes = (end - bit) / 8;
    if (wholeBytes > 0) std::memset(Data + (bit >> 3), 0xFF, static_cast<std::size_t>(wholeBytes));
    for (bit += wholeBytes * 8; bit < end; ++bit) Data[bit >> 3] |= std::uint8_t(0x80u >> (bit & 7));
  }

  std::uint8_t* Data;
  std::int64_t Size;
  std::int64_t RowPixels;
  std::int64_t RowBytes;
  std::int64_t RowStart = 0;
  std::int64_t Column = 0;
};

// A row starts behind an end-of-line code: eleven zero bits (or more, as fill), then a one.
void SkipToRowStart(TBitReader& bits) {
  for (int zeros = 0; zeros < 11 && !bits.Empty(); bits.Skip()) zeros = bits.Peek() == 0 ? zeros + 1 : 0;
  while (!bits.Empty()) {
    const int bit = bits.Peek();
    bits.Skip();
    if (bit == 1) return;
  }
}

}  // namespace

void TCCITTFax3Decoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                               std::int64_t outputSize) {
  TBitReader bits(input, inputSize, ReverseBits);
  TRowWriter rows(output, outputSize, RowPixels);
  // A row that ended on its end-of-line code is followed by the next row's data at once.
  bool atRowStart = false;
  while (!bits.Empty() && !rows.Full()) {
    if (!atRowStart) SkipToRowStart(bits);
    atRowStart = false;
    for (bool white = true; !bits.Empty(); white = !white) {
      const std::int64_t run = ReadRun(bits, white);
      if (run < 0) {
        atRowStart = run == EndOfLine;
        break;
      }
      if (rows.PutRun(run, !white)) break;
    }
    rows.EndRow();
  }
}

void TCCITTMHDecoder::Decode(const std::uint8_t*& input, std::uint8_t*& output, std::int64_t inputSize,
                             std::int64_t outputSize) {
  TBitReader bits(input, inputSize, ReverseBits);
  TRowWriter rows(output, outputSize, RowPixels);
  bool white = true;
  while (!bits.Empty() && !rows.Full()) {
    const std::int64_t run = ReadRun(bits, white);
    // Anything but a positive run (an invalid code, a white run of 0 before a black start)
    // only hands over to the other colour.
    if (run > 0 && rows.PutRun(run, !white)) {
      rows.EndRow();
      bits.Align(EvenRows);
      white = true;
    } else {
      white = !white;
    }
  }
}

}  // namespace lumox
