#pragma once
// Dialogs for tests: each open/save answer is taken from a queue (nothing queued means the user
// cancels), and every message box is recorded instead of shown.

#include <QList>
#include <QString>
#include <deque>
#include <optional>

#include "app/Dialogs.h"

namespace varnok {

class ScriptedDialogs : public Dialogs {
public:
    std::deque<std::optional<QString>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
    QStringList proposedSaveNames;
    int openCount = 0;
    QStringList errors;
    QStringList informations;
    std::optional<QPoint> lastInformationAt;
    // Each question's answer from the front; nothing queued: the first answer ("Upload anyway",
    // "Save Anyway"), so tests of other things upload their made-up EDIDs as before.
    std::deque<bool> questionAnswers;
    QStringList questions;
    std::deque<std::optional<QString>> folderAnswers;

    // Answers to "save the changes?", in order; nothing queued means Discard, so that a test
    // that leaves an edited EDID window never blocks its close.
    std::deque<UnsavedChoice> unsavedAnswers;
    QStringList unsavedQuestions;
    UnsavedChoice askUnsaved(const QString& text) override {
        unsavedQuestions << text;
        if (unsavedAnswers.empty()) return UnsavedChoice::Discard;
        const UnsavedChoice choice = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return choice;
    }
    void showError(const QString& text) override { errors << text; }
    void showInformation(const QString& text, std::optional<QPoint> at) override {
        informations << text;
        lastInformationAt = at;
    }
    bool askQuestion(const QString& text, const QString&, const QString&, DefaultAnswer) override {
        questions << text;
        if (questionAnswers.empty()) return true;
        const bool yes = questionAnswers.front();
        questionAnswers.pop_front();
        return yes;
    }
    std::optional<QString> askFolder(const QString&) override { return takeAnswer(folderAnswers); }

protected:
    std::optional<QString> askOpen(const QString&) override {
        ++openCount;
        return takeAnswer(openAnswers);
    }
    std::optional<QString> askSave(const QString& proposedName) override {
        proposedSaveNames << proposedName;
        return takeAnswer(saveAnswers);
    }

private:
    // Takes the string out rather than copying the optional: GCC 12 at -O2 reports the copy of
    // a std::optional<QString> as a read of uninitialised memory (a false positive).
    static std::optional<QString> takeAnswer(std::deque<std::optional<QString>>& answers) {
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) answers.pop_front();
            return std::nullopt;
        }
        QString chosen = std::move(*answers.front());
        answers.pop_front();
        return chosen;
    }
};

}  // namespace varnok
