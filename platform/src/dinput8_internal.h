// What the DirectInput 8 files share: the trace forms of GUIDs, data formats and results, and the making
// of devices, which hold a reference on their DirectInput object. dinput8.cpp has the DirectInput object,
// dinput8_device.cpp the devices.
#pragma once

#include "trace_result.h"

#include <dinput.h>

#include <string>

namespace platform::dinput8 {

// Trace arguments, printed by the append overloads below (found by argument-dependent lookup): a GUID by
// its SDK name where the layer knows it, otherwise in registry form; a data format by its published name.
struct GuidArg {
    const GUID& guid;
};
struct FormatArg {
    LPCDIDATAFORMAT format;
};
std::string guid_text(const GUID& guid);
void append(std::string& out, GuidArg g);
void append(std::string& out, FormatArg f);

// "failed 0x80070057", the result part of a failed creation's trace line.
std::string hresult_text(HRESULT hr);

// The references a device holds on its DirectInput object: not the program's AddRef and Release, so not
// traced.
class Owner {
  public:
    virtual void hold() = 0;
    virtual void release() = 0;

  protected:
    ~Owner() = default;
};

// QueryInterface, AddRef and Release as every DirectInput object has them, traced, over one count; the
// object registers itself under `kind` and is deleted when the count reaches 0.
template <typename Interface> class Counted : public Interface {
  public:
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        trace::call("QueryInterface", this, GuidArg{riid});
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == iid_) {
            ++refs_;
            *object = static_cast<Interface*>(this);
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
        return drop();
    }

  protected:
    Counted(const IID& iid, const char* kind) : iid_(iid) {
        objects::add(this, kind);
    }
    virtual ~Counted() {
        objects::remove(this);
    }
    // A reference the layer itself holds (not the program's, so not traced).
    void keep() {
        ++refs_;
    }
    ULONG drop() {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

  private:
    const IID& iid_;
    ULONG refs_ = 1;
};

enum class Kind { keyboard, mouse };

// A new keyboard or mouse device (reference count 1) that holds a reference on `owner` until it is
// destroyed.
IDirectInputDevice8A* create_device(Owner* owner, Kind kind);

} // namespace platform::dinput8
