#pragma once
// The per-user settings store (window positions, recent files, device
// paths of the COM numbers): application, section, key, string value.
#include <map>
#include <string>

namespace pv {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string Get(const std::string& section, const std::string& key,
                            const std::string& fallback = "") = 0;
    virtual void Set(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
    virtual void Remove(const std::string& section, const std::string& key) = 0;
};

/// A store that lives in memory only (tests, and runs with no store).
class MemorySettingsStore : public SettingsStore {
  public:
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& fallback = "") override {
        auto it = values.find(section + "/" + key);
        return it == values.end() ? fallback : it->second;
    }
    void Set(const std::string& section, const std::string& key,
             const std::string& value) override {
        values[section + "/" + key] = value;
    }
    void Remove(const std::string& section, const std::string& key) override {
        values.erase(section + "/" + key);
    }
    std::map<std::string, std::string> values;
};

} // namespace pv
