# libFuzzer targets for the plain text rules that take outside data: the command line, the
# %KEY% references of the setup data, the version display, the status line, and the bounded
# formatter under them all. Each target builds the rule's own source (the same file the
# Windows program links) with the fuzzer, ASan and UBSan, and runs as a test for a bounded time
# on a fresh copy of its seeds in fuzz/corpus/<name>; a crash, a leak, a failed check (abort)
# or any sanitizer report fails it. Included by fuzz/CMakeLists.txt in the fuzz preset.
set(ZEL_RELEASE_FUZZ_SECONDS 20 CACHE STRING "Seconds each release fuzz target runs as a test")
set(ZEL_RELEASE_FUZZ_FLAGS -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

function(zel_add_release_fuzzer name)
    add_executable(${name}_fuzz ${CMAKE_CURRENT_LIST_DIR}/${name}_fuzz.cpp ${ARGN})
    target_include_directories(${name}_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name}_fuzz PRIVATE zelbase)
    target_compile_options(${name}_fuzz PRIVATE ${ZEL_RELEASE_FUZZ_FLAGS} -Wall -Wextra -Wshadow)
    target_link_options(${name}_fuzz PRIVATE ${ZEL_RELEASE_FUZZ_FLAGS})
    add_test(NAME ${name}_fuzz
        COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/run-fuzzer.sh $<TARGET_FILE:${name}_fuzz>
                ${CMAKE_CURRENT_LIST_DIR}/corpus/${name} ${CMAKE_CURRENT_BINARY_DIR}/work/${name}
                ${ZEL_RELEASE_FUZZ_SECONDS} 4096)
    set_tests_properties(${name}_fuzz PROPERTIES TIMEOUT 120)
endfunction()

# The rules' own files come by path: their libraries exist in the Windows builds only.
zel_add_release_fuzzer(switches ${CMAKE_SOURCE_DIR}/setup/switches.cpp)
zel_add_release_fuzzer(string_reference ${CMAKE_SOURCE_DIR}/setupdata/string_reference.cpp)
zel_add_release_fuzzer(version_display ${CMAKE_SOURCE_DIR}/registry/version_display.cpp)
zel_add_release_fuzzer(status_path ${CMAKE_SOURCE_DIR}/setupdata/status_path.cpp)
zel_add_release_fuzzer(format_text)
