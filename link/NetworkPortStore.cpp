#include "link/NetworkPortStore.h"

#include <QSettings>

#include "link/NetworkPortName.h"

namespace varnok {

namespace {
const QString kArray = QStringLiteral("ports");
const QString kName = QStringLiteral("name");
const QString kAddress = QStringLiteral("address");
}  // namespace

QString NetworkPortEntryProblem(const NetworkPortEntry& entry,
                                const QList<NetworkPortEntry>& others) {
    const QString name = entry.name.trimmed();
    if (name.isEmpty()) return QStringLiteral("the name is empty");
    for (const QChar c : {u',', u'=', u'/', u'\\'})
        if (name.contains(c)) return QStringLiteral("the name may not contain '%1'").arg(c);
    for (const NetworkPortEntry& other : others)
        if (other.name.trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return QStringLiteral("the name '%1' is already used").arg(name);
    if (entry.address.trimmed().isEmpty()) return QStringLiteral("the address is empty");
    QString why;
    if (!ParseNetworkPortName(entry.address.trimmed(), &why)) {
        if (!NetworkPortKindOf(entry.address.trimmed()))
            return QStringLiteral("the address is not %1 or %2")
                .arg(NetworkPortForm(NetworkPortKind::Tcp),
                     NetworkPortForm(NetworkPortKind::Rfc2217));
        return QStringLiteral("the address: ") + why;
    }
    return {};
}

NetworkPortStore::NetworkPortStore()
    : path_(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Varnok"),
                      QStringLiteral("network-ports"))
                .fileName()) {}

NetworkPortStore::NetworkPortStore(const QString& iniPath) : path_(iniPath) {}

QList<NetworkPortEntry> NetworkPortStore::load() const {
    QSettings settings(path_, QSettings::IniFormat);
    QList<NetworkPortEntry> entries;
    const int n = settings.beginReadArray(kArray);
    for (int i = 0; i < n; ++i) {
        settings.setArrayIndex(i);
        const NetworkPortEntry entry{settings.value(kName).toString().trimmed(),
                                     settings.value(kAddress).toString().trimmed()};
        if (NetworkPortEntryProblem(entry, entries).isEmpty()) entries.append(entry);
    }
    settings.endArray();
    return entries;
}

bool NetworkPortStore::save(const QList<NetworkPortEntry>& entries, QString* error) const {
    QList<NetworkPortEntry> kept;
    for (const NetworkPortEntry& entry : entries) {
        const QString problem = NetworkPortEntryProblem(entry, kept);
        if (!problem.isEmpty()) {
            if (error) *error = entry.name.trimmed() + QStringLiteral(": ") + problem;
            return false;
        }
        kept.append({entry.name.trimmed(), entry.address.trimmed()});
    }
    QSettings settings(path_, QSettings::IniFormat);
    settings.remove(kArray);
    settings.beginWriteArray(kArray, int(kept.size()));
    for (int i = 0; i < kept.size(); ++i) {
        settings.setArrayIndex(i);
        settings.setValue(kName, kept[i].name);
        settings.setValue(kAddress, kept[i].address);
    }
    settings.endArray();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        if (error) *error = QStringLiteral("%1 cannot be written").arg(path_);
        return false;
    }
    return true;
}

NetworkPortLister::NetworkPortLister(std::unique_ptr<PortLister> local, NetworkPortStore store)
    : local_(std::move(local)), store_(std::move(store)) {}

QStringList NetworkPortLister::ListSerialPorts() {
    QStringList names = local_->ListSerialPorts();
    listed_.clear();
    for (const NetworkPortEntry& entry : store_.load()) {
        if (names.contains(entry.name)) continue;
        names.append(entry.name);
        listed_.append(entry);
    }
    return names;
}

QString NetworkPortLister::pathFor(const QString& name) const {
    for (const NetworkPortEntry& entry : listed_)
        if (entry.name == name) return entry.address;
    return local_->pathFor(name);
}

std::unique_ptr<SerialPort> NetworkPortLister::createPort(const QString& path) {
    return local_->createPort(path);
}

}  // namespace varnok
