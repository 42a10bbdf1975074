#pragma once

// Lets tests play the part of the person at the screen: whatever is queued or set here answers in
// place of the real dialog, message box, processor, screen or browser. With nothing queued or set,
// the real thing runs.

#include "framework/Dialogs.h"
#include "framework/Text.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace framework::scripting {

struct ShownDialog
{
    FileDialog::Kind kind;
    String title;
    String promptText;
    String actionButtonCaption;
    String cancelButtonCaption;
    String filter;
};

// The next file dialog yields this path (nothing: the user cancels) instead of showing itself.
void QueueDialogAnswer(std::optional<String> path);
const std::vector<ShownDialog>& ShownDialogs();

// Message boxes are answered at once: their texts are recorded and, when set, the observer runs while
// the box would be on screen.
void AnswerMessages(std::function<void(const String& text)> observer = {});
const std::vector<String>& ShownMessages();

// The answer of the processor query; nothing: the system cannot be asked.
void SetProcessorAnswer(std::optional<std::int32_t> answer);

void SetMainScreenSize(int width, int height);

// URLs are recorded instead of being handed to the system.
void RecordURLs();
const std::vector<String>& ShownURLs();

// Forgets everything above: the real things answer again.
void Reset();

// For the framework: what is scripted.
namespace detail {
bool DialogAnswerQueued();
std::optional<String> TakeDialogAnswer(const FileDialog& dialog);
bool MessagesAnswered();
void AnswerMessage(const String& text);
bool ProcessorScripted();
std::optional<std::int32_t> ProcessorAnswer();
std::optional<std::pair<int, int>> MainScreenSize();
bool URLsRecorded();
void RecordURL(const String& url);
} // namespace detail

} // namespace framework::scripting
