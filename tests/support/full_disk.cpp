// A disk that is full, for one folder: loaded ahead of the C library
// (LD_PRELOAD) into a program under test, it fails every write to a file
// under the folder QM_FULL_DISK names with ENOSPC, as a full disk does, and
// lets every other write through.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

bool onFullDisk(int fd) {
    const char* folder = std::getenv("QM_FULL_DISK");
    if (!folder || !*folder || fd < 0)
        return false;
    char link[64], target[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    const std::size_t length = std::strlen(folder);
    return std::strncmp(target, folder, length) == 0 && target[length] == '/';
}

template <class F>
F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* data, size_t size) {
    if (size > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    return real(fd, data, size);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off64_t offset) {
    if (size > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    static const auto real = next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    return real(fd, data, size, offset);
}

ssize_t writev(int fd, const struct iovec* parts, int count) {
    if (count > 0 && onFullDisk(fd)) {
        errno = ENOSPC;
        return -1;
    }
    static const auto real = next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    return real(fd, parts, count);
}

size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    if (size > 0 && count > 0 && onFullDisk(::fileno(stream))) {
        errno = ENOSPC;
        return 0;
    }
    static const auto real = next<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    return real(data, size, count, stream);
}

} // extern "C"
