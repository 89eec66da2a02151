#include "CreatorPage.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "ControllerPage.h"
#include "ConversionError.h"
#include "CreatorCollector.h"
#include "CreatorPages.h"
#include "DeviceLink.h"
#include "Edid.h"
#include "EdidBuilder.h"
#include "EdidUpload.h"
#include "TForm1.h"

namespace varnok {
namespace {

const QString kCreatedFileName = QStringLiteral("Created_Edid.bin");
const QString kOpenFail = QStringLiteral("Edid Open Fail.\r\n");
const QString kOpenOk = QStringLiteral("Edid Open OK.\r\n");
const QString kWriteFail = QStringLiteral("Edid Write Fail.\r\n");

// Message box of a Save whose file could not be completed; the reason follows on its own line.
const QString kSaveFailedText = QStringLiteral("Save Edid Failed.");

}  // namespace

CreatorPage::CreatorPage(TForm1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("CreatorPage"));
    CreatorHooks hooks;
    // A load pressed inside another operation's pauses keeps off the line and opens no dialog
    // (which would hold that operation's pause open): it does nothing, like a cancelled choice.
    hooks.sendNotice = [this](uint16_t code) {
        if (!form_.operationRunning()) notice(code);
    };
    hooks.chooseEdidFile = [this]() -> std::optional<QString> {
        if (form_.operationRunning() || !form_.dialogs().executeOpen()) return std::nullopt;
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
    if (auto* save = form.findChild<QPushButton*>(QStringLiteral("Button_Save_Created")))
        connect(save, &QPushButton::clicked, this, &CreatorPage::Button_Save_CreatedClick);
    if (auto* upload = form.findChild<QPushButton*>(QStringLiteral("Button_Upload_Created")))
        connect(upload, &QPushButton::clicked, this, &CreatorPage::Button_Upload_CreatedClick);
}

void CreatorPage::notice(uint16_t apiCode) {
    form_.link().SendApiCommand(1, apiCode, 0);
}

void CreatorPage::run(const std::function<void()>& operation) {
    form_.runOperation(operation);
}

std::optional<QStringList> CreatorPage::build() {
    EdidInfo& info = form_.stores().creator;
    try {
        CollectCreatorFields(pages_->pageControl(), info);
    } catch (const ConversionError& e) {
        // The build stops here: the image is not written and the device hears nothing.
        form_.dialogs().showError(e.message());
        return std::nullopt;
    }
    return WriteCreatedImage(info);
}

void CreatorPage::Button_Save_CreatedClick() {
    run([this] {
        const std::optional<QStringList> skipped = build();
        if (!skipped) return;
        // A copy: the dialog lets the window run, and a load meanwhile would change the store.
        const EdidImage image = form_.stores().creator.image;
        notice(api_code::OperationStart);
        if (const auto path = form_.dialogs().executeSave(kCreatedFileName)) {
            // An existing file is replaced only once all 256 bytes are safely beside it. Either
            // failure is also told in a box, since the log is hidden by default.
            QString reason;
            if (!CanCreateEdidFile(*path, &reason)) {
                form_.logReplace(kOpenFail);
                form_.dialogs().showError(kSaveFailedText + QLatin1Char('\n') + reason);
            } else {
                form_.logReplace(kOpenOk);
                if (!SaveEdidFile(*path, image, &reason)) {
                    form_.logAppend(kWriteFail + QStringLiteral("  ") + reason +
                                    QStringLiteral("\r\n"));
                    form_.dialogs().showError(kSaveFailedText + QLatin1Char('\n') + reason);
                }
            }
        }
        for (const QString& line : *skipped) form_.logAppend(line);
        notice(api_code::OperationEnd);
    });
}

void CreatorPage::Button_Upload_CreatedClick() {
    run([this] {
        const std::optional<QStringList> skipped = build();
        if (!skipped) return;
        // Nothing of this upload reaches a connection other than the one it starts on.
        const BoundOperation bound(form_.link());
        for (const QString& line : *skipped) form_.logAppend(line);
        EdidInfo& info = form_.stores().creator;
        notice(api_code::OperationStart);
        if (ValidateEdidImage(info)) {
            // Status polling goes on around this upload. The image is copied, since the pauses
            // let the window run and a load meanwhile would change the store.
            const EdidImage image = info.image;
            // Progress counts the bytes handed to the port: after a pulled cable or a Disconnect
            // during the pauses it would read a value the device never got to.
            if (!UploadUserEdid(form_, image)) {
                TForm1::setLabelText(form_.findChild<QLabel*>(QStringLiteral("Label3")),
                                     kUploadFailedText, true);
            }
        } else if (auto* label3 = form_.findChild<QLabel*>(QStringLiteral("Label3"))) {
            // The reason in words; the label keeps its colour.
            label3->setText(ValidationMessage(info.status));
        }
        notice(api_code::OperationEnd);
    });
}

}  // namespace varnok
