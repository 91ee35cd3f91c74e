#include "tests/frontend/SmallArchive.h"

namespace lumox::test {

TSmallArchive::TSmallArchive() {
  Database.CreateLapTimeSchema();
  Pool().SetSQLConnection(&Database.Connection());
  const QString oval = QStringLiteral("data\\tracks\\oval"), ring = QStringLiteral("\\data\\tracks\\ring\\");
  Add("Big Oval", oval, "Formula Three", "f3-id", 80'000, 0);
  Add("Big Oval", oval, "Formula Three", "f3-id", 85'000, 1);
  Add("Big Oval", oval, "kart", "kart-id", 95'000, 2);
  Add("Big Oval", oval, "Formula Three", "f3-id", 78'000, 3);
  Add("Big Oval", oval, "", "", 90'000, 4);
  Add("Big Oval", oval, "Old F3", "old-id", 70'000, 5);
  Pool().DeleteLapTime(Add("Big Oval", oval, "kart", "kart-id", 50'000, 6));
  Add("another Ring", ring, "Formula Three", "f3-id", 61'500, 7);
  Add("another Ring", ring, "kart", "kart-id", 60'250, 8);
  Add("Desert", "c:desert", "kart", "kart-id", 3'725'001, 9);
  Pool().AddCarAutoMerge("Twin", "twin-b-id", "Formula Three", "f3-id");
}

TSmallArchive::~TSmallArchive() { Pool().SetSQLConnection(nullptr); }

int TSmallArchive::Add(const QString& track, const QString& path, const QString& car, const QString& id,
                       int time, int days) {
  const int ltpID = Pool().GetNextLTPID();
  Pool().AddLapTime(track, path, car, id, kFirstDate + days * kDay, time);
  return ltpID;
}

}  // namespace lumox::test
