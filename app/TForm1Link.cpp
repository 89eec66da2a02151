// The window's side of the connection: Search, Disconnect and what the device's answers show.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/LedShape.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "app/WidgetText.h"
#include "device/DeviceSearch.h"
#include "link/DeviceLink.h"
#include "words/OutcomeWords.h"
#include "words/WindowWords.h"

namespace varnok {

void TForm1::connectLink() {
    search_ = new DeviceSearch(*link_, *ports_, *this, this);
    search_->setObjectName(QStringLiteral("DeviceSearch"));
    // The search is an operation of its own: a press inside another operation's pauses is
    // ignored, and no other operation (the Open of the Upload box with its notices) can start
    // inside the search's probe pauses.
    connect(controls_.search, &QPushButton::clicked, this,
            [this] { runOperation([this] { BitBtn_SearchClick(); }); });
    connect(controls_.disconnect, &QPushButton::clicked, this,
            [this] { RunGuarded([this] { BitBtn_DisconnectClick(); }); });
    const DeviceAnswers& answers = search_->answers();
    connect(&answers, &DeviceAnswers::modelNameReceived, this, &TForm1::showModelName);
    connect(&answers, &DeviceAnswers::firmwareVersionReceived, this, [this](const QString& v) {
        controls_.firmwareVersion->setText(QStringLiteral("Current Version : v") + v);
    });
    connect(&answers, &DeviceAnswers::edidModeReceived, this, &TForm1::showEdidMode);
    // A search says which port it probes, and is not offered again until it has ended; a search
    // that found nothing offers it again.
    connect(search_, &DeviceSearch::probing, this, [this](const QString& name, int n, int count) {
        controls_.search->setEnabled(false);
        showOutcome(SearchingWords(name, n, count));
    });
    connect(search_, &DeviceSearch::searchFinished, this, [this] {
        if (link_->connectionState() == ConnectionState::Disconnected)
            controls_.search->setEnabled(true);
    });
    // The search's own handler has disconnected by the time this runs (connected first).
    connect(link_, &DeviceLink::disconnectRequested, this,
            [this] { showOutcome(DisconnectWords(true)); });
}

void TForm1::BitBtn_SearchClick() {
    search_->Search();
    showOutcome(SearchWords(search_->probes(), controls_.modelName->text()));
}

void TForm1::BitBtn_DisconnectClick() {
    const bool held = !link_->searchEnabled();
    search_->Disconnect();
    if (held && link_->searchEnabled()) showOutcome(DisconnectWords(false));
}

void TForm1::setBusy(bool on) {
    const FormControls& c = controls_;
    for (QWidget* w :
         std::initializer_list<QWidget*>{c.search, c.disconnect, c.linkGroup, c.pages}) {
        if (on)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
    if (on)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void TForm1::setEnabledInOrder(std::initializer_list<QWidget*> widgets, bool enabled) {
    for (QWidget* w : widgets) w->setEnabled(enabled);
}

void TForm1::enterConnected() {
    controls_.firmwareGroup->setFixedHeight(52);
    controls_.firmwareVersion->setText(QStringLiteral("Current Version : "));
}

void TForm1::enableDeviceControls() {
    const FormControls& c = controls_;
    c.search->setEnabled(false);
    c.disconnect->setEnabled(true);
    // In the order the device search enables them.
    setEnabledInOrder({c.uploadEdid, c.downloadInternal, c.downloadExternal, c.downloadUser,
                       c.downloadStored, c.analysisInternal, c.analysisExternal, c.analysisUser,
                       c.uploadCreated, c.analysisBin, c.brandNew, c.binModify, c.saveCreated},
                      true);
}

void TForm1::enterIsp() {
    const FormControls& c = controls_;
    c.firmwareGroup->setFixedHeight(132);
    c.firmwareVersion->setText(QStringLiteral("Target Version : "));
    SetLabelText(c.label1, QStringLiteral("0%"), false);
    c.led->setColor(LedShape::Red);
    c.modelName->setText(QStringLiteral("ISP Mode."));
    c.search->setEnabled(false);
    c.disconnect->setEnabled(true);
}

void TForm1::enterDisconnected() {
    const FormControls& c = controls_;
    c.firmwareGroup->setFixedHeight(52);
    c.led->setColor(LedShape::Grey);
    c.modelName->setText(QStringLiteral("Not Found."));
    c.firmwareVersion->setText(QStringLiteral("Current Version :"));
    c.search->setEnabled(true);
    c.disconnect->setEnabled(false);
    // In this order, mode buttons included. The analyzer's "Bin File" and the creator's loads
    // and Save stay: they work without a device.
    setEnabledInOrder({c.uploadEdid, c.downloadInternal, c.downloadExternal, c.downloadUser,
                       c.downloadStored, c.analysisInternal, c.analysisExternal, c.analysisUser,
                       c.uploadCreated, c.modeInternal, c.modeExternal, c.modeUser},
                      false);
}

void TForm1::showModelName(const QString& name) {
    controls_.led->setColor(LedShape::Green);
    controls_.modelName->setText(name);
}

void TForm1::showEdidMode(uint8_t mode) {
    // Mode byte 0 Internal, 2 External, 3 User; any other value leaves the selection and
    // enables only the Internal button.
    int index = 0;
    bool select = true;
    switch (mode) {
        case 0:
            index = 0;
            break;
        case 2:
            index = 1;
            break;
        case 3:
            index = 2;
            break;
        default:
            select = false;
            break;
    }
    QRadioButton* const buttons[] = {controls_.modeInternal, controls_.modeExternal,
                                     controls_.modeUser};
    for (int i = 0; i < 3; ++i) {
        if (select && i == index) buttons[i]->setChecked(true);
        buttons[i]->setEnabled(i == index);
    }
}

}  // namespace varnok
