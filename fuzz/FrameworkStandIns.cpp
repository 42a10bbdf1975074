// The shell-path fuzzer links the conversion's command assembly, whose file also runs conversions
// through the framework. The fuzzer runs none, so the framework's services here only stop it if reached.
#include "framework/Application.h"
#include "framework/Messages.h"
#include "framework/Shell.h"
#include "framework/System.h"

#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void unexpected(const char* service)
{
    std::fprintf(stderr, "the fuzzer reached the framework's %s\n", service);
    std::abort();
}
} // namespace

namespace framework {

bool System::Gestalt(const String&, std::int32_t&)
{
    unexpected("Gestalt");
}

void MsgBox(const String&)
{
    unexpected("MsgBox");
}

void Quit(int)
{
    unexpected("Quit");
}

void Shell::Execute(const String&)
{
    unexpected("Shell");
}

Shell::~Shell() = default;

} // namespace framework
