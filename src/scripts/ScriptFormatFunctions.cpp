#include "scripts/ScriptFormatFunctions.h"

#include <unordered_map>
#include <utility>
#include <vector>

namespace talvex {
namespace {

// Code -> address, iterated in the order of entry.
class FormatTable {
public:
    void Put(const std::wstring& code, std::wstring address) {
        const auto found = index_.find(code);
        if (found != index_.end()) {
            entries_[found->second].second = std::move(address);
            return;
        }
        index_.emplace(code, entries_.size());
        entries_.emplace_back(code, std::move(address));
    }
    // Like a map's subscript: an absent code is entered with the empty address.
    const std::wstring& Lookup(const std::wstring& code) {
        const auto found = index_.find(code);
        if (found != index_.end()) {
            return entries_[found->second].second;
        }
        Put(code, std::wstring());
        return entries_.back().second;
    }
    std::wstring FirstAddress() const {
        return entries_.empty() ? std::wstring() : entries_.front().second;
    }

private:
    std::vector<std::pair<std::wstring, std::wstring>> entries_;
    std::unordered_map<std::wstring, size_t> index_;
};

std::vector<std::wstring> SplitPieces(std::wstring_view text) {
    std::vector<std::wstring> pieces;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find_first_of(L"|,", pos);
        const size_t stop = end == std::wstring_view::npos ? text.size() : end;
        if (stop > pos) {
            pieces.emplace_back(text.substr(pos, stop - pos));
        }
        pos = stop + 1;
    }
    return pieces;
}

std::vector<const wchar_t*> PreferenceRow(DownloadQuality formatChoice) {
    switch (formatChoice) {
        case DownloadQuality::kBest:
        case DownloadQuality::kHd1080:
            return {L"37", L"22", L"35", L"34", L"18", L"5"};
        case DownloadQuality::kHd720:
            return {L"22", L"35", L"34", L"18", L"5"};
        case DownloadQuality::kHq480:
            return {L"35", L"34", L"18", L"5"};
        case DownloadQuality::kHq360Flv:
            return {L"34", L"18", L"5"};
        case DownloadQuality::kHq360Mp4:
            return {L"18", L"5"};
        default:
            return {L"5"};
    }
}

}  // namespace

std::optional<std::wstring> ChooseFormatAddress(std::wstring_view formatList,
                                                DownloadQuality formatChoice) {
    FormatTable table;
    try {
        const std::vector<std::wstring> pieces = SplitPieces(formatList);
        if (!pieces.empty() && pieces.front().size() != formatList.size()) {
            for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
                table.Put(pieces[i], pieces[i + 1]);
            }
        }
    } catch (...) {
        return std::nullopt;
    }
    try {
        for (const wchar_t* code : PreferenceRow(formatChoice)) {
            const std::wstring& address = table.Lookup(code);
            if (!address.empty()) {
                return address;
            }
        }
        return table.FirstAddress();
    } catch (...) {
        return std::wstring();
    }
}

}  // namespace talvex
