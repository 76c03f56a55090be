#pragma once
// Texts of the setup side that have no number in the text table (file
// dialog titles and filters, a few labels of this platform), in the three
// languages of the table. The English texts are the reference.
#include <QString>

namespace pv::ui {

enum class UiText {
    QuickStartGuide, // Help menu item
    ProgramTitle,    // title of the save prompt
    OpenConfigTitle, // open dialog
    SaveConfigTitle, // save dialog
    ConfigFilter,    // filters of both
    LogTitle,        // Log to disk file dialog
    LogFilter,
    ProgramFilter, // Browse for a program
    DelayLabel,    // keystroke delay box
    DelayHelp1,
    DelayHelp2,
    DelayHelp3,
    DeviceLabel, // device node of a COM entry
    AboutTitle,
    AboutVersion, // followed by the version number
    AboutLicence,
    AboutPurpose,
    HelpMissing, // help file not found, followed by the path
    FindLabel,   // search box of the character chart
    AltBox,      // modifier boxes of the key pickers
    CtrlBox,
    ShiftBox,
};

/// The text in the current language.
QString Ui(UiText id);

} // namespace pv::ui
