#include "ui/about_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/resource_texts_qt.h"
#include "ui/ui_texts.h"

#ifndef PORTIVOX_VERSION
#define PORTIVOX_VERSION "0.0.0"
#endif

namespace pv::ui {

QString ProgramVersion() {
    return QStringLiteral(PORTIVOX_VERSION);
}

AboutDialog::AboutDialog(QWidget* parent) : DialogBase(parent, "frmAbout", 0) {
    setWindowTitle(Ui(UiText::AboutTitle));

    auto* icon = new QLabel;
    icon->setPixmap(QApplication::windowIcon().isNull()
                        ? style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48)
                        : QApplication::windowIcon().pixmap(48, 48));
    auto* name = new QLabel(QStringLiteral("<b style='font-size:14pt'>Portivox</b>"));
    name->setObjectName("ProductName");
    auto* version = new QLabel(Ui(UiText::AboutVersion) + QLatin1Char(' ') + ProgramVersion());
    version->setObjectName("Version");
    auto* purpose = new QLabel(Ui(UiText::AboutPurpose));
    purpose->setWordWrap(true);
    auto* licence = new QLabel(Ui(UiText::AboutLicence));
    licence->setObjectName("Licence");
    licence->setWordWrap(true);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(6);
    text->addWidget(purpose);
    text->addWidget(licence);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    Add(top);
    AddOkCancel({"OKButton", 1507}, {nullptr, 0});
    Finish(400);
}

} // namespace pv::ui
