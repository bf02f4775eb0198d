#pragma once
// The application-wide mouse pointer.

// Shows the busy pointer over every window of the program.
void SetBusyPointer();
// Back to the platform's default pointer, whatever was shown before.
void SetDefaultPointer();

// The busy pointer for the lifetime of a scope (a handler's long work).
class BusyPointer {
public:
    BusyPointer() { SetBusyPointer(); }
    ~BusyPointer() { SetDefaultPointer(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};
