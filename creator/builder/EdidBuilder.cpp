#include "creator/builder/EdidBuilder.h"

#include "creator/builder/BaseBlockWriter.h"
#include "creator/builder/ExtensionWriter.h"
#include "creator/builder/LoadedExtension.h"

namespace varnok {

QStringList WriteCreatedImage(EdidInfo& info) {
    QStringList notes;
    // Only the 3D choice is carried in the feature bits; the rest describe a decoded image.
    info.features &= Has3D;
    WriteBaseBlock(info);
    // The reused blocks are read before block 1 is overwritten; the base block already carries
    // extension count 1, which the data-block walk requires.
    const LoadedExtension loaded = ReadLoadedExtension(info, notes);
    WriteExtensionBlock(info, loaded, notes);
    return notes;
}

}  // namespace varnok
