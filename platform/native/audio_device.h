// The native backends' sound device, which the shared AudioOut (platform/native/audio_out.cpp)
// hands to the failover. Private to platform/.
#pragma once

#include <memory>

#include "platform/common/audio_failover.h"

// The backend's default output device, not yet open.
std::unique_ptr<AudioDevice> MakeAudioDevice();
