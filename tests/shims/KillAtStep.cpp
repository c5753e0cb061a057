// Preloaded into a command (LD_PRELOAD) to kill it with SIGKILL right before its N-th step that
// changes the file system for good: a rename, link, unlink, rmdir or a sync. Lets a test stop a
// real backup or restore at every such step in turn, as a power loss or crash would.
//   QEL_KILL_AT=N           kill before the N-th step (unset or 0: never)
//   QEL_KILL_COUNT_FILE=F   at a normal end, write the number of steps into F
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<long> Steps{0};

void Step()
{
    static const long killAt = [] {
        const char *value = std::getenv("QEL_KILL_AT");
        return value ? std::atol(value) : 0L;
    }();
    if (++Steps == killAt && killAt > 0)
        ::raise(SIGKILL);
}

template<typename Function>
Function Next(const char *name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

struct CountAtExit
{
    ~CountAtExit()
    {
        if (const char *file = std::getenv("QEL_KILL_COUNT_FILE")) {
            if (FILE *out = std::fopen(file, "w")) {
                std::fprintf(out, "%ld\n", Steps.load());
                std::fclose(out);
            }
        }
    }
} countAtExit;

} // namespace

#define QEL_STEP(ret, name, params, args)                                                                             \
    extern "C" ret name params                                                                                         \
    {                                                                                                                  \
        static auto next = Next<ret(*) params>(#name);                                                                \
        Step();                                                                                                        \
        return next args;                                                                                              \
    }

QEL_STEP(int, rename, (const char *a, const char *b), (a, b))
QEL_STEP(int, renameat, (int fa, const char *a, int fb, const char *b), (fa, a, fb, b))
QEL_STEP(int, renameat2, (int fa, const char *a, int fb, const char *b, unsigned flags), (fa, a, fb, b, flags))
QEL_STEP(int, link, (const char *a, const char *b), (a, b))
QEL_STEP(int, unlink, (const char *a), (a))
QEL_STEP(int, unlinkat, (int fd, const char *a, int flags), (fd, a, flags))
QEL_STEP(int, rmdir, (const char *a), (a))
QEL_STEP(int, fsync, (int fd), (fd))
QEL_STEP(int, fdatasync, (int fd), (fd))
QEL_STEP(int, syncfs, (int fd), (fd))
