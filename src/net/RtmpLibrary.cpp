#include "net/RtmpLibrary.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>
#include <string>

namespace talvex {

const char* const kRtmpLibraryName = "librtmp.so.1";

namespace {

// The loaded flag is read without the lock on every connection; the lock serialises loading
// and unloading so that concurrent first connections load the library once.
std::atomic<bool> g_loaded{false};
std::mutex g_loadLock;
void* g_handle = nullptr;
RtmpApi g_api;
std::string g_name = kRtmpLibraryName;

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& target) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) {
        return false;
    }
    target = reinterpret_cast<Fn>(symbol);
    return true;
}

bool ResolveAll(void* handle, RtmpApi& api) {
    return Resolve(handle, "RTMP_Init", api.Init) && Resolve(handle, "RTMP_Close", api.Close) &&
           Resolve(handle, "RTMP_IsTimedout", api.IsTimedout) &&
           Resolve(handle, "RTMP_IsConnected", api.IsConnected) &&
           Resolve(handle, "RTMP_UpdateBufferMS", api.UpdateBufferMS) &&
           Resolve(handle, "RTMP_HashSWF", api.HashSWF) &&
           Resolve(handle, "RTMP_ParseURL", api.ParseURL) &&
           Resolve(handle, "RTMP_SetupStream", api.SetupStream) &&
           Resolve(handle, "RTMP_SetBufferMS", api.SetBufferMS) &&
           Resolve(handle, "RTMP_Connect", api.Connect) &&
           Resolve(handle, "RTMP_ConnectStream", api.ConnectStream) &&
           Resolve(handle, "RTMP_Read", api.Read) &&
           Resolve(handle, "RTMP_GetDuration", api.GetDuration);
}

}  // namespace

bool LoadRtmpLibraryFrom(const char* fileName) {
    if (g_loaded.load(std::memory_order_acquire)) {
        return true;
    }
    std::lock_guard<std::mutex> guard(g_loadLock);
    if (g_loaded.load(std::memory_order_acquire)) {
        return true;
    }
    void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        return false;
    }
    RtmpApi api;
    if (!ResolveAll(handle, api)) {
        dlclose(handle);
        return false;
    }
    g_handle = handle;
    g_api = api;
    g_loaded.store(true, std::memory_order_release);
    return true;
}

void SetRtmpLibraryName(const char* fileName) {
    std::lock_guard<std::mutex> guard(g_loadLock);
    g_name = (fileName != nullptr && *fileName != '\0') ? fileName : kRtmpLibraryName;
}

bool LoadRtmpLibrary() {
    if (g_loaded.load(std::memory_order_acquire)) {
        return true;
    }
    std::string name;
    {
        std::lock_guard<std::mutex> guard(g_loadLock);
        name = g_name;
    }
    return LoadRtmpLibraryFrom(name.c_str());
}

bool UnloadRtmpLibrary() {
    std::lock_guard<std::mutex> guard(g_loadLock);
    if (!g_loaded.load(std::memory_order_acquire)) {
        return false;
    }
    g_loaded.store(false, std::memory_order_release);
    dlclose(g_handle);
    g_handle = nullptr;
    g_api = RtmpApi{};
    return true;
}

const RtmpApi* GetRtmpApi() {
    return g_loaded.load(std::memory_order_acquire) ? &g_api : nullptr;
}

}  // namespace talvex
