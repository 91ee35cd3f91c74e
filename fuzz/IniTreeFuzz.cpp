// Loads arbitrary bytes as a simulator ini file, saves, reloads and saves again.
#include "fuzz/FuzzSupport.h"
#include "installation/IniTree.h"

#include <cstdlib>
#include <string_view>

namespace {

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  return line;
}

// A block whose children all write no line is written as "{" and "}" alone, and reads back
// without them: the one layout that saving twice does not reproduce.
bool HasEmptyWrittenBlock(std::string_view text) {
  std::string_view previous;
  while (!text.empty()) {
    const std::size_t end = text.find("\r\n");
    const std::string_view line = Trimmed(text.substr(0, end));
    if (previous == "{" && line == "}") return true;
    previous = line;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
  }
  return false;
}

// Deeply nested blocks write their indentation quadratically: reading such a save back costs far
// more than it finds, so only saves up to this size are read back.
constexpr std::size_t MaxReadBack = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumox::fuzz::SilenceUserMessages();
  const QString name = QStringLiteral("fuzz.ini");
  lumox::TZindoIni first(name, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  (void)first.ReadString(QStringLiteral("results.best0.laptime"), QString());
  if (!first.IsLoadComplete()) return 0;  // the program never writes a tree it could not read whole
  const std::string once = first.ToBytes();
  if (once.size() > MaxReadBack || HasEmptyWrittenBlock(once)) return 0;

  lumox::TZindoIni second(name, QByteArray::fromStdString(once));
  if (second.IsLoadComplete() && second.ToBytes() != once) std::abort();
  return 0;
}
