#include <gtest/gtest.h>

#include <QFile>
#include <thread>
#include <vector>

#include "installation/IniTree.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

class IniTree : public ::testing::Test {
 protected:
  TZindoIni Load(const QByteArray& bytes) { return TZindoIni(Folder.File("test.ini"), bytes); }
  // What saving `bytes` after loading them writes.
  QByteArray Normalised(const QByteArray& bytes) { return QByteArray::fromStdString(Load(bytes).ToBytes()); }

  test::TScriptedMessages Messages;
  test::TTempFolder Folder;
};

TEST_F(IniTree, FilesAreWrittenInTheSimulatorsLayout) {
  const std::pair<QByteArray, QByteArray> cases[] = {
      {"a = 5 ;note\r\nx=1 ;n1; n2", "a= 5 ;note\r\nx=1 ;n1; n2\r\n"},  // the last token needs no line break
      {"; head\n\n\tdefault\t{ car { mass = 900\n tyres { grip=1.2 }\n }\n  }\n}\ncar "
       "~default.car\nbare\nempty { }\n",
       "; head\r\ndefault\r\n{\r\n  car\r\n  {\r\n    mass= 900\r\n    tyres\r\n    {\r\n      grip=1.2 "
       "}\r\n    }\r\n"
       "  }\r\n}\r\ncar\r\n{\r\n  mass= 900\r\n  tyres\r\n  {\r\n    grip=1.2 }\r\n  }\r\n}\r\n"},
      {"base\n{\n mass=900 ;kg\n}\ncar ~base\nbike ~ base\n",  // the copy carries no comment
       "base\r\n{\r\n  mass=900 ;kg\r\n}\r\ncar\r\n{\r\n  mass=900 \r\n}\r\n"},
      {"{\nx=1\n}\ny=2\na{\nb=1\n}\n", "y=2\r\nb=1\r\n"},  // blocks without a symbol vanish
      {"a=1 ;one\n=2\n{\n b=3\n}\n", "a=2\r\n{\r\n  b=3\r\n}\r\n"},
      {"a=1\n;last\nb\n{\nc=2\n}", "a=1\r\n;last\r\nb\r\n{\r\n  c=2\r\n}\r\n"},
      {QByteArray("n\xe9=\xff\x01 v\xa0;\xfc\r\n", 12), QByteArray("n\xe9=\xff\x01 v\xa0;\xfc\r\n", 12)},
  };
  for (const auto& [input, written] : cases) {
    EXPECT_EQ(Normalised(input), written) << input.toStdString();
    EXPECT_EQ(Normalised(written), written) << "saved twice: " << input.toStdString();
  }
  // A reference to an ancestor ends; an empty block written this way reads back without braces.
  EXPECT_EQ(Normalised("p\n{\nq ~p\n}\n"), "p\r\n{\r\n  q\r\n  {\r\n  }\r\n}\r\n");
  EXPECT_TRUE(Messages.Shown().empty());
}

// A reference right after a block opened on its symbol copies at that symbol's depth.
TEST_F(IniTree, AReferenceCopiesDownToTheNestingLimit) {
  for (const auto& [levels, complete] : {std::pair(999, true), std::pair(1000, false)})
    EXPECT_EQ(Load("r\n{\nx=1\n}\n" + QByteArray("a\n{\n").repeated(levels) + "~r\n").IsLoadComplete(),
              complete)
        << levels;
}

// Trees are built in the memory of trees dropped before, on any thread: each must stay whole
// while others are built and dropped around it.
TEST_F(IniTree, TreesBuiltInTheMemoryOfDroppedOnesStayWholeOnEveryThread) {
  const auto file = [](int thread) {
    QByteArray text;
    for (int block = 0; block < 600; ++block)  // several chunks of nodes
      text += QStringLiteral("b%1\n{\n v=%2 ;c\n w\n {\n x=%1\n }\n}\n").arg(block).arg(thread).toLatin1();
    return text;
  };
  std::vector<std::thread> threads;
  std::vector<int> whole(4, 0);
  for (int thread = 0; thread < 4; ++thread)
    threads.emplace_back([&, thread] {
      const QByteArray text = file(thread);
      const std::string saved = Load(text).ToBytes();
      std::vector<TZindoIni> kept;
      for (int round = 0; round < 30; ++round) {
        kept.push_back(Load(text));
        if (round % 3 == 2) kept.erase(kept.begin());
        whole[thread] += kept.front().ReadString("b599.w.x", "") == "599" && kept.back().ToBytes() == saved;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(whole, std::vector<int>(4, 30));
}

TEST_F(IniTree, ValuesAreFoundByTheirPathTrimmedAndTheFirstOfTwoWins) {
  // On one line a brace belongs to the value and the block stays open: s holds y.
  const TZindoIni ini = Load(
      "a = 5 ;note\nx=1 ;n1; n2\nb\n{\n c=1\n}\nb.d=2\nk=1\nk=2\nbase\n{\n m=9\n}\n"
      "car ~base\nbike ~ base\nn\xe9=\xff\x01 v\xa0\ns\n{ x=1 }\ny=2\n");
  const std::pair<const char*, const char*> found[] = {
      {"a", "5"},   {"x", "1 ;n1"}, {"b.c", "1"}, {"b.d", "2"},    {"k", "1"},      {"s.x", "1 }"},
      {"s.y", "2"}, {"car.m", "9"}, {"", ""},     {"A", "<none>"}, {"y", "<none>"}, {"bike.m", "<none>"}};
  for (const auto& [path, value] : found) EXPECT_EQ(ini.ReadString(path, "<none>"), value) << path;
  EXPECT_EQ(ini.ReadString(QString::fromLatin1("n\xe9"), ""), QString::fromLatin1("\xff\x01 v\xa0"));
  EXPECT_TRUE(ini.SymbolExists("b"));
  EXPECT_EQ(ini.GetRoot().GetFirstChild()->GetValue(), " 5 ");
  EXPECT_EQ(ini.GetRoot().GetFirstChild()->GetComment(), ";note");
}

TEST_F(IniTree, WritingKeepsTheCommentEndsAtALineBreakAndSavesThroughAReplacement) {
  TZindoIni ini = Load("a=5;note\r\nb=1\r\nk=1\r\nk=2\r\n");
  ini.WriteString("a", "6;x");
  ini.WriteString("b", "2\r\nextra=3");
  ini.WriteString("k", "9");
  ini.WriteString("missing", "3");
  EXPECT_EQ(ini.ToBytes(), "a=6 ;note\r\nb=2\r\nk=9\r\nk=2\r\n");
  ini.SaveToFile(Folder.Path(), ini.GetFileName());
  EXPECT_EQ(test::ReadBytes(ini.GetFileName()), "a=6 ;note\r\nb=2\r\nk=9\r\nk=2\r\n");
  EXPECT_THROW(ini.SaveToFile(Folder.Path(), Folder.File("no/such/folder/x.ini")), EInOutError);
}

struct TMalformed {
  const char* Name;
  QByteArray Bytes;
  const char* Message;
  const char* KeptPath;  // read before the failure, so it stays readable
};

void PrintTo(const TMalformed& m, std::ostream* os) { *os << m.Name; }

class MalformedIni : public IniTree, public ::testing::WithParamInterface<TMalformed> {};

TEST_P(MalformedIni, IsReportedKeepsWhatWasReadAndIsNeverWrittenBack) {
  const TMalformed& m = GetParam();
  const QString path = Folder.Write("bad.ini", m.Bytes);
  const TZindoIni ini(path);
  EXPECT_EQ(
      Messages.Texts(),
      QStringList(QStringLiteral("Error opening \"%1\":\r\nTZindoIni.AppendTree: %2").arg(path, m.Message)));
  EXPECT_EQ(Messages.Shown().at(0).Kind, TMsgKind::Error);
  EXPECT_FALSE(ini.IsLoadComplete());
  EXPECT_TRUE(ini.ValueExists(m.KeptPath));
  EXPECT_THROW(ini.SaveToFile(Folder.Path(), path), EInOutError);
  EXPECT_EQ(test::ReadBytes(path), m.Bytes);
}

// Each level references the previous one twice: the copies double per line.
QByteArray ExponentialReferences() {
  QByteArray bytes = "k=1\nl0\n{\nx=1\n}\n";
  for (int i = 1; i < 40; ++i)
    bytes += QStringLiteral("l%1\n{\na ~l%2\nb ~l%2\n}\n").arg(i).arg(i - 1).toLatin1();
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedIni,
    ::testing::Values(
        TMalformed{"AssignWithoutSymbol", "k=1\nb\n{\n}\n=2\nz=3\n", "assign without symbol", "k"},
        TMalformed{"ReferenceWithoutSymbol", "k=1\nb\n{\n}\n~k\n", "reference without symbol", "k"},
        TMalformed{"AssignAtStart", "=1\n", "assign without symbol", ""},
        TMalformed{"NestedTooDeeply", "k=1\n" + QByteArray("a\n{\n").repeated(5000),
                   "blocks nested too deeply", "k"},
        TMalformed{"ReferencesTooLarge", ExponentialReferences(), "too many nodes", "k"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(IniTree, AMissingFileOrAFolderIsReportedAndNeverSavedButAReadOnlyFileReads) {
  for (const QString& path : {Folder.File("absent.ini"), Folder.MakeDir("dir.ini")}) {
    const TZindoIni ini(path);
    EXPECT_TRUE(Messages.Texts().last().startsWith("Error opening \"" + path + "\":\r\n"));
    EXPECT_EQ(ini.ReadString("a", "d"), "d");
    EXPECT_THROW(ini.SaveToFile(Folder.Path(), Folder.File("absent.ini")), EInOutError);
  }
  EXPECT_FALSE(QFile::exists(Folder.File("absent.ini")));
  const QString readOnly = Folder.Write("ro.ini", "a=1\n");
  QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
  EXPECT_EQ(TZindoIni(readOnly).ReadString("a", ""), "1");
  EXPECT_EQ(Messages.Shown().size(), 2u);
}

}  // namespace
}  // namespace lumox
