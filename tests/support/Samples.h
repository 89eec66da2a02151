#pragma once
// The folder of the 300 real EDID samples: the one CTest names (VARNOK_SAMPLES_DIR, the shared
// copy beside the project when there is one), else the copy shipped with the tests.

#include <QDir>
#include <QFile>
#include <QString>

namespace varnok {

inline QString SamplesDir() {
    const QString fromEnv = qEnvironmentVariable("VARNOK_SAMPLES_DIR");
    if (!fromEnv.isEmpty() && QFile::exists(fromEnv + QStringLiteral("/INDEX.tsv"))) return fromEnv;
    return qEnvironmentVariable("VARNOK_SOURCE_DIR") + QStringLiteral("/tests/edid/samples");
}

// A sample's path by its file name ("1020192587EC.bin").
inline QString SamplePath(const QString& name) {
    return SamplesDir() + QLatin1Char('/') + name;
}

}  // namespace varnok
