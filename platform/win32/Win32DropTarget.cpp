#include "platform/win32/Win32DropTarget.h"

#include <shellapi.h>

#include "platform/win32/Win32Drawing.h"
#include "platform/win32/Win32Window.h"

namespace moltaro::platform::win32 {

DropTarget::DropTarget(std::shared_ptr<WindowLink> l) : link(std::move(l)) {}

HRESULT STDMETHODCALLTYPE DropTarget::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references)); }

ULONG STDMETHODCALLTYPE DropTarget::Release() {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

WindowListener* DropTarget::listener() const {
    return link && link->window && link->window->alive() ? link->window->windowListener() : nullptr;
}

Point DropTarget::clientPoint(POINTL screen) const {
    POINT p{screen.x, screen.y};
    if (link && link->window) ScreenToClient(link->window->handle(), &p);
    return Point{p.x, p.y};
}

bool DropTarget::read(IDataObject* data, DragData& out) {
    if (!data) return false;
    FORMATETC format{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&format, &medium) == S_OK) {
        bool ok = false;
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal))) {
            const SIZE_T bytes = GlobalSize(medium.hGlobal);
            std::wstring w(text, wcsnlen(text, bytes / sizeof(wchar_t)));
            GlobalUnlock(medium.hGlobal);
            out = DragData{DragData::Kind::Text, narrow(w), {}};
            ok = true;
        }
        ReleaseStgMedium(&medium);
        if (ok) return true;
    }
    format.cfFormat = CF_TEXT;
    if (data->GetData(&format, &medium) == S_OK) {
        bool ok = false;
        if (const auto* text = static_cast<const char*>(GlobalLock(medium.hGlobal))) {
            const std::string ansi(text, strnlen(text, GlobalSize(medium.hGlobal)));
            GlobalUnlock(medium.hGlobal);
            int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
            std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
            if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), w.data(), n);
            out = DragData{DragData::Kind::Text, narrow(w), {}};
            ok = true;
        }
        ReleaseStgMedium(&medium);
        if (ok) return true;
    }
    format.cfFormat = CF_HDROP;
    if (data->GetData(&format, &medium) == S_OK) {
        DragData files{DragData::Kind::Files, {}, {}};
        auto drop = static_cast<HDROP>(medium.hGlobal);
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring name(length + 1, L'\0');
            DragQueryFileW(drop, i, name.data(), length + 1);
            name.resize(length);
            files.files.push_back(narrow(name));
        }
        ReleaseStgMedium(&medium);
        out = std::move(files);
        return true;
    }
    return false;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragEnter(IDataObject* data, DWORD, POINTL where, DWORD* effect) {
    current = DragData{};
    read(data, current);
    entered = true;
    last = clientPoint(where);
    if (effect) *effect = DROPEFFECT_MOVE;
    if (WindowListener* l = listener()) l->onDragEnter(current, last);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragOver(DWORD, POINTL where, DWORD* effect) {
    last = clientPoint(where);
    if (effect) *effect = DROPEFFECT_MOVE;
    if (WindowListener* l = entered ? listener() : nullptr) l->onDragMove(current, last);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragLeave() {
    if (WindowListener* l = entered ? listener() : nullptr) l->onDragLeave(current, last);
    entered = false;
    current = DragData{};
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::Drop(IDataObject* data, DWORD, POINTL where, DWORD* effect) {
    DragData dropped;
    if (!read(data, dropped)) dropped = current;
    last = clientPoint(where);
    if (effect) *effect = DROPEFFECT_MOVE;
    entered = false;
    current = DragData{};
    if (WindowListener* l = listener()) l->onDrop(dropped, last);
    return S_OK;
}

}  // namespace moltaro::platform::win32
