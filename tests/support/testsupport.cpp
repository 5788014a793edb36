#include "tests/support/testsupport.h"

#include "app/appfolder.h"

#include <QFile>

namespace testsupport {

QString sharedPath(const QString &relative)
{
    return QStringLiteral(DS_SHARED_DIR "/") + relative;
}

RecordingMessageBoxes::RecordingMessageBoxes() { app::setMessageBoxService(this); }
RecordingMessageBoxes::~RecordingMessageBoxes() { app::setMessageBoxService(nullptr); }
void RecordingMessageBoxes::show(const app::MessageBoxRequest &request) { shown.append(request); }

QStringList RecordingMessageBoxes::texts() const
{
    QStringList list;
    for (const auto &box : shown)
        list.append(box.text);
    return list;
}

RecordingLinks::RecordingLinks() { app::setLinkService(this); }
RecordingLinks::~RecordingLinks() { app::setLinkService(nullptr); }
bool RecordingLinks::open(const QUrl &url)
{
    opened.append(url);
    return opens;
}

TemporaryApplicationFolder::TemporaryApplicationFolder() { app::setApplicationFolder(dir_.path()); }
TemporaryApplicationFolder::~TemporaryApplicationFolder() { app::setApplicationFolder({}); }

MachineDescriptionFile::MachineDescriptionFile(const QByteArray &json)
{
    QFile file(path());
    if (file.open(QIODevice::WriteOnly))
        file.write(json);
    hadPrevious_ = qEnvironmentVariableIsSet("DRIVERSEARCHER_MACHINE");
    previous_ = qgetenv("DRIVERSEARCHER_MACHINE");
    qputenv("DRIVERSEARCHER_MACHINE", path().toLocal8Bit());
}

MachineDescriptionFile::~MachineDescriptionFile()
{
    if (hadPrevious_)
        qputenv("DRIVERSEARCHER_MACHINE", previous_);
    else
        qunsetenv("DRIVERSEARCHER_MACHINE");
}

} // namespace testsupport
