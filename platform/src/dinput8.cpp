// DirectInput 8 on SDL2: DirectInput8Create, the DirectInput object (CreateDevice) and the system keyboard
// and mouse devices (SetDataFormat, SetCooperativeLevel, Acquire, Unacquire, GetDeviceState), with COM
// reference counting. A device keeps its DirectInput object alive until the device is released.
//
// Devices see every SDL event through the layer's one event pump (win32_internal.h), which Acquire and
// GetDeviceState run first so that the state they read is current. The keyboard state is indexed by
// DirectInput key codes (dinput8_keymap.cpp). The mouse reports the motion and wheel turns (120 a notch,
// saturating at the 32-bit limits) accumulated since the previous read while acquired, and its held
// buttons. An exclusive foreground mouse captures the pointer while acquired: the cursor is hidden and
// confined to the window (SDL window grab), motion is measured from the pointer's positions, and the pointer
// is put back in the middle of the window whenever it strays from there, so that it never runs into an edge.
// This is SDL's relative mouse mode done by hand: SDL's own mode reads the X server's raw motion, which
// leaves out absolute pointer moves (a tablet, or the X test extension's absolute moves), and those must
// count as motion too. On video drivers that cannot place the pointer (Wayland) SDL's relative mode is used.
// Foreground devices cannot be acquired while their window is not in the foreground, and losing the
// foreground unacquires them: the next read returns DIERR_INPUTLOST, later ones DIERR_NOTACQUIRED, until
// Acquire succeeds again. A read that fails leaves the caller's buffer as it was.
//
// Trace lines:
//   DirectInput8Create(<instance>, 2048, IID_IDirectInput8A, null) -> DirectInput8#1
//   CreateDevice(DirectInput8#1, GUID_SysKeyboard, null) -> Keyboard#1   (GUID_SysMouse -> Mouse#1)
//   SetDataFormat(Keyboard#1, c_dfDIKeyboard)   SetCooperativeLevel(Keyboard#1, Window#1, 6)
//   Acquire(Keyboard#1)   Unacquire(Keyboard#1)   GetDeviceState(Keyboard#1, 256)
//   AddRef(Mouse#1)   Release(Mouse#1)   QueryInterface(DirectInput8#1, IID_IUnknown)
// Failed creations end in " -> failed 0x80070057". GUIDs the layer does not name print in registry form.
#include "keymap_internal.h"
#include "trace_result.h"
#include "win32_internal.h"

#include <dinput.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>

namespace platform::dinput8 {
namespace {

struct GuidName {
    const GUID* guid;
    const char* name;
};
constexpr GuidName guid_names[] = {{&GUID_SysKeyboard, "GUID_SysKeyboard"},
                                   {&GUID_SysMouse, "GUID_SysMouse"},
                                   {&IID_IDirectInput8A, "IID_IDirectInput8A"},
                                   {&IID_IDirectInput8W, "IID_IDirectInput8W"},
                                   {&IID_IDirectInputDevice8A, "IID_IDirectInputDevice8A"},
                                   {&IID_IUnknown, "IID_IUnknown"}};

struct GuidArg {
    const GUID& guid;
};
std::string guid_text(const GUID& g) {
    for (const auto& known : guid_names)
        if (*known.guid == g)
            return known.name;
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

struct FormatArg {
    LPCDIDATAFORMAT format;
};

std::string hresult_text(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
    return std::string("failed ") + buf;
}

LONG saturate(std::int64_t v) {
    return static_cast<LONG>(
        std::clamp<std::int64_t>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

// Found by argument-dependent lookup from trace::format.
void append(std::string& out, GuidArg g) {
    out += guid_text(g.guid);
}
void append(std::string& out, FormatArg f) {
    if (f.format == &c_dfDIKeyboard)
        out += "c_dfDIKeyboard";
    else if (f.format == &c_dfDIMouse)
        out += "c_dfDIMouse";
    else if (f.format == nullptr)
        out += "null";
    else
        out += "{" + std::to_string(f.format->dwSize) + ", " + std::to_string(f.format->dwObjSize) + ", " +
               std::to_string(f.format->dwFlags) + ", " + std::to_string(f.format->dwDataSize) + ", " +
               std::to_string(f.format->dwNumObjs) + "}";
}

class DirectInput;

enum class Kind { keyboard, mouse };

class Device final : public IDirectInputDevice8A {
  public:
    Device(DirectInput* parent, Kind kind);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        trace::call("QueryInterface", this, GuidArg{riid});
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectInputDevice8A) {
            ++refs_;
            *object = static_cast<IDirectInputDevice8A*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override {
        trace::call("AddRef", this);
        return ++refs_;
    }
    ULONG Release() override;

    HRESULT GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;

  private:
    void on_event(const SDL_Event& e);
    bool foreground() const {
        return (flags_ & DISCL_FOREGROUND) != 0;
    }
    void lose();
    void set_captured(bool on);
    void track_pointer(const SDL_MouseMotionEvent& motion);

    DirectInput* parent_;
    const Kind kind_;
    ULONG refs_ = 1;
    int listener_ = 0;
    DWORD data_size_ = 0; // 0 until a data format is set
    HWND window_ = nullptr;
    DWORD flags_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    bool lost_ = false;
    bool captured_ = false;
    bool sdl_relative_ = false; // captured through SDL's relative mode
    bool have_last_ = false;    // the pointer position below is known
    int last_x_ = 0, last_y_ = 0;
    std::array<BYTE, 256> keys_{};
    std::int64_t dx_ = 0, dy_ = 0, dz_ = 0;
    std::array<BYTE, 4> buttons_{};
};

class DirectInput final : public IDirectInput8A {
  public:
    DirectInput() {
        objects::add(this, "DirectInput8");
    }
    ~DirectInput() {
        objects::remove(this);
    }
    DirectInput(const DirectInput&) = delete;
    DirectInput& operator=(const DirectInput&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        trace::call("QueryInterface", this, GuidArg{riid});
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDirectInput8A) {
            ++refs_;
            *object = static_cast<IDirectInput8A*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override {
        trace::call("AddRef", this);
        return ++refs_;
    }
    ULONG Release() override {
        trace::call("Release", this);
        return release();
    }
    // The references devices hold are not the program's calls: they are not traced.
    void hold() {
        ++refs_;
    }
    ULONG release() {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override {
        const std::string line = trace::format("CreateDevice", this, GuidArg{guid}, outer);
        const auto result = [&line](HRESULT hr, const void* made) {
            trace::record_result(line, SUCCEEDED(hr) ? objects::label(made) : hresult_text(hr));
            return hr;
        };
        if (device == nullptr)
            return result(E_POINTER, nullptr);
        *device = nullptr;
        if (outer != nullptr)
            return result(CLASS_E_NOAGGREGATION, nullptr);
        Kind kind;
        if (guid == GUID_SysKeyboard)
            kind = Kind::keyboard;
        else if (guid == GUID_SysMouse)
            kind = Kind::mouse;
        else
            return result(DIERR_DEVICENOTREG, nullptr);
        Device* made = new Device(this, kind);
        *device = made;
        return result(DI_OK, made);
    }

  private:
    ULONG refs_ = 1;
};

Device::Device(DirectInput* parent, Kind kind) : parent_(parent), kind_(kind) {
    objects::add(this, kind == Kind::keyboard ? "Keyboard" : "Mouse");
    parent_->hold();
    listener_ = win32::add_event_listener([this](const SDL_Event& e) { on_event(e); });
}

Device::~Device() {
    win32::remove_event_listener(listener_);
    set_captured(false);
    objects::remove(this);
    parent_->release();
}

ULONG Device::Release() {
    trace::call("Release", this);
    const ULONG left = --refs_;
    if (left == 0)
        delete this;
    return left;
}

void Device::set_captured(bool on) {
    if (captured_ == on)
        return;
    captured_ = on;
    have_last_ = false;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return;
    SDL_Window* const window = win32::sdl_window(window_);
    const char* const driver = SDL_GetCurrentVideoDriver();
    const bool can_warp = driver != nullptr && std::string_view(driver) == "x11";
    if (on && (!can_warp || window == nullptr)) {
        sdl_relative_ = SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
        return;
    }
    if (!on && sdl_relative_) {
        SDL_SetRelativeMouseMode(SDL_FALSE);
        sdl_relative_ = false;
        return;
    }
    SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
    if (window == nullptr)
        return;
    SDL_SetWindowGrab(window, on ? SDL_TRUE : SDL_FALSE);
    if (on) {
        int width = 0, height = 0;
        SDL_GetWindowSize(window, &width, &height);
        SDL_WarpMouseInWindow(window, width / 2, height / 2);
        last_x_ = width / 2;
        last_y_ = height / 2;
        have_last_ = true;
    }
}

void Device::track_pointer(const SDL_MouseMotionEvent& motion) {
    if (!captured_ || sdl_relative_) {
        dx_ += motion.xrel;
        dy_ += motion.yrel;
        return;
    }
    SDL_Window* const window = win32::sdl_window(window_);
    if (window == nullptr || motion.windowID != SDL_GetWindowID(window))
        return;
    if (have_last_) {
        dx_ += motion.x - last_x_;
        dy_ += motion.y - last_y_;
    }
    last_x_ = motion.x;
    last_y_ = motion.y;
    have_last_ = true;
    // Back to the middle once the pointer is out of the window's middle half. The move this makes comes
    // back as motion to the middle, which measures as none.
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    if (motion.x < width / 4 || motion.x > width * 3 / 4 || motion.y < height / 4 ||
        motion.y > height * 3 / 4) {
        SDL_WarpMouseInWindow(window, width / 2, height / 2);
        last_x_ = width / 2;
        last_y_ = height / 2;
    }
}

void Device::lose() {
    if (!acquired_)
        return;
    acquired_ = false;
    lost_ = true;
    set_captured(false);
}

void Device::on_event(const SDL_Event& e) {
    switch (e.type) {
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST && foreground() &&
            win32::window_from_sdl_id(e.window.windowID) == window_)
            lose();
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (kind_ == Kind::keyboard) {
            const BYTE code = keymap::dik_from_scancode(e.key.keysym.scancode);
            if (code != 0)
                keys_[code] = e.type == SDL_KEYDOWN ? 0x80 : 0;
        }
        break;
    case SDL_MOUSEMOTION:
        if (kind_ == Kind::mouse && acquired_)
            track_pointer(e.motion);
        break;
    case SDL_MOUSEWHEEL:
        if (kind_ == Kind::mouse && acquired_) {
            const std::int64_t notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
            // Kept within range while accumulating, so no number of notches can overflow.
            dz_ = std::clamp<std::int64_t>(dz_ + notches * 120, std::numeric_limits<LONG>::min(),
                                           std::numeric_limits<LONG>::max());
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (kind_ == Kind::mouse) {
            // DirectInput's button order: left, right, middle, then the extra buttons.
            int index = -1;
            switch (e.button.button) {
            case SDL_BUTTON_LEFT:
                index = 0;
                break;
            case SDL_BUTTON_RIGHT:
                index = 1;
                break;
            case SDL_BUTTON_MIDDLE:
                index = 2;
                break;
            case SDL_BUTTON_X1:
                index = 3;
                break;
            default:
                break;
            }
            if (index >= 0)
                buttons_[index] = e.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        }
        break;
    default:
        break;
    }
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
    trace::call("SetDataFormat", this, FormatArg{format});
    if (format == nullptr)
        return DIERR_INVALIDPARAM;
    if (acquired_)
        return DIERR_ACQUIRED;
    if (format->dwSize != sizeof(DIDATAFORMAT) || format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
        format->dwDataSize % 4 != 0)
        return DIERR_INVALIDPARAM;
    // The layer reads the published formats of its two devices: 256 key bytes, or DIMOUSESTATE with
    // relative axes.
    const bool fits = kind_ == Kind::keyboard ? format->dwDataSize == 256
                                              : format->dwDataSize == sizeof(DIMOUSESTATE) &&
                                                    (format->dwFlags & DIDF_ABSAXIS) == 0;
    if (!fits)
        return DIERR_INVALIDPARAM;
    data_size_ = format->dwDataSize;
    return DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND window, DWORD flags) {
    trace::call("SetCooperativeLevel", this, window, flags);
    constexpr DWORD known =
        DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    const bool exclusive = (flags & DISCL_EXCLUSIVE) != 0;
    const bool one_sharing = exclusive != ((flags & DISCL_NONEXCLUSIVE) != 0);
    const bool one_place = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
    if ((flags & ~known) != 0 || !one_sharing || !one_place)
        return DIERR_INVALIDPARAM;
    if (acquired_)
        return DIERR_ACQUIRED;
    // The system keyboard and mouse cannot be had exclusively in the background.
    if (exclusive && (flags & DISCL_BACKGROUND) != 0)
        return E_NOTIMPL;
    if ((exclusive || (flags & DISCL_FOREGROUND) != 0) && win32::sdl_window(window) == nullptr)
        return E_HANDLE;
    window_ = window;
    flags_ = flags;
    return DI_OK;
}

HRESULT Device::Acquire() {
    trace::call("Acquire", this);
    if (data_size_ == 0)
        return DIERR_INVALIDPARAM;
    win32::pump_events();
    if (foreground() && !win32::is_foreground(window_))
        return DIERR_OTHERAPPHASPRIO;
    if (acquired_)
        return S_FALSE;
    acquired_ = true;
    lost_ = false;
    dx_ = dy_ = dz_ = 0;
    if (kind_ == Kind::mouse && (flags_ & DISCL_EXCLUSIVE) != 0)
        set_captured(true);
    return DI_OK;
}

HRESULT Device::Unacquire() {
    trace::call("Unacquire", this);
    lost_ = false;
    if (!acquired_)
        return DI_NOEFFECT;
    acquired_ = false;
    set_captured(false);
    return DI_OK;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
    trace::call("GetDeviceState", this, size);
    if (data == nullptr)
        return DIERR_INVALIDPARAM;
    win32::pump_events();
    if (acquired_ && foreground() && !win32::is_foreground(window_))
        lose();
    if (!acquired_) {
        const bool lost = lost_;
        lost_ = false;
        return lost ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
    }
    if (size != data_size_)
        return DIERR_INVALIDPARAM;
    if (kind_ == Kind::keyboard) {
        std::memcpy(data, keys_.data(), keys_.size());
    } else {
        DIMOUSESTATE state{};
        state.lX = saturate(dx_);
        state.lY = saturate(dy_);
        state.lZ = saturate(dz_);
        std::memcpy(state.rgbButtons, buttons_.data(), buttons_.size());
        std::memcpy(data, &state, sizeof state);
        dx_ = dy_ = dz_ = 0;
    }
    return DI_OK;
}

} // namespace
} // namespace platform::dinput8

using namespace platform;

HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD version, REFIID riid, LPVOID* out, LPUNKNOWN outer) {
    const std::string line =
        trace::format("DirectInput8Create", hinst, version, dinput8::GuidArg{riid}, outer);
    const auto result = [&line](HRESULT hr, const void* made) {
        trace::record_result(line, SUCCEEDED(hr) ? objects::label(made) : dinput8::hresult_text(hr));
        return hr;
    };
    if (out == nullptr)
        return result(E_POINTER, nullptr);
    *out = nullptr;
    if (outer != nullptr)
        return result(CLASS_E_NOAGGREGATION, nullptr);
    if (hinst == nullptr)
        return result(DIERR_INVALIDPARAM, nullptr);
    if (version < 0x0800)
        return result(DIERR_BETADIRECTINPUTVERSION, nullptr);
    if (version > 0x0800)
        return result(DIERR_OLDDIRECTINPUTVERSION, nullptr);
    if (!(riid == IID_IDirectInput8A))
        return result(DIERR_NOINTERFACE, nullptr);
    auto* made = new dinput8::DirectInput();
    *out = static_cast<IDirectInput8A*>(made);
    return result(DI_OK, made);
}
