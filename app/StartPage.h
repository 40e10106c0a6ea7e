#pragma once
// The web browser's start page, offered on exit. On Windows it is the registry
// value "Start Page" under HKEY_CURRENT_USER\Software\Microsoft\Internet
// Explorer\Main; elsewhere a settings file in the user's configuration
// directory mirrors that key (~/.config/vandrel/InternetExplorer.ini, group
// [Main]). Both are opened and closed within each call; nothing is cached.

#include <QString>

// The portal page offered as the browser's start page.
inline constexpr const char *OfferedStartPage = "http://www.2345.com/?400";

// Whether the exit confirmation offers OfferedStartPage: unless the start page
// already is it (as GBK, with blanks at either end ignored). Throws as
// GetStartPage does.
bool OffersStartPage();

// The start page; empty when none is set or the store cannot be read. A
// missing key or value is no error.
// Throws std::runtime_error when the value exists but is not a string.
QString GetStartPage();

// Replaces the start page with url, creating the key and value as needed.
// Throws std::runtime_error when the value cannot be written; the store's
// other contents are never lost (a store that cannot be read back whole is
// left untouched).
void SetStartPage(const QString &url);

// Tests point the store at a file of their own; an empty path restores the
// user's store. Returns the previous override.
QString SetStartPageStoreFile(const QString &path);
