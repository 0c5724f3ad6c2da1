// The transport over the music stream's seek and the show's stepped start.
#include "app/author/author_session.h"

#include <algorithm>
#include <string>

#include "app/show.h"
#include "audio/music_stream.h"
#include "platform/d3dwindow.h"

Section SectionAt(float t, float length) {
    float start = 0.0f;
    for (float bound : sectionBounds) {
        if (!(bound < length)) break;
        if (bound <= t) start = bound;
    }
    float end = length;
    for (float bound : sectionBounds)
        if (bound > start && bound < length) {
            end = bound;
            break;
        }
    return {start, end};
}

AuthorSession::AuthorSession(MusicStream& music, Show& show, const BeatGrid& grid, FILE* out)
    : music(music), show(show), grid(grid), out(out), seeker(music) {}

void AuthorSession::Print(float t, const char* what) {
    std::fprintf(out, "%.3f %s\n", static_cast<double>(t), what);
    std::fflush(out);
}

float AuthorSession::Now() {
    return paused ? held : music.GetPosition();
}

void AuthorSession::Open(float t) {
    if (t > 0.0f) music.Seek(t);
    shown = music.GetPosition();
    seeker.Seek(show, shown);
    haveBefore = false;
}

float AuthorSession::FrameTime() {
    if (paused) return held;
    const float t = music.GetPosition(), length = music.GetLength();
    // Only playing through the loop's end wraps; a jump past it leaves the loop until time is back.
    if (loop && t >= loop->end && shown >= loop->start && shown < loop->end) {
        Jump(loop->start);
        Print(shown, "wrap");
        return shown;
    }
    if (t >= length) {  // the end holds the last picture; a jump or a loop goes on from there
        music.Stop();
        paused = true;
        held = length;
        Print(held, "end");
        return held;
    }
    return t;
}

void AuthorSession::DrawFrame(float t, const float* spectrum, bool draw) {
    s0 = spectrum[0];
    s1 = spectrum[1];
    if (paused && haveBefore && t == beforeTime) {
        show.SetTimeline(before);
    } else {
        before = show.Timeline();
        beforeTime = t;
        haveBefore = true;
    }
    draw ? show.Frame(t, spectrum) : show.Skip(t, spectrum);
    shown = t;
}

void AuthorSession::TogglePause() {
    if (!paused) {
        music.Stop();
        paused = true;
        held = shown;
        Print(held, "pause");
    } else {
        music.Seek(held);
        music.Play();
        paused = false;
        Print(held, "resume");
    }
}

void AuthorSession::SeekTo(float t) {
    const float length = music.GetLength();
    Jump(std::clamp(t, 0.0f, length));
    Print(shown, "seek");
}

void AuthorSession::Jump(float t) {
    // The music waits while the show is stepped, so both start from the same moment.
    if (!paused) music.Stop();
    music.Seek(t);
    t = music.GetPosition();  // on the stream's own frame
    if (paused) held = t;
    shown = t;
    seeker.Seek(show, t);
    haveBefore = false;
    if (!paused) music.Play();
}

void AuthorSession::SeekBy(float seconds) {
    SeekTo(Now() + seconds);
}

void AuthorSession::SeekBars(int bars) {
    const double t = Now();
    const double target = bars > 0 ? grid.NextBar(t) : grid.PreviousBar(t);
    SeekTo(static_cast<float>(std::max(0.0, target)));
}

void AuthorSession::ToggleLoop() {
    const float t = Now();
    if (loop) {
        loop.reset();
        Print(t, "loop off");
        return;
    }
    loop = SectionAt(t, music.GetLength());
    char what[64];
    std::snprintf(what, sizeof what, "loop %.3f-%.3f", static_cast<double>(loop->start),
                  static_cast<double>(loop->end));
    Print(t, what);
}

void AuthorSession::Reload() {
    // Time stands still while the files load: the show goes on from where R was pressed.
    const float t = Now();
    if (!paused) music.Stop();
    const ReloadResult result = ReloadShowContent(show, reloaded);
    if (!result.ok) {
        if (!paused) {
            music.Seek(t);
            music.Play();
        }
        Print(t, ("reload failed: " + result.reason).c_str());
        return;
    }
    Jump(t);  // stepped again, so the targets show the new scenes
    Print(t, "reload ok");
}

void AuthorSession::ToggleOverlay() {
    overlayOn = !overlayOn;
    Print(Now(), overlayOn ? "overlay on" : "overlay off");
}

void AuthorSession::HandleKey(const KeyPress& key) {
    switch (key.virtualKey) {
        case VK_SPACE:
            if (!key.repeat) TogglePause();
            break;
        case VK_LEFT:
            key.shift ? SeekBars(-1) : SeekBy(-1.0f);
            break;
        case VK_RIGHT:
            key.shift ? SeekBars(1) : SeekBy(1.0f);
            break;
        case VK_PRIOR:
            SeekBy(-10.0f);
            break;
        case VK_NEXT:
            SeekBy(10.0f);
            break;
        case VK_HOME:
            if (!key.repeat) SeekTo(0.0f);
            break;
        case 'L':
            if (!key.repeat) ToggleLoop();
            break;
        case 'R':
            if (!key.repeat) Reload();
            break;
        case VK_F1:
            if (!key.repeat) ToggleOverlay();
            break;
        default:
            break;
    }
}
