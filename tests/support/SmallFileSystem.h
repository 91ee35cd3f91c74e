#pragma once
#include <QString>

namespace lumox::test {

// Gives this process a mount namespace of its own and there a fresh file system of `megabytes`
// on `folder`, gone with the process. Returns why not when it cannot: that needs root, and a
// process with a single thread. Called again, it mounts another in a namespace of its own.
QString MountSmallFileSystem(const QString& folder, int megabytes);

// Why no small file system can be mounted here, or "" when one can. Tried in a child process,
// so that it works in a process that has threads as well.
QString WhyNoSmallFileSystem();

}  // namespace lumox::test
