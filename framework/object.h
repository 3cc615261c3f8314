// The root of the runtime's class hierarchy.
//
// Every runtime class carries a class record with its name and its parent's record,
// so code can ask for a class by name and walk its ancestry. The exception library
// matches exception classes and their ancestors by name, and painter families are
// passed around as class references (TClass) rather than as objects.
#pragma once

#include <functional>
#include <string>
#include <string_view>

struct TClassInfo;
// A class reference: the address of a class's one class record; never null for a live object.
using TClass = const TClassInfo*;

struct TClassInfo {
    const char* Name;    // the class's name as written in code, e.g. "EConvertError"
    TClass Parent;       // null only for TObject

    // True when this class is `other` or descends from it.
    bool InheritsFrom(TClass other) const noexcept;
    // True when this class or one of its ancestors is named `name` (ASCII case ignored,
    // as the runtime compares identifiers).
    bool InheritsFrom(std::string_view name) const noexcept;
};

// Declares the class record of a runtime class. Put it first in the class body:
//   class TPersistent : public TObject { RUNTIME_CLASS(TPersistent, TObject) ... };
// It gives the class a static StaticClass() and overrides ClassType(); nothing else.
#define RUNTIME_CLASS(Self, Parent)                                          \
public:                                                                      \
    static TClass StaticClass() noexcept {                                   \
        static const TClassInfo info{#Self, Parent::StaticClass()};          \
        return &info;                                                        \
    }                                                                        \
    TClass ClassType() const noexcept override { return StaticClass(); }     \
                                                                             \
private:

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;

    static TClass StaticClass() noexcept;
    // The class record of the object's dynamic class.
    virtual TClass ClassType() const noexcept;

    std::string ClassName() const { return ClassType()->Name; }
    TClass ClassParent() const noexcept { return ClassType()->Parent; }
    bool InheritsFrom(TClass cls) const noexcept { return ClassType()->InheritsFrom(cls); }
    bool InheritsFrom(std::string_view name) const noexcept { return ClassType()->InheritsFrom(name); }
};

// An event handler with its sender; published as an On... property and called only when assigned.
using TNotifyEvent = std::function<void(TObject* sender)>;
