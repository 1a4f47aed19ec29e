// DirectInput 8 devices on the host (host.h): the system keyboard and mouse (SetDataFormat,
// SetCooperativeLevel, Acquire, Unacquire, GetDeviceState, COM reference counting), a Keyboard and a Mouse
// class over the InputDevice they share. A device keeps its DirectInput object alive until the device is
// released.
//
// Devices see every host event through the layer's one event pump (win32_internal.h), which Acquire and
// GetDeviceState run first so that the state they read is current. The keyboard state is indexed by
// DirectInput key codes (the set-1 scan codes of win32_keymap.cpp). The mouse reports the motion and wheel
// turns (120 a notch, saturating at the 32-bit limits) accumulated since the previous read while acquired,
// and its held buttons. The motion is the device's own, as DirectInput documents it (the desktop's pointer
// speed and acceleration do not change it): an exclusive foreground mouse has the host capture the mouse
// while acquired (the desktop's relative mouse mode; the browser's pointer lock). Moves of the pointer that
// no device made (a warp, an absolute move, the window moving or changing size under it) are no motion. On a
// virtual display (Xvfb) the X test extension's relative moves (xdotool mousemove_relative) arrive as raw
// motion of their exact size and its absolute moves as none, so tests steer with relative moves. The desktop
// host drops a raw event equal to the one before it in the same millisecond (its guard against the same event
// arriving twice), so two identical moves in one millisecond read as one. Foreground devices cannot be
// acquired while their window is not in the foreground, and losing the foreground unacquires them: the next
// read returns DIERR_INPUTLOST, later ones DIERR_NOTACQUIRED, until Acquire succeeds again. A read that fails
// leaves the caller's buffer as it was.
//
// Trace lines:
//   SetDataFormat(Keyboard#1, c_dfDIKeyboard)   SetCooperativeLevel(Keyboard#1, Window#1, 6)
//   Acquire(Keyboard#1)   Unacquire(Keyboard#1)   GetDeviceState(Keyboard#1, 256)
//   AddRef(Mouse#1)   Release(Mouse#1)   QueryInterface(Mouse#1, IID_IUnknown)
#include "dinput8/dinput8_internal.h"
#include "win32/win32_keymap.h"
#include "win32/win32_internal.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

namespace platform::dinput8 {
namespace {

LONG saturate(std::int64_t v) {
    return static_cast<LONG>(
        std::clamp<std::int64_t>(v, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

// What the keyboard and the mouse share: the data format and cooperative level, acquiring, losing the
// foreground, and reading through the event pump. Each kind says which data format it reads, what it makes
// of the host's events, and what it writes into a read.
class InputDevice : public com::ComObject<IDirectInputDevice8A, GuidArg> {
  public:
    HRESULT GetDeviceState(DWORD size, LPVOID data) final;
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) final;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) final;
    HRESULT Acquire() final;
    HRESULT Unacquire() final;

  protected:
    InputDevice(DirectInputObject* owner, const char* kind);
    ~InputDevice() override;

    // Whether this kind of device reads `format` (already checked for its sizes).
    virtual bool reads(const DIDATAFORMAT& format) const = 0;
    // A host event other than the window's loss of focus.
    virtual void on_event(const host::Event& e) = 0;
    // Called on being acquired, and on being unacquired or losing the foreground.
    virtual void on_acquired() {}
    virtual void on_released() {}
    // Writes the device's state, in its data format, into `data`.
    virtual void read(void* data) = 0;

    bool acquired() const {
        return acquired_;
    }
    bool exclusive() const {
        return (flags_ & DISCL_EXCLUSIVE) != 0;
    }
    HWND window() const {
        return window_;
    }

  private:
    bool has_interface(REFIID riid) const override {
        return riid == IID_IDirectInputDevice8A;
    }
    bool foreground() const {
        return (flags_ & DISCL_FOREGROUND) != 0;
    }
    void lose();

    com::Held<DirectInputObject> owner_;
    int listener_ = 0;
    DWORD data_size_ = 0; // 0 until a data format is set
    HWND window_ = nullptr;
    DWORD flags_ = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    bool acquired_ = false;
    bool lost_ = false;
};

InputDevice::InputDevice(DirectInputObject* owner, const char* kind) : ComObject(kind), owner_(owner) {
    listener_ = win32::add_event_listener([this](const host::Event& e) {
        if (e.type == host::EventType::FocusLost && foreground() &&
            win32::window_from_host(e.window) == window_)
            lose();
        else
            on_event(e);
    });
}

InputDevice::~InputDevice() {
    win32::remove_event_listener(listener_);
}

void InputDevice::lose() {
    if (!acquired_)
        return;
    acquired_ = false;
    lost_ = true;
    on_released();
}

HRESULT InputDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    trace::call("SetDataFormat", this, FormatArg{format});
    if (format == nullptr)
        return DIERR_INVALIDPARAM;
    if (acquired_)
        return DIERR_ACQUIRED;
    if (format->dwSize != sizeof(DIDATAFORMAT) || format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) ||
        format->dwDataSize % 4 != 0 || !reads(*format))
        return DIERR_INVALIDPARAM;
    data_size_ = format->dwDataSize;
    return DI_OK;
}

HRESULT InputDevice::SetCooperativeLevel(HWND window, DWORD flags) {
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
    if ((exclusive || (flags & DISCL_FOREGROUND) != 0) && win32::host_window(window) == nullptr)
        return E_HANDLE;
    window_ = window;
    flags_ = flags;
    return DI_OK;
}

HRESULT InputDevice::Acquire() {
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
    on_acquired();
    return DI_OK;
}

HRESULT InputDevice::Unacquire() {
    trace::call("Unacquire", this);
    lost_ = false;
    if (!acquired_)
        return DI_NOEFFECT;
    acquired_ = false;
    on_released();
    return DI_OK;
}

HRESULT InputDevice::GetDeviceState(DWORD size, LPVOID data) {
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
    read(data);
    return DI_OK;
}

// The system keyboard: 256 key bytes indexed by DirectInput key code, 0x80 while the key is down.
class Keyboard final : public InputDevice {
  public:
    explicit Keyboard(DirectInputObject* owner) : InputDevice(owner, "Keyboard") {}

  private:
    bool reads(const DIDATAFORMAT& format) const override {
        return format.dwDataSize == keys_.size();
    }
    void on_event(const host::Event& e) override {
        if (e.type != host::EventType::KeyDown && e.type != host::EventType::KeyUp)
            return;
        const BYTE code = win32::scan_code_from_usage(e.key);
        if (code != 0)
            keys_[code] = e.type == host::EventType::KeyDown ? 0x80 : 0;
    }
    void read(void* data) override {
        std::memcpy(data, keys_.data(), keys_.size());
    }

    std::array<BYTE, 256> keys_{};
};

// The system mouse: DIMOUSESTATE with relative axes, the motion since the previous read.
class Mouse final : public InputDevice {
  public:
    explicit Mouse(DirectInputObject* owner) : InputDevice(owner, "Mouse") {}
    ~Mouse() override {
        set_captured(false);
    }

  private:
    bool reads(const DIDATAFORMAT& format) const override {
        return format.dwDataSize == sizeof(DIMOUSESTATE) && (format.dwFlags & DIDF_ABSAXIS) == 0;
    }
    void on_event(const host::Event& e) override;
    void on_acquired() override {
        dx_ = dy_ = dz_ = 0;
        if (exclusive())
            set_captured(true);
    }
    void on_released() override {
        set_captured(false);
    }
    void read(void* data) override {
        DIMOUSESTATE state{};
        state.lX = saturate(dx_);
        state.lY = saturate(dy_);
        state.lZ = saturate(dz_);
        std::memcpy(state.rgbButtons, buttons_.data(), buttons_.size());
        std::memcpy(data, &state, sizeof state);
        dx_ = dy_ = dz_ = 0;
    }
    void set_captured(bool on);

    bool captured_ = false;
    std::int64_t dx_ = 0, dy_ = 0, dz_ = 0;
    std::array<BYTE, 4> buttons_{};
};

void Mouse::set_captured(bool on) {
    if (captured_ == on)
        return;
    captured_ = on;
    host::capture_mouse(win32::host_window(window()), on);
    win32::withhold_mouse_messages(on);
}

void Mouse::on_event(const host::Event& e) {
    switch (e.type) {
    case host::EventType::MouseMotion:
        // Motion of a mouse (not a touch screen's emulated one) while acquired.
        if (acquired() && !e.emulated) {
            dx_ += e.x;
            dy_ += e.y;
        }
        break;
    case host::EventType::MouseWheel:
        if (acquired()) {
            // Kept within range while accumulating, so no number of notches can overflow.
            dz_ =
                std::clamp<std::int64_t>(dz_ + static_cast<std::int64_t>(e.y) * 120,
                                         std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max());
        }
        break;
    case host::EventType::ButtonDown:
    case host::EventType::ButtonUp: {
        // DirectInput's button order is the host's: left, right, middle, then the first extra button.
        // DIMOUSESTATE has no place for the second (DIMOUSESTATE2, which the layer does not offer, has).
        const auto button = static_cast<std::size_t>(e.button);
        if (button < buttons_.size())
            buttons_[button] = e.type == host::EventType::ButtonDown ? 0x80 : 0;
        break;
    }
    default:
        break;
    }
}

} // namespace

IDirectInputDevice8A* create_keyboard(DirectInputObject* owner) {
    return new Keyboard(owner);
}

IDirectInputDevice8A* create_mouse(DirectInputObject* owner) {
    return new Mouse(owner);
}

} // namespace platform::dinput8
