#include "app/CreatorPage.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/ControllerPage.h"
#include "app/OutcomeWords.h"
#include "app/TForm1.h"
#include "creator/builder/EdidBuilder.h"
#include "creator/pages/ConversionError.h"
#include "creator/pages/CreatorCollector.h"
#include "creator/pages/CreatorPages.h"
#include "device/EdidUpload.h"
#include "edid/Edid.h"
#include "edidio/EdidSave.h"
#include "link/DeviceLink.h"

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
    hooks.loaded = [this](const CreatorLoad& load) {
        switch (load.kind) {
            case CreatorLoad::Default:
                form_.showOutcome(CreatorDefaultWords());
                return;
            case CreatorLoad::File:
                form_.showOutcome(
                    CreatorFileWords(FileStep::Read, load.path, form_.stores().creator.image));
                return;
            case CreatorLoad::FileFailed:
                form_.showOutcome(CreatorFileWords(FileStep::OpenFailed, load.path, {}));
                return;
            case CreatorLoad::Cancelled:
                break;
        }
        form_.showOutcome(CreatorFileWords(FileStep::Cancelled, load.path, {}));
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
    // The loads and Save work without a device; the device hears their notices only when one
    // is connected (never a device in its ISP mode).
    if (form_.link().connectionState() == ConnectionState::Connected)
        form_.link().SendApiCommand(1, apiCode, 0);
}

void CreatorPage::LoadEdidBytes(const EdidImage& bytes) {
    pages_->LoadEdidBytes(bytes);
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
        buildError_ = e.message();
        form_.dialogs().showError(e.message());
        return std::nullopt;
    }
    QStringList skipped = WriteCreatedImage(info);
    lastBuilt_ = info.image;
    return skipped;
}

void CreatorPage::Button_Save_CreatedClick() {
    run([this] {
        const std::optional<QStringList> skipped = build();
        if (!skipped) {
            form_.showOutcome(CreatorSaveWords(SaveStep::NotBuilt, {}, buildError_));
            return;
        }
        // A copy: the dialog lets the window run, and a load meanwhile would change the store.
        const EdidImage image = form_.stores().creator.image;
        notice(api_code::OperationStart);
        SaveStep step = SaveStep::Cancelled;
        QString reason;
        const auto path = form_.dialogs().executeSave(kCreatedFileName);
        if (path) {
            // An existing file is replaced only once all 256 bytes are safely beside it.
            if (const SaveResult target = CheckEdidTarget(*path); !target.is(SaveOutcome::Saved)) {
                step = SaveStep::OpenFailed;
                reason = target.reason;
                form_.logReplace(kOpenFail);
            } else {
                form_.logReplace(kOpenOk);
                step = SaveStep::Saved;
                if (const SaveResult saved = SaveEdidFile(*path, image);
                    !saved.is(SaveOutcome::Saved)) {
                    reason = saved.reason;
                    step = SaveStep::WriteFailed;
                    form_.logAppend(kWriteFail + QStringLiteral("  ") + reason +
                                    QStringLiteral("\r\n"));
                }
            }
            // Either failure is also told in a box, since the log is hidden by default.
            if (step != SaveStep::Saved)
                form_.dialogs().showError(kSaveFailedText + QLatin1Char('\n') + reason);
        }
        for (const QString& line : *skipped) form_.logAppend(line);
        notice(api_code::OperationEnd);
        form_.showOutcome(CreatorSaveWords(step, path.value_or(QString()), reason));
    });
}

void CreatorPage::Button_Upload_CreatedClick() {
    run([this] {
        const std::optional<QStringList> skipped = build();
        if (!skipped) {
            form_.showOutcome(CreatorUploadWords(CreatorUploadStep::NotBuilt, {}, buildError_));
            return;
        }
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
            CreatorUploadStep step = CreatorUploadStep::Uploaded;
            if (!UploadUserEdid(form_, image)) {
                TForm1::setLabelText(form_.findChild<QLabel*>(QStringLiteral("Label3")),
                                     kUploadFailedText, true);
                step = CreatorUploadStep::LinkLost;
            }
            form_.showOutcome(CreatorUploadWords(step, image));
        } else if (auto* label3 = form_.findChild<QLabel*>(QStringLiteral("Label3"))) {
            // The reason in words; the label keeps its colour.
            label3->setText(ValidationMessage(info.status));
            form_.showOutcome(CreatorUploadWords(CreatorUploadStep::Invalid, info.image));
        }
        notice(api_code::OperationEnd);
    });
}

}  // namespace varnok
