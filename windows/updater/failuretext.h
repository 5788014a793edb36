#pragma once
#include <QString>

// Joins a failure message from pieces: "<lead>: <reason>. <outcome>", whatever punctuation the
// reason (often a network library's text) brings along.
inline QString failureText(const QString &lead, QString reason, const QString &outcome)
{
    reason = reason.trimmed();
    if (!reason.endsWith(QLatin1Char('.')))
        reason += QLatin1Char('.');
    return lead + QStringLiteral(": ") + reason + QLatin1Char(' ') + outcome;
}
