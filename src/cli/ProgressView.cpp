#include "cli/ProgressView.h"

#include <algorithm>
#include <cwchar>

#include "activity/ActivityTexts.h"
#include "cli/Console.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace {

constexpr int kMaxBarWidth = 20;
constexpr int kMinNameWidth = 8;

int CharWidth(wchar_t c) {
    const int w = wcwidth(c);
    return w < 0 ? 1 : w;
}

int DisplayWidth(const std::wstring& text) {
    int width = 0;
    for (wchar_t c : text) {
        width += CharWidth(c);
    }
    return width;
}

// The text cut to at most width columns, ending in "..." when cut; padded with blanks to
// exactly width columns.
std::wstring FitTo(const std::wstring& text, int width) {
    if (DisplayWidth(text) <= width) {
        return text + std::wstring(static_cast<size_t>(width - DisplayWidth(text)), L' ');
    }
    const int room = std::max(0, width - 3);
    std::wstring cut;
    int used = 0;
    for (wchar_t c : text) {
        if (used + CharWidth(c) > room) {
            break;
        }
        cut += c;
        used += CharWidth(c);
    }
    cut += std::wstring(static_cast<size_t>(std::min(3, width)), L'.');
    used += std::min(3, width);
    return cut + std::wstring(static_cast<size_t>(std::max(0, width - used)), L' ');
}

std::wstring Bar(int32_t percent, int width) {
    const int capped = std::clamp(percent, 0, 100);
    const int filled = width * capped / 100;
    return L"[" + std::wstring(static_cast<size_t>(filled), L'#') +
           std::wstring(static_cast<size_t>(width - filled), L'-') + L"]";
}

}  // namespace

std::string ProgressLine(const std::wstring& name, int32_t percent, const std::wstring& speed,
                         const std::wstring& timeLeft, const std::wstring& state, int width) {
    std::wstring figures = L" " + activity_text::Progress(percent);
    if (!speed.empty()) {
        figures += L"  " + speed;
    }
    figures += L"  " + timeLeft + L"  " + state;
    // The name takes what the figures leave, the bar shrinks (or goes) on a narrow terminal.
    int room = width - 1 - DisplayWidth(figures);  // the last column stays free: no wrap
    int bar = std::clamp(room - kMinNameWidth - 3, 0, kMaxBarWidth);
    std::wstring line;
    const int nameWidth = std::max(kMinNameWidth, room - (bar > 0 ? bar + 3 : 1));
    line = FitTo(name, nameWidth) + L" ";
    if (bar > 0) {
        line += Bar(percent, bar) + L" ";
    }
    line.pop_back();
    line += figures;
    return WideToUtf8(line);
}

std::string StateLine(const std::wstring& name, const std::wstring& state) {
    return WideToUtf8(name + L": " + state);
}

ProgressView::ProgressView(Console& console, const StringTable* strings)
    : console_(console), strings_(strings) {}

void ProgressView::Update(const std::vector<RefPtr<ActivityItem>>& items) {
    std::vector<std::string> live;
    for (const RefPtr<ActivityItem>& item : items) {
        ActivityState state = ActivityState::Created;
        int32_t percent = 0;
        double speed = 0.0;
        int32_t secondsLeft = -1;
        if (!item->GetStatus(state, percent, speed, secondsLeft)) {
            state = item->state.load();
        }
        const std::wstring stateText = activity_text::State(strings_, item->kind, state);
        auto [it, added] = lastState_.emplace(item.get(), state);
        const bool changed = added || it->second != state;
        it->second = state;
        const bool ended = IsFinishedState(state);
        // On a terminal the running items show in the block; only their ends get a line.
        if (changed && !stateText.empty() && (!console_.IsTerminal() || ended)) {
            console_.Message(StateLine(item->GetFileName(), stateText));
        }
        if (console_.IsTerminal() && state == ActivityState::Running) {
            const std::wstring speedText =
                item->IsDownload() ? activity_text::Speed(strings_, speed) : std::wstring();
            live.push_back(ProgressLine(item->GetFileName(), percent, speedText,
                                        activity_text::TimeLeft(strings_, secondsLeft), stateText,
                                        console_.Width()));
        }
    }
    console_.DrawLive(live);
}

void ProgressView::Finish() {
    console_.ClearLive();
}

}  // namespace talvex::cli
