#include "ui/virtual_device.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

#include "text/escape.h"
#include "text/text_ids.h"
#include "ui/resource_texts_qt.h"

namespace pv {

VirtualDeviceWindow::VirtualDeviceWindow(VirtualSerialDriver& device, QWidget* parent)
    : QWidget(parent, Qt::Window), device_(device) {
    device_.SetListener([this](const std::string& text) { ShowOutput(text); });
    setObjectName(QStringLiteral("VirtualDevice"));
    setWindowTitle(ui::Tx(txt::VirtualDeviceTitle));
    setFont(ui::InterfaceQFont());
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    auto* grid = new QGridLayout(this);
    auto* inLabel = new QLabel(ui::Tx(txt::VirtualOutputLabel), this);
    input_ = new QLineEdit(this);
    input_->setObjectName(QStringLiteral("Input"));
    input_->setFont(mono);
    input_->setPlaceholderText(QStringLiteral("12.5 g   (\\x0D for a control character)"));
    inLabel->setBuddy(input_);
    send_ = new QPushButton(QStringLiteral("&Send"), this);
    send_->setObjectName(QStringLiteral("Send"));
    send_->setDefault(true);
    addCr_ = new QCheckBox(QStringLiteral("Add &CR"), this);
    addCr_->setChecked(true);
    auto* outLabel = new QLabel(ui::Tx(txt::VirtualInputBufferLabel), this);
    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("Output"));
    output_->setReadOnly(true);
    output_->setFont(mono);
    output_->setMaximumBlockCount(5000);

    grid->addWidget(inLabel, 0, 0, 1, 3);
    grid->addWidget(input_, 1, 0);
    grid->addWidget(addCr_, 1, 1);
    grid->addWidget(send_, 1, 2);
    grid->addWidget(outLabel, 2, 0, 1, 3);
    grid->addWidget(output_, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    resize(480, 300);

    connect(send_, &QPushButton::clicked, this, &VirtualDeviceWindow::Send);
    connect(input_, &QLineEdit::returnPressed, this, &VirtualDeviceWindow::Send);
}

VirtualDeviceWindow::~VirtualDeviceWindow() {
    device_.SetListener(nullptr);
}

std::string VirtualDeviceWindow::InputBytes(const QString& typed, bool addCr) {
    std::string raw = ui::ToBytes(typed);
    std::optional<std::string> decoded = UnescapeBytes(raw);
    std::string bytes = decoded ? *decoded : raw;
    if (addCr) bytes += '\r';
    return bytes;
}

void VirtualDeviceWindow::Send() {
    std::string bytes = InputBytes(input_->text(), addCr_->isChecked());
    if (bytes.empty()) return;
    if (device_.Push(bytes)) input_->selectAll();
}

void VirtualDeviceWindow::ShowOutput(const std::string& maskedText) {
    if (maskedText.empty()) return;
    // Control characters stay visible as \xHH; a line feed also breaks the line.
    QString shown;
    std::string piece;
    for (char c : maskedText) {
        piece += c;
        if (c == '\n') {
            shown += QString::fromLatin1(EscapeBytes(piece)) + QLatin1Char('\n');
            piece.clear();
        }
    }
    shown += QString::fromLatin1(EscapeBytes(piece));
    QTextCursor end = output_->textCursor();
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
    output_->verticalScrollBar()->setValue(output_->verticalScrollBar()->maximum());
}

void VirtualDeviceWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

} // namespace pv
