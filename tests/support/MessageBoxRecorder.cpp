#include "tests/support/MessageBoxRecorder.h"

#include <utility>

namespace test_support {

MessageBoxRecorder::MessageBoxRecorder(int defaultAnswer)
    : defaultAnswer(defaultAnswer),
      hook([this](HWND owner, const char* text, const char* caption, UINT type) {
          return Answer(owner, text, caption, type);
      })
{
}

int MessageBoxRecorder::Answer(HWND owner, const char* text, const char* caption, UINT type)
{
    boxes.push_back(Box{owner, text, caption, type});
    if (whileOpen)
        std::exchange(whileOpen, nullptr)();
    if (answers.empty())
        return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace test_support
