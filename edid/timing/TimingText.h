#pragma once
// A timing, its link check and its descriptor fit as the command line prints them: text lines,
// an X modeline and JSON. Widget-free; the window shows the same words.

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "edid/timing/DetailedTiming.h"
#include "edid/timing/LinkCheck.h"
#include "edid/timing/Timing.h"

namespace varnok {

// "Timing:", "Mode:", "Pixel clock:", "Horizontal:", "Vertical:", "Line rate:" lines; the first
// only when a title ("CVT reduced blanking v2", "VIC 97") is given.
QStringList TimingTextLines(const Timing& t, const QString& title = {});

// An xorg.conf Modeline. Progressive timings read as edid-decode -X prints them; interlaced
// ones give the vertical values of the whole frame, as X expects (1080i: 1080 1084 1094 1125).
QString XModeline(const Timing& t);

// The link check as a table (a column per colour format, "yes" / "no"), then each "no" with its
// reason, one line per link and reason.
QStringList LinkTableText(const QList<LinkRow>& rows);

// Whether a descriptor holds the timing, each field that overflows, the matching VICs.
QStringList DetailedTimingFitText(const DetailedTimingFit& fit);

// The timing under its JSON names: width, height, refresh_hz, pixel_clock_khz, hfront, hsync,
// hback, vfront, vsync, vback, hsync_positive, vsync_positive, interlaced.
QJsonObject TimingJson(const Timing& t);
// [{"link": ..., "formats": [{"format": ..., "fits": bool, "reason": ...}, ...]}, ...]
QJsonArray LinkTableJson(const QList<LinkRow>& rows);
// {"fits": bool, "overflows": [...], "stored_pixel_clock_khz": n (when rounded), "vics": [...]}
QJsonObject DetailedTimingFitJson(const DetailedTimingFit& fit);

}  // namespace varnok
