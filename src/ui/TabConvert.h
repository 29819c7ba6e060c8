#pragma once
// The Convert page of the main window: the user picks a media file on disk, a conversion
// profile and a quality, optionally a volume and a cut, and presses CONVERT VIDEO. The checks
// and the hand-over to the engine are ConvertRequest's; the list and output-name rules
// ConvertTabRules'.
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "ui/ConvertRequest.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace talvex {
class Engine;
class IMessageSink;
class SettingsStore;
class StringTable;
}  // namespace talvex

namespace talvex::ui {

class CustomButton;
class DStaticText;
class UiPrompts;

class TabConvert : public QWidget, public ConvertRequest::View {
    Q_OBJECT
public:
    TabConvert(Engine& engine, UiPrompts& prompts, IMessageSink* mainWindow,
               QWidget* parent = nullptr);

    // The CONVERT VIDEO button.
    void OnClickBtnConvert();
    // The Browse button: the file picker, then the output check.
    void Browse();
    // Writes the profile and quality rows.
    void SaveSettings();
    // Re-texts the labels, refills both lists selecting their rows from the settings, and
    // resets both time boxes.
    void ApplyLanguage();

    // --- ConvertRequest::View ---
    std::wstring FileText() const override;
    void SetFileText(const std::wstring& text) override;
    bool ReplaceChecked() const override;
    bool AdvancedChecked() const override;
    bool TrimChecked() const override;
    std::wstring StartText() const override;
    std::wstring EndText() const override;
    int32_t VolumePercent() const override;
    int32_t ProfileRow() const override;
    ConversionQuality Quality() const override;
    void FocusStartBox() override;
    void FocusEndBox() override;
    std::optional<std::wstring> AskManualParams(const std::wstring& params) override;
    QWidget* DialogWidget() override { return window(); }

    // The file picker's filter.
    static QString FileFilter();

    // The controls, for the tests and the main window.
    QLineEdit* FileBox() const { return fileBox_; }
    CustomButton* BrowseButton() const { return browseButton_; }
    QComboBox* ProfileList() const { return profileList_; }
    QCheckBox* ReplaceBox() const { return replace_; }
    QComboBox* QualityList() const { return qualityList_; }
    QCheckBox* AdvancedBox() const { return advanced_; }
    QGroupBox* AdvancedFrame() const { return frame_; }
    QSlider* VolumeSlider() const { return volume_; }
    QCheckBox* TrimBox() const { return trim_; }
    QLineEdit* StartBox() const { return startBox_; }
    QLineEdit* EndBox() const { return endBox_; }
    DStaticText* StartLabel() const { return startLabel_; }
    DStaticText* EndLabel() const { return endLabel_; }
    DStaticText* NoteLabel() const { return note_; }
    CustomButton* ConvertButton() const { return convertButton_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void BuildLayout();
    // Offers "Replace existing file" when the chosen profile's output already exists.
    void CheckOutput();
    void UpdateTrimControls();

    Engine& engine_;
    SettingsStore& settings_;
    StringTable& strings_;
    UiPrompts& prompts_;
    IMessageSink* mainWindow_;

    DStaticText* fileLabel_ = nullptr;
    QLineEdit* fileBox_ = nullptr;
    CustomButton* browseButton_ = nullptr;
    DStaticText* profileLabel_ = nullptr;
    QComboBox* profileList_ = nullptr;
    QCheckBox* replace_ = nullptr;
    DStaticText* qualityLabel_ = nullptr;
    QComboBox* qualityList_ = nullptr;
    QCheckBox* advanced_ = nullptr;
    QGroupBox* frame_ = nullptr;
    DStaticText* volumeLabel_ = nullptr;
    QLabel* volumeMin_ = nullptr;
    QSlider* volume_ = nullptr;
    QLabel* volumeMax_ = nullptr;
    QCheckBox* trim_ = nullptr;
    DStaticText* startLabel_ = nullptr;
    QLineEdit* startBox_ = nullptr;
    DStaticText* endLabel_ = nullptr;
    QLineEdit* endBox_ = nullptr;
    DStaticText* note_ = nullptr;
    CustomButton* convertButton_ = nullptr;
};

}  // namespace talvex::ui
