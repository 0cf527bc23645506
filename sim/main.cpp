#include <cstdio>

int main()
{
    std::puts("tals35xi-sim: the simulated transducer is not built yet");
    return 0;
}
