#include "HeadlessBackend.h"

#include "platform/cairo/CairoDrawing.h"

#include <algorithm>

namespace moltaro {
namespace platform {
namespace headless {

namespace {

// Polls with a button held and nothing left in the script before the buttons are
// let go (a script that forgot its release must not hang a test).
constexpr int kStarvedPollLimit = 1000;
constexpr uint32_t kEmptyWindowColor = 0xff808080u;

std::unique_ptr<DrawContext> contextOn(Image& image) {
    if (image.isEmpty()) return nullptr;
    return std::make_unique<cairodraw::CairoDrawContext>(cairodraw::wrapImage(image, false), &image, true);
}

// A whole drag delivered at once: it enters, moves and drops at one point.
void dragAndDrop(WindowListener* listener, const DragData& d, Point at) {
    if (!listener) return;
    listener->onDragEnter(d, at);
    listener->onDragMove(d, at);
    listener->onDrop(d, at);
}

}  // namespace

// ---------------------------------------------------------------- text field

HeadlessTextField::HeadlessTextField(HeadlessWindow* w, const TextFieldSpec& desc, TextFieldListener* l)
    : window(w), fieldSpec(desc), listener(l) {
    setText(desc.text);
    allSelected = true;
}

HeadlessTextField::~HeadlessTextField() {
    if (window && window->field == this) window->field = nullptr;
}

void HeadlessTextField::setText(const std::string& t) {
    content = t.substr(0, static_cast<size_t>(std::max(0, fieldSpec.maxLength)));
    allSelected = false;
}

void HeadlessTextField::type(const std::string& t) {
    if (done) return;
    std::string next = allSelected ? t : content + t;
    setText(next);
}

void HeadlessTextField::backspace() {
    if (done) return;
    if (allSelected)
        content.clear();
    else if (!content.empty())
        content.pop_back();
    allSelected = false;
}

void HeadlessTextField::end(bool enter) {
    if (done) return;
    done = true;
    if (window && window->field == this) window->field = nullptr;
    TextFieldListener* l = listener;
    if (l) l->textFieldEnded(enter);  // may destroy this field
}

void HeadlessTextField::pressEnter() { end(true); }
void HeadlessTextField::loseFocus() { end(false); }

// ---------------------------------------------------------------- window

HeadlessWindow::HeadlessWindow(HeadlessBackend* b, void* parent, int width, int height, WindowListener* l)
    : owner(b), parentHandle(parent), listener(l), frame(std::max(1, width), std::max(1, height), kEmptyWindowColor) {
    dirty = size();
}

HeadlessWindow::~HeadlessWindow() {
    if (field) field->window = nullptr;
    if (owner) {
        auto& list = owner->windows;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void HeadlessWindow::setSize(int width, int height) {
    Image next(std::max(1, width), std::max(1, height), kEmptyWindowColor);
    frame = std::move(next);
    dirty = size();
}

void HeadlessWindow::invalidate(const Rect& r) { dirty = dirty.unite(r.intersect(size())); }

std::unique_ptr<DrawContext> HeadlessWindow::createContext() {
    if (gone) return nullptr;
    return contextOn(frame);
}

void HeadlessWindow::paintPending() {
    if (dirty.isEmpty() || gone || !listener) return;
    const Rect r = dirty;
    dirty = Rect{};
    auto context = contextOn(frame);
    if (!context) return;
    context->setClip(r);
    ++paints;
    listener->onPaint(*context, r);
}

bool HeadlessWindow::pumpOnePaint() {
    if (dirty.isEmpty()) return false;
    paintPending();
    return true;
}

void HeadlessWindow::apply(const Step& s) {
    switch (s.kind) {
    case Step::Kind::Move: position = s.at; break;
    case Step::Kind::Press: buttons |= s.value; break;
    case Step::Kind::Release: buttons &= ~s.value; break;
    case Step::Kind::Modifiers: modifiers = s.value & kModifierMask; break;
    default: break;
    }
}

bool HeadlessWindow::takeStateStep() {
    if (script.empty()) return false;
    const Step& s = script.front();
    if (s.kind == Step::Kind::Wheel || s.kind == Step::Kind::Key) return false;
    const Step step = s;
    script.pop_front();
    apply(step);
    return true;
}

int HeadlessWindow::mouseButtons() {
    if (freshEvent) {
        freshEvent = false;
    } else if (dispatching) {
        if (takeStateStep()) {
            starvedPolls = 0;
        } else if (buttons & kButtonMask) {
            if (++starvedPolls >= kStarvedPollLimit) {
                buttons = 0;
                ranDry = true;
                starvedPolls = 0;
            }
        }
    }
    return buttons | modifiers;
}

void HeadlessWindow::processEvents() {
    if (dispatching) return;  // not from inside a handler: the handler owns the script
    dispatching = true;
    while (!script.empty() && !gone) {
        const Step s = script.front();
        script.pop_front();
        apply(s);
        if (!listener) continue;
        switch (s.kind) {
        case Step::Kind::Press:
            freshEvent = true;
            listener->onMouseDown(position, buttons | modifiers);
            freshEvent = false;
            break;
        case Step::Kind::Wheel:
            freshEvent = true;
            listener->onWheel(position, s.distance, buttons | modifiers);
            freshEvent = false;
            break;
        case Step::Kind::Key:
            if (field) {
                HeadlessTextField* f = field;
                if (s.key.virt == kKeyReturn || s.key.virt == kKeyEnter)
                    f->pressEnter();
                else if (s.key.virt == kKeyBack)
                    f->backspace();
                else if (s.key.character > 0 && s.key.character < 128)
                    f->type(std::string(1, static_cast<char>(s.key.character)));
            } else {
                listener->onKeyDown(s.key);
                listener->onKeyUp(s.key);
            }
            break;
        default: break;
        }
    }
    dispatching = false;
    paintPending();
}

MenuChoice HeadlessWindow::popupMenu(const Menu& menu, Point at, int trackButton) {
    shownMenu = menu;
    shownAt = at;
    shownButton = trackButton;
    ++menuCount;
    if (menuHandler) return menuHandler(menu, at);
    if (menuAnswers.empty()) return MenuChoice{};
    const MenuChoice c = menuAnswers.front();
    menuAnswers.pop_front();
    return c;
}

std::unique_ptr<TextField> HeadlessWindow::createTextField(const TextFieldSpec& desc, TextFieldListener* l) {
    if (gone) return nullptr;
    auto f = std::make_unique<HeadlessTextField>(this, desc, l);
    field = f.get();
    ++fieldCount;
    return f;
}

void HeadlessWindow::move(int x, int y) {
    Step s{Step::Kind::Move, Point{x, y}};
    script.push_back(s);
}

void HeadlessWindow::press(int button) {
    Step s{Step::Kind::Press, position};
    s.value = button & kButtonMask;
    script.push_back(s);
}

void HeadlessWindow::release(int button) {
    Step s{Step::Kind::Release, position};
    s.value = button & kButtonMask;
    script.push_back(s);
}

void HeadlessWindow::setModifiers(int mods) {
    Step s{Step::Kind::Modifiers, position};
    s.value = mods;
    script.push_back(s);
}

void HeadlessWindow::wheel(float distance) {
    Step s{Step::Kind::Wheel, position};
    s.distance = distance;
    script.push_back(s);
}

void HeadlessWindow::key(const KeyEvent& k) {
    Step s{Step::Kind::Key, position};
    s.key = k;
    script.push_back(s);
}

void HeadlessWindow::click(int x, int y, int button) {
    move(x, y);
    press(button);
    release(button);
}

void HeadlessWindow::drag(Point from, Point to, int steps, int button) {
    steps = std::max(1, steps);
    move(from.x, from.y);
    press(button);
    for (int i = 1; i <= steps; ++i)
        move(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    release(button);
}

bool HeadlessWindow::writePng(const std::string& path) const { return cairodraw::writePng(frame, path); }

void HeadlessWindow::dropFiles(const std::vector<std::string>& files, Point at) {
    DragData d;
    d.kind = DragData::Kind::Files;
    d.files = files;
    dragAndDrop(listener, d, at);
}

void HeadlessWindow::dropText(const std::string& text, Point at) {
    DragData d;
    d.kind = DragData::Kind::Text;
    d.text = text;
    dragAndDrop(listener, d, at);
}

void HeadlessWindow::simulateDestroyed() {
    if (gone) return;
    gone = true;
    if (listener) listener->onWindowGone();
}

// ---------------------------------------------------------------- backend

HeadlessBackend::~HeadlessBackend() {
    for (HeadlessWindow* w : windows) w->owner = nullptr;
}

std::unique_ptr<Window> HeadlessBackend::createWindow(void* parent, int width, int height, WindowListener* listener) {
    if (width <= 0 || height <= 0) return nullptr;
    auto w = std::make_unique<HeadlessWindow>(this, parent, width, height, listener);
    windows.push_back(w.get());
    ++created;
    return w;
}

std::unique_ptr<DrawContext> HeadlessBackend::createImageContext(Image& target) { return contextOn(target); }

bool writePng(const Image& image, const std::string& path) { return cairodraw::writePng(image, path); }
bool readPng(const std::string& path, Image& out) { return cairodraw::readPng(path, out); }
void releaseProcessCaches() { cairodraw::releaseProcessCaches(); }

}  // namespace headless
}  // namespace platform
}  // namespace moltaro
