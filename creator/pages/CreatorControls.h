#pragma once
// Finding the creator's controls at run time by name, as the families' tables give them.

#include <QCheckBox>
#include <QLineEdit>
#include <QObject>

#include "creator/pages/CreatorTables.h"

namespace varnok {

inline QCheckBox* FindBox(const QObject* root, const QString& name) {
    return root->findChild<QCheckBox*>(name);
}
inline QCheckBox* FindBox(const QObject* root, const BoxRow& row) {
    return FindBox(root, ControlName(row));
}
inline QCheckBox* FindBox(const QObject* root, const char* prefix, int number,
                          const char* suffix = "") {
    return FindBox(root, ControlName(prefix, number, suffix));
}
inline QLineEdit* FindEdit(const QObject* root, const char* name) {
    return root->findChild<QLineEdit*>(QLatin1String(name));
}

}  // namespace varnok
