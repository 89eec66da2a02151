#include "words/WindowWords.h"

namespace varnok {

OutcomeText SearchingWords(const QString& port, int n, int count) {
    return {QStringLiteral("Searching %1 (%2 of %3)\u2026").arg(port).arg(n).arg(count), false,
            QString()};
}

OutcomeText ChooseFileFirstWords() {
    return {QStringLiteral("Choose a file first"), true, QStringLiteral("upload.no-file")};
}

}  // namespace varnok
