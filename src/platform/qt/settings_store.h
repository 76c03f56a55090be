#pragma once
// The per-user settings store on Linux: an INI file under the XDG config
// directory ($XDG_CONFIG_HOME/Portivox/Portivox.ini, else ~/.config/...).
#include <memory>
#include <string>

#include "config/settings_store.h"

class QSettings;

namespace pv {

class QtSettingsStore : public SettingsStore {
  public:
    /// The user's store, organisation and application "Portivox".
    QtSettingsStore();
    /// A store in the INI file at `iniPath` (tests, portable setups).
    explicit QtSettingsStore(const std::string& iniPath);
    ~QtSettingsStore() override;

    /// Values are byte strings; every byte 0..255 survives a round trip.
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& fallback = "") override;
    /// Written through to the file at once, so other programs see it.
    void Set(const std::string& section, const std::string& key, const std::string& value) override;
    void Remove(const std::string& section, const std::string& key) override;

    /// The file that holds the store.
    std::string FileName() const;
    /// Whether the last Set or Remove reached the file.
    bool Saved() const;

  private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace pv
