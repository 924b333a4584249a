// Opens the library named by the first argument, starts as many threads as the
// second says, each touching the library's thread-local storage and then
// waiting for ever, and returns with them alive. The sanitizer's leak check at
// exit then walks every thread's block of that storage; it exits 0 only when
// the check does not stumble over them.

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIBRARY THREADS\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW);
    if (library == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto touch = reinterpret_cast<int (*)(int)>(dlsym(library, "touchThreadStorage"));
    if (touch == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    const int threads = std::atoi(argv[2]);
    static std::atomic<int> touched{0};
    for (int i = 0; i < threads; ++i) {
        std::thread([touch, i] {
            touch(i);
            touched.fetch_add(1);
            for (;;) {
                pause();
            }
        }).detach();
    }
    while (touched.load() < threads) {
        usleep(1000);
    }
    return 0;
}
