#include "ui/running_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "output/dde_link_text.h"
#include "runtime/runtime.h"
#include "text/text_ids.h"
#include "ui/about_dialog.h"
#include "ui/clipboard_link.h"
#include "ui/config_summary.h"
#include "ui/resource_texts_qt.h"

namespace pv {

using ui::FromBytes;
using ui::Tx;

namespace {
// A long device path must not push the rest of the line out of sight; its end (the port or
// adapter's serial number) is what tells devices apart, so the cut falls at its start.
class ElidedLabel : public QLabel {
  public:
    void SetText(const QString& lead, const QString& path, const QString& tail) {
        lead_ = lead, path_ = path, tail_ = tail;
        setText(lead + path + tail);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QFontMetrics metrics = fontMetrics();
        const int room = area.width() - metrics.horizontalAdvance(lead_ + tail_);
        const QString line = room > metrics.horizontalAdvance(QStringLiteral("\u2026xxxx"))
                                 ? lead_ + metrics.elidedText(path_, Qt::ElideLeft, room) + tail_
                                 : metrics.elidedText(text(), Qt::ElideRight, area.width());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, line);
    }

  private:
    QString lead_, path_, tail_;
};
} // namespace

// ---------------------------------------------------------------------------
// ReadOnlyBox

ReadOnlyBox::ReadOnlyBox(const QString& item, QWidget* parent) : QLineEdit(parent), item_(item) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

bool ReadOnlyBox::KeyPasses(int key) {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_F1:
    case Qt::Key_F4: return true;
    default: return false;
    }
}

void ReadOnlyBox::keyPressEvent(QKeyEvent* event) {
    if (KeyPasses(event->key()))
        QLineEdit::keyPressEvent(event);
    else
        event->accept();
}

void ReadOnlyBox::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
}

bool ReadOnlyBox::event(QEvent* event) {
    // Leave the window's shortcuts (Ctrl+C copies the link) to the window.
    if (event->type() == QEvent::ShortcutOverride) {
        event->ignore();
        return false;
    }
    return QLineEdit::event(event);
}

void ReadOnlyBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit focused(this);
}

void ReadOnlyBox::contextMenuEvent(QContextMenuEvent* event) {
    // The box's own menu would offer editing; the window's popup replaces it.
    event->accept();
    emit contextRequested(this, event->globalPos());
}

// ---------------------------------------------------------------------------
// PointerButton

void PointerButton::mouseReleaseEvent(QMouseEvent* event) {
    bool inside = event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    QPushButton::mouseReleaseEvent(event);
    if (inside) emit releasedInside();
}

void PointerButton::keyPressEvent(QKeyEvent* event) {
    // Space and Enter would press the button; only the pointer may.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter || event->key() == Qt::Key_Select) {
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void PointerButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

void PointerButton::focusInEvent(QFocusEvent* event) {
    QPushButton::focusInEvent(event);
    emit focused();
}

// ---------------------------------------------------------------------------
// RunningWindow

namespace {

QIcon AppIcon() {
    QIcon themed = QIcon::fromTheme(QStringLiteral("portivox"));
    if (!themed.isNull()) return themed;
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0x2a, 0x6f, 0xb0));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(0.5, 0.5, size - 1, size - 1), size / 5.0, size / 5.0);
        // A connector's pins feeding a line of data.
        p.setBrush(Qt::white);
        double r = size / 12.0;
        for (int i = 0; i < 3; ++i)
            p.drawEllipse(QPointF(size * (0.28 + 0.22 * i), size * 0.36), r, r);
        p.setPen(QPen(Qt::white, std::max(1.0, size / 14.0), Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(size * 0.2, size * 0.68), QPointF(size * 0.8, size * 0.68));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QFont BoxFont(int pixelSize) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(std::max(8, pixelSize));
    return f;
}

// The program's icon with a pause sign: the run is suspended.
QIcon PausedIcon(const QIcon& base) {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm = base.pixmap(size, size);
        if (pm.isNull()) pm = QPixmap(size, size), pm.fill(Qt::transparent);
        QPainter p(&pm);
        const int w = std::max(2, size / 6), h = size / 2, top = size / 2 - 1;
        p.fillRect(size - 2 * w - w - 1, top, w, h, QColor(198, 40, 40));
        p.fillRect(size - w - 1, top, w, h, QColor(198, 40, 40));
        icon.addPixmap(pm);
    }
    return icon;
}

// The program's icon faded, with a red cross: the device is gone.
QIcon LostIcon(const QIcon& base) {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64}) {
        QPixmap pm = base.pixmap(QSize(size, size), QIcon::Disabled);
        if (pm.isNull()) pm = QPixmap(size, size), pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(198, 40, 40), std::max(2.0, size / 7.0), Qt::SolidLine, Qt::RoundCap));
        const double a = size * 0.55, b = size * 0.9;
        p.drawLine(QPointF(a, a), QPointF(b, b));
        p.drawLine(QPointF(a, b), QPointF(b, a));
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

QRect PlaceOnScreen(QRect client, QMargins frame, const QList<QRect>& screens) {
    if (screens.isEmpty()) return client;
    const QRect outer = client.marginsAdded(frame);
    const QPoint c = outer.center();
    QRect best = screens.front();
    long long bestDistance = -1;
    for (const QRect& s : screens) {
        const long long dx = std::max({0, s.left() - c.x(), c.x() - s.right()});
        const long long dy = std::max({0, s.top() - c.y(), c.y() - s.bottom()});
        if (bestDistance < 0 || dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = s;
        }
    }
    auto fit = [](int start, int length, int low, int high) {
        if (start + length - 1 > high) start = high - length + 1;
        return std::max(start, low);
    };
    const int x = fit(outer.left(), outer.width(), best.left(), best.right());
    const int y = fit(outer.top(), outer.height(), best.top(), best.bottom());
    return client.translated(x - outer.left(), y - outer.top());
}

RunningWindow::RunningWindow(Config& config, QWidget* parent)
    : QMainWindow(parent), config_(config) {
    setObjectName(QStringLiteral("Portivox"));
    setWindowIcon(AppIcon());
    setFont(ui::InterfaceQFont());
    BuildMenus();
    status_ = new ElidedLabel;
    status_->setObjectName(QStringLiteral("StatusLine"));
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    state_ = new QLabel;
    state_->setObjectName(QStringLiteral("RunState"));
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(state_);
    statusBar()->setSizeGripEnabled(false);
    BuildControls();
    RefreshStatus();
}

RunningWindow::~RunningWindow() {
    if (tray_) tray_->hide();
}

int RunningWindow::Px(int twips) const {
    double dpi = logicalDpiY();
    if (dpi <= 0) dpi = 96;
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int RunningWindow::Twips(int pixels) const {
    double dpi = logicalDpiY();
    if (dpi <= 0) dpi = 96;
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

void RunningWindow::Attach(Runtime* runtime) {
    runtime_ = runtime;
}

void RunningWindow::AttachCommands(CommandInterpreter* commands, DdeLinkControl* links) {
    commands_ = commands;
    links_ = links;
}

void RunningWindow::BuildMenus() {
    editMenu_ = menuBar()->addMenu(Tx(txt::EditMenu));
    editMenu_->setObjectName(QStringLiteral("EditMenu"));
    editCopy_ = editMenu_->addAction(Tx(txt::CopyMenu), this, &RunningWindow::EditCopy);
    editCopy_->setObjectName(QStringLiteral("EditCopy"));
    editCopy_->setShortcut(QKeySequence::Copy);
    editMenu_->addSeparator();
    ddePaste_ = editMenu_->addAction(Tx(txt::PasteCommandLinkMenu), this, [this] {
        if (commands_) commands_->PasteCommandLink();
    });
    ddeRefresh_ = editMenu_->addAction(Tx(txt::RefreshCommandLinkMenu), this, [this] {
        if (commands_) commands_->RefreshCommandLink();
    });
    ddeKill_ = editMenu_->addAction(Tx(txt::TerminateCommandLinkMenu), this, [this] {
        if (commands_) commands_->TerminateCommandLink();
    });
    editMenu_->addSeparator();
    ddePasteBuffer_ = editMenu_->addAction(Tx(txt::PasteBufferLinkMenu), this, [this] {
        if (commands_) commands_->PasteBufferLink();
    });
    ddeRefreshBuffer_ = editMenu_->addAction(Tx(txt::RefreshBufferLinkMenu), this, [this] {
        if (commands_) commands_->RefreshBufferLink();
    });
    ddeKillBuffer_ = editMenu_->addAction(Tx(txt::TerminateBufferLinkMenu), this, [this] {
        if (commands_) commands_->TerminateBufferLink();
    });
    connect(editMenu_, &QMenu::aboutToShow, this, &RunningWindow::RefreshEditMenu);
    RefreshEditMenu();

    quitMenu_ = menuBar()->addMenu(Tx(txt::QuitMenu));
    quitMenu_->setObjectName(QStringLiteral("QuitMenu"));
    suspendMenu_ = quitMenu_->addAction(Tx(txt::SuspendMenu), this, &RunningWindow::ToggleSuspend);
    suspendMenu_->setObjectName(QStringLiteral("SuspendMenu"));
    resume1_ = quitMenu_->addAction(Tx(txt::ResumeForOneRecordMenu).trimmed(), this,
                                    &RunningWindow::ResumeForOneRecord);
    resume1_->setObjectName(QStringLiteral("Resume1"));
    resume1_->setVisible(false);
    reset_ = quitMenu_->addAction(Tx(txt::ResetMenu), this, &RunningWindow::ResetRun);
    reset_->setObjectName(QStringLiteral("MReset"));
    quitMenu_->addSeparator();
    tOutCtrl_ = quitMenu_->addAction(Tx(txt::DisableTimedOutputMenu), this,
                                     &RunningWindow::ToggleTimedOutput);
    tOutCtrl_->setObjectName(QStringLiteral("TOutCtrl"));
    exitMenu_ = quitMenu_->addAction(Tx(txt::QuitRunMenu), this, &RunningWindow::QuitRun);
    exitMenu_->setObjectName(QStringLiteral("ExitMenu"));
    about_ = quitMenu_->addAction(Tx(txt::AboutMenu), this, &RunningWindow::ShowAbout);
    about_->setObjectName(QStringLiteral("MAbout"));

    popEdit_ = new QMenu(this);
    popEdit_->setObjectName(QStringLiteral("popEdit"));
    QAction* popCopy = popEdit_->addAction(ui::TxPlain(txt::CopyMenu));
    popCopy->setObjectName(QStringLiteral("mPopCopy"));
    connect(popCopy, &QAction::triggered, this, &RunningWindow::EditCopy);
}

void RunningWindow::ClearControls() {
    copySource_ = nullptr;
    if (central_) {
        central_->hide();
        central_->deleteLater();
    }
    central_ = nullptr;
    label1_ = label2_ = dateLabel_ = nullptr;
    recordNumber_ = dateTime_ = nullptr;
    fields_.fill(nullptr);
    fieldLabels_.fill(nullptr);
    stringButtons_.fill(nullptr);
    dtrButton_ = breakButton_ = nullptr;
}

void RunningWindow::BuildControls() {
    layout_ = ComputeRunningLayout(config_);
    central_ = new QWidget(this);
    setCentralWidget(central_);

    auto makeLabel = [this](const QString& text, Qt::Alignment align) {
        auto* l = new QLabel(text, central_);
        l->setAlignment(align | Qt::AlignVCenter);
        return l;
    };
    auto makeBox = [this](const QString& item) {
        auto* b = new ReadOnlyBox(item, central_);
        b->setObjectName(item);
        connect(b, &ReadOnlyBox::focused, this, &RunningWindow::BoxFocused);
        connect(b, &ReadOnlyBox::contextRequested, this, &RunningWindow::PopupCopy);
        return b;
    };

    // Tab order: the field boxes first, in number order.
    for (int n = 1; n <= layout_.FieldCount; ++n) {
        fields_[n] = makeBox(QString::fromLatin1(FieldItemName(n).c_str()));
        fieldLabels_[n] = makeLabel(QString::number(n), Qt::AlignRight);
        fieldLabels_[n]->setObjectName(QStringLiteral("Label(%1)").arg(n));
    }
    label1_ = makeLabel(Tx(txt::InputFieldsLabel), Qt::AlignLeft);
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_ = makeLabel(Tx(txt::RecordNumberLabel), Qt::AlignRight);
    label2_->setObjectName(QStringLiteral("Label2"));
    recordNumber_ = makeBox(QStringLiteral("RecordNumber"));
    dateLabel_ = makeLabel(Tx(txt::DateTimeLabel), Qt::AlignRight);
    dateLabel_->setObjectName(QStringLiteral("DDEClient"));
    dateTime_ = makeBox(QStringLiteral("DateTime"));

    dtrButton_ = new PointerButton(QStringLiteral("DTR~"), central_);
    dtrButton_->setObjectName(QStringLiteral("DTRToggleButton"));
    connect(dtrButton_, &PointerButton::releasedInside, this, [this] {
        if (runtime_) runtime_->Signal(LineSignal::PulseDtr);
    });
    breakButton_ = new PointerButton(QStringLiteral("Break"), central_);
    breakButton_->setObjectName(QStringLiteral("BreakButton"));
    connect(breakButton_, &PointerButton::releasedInside, this, [this] {
        if (runtime_) runtime_->Signal(LineSignal::Break);
    });
    for (auto* b : {dtrButton_, breakButton_})
        connect(b, &PointerButton::focused, this, &RunningWindow::ButtonFocused);

    for (int n = 1; n <= kOutputStrings; ++n) {
        auto* b = new PointerButton(FromBytes(config_.OutputStringCaption[n]), central_);
        b->setObjectName(QStringLiteral("StringButton(%1)").arg(n));
        connect(b, &PointerButton::releasedInside, this, [this, n] {
            if (runtime_) runtime_->QueueOutput(config_.OutputStringText[n]);
        });
        connect(b, &PointerButton::focused, this, &RunningWindow::ButtonFocused);
        stringButtons_[n] = b;
    }
    PlaceControls();
}

void RunningWindow::Place(QWidget* w, const TwipRect& r) {
    if (!w) return;
    w->setGeometry(Px(r.Left), Px(r.Top), std::max(1, Px(r.Width)), std::max(1, Px(r.Height)));
    w->setVisible(r.Visible);
}

void RunningWindow::PlaceControls() {
    const RunningLayout& l = layout_;
    QFont boxFont = BoxFont(Px(255) - 6);
    QFont small = font();
    // The rows are a fixed number of twips; the interface font must fit them.
    small.setPixelSize(std::min(QFontInfo(small).pixelSize(), Px(255) - 4));
    for (int n = 1; n <= l.FieldCount; ++n) {
        fields_[n]->setFont(boxFont);
        fieldLabels_[n]->setFont(small);
        Place(fields_[n], l.Field[n]);
        Place(fieldLabels_[n], l.FieldLabel[n]);
    }
    for (auto* w : {static_cast<QWidget*>(recordNumber_), static_cast<QWidget*>(dateTime_)})
        w->setFont(boxFont);
    for (auto* w : {label1_, label2_, dateLabel_})
        w->setFont(small);
    Place(label1_, l.Label1);
    Place(label2_, l.Label2);
    Place(recordNumber_, l.RecordNumber);
    Place(dateLabel_, l.DateLabel);
    Place(dateTime_, l.DateTime);
    // Translated or larger texts grow a right-aligned label leftwards.
    for (QLabel* label : {label2_, dateLabel_}) {
        int need = label->fontMetrics().horizontalAdvance(label->text()) + Px(60);
        QRect g = label->geometry();
        if (need > g.width()) label->setGeometry(g.right() + 1 - need, g.top(), need, g.height());
    }
    FitHeaderTexts();
    Place(dtrButton_, l.DtrButton);
    Place(breakButton_, l.BreakButton);
    for (int n = 1; n <= kOutputStrings; ++n) {
        stringButtons_[n]->setFont(small);
        Place(stringButtons_[n], l.StringButton[n]);
    }
    for (auto* w : central_->findChildren<QWidget*>())
        if (auto* b = qobject_cast<QLineEdit*>(w)) b->setStyleSheet(QStringLiteral("padding:0px"));
    for (auto* b : {dtrButton_, breakButton_})
        b->setFont(small);

    int width = Px(l.ClientWidth);
    for (QWidget* w : {static_cast<QWidget*>(recordNumber_), static_cast<QWidget*>(dateTime_)})
        if (w && !w->isHidden()) width = std::max(width, w->geometry().right() + 1 + Px(140));
    central_->setFixedSize(width, Px(l.ClientHeight));
    adjustSize();
    setFixedSize(sizeHint());
}

void RunningWindow::FitHeaderTexts() {
    // Longer translations and larger fonts push what stands to the right
    // further right instead of overlapping it.
    auto need = [](QWidget* w, const QString& text) {
        return w->fontMetrics().horizontalAdvance(text) + 8;
    };
    auto shift = [](std::initializer_list<QWidget*> ws, int by) {
        if (by > 0)
            for (QWidget* w : ws)
                w->move(w->x() + by, w->y());
    };
    // Label1 is read from its left edge, Label2 and the date label from
    // their right edge (PlaceControls grew them leftwards).
    QRect g1 = label1_->geometry();
    label1_->setGeometry(g1.left(), g1.top(), std::max(g1.width(), need(label1_, label1_->text())),
                         g1.height());
    const int textOf2 = label2_->geometry().right() + 1 - need(label2_, label2_->text());
    shift({label2_, recordNumber_, dateLabel_, dateTime_},
          label1_->geometry().left() + need(label1_, label1_->text()) - textOf2);
    shift({dateLabel_, dateTime_},
          recordNumber_->geometry().right() + 1 -
              (dateLabel_->geometry().right() + 1 - need(dateLabel_, dateLabel_->text())));
    // The date box keeps its first digit: as wide as its longest text.
    QString sample = dateTime_->text();
    if (sample.isEmpty())
        for (char ch : config_.DateTimeFormat)
            sample += QChar::isLetter(static_cast<unsigned char>(ch)) ? QChar('8') : QChar(ch);
    QRect gd = dateTime_->geometry();
    dateTime_->resize(std::max(gd.width(), need(dateTime_, sample) + 8), gd.height());
}

void RunningWindow::BuildTray() {
    tray_ = new QSystemTrayIcon(windowIcon(), this);
    trayMenu_ = new QMenu(this);
    trayMenu_->setObjectName(QStringLiteral("mnuPopup"));
    QAction* open =
        trayMenu_->addAction(Tx(txt::OpenFromTrayMenu), this, &RunningWindow::OpenFromTray);
    open->setObjectName(QStringLiteral("mnuOpen"));
    QAction* about = trayMenu_->addAction(Tx(txt::AboutMenu), this, &RunningWindow::ShowAbout);
    about->setObjectName(QStringLiteral("mnuAbout"));
    trayMenu_->setDefaultAction(about);
    trayMenu_->addSeparator();
    traySuspend_ =
        trayMenu_->addAction(Tx(suspended_ ? 5001 : 3005), this, &RunningWindow::ToggleSuspend);
    traySuspend_->setObjectName(QStringLiteral("traySuspend"));
    trayMenu_->addAction(Tx(txt::ResetMenu), this, &RunningWindow::ResetRun)
        ->setObjectName(QStringLiteral("trayReset"));
    trayMenu_->addAction(Tx(txt::QuitRunMenu), this, &RunningWindow::QuitRun)
        ->setObjectName(QStringLiteral("trayQuit"));
    tray_->setContextMenu(trayMenu_);
    ShowTrayState();
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::DoubleClick) ShowAbout();
        if (r != QSystemTrayIcon::Trigger) return;
        // A left click shows or hides the window.
        if (isVisible() && !isMinimized())
            hide();
        else
            OpenFromTray();
    });
    tray_->show();
}

void RunningWindow::StartUp() {
    int left = 1000, top = 1000;
    if (runtime_) runtime_->LoadWindowPosition(left, top);
    // The stored point is the client area's: frames differ between window
    // managers and are unknown before the first showing.
    QList<QRect> screens;
    for (QScreen* screen : QGuiApplication::screens())
        screens.push_back(screen->availableGeometry());
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    setGeometry(
        PlaceOnScreen(QRect(QPoint(Px(left), Px(top)), size()), QMargins(4, title, 4, 4), screens));
    BuildTray();
    if (IsSet(config_.WindowOnTop)) setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (IsSet(config_.MinimizeOnActivation))
        showMinimized();
    else
        show();
    if (fields_[1]) fields_[1]->setFocus();
}

// --- RecordDisplay ---------------------------------------------------------

ReadOnlyBox* RunningWindow::FieldBox(int n) const {
    return n >= 1 && n < kFieldSlots ? fields_[n] : nullptr;
}

PointerButton* RunningWindow::StringButton(int n) const {
    return n >= 1 && n <= kOutputStrings ? stringButtons_[n] : nullptr;
}

void RunningWindow::ShowField(int i, const std::string& text) {
    if (ReadOnlyBox* b = FieldBox(i)) b->setText(FromBytes(MaskNuls(text)));
}

void RunningWindow::ShowRecordNumber(const std::string& text) {
    if (recordNumber_) recordNumber_->setText(FromBytes(text));
    RefreshStatus();
}

void RunningWindow::ShowDateTime(const std::string& text) {
    if (dateTime_) dateTime_->setText(FromBytes(text));
}

// --- RuntimeHost -----------------------------------------------------------

void RunningWindow::SetCaption(const std::string& caption) {
    caption_ = caption;
    ShowCaption();
}

void RunningWindow::ShowCaption() {
    QString title = QString::fromUtf8(caption_);
    if (deviceLost_) title += QStringLiteral(" (") + Tx(txt::DeviceLostState) + ")";
    setWindowTitle(title);
    ShowTrayState();
}

void RunningWindow::ShowTrayState() {
    if (!tray_) return;
    tray_->setIcon(deviceLost_  ? LostIcon(windowIcon())
                   : suspended_ ? PausedIcon(windowIcon())
                                : windowIcon());
    tray_->setToolTip(windowTitle().left(63) +
                      (deviceLost_ ? "\n" + QString::fromUtf8(deviceMessage_) : QString()));
}

void RunningWindow::SuspendChanged(bool suspended) {
    suspendMenu_->setText(Tx(suspended ? 5001 : 3005));
    resume1_->setVisible(suspended);
    suspended_ = suspended;
    if (traySuspend_) traySuspend_->setText(Tx(suspended ? 5001 : 3005));
    ShowTrayState();
    RefreshStatus();
}

void RunningWindow::SetDeviceLost(bool lost, const std::string& message) {
    deviceLost_ = lost;
    deviceMessage_ = message;
    ShowCaption();
    RefreshStatus();
    if (tray_ && tray_->isVisible() && QSystemTrayIcon::supportsMessages())
        tray_->showMessage(windowTitle(), QString::fromUtf8(message),
                           lost ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

void RunningWindow::SetStatusDevice(const std::string& device) {
    statusDevice_ = device;
    RefreshStatus();
}

void RunningWindow::RefreshStatus() {
    if (!status_) return;
    const QString count = recordNumber_ ? recordNumber_->text() : QString();
    const QString device = QString::fromUtf8(statusDevice_);
    // While the device is away, what is being done about it is the one thing worth the width.
    auto* line = static_cast<ElidedLabel*>(status_);
    if (deviceLost_) {
        const QString lost = Tx(txt::DeviceLostStatus);
        const auto at = lost.indexOf(QStringLiteral("%1"));
        if (at < 0)
            line->SetText(lost, {}, {});
        else
            line->SetText(lost.left(at), device, lost.mid(at + 2));
    } else {
        line->SetText({}, device,
                      QStringLiteral("  ·  ") + (count.isEmpty() ? QStringLiteral("0") : count) +
                          " " + Tx(txt::RecordsWord) + QStringLiteral("  ·  ") +
                          QString::fromUtf8(ui::Destination(config_)));
    }
    status_->setToolTip(status_->text()); // the line may be cut at the window's width
    QString state = Tx(suspended_ ? 9320 : 9321);
    if (deviceLost_) state = Tx(txt::DeviceLostState) + QStringLiteral(" · ") + state;
    if (config_.RunMode == RunTest) state += QStringLiteral(" · ") + Tx(txt::TestModeState);
    if (config_.RunMode == RunVirtual)
        state += QStringLiteral(" · ") + Tx(txt::VirtualInstrumentState);
    state_->setText(state);
    // Suspended must be seen at a glance, not only read in the caption.
    state_->setStyleSheet(
        deviceLost_  ? QStringLiteral("QLabel{background:#ef6c00;color:white;"
                                       "font-weight:bold;padding:0 6px}")
        : suspended_ ? QStringLiteral("QLabel{background:#c62828;color:white;"
                                      "font-weight:bold;padding:0 6px}")
        : config_.RunMode == RunTest
            ? QStringLiteral("QLabel{background:#f9a825;color:black;padding:0 6px}")
            : QStringLiteral("QLabel{padding:0 6px}"));
}

void RunningWindow::TimedOutputMenu(const TimedOutputMenuState& menu) {
    tOutCtrl_->setVisible(menu.Visible);
    tOutCtrl_->setEnabled(menu.Enabled);
    tOutCtrl_->setText(Tx(menu.On ? 3007 : 3008));
}

void RunningWindow::Exit() {
    // Called from inside the tick: close once the runtime has returned.
    QMetaObject::invokeMethod(this, &RunningWindow::QuitRun, Qt::QueuedConnection);
}

// The session routes the link requests to its DDE server.
void RunningWindow::EstablishCommandLink() {}

void RunningWindow::EstablishBufferLink() {}

void RunningWindow::RegisterHotKeys() {}

void RunningWindow::MessageBeep(int) {
    QApplication::beep();
}

// --- CommandWindow ---------------------------------------------------------

void RunningWindow::ShowNormal() {
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (minimized_) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void RunningWindow::Minimize() {
    showMinimized();
}

void RunningWindow::BeforeReload() {
    for (int n = 2; n <= kOutputStrings; ++n)
        if (stringButtons_[n]) stringButtons_[n]->hide();
    for (int n = 2; n < kFieldSlots; ++n) {
        if (fields_[n]) fields_[n]->hide();
        if (fieldLabels_[n]) fieldLabels_[n]->hide();
    }
    if (stringButtons_[1]) stringButtons_[1]->hide();
}

void RunningWindow::AfterReload() {
    ClearControls();
    BuildControls();
    if (fields_[1] && isVisible()) fields_[1]->setFocus();
}

// --- Commands --------------------------------------------------------------

void RunningWindow::ToggleSuspend() {
    if (runtime_) runtime_->ToggleSuspend();
}

void RunningWindow::ResumeForOneRecord() {
    if (runtime_) runtime_->ResumeForOneRecord();
}

void RunningWindow::ResetRun() {
    if (runtime_) runtime_->Reset();
}

void RunningWindow::ToggleTimedOutput() {
    if (runtime_) runtime_->ToggleTimedOutput();
}

void RunningWindow::QuitRun() {
    close();
}

void RunningWindow::ShowAbout() {
    if (!aboutBox_) {
        aboutBox_ = new ui::AboutDialog(nullptr);
        aboutBox_->setAttribute(Qt::WA_DeleteOnClose);
    }
    aboutBox_->show();
    aboutBox_->raise();
    aboutBox_->activateWindow();
}

void RunningWindow::OpenFromTray() {
    if (minimized_ || isMinimized() || !isVisible()) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
        showNormal();
    }
    raise();
    activateWindow();
}

void RunningWindow::BoxFocused(ReadOnlyBox* box) {
    copySource_ = box;
    if (box == recordNumber_) return;
    box->selectAll();
    editCopy_->setEnabled(true);
}

void RunningWindow::ButtonFocused() {
    editCopy_->setEnabled(false);
}

void RunningWindow::PopupCopy(ReadOnlyBox* box, const QPoint& globalPos) {
    if (box == recordNumber_ || box == dateTime_) return;
    box->setFocus(Qt::MouseFocusReason);
    copySource_ = box;
    popEdit_->popup(globalPos);
}

void RunningWindow::EditCopy() {
    ReadOnlyBox* box = qobject_cast<ReadOnlyBox*>(QApplication::focusWidget());
    if (!box || box->window() != this) box = copySource_;
    if (!box) return;
    std::string item = ui::ToBytes(box->Item());
    if (commands_) {
        commands_->CopyLink(item);
        return;
    }
    std::string topic = runtime_ ? runtime_->DdeTopic() : std::string("SYSTEM");
    QtDdeClipboard().SetLink(LinkText(kDdeServiceName, topic, item), ui::ToBytes(box->text()));
}

void RunningWindow::RefreshEditMenu() {
    EditMenuState s;
    if (commands_) s = commands_->EditMenu();
    ddePaste_->setEnabled(s.PasteCommand);
    ddeRefresh_->setEnabled(s.RefreshCommand);
    ddeKill_->setEnabled(s.TerminateCommand);
    ddePasteBuffer_->setEnabled(s.PasteBuffer);
    ddeRefreshBuffer_->setEnabled(s.RefreshBuffer);
    ddeKillBuffer_->setEnabled(s.TerminateBuffer);
}

// --- Window state and unload -----------------------------------------------

void RunningWindow::SetOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (visible) show();
}

void RunningWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || unloaded_) return;
    if (windowState() & Qt::WindowMinimized) {
        if (minimized_) return;
        minimized_ = true;
        if (IsSet(config_.WindowOnTop)) SetOnTop(false);
        // Minimised, only the notification-area icon remains.
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QTimer::singleShot(0, this, [this] {
                if (minimized_) hide();
            });
    } else if (minimized_) {
        minimized_ = false;
        if (IsSet(config_.WindowOnTop)) SetOnTop(true);
    }
}

void RunningWindow::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

void RunningWindow::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (runtime_ && !minimized_ && !isMinimized()) {
        QPoint p = geometry().topLeft();
        runtime_->StoreWindowPosition(Twips(p.x()), Twips(p.y()));
    }
    if (tray_) tray_->hide();
    if (OnUnload) OnUnload();
    if (config_.RunMode == RunNormal && aboutBox_) aboutBox_->close();
    emit unloaded();
}

} // namespace pv
