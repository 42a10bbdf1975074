#pragma once

#include <functional>
#include <optional>
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir
{
public:
    explicit TempDir(const std::string& prefix = "zwojnik-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return mPath; }
    // A path inside the folder.
    std::string operator/(const std::string& name) const { return mPath + "/" + name; }

private:
    std::string mPath;
};

// Sets an environment variable (unsets it for nothing) and puts the earlier value back at the end.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* mName;
    std::optional<std::string> mPrevious;
};

// Runs the action from the event loop as soon as ready() holds; fails the test if it never does.
void RunWhen(std::function<bool()> ready, std::function<void()> action, int timeoutMs = 20000);

// Triggers the menu action whose item has this Name, as a click in the menu would.
void TriggerMenuItem(const std::string& name);

} // namespace testsupport
