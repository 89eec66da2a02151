// varnok-edid-report FILE...: the analyzer's fourteen report rows for each EDID file, one
// "Caption<TAB>Value" line per row after a line with the file's path. A line break inside a value
// is written as the four characters \r\n so that every row stays on one line.

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "Edid.h"
#include "EdidReport.h"

using namespace varnok;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        err << "usage: varnok-edid-report FILE...\n";
        return 2;
    }
    int unreadable = 0;
    for (const QString& path : files) {
        EdidInfo info;
        if (!ReadEdidFile(path, info.image)) {
            err << "varnok-edid-report: cannot open " << path << "\n";
            ++unreadable;
            continue;
        }
        DecodeEdid(info, info.image.data());
        const EdidReport report = MakeEdidReport(info);
        out << path << "\n";
        for (int row = 0; row < kEdidReportRowCount; ++row) {
            QString value = report.values[row];
            value.replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n"));
            out << QString::fromLatin1(kEdidReportRows[row].caption).trimmed() << "\t" << value
                << "\n";
        }
    }
    out.flush();
    return unreadable == 0 ? 0 : 1;
}
