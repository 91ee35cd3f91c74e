#include "archive/IniTable.h"
#include "archive/SQLQuery.h"
#include "tests/archive/TestDatabase.h"

#include <gtest/gtest.h>

namespace lumox {
namespace {

class IniTable : public ::testing::Test {
 protected:
  // Number of rows stored for one key.
  int Rows(const QString& section, const QString& key) {
    TSQLQuery query(Db.Connection(), "select count(*) as N from SETTINGS where SECTION=:S and NAME=:K");
    query.Bind("S", section).Bind("K", key).Exec();
    query.Next();
    return query.Integer("N");
  }
  // Stores `content` for PROGRAM/KEY as it is, and reads it back through `read`.
  template <class F>
  auto Stored(const QString& content, F read) {
    Settings.WriteString("PROGRAM", "KEY", content);
    return read();
  }

  test::TTestDatabase Db;
  TIniTable Settings{Db.Connection(), "SETTINGS"};
};

TEST_F(IniTable, MissingKeysReadAsTheirDefaults) {
  EXPECT_EQ(Settings.ReadString("DATABASE", "VERSION", "0.0.0.0"), "0.0.0.0");
  EXPECT_EQ(Settings.ReadInteger("ZINDOSTART", "IMP_IGNORE_PERCENT", 150), 150);
  EXPECT_TRUE(Settings.ReadBool("PROGRAM", "PREVIEW_PREFER_LOADING", true));
  EXPECT_FALSE(Settings.ReadBool("PROGRAM", "PREVIEW_PREFER_LOADING", false));
}

TEST_F(IniTable, StringsReadBackExactlyAndARewriteChangesTheOneRow) {
  const QString path = QString::fromUtf8(" C:\\Zindo\\zindo.exe – Ärger 🚗 ");
  Settings.WriteString("PROGRAM", "ZINDO_EXE", path);
  EXPECT_EQ(Settings.ReadString("PROGRAM", "ZINDO_EXE", "d"), path);
  Settings.WriteString("PROGRAM", "ZINDO_EXE", "");
  EXPECT_EQ(Settings.ReadString("PROGRAM", "ZINDO_EXE", "d"), "");
  EXPECT_EQ(Rows("PROGRAM", "ZINDO_EXE"), 1);
  // Keys are told apart by section and name.
  EXPECT_EQ(Settings.ReadString("AI", "ZINDO_EXE", "d"), "d");
  EXPECT_EQ(Settings.ReadString("PROGRAM", "zindo_exe", "d"), "d");
}

TEST_F(IniTable, IntegersAreDecimalTextAndAnythingElseReadsAsTheDefault) {
  Settings.WriteInteger("ZINDOSTART", "FILL_BESTLAPS_MODE", -42);
  EXPECT_EQ(Settings.ReadString("ZINDOSTART", "FILL_BESTLAPS_MODE", ""), "-42");
  EXPECT_EQ(Settings.ReadInteger("ZINDOSTART", "FILL_BESTLAPS_MODE", 0), -42);

  auto read = [&] { return Settings.ReadInteger("PROGRAM", "KEY", 7); };
  EXPECT_EQ(Stored("150", read), 150);
  EXPECT_EQ(Stored("+3", read), 3);
  EXPECT_EQ(Stored("2147483647", read), 2147483647);
  EXPECT_EQ(Stored("-2147483648", read), -2147483647 - 1);
  for (const char* bad : {"15x", "", "-", " 5", "5 ", "2147483648", "1e3", "0x10", "invalid"})
    EXPECT_EQ(Stored(bad, read), 7) << bad;
}

TEST_F(IniTable, BooleansAreCapitalYAndN) {
  Settings.WriteBool("AI", "SHOW_ONLY_AVAILABLE", false);
  EXPECT_EQ(Settings.ReadString("AI", "SHOW_ONLY_AVAILABLE", ""), "N");
  EXPECT_FALSE(Settings.ReadBool("AI", "SHOW_ONLY_AVAILABLE", true));
  Settings.WriteBool("AI", "SHOW_ONLY_AVAILABLE", true);
  EXPECT_EQ(Settings.ReadString("AI", "SHOW_ONLY_AVAILABLE", ""), "Y");
  EXPECT_TRUE(Settings.ReadBool("AI", "SHOW_ONLY_AVAILABLE", false));

  for (bool defaultValue : {false, true}) {
    auto read = [&] { return Settings.ReadBool("PROGRAM", "KEY", defaultValue); };
    for (const char* notYes : {"y", "Yes", "1", "", "N"}) EXPECT_FALSE(Stored(notYes, read)) << notYes;
  }
}

TEST_F(IniTable, ValuesSurviveANewConnection) {
  Settings.WriteString("SPEEDUP", "CARS_MD5", "d41d8cd98f00b204e9800998ecf8427e");
  Db.Reconnect();
  TIniTable reopened(Db.Connection(), "SETTINGS");
  EXPECT_EQ(reopened.ReadString("SPEEDUP", "CARS_MD5", ""), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST_F(IniTable, DatabaseErrorsPassToTheCaller) {
  TIniTable missing(Db.Connection(), "NO_SETTINGS");
  EXPECT_THROW(missing.ReadString("A", "B", ""), EDatabaseError);
  EXPECT_THROW(missing.WriteBool("A", "B", true), EDatabaseError);
}

}  // namespace
}  // namespace lumox
