// A small program the child-process tests run: it exits, crashes, hangs or talks as told.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "exit") == 0) return argc > 2 ? std::atoi(argv[2]) : 0;
    if (std::strcmp(mode, "echo") == 0) {
        // Each argument on a line of its own on standard output, and a marker on standard error.
        for (int i = 2; i < argc; ++i) std::printf("%s\n", argv[i]);
        std::fprintf(stderr, "done\n");
        return 0;
    }
    if (std::strcmp(mode, "flood") == 0) {
        // More than any pipe buffer holds, on both streams.
        for (int i = 0; i < 200000; ++i) {
            std::fputs("0123456789", stdout);
            std::fputs("abcdefghij", stderr);
        }
        return 0;
    }
    if (std::strcmp(mode, "crash") == 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
        return 0;
    }
    if (std::strcmp(mode, "mark") == 0 && argc > 3) {
        // Leaves a file to say it runs, then stays for the seconds given.
        if (std::FILE* marker = std::fopen(argv[2], "w")) std::fclose(marker);
        std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[3])));
        return 0;
    }
    if (std::strcmp(mode, "hang") == 0) {
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return 100;
}
