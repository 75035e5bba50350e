#!/usr/bin/env bash
# Checks that the operating system is reached only through the platform
# layer. No source of cli/, src/ or include/ outside the implementation
# folders src/platform/posix/ and src/platform/win32/ includes a POSIX
# header, calls a POSIX function, or names errno, one of its values or
# another POSIX constant; no portable header of the layer shows a
# descriptor, AT_FDCWD or struct stat. The layer's portable logic in
# src/platform/common/ is held to the same rules (and includes no Windows
# header either), except that it may name the errno values (<cerrno>), the
# layer's error currency, which both systems define. Comments and string
# literals are not looked at. Prints every offending line and fails when
# there is one; prints nothing otherwise. Run from anywhere in a git
# checkout.
set -euo pipefail
cd "$(dirname "$0")/.."

sources=(':(glob)cli/**/*.cc' ':(glob)cli/**/*.h' ':(glob)src/**/*.cc' ':(glob)src/**/*.h'
  ':(glob)include/**/*.h' ':(exclude)src/platform/posix/**' ':(exclude)src/platform/win32/**'
  ':(exclude)src/platform/common/**')
common=(':(glob)src/platform/common/**')
headers=(':(glob)src/platform/*.h' ':(glob)include/velt/platform/*.h')

# What may stand before a name for it to count as code: anything up to the
# start of a comment, with string and character literals skipped whole, and
# then no letter of a longer name or quote (before a call, no member access
# either).
code="^([^\"'/]|/[^/*\"']|\"([^\"\\\\]|\\\\.)*\"|'([^'\\\\]|\\\\.)*')*"
name="$code(^|[^A-Za-z0-9_\"'])"
call="$code(^|[^A-Za-z0-9_.>:\"'])(::)?"
calls='getuid|geteuid|getgid|getegid|getpid|getppid|getpgrp|setsid|fork|vfork|execl|execlp|execv|execve|execvp|kill|killpg|waitpid|posix_spawn|posix_spawnp|isatty|ioctl|tcgetattr|tcsetattr|open|openat|creat|close|read|write|pread|pwrite|readv|writev|lseek|fsync|fdatasync|ftruncate|truncate|fcntl|dup|dup2|dup3|pipe|pipe2|poll|ppoll|select|stat|lstat|fstat|fstatat|statfs|statvfs|readlink|readlinkat|realpath|access|faccessat|unlink|unlinkat|rmdir|mkdir|mkdirat|chmod|fchmod|chown|fchown|lchown|chdir|fchdir|getcwd|symlink|symlinkat|link|linkat|renameat|renameat2|mknod|mkfifo|utime|utimes|futimens|utimensat|umask|flock|mmap|munmap|mkstemp|mkostemp|mkdtemp|opendir|fdopendir|readdir|closedir|setenv|unsetenv|putenv|sigaction|sigprocmask|pthread_sigmask|sigemptyset|sigaddset|signal|prctl|gethostname|uname|sysconf|getrlimit|setrlimit|dlopen|dlsym|dlclose|syslog|openlog|closelog|getpwuid|getpwuid_r|getpwnam|getpwnam_r|getgrgid|getgrgid_r|socket|connect|bind|listen|accept|getaddrinfo|inet_pton|inet_ntop|usleep|sleep|nanosleep|alarm|clock_gettime|strerror_r|localtime_r|gmtime_r|asctime_r|ctime_r|getrandom|eventfd|pidfd_open|syscall|copy_file_range|sendfile'
errnos='E2BIG|EACCES|EADDRINUSE|EADDRNOTAVAIL|EAFNOSUPPORT|EAGAIN|EALREADY|EBADF|EBADMSG|EBUSY|ECANCELED|ECHILD|ECONNABORTED|ECONNREFUSED|ECONNRESET|EDEADLK|EDESTADDRREQ|EDOM|EDQUOT|EEXIST|EFAULT|EFBIG|EHOSTUNREACH|EIDRM|EILSEQ|EINPROGRESS|EINTR|EINVAL|EIO|EISCONN|EISDIR|ELOOP|EMFILE|EMLINK|EMSGSIZE|EMULTIHOP|ENAMETOOLONG|ENETDOWN|ENETRESET|ENETUNREACH|ENFILE|ENOBUFS|ENODATA|ENODEV|ENOENT|ENOEXEC|ENOLCK|ENOLINK|ENOMEM|ENOMSG|ENOPROTOOPT|ENOSPC|ENOSR|ENOSTR|ENOSYS|ENOTCONN|ENOTDIR|ENOTEMPTY|ENOTRECOVERABLE|ENOTSOCK|ENOTSUP|ENOTTY|ENXIO|EOPNOTSUPP|EOVERFLOW|EOWNERDEAD|EPERM|EPIPE|EPROTO|EPROTONOSUPPORT|EPROTOTYPE|ERANGE|EROFS|ESPIPE|ESRCH|ESTALE|ETIME|ETIMEDOUT|ETXTBSY|EWOULDBLOCK|EXDEV'
other_constants="SIG[A-Z]+|SIG_[A-Z]+|O_[A-Z]+|S_I[A-Z]+|STD(IN|OUT|ERR)_FILENO|PATH_MAX|AT_[A-Z_]+"
constants="errno|$errnos|$other_constants"
system_headers='(unistd|fcntl|signal|termios|pwd|grp|dirent|poll|dlfcn|spawn|syslog|pthread|sched|semaphore|utime|libgen|netdb|glob|fnmatch|wordexp|ftw|langinfo|iconv|limits|errno|strings)\.h|(sys|arpa|netinet|net|linux)/[^>]*|csignal'
posix_headers="$system_headers|cerrno"
# What the portable logic may not include either: the Windows headers.
common_headers="$system_headers|(windows|winsock2|ws2tcpip|winioctl|shlobj|userenv|bcrypt|ntdef|winternl)\.h"

found=0
# Prints the lines of the files PATHSPEC... that match PATTERN; any match
# fails the check, a failing git grep ends it.
search() {  # PATTERN PATHSPEC...
  local status=0
  git grep -nE "$1" -- "${@:2}" || status=$?
  case $status in
    0) found=1 ;;
    1) ;;
    *) exit "$status" ;;
  esac
}
search "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($posix_headers)>" "${sources[@]}"
search "$call($calls)[[:space:]]*\(" "${sources[@]}"
search "$name($constants)([^A-Za-z0-9_]|$)" "${sources[@]}"
search "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($common_headers)>" "${common[@]}"
search "$call($calls)[[:space:]]*\(" "${common[@]}"
search "$name(errno|$other_constants)([^A-Za-z0-9_]|$)" "${common[@]}"
search "$name(int fd|AT_FDCWD|struct stat)([^A-Za-z0-9_]|$)" "${headers[@]}"
exit "$found"
