#pragma once
// The built-in EDID the creator starts from ("Brand New"): a valid image with one CTA-861
// extension, manufacturer "NEW", monitor name "BrandNewEdid", 1080p60 preferred, VIC 16,
// 2-channel L-PCM and an HDMI block with physical address 1.0.0.0. Its year and week bytes are
// the stored ones (week 15 of 2015); the creator fills the current date into its own fields.

#include "edid/EdidInfo.h"

namespace varnok {

const EdidImage& DefaultEdidImage();

}  // namespace varnok
