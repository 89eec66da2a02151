#include "app/DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace varnok {
namespace {
const QString kKey = QStringLiteral("dialogs/lastFolder");
}

QString DialogFolder::startPath(const QString& proposed) const {
    const QString folder = settings_.value(kKey).toString();
    if (folder.isEmpty() || !QDir(folder).exists()) return proposed;
    if (proposed.isEmpty()) return folder;
    if (QFileInfo(proposed).isAbsolute() || proposed.contains(QLatin1Char('/'))) return proposed;
    return QDir(folder).filePath(proposed);
}

void DialogFolder::remember(const QString& chosenPath) {
    settings_.setValue(kKey, QFileInfo(chosenPath).absolutePath());
}

void DialogFolder::rememberFolder(const QString& folder) {
    settings_.setValue(kKey, QFileInfo(folder).absoluteFilePath());
}

}  // namespace varnok
