// The calculators against Debian 12's edid-decode run as a process: a grid of W × H × Hz ×
// method cases (standard and odd sizes, 1000/1001 rates, interlace, each method's options,
// pseudo-random sizes) and every detailed timing of the 300 sample EDIDs as input to each
// method. Each answer must equal ours to the pixel and to the kHz. edid-decode takes many
// --cvt/--dmt/--vic/--ovt in one run but one --gtf, so GTF runs one process per case, in two
// shells side by side. Skipped when edid-decode is not installed.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <cmath>

#include "edid/timing/DetailedTiming.h"
#include "edid/timing/TimingCalculator.h"
#include "edid/timing/TimingTables.h"
#include "edid/timing/TimingText.h"

using namespace varnok;

namespace {

// How one case is asked of edid-decode: -N (the 1000/1001 rate of a table timing) is a switch
// for the whole run, so those cases run apart; GTF runs one process per case.
enum class Run { Plain, VideoRate, Gtf };

struct Case {
    QString label;
    Run run = Run::Plain;
    QString option;  // "--cvt"
    QString value;   // "w=1920,h=1080,fps=60,rb=2"
    Timing ours;
};

struct Printed {
    Timing t;
    double refreshHz = 0;
    double clockHz = 0;
};

QString fps(double hz) {
    return QString::number(hz, 'g', 17);
}

QString label(const TimingRequest& q) {
    return QStringLiteral("%1 %2x%3%4@%5%6")
        .arg(TimingMethodName(q.method))
        .arg(q.width)
        .arg(q.height)
        .arg(q.interlaced ? "i" : "")
        .arg(fps(q.refreshHz))
        .arg(q.videoRate ? "/1.001" : "");
}

// The case for a request we answer; false when we refuse it (nothing to compare).
bool makeCase(const TimingRequest& q, Case& c) {
    const TimingResult r = CalculateTiming(q);
    if (!r.ok) return false;
    c.label = label(q);
    c.ours = r.timing;
    c.run = r.scaledToVideoRate ? Run::VideoRate : Run::Plain;
    const double rate = q.videoRate ? q.refreshHz * 1000.0 / 1001.0 : q.refreshHz;
    QString size = QStringLiteral("w=%1,h=%2").arg(q.width).arg(q.height);
    switch (q.method) {
        case TimingMethod::Dmt:
            c.option = "--dmt";
            c.value = QString::number(r.dmtId);
            return true;
        case TimingMethod::Vic:
            c.option = "--vic";
            c.value = QString::number(r.vic);
            return true;
        case TimingMethod::Ovt:
            c.option = "--ovt";
            c.value = size + ",fps=" + fps(q.refreshHz);
            return true;
        case TimingMethod::Gtf:
            c.run = Run::Gtf;
            c.option = "--gtf";
            c.value = size + ",fps=" + fps(rate) + (q.interlaced ? ",interlaced" : "");
            if (q.gtfSecondary)
                c.value += QStringLiteral(",secondary,C=%1,M=%2,K=%3,J=%4")
                               .arg(q.gtfC)
                               .arg(q.gtfM)
                               .arg(q.gtfK)
                               .arg(q.gtfJ);
            return true;
        default:
            break;
    }
    const int rb = static_cast<int>(q.method) - static_cast<int>(TimingMethod::Cvt);
    const bool rb2 = q.method == TimingMethod::CvtRb2;
    c.option = "--cvt";
    c.value = size + ",fps=" + fps(rb2 ? q.refreshHz : rate) + QStringLiteral(",rb=%1").arg(rb);
    // edid-decode 2022 reads a bare "interlaced" or "alt" as the value of the suboption before
    // it, so they are given as "=1".
    if (q.interlaced) c.value += ",interlaced=1";
    if (rb2 && q.videoRate) c.value += ",alt=1";
    if (q.method == TimingMethod::CvtRb3) {
        c.value += QStringLiteral(",hblank=%1,vblank=%2").arg(q.rb3HBlank).arg(q.rb3VBlankUs);
        if (q.rb3EarlyVsync) c.value += ",early-vsync";
    }
    return true;
}

QList<Printed> parse(const QByteArray& out) {
    static const QRegularExpression head(
        R"(^\S.*?:\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz\s+\d+:\d+\s+[\d.]+ kHz\s+([\d.]+) MHz)");
    static const QRegularExpression hline(
        R"(^\s+Hfront\s+(-?\d+) Hsync\s+(\d+) Hback\s+(-?\d+) Hpol ([PN])(?: Hborder (\d+))?)");
    static const QRegularExpression vline(
        R"(^\s+Vfront\s+(-?\d+) Vsync\s+(\d+) Vback\s+(-?\d+) Vpol ([PN])(?: Vborder (\d+))?)");
    QList<Printed> list;
    int stage = 0;  // 1 after a heading, 2 after its Hfront line
    for (const QString& line : QString::fromUtf8(out).split('\n')) {
        if (const auto m = head.match(line); m.hasMatch()) {
            Printed p;
            p.t.width = m.captured(1).toInt();
            p.t.height = m.captured(2).toInt();
            p.t.interlaced = !m.captured(3).isEmpty();
            p.refreshHz = m.captured(4).toDouble();
            p.clockHz = m.captured(5).toDouble() * 1e6;
            p.t.pixelClockKhz = std::llround(p.clockHz / 1000.0);
            list << p;
            stage = 1;
        } else if (const auto h = hline.match(line); stage == 1 && h.hasMatch()) {
            Timing& t = list.last().t;
            const int border = h.captured(5).toInt();
            t.hfront = h.captured(1).toInt() + border;
            t.hsync = h.captured(2).toInt();
            t.hback = h.captured(3).toInt() + border;
            t.hsyncPositive = h.captured(4) == "P";
            stage = 2;
        } else if (const auto v = vline.match(line); stage == 2 && v.hasMatch()) {
            Timing& t = list.last().t;
            const int border = v.captured(5).toInt();
            t.vfront = v.captured(1).toInt() + border;
            t.vsync = v.captured(2).toInt();
            t.vback = v.captured(3).toInt() + border;
            t.vsyncPositive = v.captured(4) == "P";
            t.evenFieldTotal = line.contains("Both Fields");
            stage = 0;
        }
    }
    return list;
}

QProcess* start(const QString& program, const QStringList& args) {
    auto* p = new QProcess;
    p->setProcessChannelMode(QProcess::SeparateChannels);
    p->start(program, args);
    return p;
}

// Runs every case through edid-decode; the printed timings in case order (fewer when a run
// failed, which the caller reports).
QList<Printed> askOracle(const QString& oracle, const QList<const Case*>& mine, Run run) {
    QList<QProcess*> procs;
    if (run == Run::Gtf) {
        // One edid-decode per case, in two shells.
        const qsizetype half = (mine.size() + 1) / 2;
        for (qsizetype from = 0; from < mine.size(); from += half) {
            QStringList args{"-c", "for a; do \"$0\" --gtf \"$a\"; done", oracle};
            for (qsizetype i = from; i < std::min(mine.size(), from + half); ++i)
                args << mine[i]->value;
            procs << start("sh", args);
        }
    } else {
        constexpr qsizetype kPerRun = 1500;
        for (qsizetype from = 0; from < mine.size(); from += kPerRun) {
            QStringList args;
            if (run == Run::VideoRate) args << "-N";
            for (qsizetype i = from; i < std::min(mine.size(), from + kPerRun); ++i)
                args << mine[i]->option << mine[i]->value;
            procs << start(oracle, args);
        }
    }
    QList<Printed> all;
    for (QProcess* p : procs) {
        if (!p->waitForFinished(60000)) {
            p->kill();  // a hung run prints fewer timings than asked, which the caller reports
            p->waitForFinished();
        }
        all += parse(p->readAllStandardOutput());
        delete p;
    }
    return all;
}

// Compares every case with the oracle; the disagreements in words.
QStringList compare(const QString& oracle, const QList<Case>& cases, int& compared) {
    QStringList bad;
    for (const Run run : {Run::Plain, Run::VideoRate, Run::Gtf}) {
        QList<const Case*> mine;
        for (const Case& c : cases)
            if (c.run == run) mine << &c;
        const QList<Printed> printed = askOracle(oracle, mine, run);
        if (printed.size() != mine.size()) {
            bad << QStringLiteral("run %1: %2 cases, edid-decode printed %3 timings")
                       .arg(static_cast<int>(run))
                       .arg(mine.size())
                       .arg(printed.size());
            continue;
        }
        for (qsizetype i = 0; i < mine.size(); ++i) {
            const Case& c = *mine[i];
            Timing theirs = printed[i].t;
            // The clock is printed in Hz (-N scales it exactly); ours is that clock rounded to
            // the kHz, and our refresh rate follows from the rounded clock.
            const double ourHz = c.ours.pixelClockKhz * 1000.0;
            const double rateTolerance = printed[i].refreshHz * 500.0 / printed[i].clockHz + 1e-6;
            theirs.pixelClockKhz = c.ours.pixelClockKhz;
            if (theirs != c.ours || std::abs(ourHz - printed[i].clockHz) > 500.0 ||
                std::abs(c.ours.refreshHz() - printed[i].refreshHz) > rateTolerance)
                bad << QStringLiteral("%1 %2 %3: ours %4, edid-decode %5 (%6 Hz, %7 Hz)")
                           .arg(c.label, c.option, c.value, XModeline(c.ours),
                                XModeline(printed[i].t))
                           .arg(printed[i].clockHz, 0, 'f', 0)
                           .arg(printed[i].refreshHz, 0, 'f', 6);
            ++compared;
        }
    }
    return bad;
}

struct Size {
    int w;
    int h;
};

// Common modes, the odd ones people ask for (an LED wall at 1920 x 360, 5:3 and 15:9 panels,
// sizes off the 8-pixel grid) and the aspect ratios that pick CVT's vsync width.
const Size kSizes[] = {
    {640, 480},   {720, 480},   {720, 576},   {800, 600},   {1024, 600},  {1024, 768},
    {1152, 864},  {1280, 720},  {1280, 768},  {1280, 800},  {1280, 1024}, {1360, 768},
    {1366, 768},  {1400, 1050}, {1440, 900},  {1600, 900},  {1600, 1200}, {1680, 1050},
    {1920, 360},  {1920, 1080}, {1920, 1200}, {1920, 1440}, {2048, 1536}, {2560, 1080},
    {2560, 1440}, {2560, 1600}, {3440, 1440}, {3840, 1100}, {3840, 2160}, {4096, 2160},
    {5120, 2880}, {7680, 4320}, {1000, 1000}, {1023, 767},  {333, 222},   {1800, 1080},
};
const double kRates[] = {23.976, 24, 25, 29.97, 30,     48,  50,  56,  59.94, 60, 70,
                         72,     75, 85, 100,   119.88, 120, 144, 165, 200,   240};
const int kWholeRates[] = {24, 25, 30, 48, 50, 60, 72, 75, 100, 120, 144, 165, 200, 240, 360, 480};
const int kVideoRates[] = {24, 30, 48, 60, 120, 144, 240};
const TimingMethod kCvts[] = {TimingMethod::Cvt, TimingMethod::CvtRb1, TimingMethod::CvtRb2,
                              TimingMethod::CvtRb3};

TimingRequest request(TimingMethod m, int w, int h, double hz, bool videoRate = false,
                      bool interlaced = false) {
    TimingRequest q;
    q.method = m;
    q.width = w;
    q.height = h;
    q.refreshHz = hz;
    q.videoRate = videoRate;
    q.interlaced = interlaced;
    return q;
}

QList<TimingRequest> gridRequests() {
    QList<TimingRequest> g;
    QList<Size> sizes(std::begin(kSizes), std::end(kSizes));
    QRandomGenerator random(25);  // fixed: the same grid every run
    QList<Size> randomSizes;
    for (int i = 0; i < 200; ++i)
        randomSizes << Size{random.bounded(64, 8193), random.bounded(64, 4321)};
    for (const Size& s : sizes) {
        for (const double hz : kRates) {
            for (const TimingMethod m : kCvts) g << request(m, s.w, s.h, hz);
            g << request(TimingMethod::Gtf, s.w, s.h, hz)
              << request(TimingMethod::Dmt, s.w, s.h, hz)
              << request(TimingMethod::Vic, s.w, s.h, hz);
        }
        for (const int hz : kVideoRates)
            for (const TimingMethod m : kTimingMethods) g << request(m, s.w, s.h, hz, true);
        for (const int hz : kWholeRates) g << request(TimingMethod::Ovt, s.w, s.h, hz);
        for (const double hz : {50.0, 59.94, 60.0, 100.0, 120.0}) {
            if (s.h % 2) continue;
            for (const TimingMethod m : kTimingMethods)
                if (m != TimingMethod::Ovt) g << request(m, s.w, s.h, hz, false, true);
        }
        for (const double hz : {60.0, 120.0}) {
            // Reduced blanking v3's options, alone and together.
            const int options[][3] = {
                {160, 460, 0}, {200, 460, 0}, {80, 600, 0}, {80, 460, 1}, {120, 705, 1}};
            for (const auto& o : options) {
                TimingRequest q = request(TimingMethod::CvtRb3, s.w, s.h, hz);
                q.rb3HBlank = o[0];
                q.rb3VBlankUs = o[1];
                q.rb3EarlyVsync = o[2];
                g << q;
            }
            // The secondary GTF curve with a sink's typical and unusual parameters.
            const double curves[][4] = {{40, 600, 128, 20}, {30.5, 300, 64, 10.5}};
            for (const auto& cmkj : curves) {
                TimingRequest q = request(TimingMethod::Gtf, s.w, s.h, hz);
                q.gtfSecondary = true;
                q.gtfC = cmkj[0];
                q.gtfM = cmkj[1];
                q.gtfK = cmkj[2];
                q.gtfJ = cmkj[3];
                g << q;
            }
        }
    }
    for (const Size& s : randomSizes) {
        for (int i = 0; i < 2; ++i) {
            const double hz = kRates[random.bounded(int(std::size(kRates)))];
            for (const TimingMethod m : kCvts)
                g << request(m, s.w, s.h, hz) << request(m, s.w, s.h, hz, true);
        }
        g << request(TimingMethod::Gtf, s.w, s.h, kRates[random.bounded(int(std::size(kRates)))])
          << request(TimingMethod::Ovt, s.w, s.h,
                     kWholeRates[random.bounded(int(std::size(kWholeRates)))]);
    }
    return g;
}

// Every detailed timing in the samples (base block and CTA-861 extensions), once each.
QList<Timing> sampleTimings() {
    QList<Timing> out;
    const QDir dir(qEnvironmentVariable("VARNOK_SAMPLES_DIR"));
    for (const QString& name : dir.entryList({"*.bin"}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray image = f.readAll();
        QList<int> offsets{54, 72, 90, 108};
        for (qsizetype block = 128; block + 128 <= image.size(); block += 128) {
            const int start = static_cast<uint8_t>(image[block + 2]);
            if (static_cast<uint8_t>(image[block]) != 0x02 || start < 4) continue;
            for (int at = start; at + kDetailedTimingSize <= 127; at += kDetailedTimingSize)
                offsets << int(block) + at;
        }
        for (const int at : offsets) {
            const auto t =
                DecodeDetailedTiming(QByteArrayView(image).sliced(at, kDetailedTimingSize));
            if (t && t->htotal() > 0 && t->vtotal() > 0 && !out.contains(*t)) out << *t;
        }
    }
    return out;
}

}  // namespace

class TimingOracleTest : public QObject {
    Q_OBJECT

private:
    QString oracle_ = QStandardPaths::findExecutable("edid-decode");

private slots:
    void init() {
        if (oracle_.isEmpty())
            QSKIP("edid-decode is not installed (Debian: apt install edid-decode)");
    }

    // The table timings by number, at their own rate and with -N.
    void tablesMatch() {
        QList<Case> cases;
        for (const bool video : {false, true}) {
            for (const DmtEntry& e : DmtTable()) {
                const TimingResult r = DmtTiming(e.id, video);
                if (!video || r.scaledToVideoRate)
                    cases << Case{QString("DMT %1").arg(e.id), video ? Run::VideoRate : Run::Plain,
                                  "--dmt", QString::number(e.id), r.timing};
            }
            for (const VicEntry& e : VicTable()) {
                const TimingResult r = VicTiming(e.vic, video);
                if (!video || r.scaledToVideoRate)
                    cases << Case{QString("VIC %1").arg(e.vic), video ? Run::VideoRate : Run::Plain,
                                  "--vic", QString::number(e.vic), r.timing};
            }
        }
        int compared = 0;
        const QStringList bad = compare(oracle_, cases, compared);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.mid(0, 20).join('\n')));
        QVERIFY(compared > 88 + 154);  // each at its own rate, some also at 1000/1001
    }

    // Our modeline of each progressive table timing as edid-decode -X prints it.
    void modelinesMatch() {
        QStringList args{"-X"};
        QStringList ours;
        for (const VicEntry& e : VicTable()) {
            if (e.timing.interlaced) continue;
            args << "--vic" << QString::number(e.vic);
            ours << XModeline(e.timing);
        }
        for (const DmtEntry& e : DmtTable()) {
            if (e.timing.interlaced) continue;
            args << "--dmt" << QString::number(e.id);
            ours << XModeline(e.timing);
        }
        QProcess p;
        p.start(oracle_, args);
        QVERIFY(p.waitForFinished(60000));
        QStringList theirs;
        for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n'))
            if (line.trimmed().startsWith("Modeline")) theirs << line.trimmed();
        QCOMPARE(theirs, ours);
    }

    void gridMatches() {
        QList<Case> cases;
        int refused = 0;
        for (const TimingRequest& q : gridRequests()) {
            Case c;
            if (makeCase(q, c))
                cases << c;
            else
                ++refused;
        }
        int compared = 0;
        const QStringList bad = compare(oracle_, cases, compared);
        qInfo("%d grid cases compared, %d without a timing (no table entry, or refused)", compared,
              refused);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.mid(0, 20).join('\n')));
        QVERIFY(compared >= 10000);
    }

    // Each sample's detailed timings, W × H @ refresh, as input to every method.
    void sampleTimingsMatch() {
        const QList<Timing> timings = sampleTimings();
        QVERIFY(timings.size() > 100);
        QList<Case> cases;
        for (const Timing& t : timings) {
            for (const TimingMethod m : kTimingMethods) {
                const double hz =
                    m == TimingMethod::Ovt ? std::round(t.refreshHz()) : t.refreshHz();
                Case c;
                if (makeCase(request(m, t.width, t.height, hz, false, t.interlaced), c)) cases << c;
            }
        }
        int compared = 0;
        const QStringList bad = compare(oracle_, cases, compared);
        qInfo("%lld sample timings, %d cases compared", timings.size(), compared);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.mid(0, 20).join('\n')));
    }
};

QTEST_GUILESS_MAIN(TimingOracleTest)
#include "tst_timing_oracle.moc"
