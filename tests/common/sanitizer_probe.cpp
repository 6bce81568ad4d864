// Commits the fault named by its argument, for the sanitizer build only: "heap" reads past the
// end of an array (AddressSanitizer), "overflow" overflows a signed integer (UBSan). The
// command-line tests start it to check that such a report in a program they start is a crash,
// which no test can mistake for the program's own exit status 1.
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 3;
    volatile int index = 4;
    if (std::strcmp(argv[1], "heap") == 0) {
        const std::unique_ptr<int[]> values(new int[4]());
        std::printf("%d\n", values[index]);
    } else if (std::strcmp(argv[1], "overflow") == 0) {
        volatile int big = 2147483647;
        std::printf("%d\n", big + index);
    }
    return 0;
}
