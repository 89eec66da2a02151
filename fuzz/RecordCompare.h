#pragma once
// Field-by-field comparison of two EDID records (the struct has padding, so no memcmp).

#include "edid/EdidInfo.h"

namespace varnok::fuzz {

enum RecordSkip : unsigned {
    SkipNothing = 0,
    SkipImage = 1u << 0,
    SkipFeatures = 1u << 1,
    SkipStandardTimings = 1u << 2,
    SkipColorimetryFlags2 = 1u << 3,  // colorimetry[1]: kept from an earlier image by design
};

// The name of the first field that differs (nullptr when none does).
inline const char* FirstDifferentField(const EdidInfo& a, const EdidInfo& b, unsigned skip) {
#define VARNOK_SAME(field) \
    if (!(a.field == b.field)) return #field
    VARNOK_SAME(status);
    if (!(skip & SkipFeatures)) VARNOK_SAME(features);
    if (!(skip & SkipImage)) VARNOK_SAME(image);
    VARNOK_SAME(manufacturer);
    VARNOK_SAME(monitorName);
    VARNOK_SAME(productCode);
    VARNOK_SAME(serialNumber);
    VARNOK_SAME(manufactureYear);
    VARNOK_SAME(manufactureWeek);
    VARNOK_SAME(establishedTimings);
    if (!(skip & SkipStandardTimings)) VARNOK_SAME(standardTimings);
    VARNOK_SAME(extensionDtds);
    VARNOK_SAME(ceaFlags);
    VARNOK_SAME(hdmiDeepColor);
    VARNOK_SAME(maxColorDepth);
    VARNOK_SAME(vicList);
    VARNOK_SAME(sads);
    VARNOK_SAME(speakerAllocation);
    VARNOK_SAME(yuv420Vics);
    VARNOK_SAME(hdmiVics);
    VARNOK_SAME(hdmi3dLength);
    VARNOK_SAME(hdmi3dFlags);
    VARNOK_SAME(hdmi3dData);
    VARNOK_SAME(videoCapability);
    VARNOK_SAME(colorimetry[0]);
    if (!(skip & SkipColorimetryFlags2)) VARNOK_SAME(colorimetry[1]);
    VARNOK_SAME(hdrStaticMetadata);
    VARNOK_SAME(maxResolutionName);
    VARNOK_SAME(supports600MHz);
    VARNOK_SAME(yuv420DeepColor);
    VARNOK_SAME(scdcPresent);
    VARNOK_SAME(yuv420Supported);
    VARNOK_SAME(cecAddress);
    VARNOK_SAME(audioFormats);
    VARNOK_SAME(maxAudioChannels);
#undef VARNOK_SAME
    return nullptr;
}

}  // namespace varnok::fuzz
