// Runs the fuzz target over the files named on the command line, for
// compilers without libFuzzer and for the seed corpus in CTest.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i)
    {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in)
        {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            failed = 1;
            continue;
        }
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("ran %d inputs\n", argc - 1);
    return failed;
}
