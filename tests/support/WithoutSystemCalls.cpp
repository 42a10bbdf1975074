// Runs a program as a kernel without the named system calls would: each fails with ENOSYS, e.g.
//   without_system_calls landlock_create_ruleset,landlock_add_rule,landlock_restrict_self -- PROGRAM ARG...
// Before it runs the program, it checks that each call now fails so, and ends with status 125 if not.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <seccomp.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFailed = 125;

int Fail(const std::string& what)
{
    std::fprintf(stderr, "without_system_calls: %s\n", what.c_str());
    return kFailed;
}

std::vector<std::string> Names(const std::string& list)
{
    std::vector<std::string> names;
    std::istringstream in(list);
    for (std::string name; std::getline(in, name, ',');) {
        names.push_back(name);
    }
    return names;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        return Fail("usage: without_system_calls CALL[,CALL...] -- PROGRAM [ARGUMENT...]");
    }
    const auto names = Names(argv[1]);
    std::vector<int> numbers;
    scmp_filter_ctx filter = seccomp_init(SCMP_ACT_ALLOW);
    if (filter == nullptr) {
        return Fail("seccomp_init failed");
    }
    for (const auto& name : names) {
        const int number = seccomp_syscall_resolve_name(name.c_str());
        if (number == __NR_SCMP_ERROR || seccomp_rule_add(filter, SCMP_ACT_ERRNO(ENOSYS), number, 0) != 0) {
            return Fail("no system call " + name + " to take away");
        }
        numbers.push_back(number);
    }
    const int loaded = seccomp_load(filter);
    seccomp_release(filter);
    if (loaded != 0) {
        return Fail(std::string("seccomp_load: ") + std::strerror(-loaded));
    }
    // Called with no valid arguments, each call would fail anyway; only with ENOSYS is it gone.
    for (std::size_t i = 0; i < names.size(); ++i) {
        errno = 0;
        if (syscall(numbers[i], -1, 0, 0, 0) != -1 || errno != ENOSYS) {
            return Fail(names[i] + " is still there");
        }
    }
    execv(argv[3], argv + 3);
    return Fail(std::string(argv[3]) + ": " + std::strerror(errno));
}
