// DirectInput 8 on the host (host.h): DirectInput8Create and the DirectInput object (CreateDevice for the
// system keyboard and mouse, COM reference counting). The object lives until the program has released it and
// every device made from it is gone. The devices themselves are in dinput8_device.cpp.
//
// Trace lines:
//   DirectInput8Create(<instance>, 2048, IID_IDirectInput8A, null) -> DirectInput8#1
//   CreateDevice(DirectInput8#1, GUID_SysKeyboard, null) -> Keyboard#1   (GUID_SysMouse -> Mouse#1)
//   AddRef(DirectInput8#1)   Release(DirectInput8#1)   QueryInterface(DirectInput8#1, IID_IUnknown)
// Failed creations end in " -> failed 0x80070057". GUIDs the layer does not name print in registry form.
#include "dinput8/dinput8_internal.h"

namespace platform::dinput8 {

namespace {

class DirectInput final : public DirectInputObject {
  public:
    DirectInput() : DirectInputObject("DirectInput8") {}

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override {
        const std::string line = trace::format("CreateDevice", this, GuidArg{guid}, outer);
        const auto result = [&line](HRESULT hr, const void* made) {
            trace::record_result(line, SUCCEEDED(hr) ? trace::objects::label(made) : hresult_text(hr));
            return hr;
        };
        if (device == nullptr)
            return result(E_POINTER, nullptr);
        *device = nullptr;
        if (outer != nullptr)
            return result(CLASS_E_NOAGGREGATION, nullptr);
        IDirectInputDevice8A* made = nullptr;
        if (guid == GUID_SysKeyboard)
            made = create_keyboard(this);
        else if (guid == GUID_SysMouse)
            made = create_mouse(this);
        else
            return result(DIERR_DEVICENOTREG, nullptr);
        *device = made;
        return result(DI_OK, made);
    }

  private:
    bool has_interface(REFIID riid) const override {
        return riid == IID_IDirectInput8A;
    }
};

} // namespace
} // namespace platform::dinput8

using namespace platform;

HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD version, REFIID riid, LPVOID* out, LPUNKNOWN outer) {
    const std::string line =
        trace::format("DirectInput8Create", hinst, version, dinput8::GuidArg{riid}, outer);
    const auto result = [&line](HRESULT hr, const void* made) {
        trace::record_result(line, SUCCEEDED(hr) ? trace::objects::label(made) : dinput8::hresult_text(hr));
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
