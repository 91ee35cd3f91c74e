#pragma once
// The laps of an archive selection as read, put in order here rather than by the database:
// its sort is slow on the wide text columns (a selection of 40,000 laps took half a second
// to sort, five times as long as reading it).
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace lumox {

class TSQLQuery;

// Column values as stored; NULL sorts before every value.
struct TStoredText {
  QString Text;
  bool Null = false;
};
struct TStoredNumber {
  int Value = 0;
  bool Null = false;
};

// Orders as the database orders its UTF8 text columns: by code point, the shorter text as if
// padded with blanks, so texts differing only in trailing blanks are equal.
int CompareStored(const TStoredText& a, const TStoredText& b);
int CompareStored(const TStoredNumber& a, const TStoredNumber& b);

// One lap of a selection: identifier, the pair of columns naming the other side (track name
// and path, or car name and identifier; empty in a selection of one car on one track), time
// and date.
struct TLapRow {
  int ID = 0;
  TStoredText Name, Key;
  TStoredNumber Time, Date;
};

class TLapRows {
 public:
  // Every row of the query that has run; `nameColumn` and `keyColumn` may be null.
  static TLapRows Read(TSQLQuery& query, const char* nameColumn, const char* keyColumn);

  // By name, key, time and date.
  void SortByPlace();
  // By time and date, or by date and time.
  void SortByTime(bool dateFirst);
  // Keeps the best lap of each place (equal name and key): the first by time, with NULL last,
  // date and identifier. Orders them by time, name and key.
  void KeepBestOfEachPlace();

  // Appends each column, names and keys trimmed, numbers as decimal text (NULL as 0). An
  // identifier list given as null is not filled.
  void AppendTo(QStringList* ids, QStringList& names, QStringList& keys, QStringList& times,
                QStringList& dates) const;
  void AppendTo(QStringList* ids, QStringList& times, QStringList& dates) const;

  const std::vector<TLapRow>& Rows() const { return Laps; }

 private:
  // By place, then by `within` (a three-way comparison) among the laps of one place.
  void SortWithPlaces(const std::function<int(const TLapRow&, const TLapRow&)>& within);

  std::vector<TLapRow> Laps;
};

}  // namespace lumox
