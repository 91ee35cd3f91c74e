#include "installation/IniTree.h"

#include "installation/FileSystem.h"
#include "platform/Errors.h"
#include "platform/UserMessages.h"

#include <QFile>

#include <new>
#include <type_traits>

namespace lumox {
namespace {

static_assert(std::is_trivially_destructible_v<TIniNode>, "the store drops nodes without destroying them");

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || IsLineEnd(c); }
bool IsSingleCharToken(char c) { return c == ';' || c == '=' || c == '{' || c == '}' || c == '~'; }
bool EndsWord(char c) { return IsBlank(c) || c == '=' || c == '~'; }

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

// Tokens of the simulator's ini format over an in-memory file.
class TIniLexer {
 public:
  explicit TIniLexer(std::string_view text) : Text(text) {}

  // The next token; empty only at the end of the file.
  std::string_view ReadToken() {
    SkipWhitespace();
    if (Pos >= Text.size()) return {};
    const std::size_t start = Pos++;
    if (!IsSingleCharToken(Text[start])) {
      while (Pos < Text.size() && !EndsWord(Text[Pos])) ++Pos;
    }
    return Text.substr(start, Pos - start);
  }

  // The rest of the line, untrimmed; consumes the CR or LF that ends it.
  std::string_view ReadToLineEnd() {
    const std::size_t start = Pos;
    while (Pos < Text.size() && !IsLineEnd(Text[Pos])) ++Pos;
    const std::string_view line = Text.substr(start, Pos - start);
    if (Pos < Text.size()) ++Pos;
    return line;
  }

 private:
  void SkipWhitespace() {
    while (Pos < Text.size() && IsBlank(Text[Pos])) ++Pos;
  }

  std::string_view Text;
  std::size_t Pos = 0;
};

// Builds the tree below `root` from the file's bytes, which `store` keeps. Throws ELumox on a
// malformed file; everything read before the failure stays in the tree.
class TIniParser {
 public:
  TIniParser(std::string_view text, TIniNode& root, TIniStore& store)
      : Lexer(text), Root(root), Store(store), Void(store.NewNode(nullptr, "VOID", {}, nfHasValue)), Cur(&root) {}

  void Run() {
    for (std::string_view token = Lexer.ReadToken(); !token.empty(); token = Lexer.ReadToken()) {
      if (token == ";") {
        Add(";", Lexer.ReadToLineEnd(), nfComment);
      } else if (token == "{") {
        OpenBlock();
      } else if (token == "}") {
        CloseBlock();
      } else if (token == "=") {
        Assign();
      } else if (token == "~") {
        Reference();
      } else {
        Last = Add(token, {}, 0);
      }
    }
  }

  bool BlockOpen() const { return !Stack.empty(); }

 private:
  TIniNode* Add(std::string_view name, std::string_view value, TNodeFlags flags) {
    TIniNode* node = Store.NewNode(Cur, name, value, flags);
    Cur->AddChild(node);
    return node;
  }

  void OpenBlock() {
    if (int(Stack.size()) >= TIniStore::kMaxDepth) FailParse("blocks nested too deeply");
    Stack.push_back(Cur);
    Cur = Last ? Last : Void;
  }

  void CloseBlock() {
    if (Stack.empty()) return;
    Cur = Stack.back();
    Stack.pop_back();
    Last = nullptr;
  }

  void Assign() {
    if (!Last) FailParse("assign without symbol");
    const std::string_view value = Lexer.ReadToLineEnd();
    Last->AddFlags(nfHasValue);
    Last->SetValue(value, true, Store);
  }

  void Reference() {
    if (!Last) FailParse("reference without symbol");
    const std::string_view path = Lexer.ReadToLineEnd();
    if (const TIniNode* source = Root.FindByPath(path)) source->CopyChildrenTo(*Last, DepthOf(*Last), Store);
  }

  static int DepthOf(const TIniNode& node) {
    int depth = 0;
    for (const TIniNode* n = node.GetParent(); n; n = n->GetParent()) ++depth;
    return depth;
  }

  TIniLexer Lexer;
  TIniNode& Root;
  TIniStore& Store;
  TIniNode* Void;  // receives blocks opened with no symbol pending; never attached
  TIniNode* Cur;
  TIniNode* Last = nullptr;
  std::vector<TIniNode*> Stack;
};

}  // namespace

TIniStore::TIniStore() = default;
TIniStore::~TIniStore() = default;

TIniNode* TIniStore::NewNode(TIniNode* parent, std::string_view name, std::string_view value, TNodeFlags flags) {
  if (NodeCount >= kMaxNodes) FailParse("too many nodes");
  if (UsedInChunk == kChunkNodes) {
    Chunks.emplace_back(new unsigned char[kChunkNodes * sizeof(TIniNode)]);
    UsedInChunk = 0;
  }
  void* slot = Chunks.back().get() + UsedInChunk * sizeof(TIniNode);
  ++UsedInChunk;
  ++NodeCount;
  return new (slot) TIniNode(parent, name, value, flags);
}

std::string_view TIniStore::Keep(QByteArray bytes) {
  KeptBytes.push_back(std::move(bytes));
  const QByteArray& kept = KeptBytes.back();
  return {kept.constData(), std::size_t(kept.size())};
}

std::string_view TIniStore::Keep(std::string text) { return KeptTexts.emplace_back(std::move(text)); }

void TIniNode::AddChild(TIniNode* node) {
  (LastChild ? LastChild->Next : FirstChild) = node;
  LastChild = node;
  Flags |= nfHasChildren;
}

std::string TIniNode::GetPath() const {
  if (!Parent || Parent->HasEmptyPath()) return std::string(Name);
  return Parent->GetPath().append(1, '.').append(Name);
}

TIniNode* TIniNode::FindByPath(std::string_view path) {
  if (HasEmptyPath()) return path.empty() ? this : FindBelow(path);
  const std::string own = GetPath();
  if (path == own) return this;
  const bool below = path.size() > own.size() && path.starts_with(own) && path[own.size()] == '.';
  return below ? FindBelow(path.substr(own.size() + 1)) : nullptr;
}

// A child's path is its parent's path, ".", and its name, so only a child whose name starts
// `rest` can have `rest` as its path or lead to a node that has; the order of visits stays
// the pre-order of a full search.
TIniNode* TIniNode::FindBelow(std::string_view rest) {
  for (TIniNode* child = FirstChild; child; child = child->Next) {
    const std::string_view name = child->Name;
    if (!rest.starts_with(name)) continue;
    if (rest.size() == name.size()) return child;
    if (child->FirstChild && rest[name.size()] == '.') {
      if (TIniNode* found = child->FindBelow(rest.substr(name.size() + 1))) return found;
    }
  }
  return nullptr;
}

void TIniNode::SplitComment(std::string_view text, std::string_view& value, std::string_view& comment) {
  const std::size_t p = text.rfind(';');
  value = text.substr(0, p);
  comment = p == std::string_view::npos ? std::string_view() : text.substr(p);
}

void TIniNode::SetValue(std::string_view text, bool takeComment, TIniStore& store) {
  std::string_view value, comment;
  SplitComment(text, value, comment);
  if (takeComment) {
    Value = value;
    Comment = comment;
    return;
  }
  std::string kept(value);
  if (!Comment.empty() && !kept.empty() && kept.back() != ' ') kept.push_back(' ');  // blank before the comment
  Value = store.Keep(std::move(kept));
}

void TIniNode::CopyChildrenTo(TIniNode& dest, int destDepth, TIniStore& store) const {
  if (destDepth >= TIniStore::kMaxDepth) FailParse("blocks nested too deeply");
  // The last child is taken first: the source may be `dest` itself or one of its ancestors.
  const TIniNode* const last = LastChild;
  for (const TIniNode* child = FirstChild; child; child = child == last ? nullptr : child->Next) {
    TIniNode* copy = store.NewNode(&dest, child->Name, child->Value, child->Flags);
    if (child->FirstChild) child->CopyChildrenTo(*copy, destDepth + 1, store);
    dest.AddChild(copy);
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
    line({";", Value});
  } else if (Flags & nfHasValue) {
    line({Name, "=", Value, Comment});
  }
  if (!FirstChild) return;
  const bool block = !HasEmptyPath();
  if (block) {
    if (!(Flags & nfHasValue)) line({Name});
    line({"{"});
  }
  for (const TIniNode* child = FirstChild; child; child = child->Next) child->WriteTo(out, indent + 1);
  if (block) line({"}"});
}

TZindoIni::TZindoIni(const QString& fileName, TOpenBlockAtEnd openBlock) : FileName(fileName) {
  Load(
      [&] {
        QFile file(FileName);
        if (!file.open(QIODevice::ReadOnly)) throw EInOutError(file.errorString());
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) throw EInOutError(file.errorString());
        return bytes;
      },
      openBlock);
}

TZindoIni::TZindoIni(const QString& fileName, QByteArray bytes, TOpenBlockAtEnd openBlock) : FileName(fileName) {
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
  node->SetValue(bytes, false, *Store);
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

void TZindoIni::SaveToFile(const QString& fileName) const {
  if (!IsLoadComplete()) {
    throw EInOutError(QStringLiteral("\"%1\" was not saved: \"%2\" could not be read completely (%3).")
                          .arg(fileName, FileName, LoadError));
  }
  WriteWholeFile(fileName, QByteArray::fromStdString(ToBytes()));
}

void TZindoIni::SaveChanges() const {
  if (Modified || !IsLoadComplete()) SaveToFile(FileName);
}

}  // namespace lumox
