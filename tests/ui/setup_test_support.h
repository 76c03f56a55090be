#pragma once
// Every window and dialog the UI tests drive, and a setup window over an in-memory settings store,
// scripted message boxes, scripted file dialogs and dialogs that are recorded instead of run.
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "config/config_file.h"
#include "config/settings_store.h"
#include "ui/app_select_dialog.h"
#include "ui/char_chart_dialog.h"
#include "ui/clipboard_link.h"
#include "ui/dde_topic_dialog.h"
#include "ui/field_editor_dialog.h"
#include "ui/key_pick_dialogs.h"
#include "ui/mqtt_dialog.h"
#include "ui/port_setup_dialog.h"
#include "ui/port_test_window.h"
#include "ui/raw_text_edit.h"
#include "ui/record_walk.h"
#include "ui/record_walk_dialogs.h"
#include "ui/resource_texts_qt.h"
#include "ui/run_session.h"
#include "ui/running_test_support.h"
#include "ui/send_string_dialog.h"
#include "ui/setup_window.h"
#include "ui/timed_dialog.h"
#include "ui/translation_dialog.h"

namespace pv::test {

using testing::RecordingDriver;

/// Answers file dialogs from a script ("" = cancelled) and records the calls.
class ScriptedFileDialogs : public ui::FileDialogs {
  public:
    struct Call {
        QString title, filters;
    };
    QString Open(QWidget*, const QString& title, const QString& filters, const QString&,
                 bool) override {
        calls->push_back({title, filters});
        return Next();
    }
    QString Save(QWidget*, const QString& title, const QString& filters, const QString&,
                 const QString&) override {
        calls->push_back({title, filters});
        return Next();
    }
    std::shared_ptr<std::deque<QString>> answers = std::make_shared<std::deque<QString>>();
    std::shared_ptr<std::vector<Call>> calls = std::make_shared<std::vector<Call>>();

  private:
    QString Next() {
        if (answers->empty()) return {};
        QString a = answers->front();
        answers->pop_front();
        return a;
    }
};

// Tells the fixture whether the port is open after the session is deleted.
class TrackedDriver : public RecordingDriver {
  public:
    explicit TrackedDriver(std::shared_ptr<bool> open) : open_(std::move(open)) {}
    bool Open(const std::string& device) override {
        *open_ = RecordingDriver::Open(device);
        return *open_;
    }
    void Close() override {
        RecordingDriver::Close();
        *open_ = false;
    }

  private:
    std::shared_ptr<bool> open_;
};

struct SetupFixture {
    Config config;
    MemorySettingsStore store;
    testing::RecordingMessages messages;
    std::shared_ptr<std::deque<QString>> fileAnswers;
    std::shared_ptr<std::vector<ScriptedFileDialogs::Call>> fileCalls;
    std::vector<QString> dialogsRun;   // object names, in order
    RecordingDriver* driver = nullptr; // of the last session, gone with it
    std::shared_ptr<bool> portOpen = std::make_shared<bool>(false); // outlives the session
    bool failOpen = false;
    ui::SetupWindow* window = nullptr;
    QTemporaryDir dir;

    SetupFixture() {
        EnsureApp();
        BuildStartupTables(config);
        window = new ui::SetupWindow(config, store, messages);
        auto files = std::make_unique<ScriptedFileDialogs>();
        fileAnswers = files->answers;
        fileCalls = files->calls;
        window->SetFileDialogs(std::move(files));
        window->SetDialogRunner([this](QDialog* d) {
            dialogsRun.push_back(d->objectName());
            return int(QDialog::Rejected);
        });
        window->SetSessionFactory([this](Config& c, SettingsStore& s, MessageSink& m) {
            RunSession::Parts parts;
            auto d = std::make_unique<TrackedDriver>(portOpen);
            d->FailOpen = failOpen;
            driver = d.get();
            parts.Driver = std::move(d);
            return new RunSession(c, s, m, std::move(parts));
        });
    }
    ~SetupFixture() { delete window; }

    /// A configuration file in the temporary directory with `edit` applied.
    std::string WriteFile(const QString& name, const std::function<void(Config&)>& edit = {}) {
        Config c;
        if (edit) edit(c);
        c.ConfigFileName = ui::ToPath(dir.filePath(name));
        testing::RecordingMessages quiet;
        WriteConfigFile(c, quiet);
        return c.ConfigFileName;
    }
};

} // namespace pv::test
