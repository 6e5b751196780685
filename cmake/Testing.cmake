# GoogleTest for native tests and, cross-built, for Windows test programs that ctest runs
# under wine64 in a prefix of the build tree (one persistent wineserver per ctest run).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(ZEL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(ZEL_LOCALES ${CMAKE_BINARY_DIR}/locales)
set(ZEL_WINE_RUNNABLE OFF)
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
    # Only the 64-bit Wine loader runs on these machines; i686 tests are built, not run.
    set(ZEL_WINE_RUNNABLE ON)
    set(ZEL_WINE_ENV
        WINEPREFIX=${ZEL_WINE_DIR}/prefix HOME=${ZEL_WINE_DIR}/home WINEDEBUG=-all
        WINEDLLOVERRIDES=winemenubuilder.exe=d LOCPATH=${ZEL_LOCALES})
    set(CMAKE_CROSSCOMPILING_EMULATOR env ${ZEL_WINE_ENV} /usr/lib/wine/wine64)
    add_test(NAME wine_up COMMAND env ZEL_LOCALES=${ZEL_LOCALES} sh -c
        "${CMAKE_SOURCE_DIR}/scripts/wine-session locales && ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${ZEL_WINE_DIR} </dev/null >/dev/null 2>&1")
    add_test(NAME wine_down COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${ZEL_WINE_DIR})
    set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
    set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)
endif()

# zel_add_test(NAME name SOURCES ... [LIBRARIES ...] [WINE_ENV VAR=VALUE ...] [TIMEOUT s])
# A GoogleTest program: run natively, or under wine64 in the shared prefix for Windows
# builds (serially, since the tests share its registry and folders).
function(zel_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBRARIES;WINE_ENV" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBRARIES} GTest::gtest_main)
    target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    if(NOT WIN32)
        add_test(NAME ${T_NAME} COMMAND ${T_NAME})
        set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
    elseif(ZEL_WINE_RUNNABLE)
        add_test(NAME ${T_NAME}
                 COMMAND env ${ZEL_WINE_ENV} ${T_WINE_ENV} /usr/lib/wine/wine64
                         $<TARGET_FILE:${T_NAME}>)
        set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
                             TIMEOUT ${T_TIMEOUT})
    endif()
endfunction()

# zel_add_script_test(NAME name COMMAND ...): a test script (scenario runner, checks of the
# built program) that sets up its own Wine prefixes.
function(zel_add_script_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "ZEL_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZEL_BUILD_DIR=${CMAKE_BINARY_DIR};ZEL_LOCALES=${ZEL_LOCALES}")
endfunction()
