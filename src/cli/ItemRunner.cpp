#include "cli/ItemRunner.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/MessageLoop.h"
#include "cli/ProgressView.h"
#include "convert/ConvertItem.h"
#include "download/DownloadItem.h"
#include "engine/Engine.h"
#include "platform/Utf8.h"

namespace talvex::cli {

namespace {

std::wstring OutputOf(ActivityItem& item) {
    return item.OutputPath();
}

std::wstring ErrorOf(ActivityItem& item) {
    if (item.IsDownload()) {
        auto& download = static_cast<DownloadItem&>(item);
        std::wstring text = download.ErrorText();
        if (text.empty()) {
            const uint32_t code = download.FailedCode();
            text = L"the media could not be downloaded";
            if (code > 1) {
                text += L" (transfer error " + std::to_wstring(code) + L")";
            }
        }
        return text;
    }
    std::wstring text = static_cast<ConvertItem&>(item).LastMessage();
    return text.empty() ? L"the conversion failed" : text;
}

}  // namespace

ItemRunner::ItemRunner(Engine& engine, MessageLoop& loop, Console& console, ProgressView& view)
    : engine_(engine),
      loop_(loop),
      console_(console),
      view_(view),
      watch_(*engine.GetActivityQueue()) {}

std::string ItemRunner::ResultLine(ActivityItem& item) {
    switch (item.state.load()) {
        case ActivityState::Completed:
            return "Completed: " + WideToUtf8(OutputOf(item));
        case ActivityState::Failed:
            return "Failed: " + WideToUtf8(item.GetFileName()) + ": " + WideToUtf8(ErrorOf(item));
        default:
            return "Canceled: " + WideToUtf8(item.GetFileName());
    }
}

void ItemRunner::TellStartOvers() {
    for (const RefPtr<ActivityItem>& item : items_) {
        if (!item->IsDownload() || toldStartOver_.count(item.get()) != 0) {
            continue;
        }
        auto& download = static_cast<DownloadItem&>(*item);
        const std::wstring why = download.ResumeNote();
        if (!why.empty()) {
            toldStartOver_.insert(item.get());
            console_.Message("talvex-cli: " + WideToUtf8(download.PageUrl()) + ": starting over, " +
                             WideToUtf8(why));
        }
    }
}

void ItemRunner::Collect() {
    for (RefPtr<ActivityItem>& item : watch_.TakeAdded()) {
        if (known_.insert(item.get()).second) {
            items_.push_back(std::move(item));
        }
    }
}

bool ItemRunner::AllEnded() {
    for (const RefPtr<ActivityItem>& item : items_) {
        const ActivityState state = item->state.load();
        if (!IsFinishedState(state)) {
            return false;
        }
        // A completed item whose conversion is still attached has a finished notice on its
        // way: the conversion is queued when the notice is handled.
        if (state == ActivityState::Completed && item->followUp.Load()) {
            return false;
        }
    }
    return loop_.Empty();
}

void ItemRunner::HandleMessages(int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (InterruptSignal() == 0) {
        const int64_t left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 deadline - std::chrono::steady_clock::now())
                                 .count();
        if (left <= 0) {
            return;
        }
        // Short waits, so that an interrupt is seen at once.
        Message message;
        if (loop_.Take(message, static_cast<int>(std::min<int64_t>(left, 50)))) {
            Handle(message);
        }
    }
}

void ItemRunner::Handle(const Message& message) {
    if (message.message == kMsgItemFinished) {
        engine_.GetActivityQueue()->OnItemFinished(reinterpret_cast<ActivityItem*>(message.wParam));
        Collect();
    }
}

void ItemRunner::Queue(std::vector<RefPtr<ActivityItem>> items) {
    ActivityQueue& queue = *engine_.GetActivityQueue();
    for (const RefPtr<ActivityItem>& item : items) {
        if (InterruptSignal() != 0) {
            return;  // the rest never runs; Run stops what does
        }
        queue.Add(item.get());
        Message message;
        while (loop_.Take(message, 0)) {
            Handle(message);
        }
    }
}

int ItemRunner::Run(std::FILE* results) {
    Collect();
    while (InterruptSignal() == 0) {
        TellStartOvers();
        view_.Update(items_);
        if (AllEnded()) {
            break;
        }
        HandleMessages(kRefreshMs);
        Collect();
    }
    const int signal = InterruptSignal();
    if (signal != 0) {
        StopEverything();
    } else {
        WaitForWorkers(kStopWaitMs);
    }
    TellStartOvers();
    view_.Update(items_);
    view_.Finish();
    bool allCompleted = true;
    for (const RefPtr<ActivityItem>& item : items_) {
        allCompleted = allCompleted && item->state.load() == ActivityState::Completed;
        std::fprintf(results, "%s\n", ResultLine(*item).c_str());
    }
    std::fflush(results);
    if (signal != 0) {
        return 128 + signal;
    }
    return allCompleted ? kExitOk : kExitFailed;
}

void ItemRunner::StopEverything() {
    console_.Message("Stopping...");
    Collect();
    engine_.StopAll();
    WaitForWorkers(kStopWaitMs);
    // Notices posted while stopping are for items no longer queued: nothing to do with them.
    Message ignored;
    while (loop_.Take(ignored, 0)) {
    }
}

void ItemRunner::WaitForWorkers(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto busy = [this] {
        // One reference is this runner's; while the item is queued the queue holds another.
        return std::any_of(items_.begin(), items_.end(), [this](const RefPtr<ActivityItem>& item) {
            const long extra = engine_.GetActivityQueue()->Contains(item.get()) ? 2 : 1;
            return item->RefCount() > extra;
        });
    };
    while (busy() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace talvex::cli
