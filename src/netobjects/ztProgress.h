#pragma once
// Something that shows how far a long operation has come, one step at a time. Opening a
// connection advances it after each of its stages.

class ztProgress {
public:
    ztProgress() = default;
    ztProgress(const ztProgress&) = delete;
    ztProgress& operator=(const ztProgress&) = delete;
    virtual ~ztProgress() = default;

    // One more stage is done. Called on the thread that runs the operation.
    virtual void step() = 0;
};
