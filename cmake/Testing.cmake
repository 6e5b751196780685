# GoogleTest for native tests and, cross-built, for Windows test programs that ctest runs
# under Wine in a prefix of the build tree (one persistent wineserver per ctest run).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(ZEL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(ZEL_LOCALES ${CMAKE_BINARY_DIR}/locales)
set(ZEL_WINE_RUNNABLE OFF)
if(WIN32)
    # The Windows programs run under the loader of their architecture: wine64 for the x86_64
    # build, the 32-bit loader and a 32-bit prefix for the shipped i686 build. Every such test
    # starts through scripts/wine-run (or its scripts' own probe), which reports an i686 test as
    # skipped, with the reason, on a host that cannot execute 32-bit programs.
    set(ZEL_WINE_RUNNABLE ON)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(ZEL_WINE_ARCH win64)
    else()
        set(ZEL_WINE_ARCH win32)
    endif()
    set(ZEL_WINE ${CMAKE_SOURCE_DIR}/scripts/wine-run)
    set(ZEL_WINE_ENV
        WINEPREFIX=${ZEL_WINE_DIR}/prefix HOME=${ZEL_WINE_DIR}/home WINEDEBUG=-all
        WINEDLLOVERRIDES=winemenubuilder.exe=d LOCPATH=${ZEL_LOCALES} WINEARCH=${ZEL_WINE_ARCH}
        ZEL_WINE_ARCH=${ZEL_WINE_ARCH})
    add_test(NAME wine_up COMMAND env ZEL_LOCALES=${ZEL_LOCALES} ZEL_WINE_ARCH=${ZEL_WINE_ARCH}
        sh -c "${CMAKE_SOURCE_DIR}/scripts/wine-session probe && ${CMAKE_SOURCE_DIR}/scripts/wine-session locales && ${CMAKE_SOURCE_DIR}/scripts/wine-session start ${ZEL_WINE_DIR} </dev/null >/dev/null 2>&1")
    add_test(NAME wine_down COMMAND env ZEL_WINE_ARCH=${ZEL_WINE_ARCH}
        ${CMAKE_SOURCE_DIR}/scripts/wine-session stop ${ZEL_WINE_DIR})
    set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 SKIP_RETURN_CODE 77)
    set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP wine)
endif()

# zel_add_test(NAME name SOURCES ... [LIBRARIES ...] [WINE_ENV VAR=VALUE ...] [TIMEOUT s])
# A GoogleTest program: run natively, or under Wine in the shared prefix for Windows builds
# (serially, since the tests share its registry and folders).
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
                 COMMAND env ${ZEL_WINE_ENV} ${T_WINE_ENV} ${ZEL_WINE} $<TARGET_FILE:${T_NAME}>)
        set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
                             TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77)
    endif()
endfunction()

# zel_add_test_run(NAME name PROGRAM target [WIN98] [WINE_ENV VAR=VALUE ...] [ARGS ...]): one
# more run of a Windows GoogleTest program, in another setting: other environment variables,
# or with Wine reporting Windows 98 to it (WIN98).
function(zel_add_test_run)
    cmake_parse_arguments(T "WIN98" "NAME;PROGRAM" "WINE_ENV;ARGS" ${ARGN})
    if(NOT ZEL_WINE_RUNNABLE)
        return()
    endif()
    set(runner ${ZEL_WINE})
    if(T_WIN98)
        set(runner sh ${CMAKE_SOURCE_DIR}/tests/run_as_win98.sh ${ZEL_WINE})
    endif()
    add_test(NAME ${T_NAME}
             COMMAND env ${ZEL_WINE_ENV} ${T_WINE_ENV} ${runner} $<TARGET_FILE:${T_PROGRAM}>
                     ${T_ARGS})
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix
                         TIMEOUT 300 SKIP_RETURN_CODE 77)
endfunction()

# zel_add_script_test(NAME name COMMAND ...): a test script (scenario runner, checks of the
# built program) that sets up its own Wine prefixes of the build's architecture; one that
# cannot run here exits 77, a skip.
function(zel_add_script_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 600)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77
        ENVIRONMENT "ZEL_SOURCE_DIR=${CMAKE_SOURCE_DIR};ZEL_BUILD_DIR=${CMAKE_BINARY_DIR};ZEL_LOCALES=${ZEL_LOCALES};ZEL_WINE_ARCH=${ZEL_WINE_ARCH}")
endfunction()
