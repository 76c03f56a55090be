#pragma once
// ComShow, the port test terminal. Two roles:
// - Port test (Port > Analyze): owns the port it tests, shows every byte
//   received, sends typed raw text, pulses DTR, sends BREAK, and guesses the
//   record layout from the data (Analyze Input).
// - Virtual serial device (Virtual Instrument mode, see virtual_device.h):
//   no port and no timer; what the running window sends is shown, and Send
//   feeds the run's input.
// Beyond the classic terminal: a hex view with a time-stamped line per
// burst of data, and Save Capture of the exact bytes received.
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "config/config.h"
#include "config/settings_store.h"
#include "porttest/terminal.h"
#include "runtime/interfaces.h"
#include "serial/port.h"
#include "text/messages.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QStackedWidget;

namespace pv {
class VirtualSerialDriver;
}

namespace pv::ui {

class AsciiChartDialog;
class RawTextEdit;

/// The received-data box: read-only, one document position per byte (a
/// line feed breaks the line, other control codes show as control
/// pictures), only Home, End, Left, Right and Ctrl+Insert pass.
class ReceivedBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit ReceivedBox(QWidget* parent = nullptr);
    /// The box's text as bytes (NULs already shown as 255).
    const std::string& Bytes() const { return bytes_; }
    void Append(const std::string& shown);
    void SetBytes(std::string bytes);
    /// Selection as start (0-based) and length in bytes.
    size_t SelStart() const;
    size_t SelLength() const;
    /// The selection, or the whole text when nothing is selected.
    std::string SelectedOrAll() const;
    /// Removes the selection, or the whole text when nothing is selected.
    void RemoveSelectedOrAll();

    /// The most the box holds; beyond it the oldest half goes.
    static constexpr size_t kLimit = 4u << 20;

  signals:
    void copyRequested();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    std::string bytes_;
};

class PortTestWindow : public QWidget {
    Q_OBJECT
  public:
    /// The port test role; the driver and clock default to the tty driver
    /// and the system clock.
    PortTestWindow(Config& config, SettingsStore& store, MessageSink& messages,
                   std::unique_ptr<SerialDriver> driver = nullptr,
                   std::unique_ptr<Clock> clock = nullptr, QWidget* parent = nullptr);
    ~PortTestWindow() override;

    /// Opens the configuration's port (`device` "" maps the COM number);
    /// the port layer has shown why when false. Starts the timer on success.
    bool OpenPort(const std::string& device = {});

    bool IsVirtualDevice() const { return device_ != nullptr; }

    // --- Commands -------------------------------------------------------
    /// One firing of Timer1 (port test role).
    void Tick();
    void Send();
    void PulseDtr();
    void Break();
    void ClearInput();
    void Analyze();
    /// The character chart, its pick inserted into the output field.
    void AsciiChart();
    void Quit();
    void SetHexView(bool on);
    /// Asks for a file and writes the capture to it.
    void SaveCapture();
    /// Writes the bytes received, exactly, replacing `path` atomically.
    bool SaveCaptureTo(const QString& path, std::string& why);
    /// The Edit menu on the box with the focus.
    void Cut();
    void Copy();
    void Paste();

    // --- Controls -----------------------------------------------------------
    ReceivedBox* Buffer() const { return buffer_; }
    QPlainTextEdit* HexBox() const { return hex_; }
    RawTextEdit* OutputBuffer() const { return output_; }
    QLabel* ByteCount() const { return byteCount_; }
    QLabel* SelStartPosition() const { return selStart_; }
    QLabel* SelByteCount() const { return selCount_; }
    QCheckBox* TranslateBox() const { return check1_; }
    QCheckBox* HexViewBox() const { return hexBox_; }
    QPushButton* Button(const QString& name) const;
    QMenu* EditMenu() const { return editMenu_; }
    PortTerminal& Terminal() { return *terminal_; }
    SerialPort* Port() { return port_.get(); }

  signals:
    /// The window has closed (and the port with it in the port test role).
    void closed();

  protected:
    /// The virtual device role: no port; `device` carries both directions.
    PortTestWindow(VirtualSerialDriver& device, Config& config, QWidget* parent);
    void closeEvent(QCloseEvent* event) override;

  private:
    void Build();
    void UpdateCounters();
    void ShowReceived(const std::string& shown);
    void RefreshHex();
    void ShowEditMenu(QWidget* box, const QPoint& globalPos);
    /// Whether the Edit menu acts on the output field (else the input box).
    bool OnOutput() const;

    Config& config_;
    SettingsStore* store_ = nullptr;
    MessageSink* messages_ = nullptr;
    VirtualSerialDriver* device_ = nullptr;
    std::unique_ptr<SerialDriver> driver_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<PortTerminal> terminal_;
    QTimer timer_;
    bool closing_ = false;
    uint64_t hexDrawn_ = 0; // bytes received when the hex view was drawn

    QLabel* label1_ = nullptr;
    QStackedWidget* views_ = nullptr;
    ReceivedBox* buffer_ = nullptr;
    QPlainTextEdit* hex_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* byteCount_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QLabel* selStart_ = nullptr;
    QLabel* selCount_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QCheckBox* hexBox_ = nullptr;
    QGroupBox* frame2_ = nullptr;
    RawTextEdit* output_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QWidget* editTarget_ = nullptr; // the box the Edit menu last opened on
    QPointer<AsciiChartDialog> chart_;
};

} // namespace pv::ui
