#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "installation/Variants.h"
#include "platform/Errors.h"
#include "tests/support/OrdinaryUser.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempFolder.h"

namespace lumox {
namespace {

QByteArray Record(const char* folder) {
  return QByteArray("current\r\n{\r\n  folder=") + folder + "\r\n}\r\n";
}

// A car with two variants: "dry" (unnamed) and "rain" (named, with a preview, a hidden file and
// a sub-folder), besides folders that are not variants.
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
  void Load() { Store.LoadFromCarFolder(Car.Path(), Car.Path()); }

  test::TScriptedMessages Messages;
  test::TTempFolder Car;
  TLumoxVariant Store;
};

TEST_F(Variants, LoadingListsTheVariantsSelectsTheRecordedOneAndCreatesAMissingRecord) {
  Load();
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record(""));
  EXPECT_EQ(Store.GetFolders(), QStringList({"dry", "rain"}));
  const TComboContent combo = Store.ComboContent();
  EXPECT_EQ(combo.Items, QStringList({"<no name>", "Rain Setup"}));
  EXPECT_EQ(combo.ItemIndex, -1);
  EXPECT_TRUE(combo.Enabled);
  Car.Write("lumox_variants/variant.ini", Record("RAIN"));
  Load();
  EXPECT_EQ(Store.ComboContent().ItemIndex, 1);

  test::TTempFolder plainCar;
  Store.LoadFromCarFolder(plainCar.Path(), plainCar.Path());
  EXPECT_FALSE(Store.HasVariants());
  EXPECT_EQ(Store.ComboContent().Items, QStringList({"no variants available ..."}));
  EXPECT_EQ(Store.ComboContent().ItemIndex, 0);
  EXPECT_FALSE(Store.ComboContent().Enabled);
  EXPECT_FALSE(QFile::exists(plainCar.File("lumox_variants")));
  EXPECT_EQ(Store.GetPreviewFileName(0), "");
  EXPECT_TRUE(Messages.Shown().empty());
}

TEST_F(Variants, APreviewComesFromTheVariantInAnyCaseElseFromTheCar) {
  Load();
  EXPECT_EQ(Store.GetPreviewFileName(1), Car.File("lumox_variants/rain/Preview.JPG"));
  for (const int other : {0, -1, 2})
    EXPECT_EQ(Store.GetPreviewFileName(other), Car.File("preview.tga")) << other;
  Car.Write("lumox_variants/rain/preview.tga", "");
  EXPECT_EQ(Store.GetPreviewFileName(1), Car.File("lumox_variants/rain/preview.tga"));
}

TEST_F(Variants, ApplyingCopiesTheFilesOverThoseOfAnyCaseAndRecordsTheVariant) {
  Car.Write("CAR.INI", "own car, other case");
  QFile::remove(Car.File("car.ini"));
  Load();
  Store.Apply(2);
  Store.Apply(-1);
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record(""));
  Store.Apply(1);
  EXPECT_EQ(test::ReadBytes(Car.File("CAR.INI")), "rain car");
  EXPECT_EQ(test::ReadBytes(Car.File(".tyres")), "rain tyres");
  for (const char* left : {"car.ini", "Preview.JPG", "variant.ini", "sub"})
    EXPECT_FALSE(QFile::exists(Car.File(left))) << left;
  EXPECT_EQ(Store.GetCurrentFolder(), "rain");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("rain"));
}

TEST_F(Variants, AFailedCopyOrAVanishedVariantLeavesTheRecordAndNamesWhatFailed) {
  Car.Write("lumox_variants/variant.ini", Record("dry"));
  Car.Write("lumox_variants/rain/body.gmt", "rain body");
  Car.MakeDir("body.gmt");
  Load();
  try {
    Store.Apply(1);
    FAIL() << "a failed copy was reported as success";
  } catch (const EInOutError& e) {
    const QString message = MessageOf(e);
    EXPECT_TRUE(message.contains("Rain Setup")) << message.toStdString();
    EXPECT_TRUE(message.contains(Car.File("lumox_variants/rain/body.gmt"))) << message.toStdString();
    EXPECT_FALSE(message.contains("car.ini")) << message.toStdString();
  }
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "rain car");  // the other files were copied
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("dry"));

  ASSERT_TRUE(QDir(Car.File("lumox_variants/dry")).removeRecursively());
  EXPECT_THROW(Store.Apply(0), EInOutError);
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("dry"));
}

TEST_F(Variants, ARecordThatDidNotLoadCompletelyIsNotRewrittenAndOneThatCannotBeMadeIsAnError) {
  const QByteArray broken = Record("dry") + "=\r\nmore=1\r\n";
  Car.Write("lumox_variants/variant.ini", broken);
  Load();
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  EXPECT_EQ(Messages.Shown().size(), 1u);
  EXPECT_THROW(Store.Apply(1), EInOutError);
  EXPECT_EQ(test::ReadBytes(RecordFile()), broken);

  QFile::remove(RecordFile());
  Car.MakeDir("lumox_variants/variant.ini");
  EXPECT_THROW(Load(), EInOutError);
}

// The record cannot be made: the car folder lies outside the installation, through a link, or
// its variants folder takes no new file. The variants are listed all the same; none is applied.
TEST_F(Variants, WithoutARecordTheVariantsAreListedAndNoneIsApplied) {
  test::TTempFolder zindo;
  zindo.MakeDir("data/cars");
  const QString linked = zindo.File("data/cars/linked");
  test::MakeLink(Car.Path(), linked);
  const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  const struct {
    const char* What;
    QString ZindoDir, CarFolder;
    QFile::Permissions VariantsFolder;
    QString Refusal;
  } cases[] = {
      {"a car folder linked from elsewhere", zindo.Path(), linked, open,
       "\"" + linked + "\" is a symbolic link to"},
      {"a variants folder that takes no new file", Car.Path(), Car.Path(), open & ~QFile::WriteOwner,
       "does not let this user create files"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    QFile::setPermissions(Car.File("lumox_variants"), c.VariantsFolder);
    const test::TAsOrdinaryUser user({Car.Path(), zindo.Path()});
    QString message;
    try {
      Store.LoadFromCarFolder(c.ZindoDir, c.CarFolder);
    } catch (const EInOutError& e) {
      message = MessageOf(e);
    }
    EXPECT_TRUE(message.contains(c.Refusal)) << message.toStdString();
    EXPECT_EQ(Store.ComboContent().Items, QStringList({"<no name>", "Rain Setup"}));
    EXPECT_EQ(Store.ComboContent().ItemIndex, -1);
    const QString why = Store.WhyNotApplicable(1);
    EXPECT_TRUE(why.contains("\"Rain Setup\"") && why.contains(message)) << why.toStdString();
    EXPECT_EQ(Store.WhyNotApplicable(2), "");
    Store.Apply(1);
    EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "own car");
    EXPECT_FALSE(QFile::exists(RecordFile()));
  }
  QFile::setPermissions(Car.File("lumox_variants"), open);
}

}  // namespace
}  // namespace lumox
