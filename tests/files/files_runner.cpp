// Runs one file or shortcut operation in a process of its own, so that a test can choose the
// folder it runs from (the setup folder) and the Windows version Wine shows it.
//   files_runner deploy PROGRAM_FOLDER IN_USE RUN_FLAGS CATALOG_MODE
//   files_runner link desktop|startmenu TARGET NAME MODE
//   files_runner has desktop|startmenu NAME
//   files_runner menu TARGET SHORTCUT_FILE MENU_FOLDER RUN_FLAGS
// Exit code 0: the operation succeeded (found), 1: it failed, 2: bad arguments.
// With ZEL_SECURITY_LOG set, the security calls the operation made are appended to that file.
#include <stdlib.h>
#include <string.h>

#include "files/file_set.h"
#include "files/menu_shortcut.h"
#include "files/shortcuts.h"
#include "security_doubles.h"
#include "setupdata/setup_data_sources.h"

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* command = argv[1];
    bool done;
    if (!strcmp(command, "deploy") && argc == 6) {
        catalogMode = atoi(argv[5]) != 0;
        done = deployFileSet(nullptr, argv[2], atoi(argv[3]), strtoul(argv[4], nullptr, 16));
    } else if (!strcmp(command, "link") && argc == 6) {
        RunFlags mode = strtoul(argv[5], nullptr, 16);
        done = !strcmp(argv[2], "desktop") ? writeDesktopShortcut(argv[3], argv[4], mode)
                                           : writeStartMenuShortcut(argv[3], argv[4], mode);
    } else if (!strcmp(command, "has") && argc == 4) {
        done = !strcmp(argv[2], "desktop") ? hasDesktopShortcut(argv[3])
                                           : hasStartMenuShortcut(argv[3]);
    } else if (!strcmp(command, "menu") && argc == 6) {
        done = writeMenuFolderShortcut(argv[2], argv[3], argv[4], strtoul(argv[5], nullptr, 16));
    } else {
        return 2;
    }
    if (const char* log = getenv("ZEL_SECURITY_LOG")) {
        if (FILE* file = fopen(log, "a")) {
            for (const std::string& call : securitydoubles::securityCalls)
                fprintf(file, "%s\n", call.c_str());
            fclose(file);
        }
    }
    return done ? 0 : 1;
}
