// Sound output on Windows through waveOut, with the silent real-time stand-in when no device opens.
//
// Four blocks of 1024 frames circle between us and the device: the device marks a block done when
// it has played it, a thread of ours wakes on the device's event and refills every done block with
// a pull. So when a pull starts, the other three blocks (3072 frames) are still ahead of the speaker.
#include "platform/audio_out.h"

#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/native/silent_output.h"

namespace {

constexpr int kBlocks = 4;
constexpr int kBlockFrames = 1024;

}  // namespace

struct AudioOut::Impl {
    Pull pull = nullptr;
    void* user = nullptr;
    HWAVEOUT wave = nullptr;
    HANDLE blockDone = nullptr;  // set by the device whenever a block has played
    std::vector<int16_t> memory[kBlocks];
    WAVEHDR blocks[kBlocks] = {};
    bool queued[kBlocks] = {};  // written and not yet played
    std::mutex mutex;           // held by every pull, and by Start, Pause and Close
    bool running = false, closing = false;
    std::thread refill;
    std::unique_ptr<SilentOutput> silent;

    // Under the lock: pulls into every block the device is not holding and gives it back.
    void FillFreeBlocks() {
        for (int i = 0; i < kBlocks; ++i) {
            if (queued[i] && !(blocks[i].dwFlags & WHDR_DONE)) continue;
            pull(user, memory[i].data(), kBlockFrames);
            blocks[i].dwFlags &= ~WHDR_DONE;
            queued[i] = waveOutWrite(wave, &blocks[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        }
    }

    void Refill() {
        for (;;) {
            WaitForSingleObject(blockDone, 50);
            std::lock_guard<std::mutex> lock(mutex);
            if (closing) return;
            if (running) FillFreeBlocks();
        }
    }
};

AudioOut::AudioOut() = default;

AudioOut::~AudioOut() {
    Close();
}

bool AudioOut::Open(Pull pull, void* user, int rate) {
    Close();
    impl = std::make_unique<Impl>();
    impl->pull = pull;
    impl->user = user;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = DWORD(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = WORD(channels * 2);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    impl->blockDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT opened =
        impl->blockDone ? waveOutOpen(&impl->wave, WAVE_MAPPER, &format, DWORD_PTR(impl->blockDone), 0, CALLBACK_EVENT)
                        : MMRESULT(MMSYSERR_NOMEM);
    if (opened == MMSYSERR_NOERROR) {
        waveOutPause(impl->wave);
        bool prepared = true;
        for (int i = 0; i < kBlocks; ++i) {
            impl->memory[i].assign(size_t(kBlockFrames) * channels, 0);
            WAVEHDR& b = impl->blocks[i];
            b.lpData = reinterpret_cast<LPSTR>(impl->memory[i].data());
            b.dwBufferLength = DWORD(kBlockFrames * channels * sizeof(int16_t));
            prepared = prepared && waveOutPrepareHeader(impl->wave, &b, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
        }
        if (prepared) {
            Impl* self = impl.get();
            impl->refill = std::thread([self] { self->Refill(); });
            return true;
        }
        Close();
        impl = std::make_unique<Impl>();
        impl->pull = pull;
        impl->user = user;
        std::fprintf(stderr, "audio: the output device took no buffers; playing silently\n");
    } else {
        impl->wave = nullptr;
        std::fprintf(stderr, "audio: no output device (waveOut error %u); playing silently\n", unsigned(opened));
    }
    impl->silent = std::make_unique<SilentOutput>(pull, user, rate);
    return false;
}

void AudioOut::Start() {
    if (!impl) return;
    if (impl->silent) return impl->silent->SetRunning(true);
    if (!impl->wave) return;
    std::lock_guard<std::mutex> lock(impl->mutex);
    if (impl->running) return;
    impl->running = true;
    impl->FillFreeBlocks();
    waveOutRestart(impl->wave);
}

void AudioOut::Pause() {
    if (!impl) return;
    if (impl->silent) return impl->silent->SetRunning(false);
    if (!impl->wave) return;
    std::lock_guard<std::mutex> lock(impl->mutex);  // no pull runs once this is held
    impl->running = false;
    // What was handed over and not heard is dropped (a seek follows pauses): every block comes
    // back done, and Start fills them all afresh.
    waveOutReset(impl->wave);
    waveOutPause(impl->wave);
}

void AudioOut::Close() {
    if (!impl) return;
    if (impl->refill.joinable()) {
        {
            std::lock_guard<std::mutex> lock(impl->mutex);
            impl->closing = true;
        }
        SetEvent(impl->blockDone);
        impl->refill.join();
    }
    if (impl->wave) {
        waveOutReset(impl->wave);
        for (WAVEHDR& b : impl->blocks)
            if (b.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(impl->wave, &b, sizeof(WAVEHDR));
        waveOutClose(impl->wave);
    }
    if (impl->blockDone) CloseHandle(impl->blockDone);
    impl->silent.reset();
    impl.reset();
}

double AudioOut::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int AudioOut::BufferFrames() const {
    return impl && impl->wave ? (kBlocks - 1) * kBlockFrames : 0;
}

bool AudioOut::IsSilent() const {
    return impl && impl->silent != nullptr;
}
