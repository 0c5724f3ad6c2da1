// The C numeric locale for the calling thread while decoders read numbers from text headers, so
// "1.5" reads the same under every user locale. Per thread: images are decoded on a worker beside
// the main thread, which keeps its own locale.
#pragma once

class NumericLocaleC {
public:
    NumericLocaleC();   // LC_NUMERIC is "C" for this thread from here
    ~NumericLocaleC();  // the thread's own is back
    NumericLocaleC(const NumericLocaleC&) = delete;
    NumericLocaleC& operator=(const NumericLocaleC&) = delete;

private:
    void* numericC = nullptr;  // the backend's
    void* previous = nullptr;
};
