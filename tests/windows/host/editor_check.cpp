// The plug-in's editor in a real Win32 window, as a host shows it: loads Moltaro.dll,
// opens the editor into a top-level window of its own, lets it paint, takes a
// screenshot and compares it with the Linux headless reference picture (same layout;
// text may differ by font rasterisation), clicks the PROC button with real mouse input
// and checks that Power toggles, types a number into a text field, chooses from the
// algorithm menu, and opens and closes editors as hosts do.
//
//   moltaro-editor-check [--scaled] <Moltaro.dll> <reference.png> <screenshot.bmp>
//
// --scaled: the program is a DPI-aware host on a desktop of more than 96 dpi; the
// editor must open at the reference's size (its factor: reference width / 300), and
// every check clicks and compares at that factor.
//
// Needs a display (Wine on Xvfb). The closing line is "N passed, N failed".

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "editor/PngDecoder.h"
#include "shell/vst2abi.h"
#include "tests/windows/win32/Win32TestSupport.h"

namespace {

int passed = 0;
int failed = 0;
int k = 1;  // the editor's scale factor

// A point of the 1x design: the middle of its pixels in the window.
int at(int v) { return v * k + k / 2; }

void report(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    (ok ? passed : failed)++;
}

int finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterGetSampleRate: return 44100;
    case audioMasterGetBlockSize: return 512;
    default: return 0;
    }
}

VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
    return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
}

// Lets the window system and the editor run for a while, as a host's loop does.
void run(AEffect* e, int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (e) dispatch(e, effEditIdle);
        Sleep(10);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB
    uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xffffff; }
};

// What the window shows, read back from its device context.
Picture capture(HWND window) {
    Picture p;
    RECT r;
    GetClientRect(window, &r);
    p.width = r.right;
    p.height = r.bottom;
    if (p.width > 0 && p.height > 0) p.pixels = win32test::capture(window, p.width, p.height);
    return p;
}

bool writeBmp(const Picture& p, const std::string& path) {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    const uint32_t imageBytes = static_cast<uint32_t>(p.width * p.height * 4);
    out.push_back('B');
    out.push_back('M');
    put(54 + imageBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<uint32_t>(p.width), 4);
    put(static_cast<uint32_t>(-p.height), 4);
    put(1, 2);
    put(32, 2);
    put(0, 4);
    put(imageBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (uint32_t px : p.pixels) put(px | 0xff000000u, 4);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(f);
}

bool readReference(const std::string& path, Picture& p) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    moltaro::DecodedPicture decoded;
    if (png.empty() || !moltaro::decodePng(png.data(), png.size(), decoded)) return false;
    p.width = decoded.width;
    p.height = decoded.height;
    p.pixels = decoded.pixels;
    return true;
}

bool differ(uint32_t a, uint32_t b, int tolerance) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff);
        if (d > tolerance || d < -tolerance) return true;
    }
    return false;
}

struct Box {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Where the editor writes text (value fields, algorithm name, lamp read-out, program
// name): these may differ by font rasterisation; every other pixel is drawn from the
// bitmaps and must match.
const Box kTextAreas[] = {
    {47, 99, 89, 110},    {212, 99, 254, 110},  {94, 103, 207, 113},  {242, 176, 274, 187},
    {44, 165, 92, 176},   {99, 165, 147, 176},  {209, 165, 257, 176}, {154, 165, 202, 176},
    {99, 234, 147, 245},  {154, 234, 202, 245}, {210, 229, 255, 242}, {89, 262, 205, 290},
};

bool inText(int x, int y) {
    for (const Box& b : kTextAreas)
        if (Box{b.left * k, b.top * k, b.right * k, b.bottom * k}.contains(x, y)) return true;
    return false;
}

// Real mouse input at a point of a window (moves the pointer there, presses, releases).
void click(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    SetCursorPos(p.x, p.y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(30);
    SendInput(1, &input[1], sizeof(INPUT));
}

LRESULT CALLBACK hostWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

}  // namespace

int main(int argc, char** argv) {
    const bool scaled = argc > 1 && std::string(argv[1]) == "--scaled";
    if (scaled) {
        --argc;
        ++argv;
        SetProcessDPIAware();
    }
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s [--scaled] <Moltaro.dll> <reference.png> <screenshot.bmp>\n", argv[0]);
        return 2;
    }
    Picture reference;
    const bool haveReference = readReference(argv[2], reference);
    if (haveReference) k = reference.width / 300;
    report(haveReference && k >= 1, std::string("reads the reference ") + argv[2]);
    if (!haveReference || k < 1) return finish();
    HMODULE module = LoadLibraryA(argv[1]);
    report(module != nullptr, std::string("loads ") + argv[1]);
    if (!module) return finish();
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "VSTPluginMain")));
    AEffect* effect = entry ? entry(hostCallback) : nullptr;
    report(effect != nullptr && (effect->flags & effFlagsHasEditor), "an effect with an editor");
    if (!effect) return finish();
    dispatch(effect, effOpen);
    dispatch(effect, effMainsChanged, 0, 1);

    ERect* rect = nullptr;
    dispatch(effect, effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0, height = rect ? rect->bottom - rect->top : 0;
    report(width == 300 * k && height == 294 * k, "the editor is " + std::to_string(300 * k) + " x " +
                                                      std::to_string(294 * k) + " (" + std::to_string(width) +
                                                      " x " + std::to_string(height) + ")");

    WNDCLASSA wc{};
    wc.lpfnWndProc = hostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MoltaroTestHost";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&wc);
    RECT outer{0, 0, 20 + 300 * k, 16 + 294 * k};
    AdjustWindowRect(&outer, WS_OVERLAPPEDWINDOW, FALSE);
    HWND host = CreateWindowA("MoltaroTestHost", "Moltaro test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(host);
    run(nullptr, 200);

    report(dispatch(effect, effEditOpen, 0, 0, host) == 1, "effEditOpen answers 1");
    HWND editor = GetWindow(host, GW_CHILD);
    char className[128] = {};
    if (editor) GetClassNameA(editor, className, sizeof className);
    const std::string name = className;
    const bool classOk = name.rfind("Plugin", 0) == 0 &&
                         std::strtoull(name.c_str() + 6, nullptr, 16) == reinterpret_cast<uintptr_t>(module);
    report(editor != nullptr && classOk, "a child window of class \"" + name + "\" (Plugin and the module handle)");
    if (!editor) return finish();
    RECT client;
    GetClientRect(editor, &client);
    report(client.right == 300 * k && client.bottom == 294 * k,
           "the child window is " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
    run(effect, 800);

    Picture shown = capture(editor);
    report(writeBmp(shown, argv[3]), std::string("screenshot written to ") + argv[3]);
    if (reference.width != shown.width || reference.height != shown.height) {
        report(false, std::string("reference picture ") + argv[2] + " of the window's size");
    } else {
        int outside = 0, inside = 0, textPixels = 0;
        for (int y = 0; y < shown.height; ++y)
            for (int x = 0; x < shown.width; ++x) {
                const bool text = inText(x, y);
                textPixels += text;
                if (!differ(shown.at(x, y), reference.at(x, y), 24)) continue;
                (text ? inside : outside)++;
            }
        report(outside <= shown.width * shown.height / 1000,
               std::to_string(outside) + " pixels outside the text areas differ from the reference");
        report(inside <= textPixels / 2,
               std::to_string(inside) + " of " + std::to_string(textPixels) + " pixels in the text areas differ");
    }

    // PROC switches the reverb input (Power) off and on.
    const float before = effect->getParameter(effect, 0);
    click(editor, at(67), at(215));
    run(effect, 500);
    const float after = effect->getParameter(effect, 0);
    report(before == 1.0f && after == 0.0f,
           "a click on PROC switches Power from " + std::to_string(before) + " to " + std::to_string(after));
    Picture toggled = capture(editor);
    int changed = 0;
    for (int y = 202 * k; y < 228 * k; ++y)
        for (int x = 50 * k; x < 85 * k; ++x) changed += differ(toggled.at(x, y), shown.at(x, y), 0);
    report(changed > 50 * k * k, "the PROC button's picture changed (" + std::to_string(changed) + " pixels)");
    click(editor, at(67), at(215));
    run(effect, 500);
    report(effect->getParameter(effect, 0) == 1.0f, "a second click switches Power on again");

    // The TIME field: a click opens the native text field, Enter takes the typed number.
    click(editor, at(68), at(104));
    run(effect, 300);
    HWND field = FindWindowExA(editor, nullptr, "Edit", nullptr);
    report(field != nullptr, "a click on the TIME field opens a text field");
    if (field) {
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("25"));
        SendMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
        run(effect, 300);
        report(effect->getParameter(effect, 3) == 0.25f && !IsWindow(field),
               "typing 25 and Enter sets Decay to " + std::to_string(effect->getParameter(effect, 3)));
    }

    // The algorithm name: a pop-up menu of the nine algorithms; the keys choose Hall.
    std::thread menuKeys([] {
        HWND menu = nullptr;
        for (int i = 0; i < 300 && !menu; ++i) {
            menu = FindWindowA("#32768", nullptr);
            if (!menu || !IsWindowVisible(menu)) {
                menu = nullptr;
                Sleep(10);
            }
        }
        if (!menu) return;
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {
            PostMessageA(menu, WM_KEYDOWN, key, 0);
            Sleep(50);
        }
        for (int i = 0; i < 20 && IsWindowVisible(menu); ++i) {  // never leave it open
            PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(100);
        }
    });
    click(editor, at(150), at(107));
    run(effect, 800);
    menuKeys.join();
    const float type = effect->getParameter(effect, 1);
    report(type > 4.0f / 9.0f && type < 5.0f / 9.0f, "the algorithm menu chooses Hall (Type " + std::to_string(type) + ")");

    dispatch(effect, effEditClose);
    run(nullptr, 100);
    report(GetWindow(host, GW_CHILD) == nullptr, "effEditClose removes the window");
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    report(!GetClassInfoExA(module, name.c_str(), &info), "the window class is unregistered with its last window");

    // Opened again, and a second instance's editor beside it: one class for both.
    HWND secondHost = CreateWindowA("MoltaroTestHost", "second", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 360, 20,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    AEffect* second = entry(hostCallback);
    const bool reopened = dispatch(effect, effEditOpen, 0, 0, host) == 1;
    const bool secondOpened = second && dispatch(second, effEditOpen, 0, 0, secondHost) == 1;
    run(effect, 200);
    if (second) dispatch(second, effEditIdle);
    report(reopened && secondOpened && GetWindow(host, GW_CHILD) && GetWindow(secondHost, GW_CHILD),
           "reopened, and a second instance's editor open at the same time");
    dispatch(effect, effEditClose);
    report(GetClassInfoExA(module, name.c_str(), &info) != FALSE, "the class stays while the other editor is open");
    if (second) {
        dispatch(second, effEditClose);
        dispatch(second, effClose);
    }
    report(!GetClassInfoExA(module, name.c_str(), &info), "and goes with the last one");
    // A host that destroys its window before closing the editor.
    dispatch(effect, effEditOpen, 0, 0, secondHost);
    run(effect, 100);
    DestroyWindow(secondHost);
    run(effect, 100);
    dispatch(effect, effEditClose);
    report(dispatch(effect, effClose) == 1, "effClose answers 1, also after a host destroyed the editor's parent");
    DestroyWindow(host);
    FreeLibrary(module);
    return finish();
}
