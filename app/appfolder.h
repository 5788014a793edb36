#pragma once
#include <QString>

namespace app {

// The folder that holds the program's executable, without a trailing separator.
// Every data file (DriverData.mdb, ServerIP.txt, sysmessage.WAV, ...) ships there.
QString applicationFolder();

// The full path of a data file in the application folder.
QString applicationFile(const QString &fileName);

// Tests and the command line point the program at another folder.
void setApplicationFolder(const QString &folder);

// Where the files the program writes (ServerIP.txt, the downloaded and installed databases) are
// kept: the application folder while the user may write there (the build folder, a portable
// copy); for an installed copy in a system folder, the user's own data folder,
// $XDG_DATA_HOME/torvane-driver-searcher, made when first written.
QString writableDataFolder();
QString writableDataFile(const QString &fileName);

// The copy of a data file that is read: the user's own when there is one, else the shipped one.
QString dataFile(const QString &fileName);

} // namespace app
