// A system call that fails, as on a file system that lacks it, or that ends the process, as a
// crash or a power cut would at that point: the code runs in a child process under a seccomp
// filter that answers that one call.
#pragma once

#include <cstddef>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vell::test {

// What the filter answers instead of making the call.
inline unsigned FailWith(int error) {
    return SECCOMP_RET_ERRNO | (unsigned(error) & SECCOMP_RET_DATA);
}
constexpr unsigned KillProcess = SECCOMP_RET_KILL_PROCESS;

// Runs `body` in a child process in which the system call `number` gets `answer`; the child's
// exit code (body's result), or -signal when it was killed.
inline int RunWithSyscallAnswered(long number, unsigned answer, const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        // The call number is compared alone: the tests run on the architecture they were built
        // for, whose numbers these are.
        sock_filter filter[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(number), 0, 1),
            BPF_STMT(BPF_RET | BPF_K, answer),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return 126;
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

} // namespace vell::test
