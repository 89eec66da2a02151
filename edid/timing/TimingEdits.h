#pragma once
// A calculated timing on its way into an EDID model, as the EDID window's calculator and
// varnok-cli's edit both take it: the text "W×H@HZ[:method]", the method chosen when none is
// named, and the model edit that makes a timing the preferred one or adds it. Both front ends
// call these, so the window's saved file equals the command line's output for the same edit.

#include <QString>
#include <optional>

#include "edid/model/EdidEdit.h"
#include "edid/timing/DetailedTiming.h"
#include "edid/timing/LinkCheck.h"
#include "edid/timing/TimingCalculator.h"

namespace varnok {

// "2560x1440@120:rb2", "1920×1080@59.94", "1920x1080i@60:vic": W and H (x or ×, an "i" after H
// for interlaced), the rate after "@", the method's --method name after ":". Without a method,
// method is unset (see CalculateTimingFor). Empty, with *problem set, for anything else.
struct TimingSpec {
    int width = 0;
    int height = 0;
    double refreshHz = 0;
    bool interlaced = false;
    std::optional<TimingMethod> method;
};
std::optional<TimingSpec> ParseTimingSpec(const QString& text, QString* problem);

// The timing of a spec: its method, or without one the DMT table's timing when it has the mode,
// else the CTA-861 VIC's, else CVT's.
TimingResult CalculateTimingFor(const TimingSpec& spec);
// The same choice for a request with its options (its method is not looked at).
TimingResult CalculateTimingByTable(TimingRequest request);

// The edit that writes `timing` as the preferred timing (the base block's first descriptor):
// over the timing or dummy in that slot, keeping a timing's image size there; before any other
// descriptor in it otherwise. `fit` says whether the timing went in as it is, fitted (its front
// porch too long, the excess moved into the back porch), or not at all (then edit is empty).
struct TimingEditPlan {
    DescriptorTiming fit;
    std::optional<EdidEdit> edit;
};
TimingEditPlan PreferredTimingEdit(const EdidModel& model, const Timing& timing);
// The edit that adds `timing`: into the base block's first dummy slot, else at the end of the
// first CTA-861 block's detailed timings, else (no room anywhere) the base block edit the model
// refuses with the bytes missing.
TimingEditPlan AddTimingEdit(const EdidModel& model, const Timing& timing);

}  // namespace varnok

namespace varnok {

// The limits an EDID states for the link check: the range limits descriptor's maximum pixel
// clock, the HDMI VSDB's Max TMDS Clock, the HDMI Forum VSDB's Max TMDS Character Rate and Max
// FRL Rate (each unset where the EDID does not state it).
LinkLimits LinkLimitsOf(const EdidModel& model);

}  // namespace varnok
