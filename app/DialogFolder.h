#pragma once
// The folder the file dialogs open in: the one a file was last chosen in, kept in the settings
// across runs, so that the next dialog starts where the user left off.

#include <QString>

class QSettings;

namespace varnok {

class DialogFolder {
public:
    explicit DialogFolder(QSettings& settings) : settings_(settings) {}

    // Where a dialog proposing `proposed` starts: a bare name (or nothing) in the remembered
    // folder; a path naming its own folder as it is.
    QString startPath(const QString& proposed) const;
    // The folder of a file just chosen, for the next dialog.
    void remember(const QString& chosenPath);
    // A folder just chosen (an export's), for the next dialog.
    void rememberFolder(const QString& folder);

private:
    QSettings& settings_;
};

}  // namespace varnok
