#include "installation/Version.h"

#include "installation/Strings.h"
#include "platform/VersionBlock.h"

#include <algorithm>

namespace lumox {

TVersion::TVersion(const QString& text) {
  QStringList parts;
  SplitText(text, QStringLiteral("."), parts);
  std::int32_t* const fields[] = {&Major, &Minor, &Release, &Build};
  for (qsizetype i = 0; i < std::min<qsizetype>(4, parts.size()); ++i) *fields[i] = IntegerOr(parts[i], 0);
}

TVersion TVersion::CreateFromModule() { return TVersion(ReadVersionBlockString(QStringLiteral("FileVersion"))); }

int TVersion::SplitText(const QString& text, const QString& separator, QStringList& list) {
  list = text.split(separator, Qt::KeepEmptyParts);
  return int(list.size());
}

QString TVersion::Format(const QString& templ) const {
  QString result = templ.isEmpty() ? QStringLiteral("%MAJOR.%MINOR.%RELEASE.%BUILD") : templ;
  const std::pair<const char*, std::int32_t> placeholders[] = {
      {"%MAJOR", Major}, {"%MINOR", Minor}, {"%RELEASE", Release}, {"%BUILD", Build}};
  for (const auto& [name, value] : placeholders) {
    const QLatin1String placeholder(name);
    const qsizetype at = result.indexOf(placeholder);
    if (at >= 0) result.replace(at, placeholder.size(), QString::number(value));
  }
  return result;
}

int TVersion::Compare(const TVersion& a, const TVersion& b, int count) {
  const std::int32_t TVersion::*const fields[] = {&TVersion::Major, &TVersion::Minor, &TVersion::Release,
                                                  &TVersion::Build};
  for (int i = 0; i < std::min(4, count); ++i) {
    if (a.*fields[i] > b.*fields[i]) return 1;
    if (a.*fields[i] < b.*fields[i]) return -1;
  }
  return 0;
}

bool TVersion::IsOlder(const TVersion& other, int count) const { return Compare(*this, other, count) == -1; }

bool TVersion::IsOlderThanText(const QString& text, int count) const { return IsOlder(TVersion(text), count); }

}  // namespace lumox
