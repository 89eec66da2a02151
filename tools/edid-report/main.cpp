// varnok-edid-report: the analyzer's fourteen report rows for each EDID file, one
// "Caption<TAB>Value" line per row after a line with the file's path. A line break inside a value
// is written as the four characters \r\n so that every row stays on one line. The exit status
// tells a script what it found (see kUsage).

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "edid/Edid.h"
#include "edid/EdidReport.h"
#include "edidio/FileRead.h"

using namespace varnok;

namespace {

const char kUsage[] =
    "Usage: varnok-edid-report [OPTION]... FILE...\n"
    "Print the EDID analyzer's fourteen report rows for each EDID file (.bin, 256 bytes; a\n"
    "shorter file reads as if padded with 0xFF): a line with the file's path, then one\n"
    "\"Caption<TAB>Value\" line per row.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
    "  --             end of the options: every argument after it is a file\n"
    "\n"
    "Exit status:\n"
    "  0  every file was read and is a valid EDID\n"
    "  1  a file could not be read (\"varnok-edid-report: FILE: REASON\" on stderr); the\n"
    "     others are still reported\n"
    "  2  usage error\n"
    "  3  every file was read, and one or more are not valid EDIDs (\"Illegal\")\n";

enum Exit { kValid = 0, kUnreadable = 1, kUsageError = 2, kInvalid = 3 };

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList files;
    bool options = true;
    for (const QString& arg : app.arguments().mid(1)) {
        if (options && arg == QLatin1String("--")) {
            options = false;
        } else if (options && (arg == QLatin1String("-h") || arg == QLatin1String("--help"))) {
            out << kUsage;
            return kValid;
        } else if (options && arg == QLatin1String("--version")) {
            out << "varnok-edid-report " << PROJECT_VERSION << "\n";
            return kValid;
        } else if (options && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            err << "varnok-edid-report: unknown option '" << arg << "'\n" << kUsage;
            return kUsageError;
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        err << "varnok-edid-report: no FILE given\n" << kUsage;
        return kUsageError;
    }

    bool unreadable = false;
    bool invalid = false;
    for (const QString& path : files) {
        EdidInfo info;
        const Result<ReadOutcome, EdidImage> read = ReadEdidFile(path);
        if (!read.is(ReadOutcome::Read)) {
            err << "varnok-edid-report: " << path << ": " << read.reason << "\n";
            unreadable = true;
            continue;
        }
        info.image = read.data;
        invalid |= !DecodeEdid(info, info.image.data());
        const EdidReport report = MakeEdidReport(info);
        out << path << "\n";
        for (int row = 0; row < kEdidReportRowCount; ++row)
            out << EdidReportLine(report, row) << "\n";
    }
    out.flush();
    // A file that could not be read weighs more than one that was read and judged.
    return unreadable ? kUnreadable : invalid ? kInvalid : kValid;
}
