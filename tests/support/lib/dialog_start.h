// A start of a packaged application that shows a dialog while the test answers it: the start runs on
// a thread of its own, and the dialog of that process with the given title is found and brought to the
// front. A start still waiting when the object goes is cancelled through the dialog.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>

#include "support/lib/desktop.h"
#include "support/lib/launcher_app.h"

namespace qxtest {

class DialogStart {
public:
    DialogStart(const LauncherApp& app, std::wstring args, const wchar_t* title) {
        thread_ = std::thread([this, &app, args = std::move(args)] {
            result_ = app.run(args);
            done_ = true;
        });
        dialog_ = waitForProcessWindow(app.exe, L"#32770", title);
        if (dialog_) bringToFront(dialog_);
    }
    ~DialogStart() {
        if (!thread_.joinable()) return;
        if (!done_ && dialog_) PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
        thread_.join();
    }
    DialogStart(const DialogStart&) = delete;
    DialogStart& operator=(const DialogStart&) = delete;

    HWND dialog() const { return dialog_; }
    HWND item(int id) const { return GetDlgItem(dialog_, id); }
    bool done() const { return done_; }
    // Waits for the start to end.
    ChildResult finish() {
        thread_.join();
        return result_;
    }

private:
    std::thread thread_;
    HWND dialog_ = nullptr;
    std::atomic<bool> done_{false};
    ChildResult result_;
};

}  // namespace qxtest
