#include "cli/ListReading.h"

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "cli/Interrupt.h"

namespace talvex::cli {

std::optional<Engine::DownloadBatch> PrepareUnlessInterrupted(
    const std::function<Engine::DownloadBatch()>& prepare) {
    auto promise = std::make_shared<std::promise<Engine::DownloadBatch>>();
    std::future<Engine::DownloadBatch> result = promise->get_future();
    std::thread reader([promise, prepare] {
        try {
            promise->set_value(prepare());
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (InterruptSignal() != 0) {
            reader.detach();
            return std::nullopt;
        }
    }
    reader.join();
    return result.get();
}

}  // namespace talvex::cli
