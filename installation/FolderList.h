#pragma once
// What the car and track lists share. An item stands for one folder of the installation and
// offers GetFolder() and GetName(); a list keeps its items in list order.
#include "installation/ProgressSink.h"
#include "installation/Scans.h"
#include "installation/Strings.h"
#include "platform/Errors.h"
#include "platform/InOrder.h"
#include "platform/UserMessages.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lumox {

// One selector entry: the text shown and the item it stands for.
template <class Item>
struct TListEntry {
  QString Text;
  Item* Object;
};

// Positional access to items held by `Holder` (an owning or a plain pointer).
template <class Item, class Holder>
class TItemList {
 public:
  int Count() const { return int(Items.size()); }
  // Throws std::out_of_range for a position outside the list.
  Item& Get(int index) const { return *Items[CheckedIndex(index)]; }
  const QString& GetFolder(int index) const { return Get(index).GetFolder(); }
  const QString& GetName(int index) const { return Get(index).GetName(); }

  QStringList GetFolders() const {
    QStringList folders;
    folders.reserve(Items.size());
    for (const Holder& item : Items) folders.append(item->GetFolder());
    return folders;
  }
  QString JoinFolders(const QString& delimiter) const { return JoinStrings(GetFolders(), delimiter); }
  // The fingerprint that the folder listing of an unchanged installation gives too.
  QString FoldersMD5() const { return FolderListMD5(GetFolders()); }

  // For items with a display name (cars).
  QString GetDisplayName(int index) const
    requires requires(const Item& item) { item.DisplayName(); }
  {
    return Get(index).DisplayName();
  }
  // Appends every item's display name with the item, in list order.
  void FillStrings(std::vector<TListEntry<Item>>& list) const
    requires requires(const Item& item) { item.DisplayName(); }
  {
    for (const Holder& item : Items) list.push_back({item->DisplayName(), &*item});
  }

 protected:
  std::size_t CheckedIndex(int index) const {
    if (index < 0 || std::size_t(index) >= Items.size()) {
      throw std::out_of_range("List index " + std::to_string(index) + " out of bounds (" +
                              std::to_string(Items.size()) + " items)");
    }
    return std::size_t(index);
  }

  std::vector<Holder> Items;
};

// Finds items by folder name, ignoring case. Among names that differ only in case the
// first in list order wins.
template <class Item>
class TFolderLookup {
 public:
  void Rebuild(const std::vector<std::unique_ptr<Item>>& items) {
    Entries.clear();
    for (const auto& item : items) Entries.push_back(item.get());
    std::stable_sort(Entries.begin(), Entries.end(), [](const Item* a, const Item* b) {
      return Compare(a->GetFolder(), b->GetFolder()) < 0;
    });
  }
  void Clear() { Entries.clear(); }

  Item* Find(const QString& folder) const {
    const auto found =
        std::lower_bound(Entries.begin(), Entries.end(), folder,
                         [](const Item* a, const QString& b) { return Compare(a->GetFolder(), b) < 0; });
    return found != Entries.end() && Compare((*found)->GetFolder(), folder) == 0 ? *found : nullptr;
  }

 private:
  static int Compare(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive); }

  std::vector<Item*> Entries;  // sorted by folder
};

// A list that owns its items, filled once from the installation's folders or from the
// cache table, with lookup by folder. An item type provides:
//   TTable, the cache table's type;  static const char* ScanErrorIntro;
//   static QStringList ListFolders(zindoDir);
//   static unique_ptr<Item> CreateFromFolder(index, zindoDir, folder);  (safe on any thread)
//   void SetIndex(index);
//   static std::vector<TCacheRow> ReadRows(table);  static void WriteRows(table, rows);
//   static unique_ptr<Item> CreateFromRow(row, index, zindoDir);
//   TCacheRow CacheRow() const;  bool FitsCache() const;
template <class Item>
class TFolderList : public TItemList<Item, std::unique_ptr<Item>> {
 public:
  using TTable = typename Item::TTable;

  // An empty list.
  explicit TFolderList(QString zindoDir) : ZindoDir(std::move(zindoDir)) {}

  // Scans the installation, reporting progress to `progress` when given.
  static TFolderList CreateFromFolders(const QString& zindoDir, IProgressSink* progress) {
    TFolderList list(zindoDir);
    list.ScanFolders(progress);
    return list;
  }
  static TFolderList CreateFromDB(TTable& table, const QString& zindoDir) {
    TFolderList list(zindoDir);
    list.ReadFromDB(table);
    return list;
  }

  Item* FindByFolder(const QString& folder) const { return Lookup.Find(folder); }
  const QString& GetZindoDir() const { return ZindoDir; }
  // Read from the cache table, so the table holds it already.
  bool IsFromCache() const { return FromCache; }

  // Replaces the table's rows with the list. False when some text did not fit its column:
  // the cache then differs from the list and must not be trusted at the next start.
  bool SaveToDB(TTable& table) const {
    std::vector<TCacheRow> rows;
    rows.reserve(this->Items.size());
    bool whole = true;
    for (const auto& item : this->Items) {
      rows.push_back(item->CacheRow());
      whole = whole && item->FitsCache();
    }
    Item::WriteRows(table, rows);
    return whole;
  }

  void Clear() {
    Lookup.Clear();
    this->Items.clear();
    FromCache = false;
  }

 private:
  // Makes an item of every folder. One that cannot be made is reported and left out, and
  // the next takes its position. The sink gets the number of folders and a step for each.
  // The folders are read on several threads; their items join the list, and their messages
  // are shown, in folder order on this one.
  void ScanFolders(IProgressSink* progress) {
    const QStringList folders = Item::ListFolders(ZindoDir);
    if (progress) progress->SetMax(int(folders.size()));
    std::vector<TScanned> scanned(std::size_t(folders.size()));
    RunInOrder(
        scanned.size(),
        [&](std::size_t i) {
          const TThreadMessagesScope messages(scanned[i].Messages);
          try {
            scanned[i].Made = Item::CreateFromFolder(0, ZindoDir, folders[qsizetype(i)]);
          } catch (...) {
            scanned[i].Failure = std::current_exception();
          }
        },
        [&](std::size_t i) {
          Add(std::move(scanned[i]), folders[qsizetype(i)]);
          if (progress) progress->StepBy(1);
        });
    Lookup.Rebuild(this->Items);
  }

  // What reading one folder gave: its item, or why there is none, and the messages to show.
  struct TScanned {
    std::unique_ptr<Item> Made;
    std::exception_ptr Failure;
    TRecordedMessages Messages;
  };

  void Add(TScanned scanned, const QString& folder) {
    scanned.Messages.Replay();
    try {
      if (scanned.Failure) std::rethrow_exception(scanned.Failure);
      scanned.Made->SetIndex(this->Count());
      this->Items.push_back(std::move(scanned.Made));
    } catch (const std::exception& e) {
      ShowError(QLatin1String(Item::ScanErrorIntro) + folder + QStringLiteral(":\r\n") + MessageOf(e));
    }
  }

  // Reads the rows in order of position in one go. Positions below 0 and second rows of one
  // position are passed over, positions without a row skipped, so an empty table gives an
  // empty list and every item's index is its place in the list.
  void ReadFromDB(TTable& table) {
    FromCache = true;
    int previous = -1;
    for (const TCacheRow& row : Item::ReadRows(table)) {
      if (row.Index <= previous) continue;
      previous = row.Index;
      this->Items.push_back(Item::CreateFromRow(row, this->Count(), ZindoDir));
    }
    Lookup.Rebuild(this->Items);
  }

  QString ZindoDir;
  TFolderLookup<Item> Lookup;
  bool FromCache = false;
};

}  // namespace lumox
