#pragma once
#include <QString>
#include <QStringList>

#include <utility>

namespace lumox {

// Splits at every `delimiter`, keeping empty parts; an empty delimiter gives `text` whole.
QStringList SplitToStrings(const QString& text, const QString& delimiter);
// The items with `delimiter` between each two.
QString JoinStrings(const QStringList& list, const QString& delimiter);
// `text` without the characters of code 0 to 32 at both ends (the simulator's idea of blanks).
QString TrimControls(const QString& text);
// `path` without one trailing backslash (archived track paths use backslashes).
QString StripTrailingBackslash(const QString& path);

// One string attached to a selector item (a track folder, a control-set file).
class TString {
 public:
  explicit TString(QString value) : Value(std::move(value)) {}
  QString Value;
};

}  // namespace lumox
