/* Widens a race for the end-to-end tests: loaded with LD_PRELOAD into the
 * program, it waits 3 to 7 ms after every frame callback (a wl_callback) that
 * a thread other than the main one destroys. Qt's Wayland plugin destroys a
 * window's frame callback on its frame thread when the compositor says the
 * frame is done, and on the user-interface thread when the window hides; the
 * wait keeps the first destroy from being followed at once by the clearing of
 * the window's pointer to it, so a hide that comes in between destroys the
 * callback a second time, as it would now and then without the wait.
 *
 * MOX_FRAME_DELAY_LOG names a file to which each wait is counted (one byte a
 * wait), so the tests can tell that the race was really widened. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

struct wl_proxy;

typedef void (*destroy_fn)(struct wl_proxy *);
typedef const char *(*class_fn)(struct wl_proxy *);

static int on_main_thread(void)
{
    return gettid() == getpid();
}

static void count_wait(void)
{
    const char *log = getenv("MOX_FRAME_DELAY_LOG");
    if (log == NULL || *log == '\0')
        return;
    int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    (void)!write(fd, "w", 1);
    close(fd);
}

/* The function of libwayland-client that this library stands in front of.
 * A program that does not link libwayland-client itself gets it with Qt's
 * Wayland plugin, loaded into the plugin's own scope, where RTLD_NEXT does
 * not look: then it is taken from the library loaded there. */
static void *wayland_function(const char *name)
{
    void *function = dlsym(RTLD_NEXT, name);
    if (function == NULL) {
        void *library = dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD);
        if (library != NULL)
            function = dlsym(library, name);
    }
    return function;
}

void wl_proxy_destroy(struct wl_proxy *proxy)
{
    static destroy_fn real_destroy;
    static class_fn class_of;
    if (real_destroy == NULL) {
        /* The POSIX way to take a function from dlsym. */
        *(void **)&class_of = wayland_function("wl_proxy_get_class");
        *(void **)&real_destroy = wayland_function("wl_proxy_destroy");
    }
    const int widen = proxy != NULL && class_of != NULL && !on_main_thread() &&
                      strcmp(class_of(proxy), "wl_callback") == 0;
    real_destroy(proxy);
    if (!widen)
        return;
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long ms = 3 + (long)((unsigned long)(now.tv_nsec ^ gettid()) % 5u);
    const struct timespec wait = {0, ms * 1000000L};
    nanosleep(&wait, NULL);
    count_wait();
}
