// The "EDID Analyzer" page in the window: its rows, what each source choice sends and shows, the
// audio row's height, and the buttons at the end of a read. The device is a scripted port.
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/AnalyzerPage.h"
#include "app/EdidWindow.h"
#include "app/ReportLabels.h"
#include "device/DeviceApi.h"
#include "edid/EdidReport.h"
#include "link/DeviceLink.h"
#include "tests/analyzer/AnalyzerImages.h"
#include "tests/analyzer/FakeDevicePort.h"
#include "tests/app/FormFixture.h"

using namespace varnok;

namespace {

const char* const kRadios[] = {"RadioButton_Analysis_IntEdid", "RadioButton_Analysis_ExtEdid",
                               "RadioButton_Analysis_UserEdid", "RadioButton_Analysis_Bin"};

struct Page : FormFixture {
    FakeDevicePort* port = nullptr;
    AnalyzerPage* page = nullptr;

    explicit Page(FakeDevicePort::Responder device = MakeDevice({}, DefaultEdidImage(),
                                                                NineAudioFormatsImage(),
                                                                BaseOnlyImage())) {
        page = form->findChild<AnalyzerPage*>();
        // A device as the search leaves it: port open, connected, controls enabled, ticking.
        auto p = std::make_unique<FakeDevicePort>(std::move(device));
        port = p.get();
        DeviceLink& link = form->link();
        link.ComPort = std::move(p);
        link.setConnectionState(ConnectionState::Connected);
        form->enableDeviceControls();
        link.enableRxTimer();
        link.startDispatcher();
        find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    }
    QRadioButton* radio(int i) const { return find<QRadioButton>(kRadios[i]); }
    QStringList rows() const {
        QStringList out;
        for (const char* labelName : kReportLabelNames)
            out << find<QLabel>(QString::fromLatin1(labelName))->text();
        return out;
    }
    bool radiosEnabled() const {
        for (int i = 0; i < 4; ++i)
            if (!radio(i)->isEnabled()) return false;
        return true;
    }
    int audioHeight() const { return find<QFrame>(kAudioFormatsPanelName)->height(); }
    // Commands sent since the last call, status polls left out.
    QList<uint16_t> takeCodes() {
        QList<uint16_t> out;
        for (const auto& f : port->frames)
            if (f.code != api_code::EdidMode) out << f.code;
        port->frames.clear();
        return out;
    }
    void pressBin() { QTest::mousePress(radio(3), Qt::LeftButton, {}, QPoint(5, 5)); }
};

}  // namespace

class AnalyzerPageTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAndAccessibility();
    void binFileReports_data();
    void binFileReports();
    void audioRowShrinksAgain();
    void binFileCancelledOrUnreadable();
    void deviceChoicesReactWhenChecked();
    void silentDeviceShowsFailureRows();
    void invalidDeviceImageIsIllegal();
    void disconnectDuringReadWins();
    void disabledBinIgnoresPress();
    void markupInANameIsText();
    void rendersScreenshot();
};

void AnalyzerPageTest::rowsAndAccessibility() {
    Page p;
    p.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
    auto* box = p.find<QGroupBox>("GroupBox5");
    QVERIFY(box);
    const QStringList labels = {
        "Label_Edid_Header",    "Label_Edid_Checksum",  "Label_Manufac_Name",
        "Label_Monitor_Name",   "Label_Max_Resolution", "Label_Max_ColorDepth",
        "Label_Support_3D",     "Label_Support_YUV420", "Label_Support_SCDC",
        "Label_Support_600MHz", "Label_Support_HDR",    "Label_Audio_Formats",
        "Label_Audio_Channel",  "Label_CEC_Address"};
    for (size_t row = 0; row < kReportLabelNames.size(); ++row)
        QCOMPARE(QString::fromLatin1(kReportLabelNames[row]), labels[int(row)]);
    int lastBottom = 0;
    for (size_t row = 0; row < kReportLabelNames.size(); ++row) {
        const auto& r = kEdidReportRows[row];
        const char* const labelName = kReportLabelNames[row];
        auto* value = p.find<QLabel>(QString::fromLatin1(labelName));
        QVERIFY2(value, labelName);
        QVERIFY(box->isAncestorOf(value));
        QVERIFY(value->text().isEmpty());
        QVERIFY(value->accessibleName().isEmpty());
        QCOMPARE(value->accessibleDescription(), QString::fromLatin1(r.caption).trimmed());
        // The caption sits in the same panel, byte for byte.
        auto* panel = qobject_cast<QFrame*>(value->parentWidget());
        QVERIFY(panel);
        QStringList captions;
        for (auto* l : panel->findChildren<QLabel*>())
            if (l != value) captions << l->text();
        QCOMPARE(captions, QStringList{QString::fromLatin1(r.caption)});
        // Rows stand top to bottom in this order.
        const int top = panel->mapTo(box, QPoint(0, 0)).y();
        QVERIFY(top >= lastBottom);
        lastBottom = top + panel->height();
    }
    QCOMPARE(p.audioHeight(), p.page->audioRowOneLineHeight());
    QVERIFY(p.page->audioRowTwoLinesHeight() > p.page->audioRowOneLineHeight());
}

void AnalyzerPageTest::binFileReports_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<bool>("twoLines");

    QTest::newRow("default image") << Bytes(DefaultEdidImage()) << DefaultImageRows() << false;
    QTest::newRow("nine audio formats")
        << Bytes(NineAudioFormatsImage())
        << QStringList{"Good",         "Good",
                       "NEW",          "BrandNewEdid",
                       "1080p@60Hz",   "8bit",
                       "No",           "No",
                       "Yes",          "Yes",
                       "10bit,16bit,", "2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\r\nDTS,DTSHD,AAC,OBA,",
                       "8CH",          "1000"}
        << true;
    // 128 bytes: the rest reads as 0xFF, which an extension count of 0 never looks at.
    QTest::newRow("base block only, short file")
        << Bytes(BaseOnlyImage(), 128)
        << QStringList{"Good", "Good", "NEW", "BrandNewEdid", "UNDEFINE.", "8bit", "No",
                       "No",   "No",   "No",  "No",           "",          "0CH",  "0000"}
        << false;
    QTest::newRow("empty file") << QByteArray() << FailureRows() << false;
    QTest::newRow("short default image")
        << Bytes(DefaultEdidImage(), 180) << FailureRows() << false;
    EdidImage bad = DefaultEdidImage();
    bad[20] = uint8_t(bad[20] + 1);
    QTest::newRow("checksum 0 wrong") << Bytes(bad) << FailureRows() << false;
}

void AnalyzerPageTest::binFileReports() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, rows);
    QFETCH(bool, twoLines);
    QTemporaryDir dir;
    Page p;
    p.dialogs->openAnswers.push_back(WriteTempFile(dir.path(), "x.bin", file));
    p.pressBin();

    QCOMPARE(p.dialogs->openCount, 1);
    QCOMPARE(p.rows(), rows);
    QCOMPARE(p.audioHeight(),
             twoLines ? p.page->audioRowTwoLinesHeight() : p.page->audioRowOneLineHeight());
    QCOMPARE(p.form->debugLogText(), QStringLiteral("Edid Open OK.\r\n"));
    QVERIFY(p.radio(3)->isChecked());
    QVERIFY(p.radiosEnabled());
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 11}));
    // No text is clipped: the audio label's lines fit its panel.
    auto* audio = p.find<QLabel>("Label_Audio_Formats");
    QVERIFY(audio->sizeHint().height() <= p.audioHeight());
}

void AnalyzerPageTest::audioRowShrinksAgain() {
    QTemporaryDir dir;
    Page p;
    p.dialogs->openAnswers.push_back(
        WriteTempFile(dir.path(), "nine.bin", Bytes(NineAudioFormatsImage())));
    p.dialogs->openAnswers.push_back(
        WriteTempFile(dir.path(), "default.bin", Bytes(DefaultEdidImage())));
    p.pressBin();
    QCOMPARE(p.audioHeight(), p.page->audioRowTwoLinesHeight());
    // Pressing the checked "Bin File" again runs again.
    p.pressBin();
    QCOMPARE(p.dialogs->openCount, 2);
    QCOMPARE(p.audioHeight(), p.page->audioRowOneLineHeight());
    QCOMPARE(p.rows(), DefaultImageRows());
    // The rows below the audio row moved back up with it.
    auto* channel = p.find<QLabel>("Label_Audio_Channel")->parentWidget();
    auto* audio = p.find<QFrame>(kAudioFormatsPanelName);
    p.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
    QCOMPARE(channel->y(), audio->y() + audio->height());
}

void AnalyzerPageTest::binFileCancelledOrUnreadable() {
    QTemporaryDir dir;
    Page p;
    p.dialogs->openAnswers.push_back(
        WriteTempFile(dir.path(), "default.bin", Bytes(DefaultEdidImage())));
    p.pressBin();
    QCOMPARE(p.rows(), DefaultImageRows());
    p.takeCodes();
    p.form->logReplace(QStringLiteral("before\r\n"));

    // Cancelled: the rows stay, the buttons come back, the notices bracket the dialog.
    p.pressBin();
    QCOMPARE(p.dialogs->openCount, 2);
    QCOMPARE(p.rows(), DefaultImageRows());
    QVERIFY(p.radiosEnabled());
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 11}));
    QCOMPARE(p.form->debugLogText(), QStringLiteral("before\r\n"));

    // The space bar (or an assistive tool's press) runs it too, once.
    p.radio(3)->setFocus();
    QTest::keyClick(p.radio(3), Qt::Key_Space);
    QCOMPARE(p.dialogs->openCount, 3);
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 11}));

    // A file that cannot be opened: the log says so, the rows stay.
    p.dialogs->openAnswers.push_back(dir.filePath("missing.bin"));
    p.pressBin();
    QCOMPARE(p.form->debugLogText(), QStringLiteral("Edid Open Fail.\r\n"));
    QCOMPARE(p.rows(), DefaultImageRows());
    QVERIFY(p.radiosEnabled());
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 11}));
}

void AnalyzerPageTest::deviceChoicesReactWhenChecked() {
    Page p;
    const QList<uint16_t> selectRead{10, 264, 261, 262, 11};
    p.radio(0)->click();
    QCOMPARE(p.takeCodes(), selectRead);
    QCOMPARE(p.rows(), DefaultImageRows());
    QCOMPARE(p.form->stores().internal.image, DefaultEdidImage());
    QVERIFY(p.radiosEnabled());

    // Pressing the checked choice again does nothing.
    p.radio(0)->click();
    QVERIFY(p.takeCodes().isEmpty());

    p.radio(1)->click();
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 518, 519, 11}));
    QCOMPARE(p.rows().at(11),
             QStringLiteral("2PCM,MPCM,DolbyD,DolbyD+,DolbyHD,\r\nDTS,DTSHD,AAC,OBA,"));
    QCOMPARE(p.form->stores().external.image, NineAudioFormatsImage());

    p.radio(2)->click();
    QCOMPARE(p.takeCodes(), selectRead);
    QCOMPARE(p.rows().at(4), QStringLiteral("UNDEFINE."));
    QCOMPARE(p.form->stores().user.image, BaseOnlyImage());
    QCOMPARE(p.audioHeight(), p.page->audioRowOneLineHeight());

    // "Bin File" unchecks the device choices without them reacting; Internal then reads again.
    p.pressBin();
    QCOMPARE(p.takeCodes(), (QList<uint16_t>{10, 11}));
    QVERIFY(!p.radio(2)->isChecked());
    p.radio(0)->click();
    QCOMPARE(p.takeCodes(), selectRead);
}

void AnalyzerPageTest::silentDeviceShowsFailureRows() {
    Script script;
    script.silent = true;
    Page p(MakeDevice(script, {}, {}, {}));
    // The Internal store holds an earlier good read.
    p.form->stores().internal.image = DefaultEdidImage();
    p.radio(0)->click();
    QCOMPARE(p.rows(), FailureRows());
    QCOMPARE(p.form->debugLogText().count(QStringLiteral("API Timeout.\r\n")), 5);
    QCOMPARE(p.form->stores().internal.image, DefaultEdidImage());
    QVERIFY(p.radiosEnabled());
}

void AnalyzerPageTest::invalidDeviceImageIsIllegal() {
    Script script;
    script.badBlock0Reads = 99;
    Page p(MakeDevice(script, DefaultEdidImage(), DefaultEdidImage(), DefaultEdidImage()));
    p.radio(2)->click();
    QCOMPARE(p.rows(), FailureRows());
    QCOMPARE(p.form->debugLogText().count(QStringLiteral("Retry Edid.\r\n")), 6);
    QVERIFY(p.form->stores().user.status & kReasonBits);
    QVERIFY(p.radiosEnabled());
}

void AnalyzerPageTest::disconnectDuringReadWins() {
    Script script;
    script.silent = true;
    Page p(MakeDevice(script, {}, {}, {}));
    QTimer::singleShot(300, p.form.get(), [&] { p.form->BitBtn_DisconnectClick(); });
    p.radio(0)->click();
    QCOMPARE(p.form->link().connectionState(), ConnectionState::Disconnected);
    // The device choices stay off; "Bin File" needs no device.
    for (int i = 0; i < 3; ++i) QVERIFY(!p.radio(i)->isEnabled());
    QVERIFY(p.radio(3)->isEnabled());
    QCOMPARE(p.rows(), FailureRows());
}

void AnalyzerPageTest::disabledBinIgnoresPress() {
    Page p;
    p.radio(3)->setEnabled(false);
    p.pressBin();
    QCOMPARE(p.dialogs->openCount, 0);
    QVERIFY(!p.radio(3)->isChecked());
    QVERIFY(p.takeCodes().isEmpty());
}

void AnalyzerPageTest::markupInANameIsText() {
    // A monitor name is 13 bytes the EDID's author chose: markup in it is shown as it stands.
    const QByteArray name("<u>VK</u>\n   ", 13);
    EdidImage img = DefaultEdidImage();
    const QByteArray base(reinterpret_cast<const char*>(img.data()), kBlockSize);
    const qsizetype at = base.indexOf(QByteArray("\0\0\0\xFC\0", 5));
    QVERIFY(at > 0);
    std::copy(name.begin(), name.end(), img.begin() + at + 5);
    SetBlockChecksum(img, 0);
    QTemporaryDir dir;
    const QString path = WriteTempFile(dir.path(), "markup.bin", Bytes(img));
    Page p;
    p.dialogs->openAnswers = {path};
    p.pressBin();
    QCOMPARE(p.find<QLabel>("Label_Monitor_Name")->text(), QStringLiteral("<u>VK</u>"));
    p.dialogs->openAnswers = {path};
    QTest::mouseClick(p.find<QRadioButton>("RadioButton_Bin_Modifiy"), Qt::LeftButton);
    QCOMPARE(p.find<QLineEdit>("Edit_Creator_Monitor_Name")->text(), QStringLiteral("<u>VK</u>"));
    // Every label of the window, and of the EDID window, shows its text as plain text.
    QWidget* edidWindow = p.form->openEdidWindow();
    for (const QWidget* root : {static_cast<QWidget*>(p.form.get()), edidWindow})
        for (const QLabel* label : root->findChildren<QLabel*>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    edidWindow->close();
}

void AnalyzerPageTest::rendersScreenshot() {
    Page p;
    p.radio(1)->click();  // External: the nine-format image, two audio lines
    p.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
    // Every value fits its row: no label is wider or taller than the room it has.
    for (size_t row = 0; row < kReportLabelNames.size(); ++row) {
        const char* const labelName = kReportLabelNames[row];
        auto* value = p.find<QLabel>(QString::fromLatin1(labelName));
        QVERIFY2(value->sizeHint().width() <= value->width(), labelName);
        QVERIFY2(value->sizeHint().height() <= value->parentWidget()->height(), labelName);
    }
    auto* box = p.find<QGroupBox>("GroupBox5");
    auto* last = p.find<QLabel>("Label_CEC_Address")->parentWidget();
    QVERIFY(last->mapTo(box, QPoint(0, last->height())).y() <= box->height());
    QVERIFY(p.form->grab().save(screenshotDir() + "/analyzer.png"));
}

VARNOK_TEST_MAIN(AnalyzerPageTest)
#include "tst_analyzer_page.moc"
