// The window's side of the connection: Search, Disconnect and what the link's answers show.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/LedShape.h"
#include "app/OutcomeWords.h"
#include "app/TForm1.h"
#include "app/VarnokApplication.h"
#include "link/DeviceLink.h"
#include "link/DeviceSearch.h"

namespace varnok {
namespace {

// Controls that follow the connection, in the order the device search enables them.
const char* const kEnabledOnConnect[] = {
    "Button_Upload_Edid",
    "Button_DL_IntEdid",
    "Button_DL_ExtEdid",
    "Button_DL_UserEdid",
    "Button_DL_StoredEdid",
    "RadioButton_Analysis_IntEdid",
    "RadioButton_Analysis_ExtEdid",
    "RadioButton_Analysis_UserEdid",
    "Button_Upload_Created",
    "RadioButton_Analysis_Bin",
    "RadioButton_Brand_New",
    "RadioButton_Bin_Modifiy",
    "Button_Save_Created",
};

// ... and the order in which Disconnect disables them, mode buttons included. The analyzer's
// "Bin File" and the creator's loads and Save stay: they work without a device.
const char* const kDisabledOnDisconnect[] = {
    "Button_Upload_Edid",
    "Button_DL_IntEdid",
    "Button_DL_ExtEdid",
    "Button_DL_UserEdid",
    "Button_DL_StoredEdid",
    "RadioButton_Analysis_IntEdid",
    "RadioButton_Analysis_ExtEdid",
    "RadioButton_Analysis_UserEdid",
    "Button_Upload_Created",
    "RadioButton_Set_IntEdid",
    "RadioButton_Set_ExtEdid",
    "RadioButton_Set_UserEdid",
};

const char* const kModeButtons[] = {"RadioButton_Set_IntEdid", "RadioButton_Set_ExtEdid",
                                    "RadioButton_Set_UserEdid"};

}  // namespace

void TForm1::connectLink() {
    search_ = new DeviceSearch(*link_, *ports_, *this, this);
    search_->setObjectName(QStringLiteral("DeviceSearch"));
    // The search is an operation of its own: a press inside another operation's pauses is
    // ignored, and no other operation (the Open of the Upload box with its notices) can start
    // inside the search's probe pauses.
    connect(findChild<QPushButton*>(QStringLiteral("BitBtn_Search")), &QPushButton::clicked, this,
            [this] { runOperation([this] { BitBtn_SearchClick(); }); });
    connect(findChild<QPushButton*>(QStringLiteral("BitBtn_Disconnect")), &QPushButton::clicked,
            this, [this] { RunGuarded([this] { BitBtn_DisconnectClick(); }); });
    connect(link_, &DeviceLink::modelNameReceived, this, &TForm1::showModelName);
    connect(link_, &DeviceLink::firmwareVersionReceived, this, [this](const QString& text) {
        findChild<QLabel*>(QStringLiteral("Label_FW_Version"))->setText(text);
    });
    connect(link_, &DeviceLink::edidModeReceived, this, &TForm1::showEdidMode);
    // The search's own handler has disconnected by the time this runs (connected first).
    connect(link_, &DeviceLink::disconnectRequested, this,
            [this] { showOutcome(DisconnectWords(true)); });
}

void TForm1::BitBtn_SearchClick() {
    search_->Search();
    showOutcome(SearchWords(search_->probes(),
                            findChild<QLabel*>(QStringLiteral("Label_Model_Name"))->text()));
}

void TForm1::BitBtn_DisconnectClick() {
    const bool held = !link_->searchEnabled();
    search_->Disconnect();
    if (held && link_->searchEnabled()) showOutcome(DisconnectWords(false));
}

void TForm1::setBusy(bool on) {
    const char* const names[] = {"BitBtn_Search", "BitBtn_Disconnect", "GroupBox1", "PageControl1"};
    for (const char* n : names) {
        auto* w = findChild<QWidget*>(QString::fromLatin1(n));
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

void TForm1::setEnabledInOrder(const char* const* names, int count, bool enabled) {
    for (int i = 0; i < count; ++i)
        findChild<QWidget*>(QString::fromLatin1(names[i]))->setEnabled(enabled);
}

void TForm1::enterConnected() {
    findChild<QGroupBox*>(QStringLiteral("GroupBox4"))->setFixedHeight(52);
    findChild<QLabel*>(QStringLiteral("Label_FW_Version"))
        ->setText(QStringLiteral("Current Version : "));
}

void TForm1::enableDeviceControls() {
    findChild<QWidget*>(QStringLiteral("BitBtn_Search"))->setEnabled(false);
    findChild<QWidget*>(QStringLiteral("BitBtn_Disconnect"))->setEnabled(true);
    setEnabledInOrder(kEnabledOnConnect, std::size(kEnabledOnConnect), true);
}

void TForm1::enterIsp() {
    findChild<QGroupBox*>(QStringLiteral("GroupBox4"))->setFixedHeight(132);
    findChild<QLabel*>(QStringLiteral("Label_FW_Version"))
        ->setText(QStringLiteral("Target Version : "));
    setLabelText(findChild<QLabel*>(QStringLiteral("Label1")), QStringLiteral("0%"), false);
    findChild<LedShape*>(QStringLiteral("Shape_LED_Link"))->setColor(LedShape::Red);
    findChild<QLabel*>(QStringLiteral("Label_Model_Name"))->setText(QStringLiteral("ISP Mode."));
    findChild<QWidget*>(QStringLiteral("BitBtn_Search"))->setEnabled(false);
    findChild<QWidget*>(QStringLiteral("BitBtn_Disconnect"))->setEnabled(true);
}

void TForm1::enterDisconnected() {
    findChild<QGroupBox*>(QStringLiteral("GroupBox4"))->setFixedHeight(52);
    findChild<LedShape*>(QStringLiteral("Shape_LED_Link"))->setColor(LedShape::Grey);
    findChild<QLabel*>(QStringLiteral("Label_Model_Name"))->setText(QStringLiteral("Not Found."));
    findChild<QLabel*>(QStringLiteral("Label_FW_Version"))
        ->setText(QStringLiteral("Current Version :"));
    findChild<QWidget*>(QStringLiteral("BitBtn_Search"))->setEnabled(true);
    findChild<QWidget*>(QStringLiteral("BitBtn_Disconnect"))->setEnabled(false);
    setEnabledInOrder(kDisabledOnDisconnect, std::size(kDisabledOnDisconnect), false);
}

void TForm1::showModelName(const QString& name) {
    findChild<LedShape*>(QStringLiteral("Shape_LED_Link"))->setColor(LedShape::Green);
    findChild<QLabel*>(QStringLiteral("Label_Model_Name"))->setText(name);
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
    for (int i = 0; i < 3; ++i) {
        auto* b = findChild<QRadioButton*>(QString::fromLatin1(kModeButtons[i]));
        if (select && i == index) b->setChecked(true);
        b->setEnabled(i == index);
    }
}

}  // namespace varnok
