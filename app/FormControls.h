#pragma once
// Typed pointers to the controls of the main window, filled as it builds them, so that the
// window, its pages and the EDID windows reach each control directly. The objectNames stay: they
// are how tests and assistive tools find the controls.

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QWidget;

namespace varnok {

class LedShape;

struct FormControls {
    // The link area.
    QGroupBox* linkGroup = nullptr;  // GroupBox1
    LedShape* led = nullptr;         // Shape_LED_Link
    QLabel* modelName = nullptr;     // Label_Model_Name
    QPushButton* search = nullptr;   // BitBtn_Search
    QPushButton* disconnect = nullptr;
    QTabWidget* pages = nullptr;  // PageControl1

    // "EDID Controller" (TabSheet1).
    QRadioButton* modeInternal = nullptr;  // RadioButton_Set_IntEdid
    QRadioButton* modeExternal = nullptr;
    QRadioButton* modeUser = nullptr;
    QLineEdit* edidPath = nullptr;  // Edit_Edid_Path
    QPushButton* openEdid = nullptr;
    QPushButton* uploadEdid = nullptr;
    QLabel* label2 = nullptr;                 // upload progress
    QPushButton* downloadInternal = nullptr;  // Button_DL_IntEdid
    QPushButton* downloadExternal = nullptr;
    QPushButton* downloadUser = nullptr;
    QPushButton* downloadStored = nullptr;  // hidden

    // "EDID Analyzer" (TabSheet3).
    QRadioButton* analysisInternal = nullptr;  // RadioButton_Analysis_IntEdid
    QRadioButton* analysisExternal = nullptr;
    QRadioButton* analysisUser = nullptr;
    QRadioButton* analysisBin = nullptr;
    QGroupBox* informations = nullptr;  // GroupBox5: the report rows

    // "EDID Creator" (TabSheet4).
    QWidget* creatorSheet = nullptr;  // TabSheet4
    QRadioButton* brandNew = nullptr;
    QRadioButton* binModify = nullptr;
    QLabel* creatorWarning = nullptr;    // Label_EdidCreator_Warning
    QTabWidget* creatorPages = nullptr;  // PageControl2
    QPushButton* saveCreated = nullptr;
    QPushButton* uploadCreated = nullptr;
    QLabel* label3 = nullptr;  // creator upload progress

    // "System" (TabSheet2).
    QGroupBox* firmwareGroup = nullptr;  // GroupBox4
    QLabel* firmwareVersion = nullptr;   // Label_FW_Version
    QLineEdit* firmwarePath = nullptr;   // Edit_Fw_Path
    QPushButton* openFirmware = nullptr;
    QPushButton* updateFirmware = nullptr;
    QCheckBox* verifyFirmware = nullptr;  // CheckBox_FW_Verify
    QLabel* label1 = nullptr;             // firmware progress
};

}  // namespace varnok
