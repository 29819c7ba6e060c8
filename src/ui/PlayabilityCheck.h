#pragma once
// Whether the Play page's player takes a file. ".flv" and ".mp3" files play as they are; an
// MP4-family file (".mp4", ".mov", ".f4v", ".3gp", ".3g2") plays when its video is H.264,
// which the encoder's report on the file tells; any other file is refused.
//
// Asking the encoder starts a process and may take long (a file on a slow network share, a
// named pipe given a media name), so Start runs it on a worker thread and answers with a
// signal; only the answer to the latest Start is delivered, so a slow check can never start
// a file after the user has chosen another one.
#include <QObject>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace talvex::ui {

class PlayabilityCheck : public QObject {
    Q_OBJECT
public:
    explicit PlayabilityCheck(std::filesystem::path encoder, QObject* parent = nullptr);

    // The decision the file's extension makes alone (".flv", ".mp3": yes; not an MP4-family
    // name: no); nothing when the encoder must be asked.
    static std::optional<bool> DecideByExtension(const std::filesystem::path& file);
    // The decision for an MP4-family file from the encoder's report on it: the first video
    // stream's codec is H.264 ("h264 (High) (avc1 / 0x31637661)" counts by its first word).
    // No report (the encoder could not be run) or no video stream: not playable.
    static bool DecideByReport(const std::optional<std::wstring>& report);
    // The whole decision, asking the encoder when needed. Blocks; any thread.
    bool IsPlayable(const std::filesystem::path& file) const;

    // Decides in the background when the encoder must be asked, at once otherwise; Decided
    // follows on this object's thread. A Start cancels the delivery of earlier answers.
    void Start(const QString& file);
    // True from a Start that asks the encoder until its answer is delivered.
    bool Pending() const { return pending_; }

signals:
    void Decided(const QString& file, bool playable);

private:
    void Deliver(uint64_t generation, const QString& file, bool playable);

    std::filesystem::path encoder_;
    uint64_t generation_ = 0;
    bool pending_ = false;
};

}  // namespace talvex::ui
