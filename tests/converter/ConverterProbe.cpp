// Loaded into the converter (LD_PRELOAD), this stands for a crafted book that has taken the converter over:
// the first time the converter reads the book, confined by then, it tries what such a book would, and says
// on standard error how each attempt ended ("probe connect: Operation not permitted"). It reaches for the
// Unix socket named by ZWOJNIK_PROBE_SOCKET and the UDP port ZWOJNIK_PROBE_PORT of this machine.
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <linux/io_uring.h>
#include <netinet/in.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void Report(const char* attempt, long result)
{
    std::fprintf(stderr, "probe %s: %s\n", attempt, result == -1 ? std::strerror(errno) : "done");
}

long ConnectToLocalServer()
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, std::getenv("ZWOJNIK_PROBE_SOCKET"), sizeof address.sun_path - 1);
    return connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

long SendDatagram()
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(std::getenv("ZWOJNIK_PROBE_PORT"))));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sendto(fd, "x", 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
}

void TryWhatACraftedBookWould()
{
    Report("connect", ConnectToLocalServer());
    Report("sendto", SendDatagram());
    int pair[2];
    Report("socketpair", socketpair(AF_UNIX, SOCK_STREAM, 0, pair));
    io_uring_params parameters{};
    Report("io_uring_setup", syscall(SYS_io_uring_setup, 1, &parameters));
    char word = 0;
    iovec local{&word, 1};
    iovec remote{&word, 1};
    Report("process_vm_readv", process_vm_readv(getpid(), &local, 1, &remote, 1, 0));
    // Without a tracer this fails anyway, but with ESRCH.
    errno = 0;
    ptrace(PTRACE_PEEKDATA, getpid(), &word, nullptr);
    Report("ptrace", errno != 0 ? -1 : 0);
    // Last: where it works, the converter is gone, and the line is missing.
    char program[] = "/bin/true";
    char* arguments[] = {program, nullptr};
    Report("execve", execve(program, arguments, environ));
}

} // namespace

extern "C" std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream)
{
    static bool tried = false;
    if (!tried) {
        tried = true;
        TryWhatACraftedBookWould();
    }
    static const auto next = reinterpret_cast<decltype(&fread)>(dlsym(RTLD_NEXT, "fread"));
    return next(buffer, size, count, stream);
}
