// The number of an engine's random stream among the engines alive in the
// process: the lowest number no living engine holds. The first engine a
// process makes takes 0 (the stream every render started from before there
// were several), an engine made while others live takes the next free one,
// and a number comes free again when its engine goes. So a session loaded
// into a fresh host process numbers its instances the same way every time,
// and closing and reopening it in the same process does too: its bounces
// are repeatable.
//
// Construction and destruction take a lock: main (or loading) thread only,
// never the audio thread.
#pragma once

#include <cstdint>

class StreamSlot {
public:
    StreamSlot();
    ~StreamSlot();
    StreamSlot(const StreamSlot&) = delete;
    StreamSlot& operator=(const StreamSlot&) = delete;

    // 0..65535: as many well-separated streams as there are.
    uint32_t index() const { return number; }

private:
    uint32_t number;
    bool held;
};
