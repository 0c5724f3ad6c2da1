// Who drives the program's frames. Natively the calling thread runs them one after another and
// returns when the show is over. In a browser the page's frame callback runs each one, the call
// that set the loop up returns at once, and the page starts the show on the user's click (browsers
// start sound only after a gesture); what the loop needs stays alive through `owner`.
#pragma once

#include <functional>
#include <memory>

struct FrameLoop {
    std::shared_ptr<void> owner;    // the objects the calls below use; let go after `end`
    std::function<bool()> frame;    // one frame; false once the show is over (Escape or the music's end)
    std::function<bool()> escaped;  // after frame returned false: whether Escape ended it
    std::function<void()> end;      // the teardown after the show is over
    // The page's requests, each optional: play the show again from the start after it ended; move
    // the show to music time t, hold the music there and draw that frame (tests); the show's clock.
    std::function<void()> playAgain;
    std::function<void(double t)> holdAt;
    std::function<double()> musicTime;
};

// Runs the loop. Native: frames until one returns false, then end, then returns. Browser: hands it
// to the page and returns at once; a show that is over stays for playing again and is not torn down.
void PlatformRunFrames(FrameLoop loop);
