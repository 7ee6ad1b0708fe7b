// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Doubles and helpers for driving the main window without nested event loops: a file
// chooser that answers from a script, a dialog runner that records what it was asked to
// show, and a window wired to them.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "CChRangeDlg.h"
#include "CVantrelDlg.h"
#include "DialogTemplates.h"
#include "support/TestPlatform.h"

namespace vantrel::test {

class ScriptedChooser final : public FileChooser {
  public:
    std::optional<QString> Choose(QWidget*, const FileChooserRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) {
            return std::nullopt;
        }
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull()) {
            return std::nullopt;
        }
        return answer;
    }
    std::deque<QString> answers;  // a null string: the user cancels
    std::vector<FileChooserRequest> requests;
};

// What a shown dialog looked like while it was up.
struct ShownDialog {
    QString caption;
    QStringList rows;  // the viewer's list rows, in order
    QWidget* parent = nullptr;
};

class RecordingRunner final : public DialogRunner {
  public:
    void Run(QDialog& dialog) override {
        ShownDialog shown{dialog.windowTitle(), {}, dialog.parentWidget()};
        if (auto* viewer = qobject_cast<CChRangeDlg*>(&dialog)) {
            for (int i = 0; i < viewer->list()->count(); ++i) {
                shown.rows << viewer->list()->item(i)->text();
            }
        }
        shown_.push_back(shown);
        if (whileShown) {
            whileShown(dialog);
        }
    }
    const std::vector<ShownDialog>& shown() const { return shown_; }
    // What the user does while a dialog is up, where a test drives one.
    std::function<void(QDialog&)> whileShown;

  private:
    std::vector<ShownDialog> shown_;
};

// Holds a work's thread until the test opens it; open, it lets everyone through.
class Gate {
  public:
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }
    void Open() {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

// A main window over the real file calls, with scripted choosers and recorded messages.
struct WindowFixture {
    explicit WindowFixture(std::chrono::milliseconds progressDelay = kProgressDelay)
        : window(std::make_unique<CVantrelDlg>(
              WindowServices{files, messages, chooser, dialogs, progressDelay})) {}

    FaultyFileApi files;
    RecordedMessages messages;
    ScriptedChooser chooser;
    RecordingRunner dialogs;
    std::unique_ptr<CVantrelDlg> window;

    template <typename T = QWidget>
    T* Control(int id) const {
        return FindControl<T>(*window, id);
    }
    QLineEdit* InputPath() const { return Control<QLineEdit>(ctl::kInputPath); }
    QLineEdit* OutputPath() const { return Control<QLineEdit>(ctl::kOutputPath); }
    QComboBox* FormatList() const { return Control<QComboBox>(ctl::kFormatList); }

    void Click(int id) const { QTest::mouseClick(Control<QPushButton>(id), Qt::LeftButton); }

    // Replaces the input path as typing would: select all, then type.
    void TypeInputPath(const QString& text) const {
        InputPath()->selectAll();
        QTest::keyClicks(InputPath(), text);
    }

    // Chooses a Format list item with the keyboard, as a user does.
    void ChooseFormat(int index) const {
        QComboBox* list = FormatList();
        while (list->currentIndex() < index) {
            QTest::keyClick(list, Qt::Key_Down);
        }
        while (list->currentIndex() > index) {
            QTest::keyClick(list, Qt::Key_Up);
        }
    }

    // Browses to `path` and loads it.
    void BrowseAndLoad(const QString& path) {
        chooser.answers.push_back(path);
        Click(ctl::kBrowseInput);
        Click(ctl::kLoad);
    }
};

}  // namespace vantrel::test
