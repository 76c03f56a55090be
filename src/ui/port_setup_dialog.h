#pragma once
// PortSetup: the serial port settings (CommPort .. OutputBufferSize) and
// the device node each COM entry stands for.
#include "ui/dialog_base.h"
#include <array>
#include <map>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings_store.h"
#include "text/messages.h"

class QButtonGroup;
class QComboBox;
class QTimer;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace pv::ui {

class DigitFilter;

class PortSetupDialog : public DialogBase {
    Q_OBJECT
  public:
    static constexpr int kPorts = 99;
    static constexpr int kBufferMin = 128;
    static constexpr int kBufferMax = 131072;

    PortSetupDialog(Config& config, SettingsStore& store, MessageSink& messages,
                    QWidget* parent = nullptr);

    /// Sets every control from the configuration (before each showing).
    void Fill();

    /// The OK button: takes the settings over when both buffer sizes are in
    /// range; otherwise tells the user and stays open.
    void Ok();

    QLineEdit* BuffSize() const { return buffSize_; }
    QLineEdit* OutBuffSize() const { return outBuffSize_; }
    QListWidget* PortList() const { return portList_; }
    QLineEdit* Device() const { return device_; }
    /// The serial devices that exist now; choosing one maps the COM entry.
    QComboBox* DeviceChoice() const { return choice_; }
    /// Lists the devices again (also every second while the dialog shows).
    void RefreshDevices();
    /// Prefix of the paths looked at for devices (tests).
    void SetDeviceRoot(const std::string& root) { deviceRoot_ = root; }
    QButtonGroup* Group(const char* frameName) const;

  private:
    QButtonGroup* MakeGroup(const char* frame, int tag, const QStringList& captions,
                            const std::array<int, 12>& tags, int columns);
    void BufferChanged(QLineEdit* edit, DigitFilter* filter);
    void PortSelected(int row);
    void InvalidBuffer();
    void ShowDeviceChoice();
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    Config& config_;
    SettingsStore& store_;
    MessageSink& messages_;
    QListWidget* portList_ = nullptr;
    QLineEdit* device_ = nullptr;
    QComboBox* choice_ = nullptr;
    QTimer* deviceTimer_ = nullptr;
    std::string deviceRoot_;
    std::vector<std::string> listed_;
    QLineEdit* buffSize_ = nullptr;
    QLineEdit* outBuffSize_ = nullptr;
    DigitFilter* buffFilter_ = nullptr;
    DigitFilter* outBuffFilter_ = nullptr;
    std::map<QString, QButtonGroup*> groups_;
    std::map<int, QString> devices_; // edited device nodes by COM index
    int shownPort_ = -1;
    bool restoring_ = false;
};

} // namespace pv::ui
