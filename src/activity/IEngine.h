#pragma once
// The engine as the tabs and dialogs see it: the services it owns for the life of the process.

namespace talvex {

class SettingsStore;
class IThreadManager;
class StringTable;
class ActivityQueue;
struct AppContext;

class IEngine {
public:
    virtual ~IEngine() = default;
    virtual SettingsStore* GetSettings() = 0;
    virtual IThreadManager* GetThreadManager() = 0;
    virtual StringTable* GetStringTable() = 0;
    virtual ActivityQueue* GetActivityQueue() = 0;
    virtual AppContext* GetAppContext() = 0;
};

}  // namespace talvex
