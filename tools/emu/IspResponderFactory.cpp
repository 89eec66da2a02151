// The ROM image and the choice of the ISP loader variant.

#include "tools/emu/IspResponder.h"
#include "tools/emu/IspVariant0.h"
#include "tools/emu/IspVariant1.h"

namespace varnok {

IspRom::IspRom(const QByteArray& initial) : bytes_(kBanks * kBankSize, char(0xFF)) {
    assign(initial);
}

void IspRom::assign(const QByteArray& image) {
    bytes_.fill(char(0xFF));
    write(0, image);
}

void IspRom::write(int offset, const QByteArray& bytes) {
    for (int i = 0; i < bytes.size(); ++i) {
        const qsizetype at = qsizetype(offset) + i;
        if (at >= 0 && at < bytes_.size()) bytes_[at] = bytes[i];
    }
}

QByteArray IspRom::read(int offset, int count) const {
    QByteArray out(count, char(0xFF));
    for (int i = 0; i < count; ++i) {
        const qsizetype at = qsizetype(offset) + i;
        if (at >= 0 && at < bytes_.size()) out[i] = bytes_[at];
    }
    return out;
}

std::unique_ptr<IspResponder> makeIspResponder(const EmulatorConfig& config, IspRom& rom) {
    switch (config.ispVariant) {
        case 0:
            return std::make_unique<IspVariant0>(config, rom);
        case 1:
            return std::make_unique<IspVariant1>(config, rom);
        default:
            return nullptr;
    }
}

}  // namespace varnok
