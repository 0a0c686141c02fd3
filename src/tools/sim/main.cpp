// tavrel-sim: drives the simulated scanner.

#include <cstdio>

int main(int, char**)
{
    std::fprintf(stderr, "usage: tavrel-sim plug|unplug|press|status\n");
    return 2;
}
