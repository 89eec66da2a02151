#include "edid/timing/LinkCheck.h"

#include <cmath>
#include <functional>

namespace varnok {

namespace {

constexpr qint64 kMinTmdsKhz = 25000;            // no TMDS link runs slower
constexpr qint64 kMinYcbcr420ClockKhz = 590000;  // HDMI 2.1: 4:2:0 from 590 MHz pixel clock

// Per colour format, in ColourFormat's order: the TMDS character rate as num / den of the pixel
// clock; the video bits per pixel are 24 times the same ratio (RGB 10-bit: 5/4, 30 bits).
struct FormatInfo {
    const char* name;
    int num;
    int den;
    bool ycbcr420;
};
constexpr FormatInfo kFormats[] = {{"RGB 8-bit", 1, 1, false},  {"RGB 10-bit", 5, 4, false},
                                   {"RGB 12-bit", 3, 2, false}, {"4:2:2", 1, 1, false},
                                   {"4:2:0 8-bit", 1, 2, true}, {"4:2:0 10-bit", 5, 8, true},
                                   {"4:2:0 12-bit", 3, 4, true}};

bool is420(ColourFormat f) {
    return kFormats[static_cast<int>(f)].ycbcr420;
}

// Fewest digits that show the value: 594, 148.5, 74.176.
QString mhz(double khz) {
    return QString::number(khz / 1000.0, 'g', 12);
}

QString gbps(double bitsPerSecond) {
    return QString::number(bitsPerSecond / 1e9, 'f', 2);
}

QString frlName(FrlRate r) {
    return QStringLiteral("FRL %1 Gbit/s × %2 lanes").arg(r.gbpsPerLane).arg(r.lanes);
}

using Check = std::function<QString(ColourFormat)>;  // the reason, or empty when it fits

LinkRow row(const QString& link, const Check& check) {
    LinkRow r{link, {}};
    for (const ColourFormat f : kColourFormats) {
        const QString why = check(f);
        r.verdicts << LinkVerdict{f, why.isEmpty(), why};
    }
    return r;
}

// DVI carries 8-bit RGB only, at a pixel clock of 25 MHz up to its limit.
Check dvi(const Timing& t, int maxMhz, const QString& name) {
    return [&t, maxMhz, name](ColourFormat f) -> QString {
        if (f != ColourFormat::Rgb8) return QStringLiteral("DVI carries 8-bit RGB only");
        if (t.pixelClockKhz > maxMhz * 1000LL)
            return QStringLiteral("needs %1 MHz pixel clock; %2 carries %3 MHz")
                .arg(mhz(t.pixelClockKhz), name)
                .arg(maxMhz);
        if (t.pixelClockKhz < kMinTmdsKhz)
            return QStringLiteral("needs %1 MHz pixel clock; DVI runs at 25 MHz or more")
                .arg(mhz(t.pixelClockKhz));
        return {};
    };
}

QString hdmi420Rule(const Timing& t, ColourFormat f) {
    if (is420(f) && t.pixelClockKhz < kMinYcbcr420ClockKhz)
        return QStringLiteral("HDMI carries YCbCr 4:2:0 only for timings of 590 MHz or more");
    return {};
}

// An HDMI TMDS limit of maxKhz character rate, named as "carrier carries N MHz".
Check tmds(const Timing& t, double maxKhz, const QString& carrier, bool hdmiRules) {
    return [&t, maxKhz, carrier, hdmiRules](ColourFormat f) -> QString {
        if (hdmiRules) {
            if (QString why = hdmi420Rule(t, f); !why.isEmpty()) return why;
        }
        const qint64 rate = TmdsCharacterRateKhz(t, f);
        if (rate > maxKhz)
            return QStringLiteral("needs %1 MHz TMDS character rate; %2 %3 MHz")
                .arg(mhz(rate), carrier, mhz(maxKhz));
        if (rate < kMinTmdsKhz)
            return QStringLiteral("needs %1 MHz TMDS character rate; TMDS runs at 25 MHz or more")
                .arg(mhz(rate));
        return {};
    };
}

Check frl(const Timing& t, FrlRate rate, const QString& carrier) {
    return [&t, rate, carrier](ColourFormat f) -> QString {
        if (QString why = hdmi420Rule(t, f); !why.isEmpty()) return why;
        const double need = VideoBitsPerSecond(t, f);
        const double room = FrlPayloadBitsPerSecond(rate);
        if (need > room)
            return QStringLiteral("needs %1 Gbit/s; %2 %3 Gbit/s of video")
                .arg(gbps(need), carrier, gbps(room));
        return {};
    };
}

}  // namespace

QString ColourFormatName(ColourFormat f) {
    return QString::fromLatin1(kFormats[static_cast<int>(f)].name);
}

qint64 TmdsCharacterRateKhz(const Timing& t, ColourFormat f) {
    const FormatInfo& i = kFormats[static_cast<int>(f)];
    return (t.pixelClockKhz * i.num + i.den / 2) / i.den;
}

double VideoBitsPerSecond(const Timing& t, ColourFormat f) {
    const FormatInfo& i = kFormats[static_cast<int>(f)];
    return t.pixelClockKhz * 1000.0 * 24 * i.num / i.den;
}

double FrlPayloadBitsPerSecond(FrlRate rate) {
    return rate.lanes * rate.gbpsPerLane * 1e9 * 16.0 / 18.0;
}

QList<LinkRow> CheckLinks(const Timing& t, const LinkLimits& limits) {
    QList<LinkRow> rows;
    rows << row(QStringLiteral("Single-link DVI (165 MHz)"),
                dvi(t, 165, QStringLiteral("single-link DVI")));
    rows << row(QStringLiteral("Dual-link DVI (330 MHz)"),
                dvi(t, 330, QStringLiteral("dual-link DVI")));
    rows << row(QStringLiteral("HDMI 1.4 TMDS (340 MHz)"),
                tmds(t, 340000, QStringLiteral("HDMI 1.4 carries"), true));
    rows << row(QStringLiteral("HDMI 2.0 TMDS (600 MHz)"),
                tmds(t, 600000, QStringLiteral("HDMI 2.0 carries"), true));
    for (const FrlRate r : kFrlRates)
        rows << row(QStringLiteral("HDMI 2.1 ") + frlName(r),
                    frl(t, r, frlName(r) + QStringLiteral(" carries")));
    if (const auto& v = limits.chainMaxTmdsMhz)
        rows << row(QStringLiteral("Your chain (%1 MHz)").arg(mhz(*v * 1000)),
                    tmds(t, *v * 1000, QStringLiteral("your chain carries"), false));
    if (const auto& v = limits.rangeLimitsMaxClockMhz) {
        const qint64 maxKhz = *v * 1000LL;
        rows << row(QStringLiteral("EDID range limits (%1 MHz)").arg(*v),
                    [&t, maxKhz](ColourFormat) -> QString {
                        if (t.pixelClockKhz <= maxKhz) return {};
                        return QStringLiteral(
                                   "needs %1 MHz pixel clock; the EDID's range limits allow %2 MHz")
                            .arg(mhz(t.pixelClockKhz), mhz(maxKhz));
                    });
    }
    if (const auto& v = limits.hdmiMaxTmdsMhz)
        rows << row(QStringLiteral("EDID HDMI Max TMDS (%1 MHz)").arg(*v),
                    tmds(t, *v * 1000.0, QStringLiteral("the EDID's HDMI block allows"), true));
    if (const auto& v = limits.hfMaxTmdsMhz)
        rows << row(
            QStringLiteral("EDID HDMI Forum Max TMDS (%1 MHz)").arg(*v),
            tmds(t, *v * 1000.0, QStringLiteral("the EDID's HDMI Forum block allows"), true));
    if (const auto& v = limits.hfMaxFrlRate) {
        const int code = *v;
        if (code >= 1 && code <= int(std::size(kFrlRates))) {
            const FrlRate r = kFrlRates[code - 1];
            rows << row(QStringLiteral("EDID HDMI Forum Max FRL (%1)").arg(frlName(r)),
                        frl(t, r, QStringLiteral("the EDID's HDMI Forum block allows")));
        } else {
            rows << row(QStringLiteral("EDID HDMI Forum Max FRL (none)"), [](ColourFormat) {
                return QStringLiteral("the EDID's HDMI Forum block allows no FRL");
            });
        }
    }
    return rows;
}

}  // namespace varnok
