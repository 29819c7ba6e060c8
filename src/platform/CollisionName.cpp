#include "platform/CollisionName.h"

namespace talvex {

std::optional<int> TakeFirstFree(int attempts, const std::function<NameTry(int)>& take) {
    for (int n = 0; n < attempts; ++n) {
        switch (take(n)) {
            case NameTry::Done:
                return n;
            case NameTry::GiveUp:
                return std::nullopt;
            case NameTry::Taken:
                break;
        }
    }
    return std::nullopt;
}

std::wstring NumberMark(int n) {
    return n == 0 ? std::wstring() : L"[" + std::to_wstring(n) + L"]";
}

std::wstring SuffixedName(std::wstring_view stem, std::wstring_view suffix, int n,
                          std::wstring_view extension) {
    std::wstring name(stem);
    for (int i = 0; i < n; ++i) {
        name += suffix;
    }
    name += extension;
    return name;
}

}  // namespace talvex
