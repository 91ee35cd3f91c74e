#pragma once
// In-memory cache tables that store rows as the database does: texts cut to their columns,
// rows ordered by position.
#include "installation/CacheTables.h"

#include <QString>

#include <algorithm>
#include <array>
#include <map>

namespace lumox::test {

template <std::size_t Columns>
class TFakeTable {
 public:
  using TRow = std::array<QString, Columns>;

  explicit TFakeTable(std::array<int, Columns> widths) : Widths(widths) {}

  void Clear() { Rows.clear(); }
  void Write(const std::vector<TCacheRow>& rows) {
    Clear();
    for (const TCacheRow& row : rows) {
      TRow texts;
      std::copy_n(row.Texts.begin(), Columns, texts.begin());
      Insert(row.Index, texts);
    }
  }
  void Insert(int index, TRow row) {
    for (std::size_t i = 0; i < Columns; ++i) row[i] = CutToColumn(row[i], Widths[i]);
    Rows.emplace(index, row);
  }
  std::vector<TCacheRow> ReadAll() const {
    std::vector<TCacheRow> all;
    for (const auto& [index, row] : Rows) all.push_back({index, QStringList(row.begin(), row.end())});
    return all;
  }
  const std::map<int, TRow>& GetRows() const { return Rows; }

 private:
  std::array<int, Columns> Widths;
  std::map<int, TRow> Rows;
};

class TFakeCarsTable final : public ICarsTable {
 public:
  void WriteCars(const std::vector<TCacheRow>& rows) override { Table.Write(rows); }
  std::vector<TCacheRow> ReadCars() override { return Table.ReadAll(); }

  TFakeTable<4> Table{{CarNameWidth, CarYearWidth, CarFolderWidth, CarIDWidth}};
};

class TFakeTracksTable final : public ITracksTable {
 public:
  void WriteTracks(const std::vector<TCacheRow>& rows) override { Table.Write(rows); }
  std::vector<TCacheRow> ReadTracks() override { return Table.ReadAll(); }

  TFakeTable<3> Table{{TrackNameWidth, TrackFolderWidth, TrackIDWidth}};
};

}  // namespace lumox::test
