#include "app/EdidSources.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "app/CreatorPage.h"
#include "app/TForm1.h"
#include "app/WidgetText.h"
#include "device/AnalyzerRead.h"
#include "device/EdidDownload.h"
#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "edidio/EdidLoad.h"
#include "link/DeviceLink.h"
#include "words/OutcomeWords.h"

namespace varnok {
namespace {

// Pasted text longer than this is no EDID in any of the forms read (edid-decode's whole output
// for a 256-byte EDID is some 10 KB); the clipboard's text is offered only up to it.
constexpr int kPasteLimit = 1 << 20;

// The paste dialog: the text, and what was wrong with it, until it reads as an EDID or the user
// gives up.
class PasteDialog : public QDialog {
public:
    explicit PasteDialog(QWidget* parent) : QDialog(parent) {
        setObjectName(QStringLiteral("PasteDialog"));
        setWindowTitle(QStringLiteral("Paste EDID Hex"));
        auto* layout = new QVBoxLayout(this);
        auto* caption = new QLabel(
            QStringLiteral("&Hex text (plain hex, edid-decode's output, xrandr --verbose's "
                           "EDID lines or a C array; 128 or 256 bytes):"),
            this);
        caption->setWordWrap(true);
        text_ = new QPlainTextEdit(this);
        text_->setObjectName(QStringLiteral("Edit_Paste_Hex"));
        text_->setTabChangesFocus(true);
        text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        caption->setBuddy(text_);
        const QString clip = QApplication::clipboard()->text();
        if (clip.size() <= kPasteLimit) text_->setPlainText(clip);
        error_ = new QLabel(this);
        error_->setObjectName(QStringLiteral("Label_Paste_Error"));
        // The error quotes the pasted text, which is anybody's: shown as it stands.
        error_->setTextFormat(Qt::PlainText);
        error_->setWordWrap(true);
        error_->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
        error_->setAccessibleDescription(QStringLiteral("Why the text is no EDID"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &PasteDialog::tryAccept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(caption);
        layout->addWidget(text_, 1);
        layout->addWidget(error_);
        layout->addWidget(buttons);
        resize(560, 420);
    }
    QString text() const { return text_->toPlainText(); }

private:
    void tryAccept() {
        const EdidHexText parsed = ParseEdidHexText(text_->toPlainText());
        if (parsed.ok) {
            accept();
            return;
        }
        error_->setText(parsed.error);
        text_->setFocus();
    }
    QPlainTextEdit* text_;
    QLabel* error_;
};

}  // namespace

EdidImage EdidSample::image() const {
    return EdidImageFromBytes(bytes);
}

SampleResult SampleFromFile(const QString& path) {
    // Every block is kept as it was read; the window shows them all.
    const LoadResult file = LoadEdidFile(path);
    if (!file.is(LoadOutcome::Loaded))
        return {std::nullopt, LoadWords(file.outcome, file.reason, path)};
    EdidSample s;
    s.bytes = file.data;
    s.origin = path;
    s.path = path;
    s.fileName = QFileInfo(path).fileName();
    return {s, FileOpenedWords(path)};
}

SampleResult SampleFromHexText(const QString& text) {
    const EdidHexText parsed = ParseEdidHexBlocks(text);
    if (!parsed.ok) return {std::nullopt, HexTextWords(parsed)};
    EdidSample s;
    s.bytes = parsed.bytes;
    s.origin = QStringLiteral("pasted %1").arg(parsed.form);
    s.fileName = QStringLiteral("Pasted_Edid.bin");
    return {s, HexTextWords(parsed)};
}

SampleResult SampleFromDisplay(const DisplayEdid& display) {
    QString origin = QStringLiteral("display %1").arg(display.connector);
    if (!display.monitorName.isEmpty()) origin += QStringLiteral(" (%1)").arg(display.monitorName);
    const LoadResult loaded = CheckEdidSize(display.bytes);
    if (!loaded.is(LoadOutcome::Loaded))
        return {std::nullopt, LoadWords(loaded.outcome, loaded.reason, origin)};
    EdidSample s;
    s.bytes = display.bytes;
    s.origin = origin;
    s.fileName = DisplayFileName(display.connector);
    return {s, DisplayTakenWords(origin, s.size())};
}

void AttachDisplayMenu(QMenu* menu, std::function<void(const DisplayEdid&)> chosen) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, chosen] {
        menu->clear();
        const QList<DisplayEdid> displays = ListDisplayEdids();
        if (displays.isEmpty()) {
            menu->addAction(NoDisplayEdidWords())->setEnabled(false);
            return;
        }
        int n = 0;
        for (const DisplayEdid& d : displays) {
            QString text = d.connector;
            if (!d.monitorName.isEmpty()) text += QStringLiteral(" - ") + d.monitorName;
            // A menu takes '&' for a mnemonic; the monitor's own name keeps its '&'.
            text.replace(QLatin1Char('&'), QLatin1String("&&"));
            QAction* a = menu->addAction(text);
            a->setObjectName(QStringLiteral("Action_Display_%1").arg(n++));
            QObject::connect(a, &QAction::triggered, menu, [d, chosen] { chosen(d); });
        }
    });
}

EdidSourceMenu::EdidSourceMenu(TForm1& form, QMenu* menu, QWidget* dialogParent,
                               const QString& prefix,
                               std::function<void(const SampleResult&)> taken)
    : QObject(menu), form_(form), dialogParent_(dialogParent), taken_(std::move(taken)) {
    auto add = [&](const QString& text, const char* name, auto slot) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QStringLiteral("Action_%1_%2").arg(prefix, QLatin1String(name)));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(QStringLiteral("&Open .bin File..."), "File", [this] { chooseFile(); });
    add(QStringLiteral("&Paste Hex Text..."), "Paste", [this] { pasteHexText(); });
    QMenu* displays = menu->addMenu(QStringLiteral("This Computer's &Displays"));
    displays->setObjectName(QStringLiteral("Menu_%1_Displays").arg(prefix));
    AttachDisplayMenu(displays, [this](const DisplayEdid& d) { takeDisplay(d); });
    menu->addSeparator();
    const std::pair<EdidSource, QString> device[] = {
        {EdidSource::Internal, QStringLiteral("Device's &Internal EDID")},
        {EdidSource::External, QStringLiteral("Device's &External EDID")},
        {EdidSource::User, QStringLiteral("Device's &User EDID")},
    };
    const char* deviceNames[] = {"Internal", "External", "User"};
    for (int i = 0; i < 3; ++i) {
        const EdidSource source = device[i].first;
        deviceEntries_ << add(device[i].second, deviceNames[i],
                              [this, source] { readDevice(source); });
    }
    menu->addSeparator();
    add(QStringLiteral("&Creator's Last Built EDID"), "Creator", [this] { takeCreatorImage(); });

    connect(menu, &QMenu::aboutToShow, this, &EdidSourceMenu::updateDeviceEntries);
    connect(&form_, &TForm1::operationRunningChanged, this, &EdidSourceMenu::updateDeviceEntries);
    connect(&form_.link(), &DeviceLink::connectionStateChanged, this,
            &EdidSourceMenu::updateDeviceEntries);
    updateDeviceEntries();
}

void EdidSourceMenu::updateDeviceEntries() {
    const bool on =
        form_.link().connectionState() == ConnectionState::Connected && !form_.operationRunning();
    for (QAction* a : deviceEntries_) a->setEnabled(on);
}

bool EdidSourceMenu::chooseFile() {
    const auto path = form_.dialogs().executeOpenApart({});
    if (path) taken_(SampleFromFile(*path));
    return path.has_value();
}

void EdidSourceMenu::pasteHexText() {
    PasteDialog dialog(dialogParent_);
    if (dialog.exec() == QDialog::Accepted) taken_(SampleFromHexText(dialog.text()));
}

void EdidSourceMenu::takeDisplay(const DisplayEdid& display) {
    taken_(SampleFromDisplay(display));
}

void EdidSourceMenu::readDevice(EdidSource source) {
    if (form_.link().connectionState() != ConnectionState::Connected) {
        taken_({std::nullopt, NoDeviceWords()});
        return;
    }
    // Apart from the analyzer's stores, whose rows stay as they are.
    AnalyzerResult result;
    const bool ran =
        form_.runOperation([&] { result = ReadAnalyzerImage(form_.link(), form_, source); });
    if (!ran) {
        taken_({std::nullopt, BusyWords()});
        return;
    }
    const OutcomeText words = AnalyzerReadWords(source, result);
    if (!result.data.image || result.is(AnalyzerOutcome::LinkLost)) {
        taken_({std::nullopt, words});
        return;
    }
    // An image still invalid after every attempt is kept: its bytes show what the device holds.
    EdidSample s;
    s.bytes = EdidImageBytes(*result.data.image);
    s.origin = QStringLiteral("the device's %1").arg(EdidSourceName(source));
    s.fileName = QString::fromLatin1(DownloadSourceFor(source).defaultFileName);
    s.deviceSource = source;
    taken_({s, words});
}

void EdidSourceMenu::takeCreatorImage() {
    const std::optional<EdidImage>& built = form_.creatorPage().lastBuilt();
    if (!built) {
        taken_({std::nullopt, CreatorImageWords(false)});
        return;
    }
    EdidSample s;
    s.bytes = EdidImageBytes(*built);
    s.origin = QStringLiteral("the creator's last built EDID");
    s.fileName = QStringLiteral("Created_Edid.bin");
    taken_({s, CreatorImageWords(true)});
}

}  // namespace varnok
