#include "app/ControllerPage.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/OutcomeWords.h"
#include "app/TForm1.h"
#include "device/EdidDownload.h"
#include "device/EdidUpload.h"
#include "link/DeviceLink.h"

namespace varnok {
namespace {

template <typename W>
W* control(TForm1& form, const char* name) {
    return form.findChild<W*>(QString::fromLatin1(name));
}

QRadioButton* modeButton(TForm1& form, EdidMode mode) {
    switch (mode) {
        case EdidMode::Internal:
            return control<QRadioButton>(form, "RadioButton_Set_IntEdid");
        case EdidMode::External:
            return control<QRadioButton>(form, "RadioButton_Set_ExtEdid");
        case EdidMode::User:
            break;
    }
    return control<QRadioButton>(form, "RadioButton_Set_UserEdid");
}

}  // namespace

ControllerPage::ControllerPage(TForm1& form)
    : QObject(&form),
      form_(form),
      ctx_{form.link(), form.dialogs(), form.stores(), *this},
      label2_(control<QLabel>(form, "Label2")),
      path_(control<QLineEdit>(form, "Edit_Edid_Path")),
      modeInt_(modeButton(form, EdidMode::Internal)),
      modeExt_(modeButton(form, EdidMode::External)),
      modeUser_(modeButton(form, EdidMode::User)) {
    setObjectName(QStringLiteral("ControllerPage"));
    const std::pair<const char*, void (ControllerPage::*)()> buttons[] = {
        {"Button_Open_Edid", &ControllerPage::Button_Open_EdidClick},
        {"Button_Upload_Edid", &ControllerPage::Button_Upload_EdidClick},
        {"Button_DL_IntEdid", &ControllerPage::Button_DL_IntEdidClick},
        {"Button_DL_ExtEdid", &ControllerPage::Button_DL_ExtEdidClick},
        {"Button_DL_UserEdid", &ControllerPage::Button_DL_UserEdidClick},
        {"Button_DL_StoredEdid", &ControllerPage::Button_DL_StoredEdidClick},
    };
    for (const auto& [name, handler] : buttons)
        connect(control<QPushButton>(form, name), &QPushButton::clicked, this, handler);
    // The mode buttons act on the press itself, before the toolkit would check them on release.
    for (QRadioButton* b : {modeInt_, modeExt_, modeUser_}) b->installEventFilter(this);
}

void ControllerPage::run(const std::function<void()>& operation) {
    form_.runOperation(operation);
}

void ControllerPage::Button_Open_EdidClick() {
    run([this] {
        const bool chosen = OpenEdidFile(ctx_);
        form_.showOutcome(OpenForUploadWords(chosen, ctx_.dialogs.openFileName()));
    });
}

void ControllerPage::Button_Upload_EdidClick() {
    run([this] {
        const UploadOutcome outcome = UploadEdidFile(ctx_);
        form_.showOutcome(
            UploadFileWords(outcome, ctx_.dialogs.openFileName(), ctx_.stores.user.image));
    });
}

void ControllerPage::download(EdidSource source) {
    run([this, source] {
        const DownloadOutcome outcome = DownloadDeviceEdid(ctx_, source);
        form_.showOutcome(DownloadWords(source, outcome, ctx_.dialogs.saveFileName()));
    });
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
    run([this, mode] { SelectEdidMode(ctx_, mode); });
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
    auto* button = qobject_cast<QRadioButton*>(watched);
    if (!button || (button != modeInt_ && button != modeExt_ && button != modeUser_))
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
    if (press && button->isEnabled()) {
        if (button == modeInt_) RadioButton_Set_IntEdidMouseDown();
        if (button == modeExt_) RadioButton_Set_ExtEdidMouseDown();
        if (button == modeUser_) RadioButton_Set_UserEdidMouseDown();
    }
    return true;
}

void ControllerPage::logReplace(const QString& text) {
    form_.logReplace(text);
}
void ControllerPage::logAppend(const QString& text) {
    form_.logAppend(text);
}

void ControllerPage::setUploadLabel(const QString& text, bool red) {
    TForm1::setLabelText(label2_, text, red);
}

void ControllerPage::setEdidPath(const QString& path) {
    path_->setText(path);
}

void ControllerPage::checkModeButton(EdidMode mode) {
    CheckModeButton(form_, mode);
}

void CheckModeButton(TForm1& form, EdidMode mode) {
    // The three buttons are one exclusive group: checking one unchecks the other two.
    modeButton(form, mode)->setChecked(true);
}

bool UploadUserEdid(TForm1& form, const EdidImage& image) {
    return UploadUserEdid(form.link(), image, [&form] { CheckModeButton(form, EdidMode::User); });
}

}  // namespace varnok
