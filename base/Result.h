#pragma once
// What every operation returns, in one shape: how it ended (an outcome enum of the operation's
// own), the system's reason where there is one ("No space left on device", "Permission
// denied"), recorded where the failure happened, and the data the operation produced.
//
//   Result<SaveOutcome> saved = SaveEdidFile(path, bytes);
//   if (saved.outcome != SaveOutcome::Saved) tell(saved.reason);
//
// Header-only and widget-free, for every library.

#include <QString>

namespace varnok {

// The data of an operation that produces none.
struct NoData {};

template <typename Outcome, typename Data = NoData>
struct Result {
    Outcome outcome{};
    QString reason;  // the system's words; empty where the outcome says it all
    Data data{};

    bool is(Outcome o) const { return outcome == o; }
};

}  // namespace varnok
