#include "ui/key_pick_dialogs.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>

#include "strings/key_picks.h"
#include "ui/resource_texts_qt.h"
#include "ui/ui_texts.h"

namespace pv::ui {

KeyPickDialog::KeyPickDialog(QWidget* parent, const char* name, int title, int ok, int cancel,
                             const QStringList& keys, bool shiftFirst)
    : DialogBase(parent, name, title), list_(new QListWidget), shift_(new QCheckBox),
      ctrl_(new QCheckBox), alt_(new QCheckBox) {
    list_->setObjectName("KeyList");
    list_->addItems(keys);
    list_->setCurrentRow(0);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Ok(); });
    shift_->setObjectName("Shift");
    ctrl_->setObjectName("Ctrl");
    alt_->setObjectName("Alt");
    shift_->setText(Ui(UiText::ShiftBox));
    ctrl_->setText(Ui(UiText::CtrlBox));
    alt_->setText(Ui(UiText::AltBox));
    auto* boxes = new QVBoxLayout;
    for (QCheckBox* box :
         shiftFirst ? std::array{shift_, ctrl_, alt_} : std::array{alt_, ctrl_, shift_})
        boxes->addWidget(box);
    boxes->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list_, 1);
    row->addLayout(boxes);
    Add(row, 1);
    AddOkCancel({"OKButton", ok}, {"CancelButton", cancel}, [this] { Ok(); });
    Finish(320);
    // After Finish, which gives every control the interface font.
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->setMinimumHeight(260);
}

void KeyPickDialog::ClearBoxes() {
    for (QCheckBox* box : {shift_, ctrl_, alt_})
        box->setChecked(false);
}

void KeyPickDialog::Ok() {
    const int row = list_->currentRow();
    if (row < 0) return;
    const int modifiers =
        (shift_->isChecked() ? 1 : 0) | (ctrl_->isChecked() ? 2 : 0) | (alt_->isChecked() ? 4 : 0);
    Pick(row, modifiers);
    ClearBoxes();
    accept();
}

void KeyPickDialog::reject() {
    picked_.clear();
    ClearBoxes();
    DialogBase::reject();
}

namespace {

QStringList Rows(const std::vector<std::string>& names) {
    QStringList rows;
    for (const std::string& n : names)
        rows << FromBytes(n);
    return rows;
}

} // namespace

GetAKeyDialog::GetAKeyDialog(QWidget* parent)
    : KeyPickDialog(parent, "GetAKey", 1801, 1802, 1803, Rows(KeystrokeList()), false),
      names_(KeystrokeList()) {}

void GetAKeyDialog::Pick(int row, int modifiers) {
    picked_ = KeystrokeMacro(names_[static_cast<size_t>(row)], modifiers);
}

namespace {

std::vector<std::string> HotKeyRows() {
    std::array<std::string, kKeyTableSize> names;
    std::array<int16_t, kKeyTableSize> codes{};
    BuildKeyNameTable(names, codes);
    std::vector<std::string> rows;
    for (int i = 0; i < kKeyListLength; ++i)
        rows.push_back(names[static_cast<size_t>(codes[static_cast<size_t>(i)])]);
    return rows;
}

} // namespace

GetAKey2Dialog::GetAKey2Dialog(QWidget* parent)
    : KeyPickDialog(parent, "GetAKey2", 1901, 1902, 1903, Rows(HotKeyRows()), true) {
    BuildKeyNameTable(names_, codes_);
}

void GetAKey2Dialog::Pick(int row, int modifiers) {
    const int16_t key = codes_[static_cast<size_t>(row)];
    picked_ = HotKeyText(modifiers, names_[static_cast<size_t>(key)]);
    code_ = HotKeyCode(modifiers, key);
}

} // namespace pv::ui
