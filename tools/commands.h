// Sub-commands of virelle-tools. Each returns the process exit status.
#pragma once

#include "platform/d3dwindow.h"

int CmdInspect(int argc, char** argv);      // inspect FILE: dispatches on the file's kind
int CmdSpectrum(int argc, char** argv);     // spectrum FILE --time T | --from A --to B --fps F
int CmdFrame(int argc, char** argv);        // frame [--composition F | --scene F] --time T --out F.png
int CmdRender(int argc, char** argv);       // render --from A --to B --fps F --out DIR
int CmdMakeContent(int argc, char** argv);  // make-content --out DIR
int CmdIcon(int argc, char** argv);         // icon --time T --size N --out F.png
int CmdCapture(int argc, char** argv);      // capture --out FILE [...]: tools/capture/

// The kinds behind inspect and frame.
int InspectMp3(const char* path);
int InspectImage(const char* path, const char* level0Out);  // level0Out may be null
int InspectComposition(const char* path);
int InspectScene(const char* path);
// `size`: the draw size (--resolution, --supersample), the default where not given.
int FrameComposition(const char* path, float time, const char* out, const DrawSize& size = DrawSize{});
int FrameScene(const char* path, int camera, float time, const char* out, const DrawSize& size = DrawSize{});
int FrameShow(float time, float fps, const char* out, const DrawSize& size = DrawSize{});
// The show on the offline clock; frames first <= n < end go to outDir/frame_NNNNNN.png, or to
// outFile when it is set.
int RenderShowFrames(long first, long end, double fps, const char* outDir, const char* outFile,
                     const DrawSize& size = DrawSize{});
