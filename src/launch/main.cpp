#include <cstdio>

int wmain() {
    std::fputs("qxlaunch\n", stdout);
    return 0;
}
