#pragma once
// AsciiChart, the character picker: the 256 codes, below any named entries
// a caller puts at the top; a search box jumps to a code, a control name or
// a character.
#include <string>
#include <vector>

#include "ui/dialog_base.h"

class QLineEdit;
class QTreeWidget;

namespace pv::ui {

class AsciiChartDialog : public DialogBase {
    Q_OBJECT
  public:
    explicit AsciiChartDialog(QWidget* parent = nullptr);

    /// Entries above the codes until the next call; the first row is selected.
    void SetNamedEntries(const std::vector<std::string>& names);
    /// OK and a double click: the selected entry's text or one character.
    void Ok();
    /// "" after Cancel.
    const std::string& Picked() const { return picked_; }
    void reject() override;

    QTreeWidget* List() const { return list_; }
    QLineEdit* Search() const { return search_; }

  private:
    void Find(const QString& text);

    QTreeWidget* list_;
    QLineEdit* search_;
    int named_ = 0;
    std::string picked_;
};

} // namespace pv::ui
