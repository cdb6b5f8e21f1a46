#pragma once
// The OLE drop target of an editor window: what is dragged over the window is offered to
// the window's listener as text (when plain text is offered) or as a list of files, and
// every drop is answered with "move".

#include <windows.h>
#include <ole2.h>

#include <memory>

#include "platform/Platform.h"

namespace moltaro::platform::win32 {

struct WindowLink;

class DropTarget final : public IDropTarget {
public:
    explicit DropTarget(std::shared_ptr<WindowLink> link);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL where, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL where, DWORD* effect) override;

    // What a data object carries, as the toolkit sees it: its plain text when it has
    // some, else its files; false when it has neither.
    static bool read(IDataObject* data, DragData& out);

private:
    ~DropTarget() = default;
    WindowListener* listener() const;
    Point clientPoint(POINTL screen) const;

    LONG references = 1;
    std::shared_ptr<WindowLink> link;
    DragData current;
    bool entered = false;
    Point last;
};

}  // namespace moltaro::platform::win32
