#include "CreatorPage.h"

#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>

#include "CreatorPages.h"
#include "DeviceLink.h"
#include "TForm1.h"

namespace varnok {

CreatorPage::CreatorPage(TForm1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("CreatorPage"));
    CreatorHooks hooks;
    hooks.sendNotice = [this](uint16_t code) { form_.link().SendApiCommand(1, code, 0); };
    hooks.chooseEdidFile = [this]() -> std::optional<QString> {
        if (!form_.dialogs().executeOpen()) return std::nullopt;
        return form_.dialogs().openFileName();
    };
    hooks.replaceLog = [this](const QString& text) { form_.logReplace(text); };
    hooks.showError = [this](const QString& text) { form_.dialogs().showError(text); };
    pages_ = new CreatorPages(form.findChild<QTabWidget*>(QStringLiteral("PageControl2")),
                              form.findChild<QLabel*>(QStringLiteral("Label_EdidCreator_Warning")),
                              form.stores().creator, hooks, this);
    pages_->attachLoadButtons(
        form.findChild<QRadioButton*>(QStringLiteral("RadioButton_Brand_New")),
        form.findChild<QRadioButton*>(QStringLiteral("RadioButton_Bin_Modifiy")));
}

}  // namespace varnok
