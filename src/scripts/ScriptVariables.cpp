#include "scripts/ScriptVariables.h"

namespace talvex {

const std::wstring& ScriptVariables::Get(const std::wstring& name) {
    return values_[name];
}

const std::wstring* ScriptVariables::Find(const std::wstring& name) const {
    const auto found = values_.find(name);
    return found != values_.end() ? &found->second : nullptr;
}

bool ScriptVariables::Set(const std::wstring& name, std::wstring value) {
    if (value.size() > maxValueLength_) {
        return false;
    }
    std::wstring& slot = values_[name];
    const size_t remaining = totalLength_ - slot.size();
    if (remaining + value.size() > maxTotalLength_) {
        return false;
    }
    totalLength_ = remaining + value.size();
    slot = std::move(value);
    return true;
}

}  // namespace talvex
