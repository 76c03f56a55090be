#include "ui/config_summary.h"

#include <QTimer>

#include "serial/port.h"
#ifdef PV_HAVE_KEY_DESKTOP
#include "platform/keys/key_desktop.h"
#endif
#include "text/escape.h"
#include "text/paths.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv::ui {

namespace {

std::string Fill(int number, const std::string& value) {
    std::string s = Text(number);
    if (size_t at = s.find("%1"); at != std::string::npos) s.replace(at, 2, value);
    return s;
}

QString Q(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

std::string DeviceAndLine(const Config& c, SettingsStore* store) {
    static const char kParity[] = "NOEMS";
    static const char* const kStop[] = {"1", "1.5", "2"};
    const int parity = c.Parity >= 0 && c.Parity < 5 ? c.Parity : 0;
    const int stop = c.StopBits >= 0 && c.StopBits < 3 ? c.StopBits : 0;
    return DevicePathFor(c.CommPort, store) + " " + std::to_string(BaudRateValue(c.BaudRate)) +
           " " + std::to_string(c.DataBits + 5) + "-" + kParity[parity] + "-" + kStop[stop];
}

std::string Destination(const Config& c) {
    switch (c.OutputMode) {
    case DdeServer:
        return Fill(txt::DdeTopicDestination,
                    c.DDETopicName.empty() ? PortNameOf(c.CommPort) : c.DDETopicName);
    case LogToDisk: return Fill(txt::LogFileDestination, ExpandHome(c.LogFileName));
    default:
        if (IsSet(c.KeyTargetSpecified) && !c.KeyTargetTitle.empty())
            return Fill(txt::KeystrokesTo, c.KeyTargetTitle);
        if (IsSet(c.KeyTargetSpecified) && !c.KeyTargetCommand.empty())
            return Fill(txt::KeystrokesTo, c.KeyTargetCommand);
        return Text(txt::KeystrokesToTheFocusedWindow);
    }
}

std::string RecordLayout(const Config& c) {
    switch (c.RecordStructure) {
    case DelimitedFields:
        return Fill(txt::FieldsDelimited, std::to_string(c.FieldCount)) + " '" +
               EscapeBytes(c.FieldDelimiter) + "'";
    case FixedLengthFields: return Fill(txt::FieldsFixedLength, std::to_string(c.FieldCount));
    default: return Text(txt::OneField);
    }
}

ConfigSummary::ConfigSummary(const Config& config, SettingsStore& store, QWidget* parent)
    : QLabel(parent), config_(config), store_(store), timer_(new QTimer(this)) {
    setObjectName("ConfigSummary");
    setTextFormat(Qt::PlainText);
    setMargin(4);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &ConfigSummary::Refresh);
    Refresh();
}

void ConfigSummary::Refresh() {
    std::string destination = Destination(config_);
#ifdef PV_HAVE_KEY_DESKTOP
    if (config_.OutputMode == SendKeystrokes) destination += "\n" + keys::KeyBackendSummary();
#endif
    const QString text = Q(DeviceAndLine(config_, &store_)) + "\n" + Q(destination) + "\n" +
                         Q(RecordLayout(config_));
    if (text != this->text()) setText(text);
}

void ConfigSummary::showEvent(QShowEvent* event) {
    Refresh();
    timer_->start();
    QLabel::showEvent(event);
}

void ConfigSummary::hideEvent(QHideEvent* event) {
    timer_->stop();
    QLabel::hideEvent(event);
}

} // namespace pv::ui
