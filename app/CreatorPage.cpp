#include "app/CreatorPage.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/ControllerPage.h"
#include "app/TForm1.h"
#include "app/UploadCheck.h"
#include "app/WidgetText.h"
#include "creator/builder/EdidBuilder.h"
#include "creator/pages/ConversionError.h"
#include "creator/pages/CreatorCollector.h"
#include "creator/pages/CreatorPages.h"
#include "device/EdidFileSteps.h"
#include "device/EdidUpload.h"
#include "device/OperationGuard.h"
#include "edid/EdidValidity.h"
#include "edid/model/EdidLosses.h"
#include "link/DeviceLink.h"
#include "words/EdidCheckWords.h"
#include "words/OutcomeWords.h"
#include "words/WindowWords.h"

namespace varnok {
namespace {

const QString kCreatedFileName = QStringLiteral("Created_Edid.bin");

// Message box of a Save whose file could not be created or completed; the reason follows on its
// own line.
const QString kSaveFailedText = QStringLiteral("Save Edid Failed.");

// The caption of the edit named `edit` under root, as its buddy label shows it without the
// mnemonic and the colon ("Product Code"); empty when it has none.
QString FieldCaption(const QWidget* root, const QString& edit) {
    const QWidget* field = edit.isEmpty() ? nullptr : root->findChild<QWidget*>(edit);
    if (!field) return {};
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->buddy() != field) continue;
        QString caption = label->text().remove(QLatin1Char('&')).trimmed();
        if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
        return caption.trimmed();
    }
    return {};
}

}  // namespace

CreatorPage::CreatorPage(TForm1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("CreatorPage"));
    CreatorHooks hooks;
    // A load pressed inside another operation's pauses keeps off the line and opens no dialog
    // (which would hold that operation's pause open): it does nothing, like a cancelled choice.
    // The loads work without a device; the device hears their notices only when one is
    // connected (OperationGuard).
    hooks.beginFileOperation = [this]() -> std::shared_ptr<void> {
        if (form_.operationRunning()) return nullptr;
        return std::make_shared<OperationGuard>(form_.link());
    };
    hooks.loaded = [this](const CreatorLoad& load) {
        switch (load.kind) {
            case CreatorLoad::Default:
                loaded_.reset();
                form_.showOutcome(CreatorDefaultWords());
                return;
            case CreatorLoad::File:
                loaded_ = form_.stores().creator.image;
                form_.showOutcome(
                    CreatorFileWords(FileStep::Read, load.path, form_.stores().creator.image));
                return;
            case CreatorLoad::FileFailed:
                form_.showOutcome(CreatorFileWords(FileStep::OpenFailed, load.path, {}));
                return;
            case CreatorLoad::Cancelled:
                break;
        }
        // Inside another operation's pauses no dialog opened: the click was refused.
        form_.showOutcome(form_.operationRunning()
                              ? BusyWords()
                              : CreatorFileWords(FileStep::Cancelled, load.path, {}));
    };
    hooks.chooseEdidFile = [this]() -> std::optional<QString> {
        if (form_.operationRunning() || !form_.dialogs().executeOpen()) return std::nullopt;
        return form_.dialogs().openFileName();
    };
    hooks.replaceLog = [this](const QString& text) { form_.logReplace(text); };
    hooks.showError = [this](const QString& text) { form_.dialogs().showError(text); };
    const FormControls& c = form.controls();
    pages_ = new CreatorPages(c.creatorPages, c.creatorWarning, form.stores().creator, hooks, this);
    pages_->attachLoadButtons(c.brandNew, c.binModify);
    connect(c.saveCreated, &QPushButton::clicked, this, &CreatorPage::Button_Save_CreatedClick);
    connect(c.uploadCreated, &QPushButton::clicked, this, &CreatorPage::Button_Upload_CreatedClick);
}

void CreatorPage::LoadEdidBytes(const EdidImage& bytes) {
    pages_->LoadEdidBytes(bytes);
    loaded_ = bytes;
}

bool CreatorPage::goOnDespiteLosses(bool upload) {
    if (!loaded_) return true;
    // The rebuild stays as it is; the user learns what it costs before anything is written.
    const QStringList losses =
        EdidLosses(EdidImageBytes(*loaded_), EdidImageBytes(form_.stores().creator.image));
    if (losses.isEmpty()) return true;
    // Cancel is the default: going on writes or sends an EDID without what is listed.
    return form_.dialogs().askQuestion(CreatorLossQuestion(losses, upload), CreatorLossGoOn(upload),
                                       QStringLiteral("Cancel"), Dialogs::DefaultAnswer::No);
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
        // The box says what its message has always said; the status bar names the field too.
        buildError_ = e.message();
        if (const QString caption = FieldCaption(pages_->pageControl(), e.field());
            !caption.isEmpty())
            buildError_ = caption + QStringLiteral(": ") + buildError_;
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
            form_.showOutcome(CreatorNotBuiltWords(buildError_, false));
            return;
        }
        if (!goOnDespiteLosses(false)) {
            form_.showOutcome(CreatorLossCancelledWords(false));
            return;
        }
        // A copy: the dialog lets the window run, and a load meanwhile would change the store.
        const EdidImage image = form_.stores().creator.image;
        std::optional<QString> path;
        SaveResult saved;
        {
            const OperationGuard guard(form_.link());
            path = form_.dialogs().executeSave(kCreatedFileName);
            if (path) {
                // The checked save: an existing file is replaced only once all 256 bytes are
                // safely beside it.
                saved = PrepareEdidSave(*path, form_);
                if (saved.is(SaveOutcome::Saved)) saved = FinishEdidSave(*path, image, form_);
                // Either failure is also told in a box, since the log is hidden by default.
                if (!saved.is(SaveOutcome::Saved))
                    form_.dialogs().showError(kSaveFailedText + QLatin1Char('\n') + saved.reason);
            }
            for (const QString& line : *skipped) form_.logAppend(line);
        }
        form_.showOutcome(
            path ? EdidSaveWords(saved, *path, QStringLiteral("Created EDID"), kEdidSize)
                 : SaveCancelledWords(true));
    });
}

void CreatorPage::Button_Upload_CreatedClick() {
    run([this] {
        const std::optional<QStringList> skipped = build();
        if (!skipped) {
            form_.showOutcome(CreatorNotBuiltWords(buildError_, true));
            return;
        }
        if (!goOnDespiteLosses(true)) {
            form_.showOutcome(CreatorLossCancelledWords(true));
            return;
        }
        // Nothing of this upload reaches a connection other than the one it starts on.
        const BoundOperation bound(form_.link());
        for (const QString& line : *skipped) form_.logAppend(line);
        // The image is copied, since the pauses let the window run and a load meanwhile would
        // change the store.
        const EdidImage image = form_.stores().creator.image;
        if (!ConfirmDeviceImageUpload(form_.dialogs(), image)) {
            form_.showOutcome(UploadCheckCancelledWords());
            return;
        }
        QLabel* label3 = form_.controls().label3;
        const OperationGuard guard(form_.link());
        // Status polling goes on around this upload.
        UploadOptions options;
        options.holdPolling = false;
        options.showUserMode = [this] { form_.controllerPage().checkModeButton(EdidMode::User); };
        const UploadResult result = UploadEdidImage(form_.link(), form_, image, options);
        if (result.is(UploadOutcome::Invalid)) {
            // The reason in words; the label keeps its colour.
            label3->setText(ValidationMessage(DescribeEdidValidity(image).reason));
        } else if (result.is(UploadOutcome::LinkLost)) {
            // Progress counts the bytes handed to the port: after a pulled cable or a Disconnect
            // during the pauses it would read a value the device never got to.
            SetLabelText(label3, QString::fromLatin1(kUploadFailedText), true);
        }
        form_.showOutcome(UploadWords(result, QStringLiteral("the creator")));
    });
}

}  // namespace varnok
