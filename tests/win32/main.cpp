// Entry of the Windows test suite. With one of the options below, the
// executable instead plays a process that a test starts: "--child [ms]" a
// target that only waits (a minute by default), "--block-helper" a target
// with blocks of known contents, "--startup MODE" the program's start-up with
// one failure put in, "--corrupt-heap MODE" a target whose heaps lie.

#include "framework/app_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

namespace corvane::testing {
int RunBlockHelper();                     // block_services_test.cpp
int RunStartupProbe(const char* mode);    // main_dialog_test.cpp
int RunHeapFaultHelper(const char* mode); // wine_heaps_win32_test.cpp
} // namespace corvane::testing

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        ::Sleep(argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 60000);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--block-helper") == 0) return corvane::testing::RunBlockHelper();
    if (argc > 2 && std::strcmp(argv[1], "--startup") == 0) return corvane::testing::RunStartupProbe(argv[2]);
    if (argc > 2 && std::strcmp(argv[1], "--corrupt-heap") == 0) return corvane::testing::RunHeapFaultHelper(argv[2]);
    corvane::UseLowFragmentationHeap(); // the windows under test use the heap as the program does
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
