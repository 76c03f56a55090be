// The record structure walk as the user drives it from the Define menu:
// Cancel at each step and the editor's widgets.
#include "ui/setup_test_support.h"
#include <map>

namespace pv::test {
namespace {

using Step = std::function<void(QDialog*)>;

// Runs the walk from the menu; each dialog does its step or is cancelled.
struct Walk : SetupFixture {
    std::map<QString, Step> steps;
    std::vector<QString> seen;
    Walk() {
        window->SetDialogRunner([this](QDialog* d) {
            seen.push_back(d->objectName());
            auto it = steps.find(d->objectName());
            if (it == steps.end()) return int(QDialog::Rejected);
            it->second(d);
            return d->result();
        });
    }
    void Run() { window->Action("DefineRecords")->trigger(); }
};

template <typename D> Step Do(std::function<void(D*)> f) {
    return [f](QDialog* d) { f(static_cast<D*>(d)); };
}
Step Events(int start, int end) {
    return Do<ui::RecTypeDialog>([=](ui::RecTypeDialog* d) {
        d->Start(start)->setChecked(true);
        d->End(end)->setChecked(true);
        d->Ok();
    });
}
Step Structure(int s) {
    return Do<ui::RecStructureDialog>([=](ui::RecStructureDialog* d) {
        d->Option(s)->setChecked(true);
        d->Ok();
    });
}
Step Delimited(const char* n, int row) {
    return Do<ui::DelimDialog>([=](ui::DelimDialog* d) {
        d->Count()->setText(n);
        d->Delimiters()->setCurrentRow(row);
        d->Ok();
    });
}

TEST(RecordWalkDialogs, CancelAtEachStepKeepsWhatEarlierStepsStored) {
    struct Row {
        const char* rule;
        std::map<QString, Step> steps;
        std::vector<QString> seen;
        const char* kept; // start end structure count delimiter postamble-1
    };
    const Step cancelEditor = Do<ui::FieldEditorDialog>([](ui::FieldEditorDialog* d) {
        d->Postamble()->setText("x");
        d->reject();
    });
    // clang-format off
    const Row rows[] = {
        {"CancelRecTypeStoresNothing", {}, {"RecType"}, "0 0 0 1 , "},
        {"CancelTimedKeepsTimeDelayEnd", {{"RecType", Events(1, 1)}}, {"RecType", "Timed"}, "1 1 0 1 , "},
        {"CancelStructureKeepsStartEvent", {{"RecType", Events(2, 0)}}, {"RecType", "RecStructure"}, "2 0 0 1 , "},
        {"CancelDelimKeepsStructure", {{"RecType", Events(0, 0)}, {"RecStructure", Structure(1)}},
         {"RecType", "RecStructure", "Delim"}, "0 0 1 1 , "},
        {"CancelEditorKeepsDelimiter", {{"RecType", Events(0, 0)}, {"RecStructure", Structure(1)},
         {"Delim", Delimited("3", 59)}, {"RecDefs", cancelEditor}},
         {"RecType", "RecStructure", "Delim", "RecDefs"}, "0 0 1 3 ; "},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Walk w;
        w.steps = r.steps;
        w.Run();
        EXPECT_EQ(w.seen, r.seen);
        const Config& c = w.config;
        EXPECT_EQ(std::to_string(c.StartOfRecordEvent) + ' ' + std::to_string(c.EndOfRecordEvent) +
                      ' ' + std::to_string(c.RecordStructure) + ' ' + std::to_string(c.FieldCount) +
                      ' ' + c.FieldDelimiter + ' ' + c.FieldPostamble[1],
                  r.kept);
    }
}

TEST(RecordWalkDialogs, FixedLengthFieldsThroughTheEditorsWidgets) {
    Walk w;
    w.config.OutputMode = LogToDisk;
    w.steps["RecType"] = Events(0, 2);
    w.steps["Fixed"] = Do<ui::FixedDialog>([](ui::FixedDialog* d) {
        d->Length()->setText("13");
        d->Ok();
    });
    w.steps["AsciiChart"] = Do<ui::AsciiChartDialog>([](ui::AsciiChartDialog* d) {
        d->List()->setCurrentItem(d->List()->topLevelItem(9));
        d->Ok();
    });
    w.steps["RecDefs"] = Do<ui::FieldEditorDialog>([](ui::FieldEditorDialog* d) {
        d->Length()->setText("3");
        d->NextButton()->click();
        EXPECT_EQ(d->FieldName()->text(), "2");
        d->Length()->setText("9");
        d->Filter()->setCurrentIndex(2);
        d->Format()->setCurrentIndex(1);
        QFocusEvent in(QEvent::FocusIn);
        QApplication::sendEvent(d->Postamble(), &in);
        d->AsciiButton()->click();
        d->NextButton()->click();
        d->Length()->setText("1");
        EXPECT_EQ(d->BytesDefined()->text(), "13");
        EXPECT_FALSE(d->NextButton()->isEnabled());
        d->Ok();
    });
    w.Run();
    EXPECT_EQ(w.config.FieldCount, 3);
    EXPECT_EQ(w.config.FieldFilter[2], "N");
    EXPECT_EQ(w.config.FieldFormat[2], ui::ToBytes(ui::Tx(9005)));
    EXPECT_EQ(w.config.FieldPostamble[2], "\t");
    EXPECT_TRUE(w.config.FieldPostamble[1].empty());
}

} // namespace
} // namespace pv::test
