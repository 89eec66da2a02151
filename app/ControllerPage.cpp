#include "app/ControllerPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/TForm1.h"
#include "app/UploadCheck.h"
#include "app/WidgetText.h"
#include "device/EdidDownload.h"
#include "device/EdidUpload.h"
#include "device/OperationGuard.h"
#include "edid/EdidValidity.h"
#include "edidio/FileRead.h"
#include "link/DeviceLink.h"
#include "words/EdidCheckWords.h"
#include "words/OutcomeWords.h"
#include "words/WindowWords.h"

namespace varnok {

ControllerPage::ControllerPage(TForm1& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("ControllerPage"));
    const FormControls& c = form.controls();
    const std::pair<QPushButton*, void (ControllerPage::*)()> buttons[] = {
        {c.openEdid, &ControllerPage::Button_Open_EdidClick},
        {c.uploadEdid, &ControllerPage::Button_Upload_EdidClick},
        {c.downloadInternal, &ControllerPage::Button_DL_IntEdidClick},
        {c.downloadExternal, &ControllerPage::Button_DL_ExtEdidClick},
        {c.downloadUser, &ControllerPage::Button_DL_UserEdidClick},
        {c.downloadStored, &ControllerPage::Button_DL_StoredEdidClick},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { form_.runOperation([this, handler] { (this->*handler)(); }); });
    }
    // The mode buttons act on the press itself, before the toolkit would check them on release.
    // The filter keeps its own pointers: it also sees the buttons' last events while the window
    // is being destroyed, when the window is no longer a TForm1 to ask.
    modeButtons_ = {c.modeInternal, c.modeExternal, c.modeUser};
    for (QRadioButton* b : {c.modeInternal, c.modeExternal, c.modeUser})
        b->installEventFilter(this);
}

QRadioButton* ControllerPage::modeButton(EdidMode mode) const {
    switch (mode) {
        case EdidMode::Internal:
            return form_.controls().modeInternal;
        case EdidMode::External:
            return form_.controls().modeExternal;
        case EdidMode::User:
            break;
    }
    return form_.controls().modeUser;
}

void ControllerPage::checkModeButton(EdidMode mode) {
    // The three buttons are one exclusive group: checking one unchecks the other two.
    modeButton(mode)->setChecked(true);
}

void ControllerPage::Button_Open_EdidClick() {
    Dialogs& dialogs = form_.dialogs();
    bool chosen = false;
    {
        // No byte is taken from the port while the dialog is open.
        const OperationGuard guard(
            form_.link(), OperationGuard::HoldReceiveTick | OperationGuard::AnnounceAlways);
        chosen = dialogs.executeOpen();
        if (chosen) form_.controls().edidPath->setText(dialogs.openFileName());
    }
    form_.showOutcome(OpenForUploadWords(chosen, dialogs.openFileName()));
}

void ControllerPage::Button_Upload_EdidClick() {
    // The file last chosen in the shared open dialog on any page, not the edit's text.
    const QString path = form_.dialogs().openFileName();
    QLabel* label2 = form_.controls().label2;
    // An error that validation lets through asks first; what validation refuses is refused below
    // with the page's own texts.
    if (const Result<ReadOutcome, EdidImage> read = ReadEdidFile(path);
        read.is(ReadOutcome::Read) && !ConfirmDeviceImageUpload(form_.dialogs(), read.data)) {
        form_.showOutcome(UploadCheckCancelledWords());
        return;
    }
    UploadResult result;
    {
        // Label2 tells a failure before the end notice goes out.
        const OperationGuard guard(form_.link());
        UploadOptions options;
        options.showUserMode = [this] { checkModeButton(EdidMode::User); };
        result = UploadEdidFile(form_.link(), form_, path, options);
        // The User image keeps the bytes just read, valid or not.
        if (!result.is(UploadOutcome::OpenFailed)) form_.stores().user.image = result.data.image;
        if (result.is(UploadOutcome::Invalid))
            SetLabelText(label2, ValidationMessage(DescribeEdidValidity(result.data.image).reason),
                         true);
        else if (result.is(UploadOutcome::OpenFailed) || result.is(UploadOutcome::LinkLost))
            // After a lost link the progress shown counted bytes that never left.
            SetLabelText(label2, QString::fromLatin1(kUploadFailedText), true);
    }
    // Nothing chosen yet: the notices went as ever, and the words say what to do.
    form_.showOutcome(path.isEmpty() ? ChooseFileFirstWords() : UploadWords(result, path));
}

void ControllerPage::download(EdidSource source) {
    DeviceLink& link = form_.link();
    DownloadResult result{DownloadOutcome::Cancelled, {}, std::nullopt};
    QString path;
    {
        // The device hears the start before the save dialog opens, and the end also when it is
        // cancelled.
        const OperationGuard guard(link);
        const auto chosen = form_.dialogs().executeSave(
            QString::fromLatin1(DownloadSourceFor(source).defaultFileName));
        if (chosen) {
            path = *chosen;
            result = DownloadDeviceEdid(link, form_, source, path);
            // Only a whole, acknowledged read reaches the store; its status and decoded fields
            // stay.
            if (result.data) form_.stores().forSource(source).image = *result.data;
        }
    }
    // A window that is closing shows no box. A file that could not be created or completed is
    // told with the system's reason.
    const DownloadOutcome outcome = result.outcome;
    if (!link.shuttingDown() && outcome != DownloadOutcome::Saved &&
        outcome != DownloadOutcome::Cancelled) {
        QString text = QString::fromLatin1(kDownloadFailedText);
        if (outcome == DownloadOutcome::OpenFailed || outcome == DownloadOutcome::WriteFailed)
            text += QLatin1Char('\n') + result.reason;
        form_.dialogs().showError(text);
    }
    form_.showOutcome(DownloadWords(source, result, path));
}

void ControllerPage::Button_DL_IntEdidClick() {
    download(EdidSource::Internal);
}
void ControllerPage::Button_DL_ExtEdidClick() {
    download(EdidSource::External);
}
void ControllerPage::Button_DL_UserEdidClick() {
    download(EdidSource::User);
}
void ControllerPage::Button_DL_StoredEdidClick() {
    download(EdidSource::Stored);
}

void ControllerPage::modeDown(EdidMode mode) {
    form_.runOperation([this, mode] {
        SelectEdidMode(form_.link(), mode, [this, mode] { checkModeButton(mode); });
    });
}

void ControllerPage::RadioButton_Set_IntEdidMouseDown() {
    modeDown(EdidMode::Internal);
}
void ControllerPage::RadioButton_Set_ExtEdidMouseDown() {
    modeDown(EdidMode::External);
}
void ControllerPage::RadioButton_Set_UserEdidMouseDown() {
    modeDown(EdidMode::User);
}

bool ControllerPage::eventFilter(QObject* watched, QEvent* event) {
    const auto& b = modeButtons_;
    if (watched != b[0] && watched != b[1] && watched != b[2])
        return QObject::eventFilter(watched, event);
    bool press = false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            press = true;
            break;
        case QEvent::MouseButtonRelease:
            // The button's own click would check it without telling the device.
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
            press = event->type() == QEvent::KeyPress &&
                    !static_cast<QKeyEvent*>(event)->isAutoRepeat();
            if (!press) return true;
            break;
        }
        default:
            return false;
    }
    if (press && static_cast<QRadioButton*>(watched)->isEnabled()) {
        if (watched == b[0]) RadioButton_Set_IntEdidMouseDown();
        if (watched == b[1]) RadioButton_Set_ExtEdidMouseDown();
        if (watched == b[2]) RadioButton_Set_UserEdidMouseDown();
    }
    return true;
}

}  // namespace varnok
