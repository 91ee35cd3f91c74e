#pragma once
// What one simulator installation holds. `zindoDir` is the folder of the simulator
// executable. A folder that does not exist gives an empty list.
#include <QString>
#include <QStringList>

namespace lumox {

// The folders that hold the track folders and the car folders.
QString TracksFolder(const QString& zindoDir);
QString CarsFolder(const QString& zindoDir);

// Folder names below data/tracks that hold a track.ini.
QStringList ListTrackFolders(const QString& zindoDir);
// The same folders as full paths.
QStringList ListTrackPaths(const QString& zindoDir);
// Folder names below data/cars that hold a car.ini; "default" (exactly) is the simulator's
// template, not a car.
QStringList ListCarFolders(const QString& zindoDir);
// Full paths of the control-set files (*.ini) in data/ctrlsets.
QStringList ListControllerFiles(const QString& zindoDir);
// Names of the AI line files (*.ini) in the track's ai folder.
QStringList ListTrackAIFiles(const QString& trackDir);

// `exePath` is a file with zindo.ini beside it.
bool IsZindoExecutable(const QString& exePath);

// Writes the blank best-laps file, below `zindoDir`, unless a file of that name (in any case)
// exists. Throws EInOutError when it may not or cannot be written.
void CreateEmptyBestLaps(const QString& zindoDir, const QString& fileName);

// Folder-list fingerprint: lowercase hex MD5 of the names joined by ";".
QString FolderListMD5(const QStringList& folders);
QString CarFoldersMD5(const QString& zindoDir);
QString TrackFoldersMD5(const QString& zindoDir);

}  // namespace lumox
