// Pop-up menus, the native text field and drag and drop of the Win32 window. Menus are
// answered with keys posted to the menu's window from a second thread while the window
// tracks it; the text field is the real "EDIT" control; drops come through the window's
// OLE drop target with data objects made here.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "Win32TestSupport.h"
#include "platform/win32/Win32Backend.h"

using namespace win32test;
namespace w32 = moltaro::platform::win32;

namespace {

class Win32Parts : public ::testing::Test {
protected:
    void SetUp() override {
        // The pointer away from where menus open: it would choose the entry under it.
        SetCursorPos(900, 700);
        window = backend.createWindow(host.hwnd, 200, 120, &listener);
        ASSERT_TRUE(window);
        hwnd = w32::windowHandle(*window);
        pump();
    }

    HostWindow host;
    RecordingListener listener;
    w32::Win32Backend backend;
    std::unique_ptr<pf::Window> window;
    HWND hwnd = nullptr;
};

// ---------------------------------------------------------------- menus

struct MenuLook {
    int count = -1;
    std::vector<UINT> states;
    std::vector<std::wstring> texts;
};

// Waits for the pop-up menu, reads its entries, then posts the keys.
class MenuAnswerer {
public:
    explicit MenuAnswerer(std::vector<WPARAM> keys)
        : thread([this, keys] {
              HWND menu = nullptr;
              for (int i = 0; i < 500 && !menu; ++i) {
                  menu = FindWindowA("#32768", nullptr);
                  if (!menu || !IsWindowVisible(menu)) {
                      menu = nullptr;
                      Sleep(10);
                  }
              }
              if (!menu) return;
              found = true;
              auto h = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
              look.count = GetMenuItemCount(h);
              for (int i = 0; i < look.count; ++i) {
                  MENUITEMINFOW info{};
                  info.cbSize = sizeof info;
                  info.fMask = MIIM_FTYPE | MIIM_STATE;
                  GetMenuItemInfoW(h, static_cast<UINT>(i), TRUE, &info);
                  look.states.push_back(info.fType | info.fState);
                  wchar_t text[64] = {};
                  if (!(info.fType & MFT_OWNERDRAW)) GetMenuStringW(h, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
                  look.texts.push_back(text);
              }
              for (WPARAM key : keys) {
                  HWND current = FindWindowA("#32768", nullptr);
                  PostMessageA(current ? current : menu, WM_KEYDOWN, key, 0);
                  Sleep(60);
              }
              // A menu still open after the keys is closed, so that a failing test ends.
              for (int i = 0; i < 50 && IsWindowVisible(menu); ++i) {
                  PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                  Sleep(100);
              }
          }) {}
    ~MenuAnswerer() { join(); }
    void join() {
        if (thread.joinable()) thread.join();
    }
    std::atomic<bool> found{false};
    MenuLook look;

private:
    std::thread thread;
};

pf::MenuItem item(const char* text, pf::MenuItem::Kind kind = pf::MenuItem::Kind::Normal) {
    pf::MenuItem i;
    i.text = text;
    i.kind = kind;
    return i;
}

pf::Menu sampleMenu() {
    auto sub = std::make_shared<pf::Menu>();
    sub->id = 7;
    sub->items = {item("Spring"), item("Plate")};
    pf::Menu menu;
    menu.id = 3;
    pf::MenuItem title = item("Algorithms", pf::MenuItem::Kind::Title);
    pf::MenuItem hall = item("Hall & Room");
    hall.checked = true;
    pf::MenuItem separator = item("", pf::MenuItem::Kind::Separator);
    pf::MenuItem arena = item("Arena");
    pf::MenuItem greyed = item("Cathedral", pf::MenuItem::Kind::Greyed);
    greyed.columnBreak = true;
    pf::MenuItem more = item("More");
    more.submenu = sub;
    menu.items = {title, hall, separator, arena, greyed, more};
    return menu;
}

}  // namespace

TEST_F(Win32Parts, PopUpMenuHasItsEntriesChecksColumnsAndTitleAndGivesTheChoice) {
    MenuAnswerer answer({VK_ESCAPE});
    const pf::MenuChoice none = window->popupMenu(sampleMenu(), pf::Point{10, 20}, pf::kButtonLeft);
    answer.join();
    ASSERT_TRUE(answer.found) << "no menu appeared";
    EXPECT_FALSE(none.chosen());
    const MenuLook& look = answer.look;
    ASSERT_EQ(look.count, 6);
    EXPECT_TRUE(look.states[0] & MFT_OWNERDRAW) << "the title is drawn by the window";
    EXPECT_TRUE(look.states[0] & MFS_DISABLED);
    EXPECT_EQ(look.texts[1], L"Hall && Room") << "'&' is shown, not taken as a mnemonic";
    EXPECT_TRUE(look.states[1] & MFS_CHECKED);
    EXPECT_TRUE(look.states[2] & MFT_SEPARATOR);
    EXPECT_FALSE(look.states[3] & MFS_CHECKED);
    EXPECT_TRUE(look.states[4] & MFS_GRAYED);
    EXPECT_TRUE(look.states[4] & MFT_MENUBARBREAK) << "the greyed entry starts a column";
    EXPECT_EQ(look.texts[5], L"More");
}

TEST_F(Win32Parts, KeysChooseAnEntryOfTheMenuOrOfASubmenu) {
    pf::MenuChoice choice;
    {
        // Down over the title and "Hall & Room", past the separator to "Arena".
        MenuAnswerer answer({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
        choice = window->popupMenu(sampleMenu(), pf::Point{10, 20}, pf::kButtonLeft);
    }
    EXPECT_EQ(choice.menuId, 3);
    EXPECT_EQ(choice.index, 3);
    {
        MenuAnswerer answer({VK_UP, VK_RIGHT, VK_DOWN, VK_RETURN});
        choice = window->popupMenu(sampleMenu(), pf::Point{10, 20}, pf::kButtonRight);
    }
    EXPECT_EQ(choice.menuId, 7);
    EXPECT_EQ(choice.index, 1) << "\"Plate\" in the submenu";
}

// ---------------------------------------------------------------- text field

namespace {

class FieldListener : public pf::TextFieldListener {
public:
    std::vector<bool> ends;
    std::function<void()> onEnd;
    void textFieldEnded(bool enter) override {
        ends.push_back(enter);
        if (onEnd) onEnd();
    }
};

pf::TextFieldSpec fieldDesc(const std::string& text) {
    pf::TextFieldSpec desc;
    desc.rect = pf::Rect{20, 30, 120, 45};
    desc.text = text;
    desc.textColor = pf::Color{75, 75, 80, 255};
    desc.backColor = pf::Color{237, 235, 213, 255};
    desc.align = pf::HAlign::Center;
    desc.maxLength = 8;
    return desc;
}

}  // namespace

TEST_F(Win32Parts, TextFieldIsAnEditControlWithTheTextSelectedFocusedAndColoured) {
    FieldListener ends;
    auto field = window->createTextField(fieldDesc("500Hz"), &ends);
    ASSERT_TRUE(field);
    HWND edit = w32::textFieldHandle(*window);
    ASSERT_TRUE(IsWindow(edit));
    char cls[16] = {};
    GetClassNameA(edit, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "Edit"), 0);
    EXPECT_EQ(GetParent(edit), hwnd);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_TRUE(GetWindowLongA(edit, GWL_STYLE) & ES_CENTER);
    DWORD from = 1, to = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 5u);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 8);
    RECT r;
    GetWindowRect(edit, &r);
    POINT origin{r.left, r.top};
    ScreenToClient(hwnd, &origin);
    EXPECT_EQ(origin.x, 20);
    EXPECT_EQ(origin.y, 30);

    HDC dc = GetDC(edit);
    const LRESULT brush = SendMessageA(hwnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(75, 75, 80));
    EXPECT_EQ(GetBkColor(dc), RGB(237, 235, 213));
    ReleaseDC(edit, dc);

    field->setText("Größe");
    EXPECT_EQ(field->text(), "Größe");
    field->setText("0123456789");
    EXPECT_EQ(field->text(), "01234567") << "cut to the field's limit";
    field.reset();
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_TRUE(ends.ends.empty()) << "removing the field is not an end of editing";
    EXPECT_EQ(w32::textFieldHandle(*window), nullptr);
}

TEST_F(Win32Parts, EnterEscapeAndFocusLossEndTheEditingOnce) {
    FieldListener ends;
    std::unique_ptr<pf::TextField> field = window->createTextField(fieldDesc("50%"), &ends);
    HWND edit = w32::textFieldHandle(*window);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"75"));
    // The listener removes the field while it is told, as the toolkit does.
    ends.onEnd = [&] { field.reset(); };
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(ends.ends.size(), 1u);
    EXPECT_TRUE(ends.ends[0]);
    EXPECT_FALSE(IsWindow(edit));

    std::string textAtEnd;
    ends.ends.clear();
    field = window->createTextField(fieldDesc("50%"), &ends);
    edit = w32::textFieldHandle(*window);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
    ends.onEnd = [&] { textAtEnd = field->text(); };
    SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_EQ(ends.ends.size(), 1u);
    EXPECT_FALSE(ends.ends[0]);
    EXPECT_EQ(textAtEnd, "50%") << "Escape brings back the text the editing started with";
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(ends.ends.size(), 1u) << "told once only";
    field.reset();

    ends.ends.clear();
    ends.onEnd = nullptr;
    field = window->createTextField(fieldDesc("1"), &ends);
    SetFocus(host.hwnd);
    ASSERT_EQ(ends.ends.size(), 1u);
    EXPECT_FALSE(ends.ends[0]);
}

// ---------------------------------------------------------------- drag and drop

namespace {

// A data object with one format in an HGLOBAL.
class DataObject final : public IDataObject {
public:
    DataObject(CLIPFORMAT format, HGLOBAL data) : format(format), data(data) {}
    ~DataObject() { GlobalFree(data); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* m) override {
        if (f->cfFormat != format || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        const SIZE_T size = GlobalSize(data);
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(copy), GlobalLock(data), size);
        GlobalUnlock(copy);
        GlobalUnlock(data);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = copy;
        m->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override { return f->cfFormat == format ? S_OK : DV_E_FORMATETC; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    CLIPFORMAT format;
    HGLOBAL data;
};

HGLOBAL fileList(const std::vector<std::wstring>& files) {
    std::wstring names;
    for (const auto& f : files) names += f + L'\0';
    names += L'\0';
    const SIZE_T size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(h));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(h);
    return h;
}

HGLOBAL unicodeText(const std::wstring& text) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(h), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(h);
    return h;
}

}  // namespace

TEST_F(Win32Parts, DroppedFilesAndTextReachTheListenerAsAMove) {
    IDropTarget* target = w32::dropTargetOf(*window);
    ASSERT_NE(target, nullptr) << "no drop target registered";
    POINT at{40, 50};
    ClientToScreen(hwnd, &at);
    const POINTL screen{at.x, at.y};
    DataObject files(CF_HDROP, fileList({L"C:\\banks\\Hall.zub", L"C:\\Presets\\Größe.zun"}));
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(&files, MK_LBUTTON, screen, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_LBUTTON, screen, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_MOVE));
    target->Drop(&files, 0, screen, &effect);
    ASSERT_EQ(listener.drags.size(), 3u);
    EXPECT_EQ(listener.drags[0], "enter 40,50");
    EXPECT_EQ(listener.drags[1], "move 40,50");
    EXPECT_EQ(listener.drags[2], "drop 40,50");
    ASSERT_EQ(listener.lastDrag.kind, pf::DragData::Kind::Files);
    ASSERT_EQ(listener.lastDrag.files.size(), 2u);
    EXPECT_EQ(listener.lastDrag.files[1], "C:\\Presets\\Größe.zun");

    listener.drags.clear();
    DataObject text(CF_UNICODETEXT, unicodeText(L"Lush Strings"));
    target->DragEnter(&text, MK_LBUTTON, screen, &effect);
    target->DragLeave();
    ASSERT_EQ(listener.drags.size(), 2u);
    EXPECT_EQ(listener.drags[1], "leave 40,50");
    EXPECT_EQ(listener.lastDrag.kind, pf::DragData::Kind::Text);
    EXPECT_EQ(listener.lastDrag.text, "Lush Strings");
}
