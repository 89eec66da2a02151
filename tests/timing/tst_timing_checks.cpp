// The link check on named cases, the detailed timing descriptor's limits and bytes, the table
// look-ups and refusals of the calculator, and the command line's text and JSON.

#include <QJsonArray>
#include <QTest>

#include "edid/timing/DetailedTiming.h"
#include "edid/timing/LinkCheck.h"
#include "edid/timing/TimingCalculator.h"
#include "edid/timing/TimingEdits.h"
#include "edid/timing/TimingTables.h"
#include "edid/timing/TimingText.h"
#include "tests/support/Samples.h"
#include "tests/support/TestFiles.h"

using namespace varnok;

namespace {

Timing vic(int n) {
    return FindVic(n)->timing;
}

const LinkVerdict* verdict(const QList<LinkRow>& rows, const QString& link, ColourFormat f) {
    for (const LinkRow& r : rows)
        if (r.link == link)
            for (const LinkVerdict& v : r.verdicts)
                if (v.format == f) return &v;
    return nullptr;
}

TimingRequest ask(TimingMethod m, int w, int h, double hz) {
    TimingRequest q;
    q.method = m;
    q.width = w;
    q.height = h;
    q.refreshHz = hz;
    return q;
}

}  // namespace

class TimingChecksTest : public QObject {
    Q_OBJECT

private slots:
    void linkCheck_data() {
        QTest::addColumn<Timing>("timing");
        QTest::addColumn<LinkLimits>("limits");
        QTest::addColumn<QString>("link");
        QTest::addColumn<ColourFormat>("format");
        QTest::addColumn<QString>("reason");  // empty: it fits

        const LinkLimits none;
        const QString hdmi14 = "HDMI 1.4 TMDS (340 MHz)";
        const QString hdmi20 = "HDMI 2.0 TMDS (600 MHz)";
        QTest::newRow("4K60 RGB 8 needs 594 MHz: HDMI 2.0 yes")
            << vic(97) << none << hdmi20 << ColourFormat::Rgb8 << "";
        QTest::newRow("4K60 RGB 8 needs 594 MHz: HDMI 1.4 no")
            << vic(97) << none << hdmi14 << ColourFormat::Rgb8
            << "needs 594 MHz TMDS character rate; HDMI 1.4 carries 340 MHz";
        QTest::newRow("4K60 4:2:0 8-bit fits 297 MHz")
            << vic(97) << none << hdmi14 << ColourFormat::Ycbcr420_8 << "";
        QTest::newRow("4K60 4:2:0 10-bit needs 1.25 x 297")
            << vic(97) << none << hdmi14 << ColourFormat::Ycbcr420_10
            << "needs 371.25 MHz TMDS character rate; HDMI 1.4 carries 340 MHz";
        QTest::newRow("1080p60 4:2:0 is not HDMI")
            << vic(16) << none << hdmi20 << ColourFormat::Ycbcr420_8
            << "HDMI carries YCbCr 4:2:0 only for timings of 590 MHz or more";
        QTest::newRow("1080p60 12-bit fits HDMI 1.4 at 222.75 MHz")
            << vic(16) << none << hdmi14 << ColourFormat::Rgb12 << "";
        QTest::newRow("DVI has no deep colour")
            << vic(16) << none << "Single-link DVI (165 MHz)" << ColourFormat::Rgb10
            << "DVI carries 8-bit RGB only";
        QTest::newRow("2560x1600 RB over single-link DVI")
            << FindDmt(0x4c)->timing << none << "Single-link DVI (165 MHz)" << ColourFormat::Rgb8
            << "needs 268.5 MHz pixel clock; single-link DVI carries 165 MHz";
        // 16b/18b: 4 x 8 Gbit/s carries 28.44 Gbit/s, 4K120 8-bit RGB needs 28.51.
        QTest::newRow("4K120 RGB 8 over FRL 8x4")
            << vic(118) << none << "HDMI 2.1 FRL 8 Gbit/s × 4 lanes" << ColourFormat::Rgb8
            << "needs 28.51 Gbit/s; FRL 8 Gbit/s × 4 lanes carries 28.44 Gbit/s of video";
        QTest::newRow("4K120 RGB 8 over FRL 10x4")
            << vic(118) << none << "HDMI 2.1 FRL 10 Gbit/s × 4 lanes" << ColourFormat::Rgb8 << "";
        QTest::newRow("too slow for TMDS")
            << CalculateTiming(ask(TimingMethod::CvtRb2, 320, 240, 60)).timing << none << hdmi14
            << ColourFormat::Rgb8
            << "needs 6.12 MHz TMDS character rate; TMDS runs at 25 MHz or more";

        LinkLimits chain;
        chain.chainMaxTmdsMhz = 300;
        QTest::newRow("a 300 MHz chain")
            << vic(97) << chain << "Your chain (300 MHz)" << ColourFormat::Rgb8
            << "needs 594 MHz TMDS character rate; your chain carries 300 MHz";
        LinkLimits edid;
        edid.rangeLimitsMaxClockMhz = 170;
        edid.hdmiMaxTmdsMhz = 340;
        edid.hfMaxFrlRate = 0;
        QTest::newRow("range limits")
            << vic(97) << edid << "EDID range limits (170 MHz)" << ColourFormat::Ycbcr420_8
            << "needs 594 MHz pixel clock; the EDID's range limits allow 170 MHz";
        Timing at340 = vic(16);
        at340.pixelClockKhz = 340000;
        QTest::newRow("Max TMDS is inclusive")
            << at340 << edid << "EDID HDMI Max TMDS (340 MHz)" << ColourFormat::Rgb8 << "";
        QTest::newRow("no FRL in the EDID")
            << vic(16) << edid << "EDID HDMI Forum Max FRL (none)" << ColourFormat::Rgb8
            << "the EDID's HDMI Forum block allows no FRL";
    }

    void linkCheck() {
        QFETCH(Timing, timing);
        QFETCH(LinkLimits, limits);
        QFETCH(QString, link);
        QFETCH(ColourFormat, format);
        QFETCH(QString, reason);
        const QList<LinkRow> rows = CheckLinks(timing, limits);
        const LinkVerdict* v = verdict(rows, link, format);
        QVERIFY2(v, qPrintable(link));
        QCOMPARE(v->reason, reason);
        QCOMPARE(v->fits, reason.isEmpty());
    }

    void detailedTimingLimits_data() {
        QTest::addColumn<Timing>("timing");
        QTest::addColumn<QStringList>("overflows");
        QTest::addColumn<QList<int>>("vics");

        QTest::newRow("4K60 fits") << vic(97) << QStringList{} << QList<int>{97, 107};
        QTest::newRow("4K120 clock")
            << vic(118)
            << QStringList{"pixel clock 1188000 kHz: the descriptor holds 10 kHz to 655.35 MHz"}
            << QList<int>{118, 120};
        QTest::newRow("8K width and clock")
            << vic(199)
            << QStringList{"pixel clock 2376000 kHz: the descriptor holds 10 kHz to 655.35 MHz",
                           "horizontal active 7680 pixels: the descriptor holds at most 4095",
                           "vertical active 4320 lines: the descriptor holds at most 4095"}
            << QList<int>{199, 207};
        Timing tall = vic(16);
        tall.vfront = 64;
        tall.hsync = 1024;
        QTest::newRow("6- and 10-bit fields")
            << tall
            << QStringList{"horizontal sync 1024 pixels: the descriptor holds at most 1023",
                           "vertical front porch 64 lines: the descriptor holds at most 63"}
            << QList<int>{};
        // CVT-RB2 puts the whole vertical blanking but 14 lines before the sync.
        QTest::newRow("2560x1440@120 CVT-RB2")
            << CalculateTiming(ask(TimingMethod::CvtRb2, 2560, 1440, 120)).timing
            << QStringList{"vertical front porch 71 lines: the descriptor holds at most 63"}
            << QList<int>{};
        QTest::newRow("GTF's negative front porch")
            << CalculateTiming(ask(TimingMethod::Gtf, 292, 176, 76)).timing
            << QStringList{"horizontal front porch -8 pixels: the descriptor holds no negative "
                           "value"}
            << QList<int>{};
        QTest::newRow("VIC 39's equal fields")
            << vic(39)
            << QStringList{"both fields of equal length: the descriptor's interlace always has "
                           "the half line"}
            << QList<int>{39};
        QTest::newRow("1080p59.94 is VIC 16 at 1000/1001")
            << VicTiming(16, true).timing << QStringList{} << QList<int>{16, 76};
    }

    void detailedTimingLimits() {
        QFETCH(Timing, timing);
        QFETCH(QStringList, overflows);
        QFETCH(QList<int>, vics);
        const DetailedTimingFit fit = CheckDetailedTiming(timing);
        QCOMPARE(fit.overflows, overflows);
        QCOMPARE(fit.vics, vics);
        QCOMPARE(EncodeDetailedTiming(timing).isEmpty(), !overflows.isEmpty());
    }

    // Only a too long front porch is fitted, by moving its excess into the back porch; what
    // else overflows is refused, naming the VIC that has the timing.
    void timingForDescriptor_data() {
        QTest::addColumn<Timing>("timing");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("words");

        QTest::newRow("fits") << vic(16) << int(DescriptorTiming::Outcome::Fits) << "";
        QTest::newRow("2560x1440@120 CVT-RB2")
            << CalculateTiming(ask(TimingMethod::CvtRb2, 2560, 1440, 120)).timing
            << int(DescriptorTiming::Outcome::Fitted)
            << "8 lines of the vertical front porch (71 lines; a descriptor holds 63) move to "
               "the back porch: front porch 63, back porch 14. The totals, the pixel clock and "
               "the refresh rate stay; the sync starts earlier in the blanking.";
        QTest::newRow("4K120 clock, VIC offered")
            << vic(118) << int(DescriptorTiming::Outcome::Refused)
            << "A detailed timing descriptor cannot hold this timing: pixel clock 1188000 kHz: "
               "the descriptor holds 10 kHz to 655.35 MHz. A CTA-861 video data block can name "
               "it as VIC 118 or 120.";
        Timing porchAndSync = vic(16);
        porchAndSync.vfront = 70;
        porchAndSync.vsync = 64;
        QTest::newRow("porch and sync")
            << porchAndSync << int(DescriptorTiming::Outcome::Refused)
            << "A detailed timing descriptor cannot hold this timing: vertical front porch 70 "
               "lines: the descriptor holds at most 63; vertical sync 64 lines: the descriptor "
               "holds at most 63. No VIC has this timing.";
    }

    void timingForDescriptor() {
        QFETCH(Timing, timing);
        QFETCH(int, outcome);
        QFETCH(QString, words);
        const DescriptorTiming d = TimingForDescriptor(timing);
        QCOMPARE(int(d.outcome), outcome);
        QCOMPARE(d.words, words);
        if (!d.writable()) return;
        QVERIFY(CheckDetailedTiming(d.timing).fits());
        QCOMPARE(d.timing.htotal(), timing.htotal());
        QCOMPARE(d.timing.vtotal(), timing.vtotal());
        QCOMPARE(d.timing.vsync, timing.vsync);
        QCOMPARE(d.timing.pixelClockKhz, timing.pixelClockKhz);
    }

    void timingSpecs() {
        const struct {
            const char* text;
            int width, height;
            double hz;
            bool interlaced;
            std::optional<TimingMethod> method;
            const char* problem;  // part of the refusal; nullptr when it reads
        } cases[] = {
            {"2560x1440@120:rb2", 2560, 1440, 120, false, TimingMethod::CvtRb2, nullptr},
            {"1920\u00d71080i@59.94", 1920, 1080, 59.94, true, std::nullopt, nullptr},
            {"1920x1080", 0, 0, 0, false, {}, "is no timing"},
            {"1920x1080@60:rb4", 0, 0, 0, false, {}, "unknown method 'rb4'"},
            {"-1x5@60", 0, 0, 0, false, {}, "is no timing"},
            {"1920x1080@60:", 0, 0, 0, false, {}, "is no timing"},
        };
        for (const auto& c : cases) {
            QString problem;
            const auto spec = ParseTimingSpec(QString::fromUtf8(c.text), &problem);
            QVERIFY2(spec.has_value() == !c.problem, c.text);
            if (c.problem) {
                QVERIFY2(problem.contains(QLatin1String(c.problem)), qPrintable(problem));
                continue;
            }
            QCOMPARE(spec->width, c.width);
            QCOMPARE(spec->height, c.height);
            QCOMPARE(spec->refreshHz, c.hz);
            QCOMPARE(spec->interlaced, c.interlaced);
            QCOMPARE(spec->method, c.method);
        }
        // Without a method: the DMT, else the VIC, else CVT.
        QCOMPARE(CalculateTimingFor(*ParseTimingSpec("1920x1080@60", nullptr)).dmtId, 0x52);
        QCOMPARE(CalculateTimingFor(*ParseTimingSpec("1920x1080@24", nullptr)).vic, 32);
        const TimingResult cvt = CalculateTimingFor(*ParseTimingSpec("1920x360@60", nullptr));
        QVERIFY(cvt.ok && !cvt.dmtId && !cvt.vic);
    }

    // Where the preferred and an added timing go, and that nothing else in the block moves.
    void timingEditPlacement() {
        // BenQ EW3270U: serial text, range limits and name after its first DTD, and a CTA block.
        const EdidModel benq =
            ParseEdidModel(ReadAll(SamplePath(QStringLiteral("000668600173.bin")))).model;
        const EdidDetailedTiming old = DecodeDetailedTiming(benq.base.descriptors[0]);
        const Timing rb2 = CalculateTiming(ask(TimingMethod::CvtRb2, 2560, 1440, 120)).timing;

        EdidModel m = benq;
        TimingEditPlan plan = PreferredTimingEdit(m, rb2);
        QVERIFY(plan.edit && plan.fit.outcome == DescriptorTiming::Outcome::Fitted);
        QVERIFY(ApplyEdidEdit(m, *plan.edit).ok());
        const EdidDetailedTiming now = DecodeDetailedTiming(m.base.descriptors[0]);
        QCOMPARE(now.vFront, 63);
        QCOMPARE(std::pair(now.hImageMm, now.vImageMm), std::pair(old.hImageMm, old.vImageMm));
        for (int slot = 1; slot < 4; ++slot)
            QCOMPARE(m.base.descriptors[slot], benq.base.descriptors[slot]);

        // A first slot that holds no timing: the timing goes before it, and the slots from there
        // move down into the dummy at slot 1.
        m = benq;
        m.base.descriptors[0] = benq.base.descriptors[2];  // range limits first
        m.base.descriptors[1] = MakeDisplayDescriptor(0x10);
        plan = PreferredTimingEdit(m, vic(16));
        QVERIFY(ApplyEdidEdit(m, *plan.edit).ok());
        QCOMPARE(DescriptorKindOf(m.base.descriptors[0]), DescriptorKind::DetailedTiming);
        QCOMPARE(m.base.descriptors[1], benq.base.descriptors[2]);
        QCOMPARE(m.base.descriptors[3], benq.base.descriptors[3]);

        // Added: into the dummy slot, else at the end of the CTA block's timings, else refused
        // by the model with the 18 bytes a descriptor needs.
        m = benq;
        m.base.descriptors[1] = MakeDisplayDescriptor(0x10);
        plan = AddTimingEdit(m, vic(4));
        QCOMPARE(std::pair(plan.edit->block, plan.edit->index), std::pair(0, 1));
        m = benq;
        const int ctaTimings = int(m.cta(1)->timings.size());
        plan = AddTimingEdit(m, vic(4));
        QCOMPARE(std::pair(plan.edit->block, plan.edit->index), std::pair(1, ctaTimings));
        m.extensions.clear();
        const EdidEditResult full = ApplyEdidEdit(m, *AddTimingEdit(m, vic(4)).edit);
        QCOMPARE(full.status, EdidEditStatus::NoRoom);
        QCOMPARE(full.missingBytes, 18);
        QVERIFY(!AddTimingEdit(m, vic(118)).edit);  // 1188 MHz: no descriptor holds it

        const LinkLimits limits = LinkLimitsOf(benq);
        QCOMPARE(limits.rangeLimitsMaxClockMhz, 600);
        QCOMPARE(limits.hdmiMaxTmdsMhz, 600);
        QCOMPARE(limits.hfMaxTmdsMhz, 600);
        QVERIFY(!LinkLimitsOf(m).hdmiMaxTmdsMhz);
    }

    void detailedTimingBytes() {
        // 1080p60 as nearly every HDMI sink lists it, size 0 x 0 mm.
        QCOMPARE(EncodeDetailedTiming(vic(16)).toHex(' '),
                 QByteArray("02 3a 80 18 71 38 2d 40 58 2c 45 00 00 00 00 00 00 1e"));
        QCOMPARE(VicTiming(16, true).timing.pixelClockKhz, 148352);
        QCOMPARE(CheckDetailedTiming(VicTiming(16, true).timing).storedClockKhz, 148350);
        for (const Timing& t :
             {vic(5), vic(97), FindDmt(0x0f)->timing,
              CalculateTiming(ask(TimingMethod::CvtRb1, 2560, 1440, 120)).timing}) {
            const QByteArray bytes = EncodeDetailedTiming(t, 600, 340);
            QCOMPARE(bytes.size(), kDetailedTimingSize);
            QCOMPARE(DecodeDetailedTiming(bytes), std::optional<Timing>(t));
            QCOMPARE(bytes.mid(12, 3).toHex(), QByteArray("585421"));
        }
        QVERIFY(!DecodeDetailedTiming(QByteArray(17, '\x01')));
        QVERIFY(!DecodeDetailedTiming(QByteArray(18, '\0')));  // a display descriptor
    }

    void calculator_data() {
        QTest::addColumn<TimingRequest>("request");
        QTest::addColumn<int>("id");  // DMT ID or VIC; 0 for a formula
        QTest::addColumn<bool>("scaled");
        QTest::addColumn<QString>("reason");

        TimingRequest q = ask(TimingMethod::Dmt, 1920, 1200, 60);
        QTest::newRow("DMT standard blanking") << q << 0x45 << false << "";
        q.reducedBlanking = true;
        QTest::newRow("DMT reduced blanking") << q << 0x44 << false << "";
        QTest::newRow("DMT 800x600@56 runs at 56.25")
            << ask(TimingMethod::Dmt, 800, 600, 56) << 0x08 << false << "";
        q = ask(TimingMethod::Dmt, 4096, 2160, 60);
        q.videoRate = true;
        QTest::newRow("DMT's own 59.94 entry") << q << 0x58 << false << "";
        q = ask(TimingMethod::Vic, 1920, 1080, 60);
        q.videoRate = true;
        QTest::newRow("VIC 16 at 59.94") << q << 16 << true << "";
        QTest::newRow("VIC 2 at its own 59.94")
            << ask(TimingMethod::Vic, 720, 480, 60) << 2 << false << "";
        q = ask(TimingMethod::Vic, 1920, 1080, 50);
        q.interlaced = true;
        QTest::newRow("VIC 20, 1080i50 (not VIC 39)") << q << 20 << false << "";

        QTest::newRow("no DMT") << ask(TimingMethod::Dmt, 1920, 360, 60) << 0 << false
                                << "no DMT for 1920x360 at 60 Hz";
        q = ask(TimingMethod::Ovt, 1920, 1080, 60);
        q.interlaced = true;
        QTest::newRow("OVT interlaced") << q << 0 << false << "OVT timings are progressive only";
        q = ask(TimingMethod::Ovt, 1920, 1080, 50);
        q.videoRate = true;
        QTest::newRow("OVT 50 has no 1000/1001 rate")
            << q << 0 << false << "OVT has a 1000/1001 rate only for whole multiples of 6 Hz";
        // The least Htotal for 4:2:0 falls off the 8-pixel grid; the search would never end.
        QTest::newRow("OVT without a solution")
            << ask(TimingMethod::Ovt, 6362, 3571, 165) << 0 << false
            << "CTA-861 OVT gives no usable timing for 6362x3571 at 165 Hz";
        QTest::newRow("OVT search bounded")
            << ask(TimingMethod::Ovt, 7680, 4320, 999) << 0 << false
            << "CTA-861 OVT gives no usable timing for 7680x4320 at 999 Hz";
        q = ask(TimingMethod::Cvt, 1920, 1081, 60);
        q.interlaced = true;
        QTest::newRow("odd interlaced height")
            << q << 0 << false << "an interlaced height must be even (both fields together)";
        q = ask(TimingMethod::CvtRb3, 1920, 1080, 60);
        q.rb3HBlank = 72;
        QTest::newRow("RB3 hblank")
            << q << 0 << false << "the horizontal blanking must be 80 to 200 pixels";
        QTest::newRow("no rate") << ask(TimingMethod::Cvt, 1920, 1080, 0) << 0 << false
                                 << "the refresh rate must be above 0 and at most 1000 Hz";
    }

    void calculator() {
        QFETCH(TimingRequest, request);
        QFETCH(int, id);
        QFETCH(bool, scaled);
        QFETCH(QString, reason);
        const TimingResult r = CalculateTiming(request);
        QCOMPARE(r.reason, reason);
        QCOMPARE(r.ok, reason.isEmpty());
        QCOMPARE(request.method == TimingMethod::Dmt ? r.dmtId : r.vic, id);
        QCOMPARE(r.scaledToVideoRate, scaled);
    }

    void text() {
        const Timing i1080 = vic(5);
        QCOMPARE(XModeline(vic(16)),
                 "Modeline \"1920x1080_60.00\" 148.500  1920 2008 2052 2200  "
                 "1080 1084 1089 1125  +HSync +VSync");
        // X counts the interlaced frame: 2 x (2 + 5 + 15) + 1 half lines.
        QCOMPARE(XModeline(i1080),
                 "Modeline \"1920x1080_60.00i\" 74.250  1920 2008 2052 2200  "
                 "1080 1084 1094 1125  +HSync +VSync Interlace");
        QVERIFY(TimingTextLines(i1080).contains(
            "Vertical:     540 active per field, 2 front porch, 5 sync, 15 back porch, 562.5 "
            "total, sync +"));

        const QJsonObject json = TimingJson(vic(97));
        QCOMPARE(json.keys(), QStringList({"hback", "height", "hfront", "hsync", "hsync_positive",
                                           "interlaced", "pixel_clock_khz", "refresh_hz", "vback",
                                           "vfront", "vsync", "vsync_positive", "width"}));
        QCOMPARE(json["pixel_clock_khz"].toInteger(), 594000);
        QCOMPARE(json["refresh_hz"].toDouble(), 60.0);

        const QStringList table = LinkTableText(CheckLinks(vic(16)));
        QCOMPARE(table.size(), 1 + 10 + 1 + 10);  // head, rows, gap, one line per link and reason
        QVERIFY(
            table.contains("Single-link DVI (165 MHz), RGB 10-bit, RGB 12-bit, 4:2:2, 4:2:0 "
                           "8-bit, 4:2:0 10-bit, 4:2:0 12-bit: DVI carries 8-bit RGB only"));
        QCOMPARE(LinkTableJson(CheckLinks(vic(16))).size(), 10);
    }
};

QTEST_GUILESS_MAIN(TimingChecksTest)
#include "tst_timing_checks.moc"
