#include "app/RecentEdidFiles.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace varnok {
namespace {

const QString kKey = QStringLiteral("EdidWindow/RecentFiles");

void Store(const QStringList& files) {
    QSettings s(QSettings::UserScope, QStringLiteral("Varnok"), QStringLiteral("Varnok"));
    s.setValue(kKey, files);
}

}  // namespace

QStringList RecentEdidFiles() {
    QSettings s(QSettings::UserScope, QStringLiteral("Varnok"), QStringLiteral("Varnok"));
    return s.value(kKey).toStringList().mid(0, kMaxRecentEdidFiles);
}

void RememberRecentEdidFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentEdidFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    Store(files.mid(0, kMaxRecentEdidFiles));
}

void AttachRecentEdidFilesMenu(QMenu* menu, std::function<void(const QString&)> open) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, open] {
        menu->clear();
        QStringList kept;
        QStringList gone;
        for (const QString& f : RecentEdidFiles()) (QFileInfo::exists(f) ? kept : gone) << f;
        if (!gone.isEmpty()) Store(kept);
        for (int i = 0; i < kept.size(); ++i) {
            const QString path = kept[i];
            QAction* a = menu->addAction(
                QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
            a->setObjectName(QStringLiteral("Action_Recent%1").arg(i + 1));
            a->setToolTip(path);
            QObject::connect(a, &QAction::triggered, menu, [open, path] { open(path); });
        }
        if (kept.isEmpty() && gone.isEmpty())
            menu->addAction(QStringLiteral("No recent files"))->setEnabled(false);
        if (!gone.isEmpty()) {
            QStringList names;
            for (const QString& g : gone) names << QFileInfo(g).fileName();
            QAction* a = menu->addAction(QStringLiteral("Removed, no longer there: %1")
                                             .arg(names.join(QStringLiteral(", "))));
            a->setObjectName(QStringLiteral("Action_RecentGone"));
            a->setToolTip(gone.join(QLatin1Char('\n')));
            a->setEnabled(false);
        }
    });
}

}  // namespace varnok
