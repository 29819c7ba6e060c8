#pragma once

namespace talvex {

class SettingsStore;
class IEngine;
class IMessageSink;

// What the front end's dialogs share: filled by the engine at start.
struct AppContext {
    SettingsStore* settings = nullptr;
    IEngine* engine = nullptr;
    IMessageSink* mainWindow = nullptr;
};

}  // namespace talvex
