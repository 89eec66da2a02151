#pragma once
// Dialogs for tests: each open/save answer is taken from a queue (nothing queued means the user
// cancels), and every message box is recorded instead of shown.

#include <QList>
#include <QString>
#include <deque>
#include <optional>

#include "Dialogs.h"

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

    void showError(const QString& text) override { errors << text; }
    void showInformation(const QString& text, std::optional<QPoint> at) override {
        informations << text;
        lastInformationAt = at;
    }

protected:
    std::optional<QString> askOpen(const QString&) override {
        ++openCount;
        if (openAnswers.empty()) return std::nullopt;
        auto a = openAnswers.front();
        openAnswers.pop_front();
        return a;
    }
    std::optional<QString> askSave(const QString& proposedName) override {
        proposedSaveNames << proposedName;
        if (saveAnswers.empty()) return std::nullopt;
        auto a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
};

}  // namespace varnok
