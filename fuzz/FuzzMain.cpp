// One libFuzzer target: VARNOK_FUZZ_ENTRY names the entry function of FuzzEntries.h it runs.

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

#ifndef VARNOK_FUZZ_ENTRY
#error "VARNOK_FUZZ_ENTRY must name the fuzz entry function"
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The link and the ISP update create timers, which need an application object; the fuzzer's
    // own arguments are not Qt's business.
    static int argc = 1;
    static char name[] = "varnok-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return varnok::fuzz::VARNOK_FUZZ_ENTRY(data, size);
}
