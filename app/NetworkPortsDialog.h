#pragma once
// Device > Network Ports...: the user's named network ports (tcp:// and rfc2217://), added,
// changed, tested, ordered and removed here and remembered at once in the user's store, which
// varnok-cli reads too. The search probes them after the local ports, in this order.
//
// Test probes the address in the edit as the search would, on a connection of its own, and shows
// the words of the result. Closing the dialog (or the program) during a test ends it first.

#include <QDialog>

#include "device/PortCheck.h"
#include "link/NetworkPortStore.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace varnok {

class TForm1;

class NetworkPortsDialog : public QDialog {
    Q_OBJECT
public:
    NetworkPortsDialog(NetworkPortStore& store, QWidget* parent = nullptr);

    // Add, Change and Remove keep the list and the store; each is refused in words (in the
    // result label) when the entry cannot be kept.
    void addEntry();
    void changeEntry();
    void removeEntry();
    void moveEntry(int by);
    void testEntry();
    bool testing() const { return testing_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void showEntries(int select);
    void showSelected();
    void showResult(const QString& text, bool failure);
    bool keep(const QList<NetworkPortEntry>& entries, int select);
    NetworkPortEntry edited() const;

    NetworkPortStore& store_;
    QList<NetworkPortEntry> entries_;
    PortCheck check_;
    bool testing_ = false;
    bool closeAfterTest_ = false;

    QListWidget* list_;
    QLineEdit* name_;
    QLineEdit* address_;
    QLabel* result_;
    QList<QPushButton*> buttons_;
};

// Adds the menu "Device" with "Network Ports..." to the window's menu bar; the item is disabled
// when the window's port list keeps no network ports (tests, the demo).
void AddNetworkPortsMenu(TForm1& form);

}  // namespace varnok
