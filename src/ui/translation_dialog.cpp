#include "ui/translation_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "strings/raw_field.h"
#include "text/translation_display.h"
#include "ui/char_chart_dialog.h"
#include "ui/key_pick_dialogs.h"
#include "ui/resource_texts_qt.h"

namespace pv::ui {

namespace {

struct LineColumns {
    std::string code, character, control;
};

// The fixed part of a list line: code, tab, then the character and the
// control name, or a name alone (NUL, TAB, SPACE) after four blanks.
LineColumns Split(const std::string& line) {
    auto trim = [](std::string s) {
        const size_t a = s.find_first_not_of(' ');
        const size_t b = s.find_last_not_of(' ');
        return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    };
    const size_t tab = line.find('\t');
    LineColumns c{trim(line.substr(0, tab)), {}, {}};
    if (tab == std::string::npos) return c;
    const size_t end = line.find('\t', tab + 1);
    const std::string middle = line.substr(tab + 1, end == std::string::npos ? end : end - tab - 1);
    if (middle.rfind("    ", 0) == 0) {
        c.control = trim(middle);
    } else if (!middle.empty()) {
        c.character = middle.substr(0, 1);
        c.control = trim(middle.substr(1));
    }
    return c;
}

} // namespace

TranslationDialog::TranslationDialog(Config& config, QWidget* parent)
    : DialogBase(parent, "TransTbl", 0), config_(config), list_(new QTreeWidget),
      runner_([](QDialog* d) { return d->exec(); }) {
    auto* label = Tag(new QLabel("2901"), 2901);
    label->setBuddy(list_);
    list_->setObjectName("TransTable");
    list_->setColumnCount(4);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setProperty("headerTags", QStringList{"2902", "2903", "2904", "2905"});
    for (int code = 0; code < 256; ++code)
        new QTreeWidgetItem(list_);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Translate(); });

    Add(label);
    Add(list_, 1);
    QDialogButtonBox* buttons = AddOkCancel({"Command2", 2907}, {nullptr, 0}, [this] { accept(); });
    auto* translate = Tag(buttons->addButton("2906", QDialogButtonBox::ActionRole), 2906);
    translate->setObjectName("Command1");
    connect(translate, &QPushButton::clicked, this, &TranslationDialog::Translate);
    auto* reset = Tag(buttons->addButton("2908", QDialogButtonBox::ResetRole), 2908);
    reset->setObjectName("Command3");
    connect(reset, &QPushButton::clicked, this, &TranslationDialog::ResetAll);
    Finish(520);
    list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    list_->header()->setFont(font());
    list_->setMinimumHeight(380);
}

AsciiChartDialog* TranslationDialog::Chart() {
    if (!chart_) chart_ = new AsciiChartDialog(this);
    return chart_;
}

GetAKeyDialog* TranslationDialog::KeyPicker() {
    if (!keyPicker_) keyPicker_ = new GetAKeyDialog(this);
    return keyPicker_;
}

void TranslationDialog::ShowLine(int code) {
    std::string& fixed = config_.TranslationDisplay[static_cast<size_t>(code)];
    // The lines are erased when Normal mode starts; a later dialog builds them again.
    if (fixed.empty()) BuildTranslationDisplay(config_.TranslationDisplay);
    const LineColumns c = Split(fixed);
    QTreeWidgetItem* item = list_->topLevelItem(code);
    item->setText(0, FromBytes(c.code));
    item->setText(1, QString::fromUtf8(GlyphForm(c.character)));
    item->setText(2, FromBytes(c.control));
    item->setText(
        3, QString::fromUtf8(GlyphForm(TranslationListText(TranslationOf(config_, kind_, code)))));
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
}

void TranslationDialog::Fill(TranslationKind kind, const QString& caption) {
    kind_ = kind;
    setWindowTitle(caption);
    for (int code = 0; code < 256; ++code)
        ShowLine(code);
    for (int column = 0; column < 3; ++column)
        list_->resizeColumnToContents(column);
    list_->setCurrentItem(list_->topLevelItem(0));
    list_->scrollToTop();
}

void TranslationDialog::Translate() {
    const int code = list_->indexOfTopLevelItem(list_->currentItem());
    if (code < 0) return;
    std::string picked;
    if (kind_ == TranslationKind::Keystrokes) {
        runner_(KeyPicker());
        picked = KeyPicker()->Picked();
    } else {
        Chart()->SetNamedEntries(kind_ == TranslationKind::PreInput
                                     ? std::vector<std::string>{" Ignore", " Void Record"}
                                     : std::vector<std::string>{});
        runner_(Chart());
        picked = Chart()->Picked();
        Chart()->SetNamedEntries({});
    }
    if (SetTranslation(config_, kind_, code, picked)) config_.ConfigChanged = True;
    ShowLine(code);
}

void TranslationDialog::ResetAll() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    ResetTranslations(config_, kind_);
    config_.ConfigChanged = True;
    for (int code = 0; code < 256; ++code)
        ShowLine(code);
    QApplication::restoreOverrideCursor();
}

} // namespace pv::ui
