#pragma once
// Export of an EDID as an operating system's override: the files of EdidLinuxExport.h or
// EdidWindowsExport.h written into a folder through the checked writer. The folder is made
// (with its parents) when it is not there, as `mkdir -p` would; one that cannot be made or
// written is a failure with the system's reason. The EDID window's Save menu and varnok-cli's
// export call this one operation.

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include "base/Result.h"

namespace varnok {

enum class EdidExportSystem { Linux, Windows };

enum class ExportOutcome {
    Exported,
    NotExportable,  // the EDID can't be exported (its size, no manufacturer ID): reason says why
    FolderFailed,   // the folder is no folder or can't be made: reason says why
    WriteFailed,    // a file can't be written: reason names it and says why
};

struct ExportedFiles {
    QStringList files;     // the paths written, in order
    QString instructions;  // Linux: what to do with the file, as plain text; Windows: empty
};
using ExportResult = Result<ExportOutcome, ExportedFiles>;

struct ExportRequest {
    EdidExportSystem system = EdidExportSystem::Linux;
    QByteArray edid;
    QString folder;
    QString name;            // NAME; empty: from the EDID (EdidOverrideName)
    QStringList connectors;  // Linux: this computer's connectors, for the kernel parameter
    QDate driverDate;        // Windows: the .inf's DriverVer date
};

ExportResult ExportEdidFiles(const ExportRequest& request);

}  // namespace varnok
