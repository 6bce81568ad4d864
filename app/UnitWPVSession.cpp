#include "UnitWPVSession.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace {

bool gDisabled = false;
QString gSettingsFile;

} // namespace

void WPVDisableSettings()
{
    gDisabled = true;
}

bool WPVSettingsDisabled()
{
    if (gDisabled)
        return true;
    const QByteArray v = qgetenv(WPVNoSettingsVariable);
    return !v.isEmpty() && v != "0";
}

void WPVSetSettingsFile(const QString& aFileName)
{
    gSettingsFile = aFileName;
}

std::unique_ptr<QSettings> WPVOpenSettings()
{
    if (!gSettingsFile.isEmpty())
        return std::make_unique<QSettings>(gSettingsFile, QSettings::IniFormat);
    if (WPVSettingsDisabled())
        return nullptr;
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwell"),
                                       QStringLiteral("tarnwell-reader"));
}

QStringList WPVRecentAfterAdding(const QStringList& aRecent, const QString& aFileName)
{
    const QString name = QDir::cleanPath(QFileInfo(aFileName).absoluteFilePath());
    QStringList result{name};
    for (const QString& r : aRecent) {
        if (result.size() >= WPVRecentCount)
            break;
        if (!r.isEmpty() && QDir::cleanPath(QFileInfo(r).absoluteFilePath()) != name)
            result << r;
    }
    return result;
}

void WPVSaveTextFile(const QString& aFileName, const QString& aText)
{
    QSaveFile file(aFileName);
    auto fail = [&](const QString& aReason) {
        throw std::runtime_error(
            QStringLiteral("Cannot save the table to \"%1\": %2").arg(QDir::toNativeSeparators(aFileName), aReason).toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    const QByteArray bytes = aText.toUtf8();
    if (file.write(bytes) != bytes.size())
        fail(file.errorString());
    if (!file.commit())
        fail(file.errorString());
}
