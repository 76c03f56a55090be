#pragma once
// The device played by the user in Virtual Instrument mode: what is typed
// and sent becomes the port's input; what Portivox sends to the device is
// shown below it.
#include <QWidget>
#include <string>

#include "serial/virtual_driver.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pv {

class VirtualDeviceWindow : public QWidget {
    Q_OBJECT
  public:
    /// Listens to `device` for the program's output while it lives.
    explicit VirtualDeviceWindow(VirtualSerialDriver& device, QWidget* parent = nullptr);
    ~VirtualDeviceWindow() override;

    /// Shows text the program sent to the device (NULs already masked).
    void ShowOutput(const std::string& maskedText);

    /// The bytes a Send of `typed` queues: \xHH escapes decoded, a carriage
    /// return appended when `addCr`. An escape that does not decode is kept
    /// as typed.
    static std::string InputBytes(const QString& typed, bool addCr);

    QLineEdit* InputBox() const { return input_; }
    QPushButton* SendButton() const { return send_; }
    QCheckBox* AddCrBox() const { return addCr_; }
    QPlainTextEdit* OutputBox() const { return output_; }

  public slots:
    void Send();

  signals:
    /// The user closed the device window.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    VirtualSerialDriver& device_;
    QLineEdit* input_;
    QPushButton* send_;
    QCheckBox* addCr_;
    QPlainTextEdit* output_;
};

} // namespace pv
