#include "app/UploadCheck.h"

#include <algorithm>

#include "app/Dialogs.h"
#include "edid/Edid.h"
#include "edid/check/EdidCheck.h"
#include "words/EdidCheckWords.h"

namespace varnok {

QByteArray CheckedBytes(const EdidImage& image) {
    const QByteArray bytes = EdidImageBytes(image);
    const bool baseOnly = image[126] == 0 && std::all_of(image.begin() + kBlockSize, image.end(),
                                                         [](uint8_t b) { return b == 0xFF; });
    return baseOnly ? bytes.left(kBlockSize) : bytes;
}

bool ConfirmUploadCheck(Dialogs& dialogs, const QByteArray& edid) {
    const EdidFindings findings = CheckEdid(edid);
    if (!HasEdidError(findings)) return true;
    return dialogs.askQuestion(UploadCheckQuestion(findings), QStringLiteral("Upload anyway"),
                               QStringLiteral("Cancel"));
}

bool ConfirmDeviceImageUpload(Dialogs& dialogs, const EdidImage& image) {
    EdidInfo judged;
    judged.image = image;
    if (!ValidateEdidImage(judged)) return true;
    return ConfirmUploadCheck(dialogs, CheckedBytes(image));
}

}  // namespace varnok
