#include "archive/LapRows.h"

#include "archive/SQLQuery.h"
#include "installation/Strings.h"

#include <algorithm>
#include <initializer_list>
#include <numeric>

#include <QHash>

namespace lumox {
namespace {

int Sign(bool less) { return less ? -1 : 1; }

int CompareNumbers(int a, int b) { return a == b ? 0 : Sign(a < b); }

// At the first unit where two texts differ: UTF-16 orders a surrogate pair (a code point above
// U+FFFF) before the units from U+E000 on, code points the other way round.
int CompareUnits(QChar a, QChar b) {
  if (a.isSurrogate() != b.isSurrogate()) return Sign(b.isSurrogate());
  return Sign(a < b);
}

// The first comparison that tells the rows apart.
int FirstOf(std::initializer_list<int> comparisons) {
  for (const int c : comparisons)
    if (c != 0) return c;
  return 0;
}

int ByPlace(const TLapRow& a, const TLapRow& b) {
  return FirstOf({CompareStored(a.Name, b.Name), CompareStored(a.Key, b.Key)});
}

// A lap without a time ranks after every lap with one.
int ByRank(const TLapRow& a, const TLapRow& b) {
  if (a.Time.Null != b.Time.Null) return Sign(b.Time.Null);
  return FirstOf({CompareStored(a.Time, b.Time), CompareStored(a.Date, b.Date), CompareNumbers(a.ID, b.ID)});
}

// The text as compared: trailing blanks do not count.
QStringView Compared(const TStoredText& text) {
  QStringView view(text.Text);
  while (view.endsWith(QLatin1Char(' '))) view.chop(1);
  return view;
}

// A place as the database tells places apart.
struct TPlaceKey {
  bool NameNull;
  QStringView Name;
  bool KeyNull;
  QStringView Key;
  bool operator==(const TPlaceKey&) const = default;
};

std::size_t qHash(const TPlaceKey& place, std::size_t seed) {
  return qHashMulti(seed, place.NameNull, place.Name, place.KeyNull, place.Key);
}

// The rank of each lap's place (name and key) in the order of places; equal places share a
// rank. Many laps share few places, so the places are sorted once and the laps by rank.
std::vector<int> PlaceRanks(const std::vector<TLapRow>& laps) {
  QHash<TPlaceKey, int> placeOf;
  std::vector<const TLapRow*> places;
  std::vector<int> placeOfLap;
  placeOfLap.reserve(laps.size());
  for (const TLapRow& lap : laps) {
    const TPlaceKey key{lap.Name.Null, Compared(lap.Name), lap.Key.Null, Compared(lap.Key)};
    auto at = placeOf.constFind(key);
    if (at == placeOf.constEnd()) {
      at = placeOf.insert(key, int(places.size()));
      places.push_back(&lap);
    }
    placeOfLap.push_back(*at);
  }
  std::vector<int> order(places.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](int a, int b) { return ByPlace(*places[a], *places[b]) < 0; });
  std::vector<int> rankOfPlace(places.size());
  for (std::size_t i = 0; i < order.size(); ++i) rankOfPlace[order[i]] = int(i);
  for (int& place : placeOfLap) place = rankOfPlace[place];
  return placeOfLap;
}

TStoredText ReadText(const TSQLQuery& query, int column) {
  if (column < 0) return {};
  return {query.String(column), query.IsNull(column)};
}

TStoredNumber ReadNumber(const TSQLQuery& query, int column) {
  return {query.Integer(column), query.IsNull(column)};
}

}  // namespace

int CompareStored(const TStoredText& a, const TStoredText& b) {
  if (a.Null || b.Null) return a.Null == b.Null ? 0 : Sign(a.Null);
  const QString& x = a.Text;
  const QString& y = b.Text;
  const qsizetype common = std::min(x.size(), y.size());
  for (qsizetype i = 0; i < common; ++i)
    if (x[i] != y[i]) return CompareUnits(x[i], y[i]);
  const bool xLonger = x.size() > common;
  for (const QChar c : QStringView(xLonger ? x : y).sliced(common))
    if (c != QLatin1Char(' ')) return CompareUnits(c, QLatin1Char(' ')) * (xLonger ? 1 : -1);
  return 0;
}

int CompareStored(const TStoredNumber& a, const TStoredNumber& b) {
  if (a.Null || b.Null) return a.Null == b.Null ? 0 : Sign(a.Null);
  return CompareNumbers(a.Value, b.Value);
}

TLapRows TLapRows::Read(TSQLQuery& query, const char* nameColumn, const char* keyColumn) {
  const auto column = [&](const char* name) { return name ? query.Column(QString::fromLatin1(name)) : -1; };
  const int id = column("LTP_ID"), name = column(nameColumn), key = column(keyColumn),
            time = column("LAP_TIME"), date = column("LAP_DATE");
  TLapRows rows;
  while (query.Next())
    rows.Laps.push_back({query.Integer(id), ReadText(query, name), ReadText(query, key),
                         ReadNumber(query, time), ReadNumber(query, date)});
  return rows;
}

void TLapRows::SortByPlace() {
  SortWithPlaces([](const TLapRow& a, const TLapRow& b) {
    return FirstOf({CompareStored(a.Time, b.Time), CompareStored(a.Date, b.Date)});
  });
}

void TLapRows::SortWithPlaces(const std::function<int(const TLapRow&, const TLapRow&)>& within) {
  const std::vector<int> ranks = PlaceRanks(Laps);
  std::vector<std::size_t> order(Laps.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return ranks[a] != ranks[b] ? ranks[a] < ranks[b] : within(Laps[a], Laps[b]) < 0;
  });
  std::vector<TLapRow> sorted;
  sorted.reserve(Laps.size());
  for (const std::size_t i : order) sorted.push_back(std::move(Laps[i]));
  Laps = std::move(sorted);
}

void TLapRows::SortByTime(bool dateFirst) {
  std::stable_sort(Laps.begin(), Laps.end(), [dateFirst](const TLapRow& a, const TLapRow& b) {
    const int byTime = CompareStored(a.Time, b.Time), byDate = CompareStored(a.Date, b.Date);
    return (dateFirst ? FirstOf({byDate, byTime}) : FirstOf({byTime, byDate})) < 0;
  });
}

void TLapRows::KeepBestOfEachPlace() {
  SortWithPlaces(ByRank);
  Laps.erase(std::unique(Laps.begin(), Laps.end(),
                         [](const TLapRow& a, const TLapRow& b) { return ByPlace(a, b) == 0; }),
             Laps.end());
  std::stable_sort(Laps.begin(), Laps.end(), [](const TLapRow& a, const TLapRow& b) {
    return FirstOf({CompareStored(a.Time, b.Time), ByPlace(a, b)}) < 0;
  });
}

void TLapRows::AppendTo(QStringList* ids, QStringList& names, QStringList& keys, QStringList& times,
                        QStringList& dates) const {
  names.reserve(names.size() + qsizetype(Laps.size()));
  keys.reserve(keys.size() + qsizetype(Laps.size()));
  for (const TLapRow& lap : Laps) {
    names.append(TrimControls(lap.Name.Text));
    keys.append(TrimControls(lap.Key.Text));
  }
  AppendTo(ids, times, dates);
}

void TLapRows::AppendTo(QStringList* ids, QStringList& times, QStringList& dates) const {
  for (QStringList* list : {ids, &times, &dates})
    if (list) list->reserve(list->size() + qsizetype(Laps.size()));
  for (const TLapRow& lap : Laps) {
    if (ids) ids->append(QString::number(lap.ID));
    times.append(QString::number(lap.Time.Value));
    dates.append(QString::number(lap.Date.Value));
  }
}

}  // namespace lumox
