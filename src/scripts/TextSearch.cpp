#include "scripts/TextSearch.h"

#include <cstdint>

namespace talvex {
namespace {

// Up to this length the library's search (first-character scan plus compare) costs at most a
// small constant per text character.
constexpr size_t kNaiveLimit = 16;

// at(i) is the pattern's i-th character, read forwards or backwards.
template <typename At>
std::vector<uint32_t> BuildFailureTable(size_t length, At at) {
    std::vector<uint32_t> table(length, 0);
    uint32_t k = 0;
    for (size_t i = 1; i < length; ++i) {
        while (k > 0 && at(i) != at(k)) {
            k = table[k - 1];
        }
        if (at(i) == at(k)) {
            ++k;
        }
        table[i] = k;
    }
    return table;
}

}  // namespace

TextSearcher::TextSearcher(std::wstring_view pattern) : pattern_(pattern) {}

size_t TextSearcher::Find(std::wstring_view text, size_t from) const {
    if (from > text.size()) {
        return npos;
    }
    const size_t m = pattern_.size();
    if (m <= kNaiveLimit || m > UINT32_MAX) {
        return text.find(pattern_, from);
    }
    if (forwardTable_.empty()) {
        forwardTable_ = BuildFailureTable(m, [this](size_t i) { return pattern_[i]; });
    }
    size_t k = 0;
    for (size_t i = from; i < text.size(); ++i) {
        while (k > 0 && text[i] != pattern_[k]) {
            k = forwardTable_[k - 1];
        }
        if (text[i] == pattern_[k]) {
            ++k;
        }
        if (k == m) {
            return i + 1 - m;
        }
    }
    return npos;
}

size_t TextSearcher::FindLast(std::wstring_view text) const {
    const size_t m = pattern_.size();
    if (m <= kNaiveLimit || m > UINT32_MAX) {
        return text.rfind(pattern_);
    }
    // The pattern read backwards, searched in the text read backwards.
    auto back = [this, m](size_t i) { return pattern_[m - 1 - i]; };
    if (backwardTable_.empty()) {
        backwardTable_ = BuildFailureTable(m, back);
    }
    size_t k = 0;
    for (size_t i = text.size(); i-- > 0;) {
        while (k > 0 && text[i] != back(k)) {
            k = backwardTable_[k - 1];
        }
        if (text[i] == back(k)) {
            ++k;
        }
        if (k == m) {
            return i;
        }
    }
    return npos;
}

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view search,
                        std::wstring_view replacement) {
    if (search.empty()) {
        return std::wstring(text);
    }
    const TextSearcher searcher(search);
    std::wstring result;
    // Most replacements keep the length about the same: one allocation instead of a series.
    result.reserve(text.size());
    size_t pos = 0;
    for (;;) {
        const size_t hit = searcher.Find(text, pos);
        if (hit == TextSearcher::npos) {
            break;
        }
        result.append(text.substr(pos, hit - pos));
        result.append(replacement);
        pos = hit + search.size();
    }
    result.append(text.substr(pos));
    return result;
}

size_t ReplacedLength(std::wstring_view text, std::wstring_view search,
                      std::wstring_view replacement) {
    if (search.empty()) {
        return text.size();
    }
    const TextSearcher searcher(search);
    size_t length = text.size();
    size_t pos = 0;
    for (;;) {
        const size_t hit = searcher.Find(text, pos);
        if (hit == TextSearcher::npos) {
            return length;
        }
        length -= search.size();
        if (SIZE_MAX - length < replacement.size()) {
            return SIZE_MAX;
        }
        length += replacement.size();
        pos = hit + search.size();
    }
}

bool ContainsText(std::wstring_view text, std::wstring_view pattern) {
    return TextSearcher(pattern).Find(text) != TextSearcher::npos;
}

}  // namespace talvex
