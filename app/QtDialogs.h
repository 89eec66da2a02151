#pragma once
// The product's dialogs: Qt's file dialogs with the filter "EDID (*.bin)", starting in the folder
// last chosen in (DialogFolder), and Qt's message boxes.

#include <QSettings>
#include <QWidget>

#include "app/Dialogs.h"

namespace varnok {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent)
        : parent_(parent),
          settings_(QSettings::UserScope, QStringLiteral("Varnok"), QStringLiteral("varnok")) {}
    void showError(const QString& text) override;
    void showInformation(const QString& text, std::optional<QPoint> at) override;
    bool askQuestion(const QString& text, const QString& yes, const QString& no,
                     DefaultAnswer defaultAnswer) override;
    std::optional<QString> askFolder(const QString& title) override;
    UnsavedChoice askUnsaved(const QString& text) override;

protected:
    std::optional<QString> askOpen(const QString& current) override;
    std::optional<QString> askSave(const QString& proposedName) override;

private:
    QWidget* parent_;
    QSettings settings_;
};

}  // namespace varnok
