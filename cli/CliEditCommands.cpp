// timing and edit: a timing by its standard method with its link check, and an EDID file changed
// field by field through the lossless model, each edit in the order given.

#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliCommands.h"
#include "edid/model/CtaDataBlocks.h"
#include "edid/model/EdidEdit.h"
#include "edid/timing/LinkCheck.h"
#include "edid/timing/TimingEdits.h"
#include "edid/timing/TimingText.h"
#include "edidio/EdidLoad.h"
#include "edidio/EdidSave.h"

namespace varnok::cli {
namespace {

// A whole number in lo..hi, decimal or 0x hex.
std::optional<qint64> Number(const QString& text, qint64 lo, qint64 hi) {
    bool ok = false;
    const qint64 n = text.toLongLong(&ok, 0);
    if (!ok || n < lo || n > hi) return std::nullopt;
    return n;
}

QString NumberWords(const QString& option, const QString& text, qint64 lo, qint64 hi) {
    return QStringLiteral("--%1: '%2' is no number %3..%4").arg(option, text).arg(lo).arg(hi);
}

QString TimingTitle(const TimingResult& r, TimingMethod method) {
    if (r.dmtId) return QStringLiteral("DMT 0x%1").arg(r.dmtId, 2, 16, QLatin1Char('0'));
    if (r.vic) return QStringLiteral("VIC %1").arg(r.vic);
    return TimingMethodTitle(method);
}

// --range-limits VMIN-VMAX:HMIN-HMAX:CLOCK (Hz, kHz, MHz), e.g. 24-75:30-160:600.
std::optional<EdidRangeLimits> RangeLimits(const QString& text, EdidRangeLimits limits) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3) return std::nullopt;
    const QStringList v = parts[0].split(QLatin1Char('-'));
    const QStringList h = parts[1].split(QLatin1Char('-'));
    if (v.size() != 2 || h.size() != 2) return std::nullopt;
    const auto vmin = Number(v[0], 1, 510), vmax = Number(v[1], 1, 510);
    const auto hmin = Number(h[0], 1, 510), hmax = Number(h[1], 1, 510);
    const auto clock = Number(parts[2], 10, 2550);
    if (!vmin || !vmax || !hmin || !hmax || !clock) return std::nullopt;
    limits.minVerticalHz = int(*vmin);
    limits.maxVerticalHz = int(*vmax);
    limits.minHorizontalKHz = int(*hmin);
    limits.maxHorizontalKHz = int(*hmax);
    limits.maxPixelClockMHz = int(*clock);
    return limits;
}

// Why an edit's value is malformed, before any edit is applied; empty when it reads.
QString EditSyntaxProblem(const QString& option, const QString& value) {
    QString problem;
    if (option == QLatin1String("serial") && !Number(value, 0, 0xFFFFFFFFLL))
        return NumberWords(option, value, 0, 0xFFFFFFFFLL);
    if (option == QLatin1String("product") && !Number(value, 0, 0xFFFF))
        return NumberWords(option, value, 0, 0xFFFF);
    if (option == QLatin1String("remove-timing") && !Number(value, 1, 64))
        return NumberWords(option, value, 1, 64);
    if (option == QLatin1String("max-tmds")) {
        const auto mhz = Number(value, 5, 1275);
        if (!mhz || *mhz % 5)
            return QStringLiteral("--max-tmds: '%1' is no clock of 5..1275 MHz in steps of 5")
                .arg(value);
    }
    if (option == QLatin1String("remove-block")) {
        CtaBlockKind kind;
        if (!CtaBlockKindFromId(value, kind))
            return QStringLiteral("--remove-block: unknown kind '%1'").arg(value);
    }
    if ((option == QLatin1String("preferred") || option == QLatin1String("add-timing")) &&
        !ParseTimingSpec(value, &problem))
        return QStringLiteral("--%1: %2").arg(option, problem);
    if (option == QLatin1String("range-limits") && !RangeLimits(value, {}))
        return QStringLiteral(
                   "--range-limits: '%1' is not VMIN-VMAX:HMIN-HMAX:CLOCK (Hz 1..510, kHz "
                   "1..510, MHz 10..2550), e.g. 24-75:30-160:600")
            .arg(value);
    return {};
}

struct EditFailure {
    ExitStatus status = ExitStatus::Ok;
    QString words;
};

EditFailure Applied(EdidModel& model, const EdidEdit& edit, const QString& option) {
    const EdidEditResult r = ApplyEdidEdit(model, edit);
    if (r.ok()) return {};
    return {r.status == EdidEditStatus::NoRoom ? ExitStatus::InvalidEdid : ExitStatus::Usage,
            QStringLiteral("--%1: %2").arg(option, r.reason)};
}

EditFailure TimingEdit(EdidModel& model, const QString& option, const QString& value,
                       QStringList& notes) {
    const TimingResult t = CalculateTimingFor(*ParseTimingSpec(value, nullptr));
    if (!t.ok) return {ExitStatus::Usage, QStringLiteral("--%1: %2").arg(option, t.reason)};
    const TimingEditPlan plan = option == QLatin1String("preferred")
                                    ? PreferredTimingEdit(model, t.timing)
                                    : AddTimingEdit(model, t.timing);
    if (!plan.edit)
        return {ExitStatus::InvalidEdid, QStringLiteral("--%1: %2").arg(option, plan.fit.words)};
    if (plan.fit.outcome == DescriptorTiming::Outcome::Fitted)
        notes << QStringLiteral("%1 %2: %3").arg(option, value, plan.fit.words);
    return Applied(model, *plan.edit, option);
}

EditFailure ApplyOne(EdidModel& model, const QString& option, const QString& value,
                     QStringList& notes) {
    if (option == QLatin1String("name"))
        return Applied(model, EdidEdit::setMonitorName(value), option);
    if (option == QLatin1String("serial"))
        return Applied(model, EdidEdit::setSerial(*Number(value, 0, 0xFFFFFFFFLL)), option);
    if (option == QLatin1String("product"))
        return Applied(model, EdidEdit::setProduct(*Number(value, 0, 0xFFFF)), option);
    if (option == QLatin1String("preferred") || option == QLatin1String("add-timing"))
        return TimingEdit(model, option, value, notes);
    if (option == QLatin1String("remove-timing")) {
        const QList<EdidItemRef> refs = EdidDetailedTimingRefs(model);
        const qint64 n = *Number(value, 1, 64);
        if (n > refs.size())
            return {ExitStatus::Usage, QStringLiteral("--remove-timing: the EDID has %1 detailed "
                                                      "timings, not %2")
                                           .arg(refs.size())
                                           .arg(n)};
        return Applied(model, EdidEdit::removeTiming(refs[n - 1].block, refs[n - 1].index), option);
    }
    if (option == QLatin1String("remove-block")) {
        CtaBlockKind kind;
        CtaBlockKindFromId(value, kind);
        const QList<EdidItemRef> refs = EdidDataBlockRefs(model, kind);
        if (refs.isEmpty())
            return {ExitStatus::Usage,
                    QStringLiteral("--remove-block: the EDID has no %1 data block").arg(value)};
        // From the last, so that the positions of those before stay.
        for (qsizetype i = refs.size() - 1; i >= 0; --i)
            if (EditFailure f =
                    Applied(model, EdidEdit::removeDataBlock(refs[i].block, refs[i].index), option);
                f.status != ExitStatus::Ok)
                return f;
        return {};
    }
    if (option == QLatin1String("max-tmds")) {
        const QList<EdidItemRef> refs = EdidDataBlockRefs(model, CtaBlockKind::HdmiVsdb);
        if (refs.isEmpty())
            return {ExitStatus::Usage, QStringLiteral("--max-tmds: the EDID has no HDMI vendor-"
                                                      "specific data block")};
        for (const EdidItemRef& ref : refs) {
            CtaDataBlock block = model.cta(ref.block)->dataBlocks[ref.index];
            QString problem;
            if (!SetCtaFieldValue(block, CtaField::HdmiMaxTmdsClock, int(value.toInt() / 5),
                                  &problem))
                return {ExitStatus::Usage, QStringLiteral("--max-tmds: ") + problem};
            if (EditFailure f =
                    Applied(model, EdidEdit::setDataBlock(ref.block, ref.index, block), option);
                f.status != ExitStatus::Ok)
                return f;
        }
        return {};
    }
    // range-limits: the descriptor's other bytes (its timing support and detail) stay.
    EdidRangeLimits old;
    for (const Bytes18& d : model.base.descriptors)
        if (DescriptorKindOf(d) == DescriptorKind::RangeLimits) old = DecodeRangeLimits(d);
    return Applied(model, EdidEdit::setRangeLimits(*RangeLimits(value, old)), option);
}

}  // namespace

ExitStatus RunTiming(CliRun& run) {
    const QStringList& o = run.args.operands;
    const auto width = Number(o[0], 1, kMaxTimingActive);
    const auto height = Number(o[1], 1, kMaxTimingActive);
    bool rateOk = false;
    const double hz = o[2].toDouble(&rateOk);
    if (!width || !height || !rateOk)
        return run.fail(
            ExitStatus::Usage,
            QStringLiteral("timing takes W H HZ: sizes 1..%1, a rate in Hz").arg(kMaxTimingActive));
    TimingSpec spec;
    spec.width = int(*width);
    spec.height = int(*height);
    spec.refreshHz = hz;
    spec.interlaced = run.args.flag(u"interlaced");
    if (run.args.flag(u"method")) {
        spec.method = TimingMethodFromName(run.args.value(u"method"));
        if (!spec.method)
            return run.fail(ExitStatus::Usage,
                            QStringLiteral("unknown method '%1' (dmt, vic, cvt, rb1, rb2, rb3, "
                                           "gtf or ovt)")
                                .arg(run.args.value(u"method")));
    }
    TimingRequest q;
    q.width = spec.width;
    q.height = spec.height;
    q.refreshHz = hz;
    q.interlaced = spec.interlaced;
    q.videoRate = run.args.flag(u"video-rate");
    q.reducedBlanking = run.args.flag(u"reduced-blanking");
    q.rb3EarlyVsync = run.args.flag(u"early-vsync");
    if (run.args.flag(u"rb3-hblank")) q.rb3HBlank = run.args.value(u"rb3-hblank").toInt();
    if (run.args.flag(u"rb3-vblank")) q.rb3VBlankUs = run.args.value(u"rb3-vblank").toInt();
    if (spec.method) q.method = *spec.method;
    const TimingResult r = spec.method ? CalculateTiming(q) : CalculateTimingByTable(q);
    if (!r.ok) return run.fail(ExitStatus::Usage, r.reason);
    LinkLimits limits;
    if (run.args.flag(u"chain-mhz")) {
        bool ok = false;
        limits.chainMaxTmdsMhz = run.args.value(u"chain-mhz").toDouble(&ok);
        if (!ok || *limits.chainMaxTmdsMhz <= 0)
            return run.fail(ExitStatus::Usage, QStringLiteral("--chain-mhz: '%1' is no clock in "
                                                              "MHz")
                                                   .arg(run.args.value(u"chain-mhz")));
    }
    const TimingMethod method =
        r.dmtId ? TimingMethod::Dmt
                : (r.vic ? TimingMethod::Vic : spec.method.value_or(TimingMethod::Cvt));
    const QList<LinkRow> links = CheckLinks(r.timing, limits);
    const DetailedTimingFit fit = CheckDetailedTiming(r.timing);
    const DescriptorTiming descriptor = TimingForDescriptor(r.timing);
    for (const QString& l : TimingTextLines(r.timing, TimingTitle(r, method))) run.out.line(l);
    run.out.line(XModeline(r.timing));
    run.out.line(QString());
    for (const QString& l : DetailedTimingFitText(fit)) run.out.line(l);
    if (descriptor.outcome == DescriptorTiming::Outcome::Fitted)
        run.out.line(QStringLiteral("Note: edit fits it so: ") + descriptor.words);
    run.out.line(QString());
    for (const QString& l : LinkTableText(links)) run.out.line(l);
    run.out.set(QStringLiteral("method"), TimingMethodName(method));
    run.out.set(QStringLiteral("timing"), TimingJson(r.timing));
    run.out.set(QStringLiteral("modeline"), XModeline(r.timing));
    QJsonObject d = DetailedTimingFitJson(fit);
    if (descriptor.outcome == DescriptorTiming::Outcome::Fitted)
        d.insert(QStringLiteral("fitted"), TimingJson(descriptor.timing));
    run.out.set(QStringLiteral("descriptor"), d);
    run.out.set(QStringLiteral("links"), LinkTableJson(links));
    return ExitStatus::Ok;
}

ExitStatus RunEdit(CliRun& run) {
    const QString& in = run.args.operands[0];
    const QString& out = run.args.operands[1];
    // Every edit must read before any is applied: a malformed one writes nothing.
    for (const auto& [option, value] : run.args.optionList)
        if (const QString problem = EditSyntaxProblem(option, value); !problem.isEmpty())
            return run.fail(ExitStatus::Usage, problem);
    const LoadResult loaded = LoadEdidFile(in);
    if (!loaded.is(LoadOutcome::Loaded))
        return run.fail(
            loaded.is(LoadOutcome::ReadFailed) ? ExitStatus::Failure : ExitStatus::InvalidEdid,
            LoadWords(loaded.outcome, loaded.reason, in));
    EdidModel model = ParseEdidModel(loaded.data).model;
    QStringList notes;
    for (const auto& [option, value] : run.args.optionList) {
        const EditFailure f = ApplyOne(model, option, value, notes);
        if (f.status != ExitStatus::Ok)
            return run.fail(f.status, f.words + QStringLiteral(" Nothing was written."));
    }
    const QByteArray bytes = SerializeEdidModel(model);
    if (const SaveResult saved = SaveEdidFile(out, bytes); !saved.is(SaveOutcome::Saved))
        return run.fail(ExitStatus::Failure,
                        EdidSaveWords(saved, out, QStringLiteral("EDID"), int(bytes.size())));
    for (const QString& n : notes) run.out.line(QStringLiteral("Note: ") + n);
    run.out.line(QStringLiteral("EDID (%1 bytes, %2 edits) saved to %3")
                     .arg(bytes.size())
                     .arg(run.args.optionList.size())
                     .arg(out));
    run.out.set(QStringLiteral("file"), out);
    run.out.set(QStringLiteral("bytes"), int(bytes.size()));
    run.out.set(QStringLiteral("edits"), int(run.args.optionList.size()));
    run.out.set(QStringLiteral("notes"), QJsonArray::fromStringList(notes));
    return ExitStatus::Ok;
}

}  // namespace varnok::cli
