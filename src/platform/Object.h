#pragma once

#include <string_view>

namespace platform {

// The small base of every object that carries a runtime class name: documents, views, frames,
// dialogs, broadcast payloads and hint objects. The name doubles as the object's settings section,
// so it is an explicit string and never depends on RTTI or on QObject's class name.
class Object {
public:
    static constexpr char kClassName[] = "CObject";

    virtual ~Object() = default;
    virtual const char* RuntimeClassName() const { return kClassName; }
    virtual bool IsKindOf(std::string_view className) const { return className == kClassName; }
};

// Checked down-cast by runtime class: null when the object is null or of another kind.
template <class T> T* object_cast(Object* object) {
    return object && object->IsKindOf(T::kClassName) ? static_cast<T*>(object) : nullptr;
}
template <class T> const T* object_cast(const Object* object) {
    return object && object->IsKindOf(T::kClassName) ? static_cast<const T*>(object) : nullptr;
}

} // namespace platform

// Declares the runtime class record of a class derived (directly or not) from platform::Object.
// Put it first in the class body; it leaves the access at "public".
#define NV_DECLARE_RUNTIME_CLASS(Class, Base)                                                             \
public:                                                                                                    \
    static constexpr char kClassName[] = #Class;                                                           \
    const char* RuntimeClassName() const override { return kClassName; }                                  \
    bool IsKindOf(std::string_view className) const override {                                             \
        return className == kClassName || Base::IsKindOf(className);                                       \
    }
