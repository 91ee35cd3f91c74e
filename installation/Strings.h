#pragma once
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace lumox {

// Splits at every `delimiter`, keeping empty parts; an empty delimiter gives `text` whole.
QStringList SplitToStrings(const QString& text, const QString& delimiter);
// The items with `delimiter` between each two.
QString JoinStrings(const QStringList& list, const QString& delimiter);
// `text` without the characters of code 0 to 32 at both ends (the simulator's idea of blanks).
QString TrimControls(const QString& text);
// `text` as a decimal number with an optional sign when that is all it holds (no blanks, no
// NUL) and it has at most 18 digits; none otherwise.
std::optional<qint64> DecimalInteger(QStringView text);
// `text` without blanks around it (as TrimControls) as a decimal number that fits in 32 bits;
// `defaultValue` when it is no such number.
int IntegerOr(const QString& text, int defaultValue);
// `path` without one trailing backslash (archived track paths use backslashes).
QString StripTrailingBackslash(const QString& path);

// One string attached to a selector item (a track folder, a control-set file).
class TString {
 public:
  explicit TString(QString value) : Value(std::move(value)) {}
  QString Value;
};

}  // namespace lumox
