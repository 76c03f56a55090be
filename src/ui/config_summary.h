#pragma once
// The loaded configuration in a few words, under the setup window's menu
// bar: device and line ("/dev/ttyUSB0 9600 7-O-1"), where records go (and
// which keyboard types them), and the record layout. The running window's status line reuses the
// parts.
#include <QLabel>
#include <string>

#include "config/config.h"
#include "config/settings_store.h"

class QTimer;

namespace pv::ui {

/// "/dev/ttyUSB0 9600 7-O-1" for the configuration's COM number.
std::string DeviceAndLine(const Config& config, SettingsStore* store);
/// "keystrokes to "Receiver"", "log file /home/u/Portivox.Log", ...
std::string Destination(const Config& config);
/// "3 fields, delimited ','", "one field", ...
std::string RecordLayout(const Config& config);

class ConfigSummary : public QLabel {
    Q_OBJECT
  public:
    /// Follows the configuration while shown (dialogs and menus change it
    /// directly, so it looks again twice a second).
    ConfigSummary(const Config& config, SettingsStore& store, QWidget* parent = nullptr);
    void Refresh();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    const Config& config_;
    SettingsStore& store_;
    QTimer* timer_;
};

} // namespace pv::ui
