// Loads the built plug-in module the way a host does (LoadLibrary / dlopen, then the
// exported entry points by name) and either writes its renders to a file (Linux: the
// reference) or renders again and compares with such a file (Windows, under Wine).
//
//   moltaro-module-check write   <module> <render file>
//   moltaro-module-check compare <module> <render file> [tolerance]
//
// The closing line is "N passed, N failed"; the exit code is 0 only when nothing failed.

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s write|compare <module> <render file> [tolerance]\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1], modulePath = argv[2], renderPath = argv[3];
    const double tolerance = argc > 4 ? std::atof(argv[4]) : 1e-6;
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

    std::vector<modulecheck::Render> reference;
    std::string error;
    if (!modulecheck::readRenders(renderPath, reference, error)) {
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
            report(d.maxAbs <= tolerance, line);
        }
        if (d.maxAbs > worst) worst = d.maxAbs;
    }
    std::printf("%zu of %zu renders identical sample for sample; largest difference %.3g\n", identical,
                reference.size(), worst);
    return finish();
}
