#pragma once

#include "framework/ui/AfxMessageBox.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace test_support {

// Stands in for the user at every message box while it exists: records each
// box and answers it, with the queued answers first, then the default one.
class MessageBoxRecorder {
public:
    struct Box {
        HWND owner;
        std::string text;
        std::string caption;
        UINT type;
    };

    explicit MessageBoxRecorder(int defaultAnswer = IDOK);
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void QueueAnswer(int answer) { answers.push_back(answer); }
    // What happens while the next box is open, before the user answers it:
    // the messages its loop would handle meanwhile, sent by the test.
    void WhileNextBoxIsOpen(std::function<void()> action) { whileOpen = std::move(action); }
    const std::vector<Box>& Boxes() const { return boxes; }
    void Clear() { boxes.clear(); }

private:
    int Answer(HWND owner, const char* text, const char* caption, UINT type);

    int defaultAnswer;
    std::deque<int> answers;
    std::function<void()> whileOpen;
    std::vector<Box> boxes;
    ScopedMessageBoxHook hook;
};

} // namespace test_support
