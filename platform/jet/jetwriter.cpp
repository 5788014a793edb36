#include "jetwriter.h"
#include "jetdatabase.h"

namespace platform::jet {

struct JetWriter::State {};

JetWriter::JetWriter(const QString &, const QString &) { throw JetError(QStringLiteral("Writing is not ready yet.")); }
JetWriter::~JetWriter() = default;
void JetWriter::beginTable(const QString &, const QStringList &) {}
void JetWriter::addRow(const std::vector<std::optional<QString>> &) {}
void JetWriter::finish() {}

} // namespace platform::jet
