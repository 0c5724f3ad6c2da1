// Sound output on Windows: waveOut as the device the failover opens, watches and opens again.
//
// Four blocks of 1024 frames circle between us and the device: the device marks a block done when
// it has played it, a thread of ours wakes on the device's event and refills every done block with
// a pull. So when a pull starts, the other three blocks (3072 frames) are still ahead of the speaker.
// A device that refuses a block (it was unplugged, its driver went) is no longer alive.
#include <windows.h>
// after windows.h
#include <mmsystem.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/native/audio_device.h"

namespace {

constexpr int kBlocks = 4;
constexpr int kBlockFrames = 1024;

class WaveOutDevice : public AudioDevice {
public:
    ~WaveOutDevice() override { Close(); }

    bool Open(AudioOut::Pull newPull, void* newUser, int rate, std::string* why) override {
        Close();
        pull = newPull;
        user = newUser;
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = AudioOut::channels;
        format.nSamplesPerSec = DWORD(rate);
        format.wBitsPerSample = 16;
        format.nBlockAlign = WORD(AudioOut::channels * 2);
        format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
        blockDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        const MMRESULT opened = blockDone
                                    ? waveOutOpen(&wave, WAVE_MAPPER, &format, DWORD_PTR(blockDone), 0, CALLBACK_EVENT)
                                    : MMRESULT(MMSYSERR_NOMEM);
        if (opened != MMSYSERR_NOERROR) {
            wave = nullptr;
            *why = "no output device (waveOut error " + std::to_string(unsigned(opened)) + ")";
            Close();
            return false;
        }
        waveOutPause(wave);
        for (int i = 0; i < kBlocks; ++i) {
            memory[i].assign(size_t(kBlockFrames) * AudioOut::channels, 0);
            WAVEHDR& b = blocks[i];
            b = WAVEHDR{};
            b.lpData = reinterpret_cast<LPSTR>(memory[i].data());
            b.dwBufferLength = DWORD(kBlockFrames * AudioOut::channels * sizeof(int16_t));
            queued[i] = false;
            if (waveOutPrepareHeader(wave, &b, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
                *why = "the output device took no buffers";
                Close();
                return false;
            }
        }
        failed = false;
        closing = false;
        refill = std::thread([this] { Refill(); });
        return true;
    }
    int BufferFrames() const override { return (kBlocks - 1) * kBlockFrames; }
    void Start() override {
        std::lock_guard<std::mutex> lock(mutex);
        if (running || !wave) return;
        running = true;
        FillFreeBlocks();
        waveOutRestart(wave);
    }
    void Pause() override {
        std::lock_guard<std::mutex> lock(mutex);  // no pull runs once this is held
        running = false;
        if (!wave) return;
        // What was handed over and not heard is dropped (a seek follows pauses): every block
        // comes back done, and Start fills them all afresh.
        waveOutReset(wave);
        waveOutPause(wave);
    }
    bool Alive() override {
        std::lock_guard<std::mutex> lock(mutex);
        return !failed;
    }
    void Close() override {
        if (refill.joinable()) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                closing = true;
            }
            SetEvent(blockDone);
            refill.join();
        }
        running = false;
        if (wave) {
            waveOutReset(wave);
            for (WAVEHDR& b : blocks)
                if (b.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(wave, &b, sizeof(WAVEHDR));
            waveOutClose(wave);
            wave = nullptr;
        }
        if (blockDone) CloseHandle(blockDone);
        blockDone = nullptr;
    }

private:
    // Under the lock: pulls into every block the device is not holding and gives it back.
    void FillFreeBlocks() {
        for (int i = 0; i < kBlocks && !failed; ++i) {
            if (queued[i] && !(blocks[i].dwFlags & WHDR_DONE)) continue;
            pull(user, memory[i].data(), kBlockFrames);
            blocks[i].dwFlags &= ~WHDR_DONE;
            queued[i] = waveOutWrite(wave, &blocks[i], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
            if (!queued[i]) failed = true;
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

    AudioOut::Pull pull = nullptr;
    void* user = nullptr;
    HWAVEOUT wave = nullptr;
    HANDLE blockDone = nullptr;  // set by the device whenever a block has played
    std::vector<int16_t> memory[kBlocks];
    WAVEHDR blocks[kBlocks] = {};
    bool queued[kBlocks] = {};  // written and not yet played
    std::mutex mutex;           // held by every pull, and by Start, Pause, Alive and Close
    bool running = false, closing = false, failed = false;
    std::thread refill;
};

}  // namespace

std::unique_ptr<AudioDevice> MakeAudioDevice() {
    return std::make_unique<WaveOutDevice>();
}
