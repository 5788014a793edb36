#pragma once
#include <QString>

#include <optional>

// The driver lookup behind the main window's "Scan For Updated Drivers" button: the Link of the
// first row of the driver table whose Hardware, OS and Architecture equal the three keys, compared
// as the Jet engine does by default (ignoring letter case). The keys are used exactly as given.
// The database file is opened for this one call and closed before it returns.
//
// Jet's comparison is followed: letter case is ignored (Unicode case folding, so "Ä" equals "ä";
// accents and blanks count), and NULL equals nothing, not even the empty text.
//
// std::nullopt when no row matches. A matching row whose Link is NULL or empty gives the empty
// text, never a failure.
// Raises app::Failure, with a text the user can act on, when the database cannot be used.
std::optional<QString> findDriverLink(const QString &databasePath, const QString &hardware, const QString &os,
                                      const QString &architecture);
