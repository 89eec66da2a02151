// bytes, compare, import-hex and displays: EDID bytes as text, two EDIDs side by side, hex text to
// a file, and the EDIDs of this computer's displays.

#include "CliCommands.h"

namespace varnok::cli {

ExitStatus RunBytes(CliRun& run) {
    return run.fail(ExitStatus::Usage, QStringLiteral("bytes: not available yet"));
}
ExitStatus RunCompare(CliRun& run) {
    return run.fail(ExitStatus::Usage, QStringLiteral("compare: not available yet"));
}
ExitStatus RunImportHex(CliRun& run) {
    return run.fail(ExitStatus::Usage, QStringLiteral("import-hex: not available yet"));
}
ExitStatus RunDisplays(CliRun& run) {
    return run.fail(ExitStatus::Usage, QStringLiteral("displays: not available yet"));
}

}  // namespace varnok::cli
