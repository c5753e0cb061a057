/*
 * startup-probe: starts a desktop program on an X server and measures its start-up.
 *
 *   startup-probe [--title TEXT | --title-contains TEXT] [--idle-ms MS] [--timeout-s S]
 *                 [--at-idle COMMAND] [--log FILE] -- PROGRAM [ARGUMENTS...]
 *
 * Reports on one line of standard output (times in seconds from just before the program is
 * started):
 *   mapped=     the first top-level window of the program whose title matches is mapped
 *               (seen as a MapNotify event on the root window, not by polling)
 *   cpu_mapped= user + system CPU time of the process at that moment
 *   cpu=        user + system CPU time once the process has stayed idle: its CPU time did not
 *               change for --idle-ms (default 300) after the window was mapped
 *   busy=       the last moment its CPU time changed before it went idle
 *   hwm_kib=    its peak resident memory (VmHWM) at that moment
 *   earlier=    windows of the program mapped before the matching one (a splash, a dialog)
 * Then it runs --at-idle (e.g. a screenshot), ends the program with SIGTERM (SIGKILL after five
 * seconds) and exits 0. Exit 1: the program ended early, no window matched within --timeout-s
 * (default 30) or the X server went away; 2: wrong usage.
 *
 * Without a window manager (Xvfb) the top-level windows are children of the root window; the
 * probe selects SubstructureNotify there, so it sees every map at once. A window counts as the
 * program's own when its _NET_WM_PID is the started process (or is not set).
 */
#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

struct options {
    const char *title;
    int title_contains;
    long idle_ms;
    long timeout_s;
    const char *at_idle;
    const char *log;
    char **command;
};

struct atoms {
    xcb_atom_t net_wm_pid;
    xcb_atom_t net_wm_name;
    xcb_atom_t utf8_string;
};

static double now_s(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static void usage(void)
{
    fputs("usage: startup-probe [--title TEXT | --title-contains TEXT] [--idle-ms MS] [--timeout-s S]\n"
          "                     [--at-idle COMMAND] [--log FILE] -- PROGRAM [ARGUMENTS...]\n",
          stderr);
    exit(2);
}

static long positive_number(const char *text)
{
    char *end = NULL;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value <= 0)
        usage();
    return value;
}

static struct options parse_options(int argc, char **argv)
{
    struct options o = {NULL, 0, 300, 30, NULL, NULL, NULL};
    int i = 1;
    for (; i < argc; ++i) {
        const char *a = argv[i];
        if (strcmp(a, "--") == 0) {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            usage();
        if (strcmp(a, "--title") == 0) {
            o.title = argv[++i];
            o.title_contains = 0;
        } else if (strcmp(a, "--title-contains") == 0) {
            o.title = argv[++i];
            o.title_contains = 1;
        } else if (strcmp(a, "--idle-ms") == 0) {
            o.idle_ms = positive_number(argv[++i]);
        } else if (strcmp(a, "--timeout-s") == 0) {
            o.timeout_s = positive_number(argv[++i]);
        } else if (strcmp(a, "--at-idle") == 0) {
            o.at_idle = argv[++i];
        } else if (strcmp(a, "--log") == 0) {
            o.log = argv[++i];
        } else {
            usage();
        }
    }
    if (i >= argc)
        usage();
    o.command = argv + i;
    return o;
}

static xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return atom;
}

/* The window's title as a NUL-terminated string (UTF-8 name first, then WM_NAME); the caller frees it. */
static char *window_title(xcb_connection_t *c, const struct atoms *at, xcb_window_t w)
{
    const xcb_atom_t props[2] = {at->net_wm_name, XCB_ATOM_WM_NAME};
    const xcb_atom_t types[2] = {at->utf8_string, XCB_ATOM_STRING};
    for (int i = 0; i < 2; ++i) {
        xcb_get_property_reply_t *r =
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, props[i], types[i], 0, 1024), NULL);
        if (r && r->format == 8 && xcb_get_property_value_length(r) > 0) {
            int n = xcb_get_property_value_length(r);
            char *title = malloc((size_t)n + 1);
            if (title) {
                memcpy(title, xcb_get_property_value(r), (size_t)n);
                title[n] = '\0';
            }
            free(r);
            return title;
        }
        free(r);
    }
    return strdup("");
}

/* _NET_WM_PID of the window, 0 when it is not set. */
static uint32_t window_pid(xcb_connection_t *c, const struct atoms *at, xcb_window_t w)
{
    uint32_t pid = 0;
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, at->net_wm_pid, XCB_ATOM_CARDINAL, 0, 1), NULL);
    if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
        memcpy(&pid, xcb_get_property_value(r), sizeof pid);
    free(r);
    return pid;
}

static int title_matches(const struct options *o, const char *title)
{
    if (!o->title)
        return 1;
    return o->title_contains ? strstr(title, o->title) != NULL : strcmp(title, o->title) == 0;
}

/* utime + stime of the process in clock ticks, -1 when it cannot be read. */
static long long cpu_ticks(pid_t pid)
{
    char path[64], buf[1024];
    snprintf(path, sizeof path, "/proc/%d/stat", (int)pid);
    FILE *f = fopen(path, "r");
    if (!f)
        return -1;
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = '\0';
    /* The command name may hold spaces and parentheses: the fields start after the last ')'. */
    char *p = strrchr(buf, ')');
    if (!p)
        return -1;
    ++p;
    long long utime = 0, stime = 0;
    /* Fields 3 to 13 are skipped; 14 and 15 are utime and stime. */
    if (sscanf(p, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lld %lld", &utime, &stime) != 2)
        return -1;
    return utime + stime;
}

/* A "Key:   123 kB" line of /proc/PID/status in KiB, -1 when missing. */
static long status_kib(pid_t pid, const char *key)
{
    char path[64], line[256];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *f = fopen(path, "r");
    if (!f)
        return -1;
    long value = -1;
    size_t keylen = strlen(key);
    while (fgets(line, sizeof line, f)) {
        if (strncmp(line, key, keylen) == 0 && line[keylen] == ':') {
            value = strtol(line + keylen + 1, NULL, 10);
            break;
        }
    }
    fclose(f);
    return value;
}

static pid_t start_program(const struct options *o)
{
    pid_t pid = fork();
    if (pid < 0) {
        perror("startup-probe: fork");
        exit(1);
    }
    if (pid == 0) {
        int out = open(o->log ? o->log : "/dev/null", O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        execvp(o->command[0], o->command);
        fprintf(stderr, "startup-probe: %s: %s\n", o->command[0], strerror(errno));
        _exit(127);
    }
    return pid;
}

static void end_program(pid_t pid)
{
    int status;
    kill(pid, SIGTERM);
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return;
        usleep(10000);
    }
    fprintf(stderr, "startup-probe: %d did not end on SIGTERM, killed\n", (int)pid);
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

int main(int argc, char **argv)
{
    const struct options o = parse_options(argc, argv);

    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fputs("startup-probe: cannot open the X display (DISPLAY)\n", stderr);
        return 1;
    }
    fcntl(xcb_get_file_descriptor(c), F_SETFD, FD_CLOEXEC);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    struct atoms at = {intern(c, "_NET_WM_PID"), intern(c, "_NET_WM_NAME"), intern(c, "UTF8_STRING")};
    const uint32_t root_mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    /* Checked, so the selection is in force before the program starts. */
    if (xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &root_mask))) {
        fputs("startup-probe: cannot watch the root window\n", stderr);
        return 1;
    }

    const long ticks_per_s = sysconf(_SC_CLK_TCK);
    const double t0 = now_s();
    const pid_t child = start_program(&o);

    double mapped = -1, busy = -1, cpu_mapped = 0;
    long long last_cpu = -1;
    int earlier = 0;
    char *matched_title = NULL;
    const int fd = xcb_get_file_descriptor(c);

    for (;;) {
        struct pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, 5);
        xcb_generic_event_t *ev;
        while (mapped < 0 && (ev = xcb_poll_for_event(c)) != NULL) {
            const double t = now_s();
            xcb_window_t w = XCB_WINDOW_NONE;
            switch (ev->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                /* Titles set after the map arrive as property changes. */
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, ((xcb_create_notify_event_t *)ev)->window, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(c);
                break;
            }
            case XCB_MAP_NOTIFY:
                w = ((xcb_map_notify_event_t *)ev)->window;
                break;
            case XCB_PROPERTY_NOTIFY: {
                xcb_property_notify_event_t *pe = (xcb_property_notify_event_t *)ev;
                if (pe->atom == at.net_wm_name || pe->atom == XCB_ATOM_WM_NAME) {
                    xcb_get_window_attributes_reply_t *a =
                        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, pe->window), NULL);
                    if (a && a->map_state == XCB_MAP_STATE_VIEWABLE)
                        w = pe->window;
                    free(a);
                }
                break;
            }
            default:
                break;
            }
            free(ev);
            if (w == XCB_WINDOW_NONE)
                continue;
            const uint32_t owner = window_pid(c, &at, w);
            if (owner != 0 && owner != (uint32_t)child)
                continue;
            char *title = window_title(c, &at, w);
            if (title && title_matches(&o, title)) {
                mapped = t - t0;
                matched_title = title;
                last_cpu = cpu_ticks(child);
                cpu_mapped = (double)last_cpu / (double)ticks_per_s;
                busy = mapped;
            } else {
                fprintf(stderr, "startup-probe: window \"%s\" mapped first (%.3f s)\n", title ? title : "", t - t0);
                ++earlier;
                free(title);
            }
        }
        if (xcb_connection_has_error(c)) {
            fputs("startup-probe: lost the X display\n", stderr);
            end_program(child);
            return 1;
        }
        int status;
        if (waitpid(child, &status, WNOHANG) == child) {
            fprintf(stderr, "startup-probe: %s ended (status %d) before it was idle with its window shown\n",
                    o.command[0], WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
            return 1;
        }
        const double t = now_s();
        if (mapped >= 0) {
            const long long cpu = cpu_ticks(child);
            if (cpu != last_cpu) {
                last_cpu = cpu;
                busy = t - t0;
            } else if ((t - t0 - busy) * 1000.0 >= (double)o.idle_ms) {
                break;
            }
        }
        if (t - t0 > (double)o.timeout_s) {
            fprintf(stderr, "startup-probe: no %s window within %ld s\n", mapped < 0 ? "matching" : "idle",
                    o.timeout_s);
            end_program(child);
            return 1;
        }
    }

    const long hwm = status_kib(child, "VmHWM");
    printf("mapped=%.4f cpu_mapped=%.3f cpu=%.3f busy=%.4f hwm_kib=%ld earlier=%d title=%s\n", mapped, cpu_mapped,
           (double)last_cpu / (double)ticks_per_s, busy, hwm, earlier, matched_title);
    fflush(stdout);
    free(matched_title);
    if (o.at_idle) {
        char pid_text[16];
        snprintf(pid_text, sizeof pid_text, "%d", (int)child);
        setenv("PROBE_PID", pid_text, 1);
        if (system(o.at_idle) != 0)
            fprintf(stderr, "startup-probe: --at-idle command failed\n");
    }
    end_program(child);
    xcb_disconnect(c);
    return 0;
}
