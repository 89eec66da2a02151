#pragma once
// CTA-861 data blocks and audio formats named in words, one way for every list that names them
// (what a fit moves or drops, what a rebuild loses).

#include <QByteArray>
#include <QString>

namespace varnok {

struct CtaDataBlock;

// An IEEE OUI as written in the standards ("00-D0-46"), read least significant byte first from
// body[at]; "unknown" when the body is too short to hold one.
QString CtaOuiText(const QByteArray& body, int at);
// A block by its kind ("colorimetry data block"); vendor blocks with their OUI (Dolby Vision and
// HDR10+ by name), other extended blocks with their extended tag. Blocks of one kind share a name.
QString CtaDataBlockName(const CtaDataBlock& block);
// An audio format code (CTA-861 table 37): "L-PCM", "AC-3", ...
QString CtaAudioFormatName(int code);

}  // namespace varnok
