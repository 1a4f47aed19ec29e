// The COM object base of the layer: IUnknown (QueryInterface, AddRef, Release) over one reference count,
// for every interface the layer implements. An object is registered under its label while it lives and is
// deleted when its count reaches 0.
//
// The program's calls are traced with the object's label:
//   AddRef(Mouse#1)   Release(Mouse#1)   QueryInterface(Font#1)
// and, for objects whose QueryInterface trace names the interface asked for,
//   QueryInterface(DirectInput8#1, IID_IUnknown)
// References the layer holds itself (a device on its DirectInput object, a resource on its device) are not
// the program's: they go through add_ref_internal and release_internal, untraced, usually by a Held member.
#pragma once

#include "trace/trace_calls.h"

#include <windows.h>

#include <type_traits>

namespace platform::com {

// The steps of IUnknown over an object's count, traced as the program's calls. ComObject is made of them;
// a class that cannot derive from ComObject yet calls them itself. `IidArg`, when not void, is the trace
// argument that prints the interface asked for (IidArg{riid}).
template <typename IidArg = void, typename Interface>
HRESULT query_interface(Interface* self, ULONG& refs, REFIID riid, bool implemented, void** object) {
    if constexpr (std::is_void_v<IidArg>)
        trace::call("QueryInterface", self);
    else
        trace::call("QueryInterface", self, IidArg{riid});
    if (object == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || implemented) {
        ++refs;
        *object = self;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

template <typename Interface> ULONG add_ref(Interface* self, ULONG& refs) {
    trace::call("AddRef", self);
    return ++refs;
}

// The count left; the caller deletes the object when it is 0.
template <typename Interface> ULONG release(Interface* self, ULONG& refs) {
    trace::call("Release", self);
    return --refs;
}

// An implementation of `Interface`, registered under `kind` ("Mouse", "Font", ...) with a count of 1.
// A derived class says which interfaces other than IUnknown it answers to in has_interface.
template <typename Interface, typename IidArg = void> class ComObject : public Interface {
  public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override {
        return query_interface<IidArg>(self(), refs_, riid, has_interface(riid), object);
    }
    ULONG AddRef() override {
        return add_ref(self(), refs_);
    }
    ULONG Release() override {
        return dropped(release(self(), refs_));
    }

    // A reference the layer itself holds on this object: not traced.
    ULONG add_ref_internal() {
        return ++refs_;
    }
    ULONG release_internal() {
        return dropped(--refs_);
    }

  protected:
    explicit ComObject(const char* kind) {
        trace::objects::add(self(), kind);
    }
    virtual ~ComObject() {
        trace::objects::remove(self());
    }
    virtual bool has_interface(REFIID riid) const = 0;

    // The object as the program sees it: the pointer traces and labels name.
    Interface* self() {
        return this;
    }

  private:
    ULONG dropped(ULONG left) {
        if (left == 0)
            delete this;
        return left;
    }

    ULONG refs_ = 1;
};

// An internal reference on a layer object, held from construction to destruction: how an object keeps the
// object that made it (its device, its DirectInput object) alive.
template <typename Object> class Held {
  public:
    explicit Held(Object* object) : object_(object) {
        object_->add_ref_internal();
    }
    ~Held() {
        object_->release_internal();
    }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

    Object* get() const {
        return object_;
    }
    Object* operator->() const {
        return object_;
    }

  private:
    Object* object_;
};

} // namespace platform::com
