// The scale benchmark: drag, frame, load, save and memory on timelines of up to 100,000 keys.
// Run it under an X server (xvfb-run) so that frames are drawn as in the editor.
#include <GL/gl.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <lua.hpp>
#include <map>
#include <string>
#include <vector>

#include "app/editor_window.h"
#include "bench/history_rounds.h"
#include "bench/timeline_generator.h"
#include "editing/timeline_writer.h"
#include "math3d/math3d.h"
#include "math3d/value_arena.h"
#include "script/timeline_script.h"
#include "timeline/timeline_registry.h"

namespace kvr::bench {
namespace {

const int kSizes[] = {1000, 10000, 100000};
const int kBig = 100000;
const int kMedium = 10000;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The times of `runs` calls of f, after one call that is not counted; prepare runs before each
// call, outside the time.
std::vector<double> times(
    int runs, const std::function<void()>& f, const std::function<void()>& prepare = [] {}) {
    prepare();
    f();
    std::vector<double> result;
    for (int i = 0; i < runs; ++i) {
        prepare();
        const Clock::time_point start = Clock::now();
        f();
        result.push_back(millisecondsSince(start));
    }
    return result;
}

void append(std::vector<double>& to, const std::vector<double>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// A frame counts until the drawing is done, not when its commands are queued.
void drawFrame(EditorWindow& editor) {
    editor.draw();
    glFinish();
}

SDL_MouseMotionEvent motion(int x, int y, int dx, int dy) {
    SDL_MouseMotionEvent e{};
    e.type = SDL_MOUSEMOTION;
    e.x = static_cast<Uint16>(x);
    e.y = static_cast<Uint16>(y);
    e.xrel = static_cast<Sint16>(dx);
    e.yrel = static_cast<Sint16>(dy);
    return e;
}

SDL_MouseButtonEvent button(Uint8 type, Uint8 which = SDL_BUTTON_MIDDLE) {
    SDL_MouseButtonEvent e{};
    e.type = type;
    e.button = which;
    e.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

// Shows the named timeline at the first view, with nothing selected.
void show(EditorWindow& editor, const std::string& name) {
    editor.onResize(800, 500);
    editor.core.showTimeline(TimelineKind::Three, name);
}

struct Pixel {
    int x;
    int y;
};

// Points at the x channel's key nearest keyTime and presses the middle button on it, as a user
// picks a key; ends the benchmark if the key was not picked.
Pixel pressOnXKey(EditorWindow& editor, float keyTime) {
    const std::vector<BezierKey>& keys = editor.core.currentTimeline()->x.keys();
    const BezierKey& key =
        *std::min_element(keys.begin(), keys.end(), [&](const BezierKey& a, const BezierKey& b) {
            return std::fabs(a.point.x - keyTime) < std::fabs(b.point.x - keyTime);
        });
    const Pixel at{static_cast<int>(key.point.x - editor.core.view().left()),
                   static_cast<int>(editor.core.view().top() - key.point.y + 0.5f)};
    editor.onMouseMotion(motion(at.x, at.y, 0, 0));
    editor.onMouseButton(button(SDL_MOUSEBUTTONDOWN), SDL_BUTTON_MMASK);
    if (editor.core.selectedKey() != &key) {
        std::fprintf(stderr, "the pointer did not pick the key at time %g\n", keyTime);
        std::exit(1);
    }
    return at;
}

// Motion events of the middle drag pressed at `at`, each with its frame unless withFrame is
// false, timed one by one; then the release. Moves go right-down and back by a pixel.
std::vector<double> middleDragTimes(EditorWindow& editor, Pixel at, int runs, bool withFrame) {
    int step = 1;
    const std::vector<double> result = times(runs, [&] {
        editor.onMouseMotion(motion(at.x + (step > 0), at.y + (step > 0), step, step));
        if (withFrame) drawFrame(editor);
        step = -step;
    });
    editor.onMouseButton(button(SDL_MOUSEBUTTONUP), 0);
    return result;
}

// One middle-drag motion event and its frame, on the key of the x channel at the given time.
// Moves go right-down and back so the key stays.
std::vector<double> dragTimes(EditorWindow& editor, const std::string& name, float keyTime,
                              int runs, bool withFrame = true) {
    show(editor, name);
    const Pixel at = pressOnXKey(editor, keyTime);
    return middleDragTimes(editor, at, runs, withFrame);
}

// The group drag: the same motion events and frames with 1,000 keys selected. Key k of channel c
// of a generated timeline lies at time 10 k with the n-th value, n = 9 k + 3 c + 1, so the values
// of the keys ascend through the channels in turn: a box spanning the values of x's keys 400
// and 733 holds 1,000 consecutive keys, about a third of them in each channel. It is drawn with
// Control and the left button at a view made for it, then the view returns to one like the
// first, 4,000 units on, and the middle button presses the x key at 4,400 among them.
std::vector<double> groupDragTimes(EditorWindow& editor, const std::string& name, int runs,
                                   bool withFrame = true) {
    show(editor, name);
    const Channel& x = editor.core.currentTimeline()->x;
    const float low = x.keys()[400].point.y;
    const float high = x.keys()[733].point.y;
    editor.core.setView(3995.0f, 7335.0f, low - 0.015f, high + 0.015f);
    editor.onMouseMotion(motion(0, 0, 0, 0));
    SDL_SetModState(KMOD_LCTRL);
    editor.onMouseButton(button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), SDL_BUTTON_LMASK);
    editor.onMouseMotion(motion(800, 500, 800, 500));
    editor.onMouseButton(button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), 0);
    SDL_SetModState(KMOD_NONE);
    if (editor.core.selection().size() != 1000) {
        std::fprintf(stderr, "the box selected %zu keys, not 1,000\n",
                     editor.core.selection().size());
        std::exit(1);
    }
    editor.core.setView(4000.0f, 4800.0f, -250.0f, 250.0f);
    const Pixel at = pressOnXKey(editor, 4400.0f);
    if (editor.core.selection().size() != 1000) {
        std::fprintf(stderr, "the press on a selected key let the others go\n");
        std::exit(1);
    }
    return middleDragTimes(editor, at, runs, withFrame);
}

// A middle drag of the x key at keyTime by one pixel right and down (or back), press to
// release: one step of the history.
void dragStep(EditorWindow& editor, float keyTime, int step) {
    const Pixel at = pressOnXKey(editor, keyTime);
    editor.onMouseMotion(motion(at.x + step, at.y + step, step, step));
    editor.onMouseButton(button(SDL_MOUSEBUTTONUP), 0);
}

SDL_KeyboardEvent ctrlKey(SDLKey symbol) {
    SDL_KeyboardEvent e{};
    e.type = SDL_KEYDOWN;
    e.state = SDL_PRESSED;
    e.keysym.sym = symbol;
    e.keysym.mod = KMOD_LCTRL;
    return e;
}

// Ctrl+Z and Ctrl+Y of one drag, in turns, each with its frame, as the user sees them; and the
// history's own part of it alone.
void undoRedoTimes(EditorWindow& editor, const std::string& name, float keyTime, int runs,
                   std::vector<double>& undoTimes, std::vector<double>& redoTimes,
                   std::vector<double>& bareTimes) {
    show(editor, name);
    dragStep(editor, keyTime, 1);
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        editor.onKey(ctrlKey(SDLK_z));
        drawFrame(editor);
        undoTimes.push_back(millisecondsSince(start));
        start = Clock::now();
        editor.onKey(ctrlKey(SDLK_y));
        drawFrame(editor);
        redoTimes.push_back(millisecondsSince(start));
        start = Clock::now();
        editor.core.undo();
        editor.core.redo();
        bareTimes.push_back(millisecondsSince(start));
    }
    editor.core.undo();
}

// What 1,000 drag steps on the largest timeline hold, by the allocator's count of bytes in use.
double dragStepsMegabytes(EditorWindow& editor, const std::string& name) {
    // The history holds no step to take back here (each undo run ends with an undo), so all
    // 1,000 are new and none falls off its far end.
    show(editor, name);
    const std::size_t before = mallinfo2().uordblks;
    for (int i = 0; i < 1000; ++i) dragStep(editor, 400.0f, i % 2 ? -1 : 1);
    const std::size_t after = mallinfo2().uordblks;
    return static_cast<double>(after - before) / 1e6;
}

std::vector<double> frameTimes(EditorWindow& editor, const std::string& name, int runs) {
    show(editor, name);
    return times(runs, [&] { drawFrame(editor); });
}

// Frames after Home: again and again as the pointer moves over the window (moving changes
// nothing that is drawn), or, with moving, each after the view moved by a pixel and back, so
// that nothing can be drawn from the frame before.
std::vector<double> frameAllTimes(EditorWindow& editor, const std::string& name, int runs,
                                  bool moving = false) {
    show(editor, name);
    editor.core.frameAll();
    float step = (editor.core.view().right() - editor.core.view().left()) / 800;
    return times(runs, [&] {
        if (moving) {
            const EditView& view = editor.core.view();
            editor.core.setView(view.left() + step, view.right() + step, view.bottom(), view.top());
            step = -step;
        }
        drawFrame(editor);
    });
}

// Frames after Home with every key selected, each drawn white over its grey point.
std::vector<double> allSelectedTimes(EditorWindow& editor, const std::string& name, int runs) {
    show(editor, name);
    editor.core.frameAll();
    editor.core.selectAll();
    std::vector<double> result = times(runs, [&] { drawFrame(editor); });
    editor.core.clearSelection();
    return result;
}

int doNothing(lua_State*) {
    return 0;
}

// The interpreter's own cost for a file: the same state with math3d, the eight timeline
// functions replaced by functions that do nothing.
void runWithoutTimelineFunctions(const std::string& path) {
    const std::uint32_t mark = ValueArena::instance().size();
    lua_State* L = luaL_newstate();
    register_math3d(L);
    for (const char* name :
         {"timeline3_begin", "timeline3_insert_x", "timeline3_insert_y", "timeline3_insert_z",
          "timeline3_end", "timeline1_begin", "timeline1_push", "timeline1_end"}) {
        lua_pushcfunction(L, doNothing);
        lua_setglobal(L, name);
    }
    if (luaL_loadfile(L, path.c_str()) != 0 || lua_pcall(L, 0, 0, 0) != 0) {
        std::fprintf(stderr, "%s\n", lua_tostring(L, -1));
        std::exit(1);
    }
    lua_close(L);
    // Nothing ended the block, so the values it made are still in the arena.
    ValueArena::instance().resize(mark);
}

std::vector<double> loadTimes(const std::string& path, int runs) {
    return times(
        runs, [&] { runTimelineScript(path); }, [] { TimelineRegistry::instance().clear(); });
}

// Peak resident memory of a fresh process that only loads the file, in megabytes. The child
// reads its own high-water mark: the rusage of a spawned child would also count the parent's
// pages from before the exec.
double loadPeakMegabytes(const std::string& path) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    const std::string command = "'" + self + "' --load-only '" + path + "'";
    std::FILE* child = popen(command.c_str(), "r");
    if (!child) return -1;
    double kilobytes = -1;
    if (std::fscanf(child, "%lf", &kilobytes) != 1) kilobytes = -1;
    if (pclose(child) != 0) return -1;
    return kilobytes / 1024.0;
}

// The high-water mark of this process's resident memory, in kilobytes.
long residentPeakKilobytes() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) kilobytes = std::atol(line + 6);
    }
    std::fclose(status);
    return kilobytes;
}

int loadOnly(const char* path) {
    runTimelineScript(path);
    const Timeline3* t = TimelineRegistry::instance().findTimeline3("bench");
    if (!t || t->x.keys().size() != static_cast<std::size_t>(kBig)) return 1;
    std::printf("%ld\n", residentPeakKilobytes());
    return 0;
}

struct Target {
    std::string text;
    double value;
    double limit;
    bool below;  // the value must stay under the limit rather than at most reach it
};

void printFigure(const char* what, int keys, double ms, const char* reference, double ratio) {
    std::printf("  %-6s %7d keys/channel %10.3f ms", what, keys, ms);
    if (reference) std::printf("   %6.2f x %s", ratio, reference);
    std::printf("\n");
}

int run() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("tledit_bench." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    TimelineRegistry& registry = TimelineRegistry::instance();
    EditorWindow editor;

    // Every size once as a timeline and once as a file that the editor itself saved. Sizes
    // take turns in rounds, here and below, so that a slow spell of a shared machine falls on
    // all of them rather than on one.
    std::map<int, std::shared_ptr<Timeline3>> timelines;
    std::map<int, std::string> files;
    for (int k : kSizes) {
        timelines[k] = generateTimeline(k);
        files[k] = (dir / ("bench_" + std::to_string(k) + ".lua")).string();
    }
    std::map<int, std::vector<double>> saveTimes;
    for (int round = 0; round < 5; ++round) {
        for (int k : kSizes) {
            const auto prepare = [&] {
                registry.clear();
                registry.addTimeline3("bench", timelines[k]);
                editor.core.setFileName(files[k]);
            };
            append(saveTimes[k], times(
                                     k == kBig ? 1 : 3, [&] { editor.core.save(); }, prepare));
        }
    }
    std::map<int, double> saveMs;
    std::printf("tledit benchmark: medians of repeated runs, times in milliseconds\n");
    for (int k : kSizes) {
        saveMs[k] = median(saveTimes[k]);
        std::printf("  file   %7d keys/channel %10.1f MB\n", k,
                    static_cast<double>(std::filesystem::file_size(files[k])) / 1e6);
    }

    // Drag and frame: the default timeline and each generated one in the same registry.
    registry.clear();
    registry.addTimeline3("no_name", makeDefaultTimeline());
    for (int k : kSizes) registry.addTimeline3("bench" + std::to_string(k), timelines[k]);
    registry.addTimeline3("packed", packedTimeline(kBig));
    registry.addTimeline3("swinging", swingingTimeline(kBig));
    const std::string bigName = "bench" + std::to_string(kBig);
    const int rounds = 10;
    const int runs = 41;
    std::vector<double> dragDefaultTimes, frameDefaultTimes, frameAllBigTimes, packedBigTimes;
    std::vector<double> frameAllMovingTimes, swingingBigTimes, allSelectedBigTimes;
    std::map<int, std::vector<double>> dragTimesOf, frameTimesOf;
    std::vector<double> groupDragBigTimes, bareDragBigTimes, bareGroupDragBigTimes;
    for (int round = 0; round < rounds; ++round) {
        append(dragDefaultTimes, dragTimes(editor, "no_name", 100.0f, runs));
        append(frameDefaultTimes, frameTimes(editor, "no_name", runs));
        for (int k : kSizes) {
            const std::string name = "bench" + std::to_string(k);
            append(dragTimesOf[k], dragTimes(editor, name, 400.0f, runs));
            append(frameTimesOf[k], frameTimes(editor, name, runs));
        }
        append(groupDragBigTimes, groupDragTimes(editor, bigName, runs));
        append(bareDragBigTimes, dragTimes(editor, bigName, 400.0f, runs, false));
        append(bareGroupDragBigTimes, groupDragTimes(editor, bigName, runs, false));
        append(frameAllBigTimes, frameAllTimes(editor, bigName, runs));
        append(frameAllMovingTimes, frameAllTimes(editor, bigName, runs, true));
        append(allSelectedBigTimes, allSelectedTimes(editor, bigName, runs));
        append(packedBigTimes, frameTimes(editor, "packed", runs));
        append(swingingBigTimes, frameTimes(editor, "swinging", runs));
    }
    const double dragDefault = median(dragDefaultTimes);
    const double frameDefault = median(frameDefaultTimes);
    const double frameAllBig = median(frameAllBigTimes);
    const double packedBig = median(packedBigTimes);
    const double swingingBig = median(swingingBigTimes);
    std::map<int, double> dragMs, frameMs;
    for (int k : kSizes) {
        dragMs[k] = median(dragTimesOf[k]);
        frameMs[k] = median(frameTimesOf[k]);
    }

    std::printf("drag: one middle-drag motion event on a key and its frame, first view\n");
    printFigure("drag", 2, dragDefault, nullptr, 0);
    for (int k : kSizes) printFigure("drag", k, dragMs[k], "default", dragMs[k] / dragDefault);
    const double groupDragBig = median(groupDragBigTimes);
    std::printf("group drag: the same with 1,000 keys of the three channels selected\n");
    printFigure("group", kBig, groupDragBig, "drag", groupDragBig / dragMs[kBig]);
    std::printf("  the motion events alone, without frames: %.4f ms (one key), %.4f ms (1,000)\n",
                median(bareDragBigTimes), median(bareGroupDragBigTimes));
    std::printf("frame: drawing the timeline at the first view\n");
    printFigure("frame", 2, frameDefault, nullptr, 0);
    for (int k : kSizes) printFigure("frame", k, frameMs[k], "default", frameMs[k] / frameDefault);
    std::printf("frame all: drawing the whole timeline after Home\n");
    printFigure("all", kBig, frameAllBig, "default", frameAllBig / frameDefault);
    const double frameAllMoving = median(frameAllMovingTimes);
    std::printf("  the same, the view moved by a pixel before each frame:\n");
    printFigure("all", kBig, frameAllMoving, "default", frameAllMoving / frameDefault);
    const double allSelected = median(allSelectedBigTimes);
    std::printf("  the same, every key selected:\n");
    printFigure("all", kBig, allSelected, "default", allSelected / frameDefault);
    std::printf("packed: drawing a timeline whose keys all lie in the first view\n");
    printFigure("packed", kBig, packedBig, "default", packedBig / frameDefault);
    std::printf("swinging: the same, values jumping within 50 units, dozens of rows per column\n");
    printFigure("swing", kBig, swingingBig, "default", swingingBig / frameDefault);

    // Undo and redo of a drag.
    std::vector<double> undoDefaultTimes, redoDefaultTimes, bareDefaultTimes;
    std::vector<double> undoBigTimes, redoBigTimes, bareBigTimes;
    for (int round = 0; round < rounds; ++round) {
        undoRedoTimes(editor, "no_name", 100.0f, runs, undoDefaultTimes, redoDefaultTimes,
                      bareDefaultTimes);
        undoRedoTimes(editor, bigName, 400.0f, runs, undoBigTimes, redoBigTimes, bareBigTimes);
    }
    const double undoDefault = median(undoDefaultTimes), redoDefault = median(redoDefaultTimes);
    const double undoBig = median(undoBigTimes), redoBig = median(redoBigTimes);
    std::printf("undo, redo: Ctrl+Z and Ctrl+Y of one middle drag of a key, with the frame\n");
    printFigure("undo", 2, undoDefault, nullptr, 0);
    printFigure("undo", kBig, undoBig, "default", undoBig / undoDefault);
    printFigure("redo", 2, redoDefault, nullptr, 0);
    printFigure("redo", kBig, redoBig, "default", redoBig / redoDefault);
    std::printf("  the history alone, an undo and a redo: %.4f ms (2 keys), %.4f ms (%d keys)\n",
                median(bareDefaultTimes), median(bareBigTimes), kBig);

    const double stepsMegabytes = dragStepsMegabytes(editor, "bench" + std::to_string(kBig));
    std::printf("memory: 1,000 drag steps on 3 x %d keys hold %.3f MB\n", kBig, stepsMegabytes);
    const double resortMegabytes = dragPastAndInsertMegabytes(registry, kBig);
    std::printf(
        "memory: 1,000 rounds of a drag past a neighbour and an insertion, 3 x %d keys: "
        "the history holds %.3f MB\n",
        kBig, resortMegabytes);
    std::printf("  the re-sort alone, an insertion after the drag without its rebuild: %.4f ms\n",
                median(resortTimes(kBig, runs)));

    // Load and save, the largest file against the interpreter's floor and the 10,000-key file.
    registry.clear();
    editor.core.showTimeline(TimelineKind::None, "");
    std::vector<double> floorTimes;
    std::map<int, std::vector<double>> loadSamples;
    for (int round = 0; round < 5; ++round) {
        append(floorTimes, times(1, [&] { runWithoutTimelineFunctions(files[kBig]); }));
        for (int k : kSizes) append(loadSamples[k], loadTimes(files[k], k == kBig ? 1 : 3));
    }
    registry.clear();
    const double floorMs = median(floorTimes);
    std::map<int, double> loadMs;
    for (int k : kSizes) loadMs[k] = median(loadSamples[k]);
    std::printf("load: running the saved file (3 x keys/channel keys)\n");
    printFigure("floor", kBig, floorMs, nullptr, 0);
    for (int k : kSizes) {
        printFigure("load", k, loadMs[k], "10,000", loadMs[k] / loadMs[kMedium]);
    }
    printFigure("load", kBig, loadMs[kBig], "floor", loadMs[kBig] / floorMs);
    std::printf("save: writing the file with 's' (3 x keys/channel keys)\n");
    for (int k : kSizes) {
        printFigure("save", k, saveMs[k], "10,000", saveMs[k] / saveMs[kMedium]);
    }
    const double peak = loadPeakMegabytes(files[kBig]);
    std::printf("memory: peak resident while loading 3 x %d keys: %.1f MB\n", kBig, peak);

    const std::vector<Target> targets = {
        {"drag, 100,000 keys: at most 3 x the default timeline", dragMs[kBig] / dragDefault, 3,
         false},
        {"frame, 100,000 keys: at most 3 x the default timeline", frameMs[kBig] / frameDefault, 3,
         false},
        {"group drag of 1,000 keys, 100,000 keys: at most 3 x the drag of one",
         groupDragBig / dragMs[kBig], 3, false},
        {"frame all, 100,000 keys: at most 1.5 x the default timeline", frameAllBig / frameDefault,
         1.5, false},
        {"frame all, the view new each frame: at most 3 x the default timeline",
         frameAllMoving / frameDefault, 3, false},
        {"packed view, 100,000 keys: at most 3 x the default timeline", packedBig / frameDefault, 3,
         false},
        {"swinging view, 100,000 keys: at most 2 x the default timeline",
         swingingBig / frameDefault, 2, false},
        {"load, 3 x 100,000 keys: at most 2 x the interpreter's floor", loadMs[kBig] / floorMs, 2,
         false},
        {"load, 3 x 100,000 keys: at most 12 x 3 x 10,000", loadMs[kBig] / loadMs[kMedium], 12,
         false},
        {"save, 3 x 100,000 keys: at most 12 x 3 x 10,000", saveMs[kBig] / saveMs[kMedium], 12,
         false},
        {"memory loading 3 x 100,000 keys: under 200 MB", peak, 200, true},
        {"undo of a drag, 100,000 keys: at most 3 x the default timeline", undoBig / undoDefault, 3,
         false},
        {"redo of a drag, 100,000 keys: at most 3 x the default timeline", redoBig / redoDefault, 3,
         false},
        {"memory of 1,000 drag steps, 100,000 keys: under 1 MB", stepsMegabytes, 1, true},
        {"memory of 1,000 drags past a neighbour and insertions: under 4 MB", resortMegabytes, 4,
         true},
    };
    std::printf("targets:\n");
    for (const Target& t : targets) {
        const bool met = t.value >= 0 && (t.below ? t.value < t.limit : t.value <= t.limit);
        std::printf("  %-60s %8.2f  %s\n", t.text.c_str(), t.value, met ? "met" : "not met");
    }
    std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace
}  // namespace kvr::bench

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load-only") == 0) {
        return kvr::bench::loadOnly(argv[2]);
    }
    try {
        return kvr::bench::run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
