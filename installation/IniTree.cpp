#include "installation/IniTree.h"

#include "installation/FileSystem.h"
#include "installation/WriteGuard.h"
#include "platform/Errors.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <mutex>
#include <type_traits>

namespace lumox {
namespace {

static_assert(std::is_trivially_destructible_v<TIniNode>, "the store drops nodes without destroying them");

// Byte classes of the format: blanks separate tokens, a line end also ends a value or a
// comment, a single-character token stands alone, and a word ends before a blank, "=" or "~".
enum : std::uint8_t { kBlank = 1, kLineEnd = 2, kSingle = 4, kEndsWord = 8 };

constexpr std::array<std::uint8_t, 256> kClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (const unsigned char c : {' ', '\t'}) classes[c] = kBlank | kEndsWord;
  for (const unsigned char c : {'\r', '\n'}) classes[c] = kBlank | kLineEnd | kEndsWord;
  for (const unsigned char c : {';', '{', '}'}) classes[c] = kSingle;
  for (const unsigned char c : {'=', '~'}) classes[c] = kSingle | kEndsWord;
  return classes;
}();

bool Is(char c, std::uint8_t classes) { return (kClasses[static_cast<unsigned char>(c)] & classes) != 0; }

// The high bit of every byte of `word` that equals `c`, and no other bit.
std::uint64_t BytesEqual(std::uint64_t word, char c) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t x = word ^ (0x0101010101010101ull * static_cast<unsigned char>(c));
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// The end of the line starting at `p` (its CR or LF, or `end`) and its last ";" (null when it
// has none). Values and comments are most of a file's bytes, so this looks at eight of them a
// step where the bytes of a word lie in reading order.
struct TLineEnd {
  const char* End;
  const char* LastSemicolon;
};

TLineEnd FindLineEnd(const char* p, const char* end) {
  const char* semicolon = nullptr;
  if constexpr (std::endian::native == std::endian::little) {
    for (; end - p >= 8; p += 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      const std::uint64_t ends = BytesEqual(word, '\r') | BytesEqual(word, '\n');
      std::uint64_t semicolons = BytesEqual(word, ';');
      if (ends) semicolons &= (ends & (~ends + 1)) - 1;  // only those before the line end
      if (semicolons) semicolon = p + (63 - std::countl_zero(semicolons)) / 8;
      if (ends) return {p + std::countr_zero(ends) / 8, semicolon};
    }
  }
  for (; p < end && !Is(*p, kLineEnd); ++p)
    if (*p == ';') semicolon = p;
  return {p, semicolon};
}

std::string_view TrimControls(std::string_view s) {
  auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!s.empty() && isControl(s.front())) s.remove_prefix(1);
  while (!s.empty() && isControl(s.back())) s.remove_suffix(1);
  return s;
}

std::string Latin1Bytes(const QString& s) { return s.toLatin1().toStdString(); }

QString FromBytes(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

[[noreturn]] void FailParse(const char* what) {
  throw ELumox(QStringLiteral("TZindoIni.AppendTree: %1").arg(QLatin1String(what)));
}

// Builds the tree below `root` from the file's bytes, which `store` keeps. Throws ELumox on a
// malformed file; everything read before the failure stays in the tree.
class TIniParser {
 public:
  TIniParser(std::string_view text, TIniNode& root, TIniStore& store)
      : P(text.data()),
        End(text.data() + text.size()),
        Root(root),
        Store(store),
        Void(store.NewNode("VOID", {}, nfHasValue)),
        Cur(&root) {
    // Sizes are kept in 32 bits.
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) FailParse("file too large");
  }

  void Run() {
    for (;;) {
      while (P < End && Is(*P, kBlank)) ++P;
      if (P == End) return;
      const char* const token = P++;
      switch (Is(*token, kSingle) ? *token : 0) {
        case ';':
          Add(";", ReadToLineEnd().Text, nfComment);
          break;
        case '{':
          OpenBlock();
          break;
        case '}':
          CloseBlock();
          break;
        case '=':
          Assign();
          break;
        case '~':
          Reference();
          break;
        default:
          while (P < End && !Is(*P, kEndsWord)) ++P;
          Last = Add({token, std::size_t(P - token)}, {}, 0);
          LastLast = nullptr;
      }
    }
  }

  bool BlockOpen() const { return !Stack.empty(); }

 private:
  struct TLine {
    std::string_view Text;
    const char* LastSemicolon;
  };

  // The rest of the line, untrimmed; consumes the CR or LF that ends it.
  TLine ReadToLineEnd() {
    const TLineEnd line = FindLineEnd(P, End);
    const std::string_view text(P, std::size_t(line.End - P));
    P = line.End < End ? line.End + 1 : End;
    return {text, line.LastSemicolon};
  }

  TIniNode* Add(std::string_view name, std::string_view value, TNodeFlags flags) {
    TIniNode* node = Store.NewNode(name, value, flags);
    Cur->AddChild(node, CurLast);
    CurLast = node;
    return node;
  }

  // A block opened with no symbol pending goes to the detached Void, at depth 0.
  void OpenBlock() {
    if (int(Stack.size()) >= TIniStore::kMaxDepth) FailParse("blocks nested too deeply");
    Stack.push_back({Cur, CurLast, CurDepth});
    CurDepth = Last ? DepthOfLast() : 0;
    CurLast = Last ? LastChildOfLast() : nullptr;
    Cur = Last ? Last : Void;
  }

  void CloseBlock() {
    if (Stack.empty()) return;
    // A block opened on Cur itself added to Cur: its last child is the one kept now.
    if (Stack.back().Node != Cur) CurLast = Stack.back().LastChild;
    Cur = Stack.back().Node;
    CurDepth = Stack.back().Depth;
    Stack.pop_back();
    Last = nullptr;
  }

  void Assign() {
    if (!Last) FailParse("assign without symbol");
    const TLine line = ReadToLineEnd();
    const std::size_t valueSize =
        line.LastSemicolon ? std::size_t(line.LastSemicolon - line.Text.data()) : line.Text.size();
    Last->AddFlags(nfHasValue);
    Last->SetText(line.Text.substr(0, valueSize), line.Text.substr(valueSize));
  }

  void Reference() {
    if (!Last) FailParse("reference without symbol");
    const std::string_view path = ReadToLineEnd().Text;
    if (const TIniNode* source = Root.FindByPath(path))
      source->CopyChildrenTo(*Last, LastChildOfLast(), DepthOfLast(), Store);
  }

  // Last is a child of Cur, or Cur itself right after a block opened on it.
  TIniNode*& LastChildOfLast() { return Last == Cur ? CurLast : LastLast; }
  int DepthOfLast() const { return Last == Cur ? CurDepth : CurDepth + 1; }

  struct TLevel {
    TIniNode* Node;
    TIniNode* LastChild;
    int Depth;
  };

  const char* P;
  const char* const End;
  TIniNode& Root;
  TIniStore& Store;
  TIniNode* Void;  // receives blocks opened with no symbol pending; never attached
  TIniNode* Cur;
  TIniNode* CurLast = nullptr;  // Cur's last child
  int CurDepth = 0;             // nodes between Cur and the top of its tree
  TIniNode* Last = nullptr;
  TIniNode* LastLast = nullptr;  // Last's last child
  std::vector<TLevel> Stack;
};

// Node memory outlives the trees built in it, up to a bound: the next tree is built in pages
// the process has touched already, where fresh ones cost a page fault each, which was 40% of
// loading a large file. Shared by all threads, as trees may be dropped on another thread than
// the one that built them; chunks change hands seldom, so the lock costs nothing.
class TSpareChunks {
 public:
  using TChunk = std::unique_ptr<unsigned char[]>;
  static constexpr std::size_t kBytes = TIniStore::kChunkNodes * sizeof(TIniNode);
  static constexpr std::size_t kMaxChunks = (32 << 20) / kBytes;

  TChunk Take() {
    {
      const std::lock_guard<std::mutex> lock(Lock);
      if (!Chunks.empty()) {
        TChunk chunk = std::move(Chunks.back());
        Chunks.pop_back();
        return chunk;
      }
    }
    return TChunk(new unsigned char[kBytes]);
  }

  // Keeps what fits below the bound; the rest is freed.
  void Keep(std::vector<TChunk>& chunks) {
    const std::lock_guard<std::mutex> lock(Lock);
    while (!chunks.empty() && Chunks.size() < kMaxChunks) {
      Chunks.push_back(std::move(chunks.back()));
      chunks.pop_back();
    }
  }

 private:
  std::mutex Lock;
  std::vector<TChunk> Chunks;
};

// Never destroyed, so that a tree dropped during the program's exit can still hand its chunks back.
TSpareChunks& SpareChunks() {
  static auto* spare = new TSpareChunks;
  return *spare;
}

}  // namespace

TIniStore::TIniStore() = default;
TIniStore::~TIniStore() { SpareChunks().Keep(Chunks); }

void* TIniStore::NewChunkSlot() {
  if (NodeCount >= kMaxNodes) FailParse("too many nodes");
  Chunks.push_back(SpareChunks().Take());
  UsedInChunk = 0;
  return Chunks.back().get();
}

std::string_view TIniStore::Keep(QByteArray bytes) {
  KeptBytes.push_back(std::move(bytes));
  const QByteArray& kept = KeptBytes.back();
  return {kept.constData(), std::size_t(kept.size())};
}

std::string_view TIniStore::Keep(std::string text) { return KeptTexts.emplace_back(std::move(text)); }

TIniNode* TIniNode::FindByPath(std::string_view path) { return path.empty() ? this : FindBelow(path); }

// A child's path is its parent's path, ".", and its name, so only a child whose name starts
// `rest` can have `rest` as its path or lead to a node that has; the order of visits stays
// the pre-order of a full search.
TIniNode* TIniNode::FindBelow(std::string_view rest) {
  for (TIniNode* child = FirstChild; child; child = child->Next) {
    const std::string_view name = child->GetName();
    if (!rest.starts_with(name)) continue;
    if (rest.size() == name.size()) return child;
    if (child->FirstChild && rest[name.size()] == '.') {
      if (TIniNode* found = child->FindBelow(rest.substr(name.size() + 1))) return found;
    }
  }
  return nullptr;
}

void TIniNode::SetText(std::string_view value, std::string_view comment) {
  TextData = value.data();
  ValueSize = std::uint32_t(value.size());
  CommentSize = std::uint32_t(comment.size());
}

void TIniNode::ReplaceValue(std::string_view text, TIniStore& store) {
  std::string kept(text.substr(0, text.rfind(';')));
  if (CommentSize != 0 && !kept.empty() && kept.back() != ' ')
    kept.push_back(' ');  // blank before the comment
  const std::size_t valueSize = kept.size();
  kept.append(GetComment());
  TextData = store.Keep(std::move(kept)).data();
  ValueSize = std::uint32_t(valueSize);
}

void TIniNode::CopyChildrenTo(TIniNode& dest, TIniNode*& destLast, int destDepth, TIniStore& store) const {
  if (destDepth >= TIniStore::kMaxDepth) FailParse("blocks nested too deeply");
  // The last child is found first: the source may be `dest` itself or one of its ancestors.
  const TIniNode* last = FirstChild;
  while (last && last->Next) last = last->Next;
  for (const TIniNode* child = FirstChild; child; child = child == last ? nullptr : child->Next) {
    TIniNode* copy = store.NewNode(child->GetName(), child->GetValue(), child->Flags);
    TIniNode* copyLast = nullptr;
    if (child->FirstChild) child->CopyChildrenTo(*copy, copyLast, destDepth + 1, store);
    dest.AddChild(copy, destLast);
    destLast = copy;
  }
}

void TIniNode::WriteTo(std::string& out, int indent) const {
  const std::size_t ind = indent > 0 ? std::size_t(indent) * 2 : 0;
  auto line = [&](std::initializer_list<std::string_view> parts) {
    out.append(ind, ' ');
    for (std::string_view part : parts) out += part;
    out += "\r\n";
  };
  if (Flags & nfComment) {
    line({";", GetValue()});
  } else if (Flags & nfHasValue) {
    line({GetName(), "=", GetValue(), GetComment()});
  }
  if (!FirstChild) return;
  const bool block = indent >= 0;
  if (block) {
    if (!(Flags & nfHasValue)) line({GetName()});
    line({"{"});
  }
  for (const TIniNode* child = FirstChild; child; child = child->Next) child->WriteTo(out, indent + 1);
  if (block) line({"}"});
}

TZindoIni::TZindoIni(const QString& fileName, TOpenBlockAtEnd openBlock) : FileName(fileName) {
  Load([&] { return ReadRegularFile(FileName, kMaxIniFileSize); }, openBlock);
}

TZindoIni::TZindoIni(const QString& fileName, QByteArray bytes, TOpenBlockAtEnd openBlock)
    : FileName(fileName) {
  Load([&] { return std::move(bytes); }, openBlock);
}

void TZindoIni::Load(const std::function<QByteArray()>& read, TOpenBlockAtEnd openBlock) {
  try {
    TIniParser parser(Store->Keep(read()), *Root, *Store);
    parser.Run();
    if (openBlock == TOpenBlockAtEnd::Damaged && parser.BlockOpen())
      throw EInOutError(
          QStringLiteral("The file ends inside a block: it was cut off while it was being written."));
  } catch (const ELumox& e) {
    LoadError = MessageOf(e);
    ShowError(QStringLiteral("Error opening \"%1\":\r\n%2").arg(FileName, LoadError));
  }
}

TIniNode* TZindoIni::Find(const QString& path) const { return Root->FindByPath(Latin1Bytes(path)); }

QString TZindoIni::ReadString(const QString& path, const QString& defaultValue) const {
  const TIniNode* node = Find(path);
  return node ? FromBytes(TrimControls(node->GetValue())) : defaultValue;
}

void TZindoIni::WriteString(const QString& path, const QString& value) {
  TIniNode* node = Find(path);
  if (!node) return;
  // A line break would add lines to the simulator's file: the value ends at the first one.
  std::string bytes = Latin1Bytes(value);
  bytes.resize(std::min(bytes.size(), bytes.find_first_of("\r\n")));
  if (TrimControls(node->GetValue()) == bytes) return;
  node->ReplaceValue(bytes, *Store);
  // A node without a value keeps writing none, so its file does not change.
  if (node->GetFlags() & nfHasValue) Modified = true;
}

bool TZindoIni::ValueExists(const QString& path) const { return Find(path) != nullptr; }

bool TZindoIni::SymbolExists(const QString& path) const { return Find(path) != nullptr; }

std::string TZindoIni::ToBytes() const {
  std::string out;
  Root->WriteTo(out, -1);
  return out;
}

void TZindoIni::SaveToFile(const QString& within, const QString& fileName) const {
  if (!IsLoadComplete()) {
    throw EInOutError(QStringLiteral("\"%1\" was not saved: \"%2\" could not be read completely (%3).")
                          .arg(fileName, FileName, LoadError));
  }
  WriteWholeFile(within, fileName, QByteArray::fromStdString(ToBytes()));
}

void TZindoIni::SaveChanges(const QString& within) const {
  if (Modified || !IsLoadComplete()) SaveToFile(within, FileName);
}

}  // namespace lumox
