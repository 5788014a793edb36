#include "windows/main/linuxdriverpanel.h"

#include "app/controls.h"
#include "app/messagebox.h"
#include "inventory/wmi.h"
#include "platform/linux/driverreport.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>

using app::named;
using platform::linuxhw::DriverReport;

namespace {

class DesktopDriverReportFileDialog final : public DriverReportFileDialog {
public:
    QString chooseFile(QWidget *parent) override
    {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Driver Report"), QStringLiteral("driver-report.txt"),
                                            QStringLiteral("Text (*.txt);;JSON (*.json)"));
    }
};

DriverReportFileDialog *&installedDialog()
{
    static DriverReportFileDialog *dialog = nullptr;
    return dialog;
}

// The Linux answer only describes this machine: a machine description has no drivers to ask.
bool describesThisMachine()
{
    return qEnvironmentVariable("DRIVERSEARCHER_MACHINE").isEmpty();
}

DriverReport currentReport()
{
    return platform::linuxhw::buildDriverReport(platform::LinuxProvider::Options::fromEnvironment());
}

// The PNPDeviceIDs of the class instances that carry the caption, as the property view finds them.
QSet<QString> deviceIds(const QString &classLabel, const QString &caption)
{
    QSet<QString> ids;
    try {
        auto service = inventory::connectManagement(QStringLiteral("winmgmts:"));
        for (const auto &instance : service.InstancesOf(QStringLiteral("Win32_") + classLabel)) {
            if (!instance.hasProperty(u"Caption") || instance.property(u"Caption").toText() != caption)
                continue;
            for (const char16_t *name : {u"PNPDeviceID", u"DeviceID"})
                if (instance.hasProperty(name) && !instance.property(name).isNull())
                    ids.insert(instance.property(name).toText());
        }
    } catch (const std::exception &) {
        // A class that cannot be read still has its caption to match by.
    }
    return ids;
}

} // namespace

void setDriverReportFileDialog(DriverReportFileDialog *dialog)
{
    installedDialog() = dialog;
}

LinuxDriverPanel::LinuxDriverPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("LinuxDriverPanel"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    lblLinuxDriver = named(new QLabel(QStringLiteral("&Linux driver:"), this), "lblLinuxDriver");
    txtLinuxDriver = named(new QLineEdit(this), "txtLinuxDriver");
    txtLinuxDriver->setReadOnly(true);
    txtLinuxDriver->setPlaceholderText(QStringLiteral("shown after a scan"));
    lblLinuxDriver->setBuddy(txtLinuxDriver);
    cmdSaveDriverReport = named(new QPushButton(QStringLiteral("Save Driver &Report..."), this), "cmdSaveDriverReport");
    layout->addWidget(lblLinuxDriver);
    layout->addWidget(txtLinuxDriver, 1);
    layout->addWidget(cmdSaveDriverReport);
    connect(cmdSaveDriverReport, &QPushButton::clicked, this, [this] { cmdSaveDriverReport_Click(); });
}

void LinuxDriverPanel::showFor(const QString &classLabel, const QString &caption)
{
    QString answer;
    if (caption.isEmpty()) {
        answer = QStringLiteral("Select a device in the tree first.");
    } else if (!describesThisMachine()) {
        answer = QStringLiteral("Not available for a described machine: Linux can only be asked about this one.");
    } else {
        const DriverReport report = currentReport();
        const QSet<QString> ids = deviceIds(classLabel, caption);
        QStringList sentences;
        for (const auto &entry : report.devices) {
            const bool same = ids.isEmpty() ? entry.caption == caption : ids.contains(entry.deviceId);
            const QString sentence = platform::linuxhw::driverSummary(report, entry);
            if (same && !sentences.contains(sentence))
                sentences << sentence;
        }
        answer = sentences.isEmpty() ? QStringLiteral("Linux has no driver information for this device (it has no module alias).")
                                     : sentences.join(QLatin1Char(' '));
    }
    txtLinuxDriver->setText(answer);
    txtLinuxDriver->setCursorPosition(0);
    txtLinuxDriver->setToolTip(answer);
}

void LinuxDriverPanel::cmdSaveDriverReport_Click()
{
    static DesktopDriverReportFileDialog desktop;
    DriverReportFileDialog &dialog = installedDialog() ? *installedDialog() : desktop;
    const QString path = dialog.chooseFile(window());
    if (path.isEmpty())
        return;
    const DriverReport report = currentReport();
    const QByteArray content = path.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)
        ? platform::linuxhw::driverReportJson(report)
        : platform::linuxhw::driverReportText(report);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        app::messageBox(QStringLiteral("The driver report could not be saved to \"%1\": %2").arg(path, file.errorString()),
                        app::MessageIcon::Exclamation);
    }
}
