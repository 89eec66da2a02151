#pragma once
// What the check of an EDID found: each finding with its level, where it is and what it means
// for a source, in the words the window's dialogs and varnok-cli both show.

#include <QJsonArray>
#include <QList>
#include <QString>

namespace varnok {

enum class EdidFindingLevel {
    Error,  // breaks real sources: an upload should ask first
    Note,   // a conformance finding real monitors ship with: never blocks anything
};

struct EdidFinding {
    EdidFindingLevel level = EdidFindingLevel::Error;
    int block = -1;   // the 128-byte block, 0 for the base block; -1: the EDID as a whole
    int offset = -1;  // the byte in the whole EDID (block 1's checksum is 255); -1: none
    QString code;     // short and stable, for scripts: "checksum", "edid-decode-failure", ...
    QString text;     // what is wrong and what it means for a source, one sentence
};

using EdidFindings = QList<EdidFinding>;

bool HasEdidError(const EdidFindings& findings);

// "error" or "note".
QString EdidFindingLevelName(EdidFindingLevel level);

// One line: "error: block 1, byte 255: block 1 checksum is 0x3C, ...". The block and the byte
// are left out where the finding has none.
QString FormatEdidFinding(const EdidFinding& finding);

// The findings for --json: objects with level, block, offset (null where there is none), code
// and text.
QJsonArray EdidFindingsJson(const EdidFindings& findings);

// Bytes and values in findings and fix reports: "0x3C".
QString EdidHexByte(unsigned value);

}  // namespace varnok
