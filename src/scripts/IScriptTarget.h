#pragma once
// What a site script run reads from and writes into the thing it works for: a download item, or
// the engine's throw-away record when it expands a playlist page. The interpreter knows nothing
// else about download items, so it sits below them and can be tested alone.
//
// A run calls these from the thread that runs it. Values written during a run stay written even
// when the run fails.
#include <atomic>
#include <string>
#include <vector>

#include "scripts/DownloadQuality.h"

namespace talvex {

class IScriptTarget {
public:
    virtual ~IScriptTarget() = default;

    // Inputs.
    virtual std::wstring PageUrl() const = 0;
    // The download quality the user chose.
    virtual DownloadQuality FormatChoice() const = 0;
    // Set when playlist and channel pages are to be expanded into their video ids.
    virtual bool IsListParent() const = 0;
    // Opaque handle of the window that owns a login prompt raised by the run (may be null).
    virtual void* OwnerWindow() const = 0;
    // Set from another thread when the user stops the work the run is for: the run then ends
    // before its next statement, and a page fetch under way is abandoned. Null: never stopped.
    virtual const std::atomic<bool>* ScriptStopFlag() const { return nullptr; }

    // Outputs.
    virtual void SetMediaUrl(const std::wstring& url) = 0;
    virtual std::wstring MediaUrl() const = 0;
    virtual void SetTitle(const std::wstring& title) = 0;
    // Without the dot.
    virtual void SetExtension(const std::wstring& extension) = 0;
    virtual void SetRtmpPlayPath(const std::wstring& playPath) = 0;
    virtual void SetRtmpSwfUrl(const std::wstring& swfUrl) = 0;
    virtual void SetRtmpPageUrl(const std::wstring& pageUrl) = 0;
    virtual void SetErrorText(const std::wstring& text) = 0;
    virtual std::wstring ErrorText() const = 0;
    // Replaces the whole id list; ids[i] is the id under key i.
    virtual void SetIdList(const std::vector<std::wstring>& ids) = 0;
};

}  // namespace talvex
