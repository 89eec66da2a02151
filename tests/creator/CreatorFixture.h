#pragma once
// The creator pages inside a plain page control, with hooks that record what the creator asks
// of the window: notices, dialog answers, log texts and errors.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>
#include <optional>

#include "creator/pages/CreatorPages.h"
#include "creator/pages/CreatorTables.h"
#include "edid/DefaultEdid.h"
#include "edid/Edid.h"

namespace varnok::test {

struct CreatorFixture {
    QWidget window;
    QLabel* warning = nullptr;
    QTabWidget* tabs = nullptr;
    EdidInfo image;
    std::unique_ptr<CreatorPages> pages;

    QList<uint16_t> notices;
    QStringList logs;
    QStringList errors;
    std::optional<QString> nextFile;  // the open dialog's answer; nothing = cancel
    int dialogCalls = 0;
    QDate today{2024, 3, 14};

    CreatorFixture() {
        // The window's layout of the creator page: font 8 pt, PageControl2 425 x 340.
        QFont f = window.font();
        f.setPointSize(8);
        window.setFont(f);
        window.resize(441, 400);
        warning = new QLabel(&window);
        warning->setObjectName(QStringLiteral("Label_EdidCreator_Warning"));
        warning->setGeometry(232, 14, 200, 30);
        tabs = new QTabWidget(&window);
        tabs->setObjectName(QStringLiteral("PageControl2"));
        tabs->setGeometry(8, 48, 425, 340);
        CreatorHooks hooks;
        // Records the notices the window would send: 10 now, 11 when the operation ends.
        hooks.beginFileOperation = [this] {
            notices << 10;
            return std::shared_ptr<void>(nullptr, [this](void*) { notices << 11; });
        };
        hooks.chooseEdidFile = [this] {
            ++dialogCalls;
            return nextFile;
        };
        hooks.replaceLog = [this](const QString& text) { logs << text; };
        hooks.showError = [this](const QString& text) { errors << text; };
        hooks.today = [this] { return today; };
        pages = std::make_unique<CreatorPages>(tabs, warning, image, hooks);
    }

    QLineEdit* edit(const char* name) const {
        return tabs->findChild<QLineEdit*>(QLatin1String(name));
    }
    QCheckBox* box(const QString& name) const { return tabs->findChild<QCheckBox*>(name); }
    QCheckBox* box(const char* prefix, int n, const char* suffix = "") const {
        return box(ControlName(prefix, n, suffix));
    }
    bool checked(const QString& name) const {
        QCheckBox* b = box(name);
        return b && b->isChecked();
    }
    bool checked(const char* prefix, int n, const char* suffix = "") const {
        return checked(ControlName(prefix, n, suffix));
    }
    QString text(const char* name) const {
        QLineEdit* e = edit(name);
        return e ? e->text() : QStringLiteral("<missing>");
    }
    bool red(const char* name) const {
        return edit(name)->palette().color(QPalette::Text) == QColor(Qt::red);
    }
};

// The default image with its extension's data blocks replaced by blocks (detailed timings
// follow them), both checksums set.
inline EdidImage ImageWithBlocks(const QByteArray& blocks) {
    EdidImage img{};
    const EdidImage& def = DefaultEdidImage();
    std::copy(def.begin(), def.begin() + 132, img.begin());
    img[130] = uint8_t(4 + blocks.size());
    for (int i = 0; i < blocks.size(); ++i) img[132 + i] = uint8_t(blocks[i]);
    SetBlockChecksum(img, 0);
    SetBlockChecksum(img, 1);
    return img;
}

}  // namespace varnok::test
