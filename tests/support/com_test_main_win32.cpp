// The main of Windows test programs whose code under test expects COM to be
// initialised on the calling thread, as start-up does for the program.
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
