#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "installation/Variants.h"
#include "platform/Errors.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/FailingWrites.h"
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

// As an ordinary user: a read-only car file is replaced all the same, as packs unpack read-only.
TEST_F(Variants, ApplyingCopiesTheFilesOverThoseOfAnyCaseAndRecordsTheVariant) {
  QFile::setPermissions(Car.Write("CAR.INI", "own car, other case"), QFile::ReadOwner | QFile::ReadOther);
  QFile::remove(Car.File("car.ini"));
  Load();
  EXPECT_EQ(Store.Apply(2), "");
  EXPECT_EQ(Store.Apply(-1), "");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record(""));
  {
    const test::TAsOrdinaryUser user({Car.Path()});
    EXPECT_EQ(Store.Apply(1), "");
  }
  EXPECT_EQ(test::ReadBytes(Car.File("CAR.INI")), "rain car");
  EXPECT_EQ(test::ReadBytes(Car.File(".tyres")), "rain tyres");
  for (const char* left : {"car.ini", "Preview.JPG", "variant.ini", "sub"})
    EXPECT_FALSE(QFile::exists(Car.File(left))) << left;
  EXPECT_EQ(Store.GetCurrentFolder(), "rain");
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record("rain"));
}

// What keeps the variant "rain" from being applied and shows before the car changes, as met by
// an ordinary user; the record names "dry". The variant has one more file, z_body.gmt, which
// comes after its others.
struct TNotApplicable {
  const char* Name;
  std::function<void(const test::TTempFolder& car)> Make;  // after the variants were loaded
  const char* Why;                                         // follows "cannot be applied, as "
  const char* Detail;
  rlim_t FileSizeLimit = RLIM_INFINITY;
};

void PrintTo(const TNotApplicable& row, std::ostream* os) { *os << row.Name; }

class NotApplicable : public Variants, public ::testing::WithParamInterface<TNotApplicable> {};

TEST_P(NotApplicable, LeavesTheCarAndTheRecordAsTheyWereAndSaysWhy) {
  const TNotApplicable& row = GetParam();
  Car.Write("lumox_variants/variant.ini", Record("dry"));
  Car.Write("lumox_variants/rain/z_body.gmt", QByteArray(4096, 'b'));
  Load();
  row.Make(Car);
  const QMap<QString, QByteArray> before = test::Snapshot(Car.Path());
  QString why;
  {
    const test::TAsOrdinaryUser user({Car.Path()});
    const test::TFileSizeLimit limit(row.FileSizeLimit);
    why = Store.Apply(1);
  }
  EXPECT_TRUE(why.startsWith("The car variant \"Rain Setup\" cannot be applied, as " + QString(row.Why)))
      << why.toStdString();
  EXPECT_TRUE(why.contains(row.Detail)) << why.toStdString();
  EXPECT_EQ(test::Snapshot(Car.Path()), before);
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  QFile::setPermissions(Car.Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

const QFile::Permissions ReadOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

INSTANTIATE_TEST_SUITE_P(
    Variants, NotApplicable,
    ::testing::Values(
        TNotApplicable{
            "ARecordThatIsReadOnly",
            [](auto& car) { QFile::setPermissions(car.File("lumox_variants/variant.ini"), ReadOnly); },
            "the record of the current variant cannot be written:\r\n", "it is read-only"},
        // Naming no variant, the record would be written only once the car's files changed.
        TNotApplicable{"ARecordThatIsReadOnlyAndNamesNoVariant",
                       [](auto& car) {
                         QFile::setPermissions(car.Write("lumox_variants/variant.ini", Record("")), ReadOnly);
                       },
                       "the record of the current variant cannot be written:\r\n", "it is read-only"},
        TNotApplicable{"ACarFileThatIsAFolder", [](auto& car) { car.MakeDir("z_body.gmt"); },
                       "these of its files cannot be copied into the car:\r\n",
                       "z_body.gmt\" is not a regular file"},
        TNotApplicable{
            "ACarFolderThatTakesNoNewFile",
            [](auto& car) { QFile::setPermissions(car.Path(), QFile::ReadOwner | QFile::ExeOwner); },
            "these of its files cannot be copied into the car:\r\n", "does not let this user create files"},
        TNotApplicable{"ADiskThatFillsUpWhileTheFilesAreCopied", [](auto&) {},
                       "these of its files cannot be copied into the car:\r\n",
                       "z_body.gmt\": File too large", 1024},
        TNotApplicable{"AVariantFolderThatIsGone",
                       [](auto& car) { QDir(car.File("lumox_variants/rain")).removeRecursively(); },
                       "its folder \"", "lumox_variants/rain\" is gone."}),
    [](const auto& info) { return std::string(info.param.Name); });

// Failures that show only once the car's files change: a car file no one may replace (only root
// can make one), and a record that cannot take the variant's name (a file written now may only
// be as long as the record that names no variant). The record names no variant then. The variant
// has one more file, z_body.gmt, which comes after its others.
struct TFailsWhileApplied {
  const char* Name;
  bool ImmutableCarIni;
  rlim_t FileSizeLimit;
  const char* Message;  // follows the variant's name
  const char* Detail;
  const char* CarIni;
  bool BodyPlaced;
};

void PrintTo(const TFailsWhileApplied& row, std::ostream* os) { *os << row.Name; }

class FailsWhileApplied : public Variants, public ::testing::WithParamInterface<TFailsWhileApplied> {};

TEST_P(FailsWhileApplied, LeavesTheRecordNamingNoVariantAndSaysWhatWasReplaced) {
  const TFailsWhileApplied& row = GetParam();
  Car.Write("lumox_variants/variant.ini", Record("dry"));
  Car.Write("lumox_variants/rain/z_body.gmt", "rain body");
  Load();
  if (row.ImmutableCarIni && !test::SetImmutable(Car.File("car.ini"), true))
    GTEST_SKIP() << "this user or file system cannot make a file immutable";
  QString message;
  {
    const test::TFileSizeLimit limit(row.FileSizeLimit);
    message = test::ErrorOf([&] { (void)Store.Apply(1); });
  }
  test::SetImmutable(Car.File("car.ini"), false);
  EXPECT_TRUE(message.startsWith("The car variant \"Rain Setup\" " + QString(row.Message)) &&
              message.contains(row.Detail))
      << message.toStdString();
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), row.CarIni);
  EXPECT_EQ(test::ReadBytes(Car.File(".tyres")), "rain tyres") << "placed before the failure";
  EXPECT_EQ(test::ReadBytes(RecordFile()), Record(""));
  EXPECT_EQ(Store.GetCurrentFolder(), "");
  QStringList carFiles{".tyres", "car.ini", "preview.tga"};
  if (row.BodyPlaced) carFiles << "z_body.gmt";
  EXPECT_EQ(QDir(Car.Path()).entryList(QDir::Files | QDir::Hidden), carFiles) << "no copy is left waiting";
}

INSTANTIATE_TEST_SUITE_P(
    Variants, FailsWhileApplied,
    ::testing::Values(
        TFailsWhileApplied{"ACarFileNoOneMayReplace", true, RLIM_INFINITY,
                           "could not be applied completely, and no variant is recorded as the current one "
                           "now:\r\nCould not copy",
                           "/car.ini\" was left as it was.\r\nThe car's files replaced already: \"",
                           "own car", false},
        TFailsWhileApplied{"ARecordThatCannotTakeTheName", false, rlim_t(Record("").size()),
                           "was applied, but it could not be recorded as the current one", "File too large",
                           "rain car", true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Variants, ARecordThatDidNotLoadCompletelyIsNotRewrittenAndOneThatCannotBeMadeIsAnError) {
  const QByteArray broken = Record("dry") + "=\r\nmore=1\r\n";
  Car.Write("lumox_variants/variant.ini", broken);
  Load();
  EXPECT_EQ(Store.GetCurrentFolder(), "dry");
  EXPECT_EQ(Messages.Shown().size(), 1u);
  EXPECT_TRUE(Store.Apply(1).contains("could not be read completely"));
  EXPECT_EQ(test::ReadBytes(RecordFile()), broken);
  EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "own car");

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
    const QString why = Store.Apply(1);
    EXPECT_TRUE(why.contains("\"Rain Setup\"") && why.contains(message)) << why.toStdString();
    EXPECT_EQ(Store.Apply(2), "");
    EXPECT_EQ(test::ReadBytes(Car.File("car.ini")), "own car");
    EXPECT_FALSE(QFile::exists(RecordFile()));
  }
  QFile::setPermissions(Car.File("lumox_variants"), open);
}

}  // namespace
}  // namespace lumox
