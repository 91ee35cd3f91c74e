#include "installation/Variants.h"
#include "platform/Errors.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumox {
namespace {

constexpr char kBlankRecord[] = "current\r\n{\r\n  folder=\r\n}\r\n";

QByteArray Record(const char* folder) { return QByteArray("current\r\n{\r\n  folder=") + folder + "\r\n}\r\n"; }

// A car with two variants: "dry" (unnamed) and "rain" (named, with a preview, a hidden
// file and a sub-folder), besides folders that are not variants.
class Variants : public ::testing::Test {
 protected:
  Variants() {
    Car.Write("car.ini", "own car");
    Car.Write("preview.tga", "car preview");
    Car.Write("lumox_variants/rain/variant.ini", "variant\r\n{\r\n  name=Rain Setup\r\n}\r\n");
    Car.Write("lumox_variants/rain/car.ini", "rain car");
    Car.Write("lumox_variants/rain/.tyres", "rain tyres");
    Car.Write("lumox_variants/rain/Preview.JPG", "rain preview");
    Car.Write("lumox_variants/rain/sub/extra.ini", "");
    Car.Write("lumox_variants/dry/VARIANT.INI", "variant\r\n{\r\n}\r\n");
    Car.Write("lumox_variants/dry/car.ini", "dry car");
    Car.Write("lumox_variants/.old/variant.ini", "");
    Car.Write("lumox_variants/junk/car.ini", "");
  }

  QString RecordFile() const { return Car.File("lumox_variants/variant.ini"); }

  test::TScriptedMessages Messages;
  test::TTempFolder Car;
  TLumoxVariant Store;
};

TEST_F(Variants, LoadingListsVariantsAndCreatesAMissingRecord) {
  Store.LoadFromCarFolder(Car.Path());
  EXPECT_EQ(test::ReadBytes(RecordFile()), kBlankRecord);
  EXPECT_EQ(Store.GetFolders(), QStringList({"dry", "rain"}));
  EXPECT_EQ(Store.GetNames(), QStringList({"<no name>", "Rain Setup"}));
  EXPECT_EQ(Store.GetCurrentFolder(), "");
  const TComboContent combo = Store.ComboContent();
  EXPECT_EQ(combo.Items, Store.GetNames());
  EXPECT_EQ(combo.ItemIndex, -1);
  EXPECT_TRUE(combo.Enabled);
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(Variants, TheRecordedVariantIsSelectedIgnoringCase) {
  Car.Write("lumox_variants/variant.ini", Record("RAIN"));
  Store.LoadFromCarFolder(Car.Path());
  EXPECT_EQ(Store.GetCurrentFolder(), "RAIN");
  EXPECT_EQ(Store.ComboContent().ItemIndex, 1);
}

TEST_F(Variants, ACarWithoutVariantsOffersNone) {
  Store.LoadFromCarFolder(Car.Path());
  test::TTempFolder plainCar;
  plainCar.Write("car.ini", "");
  Store.LoadFromCarFolder(plainCar.Path());
  EXPECT_FALSE(Store.HasVariants());
  EXPECT_EQ(Store.GetCarFolder(), plainCar.Path());
  const TComboContent combo = Store.ComboContent();
  EXPECT_EQ(combo.Items, QStringList({"no variants available ..."}));
  EXPECT_EQ(combo.ItemIndex, 0);
  EXPECT_FALSE(combo.Enabled);
  EXPECT_FALSE(QFile::exists(plainCar.File("lumox_variants")));
  EXPECT_EQ(Store.GetPreviewFileName(0), "");
}

TEST_F(Variants, APreviewComesFromTheVariantElseFromTheCar) {
  Store.LoadFromCarFolder(Car.Path());
  EXPECT_EQ(Store.GetPreviewFileName(1), Car.File("lumox_variants/rain/Preview.JPG"));
  EXPECT_EQ(Store.GetPreviewFileName(0), Car.File("preview.tga"));
  EXPECT_EQ(Store.GetPreviewFileName(-1), Car.File("preview.tga"));
  EXPECT_EQ(Store.GetPreviewFileName(2), Car.File("preview.tga"));
  Car.Write("lumox_variants/rain/preview.tga", "");
  EXPECT_EQ(Store.GetPreviewFileName(1), Car.File("lumox_variants/rain/preview.tga"));
}

TEST_F(Variants, ApplyingCopiesTheCarFilesAndRecordsTheVariant) {
  Car.Write("CAR.INI", "own car, other case");
  QFile::remove(Car.File("car.ini"));
  Store.LoadFromCarFolder(Car.Path());
  Store.Apply(1);
  EXPECT_EQ(test::ReadBytes(Car.File("CAR.INI")), "rain car");
  EXPECT_FALSE(QFile::exists(Car.File("car.ini")));
  EXPECT_EQ(test::ReadBytes(Car.File(".tyres")), "rain tyres");
  EXPECT_FALSE(QFile::exists(Car.File("Preview.JPG")));
  EXPECT_FALSE(QFile::exists(Car.File("variant.ini")));
  EXPECT_FALSE(QFile::exists(Car.File("sub")));
  EXPECT_EQ(Store.GetCurrentFolder(), "rain");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("rain"));

  TLumoxVariant reloaded;
  reloaded.LoadFromCarFolder(Car.Path());
  EXPECT_EQ(reloaded.ComboContent().ItemIndex, 1);
}

TEST_F(Variants, AnIndexOutOfRangeOrAVanishedVariantAppliesNothing) {
  Store.LoadFromCarFolder(Car.Path());
  Store.Apply(2);
  Store.Apply(-1);
  ASSERT_TRUE(QDir(Car.File("lumox_variants/dry")).removeRecursively());
  EXPECT_THROW(Store.Apply(0), EInOutError);
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "own car");
  EXPECT_EQ(test::ReadBytes(RecordFile()), kBlankRecord);
}

TEST_F(Variants, AFileThatCannotBeCopiedLeavesTheRecordAndIsNamed) {
  Car.Write("lumox_variants/variant.ini", Record("dry"));
  Car.Write("lumox_variants/rain/body.gmt", "rain body");
  Car.MakeDir("body.gmt");
  Store.LoadFromCarFolder(Car.Path());
  try {
    Store.Apply(1);
    FAIL() << "a failed copy was reported as success";
  } catch (const EInOutError& e) {
    const QString message = MessageOf(e);
    EXPECT_TRUE(message.contains("Rain Setup")) << message.toStdString();
    EXPECT_TRUE(message.contains(Car.File("lumox_variants/rain/body.gmt"))) << message.toStdString();
    EXPECT_FALSE(message.contains("car.ini")) << message.toStdString();
  }
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "rain car");
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("dry"));
}

TEST_F(Variants, ARecordThatDidNotLoadCompletelyIsNotRewritten) {
  const QByteArray broken = "current\r\n{\r\n  folder=dry\r\n}\r\n=\r\nmore=1\r\n";
  Car.Write("lumox_variants/variant.ini", broken);
  Store.LoadFromCarFolder(Car.Path());
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  EXPECT_EQ(Messages.Shown().size(), 1u);
  EXPECT_THROW(Store.Apply(1), EInOutError);
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "rain car");
  EXPECT_EQ(test::ReadBytes(RecordFile()), broken);
}

TEST_F(Variants, ARecordThatCannotBeCreatedIsAnError) {
  Car.MakeDir("lumox_variants/variant.ini");
  EXPECT_THROW(Store.LoadFromCarFolder(Car.Path()), EInOutError);
}

}  // namespace
}  // namespace lumox
