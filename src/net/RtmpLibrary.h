#pragma once
// The RTMP library is not linked: it is loaded on first use, so that a machine without it can
// still run every HTTP download. When it is missing (or lacks a function we call), only RTMP
// transfers fail.
#include <librtmp/rtmp.h>

namespace talvex {

// The functions we call, with the prototypes of the installed development header. Debian's
// build of RTMP_SetupStream takes one argument more than older builds (the usher token), so
// the header, not a hand-written prototype, is the reference.
struct RtmpApi {
    decltype(&::RTMP_Init) Init = nullptr;
    decltype(&::RTMP_Close) Close = nullptr;
    decltype(&::RTMP_IsTimedout) IsTimedout = nullptr;
    decltype(&::RTMP_IsConnected) IsConnected = nullptr;
    decltype(&::RTMP_UpdateBufferMS) UpdateBufferMS = nullptr;
    decltype(&::RTMP_HashSWF) HashSWF = nullptr;
    decltype(&::RTMP_ParseURL) ParseURL = nullptr;
    decltype(&::RTMP_SetupStream) SetupStream = nullptr;
    decltype(&::RTMP_SetBufferMS) SetBufferMS = nullptr;
    decltype(&::RTMP_Connect) Connect = nullptr;
    decltype(&::RTMP_ConnectStream) ConnectStream = nullptr;
    decltype(&::RTMP_Read) Read = nullptr;
    decltype(&::RTMP_GetDuration) GetDuration = nullptr;
};

// The shared object we load: "librtmp.so.1".
extern const char* const kRtmpLibraryName;
// Makes LoadRtmpLibrary load another file (tests: a library that is missing or lacks our
// functions). Affects only loads after the call; an empty name restores the default.
void SetRtmpLibraryName(const char* fileName);

// Loads the library once per process and looks up all thirteen functions by name. True when
// loaded (now or before). Any failure leaves nothing loaded and returns false; a later call
// tries again.
bool LoadRtmpLibrary();
// The same from another file name; used by tests to see how a missing library or a library
// without our functions is handled.
bool LoadRtmpLibraryFrom(const char* fileName);
// Closes the library. Only at shutdown, when no connection is in use any more.
bool UnloadRtmpLibrary();
// The loaded functions, or null when the library is not loaded.
const RtmpApi* GetRtmpApi();

}  // namespace talvex
