#include "framework/Scripting.h"

#include <deque>

namespace framework::scripting {

namespace {
struct Script
{
    std::deque<std::optional<String>> dialogAnswers;
    std::vector<ShownDialog> shownDialogs;
    bool messagesAnswered = false;
    std::function<void(const String&)> messageObserver;
    std::vector<String> shownMessages;
    bool processorScripted = false;
    std::optional<std::int32_t> processorAnswer;
    std::optional<std::pair<int, int>> mainScreenSize;
    bool urlsRecorded = false;
    std::vector<String> shownURLs;
};

Script& script()
{
    static Script instance;
    return instance;
}
} // namespace

void QueueDialogAnswer(std::optional<String> path)
{
    script().dialogAnswers.push_back(std::move(path));
}

const std::vector<ShownDialog>& ShownDialogs()
{
    return script().shownDialogs;
}

void AnswerMessages(std::function<void(const String&)> observer)
{
    script().messagesAnswered = true;
    script().messageObserver = std::move(observer);
}

const std::vector<String>& ShownMessages()
{
    return script().shownMessages;
}

void SetProcessorAnswer(std::optional<std::int32_t> answer)
{
    script().processorScripted = true;
    script().processorAnswer = answer;
}

void SetMainScreenSize(int width, int height)
{
    script().mainScreenSize = std::pair{width, height};
}

void RecordURLs()
{
    script().urlsRecorded = true;
}

const std::vector<String>& ShownURLs()
{
    return script().shownURLs;
}

void Reset()
{
    script() = Script{};
}

namespace detail {

bool DialogAnswerQueued()
{
    return !script().dialogAnswers.empty();
}

std::optional<String> TakeDialogAnswer(const FileDialog& dialog)
{
    auto& s = script();
    s.shownDialogs.push_back({dialog.DialogKind(), dialog.Title(), dialog.PromptText(),
                              dialog.ActionButtonCaption(), dialog.CancelButtonCaption(), dialog.Filter()});
    auto answer = std::move(s.dialogAnswers.front());
    s.dialogAnswers.pop_front();
    return answer;
}

bool MessagesAnswered()
{
    return script().messagesAnswered;
}

void AnswerMessage(const String& text)
{
    script().shownMessages.push_back(text);
    if (script().messageObserver) {
        script().messageObserver(text);
    }
}

bool ProcessorScripted()
{
    return script().processorScripted;
}

std::optional<std::int32_t> ProcessorAnswer()
{
    return script().processorAnswer;
}

std::optional<std::pair<int, int>> MainScreenSize()
{
    return script().mainScreenSize;
}

bool URLsRecorded()
{
    return script().urlsRecorded;
}

void RecordURL(const String& url)
{
    script().shownURLs.push_back(url);
}

} // namespace detail

} // namespace framework::scripting
