// The seven creator sub-pages: every control from the tables, the input rules as the edits run
// them, the speaker pairs, the detail panels, the scroll box, and a check that nothing is
// clipped at the window's page size (screenshots land in the build folder).

#include <QDir>
#include <QFrame>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QWheelEvent>

#include "tests/creator/CreatorFixture.h"

using namespace varnok;
using namespace varnok::test;

class TestCreatorPages : public QObject {
    Q_OBJECT
private slots:
    void everyTableRowIsOneControl();
    void editsStartWithTheirTexts();
    void pagesInTabOrder();
    void everyCaptionFits();
    void rulesOnSetText_data();
    void rulesOnSetText();
    void warningKeepsLastVerdict();
    void typedLettersUpperCased();
    void cecAddressRechecksManufacturer();
    void conversionErrorReported_data();
    void conversionErrorReported();
    void speakerPairsMirror();
    void yesUnchecksForDetail();
    void detailPanelHeights();
    void scrollBoxWheelAndFocus();
};

namespace {

QList<const BoxRow*> AllBoxRows() {
    QList<const BoxRow*> rows;
    auto add = [&rows](const auto& table) {
        for (const BoxRow& r : table) rows << &r;
    };
    add(kEstablishTimingBoxes);
    add(kStandardTimingBoxes);
    add(kVideoIdCodeBoxes);
    add(kYuv420VdbBoxes);
    add(kSpeakerBoxes);
    add(kSpeakerPartnerBoxes);
    add(kLpcmSampleBitBoxes);
    add(kColorSpaceBoxes);
    add(kColorDepthBoxes);
    add(kColorimetryBoxes);
    add(kHdrDeepColorBoxes);
    add(kHdrEotfBoxes);
    add(kHdrDescriptorBoxes);
    return rows;
}

// Every (name, caption) of the sub-pages' check boxes, from the tables.
QList<QPair<QString, QString>> AllBoxes() {
    QList<QPair<QString, QString>> boxes;
    for (const BoxRow* r : AllBoxRows()) boxes << qMakePair(ControlName(*r), QString(r->caption));
    for (const RateRow& rate : kRateBoxes) {
        boxes << qMakePair(ControlName(kLpcmFreqPrefix, rate.number), QString(rate.caption));
        for (const AudioPanelRow& p : kAudioPanels) {
            boxes << qMakePair(ControlName(p.freqPrefix, rate.number), QString(rate.caption));
        }
    }
    boxes << qMakePair(ControlName(kAudioFormatPrefix, 1), QStringLiteral("Basic"));
    boxes << qMakePair(ControlName(kAudioFormatPrefix, 2), QString());  // never shown
    for (const AudioPanelRow& p : kAudioPanels) {
        boxes << qMakePair(ControlName(kAudioFormatPrefix, p.yesBox), QStringLiteral("Yes"));
        boxes << qMakePair(QString(p.detailBox), QStringLiteral("For Detail"));
    }
    boxes << qMakePair(QString(kHdrDetailBox), QStringLiteral("For Detail"));
    boxes << qMakePair(QString(k3dPresentBox), QStringLiteral("Yes"));
    return boxes;
}

}  // namespace

void TestCreatorPages::everyTableRowIsOneControl() {
    CreatorFixture f;
    const auto boxes = AllBoxes();
    for (const auto& [name, caption] : boxes) {
        const auto found = f.tabs->findChildren<QCheckBox*>(name);
        QVERIFY2(found.size() == 1, qPrintable(name));
        if (!caption.isEmpty()) QCOMPARE(found[0]->text(), caption);
        QVERIFY2(!found[0]->isChecked(), qPrintable(name));
        QVERIFY2(found[0]->isEnabled(), qPrintable(name));
    }
    // Nothing but the table rows: some 160 check boxes and 21 edits.
    QCOMPARE(f.tabs->findChildren<QCheckBox*>().size(), boxes.size());
    QCOMPARE(boxes.size(), 160);
    QCOMPARE(f.tabs->findChildren<QLineEdit*>().size(), int(kCreatorEdits.size()));
    QVERIFY(f.box(ControlName(kAudioFormatPrefix, 2))->isHidden());
    for (const AudioPanelRow& p : kAudioPanels) {
        const auto panels = f.tabs->findChildren<QFrame*>(QString(p.panel));
        QCOMPARE(panels.size(), 1);
        QVERIFY(panels[0]->isAncestorOf(f.box(ControlName(kAudioFormatPrefix, p.yesBox))));
        QVERIFY(panels[0]->isAncestorOf(f.edit(p.maxChEdit)));
        QCOMPARE(panels[0]->height(), kPanelCollapsedHeight);
    }
    auto* label6 = f.tabs->findChild<QLabel*>(QStringLiteral("Label6"));
    QVERIFY(label6);
    QCOMPARE(label6->text(), QStringLiteral("High\nFront\nCenter\nRear\nLow"));
    QVERIFY(f.tabs->findChild<QLabel*>(QStringLiteral("Label5")));
    QVERIFY(f.tabs->findChild<QWidget*>(QStringLiteral("TabSheet8"))->isAncestorOf(label6));
}

void TestCreatorPages::editsStartWithTheirTexts() {
    CreatorFixture f;
    const auto labels = f.tabs->findChildren<QLabel*>();
    for (const EditRow& row : kCreatorEdits) {
        const auto found = f.tabs->findChildren<QLineEdit*>(QString(row.name));
        QVERIFY2(found.size() == 1, row.name);
        QCOMPARE(found[0]->text(), QString(row.initialText));
        // Each edit is named by its caption label.
        const QLabel* caption = nullptr;
        for (const QLabel* l : labels) {
            if (l->buddy() == found[0]) caption = l;
        }
        QVERIFY2(caption, row.name);
        QCOMPARE(caption->text(), QString(row.caption));
    }
    QCOMPARE(f.text("Edit_AudioAC3_BitRate"), QStringLiteral("     0"));
    QCOMPARE(f.text("Edit_HDR_DCLD_1"), QStringLiteral("    0"));
    QCOMPARE(f.warning->text(), QString());
    QCOMPARE(f.image.status, EdidStatus(0));
}

void TestCreatorPages::pagesInTabOrder() {
    CreatorFixture f;
    const QStringList captions{"Descriptor", "PC Timing",   "SD/HD/UHD", "Audio1",
                               "Audio2",     "Color Space", "Others"};
    const QStringList names{"TabSheet5",  "TabSheet6", "TabSheet7", "TabSheet8",
                            "TabSheet11", "TabSheet9", "TabSheet12"};
    QCOMPARE(f.tabs->count(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(f.tabs->tabText(i), captions[i]);
        QCOMPARE(f.tabs->widget(i)->objectName(), names[i]);
    }
    QCOMPARE(f.tabs->currentIndex(), 0);
    auto* scroll = f.tabs->findChild<QScrollArea*>(QStringLiteral("ScrollBox1"));
    QVERIFY(scroll);
    QVERIFY(f.tabs->widget(4)->isAncestorOf(scroll));
    QVERIFY(scroll->widget()->isAncestorOf(f.tabs->findChild<QFrame*>(QStringLiteral("Panel50"))));
    QVERIFY(f.tabs->widget(5)->isAncestorOf(f.tabs->findChild<QFrame*>(QStringLiteral("Panel31"))));
}

void TestCreatorPages::everyCaptionFits() {
    CreatorFixture f;
    // Expanded panels show every detail row.
    for (const AudioPanelRow& p : kAudioPanels) f.box(QString(p.detailBox))->setChecked(true);
    f.box(QString(kHdrDetailBox))->setChecked(true);
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    // Every tab caption in view, no scroll arrows.
    const QTabBar* bar = f.tabs->tabBar();
    QVERIFY2(bar->tabRect(bar->count() - 1).right() < f.tabs->width(),
             qPrintable(QString::number(bar->tabRect(bar->count() - 1).right())));
    for (int i = 0; i < bar->count(); ++i) {
        QVERIFY(bar->tabRect(i).width() >= bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
    }
    const QString shots = qEnvironmentVariable("VARNOK_BINARY_DIR", QDir::tempPath()) +
                          QStringLiteral("/creator-screens");
    QDir().mkpath(shots);
    for (int i = 0; i < f.tabs->count(); ++i) {
        f.tabs->setCurrentIndex(i);
        QWidget* page = f.tabs->currentWidget();
        QApplication::processEvents();
        f.tabs->grab().save(shots + QLatin1Char('/') + page->objectName() + QStringLiteral(".png"));
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisible()) continue;
            const bool caption = qobject_cast<QCheckBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                                 (qobject_cast<QLabel*>(w) && !static_cast<QLabel*>(w)->wordWrap());
            if (!caption) continue;
            const QString what =
                page->objectName() + QLatin1Char('/') + w->objectName() + QLatin1Char(' ') +
                (qobject_cast<QCheckBox*>(w) ? static_cast<QCheckBox*>(w)->text() : QString());
            QVERIFY2(w->width() >= w->minimumSizeHint().width(), qPrintable(what));
            if (qobject_cast<QCheckBox*>(w)) {
                QVERIFY2(w->width() >= w->sizeHint().width(), qPrintable(what));
                QVERIFY2(w->height() >= w->sizeHint().height() - 2, qPrintable(what));
            }
            // Inside its page (the scroll box's content counts as the page on "Audio2") and
            // inside its detail panel.
            QWidget* clip = page;
            for (QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget()) {
                if (p->objectName().startsWith(QLatin1String("Panel")) ||
                    p->objectName() == QLatin1String("ScrollBox1Content")) {
                    clip = p;
                    break;
                }
            }
            const QRect r(w->mapTo(clip, QPoint(0, 0)), w->size());
            QVERIFY2(clip->rect().contains(r), qPrintable(what + QStringLiteral(" outside")));
        }
    }
}

void TestCreatorPages::rulesOnSetText_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");  // "<kept>" when the rule does not run
    QTest::addColumn<bool>("red");
    auto row = [](const char* edit, const char* text, const char* label, bool red) {
        QTest::newRow((QByteArray(edit) + " " + text).constData())
            << QString(edit) << QString(text) << QString(label) << red;
    };
    row("Edit_Creator_Monitor_Name", "BrandNewEdid1", "", false);
    row("Edit_Creator_Monitor_Name", "BrandNewEdid12", "13 Letters Limited!", true);
    row("Edit_Creator_Product_Code", "65535", "", false);
    row("Edit_Creator_Product_Code", "65536", "65535 Limited!", true);
    row("Edit_Creator_Product_Code", "-1", "", false);
    row("Edit_Creator_Serial_Number", "4294959999", "", false);
    row("Edit_Creator_Serial_Number", "4294960000", "4 Billion Limited!", true);
    row("Edit_Creator_Serial_Number", "12345678901", "4 Billion Limited!", true);
    row("Edit_Creator_Manufac_Year", "199", "<kept>", false);
    row("Edit_Creator_Manufac_Year", "1989", "1990~2245 Limited!", true);
    row("Edit_Creator_Manufac_Year", "1990", "", false);
    row("Edit_Creator_Manufac_Year", "2245", "", false);
    row("Edit_Creator_Manufac_Year", "2246", "1990~2245 Limited!", true);
    row("Edit_Creator_Manufac_Week", "53", "", false);
    row("Edit_Creator_Manufac_Week", "54", "53 Limited!", true);
    for (const EditRow& r : kCreatorEdits) {
        if (r.rule != InputRule::MaxChannels) continue;
        row(r.name, "8", "", false);
        row(r.name, "9", "8 MaxCH Limited!", true);
        row(r.name, "10", "8 MaxCH Limited!", true);
    }
    for (const EditRow& r : kLuminanceEdits) {
        row(r.name, "  255", "", false);
        row(r.name, "  256", "255 Limited!", true);
    }
    row("Edit_AudioAC3_BitRate", "99999", "<kept>", false);
}

void TestCreatorPages::rulesOnSetText() {
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, label);
    QFETCH(bool, red);
    CreatorFixture f;
    const QByteArray name = edit.toLatin1();
    f.warning->setText(QStringLiteral("<kept>"));
    f.edit(name)->setText(text);
    QCOMPARE(f.warning->text(), label);
    QCOMPARE(f.red(name), red);
    if (label != QLatin1String("<kept>")) QCOMPARE(bool(f.image.status & InputError), red);
    QCOMPARE(f.edit(name)->text(), text);  // a rule never changes the text
    QVERIFY(f.errors.isEmpty());
}

void TestCreatorPages::warningKeepsLastVerdict() {
    CreatorFixture f;
    f.edit("Edit_Creator_Product_Code")->setText(QStringLiteral("65536"));
    QCOMPARE(f.warning->text(), QStringLiteral("65535 Limited!"));
    f.edit("Edit_Creator_Manufac_Week")->setText(QStringLiteral("53"));
    QCOMPARE(f.warning->text(), QString());
    QVERIFY(!(f.image.status & InputError));
    QVERIFY(f.red("Edit_Creator_Product_Code"));  // red until its own rule runs again
    QVERIFY(!f.red("Edit_Creator_Manufac_Week"));
    // A rule that does not run changes nothing: an emptied week keeps the verdict.
    f.edit("Edit_Creator_Manufac_Week")->setText(QStringLiteral("54"));
    f.edit("Edit_Creator_Manufac_Week")->clear();
    QCOMPARE(f.warning->text(), QStringLiteral("53 Limited!"));
    QVERIFY(f.image.status & InputError);
    QVERIFY(f.red("Edit_Creator_Manufac_Week"));
}

void TestCreatorPages::typedLettersUpperCased() {
    CreatorFixture f;
    f.window.show();
    QLineEdit* name = f.edit(kManufacturerEdit);
    QTest::keyClicks(name, QStringLiteral("abcd"));
    QCOMPARE(name->text(), QStringLiteral("ABCD"));
    QCOMPARE(f.warning->text(), QStringLiteral("3 Letters Limited!"));
    QVERIFY(f.red(kManufacturerEdit));
    QVERIFY(f.image.status & InputError);
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(name->text(), QStringLiteral("ABC"));
    QCOMPARE(f.warning->text(), QString());
    QVERIFY(!f.red(kManufacturerEdit));
    QVERIFY(!(f.image.status & InputError));
    // Typing in the middle keeps the cursor where it was.
    name->setCursorPosition(1);
    QTest::keyClicks(name, QStringLiteral("x"));
    QCOMPARE(name->text(), QStringLiteral("AXBC"));
    QCOMPARE(name->cursorPosition(), 2);
    // Text the program sets stays as set.
    name->setText(QStringLiteral("Error."));
    QCOMPARE(name->text(), QStringLiteral("Error."));
    QLineEdit* cec = f.edit(kCecAddressEdit);
    cec->clear();
    QTest::keyClicks(cec, QStringLiteral("10a0"));
    QCOMPARE(cec->text(), QStringLiteral("10A0"));
    // Other edits keep the case typed.
    QTest::keyClicks(f.edit("Edit_Creator_Monitor_Name"), QStringLiteral("abc"));
    QCOMPARE(f.text("Edit_Creator_Monitor_Name"), QStringLiteral("abc"));
}

void TestCreatorPages::cecAddressRechecksManufacturer() {
    CreatorFixture f;
    f.edit(kManufacturerEdit)->setText(QStringLiteral("ABCD"));
    f.edit("Edit_Creator_Manufac_Week")->setText(QStringLiteral("5"));
    QCOMPARE(f.warning->text(), QString());
    f.edit(kCecAddressEdit)->setText(QStringLiteral("1000"));
    QCOMPARE(f.warning->text(), QStringLiteral("3 Letters Limited!"));
    QVERIFY(f.red(kManufacturerEdit));
    QVERIFY(!f.red(kCecAddressEdit));
    f.edit(kManufacturerEdit)->blockSignals(true);
    f.edit(kManufacturerEdit)->setText(QStringLiteral("ABC"));
    f.edit(kManufacturerEdit)->blockSignals(false);
    f.edit(kCecAddressEdit)->setText(QStringLiteral("2000"));
    QCOMPARE(f.warning->text(), QString());
    QVERIFY(!f.red(kManufacturerEdit));
}

void TestCreatorPages::conversionErrorReported_data() {
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("maxch cleared") << "Edit_AudioLPCM_MaxCh"
                                   << ""
                                   << "'' is not a valid integer value";
    QTest::newRow("dts maxch letter") << "Edit_AudioDTS_MaxCh"
                                      << "x"
                                      << "'x' is not a valid integer value";
    QTest::newRow("luminance cleared") << "Edit_HDR_DCLD_2"
                                       << ""
                                       << "'' is not a valid integer value";
    QTest::newRow("product minus") << "Edit_Creator_Product_Code"
                                   << "-"
                                   << "'-' is not a valid integer value";
    QTest::newRow("week letters") << "Edit_Creator_Manufac_Week"
                                  << "ab"
                                  << "'ab' is not a valid integer value";
    QTest::newRow("year letters") << "Edit_Creator_Manufac_Year"
                                  << "20x5"
                                  << "'20x5' is not a valid integer value";
}

void TestCreatorPages::conversionErrorReported() {
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, message);
    CreatorFixture f;
    const QByteArray name = edit.toLatin1();
    f.edit(name)->setText(QStringLiteral("99"));  // over every limit it has: red, set
    const bool redBefore = f.red(name);
    f.warning->setText(QStringLiteral("<kept>"));
    const EdidStatus before = f.image.status;
    f.edit(name)->setText(text);
    QCOMPARE(f.errors, QStringList{message});
    QCOMPARE(f.warning->text(), QStringLiteral("<kept>"));
    QCOMPARE(f.image.status, before);
    QCOMPARE(f.red(name), redBefore);
    QCOMPARE(f.edit(name)->text(), text);
}

void TestCreatorPages::speakerPairsMirror() {
    CreatorFixture f;
    for (const BoxRow& partner : kSpeakerPartnerBoxes) {
        QCheckBox* right = f.box(ControlName(partner));
        QCheckBox* left = f.box(partner.prefix, partner.number);
        QSignalSpy leftSpy(left, &QCheckBox::toggled);
        QSignalSpy rightSpy(right, &QCheckBox::toggled);
        right->click();
        QVERIFY(left->isChecked());
        QCOMPARE(leftSpy.size(), 1);  // one step each, no oscillation
        QCOMPARE(rightSpy.size(), 1);
        left->setChecked(false);
        QVERIFY(!right->isChecked());
        QCOMPARE(leftSpy.size(), 2);
        QCOMPARE(rightSpy.size(), 2);
    }
    // The single boxes have no partner.
    f.box(kSpeakerPrefix, 6)->setChecked(true);
    int checkedCount = 0;
    for (QCheckBox* b : f.box(kSpeakerPrefix, 6)->parentWidget()->findChildren<QCheckBox*>()) {
        checkedCount += b->isChecked();
    }
    QCOMPARE(checkedCount, 1);
}

void TestCreatorPages::yesUnchecksForDetail() {
    CreatorFixture f;
    for (const AudioPanelRow& p : kAudioPanels) {
        QCheckBox* yes = f.box(kAudioFormatPrefix, p.yesBox);
        QCheckBox* detail = f.box(QString(p.detailBox));
        auto* panel = f.tabs->findChild<QFrame*>(QString(p.panel));
        yes->setChecked(true);
        QVERIFY(!detail->isChecked());  // checking "Yes" changes nothing else
        detail->setChecked(true);
        QCOMPARE(panel->height(), kPanelExpandedHeight);
        yes->setChecked(false);
        QVERIFY(!detail->isChecked());
        QCOMPARE(panel->height(), kPanelCollapsedHeight);
        // "For Detail" may be checked without "Yes".
        detail->setChecked(true);
        QVERIFY(detail->isChecked());
        QVERIFY(!yes->isChecked());
    }
    // "Basic" has no such reaction and no panel.
    f.box(kAudioFormatPrefix, 1)->setChecked(true);
    f.box(kAudioFormatPrefix, 1)->setChecked(false);
    QVERIFY(f.checked(QString(kAudioPanels[0].detailBox)));
}

void TestCreatorPages::detailPanelHeights() {
    CreatorFixture f;
    f.window.show();
    auto* hdr = f.tabs->findChild<QFrame*>(QString(kHdrPanel));
    auto* max = f.edit("Edit_HDR_DCLD_1");
    QCOMPARE(hdr->height(), kPanelCollapsedHeight);
    f.tabs->setCurrentIndex(5);
    QVERIFY(!max->isVisible());
    f.box(QString(kHdrDetailBox))->click();
    QCOMPARE(hdr->height(), kHdrPanelExpandedHeight);
    QVERIFY(max->isVisible());
    f.box(QString(kHdrDetailBox))->click();
    QCOMPARE(hdr->height(), kPanelCollapsedHeight);
    QVERIFY(!max->isVisible());
    // The DTS panel's detail rows show only when expanded.
    f.tabs->setCurrentIndex(4);
    QVERIFY(!f.edit("Edit_AudioDTS_BitRate")->isVisible());
    f.box(QStringLiteral("CheckBox_AudDetail_DTS"))->click();
    QVERIFY(f.edit("Edit_AudioDTS_BitRate")->isVisible());
    QVERIFY(f.box(QStringLiteral("CheckBox_AudioDTS_Freq_7"))->isVisible());
}

void TestCreatorPages::scrollBoxWheelAndFocus() {
    CreatorFixture f;
    for (const AudioPanelRow& p : kAudioPanels) f.box(QString(p.detailBox))->setChecked(true);
    f.window.show();
    f.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.tabs->setCurrentIndex(4);
    auto* scroll = f.tabs->findChild<QScrollArea*>(QStringLiteral("ScrollBox1"));
    QApplication::processEvents();
    QVERIFY(scroll->hasFocus());
    QScrollBar* bar = scroll->verticalScrollBar();
    QVERIFY(bar->maximum() > 60);
    QCOMPARE(bar->value(), 0);
    auto wheel = [scroll](int dy) {
        const QPointF at(10, 10);
        QWheelEvent e(at, scroll->viewport()->mapToGlobal(at), QPoint(), QPoint(0, dy),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(scroll->viewport(), &e);
    };
    wheel(-120);
    QCOMPARE(bar->value(), 15);
    wheel(-240);  // one step per event, whatever its delta
    QCOMPARE(bar->value(), 30);
    wheel(120);
    QCOMPARE(bar->value(), 15);
    wheel(120);
    wheel(120);
    QCOMPARE(bar->value(), 0);  // clamped by the scroll bar
    f.pages->ScrollBox1MouseWheelDown();
    QCOMPARE(bar->value(), 15);
    f.pages->ScrollBox1MouseWheelUp();
    QCOMPARE(bar->value(), 0);
    // Showing the page again gives the scroll box the focus again.
    f.tabs->setCurrentIndex(0);
    f.edit(kManufacturerEdit)->setFocus();
    QApplication::processEvents();
    QVERIFY(!scroll->hasFocus());
    f.tabs->setCurrentIndex(4);
    QApplication::processEvents();
    QVERIFY(scroll->hasFocus());
}

QTEST_MAIN(TestCreatorPages)
#include "test_creator_pages.moc"
