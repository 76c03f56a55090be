#include "ui/char_chart_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "strings/char_chart.h"
#include "strings/raw_field.h"
#include "text/translation_display.h"
#include "ui/resource_texts_qt.h"
#include "ui/ui_texts.h"

namespace pv::ui {

AsciiChartDialog::AsciiChartDialog(QWidget* parent)
    : DialogBase(parent, "AsciiChart", 1301), list_(new QTreeWidget), search_(new QLineEdit) {
    list_->setObjectName("AsciiMenu");
    list_->setColumnCount(3);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setProperty("headerTags", QStringList{"1302", "1303", "1304"});
    for (int code = 0; code < 256; ++code) {
        const std::string ch(1, static_cast<char>(code));
        auto* item =
            new QTreeWidgetItem(list_, {QString::number(code), QString::fromUtf8(GlyphForm(ch)),
                                        FromBytes(ControlCodeName(code)).trimmed()});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    }
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Ok(); });

    search_->setObjectName("Search");
    auto* searchLabel = new QLabel(Ui(UiText::FindLabel));
    searchLabel->setBuddy(search_);
    connect(search_, &QLineEdit::textChanged, this, &AsciiChartDialog::Find);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);

    Add(searchRow);
    Add(list_, 1);
    AddOkCancel({"AsciiOkButton", 1305}, {"AsciiCancelButton", 1306}, [this] { Ok(); });
    Finish(300);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    list_->setFont(fixed);
    list_->header()->setFont(font());
    list_->setMinimumHeight(360);
    SetNamedEntries({});
}

void AsciiChartDialog::SetNamedEntries(const std::vector<std::string>& names) {
    for (; named_ > 0; --named_)
        delete list_->takeTopLevelItem(0);
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        auto* item = new QTreeWidgetItem({FromBytes(*it)});
        list_->insertTopLevelItem(0, item);
        item->setFirstColumnSpanned(true);
        ++named_;
    }
    list_->setCurrentItem(list_->topLevelItem(0));
    list_->scrollToTop();
    search_->clear();
    picked_.clear();
    for (int c = 0; c < 3; ++c)
        list_->resizeColumnToContents(c);
}

void AsciiChartDialog::Find(const QString& text) {
    const int code = FindCharCode(ToBytes(text));
    if (code < 0) return;
    QTreeWidgetItem* item = list_->topLevelItem(named_ + code);
    list_->setCurrentItem(item);
    list_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void AsciiChartDialog::reject() {
    picked_.clear();
    DialogBase::reject();
}

void AsciiChartDialog::Ok() {
    const int row = list_->indexOfTopLevelItem(list_->currentItem());
    if (row < 0) return;
    if (row < named_)
        picked_ = ToBytes(list_->topLevelItem(row)->text(0));
    else
        picked_ = std::string(1, static_cast<char>(row - named_));
    accept();
}

} // namespace pv::ui
