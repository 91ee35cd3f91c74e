#include "installation/Strings.h"

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

QString StripTrailingBackslash(const QString& path) {
  return path.endsWith(QLatin1Char('\\')) ? path.chopped(1) : path;
}

}  // namespace lumox
