// The EDID window's tools for what goes to the device or an operating system: Fit to 256 Bytes,
// Fix Checksums, Export for Linux and for Windows, and the questions an upload asks first (the
// fit of a larger EDID, the errors of the check).

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QMenu>

#include "app/Dialogs.h"
#include "app/EdidWindow.h"
#include "app/TForm1.h"
#include "app/UploadCheck.h"
#include "app/VarnokApplication.h"
#include "edid/check/EdidFit.h"
#include "edid/check/EdidFix.h"
#include "edidio/EdidExportFiles.h"
#include "words/EdidCheckWords.h"

namespace varnok {

void EdidWindow::addToolActions(QMenu* menu) {
    menu->addSeparator();
    auto add = [&](const QString& text, const char* name, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this,
                [this, slot] { RunGuarded([this, slot] { slot(); }); });
        edidActions_ << a;
    };
    add(QStringLiteral("&Fit to 256 Bytes"), "Action_FitDevice", [this] { fitToDevice(); });
    add(QStringLiteral("Fi&x Checksums"), "Action_FixChecksums", [this] { fixChecksums(); });
    add(QStringLiteral("Export for &Linux..."), "Action_ExportLinux",
        [this] { exportOverride(EdidExportSystem::Linux); });
    add(QStringLiteral("Export for &Windows..."), "Action_ExportWindows",
        [this] { exportOverride(EdidExportSystem::Windows); });
}

void EdidWindow::takeChanged(const QByteArray& bytes, const QString& how,
                             const OutcomeText& words) {
    EdidSample changed = *sample_;
    changed.bytes = bytes;
    changed.origin = QStringLiteral("%1, %2").arg(sample_->origin, how);
    take({changed, words});
}

void EdidWindow::fitToDevice() {
    if (!sample_) return;
    const EdidFitResult fit = FitEdidToDevice(sample_->bytes);
    if (fit.fitted)
        takeChanged(fit.edid, QStringLiteral("fitted to %1 bytes").arg(fit.edid.size()),
                    FitWords(fit));
    else
        showStatus(FitWords(fit));
}

void EdidWindow::fixChecksums() {
    if (!sample_) return;
    const EdidFixResult fix = FixEdidChecksums(sample_->bytes);
    if (!fix.changes.isEmpty())
        takeChanged(fix.edid, QStringLiteral("checksums fixed"), FixWords(fix));
    else
        showStatus(FixWords(fix));
}

void EdidWindow::exportOverride(EdidExportSystem system) {
    if (!sample_) return;
    const bool forLinux = system == EdidExportSystem::Linux;
    const auto folder = form_.dialogs().askFolder(forLinux ? QStringLiteral("Export for Linux")
                                                           : QStringLiteral("Export for Windows"));
    if (!folder) {
        showStatus({QStringLiteral("Export cancelled"), false, QStringLiteral("export.cancelled")});
        return;
    }
    ExportRequest request;
    request.system = system;
    request.edid = sample_->bytes;
    request.folder = *folder;
    if (forLinux)
        for (const DisplayEdid& d : ListDisplayEdids()) request.connectors << d.connector;
    request.driverDate = QDate::currentDate();
    const ExportResult result = ExportEdidFiles(request);
    showStatus(ExportWords(result, *folder));
    if (!result.is(ExportOutcome::Exported) || result.data.instructions.isEmpty()) return;
    // What to do with the file, shown and ready to paste into a terminal or a note.
    QApplication::clipboard()->setText(result.data.instructions);
    form_.dialogs().showInformation(result.data.instructions +
                                    QStringLiteral("\n(These steps are on the clipboard.)"));
}

bool EdidWindow::confirmFit(const QString& then, const QString& yes) {
    if (sample_->size() <= kDeviceEdidBytes) return true;
    const EdidFitResult fit = FitEdidToDevice(sample_->bytes);
    if (!form_.dialogs().askQuestion(FitQuestion(fit, sample_->size(), then), yes,
                                     QStringLiteral("Cancel")))
        return false;
    fitToDevice();
    return true;
}

bool EdidWindow::confirmUpload(UploadOptions& options) {
    if (!confirmFit(QStringLiteral("upload the fitted EDID"), QStringLiteral("Fit and Upload"))) {
        showStatus(UploadCheckCancelledWords());
        return false;
    }
    if (!ConfirmUploadCheck(form_.dialogs(), sample_->bytes)) {
        showStatus(UploadCheckCancelledWords());
        return false;
    }
    // Seen and chosen: the bytes go as they are, also where validation would refuse them.
    options.skipValidation = true;
    return true;
}

}  // namespace varnok
