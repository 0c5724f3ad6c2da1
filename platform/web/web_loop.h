// Work the browser's frame callback does before each frame besides the show's frame: background
// work steps and feeding the audio output. Private to platform/web/.
#pragma once

using FrameTask = void (*)(void* user);

void AddFrameTask(FrameTask task, void* user);
void RemoveFrameTask(FrameTask task, void* user);
