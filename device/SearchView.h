#pragma once
// What the search, the connect steps and the disconnect change in the window. The window (TForm1)
// implements it by setting control states only; the order of the calls is the order in which the
// window changes. Unit tests implement it with a recorder.
//
// Call order of a search that finds the device:
//   setBusy(true) ... enterConnected() ... [code 1 answered: DeviceAnswers::modelNameReceived]
//   enableDeviceControls() ... [code 2: firmwareVersionReceived] ... [code 257: edidModeReceived]
//   setBusy(false)
// A search that finds the device in ISP mode: setBusy(true) ... enterIsp() ... setBusy(false).
// A search that finds nothing: setBusy(true) ... setBusy(false) (no call at all without a port
// that opens and takes the line settings).
// Disconnect (by the user or the link watchdog): enterDisconnected().

namespace varnok {

class SearchView {
public:
    virtual ~SearchView() = default;

    // Busy (hourglass) cursor on / off over the window, BitBtn_Search, BitBtn_Disconnect,
    // GroupBox1 and PageControl1. On is asked before each probe, off once at the end.
    virtual void setBusy(bool on) = 0;

    // Device found, before its model name is asked: GroupBox4 height 52 (only Label_FW_Version
    // visible) and Label_FW_Version "Current Version : " (with the trailing blank).
    virtual void enterConnected() = 0;

    // After the model name: BitBtn_Search disabled, BitBtn_Disconnect enabled, then enabled in
    // this order: Button_Upload_Edid, Button_DL_IntEdid, Button_DL_ExtEdid, Button_DL_UserEdid,
    // Button_DL_StoredEdid (stays hidden), RadioButton_Analysis_IntEdid,
    // RadioButton_Analysis_ExtEdid, RadioButton_Analysis_UserEdid, Button_Upload_Created,
    // RadioButton_Analysis_Bin, RadioButton_Brand_New, RadioButton_Bin_Modifiy,
    // Button_Save_Created. The three mode buttons are left to DeviceAnswers::edidModeReceived.
    virtual void enableDeviceControls() = 0;

    // Device found in ISP mode: GroupBox4 height 132 (firmware controls visible),
    // Label_FW_Version "Target Version : ", Label1 "0%", Shape_LED_Link red (255, 0, 0),
    // Label_Model_Name "ISP Mode.", BitBtn_Search disabled, BitBtn_Disconnect enabled. The device
    // controls stay as they were.
    virtual void enterIsp() = 0;

    // Disconnected: GroupBox4 height 52, Shape_LED_Link grey (128, 128, 128), Label_Model_Name
    // "Not Found.", Label_FW_Version "Current Version :" (no trailing blank), BitBtn_Search
    // enabled, BitBtn_Disconnect disabled, then disabled in this order: Button_Upload_Edid,
    // Button_DL_IntEdid, Button_DL_ExtEdid, Button_DL_UserEdid, Button_DL_StoredEdid,
    // RadioButton_Analysis_IntEdid, RadioButton_Analysis_ExtEdid, RadioButton_Analysis_UserEdid,
    // Button_Upload_Created, RadioButton_Set_IntEdid, RadioButton_Set_ExtEdid,
    // RadioButton_Set_UserEdid. RadioButton_Analysis_Bin, RadioButton_Brand_New,
    // RadioButton_Bin_Modifiy and Button_Save_Created need no device and stay enabled.
    // Selection and progress labels are kept.
    virtual void enterDisconnected() = 0;
};

}  // namespace varnok
