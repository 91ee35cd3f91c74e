#pragma once
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumox {

using TNodeFlags = std::uint8_t;
inline constexpr TNodeFlags nfComment = 1;      // a ";" comment line
inline constexpr TNodeFlags nfHasValue = 2;     // an assignment
inline constexpr TNodeFlags nfHasChildren = 4;  // has children (never cleared)

// How much a parse may still build. References copy whole subtrees, so a small hostile
// file could otherwise grow without bound in size or nesting depth.
struct TTreeBudget {
  std::size_t NodesLeft;
  int MaxDepth;
};

// One node of a simulator ini tree. Names, values and comments are the file's bytes.
class TIniNode {
 public:
  TIniNode(TIniNode* parent, std::string name, std::string value, TNodeFlags flags);
  TIniNode(const TIniNode&) = delete;
  TIniNode& operator=(const TIniNode&) = delete;

  void AddChild(std::unique_ptr<TIniNode> node);
  void AddFlags(TNodeFlags flags) { Flags |= flags; }

  // First node of this subtree, depth-first pre-order, whose full path equals `path`.
  TIniNode* FindByPath(std::string_view path);

  void SetValue(std::string_view text, bool takeComment);
  // Splits at the last ";": value before it, comment from it on.
  static void SplitComment(std::string_view text, std::string& value, std::string& comment);

  // Deep copy of this node's children (as they are when each level starts) below `dest`,
  // which lies at nesting depth `destDepth`. Throws ELumox when the budget runs out.
  void CopyChildrenTo(TIniNode& dest, int destDepth, TTreeBudget& budget) const;

  // Appends this node and its subtree in the simulator's layout, CR LF after every line.
  void WriteTo(std::string& out, int indent) const;

  const std::string& GetName() const { return Name; }
  const std::string& GetValue() const { return Value; }
  const std::string& GetComment() const { return Comment; }
  const std::string& GetPath() const { return Path; }
  TNodeFlags GetFlags() const { return Flags; }
  TIniNode* GetParent() const { return Parent; }
  const std::vector<std::unique_ptr<TIniNode>>& GetChildren() const { return Children; }

 private:
  std::vector<std::unique_ptr<TIniNode>> Children;
  TIniNode* Parent;
  std::string Name;
  std::string Value;
  std::string Comment;
  std::string Path;
  TNodeFlags Flags;
};

// One simulator ini file (zindo.ini, car.ini, track.ini, bestlaps.ini, ...) as a tree.
// Loading never throws: a failure is shown as an error message and leaves what was read.
// Such a partial tree is never written back: SaveToFile refuses it.
class TZindoIni {
 public:
  explicit TZindoIni(const QString& fileName);

  // Trimmed value at `path`, or `defaultValue` unchanged when there is no such node.
  QString ReadString(const QString& path, const QString& defaultValue) const;
  // Changes the value of an existing node; does nothing when `path` does not exist.
  void WriteString(const QString& path, const QString& value);
  bool ValueExists(const QString& path) const;
  bool SymbolExists(const QString& path) const;
  // Writes the tree atomically. Throws EInOutError when the load was incomplete
  // or the file cannot be written.
  void SaveToFile(const QString& fileName) const;

  const QString& GetFileName() const { return FileName; }
  const TIniNode& GetRoot() const { return *Root; }
  bool IsLoadComplete() const { return LoadError.isEmpty(); }
  const QString& GetLoadError() const { return LoadError; }

  // The bytes SaveToFile writes.
  std::string ToBytes() const;

 private:
  TIniNode* Find(const QString& path) const;
  void Load();

  QString FileName;
  std::unique_ptr<TIniNode> Root;
  QString LoadError;
};

}  // namespace lumox
