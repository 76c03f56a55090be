#include "ui/app_select_dialog.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <limits>

#include "expr/leading_number.h"
#include "ui/digit_filter.h"
#include "ui/resource_texts_qt.h"
#include "ui/ui_texts.h"

namespace pv::ui {

namespace {

QString Trimmed(const QString& text) {
    // Only blanks are trimmed: tabs and other bytes belong to the title.
    qsizetype first = 0, last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString ChooseProgram(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(Ui(UiText::ProgramFilter).split(QStringLiteral(";;")));
    dialog.setDirectory(QStringLiteral("/usr/bin"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

int32_t DelayValue(const QString& text) {
    const double v = std::nearbyint(LeadingNumber(ToBytes(text)));
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < 0) return 0;
    return static_cast<int32_t>(v);
}

} // namespace

AppSelectDialog::AppSelectDialog(Config& config, MessageSink& messages, QWidget* parent)
    : DialogBase(parent, "AppSelect", 1201), config_(config), messages_(messages),
      chooser_(ChooseProgram) {

    auto* intro = Tag(new QLabel("1205"), 1205);
    intro->setWordWrap(true);
    auto* intro2 = Tag(new QLabel("1206"), 1206);
    intro2->setWordWrap(true);

    auto* group = Tag(new QGroupBox("1201"), 1201);
    group->setObjectName("Frame1");
    appName_ = new QLineEdit;
    appName_->setObjectName("AppName");
    appName_->installEventFilter(this);
    appCmd_ = new QLineEdit;
    appCmd_->setObjectName("AppCmd");
    auto* browse = Tag(new QPushButton("Browse..."), 1204);
    browse->setObjectName("Command1");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &AppSelectDialog::Browse);
    auto* nameLabel = Tag(new QLabel("1202"), 1202);
    auto* cmdLabel = Tag(new QLabel("1203"), 1203);
    nameLabel->setBuddy(appName_);
    cmdLabel->setBuddy(appCmd_);
    auto* grid = new QGridLayout(group);
    grid->addWidget(nameLabel, 0, 0, 1, 2);
    grid->addWidget(appName_, 1, 0, 1, 2);
    grid->addWidget(cmdLabel, 2, 0, 1, 2);
    grid->addWidget(appCmd_, 3, 0);
    grid->addWidget(browse, 3, 1);

    delay_ = new QLineEdit;
    delay_->setObjectName("InterCharDelay");
    delay_->setMaxLength(9);
    delay_->setMaximumWidth(90);
    new DigitFilter(delay_, [this] { messages_.Beep(); });
    auto* delayLabel = new QLabel(Ui(UiText::DelayLabel));
    delayLabel->setBuddy(delay_);
    auto* help = new QLabel(Ui(UiText::DelayHelp1) + "\n" + Ui(UiText::DelayHelp2) + "\n" +
                            Ui(UiText::DelayHelp3));
    help->setObjectName("Label6");
    help->setWordWrap(true);
    auto* delayRow = new QHBoxLayout;
    delayRow->addWidget(delayLabel);
    delayRow->addWidget(delay_);
    delayRow->addStretch(1);

    Add(intro);
    Add(intro2);
    Add(group);
    Add(delayRow);
    Add(help);
    AddOkCancel({"OkButton", 1207}, {"CancelButton", 1208}, [this] { Ok(); });
    Finish(480);
}

void AppSelectDialog::Fill() {
    appName_->setText(FromBytes(config_.KeyTargetTitle));
    appCmd_->setText(FromBytes(config_.KeyTargetCommand));
    delay_->setText(QString::number(config_.InterCharDelay));
}

bool AppSelectDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == appName_ && event->type() == QEvent::FocusOut)
        appName_->setText(Trimmed(appName_->text()));
    return false;
}

void AppSelectDialog::Browse() {
    const QString path = chooser_ ? chooser_(this) : QString();
    if (path.isEmpty()) return;
    // The command line is split as a shell would: a path with blanks is quoted.
    appCmd_->setText(path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"')
                                                     : path);
}

void AppSelectDialog::Ok() {
    const std::string title = ToBytes(Trimmed(appName_->text()));
    const std::string command = ToBytes(Trimmed(appCmd_->text()));
    const int32_t delay = DelayValue(delay_->text());
    if (delay != config_.InterCharDelay || command != config_.KeyTargetCommand ||
        title != config_.KeyTargetTitle) {
        config_.ConfigChanged = True;
        config_.KeyTargetTitle = title;
        config_.KeyTargetCommand = command;
        config_.InterCharDelay = delay;
        config_.KeyTargetSpecified = (!title.empty() || !command.empty()) ? True : False;
    }
    accept();
}

} // namespace pv::ui
