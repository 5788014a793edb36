#pragma once
// Helpers shared by the Jet tests: the sample files and mdb-export from mdbtools as an
// independent reader.
#include "tests/support/testsupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace jettests {

inline QString sample(const QString &name) { return testsupport::sharedPath(QStringLiteral("jet-samples/") + name); }

// In a test function: skips it when the real Jet files are absent (a clone of the project alone).
#define JET_SAMPLES_OR_SKIP()                                                                             \
    do {                                                                                                  \
        if (!QFileInfo::exists(jettests::sample(QStringLiteral("README.md"))))                            \
            QSKIP("the real Jet files in ../shared/jet-samples/ are absent");                              \
    } while (false)

inline const QStringList &jet4Samples()
{
    static const QStringList names{
        QStringLiteral("mdbreader_V2000_with-password.mdb"), QStringLiteral("mdbreader_V2000_no-password.mdb"),
        QStringLiteral("jackcessencrypt_db-enc.mdb"),        QStringLiteral("jackcess_delTestV2000.mdb"),
        QStringLiteral("jackcess_testUnicodeCompV2003.mdb"), QStringLiteral("jackcess_adox_jet4.mdb"),
    };
    return names;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

inline QString mdbExport() { return QStandardPaths::findExecutable(QStringLiteral("mdb-export")); }

// How mdb-export prints a table of text columns: names, then every value quoted with quotes
// doubled; NULL and the empty text both print as nothing.
inline QByteArray mdbExportText(const QStringList &columns, const std::vector<std::vector<std::optional<QString>>> &rows)
{
    QByteArray out = columns.join(QLatin1Char(',')).toUtf8() + '\n';
    for (const auto &row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += ',';
            if (row[i] && !row[i]->isEmpty())
                out += '"' + row[i]->toUtf8().replace("\"", "\"\"") + '"';
        }
        out += '\n';
    }
    return out;
}

} // namespace jettests
