// A library with thread-local storage of its own: opened with dlopen, it gives
// every thread that touches it a block the C library allocates with malloc,
// holding a heap pointer, as the GL driver's blocks hold its contexts.

#include <cstdlib>

extern "C" int touchThreadStorage(int value);

namespace {

thread_local void* threadBlock[2];

}  // namespace

extern "C" __attribute__((visibility("default"))) int touchThreadStorage(int value) {
    void*& slot = threadBlock[value % 2];
    if (slot == nullptr) {
        slot = std::malloc(24);
    }
    return slot != nullptr;
}
