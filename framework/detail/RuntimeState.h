#pragma once

#include "framework/Application.h"
#include "framework/DocumentTypes.h"
#include "framework/Platform.h"
#include "framework/Windows.h"
#include "framework/detail/InstanceChannel.h"
#include "framework/detail/MenuBarWindow.h"

#include <QApplication>
#include <QTranslator>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace framework::detail {

// Everything a run of the framework holds, owned by its Runtime. The members go in reverse order: the
// widgets and the channel before Qt's application object.
struct RuntimeState
{
    Runtime* runtime = nullptr;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<QApplication> qtApplication;
    std::unique_ptr<QTranslator> translator;
    std::vector<DocumentType> documentTypes;
    std::shared_ptr<Application> application;
    std::unique_ptr<MenuBarWindow> menuBarWindow;
    std::vector<WindowPtr> windows; // open, oldest first
    std::unique_ptr<InstanceChannel> channel;
    bool handedOver = false;
    std::deque<std::vector<FolderItemPtr>> pendingDocuments; // each group as it arrived
    std::deque<std::function<void()>> pendingCalls;          // before the documents
    std::exception_ptr pendingException;
    bool quitting = false;
    int exitStatus = 0;
    int requestDepth = 0;
    bool opened = false; // Open has been raised: documents may follow
};

// The running framework's state; nothing when no runtime runs.
RuntimeState* CurrentState();
// The same, raising the nil-object exception when no runtime runs.
RuntimeState& RequireState();
// Runs the call as a request of its own as soon as no request runs; nothing when no runtime runs or the
// program is quitting.
void DispatchWhenIdle(std::function<void()> call);

} // namespace framework::detail
