#include "ui/port_test_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "config/file_io.h"
#include "platform/posix/serial_driver.h"
#include "porttest/analysis.h"
#include "runtime/runtime.h"
#include "serial/virtual_driver.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/char_chart_dialog.h"
#include "ui/raw_text_edit.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

namespace {

// Texts of this window that have no number in the text table.
enum class Local { Cut, Paste, HexView, SaveCapture, SaveTitle, SaveFilter, SaveFailed };

QString L(Local id) {
    struct Row {
        const char *En, *De, *Ja;
    };
    static const Row rows[] = {
        {"Cu&t", "&Ausschneiden", "切り取り(&T)"},
        {"&Paste", "&Einfügen", "貼り付け(&P)"},
        {"&Hex View", "&Hex-Ansicht", "16 進表示(&H)"},
        {"Save Ca&pture...", "Mitschnitt &speichern...", "受信データを保存(&P)..."},
        {"Save Received Data As...", "Empfangene Daten speichern unter...",
         "受信データに名前を付けて保存..."},
        {"Capture (*.bin);;All Files (*)", "Mitschnitt (*.bin);;Alle Dateien (*)",
         "受信データ (*.bin);;すべてのファイル (*)"},
        {"The received data could not be saved:", "Die empfangenen Daten wurden nicht gespeichert:",
         "受信データを保存できませんでした:"},
    };
    const Row& r = rows[static_cast<int>(id)];
    switch (CurrentLanguage()) {
    case Language::German: return QString::fromUtf8(r.De);
    case Language::Japanese: return QString::fromUtf8(r.Ja);
    case Language::English: break;
    }
    return QString::fromUtf8(r.En);
}

// One character per byte: a line feed breaks the line, other control codes
// show as their control pictures.
QString Glyphs(const std::string& bytes) {
    QString s;
    s.reserve(static_cast<qsizetype>(bytes.size()));
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\n')
            s += QLatin1Char('\n');
        else if (b < 32)
            s += QChar(0x2400 + b);
        else if (b == 127)
            s += QChar(0x2421);
        else
            s += QChar(b);
    }
    return s;
}

// Redrawn on every tick with data, so kept short.
constexpr size_t kHexViewBytes = 16384;

QFont TerminalFont() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

} // namespace

// --- ReceivedBox -----------------------------------------------------------------

ReceivedBox::ReceivedBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
    setFont(TerminalFont());
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void ReceivedBox::Append(const std::string& shown) {
    if (shown.empty()) return;
    if (bytes_.size() + shown.size() > kLimit) {
        std::string kept = bytes_ + shown;
        SetBytes(kept.substr(kept.size() - kLimit / 2));
        return;
    }
    bytes_ += shown;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(Glyphs(shown));
    setTextCursor(end);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ReceivedBox::SetBytes(std::string bytes) {
    bytes_ = std::move(bytes);
    setPlainText(Glyphs(bytes_));
    moveCursor(QTextCursor::End);
}

size_t ReceivedBox::SelStart() const {
    return static_cast<size_t>(textCursor().selectionStart());
}

size_t ReceivedBox::SelLength() const {
    const QTextCursor c = textCursor();
    return static_cast<size_t>(c.selectionEnd() - c.selectionStart());
}

std::string ReceivedBox::SelectedOrAll() const {
    if (SelLength() == 0) return bytes_;
    return bytes_.substr(std::min(SelStart(), bytes_.size()), SelLength());
}

void ReceivedBox::RemoveSelectedOrAll() {
    if (SelLength() == 0) {
        SetBytes({});
        return;
    }
    const size_t start = std::min(SelStart(), bytes_.size());
    std::string rest = bytes_;
    rest.erase(start, SelLength());
    SetBytes(std::move(rest));
    QTextCursor c = textCursor();
    c.setPosition(static_cast<int>(start));
    setTextCursor(c);
}

void ReceivedBox::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right: QPlainTextEdit::keyPressEvent(event); return;
    case Qt::Key_Insert:
        if (mods == Qt::ControlModifier) emit copyRequested();
        break;
    default: break;
    }
    event->accept(); // everything else is discarded
}

void ReceivedBox::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

// --- PortTestWindow -------------------------------------------------------------

PortTestWindow::PortTestWindow(Config& config, SettingsStore& store, MessageSink& messages,
                               std::unique_ptr<SerialDriver> driver, std::unique_ptr<Clock> clock,
                               QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), store_(&store), messages_(&messages),
      driver_(std::move(driver)), clock_(std::move(clock)) {
    if (!driver_) driver_ = std::make_unique<PosixSerialDriver>();
    if (!clock_) clock_ = std::make_unique<SystemClock>();
    port_ = std::make_unique<SerialPort>(*driver_, *clock_, messages);
    terminal_ = std::make_unique<PortTerminal>(port_.get(), config_, *clock_);
    setObjectName(QStringLiteral("ComShow"));
    Build();
    setWindowTitle(QString::fromUtf8(PortTestCaption(config_)));
    timer_.setInterval(static_cast<int>(PortTerminal::kTickMs));
    connect(&timer_, &QTimer::timeout, this, &PortTestWindow::Tick);
}

PortTestWindow::PortTestWindow(VirtualSerialDriver& device, Config& config, QWidget* parent)
    : QWidget(parent, Qt::Window), config_(config), device_(&device),
      clock_(std::make_unique<SystemClock>()) {
    terminal_ = std::make_unique<PortTerminal>(nullptr, config_, *clock_);
    setObjectName(QStringLiteral("VirtualDevice"));
    Build();
    setWindowTitle(Tx(txt::VirtualDeviceTitle));
    label1_->setText(Tx(txt::VirtualInputBufferLabel));
    frame2_->setTitle(TxPlain(txt::VirtualOutputLabel));
    for (QWidget* w : std::initializer_list<QWidget*>{label2_, byteCount_, check1_, frame1_,
                                                      Button("AnalyzeButton"), Button("DTRButton"),
                                                      Button("Command1")})
        w->hide();
    device_->Purge();
    device_->SetListener(
        [this](const std::string& sent) { ShowReceived(terminal_->Received(sent)); });
}

PortTestWindow::~PortTestWindow() {
    if (device_) device_->SetListener(nullptr);
    timer_.stop();
    if (port_ && port_->IsOpen()) port_->ClosePort();
}

void PortTestWindow::Build() {
    setFont(InterfaceQFont());
    auto* grid = new QGridLayout(this);

    label1_ = new QLabel(Tx(txt::InputData), this);
    views_ = new QStackedWidget(this);
    buffer_ = new ReceivedBox(views_);
    buffer_->setObjectName(QStringLiteral("Buffer"));
    hex_ = new QPlainTextEdit(views_);
    hex_->setObjectName(QStringLiteral("HexView"));
    hex_->setReadOnly(true);
    hex_->setFont(TerminalFont());
    hex_->setLineWrapMode(QPlainTextEdit::NoWrap);
    views_->addWidget(buffer_);
    views_->addWidget(hex_);
    label1_->setBuddy(buffer_);

    label2_ = new QLabel(Tx(txt::TotalByteCount), this);
    byteCount_ = new QLabel(QStringLiteral("0"), this);
    byteCount_->setObjectName(QStringLiteral("BufByteCount"));
    frame1_ = new QGroupBox(Tx(txt::SelectedText), this);
    auto* sel = new QGridLayout(frame1_);
    selStart_ = new QLabel(QStringLiteral("1"), frame1_);
    selStart_->setObjectName(QStringLiteral("SelStartPosition"));
    selCount_ = new QLabel(QStringLiteral("0"), frame1_);
    selCount_->setObjectName(QStringLiteral("SelByteCount"));
    sel->addWidget(new QLabel(Tx(txt::StartPosition), frame1_), 0, 0);
    sel->addWidget(selStart_, 0, 1);
    sel->addWidget(new QLabel(Tx(txt::ByteCount), frame1_), 1, 0);
    sel->addWidget(selCount_, 1, 1);
    check1_ = new QCheckBox(Tx(txt::PreInputTranslationBox), this);
    check1_->setObjectName(QStringLiteral("Check1"));
    hexBox_ = new QCheckBox(L(Local::HexView), this);
    hexBox_->setObjectName(QStringLiteral("HexViewBox"));

    auto button = [this](const char* name, const QString& text, void (PortTestWindow::*slot)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    auto* side = new QVBoxLayout;
    auto* counts = new QHBoxLayout;
    counts->addWidget(label2_);
    counts->addWidget(byteCount_, 1);
    side->addLayout(counts);
    side->addWidget(frame1_);
    side->addWidget(button("AnalyzeButton", Tx(txt::AnalyzeInput), &PortTestWindow::Analyze));
    side->addWidget(button("BufferClearButton", Tx(txt::ClearInput), &PortTestWindow::ClearInput));
    side->addWidget(
        button("SaveCaptureButton", L(Local::SaveCapture), &PortTestWindow::SaveCapture));
    side->addStretch(1);
    side->addWidget(button("QuitButton", Tx(txt::QuitButton), &PortTestWindow::Quit));

    frame2_ = new QGroupBox(Tx(txt::OutputFrame), this);
    auto* out = new QGridLayout(frame2_);
    output_ = new RawTextEdit(frame2_);
    output_->setObjectName(QStringLiteral("OutputBuffer"));
    output_->setContextMenuPolicy(Qt::CustomContextMenu);
    out->addWidget(output_, 0, 0, 1, 4);
    out->addWidget(button("SendButton", Tx(txt::SendButton), &PortTestWindow::Send), 1, 0);
    out->addWidget(button("DTRButton", Tx(txt::DtrButton), &PortTestWindow::PulseDtr), 1, 1);
    out->addWidget(button("Command1", Tx(txt::BreakButton), &PortTestWindow::Break), 1, 2);
    out->addWidget(
        button("AsciiChartButton", Tx(txt::AsciiChartFrame), &PortTestWindow::AsciiChart), 1, 3);

    grid->addWidget(label1_, 0, 0);
    grid->addWidget(views_, 1, 0);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(check1_);
    boxes->addWidget(hexBox_);
    boxes->addStretch(1);
    grid->addLayout(boxes, 2, 0);
    grid->addLayout(side, 0, 1, 3, 1);
    grid->addWidget(frame2_, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    resize(780, 420);

    editMenu_ = new QMenu(TxPlain(txt::EditMenu), this);
    editMenu_->setObjectName(QStringLiteral("mnuEdit"));
    auto item = [this](const char* name, const QString& text, void (PortTestWindow::*slot)()) {
        auto* a = editMenu_->addAction(text, this, slot);
        a->setObjectName(QString::fromLatin1(name));
    };
    item("mnuCut", L(Local::Cut), &PortTestWindow::Cut);
    item("mnuCopy", Tx(txt::CopyMenu), &PortTestWindow::Copy);
    item("mnuPaste", L(Local::Paste), &PortTestWindow::Paste);
    editMenu_->addSeparator();
    item("mnuASCII", Tx(txt::AsciiChartButton), &PortTestWindow::AsciiChart);

    connect(check1_, &QCheckBox::toggled, this, [this](bool on) { terminal_->Translate = on; });
    connect(hexBox_, &QCheckBox::toggled, this, &PortTestWindow::SetHexView);
    connect(buffer_, &ReceivedBox::copyRequested, this, [this] {
        editTarget_ = buffer_;
        Copy();
    });
    connect(buffer_, &QPlainTextEdit::selectionChanged, this, &PortTestWindow::UpdateCounters);
    connect(buffer_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowEditMenu(buffer_, buffer_->mapToGlobal(p)); });
    connect(output_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowEditMenu(output_, output_->mapToGlobal(p)); });
    UpdateCounters();
}

QPushButton* PortTestWindow::Button(const QString& name) const {
    return findChild<QPushButton*>(name);
}

bool PortTestWindow::OpenPort(const std::string& device) {
    if (!port_) return false;
    if (!port_->OpenPort(PortSettingsOf(config_, store_, device))) return false;
    timer_.start();
    return true;
}

void PortTestWindow::Tick() {
    if (!port_ || !port_->IsOpen()) return;
    terminal_->Service();
    UpdateCounters();
    ShowReceived(terminal_->Read());
}

void PortTestWindow::UpdateCounters() {
    byteCount_->setText(QString::number(buffer_->Bytes().size()));
    selCount_->setText(QString::number(buffer_->SelLength()));
    selStart_->setText(QString::number(buffer_->SelStart() + 1));
    if (QPushButton* analyze = Button(QStringLiteral("AnalyzeButton")))
        analyze->setEnabled(!buffer_->Bytes().empty());
}

void PortTestWindow::ShowReceived(const std::string& shown) {
    buffer_->Append(shown);
    if (hexBox_->isChecked() && hexDrawn_ != terminal_->ReceivedTotal()) RefreshHex();
}

void PortTestWindow::RefreshHex() {
    hexDrawn_ = terminal_->ReceivedTotal();
    hex_->setPlainText(FromBytes(terminal_->HexView(kHexViewBytes)));
    hex_->moveCursor(QTextCursor::End);
}

void PortTestWindow::SetHexView(bool on) {
    if (hexBox_->isChecked() != on) hexBox_->setChecked(on); // comes back here
    if (on) RefreshHex();
    views_->setCurrentWidget(on ? static_cast<QWidget*>(hex_) : buffer_);
}

void PortTestWindow::Send() {
    const std::string& raw = output_->Raw();
    if (raw.empty()) return;
    if (device_) {
        if (!device_->Push(raw)) QApplication::beep();
    } else if (port_ && !port_->Queue(raw)) {
        QApplication::beep();
    }
}

void PortTestWindow::PulseDtr() {
    if (port_) port_->Signal(LineSignal::PulseDtr);
}

void PortTestWindow::Break() {
    if (port_) port_->Signal(LineSignal::Break);
}

void PortTestWindow::ClearInput() {
    buffer_->SetBytes({});
    terminal_->Clear();
    hex_->clear();
    UpdateCounters();
    (hexBox_->isChecked() ? static_cast<QWidget*>(hex_) : buffer_)->setFocus();
}

void PortTestWindow::Analyze() {
    if (messages_) AnalyzeAndAsk(buffer_->Bytes(), config_, *messages_);
    buffer_->setFocus();
}

void PortTestWindow::AsciiChart() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    chart_->SetNamedEntries({});
    chart_->exec();
    if (chart_) output_->InsertPicked(chart_->Picked());
}

void PortTestWindow::Quit() {
    close();
}

void PortTestWindow::SaveCapture() {
    const QString path =
        QFileDialog::getSaveFileName(this, L(Local::SaveTitle), QString(), L(Local::SaveFilter));
    if (path.isEmpty()) return;
    std::string why;
    if (!SaveCaptureTo(path, why) && messages_)
        messages_->Show(L(Local::SaveFailed).toStdString() + "\n" + why, Text(txt::FileErrorTitle),
                        MsgIcon::Exclamation, MsgButtons::Ok);
}

bool PortTestWindow::SaveCaptureTo(const QString& path, std::string& why) {
    return ReplaceFile(ToPath(path), terminal_->Capture(), why);
}

namespace {
void SendKey(QWidget* to, int key, Qt::KeyboardModifiers mods) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(to, &press);
}
} // namespace

// On the output field the Edit menu is its own keys, so the private
// clipboard of the raw fields is used; on the input box, the system's.
bool PortTestWindow::OnOutput() const {
    return editTarget_ ? editTarget_ == output_ : output_->hasFocus();
}

void PortTestWindow::Cut() {
    if (OnOutput()) {
        SendKey(output_, Qt::Key_Delete, Qt::ShiftModifier);
        return;
    }
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(FromBytes(buffer_->SelectedOrAll()));
    buffer_->RemoveSelectedOrAll();
    UpdateCounters();
}

void PortTestWindow::Copy() {
    if (OnOutput()) {
        SendKey(output_, Qt::Key_Insert, Qt::ControlModifier);
        return;
    }
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(FromBytes(buffer_->SelectedOrAll()));
}

void PortTestWindow::Paste() {
    if (OnOutput()) SendKey(output_, Qt::Key_Insert, Qt::ShiftModifier);
}

void PortTestWindow::ShowEditMenu(QWidget* box, const QPoint& globalPos) {
    box->setFocus();
    editTarget_ = box;
    const bool onInput = box == buffer_;
    for (QAction* a : editMenu_->actions()) {
        if (a->objectName() == QLatin1String("mnuCut") ||
            a->objectName() == QLatin1String("mnuPaste"))
            a->setVisible(!onInput);
    }
    editMenu_->popup(globalPos);
}

void PortTestWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closing_) return;
    closing_ = true;
    timer_.stop();
    // Lowers DTR and RTS before closing.
    if (port_ && port_->IsOpen()) port_->ClosePort();
    if (device_) device_->SetListener(nullptr);
    emit closed();
}

} // namespace pv::ui
