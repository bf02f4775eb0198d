#pragma once
// The application-wide mouse pointer. Pointers nest: each scope puts its own on top and takes exactly
// that one away again, so a step that ends inside longer work leaves the busy pointer showing.
#include <QtCore/qnamespace.h>

// A pointer shape over every window of the program for the lifetime of a scope.
class PointerScope {
public:
    explicit PointerScope(Qt::CursorShape shape);
    ~PointerScope();
    PointerScope(const PointerScope&) = delete;
    PointerScope& operator=(const PointerScope&) = delete;

private:
    bool mShown;
};

// The busy pointer (decoding, resizing, estimating, encoding).
struct BusyPointer : PointerScope {
    BusyPointer() : PointerScope(Qt::WaitCursor) {}
};

// The normal pointer while the user is asked something, even in the middle of busy work.
struct NormalPointer : PointerScope {
    NormalPointer() : PointerScope(Qt::ArrowCursor) {}
};
