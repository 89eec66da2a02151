#pragma once
// EDID image rules shared by every operation: the .bin file form, validation, the CTA-861
// data-block walk and the decoder. Plain byte logic; nothing here prints or shows anything.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "edid/EdidInfo.h"

namespace varnok {

// Reads exactly 256 bytes: bytes past the end of a short file read as 0xFF, bytes past 256 are
// ignored. False when the file can't be opened or is no regular file (a directory, a FIFO, a
// device); the image is then left unchanged.
bool ReadEdidFile(const QString& path, EdidImage& image);
// Saves the 256 bytes as the file at path. They go to a temporary file beside it, are flushed
// and their size checked, and only then does the temporary file replace the target: a save that
// fails (a full disk, a name too long for the temporary name beside it) leaves an existing file
// exactly as it was. On failure *reason, when given, says why in words ("No space left on
// device"). Every save of an EDID file goes through here.
bool SaveEdidFile(const QString& path, const EdidImage& image, QString* reason);
// Whether a file can be created at path, checked without touching an existing one; a download
// asks this before it asks the device for anything.
bool CanCreateEdidFile(const QString& path, QString* reason);
// SaveEdidFile without the reason.
bool WriteEdidFile(const QString& path, const EdidImage& image);
// Reads at most maxBytes of a regular file, to its real end (sysfs files state a size of 0).
// False when the path is no regular file (a FIFO or a device would wait for a writer, or never
// end) or can't be opened; a read error after a good open leaves the bytes read so far.
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray& bytes);
// Why ReadEdidFile or ReadRegularFile could not read path, in the system's words ("No such file
// or directory", "Permission denied", "Is a directory").
QString FileReadFailure(const QString& path);
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
