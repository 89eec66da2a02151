#include "words/WindowWords.h"

namespace varnok {

OutcomeText SearchingWords(const QString& port, int n, int count) {
    return {QStringLiteral("Searching %1 (%2 of %3)\u2026").arg(port).arg(n).arg(count), false,
            QString()};
}

OutcomeText ChooseFileFirstWords() {
    return {QStringLiteral("Choose a file first"), true, QStringLiteral("upload.no-file")};
}

QString CreatorLossQuestion(const QStringList& losses, bool upload) {
    QString text = QStringLiteral(
        "The EDID built from the creator's pages drops what the loaded EDID held:\n");
    for (const QString& loss : losses) text += QStringLiteral("\u2022 ") + loss + u'\n';
    text += upload ? QStringLiteral("\nUpload it anyway?") : QStringLiteral("\nSave it anyway?");
    return text;
}

QString CreatorLossGoOn(bool upload) {
    return upload ? QStringLiteral("Upload Anyway") : QStringLiteral("Save Anyway");
}

OutcomeText CreatorLossCancelledWords(bool upload) {
    return {upload ? QStringLiteral("Nothing uploaded: the built EDID would drop what the loaded "
                                    "EDID held")
                   : QStringLiteral("Nothing saved: the built EDID would drop what the loaded "
                                    "EDID held"),
            false, QStringLiteral("creator.losses-cancelled")};
}

}  // namespace varnok
