#include "ui/hot_key_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

#include "hotkeys/hot_keys.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/char_chart_dialog.h"
#include "ui/key_pick_dialogs.h"
#include "ui/raw_text_edit.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

int VirtualKeyOf(int qtKey, bool keypad) {
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 96 + (qtKey - Qt::Key_0);
        switch (qtKey) {
        case Qt::Key_Asterisk: return 106;
        case Qt::Key_Plus: return 107;
        case Qt::Key_Minus: return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma: return 110;
        case Qt::Key_Slash: return 111;
        default: break;
        }
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F16) return 112 + (qtKey - Qt::Key_F1);
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;
    // Keys by what they type unshifted on a US layout, shifted symbols included.
    static const struct {
        int Qt, Vk;
    } kKeys[] = {
        {Qt::Key_Space, 32},       {Qt::Key_Return, 13},       {Qt::Key_Enter, 13},
        {Qt::Key_Backspace, 8},    {Qt::Key_Tab, 9},           {Qt::Key_Backtab, 9},
        {Qt::Key_Insert, 45},      {Qt::Key_Delete, 46},       {Qt::Key_Up, 38},
        {Qt::Key_Down, 40},        {Qt::Key_Right, 39},        {Qt::Key_Left, 37},
        {Qt::Key_Home, 36},        {Qt::Key_End, 35},          {Qt::Key_PageDown, 34},
        {Qt::Key_PageUp, 33},      {Qt::Key_Escape, 27},       {Qt::Key_Pause, 19},
        {Qt::Key_Clear, 12},       {Qt::Key_CapsLock, 20},     {Qt::Key_NumLock, 144},
        {Qt::Key_ScrollLock, 145}, {Qt::Key_Print, 42},        {Qt::Key_Semicolon, 186},
        {Qt::Key_Colon, 186},      {Qt::Key_Equal, 187},       {Qt::Key_Plus, 187},
        {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},        {Qt::Key_Minus, 189},
        {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},      {Qt::Key_Greater, 190},
        {Qt::Key_Slash, 191},      {Qt::Key_Question, 191},    {Qt::Key_QuoteLeft, 192},
        {Qt::Key_AsciiTilde, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},
        {Qt::Key_Backslash, 220},  {Qt::Key_Bar, 220},         {Qt::Key_BracketRight, 221},
        {Qt::Key_BraceRight, 221}, {Qt::Key_Apostrophe, 222},  {Qt::Key_QuoteDbl, 222},
        {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},          {Qt::Key_NumberSign, '3'},
        {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},     {Qt::Key_AsciiCircum, '6'},
        {Qt::Key_Ampersand, '7'},  {Qt::Key_Asterisk, '8'},    {Qt::Key_ParenLeft, '9'},
        {Qt::Key_ParenRight, '0'},
    };
    for (const auto& k : kKeys)
        if (k.Qt == qtKey) return k.Vk;
    return 0;
}

HotKeyDialog::HotKeyDialog(Config& config, QWidget* parent)
    : DialogBase(parent, "HotKeyFrm", 2001), config_(config),
      runner_([](QDialog* d) { return d->exec(); }) {
    entries_ = new QListWidget;
    entries_->setObjectName("HKNumList");
    actions_ = new QComboBox;
    actions_->setObjectName("HKActionList");
    for (int i = 0; i < kHotKeyActionCount; ++i)
        actions_->addItem(Tx(txt::HotKeyActionNone + i));
    key_ = new QLineEdit;
    key_->setObjectName("HKKey");
    key_->setReadOnly(true);
    key_->setContextMenuPolicy(Qt::NoContextMenu);
    key_->setAcceptDrops(false);
    text_ = new RawTextEdit;
    text_->setObjectName("Text1");
    keyList_ = Tag(new QPushButton("2008"), 2008);
    keyList_->setObjectName("KeyListButton");
    keyList_->setAutoDefault(false);
    keyList_->hide();

    auto label = [](int n, const char* name, QWidget* buddy) {
        auto* l = Tag(new QLabel(QString::number(n)), n);
        l->setObjectName(name);
        l->setBuddy(buddy);
        return l;
    };
    auto* grid = new QGridLayout;
    grid->addWidget(label(2002, "Label3", entries_), 0, 0);
    grid->addWidget(entries_, 1, 0, 6, 1);
    grid->addWidget(label(2003, "Label1", actions_), 1, 1);
    grid->addWidget(actions_, 2, 1, 1, 2);
    grid->addWidget(label(2004, "Label2", key_), 3, 1);
    grid->addWidget(key_, 4, 1);
    grid->addWidget(keyList_, 4, 2);
    textLabel_ = label(2005, "Label4", text_);
    grid->addWidget(textLabel_, 5, 1);
    grid->addWidget(text_, 6, 1, 1, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    Add(grid, 1);
    AddOkCancel({"OKButton", 2006}, {"CancelButton", 2007}, [this] { Ok(); });
    Finish(520);
    entries_->setIconSize(QSize(14, 14));
    entries_->setMinimumWidth(
        entries_->fontMetrics().horizontalAdvance(Tx(txt::HeldByAnotherProgram)) + 60);

    connect(entries_, &QListWidget::currentRowChanged, this, &HotKeyDialog::SelectEntry);
    connect(actions_, &QComboBox::activated, this, &HotKeyDialog::ActionChosen);
    connect(keyList_, &QPushButton::clicked, this, &HotKeyDialog::KeyListPressed);
    connect(text_, &RawTextEdit::rawEdited, this,
            [this] { string_[static_cast<size_t>(selected_)] = text_->Raw(); });
    for (QWidget* w : findChildren<QWidget*>())
        if (w != keyList_) w->installEventFilter(this);
}

GetAKey2Dialog* HotKeyDialog::KeyPicker() {
    if (!picker_) picker_ = new GetAKey2Dialog(this);
    return picker_;
}

AsciiChartDialog* HotKeyDialog::Chart() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    return chart_;
}

void HotKeyDialog::Fill() {
    code_ = config_.HotKeyCode;
    action_ = config_.HotKeyAction;
    string_ = config_.HotKeyString;
    const std::set<int16_t>& taken = TakenHotKeys();
    entries_->blockSignals(true);
    entries_->clear();
    for (int n = 0; n < kHotKeys; ++n) {
        auto* item = new QListWidgetItem(QString::number(n + 1), entries_);
        if (taken.count(code_[static_cast<size_t>(n)])) {
            item->setText(QStringLiteral("%1  (%2)").arg(n + 1).arg(Tx(txt::HeldByAnotherProgram)));
            item->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
            item->setToolTip(Tx(txt::HeldByAnotherProgram));
        }
    }
    entries_->blockSignals(false);
    entries_->setCurrentRow(0);
    SelectEntry(0);
    entries_->setFocus();
}

void HotKeyDialog::SelectEntry(int n) {
    if (n < 0 || n >= kHotKeys) return;
    selected_ = n;
    const auto i = static_cast<size_t>(n);
    actions_->setCurrentIndex(action_[i]);
    ActionChosen(action_[i] >= 0 && action_[i] < kHotKeyActionCount ? action_[i] : 0);
    text_->SetRaw(string_[i]);
    ShowKey();
}

void HotKeyDialog::ShowKey() {
    key_->setText(FromBytes(HotKeyCodeText(code_[static_cast<size_t>(selected_)])));
    key_->selectAll();
}

void HotKeyDialog::ActionChosen(int index) {
    action_[static_cast<size_t>(selected_)] = static_cast<int16_t>(index);
    text_->setVisible(index == HkTransmitString);
    textLabel_->setVisible(index == HkTransmitString);
    key_->setEnabled(index != HkNone);
    keyList_->hide();
}

void HotKeyDialog::SetButtonRole(int text) {
    buttonRole_ = text;
    keyList_->setText(Tx(text));
    keyList_->show();
}

bool HotKeyDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == key_) {
            SetButtonRole(2008);
            key_->selectAll();
        } else if (watched == text_) {
            SetButtonRole(2431);
        } else if (qobject_cast<QPushButton*>(watched) || watched == actions_) {
            keyList_->hide();
        }
    }
    if (watched != key_) return false;
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) return false;
        const int vk = VirtualKeyOf(k->key(), k->modifiers() & Qt::KeypadModifier);
        if (vk != 0) {
            const Qt::KeyboardModifiers m = k->modifiers();
            const int mods = (m & Qt::ShiftModifier ? kHotShift : 0) |
                             (m & Qt::ControlModifier ? kHotCtrl : 0) |
                             (m & Qt::AltModifier ? kHotAlt : 0);
            code_[static_cast<size_t>(selected_)] = static_cast<int16_t>(mods * 256 + vk);
            ShowKey();
        }
        return true; // the box only ever holds a key text
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Mnemonics and Escape are keys to capture here, not commands.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return false;
        event->accept();
        return true;
    }
    return event->type() == QEvent::KeyRelease || event->type() == QEvent::InputMethod;
}

void HotKeyDialog::KeyListPressed() {
    if (buttonRole_ == 2008) {
        runner_(KeyPicker());
        key_->setFocus();
        if (KeyPicker()->Picked().empty()) return;
        code_[static_cast<size_t>(selected_)] = KeyPicker()->PickedCode();
        key_->setText(FromBytes(KeyPicker()->Picked()));
        return;
    }
    runner_(Chart());
    text_->InsertPicked(Chart()->Picked());
}

void HotKeyDialog::Ok() {
    for (size_t n = 0; n < kHotKeys; ++n)
        if (code_[n] != config_.HotKeyCode[n] || string_[n] != config_.HotKeyString[n] ||
            action_[n] != config_.HotKeyAction[n])
            config_.ConfigChanged = True;
    config_.HotKeyCode = code_;
    config_.HotKeyAction = action_;
    config_.HotKeyString = string_;
    accept();
}

} // namespace pv::ui
