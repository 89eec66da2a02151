#pragma once
// The words of the check before upload, Fix checksums, Fit to 256 bytes and the override
// exports, once for the EDID window and varnok-cli.

#include <QString>

#include "edid/check/EdidFindings.h"
#include "edid/check/EdidFit.h"
#include "edid/check/EdidFix.h"
#include "edidio/EdidExportFiles.h"
#include "words/OutcomeWords.h"

namespace varnok {

// The check of what (a path, "the EDID"): "the EDID has 2 errors: sources may reject it or some
// of its blocks" (a failure), or "the EDID has no errors (3 notes from edid-decode)".
OutcomeText CheckWords(const EdidFindings& findings, const QString& what);

// The dialog's question before an upload of an EDID with errors: the findings one a line.
QString UploadCheckQuestion(const EdidFindings& findings);

// An upload from the window cancelled in the question about the EDID's errors (or its fit).
OutcomeText UploadCheckCancelledWords();

// Fix checksums: what changed ("Fixed: block 1 checksum (byte 255) changed from 0x3C to 0x62"),
// or that nothing needed fixing.
OutcomeText FixWords(const EdidFixResult& fix);

// Fit to 256 bytes: how many items were moved and dropped, or that the EDID already fits.
OutcomeText FitWords(const EdidFitResult& fit);
// The question before an EDID of `bytes` bytes goes where only 256 fit (the device, the
// creator): the dropped items one a line, then "Fit it and <then>?" ("upload the fitted EDID").
QString FitQuestion(const EdidFitResult& fit, int bytes, const QString& then);

// An EDID of what (a path) larger than the device holds, refused by an upload: it names the fit.
OutcomeText TooLargeForDeviceWords(const QString& what, int bytes);
// A saved EDID larger than the device holds: "the device holds 256 of its 384 bytes (fit makes
// an EDID it can hold)"; empty for 256 bytes or less.
QString DeviceCannotHoldWords(int bytes);

// An export for Linux or Windows into folder.
OutcomeText ExportWords(const ExportResult& result, const QString& folder);

}  // namespace varnok
