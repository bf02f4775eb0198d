#pragma once
// The application-wide mouse pointer. Pointers nest: each scope puts its own on top and takes exactly
// that one away again, so a step that ends inside longer work leaves the busy pointer showing.

// The busy pointer over every window of the program for the lifetime of a scope (decoding, resizing,
// estimating, encoding).
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    bool mShown;
};

// The normal pointer while the user is asked something, even in the middle of busy work.
class NormalPointer {
public:
    NormalPointer();
    ~NormalPointer();
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;

private:
    bool mShown;
};
