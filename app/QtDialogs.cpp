#include "app/QtDialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/DialogFolder.h"

namespace varnok {
namespace {
const QString kFilter = QStringLiteral("EDID (*.bin)");
}

void QtDialogs::showError(const QString& text) {
    // A message may quote a file name or a system's reason: text, never markup.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnok"), text, QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void QtDialogs::showInformation(const QString& text, std::optional<QPoint> at) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("Varnok"), text, QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    if (at) {
        box.adjustSize();
        box.move(*at);
    }
    box.exec();
}

bool QtDialogs::askQuestion(const QString& text, const QString& yes, const QString& no,
                            DefaultAnswer defaultAnswer) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Varnok"), text, QMessageBox::NoButton,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    QPushButton* accept = box.addButton(yes, QMessageBox::AcceptRole);
    QPushButton* reject = box.addButton(no, QMessageBox::RejectRole);
    box.setDefaultButton(defaultAnswer == DefaultAnswer::Yes ? accept : reject);
    box.exec();
    return box.clickedButton() == accept;
}

std::optional<QString> QtDialogs::askFolder(const QString& title) {
    DialogFolder remembered(settings_);
    const QString folder =
        QFileDialog::getExistingDirectory(parent_, title, remembered.startPath(QString()));
    if (folder.isEmpty()) return std::nullopt;
    remembered.rememberFolder(folder);
    return folder;
}

Dialogs::UnsavedChoice QtDialogs::askUnsaved(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Varnok"), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return UnsavedChoice::Save;
        case QMessageBox::Discard:
            return UnsavedChoice::Discard;
        default:
            return UnsavedChoice::Cancel;
    }
}

std::optional<QString> QtDialogs::askOpen(const QString& current) {
    // A typed name of a file that doesn't exist is accepted; the later open then fails.
    DialogFolder folder(settings_);
    QFileDialog dlg(parent_, QString(), folder.startPath(current), kFilter);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    folder.remember(dlg.selectedFiles().first());
    return dlg.selectedFiles().first();
}

std::optional<QString> QtDialogs::askSave(const QString& proposedName) {
    // No default extension and no confirmation before overwriting: the name is used as typed.
    DialogFolder folder(settings_);
    const QString start = folder.startPath(proposedName);
    QFileDialog dlg(parent_, QString(), start, kFilter);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.selectFile(start);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    folder.remember(dlg.selectedFiles().first());
    return dlg.selectedFiles().first();
}

}  // namespace varnok
