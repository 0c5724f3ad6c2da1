// The key presses kept for PlatformTakeKeyPresses, oldest first, shared by the input backends.
// A full ring drops its oldest press, so a stalled reader loses the earliest keys, never the latest.
#pragma once

#include "platform/d3dwindow.h"

struct KeyPressRing {
    static constexpr int capacity = 64;
    KeyPress presses[capacity] = {};  // `count` of them from `first`
    int first = 0, count = 0;

    void Keep(const KeyPress& press) {
        if (count == capacity) {  // the oldest goes
            first = (first + 1) % capacity;
            --count;
        }
        presses[(first + count) % capacity] = press;
        ++count;
    }

    // Moves up to `room` of the oldest presses into `out`; returns how many.
    int Take(KeyPress* out, int room) {
        int n = 0;
        while (n < room && count > 0) {
            out[n++] = presses[first];
            first = (first + 1) % capacity;
            --count;
        }
        return n;
    }
};
