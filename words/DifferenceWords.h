#pragma once
// Bytes that differ between two EDIDs in words, the same in the window and varnok-cli: a byte's
// offset in decimal and hex with what the byte is ("54 (0x36) detailed timing 1: pixel clock"),
// and the first few of a list ("...; 127 (0x7f) checksum of block 0 and 3 more").

#include <QList>
#include <QString>

#include "edid/EdidCompare.h"

namespace varnok {

// "54 (0x36)".
QString ByteOffsetWords(int offset);
// "54 (0x36) detailed timing 1: pixel clock".
QString DifferingByteWords(const EdidByteDifference& d);
// The first `shown` bytes, each as DifferingByteWords, "; " between them, and "and N more" for
// the rest; empty for no bytes.
QString FirstDifferingBytesWords(const QList<EdidByteDifference>& bytes, int shown = 3);

}  // namespace varnok
