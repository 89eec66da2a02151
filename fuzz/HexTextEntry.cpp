// Any text pasted as an EDID's hex: the reader either takes 128 or 256 bytes or says in one
// printable sentence why not, and what the program writes reads back as the same image.

#include <QString>
#include <algorithm>

#include "edid/Edid.h"
#include "edid/EdidHexText.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"

namespace varnok::fuzz {
namespace {

void CheckReadsBack(const EdidImage& image, const QString& written, const char* what) {
    const EdidHexText back = ParseEdidHexText(written);
    FuzzRequire(back.ok, what);
    FuzzRequire(back.image == image, what);
    FuzzRequire(back.size == EdidByteCount(image), what);
}

}  // namespace

int FuzzHexText(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const EdidHexText read = ParseEdidHexText(text);
    if (!read.ok) {
        FuzzRequire(read.size == 0, "a failed read with a size");
        FuzzRequire(!read.error.isEmpty() && read.error.endsWith(u'.'),
                    "a failed read without its sentence");
        // The sentence may quote the text and go to a terminal: no control characters.
        FuzzRequire(
            std::all_of(read.error.begin(), read.error.end(), [](QChar c) { return c.isPrint(); }),
            "a control character in the error text");
        return 0;
    }
    FuzzRequire(read.error.isEmpty(), "an error text for a good read");
    FuzzRequire(read.size == kBlockSize || read.size == kEdidSize, "a size other than 128 or 256");
    if (read.size == kBlockSize) {
        FuzzRequire(std::all_of(read.image.begin() + kBlockSize, read.image.end(),
                                [](uint8_t b) { return b == 0xFF; }),
                    "a 128-byte EDID whose block 1 is not 0xFF");
    }
    CheckReadsBack(read.image, FormatEdidHex(read.image), "edid-decode hex does not read back");
    CheckReadsBack(read.image, FormatEdidHexDump(read.image), "hex dump does not read back");

    QString array = QStringLiteral("/* pasted */ static const uint8_t edid[] = {\n");
    for (int i = 0; i < EdidByteCount(read.image); ++i) {
        array += QString::asprintf("0x%02X,%c", unsigned{read.image[i]}, i % 8 == 7 ? '\n' : ' ');
    }
    array += QStringLiteral("}; // end\n");
    CheckReadsBack(read.image, array, "C array does not read back");
    return 0;
}

}  // namespace varnok::fuzz
