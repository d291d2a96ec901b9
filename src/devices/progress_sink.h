#pragma once

namespace zt {

// Where the registry's progress reports go: the main window's progress bar.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // percentage 0..100; a value at or below what was shown since the last start changes nothing.
    virtual void advanceProgress(int percentage) = 0;
};

}  // namespace zt
