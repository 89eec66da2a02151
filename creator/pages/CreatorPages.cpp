#include "creator/pages/CreatorPages.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QWheelEvent>
#include <exception>

#include "creator/pages/CreatorControls.h"
#include "creator/pages/CreatorPageLayout.h"

namespace varnok {
namespace {

// Upper-cases every letter of text, one character for one, so the cursor stays in place.
QString UpperLetters(const QString& text) {
    QString upper = text;
    for (QChar& c : upper) c = c.toUpper();
    return upper;
}

}  // namespace

CreatorPages::CreatorPages(QTabWidget* pageControl2, QLabel* warningLabel, EdidInfo& creatorImage,
                           CreatorHooks hooks, QObject* parent)
    : QObject(parent),
      pages_(pageControl2),
      warning_(warningLabel),
      image_(creatorImage),
      hooks_(std::move(hooks)) {
    BuildCreatorSubPages(pages_);
    connectEdits();
    connectSpeakerPairs();
    connectDetailPanels();

    scrollBox_ = pages_->findChild<QScrollArea*>(QLatin1String(kScrollBox));
    if (scrollBox_) {
        scrollBox_->viewport()->installEventFilter(this);
        scrollBox_->verticalScrollBar()->installEventFilter(this);
    }
    if (auto* audio2 = pages_->findChild<QWidget*>(QStringLiteral("TabSheet11"))) {
        audio2->installEventFilter(this);
    }
}

void CreatorPages::connectEdits() {
    for (const EditRow& row : kCreatorEdits) {
        QLineEdit* edit = FindEdit(pages_, row.name);
        if (!edit) continue;
        if (row.rule != InputRule::None) {
            connect(edit, &QLineEdit::textChanged, this,
                    [this, &row] { guarded([this, &row] { runInputRule(row); }); });
        }
        if (row.upperCase) {
            // Only what the user types or pastes is upper-cased; text the program sets (such
            // as "Error." after an invalid load) stays as set.
            connect(edit, &QLineEdit::textEdited, this, [edit](const QString& text) {
                const QString upper = UpperLetters(text);
                if (upper == text) return;
                const int cursor = edit->cursorPosition();
                edit->setText(upper);
                edit->setCursorPosition(cursor);
            });
        }
    }
}

void CreatorPages::connectSpeakerPairs() {
    // Each pair mirrors both ways. Setting a box to the state it already has emits nothing, so
    // the echo from the partner ends the exchange after one step.
    for (const BoxRow& partner : kSpeakerPartnerBoxes) {
        QCheckBox* right = FindBox(pages_, partner);
        QCheckBox* left = FindBox(pages_, partner.prefix, partner.number);
        if (!left || !right) continue;
        connect(left, &QCheckBox::toggled, right, &QCheckBox::setChecked);
        connect(right, &QCheckBox::toggled, left, &QCheckBox::setChecked);
    }
}

void CreatorPages::connectDetailPanels() {
    auto bindPanel = [this](QCheckBox* detail, QFrame* panel, int expanded) {
        if (!detail || !panel) return;
        QWidget* details =
            panel->findChild<QWidget*>(panel->objectName() + QStringLiteral("_Details"));
        connect(detail, &QCheckBox::toggled, panel, [panel, details, expanded](bool on) {
            panel->setFixedHeight(on ? expanded : kPanelCollapsedHeight);
            if (details) details->setVisible(on);
        });
    };
    for (const AudioPanelRow& format : kAudioPanels) {
        QCheckBox* yes = FindBox(pages_, kAudioFormatPrefix, format.yesBox);
        QCheckBox* detail = FindBox(pages_, QLatin1String(format.detailBox));
        if (yes && detail) {
            // An absent format has nothing to detail: unchecking "Yes" collapses its panel.
            connect(yes, &QCheckBox::toggled, detail, [detail](bool on) {
                if (!on) detail->setChecked(false);
            });
        }
        bindPanel(detail, pages_->findChild<QFrame*>(QLatin1String(format.panel)),
                  kPanelExpandedHeight);
    }
    bindPanel(FindBox(pages_, QLatin1String(kHdrDetailBox)),
              pages_->findChild<QFrame*>(QLatin1String(kHdrPanel)), kHdrPanelExpandedHeight);
}

void CreatorPages::runInputRule(const EditRow& row) {
    // A CEC address change re-checks the manufacturer name: the rule reads and colours the
    // manufacturer edit.
    const bool cec = row.rule == InputRule::CecAddress;
    QLineEdit* edit = FindEdit(pages_, cec ? kManufacturerEdit : row.name);
    if (!edit) return;
    const InputRule rule = cec ? InputRule::ManufacturerName : row.rule;
    applyVerdict(edit, CheckInputRule(rule, edit->text()));
}

void CreatorPages::applyVerdict(QLineEdit* edit, const RuleVerdict& verdict) {
    if (!verdict.ran) return;
    if (warning_) warning_->setText(verdict.message);
    if (verdict.overLimit) {
        image_.status |= InputError;
    } else {
        image_.status &= static_cast<EdidStatus>(~InputError);
    }
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, verdict.overLimit ? Qt::red : Qt::black);
    edit->setPalette(palette);
}

void CreatorPages::guarded(const std::function<void()>& body) {
    // Qt's signal delivery is no place for an exception to travel through: the error stops the
    // handler here and is shown, and the program carries on.
    try {
        body();
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QString());
    }
}

void CreatorPages::reportError(const QString& text) {
    if (hooks_.showError) {
        hooks_.showError(text);
        return;
    }
    QMessageBox::critical(pages_->window(), pages_->window()->windowTitle(), text);
}

void CreatorPages::attachLoadButtons(QAbstractButton* brandNew, QAbstractButton* binModify) {
    // Every press loads, also on a button that is already checked.
    if (brandNew) {
        connect(brandNew, &QAbstractButton::pressed, this,
                [this] { guarded([this] { RadioButton_Brand_NewMouseDown(); }); });
    }
    if (binModify) {
        connect(binModify, &QAbstractButton::pressed, this, [this, binModify] {
            bool loaded = false;
            guarded([this, &loaded] { loaded = RadioButton_Bin_ModifiyMouseDown(); });
            // The open dialog takes the mouse release, so the press never becomes the click that
            // would check the button: a load checks it here, and a cancelled or refused one
            // leaves the choice as it was (a late release must not check it either).
            binModify->setDown(false);
            if (loaded) binModify->setChecked(true);
        });
    }
}

void CreatorPages::TabSheet11Show() {
    if (scrollBox_) scrollBox_->setFocus(Qt::OtherFocusReason);
}

void CreatorPages::ScrollBox1MouseWheelDown() {
    if (!scrollBox_) return;
    QScrollBar* bar = scrollBox_->verticalScrollBar();
    bar->setValue(bar->value() + kScrollBoxWheelStep);
}

void CreatorPages::ScrollBox1MouseWheelUp() {
    if (!scrollBox_) return;
    QScrollBar* bar = scrollBox_->verticalScrollBar();
    bar->setValue(bar->value() - kScrollBoxWheelStep);
}

bool CreatorPages::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("TabSheet11")) {
        TabSheet11Show();
        return false;
    }
    if (event->type() == QEvent::Wheel && scrollBox_ &&
        (watched == scrollBox_->viewport() || watched == scrollBox_->verticalScrollBar())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        int dy = wheel->angleDelta().y();
        if (dy == 0) dy = wheel->pixelDelta().y();
        if (dy == 0) return false;  // a sideways wheel: not ours
        // One fixed step per wheel event, whatever the event's delta.
        if (dy < 0) {
            ScrollBox1MouseWheelDown();
        } else {
            ScrollBox1MouseWheelUp();
        }
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CreatorPages::setText(const char* edit, const QString& text) {
    if (QLineEdit* e = FindEdit(pages_, edit)) e->setText(text);
}

void CreatorPages::setChecked(const QString& box, bool checked) {
    if (QCheckBox* b = FindBox(pages_, box)) b->setChecked(checked);
}

}  // namespace varnok
