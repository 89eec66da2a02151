// The window shell: initial control states, the debug-log switch, the About box, the menu.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

#include "app/LedShape.h"
#include "app/StatusLabel.h"
#include "tests/app/FormFixture.h"
#include "words/OutcomeWords.h"

using namespace varnok;

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initialStates_data();
    void initialStates();
    void geometryAndPages();
    void debugSwitchWidensAndClears();
    void mainWindowOnScreen();
    void aboutBoxFollowsWindow();
    void menuHoldsEdidAndAbout();
    void progressAndLogApi();
    void logShownAsWritten();
    void errorInHandlerIsShown();
    void rendersScreenshot();
    void textsShowWhole();
};

void WindowTest::initialStates_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("visible");
    const std::pair<const char*, bool> rows[] = {
        {"BitBtn_Search", true},
        {"BitBtn_Disconnect", false},
        {"Button_Upload_Edid", false},
        {"Button_DL_IntEdid", false},
        {"Button_DL_ExtEdid", false},
        {"Button_DL_UserEdid", false},
        {"Button_DL_StoredEdid", false},
        {"RadioButton_Analysis_IntEdid", false},
        {"RadioButton_Analysis_ExtEdid", false},
        {"RadioButton_Analysis_UserEdid", false},
        // Work without a device: enabled whenever no operation runs, connected or not.
        {"RadioButton_Analysis_Bin", true},
        {"RadioButton_Brand_New", true},
        {"RadioButton_Bin_Modifiy", true},
        {"Button_Save_Created", true},
        {"Button_Upload_Created", false},
        {"RadioButton_Set_IntEdid", false},
        {"RadioButton_Set_ExtEdid", false},
        {"RadioButton_Set_UserEdid", false},
        {"Button_Update_Fw", false},
        {"Button_Open_Edid", true},
        {"Button_Open_Fw", true},
        {"CheckBox_FW_Verify", true},
    };
    for (const auto& [name, enabled] : rows) {
        const bool visible = QString(name) != "Button_DL_StoredEdid";
        QTest::newRow(name) << QString(name) << enabled << visible;
    }
}

void WindowTest::initialStates() {
    QFETCH(QString, name);
    QFETCH(bool, enabled);
    QFETCH(bool, visible);
    FormFixture f;
    f.form->show();
    auto* w = f.find<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->isEnabled(), enabled);
    QCOMPARE(w->isVisibleTo(f.form.get()) || !w->parentWidget()->isVisibleTo(f.form.get()),
             visible);
    if (name == "Button_DL_StoredEdid") QVERIFY(!w->isVisibleTo(f.form.get()));
}

void WindowTest::geometryAndPages() {
    FormFixture f;
    f.form->show();
    QCOMPARE(f.form->windowTitle(), QString("Varnok"));
    QCOMPARE(f.form->centralWidget()->size(), QSize(480, 552));
    QCOMPARE(f.form->minimumSize(), f.form->maximumSize());
    // The status bar lies below the client area, which keeps its size.
    const QRect bar = f.form->statusBar()->geometry();
    QVERIFY(bar.top() > f.form->centralWidget()->geometry().bottom());
    QVERIFY(bar.bottom() < f.form->height());
    QVERIFY(f.find<QLabel>("Label_Status")->isVisible());
    QVERIFY(!(f.form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.form->windowFlags() & Qt::WindowMaximizeButtonHint));

    auto* pages = f.find<QTabWidget>("PageControl1");
    QCOMPARE(pages->geometry(), QRect(16, 80, 449, 457));
    const QStringList captions = {"EDID Controller", "EDID Analyzer", "EDID Creator", "System"};
    const QStringList names = {"TabSheet1", "TabSheet3", "TabSheet4", "TabSheet2"};
    QCOMPARE(pages->count(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->widget(i)->objectName(), names[i]);
    }
    QCOMPARE(pages->currentIndex(), 0);
    QCOMPARE(f.find<QLabel>("Label_Model_Name")->text(), QString("Not Found."));
    QCOMPARE(f.find<QLabel>("Label_FW_Version")->text(), QString("Current Version : "));
    QCOMPARE(f.find<QGroupBox>("GroupBox4")->height(), 52);
    for (const char* l : {"Label1", "Label2", "Label3"}) {
        QCOMPARE(f.find<QLabel>(l)->text(), QString("0%"));
        QVERIFY(f.find<QLabel>(l)->alignment() & Qt::AlignRight);
    }
    QVERIFY(f.find<QCheckBox>("CheckBox_FW_Verify")->isChecked());
    QCOMPARE(f.find<LedShape>("Shape_LED_Link")->color(), LedShape::Grey);
    QVERIFY(!f.find<QPlainTextEdit>("Memo_Debug")->isVisible());
}

void WindowTest::debugSwitchWidensAndClears() {
    FormFixture f;
    f.form->show();
    const int w0 = f.form->width();
    f.form->logAppend("written while hidden\r\n");
    auto* panel = f.find<QWidget>("Panel_Debug");
    QTest::mouseDClick(panel, Qt::LeftButton);
    QCOMPARE(f.form->width(), w0 + 304);
    auto* memo = f.find<QPlainTextEdit>("Memo_Debug");
    QVERIFY(memo->isVisible());
    QCOMPARE(f.form->debugLogText(), QString());
    QCOMPARE(memo->toPlainText(), QString());
    f.form->logAppend("Check COM3\r\n");
    QCOMPARE(memo->toPlainText(), QString("Check COM3\n"));
    QTest::mouseDClick(panel, Qt::LeftButton);
    QCOMPARE(f.form->width(), w0);
    QVERIFY(!memo->isVisible());
    QCOMPARE(f.form->debugLogText(), QString("Check COM3\r\n"));  // kept until next switch-on
    QTest::mouseDClick(panel, Qt::LeftButton);
    QCOMPARE(f.form->debugLogText(), QString());
}

void WindowTest::mainWindowOnScreen() {
    // A normal top-level window (taskbars list it), with the icon, a close button and no
    // minimise or maximise box, started where it lies wholly on the screen.
    FormFixture f;
    QCOMPARE(f.form->windowType(), Qt::Window);
    QVERIFY(f.form->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(
        !(f.form->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(!f.form->windowIcon().isNull());
    f.form->show();
    const QRect available = f.form->screen()->availableGeometry();
    const QRect frame = f.form->frameGeometry();
    QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4 on %5x%6")
                                                       .arg(frame.x())
                                                       .arg(frame.y())
                                                       .arg(frame.width())
                                                       .arg(frame.height())
                                                       .arg(available.width())
                                                       .arg(available.height())));
    // Moved no further than needed from 432, 103.
    QCOMPARE(frame.left(), std::min(432, available.right() + 1 - frame.width()));
}

void WindowTest::aboutBoxFollowsWindow() {
    FormFixture f;
    f.form->show();
    f.form->move(250, 140);
    QTest::qWait(1);
    f.form->About2Click();
    QCOMPARE(f.dialogs->informations.size(), 1);
    QVERIFY(f.dialogs->lastInformationAt.has_value());
    QCOMPARE(*f.dialogs->lastInformationAt, f.form->frameGeometry().topLeft() + QPoint(100, 180));
}

void WindowTest::menuHoldsEdidAndAbout() {
    FormFixture f;
    const auto menus = f.form->menuBar()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QString("&Device"));
    QCOMPARE(menus[1]->text(), QString("&EDID"));
    QCOMPARE(menus[2]->text(), QString("&Help"));
    // A port list that keeps no network ports has none to edit.
    QVERIFY(!f.find<QAction>("Action_NetworkPorts")->isEnabled());
    const auto items = menus[2]->menu()->actions();
    QCOMPARE(items.size(), 1);
    QCOMPARE(items[0]->text(), QString("About"));
    items[0]->trigger();
    QCOMPARE(f.dialogs->informations.size(), 1);
}

void WindowTest::progressAndLogApi() {
    FormFixture f;
    f.form->showUploadProgress(51);
    QCOMPARE(f.find<QLabel>("Label2")->text(), QString("51%"));
    QCOMPARE(f.find<QLabel>("Label3")->text(), QString("51%"));
    QCOMPARE(f.find<QLabel>("Label2")->palette().color(QPalette::WindowText), QColor(Qt::black));
    // A burst of values: each label holds the latest at once, and once the burst is over both
    // are repainted with it (updates never stay off).
    for (int p = 52; p <= 60; ++p) f.form->showUploadProgress(p);
    QCOMPARE(f.find<QLabel>("Label2")->text(), QString("60%"));
    QCOMPARE(f.find<QLabel>("Label3")->text(), QString("60%"));
    QTRY_VERIFY(f.find<QLabel>("Label2")->updatesEnabled() &&
                f.find<QLabel>("Label3")->updatesEnabled());
    f.form->logReplace("Edid Open OK.\r\n");
    f.form->logAppend("API ");
    f.form->logAddLine("Timeout.");  // a line of its own
    QCOMPARE(f.form->debugLogText(), QString("Edid Open OK.\r\nAPI \r\nTimeout.\r\n"));
}

void WindowTest::logShownAsWritten() {
    // The shown log follows every write by appending to it, and keeps the "\r\n" text model.
    FormFixture f;
    f.form->show();
    QTest::mouseDClick(f.find<QWidget>("Panel_Debug"), Qt::LeftButton);
    auto* memo = f.find<QPlainTextEdit>("Memo_Debug");
    f.form->logAppend("Check EMU1\r\n");
    f.form->logAppend(QString::fromLatin1("\xA1"));  // a raw answer's lead byte, as received
    f.form->logAddLine("Got One Device!");
    f.form->logAppend("Edid\r");  // a line break written in two pieces
    f.form->logAppend("\nOK\r\n");
    QCOMPARE(f.form->debugLogText(),
             QString::fromLatin1("Check EMU1\r\n\xA1\r\nGot One Device!\r\nEdid\r\nOK\r\n"));
    // A burst of writes reaches the memo within a few tens of milliseconds.
    QTRY_COMPARE(memo->toPlainText(),
                 QString::fromLatin1("Check EMU1\n\xA1\nGot One Device!\nEdid\nOK\n"));
    f.form->logReplace("Edid Open OK.\r\n");
    f.form->logAppend("API Timeout.\r\n");
    QTRY_COMPARE(memo->toPlainText(), QString("Edid Open OK.\nAPI Timeout.\n"));
}

void WindowTest::errorInHandlerIsShown() {
    FormFixture f;
    auto* b = f.find<QPushButton>("Button_Open_Edid");
    // An error thrown by a handler is reported with its text and the window carries on.
    QObject::connect(b, &QPushButton::clicked, [] { throw std::runtime_error("boom"); });
    f.form->show();
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(f.dialogs->errors.contains("boom"));
    QVERIFY(f.form->isVisible());
}

void WindowTest::rendersScreenshot() {
    FormFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    auto* pages = f.find<QTabWidget>("PageControl1");
    const QStringList files = {"controller", "analyzer", "creator", "system"};
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QImage img = f.form->grab().toImage();
        QVERIFY(!img.isNull());
        QVERIFY(img.save(screenshotDir() + "/disconnected-" + files[i] + ".png"));
    }
}

// The progress labels hold their longest words whole, clear of the buttons to their left; a status
// too long for the bar loses the middle of its path, not its reason.
void WindowTest::textsShowWhole() {
    FormFixture f;
    f.form->show();
    const struct {
        const char* label;
        const char* leftOf;
        QStringList words;
    } labels[] = {
        {"Label2", "Button_Upload_Edid", {"Illegal Edid CheckSum0.", "Upload Edid Failed."}},
        {"Label3", "Button_Upload_Created", {"Illegal Edid CheckSum1.", "Upload Edid Failed."}},
        {"Label1", "CheckBox_FW_Verify", {"Update Fw Failed.", "Unknow Device."}},
    };
    for (const auto& row : labels) {
        auto* label = f.find<QLabel>(row.label);
        QVERIFY2(label->x() >= f.find<QWidget>(row.leftOf)->geometry().right(), row.label);
        for (const QString& words : row.words)
            QVERIFY2(label->fontMetrics().horizontalAdvance(words) <= label->contentsRect().width(),
                     qPrintable(words));
    }

    const QFontMetrics fm = f.find<QLabel>("Label_Status")->fontMetrics();
    const QString reason = " cannot be opened: Permission denied";
    // Room for the words and some 20 characters of the path.
    const int width = fm.horizontalAdvance("Upload failed: " + reason + QString(20, u'x'));
    const QString path = "/home/someone/a/long/folder/of/monitors/Monitor_Edid.bin";
    QCOMPARE(ElideStatusText("Analyzed a.bin", fm, width), QString("Analyzed a.bin"));
    const QString shown = ElideStatusText("Upload failed: " + path + reason, fm, width);
    QVERIFY2(shown.startsWith("Upload failed: /home") && shown.contains(QChar(0x2026)) &&
                 shown.endsWith(reason),
             qPrintable(shown));
    QVERIFY(fm.horizontalAdvance(shown) <= width);
    // No path to shorten: the end goes.
    const QString words = QString("word ").repeated(30);
    QVERIFY(fm.horizontalAdvance(ElideStatusText(words, fm, width)) <= width);
    // The label keeps the whole text and shows it in its tooltip.
    f.form->showOutcome({"Upload failed: " + path + reason, true, "upload.open-failed"});
    QCOMPARE(f.find<QLabel>("Label_Status")->text(), "Upload failed: " + path + reason);
    QVERIFY(f.find<QLabel>("Label_Status")->toolTip().contains(path + reason));
}

VARNOK_TEST_MAIN(WindowTest)
#include "tst_window.moc"
