#include "installation/Strings.h"

#include <cstdint>

namespace lumox {

QStringList SplitToStrings(const QString& text, const QString& delimiter) {
  // QString::split would cut an empty delimiter between every character.
  if (delimiter.isEmpty()) return {text};
  return text.split(delimiter, Qt::KeepEmptyParts);
}

QString JoinStrings(const QStringList& list, const QString& delimiter) { return list.join(delimiter); }

QString TrimControls(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin].unicode() <= 32) ++begin;
  while (end > begin && text[end - 1].unicode() <= 32) --end;
  return text.mid(begin, end - begin);
}

std::optional<qint64> DecimalInteger(QStringView text) {
  const qsizetype from = text.startsWith(u'+') || text.startsWith(u'-') ? 1 : 0;
  // Eighteen digits cannot overflow the sum; leading zeros may make a small number long.
  if (text.size() == from || text.size() - from > 18) return std::nullopt;
  qint64 value = 0;
  for (QChar c : text.mid(from)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
  }
  return text.startsWith(u'-') ? -value : value;
}

int IntegerOr(const QString& text, int defaultValue) {
  const std::optional<qint64> value = DecimalInteger(TrimControls(text));
  return value && *value >= INT32_MIN && *value <= INT32_MAX ? static_cast<int>(*value) : defaultValue;
}

QString StripTrailingBackslash(const QString& path) {
  return path.endsWith(QLatin1Char('\\')) ? path.chopped(1) : path;
}

}  // namespace lumox
