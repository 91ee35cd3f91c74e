#pragma once
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumox {

using TNodeFlags = std::uint8_t;
inline constexpr TNodeFlags nfComment = 1;      // a ";" comment line
inline constexpr TNodeFlags nfHasValue = 2;     // an assignment
inline constexpr TNodeFlags nfHasChildren = 4;  // has children (never cleared)

class TIniNode;

// Owns the nodes and texts of one tree. Nodes are trivially destructible and their texts are
// views into bytes the store keeps, so a tree is built and dropped without a call per node.
// It also bounds what a parse may build: references copy whole subtrees, so a small hostile
// file could otherwise grow without bound in size or nesting depth.
class TIniStore {
 public:
  static constexpr std::size_t kMaxNodes = 1'000'000;
  static constexpr int kMaxDepth = 1000;

  TIniStore();
  ~TIniStore();
  TIniStore(const TIniStore&) = delete;
  TIniStore& operator=(const TIniStore&) = delete;

  // A new, unattached node. Throws ELumox when the tree would grow too large.
  TIniNode* NewNode(TIniNode* parent, std::string_view name, std::string_view value, TNodeFlags flags);
  // Keeps `bytes` alive as long as the store and returns a view of them.
  std::string_view Keep(QByteArray bytes);
  std::string_view Keep(std::string text);

 private:
  static constexpr std::size_t kChunkNodes = 1024;
  std::vector<std::unique_ptr<unsigned char[]>> Chunks;
  std::size_t UsedInChunk = kChunkNodes;
  std::size_t NodeCount = 0;
  std::vector<QByteArray> KeptBytes;
  std::deque<std::string> KeptTexts;
};

// One node of a simulator ini tree. Names, values and comments are the file's bytes.
// Children form a singly linked list in reading order.
class TIniNode {
 public:
  TIniNode(TIniNode* parent, std::string_view name, std::string_view value, TNodeFlags flags)
      : Parent(parent), Name(name), Value(value), Flags(flags) {}

  void AddChild(TIniNode* node);
  void AddFlags(TNodeFlags flags) { Flags |= flags; }

  // First node of this subtree, depth-first pre-order, whose full path equals `path`.
  TIniNode* FindByPath(std::string_view path);

  // Sets the value from `text` up to its last ";". With `takeComment` the rest becomes the
  // comment and `text` must outlive the node (the parser's file bytes); without it the node keeps
  // its comment, and the new value is kept in `store`.
  void SetValue(std::string_view text, bool takeComment, TIniStore& store);
  // Splits at the last ";": value before it, comment from it on.
  static void SplitComment(std::string_view text, std::string_view& value, std::string_view& comment);

  // Deep copy of this node's children (as they are when each level starts) below `dest`,
  // which lies at nesting depth `destDepth`.
  void CopyChildrenTo(TIniNode& dest, int destDepth, TIniStore& store) const;

  // Appends this node and its subtree in the simulator's layout, CR LF after every line.
  void WriteTo(std::string& out, int indent) const;

  std::string_view GetName() const { return Name; }
  std::string_view GetValue() const { return Value; }
  std::string_view GetComment() const { return Comment; }
  // The full dotted path: the parent's path, ".", and the name; a top-level node's is its name.
  std::string GetPath() const;
  TNodeFlags GetFlags() const { return Flags; }
  TIniNode* GetParent() const { return Parent; }
  const TIniNode* GetFirstChild() const { return FirstChild; }
  const TIniNode* GetNextSibling() const { return Next; }

 private:
  // The node in this subtree whose path, after this node's own path and ".", is `rest`.
  TIniNode* FindBelow(std::string_view rest);
  bool HasEmptyPath() const { return Name.empty() && !Parent; }

  TIniNode* Parent;
  TIniNode* FirstChild = nullptr;
  TIniNode* LastChild = nullptr;
  TIniNode* Next = nullptr;
  std::string_view Name;
  std::string_view Value;
  std::string_view Comment;
  TNodeFlags Flags;
};

// What a file that ends while a block is still open is: the general format allows it (a block
// opened on one line, "a { b=1 }", stays open), but a file the simulator writes in its own
// layout ends that way only when the writing was cut off.
enum class TOpenBlockAtEnd { Allowed, Damaged };

// One simulator ini file (zindo.ini, car.ini, track.ini, bestlaps.ini, ...) as a tree.
// Loading never throws: a failure is shown as an error message and leaves what was read.
// Such a partial tree is never written back: SaveToFile refuses it.
class TZindoIni {
 public:
  explicit TZindoIni(const QString& fileName, TOpenBlockAtEnd openBlock = TOpenBlockAtEnd::Allowed);
  // Loads `bytes` as if they had been read from `fileName`, which only names them in messages.
  TZindoIni(const QString& fileName, QByteArray bytes, TOpenBlockAtEnd openBlock = TOpenBlockAtEnd::Allowed);

  // Trimmed value at `path`, or `defaultValue` unchanged when there is no such node.
  QString ReadString(const QString& path, const QString& defaultValue) const;
  // Changes the value of an existing node; does nothing when `path` does not exist or its
  // value, as ReadString gives it, is `value` already.
  void WriteString(const QString& path, const QString& value);
  bool ValueExists(const QString& path) const;
  bool SymbolExists(const QString& path) const;
  // Writes the tree atomically. Throws EInOutError when the load was incomplete
  // or the file cannot be written.
  void SaveToFile(const QString& fileName) const;
  // Writes the tree back to its file when WriteString changed a value; leaves the file alone
  // otherwise. Throws as SaveToFile does.
  void SaveChanges() const;

  const QString& GetFileName() const { return FileName; }
  const TIniNode& GetRoot() const { return *Root; }
  bool IsLoadComplete() const { return LoadError.isEmpty(); }
  const QString& GetLoadError() const { return LoadError; }

  // The bytes SaveToFile writes.
  std::string ToBytes() const;

 private:
  TIniNode* Find(const QString& path) const;
  // Parses what `read` returns; a failure is recorded and shown, never thrown.
  void Load(const std::function<QByteArray()>& read, TOpenBlockAtEnd openBlock);

  QString FileName;
  std::unique_ptr<TIniStore> Store = std::make_unique<TIniStore>();
  TIniNode* Root = Store->NewNode(nullptr, {}, {}, 0);
  QString LoadError;
  bool Modified = false;
};

}  // namespace lumox
