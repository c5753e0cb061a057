/*
 * probe-testwindow: maps top-level windows the way a program starting up does, for
 * probe-selftest.sh.
 *
 *   probe-testwindow [--foreign-pid] [--burn-ms MS] TITLE...
 *
 * Maps one window per TITLE, in order, each with WM_NAME, _NET_WM_NAME and _NET_WM_PID (the
 * process's own id, or 1 with --foreign-pid). --burn-ms then spends MS of CPU time. Then it
 * waits until it is ended.
 */
#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return atom;
}

static void set_title(xcb_connection_t *c, xcb_window_t w, const char *title)
{
    const uint32_t n = (uint32_t)strlen(title);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, n, title);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, intern(c, "_NET_WM_NAME"), intern(c, "UTF8_STRING"), 8, n,
                        title);
}

static double cpu_s(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

int main(int argc, char **argv)
{
    int foreign = 0;
    long burn_ms = 0;
    int i = 1;
    for (; i < argc && strncmp(argv[i], "--", 2) == 0; ++i) {
        if (strcmp(argv[i], "--foreign-pid") == 0)
            foreign = 1;
        else if (strcmp(argv[i], "--burn-ms") == 0 && i + 1 < argc)
            burn_ms = atol(argv[++i]);
        else
            return 2;
    }
    if (i >= argc)
        return 2;

    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t pid = foreign ? 1u : (uint32_t)getpid();
    for (; i < argc; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, NULL);
        set_title(c, w, argv[i]);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, intern(c, "_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
        xcb_map_window(c, w);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL)); /* the map is done */
    }
    for (const double end = cpu_s() + (double)burn_ms / 1000.0; cpu_s() < end;) {
    }
    for (;;)
        pause();
}
