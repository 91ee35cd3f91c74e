#include "installation/IniTree.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lumox {
namespace {

class IniTree : public ::testing::Test {
 protected:
  // Loads `bytes` as a simulator ini file.
  std::unique_ptr<TZindoIni> Load(const QByteArray& bytes) {
    return std::make_unique<TZindoIni>(Folder.Write("test.ini", bytes));
  }
  // What saving `bytes` after loading them writes.
  QByteArray Normalised(const QByteArray& bytes) {
    return QByteArray::fromStdString(Load(bytes)->ToBytes());
  }

  test::TScriptedMessages Messages;
  test::TTempFolder Folder;
};

TEST_F(IniTree, ValueAndCommentAreSplitAtTheLastSemicolonAndWrittenBackAsRead) {
  auto ini = Load("a = 5 ;note\r\nx=1 ;n1; n2\r\n");
  EXPECT_EQ(ini->ReadString("a", "d"), "5");
  const TIniNode* a = ini->GetRoot().GetFirstChild();
  EXPECT_EQ(a->GetValue(), " 5 ");
  EXPECT_EQ(a->GetComment(), ";note");
  EXPECT_EQ(ini->ReadString("x", ""), "1 ;n1");
  EXPECT_EQ(ini->ToBytes(), "a= 5 ;note\r\nx=1 ;n1; n2\r\n");
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(IniTree, WriteStringKeepsTheCommentWithABlankBeforeIt) {
  auto ini = Load("a=5;note\r\nb=1\r\n");
  ini->WriteString("a", "6");
  EXPECT_EQ(ini->ToBytes(), "a=6 ;note\r\nb=1\r\n");
  ini->WriteString("a", "6;x");
  EXPECT_EQ(ini->ToBytes(), "a=6 ;note\r\nb=1\r\n");
  ini->WriteString("b", "2");
  ini->WriteString("missing", "3");
  EXPECT_EQ(ini->ToBytes(), "a=6 ;note\r\nb=2\r\n");
}

TEST_F(IniTree, WrittenValuesEndAtTheirFirstLineBreak) {
  auto ini = Load("a=1\r\n");
  ini->WriteString("a", "2\r\nextra=3");
  ini->WriteString("a", ini->ReadString("a", "") + "\nmore");
  EXPECT_EQ(ini->ToBytes(), "a=2\r\n");
}

TEST_F(IniTree, HandWrittenLayoutIsNormalised) {
  const QByteArray input =
      "; head\n"
      "\n"
      "\tdefault\t{ car { mass = 900\n"
      "                   tyres { grip=1.2 }\n"
      "                 }\n"
      "  }\n"
      "}\n"
      "car ~default.car\n"
      "bare\n"
      "empty { }\n"
      "name ;note\n";
  EXPECT_EQ(Normalised(input),
            "; head\r\n"
            "default\r\n{\r\n"
            "  car\r\n  {\r\n"
            "    mass= 900\r\n"
            "    tyres\r\n    {\r\n"
            "      grip=1.2 }\r\n"
            "    }\r\n  }\r\n}\r\n"
            "car\r\n{\r\n"
            "  mass= 900\r\n"
            "  tyres\r\n  {\r\n"
            "    grip=1.2 }\r\n"
            "  }\r\n}\r\n"
            ";note\r\n");
}

TEST_F(IniTree, ReferencesCopyChildrenOnlyWithTheExactPath) {
  auto ini = Load("base\n{\n mass=900 ;kg\n}\ncar ~base\nbike ~ base\n");
  EXPECT_EQ(ini->ReadString("car.mass", "none"), "900");
  EXPECT_FALSE(ini->ValueExists("bike.mass"));
  // the copy carries no trailing comment
  EXPECT_EQ(ini->ToBytes(), "base\r\n{\r\n  mass=900 ;kg\r\n}\r\ncar\r\n{\r\n  mass=900 \r\n}\r\n");
}

TEST_F(IniTree, AReferenceToAnAncestorEnds) {
  EXPECT_EQ(Normalised("p\n{\nq ~p\n}\n"), "p\r\n{\r\n  q\r\n  {\r\n  }\r\n}\r\n");
}

// A reference right after a block opened on its symbol copies at that symbol's depth.
TEST_F(IniTree, AReferenceCopiesDownToTheNestingLimit) {
  for (const auto& [levels, complete] : {std::pair(999, true), std::pair(1000, false)}) {
    EXPECT_EQ(Load("r\n{\nx=1\n}\n" + QByteArray("a\n{\n").repeated(levels) + "~r\n")->IsLoadComplete(),
              complete)
        << levels;
  }
}

TEST_F(IniTree, BlocksWithoutASymbolAreNeitherFoundNorWritten) {
  auto ini = Load("{\nx=1\n}\ny=2\n");
  EXPECT_FALSE(ini->ValueExists("x"));
  EXPECT_EQ(ini->ToBytes(), "y=2\r\n");
  // on one line the brace belongs to the value and the block stays open
  auto oneLine = Load("a\n{ x=1 }\nb=2\n");
  EXPECT_EQ(oneLine->ReadString("a.x", ""), "1 }");
  EXPECT_EQ(oneLine->ReadString("a.b", ""), "2");
  EXPECT_FALSE(oneLine->ValueExists("b"));
}

TEST_F(IniTree, BracesInsideAWordDoNotOpenABlock) {
  auto ini = Load("a{\nb=1\n}\n");
  EXPECT_TRUE(ini->SymbolExists("a{"));
  EXPECT_EQ(ini->ReadString("b", ""), "1");
  EXPECT_EQ(ini->ToBytes(), "b=1\r\n");
}

TEST_F(IniTree, AssignmentAfterAssignmentAndBlockUnderAnAssignedNode) {
  auto ini = Load("a=1 ;one\n=2\n{\n b=3\n}\n");
  EXPECT_EQ(ini->ToBytes(), "a=2\r\n{\r\n  b=3\r\n}\r\n");
  EXPECT_EQ(ini->ReadString("a.b", ""), "3");
}

TEST_F(IniTree, TheFirstOfTwoEqualPathsWinsForReadingAndWriting) {
  auto ini = Load("k=1\nk=2\n");
  EXPECT_EQ(ini->ReadString("k", ""), "1");
  ini->WriteString("k", "9");
  EXPECT_EQ(ini->ToBytes(), "k=9\r\nk=2\r\n");
}

TEST_F(IniTree, PathsDefaultsAndTheRoot) {
  auto ini = Load("a\n{\n b=1\n}\na.c=2\n");
  EXPECT_EQ(ini->ReadString("a.b", ""), "1");
  EXPECT_EQ(ini->ReadString("a.c", ""), "2");  // a dotted word is found like a nested path
  EXPECT_EQ(ini->ReadString("", "x"), "");     // the empty path is the root
  EXPECT_EQ(ini->ReadString("A.B", "  d "), "  d ");
  EXPECT_TRUE(ini->SymbolExists("a"));
}

TEST_F(IniTree, TheLastTokenIsKeptWithoutAFinalLineBreak) {
  EXPECT_EQ(Normalised("name="), "name=\r\n");
  EXPECT_EQ(Normalised("name=\r\n"), "name=\r\n");
  EXPECT_EQ(Normalised("a=1\n;last"), "a=1\r\n;last\r\n");
  EXPECT_EQ(Normalised("a=1\nb\n{\nc=2\n}"), "a=1\r\nb\r\n{\r\n  c=2\r\n}\r\n");
}

TEST_F(IniTree, BytesAbove127AndControlBytesPassThroughUnchanged) {
  const QByteArray input("n\xe9=\xff\x01 v\xa0;\xfc\r\n", 12);
  EXPECT_EQ(Normalised(input), input);
  auto ini = Load(input);
  EXPECT_EQ(ini->ReadString(QString::fromLatin1("n\xe9"), ""), QString::fromLatin1("\xff\x01 v\xa0"));
}

TEST_F(IniTree, SavedFilesReadBackToTheSameBytes) {
  const QByteArray input =
      "results\n{\n best0\n {\n  laptime=0 ;ms\n  car=\n }\n}\n"
      "x ~results\n; tail comment\n";
  const QByteArray once = Normalised(input);
  EXPECT_EQ(Normalised(once), once);
}

TEST_F(IniTree, SaveToFileWritesTheTreeAndReplacesTheFile) {
  auto ini = Load("a = 1\n");
  ini->WriteString("a", "2");
  ini->SaveToFile(ini->GetFileName());
  EXPECT_EQ(test::ReadBytes(ini->GetFileName()), "a=2\r\n");
  EXPECT_THROW(ini->SaveToFile(Folder.File("no/such/folder/x.ini")), EInOutError);
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
  auto ini = Load(m.Bytes);
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_EQ(Messages.Shown()[0].Kind, TMsgKind::Error);
  EXPECT_EQ(Messages.Shown()[0].Text,
            QStringLiteral("Error opening \"%1\":\r\nTZindoIni.AppendTree: %2").arg(ini->GetFileName(), m.Message));
  EXPECT_FALSE(ini->IsLoadComplete());
  EXPECT_TRUE(ini->ValueExists(m.KeptPath));
  EXPECT_THROW(ini->SaveToFile(ini->GetFileName()), EInOutError);
  EXPECT_EQ(test::ReadBytes(ini->GetFileName()), m.Bytes);
}

QByteArray Repeat(const char* text, int times) { return QByteArray(text).repeated(times); }

// Each level references the previous one twice: the copies double per line.
QByteArray ExponentialReferences() {
  QByteArray bytes = "l0\n{\nx=1\n}\n";
  for (int i = 1; i < 40; ++i) bytes += QByteArray("l%1\n{\na ~l%0\nb ~l%0\n}\n").replace("%1", QByteArray::number(i)).replace("%0", QByteArray::number(i - 1));
  return "k=1\n" + bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedIni,
    ::testing::Values(TMalformed{"AssignWithoutSymbol", "k=1\nb\n{\n}\n=2\nz=3\n", "assign without symbol", "k"},
                      TMalformed{"ReferenceWithoutSymbol", "k=1\nb\n{\n}\n~k\n", "reference without symbol", "k"},
                      TMalformed{"AssignAtStart", "=1\n", "assign without symbol", ""},
                      TMalformed{"NestedTooDeeply", "k=1\n" + Repeat("a\n{\n", 5000), "blocks nested too deeply", "k"},
                      TMalformed{"ReferencesTooLarge", ExponentialReferences(), "too many nodes", "k"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(IniTree, AMissingFileIsReportedAndGivesAnEmptyTreeThatIsNotSaved) {
  TZindoIni ini(Folder.File("absent.ini"));
  ASSERT_EQ(Messages.Shown().size(), 1u);
  EXPECT_TRUE(Messages.Shown()[0].Text.startsWith(QStringLiteral("Error opening \"%1\":\r\n").arg(ini.GetFileName())));
  EXPECT_EQ(ini.ReadString("a", "d"), "d");
  EXPECT_FALSE(ini.ValueExists("a"));
  EXPECT_THROW(ini.SaveToFile(ini.GetFileName()), EInOutError);
  EXPECT_FALSE(QFile::exists(ini.GetFileName()));
}

TEST_F(IniTree, AReadOnlyFileCanBeRead) {
  const QString path = Folder.Write("ro.ini", "a=1\n");
  QFile::setPermissions(path, QFileDevice::ReadOwner);
  TZindoIni ini(path);
  EXPECT_TRUE(ini.IsLoadComplete());
  EXPECT_EQ(ini.ReadString("a", ""), "1");
}

TEST_F(IniTree, AFolderInPlaceOfTheFileIsReported) {
  TZindoIni ini(Folder.MakeDir("dir.ini"));
  EXPECT_FALSE(ini.IsLoadComplete());
  EXPECT_EQ(Messages.Shown().size(), 1u);
}

}  // namespace
}  // namespace lumox
