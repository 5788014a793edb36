#pragma once
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The save dialog of the driver report, replaceable so tests never block on it.
class DriverReportFileDialog {
public:
    virtual ~DriverReportFileDialog() = default;
    // The chosen file's path ("*.json" saves JSON, anything else text), or an empty text
    // when the user cancelled.
    virtual QString chooseFile(QWidget *parent) = 0;
};

// Installs a dialog (nullptr restores the desktop's); the caller keeps ownership.
void setDriverReportFileDialog(DriverReportFileDialog *dialog);

// What Linux offers for the selected device, shown after each lookup whatever the driver
// database said, and the whole machine's driver report to save as text or JSON.
class LinuxDriverPanel : public QWidget {
    Q_OBJECT
public:
    explicit LinuxDriverPanel(QWidget *parent);

    QLabel *lblLinuxDriver;
    QLineEdit *txtLinuxDriver;
    QPushButton *cmdSaveDriverReport;

    // Shows the answer for the device of a tree node: its class label ("NetworkAdapter") and
    // its caption, as the property view names them.
    void showFor(const QString &classLabel, const QString &caption);
    void cmdSaveDriverReport_Click();
};
