#include <cstdio>
#include <cstring>

namespace {

void PrintUsage() {
    std::puts("Usage: tintsmith-cli [--version] [--help]");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Tintsmith %s\n", TINTSMITH_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintUsage();
            return 0;
        }
        std::fprintf(stderr, "tintsmith-cli: unknown argument '%s'\n", argv[i]);
        PrintUsage();
        return 2;
    }
    PrintUsage();
    return 0;
}
