#include "platform/qt/settings_store.h"

#include <QSettings>
#include <QString>

namespace pv {

namespace {

// Latin-1 maps bytes 0..255 one-to-one onto U+0000..U+00FF.
QString Q(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) {
    QByteArray latin = text.toLatin1();
    return std::string(latin.constData(), static_cast<size_t>(latin.size()));
}

// QSettings reads "/" as a group separator and "\" as its escape; neither
// may split a section or key name.
QString KeyOf(const std::string& section, const std::string& key) {
    auto clean = [](const std::string& s) {
        QString q = Q(s);
        q.replace('/', '_');
        q.replace('\\', '_');
        return q;
    };
    return clean(section) + '/' + clean(key);
}

} // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Portivox",
                                            "Portivox")) {}

QtSettingsStore::QtSettingsStore(const std::string& iniPath)
    : settings_(std::make_unique<QSettings>(Q(iniPath), QSettings::IniFormat)) {}

QtSettingsStore::~QtSettingsStore() = default;

std::string QtSettingsStore::Get(const std::string& section, const std::string& key,
                                 const std::string& fallback) {
    // Another process (portivox ports map) may have changed the file.
    settings_->sync();
    QVariant value = settings_->value(KeyOf(section, key));
    if (!value.isValid()) return fallback;
    return Bytes(value.toString());
}

void QtSettingsStore::Set(const std::string& section, const std::string& key,
                          const std::string& value) {
    settings_->setValue(KeyOf(section, key), Q(value));
    settings_->sync();
}

void QtSettingsStore::Remove(const std::string& section, const std::string& key) {
    settings_->remove(KeyOf(section, key));
    settings_->sync();
}

bool QtSettingsStore::Saved() const {
    return settings_->status() == QSettings::NoError;
}

std::string QtSettingsStore::FileName() const {
    return settings_->fileName().toStdString();
}

} // namespace pv
