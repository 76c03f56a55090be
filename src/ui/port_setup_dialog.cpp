#include "ui/port_setup_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "expr/leading_number.h"
#include "platform/posix/serial_devices.h"
#include "serial/port.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/digit_filter.h"
#include "ui/resource_texts_qt.h"
#include "ui/ui_texts.h"

namespace pv::ui {

namespace {

constexpr std::array<int, 12> kNoTags{};

std::string PortKey(int index) {
    return "COM" + std::to_string(index + 1);
}

} // namespace

PortSetupDialog::PortSetupDialog(Config& config, SettingsStore& store, MessageSink& messages,
                                 QWidget* parent)
    : DialogBase(parent, "PortSetup", 2201), config_(config), store_(store), messages_(messages) {

    auto* portLabel = Tag(new QLabel("&Connector"), 2202);
    portList_ = new QListWidget;
    portList_->setObjectName("PortList");
    for (int i = 1; i <= kPorts; ++i)
        portList_->addItem(QStringLiteral("COM%1").arg(i));
    portList_->setCurrentRow(0);
    portLabel->setBuddy(portList_);
    auto* deviceLabel = new QLabel(Ui(UiText::DeviceLabel));
    device_ = new QLineEdit;
    device_->setObjectName("Device");
    deviceLabel->setBuddy(device_);
    connect(portList_, &QListWidget::currentRowChanged, this, &PortSetupDialog::PortSelected);
    auto* choiceLabel = new QLabel(QString::fromStdString(Text(txt::DevicesFound)));
    choice_ = new QComboBox;
    choice_->setObjectName("DeviceChoice");
    choice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    choice_->setMinimumContentsLength(16);
    choiceLabel->setBuddy(choice_);
    connect(choice_, &QComboBox::activated, this, [this](int i) {
        if (i >= 0) device_->setText(choice_->itemData(i).toString());
    });
    connect(device_, &QLineEdit::textChanged, this, [this] { ShowDeviceChoice(); });
    // Adapters come and go while the dialog is open.
    deviceTimer_ = new QTimer(this);
    deviceTimer_->setInterval(1000);
    connect(deviceTimer_, &QTimer::timeout, this, &PortSetupDialog::RefreshDevices);

    auto* left = new QVBoxLayout;
    left->addWidget(portLabel);
    left->addWidget(portList_, 1);
    left->addWidget(deviceLabel);
    left->addWidget(device_);
    left->addWidget(choiceLabel);
    left->addWidget(choice_);

    QStringList bauds;
    for (int i = 0; i < 12; ++i)
        bauds << QString::number(BaudRateValue(static_cast<int16_t>(i)));
    auto* baud = MakeGroup("BaudFrame", 2203, bauds, kNoTags, 2);
    (void)baud;
    MakeGroup("ParityFrame", 2204, {"None", "Odd", "Even", "Mark", "Space"},
              {2205, 2206, 2207, 2208, 2209}, 1);
    MakeGroup("DataBitsFrame", 2210, {"5", "6", "7", "8"}, kNoTags, 1);
    MakeGroup("StopBitsFrame", 2211, {"1", "1.5", "2"}, kNoTags, 1);
    MakeGroup("FlowCtrlFrame", 2212, {"None", "Xon/Xoff", "Hardware", "Opto-RS"},
              {2213, 2214, 2215, 2216}, 1);

    auto frame = [this](const char* name) {
        return static_cast<QGroupBox*>(Group(name)->parent());
    };
    auto* groups = new QGridLayout;
    groups->addWidget(frame("BaudFrame"), 0, 0, 2, 1);
    groups->addWidget(frame("ParityFrame"), 0, 1);
    groups->addWidget(frame("FlowCtrlFrame"), 1, 1);
    groups->addWidget(frame("DataBitsFrame"), 0, 2);
    groups->addWidget(frame("StopBitsFrame"), 1, 2);

    buffSize_ = new QLineEdit;
    buffSize_->setObjectName("BuffSize");
    outBuffSize_ = new QLineEdit;
    outBuffSize_->setObjectName("OutBuffSize");
    auto beep = [this] { messages_.Beep(); };
    buffFilter_ = new DigitFilter(buffSize_, beep);
    outBuffFilter_ = new DigitFilter(outBuffSize_, beep);
    connect(buffSize_, &QLineEdit::textChanged, this,
            [this] { BufferChanged(buffSize_, buffFilter_); });
    connect(outBuffSize_, &QLineEdit::textChanged, this,
            [this] { BufferChanged(outBuffSize_, outBuffFilter_); });
    auto* buffers = new QGridLayout;
    auto* inLabel = Tag(new QLabel("Input Buffer Size:"), 2217);
    auto* outLabel = Tag(new QLabel("Output Buffer Size:"), 2218);
    inLabel->setBuddy(buffSize_);
    outLabel->setBuddy(outBuffSize_);
    buffers->addWidget(inLabel, 0, 0);
    buffers->addWidget(buffSize_, 0, 1);
    buffers->addWidget(outLabel, 1, 0);
    buffers->addWidget(outBuffSize_, 1, 1);
    groups->addLayout(buffers, 2, 0, 1, 3);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(groups, 1);
    Add(top);
    AddOkCancel({"OK_Button", 2219}, {"Cancel_Button", 2220}, [this] { Ok(); });
    Finish(0);
}

QButtonGroup* PortSetupDialog::MakeGroup(const char* frame, int tag, const QStringList& captions,
                                         const std::array<int, 12>& tags, int columns) {
    auto* box = Tag(new QGroupBox(QString::number(tag)), tag);
    box->setObjectName(frame);
    auto* group = new QButtonGroup(box);
    auto* grid = new QGridLayout(box);
    const int rows = (static_cast<int>(captions.size()) + columns - 1) / columns;
    for (int i = 0; i < captions.size(); ++i) {
        auto* radio = new QRadioButton(captions[i]);
        if (tags[static_cast<size_t>(i)] > 0) SetTag(radio, tags[static_cast<size_t>(i)]);
        group->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows);
    }
    groups_[QString::fromLatin1(frame)] = group;
    return group;
}

QButtonGroup* PortSetupDialog::Group(const char* frameName) const {
    auto it = groups_.find(QString::fromLatin1(frameName));
    return it == groups_.end() ? nullptr : it->second;
}

void PortSetupDialog::Fill() {
    // Rates above 19200 need a newer system than the first releases ran on.
    const bool oldSystem = config_.WindowsMajorVersion <= 3;
    QButtonGroup* baud = Group("BaudFrame");
    baud->button(8)->setEnabled(!oldSystem);
    baud->button(9)->setEnabled(!oldSystem);
    if (oldSystem && config_.BaudRate > 7) config_.BaudRate = 7;

    auto select = [this](const char* frame, int index) {
        if (QAbstractButton* b = Group(frame)->button(index)) b->setChecked(true);
    };
    select("BaudFrame", config_.BaudRate);
    select("ParityFrame", config_.Parity);
    select("DataBitsFrame", config_.DataBits);
    select("StopBitsFrame", config_.StopBits);
    select("FlowCtrlFrame", config_.FlowControl);

    restoring_ = true;
    buffSize_->setText(QString::number(config_.InputBufferSize));
    outBuffSize_->setText(QString::number(config_.OutputBufferSize));
    restoring_ = false;
    buffFilter_->SetTextBeforeKey(buffSize_->text());
    outBuffFilter_->SetTextBeforeKey(outBuffSize_->text());

    devices_.clear();
    shownPort_ = -1;
    const int port = config_.CommPort >= 0 && config_.CommPort < kPorts ? config_.CommPort : 0;
    portList_->setCurrentRow(port);
    PortSelected(port);
}

void PortSetupDialog::PortSelected(int row) {
    if (shownPort_ >= 0) devices_[shownPort_] = device_->text();
    shownPort_ = row;
    if (row < 0) return;
    auto it = devices_.find(row);
    device_->setText(it != devices_.end()
                         ? it->second
                         : FromPath(DevicePathFor(static_cast<int16_t>(row), &store_)));
}

void PortSetupDialog::RefreshDevices() {
    std::vector<std::string> now = ListSerialDevices(deviceRoot_);
    if (now == listed_ && choice_->count() > 0) return;
    listed_ = std::move(now);
    choice_->clear();
    for (const auto& path : listed_)
        choice_->addItem(FromPath(SerialDeviceLabel(path)), FromPath(path));
    choice_->setPlaceholderText(listed_.empty() ? QString::fromStdString(Text(txt::NoneFound))
                                                : QString());
    ShowDeviceChoice();
}

void PortSetupDialog::ShowDeviceChoice() {
    choice_->setCurrentIndex(choice_->findData(device_->text().trimmed()));
}

void PortSetupDialog::showEvent(QShowEvent* event) {
    RefreshDevices();
    deviceTimer_->start();
    DialogBase::showEvent(event);
}

void PortSetupDialog::hideEvent(QHideEvent* event) {
    deviceTimer_->stop();
    DialogBase::hideEvent(event);
}

void PortSetupDialog::InvalidBuffer() {
    messages_.Beep();
    messages_.Show(Text(txt::BufferSizeRange), Text(txt::InvalidInputTitle), MsgIcon::Exclamation,
                   MsgButtons::Ok);
}

void PortSetupDialog::BufferChanged(QLineEdit* edit, DigitFilter* filter) {
    if (restoring_) return;
    if (LeadingNumber(ToBytes(edit->text())) <= kBufferMax) return;
    InvalidBuffer();
    restoring_ = true;
    edit->setText(filter->TextBeforeKey());
    restoring_ = false;
    edit->setCursorPosition(std::min<int>(5, static_cast<int>(edit->text().size())));
}

void PortSetupDialog::Ok() {
    auto take = [this](QLineEdit* edit, int32_t& setting) {
        const double v = LeadingNumber(ToBytes(edit->text()));
        if (v < kBufferMin || v > kBufferMax) {
            InvalidBuffer();
            edit->setFocus();
            return false;
        }
        const auto value = static_cast<int32_t>(std::lround(v));
        if (value != setting) config_.ConfigChanged = True;
        setting = value;
        return true;
    };
    if (!take(buffSize_, config_.InputBufferSize)) return;
    if (!take(outBuffSize_, config_.OutputBufferSize)) return;

    auto assign = [this]<typename T>(T& setting, int value) {
        if (value < 0) return;
        if (setting != value) config_.ConfigChanged = True;
        setting = static_cast<T>(value);
    };
    assign(config_.BaudRate, Group("BaudFrame")->checkedId());
    assign(config_.Parity, Group("ParityFrame")->checkedId());
    assign(config_.DataBits, Group("DataBitsFrame")->checkedId());
    assign(config_.FlowControl, Group("FlowCtrlFrame")->checkedId());
    assign(config_.StopBits, Group("StopBitsFrame")->checkedId());
    assign(config_.CommPort, portList_->currentRow());

    // Device nodes are per-user settings of this machine, not of the file.
    PortSelected(portList_->currentRow());
    for (const auto& [index, path] : devices_) {
        const std::string chosen = ToPath(path.trimmed());
        const std::string key = PortKey(index);
        if (chosen.empty() || chosen == DevicePathFor(static_cast<int16_t>(index), nullptr))
            store_.Remove("Ports", key);
        else
            store_.Set("Ports", key, chosen);
    }
    accept();
}

} // namespace pv::ui
