#pragma once
// The EDID window's recent files: the .bin files last opened in any EDID window, newest first, at
// most kMaxRecentEdidFiles, kept per user in the settings. A file no longer there is dropped from
// the list, and the menu says which.

#include <QString>
#include <QStringList>
#include <functional>

class QMenu;

namespace varnok {

inline constexpr int kMaxRecentEdidFiles = 8;

QStringList RecentEdidFiles();
// Puts path (made absolute) first, once.
void RememberRecentEdidFile(const QString& path);
// Fills `menu` each time it is about to show: an entry per recent file (chosen: `open` gets its
// path), then, when files were dropped for being gone, a disabled line naming them.
void AttachRecentEdidFilesMenu(QMenu* menu, std::function<void(const QString&)> open);

}  // namespace varnok
