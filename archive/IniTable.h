#pragma once
#include <QString>

namespace lumox {

class TSQLConnection;

// Settings as rows (SECTION, NAME, CONTENT) of one table: strings as they are, integers as
// decimal text, booleans as "Y" and "N". No cache: every call runs its own statements.
class TIniTable {
 public:
  TIniTable(TSQLConnection& connection, const QString& tableName);

  QString ReadString(const QString& section, const QString& key, const QString& defaultValue);
  int ReadInteger(const QString& section, const QString& key, int defaultValue);
  bool ReadBool(const QString& section, const QString& key, bool defaultValue);
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);

 private:
  TSQLConnection& FSQLConnection;
  QString FTableName;
};

}  // namespace lumox
