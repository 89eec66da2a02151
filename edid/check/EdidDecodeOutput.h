#pragma once
// Debian edid-decode's output with --check, taken apart: the conformance summary (its Warnings
// and Failures sections and the "EDID conformity" line), which edid-decode prints at the end,
// split from the hex dump and the decode for the EDID window's Full Decode tab, and its items
// as notes for the check before an upload. Pure text in, text out.

#include <QString>

#include "edid/check/EdidFindings.h"

namespace varnok {

struct EdidDecodeReport {
    QString checks;      // the Warnings, Failures and conformity lines; empty when none came
    QString decode;      // everything before them
    QString conformity;  // "PASS", "FAIL", or empty when edid-decode printed no such line
    int failures = 0;    // items in the Failures section
    int warnings = 0;    // items in the Warnings section
};

EdidDecodeReport SplitEdidDecodeOutput(const QString& output);

// Whether output holds a decode, which edid-decode parts with lines of 16 '-', rather than only
// a complaint ("No EDID header found in 'stdin'.", also on standard output).
bool HasEdidDecode(const QString& output);

// One line for the top of the tab: "EDID conformity: FAIL (2 failures, 1 warning)".
QString EdidDecodeHeadline(const EdidDecodeReport& report);

// Each item of the summary's Failures and Warnings sections as a note, in edid-decode's order:
// code "edid-decode-failure" or "edid-decode-warning", the block its heading names ("Block 1,
// CTA-861 Extension Block:"; -1 under "EDID:", which is about the whole EDID), no byte offset,
// and the text "edid-decode failure: " or "edid-decode warning: " followed by the item, its
// indented continuation lines joined to it. Never an error: most real EDIDs fail the check.
EdidFindings EdidDecodeNotes(const QString& output);

// The Debian package that provides edid-decode, and the line shown when it is not installed.
inline constexpr char kEdidDecodeProgram[] = "edid-decode";
QString EdidDecodeMissingText();

}  // namespace varnok
