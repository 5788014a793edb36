#pragma once
#include "app/links.h"
#include "app/messagebox.h"

#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace testsupport {

// Path of a file in the shared test data folder next to the project (read-only).
QString sharedPath(const QString &relative);

// Records message boxes instead of showing them; installed for its lifetime.
class RecordingMessageBoxes final : public app::MessageBoxService {
public:
    RecordingMessageBoxes();
    ~RecordingMessageBoxes() override;
    void show(const app::MessageBoxRequest &request) override;

    QList<app::MessageBoxRequest> shown;
    QStringList texts() const;
};

// Records opened links instead of opening them; installed for its lifetime. With opens false
// it plays a desktop where no program takes an address.
class RecordingLinks final : public app::LinkService {
public:
    RecordingLinks();
    ~RecordingLinks() override;
    bool open(const QUrl &url) override;

    QList<QUrl> opened;
    bool opens = true;
};

// A temporary application folder, installed for its lifetime.
class TemporaryApplicationFolder {
public:
    TemporaryApplicationFolder();
    ~TemporaryApplicationFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// Points the management layer at a machine description for its lifetime.
class MachineDescriptionFile {
public:
    explicit MachineDescriptionFile(const QByteArray &json);
    ~MachineDescriptionFile();
    QString path() const { return dir_.filePath(QStringLiteral("machine.json")); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

} // namespace testsupport
