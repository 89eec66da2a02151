#pragma once
// Firmware update of a device in its ISP (firmware-loading) mode, byte protocol of the device
// kind without the "ISP029" banner. The host sends raw command bytes, no framing, no checksum:
//
//   0x81               sync; the device echoes 0x81                         pause 2 ms
//   0x87               identification; reply text from index 2 to a zero     pause 10 ms
//   0x83 bank          select ROM bank 0..2                                  pause 2 ms
//   0x84 hi lo         set the page address within the bank                  pause 2 ms
//   0x86 + 512 bytes   write one page (command byte alone, then 2 x 256)     pause 10 ms
//   0x85               read the page back: >= 512 bytes, page byte i at reply index i + 2,
//                      awaited up to 220 ms
//
// ROM layout (243 pages of 512 bytes, 124416 bytes in all):
//   bank 0  0x0000-0x6FFF <- file 0x0000-0x6FFF    (0x7000-0x7FFF is never written)
//   bank 0  0x8000-0xFFFF <- file 0x8000-0xFFFF
//   bank 1  0x8000-0xFFFF <- file 0x10000-0x17FFF
//   bank 2  0x8000-0xF5FF <- file 0x18000-0x1F5FF  (last page 0xF400)
//
// The update is one loop of passes; each pass reads what the port holds and does one step of a
// state machine (0 confirm ISP mode, 1 sync, 2 identification, 3 bank, 4 address, 5 page,
// 6 read back and verify, 8 finished). A page is tried at most 16 times.

#include <QString>
#include <array>
#include <cstdint>

#include "firmware/FirmwareImage.h"
#include "firmware/IspChannel.h"

namespace varnok {

class DeviceLink;
class FirmwareView;
class IspClock;

class IspUpdate {
public:
    enum class Result {
        OpenFailed,      // the image file can't be opened; nothing sent
        Done,            // every page written and read back
        ConfirmTimeout,  // ISP mode not confirmed within kPhaseLimitMs
        SyncTimeout,     // no 0x81 echo within kPhaseLimitMs
        PageFailed,      // a page failed 16 times
        PortLost,        // the port went away during the update
    };

    static constexpr int kPageSize = 512;
    static constexpr uint32_t kReadBackLimitMs = 220;
    static constexpr int kMaxAttempts = 16;
    // Confirmation and sync give up after this long in their state.
    static constexpr uint32_t kPhaseLimitMs = 10000;
    // Progress divides the file offset by that of the last page, 0x1F400.
    static constexpr uint32_t kProgressDivisor = 128000;
    // Up to 89 of the 509 compared bytes may differ and the page still passes.
    static constexpr int kComparedBytes = 509;
    static constexpr int kMinEqualBytes = 420;

    IspUpdate(DeviceLink& link, FirmwareView& view, IspClock& clock);

    // Programs the image file at `path`; its steps are told in the debug log.
    Result run(const QString& path);

private:
    enum State : uint8_t {
        Confirm = 0,
        Sync = 1,
        Identify = 2,
        SelectBank = 3,
        Address = 4,
        WritePage = 5,
        ReadBack = 6,
        Finished = 8,
    };

    bool step();  // one state step; true when it sent a command or changed state
    bool stepConfirm();
    bool stepSync();
    bool stepIdentify();
    bool stepSelectBank();
    bool stepAddress();
    bool stepWritePage();
    bool stepReadBack();
    bool comparePage();  // true when the page passes
    void pageFailed(bool afterCompare);
    void enter(State s);
    void finish(Result r);

    DeviceLink& link_;
    FirmwareView& view_;
    IspClock& clock_;
    IspChannel channel_;
    FirmwareImageFile image_;

    State state_ = Confirm;
    uint16_t counter_ = 0;
    uint8_t bank_ = 0;
    uint32_t address_ = 0;
    uint32_t fileOffset_ = 0;
    uint8_t retries_ = 0;
    std::array<uint8_t, kPageSize> page_{};
    uint32_t requestTime_ = 0;
    uint32_t stateEntered_ = 0;
    Result result_ = Result::Done;
};

}  // namespace varnok
