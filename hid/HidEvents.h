#pragma once
// Event references of the HID transport: a callable bound to an object, plus the identity of its
// code. Whether an event is set, and whether two events are "the same handler", is decided by the
// code identity alone, never by the bound object: the controller hands its handler to the devices
// whose handler has the same code as its previous one.
//
//   THidDataEvent(&window, &TFCOMM::USBRData)       code = TFCOMM::USBRData
//   THidDataEvent::WithCode(&tag, [](...) { ... })  code = the address `tag` (tests, free code)
//   THidDataEvent()                                 empty
//
// Copies share nothing mutable; an event holds no ownership of its object.

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <utility>

class THidDevice;
class THidDeviceController;

template <class R, class... Args> class THidEventRef {
public:
    THidEventRef() = default;

    // A member function of an object; its code part is the member function.
    template <class T, class C>
    requires std::is_base_of_v<C, T> THidEventRef(T* object, R (C::*method)(Args...))
        : call_([object, method](Args... args) -> R { return (object->*method)(args...); }) {
        SetCode(typeid(C), method);
    }

    // A member function that takes none of the event's arguments (a change handler without its
    // sender, for instance).
    template <class T, class C>
    requires(sizeof...(Args) > 0 && std::is_base_of_v<C, T>)
        THidEventRef(T* object, R (C::*method)())
        : call_([object, method](Args...) -> R { return (object->*method)(); }) {
        SetCode(typeid(C), method);
    }

    // Any callable; events made with the same `code` address count as the same handler.
    template <class F> static THidEventRef WithCode(const void* code, F&& callable) {
        THidEventRef event;
        event.call_ = std::function<R(Args...)>(std::forward<F>(callable));
        event.SetCode(typeid(void), code);
        return event;
    }

    explicit operator bool() const { return codeType_ != nullptr; }
    R operator()(Args... args) const { return call_(args...); }

    bool SameCode(const THidEventRef& other) const {
        if (codeType_ == nullptr || other.codeType_ == nullptr)
            return codeType_ == other.codeType_;
        return *codeType_ == *other.codeType_ && codeBytes_ == other.codeBytes_;
    }
    friend bool operator==(const THidEventRef& a, const THidEventRef& b) { return a.SameCode(b); }

private:
    template <class Code> void SetCode(const std::type_info& type, const Code& code) {
        static_assert(sizeof(Code) <= sizeof(codeBytes_), "code identity does not fit");
        codeType_ = &type;
        codeBytes_.fill(0);
        std::memcpy(codeBytes_.data(), &code, sizeof(Code));
    }

    std::function<R(Args...)> call_;
    const std::type_info* codeType_ = nullptr;
    std::array<unsigned char, 2 * sizeof(void*)> codeBytes_{};
};

// One input report: Data points just past the report ID, Size bytes follow it.
using THidDataEvent = THidEventRef<void, THidDevice* /*HidDev*/, uint8_t /*ReportID*/,
                                   const uint8_t* /*Data*/, uint16_t /*Size*/>;
// A read could not be started; Error is the platform's error code.
using THidDataErrorEvent = THidEventRef<void, THidDevice* /*HidDev*/, uint32_t /*Error*/>;
using THidPlugEvent = THidEventRef<void, THidDevice* /*HidDev*/>;
// Returning false stops the walk of EnumerateDevices.
using THidEnumerateEvent = THidEventRef<bool, THidDevice* /*HidDev*/, int32_t /*Idx*/>;
// The controller's list changed; the sender is the controller.
using THidNotifyEvent = THidEventRef<void, THidDeviceController* /*Sender*/>;
