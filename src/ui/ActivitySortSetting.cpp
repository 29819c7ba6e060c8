#include "ui/ActivitySortSetting.h"

#include <array>

namespace talvex::ui {

namespace {

constexpr std::array<std::wstring_view, 6> kWrittenNames = {L"Video",  L"Progress", L"Speed",
                                                            L"Status", L"ETA",      L"Video"};

}  // namespace

std::wstring FormatActivitySort(const ActivitySort& sort) {
    if (sort.column < 0 || sort.column >= static_cast<int>(kWrittenNames.size())) {
        return {};
    }
    std::wstring value(kWrittenNames[static_cast<size_t>(sort.column)]);
    value += L'|';
    value += sort.descending ? L"Desc" : L"Asc";
    return value;
}

ActivitySort ParseActivitySort(std::wstring_view value) {
    const size_t bar = value.find(L'|');
    if (bar == std::wstring_view::npos) {
        return {};
    }
    const std::wstring_view name = value.substr(0, bar);
    const std::wstring_view direction = value.substr(bar + 1);
    if (name.empty() || direction.empty()) {
        return {};
    }
    ActivitySort sort;
    if (name == L"Progress") {
        sort.column = 1;
    } else if (name == L"Speed") {
        sort.column = 2;
    } else if (name == L"Status") {
        sort.column = 3;
    } else if (name == L"ETA") {
        sort.column = 4;
    } else {
        sort.column = 0;
    }
    sort.descending = direction == L"Desc";
    return sort;
}

}  // namespace talvex::ui
