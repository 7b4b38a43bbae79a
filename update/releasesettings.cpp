#include "releasesettings.h"

#include "update/download.h"

#include <QSettings>
#include <QStandardPaths>

#include <filesystem>

namespace korvane {
namespace {

QSettings userSettings() { return QSettings(QStringLiteral("Nortevia"), QStringLiteral("Korvane")); }

} // namespace

std::string downloadAddress()
{
    const QString address = userSettings().value(QStringLiteral("download/address")).toString().trimmed();
    return address.isEmpty() ? std::string(kDatasusDownloads) : address.toStdString();
}

bool newReleaseNotice() { return userSettings().value(QStringLiteral("download/newReleaseNotice"), true).toBool(); }

std::string releasesFolderFor(const std::string& databasePath)
{
    if (databasePath.find(':') != std::string::npos) {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        return (std::filesystem::path(data.toStdString()) / "korvane" / "releases").string();
    }
    const std::filesystem::path folder = std::filesystem::absolute(databasePath).parent_path();
    return (folder / "releases").string();
}

} // namespace korvane
