#include "edidio/EdidExportFiles.h"

#include <QDir>
#include <QFileInfo>

#include "edid/check/EdidLinuxExport.h"
#include "edid/check/EdidWindowsExport.h"
#include "edidio/EdidSave.h"

namespace varnok {

ExportResult ExportEdidFiles(const ExportRequest& request) {
    QList<QPair<QString, QByteArray>> files;
    ExportedFiles out;
    if (request.system == EdidExportSystem::Linux) {
        const LinuxEdidExport e =
            ExportEdidForLinux(request.edid, request.name, request.connectors);
        if (!e.fault.isEmpty()) return {ExportOutcome::NotExportable, e.fault, {}};
        files.append({e.fileName, e.file});
        out.instructions = e.instructions;
    } else {
        const WindowsEdidExport e =
            ExportEdidForWindows(request.edid, request.name, request.driverDate);
        if (!e.fault.isEmpty()) return {ExportOutcome::NotExportable, e.fault, {}};
        files.append({e.infFileName, e.inf});
        files.append({e.readmeFileName, e.readme});
    }
    const QFileInfo folder(request.folder);
    if (folder.exists() && !folder.isDir())
        return {ExportOutcome::FolderFailed,
                QStringLiteral("%1 is a file, not a folder").arg(request.folder),
                {}};
    if (!folder.exists() && !QDir().mkpath(request.folder))
        return {ExportOutcome::FolderFailed,
                QStringLiteral("the folder %1 can't be made").arg(request.folder),
                {}};
    for (const auto& [name, bytes] : files) {
        const QString path = QDir(request.folder).filePath(name);
        const SaveResult saved = SaveEdidFile(path, bytes);
        if (!saved.is(SaveOutcome::Saved))
            return {ExportOutcome::WriteFailed,
                    QStringLiteral("%1 cannot be written: %2").arg(path, saved.reason), out};
        out.files << path;
    }
    return {ExportOutcome::Exported, {}, out};
}

}  // namespace varnok
