#pragma once
#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumox {

// A four-part version number: major, minor, release, build.
class TVersion {
 public:
  // Parses "a.b.c.d"; a missing or unreadable part is 0, parts after the fourth are ignored.
  explicit TVersion(const QString& text);
  // The running program's own version, from its version block.
  static TVersion CreateFromModule();

  // Replaces the first %MAJOR, %MINOR, %RELEASE and %BUILD; the empty template means all four.
  QString Format(const QString& templ) const;
  // 1, 0 or -1, comparing the first `count` parts (at most four).
  static int Compare(const TVersion& a, const TVersion& b, int count);
  bool IsOlder(const TVersion& other, int count) const;
  bool IsOlderThanText(const QString& text, int count) const;

  // Splits at every `separator`, keeping empty items; returns the number of items.
  static int SplitText(const QString& text, const QString& separator, QStringList& list);

  std::int32_t Major = 0;
  std::int32_t Minor = 0;
  std::int32_t Release = 0;
  std::int32_t Build = 0;
};

}  // namespace lumox
