#include "edid/timing/TimingText.h"

#include <algorithm>

namespace varnok {

namespace {

QString sign(bool positive) {
    return positive ? QStringLiteral("+") : QStringLiteral("-");
}

QString axisLine(int active, int front, int sync, int back, double total, bool positive,
                 const QString& perField) {
    return QStringLiteral("%1 active%2, %3 front porch, %4 sync, %5 back porch, %6 total, sync %7")
        .arg(active)
        .arg(perField)
        .arg(front)
        .arg(sync)
        .arg(back)
        .arg(total, 0, 'g', 10)
        .arg(sign(positive));
}

QString label(const QString& name) {
    return (name + QLatin1Char(':')).leftJustified(14);
}

}  // namespace

QStringList TimingTextLines(const Timing& t, const QString& title) {
    QStringList lines;
    if (!title.isEmpty()) lines << label(QStringLiteral("Timing")) + title;
    lines << label(QStringLiteral("Mode")) +
                 QStringLiteral("%1x%2%3 @ %4 Hz%5")
                     .arg(t.width)
                     .arg(t.height)
                     .arg(t.interlaced ? QStringLiteral("i") : QString())
                     .arg(t.refreshHz(), 0, 'f', 3)
                     .arg(t.interlaced ? QStringLiteral(" (fields)") : QString());
    lines << label(QStringLiteral("Pixel clock")) +
                 QStringLiteral("%1 MHz").arg(t.pixelClockKhz / 1000.0, 0, 'f', 3);
    lines << label(QStringLiteral("Horizontal")) +
                 axisLine(t.width, t.hfront, t.hsync, t.hback, t.htotal(), t.hsyncPositive, {});
    lines << label(QStringLiteral("Vertical")) +
                 axisLine(t.fieldHeight(), t.vfront, t.vsync, t.vback, t.vtotal(), t.vsyncPositive,
                          t.interlaced ? QStringLiteral(" per field") : QString());
    lines << label(QStringLiteral("Line rate")) +
                 QStringLiteral("%1 kHz").arg(t.hfreqKhz(), 0, 'f', 3);
    return lines;
}

QString XModeline(const Timing& t) {
    // X counts an interlaced frame: twice each field's blanking, plus the half lines.
    const int m = t.interlaced ? 2 : 1;
    const int halfLines = t.interlaced && !t.evenFieldTotal ? 1 : 0;
    const int vss = t.height + m * t.vfront;
    const int vse = vss + m * t.vsync;
    const int vtotal = vse + m * t.vback + halfLines;
    return QStringLiteral(
               "Modeline \"%1x%2_%3%4\" %5  %6 %7 %8 %9  %10 %11 %12 %13  %14HSync %15VSync%16")
        .arg(t.width)
        .arg(t.height)
        .arg(t.refreshHz(), 0, 'f', 2)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(t.pixelClockKhz / 1000.0, 0, 'f', 3)
        .arg(t.width)
        .arg(t.width + t.hfront)
        .arg(t.width + t.hfront + t.hsync)
        .arg(t.htotal())
        .arg(t.height)
        .arg(vss)
        .arg(vse)
        .arg(vtotal)
        .arg(sign(t.hsyncPositive), sign(t.vsyncPositive),
             t.interlaced ? QStringLiteral(" Interlace") : QString());
}

QStringList LinkTableText(const QList<LinkRow>& rows) {
    QStringList lines;
    qsizetype nameWidth = 4;
    for (const LinkRow& r : rows) nameWidth = std::max(nameWidth, r.link.size());
    QString head = QStringLiteral("Link").leftJustified(nameWidth);
    QList<qsizetype> widths;
    for (const ColourFormat f : kColourFormats) {
        const QString name = ColourFormatName(f);
        widths << name.size();
        head += QStringLiteral("  ") + name;
    }
    lines << head;
    QStringList reasons;
    for (const LinkRow& r : rows) {
        QString line = r.link.leftJustified(nameWidth);
        QList<QPair<QString, QStringList>> byReason;  // each reason once, with its formats
        for (qsizetype i = 0; i < r.verdicts.size(); ++i) {
            const LinkVerdict& v = r.verdicts[i];
            line +=
                QStringLiteral("  ") +
                (v.fits ? QStringLiteral("yes") : QStringLiteral("no")).leftJustified(widths[i]);
            if (v.fits) continue;
            auto it = std::find_if(byReason.begin(), byReason.end(),
                                   [&v](const auto& p) { return p.first == v.reason; });
            if (it == byReason.end())
                byReason.append({v.reason, {ColourFormatName(v.format)}});
            else
                it->second << ColourFormatName(v.format);
        }
        lines << line.trimmed();
        for (const auto& [reason, formats] : byReason)
            reasons << QStringLiteral("%1, %2: %3")
                           .arg(r.link, formats.join(QStringLiteral(", ")), reason);
    }
    if (!reasons.isEmpty()) lines << QString() << reasons;
    return lines;
}

QStringList DetailedTimingFitText(const DetailedTimingFit& fit) {
    QStringList lines;
    if (fit.fits())
        lines << QStringLiteral("A detailed timing descriptor holds this timing.");
    else
        lines << QStringLiteral("A detailed timing descriptor cannot hold this timing:");
    for (const QString& o : fit.overflows) lines << QStringLiteral("  ") + o;
    if (fit.storedClockKhz)
        lines << QStringLiteral("The descriptor stores the pixel clock in 10 kHz: %1 kHz.")
                     .arg(*fit.storedClockKhz);
    if (!fit.vics.isEmpty()) {
        QStringList vics;
        for (const int v : fit.vics) vics << QString::number(v);
        lines << QStringLiteral("Matching VIC: %1").arg(vics.join(QStringLiteral(", ")));
    }
    return lines;
}

QJsonObject TimingJson(const Timing& t) {
    return {{"width", t.width},
            {"height", t.height},
            {"refresh_hz", t.refreshHz()},
            {"pixel_clock_khz", t.pixelClockKhz},
            {"hfront", t.hfront},
            {"hsync", t.hsync},
            {"hback", t.hback},
            {"vfront", t.vfront},
            {"vsync", t.vsync},
            {"vback", t.vback},
            {"hsync_positive", t.hsyncPositive},
            {"vsync_positive", t.vsyncPositive},
            {"interlaced", t.interlaced}};
}

QJsonArray LinkTableJson(const QList<LinkRow>& rows) {
    QJsonArray out;
    for (const LinkRow& r : rows) {
        QJsonArray formats;
        for (const LinkVerdict& v : r.verdicts)
            formats.append(QJsonObject{
                {"format", ColourFormatName(v.format)}, {"fits", v.fits}, {"reason", v.reason}});
        out.append(QJsonObject{{"link", r.link}, {"formats", formats}});
    }
    return out;
}

QJsonObject DetailedTimingFitJson(const DetailedTimingFit& fit) {
    QJsonObject o{{"fits", fit.fits()}, {"overflows", QJsonArray::fromStringList(fit.overflows)}};
    if (fit.storedClockKhz) o.insert("stored_pixel_clock_khz", *fit.storedClockKhz);
    QJsonArray vics;
    for (const int v : fit.vics) vics.append(v);
    o.insert("vics", vics);
    return o;
}

}  // namespace varnok
