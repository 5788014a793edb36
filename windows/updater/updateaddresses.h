#pragma once
#include <QUrl>

// The files on the maker's update host. Each address can be replaced through an environment
// variable, for tests and for private mirrors.
inline constexpr char kDatabaseUrlVariable[] = "DRIVERSEARCHER_DATABASE_URL";
inline constexpr char kServerAddressUrlVariable[] = "DRIVERSEARCHER_SERVERIP_URL";

QUrl databaseDownloadUrl();
QUrl serverAddressUrl();
