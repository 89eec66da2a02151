#pragma once
// EDID image rules shared by every operation: validation, the CTA-861 data-block walk and the
// decoder. Plain byte logic: nothing here prints, shows anything or touches a file (edidio/ reads
// and writes the files).

#include <cstdint>

#include "edid/EdidInfo.h"

namespace varnok {

// How many bytes the EDID in an image has: 128 when the extension count is 0 and bytes 128..255
// are all 0xFF (what a 128-byte file or pasted text leaves), otherwise 256.
int EdidByteCount(const EdidImage& image);

// Clears the reason bits of info.status, then sets at most one; true when the image is valid.
bool ValidateEdidImage(EdidInfo& info);
// Walks the CTA-861 data blocks of the extension from position (132 for the first block) for a
// block whose tag (bits 7..5) equals tag; position then holds its header index.
bool FindDataBlock(const EdidImage& image, uint8_t tag, int& position);
// True when bytes 0..7 are the VESA E-EDID header 00 FF FF FF FF FF FF 00.
bool HasEdidHeader(const EdidImage& image);
// The value of byte 127 (block 0) or 255 (block 1) that makes the block sum to 0 modulo 256.
uint8_t BlockChecksum(const EdidImage& image, int block);
// Sets byte 127 (block 0) or 255 (block 1) to BlockChecksum.
void SetBlockChecksum(EdidImage& image, int block);

// The base block's display product name as the decoder takes it: the last descriptor
// 00 00 00 FC 00, up to 13 characters ended by 0x0A. False, name unchanged, when there is none.
bool FindMonitorName(const EdidImage& image, std::array<char, 14>& name);

// Decodes source (256 bytes, may be info.image itself) into info; true when the image is valid.
bool DecodeEdid(EdidInfo& info, const uint8_t* source);

}  // namespace varnok
