#pragma once
// A plain record implementing IScriptTarget: used where a script is run for its results alone
// (the engine's playlist expansion, tests). Not synchronised: one run at a time.
#include <atomic>
#include <string>
#include <vector>

#include "scripts/IScriptTarget.h"

namespace talvex {

struct ScriptTargetRecord : IScriptTarget {
    // Inputs.
    std::wstring pageUrl;
    DownloadQuality formatChoice = DownloadQuality::kNormal;
    bool isListParent = false;
    void* ownerWindow = nullptr;
    const std::atomic<bool>* stopFlag = nullptr;
    // Outputs.
    std::wstring mediaUrl;
    std::wstring title;
    std::wstring extension;
    std::wstring rtmpPlayPath;
    std::wstring rtmpSwfUrl;
    std::wstring rtmpPageUrl;
    std::wstring errorText;
    std::vector<std::wstring> idList;

    std::wstring PageUrl() const override { return pageUrl; }
    DownloadQuality FormatChoice() const override { return formatChoice; }
    bool IsListParent() const override { return isListParent; }
    void* OwnerWindow() const override { return ownerWindow; }
    const std::atomic<bool>* ScriptStopFlag() const override { return stopFlag; }
    void SetMediaUrl(const std::wstring& url) override { mediaUrl = url; }
    std::wstring MediaUrl() const override { return mediaUrl; }
    void SetTitle(const std::wstring& text) override { title = text; }
    void SetExtension(const std::wstring& text) override { extension = text; }
    void SetRtmpPlayPath(const std::wstring& text) override { rtmpPlayPath = text; }
    void SetRtmpSwfUrl(const std::wstring& text) override { rtmpSwfUrl = text; }
    void SetRtmpPageUrl(const std::wstring& text) override { rtmpPageUrl = text; }
    void SetErrorText(const std::wstring& text) override { errorText = text; }
    std::wstring ErrorText() const override { return errorText; }
    void SetIdList(const std::vector<std::wstring>& ids) override { idList = ids; }
};

}  // namespace talvex
