#pragma once
// EDID files for tests, as booleans for QVERIFY: the device's file rule (256 bytes, 0xFF past
// the end) and the checked writer.

#include <QString>

#include "edid/EdidInfo.h"
#include "edidio/EdidSave.h"
#include "edidio/FileRead.h"

namespace varnok {

// False, image unchanged, when the file can't be opened.
inline bool LoadImageFile(const QString& path, EdidImage& image) {
    const Result<ReadOutcome, EdidImage> read = ReadEdidFile(path);
    if (!read.is(ReadOutcome::Read)) return false;
    image = read.data;
    return true;
}

inline bool SaveImageFile(const QString& path, const EdidImage& image) {
    return SaveEdidFile(path, image).is(SaveOutcome::Saved);
}

}  // namespace varnok
