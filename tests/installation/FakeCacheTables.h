#pragma once
// In-memory cache tables that store rows as the database does: texts cut to their columns,
// maximum position 0 when empty.
#include "installation/CacheTables.h"

#include <QString>

#include <array>
#include <map>

namespace lumox::test {

template <std::size_t Columns>
class TFakeTable {
 public:
  using TRow = std::array<QString, Columns>;

  explicit TFakeTable(std::array<int, Columns> widths) : Widths(widths) {}

  void Clear() { Rows.clear(); }
  int MaxIdx() const { return Rows.empty() ? 0 : Rows.rbegin()->first; }
  void Insert(int index, TRow row) {
    for (std::size_t i = 0; i < Columns; ++i) row[i] = CutToColumn(row[i], Widths[i]);
    Rows.emplace(index, row);
  }
  bool Read(int index, std::array<QString*, Columns> out) const {
    const auto found = Rows.find(index);
    for (std::size_t i = 0; i < Columns; ++i) *out[i] = found == Rows.end() ? QString() : found->second[i];
    return found != Rows.end();
  }
  const std::map<int, TRow>& GetRows() const { return Rows; }

 private:
  std::array<int, Columns> Widths;
  std::map<int, TRow> Rows;
};

class TFakeCarsTable final : public ICarsTable {
 public:
  void DeleteAll() override { Table.Clear(); }
  int GetMaxIdx() override { return Table.MaxIdx(); }
  void InsertCar(int index, const QString& name, const QString& year, const QString& folder,
                 const QString& id) override {
    Table.Insert(index, {name, year, folder, id});
  }
  bool GetCar(int index, QString& name, QString& year, QString& folder, QString& id) override {
    return Table.Read(index, {&name, &year, &folder, &id});
  }

  TFakeTable<4> Table{{CarNameWidth, CarYearWidth, CarFolderWidth, CarIDWidth}};
};

class TFakeTracksTable final : public ITracksTable {
 public:
  void DeleteAll() override { Table.Clear(); }
  int GetMaxIdx() override { return Table.MaxIdx(); }
  void InsertTrack(int index, const QString& name, const QString& folder, const QString& id) override {
    Table.Insert(index, {name, folder, id});
  }
  bool GetTrack(int index, QString& name, QString& folder, QString& id) override {
    return Table.Read(index, {&name, &folder, &id});
  }

  TFakeTable<3> Table{{TrackNameWidth, TrackFolderWidth, TrackIDWidth}};
};

}  // namespace lumox::test
