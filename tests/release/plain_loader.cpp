// The control of the planting test: loads a library by its plain name, as a program does that
// takes no care where it comes from. Exit code 0 when some library of that name was loaded.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    return LoadLibraryA(argv[1]) ? 0 : 1;
}
