// Shows the hourglass for its lifetime and puts the previous cursor back.
#pragma once

class MyTCursor {
public:
    MyTCursor();
    ~MyTCursor();
    MyTCursor(const MyTCursor&) = delete;
    MyTCursor& operator=(const MyTCursor&) = delete;

private:
    bool shown_;
};
