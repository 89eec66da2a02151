#include "app/NetworkPortsDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/TForm1.h"
#include "link/NetworkPortName.h"
#include "words/NetworkPortWords.h"

namespace varnok {

NetworkPortsDialog::NetworkPortsDialog(NetworkPortStore& store, QWidget* parent)
    : QDialog(parent), store_(store), entries_(store.load()) {
    setObjectName(QStringLiteral("NetworkPortsDialog"));
    setWindowTitle(QStringLiteral("Network Ports"));
    auto* grid = new QGridLayout(this);

    auto* listCaption = new QLabel(QStringLiteral("&Ports, in the order the search tries them:"));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("List_NetworkPorts"));
    listCaption->setBuddy(list_);
    grid->addWidget(listCaption, 0, 0, 1, 2);
    grid->addWidget(list_, 1, 0, 1, 2);

    auto* nameCaption = new QLabel(QStringLiteral("&Name:"));
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("Edit_PortName"));
    name_->setPlaceholderText(QStringLiteral("Rack 7"));
    nameCaption->setBuddy(name_);
    auto* addressCaption = new QLabel(QStringLiteral("A&ddress:"));
    address_ = new QLineEdit;
    address_->setObjectName(QStringLiteral("Edit_PortAddress"));
    address_->setPlaceholderText(QStringLiteral("tcp://HOST:PORT or rfc2217://HOST:PORT"));
    addressCaption->setBuddy(address_);
    grid->addWidget(nameCaption, 2, 0);
    grid->addWidget(name_, 2, 1);
    grid->addWidget(addressCaption, 3, 0);
    grid->addWidget(address_, 3, 1);

    auto* row = new QHBoxLayout;
    const struct {
        const char* text;
        const char* name;
        std::function<void()> action;
    } buttons[] = {
        {"&Add", "Button_PortAdd", [this] { addEntry(); }},
        {"&Change", "Button_PortChange", [this] { changeEntry(); }},
        {"&Remove", "Button_PortRemove", [this] { removeEntry(); }},
        {"&Up", "Button_PortUp", [this] { moveEntry(-1); }},
        {"Do&wn", "Button_PortDown", [this] { moveEntry(1); }},
        {"&Test", "Button_PortTest", [this] { testEntry(); }},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text));
        button->setObjectName(QLatin1String(b.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, b.action);
        row->addWidget(button);
        buttons_ << button;
    }
    grid->addLayout(row, 4, 0, 1, 2);

    result_ = new QLabel;
    result_->setObjectName(QStringLiteral("Label_PortResult"));
    result_->setAccessibleDescription(QStringLiteral("Result of the last change or test"));
    result_->setWordWrap(true);
    result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(result_, 5, 0, 1, 2);

    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(close, 6, 0, 1, 2);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    // A test under way when the program ends is stopped first.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { check_.stop(); });
    showEntries(entries_.isEmpty() ? -1 : 0);
    resize(460, 360);
}

NetworkPortEntry NetworkPortsDialog::edited() const {
    return {name_->text().trimmed(), address_->text().trimmed()};
}

void NetworkPortsDialog::showEntries(int select) {
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const NetworkPortEntry& e : entries_)
        list_->addItem(e.name + QStringLiteral("    ") + e.address);
    list_->setCurrentRow(select);
    showSelected();
}

void NetworkPortsDialog::showSelected() {
    const int row = list_->currentRow();
    if (row < 0 || row >= entries_.size()) return;
    name_->setText(entries_[row].name);
    address_->setText(entries_[row].address);
}

void NetworkPortsDialog::showResult(const QString& text, bool failure) {
    result_->setText(text);
    result_->setStyleSheet(failure ? QStringLiteral("color: rgb(255, 0, 0);") : QString());
}

bool NetworkPortsDialog::keep(const QList<NetworkPortEntry>& entries, int select) {
    QString error;
    if (!store_.save(entries, &error)) {
        showResult(error, true);
        return false;
    }
    entries_ = store_.load();
    showEntries(select);
    return true;
}

void NetworkPortsDialog::addEntry() {
    const NetworkPortEntry entry = edited();
    if (const QString problem = NetworkPortEntryProblem(entry, entries_); !problem.isEmpty()) {
        showResult(QStringLiteral("Not added: ") + problem, true);
        return;
    }
    if (keep(entries_ + QList{entry}, int(entries_.size())))
        showResult(QStringLiteral("Added %1").arg(entry.name), false);
}

void NetworkPortsDialog::changeEntry() {
    const int row = list_->currentRow();
    if (row < 0) {
        showResult(QStringLiteral("Not changed: no port is selected"), true);
        return;
    }
    QList<NetworkPortEntry> others = entries_;
    others.removeAt(row);
    const NetworkPortEntry entry = edited();
    if (const QString problem = NetworkPortEntryProblem(entry, others); !problem.isEmpty()) {
        showResult(QStringLiteral("Not changed: ") + problem, true);
        return;
    }
    QList<NetworkPortEntry> changed = entries_;
    changed[row] = entry;
    if (keep(changed, row)) showResult(QStringLiteral("Changed %1").arg(entry.name), false);
}

void NetworkPortsDialog::removeEntry() {
    const int row = list_->currentRow();
    if (row < 0) return;
    QList<NetworkPortEntry> rest = entries_;
    const QString name = rest.takeAt(row).name;
    if (keep(rest, std::min(row, int(rest.size()) - 1)))
        showResult(QStringLiteral("Removed %1").arg(name), false);
}

void NetworkPortsDialog::moveEntry(int by) {
    const int row = list_->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= entries_.size()) return;
    QList<NetworkPortEntry> moved = entries_;
    moved.swapItemsAt(row, to);
    keep(moved, to);
}

void NetworkPortsDialog::testEntry() {
    if (testing_) return;
    const NetworkPortEntry entry = edited();
    QString why;
    if (!ParseNetworkPortName(entry.address, &why)) {
        showResult(QStringLiteral("Not tested: ") +
                       NetworkPortEntryProblem({QStringLiteral("-"), entry.address}, {}),
                   true);
        return;
    }
    const QString name = entry.name.isEmpty() ? entry.address : entry.name;
    showResult(QStringLiteral("Testing %1...").arg(name), false);
    testing_ = true;
    for (QPushButton* b : buttons_) b->setEnabled(false);
    const OutcomeText words = PortCheckWords(check_.run(name, entry.address));
    testing_ = false;
    for (QPushButton* b : buttons_) b->setEnabled(true);
    showResult(words.text, words.failure);
    if (closeAfterTest_) QDialog::reject();
}

void NetworkPortsDialog::closeEvent(QCloseEvent* event) {
    if (testing_) {
        // The test's connection is let go first; the dialog closes when it has ended.
        closeAfterTest_ = true;
        check_.stop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void NetworkPortsDialog::reject() {
    if (testing_) {
        closeAfterTest_ = true;
        check_.stop();
        return;
    }
    QDialog::reject();
}

void AddNetworkPortsMenu(TForm1& form) {
    auto* menu = form.menuBar()->addMenu(QStringLiteral("&Device"));
    menu->setObjectName(QStringLiteral("Menu_Device"));
    QAction* ports = menu->addAction(QStringLiteral("&Network Ports..."));
    ports->setObjectName(QStringLiteral("Action_NetworkPorts"));
    NetworkPortStore* store = form.ports().networkPorts();
    ports->setEnabled(store != nullptr);
    QObject::connect(ports, &QAction::triggered, &form, [&form, store] {
        auto* open = form.findChild<NetworkPortsDialog*>();
        if (!open) {
            open = new NetworkPortsDialog(*store, &form);
            open->setAttribute(Qt::WA_DeleteOnClose);
        }
        open->show();
        open->raise();
        open->activateWindow();
    });
}

}  // namespace varnok
