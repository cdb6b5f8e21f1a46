// Loads the built plug-in module the way a host does (LoadLibrary / dlopen, then the
// exported entry points by name) and either writes its renders to a file (the x86-64
// Linux reference) or renders again and compares with such a file (Windows under Wine,
// ARM under qemu). Two modes need no module: diff compares two render files, nudge
// copies one with a single sample moved by one ulp, to show that a comparison catches it.
//
//   moltaro-module-check write   <module> <render file>
//   moltaro-module-check compare <module> <render file> [tolerance]
//   moltaro-module-check diff    <reference file> <render file> [tolerance]
//   moltaro-module-check nudge   <render file> <copy>
//
// The closing line is "N passed, N failed"; the exit code is 0 only when nothing failed.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "RenderCases.h"

namespace {

struct Module {
    modulecheck::EntryPoint vstPluginMain = nullptr;
    modulecheck::EntryPoint main = nullptr;
    std::string error;
};

template <typename F>
modulecheck::EntryPoint asEntry(F symbol) {
    return reinterpret_cast<modulecheck::EntryPoint>(reinterpret_cast<void (*)()>(symbol));
}

Module load(const std::string& path) {
    Module m;
#if defined(_WIN32)
    HMODULE h = LoadLibraryA(path.c_str());
    if (!h) {
        m.error = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return m;
    }
    m.vstPluginMain = asEntry(GetProcAddress(h, "VSTPluginMain"));
    m.main = asEntry(GetProcAddress(h, "main"));
#else
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        m.error = dlerror();
        return m;
    }
    m.vstPluginMain = asEntry(dlsym(h, "VSTPluginMain"));
    m.main = asEntry(dlsym(h, "main"));
#endif
    return m;
}

int passed = 0;
int failed = 0;

void report(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    (ok ? passed : failed)++;
}

int finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

// Compares renders with the reference, case by case, and reports each.
int compareWithReference(const std::vector<modulecheck::Render>& renders, const std::string& referencePath,
                         double tolerance) {
    std::vector<modulecheck::Render> reference;
    std::string error;
    if (!modulecheck::readRenders(referencePath, reference, error)) {
        report(false, "reference renders: " + error);
        return finish();
    }
    report(reference.size() == renders.size(),
           std::to_string(renders.size()) + " renders, " + std::to_string(reference.size()) + " in the reference");
    std::size_t identical = 0;
    double worst = 0.0;
    for (const auto& ref : reference) {
        const modulecheck::Render* mine = nullptr;
        for (const auto& r : renders)
            if (r.name == ref.name) mine = &r;
        if (!mine) {
            report(false, ref.name + ": not rendered here");
            continue;
        }
        modulecheck::Difference d = modulecheck::compare(*mine, ref);
        char line[512];
        if (!d.sameLength) {
            report(false, ref.name + ": length differs from the reference");
        } else if (d.differing == 0) {
            ++identical;
            report(true, ref.name + ": identical to the reference");
        } else {
            std::snprintf(line, sizeof line, "%s: %zu samples differ, largest by %.3g (first at frame %zu)",
                          ref.name.c_str(), d.differing, d.maxAbs, d.firstIndex);
            // A tolerance of 0 asks for identical bits (+0 and -0 differ too).
            report(tolerance > 0.0 && d.maxAbs <= tolerance, line);
        }
        if (d.maxAbs > worst) worst = d.maxAbs;
    }
    std::printf("%zu of %zu renders identical sample for sample; largest difference %.3g\n", identical,
                reference.size(), worst);
    return finish();
}

// Moves one sample, in the middle of the middle render's right channel, to the next
// float away from zero.
int nudge(const std::string& from, const std::string& to) {
    std::vector<modulecheck::Render> renders;
    std::string error;
    if (!modulecheck::readRenders(from, renders, error) || renders.empty()) {
        report(false, error.empty() ? from + " holds no renders" : error);
        return finish();
    }
    modulecheck::Render& r = renders[renders.size() / 2];
    if (r.right.empty()) {
        report(false, r.name + " has no samples to nudge");
        return finish();
    }
    float& x = r.right[r.right.size() / 2];
    const float before = x;
    x = std::nextafter(x, x < 0.0f ? -INFINITY : INFINITY);
    std::printf("%s: right sample %zu moved from %.9g to %.9g\n", r.name.c_str(), r.right.size() / 2, before, x);
    report(modulecheck::writeRenders(to, renders), "nudged copy written to " + to);
    return finish();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: %s write|compare <module> <render file> [tolerance]\n"
                     "       %s diff <reference file> <render file> [tolerance]\n"
                     "       %s nudge <render file> <copy>\n",
                     argv[0], argv[0], argv[0]);
        return 2;
    }
    const std::string mode = argv[1], modulePath = argv[2], renderPath = argv[3];
    const double tolerance = argc > 4 ? std::atof(argv[4]) : 1e-6;
    if (mode == "nudge") return nudge(argv[2], argv[3]);
    if (mode == "diff") {
        std::vector<modulecheck::Render> renders;
        std::string error;
        if (!modulecheck::readRenders(renderPath, renders, error)) {
            report(false, error);
            return finish();
        }
        return compareWithReference(renders, argv[2], tolerance);
    }
    if (mode != "write" && mode != "compare") {
        std::fprintf(stderr, "unknown mode \"%s\"\n", mode.c_str());
        return 2;
    }

    Module module = load(modulePath);
    report(module.error.empty(), "module " + modulePath + " loads" + (module.error.empty() ? "" : ": " + module.error));
    report(module.vstPluginMain != nullptr, "VSTPluginMain is exported");
    report(module.main != nullptr, "main is exported");
    if (!module.vstPluginMain || !module.main) return finish();

    std::vector<std::string> problems;
    modulecheck::checkRecord(module.vstPluginMain, "VSTPluginMain", problems);
    modulecheck::checkRecord(module.main, "main", problems);
    for (const auto& p : problems) report(false, p);
    if (problems.empty()) report(true, "both entry points give a well-formed effect record");
    problems.clear();

    std::vector<modulecheck::Render> renders = modulecheck::renderAll(module.vstPluginMain, problems);
    for (const auto& p : problems) report(false, p);

    if (mode == "write") {
        report(modulecheck::writeRenders(renderPath, renders),
               std::to_string(renders.size()) + " renders written to " + renderPath);
        return finish();
    }

    return compareWithReference(renders, renderPath, tolerance);
}
