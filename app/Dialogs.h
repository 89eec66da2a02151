#pragma once
// The window's shared file dialogs (OpenDialog1, SaveDialog1, filter "EDID (*.bin)") and its
// message boxes, behind one seam so that operations and tests never depend on native dialogs.
//
// The open dialog remembers the file last chosen in it on any page: every operation that reads a
// file uses that name, also after a later cancel.

#include <QPoint>
#include <QString>
#include <optional>

namespace varnok {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // OpenDialog1: true when the user confirmed a file, which becomes openFileName().
    bool executeOpen() {
        auto chosen = askOpen(openFileName_);
        if (!chosen) return false;
        openFileName_ = *chosen;
        return true;
    }
    const QString& openFileName() const { return openFileName_; }

    // SaveDialog1 proposing proposedName; the chosen path, or nothing when cancelled. The path
    // chosen last stays known, for the words that tell where a file went.
    std::optional<QString> executeSave(const QString& proposedName) {
        auto chosen = askSave(proposedName);
        saveFileName_ = chosen ? *chosen : QString();
        return chosen;
    }
    // The path chosen in the last save dialog; empty when it was cancelled.
    const QString& saveFileName() const { return saveFileName_; }

    // An open dialog of the EDID window's own: the answer does not become openFileName(), so a
    // file looked at there never changes what the main window's pages upload or check.
    std::optional<QString> executeOpenApart(const QString& current) { return askOpen(current); }

    // Changes not saved yet, about to be lost: save them first, discard them, or cancel what
    // would lose them.
    enum class UnsavedChoice { Save, Discard, Cancel };
    virtual UnsavedChoice askUnsaved(const QString& text) = 0;
    // An error raised inside a handler, shown with its text; the program carries on.
    virtual void showError(const QString& text) = 0;
    // An information box with one OK button, its top-left corner at `at` when given.
    virtual void showInformation(const QString& text, std::optional<QPoint> at = std::nullopt) = 0;
    // A question with two answers: true for `yes` ("Upload anyway"), false for `no` ("Cancel")
    // or when the box is closed. The default button is `yes` where going on is the usual
    // answer, `no` where going on loses something.
    enum class DefaultAnswer { Yes, No };
    virtual bool askQuestion(const QString& text, const QString& yes, const QString& no,
                             DefaultAnswer defaultAnswer = DefaultAnswer::Yes) = 0;
    // A folder dialog (the EDID window's exports): the folder chosen, or nothing when cancelled.
    virtual std::optional<QString> askFolder(const QString& title) = 0;

protected:
    virtual std::optional<QString> askOpen(const QString& current) = 0;
    virtual std::optional<QString> askSave(const QString& proposedName) = 0;

private:
    QString openFileName_;
    QString saveFileName_;
};

}  // namespace varnok
