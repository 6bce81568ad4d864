#pragma once
// What the window keeps between runs, and where: QSettings in the platform's usual place
// (organisation "Tarnwell", application "tarnwell-reader"). Settings are off, and every run
// starts with the window's defaults, when the program was started with --no-settings or the
// environment has TARNWELL_NO_SETTINGS set to anything but "0" (the tests always do that).
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>

// The environment variable that turns the settings off.
inline constexpr const char* WPVNoSettingsVariable = "TARNWELL_NO_SETTINGS";
// The number of files the recent list keeps.
inline constexpr int WPVRecentCount = 10;

// Turns the settings off for this process (--no-settings).
void WPVDisableSettings();
// True when the settings are off (WPVDisableSettings, or the environment variable).
bool WPVSettingsDisabled();
// Makes WPVOpenSettings use this ini file whether settings are off or not (tests of the session
// itself); an empty name returns to the rules above.
void WPVSetSettingsFile(const QString& aFileName);
// The settings to read and write, or null when they are off.
std::unique_ptr<QSettings> WPVOpenSettings();

// The recent list after aFileName was added: it first, no duplicates (same absolute path), at
// most WPVRecentCount entries.
QStringList WPVRecentAfterAdding(const QStringList& aRecent, const QString& aFileName);

// Writes aText as UTF-8 to aFileName through a temporary file that takes the name only once
// everything is written: a failure leaves an existing file as it was. Throws std::runtime_error
// naming the file and the reason.
void WPVSaveTextFile(const QString& aFileName, const QString& aText);
