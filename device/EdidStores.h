#pragma once
// The program's EDID image stores, each living for the whole run and overwritten by the next
// operation that fills it.

#include <QString>

#include "edid/EdidInfo.h"

namespace varnok {

enum class EdidSource { Internal, External, User, Stored };

// The source's name in the user's words: "Internal EDID", "External EDID", "User EDID",
// "Stored EDID".
inline QString EdidSourceName(EdidSource s) {
    switch (s) {
        case EdidSource::Internal:
            return QStringLiteral("Internal EDID");
        case EdidSource::External:
            return QStringLiteral("External EDID");
        case EdidSource::User:
            return QStringLiteral("User EDID");
        case EdidSource::Stored:
            break;
    }
    return QStringLiteral("Stored EDID");
}

struct EdidStores {
    EdidInfo internal;  // AnalyzerImage Internal: analyzer read, Internal download
    EdidInfo external;  // AnalyzerImage External: analyzer read, External download
    EdidInfo user;      // AnalyzerImage User: analyzer read, User download, file to upload
    EdidInfo stored;    // the Stored download
    EdidInfo creator;   // CreatorImage: Brand New, Bin Modifiy, the builder

    EdidInfo& forSource(EdidSource s) {
        switch (s) {
            case EdidSource::Internal:
                return internal;
            case EdidSource::External:
                return external;
            case EdidSource::User:
                return user;
            case EdidSource::Stored:
                break;
        }
        return stored;
    }
};

}  // namespace varnok
