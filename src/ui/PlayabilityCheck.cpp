#include "ui/PlayabilityCheck.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <array>
#include <cwctype>

#include "convert/EncoderReport.h"
#include "platform/Utf8.h"

namespace talvex::ui {

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::wstring_view, 2> kPlayAsIs = {L".flv", L".mp3"};
constexpr std::array<std::wstring_view, 5> kNeedH264 = {L".mp4", L".mov", L".f4v", L".3gp",
                                                        L".3g2"};

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

template <size_t N>
bool IsOneOf(const std::wstring& extension, const std::array<std::wstring_view, N>& list) {
    for (std::wstring_view known : list) {
        if (extension == known) {
            return true;
        }
    }
    return false;
}

fs::path ToPath(const QString& file) {
    return fs::path(WideToUtf8(file.toStdWString()));
}

}  // namespace

PlayabilityCheck::PlayabilityCheck(fs::path encoder, QObject* parent)
    : QObject(parent), encoder_(std::move(encoder)) {}

std::optional<bool> PlayabilityCheck::DecideByExtension(const fs::path& file) {
    // From the last dot of the name, as the file list reads it (so ".mp4" alone counts too);
    // a dot in a folder's name is not one.
    const std::wstring name = Utf8ToWide(file.filename().string());
    const size_t dot = name.rfind(L'.');
    const std::wstring extension =
        dot == std::wstring::npos ? std::wstring() : Lower(name.substr(dot));
    if (IsOneOf(extension, kPlayAsIs)) {
        return true;
    }
    if (IsOneOf(extension, kNeedH264)) {
        return std::nullopt;
    }
    return false;
}

bool PlayabilityCheck::DecideByReport(const std::optional<std::wstring>& report) {
    if (!report) {
        return false;
    }
    const std::optional<VideoStreamInfo> video = ParseVideoStream(*report);
    return video && Lower(video->codec) == L"h264";
}

bool PlayabilityCheck::IsPlayable(const fs::path& file) const {
    if (std::optional<bool> decided = DecideByExtension(file)) {
        return *decided;
    }
    return DecideByReport(EncoderReport(encoder_, file));
}

void PlayabilityCheck::Start(const QString& file) {
    const uint64_t generation = ++generation_;
    const fs::path path = ToPath(file);
    if (std::optional<bool> decided = DecideByExtension(path)) {
        pending_ = false;
        emit Decided(file, *decided);
        return;
    }
    pending_ = true;
    // The worker reaches this object only through the application's event queue and a guarded
    // pointer read on this thread, so a page closed meanwhile is never touched.
    QPointer<PlayabilityCheck> self(this);
    QThreadPool::globalInstance()->start([self, generation, file, path, encoder = encoder_] {
        const bool playable = DecideByReport(EncoderReport(encoder, path));
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            return;
        }
        QMetaObject::invokeMethod(
            app,
            [self, generation, file, playable] {
                if (self) {
                    self->Deliver(generation, file, playable);
                }
            },
            Qt::QueuedConnection);
    });
}

void PlayabilityCheck::Deliver(uint64_t generation, const QString& file, bool playable) {
    if (generation != generation_) {
        return;
    }
    pending_ = false;
    emit Decided(file, playable);
}

}  // namespace talvex::ui
