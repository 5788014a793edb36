// An installed program whose application folder the user may not write: Live Help keeps the
// server address and the Updater installs databases in the user's data folder, starting from the
// shipped copies, and every reader then takes the user's copy. A writable application folder
// keeps every file beside the program.
// With DS_INSTALLED_APPLICATION_FOLDER set, the checks run on that folder as it was installed
// (the package check runs them as an ordinary user on the installed program's folder).
#include "app/appfolder.h"
#include "app/forms.h"
#include "tests/support/testsupport.h"
#include "tests/updater/loopbackhttp.h"
#include "windows/livehelp/form2.h"
#include "windows/livehelp/serveripfile.h"
#include "windows/main/driverlookup.h"
#include "windows/updater/installeddatabase.h"
#include "windows/updater/updateaddresses.h"
#include "windows/updater/updater.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace updatertest;

namespace {
const QStringList kShippedRow{QStringLiteral("Old Card"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                              QStringLiteral("http://drivers.example/old")};
const QStringList kNewRow{QStringLiteral("ACME Turbo 9000"), QStringLiteral("Windows XP"), QStringLiteral("x86"),
                          QStringLiteral("http://drivers.example/acme9000")};
const QByteArray kShippedAddress("\"shipped.example\"\r\n");
const QString kInstalledFolder = qEnvironmentVariable("DS_INSTALLED_APPLICATION_FOLDER");
constexpr int kWait = 30000;

RawReply okReply(const QByteArray &body)
{
    return simpleReply("200 OK", {"Content-Length: " + QByteArray::number(body.size())}, body);
}

// Folder permissions do not bind root: the checks run as "nobody" then, as a user would. Where
// the system does not let root change its user (a container without that right), they skip.
void becomeOrdinaryUser()
{
    if (geteuid() != 0)
        return;
    const gid_t nogroup = 65534;
    if (setgroups(1, &nogroup) == 0 && setgid(65534) == 0)
        (void)setuid(65534);
}
} // namespace

class UserDataFolderTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> userData_;
    std::unique_ptr<EnvironmentOverride> dataHome_;
    std::unique_ptr<testsupport::TemporaryApplicationFolder> folder_;
    std::unique_ptr<testsupport::RecordingMessageBoxes> boxes_;
    QByteArray shippedDatabase_;
    QByteArray shippedAddress_;
    QStringList shippedFiles_;

    QString applicationFolder() const { return kInstalledFolder.isEmpty() ? folder_->path() : kInstalledFolder; }
    QString shipped(const char *name) const { return applicationFolder() + QLatin1Char('/') + QLatin1String(name); }
    QStringList applicationFolderFiles() const { return QDir(applicationFolder()).entryList(QDir::Files); }
    QString own(const char *name) const
    {
        return userData_->filePath(QStringLiteral("torvane-driver-searcher/") + QString::fromLatin1(name));
    }
    void setApplicationFolderWritable(bool writable)
    {
        if (!kInstalledFolder.isEmpty())
            return;
        QVERIFY(chmod(QFile::encodeName(folder_->path()).constData(), writable ? 0755 : 0555) == 0);
    }

private slots:
    void initTestCase() { becomeOrdinaryUser(); }

    void init()
    {
        userData_ = std::make_unique<QTemporaryDir>();
        dataHome_ = std::make_unique<EnvironmentOverride>("XDG_DATA_HOME", QFile::encodeName(userData_->path()));
        folder_ = std::make_unique<testsupport::TemporaryApplicationFolder>();
        boxes_ = std::make_unique<testsupport::RecordingMessageBoxes>();
        if (kInstalledFolder.isEmpty()) {
            writeFileBytes(shipped("DriverData.mdb"), driverDatabaseBytes({kShippedRow}));
            writeFileBytes(shipped("ServerIP.txt"), kShippedAddress);
            setApplicationFolderWritable(false);
            if (QFileInfo(folder_->path()).isWritable())
                QSKIP("this process runs as root and could not become an ordinary user");
        } else {
            app::setApplicationFolder(kInstalledFolder);
            QVERIFY2(!QFileInfo(kInstalledFolder).isWritable(), "the installed folder must not be writable");
        }
        shippedDatabase_ = fileBytes(shipped("DriverData.mdb"));
        shippedAddress_ = fileBytes(shipped("ServerIP.txt"));
        shippedFiles_ = applicationFolderFiles();
    }

    void cleanup()
    {
        for (app::Form *window : {static_cast<app::Form *>(app::Forms::loaded<Updater>()),
                                  static_cast<app::Form *>(app::Forms::loaded<Form2>())})
            if (window)
                app::Forms::unload(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        setApplicationFolderWritable(true);
        boxes_.reset();
        folder_.reset();
        dataHome_.reset();
        userData_.reset();
    }

    void writableApplicationFolderKeepsEverythingBesideTheProgram()
    {
        if (!kInstalledFolder.isEmpty())
            QSKIP("the installed folder is not writable");
        setApplicationFolderWritable(true);
        for (const QString &name : {QStringLiteral("ServerIP.txt"), QStringLiteral("DriverData.mdb"),
                                   QStringLiteral("DatabaseMain1.mdb")}) {
            QCOMPARE(app::dataFile(name), folder_->file(name));
            QCOMPARE(app::writableDataFile(name), folder_->file(name));
        }
        QVERIFY(!QFileInfo::exists(own("")));
    }

    // Closing Live Help saves the address in the user's folder without a box; the shipped file
    // stays as it was, and the next window reads the user's copy.
    void liveHelpKeepsTheAddressInTheUsersFolder()
    {
        auto *form = app::Forms::show<Form2>();
        QVERIFY(form);
        QCOMPARE(form->txtServer->text(), readServerAddress(shipped("ServerIP.txt")));
        form->txtServer->setText(QStringLiteral("help.example"));
        form->close();
        QVERIFY(!app::Forms::loaded<Form2>());
        QVERIFY2(boxes_->shown.isEmpty(), qPrintable(boxes_->shown.value(0).text));
        QCOMPARE(fileBytes(own("ServerIP.txt")), QByteArray("\"help.example\"\r\n"));
        QCOMPARE(fileBytes(shipped("ServerIP.txt")), shippedAddress_);

        form = app::Forms::show<Form2>();
        QVERIFY(form);
        QCOMPARE(form->txtServer->text(), QStringLiteral("help.example"));
    }

    // The first update keeps the shipped database as the backup; lookups, the Updater's labels
    // and the next update then work on the user's copy.
    void updatesInstallIntoTheUsersFolder()
    {
        RawHttpServer server;
        const QByteArray newDatabase = driverDatabaseBytes({kNewRow});
        server.queue(okReply(newDatabase));
        const EnvironmentOverride url(kDatabaseUrlVariable, server.url(QStringLiteral("DriverData.mdb")).toEncoded());

        auto *window = app::Forms::show<Updater>();
        QVERIFY(window);
        QCOMPARE(window->Label10->text(), formatKilobytes(shippedDatabase_.size()));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(boxes_->shown.size(), 1, kWait);
        QVERIFY2(boxes_->shown[0].text.startsWith(QLatin1String("Updated database downloaded and installed!")),
                 qPrintable(boxes_->shown[0].text));

        QCOMPARE(fileBytes(own("DriverData.mdb")), newDatabase);
        QCOMPARE(fileBytes(own("DriverData.backup")), shippedDatabase_);
        QCOMPARE(fileBytes(shipped("DriverData.mdb")), shippedDatabase_);
        QCOMPARE(applicationFolderFiles(), shippedFiles_);
        QCOMPARE(app::dataFile(QStringLiteral("DriverData.mdb")), own("DriverData.mdb"));
        QCOMPARE(findDriverLink(app::dataFile(QStringLiteral("DriverData.mdb")), kNewRow[0], kNewRow[1], kNewRow[2]),
                 std::optional<QString>(kNewRow[3]));

        app::Forms::unload(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        window = app::Forms::show<Updater>();
        QCOMPARE(window->Label10->text(), formatKilobytes(newDatabase.size()));

        // A second update replaces the user's copy and keeps it as the backup.
        const QByteArray newerDatabase = driverDatabaseBytes({kNewRow, kShippedRow});
        server.queue(okReply(newerDatabase));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(boxes_->shown.size(), 2, kWait);
        QCOMPARE(fileBytes(own("DriverData.mdb")), newerDatabase);
        QCOMPARE(fileBytes(own("DriverData.backup")), newDatabase);
    }

    void serverAddressDownloadGoesToTheUsersFolder()
    {
        RawHttpServer server;
        server.queue(okReply("new-help.example\r\n"));
        const EnvironmentOverride url(kServerAddressUrlVariable, server.url(QStringLiteral("ServerIP.txt")).toEncoded());
        auto *window = app::Forms::show<Updater>();
        QVERIFY(window);
        QTest::mouseClick(window->Command3, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(boxes_->shown.size(), 1, kWait);
        QVERIFY2(boxes_->shown[0].text.startsWith(QLatin1String("Updated Server IP downloaded and installed!")),
                 qPrintable(boxes_->shown[0].text));
        QCOMPARE(readServerAddress(own("ServerIP.txt")), QStringLiteral("new-help.example"));
        QCOMPARE(fileBytes(shipped("ServerIP.txt")), shippedAddress_);
        QCOMPARE(applicationFolderFiles(), shippedFiles_);
    }
};

QTEST_MAIN(UserDataFolderTest)
#include "tst_userdatafolder.moc"
