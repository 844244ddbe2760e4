// Start-up time and memory of the program against two floors, a bare Qt window of the same size
// and the same window with one 9-point Chinese label (which loads fontconfig and a CJK face as
// any Chinese window must); the aims are set against the second. Measured
// from outside because neither program is changed for it. On the X display in DISPLAY, each run
// spawns the program and watches the root window: the moment is taken just before the spawn,
// when the program's window is mapped, and when the first pixels land in it (the first DAMAGE
// report on any window the process creates; Qt gives its windows no background, so the server
// draws nothing into them by itself). Once the start-up has settled, the resident memory is read
// from /proc and the program is ended. The three programs run in turn, after one unmeasured run
// each, and the medians are compared.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/damage.h>
#include <xcb/xcb.h>

extern char **environ;

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double FrameRatioAim = 1.3;
constexpr double MemoryDifferenceAimMiB = 15;
constexpr auto StartTimeout = std::chrono::seconds(20);

struct Run {
    double mappedMs = 0;
    double frameMs = 0;
    long rssKiB = 0;
    long anonKiB = 0;
    long fileKiB = 0;
};

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Fields of /proc/PID/status, in KiB.
long statusField(pid_t pid, const std::string &name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(name + ":"))
            return std::strtol(line.c_str() + name.size() + 1, nullptr, 10);
    return -1;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

class Display
{
public:
    bool open()
    {
        connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection))
            return false;
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const xcb_query_extension_reply_t *damage =
            xcb_get_extension_data(connection, &xcb_damage_id);
        if (!damage || !damage->present)
            return false;
        damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, 11, "_NET_WM_PID"), nullptr);
        if (!atom)
            return false;
        pidAtom = atom->atom;
        free(atom);
        // The extension answers nothing until the client has announced its version.
        free(xcb_damage_query_version_reply(connection, xcb_damage_query_version(connection, 1, 1),
                                            nullptr));
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
        sync();
        return true;
    }
    ~Display()
    {
        if (connection)
            xcb_disconnect(connection);
    }

    // Runs the program once; nothing when it did not show a window or did not live long enough.
    std::optional<Run> measure(const char *program, std::chrono::milliseconds settle)
    {
        sync();
        drain();
        std::vector<std::string> env;
        for (char **e = environ; *e; ++e)
            if (!std::string_view(*e).starts_with("QT_QPA_PLATFORM="))
                env.emplace_back(*e);
        env.emplace_back("QT_QPA_PLATFORM=xcb");
        std::vector<char *> envp;
        for (std::string &e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        char *argv[] = {const_cast<char *>(program), nullptr};

        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);

        Run run;
        pid_t pid = 0;
        const Clock::time_point start = Clock::now();
        const int spawned = posix_spawn(&pid, program, &quiet, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) {
            std::fprintf(stderr, "cannot start %s: %s\n", program, std::strerror(spawned));
            return std::nullopt;
        }

        // Other clients of a shared display create windows too; only the program's own count.
        std::map<xcb_window_t, bool> windows;
        auto ours = [&](xcb_window_t window) {
            auto known = windows.find(window);
            if (known == windows.end())
                return false;
            if (!known->second)
                known->second = ownerPid(window) == pid;
            return known->second;
        };
        bool drawn = false;
        pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
        while (!drawn && Clock::now() - start < StartTimeout) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                std::fprintf(stderr, "%s ended before its first frame\n", program);
                return std::nullopt;
            }
            poll(&fd, 1, 50);
            while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
                const uint8_t type = event->response_type & 0x7f;
                if (type == XCB_CREATE_NOTIFY) {
                    auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                    windows.emplace(created->window, false);
                    xcb_damage_create(connection, xcb_generate_id(connection), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(connection);
                } else if (type == XCB_MAP_NOTIFY) {
                    auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                    if (run.mappedMs == 0 && ours(mapped->window))
                        run.mappedMs = msSince(start);
                } else if (type == damageEvent && !drawn) {
                    auto *damage = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                    if (ours(damage->drawable)) {
                        run.frameMs = msSince(start);
                        drawn = true;
                    }
                }
                free(event); // errors (a damage on an input-only window) are of no interest
            }
        }
        if (!drawn) {
            std::fprintf(stderr, "%s drew nothing within %lld s\n", program,
                         static_cast<long long>(StartTimeout.count()));
            stop(pid);
            return std::nullopt;
        }

        std::this_thread::sleep_until(start + settle);
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended during start-up\n", program);
            return std::nullopt;
        }
        run.rssKiB = statusField(pid, "VmRSS");
        run.anonKiB = statusField(pid, "RssAnon");
        run.fileKiB = statusField(pid, "RssFile") + statusField(pid, "RssShmem");
        stop(pid);
        return run;
    }

private:
    // The process that owns a window, as the toolkit declares it in _NET_WM_PID; 0 if unknown.
    pid_t ownerPid(xcb_window_t window)
    {
        xcb_get_property_reply_t *reply = xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr);
        pid_t owner = 0;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
            owner = pid_t(*static_cast<uint32_t *>(xcb_get_property_value(reply)));
        free(reply);
        return owner;
    }
    void sync()
    {
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    void drain()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection))
            free(event);
    }

    xcb_connection_t *connection = nullptr;
    xcb_window_t root = 0;
    uint8_t damageEvent = 0;
    xcb_atom_t pidAtom = XCB_ATOM_NONE;
};

template <typename Field> double median(std::vector<Run> runs, Field field)
{
    std::vector<double> values;
    for (const Run &run : runs)
        values.push_back(double(run.*field));
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

template <typename Field> double extreme(const std::vector<Run> &runs, Field field, bool highest)
{
    auto compare = [field](const Run &a, const Run &b) { return a.*field < b.*field; };
    const Run &run = highest ? *std::max_element(runs.begin(), runs.end(), compare)
                             : *std::min_element(runs.begin(), runs.end(), compare);
    return double(run.*field);
}

void printRow(const char *name, const std::vector<Run> &runs)
{
    std::printf("%-22s %9.1f %9.1f %6.1f-%-6.1f %9.1f %9.1f %9.1f\n", name,
                median(runs, &Run::mappedMs), median(runs, &Run::frameMs),
                extreme(runs, &Run::frameMs, false), extreme(runs, &Run::frameMs, true),
                median(runs, &Run::rssKiB) / 1024, median(runs, &Run::anonKiB) / 1024,
                median(runs, &Run::fileKiB) / 1024);
}
} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const auto settle = std::chrono::milliseconds(argc > 2 ? std::atoi(argv[2]) : 3000);
    if (runs < 1 || settle.count() < 1) {
        std::fprintf(stderr, "usage: %s [runs (10)] [ms before memory is read (3000)]\n", argv[0]);
        return 2;
    }
    Display display;
    if (!display.open()) {
        std::fprintf(stderr, "needs an X display with the DAMAGE extension (DISPLAY=%s)\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 1;
    }

    // The first run of each fills the page cache and the font cache; it is not counted.
    const char *const programs[] = {PROGRAM, MINIMAL_WINDOW, LABEL_WINDOW};
    for (const char *program : programs)
        if (!display.measure(program, settle))
            return 1;
    std::vector<Run> measured[3];
    for (int i = 0; i < runs; ++i) {
        for (int p = 0; p < 3; ++p) {
            const std::optional<Run> run = display.measure(programs[p], settle);
            if (!run)
                return 1;
            measured[p].push_back(*run);
        }
    }
    const std::vector<Run> &program = measured[0], &minimal = measured[1], &label = measured[2];

    std::printf("Start-up, median of %d runs each (ms from spawn; memory %lld ms after spawn)\n",
                runs, static_cast<long long>(settle.count()));
    std::printf("%-22s %9s %9s %13s %9s %9s %9s\n", "program", "mapped", "1st frame", "frame range",
                "RSS MiB", "anon MiB", "file MiB");
    printRow("zxquote", program);
    printRow("bench_minimal_window", minimal);
    printRow("bench_label_window", label);

    auto frameRatio = [&](const std::vector<Run> &floor) {
        return median(program, &Run::frameMs) / median(floor, &Run::frameMs);
    };
    auto extraMiB = [&](const std::vector<Run> &floor) {
        return (median(program, &Run::rssKiB) - median(floor, &Run::rssKiB)) / 1024;
    };
    std::printf("against the window with no text: first frame %.2f x, memory %+.1f MiB\n",
                frameRatio(minimal), extraMiB(minimal));
    std::printf("first frame: %.2f x the one-label window (aim <= %.2f): %s\n", frameRatio(label),
                FrameRatioAim, frameRatio(label) <= FrameRatioAim ? "met" : "MISSED");
    std::printf("memory: %+.1f MiB over the one-label window (aim <= +%.0f MiB): %s\n",
                extraMiB(label), MemoryDifferenceAimMiB,
                extraMiB(label) <= MemoryDifferenceAimMiB ? "met" : "MISSED");
    return 0;
}
