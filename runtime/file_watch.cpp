// file_watch: noticing that a game's data files changed while it runs
// (tileworld --watch), and running a helper program for its report.
//
// The engine names folders and file patterns; a poll lists each folder once
// and compares every matching file's size and modification time with what
// it saw before. Polls run at most every poll_interval_ms, so between polls
// the call costs one reading of the clock. A change is reported once the
// files have stood still for one more poll, so that a file caught half
// written by an editor is not taken for the finished one.
#include <chrono>
#include <map>

#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "runtime/platform.h"
#include "runtime/testing.h"

namespace tw {

namespace {

constexpr int64_t poll_interval_ms = 250;

struct stamp {
    uint64_t size = 0;
    int64_t modified = 0;
    bool operator==(const stamp& o) const { return size == o.size && modified == o.modified; }
};
using snapshot = std::map<text, stamp>;  // by the file's data path (folder + name as listed)

struct watch_state {
    std::vector<watched_files> what;
    snapshot settled;       // the state last reported (or seen when watching began)
    snapshot seen;          // the state of the last poll
    bool moving = false;    // the last poll differed from `settled`
    int64_t last_poll = 0;
    bool active = false;
};

watch_state& watch() {
    static watch_state w;
    return w;
}

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

snapshot take_snapshot(const std::vector<watched_files>& what) {
    snapshot s;
    std::vector<platform::host_stamp> files;
    for (const watched_files& w : what) {
        const text host = w.folder.empty() ? text(".") : resolved_path(w.folder);
        // A folder that is missing now simply holds no files; it may appear later.
        if (host.empty() || !platform::host_folder_stamps(host, files)) continue;
        for (const platform::host_stamp& f : files)
            if (wildcard_match(w.pattern, f.name)) s[w.folder + f.name] = {f.size, f.modified};
    }
    return s;
}

}  // namespace

void watch_files(const std::vector<watched_files>& what) {
    watch_state& w = watch();
    w.what = what;
    w.settled = take_snapshot(what);
    w.seen = w.settled;
    w.moving = false;
    w.last_poll = now_ms();
    w.active = true;
}

bool watched_files_changed(std::vector<text>& changed) {
    changed.clear();
    watch_state& w = watch();
    if (!w.active) return false;
    const int64_t now = now_ms();
    if (now - w.last_poll < poll_interval_ms) return false;
    w.last_poll = now;

    snapshot current = take_snapshot(w.what);
    if (current == w.settled) {
        w.moving = false;
        w.seen = std::move(current);
        return false;
    }
    // Reported only once two polls in a row agree.
    const bool settled = w.moving && current == w.seen;
    w.moving = true;
    w.seen = current;
    if (!settled) return false;
    for (const auto& [path, st] : current) {
        auto before = w.settled.find(path);
        if (before == w.settled.end() || !(before->second == st)) changed.push_back(path);
    }
    for (const auto& [path, st] : w.settled)
        if (current.find(path) == current.end()) changed.push_back(path);  // removed
    w.settled = std::move(current);
    w.moving = false;
    return !changed.empty();
}

text program_folder() { return platform::host_program_folder(); }

bool run_program(const text& program, const std::vector<text>& args, text& output) {
    return platform::host_run_program(program, args, output);
}

}  // namespace tw
