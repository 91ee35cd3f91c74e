#include "tests/frontend/SmallInstallation.h"

#include <QFile>

namespace lumox::test {

TSmallInstallation::TSmallInstallation() : ZindoDir(Folder.Path()) {
  Write("zindo.exe", "");
  Write("zindo.ini", "race\r\n{\r\n  car=f3\r\n}\r\n");
  WriteCar("f3", "Formula Three", "1998");
  WriteCar("kart", "kart");
  WriteCar("twin-a", "Twin", "2001");
  WriteCar("twin-b", "Twin", "2001");
  WriteCar("rally", "Rally Car", "2004");
  Write("data/cars/rally/lumox_variants/gravel/variant.ini", "variant\r\n{\r\n  name=Gravel\r\n}\r\n");
  Write("data/cars/rally/lumox_variants/tarmac/variant.ini", "variant\r\n{\r\n  name=Tarmac\r\n}\r\n");
  Write("data/cars/rally/lumox_variants/variant.ini", "current\r\n{\r\n  folder=tarmac\r\n}\r\n");
  Write("data/tracks/oval/track.ini", "track\r\n{\r\n  name=Big Oval\r\n}\r\n");
  Write("data/tracks/oval/ai/f3.ini", "");
  Write("data/tracks/oval/ai/twin-b.ini", "");
  Write("data/tracks/ring/track.ini", "track\r\n{\r\n  name=another Ring\r\n}\r\n");
  Write("data/tracks/ring/ai/kart.ini", "");
  Write("data/tracks/hill/track.ini", "track\r\n{\r\n  name=Hill Climb\r\n}\r\n");
  Write("data/ctrlsets/keyboard.ini", "misc\r\n{\r\n  displayname= Keyboard \r\n}\r\n");
  Write("data/ctrlsets/wheel.ini", "misc\r\n{\r\n  displayname=A Wheel\r\n}\r\n");
  Write("data/ctrlsets/plain.ini", "misc\r\n{\r\n  name=No display name\r\n}\r\n");
}

void TSmallInstallation::WriteCar(const QString& folder, const QByteArray& name,
                                  const QByteArray& year) const {
  Write("data/cars/" + folder + "/car.ini",
        "car\r\n{\r\n  name=" + name + "\r\n  year=" + year + "\r\n  id=" + folder.toUtf8() + "-id\r\n}\r\n");
}

TStandInNotepad::TStandInNotepad(const QByteArray& body) : SavedPath(qgetenv("PATH")) {
  const QString script = Bin.Write("notepad", "#!/bin/sh\n" + body + "\n");
  QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);
  qputenv("PATH", Bin.Path().toUtf8() + ":" + SavedPath);
}

TStandInNotepad::~TStandInNotepad() { qputenv("PATH", SavedPath); }

}  // namespace lumox::test
