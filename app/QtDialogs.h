#pragma once
// The product's dialogs: Qt's file dialogs with the filter "EDID (*.bin)" and Qt's message boxes.

#include <QWidget>

#include "app/Dialogs.h"

namespace varnok {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent) : parent_(parent) {}
    void showError(const QString& text) override;
    void showInformation(const QString& text, std::optional<QPoint> at) override;
    bool askQuestion(const QString& text, const QString& yes, const QString& no) override;
    std::optional<QString> askFolder(const QString& title) override;
    UnsavedChoice askUnsaved(const QString& text) override;

protected:
    std::optional<QString> askOpen(const QString& current) override;
    std::optional<QString> askSave(const QString& proposedName) override;

private:
    QWidget* parent_;
};

}  // namespace varnok
