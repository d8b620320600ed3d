#include "platform/linux/url_opener.h"

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace linuxplatform {

namespace {

void CloseQuietly(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace

bool OpenUrlInBackground(const std::string& url, const std::string& program) {
    // A leading "-" would be read as an option by the opener.
    if (url.empty() || url.front() == '-' || program.empty()) return false;

    // The grandchild reports a failed exec through this pipe; a successful exec closes
    // it (close-on-exec), so end of file means the program started.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;

    const pid_t child = ::fork();
    if (child < 0) {
        CloseQuietly(report[0]);
        CloseQuietly(report[1]);
        return false;
    }
    if (child == 0) {
        // The intermediate child: start the opener in a new session and leave at once,
        // so that the opener is adopted by init and never becomes our zombie.
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(1);
        }
        if (grandchild == 0) {
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
                if (null > STDERR_FILENO) ::close(null);
            }
            char* const argv[] = {const_cast<char*>(program.c_str()),
                                  const_cast<char*>(url.c_str()), nullptr};
            ::execvp(argv[0], argv);
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(0);
    }

    ::close(report[1]);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return got == 0;
}

}  // namespace linuxplatform
