// A small library that the module tests load at run time, the way the sound
// binding loads the sound library: from the program's own folder.
extern "C" __attribute__((visibility("default"))) int qrn_test_answer(int x)
{
    return x * 2 + 42;
}
