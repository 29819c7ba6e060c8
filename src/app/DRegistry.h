#pragma once
// A read-only view of the settings file for callers that read a group of text values at once
// (the Play tab's recent folders). Open takes a snapshot of the file; values read afterwards come
// from that snapshot until Close, so the group is consistent.
//
// Expandable text: a value stored as the JSON object {"expand": "<text>"} is returned with
// environment variables expanded: "$NAME" and "${NAME}" (NAME of letters, digits and '_', not
// starting with a digit) become the variable's value. A variable that is not set, a "$" not
// followed by a name and an unclosed "${" stay as written. A plain JSON string is returned as it
// is stored.
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace talvex {

class DRegistry {
public:
    DRegistry() = default;
    virtual ~DRegistry();
    DRegistry(const DRegistry&) = delete;
    DRegistry& operator=(const DRegistry&) = delete;

    // Opens the user's settings file (SettingsStore::DefaultFile()).
    bool Open();
    // Opens file. False when it is missing or unreadable (no values can be read then).
    bool Open(const std::filesystem::path& file);
    // A text value, expanded when stored as expandable. False when not open, missing or not text.
    bool ReadString(std::wstring_view name, std::wstring& value) const;
    void Close();
    bool IsOpen() const { return open_; }

private:
    struct Text {
        std::wstring text;
        bool expand = false;
    };
    std::filesystem::path file_;
    std::map<std::wstring, Text, std::less<>> values_;
    bool open_ = false;
};

// "$NAME" / "${NAME}" expansion from the process environment, as described above.
std::wstring ExpandEnvironmentVariables(std::wstring_view text);

}  // namespace talvex
