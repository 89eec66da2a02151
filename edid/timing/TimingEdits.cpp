#include "edid/timing/TimingEdits.h"

#include <QRegularExpression>

#include "edid/model/CtaDataBlocks.h"

namespace varnok {

namespace {

// The image size a new descriptor gets: that of the base block's first detailed timing, else
// the base block's screen size (centimetres, as bytes 21..22 give it).
std::pair<int, int> ImageSizeMm(const EdidModel& model) {
    for (const Bytes18& d : model.base.descriptors)
        if (DescriptorKindOf(d) == DescriptorKind::DetailedTiming) {
            const EdidDetailedTiming t = DecodeDetailedTiming(d);
            return {t.hImageMm, t.vImageMm};
        }
    if (model.base.widthCm && model.base.heightCm)
        return {model.base.widthCm * 10, model.base.heightCm * 10};
    return {0, 0};
}

TimingEditPlan Plan(const EdidModel& model, const Timing& timing,
                    EdidEdit (*make)(const EdidModel&, const EdidDetailedTiming&)) {
    TimingEditPlan plan;
    plan.fit = TimingForDescriptor(timing);
    if (!plan.fit.writable()) return plan;
    const auto [w, h] = ImageSizeMm(model);
    plan.edit = make(model, DetailedTimingOf(plan.fit.timing, w, h));
    return plan;
}

}  // namespace

std::optional<TimingSpec> ParseTimingSpec(const QString& text, QString* problem) {
    static const QRegularExpression re(QStringLiteral(
        "^(\\d{1,5})[x\\x{00D7}](\\d{1,5})(i?)@(\\d{1,4}(?:\\.\\d{1,3})?)(?::([a-z0-9]+))?$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) {
        if (problem)
            *problem = QStringLiteral(
                           "'%1' is no timing: write WxH@HZ or WxH@HZ:METHOD, e.g. "
                           "2560x1440@120:rb2")
                           .arg(text);
        return std::nullopt;
    }
    TimingSpec spec;
    spec.width = m.captured(1).toInt();
    spec.height = m.captured(2).toInt();
    spec.interlaced = !m.captured(3).isEmpty();
    spec.refreshHz = m.captured(4).toDouble();
    if (m.hasCaptured(5)) {
        spec.method = TimingMethodFromName(m.captured(5));
        if (!spec.method) {
            if (problem)
                *problem =
                    QStringLiteral("unknown method '%1' (dmt, vic, cvt, rb1, rb2, rb3, gtf or ovt)")
                        .arg(m.captured(5));
            return std::nullopt;
        }
    }
    return spec;
}

TimingResult CalculateTimingFor(const TimingSpec& spec) {
    TimingRequest q;
    q.width = spec.width;
    q.height = spec.height;
    q.refreshHz = spec.refreshHz;
    q.interlaced = spec.interlaced;
    if (spec.method) {
        q.method = *spec.method;
        return CalculateTiming(q);
    }
    return CalculateTimingByTable(q);
}

TimingResult CalculateTimingByTable(TimingRequest request) {
    for (const TimingMethod m : {TimingMethod::Dmt, TimingMethod::Vic}) {
        request.method = m;
        if (const TimingResult r = CalculateTiming(request); r.ok) return r;
    }
    request.method = TimingMethod::Cvt;
    return CalculateTiming(request);
}

TimingEditPlan PreferredTimingEdit(const EdidModel& model, const Timing& timing) {
    return Plan(model, timing, [](const EdidModel& m, const EdidDetailedTiming& t) {
        const Bytes18& first = m.base.descriptors[0];
        switch (DescriptorKindOf(first)) {
            case DescriptorKind::DetailedTiming: {
                EdidDetailedTiming kept = t;
                const EdidDetailedTiming old = DecodeDetailedTiming(first);
                kept.hImageMm = old.hImageMm;
                kept.vImageMm = old.vImageMm;
                return EdidEdit::setTiming(0, 0, kept);
            }
            case DescriptorKind::Dummy:
                return EdidEdit::setTiming(0, 0, t);
            default:
                return EdidEdit::addTiming(0, 0, t);
        }
    });
}

TimingEditPlan AddTimingEdit(const EdidModel& model, const Timing& timing) {
    return Plan(model, timing, [](const EdidModel& m, const EdidDetailedTiming& t) {
        for (int slot = 0; slot < 4; ++slot)
            if (DescriptorKindOf(m.base.descriptors[slot]) == DescriptorKind::Dummy)
                return EdidEdit::addTiming(0, slot, t);
        for (int block = 1; block < m.blockCount(); ++block)
            if (const CtaExtension* cta = m.cta(block))
                return EdidEdit::addTiming(block, int(cta->timings.size()), t);
        return EdidEdit::addTiming(0, 0, t);
    });
}

}  // namespace varnok

namespace varnok {

LinkLimits LinkLimitsOf(const EdidModel& model) {
    LinkLimits limits;
    for (const Bytes18& d : model.base.descriptors)
        if (DescriptorKindOf(d) == DescriptorKind::RangeLimits)
            limits.rangeLimitsMaxClockMhz = DecodeRangeLimits(d).maxPixelClockMHz;
    auto field = [&model](CtaBlockKind kind, CtaField f) -> std::optional<int> {
        const QList<EdidItemRef> refs = EdidDataBlockRefs(model, kind);
        if (refs.isEmpty()) return std::nullopt;
        return CtaFieldValue(model.cta(refs[0].block)->dataBlocks[refs[0].index], f);
    };
    // 0 in the HDMI VSDB's field means "not given"; in the HDMI Forum's, 340 MHz or less.
    if (const auto tmds = field(CtaBlockKind::HdmiVsdb, CtaField::HdmiMaxTmdsClock); tmds && *tmds)
        limits.hdmiMaxTmdsMhz = *tmds * 5;
    if (const auto hf = field(CtaBlockKind::HdmiForumVsdb, CtaField::HfMaxTmdsCharacterRate)) {
        limits.hfMaxTmdsMhz = *hf ? *hf * 5 : 340;
        limits.hfMaxFrlRate = field(CtaBlockKind::HdmiForumVsdb, CtaField::HfMaxFrlRate);
    }
    return limits;
}

}  // namespace varnok
