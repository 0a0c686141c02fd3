/* Preloaded into a real program by the fault tests: holds the program at one
 * point of writing a picture into a watched folder, so that a test kills it
 * exactly there instead of at a moment that depends on timing.
 *
 *   TAVREL_HOLD_FOLDER  the folder whose files are watched
 *   TAVREL_HOLD_AT      write: after half of the first write into a file there
 *                       sync:  before the first fsync of such a file (complete,
 *                              not yet under its name)
 *                       rename: after a file got its final (visible) name there
 *   TAVREL_HOLD_DIR     the gate: the hold applies while "armed" exists there;
 *                       on reaching it "held" is created, and the program goes
 *                       on once "release" exists.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static __thread int t_inside;
static int g_done;

static const char* Env(const char* name)
{
    const char* value = getenv(name);
    return value != NULL && *value != '\0' ? value : NULL;
}

static int Exists(const char* dir, const char* name)
{
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/%s", dir, name);
    return syscall(SYS_faccessat, AT_FDCWD, path, F_OK) == 0;
}

/* True when the hold for `point` is armed and not yet used. */
static int Armed(const char* point)
{
    const char* at = Env("TAVREL_HOLD_AT");
    const char* dir = Env("TAVREL_HOLD_DIR");
    return !t_inside && !__atomic_load_n(&g_done, __ATOMIC_SEQ_CST) && at != NULL && dir != NULL &&
           strcmp(at, point) == 0 && Exists(dir, "armed");
}

/* Whether `path` names an entry of the watched folder (hidden ones only when
 * `hiddenToo`). */
static int Watched(const char* path, int hiddenToo)
{
    const char* folder = Env("TAVREL_HOLD_FOLDER");
    if (folder == NULL || path == NULL)
        return 0;
    const size_t n = strlen(folder);
    if (strncmp(path, folder, n) != 0 || path[n] != '/' || strchr(path + n + 1, '/') != NULL)
        return 0;
    return hiddenToo || path[n + 1] != '.';
}

static int WatchedFd(int fd)
{
    char link[64];
    char path[PATH_MAX];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const long n = syscall(SYS_readlinkat, AT_FDCWD, link, path, sizeof path - 1);
    if (n <= 0)
        return 0;
    path[n] = '\0';
    return Watched(path, 1);
}

static void Hold(void)
{
    if (__atomic_exchange_n(&g_done, 1, __ATOMIC_SEQ_CST))
        return;
    const char* dir = Env("TAVREL_HOLD_DIR");
    char path[PATH_MAX];
    snprintf(path, sizeof path, "%s/held", dir);
    const long fd = syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0)
        syscall(SYS_close, fd);
    const struct timespec pause = {0, 5 * 1000 * 1000};
    while (!Exists(dir, "release"))
        nanosleep(&pause, NULL);
}

#define NEXT(type, name) ((type)dlsym(RTLD_NEXT, name))

ssize_t write(int fd, const void* buf, size_t count)
{
    static ssize_t (*next)(int, const void*, size_t);
    if (next == NULL)
        next = NEXT(ssize_t(*)(int, const void*, size_t), "write");
    if (count > 1 && Armed("write") && WatchedFd(fd))
    {
        const ssize_t half = next(fd, buf, count / 2);
        Hold();
        return half;
    }
    return next(fd, buf, count);
}

size_t fwrite(const void* ptr, size_t size, size_t nmemb, FILE* stream)
{
    static size_t (*next)(const void*, size_t, size_t, FILE*);
    if (next == NULL)
        next = NEXT(size_t(*)(const void*, size_t, size_t, FILE*), "fwrite");
    if (size * nmemb > 1 && Armed("write") && WatchedFd(fileno(stream)))
    {
        t_inside = 1;
        const size_t half = next(ptr, 1, size * nmemb / 2, stream);
        fflush(stream);
        t_inside = 0;
        Hold();
        return size != 0 ? half / size : 0;
    }
    return next(ptr, size, nmemb, stream);
}

int fsync(int fd)
{
    static int (*next)(int);
    if (next == NULL)
        next = NEXT(int (*)(int), "fsync");
    if (Armed("sync") && WatchedFd(fd))
        Hold();
    return next(fd);
}

static int AfterRename(int result, const char* to)
{
    const int saved = errno;
    if (result == 0 && Armed("rename") && Watched(to, 0))
        Hold();
    errno = saved;
    return result;
}

int rename(const char* from, const char* to)
{
    static int (*next)(const char*, const char*);
    if (next == NULL)
        next = NEXT(int (*)(const char*, const char*), "rename");
    return AfterRename(next(from, to), to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags)
{
    static int (*next)(int, const char*, int, const char*, unsigned);
    if (next == NULL)
        next = NEXT(int (*)(int, const char*, int, const char*, unsigned), "renameat2");
    return AfterRename(next(fromDir, from, toDir, to, flags), to);
}

int link(const char* from, const char* to)
{
    static int (*next)(const char*, const char*);
    if (next == NULL)
        next = NEXT(int (*)(const char*, const char*), "link");
    return AfterRename(next(from, to), to);
}
