#include "installation/IniTree.h"

#include "platform/Errors.h"
#include "platform/UserMessages.h"

#include <QFile>
#include <QSaveFile>

namespace lumox {
namespace {

// Far beyond any real simulator file, small enough that a hostile one cannot exhaust
// memory or the stack of the recursive tree walks.
constexpr std::size_t kMaxNodes = 1'000'000;
constexpr int kMaxDepth = 1000;

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

// Builds the tree below `root` from the file's bytes. Throws ELumox on a malformed
// file; everything read before the failure stays in the tree.
class TIniParser {
 public:
  TIniParser(std::string_view text, TIniNode& root)
      : Lexer(text), Root(root), Void(nullptr, "VOID", {}, nfHasValue), Cur(&root) {}

  void Run() {
    for (std::string_view token = Lexer.ReadToken(); !token.empty(); token = Lexer.ReadToken()) {
      if (token == ";") {
        Add(*Cur, ";", std::string(Lexer.ReadToLineEnd()), nfComment);
      } else if (token == "{") {
        OpenBlock();
      } else if (token == "}") {
        CloseBlock();
      } else if (token == "=") {
        Assign();
      } else if (token == "~") {
        Reference();
      } else {
        Last = Add(*Cur, std::string(token), {}, 0);
      }
    }
  }

 private:
  TIniNode* Add(TIniNode& parent, std::string name, std::string value, TNodeFlags flags) {
    if (Budget.NodesLeft == 0) Fail("too many nodes");
    --Budget.NodesLeft;
    auto node = std::make_unique<TIniNode>(&parent, std::move(name), std::move(value), flags);
    TIniNode* added = node.get();
    parent.AddChild(std::move(node));
    return added;
  }

  void OpenBlock() {
    if (int(Stack.size()) >= Budget.MaxDepth) Fail("blocks nested too deeply");
    Stack.push_back(Cur);
    Cur = Last ? Last : &Void;
  }

  void CloseBlock() {
    if (Stack.empty()) return;
    Cur = Stack.back();
    Stack.pop_back();
    Last = nullptr;
  }

  void Assign() {
    if (!Last) Fail("assign without symbol");
    const std::string_view value = Lexer.ReadToLineEnd();
    Last->AddFlags(nfHasValue);
    Last->SetValue(value, true);
  }

  void Reference() {
    if (!Last) Fail("reference without symbol");
    const std::string_view path = Lexer.ReadToLineEnd();
    if (const TIniNode* source = Root.FindByPath(path)) {
      source->CopyChildrenTo(*Last, DepthOf(*Last), Budget);
    }
  }

  int DepthOf(const TIniNode& node) const {
    int depth = 0;
    for (const TIniNode* n = node.GetParent(); n; n = n->GetParent()) ++depth;
    return depth;
  }

  [[noreturn]] static void Fail(const char* what) {
    throw ELumox(QStringLiteral("TZindoIni.AppendTree: %1").arg(QLatin1String(what)));
  }

  TIniLexer Lexer;
  TIniNode& Root;
  TIniNode Void;  // receives blocks opened with no symbol pending; never attached
  TIniNode* Cur;
  TIniNode* Last = nullptr;
  std::vector<TIniNode*> Stack;
  TTreeBudget Budget{kMaxNodes, kMaxDepth};
};

}  // namespace

TIniNode::TIniNode(TIniNode* parent, std::string name, std::string value, TNodeFlags flags)
    : Parent(parent), Name(std::move(name)), Value(std::move(value)), Flags(flags) {
  if (Parent && !Parent->Path.empty()) {
    Path.reserve(Parent->Path.size() + 1 + Name.size());
    Path.append(Parent->Path).append(1, '.').append(Name);
  } else {
    Path = Name;
  }
}

void TIniNode::AddChild(std::unique_ptr<TIniNode> node) {
  Children.push_back(std::move(node));
  Flags |= nfHasChildren;
}

TIniNode* TIniNode::FindByPath(std::string_view path) {
  if (Path == path) return this;
  if (!(Flags & nfHasChildren)) return nullptr;
  for (const auto& child : Children) {
    if (TIniNode* found = child->FindByPath(path)) return found;
  }
  return nullptr;
}

void TIniNode::SplitComment(std::string_view text, std::string& value, std::string& comment) {
  const std::size_t p = text.rfind(';');
  if (p == std::string_view::npos) {
    value.assign(text);
    comment.clear();
  } else {
    value.assign(text.substr(0, p));
    comment.assign(text.substr(p));
  }
}

void TIniNode::SetValue(std::string_view text, bool takeComment) {
  std::string comment;
  SplitComment(text, Value, comment);
  if (takeComment) {
    Comment = std::move(comment);
  } else if (!Comment.empty() && !Value.empty() && Value.back() != ' ') {
    Value.push_back(' ');  // keep a blank between the value and its comment on disk
  }
}

void TIniNode::CopyChildrenTo(TIniNode& dest, int destDepth, TTreeBudget& budget) const {
  if (destDepth >= budget.MaxDepth) {
    throw ELumox(QStringLiteral("TZindoIni.AppendTree: blocks nested too deeply"));
  }
  // The count is taken first: the source may be `dest` itself or one of its ancestors.
  const std::size_t count = Children.size();
  for (std::size_t i = 0; i < count; ++i) {
    const TIniNode& child = *Children[i];
    if (budget.NodesLeft == 0) throw ELumox(QStringLiteral("TZindoIni.AppendTree: too many nodes"));
    --budget.NodesLeft;
    auto copy = std::make_unique<TIniNode>(&dest, child.Name, child.Value, child.Flags);
    if (child.Flags & nfHasChildren) child.CopyChildrenTo(*copy, destDepth + 1, budget);
    dest.AddChild(std::move(copy));
  }
}

void TIniNode::WriteTo(std::string& out, int indent) const {
  const std::string ind(indent > 0 ? std::size_t(indent) * 2 : 0, ' ');
  auto line = [&](std::initializer_list<std::string_view> parts) {
    out += ind;
    for (std::string_view part : parts) out += part;
    out += "\r\n";
  };
  if (Flags & nfComment) {
    line({";", Value});
  } else if (Flags & nfHasValue) {
    line({Name, "=", Value, Comment});
  }
  if (!(Flags & nfHasChildren)) return;
  if (!Path.empty()) {
    if (!(Flags & nfHasValue)) line({Name});
    line({"{"});
  }
  for (const auto& child : Children) child->WriteTo(out, indent + 1);
  if (!Path.empty()) line({"}"});
}

TZindoIni::TZindoIni(const QString& fileName)
    : FileName(fileName), Root(std::make_unique<TIniNode>(nullptr, std::string(), std::string(), 0)) {
  try {
    Load();
  } catch (const ELumox& e) {
    LoadError = MessageOf(e);
    ShowError(QStringLiteral("Error opening \"%1\":\r\n%2").arg(FileName, LoadError));
  }
}

void TZindoIni::Load() {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) throw EInOutError(file.errorString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw EInOutError(file.errorString());
  TIniParser(std::string_view(bytes.constData(), std::size_t(bytes.size())), *Root).Run();
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
  node->SetValue(bytes, false);
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
  const std::string bytes = ToBytes();
  QSaveFile file(fileName);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) &&
                       file.commit();
  if (!written) {
    throw EInOutError(QStringLiteral("Could not write \"%1\": %2").arg(fileName, file.errorString()));
  }
}

}  // namespace lumox
