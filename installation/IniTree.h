#pragma once
#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <new>
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
  static constexpr std::size_t kChunkNodes = 1024;  // nodes are allocated so many at a time

  TIniStore();
  ~TIniStore();
  TIniStore(const TIniStore&) = delete;
  TIniStore& operator=(const TIniStore&) = delete;

  // A new, unattached node. Throws ELumox when the tree would grow too large.
  TIniNode* NewNode(std::string_view name, std::string_view value, TNodeFlags flags);
  // Keeps `bytes` alive as long as the store and returns a view of them.
  std::string_view Keep(QByteArray bytes);
  std::string_view Keep(std::string text);

 private:
  void* NewChunkSlot();

  std::vector<std::unique_ptr<unsigned char[]>> Chunks;
  std::size_t UsedInChunk = kChunkNodes;
  std::size_t NodeCount = 0;
  std::vector<QByteArray> KeptBytes;
  std::deque<std::string> KeptTexts;
};

// One node of a simulator ini tree. Names, values and comments are the file's bytes; a node
// keeps its value and its comment as one text, the comment starting at the last ";". Children
// form a singly linked list in reading order. Nodes are small, as a tree holds several for
// every line of its file.
class TIniNode {
 public:
  TIniNode(std::string_view name, std::string_view value, TNodeFlags flags)
      : NameData(name.data()),
        TextData(value.data()),
        NameSize(std::uint32_t(name.size())),
        ValueSize(std::uint32_t(value.size())),
        Flags(flags) {}

  // Links `node` in after the child `previous`, or as the first child when that is null.
  // Callers keep track of the last child, so that a node needs no field for it.
  void AddChild(TIniNode* node, TIniNode* previous) {
    (previous ? previous->Next : FirstChild) = node;
    Flags |= nfHasChildren;
  }
  void AddFlags(TNodeFlags flags) { Flags |= flags; }

  // This node for an empty `path`; else the first node below it, depth-first pre-order, whose
  // names from this node down, joined by ".", give `path`.
  TIniNode* FindByPath(std::string_view path);

  // Value and comment, which must follow right after the value and outlive the node (the
  // parser's file bytes).
  void SetText(std::string_view value, std::string_view comment);
  // Replaces the value by `text` up to its last ";", keeping the comment; the new text is kept in `store`.
  void ReplaceValue(std::string_view text, TIniStore& store);

  // Deep copy of this node's children (as they are when each level starts) below `dest`,
  // after its last child `destLast`, which it updates; `dest` lies at nesting depth
  // `destDepth`. The copies carry no comments.
  void CopyChildrenTo(TIniNode& dest, TIniNode*& destLast, int destDepth, TIniStore& store) const;

  // Appends this node and its subtree in the simulator's layout, CR LF after every line. The
  // root is written with `indent` -1: its children only, without braces.
  void WriteTo(std::string& out, int indent) const;

  std::string_view GetName() const { return {NameData, NameSize}; }
  std::string_view GetValue() const { return {TextData, ValueSize}; }
  std::string_view GetComment() const { return {TextData + ValueSize, CommentSize}; }
  TNodeFlags GetFlags() const { return Flags; }
  const TIniNode* GetFirstChild() const { return FirstChild; }
  const TIniNode* GetNextSibling() const { return Next; }

 private:
  // The node in this subtree whose path, after this node's own path and ".", is `rest`.
  TIniNode* FindBelow(std::string_view rest);

  TIniNode* FirstChild = nullptr;
  TIniNode* Next = nullptr;
  const char* NameData;
  const char* TextData;  // the value, the comment right after it
  std::uint32_t NameSize;
  std::uint32_t ValueSize;
  std::uint32_t CommentSize = 0;
  TNodeFlags Flags;
};

inline TIniNode* TIniStore::NewNode(std::string_view name, std::string_view value, TNodeFlags flags) {
  void* slot = UsedInChunk < kChunkNodes && NodeCount < kMaxNodes
                   ? Chunks.back().get() + UsedInChunk * sizeof(TIniNode)
                   : NewChunkSlot();
  ++UsedInChunk;
  ++NodeCount;
  return new (slot) TIniNode(name, value, flags);
}

// What a file that ends while a block is still open is: the general format allows it (a block
// opened on one line, "a { b=1 }", stays open), but a file the simulator writes in its own
// layout ends that way only when the writing was cut off.
enum class TOpenBlockAtEnd { Allowed, Damaged };

// No ini file of the simulator comes near this size; a larger one is refused unread, so that one
// file in a stranger's pack cannot fill the memory or hold up the start.
inline constexpr qint64 kMaxIniFileSize = 16 << 20;

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
  // Writes the tree atomically, as WriteWholeFile does below `within`. Throws EInOutError when
  // the load was incomplete or the file may not or cannot be written.
  void SaveToFile(const QString& within, const QString& fileName) const;
  // Writes the tree back to its file when WriteString changed a value; leaves the file alone
  // otherwise. Throws as SaveToFile does.
  void SaveChanges(const QString& within) const;

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
  TIniNode* Root = Store->NewNode({}, {}, 0);
  QString LoadError;
  bool Modified = false;
};

}  // namespace lumox
