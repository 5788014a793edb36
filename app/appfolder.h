#pragma once
#include <QString>

namespace app {

// The folder that holds the program's executable, without a trailing separator.
// Every data file (DriverData.mdb, ServerIP.txt, sysmessage.WAV, ...) lives there.
QString applicationFolder();

// The full path of a data file in the application folder.
QString applicationFile(const QString &fileName);

// Tests and the command line point the program at another folder.
void setApplicationFolder(const QString &folder);

} // namespace app
