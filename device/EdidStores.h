#pragma once
// The program's EDID image stores, each living for the whole run and overwritten by the next
// operation that fills it.

#include "EdidInfo.h"

namespace varnok {

enum class EdidSource { Internal, External, User, Stored };

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
